// Widget set: behaviour through real mouse and key events, and what the
// widgets actually paint (rendered at 1x and 2x device pixel ratio).
#include "ui/widgets.h"
#include "ui/textfit.h"
#include "ui/artwork.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <set>

using namespace ostra::ui;

namespace {

const QColor kMarker(255, 0, 255);  // what shows where a widget paints nothing

// Renders `w` into an image of the given device pixel ratio over a magenta
// ground; pixel coordinates of the result are device pixels.
QImage render(QWidget& w, qreal dpr = 1.0) {
    QImage img((QSizeF(w.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(kMarker);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

QColor at(const QImage& img, qreal x, qreal y) {
    const qreal dpr = img.devicePixelRatio();
    return img.pixelColor(static_cast<int>(x * dpr), static_cast<int>(y * dpr));
}

std::set<QRgb> coloursIn(const QImage& img) {
    std::set<QRgb> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) out.insert(img.pixel(x, y));
    return out;
}

std::set<QRgb> coloursInRow(const QImage& img, int deviceRow) {
    std::set<QRgb> out;
    for (int x = 0; x < img.width(); ++x) out.insert(img.pixel(x, deviceRow));
    return out;
}

int countColour(const QImage& img, const QColor& c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == c.rgb()) ++n;
    return n;
}

int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) ++n;
    return n;
}

void showAndWait(QWidget& w) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
}

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

// ---------------------------------------------------------------- Gauge

TEST(Gauge, DefaultsDependOnTheKind) {
    Gauge bar(Gauge::Kind::Bar), pie(Gauge::Kind::Pie), needle(Gauge::Kind::Needle);
    EXPECT_TRUE(bar.showText());
    EXPECT_FALSE(pie.showText());
    EXPECT_TRUE(needle.showText());
    for (Gauge* g : {&bar, &pie, &needle}) {
        EXPECT_EQ(g->maxValue(), 100);
        EXPECT_EQ(g->progress(), 0);
        EXPECT_TRUE(g->border());
    }
}

TEST(Gauge, ProgressIsClampedAndPercentFollowsTheMaximum) {
    Gauge g(Gauge::Kind::Bar);
    g.setProgress(150);
    EXPECT_EQ(g.progress(), 100);
    g.setProgress(-5);
    EXPECT_EQ(g.progress(), 0);

    g.setMaxValue(60);
    g.setProgress(30);
    EXPECT_EQ(g.percentDone(), 50);
    g.setProgress(45);
    EXPECT_EQ(g.percentDone(), 75);
    g.setProgress(1);
    EXPECT_EQ(g.percentDone(), 1);  // 1.67 rounds toward zero
    g.setProgress(61);
    EXPECT_EQ(g.progress(), 60);
    EXPECT_EQ(g.percentDone(), 100);

    // Lowering the maximum pulls the progress down with it.
    g.setMaxValue(40);
    EXPECT_EQ(g.progress(), 40);
    EXPECT_EQ(g.percentDone(), 100);
    g.setMaxValue(0);
    EXPECT_EQ(g.maxValue(), 1);
    EXPECT_EQ(g.progress(), 1);
}

TEST(Gauge, BarFillsFromTheLeftAtOneAndTwoTimesScale) {
    Gauge g(Gauge::Kind::Bar);
    g.resize(200, 19);
    g.setForeColor(QColor(0, 0, 128));
    g.setBackColor(QColor(0, 255, 0));
    g.setProgress(50);
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QImage img = render(g, dpr);
        EXPECT_EQ(at(img, 0, 0), QColor(Qt::black));  // border
        EXPECT_EQ(at(img, 50, 2), QColor(0, 0, 128));
        EXPECT_EQ(at(img, 98, 2), QColor(0, 0, 128));
        EXPECT_EQ(at(img, 102, 2), QColor(0, 255, 0));
        EXPECT_EQ(at(img, 150, 2), QColor(0, 255, 0));
    }
    // A quarter with another maximum.
    g.setMaxValue(60);
    g.setProgress(15);
    const QImage img = render(g);
    EXPECT_EQ(at(img, 40, 2), QColor(0, 0, 128));
    EXPECT_EQ(at(img, 60, 2), QColor(0, 255, 0));
}

TEST(Gauge, BarEdgesAreSharpAtOneAndTwoTimesScale) {
    Gauge g(Gauge::Kind::Bar);
    g.resize(229, 19);
    g.setForeColor(QColor(0, 128, 0));
    g.setBackColor(QColor(0, 255, 0));
    g.setProgress(37);
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QImage img = render(g, dpr);
        // A row above the text: only border, fill and background, no blends.
        const std::set<QRgb> expected{QColor(Qt::black).rgb(), QColor(0, 128, 0).rgb(),
                                      QColor(0, 255, 0).rgb()};
        EXPECT_EQ(coloursInRow(img, static_cast<int>(1 * dpr)), expected);
        EXPECT_EQ(coloursInRow(img, static_cast<int>(1 * dpr) + 1), expected);
    }
}

TEST(Gauge, BarWritesThePercentage) {
    Gauge g(Gauge::Kind::Bar);
    g.resize(229, 19);
    g.setForeColor(QColor(0, 0, 128));
    g.setBackColor(QColor(0, 0, 255));
    g.setProgress(10);
    const QImage withText = render(g);
    g.setShowText(false);
    const QImage without = render(g);
    EXPECT_GT(differingPixels(withText, without), 20);
    // The text differs between values.
    g.setShowText(true);
    g.setProgress(11);
    EXPECT_GT(differingPixels(withText, render(g)), 5);
}

TEST(Gauge, PieFillsClockwiseFromTwelveOClock) {
    Gauge g(Gauge::Kind::Pie);
    g.resize(40, 40);
    g.setBorder(false);
    g.setForeColor(QColor(255, 0, 0));
    g.setBackColor(QColor(0, 0, 255));

    g.setProgress(25);
    QImage img = render(g);
    EXPECT_EQ(at(img, 28, 10), QColor(255, 0, 0));  // upper right
    EXPECT_EQ(at(img, 28, 30), QColor(0, 0, 255));  // lower right
    EXPECT_EQ(at(img, 12, 10), QColor(0, 0, 255));  // upper left
    EXPECT_EQ(at(img, 0, 0), kMarker);              // corners are not painted

    g.setProgress(50);
    img = render(g);
    EXPECT_EQ(at(img, 28, 30), QColor(255, 0, 0));
    EXPECT_EQ(at(img, 12, 30), QColor(0, 0, 255));

    g.setProgress(100);
    img = render(g);
    EXPECT_EQ(at(img, 12, 10), QColor(255, 0, 0));
}

TEST(Gauge, NeedleSweepsFromLeftToRight) {
    Gauge g(Gauge::Kind::Needle);
    g.resize(71, 42);
    g.setBorder(false);
    g.setShowText(false);
    const QColor fore(0, 128, 192), back(255, 255, 0);
    g.setForeColor(fore);
    g.setBackColor(back);

    g.setProgress(0);
    QImage img = render(g);
    EXPECT_EQ(at(img, 15, 40), fore);
    EXPECT_EQ(at(img, 56, 40), back);
    EXPECT_EQ(at(img, 35, 15), back);
    EXPECT_EQ(at(img, 1, 1), kMarker);  // outside the half dial

    g.setProgress(50);
    img = render(g);
    EXPECT_EQ(at(img, 35, 15), fore);
    EXPECT_EQ(at(img, 15, 40), back);

    g.setProgress(100);
    img = render(g, 2.0);
    EXPECT_EQ(at(img, 56, 40), fore);
    EXPECT_EQ(at(img, 15, 40), back);
}

TEST(Gauge, RepaintNowPaintsBeforeReturning) {
    Gauge g(Gauge::Kind::Bar);
    g.resize(229, 19);
    showAndWait(g);
    QCoreApplication::processEvents();
    PaintCounter counter;
    g.installEventFilter(&counter);

    g.setProgress(40);  // only schedules
    EXPECT_EQ(counter.paints, 0);
    g.repaintNow();
    EXPECT_EQ(counter.paints, 1);

    // The monitor's re-fill: three gauges raised a point at a time with a
    // synchronous repaint each, 300 paints in a row.
    Gauge pie(Gauge::Kind::Pie), small(Gauge::Kind::Bar);
    pie.resize(33, 33);
    small.resize(34, 15);
    showAndWait(pie);
    showAndWait(small);
    for (Gauge* x : {&g, &pie, &small}) x->setProgress(0);
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= 100; ++i)
        for (Gauge* x : {&g, &pie, &small}) {
            x->setProgress(i);
            x->repaintNow();
        }
    EXPECT_EQ(counter.paints, 101);
    EXPECT_LT(timer.elapsed(), 3000);
}

// ---------------------------------------------------------------- LED number

TEST(LedNumber, HoldsItsValueAndRightAlignsItsDigits) {
    LedNumber led;
    EXPECT_EQ(led.value(), 0);
    led.setValue(7);
    EXPECT_EQ(led.value(), 7);
    EXPECT_EQ(led.displayText(), QStringLiteral(" 7"));
    led.setValue(123);
    EXPECT_EQ(led.displayText(), QStringLiteral("123"));  // more cells when needed
    led.setValue(-5);
    EXPECT_EQ(led.displayText(), QStringLiteral("-5"));
    led.setDigits(4);
    led.setValue(60);
    EXPECT_EQ(led.displayText(), QStringLiteral("  60"));
}

TEST(LedNumber, LightsTheSegmentsOfTheDigitInItsOwnColoursOnly) {
    LedNumber led;
    led.resize(22, 18);
    const QColor lit(0, 255, 0), unlit(0, 60, 0), back(Qt::black);
    led.setLitColor(lit);
    led.setUnlitColor(unlit);
    led.setBackColor(back);
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        led.setValue(88);
        const QImage eights = render(led, dpr);
        led.setValue(11);
        const QImage ones = render(led, dpr);
        // An 8 lights seven segments, a 1 two.
        EXPECT_GT(countColour(eights, lit), 2 * countColour(ones, lit));
        EXPECT_GT(countColour(ones, lit), 0);
        // Sharp: nothing but the three colours (an 8 leaves no segment unlit).
        EXPECT_EQ(coloursIn(eights), (std::set<QRgb>{lit.rgb(), back.rgb()}));
        EXPECT_EQ(coloursIn(ones), (std::set<QRgb>{lit.rgb(), unlit.rgb(), back.rgb()}));
    }
}

// ---------------------------------------------------------------- Switch

class SwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(200, 200);
        sw = new TwoStateSwitch(&host);
        sw->setGeometry(20, 20, 25, 40);
        showAndWait(host);
    }
    QWidget host;
    TwoStateSwitch* sw = nullptr;
};

TEST_F(SwitchTest, PressFlipsAndTheReleaseOverItClicks) {
    QSignalSpy toggled(sw, &TwoStateSwitch::toggled);
    QSignalSpy clicked(sw, &TwoStateSwitch::clicked);
    const QImage off = render(*sw);

    QTest::mousePress(sw, Qt::LeftButton, {}, QPoint(12, 20));
    EXPECT_TRUE(sw->isOn());
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_TRUE(toggled.at(0).at(0).toBool());
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseRelease(sw, Qt::LeftButton, {}, QPoint(12, 20));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(sw->isOn());
    EXPECT_GT(differingPixels(off, render(*sw)), 50);  // the picture shows it

    // A press released outside flips it and is no click.
    QTest::mousePress(sw, Qt::LeftButton, {}, QPoint(12, 20));
    QTest::mouseRelease(sw, Qt::LeftButton, {}, QPoint(120, 150));
    EXPECT_FALSE(sw->isOn());
    EXPECT_EQ(toggled.count(), 2);
    EXPECT_EQ(clicked.count(), 1);
    // A release without a press on it is none either.
    QTest::mouseRelease(sw, Qt::LeftButton, {}, QPoint(12, 20));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(toggled.count(), 2);
}

TEST_F(SwitchTest, SpaceFlipsWithoutAClick) {
    QSignalSpy toggled(sw, &TwoStateSwitch::toggled);
    QSignalSpy clicked(sw, &TwoStateSwitch::clicked);
    sw->setFocus();
    QTest::keyClick(sw, Qt::Key_Space);
    EXPECT_TRUE(sw->isOn());
    QTest::keyClick(sw, Qt::Key_Space);
    EXPECT_FALSE(sw->isOn());
    EXPECT_EQ(toggled.count(), 2);
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(SwitchTest, SetOnAndOtherButtonsAreSilent) {
    QSignalSpy toggled(sw, &TwoStateSwitch::toggled);
    QSignalSpy clicked(sw, &TwoStateSwitch::clicked);
    sw->setOn(true);
    EXPECT_TRUE(sw->isOn());
    QTest::mouseClick(sw, Qt::RightButton, {}, QPoint(12, 20));
    EXPECT_TRUE(sw->isOn());
    EXPECT_EQ(toggled.count(), 0);
    EXPECT_EQ(clicked.count(), 0);
}

// ---------------------------------------------------------------- Stopwatch

TEST(StopwatchDisplay, ShowsTheTimeOfDayModuloADay) {
    StopwatchDisplay d;
    EXPECT_EQ(d.text(), QStringLiteral("00:00:00"));
    d.setSeconds(3661);
    EXPECT_EQ(d.text(), QStringLiteral("01:01:01"));
    d.setSeconds(86400 + 5);
    EXPECT_EQ(d.seconds(), 86405);
    EXPECT_EQ(d.text(), QStringLiteral("00:00:05"));
    d.setSeconds(86399);
    EXPECT_EQ(d.text(), QStringLiteral("23:59:59"));
    d.setSeconds(-1);
    EXPECT_EQ(d.text(), QStringLiteral("23:59:59"));
}

TEST(StopwatchDisplay, DrawsTheDigitsSharply) {
    StopwatchDisplay d;
    d.resize(64, 16);
    const QColor lit(0, 255, 0), unlit(0, 40, 0), back(Qt::black);
    d.setLitColor(lit);
    d.setUnlitColor(unlit);
    d.setBackColor(back);
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        d.setSeconds(0);
        const QImage zeros = render(d, dpr);
        d.setSeconds(11 * 3600 + 11 * 60 + 11);
        const QImage ones = render(d, dpr);
        // "0" lights six segments, "1" two; the colons are lit in both.
        EXPECT_GT(countColour(zeros, lit), 2 * countColour(ones, lit));
        const std::set<QRgb> three{lit.rgb(), unlit.rgb(), back.rgb()};
        EXPECT_EQ(coloursIn(zeros), three);
    }
}

// Shown through a presenter, the display hands over exactly what Qt would
// paint, again at each change; a presenter that fails puts it back on Qt's
// painting for good.
TEST(StopwatchDisplay, OnItsOwnWindowShowsWhatQtWouldPaintAndFallsBack) {
    const qint64 at = 12 * 3600 + 34 * 60 + 56;
    StopwatchDisplay reference;
    reference.resize(64, 16);
    reference.setSeconds(at);
    const QImage expected = render(reference).convertToFormat(QImage::Format_RGB32);

    std::vector<QImage> shown;
    StopwatchDisplay d;
    d.paintOnScreen([&](QWidget* w, const QImage& picture) {
        EXPECT_EQ(w, &d);
        shown.push_back(picture.copy());
        return true;
    });
    d.setGeometry(10, 10, 64, 16);
    d.setSeconds(at);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTRY_VERIFY(!shown.empty());
    EXPECT_TRUE(d.paintsOnScreen());
    EXPECT_EQ(differingPixels(shown.back(), expected), 0);
    const std::size_t before = shown.size();
    d.setSeconds(at + 1);
    QTRY_VERIFY(shown.size() > before);
    EXPECT_GT(differingPixels(shown.back(), expected), 0);

    int attempts = 0;
    StopwatchDisplay failing;
    failing.paintOnScreen([&](QWidget*, const QImage&) {
        ++attempts;
        return false;
    });
    failing.resize(64, 16);
    failing.setSeconds(at);
    failing.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&failing));
    QTRY_VERIFY(!failing.paintsOnScreen());
    failing.setSeconds(at + 1);
    failing.repaint();
    EXPECT_EQ(attempts, 1);
    failing.setSeconds(at);
    EXPECT_EQ(differingPixels(render(failing).convertToFormat(QImage::Format_RGB32), expected), 0);
}

// ---------------------------------------------------------------- Buttons

TEST(SpeedButton, HintIsTheToolTipAndAPlainButtonDoesNotStayDown) {
    SpeedButton b(Glyph::Close, QStringLiteral("Close"));
    b.resize(21, 19);
    EXPECT_EQ(b.toolTip(), QStringLiteral("Close"));
    QSignalSpy clicked(&b, &QAbstractButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(b.isChecked());
}

TEST(SpeedButton, ToggleGoesDownAndUpOnAlternateClicks) {
    SpeedButton b(Glyph::Analysis, QStringLiteral("The analysis of the used resources in this system"));
    b.resize(21, 19);
    b.setToggle(true);
    const QImage up = render(b);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_TRUE(b.isChecked());
    const QImage down = render(b);
    EXPECT_GT(differingPixels(up, down), 50);  // a down button looks down
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_FALSE(b.isChecked());  // may be all up
    EXPECT_EQ(differingPixels(up, render(b)), 0);
}

TEST(SpeedButton, CaptionWidensTheButton) {
    SpeedButton b(Glyph::LimitReset, QStringLiteral("Resource Emergency Warning Option"));
    const int plain = b.sizeHint().width();
    b.setCaption(QStringLiteral("Limit Reset"));
    EXPECT_EQ(b.caption(), QStringLiteral("Limit Reset"));
    EXPECT_GT(b.sizeHint().width(), plain + 30);
    b.resize(100, 33);
    const QImage withCaption = render(b);
    b.setCaption(QString());
    EXPECT_GT(differingPixels(withCaption, render(b)), 30);
}

TEST(Glyphs, EveryGlyphPaintsSomethingAndTheyDiffer) {
    std::vector<QImage> seen;
    for (int g = static_cast<int>(Glyph::Home); g <= static_cast<int>(Glyph::SoftwareTest); ++g) {
        QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        paintGlyph(p, static_cast<Glyph>(g), QRectF(0, 0, 32, 32));
        p.end();
        EXPECT_GT(32 * 32 - countColour(img, Qt::transparent), 20) << "glyph " << g;
        for (const QImage& other : seen) EXPECT_GT(differingPixels(img, other), 10) << "glyph " << g;
        seen.push_back(img);
    }
}

TEST(PictureButton, ClicksAndShowsItsCaption) {
    PictureButton b(QStringLiteral("Refresh Memory"));
    b.resize(107, 22);
    EXPECT_EQ(b.text(), QStringLiteral("Refresh Memory"));
    QSignalSpy clicked(&b, &QAbstractButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    const QImage captioned = render(b);
    b.setText(QString());
    EXPECT_GT(differingPixels(captioned, render(b)), 50);
}

// ---------------------------------------------------------------- Shapes

TEST(Shape, RectangleIsSharpAndFrameIsHollow) {
    Shape rect(Shape::Form::Rectangle);
    rect.resize(40, 30);
    rect.setBrushColor(QColor(0, 125, 251));
    rect.setPenColor(Qt::black);
    EXPECT_EQ(rect.brushColor(), QColor(0, 125, 251));
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QImage img = render(rect, dpr);
        EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::black));
        EXPECT_EQ(img.pixelColor(static_cast<int>(dpr) - 1, static_cast<int>(dpr) - 1), QColor(Qt::black));
        EXPECT_EQ(img.pixelColor(static_cast<int>(dpr), static_cast<int>(dpr)), QColor(0, 125, 251));
        EXPECT_EQ(coloursIn(img), (std::set<QRgb>{QColor(Qt::black).rgb(), QColor(0, 125, 251).rgb()}));
    }

    Shape frame(Shape::Form::Frame);
    frame.resize(40, 30);
    frame.setPenColor(QColor(0, 128, 255));
    const QImage img = render(frame);
    EXPECT_EQ(img.pixelColor(0, 15), QColor(0, 128, 255));
    EXPECT_EQ(img.pixelColor(20, 15), kMarker);  // what lies behind shows through
}

TEST(Diamond, OutlinesARhombusAndLeavesTheCornersAlone) {
    Diamond d;
    d.resize(79, 75);
    d.setColor(QColor(0, 64, 128));
    const QImage img = render(d);
    EXPECT_EQ(img.pixelColor(2, 2), kMarker);
    EXPECT_EQ(img.pixelColor(76, 72), kMarker);
    EXPECT_EQ(img.pixelColor(39, 37), kMarker);        // see-through middle
    EXPECT_EQ(img.pixelColor(39, 2), QColor(0, 64, 128));  // top point
    d.setFillColor(QColor(200, 200, 255));
    EXPECT_EQ(render(d).pixelColor(39, 37), QColor(200, 200, 255));
}

// ---------------------------------------------------------------- Slider

TEST(LimitSlider, KeysStepInRoundedTensAndValuesAreClamped) {
    LimitSlider s;
    const auto after = [&](int start, int key) {
        s.setValue(start);
        QTest::keyClick(&s, static_cast<Qt::Key>(key));
        return s.value();
    };
    EXPECT_EQ(after(15, Qt::Key_Right), 30);  // 15 rounds to 20 (even tens)
    EXPECT_EQ(after(25, Qt::Key_Right), 30);  // 25 rounds to 20
    EXPECT_EQ(after(35, Qt::Key_Left), 30);   // 35 rounds to 40
    EXPECT_EQ(after(44, Qt::Key_Left), 30);
    EXPECT_EQ(after(46, Qt::Key_Left), 40);
    EXPECT_EQ(after(95, Qt::Key_Right), 100);
    EXPECT_EQ(after(100, Qt::Key_Right), 100);
    EXPECT_EQ(after(5, Qt::Key_Left), 0);
    EXPECT_EQ(after(57, Qt::Key_Home), 0);
    EXPECT_EQ(after(57, Qt::Key_End), 100);
    s.setValue(150);
    EXPECT_EQ(s.value(), 100);
    s.setValue(-3);
    EXPECT_EQ(s.value(), 0);
    s.setValue(73);  // any whole value is possible without the keyboard
    EXPECT_EQ(s.value(), 73);
}

// ---------------------------------------------------------------- Artwork

TEST(Artwork, ProgramPictureIsRenderedForTheDevicePixelRatio) {
    const QPixmap one = programPicture(32, 31, 1.0);
    const QPixmap two = programPicture(32, 31, 2.0);
    EXPECT_EQ(one.size(), QSize(32, 31));
    EXPECT_EQ(two.size(), QSize(64, 62));
    EXPECT_EQ(two.devicePixelRatio(), 2.0);
    const QImage img = two.toImage();
    EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0);       // clear around the emblem
    EXPECT_EQ(img.pixelColor(32, 8).alpha(), 255);    // the chip body
    EXPECT_FALSE(programIcon().isNull());
    EXPECT_FALSE(programIcon().pixmap(16, 16).isNull());
}

TEST(Artwork, TheTwoTrayFramesDifferClearly) {
    const QImage a = trayPicture(0).pixmap(22, 22).toImage();
    const QImage b = trayPicture(1).pixmap(22, 22).toImage();
    ASSERT_FALSE(a.isNull());
    ASSERT_EQ(a.size(), b.size());
    EXPECT_GT(differingPixels(a, b), a.width() * a.height() / 4);
    EXPECT_EQ(differingPixels(trayPicture(2).pixmap(22, 22).toImage(), a), 0);
}

TEST(Artwork, DisplayBackgroundIsLightEnoughForLabels) {
    const QPixmap pm = displayBackground(289, 220, 2.0);
    EXPECT_EQ(pm.size(), QSize(578, 440));
    const QImage img = pm.toImage();
    qint64 sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) sum += qGray(img.pixel(x, y));
    EXPECT_GT(sum / (img.width() * img.height()), 210);
    EXPECT_GT(coloursIn(img).size(), 2u);  // not a flat fill
}

// The fitting searches start next to an estimate, to try few font sizes;
// they must land where trying every size from the top down lands.
TEST(TextFit, LandsWhereTryingEverySizeFromTheTopLands) {
    const QString text = QStringLiteral("Refresh Memory");
    const QFont base = narrowFont(12);
    const auto topDownSize = [&](int w, int h) {
        const QFontMetrics fm(base);
        if (fm.horizontalAdvance(text) <= w && fm.ascent() + fm.descent() <= h) return 12;
        QFont f = base;
        int px = 12;
        do {
            f.setPixelSize(--px);
        } while (px > 6 && !(QFontMetrics(f).horizontalAdvance(text) <= w &&
                             QFontMetrics(f).ascent() + QFontMetrics(f).descent() <= h));
        return px;
    };
    for (int w = 10; w <= 110; w += 3)
        for (int h : {6, 9, 12, 20}) {
            SCOPED_TRACE(QStringLiteral("%1x%2").arg(w).arg(h).toStdString());
            EXPECT_EQ(QFontInfo(fittedFont(base, text, w, h)).pixelSize(), topDownSize(w, h));
        }

    QLabel label(QStringLiteral("The analysis of the used resources\nin this system"));
    const auto widest = [&](const QFont& f) {
        const QFontMetrics fm(f);
        return std::max(fm.horizontalAdvance(QStringLiteral("The analysis of the used resources")),
                        fm.horizontalAdvance(QStringLiteral("in this system")));
    };
    for (int room = 120; room <= 260; room += 7) {
        SCOPED_TRACE(room);
        QFont f = base;
        for (int stretch = f.stretch(); widest(f) > room && stretch > 70; --stretch) f.setStretch(stretch - 1);
        label.setFont(base);
        EXPECT_EQ(fitWidth(&label, room)->font().stretch(), f.stretch());
    }

    int tried = 0;
    EXPECT_EQ(largestFitting(70, 86, 80, [&](int v) { ++tried; return v <= 78; }), 78);
    EXPECT_EQ(tried, 4);  // 86, 80, 79, 78
    EXPECT_EQ(largestFitting(6, 11, 9, [](int v) { return v <= 2; }), 6);  // none fits
    EXPECT_EQ(largestFitting(6, 11, 6, [](int v) { return v <= 10; }), 10);
}

TEST(ToolTips, AreGreenRoundedAndTwelvePixelsHigh) {
    installToolTipStyle(*qApp);
    installToolTipStyle(*qApp);  // a second call changes nothing
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), QColor(0, 255, 64));
    EXPECT_EQ(QToolTip::font().pixelSize(), 12);

    QWidget host;
    host.resize(100, 100);
    showAndWait(host);
    QToolTip::showText(host.mapToGlobal(QPoint(10, 10)), QStringLiteral("Now Res"), &host);
    QLabel* tip = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowType() == Qt::ToolTip && w->isVisible()) tip = qobject_cast<QLabel*>(w);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->text(), QStringLiteral("Now Res"));
    EXPECT_EQ(tip->font().pixelSize(), 12);
    const QRegion mask = tip->mask();
    ASSERT_FALSE(mask.isEmpty());
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(tip->width() - 1, tip->height() - 1)));
    EXPECT_TRUE(mask.contains(QPoint(tip->width() / 2, 0)));
    EXPECT_TRUE(mask.contains(QPoint(0, tip->height() / 2)));
    const QImage img = tip->grab().toImage();
    EXPECT_EQ(img.pixelColor(img.width() / 2, 2 * img.devicePixelRatio()), QColor(0, 255, 64));
    QToolTip::hideText();
}
