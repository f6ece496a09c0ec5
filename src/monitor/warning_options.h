// The emergency warning options: the two limits and three switches that
// every tick reads, kept in section "x" of the settings file, and the one
// owner of that section.
#pragma once

#include <QString>

namespace ostra {

class Files;
class SettingsFile;

struct WarningOptions {
    static constexpr int kDefaultLoadLimit = 95;
    static constexpr int kDefaultRiseLimit = 30;

    int loadLimit = kDefaultLoadLimit;  // 0..100
    int riseLimit = kDefaultRiseLimit;  // 0..100
    bool useLoadLimit = true;           // "Use Resource Emergency"
    bool useRiseLimit = true;           // "Use speedy rising of Resource Emergency"
    bool useSound = true;               // "Use Sound"

    // Reads the five keys, each with its current value as default.
    void read(const SettingsFile& file);
    // Sets the five keys in order (the caller commits the file).
    void write(SettingsFile& file) const;
};

// Reads the options from the settings file and writes them back: the only
// code that touches their section.
class WarningOptionsFile {
public:
    WarningOptionsFile(Files& files, QString path, WarningOptions& options);

    // At start-up: the values in the file replace the ones in use.
    void load();
    // The five keys in one replacement of the file; false when it could
    // not be written (the file is then as it was).
    bool save();
    QString path() const { return path_; }
    WarningOptions& options() { return options_; }

private:
    Files& files_;
    QString path_;
    WarningOptions& options_;
};

}  // namespace ostra
