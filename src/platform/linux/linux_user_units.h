// systemd's user manager on the session bus (org.freedesktop.systemd1).
// Calls are asynchronous with a time limit: a missing or hung manager is
// reported as such and never holds the user-interface thread.
#pragma once

#include "platform/user_units.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <memory>
#include <optional>

namespace ostra {

// Hears the units' PropertiesChanged signals for LinuxUserUnits.
class UnitResultListener : public QObject {
    Q_OBJECT
public:
    UserUnits::Ended ended;
    // "app_2dx_2d1_2escope" is "app-x-1.scope".
    static QString unitOfPath(const QString& path);
public slots:
    void propertiesChanged(const QDBusMessage& message);
};

class LinuxUserUnits : public UserUnits {
public:
    // The session bus unless another connection is given (tests).
    LinuxUserUnits() = default;
    explicit LinuxUserUnits(const QDBusConnection& bus);

    void freeze(const QString& unit, Done done) override;
    void thaw(const QString& unit, Done done) override;
    void kill(const QString& unit, ProcessSignal sig, Done done) override;
    UnitResult thawNow(const QString& unit) override;
    void watchResults(bool on, Ended ended) override;

    static constexpr int kCallMs = 5000;  // freezing waits for every process of the unit
    static constexpr int kThawNowMs = 2000;

private:
    void call(const QString& method, const QVariantList& args, Done done);
    // Connected at the first call: a program that never acts never joins
    // the bus for it.
    QDBusConnection& bus();

    std::optional<QDBusConnection> bus_;
    std::unique_ptr<UnitResultListener> listener_;
};

}  // namespace ostra
