// Notifications on the desktop (the bubbles of the notification service).
#pragma once

#include <QString>

#include <functional>

namespace ostra {

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // Sends a notification without waiting for the service; without a
    // service, or with one that does not answer, nothing shows and nothing
    // is reported. `chosen` runs on the user-interface thread when the user
    // picks the notification's one action, labelled `actionLabel`.
    virtual void notify(const QString& summary, const QString& body, const QString& actionLabel,
                        std::function<void()> chosen) = 0;
};

}  // namespace ostra
