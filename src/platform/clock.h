// The wall clock and the window timers, so that tests can drive time.
#pragma once

#include <functional>
#include <memory>

namespace ostra {

struct LocalTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int secondOfDay() const { return hour * 3600 + minute * 60 + second; }
};

// A repeating timer delivered on the user-interface thread. Interval 0 stops it.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setCallback(std::function<void()> cb) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime localTime() = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
};

}  // namespace ostra
