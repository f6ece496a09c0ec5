#include "app/ostra_app.h"

#include "app/info_window.h"
#include "app/main_window.h"
#include "app/tray_icon.h"
#include "monitor/options_window.h"
#include "monitor/warning_dialog.h"
#include "softtest/report_window.h"
#include "ui/artwork.h"
#include "ui/twostateswitch.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QFileInfo>
#include <QMenu>

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
    form1_ = std::make_unique<MainWindow>(platform, programFolder, *warningProxy_, options_);
    form2_ = std::make_unique<InfoWindow>();
    form3_ = std::make_unique<OptionsWindow>(platform, form1_->controller().iniPath(), options_);
    form3_->loadOptions();
    warn1_ = std::make_unique<WarningDialog>();
    warningProxy_->target = warn1_.get();
    softTest_ = std::make_unique<ReportWindow>();
    for (QWidget* w : std::initializer_list<QWidget*>{form2_.get(), form3_.get(), warn1_.get(), softTest_.get()})
        platform.skipTaskbar(w);
    buildMenu();
    tray_ = new TrayIcon(menu_.get(), this);
    wire();
    tray_->show();
}

OstraApp::~OstraApp() = default;

MainController& OstraApp::controller() { return form1_->controller(); }

QAction* OstraApp::action(const char* name) const {
    return menu_->findChild<QAction*>(QLatin1String(name));
}

void OstraApp::play(const char* cue) { controller().cue().play(QLatin1String(cue)); }

void OstraApp::buildMenu() {
    menu_ = std::make_unique<QMenu>();
    menu_->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](QMenu* m, const char* name, const QString& text, void (OstraApp::*slot)() = nullptr) {
        QAction* a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setParent(menu_.get());
        if (slot) connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto sep = [this](const char* name) {
        QAction* a = menu_->addSeparator();
        a->setObjectName(QLatin1String(name));
        a->setParent(menu_.get());
    };
    QMenu* m = menu_.get();
    add(m, "N1", QStringLiteral("Refresh Memory"), &OstraApp::refreshMemory)->setShortcut(Qt::Key_F7);
    QAction* show = add(m, "Show1", QStringLiteral("Show"), &OstraApp::show1);
    m->setDefaultAction(show);
    add(m, "hide1", QStringLiteral("Hide"), &OstraApp::hide1);
    add(m, "LogIn1", QStringLiteral("Run all auto startup softwares "), &OstraApp::runStartupCommand);
    add(m, "N3", QStringLiteral("Setting auto startup softwares after refresh memory"));
    sep("N7");
    add(m, "Restartthetimer1", QStringLiteral("Restart the timer"), &OstraApp::restartTimer);
    add(m, "Stopthetimer1", QStringLiteral("Stop the timer"), &OstraApp::stopTimer);
    add(m, "Startthetimer1", QStringLiteral("Start the timer"), &OstraApp::startTimer);
    QMenu* sound = m->addMenu(QStringLiteral("Change Sound Setting"));
    sound->setObjectName(QStringLiteral("ChangeSoundSetting1"));
    sound->menuAction()->setObjectName(QStringLiteral("ChangeSoundSetting1"));
    connect(add(sound, "Changethealarmsound1", QStringLiteral("Alarm sound")), &QAction::triggered, this,
            [this] { changeSound(QStringLiteral("alarm.wav"), QStringLiteral("File not found. ^^ ")); });
    connect(add(sound, "Emergencysound1", QStringLiteral("Resource emergency sound")), &QAction::triggered,
            this, [this] {
                changeSound(QStringLiteral("dingdong.wav"), QStringLiteral("Fail to set sound. Try again."));
            });
    connect(add(sound, "StartSound1", QStringLiteral("Start sound")), &QAction::triggered, this,
            [this] { changeSound(QStringLiteral("start.wav"), QStringLiteral("Fail to set sound. Try again.")); });
    sep("N9");
    add(m, "Startsoftwaretest1", QStringLiteral("Software test"));
    sep("N10");
    add(m, "N2", QStringLiteral("Information"), &OstraApp::openInformation);
    add(m, "Onlineupgrade1", QStringLiteral("On line upgrade"));
    QAction* auto1 = add(m, "Autoconnecttheonlinupgrade1", QStringLiteral("Auto connect the online upgrade"));
    auto1->setCheckable(true);
    auto1->setChecked(true);
    connect(auto1, &QAction::triggered, this, &OstraApp::toggleAutoUpgrade);
    add(m, "N6", QStringLiteral("Ostra on the web"), &OstraApp::openHomepage);
    QAction* help = add(m, "N8", QStringLiteral("Help"), &OstraApp::openHelp);
    help->setShortcut(Qt::Key_F1);
    help->setStatusTip(QStringLiteral("On line guide"));
    sep("N4");
    add(m, "N5", QStringLiteral("Exit Program"), &OstraApp::closeProgram);
    // The shortcuts work while the main window has the focus.
    for (QAction* a : menu_->findChildren<QAction*>())
        if (!a->shortcut().isEmpty()) form1_->addAction(a);
}

void OstraApp::wire() {
    MainController& c = controller();
    c.hooks().optionsShown = [this] { return form3_->isVisible(); };
    c.hooks().runStartupList = [this] { runStartupList(); };
    form3_->playCue = [&c](const QString& name) { c.cue().play(name); };
    warn1_->onOk = [this, &c] {
        play("click.wav");
        c.restAlarm().passedMinutes = 0;
        c.monitor().setExceedLimitState(true);
        if (auto* l = form1_->control<QLabel>("Label2")) l->setText(QStringLiteral("Exceed Limit"));
    };
    warn1_->onLimitReset = [this] {
        if (form3_->isVisible()) return;
        play("click.wav");
        form3_->exec();
    };
    warn1_->onExit = [this] {
        play("click.wav");
        form1_->close();
    };
    connect(form1_.get(), &MainWindow::trayHintTextChanged, tray_, &TrayIcon::setHint);
    connect(tray_, &TrayIcon::defaultRequested, this, [this] {
        QAction* def = menu_->defaultAction();
        if (def && def->isEnabled()) def->trigger();
    });
    form1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(form1_.get(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { menu_->popup(form1_->mapToGlobal(p)); });
    connect(form1_.get(), &MainWindow::settingsApplied, this, [this, &c] {
        action("Autoconnecttheonlinupgrade1")->setChecked(c.settings().autoUpgradeCheck);
    });

    auto button = [this](const char* name, void (OstraApp::*slot)()) {
        if (auto* b = form1_->control<QAbstractButton>(name)) connect(b, &QAbstractButton::clicked, this, slot);
    };
    button("RxSpeedButton4", &OstraApp::stickToRightEnd);
    button("RxSpeedButton7", &OstraApp::takeOutMainForm);
    button("RxSpeedButton15", &OstraApp::minimize);
    button("RxSpeedButton3", &OstraApp::closeProgram);
    button("RxSpeedButton5", &OstraApp::openInformation);
    button("RxSpeedButton13", &OstraApp::openWarningOptions);
    button("RxSpeedButton17", &OstraApp::refreshWarningState);
    button("dxfPictureButton1", &OstraApp::refreshMemory);
    button("RxSpeedButton9", &OstraApp::runStartupCommand);
    button("RxSpeedButton6", &OstraApp::openHelp);
    button("RxSpeedButton14", &OstraApp::openHomepage);
    button("RxSpeedButton26", &OstraApp::startTimer);
    button("RxSpeedButton25", &OstraApp::stopTimer);
    button("RxSpeedButton23", &OstraApp::restartTimer);
    button("RxSpeedButton24", &OstraApp::restartInterval);
    button("RxSpeedButton22", &OstraApp::increaseInterval);
    button("RxSpeedButton21", &OstraApp::decreaseInterval);
    if (auto* sw = form1_->findChild<ui::TwoStateSwitch*>(QStringLiteral("RxSwitch2")))
        connect(sw, &ui::TwoStateSwitch::clicked, this, &OstraApp::alarmSwitchClicked);
}

void OstraApp::start() {
    form1_->show();
    form1_->raise();
    form1_->activateWindow();
}

void OstraApp::showRequested() {
    if (platform_.isApplicationMinimized()) {
        platform_.restoreApplication();
    } else if (!form1_->isVisible()) {
        // Hidden with "Hide": without a tray to show it from, starting the
        // program again is the way back, so it shows it.
        form1_->show();
    }
    form1_->raise();
    form1_->activateWindow();
}

void OstraApp::shutdown() {
    // Closing the main window runs the shutdown sequence once and quits.
    form1_->close();
}

void OstraApp::stickToRightEnd() {
    play("click.wav");
    const QRect tab = form1_->control<QWidget>("Shape25")->geometry();
    const int screenWidth = platform_.screenSize().width();
    form1_->setGeometry(screenWidth + tab.x() - tab.width(), form1_->y(), tab.width() + tab.x(),
                        form1_->height());
}

void OstraApp::takeOutMainForm() {
    play("click.wav");
    const QRect back = form1_->control<QWidget>("Shape30")->geometry();
    const int width = back.x() + back.width() + 5;
    const int screenWidth = platform_.screenSize().width();
    form1_->setGeometry(screenWidth - width + 2, form1_->y(), width, form1_->height());
}

void OstraApp::minimize() {
    play("click.wav");
    platform_.minimizeApplication();
}

void OstraApp::closeProgram() {
    play("click.wav");
    form1_->close();
}

void OstraApp::closeOtherWindows() {
    for (QWidget* w : std::initializer_list<QWidget*>{softTest_.get(), form2_.get(), form3_.get(), warn1_.get()})
        if (w->isVisible()) w->close();
}

void OstraApp::show1() {
    play("click.wav");
    closeOtherWindows();
    // After "Minimize" the whole program comes back.
    if (platform_.isApplicationMinimized()) platform_.restoreApplication();
    form1_->show();  // from hidden this replays the start-up sequence
    form1_->raise();
    form1_->activateWindow();
}

void OstraApp::hide1() {
    play("click.wav");
    closeOtherWindows();
    if (platform_.isApplicationMinimized()) platform_.restoreApplication();
    form1_->hide();
}

void OstraApp::openInformation() {
    play("click.wav");
    form2_->setVersionText(form1_->control<QLabel>("Label2")->text());
    ui::centreOnScreen(form2_.get());
    form2_->exec();
}

void OstraApp::openWarningOptions() {
    if (form3_->isVisible()) return;
    play("click.wav");
    ui::centreOnScreen(form3_.get());
    form3_->exec();
}

void OstraApp::refreshWarningState() {
    play("click.wav");
    controller().monitor().setExceedLimitState(false);
}

void OstraApp::refreshMemory() {
    play("memory.wav");
    if (platform_.fileExists(platform_.protectionMarkerPath())) {
        platform_.dialogs().message(QString::fromLatin1(kRefreshProtectionMessage));
        return;
    }
    if (platform_.dialogs().confirm(QString::fromLatin1(kRefreshQuestion)) != Answer::No)
        platform_.forceLogOff();
}

void OstraApp::runStartupList() {
    const QString folder = controller().path(QStringLiteral("startup"));
    for (const QString& name : MainController::programList(folder))
        platform_.shellOpen(folder + QLatin1Char('/') + name);
}

void OstraApp::runStartupCommand() {
    play("click.wav");
    runStartupList();
}

void OstraApp::openHelp() {
    play("clicklong.wav");
    platform_.shellOpen(controller().path(QStringLiteral("help.htm")));
}

void OstraApp::openHomepage() {
    play("clicklong.wav");
    platform_.shellOpen(QString::fromLatin1(kHomepage));
}

void OstraApp::toggleAutoUpgrade() {
    controller().settings().autoUpgradeCheck = action("Autoconnecttheonlinupgrade1")->isChecked();
}

void OstraApp::startTimer() {
    play("click.wav");
    controller().restTimer().start();
}

void OstraApp::stopTimer() {
    play("click.wav");
    controller().restTimer().stop();
    controller().restAlarm().passedMinutes = 0;
    form1_->figuresChanged();
}

void OstraApp::restartTimer() {
    play("click.wav");
    controller().restTimer().reset();
    controller().restTimer().start();
    controller().restAlarm().passedMinutes = 0;
    form1_->figuresChanged();
}

void OstraApp::restartInterval() {
    play("click.wav");
    controller().restAlarm().passedMinutes = 0;
    form1_->figuresChanged();
}

void OstraApp::increaseInterval() {
    play("click.wav");
    RestAlarm& a = controller().restAlarm();
    if (a.restInterval < 100) ++a.restInterval;
    form1_->figuresChanged();
}

void OstraApp::decreaseInterval() {
    play("click.wav");
    RestAlarm& a = controller().restAlarm();
    if (a.restInterval > 1) --a.restInterval;
    form1_->figuresChanged();
}

void OstraApp::alarmSwitchClicked() {
    play("button.wav");
    if (controller().restAlarm().alarmOn)
        controller().restTimer().start();
    else
        controller().restTimer().stop();
}

void OstraApp::changeSound(const QString& target, const QString& missingMessage) {
    play("click.wav");
    const QString path = controller().path(target);
    std::optional<QString> chosen = platform_.dialogs().openFile(
        QStringLiteral("Set my alarm sound"), QStringLiteral("*.wav|*.wav"), lastSoundChoice_);
    if (chosen) {
        lastSoundChoice_ = *chosen;
        // Choosing the file itself leaves it as it is.
        const QString from = QFileInfo(*chosen).canonicalFilePath();
        if (from.isEmpty() || from != QFileInfo(path).canonicalFilePath())
            platform_.copyFile(*chosen, path);
    }
    if (platform_.fileExists(path))
        controller().cue().preview(target);
    else
        platform_.dialogs().message(missingMessage);
}

}  // namespace ostra
