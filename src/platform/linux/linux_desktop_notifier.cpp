#include "platform/linux/linux_desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QVariantMap>

#include <utility>

namespace ostra {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kActionKey = QStringLiteral("default-action-of-ostra");

QDBusMessage serviceCall(const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, method);
    // No activation of a service that is not running: without one, nothing.
    call.setAutoStartService(false);
    return call;
}
}  // namespace

void LinuxDesktopNotifier::listen() {
    if (listening_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    listening_ = bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                             SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
    // Another owner of the name is another service: its capabilities and
    // ids are its own.
    watcher_ = new QDBusServiceWatcher(kService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { ownerChanged(); });
}

void LinuxDesktopNotifier::ownerChanged() {
    ++owner_;
    markup_ = Markup::Unknown;
    lastId_ = 0;
    shownId_ = 0;
    if (waiting_) askCapabilities();
}

namespace {

// The first action is the default one; the others are told apart by number.
QString actionKey(std::size_t i) {
    return i == 0 ? kActionKey : kActionKey + QLatin1Char('-') + QString::number(i);
}

}  // namespace

void LinuxDesktopNotifier::notify(const QString& summary, const QString& body,
                                  std::vector<NotificationAction> actions) {
    if (!QDBusConnection::sessionBus().isConnected()) return;
    listen();
    chosen_.clear();
    QStringList keys;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        keys << actionKey(i) << actions[i].label;
        chosen_.push_back(std::move(actions[i].chosen));
    }
    waiting_ = Note{summary, body, keys};
    if (markup_ == Markup::Unknown)
        askCapabilities();
    else if (markup_ != Markup::Asking)
        send();
}

void LinuxDesktopNotifier::askCapabilities() {
    markup_ = Markup::Asking;
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(serviceCall(QStringLiteral("GetCapabilities")), kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, owner = owner_](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (owner != owner_) return;  // asked of an owner since replaced: asked again
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError()) {
            // No service (or none that answers): asked again next time; the
            // body goes escaped, as markup cannot then do harm.
            markup_ = Markup::Unknown;
        } else {
            markup_ = reply.value().contains(QStringLiteral("body-markup")) ? Markup::Shown : Markup::Plain;
        }
        send();
    });
}

void LinuxDesktopNotifier::send() {
    if (!waiting_) return;
    const Note note = *std::exchange(waiting_, std::nullopt);
    QDBusMessage call = serviceCall(QStringLiteral("Notify"));
    const QString body = markup_ == Markup::Plain ? note.body : note.body.toHtmlEscaped();
    call << QStringLiteral("Ostra") << shownId_ << QStringLiteral("org.example.ostra") << note.summary << body
         << note.actions << QVariantMap{} << int(-1);
    lastId_ = 0;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, owner = owner_](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError() || owner != owner_) return;
        lastId_ = shownId_ = reply.value();
    });
}

void LinuxDesktopNotifier::actionInvoked(uint id, const QString& key) {
    if (id == 0 || id != lastId_) return;
    for (std::size_t i = 0; i < chosen_.size(); ++i)
        if (key == actionKey(i) || (i == 0 && key == QStringLiteral("default"))) {
            // A copy: the action may send the next notification.
            const std::function<void()> run = chosen_[i];
            if (run) run();
            return;
        }
}

void LinuxDesktopNotifier::notificationClosed(uint id, uint) {
    if (id != 0 && id == shownId_) shownId_ = 0;
}

}  // namespace ostra
