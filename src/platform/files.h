// The program's own files and folders. Only regular files (or links to
// them) are ever read or replaced; a FIFO, a device or a folder in their
// place counts as missing and is never opened in a way that could block.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace ostra {

class Files {
public:
    virtual ~Files() = default;
    // Creates a folder; an existing folder is fine.
    virtual bool createDirectory(const QString& path) = 0;
    // True for regular files only (links followed), never for folders.
    virtual bool fileExists(const QString& path) = 0;
    // Overwriting copy through a temporary file and a rename.
    virtual bool copyFile(const QString& from, const QString& to) = 0;
    // The content of a regular file, at most maxBytes of it (a longer file
    // gives its first maxBytes bytes); nothing when the file is missing,
    // not a regular file or unreadable.
    virtual std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes) = 0;
    // Replaces a file whole and atomically (temporary file, flush, sync,
    // rename); false, with the old file untouched, on any failure or when
    // something other than a regular file stands at the path.
    virtual bool replaceFile(const QString& path, const QByteArray& data) = 0;
    // The same, saying why it failed: nothing when the file was replaced,
    // else the system's reason ("No space left on device").
    virtual std::optional<QString> replaceFileError(const QString& path, const QByteArray& data) = 0;
    // The names of the regular, visible files of a folder (links followed;
    // no sub-folders, no dot files), sorted without regard to letter case;
    // nothing when the folder cannot be read.
    virtual std::optional<QStringList> listFolder(const QString& folder) = 0;
    // Makes a folder the process's current folder (programs started later
    // start there).
    virtual bool setCurrentFolder(const QString& folder) = 0;
};

}  // namespace ostra
