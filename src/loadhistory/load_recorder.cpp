#include "loadhistory/load_recorder.h"

#include "loadhistory/csv_export.h"
#include "loadhistory/history_file.h"

#include <algorithm>
#include <memory>

namespace ostra::loadhistory {

LoadRecorder::LoadRecorder(Deps deps, QObject* parent)
    : QObject(parent), d_(std::move(deps)), savedAt_(d_.clock.unixTime()) {
    writer_.setMaxThreadCount(1);
    writer_.setExpiryTimeout(0);  // no thread kept waiting between writes
}

LoadRecorder::~LoadRecorder() { finishSaving(); }

void LoadRecorder::start() {
    if (!d_.load || own_) return;
    own_ = d_.clock.createWallClockTimer();
    own_->setCallback([this] { ownReading(); });
    own_->setInterval(1000);
}

void LoadRecorder::stopOwnTimer() {
    // The monitor's timer brings the seconds from now on.
    if (own_) own_->setInterval(0);
}

void LoadRecorder::record(int load) {
    stopOwnTimer();
    add(load);
}

void LoadRecorder::tickIdle() {
    stopOwnTimer();
    ownReading();
}

void LoadRecorder::ownReading() {
    if (!d_.load) return;
    if (const std::optional<int> v = d_.load->memoryLoad()) add(*v);
}

void LoadRecorder::add(int load) {
    const std::int64_t t = d_.clock.unixTime();
    // The kernel brings its averages up to date every two seconds, so a
    // reading every two seconds gives each second a figure the kernel
    // showed at most two seconds before it; after the clock was set back
    // it is read afresh.
    if (t < pressureTime_ || t - pressureTime_ >= kPressureSeconds) {
        pressure_ = d_.pressure.memorySomeAvg10().value_or(-1);
        pressureTime_ = t;
    }
    Sample s;
    s.load = load;
    s.pressure = pressure_;
    s.events = standing_ ? WarningOn : 0u;
    // One event a second: the one this second holds already (a second tick
    // in the same second), else the oldest one waiting.
    const int before = ring_.newestEventsAt(t);
    if (!(before > 0 && (unsigned(before) & kPointEvents)) && !pending_.empty()) {
        const unsigned e = pending_.front();
        pending_.erase(pending_.begin());
        s.events |= e | (e == WarningShown ? WarningOn : 0u);
    }
    ring_.record(t, s);
    if (t - savedAt_ >= kSaveSeconds || t < savedAt_) {
        // Written now and then on this wake-up, so that a crash or a kill
        // loses minutes, not the day.
        savedAt_ = t;
        saveInBackground();
    }
    emit recorded();
}

void LoadRecorder::mark(unsigned event) {
    const std::int64_t t = d_.clock.unixTime();
    const int now = ring_.newestEventsAt(t);  // -1: no sample of this second yet
    // The start point set afresh and moved in the same second is one.
    if (event == StartPointSet &&
        ((now > 0 && (unsigned(now) & StartPointSet)) ||
         std::find(pending_.begin(), pending_.end(), unsigned(StartPointSet)) != pending_.end()))
        return;
    // Into this second's sample when it has one and holds no event yet.
    if (now >= 0 && !(unsigned(now) & kPointEvents) && pending_.empty()) {
        ring_.addEvents(event | (event == WarningShown ? WarningOn : 0u));
        return;
    }
    pending_.push_back(event);
    // A second without its sample yet (the program's start, the first
    // showing): one read now carries the event at its own second.
    if (now < 0 && pending_.size() == 1) ownReading();
}

void LoadRecorder::markStartPoint() { mark(StartPointSet); }

void LoadRecorder::limitWarning() {
    if (standing_) return;
    standing_ = true;
    mark(WarningShown);
}

void LoadRecorder::oomKill() { mark(OomKill); }

void LoadRecorder::acknowledge() {
    if (!standing_) return;
    standing_ = false;
    mark(Acknowledged);
}

void LoadRecorder::warningClosed() { standing_ = false; }

int LoadRecorder::load() {
    const std::optional<QByteArray> text = d_.files.readFile(d_.path, kMaxFileBytes);
    if (!text) return 0;
    ring_.clear();
    return parse(*text, d_.clock.unixTime(), ring_);
}

bool LoadRecorder::save() {
    finishSaving();  // so that the older text cannot land last
    return d_.files.replaceFile(d_.path, serialize(ring_));
}

void LoadRecorder::finishSaving() { writer_.waitForDone(); }

void LoadRecorder::saveInBackground() {
    // A write still going (a slow disk) is not queued behind: the next one
    // comes ten minutes later.
    if (writer_.activeThreadCount() > 0) return;
    Files& files = d_.files;
    auto ring = std::make_shared<const LoadRing>(ring_);
    writer_.start([&files, path = d_.path, ring] { files.replaceFile(path, serialize(*ring)); });
}

bool LoadRecorder::exportCsv(std::int64_t from, std::int64_t to) {
    const QString folder = d_.path.section(QLatin1Char('/'), 0, -2);
    const std::optional<QString> target =
        d_.dialogs.saveFile(QString::fromLatin1(kExportTitle), QStringLiteral("CSV files|*.csv"),
                            folder + QStringLiteral("/load-history.csv"));
    if (!target) return false;
    return d_.files.replaceFile(*target, csv(ring_, from, to));
}

}  // namespace ostra::loadhistory
