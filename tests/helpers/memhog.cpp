// Test helper: a program that holds a chosen amount of touched memory.
// Takes no arguments (it exits with 2 when given any); set it up through
// the environment:
//   MEMHOG_MIB=N          MiB to allocate and touch (default 0)
//   MEMHOG_CHILD=1        first fork one child that only sleeps
//   MEMHOG_IGNORE_TERM=1  ignore SIGTERM (the child too)
//   MEMHOG_EXIT_AFTER=S   exit after S seconds (default: hold forever)
//   MEMHOG_PIDFILE=path   write "parentpid childpid\n" once the memory is held
//   MEMHOG_MORE_MIB=N     at each SIGUSR1, allocate and touch N MiB more (it
//                         grows as a leaking program does)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile sig_atomic_t growths = 0;

void onGrow(int) { growths = growths + 1; }

long envNumber(const char* name, long def) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : def;
}

// Allocates and touches `mib` MiB, kept for the rest of the run.
char* take(long mib) {
    const std::size_t bytes = static_cast<std::size_t>(mib) << 20;
    char* block = bytes ? static_cast<char*>(std::malloc(bytes)) : nullptr;
    if (bytes && !block) std::exit(1);
    for (std::size_t i = 0; i < bytes; i += 4096) block[i] = 1;
    asm volatile("" : : "r"(block) : "memory");
    return block;
}

// Holds for `seconds` (forever when negative), growing by `moreMib` at
// each SIGUSR1.
void hold(long seconds, long moreMib) {
    if (seconds < 0 && moreMib <= 0) {
        for (;;) pause();
    }
    if (seconds < 0) {
        // SIGUSR1 is blocked but while waiting: none is lost between a look
        // at the count and the wait.
        sigset_t usr1, waiting;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        sigprocmask(SIG_BLOCK, &usr1, &waiting);
        sigdelset(&waiting, SIGUSR1);
        for (;;) {
            while (growths > 0) {
                growths = growths - 1;
                take(moreMib);
            }
            sigsuspend(&waiting);
        }
    }
    sleep(static_cast<unsigned>(seconds));
}

}  // namespace

int main(int argc, char**) {
    if (argc > 1) return 2;
    const long mib = envNumber("MEMHOG_MIB", 0);
    const long exitAfter = envNumber("MEMHOG_EXIT_AFTER", -1);
    if (envNumber("MEMHOG_IGNORE_TERM", 0) == 1) signal(SIGTERM, SIG_IGN);

    pid_t child = 0;
    if (envNumber("MEMHOG_CHILD", 0) == 1) {
        child = fork();
        if (child < 0) return 1;
        if (child == 0) {
            hold(exitAfter, 0);
            _exit(0);
        }
    }

    const long moreMib = envNumber("MEMHOG_MORE_MIB", 0);
    if (moreMib > 0) signal(SIGUSR1, onGrow);
    char* block = take(mib);

    if (const char* pidfile = std::getenv("MEMHOG_PIDFILE"); pidfile && *pidfile) {
        // Written under another name first so that a reader never sees half of it.
        const std::string tmp = std::string(pidfile) + ".tmp";
        FILE* f = std::fopen(tmp.c_str(), "w");
        if (!f) return 1;
        std::fprintf(f, "%d %d\n", static_cast<int>(getpid()), static_cast<int>(child));
        if (std::fclose(f) != 0 || std::rename(tmp.c_str(), pidfile) != 0) return 1;
    }

    hold(exitAfter, moreMib);
    if (child > 0) waitpid(child, nullptr, 0);
    std::free(block);
    return 0;
}
