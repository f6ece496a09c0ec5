#include "app/actions.h"

namespace ostra {

namespace {
void init(QAction& a, const char* name, const QString& text) {
    a.setObjectName(QLatin1String(name));
    a.setText(text);
}
}  // namespace

Actions::Actions() {
    init(refreshMemory, "N1", QStringLiteral("Refresh Memory"));
    refreshMemory.setShortcut(Qt::Key_F7);
    init(show, "Show1", QStringLiteral("Show"));
    init(hide, "hide1", QStringLiteral("Hide"));
    init(runStartup, "LogIn1", QStringLiteral("Run all auto startup softwares "));
    init(editStartup, "N3", QStringLiteral("Setting auto startup softwares after refresh memory"));
    init(restartTimer, "Restartthetimer1", QStringLiteral("Restart the timer"));
    init(stopTimer, "Stopthetimer1", QStringLiteral("Stop the timer"));
    init(startTimer, "Startthetimer1", QStringLiteral("Start the timer"));
    init(alarmSound, "Changethealarmsound1", QStringLiteral("Alarm sound"));
    init(emergencySound, "Emergencysound1", QStringLiteral("Resource emergency sound"));
    init(startSound, "StartSound1", QStringLiteral("Start sound"));
    init(softwareTest, "Startsoftwaretest1", QStringLiteral("Software test"));
    init(information, "N2", QStringLiteral("Information"));
    init(onlineUpgrade, "Onlineupgrade1", QStringLiteral("On line upgrade"));
    init(autoUpgrade, "Autoconnecttheonlinupgrade1", QStringLiteral("Auto connect the online upgrade"));
    autoUpgrade.setCheckable(true);
    autoUpgrade.setChecked(true);
    init(homepage, "N6", QStringLiteral("Ostra on the web"));
    init(help, "N8", QStringLiteral("Help"));
    help.setShortcut(Qt::Key_F1);
    help.setStatusTip(QStringLiteral("On line guide"));
    init(exitProgram, "N5", QStringLiteral("Exit Program"));
    init(whatGrew, "WhatGrew1", QStringLiteral("What grew since the start point..."));
    whatGrew.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    init(notifyGrowth, "NameWhatGrew1", QStringLiteral("Name what grew in a notification"));
    notifyGrowth.setCheckable(true);
    notifyGrowth.setChecked(true);
    init(loadHistory, "LoadHistory1", QStringLiteral("Load history..."));
    loadHistory.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));

    init(close, "RxSpeedButton3", QStringLiteral("Close"));
    init(minimize, "RxSpeedButton15", QStringLiteral("Minimize"));
    init(stickRight, "RxSpeedButton4", QStringLiteral("Stick to the right end"));
    init(takeOut, "RxSpeedButton7", QStringLiteral("Take out the main form"));
    init(analysisPanel, "RxSpeedButton11", QStringLiteral("The analysis of the used resources in this system"));
    analysisPanel.setCheckable(true);
    analysisPanel.setChecked(true);
    init(warningOptions, "RxSpeedButton13", QStringLiteral("Resource Emergency Warning Option"));
    init(refreshWarningState, "RxSpeedButton17", QStringLiteral("Refresh Limit Warning State"));
    init(refreshStart, "RxSpeedButton10", QStringLiteral("Refresh Start Res for Check New RES "));
    init(moveStart, "RxSpeedButton1", QStringLiteral("Move to the start point you selected in the RES LIST"));
    init(viewReport, "RxSpeedButton12", QStringLiteral("View the RES list report"));
    init(editFavorites, "RxSpeedButton18", QStringLiteral("Making the shorcut list for my favorite exe file"));
    init(runFavorites, "RxSpeedButton19", QStringLiteral("Run all my favorite softwares "));
    init(restartInterval, "RxSpeedButton24", QStringLiteral("Restart the alarm time interval"));
    init(increaseInterval, "RxSpeedButton22", QStringLiteral("Increase the rest time interval"));
    init(decreaseInterval, "RxSpeedButton21", QStringLiteral("Decrease the rest time interval"));
    init(autoRefreshSwitch, "RxSwitch1", QStringLiteral("Auto run the REFRESH MEMORY"));
    init(alarmSwitch, "RxSwitch2", QStringLiteral("Use alarm every interval you set for your rest time"));
}

QList<QAction*> Actions::all() {
    return {&refreshMemory,
            &show,
            &hide,
            &runStartup,
            &editStartup,
            &restartTimer,
            &stopTimer,
            &startTimer,
            &alarmSound,
            &emergencySound,
            &startSound,
            &softwareTest,
            &information,
            &onlineUpgrade,
            &autoUpgrade,
            &homepage,
            &help,
            &exitProgram,
            &whatGrew,
            &notifyGrowth,
            &loadHistory,
            &close,
            &minimize,
            &stickRight,
            &takeOut,
            &analysisPanel,
            &warningOptions,
            &refreshWarningState,
            &refreshStart,
            &moveStart,
            &viewReport,
            &editFavorites,
            &runFavorites,
            &restartInterval,
            &increaseInterval,
            &decreaseInterval,
            &autoRefreshSwitch,
            &alarmSwitch};
}

}  // namespace ostra
