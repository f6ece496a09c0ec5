// The passed-minutes counter, the rest interval and the alarm switch.
#pragma once

#include <QObject>

namespace ostra {

class RestAlarm : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    int passedMinutes() const { return passed_; }
    int restInterval() const { return interval_; }
    bool alarmOn() const { return on_; }

    void setPassedMinutes(int m);
    void setRestInterval(int m);
    void setAlarmOn(bool on);
    // The interval buttons: one minute more or less, within 1..100.
    void increaseInterval();
    void decreaseInterval();

    // A new wall-clock minute: counted only while the main window is shown,
    // the alarm is on and the warning options are closed; stops at 100.
    void minuteChanged(bool mainShown, bool optionsShown);
    // The tick's test: more minutes passed than the interval. At an interval
    // of exactly 100 the counter, which stops at 100, could never pass it:
    // the alarm then comes once 100 minutes have passed. A larger stored
    // interval is used as it is, and the alarm never comes.
    bool due() const;

signals:
    void passedMinutesChanged(int minutes);
    void restIntervalChanged(int minutes);
    void alarmOnChanged(bool on);

private:
    int passed_ = 0;
    int interval_ = 60;
    bool on_ = false;
};

}  // namespace ostra
