// The once-a-second tick: figures, history, tray hint, gauge re-fill and
// the three warning decisions, driven through the main window's logic on
// the fake platform.
#include "fakes.h"
#include "app/figure_texts.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ostra;
using ostra::test::Rig;
using ostra::ui::kBlack, ostra::ui::kBlue, ostra::ui::kRed;

namespace {

const QString kLoadMsg = QString::fromLatin1(kLoadLimitMessage);
const QString kRiseMsg = QString::fromLatin1(kRiseMessage);
const QString kRestMsg = QString::fromLatin1(kRestMessage);

int countOf(const QStringList& l, const char* s) { return l.count(QString::fromLatin1(s)); }

}  // namespace

// --- figures ------------------------------------------------------------

TEST(MonitorFigures, ShowTakesEachFigureFromItsOwnReading) {
    Rig rig;
    rig.platform.loads = {30, 31, 32, 33, 34};
    rig.ctl->formShow();
    const Figures& f = rig.fig();
    EXPECT_EQ(f.startLoad, 30);
    EXPECT_EQ(figureTexts(f).start, QStringLiteral("30%"));
    EXPECT_EQ(f.priorLoad, 31);
    EXPECT_EQ(f.nowLoad, 32);  // the three load gauges each read afresh
    EXPECT_EQ(figureTexts(f).prior, QStringLiteral("32%"));
    EXPECT_EQ(rig.platform.loadReads, 5);
    // The tick's labels keep their design captions until the first tick.
    EXPECT_EQ(figureTexts(f).free, QStringLiteral("20%"));
    EXPECT_EQ(figureTexts(f).used, QStringLiteral("20%"));
    EXPECT_EQ(figureTexts(f).sinceStart, QStringLiteral("-qq%"));
    EXPECT_EQ(figureTexts(f).sincePriorRun, QStringLiteral("-qq%"));
    EXPECT_TRUE(rig.monitor.trayHint().isEmpty());
}

TEST(MonitorFigures, EveryStepTakesAFreshReading) {
    Rig rig;
    rig.showAt(50);
    rig.platform.loadReads = 0;
    rig.platform.loads = {60, 61, 62, 63, 64, 65, 66};
    rig.monitor.tick();
    const Figures& f = rig.fig();
    EXPECT_EQ(rig.platform.loadReads, 7);
    EXPECT_EQ(f.priorLoad, 50);  // step 1: the old level became the prior one
    EXPECT_EQ(figureTexts(f).prior, QStringLiteral("50%"));
    EXPECT_EQ(rig.monitor.trayHint(), QStringLiteral("Ostra39%/00:00:00"));  // step 2: 100 - 61
    EXPECT_EQ(figureTexts(f).used, QStringLiteral("62%"));                  // step 3
    EXPECT_EQ(figureTexts(f).now, QStringLiteral("62%"));
    EXPECT_EQ(figureTexts(f).free, QStringLiteral("37%"));  // step 4: 100 - 63
    EXPECT_EQ(riseGauge(f.riseSinceStart), 14);                     // step 5: 64 - 50
    EXPECT_EQ(figureTexts(f).sinceStart, QStringLiteral("14%"));
    EXPECT_EQ(figureTexts(f).totalUsed, QStringLiteral("14%"));
    EXPECT_EQ(riseGauge(f.riseSincePrior), 15);  // step 6: 65 - 50
    EXPECT_EQ(figureTexts(f).sincePrior, QStringLiteral("15%"));
    EXPECT_EQ(riseGauge(f.riseSincePriorRun), 66);  // step 7: 66 - 0
    EXPECT_EQ(figureTexts(f).sincePriorRun, QStringLiteral("66%"));
    // Step 8: the reading of step 4 is the new load.
    EXPECT_EQ(f.nowLoad, 63);
    EXPECT_EQ(f.nowLoad, 63);
    EXPECT_EQ(f.nowLoad, 63);
}

TEST(MonitorFigures, PriorLevelAndHistoryMoveOnlyOnAChange) {
    Rig rig;
    rig.settings.historyOn = true;
    rig.showAt(50);
    rig.platform.advanceSeconds(615);
    rig.platform.timers.at(0)->fire();  // rest timer at 00:10:15

    rig.tickAt(50);
    EXPECT_EQ(rig.history.count(), 0);
    EXPECT_EQ(rig.view.historyChangedCount, 0);
    EXPECT_EQ(rig.fig().priorLoad, 50);
    EXPECT_EQ(figureTexts(rig.fig()).used, QStringLiteral("50%"));  // labels rewritten anyway
    EXPECT_EQ(figureTexts(rig.fig()).sincePrior, QStringLiteral("0%"));

    rig.tickAt(47);
    ASSERT_EQ(rig.history.count(), 1);
    EXPECT_EQ(rig.history.entries()[0], QStringLiteral("50% [0] DATETIME:00:10:15"));
    EXPECT_EQ(rig.fig().priorLoad, 50);
    EXPECT_EQ(figureTexts(rig.fig()).prior, QStringLiteral("50%"));
    EXPECT_EQ(figureTexts(rig.fig()).sincePrior, QStringLiteral("-3%"));
    EXPECT_EQ(riseGauge(rig.fig().riseSincePrior), 0);

    rig.tickAt(47);  // unchanged: prior and history stay
    EXPECT_EQ(rig.history.count(), 1);
    EXPECT_EQ(figureTexts(rig.fig()).prior, QStringLiteral("50%"));
    EXPECT_EQ(figureTexts(rig.fig()).sincePrior, QStringLiteral("-3%"));

    rig.tickAt(52);
    ASSERT_EQ(rig.history.count(), 2);
    EXPECT_EQ(rig.history.entries()[1], QStringLiteral("47% [1] DATETIME:00:10:15"));
    EXPECT_EQ(figureTexts(rig.fig()).prior, QStringLiteral("47%"));
    EXPECT_EQ(figureTexts(rig.fig()).sincePrior, QStringLiteral("5%"));
    EXPECT_EQ(riseGauge(rig.fig().riseSincePrior), 5);

    // With history off a change still moves the prior level.
    rig.settings.historyOn = false;
    int changed = rig.view.historyChangedCount;
    rig.tickAt(40);
    EXPECT_EQ(rig.history.count(), 2);
    EXPECT_EQ(rig.view.historyChangedCount, changed);
    EXPECT_EQ(figureTexts(rig.fig()).prior, QStringLiteral("52%"));
}

TEST(MonitorFigures, LabelsGaugesAndDifferences) {
    Rig rig;
    rig.platform.setIni(rig.folder, "W", "Gauge5", QStringLiteral("250"));
    rig.showAt(50);
    ASSERT_EQ(rig.fig().priorRunLoad, 100);  // a stored 250 counts as 100

    rig.tickAt(47);  // below the start point
    EXPECT_EQ(figureTexts(rig.fig()).used, QStringLiteral("47%"));
    EXPECT_EQ(figureTexts(rig.fig()).free, QStringLiteral("53%"));
    EXPECT_EQ(figureTexts(rig.fig()).sinceStart, QStringLiteral("-3%"));
    EXPECT_EQ(figureTexts(rig.fig()).totalUsed, QStringLiteral("-3%"));
    EXPECT_EQ(riseGauge(rig.fig().riseSinceStart), 0);
    EXPECT_EQ(figureTexts(rig.fig()).sincePriorRun, QStringLiteral("-53%"));
    EXPECT_EQ(riseGauge(rig.fig().riseSincePriorRun), 0);

    rig.tickAt(50);
    EXPECT_EQ(figureTexts(rig.fig()).sinceStart, QStringLiteral("0%"));
    EXPECT_EQ(riseGauge(rig.fig().riseSinceStart), 0);

    rig.tickAt(100);
    EXPECT_EQ(figureTexts(rig.fig()).used, QStringLiteral("100%"));
    EXPECT_EQ(figureTexts(rig.fig()).free, QStringLiteral("0%"));
    EXPECT_TRUE(rig.monitor.trayHint().startsWith(QStringLiteral("Ostra0%/")));
    EXPECT_EQ(riseGauge(rig.fig().riseSinceStart), 50);
    EXPECT_EQ(figureTexts(rig.fig()).sincePriorRun, QStringLiteral("0%"));

    rig.tickAt(5);
    EXPECT_EQ(figureTexts(rig.fig()).used, QStringLiteral("5%"));
    EXPECT_EQ(figureTexts(rig.fig()).now, QStringLiteral("5%"));
    EXPECT_EQ(figureTexts(rig.fig()).free, QStringLiteral("95%"));

    // Readings outside 0..100 are held at the nearer bound everywhere.
    rig.tickAt(150);
    EXPECT_EQ(rig.fig().nowLoad, 100);
    EXPECT_EQ(figureTexts(rig.fig()).used, QStringLiteral("100%"));
    EXPECT_EQ(figureTexts(rig.fig()).free, QStringLiteral("0%"));
    rig.tickAt(-20);
    EXPECT_EQ(rig.fig().nowLoad, 0);
    EXPECT_EQ(figureTexts(rig.fig()).used, QStringLiteral("0%"));
    EXPECT_EQ(figureTexts(rig.fig()).sinceStart, QStringLiteral("-50%"));
    EXPECT_EQ(rig.monitor.trayHint().left(9), QStringLiteral("Ostra100%"));
}

TEST(MonitorFigures, TrayHintCarriesFreeShareAndRestTimer) {
    Rig rig;
    rig.showAt(47);
    rig.platform.advanceSeconds(12 * 60 + 7);
    rig.platform.timers.at(0)->fire();
    rig.tickAt(47);
    EXPECT_EQ(rig.monitor.trayHint(), QStringLiteral("Ostra53%/00:12:07"));
    ASSERT_FALSE(rig.view.hints.isEmpty());
    EXPECT_EQ(rig.view.hints.last(), QStringLiteral("Ostra53%/00:12:07"));
}

TEST(MonitorFigures, AtRestOnlyTheSecondsMoveAndOnlyTheTickWakes) {
    Rig rig;
    // Both timers keep to the wall clock at one second, so their shots
    // share a wake-up.
    EXPECT_TRUE(rig.monitorTimer().wallClock());
    rig.platform.now = {10, 0, 30};
    rig.showAt(50);
    FakeTimer& seconds = *rig.platform.timers.at(0);
    EXPECT_TRUE(seconds.wallClock());
    EXPECT_EQ(seconds.interval(), 1000);
    EXPECT_EQ(rig.monitorTimer().interval(), 1000);
    std::vector<qint64> shown;
    QObject::connect(&rig.restTimer, &RestTimer::elapsedChanged, [&](qint64 s) { shown.push_back(s); });
    int minuteEvents = 0;
    QObject::connect(&rig.restTimer, &RestTimer::minuteChanged, [&] { ++minuteEvents; });

    rig.tickAt(50);
    const int figuresAfterFirstTick = rig.view.figuresChangedCount;
    const qsizetype hints = rig.view.hints.size();
    // Steady load, one tick a second with no shot of the rest timer: the
    // stopwatch and the tip follow every second, the figures are not passed
    // on again, and the new minute is counted by the tick itself.
    for (int i = 1; i <= 40; ++i) {
        rig.platform.advanceSeconds(1);
        rig.tickAt(50);
    }
    EXPECT_EQ(rig.restTimer.elapsedSeconds(), 40);
    ASSERT_EQ(shown.size(), 40u);
    EXPECT_EQ(shown.back(), 40);
    EXPECT_EQ(rig.view.hints.size(), hints + 40);
    EXPECT_EQ(rig.view.hints.back(), QStringLiteral("Ostra50%/00:00:40"));
    EXPECT_EQ(rig.view.figuresChangedCount, figuresAfterFirstTick);
    EXPECT_EQ(minuteEvents, 1);  // 10:01:00

    // A second tick within the same second changes nothing at all.
    rig.tickAt(50);
    EXPECT_EQ(shown.size(), 40u);
    EXPECT_EQ(rig.view.hints.size(), hints + 40);
    EXPECT_EQ(rig.view.figuresChangedCount, figuresAfterFirstTick);

    // A change of load is passed on.
    rig.platform.advanceSeconds(1);
    rig.tickAt(51);
    EXPECT_GT(rig.view.figuresChangedCount, figuresAfterFirstTick);
    EXPECT_EQ(rig.fig().nowLoad, 51);
}

TEST(MonitorFigures, HiddenMainWindowTickDoesNothing) {
    Rig rig;
    rig.settings.historyOn = true;
    rig.showAt(50);
    rig.tickAt(60);
    const Figures before = rig.fig();
    const QString beforeHint = rig.monitor.trayHint();
    const int reads = rig.platform.loadReads;
    const int hints = rig.view.hints.size();
    rig.options.loadLimit = 10;  // would warn
    rig.state.mainShown = false;
    rig.tickAt(90);
    EXPECT_EQ(rig.platform.loadReads, reads);
    EXPECT_EQ(rig.view.hints.size(), hints);
    EXPECT_EQ(rig.monitor.trayHint(), beforeHint);
    EXPECT_EQ(figureTexts(rig.fig()).used, figureTexts(before).used);
    EXPECT_EQ(rig.fig().nowLoad, 60);
    EXPECT_EQ(rig.history.count(), 1);
    EXPECT_EQ(rig.warning.modalCount, 0);
    EXPECT_TRUE(rig.platform.sounds.isEmpty());
}

TEST(MonitorFigures, AFailedReadingEndsTheTickWithoutTouchingTheRest) {
    // The reading of step `k` (1..7) fails: nothing after it runs, no
    // figure becomes 0, the gauges are not re-filled and an acknowledged
    // warning goes on.
    for (int k = 1; k <= 7; ++k) {
        Rig rig;
        rig.settings.historyOn = true;
        rig.showAt(50);
        rig.monitor.setExceedLimitState(true);
        const Figures before = rig.fig();
        const int steps = rig.view.gaugeSteps;
        rig.platform.loadReads = 0;
        rig.platform.loads.clear();
        for (int i = 1; i < k; ++i) rig.platform.loads.push_back(50);
        rig.platform.loads.push_back(FakeLoadSource::kFail);
        rig.platform.loads.push_back(0);
        rig.monitor.tick();
        EXPECT_EQ(rig.platform.loadReads, k) << "step " << k;
        const Figures& f = rig.fig();
        EXPECT_EQ(f.nowLoad, 50) << "step " << k;
        EXPECT_EQ(f.usedLoad, k > 3 ? 50 : before.usedLoad) << "step " << k;
        EXPECT_EQ(f.freePercent, k > 4 ? 50 : before.freePercent) << "step " << k;
        EXPECT_EQ(f.sampled, before.sampled) << "step " << k;
        EXPECT_TRUE(f.exceedLimitState) << "step " << k;
        EXPECT_EQ(rig.view.gaugeSteps, steps) << "step " << k;
        EXPECT_EQ(rig.history.count(), 0) << "step " << k;
        EXPECT_TRUE(rig.monitor.timer().interval() > 0) << "step " << k;
    }
}

TEST(MonitorFigures, AFailedReadingAtAShowingLeavesItsFigure) {
    // The start, prior and now readings of a showing: the `k`th fails (all
    // three with k 0), the others take the new load.
    for (int k = 0; k <= 3; ++k) {
        Rig rig;
        rig.showAt(50);
        rig.tickAt(60);
        rig.monitor.setStartLoad(55);
        const Figures before = rig.fig();
        ASSERT_EQ(before.nowLoad, 60);
        ASSERT_EQ(before.priorLoad, 50);
        rig.platform.loads.clear();
        for (int i = 1; i <= 3; ++i)
            rig.platform.loads.push_back(k == 0 || i == k ? FakeLoadSource::kFail : 70);
        rig.platform.loads.push_back(FakeLoadSource::kFail);  // and the rest
        rig.ctl->formShow();
        const Figures& f = rig.fig();
        EXPECT_EQ(f.startLoad, k == 0 || k == 1 ? 55 : 70) << "reading " << k;
        EXPECT_EQ(f.priorLoad, k == 0 || k == 2 ? 50 : 70) << "reading " << k;
        EXPECT_EQ(f.nowLoad, k == 0 || k == 3 ? 60 : 70) << "reading " << k;
    }
}

// --- re-fill --------------------------------------------------------------

TEST(MonitorRefill, GaugesRisePointByPointWithTheTimerStopped) {
    Rig rig;
    rig.showAt(20);
    ASSERT_EQ(rig.monitorTimer().interval(), 1000);
    std::vector<int> seen;
    bool timerStopped = true, inStep = true;
    rig.view.onGaugeStep = [&] {
        const Figures& f = rig.fig();
        seen.push_back(f.nowLoad);
        inStep = inStep && rig.view.lastStep == f.nowLoad;  // the gauges painted at the figure
        timerStopped = timerStopped && rig.monitorTimer().interval() == 0;
    };
    rig.tickAt(45);
    EXPECT_EQ(rig.view.gaugeSteps, 46);
    ASSERT_EQ(seen.size(), 46u);
    for (int i = 0; i <= 45; ++i) EXPECT_EQ(seen[i], i);
    EXPECT_TRUE(inStep);
    EXPECT_TRUE(timerStopped);
    EXPECT_EQ(rig.monitorTimer().interval(), 1000);
    EXPECT_EQ(rig.fig().nowLoad, 45);

    // Unchanged: no re-fill.
    rig.tickAt(45);
    EXPECT_EQ(rig.view.gaugeSteps, 46);

    // A change to 0 sets the gauges to 0 and raises nothing.
    seen.clear();
    rig.tickAt(0);
    EXPECT_EQ(seen, std::vector<int>{0});
    EXPECT_EQ(rig.fig().nowLoad, 0);
    EXPECT_EQ(rig.fig().nowLoad, 0);
    EXPECT_EQ(rig.monitorTimer().interval(), 1000);
}

TEST(MonitorRefill, RefillStartsAStoppedTimer) {
    Rig rig;
    rig.platform.existingFiles << rig.platform.marker;  // sequence stops before the timer
    rig.showAt(20);
    ASSERT_EQ(rig.monitorTimer().interval(), 0);
    EXPECT_FALSE(rig.monitorTimer().fire());
    rig.tickAt(30);  // a direct tick, as "Move to the start point" runs
    EXPECT_EQ(rig.monitorTimer().interval(), 1000);
}

// --- limit warnings -------------------------------------------------------

TEST(MonitorWarning, LoadLimitIsPassedOnlyAboveTheLimit) {
    Rig rig;
    rig.showAt(90);
    rig.tickAt(95);  // equal to the limit
    EXPECT_EQ(rig.warning.modalCount, 0);
    EXPECT_TRUE(rig.warning.colors.empty());
    EXPECT_TRUE(rig.platform.sounds.isEmpty());

    rig.tickAt(96);
    EXPECT_EQ(rig.warning.modalCount, 1);
    EXPECT_EQ(rig.warning.text(), kLoadMsg);
    EXPECT_EQ(rig.warning.panel(), kBlue);  // the red design colour toggled
    EXPECT_EQ(rig.soundNames(), QStringList{QStringLiteral("dingdong.wav")});
    EXPECT_EQ(rig.platform.sounds.last(), QStringLiteral("/prog/dingdong.wav"));

    // While the window stays up every tick blinks and rings, never a second window.
    rig.tickAt(96);
    EXPECT_EQ(rig.warning.panel(), kRed);
    rig.tickAt(97);
    EXPECT_EQ(rig.warning.panel(), kBlue);
    rig.tickAt(97);
    EXPECT_EQ(rig.warning.panel(), kRed);
    EXPECT_EQ(rig.warning.modalCount, 1);
    EXPECT_EQ(countOf(rig.soundNames(), "dingdong.wav"), 4);

    // Without "Use Resource Emergency" nothing happens.
    rig.options.useLoadLimit = false;
    rig.tickAt(99);
    EXPECT_EQ(countOf(rig.soundNames(), "dingdong.wav"), 4);
    EXPECT_EQ(rig.warning.panel(), kRed);
}

TEST(MonitorWarning, RiseWarningUsesTheNeedleAndBlinksRedBlack) {
    Rig rig;
    rig.options.loadLimit = 100;
    rig.showAt(20);
    rig.tickAt(50);  // rise 30: at the limit
    EXPECT_EQ(riseGauge(rig.fig().riseSincePrior), 30);
    EXPECT_EQ(rig.warning.modalCount, 0);

    rig.tickAt(10);
    rig.tickAt(60);  // a fall of 40 then a rise of 50 from the prior level 10
    EXPECT_EQ(riseGauge(rig.fig().riseSincePrior), 50);
    EXPECT_EQ(rig.warning.modalCount, 1);
    EXPECT_EQ(rig.warning.text(), kRiseMsg);
    EXPECT_EQ(rig.warning.panel(), kBlack);  // red design colour toggled
    rig.tickAt(60);  // unchanged: the prior level stays 10
    EXPECT_EQ(rig.warning.panel(), kRed);
    rig.tickAt(60);
    EXPECT_EQ(rig.warning.panel(), kBlack);
    EXPECT_EQ(rig.warning.modalCount, 1);
    EXPECT_EQ(countOf(rig.soundNames(), "dingdong.wav"), 3);

    rig.options.useRiseLimit = false;
    rig.tickAt(60);
    EXPECT_EQ(rig.warning.panel(), kBlack);
    EXPECT_EQ(countOf(rig.soundNames(), "dingdong.wav"), 3);
}

TEST(MonitorWarning, LoadTestComesBeforeRiseTestInOneTick) {
    Rig rig;
    rig.showAt(60);
    rig.tickAt(96);  // over the load limit and a rise of 36
    EXPECT_EQ(rig.warning.messages, (QStringList{kLoadMsg, kRiseMsg}));
    ASSERT_EQ(rig.warning.colors.size(), 2u);
    EXPECT_EQ(rig.warning.colors[0], kBlue);  // red -> blue by the load test
    EXPECT_EQ(rig.warning.colors[1], kRed);   // blue -> red by the rise test
    EXPECT_EQ(rig.warning.modalCount, 1);
    EXPECT_EQ(countOf(rig.soundNames(), "dingdong.wav"), 2);
}

TEST(MonitorWarning, RiseTestFollowsAnAcknowledgedLoadWarningInTheSameTick) {
    // "OK" on the load warning sets the acknowledged state and closes the
    // window; the rise test of that tick does not look at the state again.
    Rig rig;
    rig.warning.closeAfterModal = true;
    rig.warning.onModal = [&] { rig.monitor.setExceedLimitState(true); };
    rig.showAt(60);
    rig.tickAt(96);
    EXPECT_EQ(rig.warning.modalCount, 2);
    EXPECT_EQ(rig.warning.maxModalDepth, 1);  // one after the other
    EXPECT_EQ(rig.warning.text(), kRiseMsg);
    // From now on the state keeps both warnings quiet.
    rig.tickAt(99);
    EXPECT_EQ(rig.warning.modalCount, 2);
}

TEST(MonitorWarning, AcknowledgedStateSilencesUntilBackWithinBothLimits) {
    Rig rig;
    rig.showAt(50);
    rig.monitor.setExceedLimitState(true);
    EXPECT_EQ((rig.fig().exceedLimitState ? kRed : kBlue), kRed);

    rig.tickAt(90);  // within the load limit, but a rise of 40: kept, and quiet
    EXPECT_EQ(riseGauge(rig.fig().riseSincePrior), 40);
    EXPECT_TRUE(rig.fig().exceedLimitState);
    rig.tickAt(99);  // over the load limit: kept, and quiet
    EXPECT_TRUE(rig.fig().exceedLimitState);
    EXPECT_EQ(rig.warning.modalCount, 0);
    EXPECT_TRUE(rig.warning.colors.empty());
    EXPECT_TRUE(rig.warning.messages.isEmpty());
    EXPECT_TRUE(rig.platform.sounds.isEmpty());

    // The use boxes do not matter for the clearing.
    rig.options.useLoadLimit = false;
    rig.options.useRiseLimit = false;
    rig.tickAt(96);  // still over the load limit: kept
    EXPECT_TRUE(rig.fig().exceedLimitState);
    rig.tickAt(95);  // load at the limit, no rise
    EXPECT_FALSE(rig.fig().exceedLimitState);
    EXPECT_EQ((rig.fig().exceedLimitState ? kRed : kBlue), kBlue);
    EXPECT_EQ(rig.warning.modalCount, 0);

    // Cleared, the warnings come back.
    rig.options.useLoadLimit = true;
    rig.tickAt(97);
    EXPECT_EQ(rig.warning.modalCount, 1);
}

// --- rest reminder ---------------------------------------------------------

TEST(MonitorRest, ReminderTakesPrecedenceOverLimitWarnings) {
    Rig rig;
    rig.showAt(50);
    RestAlarm& a = rig.restAlarm;
    a.setAlarmOn(true);
    a.setRestInterval(5);
    a.setPassedMinutes(5);  // equal: not yet
    rig.tickAt(50);
    EXPECT_EQ(rig.warning.modelessCount, 0);

    a.setPassedMinutes(6);
    rig.tickAt(99);  // both limits passed as well
    EXPECT_EQ(a.passedMinutes(), 0);
    EXPECT_EQ(rig.warning.modelessCount, 1);
    EXPECT_EQ(rig.warning.modalCount, 0);
    EXPECT_EQ(rig.warning.messages, QStringList{kRestMsg});
    EXPECT_EQ(rig.warning.panel(), kBlue);  // red design colour: not blue, so blue
    EXPECT_EQ(rig.soundNames(), QStringList{QStringLiteral("alarm.wav")});
    EXPECT_EQ(figureTexts(rig.fig()).used, QStringLiteral("99%"));  // the figures were updated first

    // The next tick runs the limit warnings.
    rig.tickAt(99);
    EXPECT_EQ(rig.warning.modelessCount, 1);
    EXPECT_EQ(rig.warning.text(), kRiseMsg);
    EXPECT_EQ(countOf(rig.soundNames(), "dingdong.wav"), 2);
    EXPECT_EQ(countOf(rig.soundNames(), "alarm.wav"), 1);
}

TEST(MonitorRest, ReminderOverAShownWindowBlinksBlueBlackWithoutSound) {
    Rig rig;
    rig.showAt(50);
    RestAlarm& a = rig.restAlarm;
    a.setAlarmOn(true);
    a.setRestInterval(1);
    rig.warning.setShown(true);
    rig.warning.setPanel(kBlue);
    a.setPassedMinutes(2);
    rig.tickAt(50);
    EXPECT_EQ(rig.warning.panel(), kBlack);
    EXPECT_EQ(rig.warning.text(), kRestMsg);
    EXPECT_TRUE(rig.platform.sounds.isEmpty());
    a.setPassedMinutes(2);
    rig.tickAt(50);
    EXPECT_EQ(rig.warning.panel(), kBlue);
    EXPECT_TRUE(rig.platform.sounds.isEmpty());
    EXPECT_EQ(rig.warning.modalCount, 0);

    // With the switch off the counter means nothing.
    a.setAlarmOn(false);
    a.setPassedMinutes(50);
    rig.tickAt(50);
    EXPECT_EQ(a.passedMinutes(), 50);
    EXPECT_EQ(rig.warning.panel(), kBlue);
}

TEST(MonitorSound, UseSoundOffSilencesEveryCue) {
    Rig rig;
    rig.options.useSound = false;
    rig.showAt(60);
    rig.ctl->formActivate();
    rig.tickAt(99);  // load and rise warnings
    RestAlarm& a = rig.restAlarm;
    a.setAlarmOn(true);
    a.setRestInterval(0);
    a.setPassedMinutes(1);
    rig.warning.setShown(false);
    rig.tickAt(99);  // rest reminder with the window closed
    EXPECT_EQ(rig.warning.modalCount, 1);
    EXPECT_EQ(rig.warning.modelessCount, 1);
    EXPECT_TRUE(rig.platform.sounds.isEmpty());
}

// --- re-entrancy ----------------------------------------------------------

TEST(MonitorReentrancy, NestedTicksUpdateFiguresButOpenNoSecondWindow) {
    Rig rig;
    rig.options.useRiseLimit = false;
    rig.settings.historyOn = true;
    rig.showAt(90);
    rig.warning.closeAfterModal = true;
    QStringList nestedLabels;
    std::vector<QColor> nestedColors;
    rig.warning.onModal = [&] {
        // Ticks keep coming while the modal window waits for "OK".
        for (int load : {97, 98, 80, 99}) {
            rig.platform.loads = {load};
            EXPECT_TRUE(rig.monitorTimer().fire());
            nestedLabels << figureTexts(rig.fig()).used;
            nestedColors.push_back(rig.warning.panel());
        }
    };
    rig.tickAt(96);
    EXPECT_EQ(rig.warning.modalCount, 1);
    EXPECT_EQ(rig.warning.maxModalDepth, 1);
    EXPECT_EQ(nestedLabels, (QStringList{"97%", "98%", "80%", "99%"}));
    // Blue from the outer tick, then a toggle for every nested tick over the limit.
    EXPECT_EQ(nestedColors, (std::vector<QColor>{kRed, kBlue, kBlue, kRed}));
    EXPECT_EQ(countOf(rig.soundNames(), "dingdong.wav"), 4);
    EXPECT_EQ(rig.history.count(), 5);  // 90, 96, 97, 98, 80
    EXPECT_EQ(rig.fig().nowLoad, 99);
    EXPECT_EQ(rig.monitorTimer().interval(), 1000);
    EXPECT_FALSE(rig.warning.shown());

    // Once closed, the next tick over the limit opens it again.
    rig.warning.onModal = nullptr;
    rig.tickAt(99);
    EXPECT_EQ(rig.warning.modalCount, 2);
}

TEST(MonitorReentrancy, RiseTestAfterTheModalWaitSeesTheNestedFigures) {
    Rig rig;
    rig.showAt(60);
    rig.warning.closeAfterModal = true;
    rig.warning.onModal = [&] {
        if (rig.warning.modalCount > 1) return;
        // A nested tick at an unchanged load: the rise since the prior level stays.
        rig.platform.loads = {96};
        rig.monitorTimer().fire();
        // Another where the load falls back: the needle drops to 0.
        rig.platform.loads = {70};
        rig.monitorTimer().fire();
    };
    rig.tickAt(96);
    EXPECT_EQ(riseGauge(rig.fig().riseSincePrior), 0);
    // The outer tick's rise test ran on the needle as it is now: no warning
    // beyond the outer load warning and the two of the first nested tick.
    EXPECT_EQ(rig.warning.modalCount, 1);
    EXPECT_EQ(rig.warning.messages, (QStringList{kLoadMsg, kLoadMsg, kRiseMsg}));
}
