#include "restalarm/rest_timer.h"

namespace ostra {

QString formatHms(const LocalTime& t) {
    return QStringLiteral("%1:%2:%3")
        .arg(t.hour, 2, 10, QLatin1Char('0'))
        .arg(t.minute, 2, 10, QLatin1Char('0'))
        .arg(t.second, 2, 10, QLatin1Char('0'));
}

RestTimer::RestTimer(Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), seconds_(clock.createWallClockTimer()) {
    seconds_->setCallback([this] { poll(); });
}

void RestTimer::start() {
    // A timer that runs already counts up to now first: starting it again
    // (every showing does) loses none of its seconds.
    poll();
    running_ = true;
    reference_ = clock_.localTime();
    seconds_->setInterval(1000);
    redraw();
}

void RestTimer::stop() {
    poll();  // the seconds up to the stop count
    running_ = false;
    seconds_->setInterval(0);
    redraw();
}

void RestTimer::reset() {
    elapsed_ = 0;
    reference_ = clock_.localTime();
    redraw();
}

LocalTime RestTimer::elapsedTime() const {
    qint64 s = elapsed_ % 86400;
    return {static_cast<int>(s / 3600), static_cast<int>((s / 60) % 60), static_cast<int>(s % 60)};
}

QString RestTimer::elapsedText() const { return formatHms(elapsedTime()); }

void RestTimer::poll() {
    if (!running_) return;
    LocalTime now = clock_.localTime();
    int delta = now.secondOfDay() - reference_.secondOfDay();
    if (delta < 0) delta += 86400;  // midnight passed
    if (delta == 0) return;
    LocalTime old = reference_;
    elapsed_ += delta;
    reference_ = now;
    redraw();
    if (old.minute != now.minute) emit minuteChanged();
}

}  // namespace ostra
