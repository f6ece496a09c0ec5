// The main window's logic without the window: creation, the start-up
// sequence run at every showing, activation, the shutdown sequence, and
// the settings that live in "tevo.ini".
#pragma once

#include "monitor/monitor.h"
#include "monitor/res_list.h"
#include "monitor/warning_options.h"
#include "platform/platform.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"
#include "settings/settings.h"
#include "sound/sound_cue.h"

#include <functional>

namespace ostra {

inline const int kDesignLeft = 201;
inline const int kDesignTop = 116;
inline const int kDesignWidth = 390;
inline const int kHeightOpen = 756;    // analysis panel open
inline const int kHeightClosed = 341;  // analysis panel closed

inline const char* const kProtectionMessage =
    "Some protection software is detected.\r\r Do this after turn off that.";
inline const char* const kStartupRefreshQuestion =
    "Will you close all windows on your desktop and \r\rrefresh your memory doing restart "
    "windows? <<[YES] \r\ror run auto startup exe files you set <<[NO] \r\r [Ostra] ";

// Window operations the logic needs; the main window implements them.
class MainView : public MonitorView {
public:
    virtual int left() const = 0;
    virtual int top() const = 0;
    virtual void setLeft(int x) = 0;
    virtual void setTop(int y) = 0;
    virtual void setHeight(int h) = 0;
    // The switches and check marks changed: show them.
    virtual void settingsChanged() = 0;
    virtual void setFavorites(const QStringList& names) = 0;
    // Closes the main window, which runs the shutdown sequence.
    virtual void closeMain() = 0;
};

// Hand-overs to the commands of other subsystems.
struct MainHooks {
    std::function<void()> upgradeCheck;    // the automatic version check
    std::function<void()> runStartupList;  // open every auto-startup program
    std::function<bool()> optionsShown;    // the warning options window is open
};

struct MainSettings {
    int startCounter = 0;           // "SpinEdit1"
    bool historyOn = false;         // "checkbox1"
    bool analysisPanelOpen = true;  // "RxSpeedButton11"
    bool autoUpgradeCheck = true;   // "Autoconnecttheonlinupgrade1"
    bool autoRefreshAtStart = false;  // "FFFF"
};

class MainController {
public:
    MainController(Platform& platform, QString programFolder, MainView& view,
                   WarningWindow& warning, WarningOptions& options);

    QString programFolder() const { return folder_; }
    QString iniPath() const { return path(QString::fromLatin1(settings::kFileName)); }
    QString path(const QString& name) const { return folder_ + QLatin1Char('/') + name; }

    // Main window creation: the RES list from "res.list".
    void formCreate();
    // The start-up sequence, at every showing of the main window.
    void formShow();
    // The main window became the active window.
    void formActivate();
    // The shutdown sequence. Returns false if writing the settings failed
    // somewhere (the rest of the sequence still runs).
    bool formClose();

    // Analysis panel: the window height follows the toggle state.
    void applyAnalysisPanel();
    int windowHeight() const { return settings_.analysisPanelOpen ? kHeightOpen : kHeightClosed; }

    MainSettings& settings() { return settings_; }
    Monitor& monitor() { return monitor_; }
    ResList& history() { return history_; }
    RestTimer& restTimer() { return restTimer_; }
    RestAlarm& restAlarm() { return restAlarm_; }
    SoundCue& cue() { return cue_; }
    WarningOptions& options() { return options_; }
    Platform& platform() { return platform_; }
    MainHooks& hooks() { return hooks_; }
    bool closing() const { return closing_; }

    // Names of the files in a list folder: no folders, no hidden files,
    // sorted by name without regard to case.
    static QStringList programList(const QString& folder);

private:
    void readSettings();
    bool writeSettings();

    Platform& platform_;
    QString folder_;
    MainView& view_;
    WarningOptions& options_;
    MainSettings settings_;
    MainHooks hooks_;
    ResList history_;
    RestTimer restTimer_;
    RestAlarm restAlarm_;
    SoundCue cue_;
    Monitor monitor_;
    bool closing_ = false;
};

}  // namespace ostra
