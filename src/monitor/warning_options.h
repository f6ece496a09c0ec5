// The emergency warning options: the two limits and three switches that
// every tick reads, kept in section "x" of the settings file.
#pragma once

namespace ostra {

class SettingsFile;

struct WarningOptions {
    static constexpr int kDefaultLoadLimit = 95;
    static constexpr int kDefaultRiseLimit = 30;

    int loadLimit = kDefaultLoadLimit;  // slider xx1, 0..100
    int riseLimit = kDefaultRiseLimit;  // slider yy1, 0..100
    bool useLoadLimit = true;           // "Use Resource Emergency"
    bool useRiseLimit = true;           // "Use speedy rising of Resource Emergency"
    bool useSound = true;               // "Use Sound"

    // Reads the five keys, each with its current value as default.
    void read(const SettingsFile& file);
    // Sets the five keys in order (the caller commits the file).
    void write(SettingsFile& file) const;
};

}  // namespace ostra
