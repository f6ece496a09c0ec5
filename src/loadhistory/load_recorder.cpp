#include "loadhistory/load_recorder.h"

#include "loadhistory/csv_export.h"
#include "loadhistory/history_file.h"

namespace ostra::loadhistory {

LoadRecorder::LoadRecorder(Deps deps, QObject* parent) : QObject(parent), d_(std::move(deps)) {}

void LoadRecorder::record(int load) {
    const std::int64_t t = d_.clock.unixTime();
    // A reading costs about three microseconds of the kernel's time, six
    // times what the rest of the recording may cost a tick. The figure is
    // itself an average over ten seconds, so it is read once in ten (and
    // after the clock was set back), and kept for the seconds in between.
    if (t < pressureTime_ || t - pressureTime_ >= kPressureSeconds) {
        pressure_ = d_.pressure.memorySomeAvg10().value_or(-1);
        pressureTime_ = t;
    }
    Sample s;
    s.load = load;
    s.pressure = pressure_;
    s.events = pending_ | (warningOn_ ? WarningOn : 0u);
    pending_ = 0;
    ring_.record(t, s);
    emit recorded();
}

void LoadRecorder::mark(unsigned events) {
    if (events & WarningShown) warningOn_ = true;
    if (events & Acknowledged) warningOn_ = false;
    if (events & WarningShown) events |= WarningOn;
    if (!ring_.empty() && ring_.newestTime() == d_.clock.unixTime() && ring_.addEvents(events)) return;
    pending_ |= events;
}

int LoadRecorder::load() {
    const std::optional<QByteArray> text = d_.files.readFile(d_.path, kMaxFileBytes);
    if (!text) return 0;
    ring_.clear();
    return parse(*text, d_.clock.unixTime(), ring_);
}

bool LoadRecorder::save() { return d_.files.replaceFile(d_.path, serialize(ring_)); }

bool LoadRecorder::exportCsv(std::int64_t from, std::int64_t to) {
    const QString folder = d_.path.section(QLatin1Char('/'), 0, -2);
    const std::optional<QString> target = d_.dialogs.saveFile(
        QString::fromLatin1(kExportTitle), QStringLiteral("CSV files|*.csv"), folder + QStringLiteral("/load-history.csv"));
    if (!target) return false;
    return d_.files.replaceFile(*target, csv(ring_, from, to));
}

}  // namespace ostra::loadhistory
