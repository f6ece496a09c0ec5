// What grew since the start point in the whole program on the fakes: its
// two popup entries at the end of the menu, Ctrl+G, the snapshot at each
// fresh start point, the window's table and texts, and the notification
// once per opening of a limit warning, kept off through "tevo.ini".
#include "app_harness.h"

#include "grow/grow_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>

namespace ostra::testing {
namespace {

ProcessScan scanOf(std::initializer_list<std::pair<const char*, int>> exeMiB) {
    ProcessScan s;
    int pid = 100;
    for (const auto& [exe, mib] : exeMiB) {
        s.processes.push_back({pid, "0::/\n", exe, exe, std::int64_t(mib) << 20, {}, std::uint64_t(pid) * 100});
        ++pid;
    }
    s.unreadable = 4;
    return s;
}

TEST(GrowApp, MenuEntriesAtTheEndCtrlGAndTheWindowAfterEachFreshStartPoint) {
    AppHarness h([](FakePlatform& fp, const QString&) { fp.processMemory.set(scanOf({{"editor", 100}})); });
    h.fp.now = {9, 30, 5};
    h.start();
    grow::GrowWatch& watch = h.app->growWatch();
    watch.waitForScans();
    EXPECT_EQ(h.fp.processMemory.scans, 1) << "the showing sets the start point afresh";

    // The menu (popup and tray): after "Exit Program", a separator and the
    // two entries, in the last group of the menu.
    const QList<QAction*> entries = h.app->popupMenu().actions();
    const qsizetype exit = entries.indexOf(&h.app->actions().exitProgram);
    ASSERT_GE(exit, 0);
    ASSERT_GE(entries.size(), exit + 4);
    EXPECT_TRUE(entries[exit + 1]->isSeparator());
    EXPECT_EQ(entries[exit + 2], &h.app->actions().whatGrew);
    EXPECT_EQ(entries[exit + 3], &h.app->actions().notifyGrowth);
    for (qsizetype i = exit + 2; i < entries.size(); ++i) EXPECT_FALSE(entries[i]->isSeparator());
    EXPECT_EQ(h.app->actions().whatGrew.text(), QStringLiteral("What grew since the start point..."));
    EXPECT_EQ(h.app->actions().notifyGrowth.text(), QStringLiteral("Name what grew in a notification"));
    EXPECT_TRUE(h.app->actions().notifyGrowth.isCheckable());
    EXPECT_TRUE(h.app->actions().notifyGrowth.isChecked()) << "on by default";
    // Ctrl+G on the main window.
    EXPECT_TRUE(h.main().actions().contains(&h.app->actions().whatGrew));
    EXPECT_EQ(h.app->actions().whatGrew.shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));

    // The load rises and a program grows: the window shows it first.
    h.fp.processMemory.set(scanOf({{"editor", 130}, {"hog", 1024 + 512}}));
    h.app->actions().whatGrew.trigger();
    grow::GrowWindow& w = h.app->growWindow();
    ASSERT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("What grew since the start point"));
    watch.waitForScans();
    QAbstractItemModel& t = *w.table().model();
    QStringList heads;
    for (int c = 0; c < t.columnCount(); ++c) heads << t.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(heads, (QStringList{"Application", "At the start point", "Now", "Growth", "Processes", "State"}));
    ASSERT_EQ(t.rowCount(), 2);
    QStringList first;
    for (int c = 0; c < t.columnCount(); ++c) first << t.index(0, c).data().toString();
    EXPECT_EQ(first, (QStringList{"hog", "0.0 MiB", "1.5 GiB", "+1.5 GiB", "1", ""}));
    EXPECT_EQ(t.index(1, 3).data().toString(), QStringLiteral("+30.0 MiB"));
    const QString load = QString::number(h.app->monitor().figures().startLoad);
    EXPECT_EQ(AppHarness::child<QLabel>(w, "StartPointText")->text(),
              QStringLiteral("Start point: 09:30:05, load %1%").arg(load));
    EXPECT_EQ(AppHarness::child<QLabel>(w, "UnreadableText")->text(),
              QStringLiteral("4 processes of other users or hidden"));

    // "Refresh Start Res" answered Yes: a new snapshot; No and "Move to the
    // start point": none.
    int scans = h.fp.processMemory.scans;
    h.fp.fakeDialogs.answers = {Answer::No};
    h.app->actions().refreshStart.trigger();
    watch.waitForScans();
    EXPECT_EQ(h.fp.processMemory.scans, scans);
    h.fp.fakeDialogs.answers = {Answer::Yes};
    h.app->actions().refreshStart.trigger();
    watch.waitForScans();
    EXPECT_EQ(h.fp.processMemory.scans, scans + 1);
    EXPECT_EQ(t.index(0, 3).data().toString(), QStringLiteral("0.0 MiB")) << "nothing grew since the new start point";
    w.close();
    EXPECT_FALSE(w.isVisible());
}

// Rise warning off: a load over the limit opens the load-limit warning once.
AppHarness* overLimit(bool notifyOff) {
    return new AppHarness([notifyOff](FakePlatform& fp, const QString& dir) {
        fp.setIni(dir, "x", "checkbox2", QStringLiteral("0"));
        if (notifyOff) fp.setIni(dir, "grow", "Notify", QStringLiteral("0"));
        fp.processMemory.set(scanOf({{"editor", 100}}));
    });
}

// Runs ticks over the limit; inside the warning's modal wait, `ticks` more
// before "OK". Returns how many times the warning opened.
int warnOnce(AppHarness& h, int ticks) {
    int opened = 0;
    QTimer driver;
    driver.setInterval(5);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* m = QApplication::activeModalWidget();
        if (!m) return;
        ++opened;
        h.app->growWatch().waitForScans();
        for (int i = 0; i < ticks; ++i) h.monitorTimer().fire();
        h.app->growWatch().waitForScans();
        clickButton(AppHarness::child<QAbstractButton>(*m, "BitBtn1"));
    });
    driver.start();
    h.monitorTimer().fire();
    driver.stop();
    h.app->growWatch().waitForScans();
    return opened;
}

// Back under the limit (the acknowledged state ends), then over it again.
int warnAgain(AppHarness& h) {
    h.fp.loads = {50};
    h.monitorTimer().fire();
    h.fp.loads = {99};
    return warnOnce(h, 1);
}

TEST(GrowApp, OneNotificationPerWarningOpeningNamingWhatGrewAndNoneWhenOff) {
    std::unique_ptr<AppHarness> h(overLimit(false));
    h->start();
    h->app->growWatch().waitForScans();
    h->fp.processMemory.set(scanOf({{"editor", 300}, {"hog", 1024}, {"a", 1}, {"b", 2}, {"c", 63}}));
    h->fp.loads = {99};
    ASSERT_EQ(warnOnce(*h, 3), 1);
    ASSERT_EQ(h->fp.notifier.sent.size(), 1u) << "once per opening, not at the ticks while it is open";
    EXPECT_EQ(h->fp.notifier.sent[0].summary, QStringLiteral("Memory load 99%"));
    EXPECT_EQ(h->fp.notifier.sent[0].body, QStringLiteral("hog +1.0 GiB, editor +200.0 MiB"))
        << "only what grew by 64 MiB or more";
    EXPECT_EQ(h->fp.notifier.sent[0].action, QStringLiteral("What grew"));
    // Its action opens the window.
    h->fp.notifier.lastChosen();
    EXPECT_TRUE(h->app->growWindow().isVisible());
    h->app->growWindow().close();

    // Acknowledged, back under the limit, over it again: a second opening,
    // a second notification.
    ASSERT_EQ(warnAgain(*h), 1);
    EXPECT_EQ(h->fp.notifier.sent.size(), 2u);

    // Turned off from the menu: kept in "tevo.ini", no notification.
    h->app->actions().notifyGrowth.trigger();
    EXPECT_EQ(h->fp.ini(h->dir.path(), "grow", "Notify"), QStringLiteral("0"));
    ASSERT_EQ(warnAgain(*h), 1);
    EXPECT_EQ(h->fp.notifier.sent.size(), 2u);
    h->app->actions().notifyGrowth.trigger();
    EXPECT_EQ(h->fp.ini(h->dir.path(), "grow", "Notify"), QStringLiteral("1"));

    // Off in the file at start: the entry unticked, no notification.
    std::unique_ptr<AppHarness> off(overLimit(true));
    EXPECT_FALSE(off->app->actions().notifyGrowth.isChecked());
    off->start();
    off->fp.loads = {99};
    ASSERT_EQ(warnOnce(*off, 1), 1);
    EXPECT_TRUE(off->fp.notifier.sent.empty());
}

}  // namespace
}  // namespace ostra::testing
