// The main window's behaviour inside the whole application: docking and
// taking out, the analysis panel, the window shape, moving by the mouse,
// "Show"/"Hide", the popup menu and the tray icon. The application runs on
// the fake platform (a 1280x1024 screen) with a temporary program folder.
#include "app/info_window.h"
#include "app/main_window.h"
#include "app/ostra_app.h"
#include "tray/tray_icon.h"
#include "monitor/options_window.h"
#include "platform/linux/linux_window_services.h"
#include "app_harness.h"
#include "fakes/fake_platform.h"
#include "softtest/report_window.h"
#include "ui/gauge.h"
#include "ui/shape.h"
#include "ui/speedbutton.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QToolTip>
#include <QSet>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

using namespace ostra;
using ostra::testing::actionNamed;

// Readable failure messages for the geometry types.
void PrintTo(const QPoint& p, std::ostream* os) { *os << "(" << p.x() << "," << p.y() << ")"; }
void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }
void PrintTo(const QRect& r, std::ostream* os) {
    *os << "(" << r.x() << "," << r.y() << " " << r.width() << "x" << r.height() << ")";
}

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No StatusNotifier host may answer from the machine's session: the
        // icon behaves as in a plain XEmbed tray.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ostra-test-bus");
        ASSERT_TRUE(dir.isValid());
        platform.loads = {40};
        // No warnings interfere with the window's commands.
        platform.setIni(dir.path(), "x", "checkbox1", QStringLiteral("0"));
        platform.setIni(dir.path(), "x", "checkbox2", QStringLiteral("0"));
    }

    void TearDown() override { app.reset(); }

    // Creates the application (and so the windows) with the profile as set up
    // so far.
    OstraApp& create() {
        app = std::make_unique<OstraApp>(platform.services(), dir.path());
        return *app;
    }

    OstraApp& started() {
        create().start();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&app->mainWindow()));
        return *app;
    }

    MainWindow& win() { return app->mainWindow(); }
    // Qt's tray icon (the XEmbed backend's, as no StatusNotifier host answers).
    QSystemTrayIcon* trayIcon() { return app->tray().findChild<QSystemTrayIcon*>(); }
    QWidget* child(const char* name) { return win().findChild<QWidget*>(name); }
    QRect geometryOf(const char* name) {
        QWidget* w = child(name);
        EXPECT_NE(w, nullptr) << name;
        return w ? w->geometry() : QRect();
    }
    // The control's rectangle in main window coordinates (also for controls
    // on panels).
    QRect windowRectOf(const char* name) {
        QWidget* w = child(name);
        EXPECT_NE(w, nullptr) << name;
        if (!w) return {};
        return QRect(w->mapTo(&win(), QPoint(0, 0)), w->size());
    }
    void click(const char* name) {
        auto* b = win().findChild<QAbstractButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    FakeTimer& monitorTimer() { return static_cast<FakeTimer&>(app->monitor().timer()); }
    QString ini(const char* section, const char* key) const { return platform.ini(dir.path(), section, key); }

    // A left-button drag through the window system: press at `from` (window
    // coordinates), move the pointer by `by` in small steps, release. Events
    // go to whatever control is under the pointer, as for a real mouse.
    void drag(QPoint from, QPoint by) {
        QWindow* w = win().windowHandle();
        ASSERT_NE(w, nullptr);
        const QPoint startGlobal = win().mapToGlobal(from);
        QTest::mousePress(w, Qt::LeftButton, {}, from);
        const int steps = 10;
        for (int i = 1; i <= steps; ++i) {
            const QPoint g = startGlobal + by * i / steps;
            QTest::mouseMove(w, w->mapFromGlobal(g));
        }
        const QPoint end = startGlobal + by;
        QTest::mouseRelease(w, Qt::LeftButton, {}, w->mapFromGlobal(end));
        QApplication::processEvents();
    }

    QTemporaryDir dir;
    FakePlatform platform;
    std::unique_ptr<OstraApp> app;
};

// ---------------------------------------------------------------- docking

TEST_F(MainWindowTest, StoredPriorRunLoadShowsBeforeTheFirstTick) {
    // With the protection marker the start-up ends early and no tick has
    // run yet: the gauge still shows the stored load at the last close.
    platform.setIni(dir.path(), "W", "Gauge5", QStringLiteral("77"));
    platform.existingFiles << platform.marker;
    started();
    EXPECT_EQ(win().findChild<ui::Gauge*>("Gauge5")->progress(), 77);
}


TEST_F(MainWindowTest, StickToTheRightEndThenTakeOutKeepTheTop) {
    started();
    EXPECT_EQ(win().geometry(), QRect(201, 116, 390, 756));

    click("RxSpeedButton4");  // "Stick to the right end"
    EXPECT_EQ(win().x(), 1280 - 37);
    EXPECT_EQ(win().width(), 39);
    EXPECT_EQ(win().y(), 116);
    EXPECT_EQ(win().height(), 756);
    // Only the dock tab column shows: the buttons are still inside.
    EXPECT_TRUE(QRect(0, 0, 39, 756).contains(windowRectOf("RxSpeedButton7")));

    click("RxSpeedButton7");  // "Take out the main form"
    EXPECT_EQ(win().width(), 392);
    EXPECT_EQ(win().x(), 1280 - 390);
    EXPECT_EQ(win().y(), 116);
    EXPECT_EQ(win().height(), 756);
}

TEST_F(MainWindowTest, DockingFollowsTheScreenWidthOfThePlatform) {
    platform.screen = QSize(1600, 900);
    started();
    app->actions().stickRight.trigger();
    EXPECT_EQ(win().geometry(), QRect(1600 - 37, 116, 39, 756));
    app->actions().takeOut.trigger();
    EXPECT_EQ(win().geometry(), QRect(1600 - 390, 116, 392, 756));
}

TEST_F(MainWindowTest, DockedWidthIsNotStored) {
    started();
    app->actions().stickRight.trigger();
    win().close();
    const QString left = ini("W", "left");
    EXPECT_EQ(left, QString::number(1280 - 37));
    EXPECT_FALSE(platform.hasIni(dir.path(), "W", "width"));
}

// ---------------------------------------------------------- analysis panel

TEST_F(MainWindowTest, AnalysisButtonTogglesTheHeight) {
    started();
    auto* b = win().findChild<ui::SpeedButton*>("RxSpeedButton11");
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isChecked());
    EXPECT_EQ(win().height(), 756);

    click("RxSpeedButton11");
    EXPECT_FALSE(b->isChecked());
    EXPECT_EQ(win().height(), 341);
    EXPECT_EQ(win().width(), 390);
    EXPECT_EQ(win().pos(), QPoint(201, 116));

    click("RxSpeedButton11");
    EXPECT_TRUE(b->isChecked());
    EXPECT_EQ(win().height(), 756);

    // The state is what the next start finds.
    click("RxSpeedButton11");
    win().close();
    EXPECT_EQ(ini("W", "rxspeedbutton11"), QStringLiteral("0"));
}

TEST_F(MainWindowTest, StoredClosedAnalysisPanelGivesTheShortWindowAtStart) {
    platform.setIni(dir.path(), "W", "RxSpeedButton11", QStringLiteral("0"));
    started();
    EXPECT_EQ(win().height(), 341);
    EXPECT_FALSE(win().findChild<ui::SpeedButton*>("RxSpeedButton11")->isChecked());
    // The short window ends just above the analysis panel's background.
    EXPECT_EQ(win().height(), geometryOf("LMDShapeControl6").top() - 3);
}

// ------------------------------------------------------------------ shape

TEST_F(MainWindowTest, ShapeIsTheUnionOfTheDirectChildren) {
    create();
    const QRegion shape = win().shapeRegion();
    ASSERT_FALSE(shape.isEmpty());
    int children = 0;
    QRegion all;
    for (QObject* o : win().children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        ++children;
        all += w->geometry();
        EXPECT_TRUE(shape.contains(w->geometry()) || w->geometry().isEmpty())
            << w->objectName().toStdString() << " is outside the shape";
    }
    EXPECT_GT(children, 60);
    // Nothing but the children: the shape is exactly their union.
    EXPECT_TRUE((shape - all).isEmpty());
    EXPECT_EQ(win().mask(), shape);
    // The controls on panels are covered by their panels.
    EXPECT_TRUE(shape.contains(windowRectOf("RxSpeedButton16")));
    EXPECT_TRUE(shape.contains(windowRectOf("Gauge3")));
}

TEST_F(MainWindowTest, WhiteGapsAreNotPartOfTheShape) {
    create();
    const QRegion shape = win().shapeRegion();
    const QPoint gaps[] = {
        {340, 150},  // between the display frame and the right column
        {345, 200},  // same gap, lower
        {382, 150},  // right of the right column
        {20, 200},   // below the dock tab column
        {5, 5},      // top left corner, above the dock tab
        {200, 10},   // above the title bar
        {20, 500},   // left of the analysis panel
        {100, 340},  // between the command row and the analysis panel
    };
    for (QPoint p : gaps) EXPECT_FALSE(shape.contains(p)) << p.x() << "," << p.y();
    // Points on controls are inside.
    EXPECT_TRUE(shape.contains(QPoint(120, 97)));  // "Used Res" caption
    EXPECT_TRUE(shape.contains(QPoint(360, 150))); // right column
    EXPECT_TRUE(shape.contains(QPoint(20, 40)));   // dock tab
}

TEST_F(MainWindowTest, ShapeIsBuiltOnceFromTheDesignLayout) {
    started();
    const QRegion before = win().shapeRegion();
    app->actions().stickRight.trigger();
    click("RxSpeedButton11");
    EXPECT_EQ(win().shapeRegion(), before);
    // The analysis panel stays in the shape although the window is short.
    EXPECT_TRUE(before.contains(QPoint(200, 600)));
}

// ----------------------------------------------------------------- layout

TEST_F(MainWindowTest, TheHistoryBoxIsSilver) {
    started();
    auto* combo = win().findChild<QComboBox*>("ComboBox1");
    ASSERT_NE(combo, nullptr);
    combo->setEditText(QString());
    // The text field as the window shows it, away from its frame.
    const QRect field = combo->lineEdit()->geometry();
    const QImage shot = win().grab(QRect(combo->mapTo(&win(), field.topLeft()), field.size())).toImage();
    const QColor mid = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    EXPECT_EQ(mid, QColor(192, 192, 192)) << mid.name().toStdString();
}

TEST_F(MainWindowTest, CaptionsEndBeforeTheirValuesAndFiguresStayReadable) {
    platform.loads = {47, 47, 47, 47, 47, 100};
    started();
    ASSERT_TRUE(monitorTimer().fire());
    // The painted text of each caption ends where its neighbour begins.
    const std::pair<const char*, const char*> pairs[] = {
        {"Label33", "Label34"}, {"Label6", "Label7"},   {"Label3", "Label5"},
        {"Label21", "Label22"}, {"Label23", "Label24"}, {"Label4", "Label31"},
        {"Label10", "dxfPictureButton2"}, {"Label15", "Gauge8"}, {"Label16", "Gauge5"},
    };
    for (const auto& [caption, next] : pairs) {
        auto* l = win().findChild<QLabel*>(caption);
        ASSERT_NE(l, nullptr) << caption;
        const int end = l->x() + l->fontMetrics().horizontalAdvance(l->text().trimmed());
        EXPECT_LE(end, geometryOf(next).x()) << caption << " runs into " << next;
    }
    // Every caption lies inside the window's width.
    for (QLabel* l : win().findChildren<QLabel*>()) {
        if (l->text().isEmpty()) continue;
        const QPoint at = l->mapTo(&win(), QPoint(0, 0));
        EXPECT_LE(at.x() + l->fontMetrics().horizontalAdvance(l->text().trimmed()), 390)
            << l->objectName().toStdString();
    }
    // The figures beside the picture are drawn over it, on a plate as wide
    // as their text, which is never cut.
    const QObjectList kids = win().children();
    for (const char* name : {"Label22", "Label24", "Label31"}) {
        auto* l = win().findChild<QLabel*>(name);
        EXPECT_GT(kids.indexOf(l), kids.indexOf(child("Image1"))) << name;
        EXPECT_TRUE(l->autoFillBackground()) << name;
        EXPECT_GE(l->width(), l->sizeHint().width()) << name;
        EXPECT_LT(l->width(), geometryOf("Image1").right() - l->x()) << name << " hides the whole picture";
    }
    EXPECT_EQ(win().findChild<QLabel*>("Label31")->text(), QStringLiteral("100%"));
    app->monitor().setStartEntry(47, QStringLiteral("47 %  3  00:10:00"));
    auto* start = win().findChild<QLabel*>("Label22");
    EXPECT_EQ(start->text(), QStringLiteral("47 %  3  00:10:00"));
    EXPECT_GE(start->width(), start->sizeHint().width());
}

// ------------------------------------------------------------------ mouse

TEST_F(MainWindowTest, ElementsDrawnOnTheSurfaceTakeNoClicks) {
    create();
    for (const char* name : {"Label6", "Label7", "Label33", "Label21", "Label10", "Gauge1", "Gauge6",
                             "LMDShapeControl4", "Image2", "Image4", "Gauge8", "Gauge7", "Gauge10",
                             "Shape30"}) {
        const QRect r = geometryOf(name);
        EXPECT_EQ(win().childAt(r.center()), nullptr) << name << " takes the mouse";
    }
    // The title strip left of its button panel.
    EXPECT_EQ(win().childAt(QPoint(36, 45)), nullptr);
    // Controls with their own windows take it.
    for (const char* name : {"Panel1", "Panel5", "Panel2", "dxfTimer1", "RxSwitch1", "ComboBox2",
                             "dxfPictureButton1"}) {
        const QRect r = geometryOf(name);
        EXPECT_NE(win().childAt(r.center()), nullptr) << name << " does not take the mouse";
    }
}

TEST_F(MainWindowTest, HintsShowOverControlsOnPanelsNotOverElementsDrawnOnTheWindow) {
    started();
    // The hint request as Qt's tool-tip timer sends it: to the control
    // that takes the mouse under the pointer, passed on up to the window.
    auto hintAt = [this](QPoint p) {
        QToolTip::hideText();
        QWidget* target = win().childAt(p);
        if (!target) target = &win();
        QHelpEvent he(QEvent::ToolTip, target->mapFrom(&win(), p), win().mapToGlobal(p));
        QApplication::sendEvent(target, &he);
        return he.isAccepted() && QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    // Gauge3 sits on a panel: its hint shows.
    EXPECT_EQ(hintAt(windowRectOf("Gauge3").center()), QStringLiteral("Now Res"));
    // Elements drawn on the window show none, whatever their hint.
    EXPECT_EQ(hintAt(windowRectOf("Label33").center()), QString());
    EXPECT_EQ(hintAt(windowRectOf("Label34").center()), QString());
    // Shape28's frame, beside the button column it stands behind.
    const QRect column = windowRectOf("Shape28");
    EXPECT_EQ(hintAt(QPoint(column.left() + 1, column.center().y())), QString());
    for (const char* name : {"Label33", "Label34", "Shape28"}) EXPECT_EQ(child(name)->toolTip(), QString()) << name;
    // A button keeps its own hint; a bare label has none.
    EXPECT_EQ(hintAt(windowRectOf("RxSpeedButton4").center()), QStringLiteral("Stick to the right end"));
    EXPECT_EQ(hintAt(windowRectOf("Label6").center()), QString());
    QToolTip::hideText();
}

TEST_F(MainWindowTest, DragFromALabelMovesTheWindowByTheMousesWay) {
    started();
    const QPoint start = win().pos();
    drag({120, 97}, {50, 30});  // the "Used Res" caption
    EXPECT_EQ(win().pos(), start + QPoint(50, 30));
    EXPECT_EQ(win().size(), QSize(390, 756));

    // From the centre pie and the diamond around it, and back again.
    const QPoint second = win().pos();
    drag(geometryOf("Gauge1").center(), {-73, 11});
    EXPECT_EQ(win().pos(), second + QPoint(-73, 11));

    const QPoint third = win().pos();
    drag({geometryOf("LMDShapeControl4").left() + 5, geometryOf("LMDShapeControl4").center().y()}, {-3, -40});
    EXPECT_EQ(win().pos(), third + QPoint(-3, -40));
}

TEST_F(MainWindowTest, MovedPositionIsStored) {
    started();
    drag(geometryOf("Label33").center(), {-100, 20});
    EXPECT_EQ(win().pos(), QPoint(101, 136));
    win().close();
    EXPECT_EQ(ini("W", "left"), QStringLiteral("101"));
    EXPECT_EQ(ini("W", "top"), QStringLiteral("136"));
}

TEST_F(MainWindowTest, PressOnControlsWithTheirOwnWindowsDoesNotMoveTheWindow) {
    started();
    const QPoint start = win().pos();
    // Panel1 between the favourites buttons and the timer buttons.
    const QRect panel1 = windowRectOf("Panel1");
    const QPoint emptyPanel(panel1.center().x(), panel1.top() + 88);
    ASSERT_EQ(win().childAt(emptyPanel), child("Panel1"));
    drag(emptyPanel, {-40, 25});
    EXPECT_EQ(win().pos(), start);

    // The "RES" caption lies on Panel5 and belongs to it.
    const QRect res = windowRectOf("Label32");
    ASSERT_EQ(win().childAt(res.center()), child("Panel5"));
    drag(res.center(), {30, 30});
    EXPECT_EQ(win().pos(), start);

    // The rest timer display and the LED number on Panel7.
    drag(geometryOf("dxfTimer1").center(), {-30, 30});
    EXPECT_EQ(win().pos(), start);
    drag(windowRectOf("LMDLEDLabel2").center(), {-30, 30});
    EXPECT_EQ(win().pos(), start);

    // A drag from the surface still works afterwards.
    drag({120, 97}, {10, 10});
    EXPECT_EQ(win().pos(), start + QPoint(10, 10));
}

TEST_F(MainWindowTest, ContextMenuIsThePopupMenu) {
    started();
    const QPoint at(120, 97);
    QContextMenuEvent ev(QContextMenuEvent::Mouse, at, win().mapToGlobal(at));
    QApplication::sendEvent(&win(), &ev);
    EXPECT_TRUE(app->popupMenu().isVisible());
    app->popupMenu().hide();
    EXPECT_EQ(trayIcon()->contextMenu(), &app->popupMenu());

    // Everywhere on the window: the controls that keep the mouse, and the
    // ones on panels, pass a request they leave unused on to the window.
    for (const char* name : {"RxSpeedButton16", "Panel1", "RxSwitch2", "RxSwitch1", "dxfTimer1",
                             "dxfPictureButton1", "RxSpeedButton5", "Panel2", "RxSpeedButton4", "Panel6",
                             "LMDLEDLabel2"}) {
        QWidget* w = child(name);
        ASSERT_NE(w, nullptr) << name;
        const QPoint c = w->rect().center();
        QContextMenuEvent cm(QContextMenuEvent::Mouse, c, w->mapToGlobal(c));
        QApplication::sendEvent(w, &cm);
        EXPECT_TRUE(app->popupMenu().isVisible()) << "no menu on " << name;
        app->popupMenu().hide();
    }
}

// ---------------------------------------------------------------- Show/Hide

TEST_F(MainWindowTest, HideClosesTheOtherWindowsAndWritesTheOptions) {
    started();
    app->optionsWindow().show();
    app->reportWindow().show();
    ASSERT_TRUE(app->optionsWindow().isVisible());
    QFile::remove(dir.filePath(QStringLiteral("tevo.ini")));
    platform.writes = 0;

    actionNamed(*app, "hide1")->trigger();

    EXPECT_FALSE(win().isVisible());
    EXPECT_FALSE(app->optionsWindow().isVisible());
    EXPECT_FALSE(app->reportWindow().isVisible());
    // Closing the options window wrote its section, in one replacement.
    EXPECT_EQ(platform.writes, 1);
    EXPECT_EQ(ini("x", "xx1"), QStringLiteral("95"));
    EXPECT_EQ(ini("x", "yy1"), QStringLiteral("30"));
    EXPECT_EQ(ini("x", "checkbox1"), QStringLiteral("0"));
    EXPECT_EQ(ini("x", "checkbox2"), QStringLiteral("0"));
    EXPECT_TRUE(platform.hasIni(dir.path(), "x", "SoundCheck"));
}

TEST_F(MainWindowTest, HiddenWindowStopsSamplingAndKeepsTheTrayTip) {
    started();
    ASSERT_TRUE(monitorTimer().fire());
    const QString tip = app->tray().tip();
    ASSERT_TRUE(tip.startsWith(QStringLiteral("Ostra60%/")));

    app->actions().hide.trigger();
    const int reads = platform.loadReads;
    platform.loads = {10};
    monitorTimer().fire();
    monitorTimer().fire();
    // The tick does nothing; the load history makes its one reading of
    // each such wake-up (a shown tick makes seven) and records it.
    EXPECT_EQ(platform.loadReads, reads + 2);
    EXPECT_EQ(app->tray().tip(), tip);
    ASSERT_TRUE(app->loadRecorder().ring().at(platform.epoch));
    EXPECT_EQ(app->loadRecorder().ring().at(platform.epoch)->load, 10);
}

TEST_F(MainWindowTest, ShowAfterHideReplaysTheStartUpSequence) {
    // A stored counter of 1 makes every showing the one that checks for
    // an upgrade, so each replay is visible.
    platform.setIni(dir.path(), "my11", "SpinEdit1", QStringLiteral("1"));
    create();
    int upgradeChecks = 0;
    QObject::connect(&app->controller(), &MainController::upgradeCheckDue, [&] { ++upgradeChecks; });
    platform.loads = {30};
    platform.reads = 0;
    app->start();
    EXPECT_EQ(upgradeChecks, 1);
    EXPECT_EQ(app->controller().settings().startCounter, 2);
    EXPECT_EQ(platform.reads, 1);  // the settings, once a showing
    EXPECT_EQ(win().findChild<QLabel*>("Label22")->text(), QStringLiteral("30%"));

    // "Show" on a shown window only brings it to the front.
    actionNamed(*app, "Show1")->trigger();
    EXPECT_EQ(upgradeChecks, 1);
    EXPECT_EQ(platform.reads, 1);  // the settings, once a showing

    actionNamed(*app, "hide1")->trigger();
    ASSERT_FALSE(win().isVisible());
    platform.loads = {70};
    actionNamed(*app, "Show1")->trigger();
    EXPECT_TRUE(win().isVisible());
    EXPECT_EQ(upgradeChecks, 2);
    EXPECT_EQ(platform.reads, 2);
    EXPECT_EQ(app->controller().settings().startCounter, 2);
    // The start point is read afresh.
    EXPECT_EQ(win().findChild<QLabel*>("Label22")->text(), QStringLiteral("70%"));
    EXPECT_EQ(app->monitor().figures().nowLoad, 70);
    EXPECT_EQ(monitorTimer().interval(), 1000);
}

TEST_F(MainWindowTest, ASecondStartWhileHiddenShowsTheWindow) {
    started();
    actionNamed(*app, "hide1")->trigger();
    ASSERT_FALSE(win().isVisible());
    const QString counter = ini("my11", "SpinEdit1");
    app->showRequested();  // what a second start asks of the running copy
    QApplication::processEvents();
    EXPECT_TRUE(win().isVisible());
    // Shown from hidden: the start-up sequence ran again.
    EXPECT_EQ(app->controller().settings().startCounter, 2);
    EXPECT_EQ(counter, ini("my11", "SpinEdit1"));  // nothing written meanwhile
}

TEST_F(MainWindowTest, DoubleClickOnTheIconRunsShow) {
    started();
    app->actions().hide.trigger();
    app->infoWindow().show();
    ASSERT_FALSE(win().isVisible());

    QSystemTrayIcon* icon = trayIcon();
    // A single click does nothing on a plain tray.
    emit icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(win().isVisible());
    EXPECT_TRUE(app->infoWindow().isVisible());

    emit icon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(win().isVisible());
    EXPECT_FALSE(app->infoWindow().isVisible());

    // The default entry runs only while it is enabled.
    app->actions().hide.trigger();
    actionNamed(*app, "Show1")->setEnabled(false);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(win().isVisible());
    actionNamed(*app, "Show1")->setEnabled(true);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(win().isVisible());
}

// -------------------------------------------------------------- popup menu

TEST_F(MainWindowTest, PopupMenuHasEveryEntryInOrder) {
    create();
    QMenu& m = app->popupMenu();
    EXPECT_EQ(m.objectName(), QStringLiteral("PopupMenu1"));
    // A null text: a separator; an empty text: any caption.
    struct Entry {
        const char* name;
        const char* text;
    };
    const Entry expected[] = {
        {"N1", "Refresh Memory"},
        {"Show1", "Show"},
        {"hide1", "Hide"},
        {"LogIn1", "Run all auto startup softwares "},
        {"N3", "Setting auto startup softwares after refresh memory"},
        {"N7", nullptr},
        {"Restartthetimer1", "Restart the timer"},
        {"Stopthetimer1", "Stop the timer"},
        {"Startthetimer1", "Start the timer"},
        {"ChangeSoundSetting1", "Change Sound Setting"},
        {"N9", nullptr},
        {"Startsoftwaretest1", "Software test"},
        {"N10", nullptr},
        {"N2", ""},  // named after the information window
        {"Onlineupgrade1", "On line upgrade"},
        {"Autoconnecttheonlinupgrade1", "Auto connect the online upgrade"},
        {"N6", ""},  // the maker's homepage
        {"N8", "Help"},
        {"N4", nullptr},
        {"N5", "Exit Program"},
        // Beyond the original menu: after a separator at the end.
        {"N11", nullptr},
        {"WhatGrew1", "What grew since the start point..."},
        {"NameWhatGrew1", "Name what grew in a notification"},
        {"LoadHistory1", "Load history..."},
    };
    const QList<QAction*> actions = m.actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(expected)));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const Entry& e = expected[i];
        QAction* a = actions[i];
        EXPECT_EQ(a->objectName(), QLatin1String(e.name)) << "entry " << i;
        EXPECT_EQ(a->isSeparator(), e.text == nullptr) << e.name;
        if (e.text && *e.text) {
            EXPECT_EQ(a->text(), QLatin1String(e.text)) << e.name;
        } else if (e.text) {
            EXPECT_FALSE(a->text().isEmpty()) << e.name;
        }
    }
    EXPECT_EQ(actionNamed(*app, "N2")->text(), app->infoWindow().windowTitle());

    QMenu* sound = actions[9]->menu();
    ASSERT_NE(sound, nullptr);
    QStringList soundEntries;
    for (QAction* a : sound->actions()) soundEntries << a->objectName() + QLatin1Char('=') + a->text();
    EXPECT_EQ(soundEntries, QStringList({QStringLiteral("Changethealarmsound1=Alarm sound"),
                                         QStringLiteral("Emergencysound1=Resource emergency sound"),
                                         QStringLiteral("StartSound1=Start sound")}));

    EXPECT_EQ(actionNamed(*app, "N1")->shortcut(), QKeySequence(Qt::Key_F7));
    EXPECT_EQ(actionNamed(*app, "N8")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(actionNamed(*app, "WhatGrew1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    EXPECT_EQ(actionNamed(*app, "LoadHistory1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    for (QAction* a : actions) {
        if (a != actionNamed(*app, "N1") && a != actionNamed(*app, "N8") && a != actionNamed(*app, "WhatGrew1") &&
            a != actionNamed(*app, "LoadHistory1")) {
            EXPECT_TRUE(a->shortcut().isEmpty()) << a->objectName().toStdString();
        }
    }
    EXPECT_EQ(m.defaultAction(), actionNamed(*app, "Show1"));
    QAction* autoUpgrade = actionNamed(*app, "Autoconnecttheonlinupgrade1");
    EXPECT_TRUE(autoUpgrade->isCheckable());
    EXPECT_TRUE(autoUpgrade->isChecked());
}

TEST_F(MainWindowTest, FunctionKeysRunTheirEntriesFromTheMainWindow) {
    started();
    QApplication::setActiveWindow(&win());
    platform.fakeDialogs.answers = {Answer::No};
    QTest::keyClick(&win(), Qt::Key_F7);
    ASSERT_EQ(platform.fakeDialogs.shown.size(), 1u);
    EXPECT_EQ(platform.fakeDialogs.shown[0].kind, QStringLiteral("confirm"));
    EXPECT_EQ(platform.fakeDialogs.shown[0].text, QString::fromLatin1(kRefreshQuestion));
    EXPECT_FALSE(platform.calls.contains(QStringLiteral("logoff")));

    QTest::keyClick(&win(), Qt::Key_F1);
    EXPECT_EQ(platform.opened, QStringList{dir.path() + QStringLiteral("/help.htm")});
}

// --------------------------------------------------------------- tray tip

TEST_F(MainWindowTest, TrayTipIsTheMonitorsHintCutTo63Characters) {
    EXPECT_EQ(TrayIcon::cutTip(QString(63, QLatin1Char('a'))), QString(63, QLatin1Char('a')));
    EXPECT_EQ(TrayIcon::cutTip(QString(64, QLatin1Char('b'))), QString(63, QLatin1Char('b')));
    EXPECT_EQ(TrayIcon::cutTip(QStringLiteral("Ostra53%/00:12:07")), QStringLiteral("Ostra53%/00:12:07"));

    started();
    // No tip before the first sample.
    EXPECT_TRUE(app->tray().tip().isEmpty());
    EXPECT_TRUE(trayIcon()->toolTip().isEmpty());

    ASSERT_TRUE(monitorTimer().fire());
    EXPECT_EQ(app->tray().tip(), QStringLiteral("Ostra60%/00:00:00"));
    EXPECT_EQ(trayIcon()->toolTip(), app->tray().tip());

    const QString longHint = QStringLiteral("Ostra") + QString(70, QLatin1Char('7')) + QStringLiteral("%/00:00:01");
    app->tray().setHint(longHint);
    EXPECT_EQ(app->tray().tip(), longHint.left(63));
    EXPECT_EQ(trayIcon()->toolTip().size(), 63);
}

TEST_F(MainWindowTest, TrayPicturesAlternateEvery150Ms) {
    if (!qEnvironmentVariableIsEmpty("OSTRA_TRAY_STILL")) GTEST_SKIP() << "animation switched off";
    create();
    TrayIcon& tray = app->tray();
    ASSERT_TRUE(tray.animated());
    // Watch the picture for a second: it steps about every 150 ms and only
    // ever between the two frames.
    QElapsedTimer clock;
    clock.start();
    int last = tray.frame();
    int changes = 0;
    QSet<int> frames{last};
    QList<QImage> pictures{trayIcon()->icon().pixmap(16, 16).toImage()};
    while (clock.elapsed() < 1050) {
        QTest::qWait(5);
        if (tray.frame() != last) {
            last = tray.frame();
            frames << last;
            ++changes;
            if (pictures.size() < 2) pictures << trayIcon()->icon().pixmap(16, 16).toImage();
        }
    }
    EXPECT_GE(changes, 4);
    EXPECT_LE(changes, 8);
    EXPECT_EQ(frames, QSet<int>({0, 1}));
    ASSERT_EQ(pictures.size(), 2);
    EXPECT_NE(pictures[0], pictures[1]);
    tray.setAnimated(false);
    const int still = tray.frame();
    QTest::qWait(400);
    EXPECT_EQ(tray.frame(), still);
}

}  // namespace

// ------------------------------------------------------ information window

TEST_F(MainWindowTest, InformationTextWrapsInItsBoxAboveTheAlarmLine) {
    started();
    InfoWindow& info = app->infoWindow();
    auto* desc = info.findChild<QLabel*>("Label4");
    auto* alarm = info.findChild<QLabel*>("Label7");
    auto* version = info.findChild<QLabel*>("Version");
    ASSERT_TRUE(desc && alarm && version);
    EXPECT_EQ(desc->geometry(), QRect(21, 62, 290, 69));
    EXPECT_TRUE(desc->wordWrap());
    EXPECT_EQ(alarm->pos(), QPoint(24, 115));
    // Every line of the wrapped text is drawn above the alarm line, in a
    // font at most a pixel smaller than the window's other small texts.
    EXPECT_LE(desc->y() + desc->heightForWidth(desc->width()), alarm->y());
    EXPECT_GE(desc->font().pixelSize(), version->font().pixelSize() - 1);
}

// ------------------------------------------------------ Minimize, then Show

namespace {

// The program on the fake platform but with the real window services, so
// that "Minimize" takes its windows off the screen; started, no warnings.
struct RealWindows {
    RealWindows() {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ostra-test-bus");
        platform.loads = {40};
        platform.setIni(dir.path(), "x", "checkbox1", QStringLiteral("0"));
        platform.setIni(dir.path(), "x", "checkbox2", QStringLiteral("0"));
        const Services b = platform.services();
        services = std::make_unique<Services>(Services{b.load, b.sound, b.files, b.shell, b.processes, b.session,
                                                       b.downloads, b.clock, windows, b.dialogs,
                                                       b.processMemory, b.notifier, b.pressure, b.desktopEntries,
                                                       b.processControl, b.userUnits, b.appWindows, b.desktopPeers,
                                                       b.kernelCounters, b.journal, b.collectorFolder});
        app = std::make_unique<OstraApp>(*services, dir.path());
        app->start();
    }
    QTemporaryDir dir;
    FakePlatform platform;
    LinuxWindowServices windows;
    std::unique_ptr<Services> services;
    std::unique_ptr<OstraApp> app;
};

}  // namespace

TEST(MinimizeThenShow, TheOtherWindowsOpenAtMinimizeAreClosedNotBroughtBack) {
    for (const char* command : {"Show1", "hide1"}) {
        RealWindows r;
        OstraApp& app = *r.app;
        QTemporaryDir& dir = r.dir;
        FakePlatform& platform = r.platform;
        LinuxWindowServices& windows = r.windows;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.mainWindow()));
        const std::vector<QWidget*> others{&app.infoWindow(), &app.reportWindow(), &app.optionsWindow(),
                                           &app.warningWindow()};
        for (QWidget* w : others) w->show();
        QFile::remove(dir.filePath(QStringLiteral("tevo.ini")));

        actionNamed(app, "RxSpeedButton15")->trigger();  // "Minimize"
        ASSERT_TRUE(windows.isApplicationMinimized());
        EXPECT_FALSE(app.mainWindow().isVisible());
        for (QWidget* w : others)  // a modal window stays (the information window is one)
            EXPECT_EQ(w->isVisible(), w->isModal()) << w->objectName().toStdString();

        actionNamed(app, command)->trigger();
        QApplication::processEvents();
        EXPECT_FALSE(windows.isApplicationMinimized());
        EXPECT_EQ(app.mainWindow().isVisible(), QByteArray(command) == "Show1") << command;
        for (QWidget* w : others)
            EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString() << " back after " << command;
        // The options window was closed as the user closes it: its section written.
        EXPECT_EQ(platform.ini(dir.path(), "x", "xx1"), QStringLiteral("95")) << command;
    }
}

// "Minimize" during a software test: the report leaves the screen with the
// rest and stays off it at every sample, while the samples go on; the
// program restored (a second start), it is back and raised again.
TEST(MinimizeThenShow, AReportUnderWayStaysOffTheScreenWhileSamplingGoesOn) {
    RealWindows r;
    OstraApp& app = *r.app;
    LinuxWindowServices& windows = r.windows;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.mainWindow()));
    r.platform.fakeDialogs.fileAnswers = {QStringLiteral("/opt/prog/tool.exe")};
    actionNamed(app, "Startsoftwaretest1")->trigger();
    ReportWindow& report = app.reportWindow();
    ASSERT_TRUE(report.isVisible());
    auto& sampler = dynamic_cast<FakeTimer&>(app.softTest().timer());

    actionNamed(app, "RxSpeedButton15")->trigger();  // "Minimize"
    ASSERT_TRUE(windows.isApplicationMinimized());
    auto onScreen = [] {
        QStringList names;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !w->inherits("QSystemTrayIconSys")) names << w->objectName();
        return names;
    };
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(sampler.fire());
        QApplication::processEvents();
        EXPECT_EQ(onScreen(), QStringList()) << "sample " << i + 1;
    }
    EXPECT_EQ(app.softTest().testSeconds(), 3);
    EXPECT_TRUE(app.softTest().sampling());

    app.showRequested();
    QApplication::processEvents();
    EXPECT_TRUE(report.isVisible());
    EXPECT_TRUE(app.mainWindow().isVisible());
    ASSERT_TRUE(sampler.fire());
    EXPECT_EQ(app.softTest().testSeconds(), 4);
    EXPECT_TRUE(report.isVisible());
}
