// The rest timer: a stopwatch that takes its count from the wall clock.
// Each poll adds the seconds since the last counted moment, so late or
// missed polls lose nothing, and announces a new wall-clock minute. While it
// runs, a wall-clock timer polls just after each new second, whatever the
// main window and the monitor do (the monitor's tick, which polls first,
// shares that wake-up).
#pragma once

#include "platform/clock.h"

#include <QObject>
#include <QString>

#include <memory>

namespace ostra {

class RestTimer : public QObject {
    Q_OBJECT
public:
    explicit RestTimer(Clock& clock, QObject* parent = nullptr);

    void start();
    void stop();
    void reset();
    bool running() const { return running_; }
    qint64 elapsedSeconds() const { return elapsed_; }
    // The count as a time of day, modulo 24 hours.
    LocalTime elapsedTime() const;
    // "HH:NN:SS" of elapsedTime().
    QString elapsedText() const;

    // One poll: counts the seconds since the last one, redraws when the
    // count moved and announces a new minute. Idle while stopped.
    void poll();

signals:
    void minuteChanged();
    // The count or the running state changed: the display follows.
    void elapsedChanged(qint64 seconds);

private:
    void redraw() { emit elapsedChanged(elapsed_); }

    Clock& clock_;
    std::unique_ptr<Timer> seconds_;
    qint64 elapsed_ = 0;
    LocalTime reference_;
    bool running_ = false;
};

QString formatHms(const LocalTime& t);

}  // namespace ostra
