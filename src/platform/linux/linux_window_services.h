// Window services on X11 (or XWayland): tool windows, the primary screen,
// and taking every window of the program off the screen.
#pragma once

#include "platform/window_services.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace ostra {

class LinuxWindowServices : public WindowServices {
public:
    QSize screenSize() override;
    void skipTaskbar(QWidget* window) override;
    void minimizeApplication() override;
    void restoreApplication() override;
    bool isApplicationMinimized() override { return minimized_; }

private:
    bool minimized_ = false;
    QList<QPointer<QWidget>> hidden_;
};

}  // namespace ostra
