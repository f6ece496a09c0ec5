#include "platform/linux/linux_session.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <unistd.h>

namespace ostra {

namespace {
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kUser = QStringLiteral("org.freedesktop.login1.User");
const QString kNoSessionForPid = QStringLiteral("org.freedesktop.login1.NoSessionForPID");

// The one object path a reply carries; empty for anything else.
QString objectPathOf(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return {};
    const QVariant answer = reply.arguments().constFirst();
    if (answer.metaType() != QMetaType::fromType<QDBusObjectPath>()) return {};
    const QString path = answer.value<QDBusObjectPath>().path();
    // logind's "no such object" in a (so) pair.
    return path == QLatin1String("/") ? QString() : path;
}

// The object path of a (so) structure held in a property's variant.
QString displaySessionOf(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return {};
    const QVariant outer = reply.arguments().constFirst();
    if (outer.metaType() != QMetaType::fromType<QDBusVariant>()) return {};
    const QVariant inner = outer.value<QDBusVariant>().variant();
    if (inner.metaType() != QMetaType::fromType<QDBusArgument>()) return {};
    const QDBusArgument arg = inner.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("(so)")) return {};
    QString id;
    QDBusObjectPath path;
    arg.beginStructure();
    arg >> id >> path;
    arg.endStructure();
    return path.path() == QLatin1String("/") ? QString() : path.path();
}
}  // namespace

LinuxSession::LinuxSession(int callTimeoutMs) : callTimeoutMs_(callTimeoutMs > 0 ? callTimeoutMs : 1) {}

bool LinuxSession::forceLogOff() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return false;

    // Plain method calls: a proxy object would first ask the service to
    // describe itself, a further call with the library's long default timeout.
    // A logind that left one call unanswered is not asked again.
    bool stalled = false;
    auto call = [&](const QString& path, const QString& interface, const QString& method,
                    const QVariantList& args = {}) {
        if (stalled) return QDBusMessage();
        QDBusMessage m = QDBusMessage::createMethodCall(kLogind, path, interface, method);
        m.setArguments(args);
        const QDBusMessage reply = bus.call(m, QDBus::Block, callTimeoutMs_);
        stalled = reply.type() == QDBusMessage::ErrorMessage &&
                  (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                   reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout"));
        return reply;
    };

    const QDBusMessage own =
        call(kManagerPath, kManager, QStringLiteral("GetSessionByPID"), {static_cast<quint32>(::getpid())});
    QString session = objectPathOf(own);
    if (session.isEmpty()) {
        // GNOME, and Plasma when systemd starts it, run applications in a
        // user scope outside every session. Only that answer leads on to
        // the user's graphical session.
        if (own.type() != QDBusMessage::ErrorMessage || own.errorName() != kNoSessionForPid) return false;
        const QString user = objectPathOf(
            call(kManagerPath, kManager, QStringLiteral("GetUser"), {static_cast<quint32>(::getuid())}));
        if (!user.isEmpty())
            session = displaySessionOf(call(user, QStringLiteral("org.freedesktop.DBus.Properties"),
                                            QStringLiteral("Get"), {kUser, QStringLiteral("Display")}));
        // "auto": the caller's session, else the user's display session.
        if (session.isEmpty())
            session =
                objectPathOf(call(kManagerPath, kManager, QStringLiteral("GetSession"), {QStringLiteral("auto")}));
        if (session.isEmpty()) return false;
    }
    return call(session, kSession, QStringLiteral("Terminate")).type() == QDBusMessage::ReplyMessage;
}

QString LinuxSession::protectionMarkerPath() {
    const QString overridden = qEnvironmentVariable("OSTRA_PROTECTION_MARKER");
    return overridden.isEmpty() ? QStringLiteral("/qzx.a") : overridden;
}

}  // namespace ostra
