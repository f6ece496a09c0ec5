// The wall clock and window timers (Qt, on the user-interface thread).
#pragma once

#include "platform/clock.h"

namespace ostra {

class LinuxClock : public Clock {
public:
    LocalTime localTime() override;
    std::unique_ptr<Timer> createTimer() override;
};

}  // namespace ostra
