// The memory pressure from /proc/pressure/memory (a kept descriptor).
#pragma once

#include "platform/pressure.h"
#include "platform/pressure_source.h"

namespace ostra {

class LinuxPressureSource : public PressureSource {
public:
    std::optional<int> memorySomeAvg10() override {
        const int v = reader_.read();
        if (v < 0) return std::nullopt;
        return v;
    }

private:
    pressure::Reader reader_;
};

}  // namespace ostra
