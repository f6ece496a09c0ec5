// The Linux wall-clock timers on the real clock: their shots land just after
// the multiples of the interval, timers of one interval share a wake-up, a
// shot comes inside a nested event loop, and a stopped or destroyed timer
// stays silent.
#include "platform/linux/linux_clock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using ostra::LinuxClock;
using ostra::Timer;

namespace {

// Runs the event loop until `done` holds or 10 s pass.
template <typename F>
bool waitFor(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10'000) QTest::qWait(5);
    return done();
}

}  // namespace

TEST(LinuxWallClockTimer, ShotsLandJustAfterTheMultiplesAndShareAWakeUp) {
    LinuxClock clock;
    std::unique_ptr<Timer> a = clock.createWallClockTimer();
    std::unique_ptr<Timer> b = clock.createWallClockTimer();
    std::vector<qint64> atA, atB;
    a->setCallback([&] { atA.push_back(QDateTime::currentMSecsSinceEpoch()); });
    b->setCallback([&] { atB.push_back(QDateTime::currentMSecsSinceEpoch()); });
    a->setInterval(1000);
    b->setInterval(1000);
    EXPECT_EQ(a->interval(), 1000);
    ASSERT_TRUE(waitFor([&] { return atA.size() >= 3 && atB.size() >= 3; }));
    for (size_t i = 0; i < 3; ++i) {
        // In the first half of a second, one second after the one before:
        // aligned, not merely repeating.
        EXPECT_LT(atA[i] % 1000, 500) << atA[i];
        if (i > 0) {
            EXPECT_EQ(atA[i] / 1000 - atA[i - 1] / 1000, 1);
        }
        // Both timers came in the same second.
        EXPECT_EQ(atA[i] / 1000, atB[i] / 1000);
    }

    // Another interval keeps to its own multiples.
    std::vector<qint64> atC;
    std::unique_ptr<Timer> c = clock.createWallClockTimer();
    c->setCallback([&] { atC.push_back(QDateTime::currentMSecsSinceEpoch()); });
    c->setInterval(1500);
    ASSERT_TRUE(waitFor([&] { return atC.size() >= 2; }));
    for (qint64 t : atC) EXPECT_LT(t % 1500, 500) << t;

    // Stopped: silent; set again: aligned again.
    a->setInterval(0);
    EXPECT_EQ(a->interval(), 0);
    const size_t before = atA.size();
    QTest::qWait(1300);
    EXPECT_EQ(atA.size(), before);
    b.reset();  // a destroyed timer with a shot maybe pending must not call back
    QTest::qWait(1100);
    a->setInterval(1000);
    ASSERT_TRUE(waitFor([&] { return atA.size() > before; }));
    EXPECT_LT(atA.back() % 1000, 500);
}

TEST(LinuxWallClockTimer, ShotsGoOnInsideANestedEventLoop) {
    LinuxClock clock;
    std::unique_ptr<Timer> t = clock.createWallClockTimer();
    int shots = 0;
    bool nested = false;
    t->setCallback([&] {
        ++shots;
        if (nested) return;
        // Like a modal window opened from the tick: the shots go on.
        nested = true;
        QEventLoop loop;
        std::unique_ptr<Timer> guard = clock.createTimer();
        guard->setCallback([&] { loop.quit(); });
        guard->setInterval(10'000);
        const int inner = shots;
        QElapsedTimer e;
        e.start();
        while (shots < inner + 2 && e.elapsed() < 10'000) loop.processEvents(QEventLoop::WaitForMoreEvents, 50);
    });
    t->setInterval(1000);
    ASSERT_TRUE(waitFor([&] { return shots >= 3; }));
}
