// Acting on the user's applications: the protected list, the choice of the
// unit or signals, start-time checks against a reused PID (real children),
// the paused file (a writer killed at any moment leaves nothing paused past
// the next start) and the naming of what the out-of-memory killer ended.
#include "act/application_actions.h"
#include "act/oom_watch.h"
#include "act/paused_state.h"
#include "act/protected_list.h"
#include "act/target.h"
#include "fakes/fake_act.h"
#include "fakes/fake_platform.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_kernel_counters.h"
#include "platform/linux/linux_process_control.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace ostra::act {
namespace {

// ------------------------------------------------------------ the fakes' world

struct World {
    FakeProcessControl procs;
    FakeUserUnits units;
    FakeAppWindows windows;
    FakeDesktopPeers peers;
    FakeFiles files;
    FakeClock clock;
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QLatin1String(kPausedFileName)); }
    ApplicationActions::Deps deps() { return {procs, units, windows, peers, files, clock, path()}; }
    QByteArray file() { return files.readFile(path(), 1 << 20).value_or(QByteArray()); }
};

Target app(QString key, QString unit, std::vector<ProcessRef> ps, std::int64_t bytes = 512ll << 20) {
    Target t;
    t.key = key;
    t.name = key;
    t.unit = std::move(unit);
    t.processes = std::move(ps);
    t.bytes = bytes;
    return t;
}

TEST(ProtectedList, EveryKeeperOfTheDesktopIsNeverOfferedAndSaysWhy) {
    DesktopKeepers k;
    k.displayServer = 30;
    k.windowManager = 31;
    k.trays = {32, 33};
    k.sessionBus = 34;
    k.soundServer = 35;
    k.sessionLeader = 36;
    const int own = 1000;
    const unsigned uid = 1000;
    auto facts = [&](int pid, QByteArray exe = "editor", int parent = 2, unsigned u = 1000) {
        ProcessFacts f;
        f.pid = pid;
        f.parent = parent;
        f.uid = u;
        f.executable = exe;
        return protectionReason(f, k, own, uid);
    };
    EXPECT_EQ(facts(1000), QLatin1String(kOwnReason));
    EXPECT_EQ(facts(1001, "ostra-cue", own), QLatin1String(kHelperReason));
    EXPECT_EQ(facts(50, "editor", 2, 0), QLatin1String(kOtherUserReason));
    EXPECT_EQ(facts(1, "systemd", 0), QLatin1String(kInitReason));
    EXPECT_EQ(facts(36), QLatin1String(kSessionLeaderReason));
    EXPECT_EQ(facts(30), QLatin1String(kDisplayReason));
    EXPECT_EQ(facts(60, "Xwayland"), QLatin1String(kDisplayReason));
    EXPECT_EQ(facts(31), QLatin1String(kWindowManagerReason));
    EXPECT_EQ(facts(32), QLatin1String(kTrayReason));
    EXPECT_EQ(facts(33), QLatin1String(kTrayReason));
    EXPECT_EQ(facts(34), QLatin1String(kBusReason));
    EXPECT_EQ(facts(61, "dbus-daemon"), QLatin1String(kBusReason));
    EXPECT_EQ(facts(62, "systemd"), QLatin1String(kSystemdReason));
    EXPECT_EQ(facts(35), QLatin1String(kSoundReason));
    EXPECT_EQ(facts(63, "pipewire"), QLatin1String(kSoundReason));
    EXPECT_EQ(facts(64, "wireplumber"), QLatin1String(kSoundReason));
    EXPECT_TRUE(facts(70).isEmpty());
    // Absent keepers (0) protect nobody.
    k = {};
    EXPECT_TRUE(facts(70).isEmpty());
}

TEST(ProtectedList, OneProtectedProcessDisablesEveryButtonOfItsApplicationButResume) {
    World w;
    w.procs.add(40, 400);
    w.procs.add(41, 410, "openbox");
    w.peers.k.windowManager = 41;
    w.windows.windowed = {40};
    ApplicationActions a(w.deps());
    const Target wm = app(QStringLiteral("wm"), {}, {{40, 400}, {41, 410}});
    const ApplicationActions::Offer o = a.offer(wm);
    EXPECT_EQ(o.reason, QLatin1String(kWindowManagerReason));
    EXPECT_FALSE(o.pause || o.resume || o.close || o.end || o.endNow);
    a.pause(wm);
    a.end(wm);
    a.endNow(wm);
    EXPECT_EQ(a.close(wm), 0);
    EXPECT_TRUE(w.procs.log.isEmpty()) << w.procs.log.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(w.windows.closed.isEmpty());

    // The same application without the window manager is offered whole.
    const Target plain = app(QStringLiteral("plain"), {}, {{40, 400}});
    const ApplicationActions::Offer p = a.offer(plain);
    EXPECT_TRUE(p.reason.isEmpty());
    EXPECT_TRUE(p.pause && p.close && p.end);
    EXPECT_FALSE(p.resume || p.endNow);
    // Without a window there is nothing to close; an application whose
    // processes all ended is offered nothing.
    w.windows.windowed.clear();
    EXPECT_FALSE(a.offer(plain).close);
    w.procs.table.erase(40);
    EXPECT_EQ(a.offer(plain).reason, QLatin1String(kEndedReason));
}

// -------------------------------------------------------- unit or signals

TEST(ApplicationActions, AnApplicationInAUnitIsFrozenAndThawedByItsManager) {
    World w;
    w.procs.add(40, 400);
    w.procs.add(41, 410);
    ApplicationActions a(w.deps());
    QSignalSpy states(&a, &ApplicationActions::stateChanged);
    const Target t = app(QStringLiteral("unit:gedit"), QStringLiteral("app-gedit-42.scope"), {{40, 400}, {41, 410}});
    a.pause(t);
    EXPECT_EQ(w.units.calls, QStringList{QStringLiteral("FreezeUnit app-gedit-42.scope")});
    EXPECT_TRUE(w.procs.log.isEmpty()) << "no signal when the manager froze it";
    EXPECT_EQ(a.stateText(t.key), QLatin1String(kPausedState));
    ASSERT_EQ(states.count(), 1);
    EXPECT_EQ(states[0][1].toString(), QLatin1String(kPausedState));
    // The file names the unit and its processes.
    EXPECT_EQ(parsePaused(w.file()), (PausedSet{{QStringLiteral("app-gedit-42.scope")}, {{40, 400}, {41, 410}}}));
    const ApplicationActions::Offer o = a.offer(t);
    EXPECT_TRUE(o.resume);
    EXPECT_FALSE(o.pause);

    a.resume(t.key);
    EXPECT_EQ(w.units.calls.last(), QStringLiteral("ThawUnit app-gedit-42.scope"));
    EXPECT_TRUE(a.stateText(t.key).isEmpty());
    EXPECT_TRUE(parsePaused(w.file()).empty());
}

TEST(ApplicationActions, AUnitThatCannotBeFrozenIsPausedBySignalsAndSaysSo) {
    for (const UnitOutcome outcome : {UnitOutcome::Refused, UnitOutcome::NoManager}) {
        World w;
        w.procs.add(40, 400);
        w.procs.add(41, 410);
        w.units.results[QStringLiteral("FreezeUnit")] = {outcome, QStringLiteral("no")};
        ApplicationActions a(w.deps());
        QSignalSpy fell(&a, &ApplicationActions::fellBackToSignals);
        const Target t = app(QStringLiteral("unit:x"), QStringLiteral("app-x-1.scope"), {{40, 400}, {41, 410}});
        a.pause(t);
        EXPECT_EQ(w.procs.log, (QStringList{QStringLiteral("STOP 40"), QStringLiteral("STOP 41")}));
        EXPECT_EQ(w.procs.table[40].state, 'T');
        ASSERT_EQ(fell.count(), 1);
        EXPECT_EQ(fell[0][1].toString(),
                  QLatin1String(outcome == UnitOutcome::Refused ? kRefusedNote : kNoManagerNote));
        EXPECT_EQ(a.stateText(t.key), QLatin1String(kPausedState));
        a.resume(t.key);
        EXPECT_EQ(w.procs.log.mid(2), (QStringList{QStringLiteral("CONT 40"), QStringLiteral("CONT 41")}));
        EXPECT_EQ(w.procs.table[40].state, 'S');
        // Thawed too: a freeze that timed out may have been carried out late.
        EXPECT_EQ(w.units.calls.last(), QStringLiteral("ThawUnit app-x-1.scope"));
    }
}

TEST(ApplicationActions, WithoutAUnitSignalsOnlyAndEndSendsContinueAfterTerminate) {
    World w;
    w.procs.add(40, 400);
    w.procs.add(41, 410);
    w.procs.endsOnTerm = false;  // a program that takes its time
    ApplicationActions a(w.deps());
    QSignalSpy offered(&a, &ApplicationActions::endNowOffered);
    const Target t = app(QStringLiteral("exe:hog"), {}, {{40, 400}, {41, 410}});
    a.pause(t);
    EXPECT_TRUE(w.units.calls.isEmpty());
    EXPECT_EQ(w.procs.log, (QStringList{QStringLiteral("STOP 40"), QStringLiteral("STOP 41")}));
    w.procs.log.clear();
    a.end(t);
    // A stopped process acts on SIGTERM only once it runs again.
    EXPECT_EQ(w.procs.log, (QStringList{QStringLiteral("TERM 40"), QStringLiteral("CONT 40"), QStringLiteral("TERM 41"),
                                        QStringLiteral("CONT 41")}));
    EXPECT_EQ(a.stateText(t.key), QLatin1String(kEndingState));
    EXPECT_FALSE(a.isPaused(t.key));
    EXPECT_TRUE(parsePaused(w.file()).empty());
    ApplicationActions::Offer o = a.offer(t);
    EXPECT_FALSE(o.end || o.endNow || o.pause) << "nothing more while it is ending";

    // 10 s later one still runs: "End now" is offered.
    ASSERT_EQ(w.clock.timers.size(), 1u);
    EXPECT_EQ(w.clock.timers[0]->interval(), ApplicationActions::kFollowUpMs);
    w.procs.table.erase(41);
    w.clock.timers[0]->fire();
    ASSERT_EQ(offered.count(), 1);
    EXPECT_EQ(a.stateText(t.key), QLatin1String(kStillRunningState));
    o = a.offer(t);
    EXPECT_TRUE(o.endNow);
    w.procs.log.clear();
    a.endNow(t);
    EXPECT_EQ(w.procs.log, QStringList{QStringLiteral("KILL 40")});
    ASSERT_TRUE(w.clock.timers.back()->fire());
    EXPECT_TRUE(a.stateText(t.key).isEmpty()) << "all gone: the row is as before";
    EXPECT_EQ(offered.count(), 1);
}

TEST(ApplicationActions, EndingAUnitKillsItThenLetsItGoAndFallsBackToSignals) {
    World w;
    w.procs.add(40, 400);
    w.procs.endsOnTerm = false;
    ApplicationActions a(w.deps());
    const Target t = app(QStringLiteral("unit:x"), QStringLiteral("app-x-1.scope"), {{40, 400}});
    a.pause(t);
    a.end(t);
    EXPECT_EQ(w.units.calls, (QStringList{QStringLiteral("FreezeUnit app-x-1.scope"),
                                          QStringLiteral("KillUnit app-x-1.scope TERM"),
                                          QStringLiteral("KillUnit app-x-1.scope CONT"),
                                          QStringLiteral("ThawUnit app-x-1.scope")}));
    EXPECT_TRUE(w.procs.log.isEmpty());

    World v;
    v.procs.add(40, 400);
    v.procs.endsOnTerm = false;
    v.units.results[QStringLiteral("KillUnit")] = {UnitOutcome::NoManager, {}};
    ApplicationActions b(v.deps());
    b.end(t);
    EXPECT_EQ(v.procs.log, (QStringList{QStringLiteral("TERM 40"), QStringLiteral("CONT 40")}));
}

TEST(ApplicationActions, ClosingAsksTheApplicationsWindowsOnly) {
    World w;
    w.procs.add(40, 400);
    w.procs.add(41, 410);
    w.windows.windowed = {41, 99};
    ApplicationActions a(w.deps());
    QSignalSpy failed(&a, &ApplicationActions::failed);
    EXPECT_EQ(a.close(app(QStringLiteral("a"), {}, {{40, 400}, {41, 410}})), 1);
    EXPECT_EQ(w.windows.closed, QList<int>{41});
    EXPECT_EQ(a.close(app(QStringLiteral("b"), {}, {{40, 400}})), 0);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed[0][1].toString(), QLatin1String(kNoWindowAsked));
}

// What was done is said once it is done: a pause once the unit froze or
// a process stopped, never for a pause that stopped nothing.
TEST(ApplicationActions, EachActIsSaidWithItsApplicationOnceItIsDone) {
    World w;
    w.procs.add(40, 400);
    w.procs.add(41, 410);
    w.windows.windowed = {41};
    w.units.holdAnswers = true;
    ApplicationActions a(w.deps());
    QSignalSpy acted(&a, &ApplicationActions::acted);
    Target unit = app(QStringLiteral("unit:x"), QStringLiteral("app-x-1.scope"), {{40, 400}});
    unit.growth = 300ll << 20;
    a.pause(unit);
    EXPECT_EQ(acted.count(), 0) << "not before the manager froze it";
    w.units.deliver();
    w.units.holdAnswers = false;
    ASSERT_EQ(acted.count(), 1);
    EXPECT_EQ(acted[0][0].value<Act>(), Act::Paused);
    EXPECT_EQ(acted[0][1].value<Target>().name, QStringLiteral("unit:x"));
    EXPECT_EQ(acted[0][1].value<Target>().growth, 300ll << 20);
    a.resume(unit.key);
    const Target bare = app(QStringLiteral("exe:b"), {}, {{41, 410}});
    a.pause(bare);
    a.close(bare);
    a.end(bare);
    a.close(app(QStringLiteral("none"), {}, {{40, 400}}));  // no window: nothing done
    a.pause(app(QStringLiteral("gone"), {}, {{77, 770}}));  // nothing to stop
    std::vector<std::pair<Act, QString>> got;
    for (const QList<QVariant>& c : acted) got.emplace_back(c[0].value<Act>(), c[1].value<Target>().key);
    EXPECT_EQ(got, (std::vector<std::pair<Act, QString>>{{Act::Paused, "unit:x"},
                                                         {Act::Resumed, "unit:x"},
                                                         {Act::Paused, "exe:b"},
                                                         {Act::Closed, "exe:b"},
                                                         {Act::Ended, "exe:b"}}));
}

TEST(ApplicationActions, ResumedOrEndedWhileTheManagerFreezesItIsThawedWhenTheFreezeLands) {
    World w;
    w.procs.add(40, 400);
    w.units.holdAnswers = true;
    ApplicationActions a(w.deps());
    const Target t = app(QStringLiteral("unit:x"), QStringLiteral("app-x-1.scope"), {{40, 400}});
    a.pause(t);
    a.resume(t.key);
    w.units.deliver();  // the freeze, then the thaw answered
    w.units.deliver();  // the thaw sent when the freeze landed
    EXPECT_EQ(w.units.calls.count(QStringLiteral("ThawUnit app-x-1.scope")), 2);
    EXPECT_FALSE(a.isPaused(t.key));
    EXPECT_TRUE(a.stateText(t.key).isEmpty());
    EXPECT_TRUE(parsePaused(w.file()).empty());
}

TEST(ApplicationActions, EverythingPausedRunsAgainAtTheEndAndLeftoversAtTheNextStart) {
    World w;
    w.procs.add(40, 400);
    w.procs.add(50, 500);
    {
        ApplicationActions a(w.deps());
        a.pause(app(QStringLiteral("unit:x"), QStringLiteral("app-x-1.scope"), {{40, 400}}));
        a.pause(app(QStringLiteral("exe:y"), {}, {{50, 500}}));
        EXPECT_EQ(w.procs.table[50].state, 'T');
        a.resumeAll();
        EXPECT_EQ(w.procs.table[50].state, 'S');
        EXPECT_TRUE(w.units.calls.contains(QStringLiteral("ThawUnit app-x-1.scope")));
        EXPECT_TRUE(parsePaused(w.file()).empty());
    }
    // A run killed while it held a unit and two processes, one of whose
    // PIDs now belongs to another program.
    w.units.calls.clear();
    w.procs.log.clear();
    w.procs.table[50].state = 'T';
    w.procs.add(60, 999);  // PID 60 was paused with start time 600
    w.procs.table[60].state = 'T';
    w.files.replaceFile(w.path(), "unit app-x-1.scope\nprocess 50 500\nprocess 60 600\nprocess 7");
    ApplicationActions next(w.deps());
    next.resumeLeftovers();
    EXPECT_EQ(w.procs.log, QStringList{QStringLiteral("CONT 50")});
    EXPECT_EQ(w.procs.table[60].state, 'T') << "a reused PID is never touched";
    EXPECT_EQ(w.units.calls, QStringList{QStringLiteral("ThawUnit app-x-1.scope")});
    EXPECT_TRUE(parsePaused(w.file()).empty());
}

TEST(ApplicationActions, NothingIsPausedWhenThePausedFileCannotBeWritten) {
    World w;
    w.procs.add(40, 400);
    w.files.failWrites = true;
    ApplicationActions a(w.deps());
    QSignalSpy failed(&a, &ApplicationActions::failed);
    a.pause(app(QStringLiteral("exe:y"), {}, {{40, 400}}));
    EXPECT_TRUE(w.procs.log.isEmpty());
    EXPECT_EQ(w.procs.table[40].state, 'S');
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed[0][1].toString(), QLatin1String(kNotRecorded));
}

TEST(PausedState, RoundTripAndOnlyWholeWellFormedLines) {
    const PausedSet s{{QStringLiteral("app-a-1.scope"), QStringLiteral("app-b@2.service")}, {{12, 34}, {56, 78}}};
    EXPECT_EQ(parsePaused(serialize(s)), s);
    const PausedSet g = parsePaused("unit ../../etc\nunit app-x.scope\nprocess 1 5\nprocess -3 4\nprocess 9 x\n"
                                    "garbage\nprocess 10 11\nprocess 12 1");
    EXPECT_EQ(g, (PausedSet{{QStringLiteral("app-x.scope")}, {{10, 11}}}));
}

// ------------------------------------------------- real processes, real PIDs

// A child that sleeps; the test's own, so not our helper (the program under
// test is someone else here).
pid_t sleeper() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/bin/sleep", "sleep", "1000", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

void reap(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

struct NotTheProgram : LinuxProcessControl {
    int ownPid() override { return -1; }
};

char stateOf(pid_t pid) {
    LinuxProcessControl c;
    const std::optional<ProcessFacts> f = c.facts(pid);
    return f ? f->state : '-';
}

bool waitState(pid_t pid, char state) {
    return QTest::qWaitFor([&] { return stateOf(pid) == state; }, 5000);
}

TEST(LinuxProcessControl, StartTimeChecksKeepSignalsFromAReusedPid) {
    LinuxProcessControl c;
    const pid_t child = sleeper();
    ASSERT_GT(child, 0);
    const std::optional<ProcessFacts> f = c.facts(child);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->parent, ::getpid());
    EXPECT_EQ(f->uid, ::getuid());
    EXPECT_GT(f->startTime, 0u);
    // Another start time is another process behind the same PID.
    EXPECT_EQ(c.signal({child, f->startTime + 1}, ProcessSignal::Stop), SignalOutcome::Gone);
    QTest::qWait(100);
    EXPECT_NE(stateOf(child), 'T');
    EXPECT_EQ(c.signal({child, f->startTime}, ProcessSignal::Stop), SignalOutcome::Sent);
    EXPECT_TRUE(waitState(child, 'T'));
    EXPECT_EQ(c.signal({child, f->startTime}, ProcessSignal::Continue), SignalOutcome::Sent);
    EXPECT_TRUE(waitState(child, 'S'));
    EXPECT_TRUE(stillRunning(c, {child, f->startTime}));
    reap(child);
    EXPECT_EQ(c.signal({child, f->startTime}, ProcessSignal::Terminate), SignalOutcome::Gone);
    EXPECT_FALSE(stillRunning(c, {child, f->startTime}));
    // Another user's process: PID 1 on this machine.
    const std::optional<ProcessFacts> init = c.facts(1);
    if (init && init->uid != ::getuid()) {
        EXPECT_EQ(c.signal({1, init->startTime}, ProcessSignal::Continue), SignalOutcome::Denied);
    }
    // A command name with blanks and parentheses does not shift the fields.
    const std::optional<ProcessFacts> odd =
        LinuxProcessControl::parseStat("77 (a) b (c) S 5 77 66 0 -1 4194304 0 0 0 0 0 0 0 0 20 0 1 0 123456 0 0");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->executable, QByteArray("a) b (c"));
    EXPECT_EQ(odd->parent, 5);
    EXPECT_EQ(odd->session, 66);
    EXPECT_EQ(odd->startTime, 123456u);
    EXPECT_FALSE(LinuxProcessControl::parseStat("77 (a) S 5"));
}

TEST(ApplicationActions, ARealChildIsPausedResumedAndEndedEvenWhileStopped) {
    World w;
    NotTheProgram control;
    ApplicationActions a({control, w.units, w.windows, w.peers, w.files, w.clock, w.path()});
    const pid_t child = sleeper();
    ASSERT_GT(child, 0);
    const Target t = app(QStringLiteral("exe:sleep"), {}, chosenNow(control, {child}));
    ASSERT_EQ(t.processes.size(), 1u);
    a.pause(t);
    EXPECT_TRUE(waitState(child, 'T'));
    a.resume(t.key);
    EXPECT_TRUE(waitState(child, 'S'));
    a.pause(t);
    EXPECT_TRUE(waitState(child, 'T'));
    a.end(t);  // SIGTERM to a stopped process, then SIGCONT: it ends
    int status = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 5000));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    // Nothing is left to follow: the row returns to normal after 10 s.
    ASSERT_FALSE(w.clock.timers.empty());
    w.clock.timers.back()->fire();
    EXPECT_TRUE(a.stateText(t.key).isEmpty());
}

TEST(ApplicationActions, AChoiceOutlivedByItsProcessNeverReachesTheNextOwnerOfThePid) {
    World w;
    NotTheProgram control;
    ApplicationActions a({control, w.units, w.windows, w.peers, w.files, w.clock, w.path()});
    QSignalSpy failed(&a, &ApplicationActions::failed);
    const pid_t child = sleeper();
    const Target t = app(QStringLiteral("exe:sleep"), {}, chosenNow(control, {child}));
    ASSERT_EQ(t.processes.size(), 1u);
    // The PID as if reused: the same number, another start time.
    Target reused = t;
    reused.processes[0].startTime += 7;
    a.pause(reused);
    QTest::qWait(100);
    EXPECT_NE(stateOf(child), 'T');
    EXPECT_FALSE(a.isPaused(t.key));
    ASSERT_EQ(failed.count(), 0) << "an ended application is not offered at all";
    // Ended between the choice and the action.
    reap(child);
    a.end(t);
    a.pause(t);
    EXPECT_FALSE(a.isPaused(t.key));
}

// The writer of the paused file killed at any moment: the next start never
// finds the child stopped without the file naming it, so it runs again.
TEST(ApplicationActions, KilledAtAnyMomentNothingStaysPausedPastTheNextStart) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kPausedFileName));
    LinuxFiles files;
    FakeUserUnits units;
    FakeAppWindows windows;
    FakeDesktopPeers peers;
    FakeClock clock;
    NotTheProgram control;
    const pid_t victim = sleeper();
    ASSERT_GT(victim, 0);
    const Target t = app(QStringLiteral("exe:sleep"), {}, chosenNow(control, {victim}));
    ASSERT_EQ(t.processes.size(), 1u);

    // One pause and resume, timed: the kills fall within two rounds of it.
    QElapsedTimer pair;
    pair.start();
    {
        ApplicationActions a({control, units, windows, peers, files, clock, path});
        a.pause(t);
        ::usleep(2000);
        a.resume(t.key);
    }
    const long span = std::max<long>(2000, 2 * static_cast<long>(pair.nsecsElapsed() / 1000));
    std::mt19937 random(29);
    int sawStopped = 0, sawRunning = 0;
    for (int round = 0; round < 30; ++round) {
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            ApplicationActions a({control, units, windows, peers, files, clock, path});
            for (;;) {
                a.pause(t);
                ::usleep(2000);
                a.resume(t.key);
            }
        }
        ::usleep(static_cast<useconds_t>(static_cast<long>(random() % static_cast<unsigned long>(span))));
        ::kill(writer, SIGKILL);
        ASSERT_EQ(::waitpid(writer, nullptr, 0), writer);
        // Let the kernel settle the stop (it is asynchronous), then look.
        QTest::qWait(20);
        ++(stateOf(victim) == 'T' ? sawStopped : sawRunning);
        ApplicationActions next({control, units, windows, peers, files, clock, path});
        next.resumeLeftovers();
        ASSERT_TRUE(waitState(victim, 'S')) << "round " << round << ": left stopped";
        EXPECT_TRUE(parsePaused(files.readFile(path, 1 << 20).value_or(QByteArray())).empty());
    }
    EXPECT_GT(sawStopped, 0) << "some kills fell while it was paused";
    EXPECT_GT(sawRunning, 0);
    reap(victim);
}

// ----------------------------------------------------------- out of memory

grow::Snapshot snap(std::initializer_list<std::pair<const char*, std::int64_t>> apps) {
    grow::Snapshot s;
    for (const auto& [name, bytes] : apps) {
        grow::AppMemory m;
        m.name = QString::fromLatin1(name);
        m.bytes = bytes;
        m.processes = 1;
        s.apps.insert(QStringLiteral("exe:") + m.name, m);
    }
    return s;
}

struct OomWorld {
    FakeKernelCounters counters;
    FakeNotifier notifier;
    FakeClock clock;
    FakeUserUnits units;
    int scans = 0;
    grow::Snapshot next;
    OomWatch watch{{counters, notifier, clock, units, [this](std::function<void(grow::Snapshot)> done) {
                        ++scans;
                        done(next);
                    }}};
    void seconds(int n, int load, std::optional<int> limit = 95, bool warning = false) {
        for (int i = 0; i < n; ++i) {
            clock.advanceSeconds(1);
            watch.tick(load, limit, warning);
        }
    }
};

TEST(OomWatch, AtRestOnlyTheCounterIsReadEveryTwoSecondsAndNothingIsScanned) {
    OomWorld w;
    w.seconds(60, 50);
    EXPECT_EQ(w.counters.reads, 30);
    EXPECT_EQ(w.scans, 0);
    // Within 10 points of the limit: a scan at most every 10 s.
    w.seconds(60, 85);
    EXPECT_EQ(w.scans, 6);
    // A warning open scans whatever the load; the limit switched off and
    // the load low does not.
    w.seconds(30, 10, 95, true);
    EXPECT_EQ(w.scans, 9);
    w.seconds(OomWatch::kHearSeconds + 10, 90, std::nullopt);
    EXPECT_EQ(w.scans, 9);
    EXPECT_TRUE(w.notifier.sent.empty());
    // The manager's unit results were heard from the first near tick until
    // a minute after the last one, once each way.
    EXPECT_EQ(w.units.calls, (QStringList{QStringLiteral("Subscribe"), QStringLiteral("Unsubscribe")}));
    EXPECT_FALSE(w.units.ended);
}

TEST(OomWatch, NamesTheLargestApplicationThatVanishedSinceTheLastLook) {
    OomWorld w;
    QSignalSpy kills(&w.watch, &OomWatch::oomKill);
    QSignalSpy open(&w.watch, &OomWatch::openRequested);
    QSignalSpy told(&w.watch, &OomWatch::killTold);
    w.next = snap({{"memhog", 512ll << 20}, {"editor", 100ll << 20}, {"small", 1ll << 20}});
    w.seconds(10, 90);
    ASSERT_GE(w.scans, 1);
    // The kernel ends memhog; "small" ended too, by itself.
    w.next = snap({{"editor", 101ll << 20}});
    w.counters.kills = 1;
    w.seconds(2, 90);
    ASSERT_EQ(w.notifier.sent.size(), 1u);
    EXPECT_EQ(w.notifier.sent[0].summary, QStringLiteral("Memory ran out"));
    EXPECT_EQ(w.notifier.sent[0].body, QStringLiteral("memhog was ended to free memory. It held 512.0 MiB."));
    EXPECT_EQ(w.notifier.sent[0].action, QStringLiteral("What grew"));
    EXPECT_EQ(kills.count(), 1);
    ASSERT_EQ(told.count(), 1);
    const auto app = told[0][0].value<std::optional<grow::AppMemory>>();
    ASSERT_TRUE(app.has_value());
    EXPECT_EQ(app->name, QStringLiteral("memhog"));
    EXPECT_EQ(app->bytes, 512ll << 20);
    w.notifier.lastChosen();
    EXPECT_EQ(open.count(), 1);
    // No rise, no notification.
    w.seconds(20, 90);
    EXPECT_EQ(w.notifier.sent.size(), 1u);
}

TEST(OomWatch, WithoutAFreshLookItCannotTellAndSaysSo) {
    OomWorld w;
    QSignalSpy told(&w.watch, &OomWatch::killTold);
    w.seconds(4, 50);
    w.counters.kills = 3;
    w.seconds(2, 50);
    ASSERT_EQ(w.notifier.sent.size(), 1u);
    ASSERT_EQ(told.count(), 1);
    EXPECT_FALSE(told[0][0].value<std::optional<grow::AppMemory>>().has_value());
    EXPECT_EQ(w.notifier.sent[0].body, QStringLiteral("A program was ended to free memory."));
    // A look long ago names nothing either: what vanished since may have
    // been closed by the user.
    w.next = snap({{"memhog", 512ll << 20}});
    w.seconds(10, 90);
    w.next = snap({});
    w.seconds(OomWatch::kFreshSeconds + 5, 10);
    w.counters.kills = 4;
    w.seconds(2, 10);
    ASSERT_EQ(w.notifier.sent.size(), 2u);
    EXPECT_EQ(w.notifier.sent[1].body, QStringLiteral("A program was ended to free memory."));
    // A counter the kernel does not give never notifies.
    w.counters.kills = std::nullopt;
    w.seconds(10, 10);
    EXPECT_EQ(w.notifier.sent.size(), 2u);
}

TEST(OomWatch, AUnitEndedByTheManagerForMemoryIsNamedFromTheLastLook) {
    OomWorld w;
    grow::Snapshot s;
    s.apps.insert(QStringLiteral("unit:org.gnome.Photos"), grow::AppMemory{QStringLiteral("Photos"), 2ll << 30, 4, {}, {}});
    w.next = s;
    w.seconds(10, 90);
    ASSERT_TRUE(w.units.ended) << "heard near the limit";
    w.units.ended(QStringLiteral("app-gnome-org.gnome.Photos-123.scope"), QStringLiteral("success"));
    EXPECT_TRUE(w.notifier.sent.empty());
    w.units.ended(QStringLiteral("app-gnome-org.gnome.Photos-123.scope"), QStringLiteral("oom-kill"));
    ASSERT_EQ(w.notifier.sent.size(), 1u);
    EXPECT_EQ(w.notifier.sent[0].body, QStringLiteral("Photos was ended to free memory. It held 2.0 GiB."));
}

TEST(LinuxKernelCounters, ReadsTheOomKillLine) {
    const char text[] = "nr_free_pages 1\noom_kill_x 9\noom_kill 42\nother 3\n";
    EXPECT_EQ(LinuxKernelCounters::oomKillsIn(text, sizeof text - 1), 42u);
    const char none[] = "nr_free_pages 1\n";
    EXPECT_FALSE(LinuxKernelCounters::oomKillsIn(none, sizeof none - 1));
    LinuxKernelCounters real;
    EXPECT_TRUE(real.oomKills().has_value()) << "this machine's kernel counts its kills";
    LinuxKernelCounters missing("/nonexistent/vmstat");
    EXPECT_FALSE(missing.oomKills());
}

TEST(Target, TheApplicationUnitOfACgroup) {
    EXPECT_EQ(applicationUnit("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                              "app-gnome-org.gnome.gedit-4242.scope\n"),
              QStringLiteral("app-gnome-org.gnome.gedit-4242.scope"));
    EXPECT_EQ(applicationUnit("0::/user.slice/user-1000.slice/session-2.scope\n"), QString());
    EXPECT_EQ(applicationUnit("12:memory:/x\n0::/app.slice/app-a\\x2db@3.service/sub\n"),
              QStringLiteral("app-a\\x2db@3.service"));
    EXPECT_EQ(applicationUnit("0::/app.slice/app-bad name.scope\n"), QString());
}

}  // namespace
}  // namespace ostra::act
