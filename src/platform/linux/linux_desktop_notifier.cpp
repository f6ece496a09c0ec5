#include "platform/linux/linux_desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace ostra {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kActionKey = QStringLiteral("default-action-of-ostra");
}  // namespace

void LinuxDesktopNotifier::notify(const QString& summary, const QString& body, const QString& actionLabel,
                                  std::function<void()> chosen) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    if (!listening_) {
        listening_ = bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                                 SLOT(actionInvoked(uint, QString)));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // No activation of a service that is not running: without one, nothing.
    call.setAutoStartService(false);
    call << QStringLiteral("Ostra") << uint(0) << QStringLiteral("org.example.ostra") << summary << body.toHtmlEscaped()
         << QStringList{kActionKey, actionLabel} << QVariantMap{} << int(-1);
    chosen_ = std::move(chosen);
    lastId_ = 0;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (!reply.isError()) lastId_ = reply.value();
        w->deleteLater();
    });
}

void LinuxDesktopNotifier::actionInvoked(uint id, const QString& key) {
    if (id == 0 || id != lastId_ || (key != kActionKey && key != QStringLiteral("default"))) return;
    if (chosen_) chosen_();
}

}  // namespace ostra
