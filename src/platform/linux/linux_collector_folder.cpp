#include "platform/linux/linux_collector_folder.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostra {

namespace {

QString systemReason(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// The folder, opened as a folder (a link to a folder is fine).
int openFolder(const QString& folder) {
    return ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    std::size_t left = static_cast<std::size_t>(data.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// A new temporary file in the folder, never one that was there before.
int createTemporary(int dir, const QByteArray& name, QByteArray& tempName) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        tempName = "." + name + ".tmp" + QByteArray::number(::getpid()) + "_" + QByteArray::number(attempt);
        const int fd =
            ::openat(dir, tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

std::optional<QString> publishIn(int dir, const QByteArray& name, const QByteArray& data) {
    struct stat st {};
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode))
        return QStringLiteral("something other than a regular file stands at the name");
    QByteArray tempName;
    const int fd = createTemporary(dir, name, tempName);
    if (fd < 0) return systemReason(errno);
    // Readable by the collector whatever the umask.
    bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, data);
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::renameat(dir, tempName.constData(), dir, name.constData()) == 0) return std::nullopt;
    if (ok) err = errno;
    ::unlinkat(dir, tempName.constData(), 0);
    return systemReason(err);
}

}  // namespace

std::optional<QString> LinuxCollectorFolder::publish(const QString& folder, const QString& name,
                                                     const QByteArray& data) {
    const int dir = openFolder(folder);
    if (dir < 0) return systemReason(errno);
    std::optional<QString> failure = publishIn(dir, QFile::encodeName(name), data);
    ::close(dir);
    return failure;
}

void LinuxCollectorFolder::withdraw(const QString& folder, const QString& name) {
    const int dir = openFolder(folder);
    if (dir < 0) return;
    const QByteArray n = QFile::encodeName(name);
    struct stat st {};
    if (::fstatat(dir, n.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        ::unlinkat(dir, n.constData(), 0);
    ::close(dir);
}

QString LinuxCollectorFolder::userName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::geteuid());
}

}  // namespace ostra
