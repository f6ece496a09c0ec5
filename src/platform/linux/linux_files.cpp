#include "platform/linux/linux_files.h"

#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostra {

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

// stat() following links; false when nothing (or a broken link) is there.
bool statFollowing(const QString& path, struct stat& st) {
    return !path.isEmpty() && ::stat(encoded(path).constData(), &st) == 0;
}

bool isRegularFile(const QString& path) {
    struct stat st;
    return statFollowing(path, st) && S_ISREG(st.st_mode);
}

// Closes a descriptor when it goes out of scope.
struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

bool LinuxFiles::createDirectory(const QString& path) {
    if (path.isEmpty()) return false;
    if (::mkdir(encoded(path).constData(), 0777) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat st;
    return statFollowing(path, st) && S_ISDIR(st.st_mode);
}

bool LinuxFiles::fileExists(const QString& path) { return isRegularFile(path); }

std::optional<QByteArray> LinuxFiles::readFile(const QString& path, qint64 maxBytes) {
    // A first look keeps devices from being opened at all (opening some has
    // side effects); the fstat() below settles it for what was opened.
    if (!isRegularFile(path)) return std::nullopt;
    // O_NONBLOCK: should a FIFO have taken the file's place meanwhile, the
    // open returns at once instead of waiting for a writer.
    const FdCloser file{::open(encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0) return std::nullopt;
    struct stat st;
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;

    QByteArray data;
    const qint64 limit = std::max<qint64>(maxBytes, 0);
    // The size is a hint only: the file may grow or shrink while it is read.
    data.reserve(qsizetype(std::min<qint64>(limit, std::max<qint64>(st.st_size, 0))));
    char buffer[65536];
    while (data.size() < limit) {
        const size_t want = size_t(std::min<qint64>(limit - data.size(), qint64(sizeof buffer)));
        const ssize_t got = ::read(file.fd, buffer, want);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        data.append(buffer, qsizetype(got));
    }
    return data;
}

bool LinuxFiles::replaceFile(const QString& path, const QByteArray& data) { return !replaceFileError(path, data); }

std::optional<QString> LinuxFiles::replaceFileError(const QString& path, const QByteArray& data) {
    if (path.isEmpty()) return QStringLiteral("No file name");
    struct stat st;
    if (statFollowing(path, st)) {
        // A folder, FIFO, socket or device is left alone.
        if (S_ISDIR(st.st_mode)) return qt_error_string(EISDIR);
        if (!S_ISREG(st.st_mode)) return QStringLiteral("Not a regular file");
    } else if (errno != ENOENT) {
        return qt_error_string(errno);
    }
    QString reason;
    if (!ostra::replaceFile(path, data, reason)) return reason;
    return std::nullopt;
}

bool LinuxFiles::copyFile(const QString& from, const QString& to) {
    // One byte over the limit tells a too-long source from one that fits.
    const std::optional<QByteArray> data = readFile(from, kMaxCopyBytes + 1);
    if (!data || data->size() > kMaxCopyBytes) return false;
    return replaceFile(to, *data);
}

std::optional<QStringList> LinuxFiles::listFolder(const QString& folder) {
    if (folder.isEmpty()) return std::nullopt;
    const int dirFd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return std::nullopt;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return std::nullopt;
    }
    QStringList names;
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            failed = errno != 0;
            break;
        }
        if (entry->d_name[0] == '.') continue;  // ".", ".." and hidden files
        struct stat st;
        // Follows links: a link to a file counts, a broken one does not.
        if (::fstatat(dirFd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);  // closes dirFd too
    if (failed) return std::nullopt;
    // Case-blind order; names that differ only in case keep a fixed order.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int blind = QString::compare(a, b, Qt::CaseInsensitive);
        return blind != 0 ? blind < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    return names;
}

bool LinuxFiles::setCurrentFolder(const QString& folder) { return !folder.isEmpty() && QDir::setCurrent(folder); }

}  // namespace ostra
