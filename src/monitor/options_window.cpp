#include "monitor/options_window.h"

#include "monitor/view_state.h"
#include "platform/dialogs.h"
#include "ui/artwork.h"
#include "ui/gauge.h"
#include "ui/limitslider.h"
#include "ui/shape.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace ostra {

OptionsWindow::OptionsWindow(Dialogs& dialogs, WarningOptionsFile& file, ViewState& view, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      file_(file),
      options_(file.options()),
      view_(view) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Resource Emergency Warning Option"));
    setFixedSize(391, 307);
    setFont(ui::narrowFont(12));
    ui::fillBackground(this, Qt::white);
    buildLimits();
    bind(buildButtons());
    syncFromOptions();
}

// The two limits, each in its frame: its switch, its slider, the gauge
// that mirrors the slider and a note.
void OptionsWindow::buildLimits() {
    auto frame = [this](const char* name, const QRect& r) {
        auto* s = new ui::Shape(ui::Shape::Form::Frame, this);
        s->setObjectName(QLatin1String(name));
        s->setGeometry(r);
        s->setPenColor(QColor(0, 0, 128));
        s->setBrushColor(Qt::white);
    };
    frame("Shape1", {23, 15, 337, 107});
    frame("Shape2", {23, 135, 337, 114});

    useLoadLimitBox_ = new QCheckBox(QStringLiteral("Use Resource Emergency"), this);
    useLoadLimitBox_->setObjectName(QStringLiteral("CheckBox1"));
    useLoadLimitBox_->setGeometry(55, 22, 249, 17);
    loadLimitSlider_ = new ui::LimitSlider(this);
    loadLimitSlider_->setObjectName(QStringLiteral("xx1"));
    loadLimitSlider_->setGeometry(48, 43, 249, 25);
    loadLimitGauge_ = new ui::Gauge(ui::Gauge::Kind::Bar, this);
    loadLimitGauge_->setObjectName(QStringLiteral("xx2"));
    loadLimitGauge_->setGeometry(55, 71, 238, 19);
    loadLimitGauge_->setBackColor(QColor(0, 0, 255));
    loadLimitGauge_->setForeColor(QColor(0, 0, 128));
    auto* protectText =
        new QLabel(QStringLiteral("This will protect your system  not to be down accidently ."), this);
    protectText->setObjectName(QStringLiteral("Label1"));
    protectText->move(54, 96);

    useRiseLimitBox_ = new QCheckBox(QStringLiteral("Use speedy rising of Resource Emergency"), this);
    useRiseLimitBox_->setObjectName(QStringLiteral("CheckBox2"));
    useRiseLimitBox_->setGeometry(55, 144, 249, 17);
    riseLimitSlider_ = new ui::LimitSlider(this);
    riseLimitSlider_->setObjectName(QStringLiteral("yy1"));
    riseLimitSlider_->setGeometry(49, 163, 249, 25);
    riseLimitGauge_ = new ui::Gauge(ui::Gauge::Kind::Bar, this);
    riseLimitGauge_->setObjectName(QStringLiteral("yy2"));
    riseLimitGauge_->setGeometry(56, 191, 238, 19);
    riseLimitGauge_->setBackColor(QColor(255, 0, 0));
    riseLimitGauge_->setForeColor(QColor(128, 0, 0));
    auto* warnText = new QLabel(QStringLiteral("It will warn you that your system has any viruse or bad software\n"
                                               "having the possiblity to get rid of your system resources.   "),
                                this);
    warnText->setObjectName(QStringLiteral("Label2"));
    warnText->move(54, 216);
    // Both notes end inside their frames.
    for (QLabel* l : {protectText, warnText}) {
        l->setFont(ui::narrowFont(11));
        ui::fitWidth(l, 360 - 54 - 4);
    }
}

// "Default", "Use Sound" and "OK" along the bottom; returns "Default".
QPushButton* OptionsWindow::buildButtons() {
    auto* def = new QPushButton(QStringLiteral("Default"), this);
    def->setObjectName(QStringLiteral("Button2"));
    def->setGeometry(23, 263, 73, 32);
    def->setAutoDefault(false);
    sound_ = new QCheckBox(QStringLiteral("Use Sound"), this);
    sound_->setObjectName(QStringLiteral("SoundCheck"));
    sound_->setGeometry(144, 272, 89, 17);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("Button1"));
    ok_->setGeometry(287, 263, 72, 32);
    ok_->setDefault(true);
    return def;
}

void OptionsWindow::bind(QPushButton* defaults) {
    // Each change takes effect at the next tick, even while the window is open.
    connect(loadLimitSlider_, &QSlider::valueChanged, this, [this](int v) {
        options_.loadLimit = v;
        loadLimitGauge_->setProgress(v);
    });
    connect(riseLimitSlider_, &QSlider::valueChanged, this, [this](int v) {
        options_.riseLimit = v;
        riseLimitGauge_->setProgress(v);
    });
    connect(useLoadLimitBox_, &QCheckBox::toggled, this, [this](bool on) { options_.useLoadLimit = on; });
    connect(useRiseLimitBox_, &QCheckBox::toggled, this, [this](bool on) { options_.useRiseLimit = on; });
    connect(sound_, &QCheckBox::toggled, this, [this](bool on) { options_.useSound = on; });
    connect(defaults, &QPushButton::clicked, this, &OptionsWindow::setDefaults);
    connect(ok_, &QPushButton::clicked, this, &QDialog::close);
}

void OptionsWindow::syncFromOptions() {
    WarningOptions o = options_;  // setting a control writes back into the options
    loadLimitSlider_->setValue(o.loadLimit);
    riseLimitSlider_->setValue(o.riseLimit);
    useLoadLimitBox_->setChecked(o.useLoadLimit);
    useRiseLimitBox_->setChecked(o.useRiseLimit);
    sound_->setChecked(o.useSound);
    options_ = o;
    loadLimitGauge_->setProgress(o.loadLimit);
    riseLimitGauge_->setProgress(o.riseLimit);
}

void OptionsWindow::setDefaults() {
    loadLimitSlider_->setValue(WarningOptions::kDefaultLoadLimit);
    riseLimitSlider_->setValue(WarningOptions::kDefaultRiseLimit);
    riseLimitGauge_->setProgress(riseLimitSlider_->value());
    loadLimitGauge_->setProgress(loadLimitSlider_->value());
}

void OptionsWindow::showEvent(QShowEvent* e) {
    riseLimitGauge_->setProgress(riseLimitSlider_->value());
    loadLimitGauge_->setProgress(loadLimitSlider_->value());
    ok_->setFocus();
    view_.optionsShown = true;
    QDialog::showEvent(e);
}

void OptionsWindow::hideEvent(QHideEvent* e) {
    view_.optionsShown = false;
    QDialog::hideEvent(e);
}

void OptionsWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool OptionsWindow::writeOnClose() {
    if (file_.save()) return true;
    dialogs_.error(QStringLiteral("Unable to write to %1").arg(file_.path()) + QLatin1Char('.'));
    return false;
}

void OptionsWindow::done(int r) {
    // Every way of closing ends here (the close box, OK): the options
    // are written, and a failed write keeps the window open.
    if (isVisible() && !writeOnClose()) return;
    QDialog::done(r);
}

}  // namespace ostra
