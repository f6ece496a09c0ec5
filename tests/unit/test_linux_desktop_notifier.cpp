// The notification sender on a private session bus: it never waits for the
// service (none at all, or one that hangs), sends the summary, body and
// action, and runs the action when the service reports it invoked; it
// escapes the body only for a service that shows markup, asking once per
// owner of the name, and replaces its previous notification.
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

#include <memory>

namespace ostra {
namespace {

using testing_support::PrivateBus;

// The stand-in service of the end-to-end tests, on the private bus.
struct StandIn {
    QTemporaryDir dir;
    QProcess process;
    QString log() const { return dir.filePath(QStringLiteral("notes.log")); }
    bool start(const QString& bus, const QString& delay, const QString& caps = QString()) {
        testing_support::endWithThisProcess(process);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
        process.setProcessEnvironment(env);
        const QString ready = dir.filePath(QStringLiteral("ready"));
        QStringList args{QStringLiteral(OSTRA_E2E_DIR "/fake_notifications.py"), log(), ready, delay};
        if (!caps.isEmpty()) args << caps;
        process.start(QStringLiteral("/usr/bin/python3"), args);
        return QTest::qWaitFor([&] { return QFile::exists(ready) || process.state() == QProcess::NotRunning; },
                               10000) &&
               process.state() == QProcess::Running;
    }
    ~StandIn() { testing_support::stopChild(process); }
    QByteArray logged() {
        QFile f(log());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QList<QByteArray> lines() {
        QList<QByteArray> l = logged().split('\n');
        l.removeAll(QByteArray());
        return l;
    }
    int capabilityCalls() {
        QFile f(log() + QStringLiteral(".caps"));
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : 0;
    }
};

void testCall(const char* method) {
    QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.example.NotificationsTest"), QLatin1String(method)));
}

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

// A second action ("Pause <Name>") is offered beside the first; picking it
// runs its own code, not the first action's.
TEST(LinuxDesktopNotifier, ASecondActionRunsItsOwnCode) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    useBus(bus);
    StandIn service;
    ASSERT_TRUE(service.start(bus.address(), QStringLiteral("0")));
    LinuxDesktopNotifier notifier;
    int first = 0, second = 0;
    notifier.notify(QStringLiteral("Memory load 96%"), QStringLiteral("hog +1.0 GiB"),
                    {{QStringLiteral("What grew"), [&] { ++first; }}, {QStringLiteral("Pause hog"), [&] { ++second; }}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.logged().isEmpty(); }, 5000));
    EXPECT_TRUE(service.logged().contains("\"What grew\", \"default-action-of-ostra-1\", \"Pause hog\"]"))
        << service.logged().toStdString();
    QTest::qWait(200);  // the service's answer (its id) arrives
    QDBusMessage pick = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.example.NotificationsTest"), QStringLiteral("InvokeLastAction"));
    pick << 1u;
    QDBusConnection::sessionBus().call(pick);
    EXPECT_TRUE(QTest::qWaitFor([&] { return second == 1; }, 5000));
    EXPECT_EQ(first, 0);
}

// A service that shows markup gets the body escaped, a plain-text one gets
// it as it is; each owner of the name is asked for its capabilities once.
// Each notification replaces the previous one while that is shown, never
// one of another owner's ids, nor one the user closed.
TEST(LinuxDesktopNotifier, EscapesOnlyForMarkupAskingOncePerOwnerAndReplacesItsLastNotification) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    useBus(bus);
    LinuxDesktopNotifier notifier;
    const QString body = QStringLiteral("Amp & Co <b>x</b> +1.0 GiB");
    const auto send = [&](StandIn& to, int count) {
        notifier.notify(QStringLiteral("Memory load 96%"), body, QStringLiteral("What grew"), [] {});
        EXPECT_TRUE(QTest::qWaitFor([&] { return to.lines().size() == count; }, 5000));
        QTest::qWait(100);  // the service's answer (its id) arrives
        return to.lines().value(count - 1);
    };

    auto markup = std::make_unique<StandIn>();
    ASSERT_TRUE(markup->start(bus.address(), QStringLiteral("0"), QStringLiteral("actions,body,body-markup")));
    QByteArray line = send(*markup, 1);
    EXPECT_TRUE(line.contains("\"body\": \"Amp &amp; Co &lt;b&gt;x&lt;/b&gt; +1.0 GiB\"")) << line.toStdString();
    EXPECT_TRUE(line.contains("\"id\": 1,") && line.contains("\"replaces\": 0}")) << line.toStdString();
    line = send(*markup, 2);
    EXPECT_TRUE(line.contains("&amp;")) << line.toStdString();
    EXPECT_TRUE(line.contains("\"replaces\": 1}")) << "the second replaces the first: " << line.toStdString();
    EXPECT_EQ(markup->capabilityCalls(), 1) << "asked once for the same owner";
    // The user closes it: the next one is new.
    testCall("DismissLast");
    QTest::qWait(200);
    line = send(*markup, 3);
    EXPECT_TRUE(line.contains("\"replaces\": 0}")) << line.toStdString();
    testing_support::stopChild(markup->process);

    // Another service takes the name: asked again; plain text as it is.
    StandIn plain;
    ASSERT_TRUE(plain.start(bus.address(), QStringLiteral("0"), QStringLiteral("actions,body")));
    QTest::qWait(200);  // the change of owner reaches the sender
    line = send(plain, 1);
    EXPECT_TRUE(line.contains("\"body\": \"Amp & Co <b>x</b> +1.0 GiB\"")) << line.toStdString();
    EXPECT_TRUE(line.contains("\"replaces\": 0}")) << "no id of the previous owner: " << line.toStdString();
    line = send(plain, 2);
    EXPECT_TRUE(line.contains("\"body\": \"Amp & Co <b>x</b> +1.0 GiB\"")) << line.toStdString();
    EXPECT_TRUE(line.contains("\"replaces\": 1}")) << line.toStdString();
    EXPECT_EQ(plain.capabilityCalls(), 1);
}

}  // namespace
}  // namespace ostra
