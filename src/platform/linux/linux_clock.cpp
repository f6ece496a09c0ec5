#include "platform/linux/linux_clock.h"

#include <QDateTime>

#include <QSocketNotifier>
#include <QTime>
#include <QTimer>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include <sys/timerfd.h>
#include <unistd.h>

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

// The kernel fires a CLOCK_REALTIME timer with an absolute expiry when the
// wall clock reaches it, however the monotonic time went meanwhile; with
// TFD_TIMER_CANCEL_ON_SET it also wakes us when the clock is set, so the
// next multiple can be taken from the new time.
class WallClockTimer : public Timer {
public:
    WallClockTimer() : fd_(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
        if (fd_ < 0) {
            // No timerfd: a plain timer of the same interval, unaligned.
            fallback_ = std::make_unique<QtTimer>();
            return;
        }
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        notifier_->setEnabled(false);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { expired(); });
    }
    ~WallClockTimer() override {
        notifier_.reset();
        if (fd_ >= 0) ::close(fd_);
    }
    void setInterval(int ms) override {
        interval_ = ms;
        if (fallback_) {
            fallback_->setInterval(ms);
            return;
        }
        if (ms <= 0) {
            const itimerspec off{};
            ::timerfd_settime(fd_, 0, &off, nullptr);
            notifier_->setEnabled(false);
            return;
        }
        aim();
        notifier_->setEnabled(true);
    }
    int interval() const override { return interval_; }
    void setCallback(std::function<void()> cb) override {
        if (fallback_) fallback_->setCallback(cb);
        cb_ = std::move(cb);
    }

private:
    // Arms the timer for the first multiple of the interval after now.
    void aim() {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const std::int64_t ms = std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
        const std::int64_t next = (ms / interval_ + 1) * interval_;
        itimerspec at{};
        at.it_value.tv_sec = time_t(next / 1000);
        at.it_value.tv_nsec = long(next % 1000) * 1'000'000;
        ::timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &at, nullptr);
    }

    void expired() {
        std::uint64_t count = 0;
        // ECANCELED: the clock was set. Either way one shot, then the next
        // multiple of the time as it is now.
        if (::read(fd_, &count, sizeof count) < 0 && errno == EAGAIN) return;
        if (interval_ <= 0) return;
        aim();
        // Posted, like the Qt timers, so that a shot also comes inside a
        // modal window opened from the callback.
        QMetaObject::invokeMethod(
            notifier_.get(),
            [this] {
                if (interval_ > 0 && cb_) cb_();
            },
            Qt::QueuedConnection);
    }

    const int fd_;
    int interval_ = 0;
    std::function<void()> cb_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QtTimer> fallback_;
};

}  // namespace

LocalTime LinuxClock::localTime() {
    const QTime t = QTime::currentTime();
    return {t.hour(), t.minute(), t.second()};
}

std::int64_t LinuxClock::unixTime() { return QDateTime::currentSecsSinceEpoch(); }

std::unique_ptr<Timer> LinuxClock::createTimer() { return std::make_unique<QtTimer>(); }

std::unique_ptr<Timer> LinuxClock::createWallClockTimer() { return std::make_unique<WallClockTimer>(); }

}  // namespace ostra
