// What Ostra hands to the tools a fleet already runs: one event (a warning
// opened, acknowledged, an application paused, resumed, closed or ended,
// an out-of-memory kill) with the load, the limit and the applications it
// names.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace ostra {

enum class ExportKind { WarningLimit, WarningRise, Acknowledged, Paused, Resumed, Closed, Ended, OomKill };

struct AppGrowth {
    QString name;
    std::int64_t bytes = 0;  // grown since the start point (held, for a kill)
    bool operator==(const AppGrowth&) const = default;
};

struct ExportEvent {
    ExportKind kind = ExportKind::WarningLimit;
    int load = 0;                 // percent
    std::optional<int> limit;     // the load limit; none while the load warning is off
    int rise = 0;                 // a rise warning: the points it rose
    int riseLimit = 0;            // and its limit
    std::vector<AppGrowth> apps;  // the applications it names, most first
};

// "warning-limit", "warning-rise", "acknowledged", "paused", "resumed",
// "closed", "ended", "oom-kill".
const char* exportKindName(ExportKind kind);

}  // namespace ostra
