// What the export hears of the rest of the program: the load of each
// second's sample (the load history's, taken whatever the main window
// does), the load and rise warnings, the warning window's closing, the
// applications that grew most at each scan, what was done to an
// application, and the out-of-memory kills. The warning window's "OK"
// reaches Exporter::acknowledged() from the command that handles it, and
// the shutdown sequence calls Exporter::finish().
#pragma once

#include "export/export_event.h"

#include <vector>

namespace ostra {
class Exporter;
class Monitor;
class Warning;
struct WarningOptions;
namespace grow {
class GrowWatch;
struct GrowthRow;
}  // namespace grow
namespace loadhistory {
class LoadRecorder;
}
namespace act {
class ApplicationActions;
class OomWatch;
}  // namespace act

struct ExportSources {
    Monitor& monitor;
    Warning& warning;
    const WarningOptions& options;
    loadhistory::LoadRecorder& recorder;
    grow::GrowWatch& grow;
    act::ApplicationActions& actions;
    act::OomWatch& oom;
};

// The first `n` rows that grew (not ended), most first.
std::vector<AppGrowth> mostGrown(const std::vector<grow::GrowthRow>& rows, std::size_t n);

void connectExporter(Exporter& exporter, const ExportSources& from);

}  // namespace ostra
