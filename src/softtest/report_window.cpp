#include "softtest/report_window.h"

#include "platform/window_services.h"
#include "softtest/soft_test.h"
#include "ui/artwork.h"
#include "ui/gauge.h"
#include "ui/shape.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace ostra {

namespace {

// A caption that sizes to its text, narrowed to end before `room` runs out.
QLabel* caption(QWidget* parent, const char* name, const QString& text, int x, int y, int room = 0) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(x, y);
    if (room > 0)
        ui::fitWidth(l, room);
    else
        l->adjustSize();
    return l;
}

}  // namespace

ReportWindow::ReportWindow(SoftTest& test, WindowServices& windows, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint),
      test_(test),
      windows_(windows) {
    setObjectName(QStringLiteral("TSoftTest"));
    setWindowTitle(QStringLiteral("Soft Test Report"));
    setAccessibleName(QStringLiteral("Soft Test Report"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(ui::narrowFont(12));
    ui::fillBackground(this, Qt::white);
    // Built from top to bottom: the order of the children is the order
    // they lie over each other.
    buildProgress();
    buildFigures();
    buildLog();
    buildValuation();
    buildButtons();
    bind();
    showFigures(test_.figures());
    showProgress(test_.testSeconds(), SoftTest::kTestLength);
}

// The test's progress bar.
void ReportWindow::buildProgress() {
    caption(this, "Label2", QStringLiteral("Process"), 10, 6);
    gauge_ = new ui::Gauge(ui::Gauge::Kind::Bar, this);
    gauge_->setObjectName(QStringLiteral("Gauge8"));
    gauge_->setGeometry(9, 21, 576, 19);
    gauge_->setBackColor(QColor(0, 255, 0));
    gauge_->setForeColor(QColor(0, 128, 0));
    gauge_->setMaxValue(SoftTest::kTestLength);
    gauge_->setAccessibleName(QStringLiteral("Process"));
}

// The seven figures: three above the log, four in the result frame.
void ReportWindow::buildFigures() {
    // The frame goes first so that the result values lie on it.
    auto* frame = new ui::Shape(ui::Shape::Form::Frame, this);
    frame->setObjectName(QStringLiteral("Shape1"));
    frame->setGeometry(8, 248, 577, 67);
    frame->setAccessibleName(QStringLiteral("Test result"));

    struct Figure {
        const char* label;
        const char* value;
        const char* text;
        QPoint at, valueAt;
    };
    const Figure figures[] = {
        {"Label6", "res1", "Start Res %", {9, 51}, {74, 51}},
        {"Label7", "res2", "End Res % ", {225, 51}, {290, 51}},
        {"Label8", "res3", "Max Res % ", {433, 51}, {498, 51}},
        {"Label4", "res11", "Toatl used Res %", {16, 256}, {113, 256}},
        {"Label10", "res22", "Total obtainment Res %", {243, 256}, {365, 256}},
        {"Label5", "res33", "Result Missed Res %", {16, 289}, {123, 290}},
        {"Label11", "res44", "Result Obtainment Res %", {243, 288}, {374, 289}},
    };
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const Figure& f = figures[i];
        const QString text = QLatin1String(f.text);
        caption(this, f.label, text, f.at.x(), f.at.y(), f.valueAt.x() - f.at.x() - 4);
        values_[i] = caption(this, f.value, QStringLiteral("0"), f.valueAt.x(), f.valueAt.y());
        // A label's text is what a screen reader reads; the caption beside
        // it says what the number is.
        values_[i]->setAccessibleDescription(text.trimmed());
    }
}

// The log of the load's movement, and the program's memory beside "Test
// result".
void ReportWindow::buildLog() {
    caption(this, "Label1", QStringLiteral("Resource movement  report"), 11, 75);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setGeometry(9, 96, 576, 128);
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setAccessibleName(QStringLiteral("Resource movement report"));

    caption(this, "Label3", QStringLiteral("Test result"), 8, 232);
    // What the program under test held, in the free room right of "Test result".
    memory_ = new QLabel(this);
    memory_->setObjectName(QStringLiteral("ProgramMemory"));
    memory_->setGeometry(100, 232, 485, 15);
    memory_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    memory_->setAccessibleDescription(QStringLiteral("Program memory"));
}

// The rating, shown in a row of radio buttons.
void ReportWindow::buildValuation() {
    auto* group = new QGroupBox(QStringLiteral("Valuation"), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    group->setGeometry(8, 320, 577, 36);
    group->setAccessibleName(QStringLiteral("Valuation"));
    valuation_ = new QButtonGroup(this);
    const QStringList& captions = SoftTest::valuationCaptions();
    const int column = (577 - 16) / int(captions.size());
    for (int i = 0; i < captions.size(); ++i) {
        auto* r = new QRadioButton(captions[i], group);
        r->setObjectName(QStringLiteral("RadioGroup1_%1").arg(i));
        r->setAccessibleName(captions[i]);
        r->setGeometry(8 + i * column, 16, column - 4, 17);
        // The rating is the test's to set; the buttons only show it.
        r->setAttribute(Qt::WA_TransparentForMouseEvents);
        r->setFocusPolicy(Qt::NoFocus);
        valuation_->addButton(r, i);
    }
}

void ReportWindow::buildButtons() {
    result_ = new QPushButton(QStringLiteral("TEST RESULT"), this);
    result_->setObjectName(QStringLiteral("Button1"));
    result_->setGeometry(232, 366, 113, 33);
    result_->setAccessibleName(QStringLiteral("TEST RESULT"));
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("OKButton"));
    ok_->setGeometry(492, 370, 89, 28);
    ok_->setAccessibleName(QStringLiteral("OK"));
    ok_->setDefault(true);
}

// The two buttons go to the test; the window follows what it announces.
void ReportWindow::bind() {
    connect(result_, &QPushButton::clicked, &test_, &SoftTest::testResult);
    connect(ok_, &QPushButton::clicked, this, [this] {
        test_.ok();
        close();
    });
    connect(&test_, &SoftTest::figuresChanged, this, &ReportWindow::showFigures);
    connect(&test_, &SoftTest::progressChanged, this, &ReportWindow::showProgress);
    connect(&test_, &SoftTest::valuationChanged, this, &ReportWindow::showValuation);
    connect(&test_, &SoftTest::usageChanged, this, &ReportWindow::showMemory);
    connect(&test_, &SoftTest::logCleared, memo_, &QPlainTextEdit::clear);
    connect(&test_, &SoftTest::logLineAdded, memo_, &QPlainTextEdit::appendPlainText);
    connect(&test_, &SoftTest::showRequested, this, &ReportWindow::bringToFront);
}

void ReportWindow::reject() {
    test_.windowClosed();
    QDialog::reject();
}

void ReportWindow::showEvent(QShowEvent* e) {
    if (!placed_) {
        ui::centreOnScreen(this);
        placed_ = true;
    }
    result_->setFocus();
    QDialog::showEvent(e);
}

void ReportWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void ReportWindow::bringToFront() {
    // Minimized, no window of the program is on the screen; restoring the
    // program brings this one back.
    if (windows_.isApplicationMinimized()) return;
    if (!isVisible()) {
        show();
        activateWindow();
    }
    raise();
}

void ReportWindow::showFigures(const SoftTestFigures& f) {
    const int numbers[] = {
        f.startRes,           f.endRes, f.maxRes, f.totalUsedRes, f.totalObtainmentRes, f.resultMissedRes,
        f.resultObtainmentRes};
    for (std::size_t i = 0; i < values_.size(); ++i) {
        values_[i]->setText(QString::number(numbers[i]));
        values_[i]->adjustSize();
    }
}

void ReportWindow::showProgress(int seconds, int length) {
    gauge_->setMaxValue(length);
    gauge_->setProgress(seconds);
    gauge_->setAccessibleDescription(QStringLiteral("%1 of %2 seconds").arg(seconds).arg(length));
}

void ReportWindow::showValuation(int index) {
    if (QAbstractButton* b = valuation_->button(index)) b->setChecked(true);
}

void ReportWindow::showMemory(const ProgramMemory& m) { memory_->setText(programMemoryText(m)); }

}  // namespace ostra
