// What the window "Load history" keeps across runs, in section
// "LoadHistory" of the settings file: the span it shows, its size, and the
// folder of the last export.
#pragma once

#include <QSize>
#include <QString>

namespace ostra {
class SettingsFile;
}

namespace ostra::loadhistory {

struct LoadHistoryOptions {
    static constexpr int kDefaultSpan = 1;  // the last hour
    static constexpr QSize kDefaultSize{720, 340};
    static constexpr QSize kMinimumSize{480, 240};
    static constexpr QSize kMaximumSize{16384, 16384};

    int span = kDefaultSpan;    // index into kSpans; key "Range", its seconds
    QSize size = kDefaultSize;  // keys "Width" and "Height"
    QString exportFolder;       // key "ExportFolder"; empty before the first export

    // Reads the keys, each with its current value as default; a range that
    // is none of the spans and a size out of bounds keep the current value.
    void read(const SettingsFile& file);
    // Sets the keys (the caller commits the file).
    void write(SettingsFile& file) const;
};

}  // namespace ostra::loadhistory
