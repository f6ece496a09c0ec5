#include "app/data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace ostra {

QStringList DataFolder::shippedFiles() {
    return {QStringLiteral("click.wav"),    QStringLiteral("clicklong.wav"), QStringLiteral("button.wav"),
            QStringLiteral("memory.wav"),   QStringLiteral("start.wav"),     QStringLiteral("alarm.wav"),
            QStringLiteral("dingdong.wav"), QStringLiteral("help.htm")};
}

QString DataFolder::userDataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.local/share"));
}

bool DataFolder::writable(const QString& folder) {
    // access() also answers for a read-only mount and for root, unlike a
    // look at the permission bits.
    return !folder.isEmpty() && QFileInfo(folder).isDir() &&
           ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QString DataFolder::choose(const QString& programFolder, const QString& userDataHome) {
    return choose(programFolder, writable(programFolder), userDataHome);
}

QString DataFolder::choose(const QString& programFolder, bool programFolderWritable, const QString& userDataHome) {
    if (programFolderWritable || !QDir::isAbsolutePath(userDataHome)) return programFolder;
    const QString own = QDir::cleanPath(userDataHome + QStringLiteral("/ostra"));
    if (!QDir().mkpath(own) || !writable(own)) return programFolder;
    const QDir from(programFolder);
    const QDir to(own);
    for (const QString& name : shippedFiles()) {
        const QString target = to.filePath(name);
        // Anything there already (a file, a link, even a dangling one) is
        // the user's.
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink()) continue;
        const QString source = from.filePath(name);
        if (!QFileInfo(source).isFile()) continue;
        // QFile::copy writes a temporary file and renames it, so an
        // interrupted copy leaves no half file that would count as the
        // user's next time.
        if (QFile::copy(source, target))
            QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner);
    }
    return own;
}

}  // namespace ostra
