// The file that names what this program holds paused, so that a run that
// was killed leaves nothing paused past the next start: one line per unit
// ("unit NAME") and per process ("process PID START-TIME"). Written whole
// and atomically before a pause reaches any process, and after a resume.
#pragma once

#include "platform/process_control.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace ostra::act {

inline const char* const kPausedFileName = "paused.txt";

struct PausedSet {
    QStringList units;
    std::vector<ProcessRef> processes;
    bool empty() const { return units.isEmpty() && processes.empty(); }
    bool operator==(const PausedSet&) const = default;
};

QByteArray serialize(const PausedSet& set);
// Lines that are not whole and well-formed are left out.
PausedSet parsePaused(const QByteArray& text);

}  // namespace ostra::act
