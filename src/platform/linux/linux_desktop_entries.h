// Desktop entries from the `applications` folders of the XDG data folders
// (and their subfolders, whose names join the ID with dashes). An entry is
// read only when it is a regular file, and only as far as its first 64 KiB:
// a FIFO, a device or a huge file never blocks or bloats a scan.
#pragma once

#include "platform/desktop_entries.h"

#include <QMutex>
#include <QStringList>

namespace ostra {

class LinuxDesktopEntries : public DesktopEntries {
public:
    static constexpr qint64 kMaxEntryBytes = 64 * 1024;
    // Entries read at most per folder, and subfolder levels followed.
    static constexpr int kMaxEntriesPerFolder = 5000;
    static constexpr int kMaxDepth = 3;

    // `dataFolders` are for the tests' fixture trees.
    explicit LinuxDesktopEntries(QStringList dataFolders = defaultDataFolders());

    std::vector<DesktopEntry> read() override;
    QByteArray stamp() override;

    // $XDG_DATA_HOME (or ~/.local/share), then $XDG_DATA_DIRS (or
    // /usr/local/share and /usr/share).
    static QStringList defaultDataFolders();
    // The keys of the [Desktop Entry] group of an entry's text.
    static DesktopEntry parse(const QByteArray& text);

private:
    QStringList dataFolders_;
    QMutex mutex_;
    QStringList watched_;  // the folders the last read() went through
};

}  // namespace ostra
