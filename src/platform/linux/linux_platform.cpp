#include "platform/linux/linux_platform.h"

#include "platform/atomic_file.h"
#include "settings/profile.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusObjectPath>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <canberra.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace ostra {

namespace {

constexpr uint32_t kCueId = 1;

class QtTimer : public Timer {
public:
    QtTimer() {
        timer_.setTimerType(Qt::PreciseTimer);
        // Qt never lets a timer's own event recurse, but the monitor must
        // go on ticking inside a modal window opened from its tick. The
        // call is therefore posted and runs from whichever event loop is
        // current, outer or nested.
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            QMetaObject::invokeMethod(
                &timer_,
                [this] {
                    if (interval_ > 0 && cb_) cb_();
                },
                Qt::QueuedConnection);
        });
    }
    void setInterval(int ms) override {
        interval_ = ms;
        if (ms <= 0) {
            timer_.stop();
        } else {
            timer_.start(ms);
        }
    }
    int interval() const override { return interval_; }
    void setCallback(std::function<void()> cb) override { cb_ = std::move(cb); }

private:
    QTimer timer_;
    int interval_ = 0;
    std::function<void()> cb_;
};

QMessageBox* makeBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    auto* box = new QMessageBox(icon, caption, text, QMessageBox::NoButton);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

int pidfdOpen(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

int pidfdSendSignal(int pidfd, int sig) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

}  // namespace

// --- dialogs ---------------------------------------------------------------

void QtDialogs::message(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(QMessageBox::NoIcon, QStringLiteral("Ostra"), text));
    box->addButton(QMessageBox::Ok);
    box->exec();
}

void QtDialogs::error(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(QMessageBox::Critical, QStringLiteral("Ostra"), text));
    box->addButton(QMessageBox::Ok);
    box->exec();
}

Answer QtDialogs::confirm(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(QMessageBox::Question, QStringLiteral("Confirm"), text));
    QPushButton* yes = box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    box->exec();
    if (box->clickedButton() == yes) return Answer::Yes;
    if (box->clickedButton() == no) return Answer::No;
    return Answer::Closed;
}

std::optional<QString> QtDialogs::openFile(const QString& title, const QString& filter,
                                           const QString& initialDir) {
    // "desc|pattern" pairs become Qt's "desc (pattern)" form.
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i] == QLatin1String("*.exe") ? QStringLiteral("executable files")
                                                            : parts[i];
        QString pat = parts[i + 1] == QLatin1String("*.exe") ? QStringLiteral("*") : parts[i + 1];
        filters << QStringLiteral("%1 (%2)").arg(desc, pat);
    }
    QString f = QFileDialog::getOpenFileName(nullptr, title, initialDir, filters.join(QStringLiteral(";;")));
    if (f.isEmpty()) return std::nullopt;
    return f;
}

std::optional<QString> QtDialogs::saveFile(const QString& title, const QString& initialDir) {
    QString f = QFileDialog::getSaveFileName(nullptr, title, initialDir);
    if (f.isEmpty()) return std::nullopt;
    return f;
}

// --- platform --------------------------------------------------------------

LinuxPlatform::LinuxPlatform() {
    QByteArray m = qgetenv("OSTRA_PROTECTION_MARKER");
    if (!m.isEmpty()) marker_ = QString::fromLocal8Bit(m);
}

LinuxPlatform::~LinuxPlatform() {
    if (sound_) ca_context_destroy(sound_);
    for (auto& [h, c] : children_) {
        if (c.pidfd >= 0) ::close(c.pidfd);
    }
}

int LinuxPlatform::memoryLoad() {
    int v = meminfo_.read();
    return v < 0 ? 0 : v;
}

void LinuxPlatform::playSound(const QString& path) {
    if (!sound_) {
        if (soundTried_) return;
        soundTried_ = true;
        if (ca_context_create(&sound_) != CA_SUCCESS) {
            sound_ = nullptr;
            return;
        }
        ca_context_change_props(sound_, CA_PROP_APPLICATION_NAME, "Ostra",
                                CA_PROP_APPLICATION_ID, "ostra", nullptr);
    }
    // One cue at a time: the new one cuts off the one still playing.
    ca_context_cancel(sound_, kCueId);
    QFileInfo fi(path);
    int rc = CA_ERROR_NOTFOUND;
    if (fi.isFile() && fi.isReadable()) {
        QByteArray p = QFile::encodeName(fi.absoluteFilePath());
        rc = ca_context_play(sound_, kCueId, CA_PROP_MEDIA_FILENAME, p.constData(),
                             CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr);
    }
    if (rc != CA_SUCCESS && rc != CA_ERROR_DISABLED && rc != CA_ERROR_NOTAVAILABLE &&
        rc != CA_ERROR_DISCONNECTED) {
        // Missing or unreadable file: the desktop's default event sound.
        ca_context_play(sound_, kCueId, CA_PROP_EVENT_ID, "bell", nullptr);
    }
}

QString LinuxPlatform::profileString(const QString& file, const QString& section, const QString& key,
                                     const QString& def) {
    return profile::readString(file, section, key, def);
}

bool LinuxPlatform::writeProfileString(const QString& file, const QString& section,
                                       const QString& key, const QString& value) {
    return profile::writeString(file, section, key, value);
}

bool LinuxPlatform::createDirectory(const QString& path) {
    return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0 || errno == EEXIST;
}

bool LinuxPlatform::fileExists(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
    return S_ISREG(st.st_mode);
}

bool LinuxPlatform::copyFile(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return false;
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError) return false;
    return replaceFile(to, data);
}

bool LinuxPlatform::shellOpen(const QString& pathOrUrl) {
    QUrl url = QUrl::fromUserInput(pathOrUrl, QDir::currentPath(), QUrl::AssumeLocalFile);
    QFileInfo fi(pathOrUrl);
    if (fi.isAbsolute() && fi.isFile() && fi.isExecutable() &&
        !pathOrUrl.endsWith(QLatin1String(".desktop"))) {
        return startProcess(pathOrUrl) != 0;
    }
    return QDesktopServices::openUrl(url);
}

ProcessHandle LinuxPlatform::startProcess(const QString& path) {
    QByteArray p = QFile::encodeName(path);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    char* argv[] = {p.data(), nullptr};
    pid_t pid = 0;
    int rc = posix_spawn(&pid, p.constData(), nullptr, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return 0;
    int fd = pidfdOpen(pid);
    ProcessHandle h = nextHandle_++;
    children_[h] = Child{fd, pid};
    return h;
}

bool LinuxPlatform::terminateProcess(ProcessHandle handle) {
    auto it = children_.find(handle);
    if (it == children_.end()) return false;
    Child c = it->second;
    children_.erase(it);
    bool ok = false;
    if (c.pidfd >= 0) {
        // Still ours and alive? A signal through the pidfd cannot hit a
        // recycled pid.
        if (pidfdSendSignal(c.pidfd, 0) == 0) {
            ::kill(-c.pid, SIGKILL);  // the group we created for it
            ok = pidfdSendSignal(c.pidfd, SIGKILL) == 0 || errno == ESRCH;
        }
        ::close(c.pidfd);
    }
    // Reap it (and any earlier child that ended) so no zombie stays.
    int status = 0;
    ::waitpid(c.pid, &status, 0);
    return ok;
}

bool LinuxPlatform::forceLogOff() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return false;
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!manager.isValid()) return false;
    QDBusReply<QDBusObjectPath> session =
        manager.call(QStringLiteral("GetSessionByPID"), static_cast<quint32>(::getpid()));
    if (!session.isValid()) return false;
    QDBusInterface s(QStringLiteral("org.freedesktop.login1"), session.value().path(),
                     QStringLiteral("org.freedesktop.login1.Session"), bus);
    QDBusMessage reply = s.call(QStringLiteral("Terminate"));
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool LinuxPlatform::downloadToFile(const QString&, const QString&) {
    // The version download comes with the upgrade check.
    return false;
}

LocalTime LinuxPlatform::localTime() {
    QTime t = QTime::currentTime();
    return {t.hour(), t.minute(), t.second()};
}

QSize LinuxPlatform::screenSize() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
}

std::unique_ptr<Timer> LinuxPlatform::createTimer() { return std::make_unique<QtTimer>(); }

void LinuxPlatform::skipTaskbar(QWidget* window) {
    // A tool window is left out of the task bar by window managers
    // (_NET_WM_WINDOW_TYPE_UTILITY and _NET_WM_STATE_SKIP_TASKBAR on X11).
    window->setWindowFlag(Qt::Tool, true);
}

void LinuxPlatform::minimizeApplication() {
    // Every window of the program leaves the screen. Whoever asks the main
    // window whether it is shown also asks isApplicationMinimized(), so the
    // monitor goes on sampling.
    if (minimized_) return;
    minimized_ = true;
    hidden_.clear();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !w->isModal()) {
            hidden_.append(QPointer<QWidget>(w));
            w->hide();
        }
    }
}

void LinuxPlatform::restoreApplication() {
    if (!minimized_) return;
    const auto windows = hidden_;
    hidden_.clear();
    for (const QPointer<QWidget>& w : windows) {
        if (w) w->show();
    }
    minimized_ = false;
}

bool LinuxPlatform::isApplicationMinimized() { return minimized_; }

QString LinuxPlatform::protectionMarkerPath() { return marker_; }

}  // namespace ostra
