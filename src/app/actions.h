// One QAction per command. The main window's buttons, the popup menu and
// the shortcuts all trigger these, so a command has exactly one way in.
#pragma once

#include <QAction>

namespace ostra {

struct Actions {
    Actions();
    Actions(const Actions&) = delete;
    Actions& operator=(const Actions&) = delete;

    // Every action, in the order above.
    QList<QAction*> all();

    // The popup menu, in its order.
    QAction refreshMemory;   // "Refresh Memory", F7
    QAction show;            // "Show" (the default entry)
    QAction hide;            // "Hide"
    QAction runStartup;      // "Run all auto startup softwares "
    QAction editStartup;     // "Setting auto startup softwares after refresh memory"
    QAction restartTimer;    // "Restart the timer"
    QAction stopTimer;       // "Stop the timer"
    QAction startTimer;      // "Start the timer"
    QAction alarmSound;      // "Change Sound Setting" > "Alarm sound"
    QAction emergencySound;  // > "Resource emergency sound"
    QAction startSound;      // > "Start sound"
    QAction softwareTest;    // "Software test"
    QAction information;     // "Information"
    QAction onlineUpgrade;   // "On line upgrade"
    QAction autoUpgrade;     // "Auto connect the online upgrade" (checkable)
    QAction homepage;        // the maker's homepage
    QAction help;            // "Help", F1
    QAction exitProgram;     // "Exit Program"
    QAction whatGrew;        // "What grew since the start point...", Ctrl+G
    QAction notifyGrowth;    // "Name what grew in a notification" (checkable)
    QAction loadHistory;     // "Load history...", Ctrl+H (after a separator)

    // Commands of the main window only.
    QAction close;                // "Close"
    QAction minimize;             // "Minimize"
    QAction stickRight;           // "Stick to the right end"
    QAction takeOut;              // "Take out the main form"
    QAction analysisPanel;        // "The analysis of the used resources in this system" (checkable)
    QAction warningOptions;       // "Resource Emergency Warning Option"
    QAction refreshWarningState;  // "Refresh Limit Warning State"
    QAction refreshStart;         // "Refresh Start Res for Check New RES "
    QAction moveStart;            // "Move to the start point you selected in the RES LIST"
    QAction viewReport;           // "View the RES list report"
    QAction editFavorites;        // "Making the shorcut list for my favorite exe file"
    QAction runFavorites;         // "Run all my favorite softwares "
    QAction restartInterval;      // "Restart the alarm time interval"
    QAction increaseInterval;     // "Increase the rest time interval"
    QAction decreaseInterval;     // "Decrease the rest time interval"
    QAction autoRefreshSwitch;    // the "Auto run the REFRESH MEMORY" switch, after its press
    QAction alarmSwitch;          // the alarm switch, after its press
};

}  // namespace ostra
