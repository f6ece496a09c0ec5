// Notifications on the desktop (the bubbles of the notification service).
#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace ostra {

struct NotificationAction {
    QString label;
    std::function<void()> chosen;
};

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // Sends a notification without waiting for the service; without a
    // service, or with one that does not answer, nothing shows and nothing
    // is reported. An action's `chosen` runs on the user-interface thread
    // when the user picks it; the first is also the notification's default.
    virtual void notify(const QString& summary, const QString& body, std::vector<NotificationAction> actions) = 0;
    // With one action, labelled `actionLabel`.
    void notify(const QString& summary, const QString& body, const QString& actionLabel,
                std::function<void()> chosen) {
        notify(summary, body, std::vector<NotificationAction>{{actionLabel, std::move(chosen)}});
    }
};

}  // namespace ostra
