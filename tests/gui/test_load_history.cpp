// The window "Load history" offscreen: the plot's pixels for a known series
// (the load and pressure where they must be, a gap empty, the limit line,
// a standing warning shaded, a start point marked), what a screen reader is
// told, the hover text, and on the whole program: the menu entry at the end
// after a separator, Ctrl+H, the window made at first use, nothing painted
// while it is closed, a sample at each tick and the export.
#include "app_harness.h"

#include "app/actions.h"
#include "loadhistory/csv_export.h"
#include "loadhistory/load_history_plot.h"
#include "loadhistory/load_history_window.h"
#include "loadhistory/load_recorder.h"
#include "loadhistory/summary.h"
#include "monitor/warning_options.h"

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

using namespace ostra;
using namespace ostra::loadhistory;
using namespace ostra::testing;

namespace {

constexpr std::int64_t T0 = 1'800'000'000;

bool near(QColor a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 && std::abs(a.blue() - b.blue()) < 8;
}

// Paint events reaching a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

TEST(LoadHistoryPlot, DrawsAKnownSeriesWhereItMustBe) {
    // Ten minutes: load 20 % with pressure 60 % for the first four, no
    // samples for two, then 80 % with pressure unknown and a standing
    // warning; a start point at second 30.
    FakePlatform fp;
    fp.epoch = T0 + 599;
    LoadRecorder rec({fp, fp, fp, fp.fakeDialogs, QStringLiteral("/nonexistent/h")});
    LoadRing& ring = const_cast<LoadRing&>(rec.ring());
    for (int i = 0; i < 600; ++i) {
        if (i >= 240 && i < 360) continue;
        if (i < 240)
            ring.record(T0 + i, {20, 6000, i == 30 ? unsigned(StartPointSet) : 0u});
        else
            ring.record(T0 + i, {80, -1, unsigned(WarningOn)});
    }
    LoadHistoryPlot plot(ring);
    plot.resize(640, 260);
    plot.setSpan(T0, T0 + 599);
    plot.setLimit(70);
    const QImage img = plot.grab().toImage();
    const QRect a = plot.plotArea();
    const auto px = [&](int x, int y) { return img.pixelColor(x, y); };
    const auto colOf = [&](int second) { return a.left() + second * a.width() / 600; };

    for (int s : {60, 120, 200}) {
        const int x = colOf(s);
        EXPECT_TRUE(near(px(x, plot.yOf(20)), kLoadColour)) << s;
        EXPECT_TRUE(near(px(x, plot.yOf(60)), kPressureColour)) << s;
        EXPECT_TRUE(near(px(x, plot.yOf(80)), kPlotBackground)) << s;
    }
    for (int s : {400, 500, 590}) {
        const int x = colOf(s);
        EXPECT_TRUE(near(px(x, plot.yOf(80)), kLoadColour)) << s;
        EXPECT_TRUE(near(px(x, plot.yOf(20)), kWarningShade)) << s;  // shaded, no line
        // The dashes leave gaps of two pixels: one of three neighbours is red.
        EXPECT_TRUE(near(px(x - 1, plot.yOf(70)), kLimitColour) || near(px(x, plot.yOf(70)), kLimitColour) ||
                    near(px(x + 1, plot.yOf(70)), kLimitColour))
            << s;
    }
    // The gap: nothing but the background (and the dashed limit line).
    for (int s : {260, 300, 340}) {
        const int x = colOf(s);
        for (int y = a.top(); y <= a.bottom(); ++y) {
            const QColor c = px(x, y);
            ASSERT_FALSE(near(c, kLoadColour) || near(c, kPressureColour) || near(c, kWarningShade)) << s << " " << y;
        }
    }
    // The start point's mark at the top of its column.
    EXPECT_TRUE(near(px(colOf(30), a.top() + 2), kStartMark));
    EXPECT_FALSE(near(px(colOf(100), a.top() + 2), kStartMark));
    // Without a limit, no red line.
    plot.setLimit(std::nullopt);
    const QImage noLimit = plot.grab().toImage();
    for (int x = colOf(400); x < colOf(420); ++x) ASSERT_FALSE(near(noLimit.pixelColor(x, plot.yOf(70)), kLimitColour));
}

TEST(LoadHistoryWindow, TellsAScreenReaderAndThePointer) {
    FakePlatform fp;
    fp.epoch = T0 + 3599;
    LoadRecorder rec({fp, fp, fp, fp.fakeDialogs, QStringLiteral("/nonexistent/h")});
    // The pressure is read once in two seconds: 0.00 % .. 0.98 %.
    for (int i = 0; i < 100; ++i) {
        fp.epoch = T0 + 3500 + i;
        fp.pressures = {i};
        rec.record(30 + i % 20);
    }
    LoadHistoryWindow w(rec, [] { return std::optional<int>(); });
    w.resize(720, 340);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Load history"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&w.plot());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Load history"));
    EXPECT_EQ(iface->role(), QAccessible::Chart);
    EXPECT_EQ(iface->text(QAccessible::Description),
              QStringLiteral("Last hour: load lowest 30 %, highest 49 %, latest 49 %; memory pressure lowest 0.00 %, "
                             "highest 0.98 %, latest 0.98 %; 0 start points, 0 warnings."));
    // Another span, another summary.
    w.setSpan(0);
    EXPECT_TRUE(iface->text(QAccessible::Description).startsWith(QStringLiteral("Last 10 minutes: load lowest 30 %")));
    // Ten minutes over more columns than seconds: the line runs on through
    // the columns between two seconds.
    const QRect a = w.plot().plotArea();
    ASSERT_GT(a.width(), 600);
    const QImage img = w.plot().grab().toImage();
    for (int x = a.left() + (500 * a.width()) / 600 + 1; x < a.right() - 1; ++x) {
        bool line = false;
        for (int y = a.top(); y <= a.bottom() && !line; ++y) line = near(img.pixelColor(x, y), kLoadColour);
        ASSERT_TRUE(line) << "no load line in column " << x;
    }
    // Hovering the last column shows the newest sample.
    QTest::mouseMove(&w.plot(), QPoint(a.right(), a.center().y()));
    QApplication::processEvents();
    EXPECT_TRUE(w.pointerLabel().text().endsWith(QStringLiteral("load 49 %  memory pressure 0.98 %")))
        << w.pointerLabel().text().toStdString();
    // A new tick while shown: redrawn with it.
    fp.epoch = T0 + 3600;
    rec.record(77);
    EXPECT_TRUE(iface->text(QAccessible::Description).contains(QStringLiteral("latest 77 %")));
}

TEST(LoadHistoryApp, MenuEntryCtrlHFirstUseTicksNoPaintWhileClosedAndExport) {
    AppHarness h([](FakePlatform& fp, const QString&) {
        fp.epoch = T0;
        fp.pressures = {250};
    });
    h.start();
    QMenu& menu = h.app->popupMenu();
    const QList<QAction*> entries = menu.actions();
    // The last entry, in the group after "Exit Program" and its separator.
    const qsizetype exit = entries.indexOf(&h.app->actions().exitProgram);
    ASSERT_GE(exit, 0);
    ASSERT_GE(entries.size(), exit + 3);
    EXPECT_TRUE(entries[exit + 1]->isSeparator());
    EXPECT_EQ(entries.back(), &h.app->actions().loadHistory);
    EXPECT_EQ(entries.back()->text(), QStringLiteral("Load history..."));
    for (qsizetype i = exit + 2; i < entries.size(); ++i) EXPECT_FALSE(entries[i]->isSeparator());

    // Ticks record samples whether or not the window exists.
    const auto tickAt = [&](int load) {
        h.fp.loads = {load};
        h.fp.epoch += 1;
        h.monitorTimer().fire();
    };
    tickAt(40);
    tickAt(40);
    EXPECT_EQ(h.app->loadRecorder().ring().at(h.fp.epoch)->load, 40);
    EXPECT_EQ(h.app->loadRecorder().ring().at(h.fp.epoch)->pressure, 250);
    const auto windows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<LoadHistoryWindow*>(w) != nullptr;
        return n;
    };
    EXPECT_EQ(windows(), 0);  // not made before its first use

    // Ctrl+H on the main window opens it.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.main()));
    QApplication::setActiveWindow(&h.main());
    QTest::keyClick(&h.main(), Qt::Key_H, Qt::ControlModifier);
    QApplication::processEvents();
    ASSERT_EQ(windows(), 1);
    LoadHistoryWindow& w = h.app->loadHistoryWindow();
    EXPECT_TRUE(w.isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(h.fp.sounds.last().endsWith(QStringLiteral("click.wav")));

    PaintCounter counter;
    w.plot().installEventFilter(&counter);
    tickAt(55);
    QApplication::processEvents();
    EXPECT_GT(counter.paints, 0);  // open: drawn at the tick
    EXPECT_TRUE(w.plot().accessibleDescription().contains(QStringLiteral("latest 55 %")));
    w.close();
    QApplication::processEvents();
    counter.paints = 0;
    const QString closedText = w.plot().accessibleDescription();
    for (int i = 0; i < 5; ++i) tickAt(60 + i);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);  // closed: nothing drawn
    EXPECT_EQ(w.plot().accessibleDescription(), closedText);
    EXPECT_EQ(h.app->loadRecorder().ring().at(h.fp.epoch)->load, 64);  // but still recorded

    // "Refresh Start Res" lands as an event in its second.
    h.fp.fakeDialogs.answers = {Answer::Yes};
    h.app->actions().refreshStart.trigger();
    EXPECT_EQ(h.app->loadRecorder().ring().at(h.fp.epoch)->events & StartPointSet, unsigned(StartPointSet));

    // Export through the save dialog: the span shown.
    w.show();
    w.setSpan(0);
    const QString out = h.dir.filePath(QStringLiteral("out.csv"));
    h.fp.fakeDialogs.fileAnswers.push_back(out);
    QTest::mouseClick(&w.exportButton(), Qt::LeftButton);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("time,load_percent,pressure_some_avg10,event\r\n"));
    // The program's start, a start point of its own second, then the ticks.
    EXPECT_EQ(text.count("\r\n"), 1 + 9);
    EXPECT_TRUE(text.contains(",50,2.50,start point\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains(",64,2.50,start point\r\n")) << text.toStdString();
    EXPECT_EQ(h.fp.fakeDialogs.shown.back().kind, QStringLiteral("save"));
}
