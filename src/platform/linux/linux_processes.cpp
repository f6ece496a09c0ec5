#include <glib.h>

#include "platform/linux/linux_processes.h"
#include "platform/linux/start_environment.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSocketNotifier>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace ostra {

namespace {

// Debian 12's <sys/pidfd.h> declares these without C linkage: call the
// kernel directly.
int openPidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }
int killPidfd(int pidfd, int sig) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

// ---- /proc -------------------------------------------------------------

// Reads a small /proc file whole (up to cap bytes).
std::size_t readSmall(const char* path, char* buf, std::size_t cap) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t len = 0;
    while (len < cap) {
        const ssize_t n = ::read(fd, buf + len, cap - len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        len += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return len;
}

struct StatFields {
    char state = 0;
    long long pgrp = 0;
    unsigned long long startTime = 0;
};

// Fields 3 (state), 5 (process group) and 22 (start time) of /proc/PID/stat.
// The command name in field 2 may hold blanks and parentheses: the fields
// are counted from its last ')'.
std::optional<StatFields> parseStat(std::string_view text) {
    const std::size_t close = text.rfind(')');
    if (close == std::string_view::npos) return std::nullopt;
    text.remove_prefix(close + 1);
    StatFields f;
    int field = 2;
    bool gotStart = false;
    while (!text.empty() && !gotStart) {
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        std::size_t end = text.find(' ');
        if (end == std::string_view::npos) end = text.size();
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end);
        if (word.empty()) break;
        ++field;
        if (field == 3) {
            f.state = word.front();
        } else if (field == 5) {
            if (std::from_chars(word.data(), word.data() + word.size(), f.pgrp).ec != std::errc())
                return std::nullopt;
        } else if (field == 22) {
            if (std::from_chars(word.data(), word.data() + word.size(), f.startTime).ec != std::errc())
                return std::nullopt;
            gotStart = true;
        }
    }
    if (!gotStart) return std::nullopt;
    return f;
}

// The value of a "Key:   123 kB" line of /proc/PID/status, in bytes; -1 if absent.
std::int64_t statusBytes(std::string_view text, std::string_view key) {
    std::size_t at = 0;
    while ((at = text.find(key, at)) != std::string_view::npos) {
        if (at == 0 || text[at - 1] == '\n') {
            std::string_view rest = text.substr(at + key.size());
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
            std::int64_t kb = 0;
            if (std::from_chars(rest.data(), rest.data() + rest.size(), kb).ec != std::errc()) return -1;
            return kb * 1024;
        }
        at += key.size();
    }
    return -1;
}

// ---- spawning -----------------------------------------------------------

// Spawns `program` with `args` as the leader of a new process group; -1 on failure.
pid_t spawnLeader(const QByteArray& program, const QList<QByteArray>& args) {
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return -1;
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attr);
        return -1;
    }
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    // Only standard input, output and error reach the program.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    std::vector<char*> argv;
    for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    // The environment Ostra was started with, not the one it set for itself.
    const std::vector<QByteArray> env = startEnvironmentEntries();
    std::vector<char*> envp;
    for (const QByteArray& e : env) envp.push_back(const_cast<char*>(e.constData()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.constData(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

struct GFreeDeleter {
    void operator()(gchar* p) const { g_free(p); }
};
struct StrvDeleter {
    void operator()(gchar** p) const { g_strfreev(p); }
};
struct KeyFileDeleter {
    void operator()(GKeyFile* p) const { g_key_file_free(p); }
};

// One Exec argument with its field codes dropped ("%%" is a percent sign).
// An argument that is nothing but a field code disappears.
std::optional<QByteArray> withoutFieldCodes(const QByteArray& arg) {
    if (arg.size() == 2 && arg[0] == '%' && arg[1] != '%') return std::nullopt;
    QByteArray out;
    for (qsizetype i = 0; i < arg.size(); ++i) {
        if (arg[i] == '%' && i + 1 < arg.size()) {
            if (arg[i + 1] == '%') out += '%';
            ++i;
            continue;
        }
        out += arg[i];
    }
    return out;
}

// The program and arguments of a desktop entry's Exec line, the program
// found on PATH; empty when there is none.
QList<QByteArray> desktopCommand(const QString& file) {
    std::unique_ptr<GKeyFile, KeyFileDeleter> keys(g_key_file_new());
    if (!g_key_file_load_from_file(keys.get(), QFile::encodeName(file).constData(), G_KEY_FILE_NONE, nullptr))
        return {};
    std::unique_ptr<gchar, GFreeDeleter> exec(
        g_key_file_get_string(keys.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr));
    if (!exec) return {};
    gchar** parsed = nullptr;
    if (!g_shell_parse_argv(exec.get(), nullptr, &parsed, nullptr)) return {};
    std::unique_ptr<gchar*, StrvDeleter> words(parsed);
    QList<QByteArray> args;
    for (gchar** w = words.get(); *w; ++w) {
        if (auto arg = withoutFieldCodes(QByteArray(*w))) args.push_back(*arg);
    }
    if (args.isEmpty() || args.front().isEmpty()) return {};
    std::unique_ptr<gchar, GFreeDeleter> found(g_find_program_in_path(args.front().constData()));
    if (!found) return {};
    args.front() = QByteArray(found.get());
    return args;
}

// ---- process state ------------------------------------------------------

enum class Leader { Running, Exited, Lost };

// The state of our child behind `pidfd`, without reaping it. Lost: it is no
// child of ours any more (reaped elsewhere), so its pid may name anyone now.
Leader leaderState(int pidfd) {
    siginfo_t info{};
    if (::waitid(P_PIDFD, static_cast<id_t>(pidfd), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return Leader::Lost;
    return info.si_pid != 0 ? Leader::Exited : Leader::Running;
}

}  // namespace

LinuxProcesses::LinuxProcesses() = default;

LinuxProcesses::~LinuxProcesses() {
    using Clock = std::chrono::steady_clock;
    // Killed programs whose exit the event loop has not seen yet get a short
    // common grace to finish dying; SIGKILL takes effect almost at once.
    const auto deadline = Clock::now() + std::chrono::milliseconds(500);
    for (auto& [handle, p] : programs_) {
        p->reaper.reset();
        if (p->pidfd < 0) continue;
        if (p->ended) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd pfd{p->pidfd, POLLIN, 0};
            if (left.count() > 0) ::poll(&pfd, 1, static_cast<int>(left.count()));
        }
        // A program never ended here keeps running; one that exited by
        // itself (or was killed) is reaped.
        if (!reap(*p)) {
            ::close(p->pidfd);
            p->pidfd = -1;
        }
    }
}

ProcessHandle LinuxProcesses::start(const QString& path) {
    if (path.isEmpty()) return 0;
    QList<QByteArray> args;
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.endsWith(QLatin1String(".desktop"))) {
        args = desktopCommand(target);
        if (args.isEmpty()) return 0;
    } else {
        args.push_back(QFile::encodeName(path));
    }
    const pid_t pid = spawnLeader(args.front(), args);
    if (pid <= 0) return 0;
    const int pidfd = openPidfd(pid);
    if (pidfd < 0) {
        // Without a pidfd it cannot be watched: undo the start. The child
        // is unreaped, so its pid is still exactly this process.
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return 0;
    }
    auto p = std::make_unique<Program>();
    p->pid = pid;
    p->pidfd = pidfd;
    const ProcessHandle handle = next_++;
    Program& program = *p;
    programs_.emplace(handle, std::move(p));
    // A program that ends by itself is reaped as soon as the event loop sees
    // it: no zombie is left, and from then on nothing is signalled for it.
    watchExit(handle, program);
    return handle;
}

bool LinuxProcesses::terminate(ProcessHandle handle) {
    const auto it = programs_.find(handle);
    if (it == programs_.end()) return false;
    Program& p = *it->second;
    if (p.ended || p.pidfd < 0) return false;
    p.ended = true;
    const Leader state = leaderState(p.pidfd);
    if (state == Leader::Lost) {
        p.reaper.reset();
        ::close(p.pidfd);
        p.pidfd = -1;
        return false;
    }
    sample(p);
    // The group id is the pid of our unreaped leader, so it cannot belong
    // to anyone else: whatever is left of the group is the program's.
    ::kill(-p.pid, SIGKILL);
    if (state == Leader::Exited) {
        p.reaper.reset();
        reap(p);
        return false;
    }
    killPidfd(p.pidfd, SIGKILL);
    return true;
}

ProcessUsage LinuxProcesses::usage(ProcessHandle handle) {
    const auto it = programs_.find(handle);
    if (it == programs_.end()) return {};
    Program& p = *it->second;
    if (p.ended || p.pidfd < 0) return p.last;
    if (leaderState(p.pidfd) == Leader::Lost) {
        // Reaped behind our back: its group id may be anyone's now.
        p.reaper.reset();
        ::close(p.pidfd);
        p.pidfd = -1;
        endedByItself(p);
        return p.last;
    }
    sample(p);
    return p.last;
}

pid_t LinuxProcesses::processId(ProcessHandle handle) const {
    const auto it = programs_.find(handle);
    return it == programs_.end() ? 0 : it->second->pid;
}

void LinuxProcesses::sample(Program& p) {
    DIR* dir = ::opendir("/proc");
    if (!dir) return;
    ProcessUsage now;
    char path[300];
    char buf[4096];
    while (const dirent* e = ::readdir(dir)) {
        const char* name = e->d_name;
        if (*name < '1' || *name > '9') continue;
        std::snprintf(path, sizeof path, "/proc/%s/stat", name);
        const std::size_t n = readSmall(path, buf, sizeof buf);
        const auto stat = parseStat(std::string_view(buf, n));
        if (!stat || stat->pgrp != p.pid || stat->state == 'Z' || stat->state == 'X') continue;
        std::snprintf(path, sizeof path, "/proc/%s/status", name);
        const std::string_view status(buf, readSmall(path, buf, sizeof buf));
        const std::int64_t hwm = statusBytes(status, "VmHWM:");
        const std::int64_t rss = statusBytes(status, "VmRSS:");
        if (hwm < 0 || rss < 0) continue;  // exited meanwhile
        pid_t pid = 0;
        std::from_chars(name, name + std::strlen(name), pid);
        std::int64_t& peak = p.peaks[{pid, stat->startTime}];
        peak = std::max(peak, hwm);
        now.currentBytes += rss;
        ++now.processes;
    }
    ::closedir(dir);
    for (const auto& [key, peak] : p.peaks) now.peakBytes += peak;
    p.last = now;
}

void LinuxProcesses::watchExit(ProcessHandle handle, Program& p) {
    p.reaper = std::make_unique<QSocketNotifier>(p.pidfd, QSocketNotifier::Read);
    QObject::connect(p.reaper.get(), &QSocketNotifier::activated, p.reaper.get(), [this, handle] {
        const auto it = programs_.find(handle);
        if (it == programs_.end()) return;
        Program& q = *it->second;
        q.reaper->setEnabled(false);
        if (reap(q)) {
            if (!q.ended) endedByItself(q);
            // This runs inside the notifier's own signal.
            q.reaper.release()->deleteLater();
        } else {
            q.reaper->setEnabled(true);
        }
    });
}

void LinuxProcesses::endedByItself(Program& p) {
    // Its group is no longer followed: nothing of it is counted as held now.
    p.last.currentBytes = 0;
    p.last.processes = 0;
    p.last.exited = true;
}

bool LinuxProcesses::reap(Program& p) {
    if (p.pidfd < 0) return true;
    siginfo_t info{};
    if (::waitid(P_PIDFD, static_cast<id_t>(p.pidfd), &info, WEXITED | WNOHANG) == 0 && info.si_pid == 0)
        return false;  // still running
    ::close(p.pidfd);
    p.pidfd = -1;
    return true;
}

}  // namespace ostra
