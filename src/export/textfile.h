// The file for node_exporter's textfile collector, in the text exposition
// format: # HELP and # TYPE for each metric, the label `user` on every
// sample, label values escaped as the format asks (\\, \", \n) and any
// bytes that are not UTF-8 replaced, so that the collector never rejects
// the file; always in the same order.
#pragma once

#include "export/export_event.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace ostra {

struct ExportMetrics {
    std::optional<int> load;   // none before the first reading
    std::optional<int> limit;  // none while the load warning is off
    bool limitActive = false;
    bool riseActive = false;
    std::uint64_t limitWarnings = 0;
    std::uint64_t riseWarnings = 0;
    std::uint64_t oomKills = 0;
    std::vector<AppGrowth> grown;  // most first; the first five distinct names are written
    bool operator==(const ExportMetrics&) const = default;
};

namespace textfile {

inline constexpr std::size_t kApplications = 5;

// A label value as the format writes it between its quotes.
QByteArray escapeLabelValue(const QByteArray& raw);
// The whole file.
QByteArray exposition(const ExportMetrics& m, const QString& user);
// "ostra-<user>.prom", with anything but letters, digits, '.', '_' and
// '-' in the name made '_'.
QString fileName(const QString& user);

}  // namespace textfile

}  // namespace ostra
