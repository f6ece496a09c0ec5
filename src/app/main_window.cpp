#include "app/main_window.h"

#include "app/actions.h"
#include "app/figure_texts.h"
#include "app/main_controller.h"
#include "app/placement.h"
#include "monitor/monitor.h"
#include "monitor/res_list.h"
#include "monitor/start_point.h"
#include "monitor/view_state.h"
#include "platform/window_services.h"
#include "refresh/program_lists.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"

#include "ui/artwork.h"
#include "ui/colors.h"
#include "ui/editabledropdown.h"
#include "ui/gauge.h"
#include "ui/lednumber.h"
#include "ui/picturebutton.h"
#include "ui/shape.h"
#include "ui/speedbutton.h"
#include "ui/stopwatchdisplay.h"
#include "ui/twostateswitch.h"
#include "ui/x11/onscreen_x11.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

namespace ostra {

using ui::Gauge;
using ui::Glyph;
using ui::kAqua, ui::kBlack, ui::kBlue, ui::kFuchsia, ui::kGreen, ui::kGrey, ui::kLime, ui::kNavy, ui::kPurple,
    ui::kRed, ui::kSilver, ui::kWhite, ui::kYellow;

namespace {

// Elements drawn on the window's own surface take no clicks, so a press on
// them reaches the window and moves it.
void passMouse(QWidget* w) { w->setAttribute(Qt::WA_TransparentForMouseEvents, true); }

QFont smallFont() { return ui::narrowFont(10); }

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, const QColor& color,
                  bool bold = false) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    QFont f = smallFont();
    f.setBold(bold);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, color);
    l->setPalette(pal);
    l->adjustSize();
    l->move(x, y);
    passMouse(l);
    return l;
}

Gauge* makeGauge(QWidget* parent, const char* name, Gauge::Kind kind, const QRect& r, const QColor& back,
                 const QColor& fore, bool border = true) {
    auto* g = new Gauge(kind, parent);
    g->setObjectName(QLatin1String(name));
    g->setGeometry(r);
    g->setBackColor(back);
    g->setForeColor(fore);
    g->setBorder(border);
    passMouse(g);
    return g;
}

ui::Shape* makeShape(QWidget* parent, const char* name, ui::Shape::Form form, const QRect& r, const QColor& brush,
                     const QColor& pen) {
    auto* s = new ui::Shape(form, parent);
    s->setObjectName(QLatin1String(name));
    s->setGeometry(r);
    s->setBrushColor(brush);
    s->setPenColor(pen);
    passMouse(s);
    return s;
}

QFrame* makePanel(QWidget* parent, const char* name, const QRect& r, const QColor& color) {
    auto* p = new QFrame(parent);
    p->setObjectName(QLatin1String(name));
    p->setGeometry(r);
    ui::fillBackground(p, color);
    return p;
}

// A button that runs its command's action; the action's text is its hint.
ui::SpeedButton* makeButton(QWidget* parent, const char* name, Glyph glyph, QAction& action, const QRect& r) {
    auto* b = new ui::SpeedButton(glyph, action.text(), parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(r);
    QObject::connect(b, &QAbstractButton::clicked, &action, &QAction::trigger);
    return b;
}

QLabel* makePicture(QWidget* parent, const char* name, const QRect& r, const QPixmap& pm) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(r);
    l->setPixmap(pm);
    l->setScaledContents(true);
    passMouse(l);
    return l;
}

// The display's background, painted where it shows rather than kept as a
// picture of its whole size.
class DisplayBackground : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        ui::paintDisplayBackground(p, width(), height());
    }
};

QWidget* makeDisplayBackground(QWidget* parent, const char* name, const QRect& r) {
    auto* w = new DisplayBackground(parent);
    w->setObjectName(QLatin1String(name));
    w->setAttribute(Qt::WA_OpaquePaintEvent);
    w->setGeometry(r);
    passMouse(w);
    return w;
}

// The topmost control at `p` (in `parent`'s coordinates) that has a hint,
// the controls on panels that pass the mouse through included. Elements
// drawn on the window itself (`onWindow`) show none.
QWidget* hintedControlAt(QWidget* parent, QPoint p, bool onWindow = true) {
    const QObjectList& children = parent->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (!(*it)->isWidgetType()) continue;
        auto* w = static_cast<QWidget*>(*it);
        if (w->isWindow() || !w->isVisible() || !w->geometry().contains(p)) continue;
        if (onWindow && w->testAttribute(Qt::WA_TransparentForMouseEvents)) continue;
        if (QWidget* inner = hintedControlAt(w, p - w->pos(), false)) return inner;
        if (!w->toolTip().isEmpty()) return w;
    }
    return nullptr;
}

}  // namespace

MainWindow::MainWindow(Model model, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_(model) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Brisel"));
    setWindowIcon(ui::programIcon());
    m_.windows.skipTaskbar(this);
    ui::fillBackground(this, kWhite);
    setGeometry(kDesignLeft, kDesignTop, kDesignWidth, 747);
    buildLayout();
    buildShape();
    bind();
    // The program's active window, as the focus moves between its windows.
    // The focus leaving for another application (no focus window) does not
    // count, nor do menus and tool tips.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* w) {
        if (w && w != windowHandle() &&
            (w->type() == Qt::Window || w->type() == Qt::Dialog || w->type() == Qt::Tool))
            otherWindowActive_ = true;
    });
}

MainWindow::~MainWindow() = default;

// The window is built region by region. The order of creation is the order
// of the window's children: it decides what lies over what, and the shape
// is made from it.
void MainWindow::buildLayout() {
    buildDockTab();
    buildTitleBar();
    buildDisplay();
    buildRightColumn();
    buildCommandRow();
    buildAnalysisPanel();
    for (Gauge* g : {loadPie_, nowLoadBar_, dockLoadBar_}) g->setProgress(0);
    nameGaugesByCaption();
    keepMouseInOwnWindows();
}

// The dock tab, the column x 1..39: what still shows when the window is
// stuck to the right end.
void MainWindow::buildDockTab() {
    dockTab_ = makeShape(this, "Shape25", ui::Shape::Form::Frame, {1, 24, 38, 37}, kWhite, kGrey);
    makeShape(this, "Shape23", ui::Shape::Form::Rectangle, {3, 26, 34, 33}, QColor(0, 125, 251),
              QColor(0, 125, 251));
    makePicture(this, "Image4", {4, 27, 32, 31}, ui::programPicture(32, 31, devicePixelRatioF()));
    makeShape(this, "Shape26", ui::Shape::Form::Rectangle, {1, 63, 38, 17}, kSilver, kGrey);
    QFrame* takeOutPanel = makePanel(this, "Panel4", {4, 65, 11, 14}, kSilver);
    makeButton(takeOutPanel, "RxSpeedButton7", Glyph::DockLeft, m_.actions.takeOut, {0, 0, 11, 14});
    QFrame* stickRightPanel = makePanel(this, "Panel3", {22, 65, 11, 14}, kSilver);
    makeButton(stickRightPanel, "RxSpeedButton4", Glyph::DockRight, m_.actions.stickRight, {0, 0, 11, 14});
    QFrame* dockGaugePanel = makePanel(this, "Panel6", {1, 83, 38, 21}, kSilver);
    dockLoadBar_ = makeGauge(dockGaugePanel, "Gauge3", Gauge::Kind::Bar, {2, 2, 34, 15}, kBlue, QColor(0, 0, 160));
    dockLoadBar_->setToolTip(QStringLiteral("Now Res"));
    QFrame* passedMinutesPanel = makePanel(this, "Panel7", {14, 106, 24, 21}, kBlack);
    passedMinutes_ = new ui::LedNumber(passedMinutesPanel);
    passedMinutes_->setObjectName(QStringLiteral("LMDLEDLabel2"));
    passedMinutes_->setGeometry(1, 1, 24, 18);
    passedMinutes_->setToolTip(QStringLiteral("Passed interval minute for your rest time"));
}

// The title bar: the program's name and version, the web, help and window
// buttons.
void MainWindow::buildTitleBar() {
    makeShape(this, "Shape14", ui::Shape::Form::Rectangle, {33, 31, 296, 2}, kNavy, kNavy);
    titleBar_ = makeShape(this, "Shape22", ui::Shape::Form::Rectangle, {33, 33, 296, 21}, kBlue, kBlue);
    makeShape(this, "Shape21", ui::Shape::Form::Rectangle, {33, 54, 296, 2}, kNavy, kNavy);
    makeLabel(this, "Label1", QStringLiteral("Ostra   V"), 44, 37, kWhite, true);
    versionLabel_ = makeLabel(this, "Label2", QStringLiteral(OSTRA_VERSION_TEXT), 95, 37, kWhite, true);
    versionLabel_->setMinimumWidth(70);
    versionLabel_->resize(70, versionLabel_->height());
    QFrame* titleButtons = makePanel(this, "Panel2", {160, 34, 166, 19}, kBlue);
    makeButton(titleButtons, "RxSpeedButton14", Glyph::Home, m_.actions.homepage, {2, 0, 20, 19});
    makeButton(titleButtons, "RxSpeedButton5", Glyph::Info, m_.actions.information, {24, 0, 20, 19});
    makeButton(titleButtons, "RxSpeedButton6", Glyph::Help, m_.actions.help, {46, 0, 20, 19});
    makeButton(titleButtons, "RxSpeedButton8", Glyph::Upgrade, m_.actions.onlineUpgrade, {68, 0, 20, 19});
    makeButton(titleButtons, "RxSpeedButton15", Glyph::Minimize, m_.actions.minimize, {120, 0, 21, 19});
    makeButton(titleButtons, "RxSpeedButton3", Glyph::Close, m_.actions.close, {142, 1, 21, 18});
}

// The display: its frame, the totals, the pie in the centre, then the
// figures and the stopwatch, the two switches and the refresh button.
void MainWindow::buildDisplay() {
    makeShape(this, "Shape5", ui::Shape::Form::Rectangle, {43, 73, 295, 225}, kGrey, kGrey);
    makeShape(this, "Shape2", ui::Shape::Form::Rectangle, {40, 70, 295, 225}, QColor(0, 128, 255),
              QColor(0, 128, 255));
    makeShape(this, "Shape4", ui::Shape::Form::Frame, {42, 72, 291, 221}, kWhite, kNavy);
    makeDisplayBackground(this, "Image2", {43, 73, 289, 220});
    // Drawn on the window, the two show no tool tip: their hint is for a
    // screen reader only.
    ui::fitWidth(makeLabel(this, "Label33", QStringLiteral("Total Used Res"), 240, 75, kBlack), 60)
        ->setAccessibleDescription(QStringLiteral("Total used resouces"));
    totalUsedText_ = makeLabel(this, "Label34", QStringLiteral("20%"), 301, 75, kNavy, true);
    totalUsedText_->setAccessibleDescription(QStringLiteral("Total used resouces"));
    makeLabel(this, "Label6", QStringLiteral("Used Res  "), 115, 94, kNavy);
    usedText_ = makeLabel(this, "Label7", QStringLiteral("20%"), 160, 95, kBlue, true);
    ui::fitWidth(makeLabel(this, "Label3", QStringLiteral("Free Res  "), 225, 106, kBlack), 35);
    freeText_ = makeLabel(this, "Label5", QStringLiteral("20%"), 261, 105, kSilver, true);
    for (QLabel* l : {totalUsedText_, usedText_, freeText_}) l->resize(36, l->height());
    pieBackdrop_ =
        makeGauge(this, "Gauge6", Gauge::Kind::Pie, {121, 150, 55, 53}, QColor(0, 128, 255), kRed, false);
    pieBackdrop_->setProgress(50);
    auto* diamond = new ui::Diamond(this);
    diamond->setObjectName(QStringLiteral("LMDShapeControl4"));
    diamond->setGeometry(109, 139, 79, 75);
    passMouse(diamond);
    loadPie_ = makeGauge(this, "Gauge1", Gauge::Kind::Pie, {132, 160, 33, 33}, kBlue, kNavy, false);
    buildFigureColumn();
    autoRefreshSwitch_ = new ui::TwoStateSwitch(this);
    autoRefreshSwitch_->setObjectName(QStringLiteral("RxSwitch1"));
    autoRefreshSwitch_->setGeometry(272, 218, 25, 40);
    autoRefreshSwitch_->setToolTip(QStringLiteral("Auto run the REFRESH MEMORY"));
    alarmSwitch_ = new ui::TwoStateSwitch(this);
    alarmSwitch_->setObjectName(QStringLiteral("RxSwitch2"));
    alarmSwitch_->setGeometry(298, 218, 25, 40);
    alarmSwitch_->setToolTip(QStringLiteral("Use alarm every interval you set for your rest time"));
    auto* refresh = new ui::PictureButton(QStringLiteral("Refresh Memory"), this);
    refresh->setObjectName(QStringLiteral("dxfPictureButton1"));
    refresh->setGeometry(222, 265, 107, 22);
    connect(refresh, &QAbstractButton::clicked, &m_.actions.refreshMemory, &QAction::trigger);
}

// The display's figure column: the start, prior and now figures, the
// stopwatch under them and the program picture beside them.
void MainWindow::buildFigureColumn() {
    makeLabel(this, "Label21", QStringLiteral("Start Res  "), 246, 140, kBlack);
    startText_ = makeLabel(this, "Label22", QString(), 289, 140, kGrey);
    makeLabel(this, "Label23", QStringLiteral("Prior Res  "), 246, 152, kBlack);
    priorText_ = makeLabel(this, "Label24", QString(), 289, 152, kGrey);
    makeLabel(this, "Label4", QStringLiteral("Now Res  "), 246, 164, kBlack);
    nowText_ = makeLabel(this, "Label31", QStringLiteral("20%"), 289, 164, kGrey);
    for (QLabel* l : {startText_, priorText_, nowText_}) l->resize(44, l->height());
    stopwatch_ = new ui::StopwatchDisplay(this);
    stopwatch_->setObjectName(QStringLiteral("dxfTimer1"));
    stopwatch_->setGeometry(246, 181, 64, 16);
    stopwatch_->setToolTip(QStringLiteral("Timer "));
    // The stopwatch changes every second while the rest of the window
    // rests: on X it shows its pictures in a window of its own.
    onScreen_ = ui::OnScreenX11::create();
    if (onScreen_)
        stopwatch_->paintOnScreen(
            [this](QWidget* w, const QImage& picture) { return onScreen_->present(w, picture); });
    makePicture(this, "Image1", {301, 143, 32, 34}, ui::programPicture(32, 34, devicePixelRatioF()));
    // The figures run into the picture's place: they lie over it on a plate
    // of their own text's size, so they stay readable.
    for (QLabel* l : {startText_, priorText_, nowText_}) {
        ui::fillBackground(l, kWhite);
        l->raise();
    }
}

// The right column: the program list and rest timer buttons, the alarm
// interval between them.
void MainWindow::buildRightColumn() {
    makeShape(this, "Shape27", ui::Shape::Form::Rectangle, {349, 70, 27, 231}, kGrey, kGrey);
    makeShape(this, "Shape28", ui::Shape::Form::Frame, {349, 70, 27, 231}, kSilver, kNavy)
        ->setAccessibleName(QStringLiteral("Adjust Alarm every interval you set"));
    QFrame* rightColumn = makePanel(this, "Panel1", {352, 73, 21, 225}, kSilver);
    makeButton(rightColumn, "RxSpeedButton16", Glyph::EditStartup, m_.actions.editStartup, {0, 2, 21, 19});
    makeButton(rightColumn, "RxSpeedButton9", Glyph::RunStartup, m_.actions.runStartup, {0, 22, 21, 19});
    makeButton(rightColumn, "RxSpeedButton18", Glyph::EditFavorite, m_.actions.editFavorites, {0, 42, 21, 19});
    makeButton(rightColumn, "RxSpeedButton19", Glyph::RunFavorite, m_.actions.runFavorites, {0, 62, 21, 19});
    makeButton(rightColumn, "RxSpeedButton23", Glyph::RestartTimer, m_.actions.restartTimer, {0, 99, 21, 19});
    makeButton(rightColumn, "RxSpeedButton24", Glyph::RestartInterval, m_.actions.restartInterval,
               {0, 119, 21, 19});
    makeButton(rightColumn, "RxSpeedButton25", Glyph::StopTimer, m_.actions.stopTimer, {0, 139, 21, 19});
    makeButton(rightColumn, "RxSpeedButton26", Glyph::StartTimer, m_.actions.startTimer, {0, 159, 21, 19});
    restInterval_ = new ui::LedNumber(rightColumn);
    restInterval_->setObjectName(QStringLiteral("LMDLEDLabel3"));
    restInterval_->setGeometry(-1, 186, 22, 18);
    restInterval_->setToolTip(QStringLiteral("Alarm interval minute for your rest time"));
    makeButton(rightColumn, "RxSpeedButton21", Glyph::Decrease, m_.actions.decreaseInterval, {0, 207, 11, 15});
    makeButton(rightColumn, "RxSpeedButton22", Glyph::Increase, m_.actions.increaseInterval, {10, 207, 11, 15});
}

// The command row: the favourites box under the command strip, which hides
// all of it but its drop-down button.
void MainWindow::buildCommandRow() {
    favoritesCombo_ = new ui::EditableDropDown(this);
    favoritesCombo_->setObjectName(QStringLiteral("ComboBox2"));
    favoritesCombo_->setGeometry(43, 313, 307, 21);
    favoritesCombo_->setToolTip(QStringLiteral("My favorite exe file list"));
    favoritesCombo_->setAccessibleName(favoritesCombo_->toolTip());
    favoritesCombo_->setFont(smallFont());
    QFrame* commandStrip = makePanel(this, "Panel5", {43, 314, 283, 19}, kSilver);
    analysisButton_ =
        makeButton(commandStrip, "RxSpeedButton11", Glyph::Analysis, m_.actions.analysisPanel, {1, 0, 19, 19});
    analysisButton_->setToggle(true);
    analysisButton_->setChecked(true);
    makeButton(commandStrip, "RxSpeedButton13", Glyph::WarningOptions, m_.actions.warningOptions, {21, 0, 19, 19});
    makeLabel(commandStrip, "Label32", QStringLiteral("RES"), 43, 3, kNavy, true);
    makeButton(commandStrip, "RxSpeedButton17", Glyph::ResetWarning, m_.actions.refreshWarningState,
               {66, 0, 19, 19});
    makeButton(commandStrip, "RxSpeedButton10", Glyph::RefreshStart, m_.actions.refreshStart, {86, 0, 19, 19});
    makeButton(commandStrip, "RxSpeedButton1", Glyph::MoveStart, m_.actions.moveStart, {106, 0, 19, 19});
    makeButton(commandStrip, "RxSpeedButton12", Glyph::Report, m_.actions.viewReport, {126, 0, 19, 19});
    buildHistoryControls(commandStrip);
}

// The RES list's controls at the right of the command strip: the switch
// that keeps it, its entries and their count.
void MainWindow::buildHistoryControls(QWidget* strip) {
    historyBox_ = new QCheckBox(strip);
    historyBox_->setObjectName(QStringLiteral("CheckBox1"));
    historyBox_->setGeometry(148, 1, 16, 17);
    historyBox_->setToolTip(QStringLiteral("Make RES List"));
    historyBox_->setAccessibleName(historyBox_->toolTip());
    historyCombo_ = new ui::EditableDropDown(strip);
    historyCombo_->setObjectName(QStringLiteral("ComboBox1"));
    historyCombo_->setGeometry(165, 0, 81, 19);
    historyCombo_->setMaxVisibleItems(15);
    historyCombo_->setToolTip(QStringLiteral("Resources % List"));
    historyCombo_->setAccessibleName(historyCombo_->toolTip());
    historyCombo_->setFont(smallFont());
    {
        // A silver box, its text field included.
        QPalette pal = historyCombo_->palette();
        for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
            pal.setColor(role, kSilver);
        historyCombo_->setPalette(pal);
    }
    historyCombo_->setEditText(QStringLiteral("See Res. "));
    historyCount_ = new ui::LedNumber(strip);
    historyCount_->setObjectName(QStringLiteral("LMDLEDLabel1"));
    historyCount_->setGeometry(248, 1, 34, 17);
    historyCount_->setDigits(3);
    historyCount_->setLitColor(kYellow);
    historyCount_->setUnlitColor(QColor(128, 128, 0));
    historyCount_->setToolTip(QStringLiteral("Res List Count"));
}

// The analysis panel: the software test button, the three load bars, then
// the needles and the prior run's figures.
void MainWindow::buildAnalysisPanel() {
    makeShape(this, "LMDShapeControl6", ui::Shape::Form::Rectangle, {40, 344, 347, 397}, kSilver, kGrey);
    displayBack_ =
        makeShape(this, "Shape30", ui::Shape::Form::Rectangle, {41, 360, 346, 383}, QColor(236, 236, 244), kGrey);
    auto* test = new ui::PictureButton(QStringLiteral("Software test"), this);
    test->setObjectName(QStringLiteral("dxfPictureButton2"));
    test->setGlyph(Glyph::SoftwareTest);
    test->setGeometry(264, 347, 111, 37);
    connect(test, &QAbstractButton::clicked, &m_.actions.softwareTest, &QAction::trigger);
    ui::fitWidth(makeLabel(this, "Label10", QStringLiteral("The analysis of the used resources in this system"),
                           48, 366, kNavy, true),
                 214);
    struct BarRow {
        const char* gauge;
        int y;
        QColor back, fore;
        const char* caption;
        const char* captionName;
        const char* used;
        const char* free;
    };
    const BarRow rows[] = {
        {"Gauge8", 405, kLime, kGreen, "Start Res  ", "Label15", "Label8", "Label9"},
        {"Gauge9", 445, kAqua, QColor(0, 64, 128), "Prior Res", "Label12", "Label17", "Label18"},
        {"Gauge2", 485, kBlue, kNavy, "Present Res", "Label11", "Label19", "Label20"},
    };
    Gauge* bars[3] = {};
    for (int i = 0; i < 3; ++i) {
        const BarRow& r = rows[i];
        makeLabel(this, r.captionName, QLatin1String(r.caption), 50, r.y + 3, kBlack, true);
        makeLabel(this, r.used, QStringLiteral("Used Res  "), 129, r.y - 14, kNavy);
        makeLabel(this, r.free, QStringLiteral("Free Res  "), 310, r.y - 14, kGrey);
        bars[i] = makeGauge(this, r.gauge, Gauge::Kind::Bar, {129, r.y, 229, 19}, r.back, r.fore);
    }
    startLoadBar_ = bars[0];
    priorLoadBar_ = bars[1];
    nowLoadBar_ = bars[2];
    buildAnalysisRises();
}

// The analysis panel's lower half: the rises since the prior load and since
// the start, the prior run's load and the rise since then.
void MainWindow::buildAnalysisRises() {
    makeLabel(this, "Label13", QStringLiteral("Last Used Res(Prior~Now)  "), 56, 522, kBlack);
    riseSincePriorGauge_ =
        makeGauge(this, "Gauge10", Gauge::Kind::Needle, {84, 539, 71, 42}, kBlue, QColor(0, 128, 192), false);
    riseSincePriorText_ = makeLabel(this, "Label28", QStringLiteral("-qq%"), 107, 583, kNavy, true);
    makeLabel(this, "Label14", QStringLiteral("Total Used Res(Start~Now)  "), 214, 522, kBlack);
    riseSinceStartGauge_ =
        makeGauge(this, "Gauge4", Gauge::Kind::Needle, {244, 539, 71, 42}, kRed, kPurple, false);
    riseSinceStartText_ = makeLabel(this, "Label27", QStringLiteral("-qq%"), 271, 583, kNavy, true);
    makeLabel(this, "Label16", QStringLiteral("The Prior Last Run  Res"), 48, 637, kBlack, true);
    makeLabel(this, "Label25", QStringLiteral("Used Res  "), 181, 620, kNavy);
    makeLabel(this, "Label26", QStringLiteral("Free Res  "), 310, 620, kGrey);
    priorRunLoadBar_ = makeGauge(this, "Gauge5", Gauge::Kind::Bar, {181, 634, 177, 19}, kFuchsia, kPurple);
    QLabel* priorRunCaption = makeLabel(this, "Label29",
                                        QStringLiteral("The Difference of the Res between the prior run and this "
                                                       "(Prior Run~Now)  "),
                                        48, 660, kBlack);
    priorRunCaption->setWordWrap(false);
    QFont captionFont = priorRunCaption->font();
    captionFont.setPixelSize(10);
    priorRunCaption->setFont(captionFont);
    priorRunCaption->adjustSize();
    riseSincePriorRunGauge_ =
        makeGauge(this, "Gauge7", Gauge::Kind::Needle, {165, 681, 92, 42}, kYellow, QColor(0, 128, 192), false);
    riseSincePriorRunText_ = makeLabel(this, "Label30", QStringLiteral("-qq%"), 267, 695, kNavy, true);
    for (QLabel* l : {riseSinceStartText_, riseSincePriorText_, riseSincePriorRunText_})
        l->resize(44, l->height());
}

// A screen reader names the gauges without a hint after their captions
// (Gauge6, the pie's backdrop, stays unnamed: a picture).
void MainWindow::nameGaugesByCaption() {
    const std::pair<Gauge*, const char*> captions[] = {
        {loadPie_, "Used Res"},
        {startLoadBar_, "Start Res"},
        {priorLoadBar_, "Prior Res"},
        {nowLoadBar_, "Present Res"},
        {riseSincePriorGauge_, "Last Used Res(Prior~Now)"},
        {riseSinceStartGauge_, "Total Used Res(Start~Now)"},
        {priorRunLoadBar_, "The Prior Last Run  Res"},
        {riseSincePriorRunGauge_, "The Difference of the Res between the prior run and this (Prior Run~Now)"}};
    for (const auto& [g, caption] : captions) g->setAccessibleName(QLatin1String(caption));
}

// Controls with their own windows keep the mouse: a press that they (or
// the LEDs and captions on a panel) leave unused must not fall through to
// the window and start moving it. The context menu request they leave
// unused is passed on to the window (see eventFilter).
void MainWindow::keepMouseInOwnWindows() {
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && !w->testAttribute(Qt::WA_TransparentForMouseEvents)) {
            w->setAttribute(Qt::WA_NoMousePropagation, true);
            w->installEventFilter(this);
        }
    }
}

void MainWindow::buildShape() {
    // The window's rectangle less its client area (nothing, frameless), and
    // every direct child control, shown or hidden, in child order.
    QRegion r(0, 0, width(), height());
    r -= QRegion(0, 0, width(), height());
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        r += w->geometry();
    }
    shape_ = r;
    setMask(shape_);
}

void MainWindow::bind() {
    // The window follows the logic objects...
    connect(&m_.monitor, &Monitor::figuresChanged, this, &MainWindow::showFigures);
    connect(&m_.monitor, &Monitor::loadGaugeStep, this, &MainWindow::showLoadGauges);
    // The drop-down follows the list step by step, so that the entry chosen
    // in it stays chosen while entries come and go around it.
    connect(&m_.history, &ResList::replaced, this, &MainWindow::showHistory);
    connect(&m_.history, &ResList::entryRemoved, this, &MainWindow::removeHistoryItem);
    connect(&m_.history, &ResList::entryAppended, this, &MainWindow::addHistoryItem);
    connect(&m_.history, &ResList::changed, historyCount_,
            [this](const QStringList& e) { historyCount_->setValue(e.size()); });
    connect(&m_.startPoint, &StartPoint::historyTextCleared, historyCombo_, &QComboBox::clearEditText);
    connect(&m_.restAlarm, &RestAlarm::passedMinutesChanged, passedMinutes_, &ui::LedNumber::setValue);
    connect(&m_.restAlarm, &RestAlarm::restIntervalChanged, restInterval_, &ui::LedNumber::setValue);
    connect(&m_.restAlarm, &RestAlarm::alarmOnChanged, alarmSwitch_, &ui::TwoStateSwitch::setOn);
    connect(&m_.restTimer, &RestTimer::elapsedChanged, stopwatch_, &ui::StopwatchDisplay::setSeconds);
    connect(&m_.controller, &MainController::settingsApplied, this, &MainWindow::showSettings);
    connect(&m_.lists, &ProgramLists::favoritesChanged, this, &MainWindow::showFavorites);
    connect(&m_.placement, &Placement::moveRequested, this, [this](int x, int y) { move(x, y); });
    connect(&m_.placement, &Placement::heightRequested, this, [this](int h) { resize(width(), h); });
    connect(&m_.actions.analysisPanel, &QAction::toggled, analysisButton_, &QAbstractButton::setChecked);

    // ...and hands the user's changes to them.
    connect(historyBox_, &QCheckBox::toggled, &m_.controller, &MainController::setHistoryOn);
    connect(autoRefreshSwitch_, &ui::TwoStateSwitch::toggled, &m_.controller,
            &MainController::setAutoRefreshAtStart);
    connect(autoRefreshSwitch_, &ui::TwoStateSwitch::clicked, &m_.actions.autoRefreshSwitch, &QAction::trigger);
    connect(alarmSwitch_, &ui::TwoStateSwitch::toggled, &m_.restAlarm, &RestAlarm::setAlarmOn);
    // The alarm switch's command comes with the flip (press or space); the
    // auto-refresh switch's cue with the click only.
    connect(alarmSwitch_, &ui::TwoStateSwitch::toggled, &m_.actions.alarmSwitch, &QAction::trigger);
    // Every change the user makes to the favourites box starts the entry
    // selected then: a choice from the list, or a keystroke (which selects
    // only an entry whose name it completes). Enter opens only an entry
    // named in full, and not the one just opened.
    connect(favoritesCombo_, &QComboBox::activated, this, [this](int i) {
        favoriteOpened_ = favoritesCombo_->itemText(i);
        emit favoriteChosen(favoriteOpened_);
    });
    connect(favoritesCombo_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        favoriteOpened_ = favoritesCombo_->findText(text) >= 0 ? text : QString();
        emit favoriteChosen(favoriteOpened_);
    });
    connect(favoritesCombo_, &ui::EditableDropDown::enterPressed, this, [this](const QString& text) {
        if (text == favoriteOpened_ || favoritesCombo_->findText(text) < 0) return;
        favoriteOpened_ = text;
        emit favoriteChosen(text);
    });

    // The shortcuts work while the main window has the focus.
    for (QAction* a : {&m_.actions.refreshMemory, &m_.actions.help, &m_.actions.whatGrew, &m_.actions.loadHistory})
        addAction(a);

    showFigures(m_.monitor.figures());
    showHistory(m_.history.entries());
    passedMinutes_->setValue(m_.restAlarm.passedMinutes());
    restInterval_->setValue(m_.restAlarm.restInterval());
}

QRect MainWindow::dockTabRect() const { return dockTab_->geometry(); }
QRect MainWindow::displayBackRect() const { return displayBack_->geometry(); }
QString MainWindow::versionText() const { return versionLabel_->text(); }
void MainWindow::setVersionText(const QString& text) { versionLabel_->setText(text); }

QString MainWindow::selectedHistoryEntry() const { return historyCombo_->itemText(historyCombo_->currentIndex()); }

void MainWindow::showFigures(const Figures& f) {
    const FigureTexts t = figureTexts(f);
    loadPie_->setProgress(f.nowLoad);
    nowLoadBar_->setProgress(f.nowLoad);
    dockLoadBar_->setProgress(f.nowLoad);
    riseSinceStartGauge_->setProgress(riseGauge(f.riseSinceStart));
    priorRunLoadBar_->setProgress(f.priorRunLoad);
    riseSincePriorRunGauge_->setProgress(riseGauge(f.riseSincePriorRun));
    startLoadBar_->setProgress(f.startLoad);
    priorLoadBar_->setProgress(f.priorLoad);
    riseSincePriorGauge_->setProgress(riseGauge(f.riseSincePrior));
    freeText_->setText(t.free);
    usedText_->setText(t.used);
    startText_->setText(t.start);
    priorText_->setText(t.prior);
    riseSinceStartText_->setText(t.sinceStart);
    riseSincePriorText_->setText(t.sincePrior);
    riseSincePriorRunText_->setText(t.sincePriorRun);
    nowText_->setText(t.now);
    totalUsedText_->setText(t.totalUsed);
    // The figures beside the picture keep their text's size (a whole history
    // entry in Label22 included).
    for (QLabel* l : {startText_, priorText_, nowText_}) l->adjustSize();
    const QColor state = f.exceedLimitState ? kRed : kBlue;
    loadPie_->setBackColor(state);
    dockLoadBar_->setBackColor(state);
    titleBar_->setBrushColor(state);
}

void MainWindow::showLoadGauges(int value) {
    for (Gauge* g : {loadPie_, nowLoadBar_, dockLoadBar_}) {
        g->setProgress(value);
        g->repaintNow();
    }
}

void MainWindow::showHistory(const QStringList& entries) {
    const QString text = historyCombo_->currentText();
    historyCombo_->clear();
    historyCombo_->addItems(entries);
    historyCombo_->setCurrentIndex(-1);
    historyCombo_->setEditText(text);
    historyCount_->setValue(entries.size());
}

void MainWindow::removeHistoryItem(int index) {
    // The chosen entry thinned away: nothing is chosen, and the box no
    // longer shows it.
    if (index == historyCombo_->currentIndex()) historyCombo_->setCurrentIndex(-1);
    historyCombo_->removeItem(index);
}

void MainWindow::addHistoryItem(const QString& entry) {
    const bool none = historyCombo_->currentIndex() < 0;
    const QString text = historyCombo_->currentText();
    historyCombo_->addItem(entry);
    // A box that was empty picks its first item by itself: undo that.
    if (none && historyCombo_->currentIndex() >= 0) {
        historyCombo_->setCurrentIndex(-1);
        historyCombo_->setEditText(text);
    }
}

void MainWindow::showSettings() {
    const MainSettings& s = m_.controller.settings();
    historyBox_->setChecked(s.historyOn);
    m_.actions.analysisPanel.setChecked(s.analysisPanelOpen);
    m_.actions.autoUpgrade.setChecked(s.autoUpgradeCheck);
    autoRefreshSwitch_->setOn(s.autoRefreshAtStart);
    alarmSwitch_->setOn(m_.restAlarm.alarmOn());
    restInterval_->setValue(m_.restAlarm.restInterval());
}

void MainWindow::showFavorites(const QStringList& names) {
    favoritesCombo_->clear();
    favoritesCombo_->addItems(names);
    favoritesCombo_->setCurrentIndex(-1);
}

void MainWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    m_.view.mainShown = true;
    if (e->spontaneous() || m_.windows.isApplicationMinimized()) return;
    // Every showing from hidden runs the start-up sequence.
    activationPending_ = true;
    emit shownFromHidden();
    // A window manager that takes the window over just after it is mapped
    // may leave it (or Qt's idea of it) elsewhere: put it back where the
    // logic placed it (the settings, then the activation's edge rules),
    // unless the user has moved it since.
    const int presses = presses_;
    QTimer::singleShot(150, this, [this, presses] {
        if (isVisible() && presses == presses_) {
            const QPoint placed = m_.placement.requested();
            move(placed + QPoint(0, 1));
            move(placed);
        }
    });
}

void MainWindow::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    // Minimized, the window keeps counting as shown.
    if (!e->spontaneous()) m_.view.mainShown = m_.windows.isApplicationMinimized();
}

void MainWindow::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    m_.placement.windowMoved(x(), y());
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    m_.placement.windowResized(width(), height());
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!shutdownRun_) {
        shutdownRun_ = true;
        emit closing();
    }
    e->accept();
    QApplication::quit();
}

bool MainWindow::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // A control that passes the mouse through never gets the hint
        // request itself: it comes here, to the window under it.
        auto* he = static_cast<QHelpEvent*>(e);
        if (QWidget* w = hintedControlAt(this, he->pos())) {
            QToolTip::showText(he->globalPos(), w->toolTip(), w, w->rect());
        } else {
            QToolTip::hideText();
            e->ignore();
        }
        return true;
    }
    if (e->type() == QEvent::WindowActivate) {
        const bool becameActive = activationPending_ || otherWindowActive_;
        activationPending_ = otherWindowActive_ = false;
        if (becameActive) emit activated();
    }
    return QWidget::event(e);
}
bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    // A context menu request that reached a control of the window unused
    // (the mouse does not propagate past them) gives the window's menu.
    if (e->type() == QEvent::ContextMenu && watched->isWidgetType()) {
        auto* ce = static_cast<QContextMenuEvent*>(e);
        auto* w = static_cast<QWidget*>(watched);
        QContextMenuEvent forwarded(ce->reason(), w->mapTo(this, ce->pos()), ce->globalPos(), ce->modifiers());
        QApplication::sendEvent(this, &forwarded);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    // Shift+F10 asks for the context menu as the Menu key does: at the
    // middle of the control with the focus (else of the window), which
    // passes it on to the window when it has no menu of its own.
    if (e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier) {
        QWidget* target = focusWidget() ? focusWidget() : this;
        const QPoint at = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QContextMenuEvent request(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at), e->modifiers());
        QApplication::sendEvent(target, &request);
        return;
    }
    QWidget::keyPressEvent(e);
}

void MainWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    ++presses_;
    // Let the window manager move the window when it offers to; otherwise
    // follow the mouse ourselves.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragging_ = true;
    dragOffset_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MainWindow::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) move(e->globalPosition().toPoint() - dragOffset_);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* e) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(e);
}

}  // namespace ostra
