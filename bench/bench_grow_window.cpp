// How long a refresh of "What grew since the start point" holds the
// user-interface thread with 1,000 applications and a screen reader
// listening: from the refreshed rows reaching the window until the event
// loop is idle again (the window's update, its layout, its painting and
// the accessibility events, AT-SPI's included when the bridge runs).
//
// Each refresh changes the memory of a share of the applications (the
// argument, in percent) by a few MiB either way, so their "Now" and
// "Growth" texts change and their ranks move, as between two scans of a
// busy desktop. With "cells read", a screen reader has read every cell of
// the table before each refresh (their accessible objects exist), as it
// does while the user walks the table.
//
// Accessibility is switched on as the AT-SPI bridge does when a screen
// reader runs. With DISPLAY set and the accessibility bus up (see
// bench/grow_window_xvfb.sh), the bridge is the real one and its D-Bus
// signals are part of the figure; offscreen (the CTest smoke run) only Qt's
// own accessibility work is.
#include "grow/grow_watch.h"
#include "grow/grow_window.h"
#include "fakes/fake_platform.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QWindow>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <QtGui/private/qguiapplication_p.h>

#include "qt_bench_main.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kApplications = 1000;

// Runs the event loop for up to `ms` milliseconds, or until `done` holds.
template <typename Done>
bool waitFor(int ms, Done done) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// 1,000 applications of one process each, app0000 .. app0999, with sizes
// spread from 1 MiB to about 2 GiB.
ostra::ProcessScan scanOf(const std::vector<std::int64_t>& bytes) {
    ostra::ProcessScan s;
    s.processes.reserve(bytes.size());
    for (int i = 0; i < int(bytes.size()); ++i) {
        const QByteArray exe = QByteArray("app") + QByteArray::number(i).rightJustified(4, '0');
        s.processes.push_back({1000 + i, "0::/\n", exe, exe, bytes[size_t(i)], {}, std::uint64_t(5000 + i)});
    }
    s.unreadable = 17;
    return s;
}

// Every cell's accessible object made and read, as a screen reader walking
// the table makes them.
int readEveryCell(QAbstractItemView& table) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&table);
    QAccessibleTableInterface* t = iface ? iface->tableInterface() : nullptr;
    if (!t) return 0;
    int read = 0;
    for (int r = 0; r < t->rowCount(); ++r)
        for (int c = 0; c < t->columnCount(); ++c)
            if (QAccessibleInterface* cell = t->cellAt(r, c)) read += int(cell->text(QAccessible::Name).size() > 0);
    return read;
}

void BM_RefreshWith1000Applications(benchmark::State& state) {
    const int changedPercent = int(state.range(0));
    const bool cellsRead = state.range(1) == 1;
    state.SetLabel(QStringLiteral("%1% of the applications changed%2")
                       .arg(changedPercent)
                       .arg(cellsRead ? QStringLiteral(", cells read") : QString())
                       .toStdString());
    if (QPlatformAccessibility* a = QGuiApplicationPrivate::platformIntegration()->accessibility())
        a->setActive(true);
    if (!QAccessible::isActive()) {
        state.SkipWithError("accessibility could not be switched on");
        return;
    }

    ostra::FakePlatform platform;
    std::mt19937 random(28);
    std::vector<std::int64_t> bytes(kApplications);
    for (int i = 0; i < kApplications; ++i) bytes[size_t(i)] = (std::int64_t(1) << 20) * (1 + (i * 2039) % 2048);
    platform.processMemory.set(scanOf(bytes));
    ostra::grow::GrowWatch watch(ostra::grow::GrowWatch::Deps{platform.processMemory, platform.desktopEntries, platform.notifier, platform});
    auto* refreshTimer = platform.timers.back();
    watch.markStart(50);
    watch.waitForScans();

    // Connected before the window: the clock starts as the rows reach it.
    QElapsedTimer held;
    QObject::connect(&watch, &ostra::grow::GrowWatch::changed, [&held] { held.start(); });
    ostra::grow::GrowWindow window(watch);
    window.show();
    if (!waitFor(5000, [&] { return window.windowHandle() && window.windowHandle()->isExposed(); })) {
        state.SkipWithError("the window was not exposed");
        return;
    }
    watch.waitForScans();
    waitFor(100, [] { return false; });
    QAbstractItemView* table = window.findChild<QAbstractItemView*>(QStringLiteral("GrowthTable"));
    if (!table) {
        state.SkipWithError("no table");
        return;
    }

    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> step(-8, 8);
    double slowestMs = 0;
    for (auto _ : state) {
        for (std::int64_t& b : bytes)
            if (pick(random) < changedPercent) b = std::max<std::int64_t>(b + step(random) * (std::int64_t(1) << 20), 1 << 20);
        platform.processMemory.set(scanOf(bytes));
        if (cellsRead) readEveryCell(*table);
        QApplication::processEvents();
        refreshTimer->fire();
        watch.waitForScans();           // delivered: the window updates
        QApplication::processEvents();  // layout, painting, accessibility
        QApplication::processEvents();
        const double ms = double(held.nsecsElapsed()) / 1e6;
        slowestMs = std::max(slowestMs, ms);
        state.SetIterationTime(ms / 1e3);
    }
    state.counters["slowest_ms"] = slowestMs;
    state.counters["rows"] = double(table->model()->rowCount());
}
BENCHMARK(BM_RefreshWith1000Applications)
    ->Args({10, 0})
    ->Args({100, 0})
    ->Args({100, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return ostra::bench::runWithQt(argc, argv); }
