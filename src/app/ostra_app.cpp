#include "app/ostra_app.h"

#include "app/info_window.h"
#include "app/main_window.h"
#include "monitor/options_window.h"
#include "monitor/warning_dialog.h"
#include "softtest/report_window.h"

#include <QApplication>
#include <QLabel>

namespace ostra {

// The monitor is built with the main window, before the warning window
// exists; this stands in for it until then.
class LateWarningWindow : public WarningWindow {
public:
    WarningWindow* target = nullptr;
    bool isShown() const override { return target && target->isShown(); }
    QString message() const override { return target ? target->message() : QString(); }
    void setMessage(const QString& t) override { if (target) target->setMessage(t); }
    QColor panelColor() const override { return target ? target->panelColor() : kRed; }
    void setPanelColor(const QColor& c) override { if (target) target->setPanelColor(c); }
    void showModeless() override { if (target) target->showModeless(); }
    void showModal() override { if (target) target->showModal(); }
};

OstraApp::OstraApp(Platform& platform, const QString& programFolder)
    : platform_(platform), warningProxy_(std::make_unique<LateWarningWindow>()) {
    QApplication::setApplicationName(QStringLiteral("Ostra"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ostra"));
    form1_ = std::make_unique<MainWindow>(platform, programFolder, *warningProxy_, options_);
    form2_ = std::make_unique<InfoWindow>();
    form3_ = std::make_unique<OptionsWindow>(platform, form1_->controller().iniPath(), options_);
    form3_->loadOptions();
    warn1_ = std::make_unique<WarningDialog>();
    warningProxy_->target = warn1_.get();
    softTest_ = std::make_unique<ReportWindow>();
    for (QWidget* w : std::initializer_list<QWidget*>{form2_.get(), form3_.get(), warn1_.get(), softTest_.get()})
        platform.skipTaskbar(w);
    wire();
}

OstraApp::~OstraApp() = default;

void OstraApp::wire() {
    MainController& c = form1_->controller();
    c.hooks().optionsShown = [this] { return form3_->isVisible(); };
    form3_->playCue = [&c](const QString& name) { c.cue().play(name); };
    warn1_->onOk = [this, &c] {
        c.cue().play(QStringLiteral("click.wav"));
        c.restAlarm().passedMinutes = 0;
        c.monitor().setExceedLimitState(true);
        if (auto* l = form1_->control<QLabel>("Label2")) l->setText(QStringLiteral("Exceed Limit"));
    };
    warn1_->onLimitReset = [this, &c] {
        if (form3_->isVisible()) return;
        c.cue().play(QStringLiteral("click.wav"));
        form3_->exec();
    };
    warn1_->onExit = [this, &c] {
        c.cue().play(QStringLiteral("click.wav"));
        form1_->close();
    };
}

void OstraApp::start() {
    form1_->show();
    form1_->raise();
    form1_->activateWindow();
}

void OstraApp::showRequested() {
    if (platform_.isApplicationMinimized()) {
        platform_.restoreApplication();
    } else {
        form1_->raise();
        form1_->activateWindow();
    }
}

void OstraApp::shutdown() {
    // Closing the main window runs the shutdown sequence once and quits.
    form1_->close();
}

}  // namespace ostra
