#include "platform/linux/linux_user_units.h"

#include <QDBusMessage>
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

int number(ProcessSignal sig) {
    switch (sig) {
    case ProcessSignal::Stop: return SIGSTOP;
    case ProcessSignal::Continue: return SIGCONT;
    case ProcessSignal::Terminate: return SIGTERM;
    case ProcessSignal::Kill: return SIGKILL;
    }
    return 0;
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
    call(QStringLiteral("KillUnit"), {unit, QStringLiteral("all"), number(sig)}, std::move(done));
}

UnitResult LinuxUserUnits::thawNow(const QString& unit) {
    if (!bus().isConnected()) return {UnitOutcome::NoManager, QStringLiteral("no session bus")};
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("ThawUnit"));
    msg.setArguments({unit});
    msg.setAutoStartService(false);
    return resultOf(bus().call(msg, QDBus::Block, kThawNowMs));
}

}  // namespace ostra
