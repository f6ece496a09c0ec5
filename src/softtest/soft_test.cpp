#include "softtest/soft_test.h"

#include "monitor/monitor.h"
#include "monitor/start_point.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/load_source.h"
#include "sound/sound_cue.h"

#include <QFileInfo>

#include <algorithm>

namespace ostra {

namespace {

QString mib(std::int64_t bytes) { return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + " MiB"; }

QString amount(std::int64_t bytes, std::int64_t total) {
    QString s = mib(bytes);
    if (total > 0)
        s += QStringLiteral(" (%1%)").arg(QString::number(double(bytes) * 100.0 / double(total), 'f', 1));
    return s;
}

}  // namespace

QString programMemoryText(const ProgramMemory& m) {
    if (!m.started) return QStringLiteral("Program memory: the program did not start");
    if (m.exited)
        return QStringLiteral("Program memory: peak %1, ended by itself").arg(amount(m.peakBytes, m.totalBytes));
    return QStringLiteral("Program memory: peak %1, %2 %3")
        .arg(amount(m.peakBytes, m.totalBytes), m.ended ? QStringLiteral("at the end") : QStringLiteral("now"),
             amount(m.currentBytes, m.totalBytes));
}

const QStringList& SoftTest::valuationCaptions() {
    static const QStringList captions{QStringLiteral("Best"), QStringLiteral("Good"), QStringLiteral("Normal"),
                                      QStringLiteral("Bad"), QStringLiteral("Terrible")};
    return captions;
}

SoftTest::SoftTest(Deps deps, QObject* parent) : QObject(parent), d_(deps), timer_(deps.clock.createTimer()) {
    timer_->setCallback([this] { sample(); });
}

SoftTest::~SoftTest() = default;

bool SoftTest::sampling() const { return timer_->interval() > 0; }

int SoftTest::valuationFor(int totalUsedRes, int resultMissedRes) {
    if (totalUsedRes < 2 && resultMissedRes <= 0) return 0;   // "Best"
    if (totalUsedRes < 10 && resultMissedRes <= 0) return 1;  // "Good"
    if (totalUsedRes < 30 && resultMissedRes <= 0) return 2;  // "Normal"
    if (resultMissedRes < 2) return 3;                        // "Bad"
    return 4;                                                 // "Terrible"
}

QString SoftTest::logLine(int index, int load, int diff, int seconds) {
    return QStringLiteral("[%1] Now Res:%2% /Used Res:%3%   : %4Sec").arg(index).arg(load).arg(diff).arg(seconds);
}

void SoftTest::start() {
    d_.cue.play("click.wav");
    d_.startPoint.reset();
    const std::optional<QString> chosen = d_.dialogs.openFile(QStringLiteral("Select the software to test"),
                                                              QStringLiteral("*.exe|*.exe"), lastChoice_);
    if (!chosen) return;  // a test under way goes on
    lastChoice_ = *chosen;
    ++generation_;

    log_.clear();
    emit logCleared();
    f_ = SoftTestFigures{};
    f_.startRes = d_.monitor.readLoad().value_or(0);
    emit figuresChanged(f_);
    seconds_ = 0;
    emit progressChanged(seconds_, kTestLength);
    timer_->setInterval(kSampleMs);

    // The program starts in its own folder. A program of an earlier test
    // that still runs is left alone: only the new one is followed.
    process_ = 0;
    if (!chosen->isEmpty()) {
        d_.files.setCurrentFolder(QFileInfo(*chosen).absolutePath());
        process_ = d_.processes.start(*chosen);
    }
    memory_ = ProgramMemory{};
    memory_.started = process_ != 0;
    memory_.totalBytes = std::max<std::int64_t>(0, d_.load.totalMemoryBytes());
    emit usageChanged(memory_);
    sampleUsage();
    emit showRequested();
}

void SoftTest::sample() {
    if (!sampling()) return;  // a late call after the test stopped
    emit showRequested();
    ++seconds_;
    emit progressChanged(seconds_, kTestLength);
    sampleUsage();
    // A reading that fails leaves the figures as they are for this second.
    if (const std::optional<int> load = d_.monitor.readLoad()) {
        const int l = *load;
        const int d = l - f_.startRes;
        if (l != d_.monitor.figures().nowLoad) {
            const QString line = logLine(int(log_.size()), l, d, seconds_);
            log_ << line;
            emit logLineAdded(line);
        }
        if (d > 0 && d > f_.totalUsedRes) {
            f_.totalUsedRes = d;
            f_.maxRes = l;
        }
        if (d < 0 && -d > f_.totalObtainmentRes) f_.totalObtainmentRes = -d;
        emit figuresChanged(f_);
    }
    if (seconds_ >= kTestLength) {
        stopSampling();
        testResult();
    }
}

void SoftTest::testResult() {
    stopSampling();
    if (const std::optional<int> load = d_.monitor.readLoad()) {
        f_.endRes = *load;
        emit figuresChanged(f_);
    }
    endProgram();
}

void SoftTest::ok() { stopSampling(); }

void SoftTest::windowClosed() { stopSampling(); }

void SoftTest::stopSampling() { timer_->setInterval(0); }

void SoftTest::sampleUsage() {
    if (process_ == 0) return;
    const ProcessUsage u = d_.processes.usage(process_);
    memory_.peakBytes = std::max({memory_.peakBytes, u.peakBytes, u.currentBytes});
    memory_.currentBytes = u.currentBytes;
    memory_.processes = u.processes;
    if (u.exited || u.processes == 0) memory_.exited = true;
    emit usageChanged(memory_);
}

void SoftTest::endProgram() {
    if (process_ != 0) {
        sampleUsage();
        // The handle is given up before the message box: a second
        // "TEST RESULT" meanwhile finds no program to end.
        const ProcessHandle handle = process_;
        process_ = 0;
        const bool ended = d_.processes.terminate(handle);
        const int generation = generation_;
        d_.dialogs.message(ended ? QStringLiteral("Well done the test...")
                                 : QStringLiteral("Fail to close the test software..."));
        // A new test started while the box was up owns the figures now.
        if (generation != generation_) return;
    }
    memory_.ended = true;
    emit usageChanged(memory_);

    // The final reading comes after the box: memory the ended program gave
    // back meanwhile is counted.
    if (const std::optional<int> load = d_.monitor.readLoad()) {
        const int d = *load - f_.startRes;
        if (d > 0) f_.resultMissedRes = d;
        if (d < 0) f_.resultObtainmentRes = -d;
        f_.endRes = *load;
    }
    valuation_ = valuationFor(f_.totalUsedRes, f_.resultMissedRes);
    emit figuresChanged(f_);
    emit valuationChanged(valuation_);
    emit showRequested();
    d_.cue.play("clicklong.wav");
}

}  // namespace ostra
