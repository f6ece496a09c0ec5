// The tray icon's two pictures taking turns: one step every
// kTrayFrameInterval while running, on the thread that made it.
#pragma once

#include "tray/tray_backend.h"

#include <QTimer>

#include <functional>

namespace ostra {

class TrayAnimation {
public:
    // `step(frame)` runs after each change of the picture, with the new one.
    explicit TrayAnimation(std::function<void(int)> step) : step_(std::move(step)) {
        timer_.setInterval(kTrayFrameInterval);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            frame_ = 1 - frame_;
            step_(frame_);
        });
    }

    void setRunning(bool on) {
        if (on && !timer_.isActive()) timer_.start();
        if (!on) timer_.stop();
    }
    bool running() const { return timer_.isActive(); }
    int frame() const { return frame_; }

private:
    std::function<void(int)> step_;
    QTimer timer_;
    int frame_ = 0;
};

}  // namespace ostra
