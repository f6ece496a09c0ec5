// Where Ostra keeps its files. A program folder the user can write to (a
// portable copy, a build folder) holds everything beside the executable. An
// installed program folder (/usr/lib/ostra) cannot be written, so the files
// then live in a per-user folder, $XDG_DATA_HOME/ostra, which gets copies of
// the shipped data files (the sounds, the help page) on first use. Either
// way the rest of the program sees one folder.
#pragma once

#include <QString>
#include <QStringList>

namespace ostra {

class DataFolder {
public:
    // The data files shipped beside the executable.
    static QStringList shippedFiles();

    // The user's data home by the XDG rule: $XDG_DATA_HOME when it is an
    // absolute path, else $HOME/.local/share.
    static QString userDataHome();

    // The folder to use: programFolder when it is a folder the user may
    // create files in, else userDataHome/ostra, created if need be and given
    // a copy of every shipped file it lacks (an existing file, which the user
    // may have replaced, is never touched). When the per-user folder cannot
    // be made either, the program folder is returned: the program then runs
    // as it does on any unwritable folder, without saving.
    static QString choose(const QString& programFolder, const QString& userDataHome);
    // The same with the program folder's writability given (for the tests:
    // root may write anywhere).
    static QString choose(const QString& programFolder, bool programFolderWritable, const QString& userDataHome);

    // True when files can be created in `folder`.
    static bool writable(const QString& folder);
};

}  // namespace ostra
