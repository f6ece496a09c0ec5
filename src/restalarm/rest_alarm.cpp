#include "restalarm/rest_alarm.h"

namespace ostra {

void RestAlarm::setPassedMinutes(int m) {
    if (m == passed_) return;
    passed_ = m;
    emit passedMinutesChanged(m);
}

void RestAlarm::setRestInterval(int m) {
    if (m == interval_) return;
    interval_ = m;
    emit restIntervalChanged(m);
}

void RestAlarm::setAlarmOn(bool on) {
    if (on == on_) return;
    on_ = on;
    emit alarmOnChanged(on);
}

void RestAlarm::increaseInterval() {
    if (interval_ < 100) setRestInterval(interval_ + 1);
}

void RestAlarm::decreaseInterval() {
    if (interval_ > 1) setRestInterval(interval_ - 1);
}

void RestAlarm::minuteChanged(bool mainShown, bool optionsShown) {
    if (mainShown && on_ && !optionsShown && passed_ < 100) setPassedMinutes(passed_ + 1);
}

bool RestAlarm::due() const {
    if (!on_) return false;
    if (interval_ == 100) return passed_ >= 100;
    return passed_ > interval_;
}

}  // namespace ostra
