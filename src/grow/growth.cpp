#include "grow/growth.h"

#include <algorithm>
#include <cmath>

namespace ostra::grow {

std::vector<GrowthRow> ranked(const Snapshot& start, const Snapshot& now) {
    std::vector<GrowthRow> rows;
    rows.reserve(size_t(now.apps.size()));
    for (auto it = now.apps.cbegin(); it != now.apps.cend(); ++it) {
        GrowthRow row;
        row.key = it.key();
        row.name = it->name;
        row.nowBytes = it->bytes;
        row.processes = it->processes;
        row.members = it->members;
        row.cgroup = it->cgroup;
        const auto then = start.apps.constFind(it.key());
        row.startBytes = then == start.apps.cend() ? 0 : then->bytes;
        row.growth = row.nowBytes - row.startBytes;
        rows.push_back(std::move(row));
    }
    for (auto it = start.apps.cbegin(); it != start.apps.cend(); ++it) {
        if (now.apps.contains(it.key())) continue;
        GrowthRow row;
        row.key = it.key();
        row.name = it->name;
        row.startBytes = it->bytes;
        row.ended = true;
        row.growth = -it->bytes;
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const GrowthRow& a, const GrowthRow& b) {
        if (a.growth != b.growth) return a.growth > b.growth;
        return a.name < b.name;
    });
    return rows;
}

namespace {

QString magnitude(std::int64_t bytes) {
    constexpr double kMiB = 1024.0 * 1024.0;
    const double mib = double(bytes) / kMiB;
    // Rounded to one decimal first, so 1023.96 MiB reads as 1.0 GiB.
    if (std::round(mib * 10) / 10 < 1024.0) return QString::number(mib, 'f', 1) + QStringLiteral(" MiB");
    return QString::number(mib / 1024.0, 'f', 1) + QStringLiteral(" GiB");
}

}  // namespace

QString sizeText(std::int64_t bytes) { return magnitude(std::max<std::int64_t>(bytes, 0)); }

QString growthText(std::int64_t bytes) {
    const QString m = magnitude(bytes < 0 ? -bytes : bytes);
    if (m.startsWith(QStringLiteral("0.0 "))) return m;
    return (bytes < 0 ? QStringLiteral("-") : QStringLiteral("+")) + m;
}

QString pauseActionLabel(const QString& name) { return QStringLiteral("Pause ") + name; }

QStringList columnTitles() {
    return {QStringLiteral("Application"), QStringLiteral("At the start point"), QStringLiteral("Now"),
            QStringLiteral("Growth"), QStringLiteral("Processes")};
}

QStringList rowTexts(const GrowthRow& row) {
    return {row.name, sizeText(row.startBytes),
            row.ended ? QString::fromLatin1(kEndedText) : sizeText(row.nowBytes), growthText(row.growth),
            QString::number(row.processes)};
}

QString startPointText(int hour, int minute, int second, int load) {
    return QStringLiteral("Start point: %1:%2:%3, load %4%")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'))
        .arg(load);
}

QString unreadableText(int count) {
    return (count == 1 ? QStringLiteral("%1 process of other users or hidden")
                       : QStringLiteral("%1 processes of other users or hidden"))
        .arg(count);
}

QString notificationSummary(int load) { return QStringLiteral("Memory load %1%").arg(load); }

QString notificationBody(const std::vector<GrowthRow>& rows, const QString& since) {
    QStringList named;
    for (const GrowthRow& row : rows) {
        if (named.size() == 3 || row.growth < kNotableGrowth) break;
        named << row.name + QLatin1Char(' ') + growthText(row.growth);
    }
    if (!named.isEmpty()) return named.join(QStringLiteral(", "));
    // Nothing worth naming grew: the largest now instead.
    std::vector<const GrowthRow*> largest;
    for (const GrowthRow& row : rows)
        if (!row.ended && row.nowBytes > 0) largest.push_back(&row);
    const size_t n = std::min<size_t>(3, largest.size());
    std::partial_sort(largest.begin(), largest.begin() + std::ptrdiff_t(n), largest.end(),
                      [](const GrowthRow* a, const GrowthRow* b) {
                          if (a->nowBytes != b->nowBytes) return a->nowBytes > b->nowBytes;
                          return a->name < b->name;
                      });
    QString text = QStringLiteral("Nothing grew by %1 MiB").arg(kNotableGrowth >> 20);
    if (!since.isEmpty()) text += QStringLiteral(" since ") + since;
    text += QLatin1Char('.');
    if (n == 0) return text;
    QStringList big;
    for (size_t i = 0; i < n; ++i) big << largest[i]->name + QLatin1Char(' ') + sizeText(largest[i]->nowBytes);
    return text + QStringLiteral(" Largest now: ") + big.join(QStringLiteral(", "));
}

}  // namespace ostra::grow
