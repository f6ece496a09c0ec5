// Acting on an application from "What grew", in the whole program on the
// fakes: the buttons under the table follow the selected row, Pause,
// Resume, Close, End (after its question) and End now reach the roles, the
// row shows what is being done, and a protected row offers nothing and
// says why.
#include "app_harness.h"

#include "act/application_actions.h"
#include "act/protected_list.h"
#include "grow/grow_window.h"
#include "grow/growth_model.h"

#include <QMenu>
#include <QTableView>
#include <QToolButton>

namespace ostra::testing {
namespace {

const QByteArray kPlainCgroup = "0::/user.slice/user-1000.slice/session-2.scope\n";
const QByteArray kEditorCgroup =
    "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-editor-42.scope\n";

ProcessScan desktop() {
    ProcessScan s;
    s.processes.push_back({200, kPlainCgroup, "hog", {}, std::int64_t(512) << 20, {}, 5000});
    s.processes.push_back({201, kPlainCgroup, "hog", {}, std::int64_t(10) << 20, {}, 5001});
    s.processes.push_back({300, kEditorCgroup, "editor", {}, std::int64_t(90) << 20, {}, 6000});
    s.processes.push_back({1000, kPlainCgroup, "ostra", {}, std::int64_t(20) << 20, {}, 10});
    return s;
}

int rowOf(const QTableView& t, const char* name) {
    for (int r = 0; r < t.model()->rowCount(); ++r)
        if (t.model()->index(r, 0).data().toString() == QLatin1String(name)) return r;
    return -1;
}

QString stateOf(const QTableView& t, const char* name) {
    return t.model()->index(rowOf(t, name), grow::GrowthModel::State).data().toString();
}

struct Buttons {
    QToolButton *pause, *resume, *close, *end, *endNow;
    QString enabled() const {
        QStringList on;
        for (QToolButton* b : {pause, resume, close, end, endNow})
            if (b->isEnabled()) on << b->text();
        return on.join(QLatin1Char(','));
    }
};

TEST(GrowActing, ButtonsFollowTheRowAndReachTheRolesProtectedRowsSayWhy) {
    AppHarness h([](FakePlatform& fp, const QString&) {
        fp.processMemory.set(ProcessScan{});
        fp.processControl.add(200, 5000, "hog");
        fp.processControl.add(201, 5001, "hog");
        fp.processControl.add(300, 6000, "editor");
        fp.processControl.add(1000, 10, "ostra");
        fp.processControl.endsOnTerm = false;  // it lingers after End
        fp.appWindows.windowed << 201;
    });
    h.start();
    grow::GrowWatch& watch = h.app->growWatch();
    watch.waitForScans();
    h.fp.processMemory.set(desktop());
    h.app->actions().whatGrew.trigger();
    grow::GrowWindow& w = h.app->growWindow();
    watch.waitForScans();
    QTableView& t = w.table();
    ASSERT_GE(rowOf(t, "hog"), 0);
    EXPECT_EQ(t.model()->headerData(grow::GrowthModel::State, Qt::Horizontal).toString(), QStringLiteral("State"));

    // The buttons, in their order, reachable by their names.
    const Buttons b{AppHarness::child<QToolButton>(w, "PauseButton"), AppHarness::child<QToolButton>(w, "ResumeButton"),
                    AppHarness::child<QToolButton>(w, "CloseButton"), AppHarness::child<QToolButton>(w, "EndButton"),
                    AppHarness::child<QToolButton>(w, "EndNowButton")};
    EXPECT_EQ(b.pause->accessibleName(), QStringLiteral("Pause"));
    EXPECT_LT(b.pause->x(), b.resume->x());
    EXPECT_LT(b.resume->x(), b.close->x());
    EXPECT_LT(b.close->x(), b.end->x());
    EXPECT_EQ(b.enabled(), QString()) << "nothing selected";
    EXPECT_FALSE(b.endNow->isVisible());
    QStringList menu;
    for (QAction* a : t.actions()) menu << a->text();
    EXPECT_EQ(menu, (QStringList{"Pause", "Resume", "Close", "End", "End now"}));
    EXPECT_EQ(t.contextMenuPolicy(), Qt::ActionsContextMenu);

    // hog: two processes, a window, no unit.
    t.selectRow(rowOf(t, "hog"));
    EXPECT_EQ(b.enabled(), QStringLiteral("Pause,Close,End"));
    QTest::mouseClick(b.pause, Qt::LeftButton);
    EXPECT_EQ(h.fp.processControl.log, (QStringList{"STOP 200", "STOP 201"}));
    EXPECT_EQ(stateOf(t, "hog"), QStringLiteral("paused"));
    EXPECT_EQ(b.enabled(), QStringLiteral("Resume,Close,End"));
    // A refresh keeps the state.
    w.refreshAction().trigger();
    watch.waitForScans();
    EXPECT_EQ(stateOf(t, "hog"), QStringLiteral("paused"));
    w.resumeAction().trigger();  // as the context menu does
    EXPECT_EQ(h.fp.processControl.log.mid(2), (QStringList{"CONT 200", "CONT 201"}));
    EXPECT_EQ(stateOf(t, "hog"), QString());
    w.closeAction().trigger();
    EXPECT_EQ(h.fp.appWindows.closed, (QList<int>{201}));

    // End asks first, naming it, its memory and its processes; Cancel does
    // nothing.
    h.fp.processControl.log.clear();
    h.fp.fakeDialogs.answers = {Answer::No};
    QTest::mouseClick(b.end, Qt::LeftButton);
    ASSERT_FALSE(h.fp.fakeDialogs.shown.empty());
    EXPECT_EQ(h.fp.fakeDialogs.shown.back().kind, QStringLiteral("ask"));
    EXPECT_EQ(h.fp.fakeDialogs.shown.back().text,
              QStringLiteral("End hog? It holds 522.0 MiB in 2 processes. Whatever it has not saved is lost.|End|Cancel"));
    EXPECT_TRUE(h.fp.processControl.log.isEmpty());
    h.fp.fakeDialogs.answers = {Answer::Yes};
    QTest::mouseClick(b.end, Qt::LeftButton);
    EXPECT_EQ(h.fp.processControl.log, (QStringList{"TERM 200", "CONT 200", "TERM 201", "CONT 201"}));
    EXPECT_EQ(stateOf(t, "hog"), QStringLiteral("ending"));
    // Still running 10 s later: "End now", after the same question.
    FakeTimer* followUp = nullptr;
    for (FakeTimer* timer : h.fp.timers)
        if (timer->interval() == act::ApplicationActions::kFollowUpMs) followUp = timer;
    ASSERT_NE(followUp, nullptr);
    followUp->fire();
    EXPECT_EQ(stateOf(t, "hog"), QStringLiteral("still running"));
    EXPECT_TRUE(b.endNow->isEnabled());
    EXPECT_FALSE(b.endNow->isHidden());
    h.fp.processControl.log.clear();
    h.fp.fakeDialogs.answers = {Answer::Yes};
    QTest::mouseClick(b.endNow, Qt::LeftButton);
    EXPECT_TRUE(h.fp.fakeDialogs.shown.back().text.startsWith(QStringLiteral("End hog now")));
    EXPECT_EQ(h.fp.processControl.log, (QStringList{"KILL 200", "KILL 201"}));

    // editor runs in its own unit: frozen by the user manager; one that
    // refuses falls back to signals and says so.
    h.fp.userUnits.results.insert(QStringLiteral("FreezeUnit"), UnitResult{UnitOutcome::Refused, {}});
    t.selectRow(rowOf(t, "editor"));
    EXPECT_EQ(b.enabled(), QStringLiteral("Pause,End"));
    h.fp.processControl.log.clear();
    QTest::mouseClick(b.pause, Qt::LeftButton);
    EXPECT_TRUE(h.fp.userUnits.calls.contains(QStringLiteral("FreezeUnit app-gnome-editor-42.scope")));
    EXPECT_EQ(h.fp.processControl.log, (QStringList{"STOP 300"}));
    EXPECT_EQ(stateOf(t, "editor"), QStringLiteral("paused with signals"));
    EXPECT_EQ(t.model()->index(rowOf(t, "editor"), grow::GrowthModel::State).data(Qt::ToolTipRole).toString(),
              QString::fromLatin1(act::kRefusedNote));

    // Ostra itself: every button disabled, the tool tip says why.
    t.selectRow(rowOf(t, "ostra"));
    EXPECT_EQ(b.enabled(), QString());
    EXPECT_EQ(b.pause->toolTip(), QString::fromLatin1(act::kOwnReason));
    EXPECT_EQ(b.end->toolTip(), QString::fromLatin1(act::kOwnReason));
    w.pauseAction().trigger();
    EXPECT_EQ(h.fp.processControl.log, (QStringList{"STOP 300"})) << "nothing reached Ostra";

    // Nothing stays paused past the end.
    h.app->mainWindow().close();
    EXPECT_TRUE(h.fp.processControl.log.contains(QStringLiteral("CONT 300")));
}

// The table's row is acted on as its scan saw it: a PID that another
// program got between the scan and the click receives nothing. Refreshing
// the table does not ask the session bus again.
TEST(GrowActing, APidReusedSinceTheScanIsNeverSignalled) {
    AppHarness h([](FakePlatform& fp, const QString&) {
        fp.processMemory.set(ProcessScan{});
        fp.processControl.add(200, 5000, "hog");
        fp.processControl.add(201, 5001, "hog");
    });
    h.start();
    grow::GrowWatch& watch = h.app->growWatch();
    watch.waitForScans();
    h.fp.processMemory.set(desktop());
    h.app->actions().whatGrew.trigger();
    watch.waitForScans();
    grow::GrowWindow& w = h.app->growWindow();
    QTableView& t = w.table();
    t.selectRow(rowOf(t, "hog"));
    // The table's refreshes never ask the session bus (it may hang).
    QTest::qWait(100);  // the first look at the desktop's programs, in the background
    const int asked = h.fp.desktopPeers.asked;
    EXPECT_GE(asked, 1);
    for (int i = 0; i < 3; ++i) {
        w.refreshAction().trigger();
        watch.waitForScans();
    }
    EXPECT_EQ(h.fp.desktopPeers.asked, asked);

    h.fp.processControl.table.erase(201);
    h.fp.processControl.add(201, 7000, "newcomer");
    QTest::mouseClick(AppHarness::child<QToolButton>(w, "PauseButton"), Qt::LeftButton);
    EXPECT_EQ(h.fp.processControl.log, (QStringList{"STOP 200"}));
    EXPECT_EQ(h.fp.processControl.table[201].state, 'S');
}

}  // namespace
}  // namespace ostra::testing

namespace ostra::testing {
namespace {

// The warning's notification offers "Pause <Name>" for the application that
// grew most when it may be paused, and the choice pauses it; never for a
// protected one.
TEST(GrowActing, NotificationOffersToPauseWhatGrewMost) {
    AppHarness h([](FakePlatform& fp, const QString&) {
        fp.processMemory.set(ProcessScan{});
        fp.processControl.add(200, 5000, "hog");
        fp.processControl.add(201, 5001, "hog");
        fp.processControl.add(300, 6000, "editor");
        fp.processControl.add(1000, 10, "ostra");
    });
    h.start();
    grow::GrowWatch& watch = h.app->growWatch();
    watch.waitForScans();
    h.fp.processMemory.set(desktop());
    watch.warningOpened(95);
    watch.waitForScans();
    ASSERT_FALSE(h.fp.notifier.sent.empty());
    EXPECT_EQ(h.fp.notifier.sent.back().action, QStringLiteral("What grew"));
    EXPECT_EQ(h.fp.notifier.sent.back().more, (QStringList{"Pause hog"}));
    ASSERT_EQ(h.fp.notifier.lastActions.size(), 2u);
    h.fp.notifier.lastActions[1]();
    EXPECT_EQ(h.fp.processControl.log, (QStringList{"STOP 200", "STOP 201"}));
    EXPECT_TRUE(h.app->applicationActions().isPaused(QStringLiteral("exe:hog")));

    // Ostra itself grew most: only "What grew".
    ProcessScan own;
    own.processes.push_back({1000, kPlainCgroup, "ostra", {}, std::int64_t(900) << 20, {}, 10});
    h.fp.processMemory.set(own);
    watch.warningOpened(96);
    watch.waitForScans();
    EXPECT_EQ(h.fp.notifier.sent.back().action, QStringLiteral("What grew"));
    EXPECT_TRUE(h.fp.notifier.sent.back().more.isEmpty());
}

}  // namespace
}  // namespace ostra::testing
