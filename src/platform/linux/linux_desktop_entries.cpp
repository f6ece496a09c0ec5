#include "platform/linux/linux_desktop_entries.h"

#include "platform/linux/linux_files.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <algorithm>

#include <sys/stat.h>

namespace ostra {

LinuxDesktopEntries::LinuxDesktopEntries(QStringList dataFolders) : dataFolders_(std::move(dataFolders)) {
    for (const QString& folder : dataFolders_) watched_ << folder + QStringLiteral("/applications");
}

QStringList LinuxDesktopEntries::defaultDataFolders() {
    QStringList folders;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(home))
        folders << home;
    else
        folders << QDir::homePath() + QStringLiteral("/.local/share");
    QStringList dirs = qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (dirs.isEmpty()) dirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    for (const QString& d : dirs)
        if (QDir::isAbsolutePath(d)) folders << d;
    return folders;
}

DesktopEntry LinuxDesktopEntries::parse(const QByteArray& text) {
    DesktopEntry entry;
    bool inEntry = false;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0) end = text.size();
        const QByteArray line = text.mid(at, end - at).trimmed();
        at = end + 1;
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.startsWith('#')) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) continue;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "Name")
            entry.name = value;
        else if (key == "TryExec")
            entry.tryExec = value;
        else if (key == "Exec")
            entry.exec = value;
        else if (key == "StartupWMClass")
            entry.wmClass = value;
        else if (key == "Type")
            entry.application = value == "Application";
        else if (key == "Hidden")
            entry.hidden = value == "true";
        else if (key == "NoDisplay")
            entry.noDisplay = value == "true";
    }
    return entry;
}

namespace {

// The entries of `folder` (ID prefix `prefix`) and of its subfolders, in
// the order of their names; `seen` IDs are left out.
void readFolder(const QString& folder, const QString& prefix, int depth, QSet<QString>& seen,
                std::vector<DesktopEntry>& out, QStringList& folders, int& budget) {
    folders << folder;
    QDir dir(folder);
    // Names only: whether each is a regular file is settled when it is read.
    const QStringList files =
        dir.entryList({QStringLiteral("*.desktop")}, QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    LinuxFiles reader;  // regular files only, never blocking on a FIFO
    for (const QString& file : files) {
        if (budget <= 0) return;
        const QString id = prefix + file.chopped(8);
        if (seen.contains(id)) continue;
        const std::optional<QByteArray> text =
            reader.readFile(folder + QLatin1Char('/') + file, LinuxDesktopEntries::kMaxEntryBytes);
        if (!text) continue;
        --budget;
        seen.insert(id);
        DesktopEntry entry = LinuxDesktopEntries::parse(*text);
        entry.id = id;
        out.push_back(std::move(entry));
    }
    if (depth >= LinuxDesktopEntries::kMaxDepth) return;
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name))
        readFolder(folder + QLatin1Char('/') + sub, prefix + sub + QLatin1Char('-'), depth + 1, seen, out, folders,
                   budget);
}

}  // namespace

std::vector<DesktopEntry> LinuxDesktopEntries::read() {
    std::vector<DesktopEntry> entries;
    QSet<QString> seen;
    QStringList folders;
    for (const QString& data : dataFolders_) {
        int budget = kMaxEntriesPerFolder;
        readFolder(data + QStringLiteral("/applications"), QString(), 0, seen, entries, folders, budget);
    }
    QMutexLocker lock(&mutex_);
    watched_ = folders;
    return entries;
}

QByteArray LinuxDesktopEntries::stamp() {
    QStringList folders;
    {
        QMutexLocker lock(&mutex_);
        folders = watched_;
    }
    QByteArray token;
    for (const QString& folder : folders) {
        struct stat st {};
        if (::stat(QFile::encodeName(folder).constData(), &st) != 0) {
            token += "-;";
            continue;
        }
        token += QByteArray::number(qint64(st.st_ino)) + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) +
                 '.' + QByteArray::number(qint64(st.st_mtim.tv_nsec)) + ';';
    }
    return token;
}

}  // namespace ostra
