// Test helper: a real X client with one top-level window, as any Qt
// program has (_NET_WM_PID, WM_DELETE_WINDOW in WM_PROTOCOLS). It prints
// "shown" once the window is on the screen and exits with 0 when the
// window is asked to close.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("x-window test helper"));
    w.resize(200, 100);
    w.show();
    QTimer::singleShot(0, [] {
        std::puts("shown");
        std::fflush(stdout);
    });
    return app.exec();
}
