#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace ostra {

bool replaceFile(const QString& path, const QByteArray& data) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    // commit() alone overlooks a short write while flushing (a full disk, a
    // size limit) and a failed sync: check both before the rename.
    if (out.write(data) != data.size() || !out.flush() || ::fsync(out.handle()) != 0) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) return false;
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
