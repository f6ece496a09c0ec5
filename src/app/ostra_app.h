// The program's five windows, created once in order and living until the
// end (the main window, the information window, the warning options, the
// warning window and the test report), the tray icon with the popup menu,
// and the commands that act across them.
#pragma once

#include "monitor/warning_options.h"
#include "platform/platform.h"

#include <QObject>

#include <memory>

class QAction;
class QMenu;

namespace ostra {

class MainWindow;
class MainController;
class InfoWindow;
class OptionsWindow;
class WarningDialog;
class ReportWindow;
class LateWarningWindow;
class TrayIcon;

inline const char* const kHomepage = "https://ostra.example.org/";
inline const char* const kRefreshQuestion =
    "Will you close all windows on your desktop and \r\rrefresh your memory doing restart windows?";
inline const char* const kRefreshProtectionMessage =
    "Some protection software is detected. \r\rDo this after turn off that.";

class OstraApp : public QObject {
    Q_OBJECT
public:
    OstraApp(Platform& platform, const QString& programFolder);
    ~OstraApp() override;

    // Shows the main window, which runs the start-up sequence.
    void start();
    // Asked by a second start: restore a minimized program, else raise it.
    void showRequested();
    // The session ends (signal or session manager): the shutdown sequence.
    void shutdown();

    MainWindow& mainWindow() { return *form1_; }
    MainController& controller();
    InfoWindow& infoWindow() { return *form2_; }
    OptionsWindow& optionsWindow() { return *form3_; }
    WarningDialog& warningWindow() { return *warn1_; }
    ReportWindow& reportWindow() { return *softTest_; }
    WarningOptions& options() { return options_; }
    QMenu& popupMenu() { return *menu_; }
    TrayIcon& tray() { return *tray_; }
    QAction* action(const char* name) const;

    // Commands of the main window and the popup menu.
    void stickToRightEnd();        // "Stick to the right end"
    void takeOutMainForm();        // "Take out the main form"
    void minimize();               // "Minimize"
    void closeProgram();           // "Close", "Exit Program"
    void show1();                  // "Show"
    void hide1();                  // "Hide"
    void openInformation();        // the information window
    void openWarningOptions();     // "Resource Emergency Warning Option"
    void refreshWarningState();    // "Refresh Limit Warning State"
    void refreshMemory();          // "Refresh Memory"
    void runStartupList();         // open every program of "startup"
    void runStartupCommand();      // "Run all auto startup softwares "
    void openHelp();               // "Help"
    void openHomepage();           // the maker's homepage
    void toggleAutoUpgrade();      // "Auto connect the online upgrade"
    // The rest timer and the alarm interval.
    void startTimer();             // "Start the timer"
    void stopTimer();              // "Stop the timer"
    void restartTimer();           // "Restart the timer"
    void restartInterval();        // "Restart the alarm time interval"
    void increaseInterval();       // "Increase the rest time interval"
    void decreaseInterval();       // "Decrease the rest time interval"
    void alarmSwitchClicked();     // the alarm switch, after its press
    // "Change Sound Setting": replace one cue file and preview it.
    void changeSound(const QString& target, const QString& missingMessage);

private:
    void buildMenu();
    void wire();
    void closeOtherWindows();
    void play(const char* cue);

    Platform& platform_;
    WarningOptions options_;
    std::unique_ptr<LateWarningWindow> warningProxy_;
    std::unique_ptr<MainWindow> form1_;
    std::unique_ptr<InfoWindow> form2_;
    std::unique_ptr<OptionsWindow> form3_;
    std::unique_ptr<WarningDialog> warn1_;
    std::unique_ptr<ReportWindow> softTest_;
    std::unique_ptr<QMenu> menu_;
    TrayIcon* tray_ = nullptr;
    QString lastSoundChoice_;
};

}  // namespace ostra
