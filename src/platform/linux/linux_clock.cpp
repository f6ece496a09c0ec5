#include "platform/linux/linux_clock.h"

#include <QTime>
#include <QTimer>

namespace ostra {

namespace {

class QtTimer : public Timer {
public:
    QtTimer() {
        timer_.setTimerType(Qt::PreciseTimer);
        // Qt never lets a timer's own event recurse, but the monitor must
        // go on ticking inside a modal window opened from its tick. The
        // call is therefore posted and runs from whichever event loop is
        // current, outer or nested.
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            QMetaObject::invokeMethod(
                &timer_,
                [this] {
                    if (interval_ > 0 && cb_) cb_();
                },
                Qt::QueuedConnection);
        });
    }
    void setInterval(int ms) override {
        interval_ = ms;
        if (ms <= 0)
            timer_.stop();
        else
            timer_.start(ms);
    }
    int interval() const override { return interval_; }
    void setCallback(std::function<void()> cb) override { cb_ = std::move(cb); }

private:
    QTimer timer_;
    int interval_ = 0;
    std::function<void()> cb_;
};

}  // namespace

LocalTime LinuxClock::localTime() {
    const QTime t = QTime::currentTime();
    return {t.hour(), t.minute(), t.second()};
}

std::unique_ptr<Timer> LinuxClock::createTimer() { return std::make_unique<QtTimer>(); }

}  // namespace ostra
