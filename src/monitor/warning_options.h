// The emergency warning options: the two limits and three switches that
// every tick reads, kept in section "x" of the settings file.
#pragma once

#include "platform/platform.h"

namespace ostra {

struct WarningOptions {
    static constexpr int kDefaultLoadLimit = 95;
    static constexpr int kDefaultRiseLimit = 30;

    int loadLimit = kDefaultLoadLimit;  // slider xx1, 0..100
    int riseLimit = kDefaultRiseLimit;  // slider yy1, 0..100
    bool useLoadLimit = true;           // "Use Resource Emergency"
    bool useRiseLimit = true;           // "Use speedy rising of Resource Emergency"
    bool useSound = true;               // "Use Sound"

    // Reads the five keys in order, each with its current value as default.
    void read(Platform& platform, const QString& iniPath);
    // Writes the five keys in order; stops at the first failed write.
    bool write(Platform& platform, const QString& iniPath) const;
};

int clampPercent(int v);

}  // namespace ostra
