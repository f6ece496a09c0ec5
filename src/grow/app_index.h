// The desktop's names of applications: an index of the desktop entries by
// ID and by the programs they start (TryExec, the program of Exec, or the
// script an interpreter of Exec runs) and StartupWMClass, kept until the
// entries' folders change; and the script an interpreter's process runs.
#pragma once

#include "platform/desktop_entries.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

#include <optional>

namespace ostra::grow {

// The arguments of a desktop entry's Exec value, its quoting and escapes
// undone.
QByteArrayList execArguments(const QByteArray& exec);
// The script, module, jar or main class that the interpreter `base` (an
// executable's base name) runs with `args` (its arguments after the
// program): "/home/u/backup.py" of `python3 -u /home/u/backup.py -v`,
// "app.jar" of `java -Xmx1g -jar app.jar`; nothing for code given inline
// (`-c`, `-e`) or read from the standard input.
std::optional<QByteArray> interpreterScript(const QByteArray& base, const QByteArrayList& args);
// How an interpreter is named in front of its script: "python3.11" as
// "python3", "dash" as "sh".
QByteArray interpreterLabel(const QByteArray& base);

class AppIndex {
public:
    struct Entry {
        QString id;
        QByteArray name;  // raw
    };

    explicit AppIndex(DesktopEntries& entries);

    // Reads the entries again when their folders changed since the last
    // time (otherwise a few stat() calls).
    void refresh();
    // The entry of an ID (for a systemd unit's application); null when none.
    const Entry* byId(const QByteArray& id) const;
    // The entry that starts the program `base` (a base name): by its
    // TryExec or the program of its Exec, else by its StartupWMClass in any
    // case; entries shown in menus before hidden ones. Null when none.
    const Entry* byProgram(const QByteArray& base) const;
    // How often the entries were read (tests).
    int reads() const { return reads_; }

private:
    void rebuild(std::vector<DesktopEntry> entries);

    DesktopEntries& source_;
    QByteArray stamp_;
    bool read_ = false;
    int reads_ = 0;
    std::vector<Entry> entries_;
    QHash<QByteArray, int> ids_;       // ID -> entry
    QHash<QByteArray, int> programs_;  // program base name -> entry
    QHash<QByteArray, int> classes_;   // StartupWMClass, lower case -> entry
};

}  // namespace ostra::grow
