#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace ostra {

bool replaceFile(const QString& path, const QByteArray& data) {
    QString reason;
    return replaceFile(path, data, reason);
}

bool replaceFile(const QString& path, const QByteArray& data, QString& reason) {
    // The reason is the system's word for the call that failed, taken
    // before anything else can change errno.
    const auto failed = [&reason](QFileDevice& f) {
        const int err = errno;
        reason = err != 0 ? qt_error_string(err) : f.errorString();
        return false;
    };
    QSaveFile out(path);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly)) return failed(out);
    // commit() alone overlooks a short write while flushing (a full disk, a
    // size limit) and a failed sync: check both before the rename.
    errno = 0;
    if (out.write(data) != data.size() || !out.flush() || ::fsync(out.handle()) != 0) {
        failed(out);
        out.cancelWriting();
        return false;
    }
    errno = 0;
    if (!out.commit()) return failed(out);
    // Make the rename itself durable; a folder that cannot be synced does
    // not undo a write that has already happened.
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

}  // namespace ostra
