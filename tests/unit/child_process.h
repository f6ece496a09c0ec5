// Helper processes of the tests (servers, buses, stand-in services): they get
// SIGTERM when the test process dies, even by a crash, and end cleanly
// otherwise.
#pragma once

#include <QProcess>
#include <QString>
#include <QTest>

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

// A session bus of the test's own: dbus-daemon in the foreground, so that
// it is our child and ends with us. address() is empty when it did not
// start.
class PrivateBus {
public:
    PrivateBus() {
        endWithThisProcess(daemon_);
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                       QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000)) return;
        if (QTest::qWaitFor([&] { return daemon_.canReadLine(); }, 10000))
            address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() { stopChild(daemon_); }
    QString address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

}  // namespace testing_support
