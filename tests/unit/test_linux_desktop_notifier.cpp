// The notification sender on a private session bus: it never waits for the
// service (none at all, or one that hangs), sends the summary, body and
// action, and runs the action when the service reports it invoked.
#include "platform/linux/linux_desktop_notifier.h"

#include "child_process.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace ostra {
namespace {

using testing_support::PrivateBus;

// The stand-in service of the end-to-end tests, on the private bus.
struct StandIn {
    QTemporaryDir dir;
    QProcess process;
    QString log() const { return dir.filePath(QStringLiteral("notes.log")); }
    bool start(const QString& bus, const QString& delay) {
        testing_support::endWithThisProcess(process);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
        process.setProcessEnvironment(env);
        const QString ready = dir.filePath(QStringLiteral("ready"));
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(OSTRA_E2E_DIR "/fake_notifications.py"), log(), ready, delay});
        return QTest::qWaitFor([&] { return QFile::exists(ready) || process.state() == QProcess::NotRunning; },
                               10000) &&
               process.state() == QProcess::Running;
    }
    ~StandIn() { testing_support::stopChild(process); }
    QByteArray logged() {
        QFile f(log());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Each test runs in a process of its own, so the session bus Qt connects
// to is the one set here.
void useBus(const PrivateBus& bus) { qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toLocal8Bit()); }

TEST(LinuxDesktopNotifier, WithoutAServiceOrWithAHungOneNothingWaits) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    useBus(bus);
    LinuxDesktopNotifier notifier;
    bool chosen = false;
    QElapsedTimer t;
    t.start();
    notifier.notify(QStringLiteral("Memory load 96%"), QStringLiteral("hog +1.0 GiB"), QStringLiteral("What grew"),
                    [&] { chosen = true; });
    EXPECT_LT(t.elapsed(), 200) << "no service: the call returns at once";
    QTest::qWait(300);
    EXPECT_FALSE(chosen);

    StandIn hung;
    ASSERT_TRUE(hung.start(bus.address(), QStringLiteral("3")));
    t.restart();
    notifier.notify(QStringLiteral("Memory load 97%"), QStringLiteral("x"), QStringLiteral("What grew"), [] {});
    EXPECT_LT(t.elapsed(), 200) << "a service that hangs does not hold the caller";
}

TEST(LinuxDesktopNotifier, SendsTheNotificationAndRunsItsActionWhenInvoked) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    useBus(bus);
    StandIn service;
    ASSERT_TRUE(service.start(bus.address(), QStringLiteral("0")));
    LinuxDesktopNotifier notifier;
    int chosen = 0;
    notifier.notify(QStringLiteral("Memory load 96%"), QStringLiteral("a<b> & c +1.0 GiB"),
                    QStringLiteral("What grew"), [&] { ++chosen; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.logged().isEmpty(); }, 5000));
    const QByteArray line = service.logged();
    EXPECT_TRUE(line.contains("\"summary\": \"Memory load 96%\"")) << line.toStdString();
    EXPECT_TRUE(line.contains("\"body\": \"a&lt;b&gt; &amp; c +1.0 GiB\"")) << "markup escaped: " << line.toStdString();
    EXPECT_TRUE(line.contains("\"What grew\"]")) << line.toStdString();
    QTest::qWait(200);  // the service's answer (its id) arrives
    QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.example.NotificationsTest"), QStringLiteral("InvokeLast")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return chosen == 1; }, 5000));
}

}  // namespace
}  // namespace ostra
