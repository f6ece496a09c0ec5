#include "platform/instance_guard.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

namespace ostra {

namespace {

QString runtimeDir() {
    QString d = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!d.isEmpty() && QFileInfo(d).isDir() && QFileInfo(d).isWritable()) return d;
    return QDir::tempPath();
}

// The socket address of `path`; false when it does not fit.
bool socketAddress(const QByteArray& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

// A listening socket at `path`, reachable by this user only: it is bound in
// a private folder, narrowed to 0600 and only then moved into place.
int listenAt(const QByteArray& path) {
    sockaddr_un addr;
    if (!socketAddress(path, addr)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    QByteArray dirTemplate = path + ".XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate.data());
    const QByteArray staged = dir ? QByteArray(dir) + "/s" : QByteArray();
    sockaddr_un stagedAddr;
    bool ok;
    if (dir && socketAddress(staged, stagedAddr)) {
        ok = ::bind(fd, reinterpret_cast<sockaddr*>(&stagedAddr), sizeof stagedAddr) == 0 &&
             ::chmod(staged.constData(), S_IRUSR | S_IWUSR) == 0 &&
             ::rename(staged.constData(), path.constData()) == 0;
        ::unlink(staged.constData());  // only left there when something failed
    } else {
        // No room for the private folder: bind in place and narrow at once.
        ok = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
             ::chmod(path.constData(), S_IRUSR | S_IWUSR) == 0;
    }
    if (dir) ::rmdir(dir);
    if (!ok || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One connected later copy: reads its few bytes, then hangs up.
class Visitor : public QObject {
public:
    Visitor(int fd, InstanceGuard* guard, std::function<void()> onShow)
        : QObject(guard), fd_(fd), notifier_(fd, QSocketNotifier::Read, this), onShow_(std::move(onShow)) {
        connect(&notifier_, &QSocketNotifier::activated, this, [this] { readSome(); });
    }
    ~Visitor() override { ::close(fd_); }

private:
    void readSome() {
        char buf[64];
        for (;;) {
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n > 0) {
                msg_.append(buf, static_cast<int>(std::min<ssize_t>(n, 16 - msg_.size())));
                if (msg_.size() < 4) continue;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;  // more to come
            }
            // Enough read, the end, or an error: answer by hanging up.
            notifier_.setEnabled(false);
            if (msg_.startsWith("show")) onShow_();
            deleteLater();
            return;
        }
    }

    int fd_;
    QSocketNotifier notifier_;
    std::function<void()> onShow_;
    QByteArray msg_;
};

}  // namespace

InstanceGuard::InstanceGuard(const QString& name, const QString& dir, QObject* parent) : QObject(parent) {
    QString base = dir.isEmpty() ? runtimeDir() : dir;
    // The user id keeps two users of one machine (and a shared /tmp) apart.
    QString stem = QStringLiteral("%1/%2-%3").arg(base, name).arg(::getuid());
    lockPath_ = stem + QStringLiteral(".lock");
    socketPath_ = stem + QStringLiteral(".sock");
}

InstanceGuard::~InstanceGuard() {
    if (listenFd_ >= 0) {
        delete listenNotifier_;
        ::close(listenFd_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool InstanceGuard::acquire() {
    if (lockFd_ >= 0) return true;
    QByteArray p = QFile::encodeName(lockPath_);
    int fd = ::open(p.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // cannot guard: better run than refuse to start
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

bool InstanceGuard::listen() {
    if (listenFd_ >= 0) return true;
    const QByteArray path = QFile::encodeName(socketPath_);
    // We hold the lock, so a socket file left here belongs to a dead copy.
    ::unlink(path.constData());
    listenFd_ = listenAt(path);
    if (listenFd_ < 0) return false;
    listenNotifier_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
    connect(listenNotifier_, &QSocketNotifier::activated, this, &InstanceGuard::acceptAll);
    return true;
}

void InstanceGuard::acceptAll() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;
        }
        new Visitor(fd, this, [this] { emit showRequested(); });
    }
}

bool InstanceGuard::askRunningCopyToShow(int timeoutMs) {
    sockaddr_un addr;
    if (!socketAddress(QFile::encodeName(socketPath_), addr)) return false;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        // A copy too busy to accept holds the connection up this long at most.
        const timeval wait{0, 200'000};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            static const char msg[] = "show\n";
            size_t sent = 0;
            while (sent < sizeof msg - 1) {
                const ssize_t n = ::send(fd, msg + sent, sizeof msg - 1 - sent, MSG_NOSIGNAL);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            // The running copy hangs up once it has read the wish.
            pollfd p{fd, POLLIN, 0};
            if (sent == sizeof msg - 1) ::poll(&p, 1, 500);
            ::close(fd);
            return sent == sizeof msg - 1;
        }
        ::close(fd);
        QThread::msleep(50);
    }
    return false;
}

}  // namespace ostra
