// What grew between two snapshots: one row per application, largest growth
// first, and the texts the window and the notification show.
#pragma once

#include "grow/applications.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace ostra::grow {

struct GrowthRow {
    QString key;  // the application's identity, the same from scan to scan (see Snapshot::apps)
    QString name;
    std::int64_t startBytes = 0;  // 0 for an application started since
    std::int64_t nowBytes = 0;
    bool ended = false;               // gone since the start point
    std::int64_t growth = 0;          // now less start (an ended one: less all it had)
    int processes = 0;                // now (an ended one: 0)
    std::vector<ProcessRef> members;  // its processes now with their start times (an ended one: none)
    QByteArray cgroup;                // the control group they share, empty when none
};

// Every application of either snapshot, sorted by growth, largest first
// (then by name).
std::vector<GrowthRow> ranked(const Snapshot& start, const Snapshot& now);

// "412.3 MiB", "1.9 GiB": MiB below one GiB, one decimal.
QString sizeText(std::int64_t bytes);
// The same with its sign: "+1.9 GiB", "-3.5 MiB", "0.0 MiB".
QString growthText(std::int64_t bytes);

inline const char* const kWindowTitle = "What grew since the start point";
inline const char* const kEndedText = "ended";
inline const char* const kActionLabel = "What grew";
// "Pause <Name>": the notification's second action.
QString pauseActionLabel(const QString& name);
QStringList columnTitles();
// One row's five cells, in the columns' order.
QStringList rowTexts(const GrowthRow& row);
// "Start point: 14:02:07, load 43%".
QString startPointText(int hour, int minute, int second, int load);
// "3 processes of other users or hidden" (those that could not be read).
QString unreadableText(int count);

// The notification: "Memory load 96%", and the (at most) three
// applications that grew most by at least 64 MiB, "Firefox +1.9 GiB, Code
// +420.0 MiB"; when none did, "Nothing grew by 64 MiB since 08:24. Largest
// now: Firefox 2.1 GiB, Code 900.0 MiB, java 310.0 MiB" (`since` the start
// point's "HH:MM", empty when there is none yet).
inline constexpr std::int64_t kNotableGrowth = std::int64_t(64) << 20;
QString notificationSummary(int load);
QString notificationBody(const std::vector<GrowthRow>& rows, const QString& since);

}  // namespace ostra::grow
