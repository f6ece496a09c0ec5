// Asks for the forced log-off once and prints what happened:
//   pid=<our pid> result=<0|1> ms=<time the call took>
// A process of its own, because a process reads the system bus address only
// once, at its first use of D-Bus: each test run chooses its bus through
// DBUS_SYSTEM_BUS_ADDRESS.
#include "platform/linux/linux_session.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ostra::LinuxSession session;
    QElapsedTimer clock;
    clock.start();
    const bool ok = session.forceLogOff();
    std::printf("pid=%d result=%d ms=%lld\n", static_cast<int>(::getpid()), ok ? 1 : 0,
                static_cast<long long>(clock.elapsed()));
    return 0;
}
