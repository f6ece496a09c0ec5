// What the windows need of the windowing system beyond Qt's own.
#pragma once

#include <QSize>

class QWidget;

namespace ostra {

class WindowServices {
public:
    virtual ~WindowServices() = default;
    virtual QSize screenSize() = 0;
    // Marks a top-level window so the task bar does not list it.
    virtual void skipTaskbar(QWidget* window) = 0;
    // Takes every window of the program off the screen; the main window
    // keeps its logical visibility so the monitor keeps sampling.
    virtual void minimizeApplication() = 0;
    virtual void restoreApplication() = 0;
    virtual bool isApplicationMinimized() = 0;
};

}  // namespace ostra
