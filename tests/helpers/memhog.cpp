// Test helper: a program that holds a chosen amount of touched memory.
// Takes no arguments (it exits with 2 when given any); set it up through
// the environment:
//   MEMHOG_MIB=N          MiB to allocate and touch (default 0)
//   MEMHOG_CHILD=1        first fork one child that only sleeps
//   MEMHOG_IGNORE_TERM=1  ignore SIGTERM (the child too)
//   MEMHOG_EXIT_AFTER=S   exit after S seconds (default: hold forever)
//   MEMHOG_PIDFILE=path   write "parentpid childpid\n" once the memory is held
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

long envNumber(const char* name, long def) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : def;
}

void hold(long seconds) {
    if (seconds < 0) {
        for (;;) pause();
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
            hold(exitAfter);
            _exit(0);
        }
    }

    const std::size_t bytes = static_cast<std::size_t>(mib) << 20;
    char* block = bytes ? static_cast<char*>(std::malloc(bytes)) : nullptr;
    if (bytes && !block) return 1;
    for (std::size_t i = 0; i < bytes; i += 4096) block[i] = 1;
    asm volatile("" : : "r"(block) : "memory");

    if (const char* pidfile = std::getenv("MEMHOG_PIDFILE"); pidfile && *pidfile) {
        // Written under another name first so that a reader never sees half of it.
        const std::string tmp = std::string(pidfile) + ".tmp";
        FILE* f = std::fopen(tmp.c_str(), "w");
        if (!f) return 1;
        std::fprintf(f, "%d %d\n", static_cast<int>(getpid()), static_cast<int>(child));
        if (std::fclose(f) != 0 || std::rename(tmp.c_str(), pidfile) != 0) return 1;
    }

    hold(exitAfter);
    if (child > 0) waitpid(child, nullptr, 0);
    std::free(block);
    return 0;
}
