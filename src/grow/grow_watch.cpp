#include "grow/grow_watch.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace ostra::grow {

GrowWatch::GrowWatch(Deps deps, QObject* parent)
    : QObject(parent), d_(deps), refresh_(deps.clock.createTimer()), index_(deps.entries) {
    // One worker, so scans are delivered in the order they were asked for;
    // it ends two seconds after its last scan.
    pool_.setMaxThreadCount(1);
    pool_.setExpiryTimeout(2000);
    refresh_->setCallback([this] { scan([this](grow::Snapshot s) { compare(std::move(s)); }); });
}

GrowWatch::~GrowWatch() { pool_.waitForDone(); }

grow::Snapshot GrowWatch::collect(ProcessMemory& memory, grow::AppIndex& index) {
    index.refresh();
    return grow::group(memory.scan(), index);
}

void GrowWatch::scan(std::function<void(grow::Snapshot)> done) {
    ++pending_;
    QPointer<GrowWatch> self(this);
    ProcessMemory& memory = d_.memory;
    grow::AppIndex& index = index_;
    pool_.start([self, &memory, &index, done = std::move(done), receiver = this] {
        grow::Snapshot s = collect(memory, index);
        // Delivered on the user-interface thread; dropped with this object.
        QMetaObject::invokeMethod(
            receiver,
            [self, done, s = std::move(s)]() mutable {
                if (!self) return;
                --self->pending_;
                done(std::move(s));
            },
            Qt::QueuedConnection);
    });
}

void GrowWatch::markStart(int load) {
    const LocalTime at = d_.clock.localTime();
    scan([this, load, at](grow::Snapshot s) {
        start_ = std::move(s);
        startTime_ = at;
        startLoad_ = load;
        compare(start_);  // at a fresh start point nothing has grown yet
    });
}

void GrowWatch::setWatching(bool on) {
    refresh_->setInterval(on ? kRefreshMs : 0);
    if (on) scan([this](grow::Snapshot s) { compare(std::move(s)); });
}

void GrowWatch::refreshNow() {
    if (refresh_->interval() > 0) setWatching(true);
}

void GrowWatch::warningScan(std::function<void()> then) {
    warningWaiters_.push_back(std::move(then));
    if (warningWaiters_.size() > 1) return;
    scan([this](grow::Snapshot s) {
        compare(std::move(s));
        const std::vector<std::function<void()>> waiters = std::move(warningWaiters_);
        warningWaiters_.clear();
        for (const std::function<void()>& f : waiters) f();
    });
}

void GrowWatch::scanForWarning() {
    warningScan([this] { emit warningScanned(); });
}

void GrowWatch::warningOpened(int load) {
    if (!notify_) return;
    warningScan([this, load] {
        const QString since = startLoad_ < 0 ? QString()
                                             : QStringLiteral("%1:%2")
                                                   .arg(startTime_.hour, 2, 10, QLatin1Char('0'))
                                                   .arg(startTime_.minute, 2, 10, QLatin1Char('0'));
        std::vector<NotificationAction> actions{
            {QString::fromLatin1(grow::kActionLabel), [this] { emit openRequested(); }}};
        // The reversible step, for the application that grew most.
        const auto top = std::find_if(rows_.cbegin(), rows_.cend(), [](const GrowthRow& r) { return !r.ended; });
        if (top != rows_.cend() && top->growth > 0 && mayPause_ && mayPause_(*top))
            actions.push_back(
                {grow::pauseActionLabel(top->name), [this, row = *top] { emit pauseRequested(row); }});
        d_.notifier.notify(grow::notificationSummary(load), grow::notificationBody(rows_, since),
                           std::move(actions));
    });
}

void GrowWatch::compare(grow::Snapshot now) {
    now_ = std::move(now);
    rows_ = grow::ranked(start_, now_);
    emit changed();
}

QString GrowWatch::startPointText() const {
    if (startLoad_ < 0) return {};
    return grow::startPointText(startTime_.hour, startTime_.minute, startTime_.second, startLoad_);
}

void GrowWatch::waitForScans() {
    while (pending_ > 0) {
        pool_.waitForDone();
        QCoreApplication::sendPostedEvents(this);
    }
}

}  // namespace ostra::grow
