// The passed-minutes counter, the rest interval and the alarm switch.
#pragma once

namespace ostra {

struct RestAlarm {
    int passedMinutes = 0;
    int restInterval = 60;
    bool alarmOn = false;

    // A new wall-clock minute: counted only while the main window is shown,
    // the alarm is on and the warning options are closed; stops at 100.
    void minuteChanged(bool mainShown, bool optionsShown) {
        if (mainShown && alarmOn && !optionsShown && passedMinutes < 100) ++passedMinutes;
    }
    // The tick's test. At an interval of 100 or more the counter, which
    // stops at 100, could never pass it: the alarm then comes once 100
    // minutes have passed.
    bool due() const {
        if (!alarmOn) return false;
        if (restInterval >= 100) return passedMinutes >= 100;
        return passedMinutes > restInterval;
    }
};

}  // namespace ostra
