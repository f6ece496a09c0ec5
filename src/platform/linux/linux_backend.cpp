#include "platform/linux/linux_backend.h"

#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_dialogs.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_load_source.h"
#include "platform/linux/linux_processes.h"
#include "platform/linux/linux_shell.h"
#include "platform/linux/linux_sound_player.h"
#include "platform/linux/linux_window_services.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>

#include <unistd.h>


namespace ostra {

namespace {

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
      files_(std::make_unique<LinuxFiles>()),
      shell_(std::make_unique<LinuxShell>()),
      processes_(std::make_unique<LinuxProcesses>()),
      session_(std::make_unique<BasicSession>()),
      downloads_(std::make_unique<BasicDownloads>()),
      clock_(std::make_unique<LinuxClock>()),
      windows_(std::make_unique<LinuxWindowServices>()),
      dialogs_(std::make_unique<LinuxDialogs>()),
      services_(std::make_unique<Services>(Services{*load_, *sound_, *files_, *shell_, *processes_, *session_,
                                                     *downloads_, *clock_, *windows_, *dialogs_})) {}

LinuxBackend::~LinuxBackend() = default;

}  // namespace ostra
