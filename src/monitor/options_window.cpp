#include "monitor/options_window.h"

#include "monitor/view_state.h"
#include "platform/dialogs.h"
#include "settings/settings_file.h"
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

OptionsWindow::OptionsWindow(Files& files, Dialogs& dialogs, QString iniPath, WarningOptions& options,
                             ViewState& view, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint),
      files_(files),
      dialogs_(dialogs),
      ini_(std::move(iniPath)),
      options_(options),
      view_(view) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Resource Emergency Warning Option"));
    setFixedSize(391, 307);
    setFont(ui::narrowFont(12));
    ui::fillBackground(this, Qt::white);

    auto frame = [this](const char* name, const QRect& r) {
        auto* s = new ui::Shape(ui::Shape::Form::Frame, this);
        s->setObjectName(QLatin1String(name));
        s->setGeometry(r);
        s->setPenColor(QColor(0, 0, 128));
        s->setBrushColor(Qt::white);
    };
    frame("Shape1", {23, 15, 337, 107});
    frame("Shape2", {23, 135, 337, 114});

    check1_ = new QCheckBox(QStringLiteral("Use Resource Emergency"), this);
    check1_->setObjectName(QStringLiteral("CheckBox1"));
    check1_->setGeometry(55, 22, 249, 17);
    xx1_ = new ui::LimitSlider(this);
    xx1_->setObjectName(QStringLiteral("xx1"));
    xx1_->setGeometry(48, 43, 249, 25);
    xx2_ = new ui::Gauge(ui::Gauge::Kind::Bar, this);
    xx2_->setObjectName(QStringLiteral("xx2"));
    xx2_->setGeometry(55, 71, 238, 19);
    xx2_->setBackColor(QColor(0, 0, 255));
    xx2_->setForeColor(QColor(0, 0, 128));
    auto* l1 = new QLabel(QStringLiteral("This will protect your system  not to be down accidently ."), this);
    l1->setObjectName(QStringLiteral("Label1"));
    l1->move(54, 96);

    check2_ = new QCheckBox(QStringLiteral("Use speedy rising of Resource Emergency"), this);
    check2_->setObjectName(QStringLiteral("CheckBox2"));
    check2_->setGeometry(55, 144, 249, 17);
    yy1_ = new ui::LimitSlider(this);
    yy1_->setObjectName(QStringLiteral("yy1"));
    yy1_->setGeometry(49, 163, 249, 25);
    yy2_ = new ui::Gauge(ui::Gauge::Kind::Bar, this);
    yy2_->setObjectName(QStringLiteral("yy2"));
    yy2_->setGeometry(56, 191, 238, 19);
    yy2_->setBackColor(QColor(255, 0, 0));
    yy2_->setForeColor(QColor(128, 0, 0));
    auto* l2 = new QLabel(QStringLiteral("It will warn you that your system has any viruse or bad software\n"
                                         "having the possiblity to get rid of your system resources.   "),
                          this);
    l2->setObjectName(QStringLiteral("Label2"));
    l2->move(54, 216);
    // Both notes end inside their frames.
    for (QLabel* l : {l1, l2}) {
        l->setFont(ui::narrowFont(11));
        ui::fitWidth(l, 360 - 54 - 4);
    }

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

    // Each change takes effect at the next tick, even while the window is open.
    connect(xx1_, &QSlider::valueChanged, this, [this](int v) {
        options_.loadLimit = v;
        xx2_->setProgress(v);
    });
    connect(yy1_, &QSlider::valueChanged, this, [this](int v) {
        options_.riseLimit = v;
        yy2_->setProgress(v);
    });
    connect(check1_, &QCheckBox::toggled, this, [this](bool on) { options_.useLoadLimit = on; });
    connect(check2_, &QCheckBox::toggled, this, [this](bool on) { options_.useRiseLimit = on; });
    connect(sound_, &QCheckBox::toggled, this, [this](bool on) { options_.useSound = on; });
    connect(def, &QPushButton::clicked, this, &OptionsWindow::setDefaults);
    connect(ok_, &QPushButton::clicked, this, &QDialog::close);
    syncFromOptions();
}

void OptionsWindow::syncFromOptions() {
    WarningOptions o = options_;  // setting a control writes back into the options
    xx1_->setValue(o.loadLimit);
    yy1_->setValue(o.riseLimit);
    check1_->setChecked(o.useLoadLimit);
    check2_->setChecked(o.useRiseLimit);
    sound_->setChecked(o.useSound);
    options_ = o;
    xx2_->setProgress(o.loadLimit);
    yy2_->setProgress(o.riseLimit);
}

void OptionsWindow::setDefaults() {
    xx1_->setValue(WarningOptions::kDefaultLoadLimit);
    yy1_->setValue(WarningOptions::kDefaultRiseLimit);
    yy2_->setProgress(yy1_->value());
    xx2_->setProgress(xx1_->value());
}

void OptionsWindow::showEvent(QShowEvent* e) {
    yy2_->setProgress(yy1_->value());
    xx2_->setProgress(xx1_->value());
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
    // The five keys in one replacement of the file.
    SettingsFile ini(files_, ini_);
    ini.load();
    options_.write(ini);
    if (ini.commit()) return true;
    dialogs_.error(QStringLiteral("Unable to write to %1").arg(ini_) + QLatin1Char('.'));
    return false;
}

void OptionsWindow::done(int r) {
    // Every way of closing ends here (the close box, OK): the options
    // are written, and a failed write keeps the window open.
    if (isVisible() && !writeOnClose()) return;
    QDialog::done(r);
}

}  // namespace ostra
