#include "app/ostra_app.h"

#include "app/export_wiring.h"
#include "app/info_window.h"
#include "app/load_history_wiring.h"
#include "app/main_window.h"
#include "grow/grow_window.h"
#include "loadhistory/load_history_window.h"
#include "monitor/options_window.h"
#include "monitor/warning_dialog.h"
#include "refresh/list_editor.h"
#include "settings/settings_file.h"
#include "softtest/report_window.h"
#include "tray/statusnotifier/status_notifier_item.h"
#include "tray/tray_icon.h"
#include "tray/xembed/xembed_tray_icon.h"
#include "ui/artwork.h"

#include <QApplication>
#include <QDir>
#include <QMenu>

#include <cstdio>

namespace ostra {

namespace {

// The tray, chosen once: an item of our own where the session bus has a
// StatusNotifier watcher (a panel that shows D-Bus items) and the item has
// a bus connection of its own, else Qt's XEmbed icon.
std::unique_ptr<TrayBackend> chooseTrayBackend(QMenu& menu) {
    if (StatusNotifierItem::hostPresent()) {
        auto item = std::make_unique<StatusNotifierItem>(&menu, &ui::trayFrame);
        if (item->connected()) return item;
    }
    return std::make_unique<XEmbedTrayIcon>(&menu, std::array<QIcon, 2>{ui::trayPicture(0), ui::trayPicture(1)},
                                            &ui::trayFrame);
}

// [export] TextfileDir, read once at start.
QString textfileDir(Files& files, const QString& iniPath) {
    SettingsFile ini(files, iniPath);
    ini.load();
    return ini.read(kTextfileDirKey, QString()).trimmed();
}

}  // namespace

OstraApp::OstraApp(Services& services, const QString& programFolder)
    : services_(services),
      exporter_(Exporter::Deps{
          services.journal, services.collectorFolder, services.clock,
          textfileDir(services.files, programFolder + QLatin1Char('/') + QLatin1String(kSettingsFileName)),
          [](const QString& line) { std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData()); }}),
      optionsFile_(services.files, programFolder + QLatin1Char('/') + QLatin1String(kSettingsFileName), options_),
      restTimer_(services.clock),
      cue_(services.sound, programFolder, options_.useSound),
      monitor_(Monitor::Deps{services.load, services.clock, warning_, options_, history_, restTimer_, restAlarm_,
                             cue_, view_, settings_.historyOn}),
      startPoint_(monitor_, history_, restTimer_, restAlarm_),
      softwareTest_(SoftTest::Deps{monitor_, startPoint_, cue_, services.dialogs, services.files,
                                   services.processes, services.load, services.clock}),
      lists_(services.files, services.shell, services.dialogs, cue_, programFolder),
      refresh_(services.files, services.session, services.dialogs, cue_),
      upgrade_(UpgradeCheck::Deps{services.downloads, services.files, services.dialogs, services.shell, cue_,
                                  programFolder, settings_.updateHost}),
      controller_(MainController::Deps{services, programFolder, monitor_, history_, restTimer_, restAlarm_, cue_,
                                       lists_, refresh_, placement_, view_},
                  settings_),
      grow_(grow::GrowWatch::Deps{services.processMemory, services.desktopEntries, services.notifier,
                                  services.clock}),
      loadRecorder_(loadhistory::LoadRecorder::Deps{
          services.pressure, services.clock, services.files, services.dialogs,
          controller_.path(QLatin1String(loadhistory::kHistoryFileName)), &services.load}),
      csvExporter_(loadhistory::CsvExporter::Deps{loadRecorder_.ring(), services.files, services.dialogs,
                                                  QDir::homePath()}),
      actScanner_(services.processMemory, services.desktopEntries),
      appActions_(act::ApplicationActions::Deps{services.processControl, services.userUnits, services.appWindows,
                                                services.desktopPeers, services.files, services.clock,
                                                controller_.path(QLatin1String(act::kPausedFileName))}),
      oomWatch_(act::OomWatch::Deps{
          services.kernelCounters, services.notifier, services.clock, services.userUnits,
          [this](std::function<void(grow::Snapshot)> done) { actScanner_.scan(std::move(done)); }}),
      growActing_(GrowActing::Deps{appActions_, services.processControl, services.dialogs}) {
    QApplication::setApplicationName(QStringLiteral("Ostra"));
    // TForm1; its creation loads the history.
    mainWindow_ = std::make_unique<MainWindow>(MainWindow::Model{actions_, controller_, monitor_, history_,
                                                                 startPoint_, restTimer_, restAlarm_, lists_,
                                                                 placement_, view_, services.windows});
    controller_.formCreate();
    loadRecorder_.load();
    // A sample a second from now on, whatever the main window does.
    loadRecorder_.start();
    // What a run that was killed left paused runs again.
    appActions_.resumeLeftovers();
    // The warning options are read once, at start-up; the options window
    // shows them when it is first opened.
    optionsFile_.load();
    {
        SettingsFile ini(services.files, controller_.iniPath());
        ini.load();
        grow_.setNotifyOn(ini.read(kGrowNotifyKey, true));
        actions_.notifyGrowth.setChecked(grow_.notifyOn());
        loadHistoryOptions_.read(ini);
        csvExporter_.setLastFolder(loadHistoryOptions_.exportFolder);
    }
    buildMenu();
    tray_ = new TrayIcon(chooseTrayBackend(*menu_), this);
    connectCommands();
    tray_->show();
}

OstraApp::~OstraApp() { exporter_.finish(); }

namespace {

// `window`, made by `make` at the first call and kept off the task bar.
template <typename Window, typename Make>
Window& madeOnce(std::unique_ptr<Window>& window, WindowServices& windows, Make make) {
    if (!window) {
        window = make();
        windows.skipTaskbar(window.get());
    }
    return *window;
}

// Shows `w`, above the others and with the focus.
void showInFront(QWidget& w) {
    w.show();
    w.raise();
    w.activateWindow();
}

}  // namespace

InfoWindow& OstraApp::infoWindow() {
    return madeOnce(infoWindow_, services_.windows, [] { return std::make_unique<InfoWindow>(); });
}

OptionsWindow& OstraApp::optionsWindow() {
    return madeOnce(optionsWindow_, services_.windows,
                    [this] { return std::make_unique<OptionsWindow>(services_.dialogs, optionsFile_, view_); });
}

WarningDialog& OstraApp::warningWindow() {
    return madeOnce(warningWindow_, services_.windows, [this] {
        auto w = std::make_unique<WarningDialog>(warning_);
        connect(w.get(), &WarningDialog::okClicked, this, &OstraApp::acknowledgeWarning);
        // The options as the main window opens them: centred, once.
        connect(w.get(), &WarningDialog::limitResetClicked, this, &OstraApp::openWarningOptions);
        connect(w.get(), &WarningDialog::exitClicked, this, [this] {
            cue_.play("click.wav");
            mainWindow_->close();
        });
        return w;
    });
}

grow::GrowWindow& OstraApp::growWindow() {
    return madeOnce(growWindow_, services_.windows, [this] {
        auto w = std::make_unique<grow::GrowWindow>(grow_);
        growActing_.attach(*w);
        return w;
    });
}

ReportWindow& OstraApp::reportWindow() {
    return madeOnce(reportWindow_, services_.windows,
                    [this] { return std::make_unique<ReportWindow>(softwareTest_, services_.windows); });
}

loadhistory::LoadHistoryWindow& OstraApp::loadHistoryWindow() {
    return madeOnce(loadHistory_, services_.windows, [this] {
        auto w = std::make_unique<loadhistory::LoadHistoryWindow>(loadRecorder_, [this]() -> std::optional<int> {
            if (!options_.useLoadLimit) return std::nullopt;
            return options_.loadLimit;
        });
        connect(w.get(), &loadhistory::LoadHistoryWindow::exportRequested, this, &OstraApp::exportLoadHistory);
        // As it was last time: its span and size, kept when they change
        // and when the program ends with the window open.
        w->setSpan(loadHistoryOptions_.span);
        w->resize(loadHistoryOptions_.size);
        connect(w.get(), &loadhistory::LoadHistoryWindow::spanChosen, this, &OstraApp::keepLoadHistoryOptions);
        connect(w.get(), &loadhistory::LoadHistoryWindow::closed, this, &OstraApp::keepLoadHistoryOptions);
        connect(mainWindow_.get(), &MainWindow::closing, this, [this] {
            if (loadHistory_ && loadHistory_->isVisible()) keepLoadHistoryOptions();
        });
        return w;
    });
}

void OstraApp::buildMenu() {
    menu_ = std::make_unique<QMenu>();
    menu_->setObjectName(QStringLiteral("PopupMenu1"));
    QMenu& m = *menu_;
    auto sep = [&m](const char* name) { m.addSeparator()->setObjectName(QLatin1String(name)); };
    Actions& a = actions_;
    m.addActions({&a.refreshMemory, &a.show, &a.hide, &a.runStartup, &a.editStartup});
    m.setDefaultAction(&a.show);
    sep("N7");
    m.addActions({&a.restartTimer, &a.stopTimer, &a.startTimer});
    QMenu* sound = m.addMenu(QStringLiteral("Change Sound Setting"));
    sound->setObjectName(QStringLiteral("ChangeSoundSetting1"));
    sound->menuAction()->setObjectName(QStringLiteral("ChangeSoundSetting1"));
    sound->addActions({&a.alarmSound, &a.emergencySound, &a.startSound});
    sep("N9");
    m.addAction(&a.softwareTest);
    sep("N10");
    m.addActions({&a.information, &a.onlineUpgrade, &a.autoUpgrade, &a.homepage, &a.help});
    sep("N4");
    m.addAction(&a.exitProgram);
    sep("N11");
    m.addActions({&a.whatGrew, &a.notifyGrowth, &a.loadHistory});
}

void OstraApp::bindCommand(QAction& action, const char* cue, void (OstraApp::*run)()) {
    connect(&action, &QAction::triggered, this, [this, cue, run] {
        if (cue) cue_.play(cue);
        (this->*run)();
    });
}

void OstraApp::connectCommands() {
    connectWindowCommands();
    connectRestTimer();
    connectSounds();
    connectHistory();
    connectListsAndWeb();
    connectWhatGrew();
    connectLoadHistory();
    connectActing();
    connectExport();
    connectWindowLife();
}

// The window's own commands.
void OstraApp::connectWindowCommands() {
    Actions& a = actions_;
    bindCommand(a.stickRight, "click.wav", &OstraApp::stickToRightEnd);
    bindCommand(a.takeOut, "click.wav", &OstraApp::takeOutMainForm);
    bindCommand(a.minimize, "click.wav", &OstraApp::minimize);
    bindCommand(a.close, "click.wav", &OstraApp::closeProgram);
    bindCommand(a.exitProgram, "click.wav", &OstraApp::closeProgram);
    bindCommand(a.show, "click.wav", &OstraApp::showMainWindow);
    bindCommand(a.hide, "click.wav", &OstraApp::hideMainWindow);
    bindCommand(a.information, "click.wav", &OstraApp::openInformation);
    connect(&a.warningOptions, &QAction::triggered, this, &OstraApp::openWarningOptions);
    connect(&a.refreshWarningState, &QAction::triggered, this, [this] {
        cue_.play("click.wav");
        monitor_.setExceedLimitState(false);
    });
    connect(&a.analysisPanel, &QAction::triggered, this, [this](bool open) {
        cue_.play("click.wav");
        controller_.setAnalysisPanelOpen(open);
    });
    connect(&a.autoRefreshSwitch, &QAction::triggered, this, [this] { cue_.play("button.wav"); });
}

// The rest timer and the alarm interval.
void OstraApp::connectRestTimer() {
    Actions& a = actions_;
    bindCommand(a.startTimer, "click.wav", &OstraApp::startTimer);
    bindCommand(a.stopTimer, "click.wav", &OstraApp::stopTimer);
    bindCommand(a.restartTimer, "click.wav", &OstraApp::restartTimer);
    connect(&a.restartInterval, &QAction::triggered, this, [this] {
        cue_.play("click.wav");
        restAlarm_.setPassedMinutes(0);
    });
    connect(&a.increaseInterval, &QAction::triggered, this, [this] {
        cue_.play("click.wav");
        restAlarm_.increaseInterval();
    });
    connect(&a.decreaseInterval, &QAction::triggered, this, [this] {
        cue_.play("click.wav");
        restAlarm_.decreaseInterval();
    });
    connect(&a.alarmSwitch, &QAction::triggered, this, &OstraApp::alarmSwitchClicked);
}

// "Change Sound Setting".
void OstraApp::connectSounds() {
    Actions& a = actions_;
    connect(&a.alarmSound, &QAction::triggered, this,
            [this] { changeSound(QStringLiteral("alarm.wav"), QStringLiteral("File not found. ^^ ")); });
    connect(&a.emergencySound, &QAction::triggered, this, [this] {
        changeSound(QStringLiteral("dingdong.wav"), QStringLiteral("Fail to set sound. Try again."));
    });
    connect(&a.startSound, &QAction::triggered, this,
            [this] { changeSound(QStringLiteral("start.wav"), QStringLiteral("Fail to set sound. Try again.")); });
}

// The history.
void OstraApp::connectHistory() {
    Actions& a = actions_;
    bindCommand(a.refreshStart, "click.wav", &OstraApp::refreshStart);
    bindCommand(a.moveStart, "click.wav", &OstraApp::moveStart);
    bindCommand(a.viewReport, "click.wav", &OstraApp::viewReport);
}

// Program lists, refresh, the software test, help, the homepage and the
// upgrade check.
void OstraApp::connectListsAndWeb() {
    Actions& a = actions_;
    connect(&a.refreshMemory, &QAction::triggered, &refresh_, &MemoryRefresh::refreshNow);
    connect(&a.runStartup, &QAction::triggered, &lists_, &ProgramLists::runStartupCommand);
    connect(&a.runFavorites, &QAction::triggered, &lists_, &ProgramLists::runFavorites);
    connect(&a.help, &QAction::triggered, this, [this] {
        cue_.play("clicklong.wav");
        services_.shell.open(controller_.path(QStringLiteral("help.htm")));
    });
    connect(&a.homepage, &QAction::triggered, this, [this] {
        cue_.play("clicklong.wav");
        services_.shell.open(QString::fromLatin1(kHomepage));
    });
    connect(&a.autoUpgrade, &QAction::triggered, &controller_, &MainController::setAutoUpgradeCheck);
    connect(&a.onlineUpgrade, &QAction::triggered, &upgrade_, &UpgradeCheck::command);
    connect(&upgrade_, &UpgradeCheck::autoUpgradeRequested, &controller_, &MainController::setAutoUpgradeCheck);
    connect(&controller_, &MainController::upgradeCheckDue, &upgrade_, &UpgradeCheck::check);
    connect(&upgrade_, &UpgradeCheck::closeRequested, mainWindow_.get(), &QWidget::close);
    connect(&a.editStartup, &QAction::triggered, this,
            [this] { editList(lists_.startupFolder(), QString::fromLatin1(kStartupEditorTitle)); });
    connect(&a.editFavorites, &QAction::triggered, this, [this] {
        editList(lists_.favoriteFolder(), QString::fromLatin1(kFavoriteEditorTitle));
        lists_.fillFavorites();
    });
    connect(mainWindow_.get(), &MainWindow::favoriteChosen, &lists_, &ProgramLists::startFavorite);
    connect(&a.softwareTest, &QAction::triggered, this, [this] {
        reportWindow();  // follows the test from its first figures
        softwareTest_.start();
    });
}

// What grew since the start point: a snapshot at each fresh start point,
// the notification when a limit warning opens (see warningRequested).
void OstraApp::connectWhatGrew() {
    Actions& a = actions_;
    connect(&monitor_, &Monitor::startPointSetAfresh, &grow_, &grow::GrowWatch::markStart);
    connect(&grow_, &grow::GrowWatch::openRequested, this, &OstraApp::openWhatGrew);
    connect(&a.whatGrew, &QAction::triggered, this, &OstraApp::openWhatGrew);
    connect(&a.notifyGrowth, &QAction::toggled, this, &OstraApp::setGrowthNotification);
}

// The load history: a sample each second, the events beside it, saved as
// the main window closes (and every ten minutes by the recorder itself).
void OstraApp::connectLoadHistory() {
    bindCommand(actions_.loadHistory, "click.wav", &OstraApp::openLoadHistory);
    connectLoadRecorder(loadRecorder_, monitor_, startPoint_, warning_);
    connect(mainWindow_.get(), &MainWindow::closing, &loadRecorder_, &loadhistory::LoadRecorder::save);
}

// Acting on applications: nothing paused outlives the program; the
// out-of-memory watch reads its counter with the tick.
void OstraApp::connectActing() {
    connect(mainWindow_.get(), &MainWindow::closing, &appActions_, &act::ApplicationActions::resumeAll);
    connect(&monitor_, &Monitor::sampled, &oomWatch_, [this](int load) {
        oomWatch_.tick(load, options_.useLoadLimit ? std::optional<int>(options_.loadLimit) : std::nullopt,
                       warning_.isShown());
    });
    connect(&oomWatch_, &act::OomWatch::openRequested, this, &OstraApp::openWhatGrew);
    // The warning's notification offers to pause what grew most.
    grow_.setPauseOffer([this](const grow::GrowthRow& row) { return growActing_.mayPause(row); });
    connect(&grow_, &grow::GrowWatch::pauseRequested, &growActing_, &GrowActing::pause);
    // The load history marks the second.
    connect(&oomWatch_, &act::OomWatch::oomKill, &loadRecorder_, &loadhistory::LoadRecorder::oomKill);
}

// The journal and the collector's file; the file goes as the program ends.
void OstraApp::connectExport() {
    connectExporter(exporter_,
                    ExportSources{monitor_, warning_, options_, loadRecorder_, grow_, appActions_, oomWatch_});
    connect(mainWindow_.get(), &MainWindow::closing, this, [this] { exporter_.finish(); });
}

// The windows' life: the warning window, the main window, the tray icon and
// the popup menu.
void OstraApp::connectWindowLife() {
    connect(&warning_, &Warning::showRequested, this, &OstraApp::warningRequested);

    // The main window's life.
    connect(mainWindow_.get(), &MainWindow::shownFromHidden, &controller_, &MainController::formShow);
    connect(mainWindow_.get(), &MainWindow::activated, &controller_, &MainController::formActivate);
    connect(mainWindow_.get(), &MainWindow::closing, &controller_, &MainController::formClose);
    connect(&controller_, &MainController::closeRequested, mainWindow_.get(), &QWidget::close);

    // The tray icon and the popup menu.
    connect(&monitor_, &Monitor::trayHintChanged, tray_, &TrayIcon::setHint);
    connect(tray_, &TrayIcon::defaultRequested, this, [this] {
        QAction* def = menu_->defaultAction();
        if (def && def->isEnabled()) def->trigger();
    });
    mainWindow_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mainWindow_.get(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { menu_->popup(mainWindow_->mapToGlobal(p)); });
}

void OstraApp::start() { showInFront(*mainWindow_); }

void OstraApp::showRequested() {
    if (services_.windows.isApplicationMinimized()) {
        services_.windows.restoreApplication();
    } else if (!mainWindow_->isVisible()) {
        // Hidden with "Hide": without a tray to show it from, starting the
        // program again is the way back, so it shows it.
        mainWindow_->show();
    }
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

void OstraApp::shutdown() {
    // Closing the main window runs the shutdown sequence once and quits.
    mainWindow_->close();
}

void OstraApp::stickToRightEnd() {
    const QRect tab = mainWindow_->dockTabRect();
    const int screenWidth = services_.windows.screenSize().width();
    mainWindow_->setGeometry(screenWidth + tab.x() - tab.width(), mainWindow_->y(), tab.width() + tab.x(),
                             mainWindow_->height());
}

void OstraApp::takeOutMainForm() {
    const QRect back = mainWindow_->displayBackRect();
    const int width = back.x() + back.width() + 5;
    const int screenWidth = services_.windows.screenSize().width();
    mainWindow_->setGeometry(screenWidth - width + 2, mainWindow_->y(), width, mainWindow_->height());
}

void OstraApp::minimize() { services_.windows.minimizeApplication(); }

void OstraApp::closeProgram() { mainWindow_->close(); }

void OstraApp::closeOtherWindows() {
    for (QWidget* w : std::initializer_list<QWidget*>{reportWindow_.get(), infoWindow_.get(), optionsWindow_.get(),
                                                      warningWindow_.get(), growWindow_.get(), loadHistory_.get()})
        if (w && w->isVisible()) w->close();
}

void OstraApp::showMainWindow() {
    // After "Minimize" the whole program comes back, less the other windows
    // that were open: they are closed as visible ones.
    if (services_.windows.isApplicationMinimized()) services_.windows.restoreApplication();
    closeOtherWindows();
    showInFront(*mainWindow_);  // from hidden this replays the start-up sequence
}

void OstraApp::hideMainWindow() {
    if (services_.windows.isApplicationMinimized()) services_.windows.restoreApplication();
    closeOtherWindows();
    mainWindow_->hide();
}

void OstraApp::openInformation() {
    InfoWindow& info = infoWindow();
    info.setVersionText(mainWindow_->versionText());
    ui::centreOnScreen(&info);
    info.exec();
}

void OstraApp::openWarningOptions() {
    if (optionsWindow_ && optionsWindow_->isVisible()) return;
    cue_.play("click.wav");
    OptionsWindow& options = optionsWindow();
    ui::centreOnScreen(&options);
    options.exec();
}

void OstraApp::acknowledgeWarning() {
    cue_.play("click.wav");
    loadRecorder_.acknowledge();
    exporter_.acknowledged();
    restAlarm_.setPassedMinutes(0);
    monitor_.setExceedLimitState(true);
    mainWindow_->setVersionText(QStringLiteral("Exceed Limit"));
}

void OstraApp::warningRequested(bool modal) {
    // A modal showing returns only once the window has closed again (it
    // runs its own event loop): what reports a limit warning comes first.
    // (The load history has its event already: the monitor reports a limit
    // warning before it asks for the window.)
    // 1. The notification of what grew, with the load that passed.
    if (modal) grow_.warningOpened(monitor_.figures().nowLoad);
    // 2. The window, made when the load first calls for it.
    warningWindow().present(modal);
}

void OstraApp::startTimer() { restTimer_.start(); }

void OstraApp::stopTimer() {
    restTimer_.stop();
    restAlarm_.setPassedMinutes(0);
}

void OstraApp::restartTimer() {
    restTimer_.reset();
    restTimer_.start();
    restAlarm_.setPassedMinutes(0);
}

void OstraApp::alarmSwitchClicked() {
    cue_.play("button.wav");
    if (restAlarm_.alarmOn())
        restTimer_.start();
    else
        restTimer_.stop();
}

void OstraApp::refreshStart() {
    if (services_.dialogs.confirm(QString::fromLatin1(kRefreshStartQuestion)) == Answer::No) return;
    startPoint_.reset();
}

void OstraApp::moveStart() {
    if (services_.dialogs.confirm(QString::fromLatin1(kMoveStartQuestion)) == Answer::No) return;
    if (std::optional<QString> error = startPoint_.moveTo(mainWindow_->selectedHistoryEntry()))
        services_.dialogs.error(*error + QLatin1Char('.'));
}

void OstraApp::viewReport() {
    const QString report = controller_.path(QStringLiteral("res.txt"));
    services_.files.replaceFile(report, ResList::serialize(history_.entries()));
    services_.shell.open(report);
}

void OstraApp::openWhatGrew() { showInFront(growWindow()); }

void OstraApp::openLoadHistory() {
    loadhistory::LoadHistoryWindow& w = loadHistoryWindow();
    if (!w.isVisible()) ui::centreOnScreen(&w);
    showInFront(w);
}

void OstraApp::setGrowthNotification(bool on) {
    if (on == grow_.notifyOn()) return;
    grow_.setNotifyOn(on);
    // Its own sequence: read, change the one key, replace.
    SettingsFile ini(services_.files, controller_.iniPath());
    ini.load();
    ini.write(kGrowNotifyKey, on);
    ini.commit();
}

void OstraApp::exportLoadHistory(std::int64_t from, std::int64_t to) {
    cue_.play("click.wav");
    if (csvExporter_.exportCsv(from, to) && csvExporter_.lastFolder() != loadHistoryOptions_.exportFolder)
        keepLoadHistoryOptions();
}

void OstraApp::keepLoadHistoryOptions() {
    if (loadHistory_) {
        loadHistoryOptions_.span = loadHistory_->span();
        // The size it was given, not a maximized or full-screen one.
        if (!loadHistory_->isMaximized() && !loadHistory_->isFullScreen())
            loadHistoryOptions_.size = loadHistory_->size();
    }
    loadHistoryOptions_.exportFolder = csvExporter_.lastFolder();
    SettingsFile ini(services_.files, controller_.iniPath());
    ini.load();
    loadHistoryOptions_.write(ini);
    ini.commit();
}

void OstraApp::editList(const QString& folder, const QString& title) {
    cue_.play("click.wav");
    services_.files.createDirectory(folder);
    lists_.read(folder);
    // A window onto the folder: entries are dropped in, added or deleted
    // there; whatever way it closes, the list is read again.
    ListEditor editor(folder, title, services_.dialogs, services_.shell);
    ui::centreOnScreen(&editor);
    editor.exec();
    lists_.read(folder);
}

void OstraApp::changeSound(const QString& target, const QString& missingMessage) {
    cue_.play("click.wav");
    const QString path = cue_.path(target);
    std::optional<QString> chosen = services_.dialogs.openFile(QStringLiteral("Set my alarm sound"),
                                                               QStringLiteral("*.wav|*.wav"), lastSoundChoice_);
    if (chosen) {
        lastSoundChoice_ = *chosen;
        // The copy reads the whole file before it replaces the target, so
        // choosing the target itself leaves it as it is.
        services_.files.copyFile(*chosen, path);
    }
    if (services_.files.fileExists(path))
        cue_.preview(target);
    else
        services_.dialogs.message(missingMessage);
}

}  // namespace ostra
