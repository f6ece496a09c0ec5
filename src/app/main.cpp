// Ostra: one running copy, five windows, and the once-a-second monitor.

#include "app/data_folder.h"
#include "app/ostra_app.h"
#include "platform/instance_guard.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/start_environment.h"
#include "ui/accessibility.h"
#include "ui/artwork.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int sig) {
    char c = static_cast<char>(sig);
    // Only async-signal-safe calls here.
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
}

void installSessionEndSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

QString executableName(const char* argv0) {
    QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (exe.isEmpty()) exe = QString::fromLocal8Bit(argv0);
    return QFileInfo(exe).fileName();
}

// Qt is started without the command line (which the program does not read):
// only the program name, so Qt's own options (-platform, -style, -reverse,
// ...) have no effect. Qt keeps references to both for its lifetime.
int qtArgc = 1;
char* qtArgv[] = {nullptr, nullptr};

}  // namespace

int main(int, char** argv) {
    // Before anything else: the one-copy guard, named after the executable.
    static char fallbackName[] = "ostra";
    qtArgv[0] = argv[0] ? argv[0] : fallbackName;
    ostra::InstanceGuard guard(executableName(qtArgv[0]));
    if (!guard.acquire()) {
        // A second copy: ask the running one to show itself and end, with no
        // window, no sound and no file touched.
        QCoreApplication core(qtArgc, qtArgv);
        guard.askRunningCopyToShow();
        return 0;
    }
    installSessionEndSignals();

    // On a Wayland session the window's place, shape and docking need X11:
    // run through XWayland unless a platform was chosen.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        ostra::setOwnVariable("QT_QPA_PLATFORM", "xcb");

    // Without a session bus, the first D-Bus use would start one through
    // autolaunch that outlives the program: use the user's bus socket where
    // there is one, and none otherwise. For this process only: the programs
    // it starts get the environment it was started with.
    if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
        const QString bus = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR")) + QStringLiteral("/bus");
        if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") && QFileInfo(bus).exists())
            ostra::setOwnVariable("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(bus));
        else
            ostra::setOwnVariable("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ostra-no-session-bus");
    }

    // The controls that get a window of their own (the stopwatch) must not
    // take their neighbours along.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    ostra::ui::installToolTipStyle(app);
    ostra::ui::installAccessibility();
    QApplication::setWindowIcon(ostra::ui::programIcon());

    // The folder of the executable, or the user's own data folder when the
    // program is installed where the user cannot write.
    const QString folder =
        ostra::DataFolder::choose(QCoreApplication::applicationDirPath(), ostra::DataFolder::userDataHome());
    ostra::LinuxBackend backend;
    ostra::OstraApp ostraApp(backend.services(), folder);

    QObject::connect(&guard, &ostra::InstanceGuard::showRequested, &ostraApp, &ostra::OstraApp::showRequested);
    guard.listen();

    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &ostraApp, [&] {
        char c;
        [[maybe_unused]] ssize_t n = ::read(signalPipe[0], &c, 1);
        ostraApp.shutdown();
    });
    // The session manager's end of the session, like a signal.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &ostraApp,
                     [&](QSessionManager&) { ostraApp.shutdown(); });

    QTimer::singleShot(0, &ostraApp, &ostra::OstraApp::start);
    return app.exec();
}
