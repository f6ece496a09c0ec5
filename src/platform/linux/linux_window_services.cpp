#include "platform/linux/linux_window_services.h"

#include <QApplication>
#include <QScreen>

namespace ostra {

QSize LinuxWindowServices::screenSize() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
}

void LinuxWindowServices::skipTaskbar(QWidget* window) {
    // A tool window is left out of the task bar by window managers
    // (_NET_WM_WINDOW_TYPE_UTILITY and _NET_WM_STATE_SKIP_TASKBAR on X11).
    window->setWindowFlag(Qt::Tool, true);
}

void LinuxWindowServices::minimizeApplication() {
    // Every window of the program leaves the screen. The main window keeps
    // its own "shown" flag meanwhile, so the monitor goes on sampling.
    if (minimized_) return;
    minimized_ = true;
    hidden_.clear();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        // The notification-area icon stays: on an XEmbed tray it is a
        // top-level window of the program's own, and while minimized it is
        // the way back.
        if (w->inherits("QSystemTrayIconSys")) continue;
        if (w->isVisible() && !w->isModal()) {
            hidden_.append(QPointer<QWidget>(w));
            w->hide();
        }
    }
}

void LinuxWindowServices::restoreApplication() {
    if (!minimized_) return;
    const auto windows = hidden_;
    hidden_.clear();
    for (const QPointer<QWidget>& w : windows)
        if (w) w->show();
    minimized_ = false;
}

}  // namespace ostra
