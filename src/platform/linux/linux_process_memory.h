// Per-process memory on Linux, from /proc: the control-group lines, the
// executable and the `Pss` + `SwapPss` of smaps_rollup of each process; and
// the `Name` of a desktop entry found in the XDG data folders.
#pragma once

#include "platform/process_memory.h"

#include <QStringList>

namespace ostra {

class LinuxProcessMemory : public ProcessMemory {
public:
    // Longest desktop entry read (its start only); longest cgroup text kept.
    static constexpr qint64 kMaxEntryBytes = 64 * 1024;
    static constexpr qint64 kMaxCgroupBytes = 16 * 1024;
    // A scan's threads (at most one per core), the processes each takes at
    // a time, and their nice value.
    static constexpr int kMaxWorkers = 4;
    static constexpr std::size_t kBatch = 16;
    static constexpr int kWorkerNice = 10;

    // `procRoot` and `dataFolders` are for the tests' fixture trees.
    explicit LinuxProcessMemory(QString procRoot = QStringLiteral("/proc"),
                                QStringList dataFolders = defaultDataFolders());

    ProcessScan scan() override;
    QByteArray applicationName(const QString& id) override;

    // $XDG_DATA_HOME (or ~/.local/share), then $XDG_DATA_DIRS (or
    // /usr/local/share and /usr/share).
    static QStringList defaultDataFolders();
    // The `Name` of the [Desktop Entry] group of a desktop entry's text.
    static QByteArray entryName(const QByteArray& text);

private:
    QString proc_;
    QStringList dataFolders_;
};

}  // namespace ostra
