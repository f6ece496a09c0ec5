#include "act/oom_watch.h"

#include "grow/growth.h"

#include <QPointer>

namespace ostra::act {

QString oomBody(const QString& name, std::int64_t bytes) {
    return QStringLiteral("%1 was ended to free memory. It held %2.").arg(name, grow::sizeText(bytes));
}

std::optional<grow::AppMemory> largestVanished(const grow::Snapshot& before, const grow::Snapshot& after) {
    std::optional<grow::AppMemory> best;
    for (auto it = before.apps.cbegin(); it != before.apps.cend(); ++it) {
        if (after.apps.contains(it.key())) continue;
        if (!best || it->bytes > best->bytes) best = *it;
    }
    return best;
}

OomWatch::OomWatch(Deps deps, QObject* parent) : QObject(parent), d_(std::move(deps)) {}

OomWatch::~OomWatch() {
    if (hearing_) d_.units.watchResults(false, {});
}

void OomWatch::tick(int load, std::optional<int> limit, bool warningOpen) {
    const std::int64_t t = d_.clock.unixTime();
    if (t < lastRead_ || t - lastRead_ >= kReadSeconds) {
        lastRead_ = t;
        const std::optional<std::uint64_t> now = d_.counters.oomKills();
        const bool rose = now && count_ && *now > *count_;
        if (now) count_ = now;
        if (rose) killed({});
    }
    const bool near = warningOpen || (limit && load >= *limit - kNearPoints);
    // The manager's word on units it ended (systemd-oomd) is heard near the
    // limit only: at rest nothing of it is on the bus.
    if (near) nearUntil_ = t + kHearSeconds;
    const bool hear = t <= nearUntil_ && t >= nearUntil_ - kHearSeconds;
    if (hear != hearing_) {
        hearing_ = hear;
        d_.units.watchResults(hear,
                              [this](const QString& unit, const QString& result) { unitEnded(unit, result); });
    }
    if (near && !scanning_ && !naming_ && (t < lastScan_ || t - lastScan_ >= kScanSeconds)) {
        lastScan_ = t;
        look([this](const grow::Snapshot&) {});
    }
}

void OomWatch::look(std::function<void(const grow::Snapshot&)> then) {
    scanning_ = true;
    QPointer<OomWatch> self(this);
    d_.scan([self, then = std::move(then)](grow::Snapshot s) {
        if (!self) return;
        self->scanning_ = false;
        then(s);
        self->last_ = std::move(s);
        self->lastTime_ = self->d_.clock.unixTime();
    });
}

void OomWatch::unitEnded(const QString& unit, const QString& result) {
    if (result != QLatin1String("oom-kill")) return;
    QString key;
    if (const std::optional<QByteArray> id = grow::unitApplicationId(unit.toLatin1()))
        key = QStringLiteral("unit:") + QString::fromLatin1(*id);
    killed(key);
}

void OomWatch::killed(const QString& unitKey) {
    emit oomKill();
    if (naming_) return;  // one notification for the kills of one look
    const std::int64_t t = d_.clock.unixTime();
    const bool fresh = lastTime_ <= t && t - lastTime_ <= kFreshSeconds;
    if (!fresh) {
        notify(QString::fromLatin1(kOomUnknownBody));
        emit killTold(std::nullopt);
        return;
    }
    if (!unitKey.isEmpty() && last_.apps.contains(unitKey)) {
        const grow::AppMemory app = last_.apps.value(unitKey);
        notify(oomBody(app.name, app.bytes));
        emit killTold(app);
        return;
    }
    // A fresh look at once, compared with the last one.
    naming_ = true;
    const grow::Snapshot before = last_;
    QPointer<OomWatch> self(this);
    look([self, before](const grow::Snapshot& after) {
        if (!self) return;
        self->naming_ = false;
        const std::optional<grow::AppMemory> app = largestVanished(before, after);
        self->notify(app ? oomBody(app->name, app->bytes) : QString::fromLatin1(kOomUnknownBody));
        emit self->killTold(app);
    });
}

void OomWatch::notify(const QString& body) {
    QPointer<OomWatch> self(this);
    d_.notifier.notify(QString::fromLatin1(kOomSummary), body, QString::fromLatin1(kOomActionLabel), [self] {
        if (self) emit self->openRequested();
    });
}

}  // namespace ostra::act
