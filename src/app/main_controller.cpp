#include "app/main_controller.h"

#include "app/placement.h"
#include "monitor/monitor.h"
#include "monitor/res_list.h"
#include "monitor/view_state.h"
#include "net/version_rule.h"
#include "refresh/memory_refresh.h"
#include "refresh/program_lists.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"
#include "settings/settings_file.h"
#include "sound/sound_cue.h"

namespace ostra {

MainController::MainController(Deps deps, MainSettings& settings, QObject* parent)
    : QObject(parent), d_(std::move(deps)), settings_(settings) {
    connect(&d_.restTimer, &RestTimer::minuteChanged, this, [this] {
        // Counted only while the main window shows and the options are closed.
        d_.restAlarm.minuteChanged(d_.view.mainShown, d_.view.optionsShown);
    });
}

QString MainController::iniPath() const { return path(QString::fromLatin1(kSettingsFileName)); }

void MainController::formCreate() {
    const QString list = path(QStringLiteral("res.list"));
    if (d_.services.files.fileExists(list)) d_.history.load(d_.services.files, list);
}

int MainController::windowHeight() const { return settings_.analysisPanelOpen ? kHeightOpen : kHeightClosed; }

void MainController::setAnalysisPanelOpen(bool open) {
    settings_.analysisPanelOpen = open;
    d_.placement.setHeight(windowHeight());
}

void MainController::setAutoUpgradeCheck(bool on) {
    if (settings_.autoUpgradeCheck == on) return;
    settings_.autoUpgradeCheck = on;
    emit settingsApplied();
}

void MainController::readSettings() {
    SettingsFile ini(d_.services.files, iniPath());
    ini.load();
    // Stepped and wrapped: anything that would pass 5 becomes 0 (tested
    // before adding, so a stored maximum integer cannot overflow).
    const int stored = ini.read(kStartCounterKey, settings_.startCounter);
    settings_.startCounter = stored >= 5 ? 0 : stored + 1;
    settings_.historyOn = ini.read(kHistoryOnKey, settings_.historyOn);
    settings_.analysisPanelOpen = ini.read(kAnalysisPanelOpenKey, settings_.analysisPanelOpen);
    d_.placement.setHeight(windowHeight());
    settings_.autoUpgradeCheck = ini.read(kAutoUpgradeCheckKey, settings_.autoUpgradeCheck);
    settings_.autoRefreshAtStart = ini.read(kAutoRefreshAtStartKey, settings_.autoRefreshAtStart);
    d_.restAlarm.setAlarmOn(ini.read(kAlarmOnKey, d_.restAlarm.alarmOn()));
    d_.placement.setLeft(ini.read(kLeftKey, d_.placement.left()));
    d_.placement.setTop(ini.read(kTopKey, d_.placement.top()));
    d_.monitor.setPriorRunLoad(ini.read(kPriorRunLoadKey, 0));
    d_.restAlarm.setRestInterval(ini.read(kRestIntervalKey, d_.restAlarm.restInterval()));
    settings_.updateHost = ini.read(kUpdateHostKey, QString::fromLatin1(kDefaultUpdateHost));
    emit settingsApplied();
}

bool MainController::writeSettings() {
    // One read and one replacement of the file: a kill at any moment leaves
    // the whole old file or the whole new one.
    SettingsFile ini(d_.services.files, iniPath());
    ini.load();
    ini.write(kStartCounterKey, settings_.startCounter);
    ini.write(kAutoUpgradeCheckKey, settings_.autoUpgradeCheck);
    ini.write(kHistoryOnKey, settings_.historyOn);
    ini.write(kAutoRefreshAtStartKey, settings_.autoRefreshAtStart);
    ini.write(kAlarmOnKey, d_.restAlarm.alarmOn());
    ini.write(kLeftKey, d_.placement.left());
    ini.write(kTopKey, d_.placement.top());
    if (std::optional<int> now = d_.monitor.readLoad()) d_.monitor.setPriorRunLoad(*now);
    ini.write(kPriorRunLoadKey, d_.monitor.figures().priorRunLoad);
    ini.write(kRestIntervalKey, d_.restAlarm.restInterval());
    ini.write(kAnalysisPanelOpenKey, settings_.analysisPanelOpen);
    return ini.commit();
}

void MainController::formShow() {
    // 1. The rest timer runs from every showing.
    d_.restTimer.start();
    // 2. Figures from fresh readings.
    d_.monitor.initialiseAtShow();
    // 3. Data folders; failures (an existing folder too) do not matter.
    for (const char* name : {"startup", "favorite", "desktopimage"})
        d_.services.files.createDirectory(path(QLatin1String(name)));
    // 4. Settings.
    readSettings();
    // 5. The automatic upgrade check at one showing in six.
    if (settings_.autoUpgradeCheck && settings_.startCounter == 2) emit upgradeCheckDue();
    if (closing_) return;
    // 6. A protection program blocks the rest of the sequence.
    if (d_.refresh.blocked()) {
        d_.services.dialogs.message(QString::fromLatin1(kProtectionMessage));
        return;  // neither the refresh offer, the favourites nor the monitor
    }
    // 7. The memory refresh offered at start.
    if (settings_.autoRefreshAtStart) {
        d_.cue.play("click.wav");
        const Answer a = d_.services.dialogs.confirm(QString::fromLatin1(kStartupRefreshQuestion));
        if (closing_) return;  // the session ended while the question was open
        if (a == Answer::Yes) {
            d_.services.session.forceLogOff();
            emit closeRequested();
            return;
        }
        d_.lists.runStartupList();
    }
    if (closing_) return;
    // 8. The favourites.
    d_.lists.fillFavorites();
    // 9. The monitor starts.
    d_.monitor.startTimer();
}

void MainController::formActivate() {
    d_.cue.play("start.wav");
    const QSize screen = d_.services.windows.screenSize();
    if (d_.placement.left() > screen.width() - 1) d_.placement.setLeft(0);
    if (d_.placement.top() > screen.height()) d_.placement.setTop(0);
    // A window lying wholly left of or above the screen (a hand-edited file,
    // a screen that is gone) could never be reached: it comes back to the
    // edge. One that is only partly off the left edge stays.
    if (qint64(d_.placement.left()) + d_.placement.width() <= 0) d_.placement.setLeft(0);
    if (qint64(d_.placement.top()) + d_.placement.height() <= 0) d_.placement.setTop(0);
}

bool MainController::formClose() {
    closing_ = true;
    d_.monitor.timer().setInterval(0);
    d_.history.save(d_.services.files, path(QStringLiteral("res.list")));
    const bool ok = writeSettings();
    d_.services.windows.minimizeApplication();
    return ok;
}

}  // namespace ostra
