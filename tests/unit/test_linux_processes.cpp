// Starting, measuring and ending real programs (the memhog helper) through
// LinuxProcesses.
#include "platform/linux/linux_processes.h"
#include "platform/linux/start_environment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

using ostra::ProcessHandle;

namespace {

constexpr std::int64_t kMiB = 1 << 20;

// Sets environment variables for the scope, restoring the old values after.
class EnvGuard {
public:
    explicit EnvGuard(const std::map<QByteArray, QByteArray>& vars) {
        for (const auto& [name, value] : vars) {
            saved_.emplace(name, qEnvironmentVariableIsSet(name.constData())
                                     ? std::optional(qgetenv(name.constData()))
                                     : std::nullopt);
            qputenv(name.constData(), value);
        }
    }
    ~EnvGuard() {
        for (const auto& [name, value] : saved_) {
            if (value) qputenv(name.constData(), *value);
            else qunsetenv(name.constData());
        }
    }

private:
    std::map<QByteArray, std::optional<QByteArray>> saved_;
};

struct ProcStat {
    char state = 0;
    pid_t ppid = 0;
    pid_t pgrp = 0;
    unsigned long long start = 0;
};

std::optional<ProcStat> procStat(pid_t pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray text = f.readAll();
    const auto fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20) return std::nullopt;
    return ProcStat{fields[0].at(0), static_cast<pid_t>(fields[1].toInt()),
                    static_cast<pid_t>(fields[2].toInt()), fields[19].toULongLong()};
}

// Whether a process seen earlier (pid and start time) is still a live
// process; a zombie counts as gone here.
bool alive(pid_t pid, unsigned long long start) {
    const auto s = procStat(pid);
    return s && s->start == start && s->state != 'Z' && s->state != 'X';
}

// Whether the pid still names that very process as one of our children
// (alive or zombie).
bool ourChild(pid_t pid, unsigned long long start) {
    const auto s = procStat(pid);
    return s && s->start == start && s->ppid == getpid();
}

bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

// The "parent child" pids that memhog writes once its memory is held.
std::optional<std::pair<pid_t, pid_t>> waitForPidFile(const QString& path) {
    std::optional<std::pair<pid_t, pid_t>> pids;
    waitUntil([&] {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return false;
        const auto parts = f.readAll().trimmed().split(' ');
        if (parts.size() != 2) return false;
        pids = std::pair(static_cast<pid_t>(parts[0].toInt()), static_cast<pid_t>(parts[1].toInt()));
        return true;
    });
    return pids;
}

// Zombies whose parent is this test process.
int ourZombies() {
    int n = 0;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const pid_t pid = name.toInt(&ok);
        if (!ok) continue;
        const auto s = procStat(pid);
        if (s && s->ppid == getpid() && s->state == 'Z') ++n;
    }
    return n;
}

QString pidFile(const QTemporaryDir& dir, const QString& name) {
    return dir.filePath(name + QStringLiteral(".pids"));
}

}  // namespace

// A program with a child, holding 200 MiB and ignoring SIGTERM: measured as
// a group, then ended at once with both processes gone and nothing left for
// anyone to reap.
TEST(LinuxProcesses, MeasuresAndEndsTheWholeGroup) {
    QTemporaryDir dir;
    ostra::LinuxProcesses procs;
    const QString pids = pidFile(dir, QStringLiteral("group"));
    ProcessHandle h = 0;
    {
        EnvGuard env({{"MEMHOG_MIB", "200"},
                      {"MEMHOG_CHILD", "1"},
                      {"MEMHOG_IGNORE_TERM", "1"},
                      {"MEMHOG_PIDFILE", pids.toLocal8Bit()}});
        h = procs.start(QStringLiteral(OSTRA_MEMHOG));
    }
    ASSERT_GT(h, 0);
    const auto started = waitForPidFile(pids);
    ASSERT_TRUE(started);
    const auto [parent, child] = *started;
    ASSERT_GT(child, 0);
    EXPECT_EQ(procs.processId(h), parent);
    const auto parentStat = procStat(parent);
    const auto childStat = procStat(child);
    ASSERT_TRUE(parentStat && childStat);
    EXPECT_EQ(parentStat->pgrp, parent);  // a group of its own
    EXPECT_EQ(childStat->pgrp, parent);
    EXPECT_EQ(parentStat->ppid, getpid());

    const auto u = procs.usage(h);
    EXPECT_EQ(u.processes, 2);
    EXPECT_GE(u.peakBytes, 200 * kMiB);
    EXPECT_LE(u.peakBytes, 230 * kMiB);
    EXPECT_GE(u.currentBytes, 200 * kMiB);
    EXPECT_LE(u.currentBytes, u.peakBytes);

    // SIGTERM alone would not end it.
    ::kill(-parent, SIGTERM);
    QThread::msleep(100);
    ASSERT_TRUE(alive(parent, parentStat->start));

    EXPECT_TRUE(procs.terminate(h));
    EXPECT_FALSE(procs.terminate(h));  // already ended
    const bool gone = waitUntil([&] {
        return !alive(child, childStat->start) && !ourChild(parent, parentStat->start);
    });
    EXPECT_TRUE(gone);
    if (alive(child, childStat->start)) ::kill(child, SIGKILL);  // leave nothing behind
    EXPECT_FALSE(alive(parent, parentStat->start));
    // The orphaned child belongs to whoever adopted it, not to us.
    EXPECT_FALSE(ourChild(child, childStat->start));
    EXPECT_EQ(ourZombies(), 0);

    // The figures of the last sample stay.
    const auto after = procs.usage(h);
    EXPECT_EQ(after.peakBytes, u.peakBytes);
    EXPECT_EQ(after.processes, 2);
}

// A program that ended by itself is not "terminated": false, and it is only
// reaped; other programs are untouched. Bad handles and paths fail.
// A program followed for a while that then ends by itself (with its
// child): its usage says so, keeps the peak and holds nothing now.
TEST(LinuxProcesses, AProgramThatEndsByItselfIsReportedEnded) {
    QTemporaryDir dir;
    ostra::LinuxProcesses procs;
    const QString pids = pidFile(dir, QStringLiteral("later"));
    ProcessHandle h = 0;
    {
        EnvGuard env({{"MEMHOG_MIB", "16"},
                      {"MEMHOG_CHILD", "1"},
                      {"MEMHOG_EXIT_AFTER", "1"},
                      {"MEMHOG_PIDFILE", pids.toLocal8Bit()}});
        h = procs.start(QStringLiteral(OSTRA_MEMHOG));
    }
    ASSERT_GT(h, 0);
    const auto started = waitForPidFile(pids);
    ASSERT_TRUE(started);
    const auto running = procs.usage(h);
    EXPECT_GE(running.processes, 1);
    EXPECT_FALSE(running.exited);
    ASSERT_TRUE(waitUntil([&] {
        QCoreApplication::processEvents();
        return !procStat(started->first);
    }));
    const auto after = procs.usage(h);
    EXPECT_TRUE(after.exited);
    EXPECT_EQ(after.processes, 0);
    EXPECT_EQ(after.currentBytes, 0);
    EXPECT_GE(after.peakBytes, 16 * 1024 * 1024);
    EXPECT_FALSE(procs.terminate(h));
}

TEST(LinuxProcesses, ReportsFailureForWhatCannotBeEnded) {
    QTemporaryDir dir;
    ostra::LinuxProcesses procs;
    const QString quickPids = pidFile(dir, QStringLiteral("quick"));
    const QString stayPids = pidFile(dir, QStringLiteral("stay"));
    ProcessHandle quick = 0, stay = 0;
    {
        EnvGuard env({{"MEMHOG_MIB", "8"}, {"MEMHOG_PIDFILE", stayPids.toLocal8Bit()}});
        stay = procs.start(QStringLiteral(OSTRA_MEMHOG));
    }
    {
        EnvGuard env({{"MEMHOG_MIB", "8"},
                      {"MEMHOG_EXIT_AFTER", "0"},
                      {"MEMHOG_PIDFILE", quickPids.toLocal8Bit()}});
        quick = procs.start(QStringLiteral(OSTRA_MEMHOG));
    }
    ASSERT_GT(stay, 0);
    ASSERT_GT(quick, 0);
    EXPECT_NE(stay, quick);
    const auto stayStarted = waitForPidFile(stayPids);
    const auto quickStarted = waitForPidFile(quickPids);
    ASSERT_TRUE(stayStarted && quickStarted);
    const pid_t quickPid = quickStarted->first;
    const auto stayStat = procStat(stayStarted->first);
    ASSERT_TRUE(stayStat);

    // Exited by itself: reaped from the event loop, no zombie left; from
    // then on nothing is signalled for it and ending it fails.
    ASSERT_TRUE(waitUntil([&] {
        QCoreApplication::processEvents();
        return !procStat(quickPid);
    }));
    EXPECT_EQ(procs.usage(quick).processes, 0);
    EXPECT_TRUE(procs.usage(quick).exited);
    EXPECT_FALSE(procs.terminate(quick));
    EXPECT_FALSE(procs.terminate(quick));
    EXPECT_TRUE(alive(stayStarted->first, stayStat->start));

    EXPECT_FALSE(procs.terminate(0));
    EXPECT_FALSE(procs.terminate(9999));
    EXPECT_EQ(procs.usage(9999).peakBytes, 0);
    EXPECT_EQ(procs.processId(9999), 0);

    EXPECT_EQ(procs.start(dir.filePath(QStringLiteral("missing"))), 0);
    EXPECT_EQ(procs.start(QString()), 0);
    QFile plain(dir.filePath(QStringLiteral("plain.txt")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("not a program\n");
    plain.close();
    EXPECT_EQ(procs.start(plain.fileName()), 0);
    EXPECT_EQ(procs.start(dir.filePath(QStringLiteral("missing.desktop"))), 0);

    EXPECT_TRUE(alive(stayStarted->first, stayStat->start));
    EXPECT_TRUE(procs.terminate(stay));
    EXPECT_TRUE(waitUntil([&] { return !ourChild(stayStarted->first, stayStat->start); }));
    EXPECT_EQ(ourZombies(), 0);
}

// A desktop entry, reached through a link, starts its Exec program found on
// PATH, without its field codes (memhog refuses any argument), in a group
// of its own; ended and dropped at once, it is reaped by the destructor.
TEST(LinuxProcesses, StartsDesktopEntry) {
    QTemporaryDir dir;
    const QString memhog = QStringLiteral(OSTRA_MEMHOG);
    const QString entry = dir.filePath(QStringLiteral("hog.desktop"));
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Desktop Entry]\nType=Application\nName=Hog %c\nExec=" +
            QFileInfo(memhog).fileName().toUtf8() + " %U %i\n");
    f.close();
    const QString link = dir.filePath(QStringLiteral("hog-link"));
    ASSERT_TRUE(QFile::link(entry, link));
    QFile bad(dir.filePath(QStringLiteral("bad.desktop")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("[Desktop Entry]\nType=Application\nExec=no-such-program-here %f\n");
    bad.close();

    auto procs = std::make_unique<ostra::LinuxProcesses>();
    const QString pids = pidFile(dir, QStringLiteral("entry"));
    ProcessHandle h = 0;
    {
        EnvGuard env({{"PATH", QFileInfo(memhog).absolutePath().toLocal8Bit() + ":" + qgetenv("PATH")},
                      {"MEMHOG_PIDFILE", pids.toLocal8Bit()}});
        EXPECT_EQ(procs->start(bad.fileName()), 0);
        h = procs->start(link);
    }
    ASSERT_GT(h, 0);
    const auto started = waitForPidFile(pids);
    ASSERT_TRUE(started);
    EXPECT_EQ(procs->processId(h), started->first);
    const auto s = procStat(started->first);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->pgrp, started->first);
    EXPECT_EQ(procs->usage(h).processes, 1);
    EXPECT_TRUE(procs->terminate(h));
    // Gone before the event loop could reap it: the destructor does.
    procs.reset();
    EXPECT_FALSE(ourChild(started->first, s->start));
}

// The program under test gets the environment Ostra was started with, not
// the variables Ostra set for itself (a dead bus address, say).
TEST(LinuxProcesses, TheProgramGetsTheEnvironmentOstraWasStartedWith) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("env"));
    const QString script = dir.filePath(QStringLiteral("dump.sh"));
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nenv > '" + out.toUtf8() + ".part' && mv '" + out.toUtf8() + ".part' '" + out.toUtf8() + "'\n");
    f.close();
    ASSERT_TRUE(f.setPermissions(f.permissions() | QFile::ExeOwner));
    qunsetenv("OSTRA_TEST_PROC_UNSET");
    qputenv("OSTRA_TEST_PROC_GIVEN", "as given");
    ostra::setOwnVariable("OSTRA_TEST_PROC_UNSET", "unix:path=/nonexistent/bus");
    ostra::setOwnVariable("OSTRA_TEST_PROC_GIVEN", "changed");
    ASSERT_EQ(qgetenv("OSTRA_TEST_PROC_GIVEN"), "changed");

    ostra::LinuxProcesses procs;
    const ProcessHandle h = procs.start(script);
    ASSERT_GT(h, 0);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(out); }));
    QFile env(out);
    ASSERT_TRUE(env.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = env.readAll().split('\n');
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](const QByteArray& l) { return l.startsWith("OSTRA_TEST_PROC_UNSET="); }));
    EXPECT_TRUE(lines.contains("OSTRA_TEST_PROC_GIVEN=as given"));
    EXPECT_TRUE(lines.contains("PATH=" + qgetenv("PATH")));
    procs.terminate(h);
}

// The peak agrees with the kernel's maximum resident set size that
// /usr/bin/time reports for the same program run alone.
TEST(LinuxProcesses, PeakMatchesTimeReport) {
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/time"))) GTEST_SKIP() << "no /usr/bin/time";
    QTemporaryDir dir;
    ostra::LinuxProcesses procs;
    for (const char* mib : {"200", "800"}) {
        SCOPED_TRACE(mib);
        QProcess timed;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MEMHOG_MIB"), QString::fromLatin1(mib));
        env.insert(QStringLiteral("MEMHOG_EXIT_AFTER"), QStringLiteral("0"));
        timed.setProcessEnvironment(env);
        timed.start(QStringLiteral("/usr/bin/time"), {QStringLiteral("-v"), QStringLiteral(OSTRA_MEMHOG)});
        ASSERT_TRUE(timed.waitForFinished(60000));
        ASSERT_EQ(timed.exitCode(), 0);
        const auto m = QRegularExpression(QStringLiteral("Maximum resident set size \\(kbytes\\): (\\d+)"))
                           .match(QString::fromLocal8Bit(timed.readAllStandardError()));
        ASSERT_TRUE(m.hasMatch());
        const double reference = m.captured(1).toDouble() * 1024;

        const QString pids = pidFile(dir, QString::fromLatin1(mib));
        ProcessHandle h = 0;
        {
            EnvGuard guard({{"MEMHOG_MIB", mib}, {"MEMHOG_PIDFILE", pids.toLocal8Bit()}});
            h = procs.start(QStringLiteral(OSTRA_MEMHOG));
        }
        ASSERT_GT(h, 0);
        ASSERT_TRUE(waitForPidFile(pids));
        const double peak = static_cast<double>(procs.usage(h).peakBytes);
        EXPECT_NEAR(peak, reference, reference * 0.05) << "time -v: " << reference;
        EXPECT_GE(peak, std::atof(mib) * kMiB);
        EXPECT_TRUE(procs.terminate(h));
    }
}
