// The "What grew since the start point" window as its user meets it, in the
// whole program on the fakes: the selection, the current cell, the focus
// and the scroll position keep their application across refreshes that
// re-sort the table; a header click sorts (again: the other way), kept
// across refreshes; F5 refreshes at once; Ctrl+A and Ctrl+C; the footer;
// and the window stays usable beside the modal limit warning.
#include "app_harness.h"

#include "grow/grow_window.h"

#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>

namespace ostra::testing {
namespace {

// One process per application, its memory in MiB.
ProcessScan scanOf(const std::vector<std::pair<QByteArray, int>>& exeMiB) {
    ProcessScan s;
    int pid = 100;
    for (const auto& [exe, mib] : exeMiB) {
        s.processes.push_back({pid, "0::/\n", exe, exe, std::int64_t(mib) << 20, {}, std::uint64_t(pid) * 100});
        ++pid;
    }
    s.unreadable = 4;
    return s;
}

// app00 .. app39 of 100 .. 139 MiB, and those given.
ProcessScan machine(std::vector<std::pair<QByteArray, int>> more = {}) {
    std::vector<std::pair<QByteArray, int>> apps;
    for (int i = 0; i < 40; ++i) apps.push_back({"app" + QByteArray::number(i).rightJustified(2, '0'), 100 + i});
    for (auto& m : more) apps.push_back(std::move(m));
    return scanOf(apps);
}

QStringList column(const QTableView& t, int c) {
    QStringList out;
    for (int r = 0; r < t.model()->rowCount(); ++r) out << t.model()->index(r, c).data().toString();
    return out;
}

QString nameAt(const QTableView& t, int row) { return t.model()->index(row, 0).data().toString(); }

QStringList selectedNames(const QTableView& t) {
    QStringList out;
    for (const QModelIndex& i : t.selectionModel()->selectedRows()) out << nameAt(t, i.row());
    return out;
}

void clickHeader(QTableView& t, int section) {
    QHeaderView* h = t.horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(h->sectionViewportPosition(section) + 10, h->height() / 2));
}

QStringList sortedCaseless(QStringList names, bool descending) {
    std::sort(names.begin(), names.end(), [descending](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return descending ? c > 0 : c < 0;
    });
    return names;
}

TEST(GrowWindow, SelectionFocusAndScrollKeepTheirApplicationSortingF5CopyAndFooter) {
    AppHarness h([](FakePlatform& fp, const QString&) { fp.processMemory.set(machine()); });
    h.start();
    grow::GrowWatch& watch = h.app->growWatch();
    watch.waitForScans();
    // Two programs started after the start point: "hog" 30 MiB, "tool" 20 MiB.
    h.fp.processMemory.set(machine({{"hog", 30}, {"tool", 20}}));
    h.app->actions().whatGrew.trigger();
    grow::GrowWindow& w = h.app->growWindow();
    watch.waitForScans();
    auto* t = w.findChild<QTableView*>(QStringLiteral("GrowthTable"));
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->model()->rowCount(), 42);
    EXPECT_EQ(nameAt(*t, 0), QStringLiteral("hog")) << "largest growth first";
    EXPECT_EQ(nameAt(*t, 1), QStringLiteral("tool"));
    EXPECT_EQ(AppHarness::child<QLabel>(w, "UnreadableText")->text(),
              QStringLiteral("4 processes of other users or hidden"));

    // The user picks "tool"'s growth cell with the mouse, the table has the
    // focus, and the view is scrolled down a little.
    t->setFocus();
    QApplication::processEvents();
    const QModelIndex toolGrowth = t->model()->index(1, 3);
    QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, t->visualRect(toolGrowth).center());
    ASSERT_EQ(selectedNames(*t), QStringList{"tool"});
    t->verticalScrollBar()->setValue(1);
    const int scrolled = t->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    // F5: a scan at once, in which "tool" grew past "hog" and app07 past
    // both. The rows move; the selection, the current cell, the focus and
    // the scroll position stay with "tool".
    const int scans = h.fp.processMemory.scans;
    h.fp.processMemory.set(machine({{"hog", 30}, {"tool", 60}}));
    h.fp.processMemory.script.processes[7].bytes = std::int64_t(107 + 90) << 20;
    QTest::keyClick(t, Qt::Key_F5);
    watch.waitForScans();
    QApplication::processEvents();
    EXPECT_EQ(h.fp.processMemory.scans, scans + 1) << "F5 refreshes at once";
    EXPECT_EQ(column(*t, 0).mid(0, 3), (QStringList{"app07", "tool", "hog"}));
    EXPECT_EQ(selectedNames(*t), QStringList{"tool"});
    EXPECT_EQ(nameAt(*t, t->currentIndex().row()), QStringLiteral("tool"));
    EXPECT_EQ(t->currentIndex().column(), 3);
    EXPECT_EQ(t->currentIndex().data().toString(), QStringLiteral("+60.0 MiB"));
    EXPECT_TRUE(t->hasFocus());
    EXPECT_EQ(t->verticalScrollBar()->value(), scrolled);

    // A click on "Application" sorts by name, a second one the other way;
    // a refresh keeps it.
    clickHeader(*t, 0);
    EXPECT_EQ(column(*t, 0), sortedCaseless(column(*t, 0), false));
    clickHeader(*t, 0);
    const QStringList descending = sortedCaseless(column(*t, 0), true);
    EXPECT_EQ(column(*t, 0), descending);
    h.fp.processMemory.set(machine({{"hog", 35}, {"tool", 61}}));
    QTest::keyClick(t, Qt::Key_F5);
    watch.waitForScans();
    EXPECT_EQ(column(*t, 0), descending) << "the order chosen is kept across refreshes";
    EXPECT_EQ(selectedNames(*t), QStringList{"tool"});
    // "Processes" from the most: everything has one process; ties by growth.
    clickHeader(*t, 4);
    EXPECT_EQ(nameAt(*t, 0), QStringLiteral("tool"));
    EXPECT_EQ(nameAt(*t, 1), QStringLiteral("hog"));

    // "tool" ends: it leaves the list (it was not there at the start
    // point), and the selection with it.
    h.fp.processMemory.set(machine({{"hog", 35}}));
    QTest::keyClick(t, Qt::Key_F5);
    watch.waitForScans();
    EXPECT_FALSE(column(*t, 0).contains(QStringLiteral("tool")));
    EXPECT_TRUE(selectedNames(*t).isEmpty()) << selectedNames(*t).join(QLatin1Char(',')).toStdString();

    // Ctrl+A selects every row; Ctrl+C copies them, header first, as
    // tab-separated lines in the table's order.
    QTest::keyClick(t, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(t->selectionModel()->selectedRows().size(), 41);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(t, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 43) << "header, 41 rows, and the end of the last line";
    EXPECT_EQ(lines[0], QStringLiteral("Application\tAt the start point\tNow\tGrowth\tProcesses"));
    QStringList first;
    for (int c = 0; c < 5; ++c) first << t->model()->index(0, c).data().toString();
    EXPECT_EQ(lines[1], first.join(QLatin1Char('\t')));
    EXPECT_EQ(lines[42], QString());
    // Only the rows selected.
    QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, t->visualRect(t->model()->index(0, 0)).center());
    QTest::keyClick(t, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), lines[0] + QLatin1Char('\n') + lines[1] + QLatin1Char('\n'));
    w.close();
}

// Rise warning off: a load over the limit opens the load-limit warning.
TEST(GrowWindow, UsableBesideTheModalWarningThatKeepsWorking) {
    AppHarness h([](FakePlatform& fp, const QString& dir) {
        fp.setIni(dir, "x", "checkbox2", QStringLiteral("0"));
        fp.processMemory.set(machine());
    });
    h.start();
    h.app->growWatch().waitForScans();
    h.fp.processMemory.set(machine({{"hog", 1024}}));
    h.fp.loads = {99};
    bool checked = false;
    QTimer driver;
    driver.setInterval(5);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* warning = QApplication::activeModalWidget();
        if (!warning || checked) return;
        checked = true;
        h.app->growWatch().waitForScans();
        ASSERT_EQ(h.fp.notifier.sent.size(), 1u);
        // The notification's action: the window opens beside the warning.
        h.fp.notifier.lastChosen();
        grow::GrowWindow& w = h.app->growWindow();
        QApplication::processEvents();
        ASSERT_TRUE(w.isVisible());
        EXPECT_FALSE(w.frameGeometry().intersects(warning->frameGeometry()))
            << "the window covers the warning's buttons";
        // Keys and clicks reach it through the window system, as a user's do.
        auto* t = w.findChild<QTableView*>(QStringLiteral("GrowthTable"));
        ASSERT_NE(t, nullptr);
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          t->viewport()->mapTo(&w, t->visualRect(t->model()->index(2, 0)).center()));
        EXPECT_EQ(selectedNames(*t), QStringList{nameAt(*t, 2)}) << "a click through the window system";
        QTest::keyClick(w.windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible()) << "Escape through the window system closes it";
        // Opened again from the menu's entry while the warning stays open.
        h.app->actions().whatGrew.trigger();
        QApplication::processEvents();
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.frameGeometry().intersects(warning->frameGeometry()));
        // The warning still takes its "OK".
        clickButton(AppHarness::child<QAbstractButton>(*warning, "BitBtn1"));
    });
    driver.start();
    h.monitorTimer().fire();
    driver.stop();
    EXPECT_TRUE(checked) << "the warning did not open";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the warning's OK closed it";
    EXPECT_TRUE(h.app->monitor().figures().exceedLimitState);
    h.app->growWindow().close();
}

}  // namespace
}  // namespace ostra::testing
