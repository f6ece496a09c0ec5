#include "platform/instance_guard.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ostra {

namespace {
QString runtimeDir() {
    QString d = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!d.isEmpty() && QFileInfo(d).isDir() && QFileInfo(d).isWritable()) return d;
    return QDir::tempPath();
}
}  // namespace

InstanceGuard::InstanceGuard(const QString& name, const QString& dir, QObject* parent)
    : QObject(parent) {
    QString base = dir.isEmpty() ? runtimeDir() : dir;
    // The user id keeps two users of one machine (and a shared /tmp) apart.
    QString stem = QStringLiteral("%1/%2-%3").arg(base, name).arg(::getuid());
    lockPath_ = stem + QStringLiteral(".lock");
    socketPath_ = stem + QStringLiteral(".sock");
}

InstanceGuard::~InstanceGuard() {
    if (server_) {
        server_->close();
        QLocalServer::removeServer(socketPath_);
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
    if (server_) return true;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left here belongs to a dead copy.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                QByteArray msg = s->readAll();
                if (msg.startsWith("show")) emit showRequested();
                s->disconnectFromServer();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return true;
}

bool InstanceGuard::askRunningCopyToShow(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket s;
        s.connectToServer(socketPath_);
        if (s.waitForConnected(200)) {
            s.write("show\n");
            bool ok = s.waitForBytesWritten(1000);
            s.waitForDisconnected(500);
            return ok;
        }
        QThread::msleep(50);
    }
    return false;
}

}  // namespace ostra
