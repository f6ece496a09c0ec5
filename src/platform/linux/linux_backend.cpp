#include "platform/linux/linux_backend.h"

#include "platform/atomic_file.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_dialogs.h"
#include "platform/linux/linux_load_source.h"
#include "platform/linux/linux_sound_player.h"
#include "platform/linux/linux_window_services.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ostra {

namespace {

class BasicFiles : public Files {
public:
    bool createDirectory(const QString& path) override {
        return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0 || errno == EEXIST;
    }
    bool fileExists(const QString& path) override {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
    }
    bool copyFile(const QString& from, const QString& to) override {
        std::optional<QByteArray> data = readFile(from, 1 << 30);
        return data && replaceFile(to, *data);
    }
    std::optional<QByteArray> readFile(const QString& path, qint64 maxBytes) override {
        if (!fileExists(path)) return std::nullopt;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
        return f.read(maxBytes);
    }
    bool replaceFile(const QString& path, const QByteArray& data) override {
        return ostra::replaceFile(path, data);
    }
    std::optional<QStringList> listFolder(const QString& folder) override {
        QDir dir(folder);
        if (!dir.exists()) return std::nullopt;
        QStringList names;
        for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot))
            names << fi.fileName();
        std::sort(names.begin(), names.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        return names;
    }
    bool setCurrentFolder(const QString& folder) override { return QDir::setCurrent(folder); }
};

class BasicShell : public Shell {
public:
    bool open(const QString& pathOrUrl) override {
        const QFileInfo fi(pathOrUrl);
        if (fi.isAbsolute() && fi.isFile() && fi.isExecutable() && !pathOrUrl.endsWith(QLatin1String(".desktop")))
            return QProcess::startDetached(pathOrUrl, {});
        return QDesktopServices::openUrl(QUrl::fromUserInput(pathOrUrl, QDir::currentPath(), QUrl::AssumeLocalFile));
    }
};

class BasicProcesses : public Processes {
public:
    ProcessHandle start(const QString&) override { return 0; }
    bool terminate(ProcessHandle) override { return false; }
    ProcessUsage usage(ProcessHandle) override { return {}; }
};

class BasicSession : public Session {
public:
    BasicSession() {
        const QByteArray m = qgetenv("OSTRA_PROTECTION_MARKER");
        if (!m.isEmpty()) marker_ = QString::fromLocal8Bit(m);
    }
    bool forceLogOff() override {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected()) return false;
        QDBusInterface manager(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                               QStringLiteral("org.freedesktop.login1.Manager"), bus);
        if (!manager.isValid()) return false;
        QDBusReply<QDBusObjectPath> session =
            manager.call(QStringLiteral("GetSessionByPID"), static_cast<quint32>(::getpid()));
        if (!session.isValid()) return false;
        QDBusInterface s(QStringLiteral("org.freedesktop.login1"), session.value().path(),
                         QStringLiteral("org.freedesktop.login1.Session"), bus);
        return s.call(QStringLiteral("Terminate")).type() == QDBusMessage::ReplyMessage;
    }
    QString protectionMarkerPath() override { return marker_; }

private:
    QString marker_ = QStringLiteral("/qzx.a");
};

class BasicDownloads : public Downloads {
public:
    void fetch(const QString&, const QString&, std::function<void(bool)> done) override { done(false); }
};

}  // namespace

LinuxBackend::LinuxBackend()
    : load_(std::make_unique<LinuxLoadSource>()),
      sound_(std::make_unique<LinuxSoundPlayer>()),
      files_(std::make_unique<BasicFiles>()),
      shell_(std::make_unique<BasicShell>()),
      processes_(std::make_unique<BasicProcesses>()),
      session_(std::make_unique<BasicSession>()),
      downloads_(std::make_unique<BasicDownloads>()),
      clock_(std::make_unique<LinuxClock>()),
      windows_(std::make_unique<LinuxWindowServices>()),
      dialogs_(std::make_unique<LinuxDialogs>()),
      services_(std::make_unique<Services>(Services{*load_, *sound_, *files_, *shell_, *processes_, *session_,
                                                     *downloads_, *clock_, *windows_, *dialogs_})) {}

LinuxBackend::~LinuxBackend() = default;

}  // namespace ostra
