// The wall clock and the window timers, so that tests can drive time.
#pragma once

#include <cstdint>
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
    // Whole seconds since 1970-01-01 UTC, as the wall clock says now.
    virtual std::int64_t unixTime() = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    // A repeating timer whose shots come at the whole multiples of its
    // interval on the wall clock: with 1000 just after each new second,
    // with 60000 at each new minute (midnight included). When the clock is
    // set or the machine wakes from suspend, one shot comes at once and the
    // next ones keep to the multiples of the new time. Timers of the same
    // interval fire together, so they cost one wake-up.
    virtual std::unique_ptr<Timer> createWallClockTimer() = 0;
};

}  // namespace ostra
