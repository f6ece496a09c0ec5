// The forced log-off against a private bus with a stand-in logind
// (tests/e2e/fake_login1.py), asked by a separate probe process so that each
// run picks its own system bus; and the protection marker's path.
#include "platform/linux/linux_session.h"

#include "child_process.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using ostra::LinuxSession;

namespace {

using testing_support::endWithThisProcess;
using testing_support::PrivateBus;
using testing_support::stopChild;

class FakeLogind {
public:
    FakeLogind(const QString& bus, const QString& log, const QStringList& extra = {}) {
        const QString ready = dir_.filePath(QStringLiteral("ready"));
        fake_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        endWithThisProcess(fake_);
        fake_.start(QStringLiteral("/usr/bin/python3"),
                    QStringList{QStringLiteral(OSTRA_E2E_DIR "/fake_login1.py"), QStringLiteral("--address"), bus,
                                QStringLiteral("--log"), log, QStringLiteral("--ready"), ready} +
                        extra);
        ready_ = fake_.waitForStarted(5000) &&
                 QTest::qWaitFor([&] { return QFile::exists(ready) || fake_.state() == QProcess::NotRunning; },
                                 15000) &&
                 fake_.state() == QProcess::Running;
    }
    ~FakeLogind() { stopChild(fake_); }
    bool ready() const { return ready_; }

private:
    QTemporaryDir dir_;
    QProcess fake_;
    bool ready_ = false;
};

struct ProbeResult {
    bool ran = false;
    qint64 pid = 0;
    bool loggedOff = false;
    qint64 ms = 0;
};

// Runs the probe with the given system bus address.
ProbeResult probe(const QString& systemBus) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), systemBus);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithThisProcess(p);
    p.start(QStringLiteral(OSTRA_SESSION_PROBE), {});
    ProbeResult r;
    // Far longer than the log-off's own limits (two calls of three seconds),
    // far shorter than D-Bus's default 25 s wait.
    if (!p.waitForStarted(5000) || !p.waitForFinished(20000)) {
        stopChild(p);
        return r;
    }
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral(R"(pid=(\d+) result=([01]) ms=(\d+))")).match(out);
    if (!m.hasMatch() || p.exitCode() != 0) return r;
    r.ran = true;
    r.pid = m.captured(1).toLongLong();
    r.loggedOff = m.captured(2) == QLatin1String("1");
    r.ms = m.captured(3).toLongLong();
    return r;
}

QStringList logLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

TEST(LinuxSession, LogOffTerminatesExactlyOurSessionAndFailsQuietlyOtherwise) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    QTemporaryDir dir;

    // A bus without logind.
    ProbeResult r = probe(bus.address());
    ASSERT_TRUE(r.ran);
    EXPECT_FALSE(r.loggedOff);

    {
        const QString log = dir.filePath(QStringLiteral("normal.log"));
        FakeLogind logind(bus.address(), log);
        ASSERT_TRUE(logind.ready());
        r = probe(bus.address());
        ASSERT_TRUE(r.ran);
        EXPECT_TRUE(r.loggedOff);
        // Its own pid, then the session logind named for it, nothing else.
        EXPECT_EQ(logLines(log), (QStringList{QStringLiteral("Manager.GetSessionByPID %1").arg(r.pid),
                                              QStringLiteral("Session.Terminate c%1").arg(r.pid)}));
    }
    {
        // The process belongs to no session, and its user has none either:
        // logind is asked for each way to the user's session, nothing is
        // terminated, and that is known at once.
        const QString log = dir.filePath(QStringLiteral("nosession.log"));
        FakeLogind logind(bus.address(), log, {QStringLiteral("--behaviour"), QStringLiteral("no-session")});
        ASSERT_TRUE(logind.ready());
        r = probe(bus.address());
        ASSERT_TRUE(r.ran);
        EXPECT_FALSE(r.loggedOff);
        EXPECT_EQ(logLines(log), (QStringList{QStringLiteral("Manager.GetSessionByPID %1").arg(r.pid),
                                              QStringLiteral("Manager.GetUser %1").arg(::getuid()),
                                              QStringLiteral("Manager.GetSession auto")}));
        EXPECT_LT(r.ms, 1000);
    }
    {
        // A service that never answers holds the call only for its own limit.
        const QString log = dir.filePath(QStringLiteral("silent.log"));
        FakeLogind logind(bus.address(), log, {QStringLiteral("--behaviour"), QStringLiteral("silent")});
        ASSERT_TRUE(logind.ready());
        r = probe(bus.address());
        ASSERT_TRUE(r.ran);
        EXPECT_FALSE(r.loggedOff);
        EXPECT_EQ(logLines(log), QStringList{QStringLiteral("Manager.GetSessionByPID %1").arg(r.pid)});
    }
}

TEST(LinuxSession, OutsideEverySessionLogOffTerminatesTheUsersGraphicalSession) {
    // GNOME and systemd-started Plasma run applications in a user scope
    // that belongs to no session.
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    QTemporaryDir dir;
    const QString uid = QString::number(::getuid());
    struct Shape {
        const char* what;
        QStringList options;  // beside "--behaviour no-session"
        QStringList calls;    // after GetSessionByPID of the probe's pid
    };
    const Shape shapes[] = {
        {"the user object names its display session",
         {QStringLiteral("--user-display"), QStringLiteral("2")},
         {"Manager.GetUser " + uid, "User.Get Display " + uid, QStringLiteral("Session.Terminate 2")}},
        {"the user has no display session; logind's \"auto\" names one",
         {QStringLiteral("--user-display"), QString(), QStringLiteral("--auto"), QStringLiteral("c7")},
         {"Manager.GetUser " + uid, "User.Get Display " + uid, QStringLiteral("Manager.GetSession auto"),
          QStringLiteral("Session.Terminate c7")}},
        {"a logind without a user object for us: \"auto\" alone",
         {QStringLiteral("--auto"), QStringLiteral("4")},
         {"Manager.GetUser " + uid, QStringLiteral("Manager.GetSession auto"), QStringLiteral("Session.Terminate 4")}},
    };
    int n = 0;
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.what);
        const QString log = dir.filePath(QStringLiteral("shape%1.log").arg(++n));
        FakeLogind logind(bus.address(), log,
                          QStringList{QStringLiteral("--behaviour"), QStringLiteral("no-session")} + shape.options);
        ASSERT_TRUE(logind.ready());
        const ProbeResult r = probe(bus.address());
        ASSERT_TRUE(r.ran);
        EXPECT_TRUE(r.loggedOff);
        EXPECT_EQ(logLines(log), QStringList{QStringLiteral("Manager.GetSessionByPID %1").arg(r.pid)} + shape.calls);
    }
}

TEST(LinuxSession, WithoutASystemBusLogOffFailsAtOnce) {
    QTemporaryDir dir;
    const ProbeResult r =
        probe(QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("no-bus-here")));
    ASSERT_TRUE(r.ran);
    EXPECT_FALSE(r.loggedOff);
}

TEST(LinuxSession, ProtectionMarkerIsAtTheRootUnlessTheEnvironmentMovesIt) {
    const QByteArray saved = qgetenv("OSTRA_PROTECTION_MARKER");
    const bool wasSet = qEnvironmentVariableIsSet("OSTRA_PROTECTION_MARKER");
    LinuxSession session;
    qunsetenv("OSTRA_PROTECTION_MARKER");
    EXPECT_EQ(session.protectionMarkerPath(), QStringLiteral("/qzx.a"));
    qputenv("OSTRA_PROTECTION_MARKER", "");
    EXPECT_EQ(session.protectionMarkerPath(), QStringLiteral("/qzx.a"));
    qputenv("OSTRA_PROTECTION_MARKER", "/tmp/elsewhere/qzx.a");
    EXPECT_EQ(session.protectionMarkerPath(), QStringLiteral("/tmp/elsewhere/qzx.a"));
    if (wasSet)
        qputenv("OSTRA_PROTECTION_MARKER", saved);
    else
        qunsetenv("OSTRA_PROTECTION_MARKER");
}
