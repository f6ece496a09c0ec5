// The software test: launches a chosen program, samples the memory load
// once a second for a minute, ends the program and rates it from "Best" to
// "Terrible". Beside the load figures it follows what the program's own
// processes held in memory. The report window shows what it announces.
#pragma once

#include "platform/processes.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace ostra {

class Clock;
class Dialogs;
class Files;
class LoadSource;
class Monitor;
class SoundCue;
class StartPoint;
class Timer;

// The figures of one test, in points of memory load.
struct SoftTestFigures {
    int startRes = 0;             // load when the test started
    int endRes = 0;               // load when it ended
    int maxRes = 0;               // load when totalUsedRes last grew
    int totalUsedRes = 0;         // largest rise above startRes of any sample
    int totalObtainmentRes = 0;   // largest fall below startRes, positive
    int resultMissedRes = 0;      // rise above startRes at the end
    int resultObtainmentRes = 0;  // fall below startRes at the end, positive
    bool operator==(const SoftTestFigures&) const = default;
};

// What the program under test itself held in memory.
struct ProgramMemory {
    bool started = false;           // a program was launched for this test
    bool ended = false;             // the test has ended: `currentBytes` is what it held at the end
    std::int64_t peakBytes = 0;     // highest resident size of its processes seen
    std::int64_t currentBytes = 0;  // resident at the last sample
    int processes = 0;              // processes of its group at the last sample
    std::int64_t totalBytes = 0;    // the machine's memory; 0 when unknown
    bool exited = false;            // it ended by itself (no process of it left at a sample)
    bool operator==(const ProgramMemory&) const = default;
};

// One line of text for the report window.
QString programMemoryText(const ProgramMemory& m);

class SoftTest : public QObject {
    Q_OBJECT
public:
    struct Deps {
        Monitor& monitor;        // fresh readings and the main window's last load
        StartPoint& startPoint;  // reset at every start
        SoundCue& cue;
        Dialogs& dialogs;
        Files& files;
        Processes& processes;
        LoadSource& load;  // the machine's total memory
        Clock& clock;      // the sampling timer
    };

    static constexpr int kTestLength = 60;
    static constexpr int kSampleMs = 1000;
    // Captions of the valuation, by index.
    static const QStringList& valuationCaptions();

    explicit SoftTest(Deps deps, QObject* parent = nullptr);
    ~SoftTest() override;

    // "Software test": asks for a program and starts a test with it.
    void start();
    // One sample of the sampling timer.
    void sample();
    // "TEST RESULT": ends the test at once, ends the program and rates it.
    void testResult();
    // "OK" and any close of the report window: sampling stops, the program
    // under test keeps running.
    void ok();
    void windowClosed();

    bool sampling() const;
    const SoftTestFigures& figures() const { return f_; }
    int testSeconds() const { return seconds_; }
    // -1 until a first test has been rated.
    int valuation() const { return valuation_; }
    ProcessHandle testProcess() const { return process_; }
    const QStringList& log() const { return log_; }
    const ProgramMemory& programMemory() const { return memory_; }
    Timer& timer() { return *timer_; }

    // The rating of a test by the first row of its table that holds.
    static int valuationFor(int totalUsedRes, int resultMissedRes);
    // "[n] Now Res:L% /Used Res:D%   : SSec".
    static QString logLine(int index, int load, int diff, int seconds);

signals:
    void figuresChanged(const ostra::SoftTestFigures& f);
    void logCleared();
    void logLineAdded(const QString& line);
    void progressChanged(int seconds, int length);
    void valuationChanged(int index);
    void usageChanged(const ostra::ProgramMemory& m);
    // Show the report window and bring it to the front.
    void showRequested();

private:
    void stopSampling();
    void endProgram();
    void sampleUsage();

    Deps d_;
    std::unique_ptr<Timer> timer_;
    SoftTestFigures f_;
    ProgramMemory memory_;
    QStringList log_;
    int seconds_ = 0;
    int valuation_ = -1;
    ProcessHandle process_ = 0;
    int generation_ = 0;  // tests started so far
    QString lastChoice_;
};

}  // namespace ostra
