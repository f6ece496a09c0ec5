#include "platform/linux/linux_user_units.h"

#include "platform/linux/signal_number.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <csignal>

namespace ostra {

namespace {

const QString kService = QStringLiteral("org.freedesktop.systemd1");
const QString kPath = QStringLiteral("/org/freedesktop/systemd1");
const QString kManager = QStringLiteral("org.freedesktop.systemd1.Manager");

UnitResult resultOf(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ErrorMessage) return {UnitOutcome::Done, {}};
    const QString name = reply.errorName();
    // Nobody there, or nobody answering in time.
    static const QStringList absent{QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
                                    QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
                                    QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
                                    QStringLiteral("org.freedesktop.DBus.Error.TimedOut"),
                                    QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
                                    QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner")};
    const QString text = name + QStringLiteral(": ") + reply.errorMessage();
    if (absent.contains(name)) return {UnitOutcome::NoManager, text};
    return {UnitOutcome::Refused, text};
}

}  // namespace

LinuxUserUnits::LinuxUserUnits(const QDBusConnection& bus) : bus_(bus) {}

QDBusConnection& LinuxUserUnits::bus() {
    if (!bus_) bus_ = QDBusConnection::sessionBus();
    return *bus_;
}

void LinuxUserUnits::call(const QString& method, const QVariantList& args, Done done) {
    if (!bus().isConnected()) {
        done({UnitOutcome::NoManager, QStringLiteral("no session bus")});
        return;
    }
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, kPath, kManager, method);
    msg.setArguments(args);
    // Never started by the bus on our behalf: a manager is there or not.
    msg.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(msg, kCallMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done = std::move(done)](QDBusPendingCallWatcher* w) {
                         const UnitResult r = resultOf(w->reply());
                         w->deleteLater();
                         done(r);
                     });
}

void LinuxUserUnits::freeze(const QString& unit, Done done) {
    call(QStringLiteral("FreezeUnit"), {unit}, std::move(done));
}

void LinuxUserUnits::thaw(const QString& unit, Done done) {
    call(QStringLiteral("ThawUnit"), {unit}, std::move(done));
}

void LinuxUserUnits::kill(const QString& unit, ProcessSignal sig, Done done) {
    call(QStringLiteral("KillUnit"), {unit, QStringLiteral("all"), signalNumber(sig)}, std::move(done));
}

QString UnitResultListener::unitOfPath(const QString& path) {
    static const QString prefix = QStringLiteral("/org/freedesktop/systemd1/unit/");
    if (!path.startsWith(prefix)) return {};
    const QByteArray in = path.mid(prefix.size()).toLatin1();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '_' && i + 2 < in.size()) {
            bool ok = false;
            const int c = in.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out += static_cast<char>(c);
                i += 2;
                continue;
            }
        }
        out += in[i];
    }
    return QString::fromLatin1(out);
}

void UnitResultListener::propertiesChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || !ended) return;
    const QString iface = args[0].toString();
    if (iface != QLatin1String("org.freedesktop.systemd1.Service") &&
        iface != QLatin1String("org.freedesktop.systemd1.Scope"))
        return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(args[1]);
    const auto it = changed.constFind(QStringLiteral("Result"));
    if (it == changed.constEnd()) return;
    const QString result = it->toString();
    const QString unit = unitOfPath(message.path());
    if (!unit.isEmpty() && !result.isEmpty()) ended(unit, result);
}

void LinuxUserUnits::watchResults(bool on, Ended ended) {
    if (on == (listener_ != nullptr)) {
        if (listener_) listener_->ended = std::move(ended);
        return;
    }
    auto subscription = [this](const char* method) {
        QDBusMessage msg = QDBusMessage::createMethodCall(kService, kPath, kManager, QLatin1String(method));
        msg.setAutoStartService(false);
        // Its answer is not waited for.
        bus().asyncCall(msg, kCallMs);
    };
    const QString props = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString changed = QStringLiteral("PropertiesChanged");
    if (on) {
        if (!bus().isConnected()) return;
        listener_ = std::make_unique<UnitResultListener>();
        listener_->ended = std::move(ended);
        bus().connect(kService, QString(), props, changed, listener_.get(), SLOT(propertiesChanged(QDBusMessage)));
        // The manager sends its units' changes only to subscribers.
        subscription("Subscribe");
    } else {
        bus().disconnect(kService, QString(), props, changed, listener_.get(),
                         SLOT(propertiesChanged(QDBusMessage)));
        subscription("Unsubscribe");
        listener_.reset();
    }
}

UnitResult LinuxUserUnits::thawNow(const QString& unit) {
    if (!bus().isConnected()) return {UnitOutcome::NoManager, QStringLiteral("no session bus")};
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("ThawUnit"));
    msg.setArguments({unit});
    msg.setAutoStartService(false);
    return resultOf(bus().call(msg, QDBus::Block, kThawNowMs));
}

}  // namespace ostra
