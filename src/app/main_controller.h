// The main window's logic without the window: creation, the start-up
// sequence run at every showing, activation, the shutdown sequence, and
// the settings that live in "tevo.ini".
#pragma once

#include "platform/services.h"

#include <QObject>
#include <QString>

namespace ostra {

class MemoryRefresh;
class Monitor;
class Placement;
class ProgramLists;
class ResList;
class RestAlarm;
class RestTimer;
class SettingsFile;
class SoundCue;
struct ViewState;

inline const char* const kProtectionMessage =
    "Some protection software is detected.\r\r Do this after turn off that.";
inline const char* const kStartupRefreshQuestion =
    "Will you close all windows on your desktop and \r\rrefresh your memory doing restart "
    "windows? <<[YES] \r\ror run auto startup exe files you set <<[NO] \r\r [Ostra] ";

// Kept in the settings file under the keys of settings_keys.h.
struct MainSettings {
    int startCounter = 0;             // kStartCounterKey
    bool historyOn = false;           // kHistoryOnKey
    bool analysisPanelOpen = true;    // kAnalysisPanelOpenKey
    bool autoUpgradeCheck = true;     // kAutoUpgradeCheckKey
    bool autoRefreshAtStart = false;  // kAutoRefreshAtStartKey
    QString updateHost;               // kUpdateHostKey
};

class MainController : public QObject {
    Q_OBJECT
public:
    struct Deps {
        Services& services;
        QString programFolder;
        Monitor& monitor;
        ResList& history;
        RestTimer& restTimer;
        RestAlarm& restAlarm;
        SoundCue& cue;
        ProgramLists& lists;
        MemoryRefresh& refresh;
        Placement& placement;
        const ViewState& view;
    };

    MainController(Deps deps, MainSettings& settings, QObject* parent = nullptr);

    QString programFolder() const { return d_.programFolder; }
    QString iniPath() const;
    QString path(const QString& name) const { return d_.programFolder + QLatin1Char('/') + name; }

    // Main window creation: the RES list from "res.list".
    void formCreate();
    // The start-up sequence, at every showing of the main window.
    void formShow();
    // The main window became the active window.
    void formActivate();
    // The shutdown sequence. Returns false if the settings could not be
    // written (the rest of the sequence still runs).
    bool formClose();
    bool closing() const { return closing_; }

    const MainSettings& settings() const { return settings_; }
    void setHistoryOn(bool on) { settings_.historyOn = on; }
    void setAutoRefreshAtStart(bool on) { settings_.autoRefreshAtStart = on; }
    void setAutoUpgradeCheck(bool on);
    // Analysis panel: the window height follows the toggle state.
    void setAnalysisPanelOpen(bool open);
    int windowHeight() const;

signals:
    // The settings were (re)read: the switches and marks follow.
    void settingsApplied();
    // Step 5 of the start-up: the automatic upgrade check is due.
    void upgradeCheckDue();
    // The main window should close (which runs the shutdown sequence).
    void closeRequested();

private:
    void readSettings();
    bool writeSettings();

    Deps d_;
    MainSettings& settings_;
    bool closing_ = false;
};

}  // namespace ostra
