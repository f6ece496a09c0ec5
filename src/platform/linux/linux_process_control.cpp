#include "platform/linux/linux_process_control.h"

#include "platform/linux/signal_number.h"

#include <QList>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace ostra {

namespace {

// Debian 12's <sys/pidfd.h> declares these without C linkage: the system
// calls themselves.
int openPidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }
int sendPidfd(int pidfd, int sig) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

// A small /proc file whole; empty when it cannot be read.
QByteArray readProc(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    QByteArray out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, static_cast<int>(n));
        if (out.size() > 64 * 1024) break;
    }
    ::close(fd);
    return out;
}

std::optional<std::uint64_t> startTimeOf(int pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    const std::optional<ProcessFacts> f = LinuxProcessControl::parseStat(readProc(path));
    if (!f) return std::nullopt;
    return f->startTime;
}

}  // namespace

std::optional<ProcessFacts> LinuxProcessControl::parseStat(const QByteArray& stat) {
    // "PID (COMM) STATE PPID PGRP SESSION ...": the command name may hold
    // blanks and parentheses, so the fields are counted from its last ')'.
    const int open = stat.indexOf('(');
    const int close = stat.lastIndexOf(')');
    if (open <= 0 || close < open) return std::nullopt;
    const QList<QByteArray> f = stat.mid(close + 2).split(' ');
    // f[0] is field 3 (state); field N is f[N - 3].
    if (f.size() < 20) return std::nullopt;
    bool ok[4] = {};
    ProcessFacts p;
    p.pid = stat.left(open).trimmed().toInt(&ok[0]);
    p.state = f[0].isEmpty() ? '?' : f[0][0];
    p.parent = f[1].toInt(&ok[1]);
    p.session = f[3].toInt(&ok[2]);
    p.startTime = f[19].toULongLong(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3]) return std::nullopt;
    p.executable = stat.mid(open + 1, close - open - 1);
    return p;
}

std::optional<ProcessFacts> LinuxProcessControl::facts(int pid) {
    if (pid <= 0) return std::nullopt;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    std::optional<ProcessFacts> p = parseStat(readProc(path));
    if (!p) return std::nullopt;
    std::snprintf(path, sizeof path, "/proc/%d/status", pid);
    const QByteArray status = readProc(path);
    const int at = status.indexOf("\nUid:");
    if (at < 0) return std::nullopt;
    p->uid = status.mid(at + 5, status.indexOf('\n', at + 5) - at - 5).simplified().split(' ').value(0).toUInt();
    std::snprintf(path, sizeof path, "/proc/%d/exe", pid);
    char target[4096];
    const ssize_t n = ::readlink(path, target, sizeof target - 1);
    if (n > 0) {
        QByteArray exe(target, static_cast<int>(n));
        if (exe.endsWith(" (deleted)")) exe.chop(10);
        p->executable = exe.mid(exe.lastIndexOf('/') + 1);
    }
    return p;
}

SignalOutcome LinuxProcessControl::signal(const ProcessRef& process, ProcessSignal sig) {
    if (process.pid <= 0) return SignalOutcome::Gone;
    // The pidfd first: from here on it names one process, whatever happens
    // to the PID. Then the start time says whether it is the one chosen.
    const int fd = openPidfd(process.pid);
    if (fd < 0 && errno != ENOSYS) return SignalOutcome::Gone;
    const std::optional<std::uint64_t> start = startTimeOf(process.pid);
    if (!start || *start != process.startTime) {
        if (fd >= 0) ::close(fd);
        return SignalOutcome::Gone;
    }
    int rc;
    if (fd >= 0) {
        rc = sendPidfd(fd, signalNumber(sig));
        ::close(fd);
    } else {
        rc = ::kill(process.pid, signalNumber(sig));  // kernels before 5.3 only
    }
    if (rc == 0) return SignalOutcome::Sent;
    return errno == EPERM ? SignalOutcome::Denied : SignalOutcome::Gone;
}

int LinuxProcessControl::ownPid() { return static_cast<int>(::getpid()); }

unsigned LinuxProcessControl::ownUid() { return ::getuid(); }

}  // namespace ostra
