// The user manager reached over a private session bus, with the stand-in
// manager of the end-to-end tests: FreezeUnit, ThawUnit and KillUnit reach
// it for an application in an app-….scope; a unit it refuses to freeze is
// paused with signals (a real child, stopped and continued); without a
// manager, or with one that hangs, nothing waits longer than the call's
// time limit.
#include "act/application_actions.h"
#include "act/oom_watch.h"
#include "act/peer_cache.h"
#include "fakes/fake_act.h"
#include "fakes/fake_platform.h"
#include "platform/linux/linux_app_windows.h"
#include "platform/linux/linux_kernel_counters.h"
#include "platform/linux/linux_process_control.h"
#include "platform/linux/linux_user_units.h"

#include "child_process.h"

#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ostra::act {
namespace {

using testing_support::PrivateBus;

struct Manager {
    QTemporaryDir dir;
    QProcess process;
    QString log() const { return dir.filePath(QStringLiteral("calls.log")); }
    bool start(const QString& bus) {
        testing_support::endWithThisProcess(process);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
        process.setProcessEnvironment(env);
        const QString ready = dir.filePath(QStringLiteral("ready"));
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(OSTRA_E2E_DIR "/fake_systemd_user.py"), log(), ready});
        return QTest::qWaitFor([&] { return QFile::exists(ready) || process.state() == QProcess::NotRunning; },
                               10000) &&
               process.state() == QProcess::Running;
    }
    ~Manager() { testing_support::stopChild(process); }
    QStringList calls() {
        QFile f(log());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

struct NotTheProgram : LinuxProcessControl {
    int ownPid() override { return -1; }
};

char stateOf(pid_t pid) {
    LinuxProcessControl c;
    const std::optional<ProcessFacts> f = c.facts(pid);
    return f ? f->state : '-';
}

TEST(LinuxUserUnits, TheManagerReceivesFreezeThawAndKillAndARefusedUnitIsPausedWithSignals) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    Manager manager;
    ASSERT_TRUE(manager.start(bus.address()));
    QDBusConnection conn = QDBusConnection::connectToBus(bus.address(), QStringLiteral("act-test"));
    ASSERT_TRUE(conn.isConnected());
    LinuxUserUnits units(conn);
    NotTheProgram control;
    FakeAppWindows windows;
    FakeDesktopPeers peers;
    FakeFiles files;
    FakeClock clock;
    QTemporaryDir dir;
    ApplicationActions a({control, units, windows, peers, files, clock, dir.filePath(QStringLiteral("paused.txt"))});

    const pid_t child = ::fork();
    if (child == 0) {
        ::execl("/bin/sleep", "sleep", "1000", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    Target t;
    t.key = QStringLiteral("unit:org.example.Hog");
    t.name = QStringLiteral("Hog");
    t.unit = QStringLiteral("app-org.example.Hog-77.scope");
    t.processes = chosenNow(control, {child});
    t.bytes = 512ll << 20;

    a.pause(t);
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.stateText(t.key) == QLatin1String(kPausedState); }, 5000));
    EXPECT_NE(stateOf(child), 'T') << "the manager froze it: no signal";
    a.resume(t.key);
    a.end(t);
    const QStringList expected{QStringLiteral("FreezeUnit app-org.example.Hog-77.scope"),
                               QStringLiteral("ThawUnit app-org.example.Hog-77.scope"),
                               QStringLiteral("KillUnit app-org.example.Hog-77.scope all 15"),
                               QStringLiteral("KillUnit app-org.example.Hog-77.scope all 18"),
                               QStringLiteral("ThawUnit app-org.example.Hog-77.scope")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return manager.calls().size() >= expected.size(); }, 5000));
    EXPECT_EQ(manager.calls(), expected);

    // A unit that cannot be frozen: its process is stopped instead, and the
    // row says so.
    QSignalSpy fell(&a, &ApplicationActions::fellBackToSignals);
    Target refused = t;
    refused.key = QStringLiteral("unit:nofreeze");
    refused.unit = QStringLiteral("app-nofreeze-5.scope");
    a.pause(refused);
    ASSERT_TRUE(QTest::qWaitFor([&] { return stateOf(child) == 'T'; }, 5000));
    ASSERT_EQ(fell.count(), 1);
    EXPECT_EQ(fell[0][1].toString(), QLatin1String(kRefusedNote));
    a.resume(refused.key);
    EXPECT_TRUE(QTest::qWaitFor([&] { return stateOf(child) == 'S'; }, 5000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(LinuxUserUnits, UnitResultsAreHeardOnlyWhileAsked) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    Manager manager;
    ASSERT_TRUE(manager.start(bus.address()));
    QDBusConnection conn = QDBusConnection::connectToBus(bus.address(), QStringLiteral("act-test-3"));
    LinuxUserUnits units(conn);
    QStringList heard;
    auto end = [&](const char* unit, const char* result) {
        QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.systemd1"),
                                                        QStringLiteral("/org/freedesktop/systemd1"),
                                                        QStringLiteral("org.example.SystemdTest"),
                                                        QStringLiteral("EndUnit"));
        m.setArguments({QString::fromLatin1(unit), QString::fromLatin1(result)});
        ASSERT_EQ(conn.call(m, QDBus::Block, 5000).type(), QDBusMessage::ReplyMessage);
    };
    units.watchResults(true, [&](const QString& u, const QString& r) { heard << u + QLatin1Char(' ') + r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.calls().contains(QStringLiteral("Subscribe")); }, 5000));
    end("app-gnome-org.gnome.Photos-123.scope", "oom-kill");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.isEmpty(); }, 5000));
    EXPECT_EQ(heard, QStringList{QStringLiteral("app-gnome-org.gnome.Photos-123.scope oom-kill")});
    units.watchResults(false, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.calls().contains(QStringLiteral("Unsubscribe")); }, 5000));
    end("app-x-1.scope", "oom-kill");
    QTest::qWait(300);
    EXPECT_EQ(heard.size(), 1) << "nothing heard once off";
}

TEST(LinuxUserUnits, NoManagerOrAHungOneNeverHoldsTheCaller) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    QDBusConnection conn = QDBusConnection::connectToBus(bus.address(), QStringLiteral("act-test-2"));
    ASSERT_TRUE(conn.isConnected());
    LinuxUserUnits units(conn);
    std::optional<UnitResult> got;
    QElapsedTimer t;
    t.start();
    units.freeze(QStringLiteral("app-x-1.scope"), [&](const UnitResult& r) { got = r; });
    EXPECT_LT(t.elapsed(), 200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 3000));
    EXPECT_EQ(got->outcome, UnitOutcome::NoManager);
    EXPECT_EQ(units.thawNow(QStringLiteral("app-x-1.scope")).outcome, UnitOutcome::NoManager);

    Manager manager;
    ASSERT_TRUE(manager.start(bus.address()));
    got.reset();
    t.restart();
    units.freeze(QStringLiteral("app-hang-1.scope"), [&](const UnitResult& r) { got = r; });
    EXPECT_LT(t.elapsed(), 200) << "the call returns at once";
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, LinuxUserUnits::kCallMs + 3000));
    EXPECT_EQ(got->outcome, UnitOutcome::NoManager);
    EXPECT_LT(t.elapsed(), LinuxUserUnits::kCallMs + 1000);
    t.restart();
    EXPECT_EQ(units.thawNow(QStringLiteral("app-hang-1.scope")).outcome, UnitOutcome::NoManager);
    EXPECT_LT(t.elapsed(), LinuxUserUnits::kThawNowMs + 1000);
}


// A display of the test's own: Xvfb on a free display number.
struct PrivateX {
    QProcess server;
    QString display;
    PrivateX() {
        testing_support::endWithThisProcess(server);
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("640x480x24"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!server.waitForStarted(5000)) return;
        if (QTest::qWaitFor([&] { return server.canReadLine(); }, 10000))
            display = QLatin1Char(':') + QString::fromLatin1(server.readLine()).trimmed();
    }
    ~PrivateX() { testing_support::stopChild(server); }
};

// A program on the private display, ended with the test.
struct XClient {
    QProcess p;
    XClient(const QString& program, const QStringList& args, const QString& display) {
        testing_support::endWithThisProcess(p);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForStarted(5000);
    }
    ~XClient() { testing_support::stopChild(p); }
    int pid() const { return static_cast<int>(p.processId()); }
};

TEST(LinuxAppWindows, ARealWindowIsClosedAsItsCloseButtonWouldWithOrWithoutAWindowManager) {
    PrivateX x;
    ASSERT_FALSE(x.display.isEmpty());
    qputenv("DISPLAY", x.display.toLocal8Bit());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ostra-test-bus");
    LinuxAppWindows windows;
    LinuxDesktopPeers peers;
    // The display server is known by our own connection to it.
    EXPECT_EQ(peers.keepers().displayServer, static_cast<int>(x.server.processId()));
    EXPECT_EQ(peers.keepers().windowManager, 0);
    FakeClock clock;
    PeerCache kept(peers, clock);
    EXPECT_EQ(kept.keepers().windowManager, 0);

    for (const bool withManager : {false, true}) {
        std::unique_ptr<XClient> wm;
        if (withManager) {
            wm = std::make_unique<XClient>(QStringLiteral("openbox"), QStringList{}, x.display);
            // The window manager is known by the owner of its check window.
            ASSERT_TRUE(QTest::qWaitFor([&] { return peers.keepers().windowManager == wm->pid(); }, 10000))
                << peers.keepers().windowManager << " " << wm->pid();
            // The same found on the kept set's worker thread once it is old.
            clock.advanceSeconds(PeerCache::kFreshSeconds);
            EXPECT_EQ(kept.keepers().windowManager, 0) << "the old set serves while the new one is found";
            EXPECT_TRUE(QTest::qWaitFor([&] { return kept.keepers().windowManager == wm->pid(); }, 10000));
        }
        XClient client(QStringLiteral(OSTRA_X_WINDOW), {}, x.display);
        ASSERT_TRUE(QTest::qWaitFor([&] { return client.p.canReadLine(); }, 10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return windows.hasWindow({client.pid()}); }, 10000))
            << (withManager ? "with a window manager" : "without one");
        EXPECT_FALSE(windows.hasWindow({client.pid() + 100000}));
        EXPECT_EQ(windows.closeWindows({client.pid() + 100000}), 0);
        EXPECT_EQ(windows.closeWindows({client.pid()}), 1);
        ASSERT_TRUE(client.p.waitForFinished(10000)) << (withManager ? "through the manager" : "without one");
        EXPECT_EQ(client.p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(client.p.exitCode(), 0) << "it closed itself, as on its close button";
    }

    // The tray's owner.
    XClient tray(QStringLiteral("trayer"), {}, x.display);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::vector<int> t = peers.keepers().trays;
            return std::find(t.begin(), t.end(), tray.pid()) != t.end();
        },
        10000));
}

// A real out-of-memory kill, in a memory cgroup of 64 MiB (cgroup v1, as
// root): the kernel's counter rises and the watch, reading it with its
// ticks, notifies naming the program that vanished since its last look.
TEST(OomWatch, TheKernelsRealCountRisesAtAKillAndTheWatchSaysWhatItEnded) {
    const QString group = QStringLiteral("/sys/fs/cgroup/memory/ostra-test-%1").arg(::getpid());
    if (::geteuid() != 0 || !QDir().mkdir(group)) GTEST_SKIP() << "needs root and the cgroup v1 memory controller";
    auto put = [&](const char* file, const QByteArray& value) {
        QFile f(group + QLatin1Char('/') + QLatin1String(file));
        return f.open(QIODevice::WriteOnly) && f.write(value) == value.size();
    };
    ASSERT_TRUE(put("memory.limit_in_bytes", QByteArray::number(64 << 20)));
    put("memory.swappiness", "0");
    LinuxKernelCounters counters;
    FakeNotifier notifier;
    FakeClock clock;
    grow::Snapshot next;
    next.apps.insert(QStringLiteral("exe:oomzebra"), grow::AppMemory{QStringLiteral("oomzebra"), 60ll << 20, 1, {}, {}});
    FakeUserUnits units;
    OomWatch watch({counters, notifier, clock, units, [&](std::function<void(grow::Snapshot)> done) { done(next); }});
    auto tick = [&] {
        clock.advanceSeconds(1);
        watch.tick(90, 95, false);
    };
    for (int i = 0; i < 10; ++i) tick();  // a look near the limit
    const std::uint64_t before = counters.oomKills().value_or(0);

    const pid_t child = ::fork();
    if (child == 0) {
        const QByteArray pid = QByteArray::number(::getpid());
        const int fd = ::open((group + QStringLiteral("/cgroup.procs")).toLocal8Bit().constData(), O_WRONLY);
        if (fd < 0 || ::write(fd, pid.constData(), static_cast<size_t>(pid.size())) != pid.size()) ::_exit(3);
        ::close(fd);
        for (int i = 0; i < 64; ++i) std::memset(::malloc(8 << 20), 1, 8 << 20);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    QDir().rmdir(group);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
    EXPECT_GT(counters.oomKills().value_or(0), before);
    next.apps.clear();  // it vanished
    tick();
    tick();
    ASSERT_EQ(notifier.sent.size(), 1u);
    EXPECT_EQ(notifier.sent[0].summary, QStringLiteral("Memory ran out"));
    EXPECT_EQ(notifier.sent[0].body, QStringLiteral("oomzebra was ended to free memory. It held 60.0 MiB."));
}

}  // namespace
}  // namespace ostra::act
