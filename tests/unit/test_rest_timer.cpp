// The rest timer on the fake clock, the passed-minutes counter and the
// rest reminder as the main window's logic drives them.
#include "restalarm/rest_timer.h"

#include "fakes.h"
#include "app/figure_texts.h"

#include <gtest/gtest.h>

using namespace ostra;
using ostra::test::Rig;

namespace {

struct TimerRig {
    FakePlatform platform;
    RestTimer timer{platform};
    int minuteEvents = 0;
    int redraws = 0;
    TimerRig() {
        QObject::connect(&timer, &RestTimer::minuteChanged, [this] { ++minuteEvents; });
        QObject::connect(&timer, &RestTimer::elapsedChanged, [this] { ++redraws; });
    }
    FakeTimer& poll() { return *platform.timers.at(0); }
    // Moves the clock a second at a time, polling after each.
    void runSeconds(int n) {
        for (int i = 0; i < n; ++i) {
            platform.advanceSeconds(1);
            poll().fire();
        }
    }
};

}  // namespace

TEST(RestTimer, WakesAtEachWallClockSecondOnlyWhileRunning) {
    TimerRig r;
    EXPECT_TRUE(r.poll().wallClock());
    EXPECT_FALSE(r.timer.running());
    EXPECT_EQ(r.poll().interval(), 0);
    r.timer.start();
    EXPECT_TRUE(r.timer.running());
    EXPECT_EQ(r.poll().interval(), 1000);
    r.timer.stop();
    EXPECT_FALSE(r.timer.running());
    EXPECT_EQ(r.poll().interval(), 0);
    // A poll that arrives anyway while stopped counts nothing.
    r.platform.advanceSeconds(5);
    r.timer.poll();
    EXPECT_EQ(r.timer.elapsedSeconds(), 0);
}

TEST(RestTimer, FirstMinuteEventAtTheNextWallClockMinute) {
    TimerRig r;
    r.platform.now = {10, 0, 50};
    r.timer.start();
    r.runSeconds(9);  // 10:00:59
    EXPECT_EQ(r.minuteEvents, 0);
    EXPECT_EQ(r.timer.elapsedSeconds(), 9);
    r.runSeconds(1);  // 10:01:00
    EXPECT_EQ(r.minuteEvents, 1);
    EXPECT_EQ(r.timer.elapsedText(), QStringLiteral("00:00:10"));
    r.runSeconds(59);  // 10:01:59
    EXPECT_EQ(r.minuteEvents, 1);
    r.runSeconds(1);  // 10:02:00
    EXPECT_EQ(r.minuteEvents, 2);
    // Several polls within one second count it once and redraw nothing.
    int redraws = r.redraws;
    r.poll().fire();
    r.poll().fire();
    EXPECT_EQ(r.timer.elapsedSeconds(), 70);
    EXPECT_EQ(r.redraws, redraws);
}

TEST(RestTimer, LatePollsLoseNoSeconds) {
    TimerRig r;
    r.platform.now = {9, 15, 0};
    r.timer.start();
    r.platform.advanceSeconds(37);
    r.poll().fire();
    EXPECT_EQ(r.timer.elapsedSeconds(), 37);
    EXPECT_EQ(r.minuteEvents, 0);
    r.platform.advanceSeconds(125);  // 9:17:42, two minute boundaries in one poll
    r.poll().fire();
    EXPECT_EQ(r.timer.elapsedSeconds(), 162);
    EXPECT_EQ(r.timer.elapsedText(), QStringLiteral("00:02:42"));
    EXPECT_EQ(r.minuteEvents, 1);
}

TEST(RestTimer, CountsAcrossMidnight) {
    TimerRig r;
    r.platform.now = {23, 59, 58};
    r.timer.start();
    r.platform.advanceSeconds(5);  // 00:00:03
    ASSERT_EQ(r.platform.now.hour, 0);
    r.poll().fire();
    EXPECT_EQ(r.timer.elapsedSeconds(), 5);
    EXPECT_EQ(r.minuteEvents, 1);
}

TEST(RestTimer, StopAndStartResumeWithoutTheStoppedTime) {
    TimerRig r;
    r.timer.start();
    r.runSeconds(30);
    r.timer.stop();
    r.platform.advanceSeconds(100);
    EXPECT_FALSE(r.poll().fire());  // the poll is off
    r.timer.poll();
    EXPECT_EQ(r.timer.elapsedSeconds(), 30);
    r.timer.start();
    r.runSeconds(10);
    EXPECT_EQ(r.timer.elapsedSeconds(), 40);
    EXPECT_EQ(r.timer.elapsedText(), QStringLiteral("00:00:40"));
}

TEST(RestTimer, ResetZeroesTheCountAndKeepsTheRunningState) {
    TimerRig r;
    r.timer.start();
    r.runSeconds(75);
    r.timer.reset();
    EXPECT_EQ(r.timer.elapsedSeconds(), 0);
    EXPECT_TRUE(r.timer.running());
    r.runSeconds(3);
    EXPECT_EQ(r.timer.elapsedSeconds(), 3);

    r.timer.stop();
    r.platform.advanceSeconds(50);
    r.timer.reset();
    EXPECT_FALSE(r.timer.running());
    EXPECT_EQ(r.timer.elapsedSeconds(), 0);
    r.timer.start();
    r.runSeconds(2);
    EXPECT_EQ(r.timer.elapsedSeconds(), 2);
}

TEST(RestTimer, ElapsedTimeWrapsAtOneDay) {
    TimerRig r;
    r.platform.now = {0, 0, 0};
    r.timer.start();
    r.platform.advanceSeconds(80000);
    r.poll().fire();
    r.platform.advanceSeconds(10061);  // 90061 s = 1 day 01:01:01
    r.poll().fire();
    EXPECT_EQ(r.timer.elapsedSeconds(), 90061);
    EXPECT_EQ(r.timer.elapsedText(), QStringLiteral("01:01:01"));
    LocalTime t = r.timer.elapsedTime();
    EXPECT_EQ(t.hour, 1);
    EXPECT_EQ(t.minute, 1);
    EXPECT_EQ(t.second, 1);
    EXPECT_EQ(formatHms({0, 5, 9}), QStringLiteral("00:05:09"));
}

// The counter and the reminder through the main window's logic.

namespace {

// Runs the wall clock to the next minute boundary with the rest timer
// polling every second, then one monitor tick.
void nextMinute(Rig& rig) {
    do {
        rig.platform.advanceSeconds(1);
        rig.platform.timers.at(0)->fire();
    } while (rig.platform.now.second != 0);
    rig.monitor.tick();
}

}  // namespace

TEST(RestReminder, ComesAfterTheIntervalPlusOneCountedMinutes) {
    Rig rig;
    rig.platform.setIni(rig.folder, "W", "FFFF2", QStringLiteral("1"));
    rig.platform.setIni(rig.folder, "W", "LMDLEDLabel3", QStringLiteral("3"));
    rig.platform.now = {10, 0, 50};
    rig.showAt(40);
    ASSERT_TRUE(rig.restAlarm.alarmOn());
    ASSERT_EQ(rig.restAlarm.restInterval(), 3);
    for (int m = 1; m <= 3; ++m) {
        nextMinute(rig);
        EXPECT_EQ(rig.restAlarm.passedMinutes(), m);
        EXPECT_EQ(rig.warning.modelessCount, 0) << "minute " << m;
    }
    nextMinute(rig);  // the fourth boundary: more minutes than the interval
    EXPECT_EQ(rig.warning.modelessCount, 1);
    EXPECT_EQ(rig.restAlarm.passedMinutes(), 0);
    EXPECT_EQ(rig.warning.text(), QString::fromLatin1(kRestMessage));
    EXPECT_EQ(rig.soundNames().count(QStringLiteral("alarm.wav")), 1);
    // Once: the next tick in the same minute does nothing more.
    rig.monitor.tick();
    EXPECT_EQ(rig.warning.modelessCount, 1);
}

TEST(RestReminder, MinutesCountOnlyWhileShownSwitchedOnAndOptionsClosed) {
    Rig rig;
    bool& optionsOpen = rig.state.optionsShown;
    rig.showAt(40);
    RestAlarm& a = rig.restAlarm;

    nextMinute(rig);
    EXPECT_EQ(a.passedMinutes(), 0);  // switch off
    a.setAlarmOn(true);
    nextMinute(rig);
    EXPECT_EQ(a.passedMinutes(), 1);
    optionsOpen = true;
    nextMinute(rig);
    EXPECT_EQ(a.passedMinutes(), 1);
    optionsOpen = false;
    rig.state.mainShown = false;
    nextMinute(rig);
    EXPECT_EQ(a.passedMinutes(), 1);
    rig.state.mainShown = true;
    a.setPassedMinutes(100);
    a.setRestInterval(100);
    rig.platform.advanceSeconds(60);
    rig.platform.timers.at(0)->fire();
    EXPECT_EQ(a.passedMinutes(), 100);  // stops at 100
}

TEST(RestReminder, IntervalEdgeCases) {
    RestAlarm a;
    a.setAlarmOn(true);
    a.setRestInterval(60);
    a.setPassedMinutes(60);
    EXPECT_FALSE(a.due());
    a.setPassedMinutes(61);
    EXPECT_TRUE(a.due());
    a.setAlarmOn(false);
    EXPECT_FALSE(a.due());
    a.setAlarmOn(true);
    a.setRestInterval(0);  // every counted minute
    a.setPassedMinutes(0);
    EXPECT_FALSE(a.due());
    a.setPassedMinutes(1);
    EXPECT_TRUE(a.due());
    a.setRestInterval(-5);  // every tick
    a.setPassedMinutes(0);
    EXPECT_TRUE(a.due());
    // At the top of the range the counter, which stops at 100, still
    // brings the reminder.
    a.setRestInterval(100);
    a.setPassedMinutes(99);
    EXPECT_FALSE(a.due());
    a.setPassedMinutes(100);
    EXPECT_TRUE(a.due());
    // A stored interval above 100 is kept as it is: the counter never
    // passes it, so the reminder never comes.
    a.setRestInterval(101);
    EXPECT_EQ(a.restInterval(), 101);
    EXPECT_FALSE(a.due());
    a.setRestInterval(500);
    EXPECT_FALSE(a.due());
}

// Polls may come late (only at minute boundaries while nothing else
// polls): starting the running timer again, or stopping it, counts the
// seconds since the last poll first.
TEST(RestTimer, StartAgainAndStopLoseNoSecondsBetweenLatePolls) {
    TimerRig r;
    r.platform.now = {10, 0, 0};
    r.timer.start();
    r.platform.advanceSeconds(60);
    r.timer.poll();  // 10:01:00
    r.platform.advanceSeconds(42);
    r.timer.start();  // 10:01:42, as a showing does
    EXPECT_EQ(r.timer.elapsedSeconds(), 102);
    r.platform.advanceSeconds(18);
    r.timer.poll();  // 10:02:00
    EXPECT_EQ(r.timer.elapsedSeconds(), 120);
    r.platform.advanceSeconds(59);
    r.timer.stop();  // 10:02:59
    EXPECT_EQ(r.timer.elapsedSeconds(), 179);
    EXPECT_EQ(r.timer.elapsedText(), QStringLiteral("00:02:59"));
    EXPECT_EQ(r.minuteEvents, 2);
}
