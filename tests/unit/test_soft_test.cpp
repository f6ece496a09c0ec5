// The software test on the fake platform: a minute of samples, the movement
// log, the peak figures, the ending with its messages, the rating and the
// memory of the program under test.
#include "fakes.h"

#include "monitor/start_point.h"
#include "platform/meminfo.h"
#include "softtest/soft_test.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ostra;
using namespace ostra::test;

namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

struct TestRig : Rig {
    TestRig()
        : startPoint(monitor, history, restTimer, restAlarm),
          test(SoftTest::Deps{monitor, startPoint, cue, platform.fakeDialogs, platform, platform, platform, platform}) {
        QObject::connect(&test, &SoftTest::showRequested, [this] { ++shows; });
        QObject::connect(&test, &SoftTest::logLineAdded, [this](const QString& l) { lines << l; });
        QObject::connect(&test, &SoftTest::logCleared, [this] { lines << QStringLiteral("<cleared>"); });
        QObject::connect(&test, &SoftTest::valuationChanged, [this](int i) { ratings.push_back(i); });
        QObject::connect(&test, &SoftTest::figuresChanged, [this](const SoftTestFigures& f) { shown = f; });
        QObject::connect(&test, &SoftTest::usageChanged, [this](const ProgramMemory& m) { memory = m; });
        QObject::connect(&test, &SoftTest::progressChanged, [this](int s, int len) { progress = {s, len}; });
    }
    FakeTimer& sampler() { return dynamic_cast<FakeTimer&>(test.timer()); }
    // A confirmed start with every reading at `load`.
    void startWith(const QString& file, int load) {
        platform.fakeDialogs.fileAnswers = {file};
        platform.loads = {load};
        test.start();
    }
    // One timer sample at `load`.
    bool sampleAt(int load) {
        platform.loads = {load};
        return sampler().fire();
    }
    QStringList messages() const {
        QStringList out;
        for (const auto& s : platform.fakeDialogs.shown)
            if (s.kind == QLatin1String("message")) out << s.text;
        return out;
    }
    int terminations() const { return platform.FakeProcesses::calls.filter(QStringLiteral("terminate")).size(); }

    StartPoint startPoint;
    SoftTest test;
    int shows = 0;
    QStringList lines;
    std::vector<int> ratings;
    SoftTestFigures shown;
    ProgramMemory memory;
    std::pair<int, int> progress{-1, -1};
};

TEST(SoftTest, AMinuteOfSamplesLogsTheMovesKeepsThePeaksAndRates) {
    TestRig r;
    r.tickAt(50);  // the main window's last load
    ASSERT_EQ(r.fig().nowLoad, 50);
    r.platform.sounds.clear();
    r.platform.nextUsage = {100 * kMiB, 80 * kMiB, 2};
    r.startWith(QStringLiteral("/opt/tools/prog.exe"), 49);

    EXPECT_EQ(r.soundNames(), QStringList{QStringLiteral("click.wav")});
    ASSERT_EQ(r.platform.fakeDialogs.shown.size(), 1u);
    EXPECT_EQ(r.platform.fakeDialogs.shown[0].text, QStringLiteral("Select the software to test"));
    EXPECT_EQ(r.platform.fakeDialogs.lastFilter, QStringLiteral("*.exe|*.exe"));
    EXPECT_EQ(r.platform.currentFolder, QStringLiteral("/opt/tools"));
    EXPECT_EQ(r.platform.started, QStringList{QStringLiteral("/opt/tools/prog.exe")});
    EXPECT_EQ(r.test.testProcess(), 1);
    EXPECT_TRUE(r.test.sampling());
    EXPECT_EQ(r.sampler().interval(), 1000);
    EXPECT_EQ(r.shown, (SoftTestFigures{49, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.progress, std::make_pair(0, 60));
    EXPECT_EQ(r.shows, 1);
    EXPECT_EQ(r.memory.totalBytes, std::int64_t(24) << 30);

    // Seconds 1-3 at the main window's load write no line; then a rise of
    // 3, falls of 3, 5 and 2, rises of 6 and 4.
    for (int load : {50, 50, 50, 52, 46, 44, 47, 55, 53}) ASSERT_TRUE(r.sampleAt(load));
    EXPECT_EQ(r.lines, (QStringList{QStringLiteral("<cleared>"), QStringLiteral("[0] Now Res:52% /Used Res:3%   : 4Sec"),
                                    QStringLiteral("[1] Now Res:46% /Used Res:-3%   : 5Sec"),
                                    QStringLiteral("[2] Now Res:44% /Used Res:-5%   : 6Sec"),
                                    QStringLiteral("[3] Now Res:47% /Used Res:-2%   : 7Sec"),
                                    QStringLiteral("[4] Now Res:55% /Used Res:6%   : 8Sec"),
                                    QStringLiteral("[5] Now Res:53% /Used Res:4%   : 9Sec")}));
    EXPECT_EQ(r.test.figures().totalUsedRes, 6);
    EXPECT_EQ(r.test.figures().maxRes, 55);
    EXPECT_EQ(r.test.figures().totalObtainmentRes, 5);
    EXPECT_EQ(r.shows, 10) << "every sample shows the window";
    EXPECT_EQ(r.memory.peakBytes, 100 * kMiB);
    EXPECT_EQ(programMemoryText(r.memory), QStringLiteral("Program memory: peak 100.0 MiB (0.4%), now 80.0 MiB (0.3%)"));

    // Up to the 59th second nothing ends.
    for (int s = 10; s < 60; ++s) ASSERT_TRUE(r.sampleAt(50));
    EXPECT_TRUE(r.test.sampling());
    EXPECT_TRUE(r.messages().isEmpty());
    EXPECT_EQ(r.lines.size(), 7) << "no line while the load equals the main window's";
    // The 60th sample counts, then ends and rates.
    r.platform.nextUsage = {300 * kMiB, 120 * kMiB, 1};
    ASSERT_TRUE(r.sampleAt(51));
    EXPECT_EQ(r.lines.last(), QStringLiteral("[6] Now Res:51% /Used Res:2%   : 60Sec"));
    EXPECT_FALSE(r.test.sampling());
    EXPECT_EQ(r.test.testSeconds(), 60);
    EXPECT_EQ(r.progress, std::make_pair(60, 60));
    EXPECT_EQ(r.terminations(), 1);
    EXPECT_EQ(r.messages(), QStringList{QStringLiteral("Well done the test...")});
    EXPECT_EQ(r.test.testProcess(), 0);
    EXPECT_EQ(r.shown, (SoftTestFigures{49, 51, 55, 6, 5, 2, 0}));
    EXPECT_EQ(r.ratings, std::vector<int>{4}) << "2 points left above the start: Terrible";
    EXPECT_EQ(r.soundNames().last(), QStringLiteral("clicklong.wav"));
    EXPECT_EQ(r.memory, (ProgramMemory{true, true, 300 * kMiB, 120 * kMiB, 1, std::int64_t(24) << 30}));
    EXPECT_EQ(programMemoryText(r.memory),
              QStringLiteral("Program memory: peak 300.0 MiB (1.2%), at the end 120.0 MiB (0.5%)"));
    // No 61st sample.
    EXPECT_FALSE(r.sampleAt(60));
    r.test.sample();
    EXPECT_EQ(r.test.testSeconds(), 60);
    EXPECT_EQ(r.ratings.size(), 1u);
}

TEST(SoftTest, CancelStillResetsTheStartPointAndLeavesARunningTestAlone) {
    TestRig r;
    r.tickAt(50);
    r.history.append(QStringLiteral("40%"), QStringLiteral("00:00:05"));
    r.restAlarm.setPassedMinutes(7);
    r.restTimer.start();
    r.platform.advanceSeconds(30);
    r.restTimer.poll();
    ASSERT_GT(r.restTimer.elapsedSeconds(), 0);
    r.platform.sounds.clear();
    r.platform.loads = {63};
    r.test.start();
    EXPECT_EQ(r.soundNames(), QStringList{QStringLiteral("click.wav")});
    EXPECT_EQ(r.fig().startLoad, 63);
    EXPECT_EQ(r.history.count(), 0);
    EXPECT_EQ(r.restTimer.elapsedSeconds(), 0);
    EXPECT_EQ(r.restAlarm.passedMinutes(), 0);
    EXPECT_TRUE(r.platform.started.isEmpty());
    EXPECT_FALSE(r.test.sampling());
    EXPECT_EQ(r.shows, 0);
    EXPECT_EQ(r.test.valuation(), -1);

    // A cancel while sampling: the test goes on from where it was.
    r.startWith(QStringLiteral("/bin/a.exe"), 50);
    ASSERT_TRUE(r.sampleAt(55));
    r.platform.loads = {40};
    r.test.start();
    EXPECT_TRUE(r.test.sampling());
    EXPECT_EQ(r.test.testSeconds(), 1);
    EXPECT_EQ(r.test.figures().startRes, 50);
    EXPECT_EQ(r.test.figures().totalUsedRes, 5);
    EXPECT_EQ(r.test.testProcess(), 1);
}

TEST(SoftTest, TheRatingTable) {
    struct Row {
        int used, missed, rating;
    };
    const Row rows[] = {{0, 0, 0}, {1, 0, 0},  {2, 0, 1},  {9, 0, 1},  {10, 0, 2},  {29, 0, 2},  {30, 0, 3},
                        {80, 0, 3}, {1, 1, 3}, {40, 1, 3}, {0, 2, 4},  {1, 2, 4},   {30, 9, 4}};
    for (const Row& row : rows)
        EXPECT_EQ(SoftTest::valuationFor(row.used, row.missed), row.rating) << row.used << " " << row.missed;
    EXPECT_EQ(SoftTest::valuationCaptions(),
              (QStringList{"Best", "Good", "Normal", "Bad", "Terrible"}));
}

TEST(SoftTest, TestResultEndsAtOnceAndASecondOneRatesAgainWithoutAMessage) {
    TestRig r;
    r.tickAt(50);
    r.startWith(QStringLiteral("/bin/a.exe"), 50);
    ASSERT_TRUE(r.sampleAt(51));  // a peak of 1
    // The final reading is taken after the message box is dismissed.
    r.platform.loads = {58};
    r.platform.fakeDialogs.onShow = [&r] { r.platform.loads = {50}; };
    r.test.testResult();
    r.platform.fakeDialogs.onShow = nullptr;
    EXPECT_FALSE(r.test.sampling());
    EXPECT_EQ(r.messages(), QStringList{QStringLiteral("Well done the test...")});
    EXPECT_EQ(r.test.figures(), (SoftTestFigures{50, 50, 51, 1, 0, 0, 0}));
    EXPECT_EQ(r.ratings, std::vector<int>{0}) << "a peak of 1, the load back at the start: Best";

    // Again: no message, no second end; 1 point above: Bad.
    r.platform.loads = {51};
    r.test.testResult();
    EXPECT_EQ(r.ratings, (std::vector<int>{0, 3}));
    // 2 points above: Terrible.
    r.platform.loads = {52};
    r.test.testResult();
    EXPECT_EQ(r.ratings.back(), 4);
    // Below the start now: the earlier rise stays and still counts.
    r.platform.loads = {47};
    r.test.testResult();
    EXPECT_EQ(r.test.figures(), (SoftTestFigures{50, 47, 51, 1, 0, 2, 3}));
    EXPECT_EQ(r.ratings.back(), 4);
    EXPECT_EQ(r.messages().size(), 1);
    EXPECT_EQ(r.terminations(), 1);
}

TEST(SoftTest, EndMessagesFollowWhatTheEndingDid) {
    {
        // The program had already exited: never "Well done".
        TestRig r;
        r.startWith(QStringLiteral("/bin/a.exe"), 50);
        r.platform.alreadyEnded = true;
        r.test.testResult();
        EXPECT_EQ(r.messages(), QStringList{QStringLiteral("Fail to close the test software...")});
        EXPECT_EQ(r.test.testProcess(), 0);
        EXPECT_EQ(r.ratings, std::vector<int>{0});
    }
    {
        // Nothing started: no message, no ending, the minute rated all the same.
        TestRig r;
        r.tickAt(50);
        r.platform.failStart = true;
        r.startWith(QStringLiteral("/bin/missing.exe"), 40);
        EXPECT_TRUE(r.test.sampling());
        EXPECT_EQ(programMemoryText(r.memory), QStringLiteral("Program memory: the program did not start"));
        for (int s = 0; s < 60; ++s) ASSERT_TRUE(r.sampleAt(s == 20 ? 75 : 40));
        EXPECT_FALSE(r.test.sampling());
        EXPECT_TRUE(r.messages().isEmpty());
        EXPECT_EQ(r.terminations(), 0);
        EXPECT_EQ(r.test.figures().totalUsedRes, 35);
        EXPECT_EQ(r.test.figures().resultMissedRes, 0);
        EXPECT_EQ(r.ratings, std::vector<int>{3}) << "a peak of 35 gone at the end: Bad";
    }
}

TEST(SoftTest, AProgramThatEndsByItselfIsSaidToHaveEndedWithItsPeak) {
    TestRig r;
    r.tickAt(50);
    r.platform.nextUsage = {64 * kMiB, 40 * kMiB, 2};
    r.startWith(QStringLiteral("/bin/a.exe"), 50);
    ASSERT_TRUE(r.sampleAt(50));
    EXPECT_EQ(programMemoryText(r.memory), QStringLiteral("Program memory: peak 64.0 MiB (0.3%), now 40.0 MiB (0.2%)"));
    // It ended by itself.
    r.platform.nextUsage = {64 * kMiB, 0, 0, true};
    ASSERT_TRUE(r.sampleAt(50));
    const QString ended = QStringLiteral("Program memory: peak 64.0 MiB (0.3%), ended by itself");
    EXPECT_EQ(programMemoryText(r.memory), ended);
    ASSERT_TRUE(r.sampleAt(50));
    EXPECT_EQ(programMemoryText(r.memory), ended);
    // The end of the test says so too.
    r.platform.alreadyEnded = true;
    r.test.testResult();
    EXPECT_TRUE(r.memory.ended);
    EXPECT_EQ(programMemoryText(r.memory), ended);
}

TEST(SoftTest, OkCloseAndASecondStartLeaveTheProgramRunning) {
    TestRig r;
    r.tickAt(50);
    r.startWith(QStringLiteral("/bin/a.exe"), 50);
    ASSERT_TRUE(r.sampleAt(60));
    r.platform.loads = {50};
    r.test.testResult();
    ASSERT_EQ(r.test.valuation(), 2) << "a peak of 10 gone at the end: Normal";

    // A second test: its figures and log begin again, the rating stays.
    r.startWith(QStringLiteral("/bin/b.exe"), 45);
    EXPECT_EQ(r.test.testProcess(), 2);
    EXPECT_EQ(r.lines.last(), QStringLiteral("<cleared>"));
    EXPECT_EQ(r.test.log(), QStringList{});
    EXPECT_EQ(r.test.figures(), (SoftTestFigures{45, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.test.valuation(), 2);
    ASSERT_TRUE(r.sampleAt(46));
    EXPECT_EQ(r.test.log(), QStringList{QStringLiteral("[0] Now Res:46% /Used Res:1%   : 1Sec")});
    // A third start while sampling: b is left running, c is followed.
    r.startWith(QStringLiteral("/bin/c.exe"), 45);
    EXPECT_EQ(r.test.testProcess(), 3);
    EXPECT_EQ(r.test.testSeconds(), 0);
    // "OK" and closing stop sampling and end nothing.
    r.test.ok();
    EXPECT_FALSE(r.test.sampling());
    EXPECT_FALSE(r.sampleAt(50));
    r.startWith(QStringLiteral("/bin/d.exe"), 45);
    r.test.windowClosed();
    EXPECT_FALSE(r.test.sampling());
    EXPECT_EQ(r.terminations(), 1);
    EXPECT_EQ(r.test.testProcess(), 4);
    EXPECT_EQ(r.test.valuation(), 2);
}

TEST(SoftTest, ANewTestStartedDuringTheEndMessageKeepsItsOwnFigures) {
    TestRig r;
    r.startWith(QStringLiteral("/bin/a.exe"), 50);
    r.platform.fakeDialogs.onShow = [&r] {
        r.platform.fakeDialogs.onShow = nullptr;
        r.startWith(QStringLiteral("/bin/b.exe"), 30);
    };
    r.platform.loads = {70};
    r.test.testResult();
    EXPECT_TRUE(r.test.sampling());
    EXPECT_EQ(r.test.figures(), (SoftTestFigures{30, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(r.ratings.empty());
    EXPECT_EQ(r.test.testProcess(), 2);
}

TEST(SoftTest, TotalMemoryFromMeminfo) {
    const char text[] = "MemTotal:       16318284 kB\nMemFree:  1000 kB\nMemAvailable:   8000000 kB\n";
    EXPECT_EQ(meminfo::totalBytesFromText(text, std::strlen(text)), 16318284LL * 1024);
    const char broken[] = "MemFree: 1000 kB\n";
    EXPECT_EQ(meminfo::totalBytesFromText(broken, std::strlen(broken)), -1);
    meminfo::Reader real;
    EXPECT_GT(real.totalBytes(), 0);
    meminfo::Reader missing("/nonexistent/meminfo");
    EXPECT_EQ(missing.totalBytes(), 0);
}

}  // namespace
