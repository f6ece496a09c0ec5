// The rest timer: a stopwatch that takes its count from the wall clock.
// A 250 ms poll adds the seconds since the last counted moment, so late or
// missed polls lose nothing, and raises a minute event each time the wall
// clock enters a new minute while it runs.
#pragma once

#include "platform/platform.h"

#include <functional>
#include <memory>

namespace ostra {

class RestTimer {
public:
    explicit RestTimer(Platform& platform);

    void start();
    void stop();
    void reset();
    bool running() const { return running_; }
    qint64 elapsedSeconds() const { return elapsed_; }
    // The count as a time of day, modulo 24 hours.
    LocalTime elapsedTime() const;
    // "HH:NN:SS" of elapsedTime().
    QString elapsedText() const;

    // One poll; the timer calls it every 250 ms while running.
    void poll();

    std::function<void()> onMinuteChange;
    std::function<void()> onDisplayChanged;

private:
    void redraw();

    Platform& platform_;
    std::unique_ptr<Timer> poll_;
    qint64 elapsed_ = 0;
    LocalTime reference_;
    bool running_ = false;
};

QString formatHms(const LocalTime& t);

}  // namespace ostra
