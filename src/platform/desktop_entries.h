// The desktop entries of the applications (`*.desktop` in the XDG data
// folders), as far as naming a program needs them. Called from a worker
// thread, one call at a time.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace ostra {

// The keys of an entry's [Desktop Entry] group, raw.
struct DesktopEntry {
    QString id;               // "org.gnome.Terminal" for org.gnome.Terminal.desktop
    QByteArray name;          // Name
    QByteArray tryExec;       // TryExec
    QByteArray exec;          // Exec, with its quoting
    QByteArray wmClass;       // StartupWMClass
    bool application = true;  // Type=Application (or no Type)
    bool hidden = false;      // Hidden=true: the entry is deleted
    bool noDisplay = false;   // NoDisplay=true: not shown in menus
};

class DesktopEntries {
public:
    virtual ~DesktopEntries() = default;
    // Every entry, those of the folder that comes first before the others;
    // an ID already found hides the same ID of a later folder.
    virtual std::vector<DesktopEntry> read() = 0;
    // A token that changes when an entry is added, removed or replaced in
    // the folders: a few stat() calls, no reading.
    virtual QByteArray stamp() = 0;
};

}  // namespace ostra
