// Helper processes of the tests (servers, buses, stand-in services): they get
// SIGTERM when the test process dies, even by a crash, and end cleanly
// otherwise.
#pragma once

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

namespace testing_support {

inline void endWithThisProcess(QProcess& p) {
    p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

inline void stopChild(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

}  // namespace testing_support
