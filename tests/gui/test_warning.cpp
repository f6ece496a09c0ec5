// The resource emergency windows driven through their real controls: the
// options window (limits, mirror gauges, "Default", writing section "x" on
// every close) and the warning window (its three buttons, the acknowledged
// state on the main window, and the modal window opened by the tick).
#include "app_harness.h"

#include "ui/gauge.h"
#include "ui/lednumber.h"
#include "ui/limitslider.h"
#include "ui/shape.h"

#include <QFile>
#include <QScreen>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace ostra;
using namespace ostra::testing;

namespace {

const QColor kRedC(255, 0, 0);
const QColor kBlueC(0, 0, 255);
const QColor kBlackC(0, 0, 0);

class OptionsWindowTest : public ::testing::Test {
protected:
    AppHarness h;
    OptionsWindow& w = h.options();
    ui::LimitSlider* xx1 = AppHarness::child<ui::LimitSlider>(w, "xx1");
    ui::LimitSlider* yy1 = AppHarness::child<ui::LimitSlider>(w, "yy1");
    ui::Gauge* xx2 = AppHarness::child<ui::Gauge>(w, "xx2");
    ui::Gauge* yy2 = AppHarness::child<ui::Gauge>(w, "yy2");
    QCheckBox* check1 = AppHarness::child<QCheckBox>(w, "CheckBox1");
    QCheckBox* check2 = AppHarness::child<QCheckBox>(w, "CheckBox2");
    QCheckBox* sound = AppHarness::child<QCheckBox>(w, "SoundCheck");
    QPushButton* ok = AppHarness::child<QPushButton>(w, "Button1");
    QPushButton* def = AppHarness::child<QPushButton>(w, "Button2");

    // Key `key` pressed on `slider` standing at `from`: the value it ends at.
    static int press(ui::LimitSlider* slider, int from, Qt::Key key) {
        slider->setValue(from);
        QTest::keyClick(slider, key);
        return slider->value();
    }

    QStringList writesOfX() const {
        QStringList out;
        for (const QString& e : h.fp.iniEntries(h.dir.path()))
            if (e.startsWith(QLatin1String("W x/"))) out << e;
        return out;
    }
};

TEST_F(OptionsWindowTest, OpensModallyFromTheMainWindowWithAClickAndOnlyOnce) {
    h.start();
    xx1->setValue(70);
    yy1->setValue(20);
    xx2->setProgress(0);  // the mirrors are set again when the window shows
    yy2->setProgress(0);
    bool ran = whileModal([&] { clickButton(h.mainControl<QAbstractButton>("RxSpeedButton13")); },
                          [&](QWidget* modal) {
                              EXPECT_EQ(modal, &w);
                              EXPECT_TRUE(w.isVisible());
                              EXPECT_EQ(w.windowTitle(), QStringLiteral("Resource Emergency Warning Option"));
                              EXPECT_EQ(w.size(), QSize(391, 307));
                              EXPECT_EQ(xx2->progress(), 70);
                              EXPECT_EQ(yy2->progress(), 20);
                              EXPECT_EQ(w.focusWidget(), ok);
                              EXPECT_EQ(h.fp.sounds, QStringList{h.cue("click.wav")});
                              // Asked again while open: no sound, no second window.
                              h.app->actions().warningOptions.trigger();
                              EXPECT_EQ(h.fp.sounds.size(), 1);
                              EXPECT_EQ(QApplication::activeModalWidget(), &w);
                              clickButton(ok);
                              EXPECT_FALSE(w.isVisible());
                          });
    EXPECT_TRUE(ran) << "the options window did not open modally";
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(writesOfX().size(), 5);
}

TEST_F(OptionsWindowTest, ArrowKeysRoundToTensHalfToEvenThenStep) {
    w.show();
    struct Case {
        int from;
        Qt::Key key;
        int to;
    };
    const Case cases[] = {
        {45, Qt::Key_Left, 30},  {45, Qt::Key_Right, 50}, {55, Qt::Key_Left, 50}, {55, Qt::Key_Right, 70},
        {65, Qt::Key_Left, 50},  {44, Qt::Key_Right, 50}, {46, Qt::Key_Left, 40}, {50, Qt::Key_Left, 40},
        {5, Qt::Key_Left, 0},    {15, Qt::Key_Right, 30}, {0, Qt::Key_Left, 0},   {95, Qt::Key_Right, 100},
        {100, Qt::Key_Right, 100}, {96, Qt::Key_Left, 90}, {37, Qt::Key_Home, 0}, {37, Qt::Key_End, 100},
    };
    for (ui::LimitSlider* s : {xx1, yy1}) {
        ui::Gauge* mirror = s == xx1 ? xx2 : yy2;
        for (const Case& c : cases) {
            EXPECT_EQ(press(s, c.from, c.key), c.to)
                << s->objectName().toStdString() << " at " << c.from << ", key " << QTest::toString(c.key);
            EXPECT_EQ(mirror->progress(), c.to) << "mirror of " << s->objectName().toStdString();
        }
    }
    // The options follow the sliders at once (the tick reads them).
    press(xx1, 45, Qt::Key_Right);
    press(yy1, 55, Qt::Key_Left);
    EXPECT_EQ(h.app->options().loadLimit, 50);
    EXPECT_EQ(h.app->options().riseLimit, 50);
}

TEST_F(OptionsWindowTest, MirrorGaugesFollowEveryChange) {
    w.show();
    for (int v : {0, 1, 37, 99, 100}) {
        xx1->setValue(v);
        yy1->setValue(100 - v);
        EXPECT_EQ(xx2->progress(), v);
        EXPECT_EQ(yy2->progress(), 100 - v);
    }
    // Dragging the handle from the left end gives any whole value, not
    // only tens, and the mirror follows.
    xx1->setValue(0);
    const int y = xx1->height() / 2;
    QTest::mousePress(xx1, Qt::LeftButton, Qt::NoModifier, QPoint(4, y));
    for (int x = 8; x <= xx1->width() / 2 + 3; x += 4) QTest::mouseMove(xx1, QPoint(x, y));
    QTest::mouseRelease(xx1, Qt::LeftButton, Qt::NoModifier, QPoint(xx1->width() / 2 + 3, y));
    EXPECT_GT(xx1->value(), 30);
    EXPECT_LT(xx1->value(), 70);
    EXPECT_NE(xx1->value() % 10, 0) << "a drag lands between the tens";
    EXPECT_EQ(xx2->progress(), xx1->value());
}

TEST_F(OptionsWindowTest, DefaultSets95And30AndLeavesTheCheckBoxes) {
    w.show();
    xx1->setValue(12);
    yy1->setValue(88);
    check1->setChecked(false);
    check2->setChecked(true);
    sound->setChecked(false);
    clickButton(def);
    EXPECT_EQ(xx1->value(), 95);
    EXPECT_EQ(yy1->value(), 30);
    EXPECT_EQ(xx2->progress(), 95);
    EXPECT_EQ(yy2->progress(), 30);
    EXPECT_FALSE(check1->isChecked());
    EXPECT_TRUE(check2->isChecked());
    EXPECT_FALSE(sound->isChecked());
    EXPECT_EQ(h.app->options().loadLimit, 95);
    EXPECT_EQ(h.app->options().riseLimit, 30);
    EXPECT_FALSE(h.app->options().useLoadLimit);
    EXPECT_FALSE(h.app->options().useSound);
    EXPECT_TRUE(w.isVisible()) << "\"Default\" does not close the window";
    EXPECT_TRUE(writesOfX().isEmpty()) << "\"Default\" writes nothing";
}

TEST_F(OptionsWindowTest, EveryCloseWritesTheFiveKeysInOrder) {
    const QStringList expected{QStringLiteral("W x/xx1=61"), QStringLiteral("W x/yy1=7"),
                               QStringLiteral("W x/checkbox1=0"), QStringLiteral("W x/checkbox2=1"),
                               QStringLiteral("W x/SoundCheck=0")};
    // "OK", the close box, Enter (on the default "OK"); Escape closes nothing.
    const std::function<void()> closers[] = {
        [&] { clickButton(ok); },
        [&] { w.close(); },
        [&] {
            QTest::keyClick(&w, Qt::Key_Escape);
            EXPECT_TRUE(w.isVisible()) << "Escape closed the options window";
            EXPECT_TRUE(writesOfX().isEmpty()) << "Escape wrote the options";
            QTest::keyClick(&w, Qt::Key_Return);
        },
    };
    for (const auto& close : closers) {
        w.show();
        xx1->setValue(61);
        yy1->setValue(7);
        check1->setChecked(false);
        check2->setChecked(true);
        sound->setChecked(false);
        QFile::remove(h.dir.filePath(QStringLiteral("tevo.ini")));
        close();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(writesOfX(), expected);
    }
}

TEST_F(OptionsWindowTest, AFailedWriteShowsTheErrorAndKeepsTheWindowOpen) {
    w.show();
    h.fp.failWrites = true;
    w.close();
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(h.fp.fakeDialogs.shown.size(), 1u);
    EXPECT_EQ(h.fp.fakeDialogs.shown[0].kind, QStringLiteral("error"));
    EXPECT_EQ(h.fp.fakeDialogs.shown[0].text,
              QStringLiteral("Unable to write to %1.").arg(h.app->controller().iniPath()));
    EXPECT_EQ(h.app->controller().iniPath(), h.dir.path() + QStringLiteral("/tevo.ini"));
    clickButton(ok);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(h.fp.fakeDialogs.shown.size(), 2u);
    // Once the file can be written, the next close goes through.
    h.fp.failWrites = false;
    clickButton(ok);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(h.fp.ini(h.dir.path(), "x", "xx1"), QString::number(xx1->value()));
}

TEST(OptionsWindowLoad, ReadsSectionXAtCreationWithClampedLimits) {
    AppHarness h([](FakePlatform& fp, const QString& folder) {
        fp.setIni(folder, "x", "xx1", QStringLiteral("150"));
        fp.setIni(folder, "x", "yy1", QStringLiteral("-4"));
        fp.setIni(folder, "x", "checkbox1", QStringLiteral("0"));
        fp.setIni(folder, "x", "soundcheck", QStringLiteral("0"));
    });
    OptionsWindow& w = h.options();
    EXPECT_EQ(AppHarness::child<ui::LimitSlider>(w, "xx1")->value(), 100);
    EXPECT_EQ(AppHarness::child<ui::LimitSlider>(w, "yy1")->value(), 0);
    EXPECT_FALSE(AppHarness::child<QCheckBox>(w, "CheckBox1")->isChecked());
    EXPECT_TRUE(AppHarness::child<QCheckBox>(w, "CheckBox2")->isChecked());  // missing: default
    EXPECT_FALSE(AppHarness::child<QCheckBox>(w, "SoundCheck")->isChecked());
    EXPECT_EQ(h.app->options().loadLimit, 100);
    EXPECT_EQ(h.app->options().riseLimit, 0);
    EXPECT_FALSE(h.app->options().useSound);
}

// ------------------------------------------------------------------ warning

class WarningWindowTest : public ::testing::Test {
protected:
    AppHarness h;
    WarningDialog& warn = h.warning();

    void SetUp() override { h.start(); }

    QAbstractButton* warnButton(const char* name) { return AppHarness::child<QAbstractButton>(warn, name); }
    QColor panel() { return AppHarness::child<ui::Shape>(warn, "Shape2")->brushColor(); }
    QString message() { return AppHarness::child<QLabel>(warn, "Label1")->text(); }

    // The three controls that show the acknowledged state.
    void expectStateColour(const QColor& c, const char* when) {
        EXPECT_EQ(h.mainControl<ui::Gauge>("Gauge1")->backColor(), c) << when;
        EXPECT_EQ(h.mainControl<ui::Gauge>("Gauge3")->backColor(), c) << when;
        EXPECT_EQ(h.mainControl<ui::Shape>("Shape22")->brushColor(), c) << when;
    }
    QString versionLabel() { return h.mainControl<QLabel>("Label2")->text(); }
};

TEST_F(WarningWindowTest, OkAcknowledgesAndRefreshTurnsTheColoursBackButNotTheLabel) {
    expectStateColour(kBlueC, "at start");
    EXPECT_EQ(versionLabel(), QStringLiteral("1.03"));
    EXPECT_FALSE(warn.isVisible());
    EXPECT_EQ(warn.size(), QSize(387, 137));
    EXPECT_EQ(panel(), kRedC) << "design colour of the panel";

    h.app->restAlarm().setPassedMinutes(7);
    h.app->warning().showModeless();
    ASSERT_TRUE(warn.isVisible());
    clickButton(warnButton("BitBtn1"));
    EXPECT_FALSE(warn.isVisible());
    expectStateColour(kRedC, "after OK");
    EXPECT_TRUE(h.app->monitor().figures().exceedLimitState);
    EXPECT_EQ(versionLabel(), QStringLiteral("Exceed Limit"));
    EXPECT_EQ(h.app->restAlarm().passedMinutes(), 0);
    EXPECT_EQ(h.mainControl<ui::LedNumber>("LMDLEDLabel2")->value(), 0);
    EXPECT_EQ(h.fp.sounds, QStringList{h.cue("click.wav")});

    h.fp.sounds.clear();
    clickButton(h.mainControl<QAbstractButton>("RxSpeedButton17"));
    expectStateColour(kBlueC, "after \"Refresh Limit Warning State\"");
    EXPECT_FALSE(h.app->monitor().figures().exceedLimitState);
    EXPECT_EQ(versionLabel(), QStringLiteral("Exceed Limit"));
    EXPECT_EQ(h.fp.sounds, QStringList{h.cue("click.wav")});
}

TEST_F(WarningWindowTest, EscapeLeavesItOpenAndEnterPressesTheFocusedOk) {
    h.app->restAlarm().setPassedMinutes(7);
    h.app->warning().showModeless();
    ASSERT_TRUE(warn.isVisible());
    EXPECT_EQ(warn.focusWidget(), warnButton("BitBtn1"));
    QTest::keyClick(&warn, Qt::Key_Escape);
    EXPECT_TRUE(warn.isVisible()) << "Escape closed the warning window";
    EXPECT_EQ(h.app->restAlarm().passedMinutes(), 7);
    QTest::keyClick(&warn, Qt::Key_Return);
    EXPECT_FALSE(warn.isVisible());
    expectStateColour(kRedC, "after Enter");
    EXPECT_EQ(h.app->restAlarm().passedMinutes(), 0) << "Enter did what \"OK\" does";
}

TEST_F(WarningWindowTest, TheTickOpensItModallyBlinksInsideAndBothWarningsFollowEachOther) {
    // Start point and prior at 50; the load jumps to 99: over the load
    // limit (95) and a rise of 49 over the rise limit (30).
    h.fp.loads = {99};
    // What each modal loop the tick opens showed, before and after a tick
    // nested in it.
    struct Seen {
        QString message, nestedMessage;
        QColor panel, nestedPanel;
        int nestedSounds = 0;
        bool oneWindow = false;
        bool okHasFocus = false;
    };
    std::vector<Seen> seen;
    QTimer driver;
    driver.setInterval(5);
    // Each time a modal window is up: look, tick once inside, press "OK"
    // (which ends that modal wait).
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* m = QApplication::activeModalWidget();
        if (!m) return;
        if (m != &warn) {
            ADD_FAILURE() << "unexpected modal window " << m->objectName().toStdString();
            m->close();
            return;
        }
        Seen s;
        s.okHasFocus = warn.focusWidget() == warnButton("BitBtn1");
        s.message = message();
        s.panel = panel();
        const int before = h.fp.sounds.size();
        h.monitorTimer().fire();  // a tick inside the modal wait
        s.nestedSounds = h.fp.sounds.size() - before;
        s.nestedMessage = message();
        s.nestedPanel = panel();
        s.oneWindow = QApplication::activeModalWidget() == &warn;
        seen.push_back(s);
        clickButton(warnButton("BitBtn1"));
    });
    driver.start();
    ASSERT_TRUE(h.monitorTimer().fire());
    driver.stop();

    ASSERT_EQ(seen.size(), 2u) << "the load warning, then in the same tick the rise warning";
    const QString load = QString::fromLatin1(kLoadLimitMessage);
    const QString rise = QString::fromLatin1(kRiseMessage);
    // 1. Load warning: the red design panel turned blue. The nested tick,
    // not yet acknowledged, warns again for both limits (blue -> red ->
    // black) with a dingdong each, and opens no second window.
    EXPECT_TRUE(seen[0].okHasFocus && seen[1].okHasFocus) << "\"OK\" has the focus when the window opens";
    EXPECT_EQ(seen[0].message, load);
    EXPECT_EQ(seen[0].panel, kBlueC);
    EXPECT_EQ(seen[0].nestedSounds, 2);
    EXPECT_EQ(seen[0].nestedMessage, rise);
    EXPECT_EQ(seen[0].nestedPanel, kBlackC);
    EXPECT_TRUE(seen[0].oneWindow);
    // 2. After "OK", the same tick goes on with the rise test (black -> red)
    // and opens the window again; a nested tick now sees the acknowledged
    // state and does nothing.
    EXPECT_EQ(seen[1].message, rise);
    EXPECT_EQ(seen[1].panel, kRedC);
    EXPECT_EQ(seen[1].nestedSounds, 0);
    EXPECT_EQ(seen[1].nestedPanel, kRedC);
    EXPECT_TRUE(seen[1].oneWindow);
    EXPECT_FALSE(warn.isVisible());
    expectStateColour(kRedC, "after OK");
    EXPECT_EQ(versionLabel(), QStringLiteral("Exceed Limit"));
    EXPECT_EQ(h.fp.sounds.count(h.cue("dingdong.wav")), 4);
    EXPECT_EQ(h.fp.sounds.count(h.cue("click.wav")), 2);

    // Acknowledged: more ticks over both limits show and play nothing.
    h.fp.sounds.clear();
    for (int i = 0; i < 3; ++i) h.monitorTimer().fire();
    EXPECT_FALSE(warn.isVisible());
    EXPECT_TRUE(h.fp.sounds.isEmpty()) << h.fp.sounds.join(QLatin1Char(' ')).toStdString();
}

TEST_F(WarningWindowTest, LimitResetOpensTheOptionsCentredOverTheWarningOnce) {
    h.app->warning().showModeless();
    h.options().move(3, 4);  // wherever it was: it opens centred
    QAbstractButton* reset = warnButton("RxSpeedButton13");
    bool ran = whileModal([&] { clickButton(reset); },
                          [&](QWidget* modal) {
                              EXPECT_EQ(modal, &h.options());
                              // Centred as every way in centres it (its frame about
                              // the screen's centre).
                              EXPECT_EQ(modal->pos(), QGuiApplication::primaryScreen()->geometry().center() -
                                                          modal->rect().center());
                              EXPECT_TRUE(warn.isVisible()) << "the warning stays open under the options";
                              EXPECT_EQ(h.fp.sounds, QStringList{h.cue("click.wav")});
                              // Again while the options are open: nothing at all.
                              reset->click();
                              EXPECT_EQ(h.fp.sounds.size(), 1);
                              EXPECT_EQ(QApplication::activeModalWidget(), &h.options());
                              h.options().close();
                          });
    EXPECT_TRUE(ran) << "\"Limit Reset\" did not open the options modally";
    EXPECT_FALSE(h.options().isVisible());
    EXPECT_TRUE(warn.isVisible());
    // The options were written on their close.
    EXPECT_TRUE(h.fp.iniEntries(h.dir.path()).contains(QStringLiteral("W x/xx1=95")));
}

TEST_F(WarningWindowTest, ExitProgramClosesTheMainWindowWithTheShutdownSequence) {
    h.app->warning().showModeless();
    ASSERT_TRUE(h.main().isVisible());
    clickButton(warnButton("RxSpeedButton1"));
    EXPECT_FALSE(h.main().isVisible());
    EXPECT_TRUE(h.app->controller().closing());
    EXPECT_EQ(h.fp.sounds.value(0), h.cue("click.wav"));
    QStringList written;
    for (const QString& e : h.fp.iniEntries(h.dir.path())) {
        if (e.startsWith(QLatin1String("W x/"))) continue;  // the options' own section
        written << e.mid(2).section(QLatin1Char('='), 0, 0);
    }
    EXPECT_EQ(written, (QStringList{QStringLiteral("my11/SpinEdit1"), QStringLiteral("W/Autoconnecttheonlinupgrade1"),
                                    QStringLiteral("W/checkbox1"), QStringLiteral("W/FFFF"), QStringLiteral("W/FFFF2"),
                                    QStringLiteral("W/left"), QStringLiteral("W/top"), QStringLiteral("W/Gauge5"),
                                    QStringLiteral("W/LMDLEDLabel3"), QStringLiteral("W/RxSpeedButton11")}));
}

}  // namespace
