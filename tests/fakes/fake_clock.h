// A clock set by hand and timers fired by hand.
#pragma once

#include "platform/clock.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ostra {

class FakeClock;

class FakeTimer : public Timer {
public:
    FakeTimer(FakeClock* owner, bool wallClock) : owner_(owner), wallClock_(wallClock) {}
    ~FakeTimer() override;
    void setInterval(int ms) override { interval_ = ms; }
    int interval() const override { return interval_; }
    void setCallback(std::function<void()> cb) override { cb_ = std::move(cb); }
    // Fires once if running; returns whether it fired.
    bool fire() {
        if (interval_ <= 0 || !cb_) return false;
        cb_();
        return true;
    }
    void detach() { owner_ = nullptr; }
    // Made by createWallClockTimer(): its shots keep to the wall clock.
    bool wallClock() const { return wallClock_; }

private:
    FakeClock* owner_;
    bool wallClock_;
    int interval_ = 0;
    std::function<void()> cb_;
};

class FakeClock : public Clock {
public:
    ~FakeClock() override {
        for (FakeTimer* t : timers) t->detach();
    }
    LocalTime localTime() override { return now; }
    std::int64_t unixTime() override { return epoch; }
    std::unique_ptr<Timer> createTimer() override { return make(false); }
    std::unique_ptr<Timer> createWallClockTimer() override { return make(true); }
    // Moves the clock forward, wrapping at midnight.
    void advanceSeconds(int s) {
        epoch += s;
        const int t = (now.secondOfDay() + s) % 86400;
        now = {t / 3600, (t / 60) % 60, t % 60};
    }

    LocalTime now{10, 0, 0};
    std::int64_t epoch = 1'800'000'000;  // seconds since 1970, moved with `now`
    std::vector<FakeTimer*> timers;  // alive timers, in creation order

private:
    std::unique_ptr<Timer> make(bool wallClock) {
        auto t = std::make_unique<FakeTimer>(this, wallClock);
        timers.push_back(t.get());
        return t;
    }
};

inline FakeTimer::~FakeTimer() {
    if (owner_) {
        auto& v = owner_->timers;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
}

}  // namespace ostra
