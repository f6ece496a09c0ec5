#include "platform/linux/linux_process_memory.h"

#include "platform/linux/linux_process_control.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostra {

namespace {

enum class Read { Ok, Gone, Refused };

// Reads at most `limit` bytes of the file `name` of a process folder into
// `out`. Opening it may fail because the process has ended (Gone) or is
// not ours to read (Refused); a read error on an open file counts as
// refused too (the kernel answers EACCES there for other users' smaps).
Read readProcFile(int folder, const char* name, qint64 limit, QByteArray& out) {
    out.clear();
    const int fd = ::openat(folder, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return (errno == ENOENT || errno == ESRCH) ? Read::Gone : Read::Refused;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Read::Refused;
    }
    char buffer[4096];
    Read result = Read::Ok;
    while (out.size() < limit) {
        const ssize_t got =
            ::read(fd, buffer, size_t(std::min<qint64>(qint64(sizeof buffer), limit - out.size())));
        if (got < 0) {
            if (errno == EINTR) continue;
            result = (errno == ESRCH || errno == ENOENT) ? Read::Gone : Read::Refused;
            break;
        }
        if (got == 0) break;
        out.append(buffer, qsizetype(got));
    }
    ::close(fd);
    return result;
}

// The kB figure of the line that begins with `key` (e.g. "Pss:"), or -1.
std::int64_t kilobytes(const QByteArray& text, const char* key) {
    const qsizetype keyLength = qsizetype(std::strlen(key));
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0) end = text.size();
        if (end - at > keyLength && std::memcmp(text.constData() + at, key, size_t(keyLength)) == 0) {
            const QByteArray number = text.mid(at + keyLength, end - at - keyLength).trimmed();
            const qsizetype space = number.indexOf(' ');
            bool ok = false;
            const qint64 v = (space < 0 ? number : number.left(space)).toLongLong(&ok);
            return ok && v >= 0 ? v : -1;
        }
        at = end + 1;
    }
    return -1;
}

}  // namespace

LinuxProcessMemory::LinuxProcessMemory(QString procRoot) : proc_(std::move(procRoot)) {}

namespace {

// Reads one process (`name`, its folder's name under `proc`) into `result`.
void readProcess(int proc, const char* name, long pid, ProcessScan& result, QByteArray& text) {
    // One lookup of the process's folder; its files are opened from it.
    const int folder = ::openat(proc, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;  // ended
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{folder};
    // Its memory first: a kernel thread has none and is no application.
    const Read memory = readProcFile(folder, "smaps_rollup", 4096, text);
    if (memory == Read::Gone) return;
    if (memory == Read::Refused) {
        ++result.unreadable;
        return;
    }
    const std::int64_t pss = kilobytes(text, "Pss:");
    if (pss < 0) return;  // no address space: a kernel thread, or a zombie
    const std::int64_t swapPss = std::max<std::int64_t>(kilobytes(text, "SwapPss:"), 0);
    ProcessRecord record;
    record.pid = int(pid);
    record.bytes = (pss + swapPss) * 1024;
    if (readProcFile(folder, "cgroup", LinuxProcessMemory::kMaxCgroupBytes, text) == Read::Gone) return;
    record.cgroup = text;
    // Its start time, read through the same folder and so of the same
    // process: an action later reaches this process or none. The command
    // name is on the same line.
    const Read stat = readProcFile(folder, "stat", 4096, text);
    if (stat == Read::Gone) return;
    const std::optional<ProcessFacts> facts =
        stat == Read::Ok ? LinuxProcessControl::parseStat(text) : std::nullopt;
    if (facts) record.startTime = facts->startTime;
    char link[4096];
    const ssize_t n = ::readlinkat(folder, "exe", link, sizeof link - 1);
    // An in-memory file (memfd_create) has a made-up name: it counts as none.
    if (n > 0 && !QByteArrayView(link, qsizetype(n)).startsWith("/memfd:")) {
        QByteArray target(link, qsizetype(n));
        if (target.endsWith(" (deleted)")) target.chop(10);
        record.executable = target.mid(target.lastIndexOf('/') + 1);
        // An interpreter's arguments name the script it runs.
        if (isInterpreter(record.executable)) {
            if (readProcFile(folder, "cmdline", LinuxProcessMemory::kMaxCommandLineBytes, text) == Read::Gone)
                return;
            record.commandLine = text;
        }
    } else {
        // The command name only where there is no executable to name it.
        if (facts) {
            record.command = facts->executable;
        } else {
            if (readProcFile(folder, "comm", 256, text) == Read::Gone) return;
            record.command = text.endsWith('\n') ? text.chopped(1) : text;
        }
    }
    result.processes.push_back(std::move(record));
}

}  // namespace

ProcessScan LinuxProcessMemory::scan() {
    ProcessScan result;
    DIR* dir = ::opendir(QFile::encodeName(proc_).constData());
    if (!dir) return result;
    std::vector<long> pids;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (end && !*end && pid > 0) pids.push_back(pid);
    }
    // Most of the time is the kernel's walk of each process's page tables
    // for smaps_rollup, under that process's own lock: walks of different
    // processes run side by side, one per core (a few at most). The
    // workers yield to the rest of the desktop and to our own window.
    const int workers = std::min<int>(std::clamp<int>(int(std::thread::hardware_concurrency()), 1, kMaxWorkers),
                                      std::max<int>(1, int(pids.size())));
    std::vector<ProcessScan> parts(static_cast<std::size_t>(workers));
    std::atomic<std::size_t> next{0};
    const int folder = ::dirfd(dir);
    const auto work = [&](ProcessScan& part) {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
        QByteArray text;
        char name[24];
        for (;;) {
            // A few processes at a time keep the workers apart in memory
            // and even at the end.
            const std::size_t from = next.fetch_add(kBatch);
            if (from >= pids.size()) break;
            const std::size_t to = std::min(pids.size(), from + kBatch);
            for (std::size_t i = from; i < to; ++i) {
                std::snprintf(name, sizeof name, "%ld", pids[i]);
                readProcess(folder, name, pids[i], part, text);
            }
        }
    };
    {
        std::vector<std::jthread> threads;
        threads.reserve(parts.size());
        for (ProcessScan& part : parts) threads.emplace_back(work, std::ref(part));
    }
    ::closedir(dir);
    for (ProcessScan& part : parts) {
        result.unreadable += part.unreadable;
        std::move(part.processes.begin(), part.processes.end(), std::back_inserter(result.processes));
    }
    std::sort(result.processes.begin(), result.processes.end(),
              [](const ProcessRecord& x, const ProcessRecord& y) { return x.pid < y.pid; });
    return result;
}

}  // namespace ostra
