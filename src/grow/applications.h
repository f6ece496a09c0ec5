// Processes grouped into applications: a process belongs to the
// application of the systemd unit it runs in (app-[LAUNCHER-]ID-RANDOM.scope,
// app-[LAUNCHER-]ID@RANDOM.service, app-[LAUNCHER-]ID.service), named by its
// desktop entry; otherwise to the desktop entry that starts its executable
// (or its script); otherwise an interpreter's process to its script
// ("python3: backup.py"), any other to the base name of its executable, or
// its command name where it has none (an in-memory executable). An
// application's memory is the sum over its processes.
#pragma once

#include "grow/app_index.h"
#include "platform/process_control.h"
#include "platform/process_memory.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace ostra::grow {

struct AppMemory {
    QString name;            // as shown: control characters and bad UTF-8 escaped
    std::int64_t bytes = 0;  // summed over its processes
    int processes = 0;
    std::vector<ProcessRef> members;  // its processes with their start times, as the scan found them
    // The control-group lines its processes share; empty when they differ
    // (then no single unit holds it all).
    QByteArray cgroup;
};

// The memory per application at one moment.
struct Snapshot {
    // By the application's identity, the same from scan to scan:
    // "unit:ID", "app:ID" (a desktop entry's ID), "script:LABEL:SCRIPT" or
    // "exe:NAME".
    QMap<QString, AppMemory> apps;
    int unreadable = 0;  // processes that could not be read
};

// The desktop ID of one unit name of the three shapes above (its \xNN
// escapes undone); nothing for any other unit.
std::optional<QByteArray> unitApplicationId(const QByteArray& unit);
// The desktop ID of the unit a process runs in, from its cgroup lines
// (the unified hierarchy's line first); nothing when it runs in none.
std::optional<QByteArray> cgroupApplicationId(const QByteArray& cgroup);
// Bytes shown as text: UTF-8 decoded where it is valid; control
// characters, the backslash and every byte of invalid UTF-8 written as
// \xNN; cut at `maxChars` characters with "…".
QString shownName(const QByteArray& raw, int maxChars = 80);

// Groups a scan, naming applications by the desktop entries of `index`.
Snapshot group(const ProcessScan& scan, const AppIndex& index);

}  // namespace ostra::grow
