// The composition root: builds the logic first (settings, warning options,
// history, rest timer and alarm, monitor, start point, software test,
// program lists, memory refresh, the main window's controller and the
// commands), then the windows (the main window at once; the information
// window, the warning options, the warning window and the test report at
// their first use, each living until the end), the tray icon with the popup
// menu, and connects every command's action to the code that runs it.
#pragma once

#include "act/application_actions.h"
#include "act/oom_watch.h"
#include "act/snapshot_scanner.h"
#include "app/actions.h"
#include "app/grow_acting.h"
#include "app/main_controller.h"
#include "app/placement.h"
#include "export/exporter.h"
#include "grow/grow_watch.h"
#include "loadhistory/csv_export.h"
#include "loadhistory/load_history_options.h"
#include "loadhistory/load_recorder.h"
#include "monitor/monitor.h"
#include "monitor/res_list.h"
#include "monitor/start_point.h"
#include "monitor/view_state.h"
#include "monitor/warning.h"
#include "monitor/warning_options.h"
#include "net/upgrade_check.h"
#include "platform/services.h"
#include "refresh/memory_refresh.h"
#include "refresh/program_lists.h"
#include "restalarm/rest_alarm.h"
#include "restalarm/rest_timer.h"
#include "softtest/soft_test.h"
#include "sound/sound_cue.h"

#include <QObject>

#include <memory>

class QMenu;

namespace ostra {

class MainWindow;
class InfoWindow;
class OptionsWindow;
class WarningDialog;
class ReportWindow;
class TrayIcon;
namespace grow {
class GrowWindow;
}
namespace loadhistory {
class LoadHistoryWindow;
}

inline const char* const kHomepage = "https://ostra.example.org/";
inline const char* const kStartupEditorTitle = "Drag the software icon in this window to be in the startup list";
inline const char* const kFavoriteEditorTitle = "Drag the favorite software icon in this window";
inline const char* const kRefreshStartQuestion = "Are you sure to refresh the start resources?";
inline const char* const kMoveStartQuestion = "Will you move to the start point you selected in the RES LIST?";

class OstraApp : public QObject {
    Q_OBJECT
public:
    OstraApp(Services& services, const QString& programFolder);
    ~OstraApp() override;

    // Shows the main window, which runs the start-up sequence.
    void start();
    // Asked by a second start: restore a minimized program, else raise it.
    void showRequested();
    // The session ends (signal or session manager): the shutdown sequence.
    void shutdown();

    MainWindow& mainWindow() { return *mainWindow_; }
    MainController& controller() { return controller_; }
    Monitor& monitor() { return monitor_; }
    // Made at their first use: a resting program keeps only the windows it
    // shows.
    InfoWindow& infoWindow();
    OptionsWindow& optionsWindow();
    WarningDialog& warningWindow();
    ReportWindow& reportWindow();
    grow::GrowWindow& growWindow();
    loadhistory::LoadHistoryWindow& loadHistoryWindow();
    loadhistory::LoadRecorder& loadRecorder() { return loadRecorder_; }
    const loadhistory::LoadHistoryOptions& loadHistoryOptions() const { return loadHistoryOptions_; }
    WarningOptions& options() { return options_; }
    RestAlarm& restAlarm() { return restAlarm_; }
    RestTimer& restTimer() { return restTimer_; }
    ResList& history() { return history_; }
    StartPoint& startPoint() { return startPoint_; }
    SoftTest& softTest() { return softwareTest_; }
    Actions& actions() { return actions_; }
    Warning& warning() { return warning_; }
    UpgradeCheck& upgrade() { return upgrade_; }
    QMenu& popupMenu() { return *menu_; }
    TrayIcon& tray() { return *tray_; }
    grow::GrowWatch& growWatch() { return grow_; }
    act::ApplicationActions& applicationActions() { return appActions_; }
    act::OomWatch& oomWatch() { return oomWatch_; }
    GrowActing& growActing() { return growActing_; }
    Exporter& exporter() { return exporter_; }

private:
    void buildMenu();
    // The load history window's span, size and export folder into the
    // settings file, read and replaced in a sequence of their own.
    void keepLoadHistoryOptions();
    void connectCommands();
    void connectWindowCommands();
    void connectRestTimer();
    void connectSounds();
    void connectHistory();
    void connectListsAndWeb();
    void connectWhatGrew();
    void connectLoadHistory();
    void connectActing();
    void connectExport();
    void connectWindowLife();

    // Commands that act across windows.
    void stickToRightEnd();
    void takeOutMainForm();
    void minimize();
    void closeProgram();
    void showMainWindow();
    void hideMainWindow();
    void closeOtherWindows();
    void openInformation();
    void openWarningOptions();
    void acknowledgeWarning();
    void startTimer();
    void stopTimer();
    void restartTimer();
    void alarmSwitchClicked();
    // The history's commands.
    void refreshStart();
    void moveStart();
    void viewReport();
    // What grew since the start point.
    void openWhatGrew();
    void setGrowthNotification(bool on);
    // A warning asks for its window.
    void warningRequested(bool modal);
    // The load history's window, and its export.
    void openLoadHistory();
    void exportLoadHistory(std::int64_t from, std::int64_t to);
    // The program lists' editor on a list folder.
    void editList(const QString& folder, const QString& title);
    // "Change Sound Setting": replace one cue file and preview it.
    void changeSound(const QString& target, const QString& missingMessage);
    // Plays the command's cue, then runs it.
    void bindCommand(QAction& action, const char* cue, void (OstraApp::*run)());

    Services& services_;
    // The journal and the collector's file: made before, and so let go
    // after, everything whose signals reach it.
    Exporter exporter_;
    // The logic, built first.
    WarningOptions options_;
    WarningOptionsFile optionsFile_;
    MainSettings settings_;
    ViewState view_;
    Warning warning_;
    ResList history_;
    RestTimer restTimer_;
    RestAlarm restAlarm_;
    SoundCue cue_;
    Monitor monitor_;
    StartPoint startPoint_;
    SoftTest softwareTest_;
    Placement placement_;
    ProgramLists lists_;
    MemoryRefresh refresh_;
    UpgradeCheck upgrade_;
    MainController controller_;
    grow::GrowWatch grow_;
    loadhistory::LoadRecorder loadRecorder_;
    loadhistory::LoadHistoryOptions loadHistoryOptions_;
    loadhistory::CsvExporter csvExporter_;
    // Acting on the applications that grew, and the out-of-memory watch.
    act::SnapshotScanner actScanner_;
    act::ApplicationActions appActions_;
    act::OomWatch oomWatch_;
    GrowActing growActing_;
    Actions actions_;
    // The windows.
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<InfoWindow> infoWindow_;
    std::unique_ptr<OptionsWindow> optionsWindow_;
    std::unique_ptr<WarningDialog> warningWindow_;
    std::unique_ptr<ReportWindow> reportWindow_;
    std::unique_ptr<grow::GrowWindow> growWindow_;
    std::unique_ptr<loadhistory::LoadHistoryWindow> loadHistory_;
    std::unique_ptr<QMenu> menu_;
    TrayIcon* tray_ = nullptr;
    QString lastSoundChoice_;
};

}  // namespace ostra
