// The stopwatch on the main window as the wall clock drives it: every
// wall-clock timer of the program fires at the whole multiples of its
// interval, as the real ones do, and the display is read as the user reads
// it. It moves every second whether or not the monitor runs, and its count
// is exact across "Hide" and "Show" and the tray's timer commands.
#include "app_harness.h"

#include "ui/stopwatchdisplay.h"

#include <QApplication>

#include <vector>

using namespace ostra;
using namespace ostra::testing;

namespace {

// Moves the clock `seconds` seconds, one at a time; after each, every
// running wall-clock timer whose interval divides the time of day fires.
void runWallClock(FakePlatform& fp, int seconds) {
    for (int i = 0; i < seconds; ++i) {
        fp.advanceSeconds(1);
        const qint64 ms = qint64(fp.now.secondOfDay()) * 1000;
        std::vector<FakeTimer*> due;
        for (FakeTimer* t : fp.timers)
            if (t->wallClock() && t->interval() > 0 && ms % t->interval() == 0) due.push_back(t);
        for (FakeTimer* t : due) t->fire();
        QApplication::processEvents();
    }
}

QString shown(AppHarness& h) { return h.mainControl<ui::StopwatchDisplay>("dxfTimer1")->text(); }

void noWarnings(FakePlatform& fp, const QString& folder) {
    fp.setIni(folder, "x", "checkbox1", QStringLiteral("0"));
    fp.setIni(folder, "x", "checkbox2", QStringLiteral("0"));
}

}  // namespace

TEST(Stopwatch, MovesEverySecondWhenTheStartupEndsEarly) {
    // The protection marker ends the start-up before the monitor starts.
    AppHarness h([](FakePlatform& fp, const QString& folder) {
        noWarnings(fp, folder);
        fp.existingFiles << fp.marker;
    });
    h.start();
    ASSERT_EQ(h.monitorTimer().interval(), 0);
    runWallClock(h.fp, 5);
    EXPECT_EQ(shown(h), QStringLiteral("00:00:05"));
}

TEST(Stopwatch, MovesEverySecondDuringTheStartupQuestion) {
    // The start-up question of the first showing, open for 7 seconds.
    AppHarness asked([](FakePlatform& fp, const QString& folder) {
        noWarnings(fp, folder);
        fp.setIni(folder, "W", "FFFF", QStringLiteral("1"));
    });
    QStringList whileAsked;
    asked.fp.fakeDialogs.answers = {Answer::No};
    asked.fp.fakeDialogs.onShow = [&] {
        for (int i = 0; i < 7; ++i) {
            runWallClock(asked.fp, 1);
            whileAsked << shown(asked);
        }
    };
    asked.start();
    asked.fp.fakeDialogs.onShow = nullptr;
    EXPECT_EQ(whileAsked, (QStringList{"00:00:01", "00:00:02", "00:00:03", "00:00:04", "00:00:05", "00:00:06",
                                       "00:00:07"}));
}

TEST(Stopwatch, CountIsExactAcrossHideShowAndTheTraysTimerCommands) {
    AppHarness h([](FakePlatform& fp, const QString& folder) { noWarnings(fp, folder); });
    h.start();
    runWallClock(h.fp, 20);
    EXPECT_EQ(shown(h), QStringLiteral("00:00:20"));
    actionNamed(*h.app, "hide1")->trigger();
    ASSERT_FALSE(h.main().isVisible());
    runWallClock(h.fp, 55);  // past a minute boundary, and 15 s on
    actionNamed(*h.app, "Show1")->trigger();
    EXPECT_EQ(shown(h), QStringLiteral("00:01:15"));
    EXPECT_EQ(h.app->restTimer().elapsedText(), QStringLiteral("00:01:15"));

    // "Stop" and "Start the timer" from the tray while hidden.
    actionNamed(*h.app, "hide1")->trigger();
    runWallClock(h.fp, 50);
    actionNamed(*h.app, "Stopthetimer1")->trigger();
    EXPECT_EQ(h.app->restTimer().elapsedText(), QStringLiteral("00:02:05"));
    runWallClock(h.fp, 30);  // stopped: not counted
    actionNamed(*h.app, "Startthetimer1")->trigger();
    runWallClock(h.fp, 40);
    actionNamed(*h.app, "Startthetimer1")->trigger();
    actionNamed(*h.app, "Show1")->trigger();
    EXPECT_EQ(shown(h), QStringLiteral("00:02:45"));
}
