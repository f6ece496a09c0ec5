// Desktop notifications through org.freedesktop.Notifications on the
// session bus: Notify is sent asynchronously, and the service's
// ActionInvoked signal for our last notification runs its action.
#pragma once

#include "platform/desktop_notifier.h"

#include <QObject>

namespace ostra {

class LinuxDesktopNotifier : public QObject, public DesktopNotifier {
    Q_OBJECT
public:
    // A service that has not answered by then is given up (no retry).
    static constexpr int kCallTimeoutMs = 5000;

    void notify(const QString& summary, const QString& body, const QString& actionLabel,
                std::function<void()> chosen) override;

private slots:
    void actionInvoked(uint id, const QString& key);

private:
    bool listening_ = false;
    uint lastId_ = 0;  // the service's id of our last notification, 0 until it answers
    std::function<void()> chosen_;
};

}  // namespace ostra
