// The wall clock and the timers of the user-interface thread: Qt timers,
// and timerfd timers that keep to the wall clock.
#pragma once

#include "platform/clock.h"

namespace ostra {

class LinuxClock : public Clock {
public:
    LocalTime localTime() override;
    std::int64_t unixTime() override;
    std::unique_ptr<Timer> createTimer() override;
    // A CLOCK_REALTIME timerfd aimed at the next multiple, cancelled by the
    // kernel when the clock is set (and so after a resume).
    std::unique_ptr<Timer> createWallClockTimer() override;
};

}  // namespace ostra
