#include "app/main_controller.h"

#include "settings/settings.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace ostra {

MainController::MainController(Platform& platform, QString programFolder, MainView& view,
                               WarningWindow& warning, WarningOptions& options)
    : platform_(platform),
      folder_(std::move(programFolder)),
      view_(view),
      options_(options),
      restTimer_(platform),
      cue_(platform, folder_, [&options] { return options.useSound; }),
      monitor_(Monitor::Deps{platform, view, warning, options, history_, restTimer_, restAlarm_, cue_,
                             settings_.historyOn}) {
    restTimer_.onMinuteChange = [this] {
        // Counted only while the main window shows and the options are closed;
        // the options window reports itself through the view.
        restAlarm_.minuteChanged(view_.mainShown(), hooks_.optionsShown ? hooks_.optionsShown() : false);
        view_.figuresChanged();
    };
}

void MainController::formCreate() {
    QString list = path(QStringLiteral("res.list"));
    if (platform_.fileExists(list)) history_.load(list);
    view_.historyChanged();
}

void MainController::applyAnalysisPanel() { view_.setHeight(windowHeight()); }

void MainController::readSettings() {
    using namespace settings;
    const QString ini = iniPath();
    Platform& p = platform_;
    // Stepped and wrapped: anything that would pass 5 becomes 0 (tested
    // before adding, so a stored maximum integer cannot overflow).
    const int stored = readInt(p, ini, "my11", "SpinEdit1", settings_.startCounter);
    settings_.startCounter = stored >= 5 ? 0 : stored + 1;
    settings_.historyOn = readBool(p, ini, "W", "checkbox1", settings_.historyOn);
    settings_.analysisPanelOpen = readBool(p, ini, "W", "RxSpeedButton11", settings_.analysisPanelOpen);
    applyAnalysisPanel();
    settings_.autoUpgradeCheck =
        readBool(p, ini, "W", "Autoconnecttheonlinupgrade1", settings_.autoUpgradeCheck);
    settings_.autoRefreshAtStart = readBool(p, ini, "W", "FFFF", settings_.autoRefreshAtStart);
    restAlarm_.alarmOn = readBool(p, ini, "W", "FFFF2", restAlarm_.alarmOn);
    view_.setLeft(readInt(p, ini, "W", "left", view_.left()));
    view_.setTop(readInt(p, ini, "W", "top", view_.top()));
    monitor_.setPriorRunLoad(readInt(p, ini, "W", "Gauge5", 0));
    restAlarm_.restInterval = readInt(p, ini, "W", "LMDLEDLabel3", restAlarm_.restInterval);
    view_.settingsChanged();
}

bool MainController::writeSettings() {
    using namespace settings;
    const QString ini = iniPath();
    Platform& p = platform_;
    // Each write reaches the disk at once; the first failure ends the step.
    if (!writeInt(p, ini, "my11", "SpinEdit1", settings_.startCounter)) return false;
    if (!writeBool(p, ini, "W", "Autoconnecttheonlinupgrade1", settings_.autoUpgradeCheck)) return false;
    if (!writeBool(p, ini, "W", "checkbox1", settings_.historyOn)) return false;
    if (!writeBool(p, ini, "W", "FFFF", settings_.autoRefreshAtStart)) return false;
    if (!writeBool(p, ini, "W", "FFFF2", restAlarm_.alarmOn)) return false;
    if (!writeInt(p, ini, "W", "left", view_.left())) return false;
    if (!writeInt(p, ini, "W", "top", view_.top())) return false;
    monitor_.setPriorRunLoad(monitor_.readLoad());
    view_.figuresChanged();
    if (!writeInt(p, ini, "W", "Gauge5", monitor_.figures().gauge5)) return false;
    if (!writeInt(p, ini, "W", "LMDLEDLabel3", restAlarm_.restInterval)) return false;
    if (!writeBool(p, ini, "W", "RxSpeedButton11", settings_.analysisPanelOpen)) return false;
    return true;
}

void MainController::formShow() {
    // 1. The rest timer runs from every showing.
    restTimer_.start();
    // 2. Figures from fresh readings.
    monitor_.initialiseAtShow();
    // 3. Data folders; failures (an existing folder too) do not matter.
    for (const char* name : {"startup", "favorite", "desktopimage"})
        platform_.createDirectory(path(QLatin1String(name)));
    // 4. Settings.
    readSettings();
    // 5. The automatic upgrade check at one showing in six.
    if (settings_.autoUpgradeCheck && settings_.startCounter == 2 && hooks_.upgradeCheck)
        hooks_.upgradeCheck();
    if (closing_) return;
    // 6. A protection program blocks the rest of the sequence.
    if (platform_.fileExists(platform_.protectionMarkerPath())) {
        platform_.dialogs().message(QString::fromLatin1(kProtectionMessage));
        return;  // neither the refresh offer, the favourites nor the monitor
    }
    // 7. The memory refresh offered at start.
    if (settings_.autoRefreshAtStart) {
        cue_.play(QStringLiteral("click.wav"));
        Answer a = platform_.dialogs().confirm(QString::fromLatin1(kStartupRefreshQuestion));
        if (closing_) return;  // the session ended while the question was open
        if (a == Answer::Yes) {
            platform_.forceLogOff();
            view_.closeMain();
            return;
        }
        if (hooks_.runStartupList) hooks_.runStartupList();
    }
    if (closing_) return;
    // 8. The favourites.
    view_.setFavorites(programList(path(QStringLiteral("favorite"))));
    // 9. The monitor starts.
    monitor_.startTimer();
}

void MainController::formActivate() {
    cue_.play(QStringLiteral("start.wav"));
    QSize screen = platform_.screenSize();
    if (view_.left() > screen.width() - 1) view_.setLeft(0);
    if (view_.top() > screen.height()) view_.setTop(0);
}

bool MainController::formClose() {
    closing_ = true;
    monitor_.timer().setInterval(0);
    history_.save(path(QStringLiteral("res.list")));
    bool ok = writeSettings();
    platform_.minimizeApplication();
    return ok;
}

QStringList MainController::programList(const QString& folder) {
    QDir dir(folder);
    QFileInfoList infos = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList names;
    for (const QFileInfo& fi : infos) names << fi.fileName();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

}  // namespace ostra
