#include "app/main_window.h"

#include "ui/gauge.h"
#include "ui/lednumber.h"
#include "ui/picturebutton.h"
#include "ui/shape.h"
#include "ui/speedbutton.h"
#include "ui/stopwatchdisplay.h"
#include "ui/twostateswitch.h"
#include "ui/artwork.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

namespace ostra {

using ui::Gauge;
using ui::Glyph;

namespace {

const QColor kNavy(0, 0, 128);
const QColor kSilver(192, 192, 192);
const QColor kGrey(128, 128, 128);
const QColor kLime(0, 255, 0);
const QColor kGreen(0, 128, 0);
const QColor kAqua(0, 255, 255);
const QColor kFuchsia(255, 0, 255);
const QColor kPurple(128, 0, 128);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);

// Elements drawn on the window's own surface take no clicks, so a press on
// them reaches the window and moves it.
void passMouse(QWidget* w) { w->setAttribute(Qt::WA_TransparentForMouseEvents, true); }

QFont smallFont() { return ui::narrowFont(10); }

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                  const QColor& color, bool bold = false) {
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


Gauge* makeGauge(QWidget* parent, const char* name, Gauge::Kind kind, const QRect& r,
                 const QColor& back, const QColor& fore, bool border = true) {
    auto* g = new Gauge(kind, parent);
    g->setObjectName(QLatin1String(name));
    g->setGeometry(r);
    g->setBackColor(back);
    g->setForeColor(fore);
    g->setBorder(border);
    passMouse(g);
    return g;
}

ui::Shape* makeShape(QWidget* parent, const char* name, ui::Shape::Form form, const QRect& r,
                     const QColor& brush, const QColor& pen) {
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

ui::SpeedButton* makeButton(QWidget* parent, const char* name, Glyph glyph, const QString& hint,
                            const QRect& r) {
    auto* b = new ui::SpeedButton(glyph, hint, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(r);
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

}  // namespace

MainWindow::MainWindow(Platform& platform, QString programFolder, WarningWindow& warning,
                       WarningOptions& options, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), platform_(platform) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Brisel"));
    setWindowIcon(ui::programIcon());
    platform_.skipTaskbar(this);
    ui::fillBackground(this, kWhite);
    setGeometry(kDesignLeft, kDesignTop, kDesignWidth, 747);
    controller_ = std::make_unique<MainController>(platform, std::move(programFolder), *this,
                                                   warning, options);
    buildLayout();
    // Creation: the history, its count, the window shape.
    controller_->formCreate();
    buildShape();
    figuresChanged();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLayout() {
    // Dock tab, the column x 1..39.
    makeShape(this, "Shape25", ui::Shape::Form::Frame, {1, 24, 38, 37}, kWhite, kGrey);
    makeShape(this, "Shape23", ui::Shape::Form::Rectangle, {3, 26, 34, 33}, QColor(0, 125, 251),
              QColor(0, 125, 251));
    makePicture(this, "Image4", {4, 27, 32, 31}, ui::programPicture(32, 31, devicePixelRatioF()));
    makeShape(this, "Shape26", ui::Shape::Form::Rectangle, {1, 63, 38, 17}, kSilver, kGrey);
    QFrame* panel4 = makePanel(this, "Panel4", {4, 65, 11, 14}, kSilver);
    makeButton(panel4, "RxSpeedButton7", Glyph::DockLeft, QStringLiteral("Take out the main form"),
               {0, 0, 11, 14});
    QFrame* panel3 = makePanel(this, "Panel3", {22, 65, 11, 14}, kSilver);
    makeButton(panel3, "RxSpeedButton4", Glyph::DockRight, QStringLiteral("Stick to the right end"),
               {0, 0, 11, 14});
    QFrame* panel6 = makePanel(this, "Panel6", {1, 83, 38, 21}, kSilver);
    gauge3_ = makeGauge(panel6, "Gauge3", Gauge::Kind::Bar, {2, 2, 34, 15}, kBlue, QColor(0, 0, 160));
    gauge3_->setToolTip(QStringLiteral("Now Res"));
    QFrame* panel7 = makePanel(this, "Panel7", {14, 106, 24, 21}, kBlack);
    led2_ = new ui::LedNumber(panel7);
    led2_->setObjectName(QStringLiteral("LMDLEDLabel2"));
    led2_->setGeometry(1, 1, 24, 18);
    led2_->setToolTip(QStringLiteral("Passed interval minute for your rest time"));

    // Title bar.
    makeShape(this, "Shape14", ui::Shape::Form::Rectangle, {33, 31, 296, 2}, kNavy, kNavy);
    shape22_ = makeShape(this, "Shape22", ui::Shape::Form::Rectangle, {33, 33, 296, 21}, kBlue, kBlue);
    makeShape(this, "Shape21", ui::Shape::Form::Rectangle, {33, 54, 296, 2}, kNavy, kNavy);
    makeLabel(this, "Label1", QStringLiteral("Ostra   V"), 44, 37, kWhite, true);
    label2_ = makeLabel(this, "Label2", QStringLiteral(OSTRA_VERSION_TEXT), 95, 37, kWhite, true);
    label2_->setMinimumWidth(70);
    label2_->resize(70, label2_->height());
    QFrame* panel2 = makePanel(this, "Panel2", {160, 34, 166, 19}, kBlue);
    makeButton(panel2, "RxSpeedButton14", Glyph::Home, QStringLiteral("Ostra on the web"), {2, 0, 20, 19});
    makeButton(panel2, "RxSpeedButton5", Glyph::Info, QStringLiteral("Information"), {24, 0, 20, 19});
    makeButton(panel2, "RxSpeedButton6", Glyph::Help, QStringLiteral("Help"), {46, 0, 20, 19});
    makeButton(panel2, "RxSpeedButton8", Glyph::Upgrade, QStringLiteral("On line upgrade"), {68, 0, 20, 19});
    makeButton(panel2, "RxSpeedButton15", Glyph::Minimize, QStringLiteral("Minimize"), {120, 0, 21, 19});
    makeButton(panel2, "RxSpeedButton3", Glyph::Close, QStringLiteral("Close"), {142, 1, 21, 18});

    // Display.
    makeShape(this, "Shape5", ui::Shape::Form::Rectangle, {43, 73, 295, 225}, kGrey, kGrey);
    makeShape(this, "Shape2", ui::Shape::Form::Rectangle, {40, 70, 295, 225}, QColor(0, 128, 255),
              QColor(0, 128, 255));
    makeShape(this, "Shape4", ui::Shape::Form::Frame, {42, 72, 291, 221}, kWhite, kNavy);
    makePicture(this, "Image2", {43, 73, 289, 220}, ui::displayBackground(289, 220));
    ui::fitWidth(makeLabel(this, "Label33", QStringLiteral("Total Used Res"), 240, 75, kBlack), 60)
        ->setToolTip(QStringLiteral("Total used resouces"));
    label34_ = makeLabel(this, "Label34", QStringLiteral("20%"), 301, 75, kNavy, true);
    makeLabel(this, "Label6", QStringLiteral("Used Res  "), 115, 94, kNavy);
    label7_ = makeLabel(this, "Label7", QStringLiteral("20%"), 160, 95, kBlue, true);
    ui::fitWidth(makeLabel(this, "Label3", QStringLiteral("Free Res  "), 225, 106, kBlack), 35);
    label5_ = makeLabel(this, "Label5", QStringLiteral("20%"), 261, 105, kSilver, true);
    gauge6_ = makeGauge(this, "Gauge6", Gauge::Kind::Pie, {121, 150, 55, 53}, QColor(0, 128, 255), kRed,
                        false);
    gauge6_->setProgress(50);
    auto* diamond = new ui::Diamond(this);
    diamond->setObjectName(QStringLiteral("LMDShapeControl4"));
    diamond->setGeometry(109, 139, 79, 75);
    passMouse(diamond);
    gauge1_ = makeGauge(this, "Gauge1", Gauge::Kind::Pie, {132, 160, 33, 33}, kBlue, kNavy, false);
    makeLabel(this, "Label21", QStringLiteral("Start Res  "), 246, 140, kBlack);
    label22_ = makeLabel(this, "Label22", QString(), 289, 140, kGrey);
    makeLabel(this, "Label23", QStringLiteral("Prior Res  "), 246, 152, kBlack);
    label24_ = makeLabel(this, "Label24", QString(), 289, 152, kGrey);
    makeLabel(this, "Label4", QStringLiteral("Now Res  "), 246, 164, kBlack);
    label31_ = makeLabel(this, "Label31", QStringLiteral("20%"), 289, 164, kGrey);
    for (QLabel* l : {label22_, label24_, label31_}) l->resize(44, l->height());
    for (QLabel* l : {label34_, label7_, label5_}) l->resize(36, l->height());
    stopwatch_ = new ui::StopwatchDisplay(this);
    stopwatch_->setObjectName(QStringLiteral("dxfTimer1"));
    stopwatch_->setGeometry(246, 181, 64, 16);
    stopwatch_->setToolTip(QStringLiteral("Timer "));
    makePicture(this, "Image1", {301, 143, 32, 34}, ui::programPicture(32, 34, devicePixelRatioF()));
    // The figures run into the picture's place: they lie over it on a plate
    // of their own text's size, so they stay readable.
    for (QLabel* l : {label22_, label24_, label31_}) {
        ui::fillBackground(l, kWhite);
        l->raise();
    }
    switch1_ = new ui::TwoStateSwitch(this);
    switch1_->setObjectName(QStringLiteral("RxSwitch1"));
    switch1_->setGeometry(272, 218, 25, 40);
    switch1_->setToolTip(QStringLiteral("Auto run the REFRESH MEMORY"));
    switch2_ = new ui::TwoStateSwitch(this);
    switch2_->setObjectName(QStringLiteral("RxSwitch2"));
    switch2_->setGeometry(298, 218, 25, 40);
    switch2_->setToolTip(QStringLiteral("Use alarm every interval you set for your rest time"));
    auto* refresh = new ui::PictureButton(QStringLiteral("Refresh Memory"), this);
    refresh->setObjectName(QStringLiteral("dxfPictureButton1"));
    refresh->setGeometry(222, 265, 107, 22);

    // Right column.
    makeShape(this, "Shape27", ui::Shape::Form::Rectangle, {349, 70, 27, 231}, kGrey, kGrey);
    makeShape(this, "Shape28", ui::Shape::Form::Frame, {349, 70, 27, 231}, kSilver, kNavy)
        ->setToolTip(QStringLiteral("Adjust Alarm every interval you set"));
    QFrame* panel1 = makePanel(this, "Panel1", {352, 73, 21, 225}, kSilver);
    makeButton(panel1, "RxSpeedButton16", Glyph::EditStartup,
               QStringLiteral("Setting auto startup softwares after refresh memory"), {0, 2, 21, 19});
    makeButton(panel1, "RxSpeedButton9", Glyph::RunStartup, QStringLiteral("Run all auto startup softwares "),
               {0, 22, 21, 19});
    makeButton(panel1, "RxSpeedButton18", Glyph::EditFavorite,
               QStringLiteral("Making the shorcut list for my favorite exe file"), {0, 42, 21, 19});
    makeButton(panel1, "RxSpeedButton19", Glyph::RunFavorite, QStringLiteral("Run all my favorite softwares "),
               {0, 62, 21, 19});
    makeButton(panel1, "RxSpeedButton23", Glyph::RestartTimer, QStringLiteral("Restart the timer"),
               {0, 99, 21, 19});
    makeButton(panel1, "RxSpeedButton24", Glyph::RestartInterval,
               QStringLiteral("Restart the alarm time interval"), {0, 119, 21, 19});
    makeButton(panel1, "RxSpeedButton25", Glyph::StopTimer, QStringLiteral("Stop the timer"), {0, 139, 21, 19});
    makeButton(panel1, "RxSpeedButton26", Glyph::StartTimer, QStringLiteral("Start the timer"), {0, 159, 21, 19});
    led3_ = new ui::LedNumber(panel1);
    led3_->setObjectName(QStringLiteral("LMDLEDLabel3"));
    led3_->setGeometry(-1, 186, 22, 18);
    led3_->setToolTip(QStringLiteral("Alarm interval minute for your rest time"));
    makeButton(panel1, "RxSpeedButton21", Glyph::Decrease, QStringLiteral("Decrease the rest time interval"),
               {0, 207, 11, 15});
    makeButton(panel1, "RxSpeedButton22", Glyph::Increase, QStringLiteral("Increase the rest time interval"),
               {10, 207, 11, 15});

    // Command row: the favourites box under the command strip.
    favoritesCombo_ = new QComboBox(this);
    favoritesCombo_->setObjectName(QStringLiteral("ComboBox2"));
    favoritesCombo_->setGeometry(43, 313, 307, 21);
    favoritesCombo_->setEditable(true);
    favoritesCombo_->setToolTip(QStringLiteral("My favorite exe file list"));
    favoritesCombo_->setFont(smallFont());
    QFrame* panel5 = makePanel(this, "Panel5", {43, 314, 283, 19}, kSilver);
    analysisButton_ = makeButton(panel5, "RxSpeedButton11", Glyph::Analysis,
                                 QStringLiteral("The analysis of the used resources in this system"),
                                 {1, 0, 19, 19});
    analysisButton_->setToggle(true);
    analysisButton_->setChecked(true);
    makeButton(panel5, "RxSpeedButton13", Glyph::WarningOptions,
               QStringLiteral("Resource Emergency Warning Option"), {21, 0, 19, 19});
    makeLabel(panel5, "Label32", QStringLiteral("RES"), 43, 3, kNavy, true);
    makeButton(panel5, "RxSpeedButton17", Glyph::ResetWarning, QStringLiteral("Refresh Limit Warning State"),
               {66, 0, 19, 19});
    makeButton(panel5, "RxSpeedButton10", Glyph::RefreshStart,
               QStringLiteral("Refresh Start Res for Check New RES "), {86, 0, 19, 19});
    makeButton(panel5, "RxSpeedButton1", Glyph::MoveStart,
               QStringLiteral("Move to the start point you selected in the RES LIST"), {106, 0, 19, 19});
    makeButton(panel5, "RxSpeedButton12", Glyph::Report, QStringLiteral("View the RES list report"),
               {126, 0, 19, 19});
    historyBox_ = new QCheckBox(panel5);
    historyBox_->setObjectName(QStringLiteral("CheckBox1"));
    historyBox_->setGeometry(148, 1, 16, 17);
    historyBox_->setToolTip(QStringLiteral("Make RES List"));
    historyCombo_ = new QComboBox(panel5);
    historyCombo_->setObjectName(QStringLiteral("ComboBox1"));
    historyCombo_->setGeometry(165, 0, 81, 19);
    historyCombo_->setEditable(true);
    historyCombo_->setMaxVisibleItems(15);
    historyCombo_->setToolTip(QStringLiteral("Resources % List"));
    historyCombo_->setFont(smallFont());
    historyCombo_->setEditText(QStringLiteral("See Res. "));
    led1_ = new ui::LedNumber(panel5);
    led1_->setObjectName(QStringLiteral("LMDLEDLabel1"));
    led1_->setGeometry(248, 1, 34, 17);
    led1_->setDigits(3);
    led1_->setLitColor(kYellow);
    led1_->setUnlitColor(QColor(128, 128, 0));
    led1_->setToolTip(QStringLiteral("Res List Count"));

    // Analysis panel.
    makeShape(this, "LMDShapeControl6", ui::Shape::Form::Rectangle, {40, 344, 347, 397}, kSilver, kGrey);
    makeShape(this, "Shape30", ui::Shape::Form::Rectangle, {41, 360, 346, 383}, QColor(236, 236, 244),
              kGrey);
    auto* test = new ui::PictureButton(QStringLiteral("Software test"), this);
    test->setObjectName(QStringLiteral("dxfPictureButton2"));
    test->setGlyph(Glyph::SoftwareTest);
    test->setGeometry(264, 347, 111, 37);
    ui::fitWidth(makeLabel(this, "Label10", QStringLiteral("The analysis of the used resources in this system"), 48,
                       366, kNavy, true),
             214);
    struct BarRow {
        const char* gauge; int y; QColor back, fore; const char* caption; const char* captionName;
        const char* used; const char* free;
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
    gauge8_ = bars[0];
    gauge9_ = bars[1];
    gauge2_ = bars[2];
    makeLabel(this, "Label13", QStringLiteral("Last Used Res(Prior~Now)  "), 56, 522, kBlack);
    gauge10_ = makeGauge(this, "Gauge10", Gauge::Kind::Needle, {84, 539, 71, 42}, kBlue, QColor(0, 128, 192),
                         false);
    label28_ = makeLabel(this, "Label28", QStringLiteral("-qq%"), 107, 583, kNavy, true);
    makeLabel(this, "Label14", QStringLiteral("Total Used Res(Start~Now)  "), 214, 522, kBlack);
    gauge4_ = makeGauge(this, "Gauge4", Gauge::Kind::Needle, {244, 539, 71, 42}, kRed, kPurple, false);
    label27_ = makeLabel(this, "Label27", QStringLiteral("-qq%"), 271, 583, kNavy, true);
    makeLabel(this, "Label16", QStringLiteral("The Prior Last Run  Res"), 48, 637, kBlack, true);
    makeLabel(this, "Label25", QStringLiteral("Used Res  "), 181, 620, kNavy);
    makeLabel(this, "Label26", QStringLiteral("Free Res  "), 310, 620, kGrey);
    gauge5_ = makeGauge(this, "Gauge5", Gauge::Kind::Bar, {181, 634, 177, 19}, kFuchsia, kPurple);
    QLabel* l29 = makeLabel(this, "Label29",
                            QStringLiteral("The Difference of the Res between the prior run and this "
                                           "(Prior Run~Now)  "),
                            48, 660, kBlack);
    l29->setWordWrap(false);
    QFont f29 = l29->font();
    f29.setPixelSize(10);
    l29->setFont(f29);
    l29->adjustSize();
    gauge7_ = makeGauge(this, "Gauge7", Gauge::Kind::Needle, {165, 681, 92, 42}, kYellow, QColor(0, 128, 192),
                        false);
    label30_ = makeLabel(this, "Label30", QStringLiteral("-qq%"), 267, 695, kNavy, true);
    for (QLabel* l : {label27_, label28_, label30_}) l->resize(44, l->height());
    for (Gauge* g : {gauge1_, gauge2_, gauge3_}) g->setProgress(0);
    // Controls with their own windows keep the mouse: a press that they (or
    // the LEDs and captions on a panel) leave unused must not fall through
    // to the window and start moving it.
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && !w->testAttribute(Qt::WA_TransparentForMouseEvents))
            w->setAttribute(Qt::WA_NoMousePropagation, true);
    }

    // Commands wired here belong to this window; the others come with
    // their subsystems.
    connect(analysisButton_, &QAbstractButton::clicked, this, [this] {
        controller_->cue().play(QStringLiteral("click.wav"));
        controller_->settings().analysisPanelOpen = analysisButton_->isChecked();
        controller_->applyAnalysisPanel();
    });
    connect(historyBox_, &QCheckBox::toggled, this,
            [this](bool on) { controller_->settings().historyOn = on; });
    connect(switch1_, &ui::TwoStateSwitch::toggled, this,
            [this](bool on) { controller_->settings().autoRefreshAtStart = on; });
    connect(switch1_, &ui::TwoStateSwitch::clicked, this,
            [this] { controller_->cue().play(QStringLiteral("button.wav")); });
    connect(switch2_, &ui::TwoStateSwitch::toggled, this,
            [this](bool on) { controller_->restAlarm().alarmOn = on; });
    controller_->restTimer().onDisplayChanged = [this] {
        stopwatch_->setSeconds(controller_->restTimer().elapsedSeconds());
    };
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

bool MainWindow::mainShown() const { return isVisible() || platform_.isApplicationMinimized(); }

void MainWindow::figuresChanged() {
    const Figures& f = controller_->monitor().figures();
    gauge1_->setProgress(f.gauge1);
    gauge2_->setProgress(f.gauge2);
    gauge3_->setProgress(f.gauge3);
    gauge4_->setProgress(f.gauge4);
    gauge5_->setProgress(f.gauge5);
    gauge7_->setProgress(f.gauge7);
    gauge8_->setProgress(f.gauge8);
    gauge9_->setProgress(f.gauge9);
    gauge10_->setProgress(f.gauge10);
    label5_->setText(f.label5);
    label7_->setText(f.label7);
    label22_->setText(f.label22);
    label24_->setText(f.label24);
    label27_->setText(f.label27);
    label28_->setText(f.label28);
    label30_->setText(f.label30);
    label31_->setText(f.label31);
    label34_->setText(f.label34);
    // The figures beside the picture keep their text's size (a whole history
    // entry in Label22 included).
    for (QLabel* l : {label22_, label24_, label31_}) l->adjustSize();
    const QColor state = f.stateColor();
    gauge1_->setBackColor(state);
    gauge3_->setBackColor(state);
    shape22_->setBrushColor(state);
    led2_->setValue(controller_->restAlarm().passedMinutes);
    led3_->setValue(controller_->restAlarm().restInterval);
}

void MainWindow::loadGaugesStep() {
    const Figures& f = controller_->monitor().figures();
    gauge1_->setProgress(f.gauge1);
    gauge1_->repaintNow();
    gauge2_->setProgress(f.gauge2);
    gauge2_->repaintNow();
    gauge3_->setProgress(f.gauge3);
    gauge3_->repaintNow();
}

void MainWindow::historyChanged() {
    const QStringList& e = controller_->history().entries();
    QString text = historyCombo_->currentText();
    historyCombo_->clear();
    historyCombo_->addItems(e);
    historyCombo_->setCurrentIndex(-1);
    historyCombo_->setEditText(text);
    led1_->setValue(e.size());
}

void MainWindow::trayHintChanged(const QString& hint) {
    if (hint == trayHint_) return;
    trayHint_ = hint;
    emit trayHintTextChanged(hint);
}

void MainWindow::setLeft(int x) { move(x, y()); }
void MainWindow::setTop(int y) { move(x(), y); }
void MainWindow::setHeight(int h) { resize(width(), h); }

void MainWindow::settingsChanged() {
    const MainSettings& s = controller_->settings();
    historyBox_->setChecked(s.historyOn);
    analysisButton_->setChecked(s.analysisPanelOpen);
    switch1_->setOn(s.autoRefreshAtStart);
    switch2_->setOn(controller_->restAlarm().alarmOn);
    led3_->setValue(controller_->restAlarm().restInterval);
    emit settingsApplied();
}

void MainWindow::setFavorites(const QStringList& names) {
    favoritesCombo_->clear();
    favoritesCombo_->addItems(names);
    favoritesCombo_->setCurrentIndex(-1);
}

void MainWindow::closeMain() { close(); }

void MainWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (e->spontaneous() || platform_.isApplicationMinimized()) return;
    // Every showing from hidden runs the start-up sequence.
    controller_->formShow();
    // A window manager that takes the window over just after it is mapped
    // may leave it (or Qt's idea of it) elsewhere: put it back where the
    // settings placed it, unless the user has moved it since.
    const QPoint placed = pos();
    const int presses = presses_;
    QTimer::singleShot(150, this, [this, placed, presses] {
        if (isVisible() && presses == presses_) {
            move(placed + QPoint(0, 1));
            move(placed);
        }
    });
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!shutdownRun_) {
        shutdownRun_ = true;
        controller_->formClose();
    }
    e->accept();
    QApplication::quit();
}

bool MainWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) controller_->formActivate();
    return QWidget::event(e);
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
