#include "app/export_wiring.h"

#include "act/application_actions.h"
#include "act/oom_watch.h"
#include "export/exporter.h"
#include "grow/grow_watch.h"
#include "loadhistory/load_recorder.h"
#include "monitor/monitor.h"
#include "monitor/warning.h"
#include "monitor/warning_options.h"

namespace ostra {

std::vector<AppGrowth> mostGrown(const std::vector<grow::GrowthRow>& rows, std::size_t n) {
    std::vector<AppGrowth> out;
    for (const grow::GrowthRow& r : rows) {
        if (out.size() == n) break;
        if (!r.ended && r.growth > 0) out.push_back({r.name, r.growth});
    }
    return out;
}

namespace {

std::optional<int> loadLimit(const WarningOptions& o) {
    return o.useLoadLimit ? std::optional<int>(o.loadLimit) : std::nullopt;
}

ExportKind kindOf(act::Act a) {
    switch (a) {
    case act::Act::Paused:
        return ExportKind::Paused;
    case act::Act::Resumed:
        return ExportKind::Resumed;
    case act::Act::Closed:
        return ExportKind::Closed;
    case act::Act::Ended:
        return ExportKind::Ended;
    }
    return ExportKind::Ended;
}

void connectWarnings(Exporter& exporter, const ExportSources& from) {
    Monitor& monitor = from.monitor;
    const WarningOptions& options = from.options;
    grow::GrowWatch& grow = from.grow;
    QObject::connect(&monitor, &Monitor::limitWarning, &grow, [&exporter, &monitor, &options, &grow](LimitKind k) {
        ExportEvent e;
        e.kind = k == LimitKind::Rise ? ExportKind::WarningRise : ExportKind::WarningLimit;
        e.load = monitor.figures().nowLoad;
        e.limit = loadLimit(options);
        e.rise = std::max(monitor.figures().riseSincePrior, 0);
        e.riseLimit = options.riseLimit;
        // A warning that opens now is named with what grew most from a
        // scan of its own (shared with the notification's).
        if (exporter.warning(e)) grow.scanForWarning();
    });
    QObject::connect(&grow, &grow::GrowWatch::warningScanned, &grow, [&exporter, &grow] {
        exporter.warningApps(mostGrown(grow.rows(), JournalEvents::kWarningApps));
    });
    QObject::connect(&from.warning, &Warning::shownChanged, &grow, [&exporter](bool shown) {
        if (!shown) exporter.warningClosed();
    });
}

}  // namespace

void connectExporter(Exporter& exporter, const ExportSources& from) {
    loadhistory::LoadRecorder& recorder = from.recorder;
    const WarningOptions& options = from.options;
    QObject::connect(&recorder, &loadhistory::LoadRecorder::recorded, &recorder, [&exporter, &recorder, &options] {
        const loadhistory::LoadRing& ring = recorder.ring();
        if (const std::optional<loadhistory::Sample> s = ring.empty() ? std::nullopt : ring.at(ring.newestTime()))
            exporter.sampled(s->load, loadLimit(options));
    });
    connectWarnings(exporter, from);
    grow::GrowWatch& grow = from.grow;
    QObject::connect(&grow, &grow::GrowWatch::changed, &grow,
                     [&exporter, &grow] { exporter.grown(mostGrown(grow.rows(), textfile::kApplications * 2)); });
    QObject::connect(&from.actions, &act::ApplicationActions::acted, &from.actions,
                     [&exporter](act::Act a, const act::Target& t) {
                         exporter.acted(kindOf(a), AppGrowth{t.name, t.growth});
                     });
    QObject::connect(&from.oom, &act::OomWatch::oomKill, &from.oom, [&exporter] { exporter.oomKillSeen(); });
    QObject::connect(
        &from.oom, &act::OomWatch::killTold, &from.oom, [&exporter](const std::optional<grow::AppMemory>& app) {
            exporter.oomKillTold(app ? std::optional<AppGrowth>(AppGrowth{app->name, app->bytes}) : std::nullopt);
        });
}

}  // namespace ostra
