// The window "Load history" as its user meets it, offscreen: the picture
// (no column without its second over 600 px, the scales, the time axis,
// the legend in the plot's colours), the read-out with the date kept
// current as the plot moves, the keyboard's cursor and what a screen
// reader meets, the span and size kept across runs, and a failed export
// told with the file and the reason.
#include "app_harness.h"

#include "loadhistory/csv_export.h"
#include "loadhistory/load_history_plot.h"
#include "loadhistory/load_history_window.h"
#include "loadhistory/load_recorder.h"
#include "settings/settings_file.h"

#include <QAccessible>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using namespace ostra;
using namespace ostra::loadhistory;
using namespace ostra::testing;

namespace {

constexpr std::int64_t T0 = 1'800'000'000;

bool near(QColor a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 && std::abs(a.blue() - b.blue()) < 8;
}

bool dark(QColor c) { return c.lightness() < 100; }

}  // namespace

TEST(LoadHistoryPicture, NoHolesScalesAxisAndLegend) {
    // Ten minutes, a sample every second, a warning standing throughout,
    // the pressure at 3 %.
    LoadRing ring;
    for (int i = 0; i < 600; ++i) ring.record(T0 + i, {40 + (i / 60) % 2 * 10, 300, unsigned(WarningOn)});
    LoadHistoryPlot plot(ring);
    plot.resize(1100, 300);
    plot.setSpan(T0, T0 + 599);
    const QRect a = plot.plotArea();
    ASSERT_GT(a.width(), 600);
    const QImage img = plot.grab().toImage();
    // Every column shaded, none black; the load in every column.
    const int mid = plot.yOf(90);
    for (int x = a.left(); x <= a.right(); ++x) {
        ASSERT_TRUE(near(img.pixelColor(x, mid), kWarningShade)) << "column " << x - a.left() << " not shaded";
        bool load = false;
        for (int y = plot.yOf(55); y <= plot.yOf(35) && !load; ++y) load = near(img.pixelColor(x, y), kLoadColour);
        ASSERT_TRUE(load) << "no load in column " << x - a.left();
    }
    // The pressure on its own scale: 3 % on 0-10 %, at the row of 30 on
    // the load's scale; the right-hand scale ends at "10 %".
    EXPECT_EQ(plot.pressureTop(), 10);
    EXPECT_TRUE(near(img.pixelColor(a.left() + 100, plot.yOf(30)), kPressureColour));
    EXPECT_EQ(pressureScaleTop(0), 10);
    EXPECT_EQ(pressureScaleTop(1001), 25);
    EXPECT_EQ(pressureScaleTop(2500), 25);
    EXPECT_EQ(pressureScaleTop(4999), 50);
    EXPECT_EQ(pressureScaleTop(5001), 100);
    // "100 %" whole: ink above its row, none on the widget's first row.
    bool inkAbove = false;
    for (int x = 0; x < a.left() - 2; ++x) {
        ASSERT_FALSE(dark(img.pixelColor(x, 0))) << "the top label is cut at x " << x;
        for (int y = 0; y < plot.yOf(100); ++y) inkAbove = inkAbove || dark(img.pixelColor(x, y));
    }
    EXPECT_TRUE(inkAbove);

    // The time axis: round times for each span, the date from 6 hours on.
    EXPECT_EQ(tickStepSeconds(600), 120);
    EXPECT_EQ(tickStepSeconds(3600), 600);
    EXPECT_EQ(tickStepSeconds(6 * 3600), 3600);
    EXPECT_EQ(tickStepSeconds(24 * 3600), 3 * 3600);
    const auto roundIn = [](std::int64_t t, int step) {
        return (t + QDateTime::fromSecsSinceEpoch(t).offsetFromUtc()) % step == 0;
    };
    for (const auto& [seconds, step] : {std::pair{600, 120}, {3600, 600}, {21600, 3600}, {86400, 10800}}) {
        plot.setSpan(T0 + 600 - seconds, T0 + 599);
        const std::vector<std::int64_t> marks = ticks(plot.from(), plot.to(), step);
        ASSERT_GE(marks.size(), 4u) << seconds;
        for (std::int64_t t : marks) EXPECT_TRUE(roundIn(t, step)) << seconds << " " << t;
        const auto labels = plot.axisLabels();
        ASSERT_GE(labels.size(), 4u) << seconds;
        bool dated = false;
        for (const auto& l : labels) {
            EXPECT_EQ(l.time.size(), 5) << l.time.toStdString();
            dated = dated || !l.date.isEmpty();
        }
        EXPECT_EQ(dated, seconds >= 21600) << seconds;
        // The tick under its label, painted below the plot.
        const QImage axis = plot.grab().toImage();
        const QRect area = plot.plotArea();
        EXPECT_TRUE(dark(axis.pixelColor(labels[1].x, area.bottom() + 2))) << seconds;
        EXPECT_FALSE(dark(axis.pixelColor(labels[1].x + 3, area.bottom() + 2))) << seconds;
    }
    // The 24 hours' labels name the day.
    plot.setSpan(T0 - 86400 + 600, T0 + 599);
    EXPECT_EQ(plot.axisLabels().front().date,
              QDateTime::fromSecsSinceEpoch(ticks(plot.from(), plot.to(), 10800).front()).toString(QStringLiteral("d MMM")));

    // The legend: each mark in the plot's own colours.
    PlotLegend legend;
    legend.resize(legend.sizeHint());
    const QImage key = legend.grab().toImage();
    for (const QColor& c : {kLoadColour, kPressureColour, kLimitColour, kWarningShade, kStartMark}) {
        bool found = false;
        for (int y = 0; y < key.height() && !found; ++y)
            for (int x = 0; x < key.width() && !found; ++x) found = near(key.pixelColor(x, y), c);
        EXPECT_TRUE(found) << c.name().toStdString();
    }
    EXPECT_EQ(legend.accessibleName(),
              QStringLiteral("Legend: load, memory pressure, load limit, warning, start point"));
}

TEST(LoadHistoryWindowKeys, CursorReadOutAndScreenReader) {
    FakePlatform fp;
    fp.epoch = T0 + 599;
    LoadRecorder rec({fp, fp, fp, fp.fakeDialogs, QStringLiteral("/nonexistent/h")});
    for (int i = 0; i < 600; ++i) {
        fp.epoch = T0 + i;
        fp.pressures = {i};
        rec.record(i % 100);
    }
    LoadHistoryWindow w(rec, [] { return std::optional<int>(); });
    w.setSpan(0);  // 10 minutes
    w.resize(900, 360);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // The window is a frame; the spans are radio buttons, one chosen.
    QAccessibleInterface* win = QAccessible::queryAccessibleInterface(&w);
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->role(), QAccessible::Window);
    for (int i = 0; i < 4; ++i) {
        QAccessibleInterface* b = QAccessible::queryAccessibleInterface(&w.spanButton(i));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->role(), QAccessible::RadioButton) << i;
        EXPECT_TRUE(b->state().checkable) << i;
        EXPECT_EQ(bool(b->state().checked), i == 0) << i;
    }
    QTest::mouseClick(&w.spanButton(2), Qt::LeftButton);
    EXPECT_EQ(w.span(), 2);
    EXPECT_FALSE(w.spanButton(0).isChecked());
    EXPECT_TRUE(w.spanButton(2).isChecked());
    w.setSpan(0);

    // The plot takes the focus; End, Left, Home and Right move the cursor
    // a column at a time, the read-out following with the date.
    LoadHistoryPlot& plot = w.plot();
    ASSERT_NE(plot.focusPolicy() & Qt::TabFocus, 0);
    QApplication::setActiveWindow(&w);
    plot.setFocus();
    ASSERT_TRUE(plot.hasFocus());
    const int columns = plot.plotArea().width();
    ASSERT_GT(columns, 600);  // more columns than seconds
    const auto readOut = [&](std::int64_t t) { return w.readOut(t); };
    QTest::keyClick(&plot, Qt::Key_End);
    EXPECT_EQ(plot.cursor(), columns - 1);
    EXPECT_EQ(w.pointerLabel().text(), readOut(T0 + 599));
    EXPECT_TRUE(w.pointerLabel().text().startsWith(
        QDateTime::fromSecsSinceEpoch(T0 + 599).toString(QStringLiteral("ddd d MMM yyyy HH:mm:ss"))));
    EXPECT_TRUE(w.pointerLabel().text().endsWith(
        QStringLiteral("load 99 %  memory pressure %1 %").arg(percentHundredths(rec.ring().at(T0 + 599)->pressure))));
    QTest::keyClick(&plot, Qt::Key_Home);
    EXPECT_EQ(plot.cursor(), 0);
    EXPECT_EQ(w.pointerLabel().text(), readOut(T0));
    // Right steps through every column, the read-out never going back and
    // reaching each second.
    std::int64_t last = T0;
    int changes = 0;
    for (int c = 1; c < columns; ++c) {
        QTest::keyClick(&plot, Qt::Key_Right);
        ASSERT_EQ(plot.cursor(), c);
        const std::int64_t t = plot.secondUnder(c);
        ASSERT_GE(t, last);
        ASSERT_LE(t - last, 1);
        ASSERT_EQ(w.pointerLabel().text(), readOut(t));
        changes += t != last;
        last = t;
    }
    EXPECT_EQ(changes, 599);
    QTest::keyClick(&plot, Qt::Key_Right);  // stays at the end
    EXPECT_EQ(plot.cursor(), columns - 1);
    QTest::keyClick(&plot, Qt::Key_Left);
    EXPECT_EQ(plot.cursor(), columns - 2);
    // The cursor is drawn.
    const QImage img = plot.grab().toImage();
    bool drawn = false;
    for (int y = plot.plotArea().top(); y <= plot.plotArea().bottom() && !drawn; ++y)
        drawn = near(img.pixelColor(plot.plotArea().left() + columns - 2, y), kCursorColour);
    EXPECT_TRUE(drawn);

    // A screen reader reads the read-out as the label's text.
    QAccessibleInterface* label = QAccessible::queryAccessibleInterface(&w.pointerLabel());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->role(), QAccessible::StaticText);
    EXPECT_EQ(label->text(QAccessible::Name), w.pointerLabel().text());

    // The plot moves a second on: the read-out is of the second now under
    // the cursor.
    QTest::keyClick(&plot, Qt::Key_Home);
    EXPECT_EQ(w.pointerLabel().text(), readOut(T0));
    fp.epoch = T0 + 600;
    fp.pressures = {700};
    rec.record(77);
    EXPECT_EQ(plot.from(), T0 + 1);
    EXPECT_EQ(w.pointerLabel().text(), readOut(T0 + 1));
    QTest::keyClick(&plot, Qt::Key_End);
    EXPECT_TRUE(w.pointerLabel().text().endsWith(
        QStringLiteral("load 77 %  memory pressure %1 %").arg(percentHundredths(rec.ring().at(T0 + 600)->pressure))));

    // The pointer: over a column, then the plot moves under it.
    const QRect a = plot.plotArea();
    QTest::mouseMove(&plot, QPoint(a.left() + 10, a.center().y()));
    const QString before = w.pointerLabel().text();
    EXPECT_EQ(before, readOut(plot.secondUnder(10)));
    fp.epoch = T0 + 601;
    rec.record(78);
    EXPECT_EQ(w.pointerLabel().text(), readOut(plot.secondUnder(10)));
    EXPECT_NE(w.pointerLabel().text(), before);
}

TEST(LoadHistoryApp, SpanAndSizeKeptAcrossRunsFailedExportTold) {
    QString ini;
    {
        AppHarness h([](FakePlatform& fp, const QString&) { fp.epoch = T0; });
        h.start();
        LoadHistoryWindow& w = h.app->loadHistoryWindow();
        EXPECT_EQ(w.span(), 1);  // the hour at first
        h.app->actions().loadHistory.trigger();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(&w.spanButton(3), Qt::LeftButton);
        w.resize(910, 480);
        QApplication::processEvents();

        // A failed export: the file and the reason in the error box; the
        // dialog opened in the home folder.
        h.fp.failWrites = true;
        h.fp.writeError = QStringLiteral("No space left on device");
        h.fp.fakeDialogs.fileAnswers.push_back(QStringLiteral("/media/stick/day.csv"));
        QTest::mouseClick(&w.exportButton(), Qt::LeftButton);
        EXPECT_EQ(h.fp.fakeDialogs.lastInitial, QDir::homePath() + QStringLiteral("/load-history.csv"));
        ASSERT_EQ(h.fp.fakeDialogs.shown.back().kind, QStringLiteral("error"));
        EXPECT_EQ(h.fp.fakeDialogs.shown.back().text,
                  QStringLiteral("The load history could not be saved as \"/media/stick/day.csv\": No space left on "
                                 "device."));
        // Then one that works: the next dialog opens in its folder.
        h.fp.failWrites = false;
        const QString out = h.dir.filePath(QStringLiteral("out.csv"));
        h.fp.fakeDialogs.fileAnswers.push_back(out);
        QTest::mouseClick(&w.exportButton(), Qt::LeftButton);
        EXPECT_TRUE(QFile::exists(out));
        QTest::mouseClick(&w.exportButton(), Qt::LeftButton);  // cancelled
        EXPECT_EQ(h.fp.fakeDialogs.lastInitial, h.dir.filePath(QStringLiteral("load-history.csv")));
        w.close();
        QApplication::processEvents();
        QFile f(h.dir.filePath(QStringLiteral("tevo.ini")));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        ini = QString::fromLatin1(f.readAll());
    }
    EXPECT_TRUE(ini.contains(QStringLiteral("[LoadHistory]"))) << ini.toStdString();
    EXPECT_TRUE(ini.contains(QStringLiteral("Range=86400"))) << ini.toStdString();

    // The next run: the same span and size, the dialog in the same folder.
    QString dir;
    AppHarness next([&](FakePlatform& fp, const QString& folder) {
        fp.epoch = T0 + 100;
        dir = folder;
        QFile f(folder + QStringLiteral("/tevo.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // The previous run's export folder stands for this run's.
        f.write(ini.toLatin1());
    });
    next.start();
    LoadHistoryWindow& w = next.app->loadHistoryWindow();
    next.app->actions().loadHistory.trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.span(), 3);
    EXPECT_TRUE(w.spanButton(3).isChecked());
    EXPECT_EQ(w.size(), QSize(910, 480));
    EXPECT_EQ(next.app->loadHistoryOptions().exportFolder.isEmpty(), false);
    QTest::mouseClick(&w.exportButton(), Qt::LeftButton);
    EXPECT_EQ(next.fp.fakeDialogs.lastInitial,
              next.app->loadHistoryOptions().exportFolder + QStringLiteral("/load-history.csv"));
    EXPECT_NE(next.app->loadHistoryOptions().exportFolder, QDir::homePath());
}
