// Desktop notifications through org.freedesktop.Notifications on the
// session bus. Nothing waits for the service: its capabilities are asked
// once per owner of the name (again when another program takes it over),
// and the body is escaped only for a service that shows markup
// ("body-markup"); Notify is sent when they are known, replacing our
// previous notification while it is still shown. The service's
// ActionInvoked signal for our last notification runs its action.
#pragma once

#include "platform/desktop_notifier.h"

#include <QObject>
#include <QStringList>

#include <optional>

class QDBusServiceWatcher;

namespace ostra {

class LinuxDesktopNotifier : public QObject, public DesktopNotifier {
    Q_OBJECT
public:
    // A service that has not answered by then is given up (no retry).
    static constexpr int kCallTimeoutMs = 5000;

    using DesktopNotifier::notify;
    void notify(const QString& summary, const QString& body, std::vector<NotificationAction> actions) override;

private slots:
    void actionInvoked(uint id, const QString& key);
    void notificationClosed(uint id, uint reason);

private:
    enum class Markup { Unknown, Asking, Plain, Shown };
    struct Note {
        QString summary, body;
        QStringList actions;  // key, label, key, label...
    };
    void listen();
    void ownerChanged();
    void askCapabilities();
    void send();

    QDBusServiceWatcher* watcher_ = nullptr;
    bool listening_ = false;
    Markup markup_ = Markup::Unknown;
    quint64 owner_ = 0;            // counts the owners of the service's name seen
    std::optional<Note> waiting_;  // to be sent once the capabilities are known
    uint lastId_ = 0;              // the service's id of our last notification, 0 until it answers
    uint shownId_ = 0;             // the same while it is shown: the next one replaces it
    std::vector<std::function<void()>> chosen_;
};

}  // namespace ostra
