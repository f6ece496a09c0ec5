#include "loadhistory/summary.h"

#include "loadhistory/csv_export.h"

#include <QStringList>

namespace ostra::loadhistory {

namespace {

QString count(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

}  // namespace

QString summary(const LoadRing& ring, std::int64_t from, std::int64_t to, const QString& spanName) {
    int samples = 0, loadLo = 100, loadHi = 0, loadLast = 0;
    int pressures = 0, pLo = 10000, pHi = 0, pLast = 0;
    int starts = 0, warnings = 0;
    ring.forEach(from, to, [&](std::int64_t, const Sample& s) {
        ++samples;
        loadLo = std::min(loadLo, s.load);
        loadHi = std::max(loadHi, s.load);
        loadLast = s.load;
        if (s.pressure >= 0) {
            ++pressures;
            pLo = std::min(pLo, s.pressure);
            pHi = std::max(pHi, s.pressure);
            pLast = s.pressure;
        }
        if (s.events & StartPointSet) ++starts;
        if (s.events & WarningShown) ++warnings;
    });
    QString text = QStringLiteral("Last %1: ").arg(spanName);
    if (samples == 0) return text + QStringLiteral("no samples.");
    text += QStringLiteral("load lowest %1 %, highest %2 %, latest %3 %").arg(loadLo).arg(loadHi).arg(loadLast);
    if (pressures)
        text += QStringLiteral("; memory pressure lowest %1 %, highest %2 %, latest %3 %")
                    .arg(percentHundredths(pLo), percentHundredths(pHi), percentHundredths(pLast));
    else
        text += QStringLiteral("; memory pressure unknown");
    text += QStringLiteral("; %1, %2.")
                .arg(count(starts, "start point", "start points"), count(warnings, "warning", "warnings"));
    return text;
}

}  // namespace ostra::loadhistory
