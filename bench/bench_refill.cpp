// The tick's re-fill of the three load gauges on the real main window: a
// change of the load from 0 to 100 raises Gauge1, Gauge2 and Gauge3 one
// point at a time, painting each change at once (300 synchronous repaints).
//
// The platform plugin comes from the environment: with DISPLAY set (e.g. a
// private Xvfb, see bench/refill_xvfb.sh) the gauges paint through the X
// server, which is the figure that matters; without one it runs offscreen,
// as in the CTest smoke run.
#include "app/main_window.h"
#include "app/ostra_app.h"
#include "tray/tray_icon.h"
#include "fakes/fake_platform.h"
#include "ui/gauge.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QDeadlineTimer>
#include <QWindow>

#include "qt_bench_main.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

// Runs the event loop for `ms` milliseconds, or until `done` holds.
template <typename Done>
bool waitFor(int ms, Done done) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(o, e);
    }
};

void BM_RefillFrom0To100(benchmark::State& state) {
    QTemporaryDir dir;
    ostra::FakePlatform platform;
    // Neither limit warning may open a window in between.
    platform.setIni(dir.path(), "x", "checkbox1", QStringLiteral("0"));
    platform.setIni(dir.path(), "x", "checkbox2", QStringLiteral("0"));
    platform.loads = {0};
    ostra::OstraApp app(platform.services(), dir.path());
    app.tray().setAnimated(false);
    app.start();
    ostra::MainWindow& win = app.mainWindow();
    if (!waitFor(5000, [&] { return win.windowHandle() && win.windowHandle()->isExposed(); })) {
        state.SkipWithError("the main window was not exposed");
        return;
    }
    auto& timer = static_cast<ostra::FakeTimer&>(app.monitor().timer());
    const std::array<ostra::ui::Gauge*, 3> gauges{win.findChild<ostra::ui::Gauge*>("Gauge1"),
                                                  win.findChild<ostra::ui::Gauge*>("Gauge2"),
                                                  win.findChild<ostra::ui::Gauge*>("Gauge3")};
    PaintCounter counter;
    gauges[0]->installEventFilter(&counter);
    waitFor(50, [] { return false; });

    int refills = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Back to 0 (a change to 0 raises nothing) and everything painted.
        platform.loads = {0};
        timer.fire();
        QApplication::processEvents();
        counter.paints = 0;
        platform.loads = {100};
        state.ResumeTiming();

        timer.fire();  // the tick: 300 repaints
        // Until the window system has taken every picture (an X round trip).
        QGuiApplication::sync();

        state.PauseTiming();
        if (gauges[0]->progress() != 100 || gauges[1]->progress() != 100 || gauges[2]->progress() != 100 ||
            counter.paints < 100) {
            state.SkipWithError("the gauges were not raised and painted point by point");
            break;
        }
        ++refills;
        state.ResumeTiming();
    }
    state.counters["paints_of_Gauge1"] = counter.paints;
    state.counters["refills"] = refills;
    state.SetLabel(QGuiApplication::platformName().toStdString());
}
BENCHMARK(BM_RefillFrom0To100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return ostra::bench::runWithQt(argc, argv); }
