// main() of a benchmark that runs inside a Qt application object: a
// QApplication where it draws (offscreen unless a display or platform is
// given), a QCoreApplication where it only needs Qt's core.
#pragma once

#include <QApplication>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace ostra::bench {

template <typename App = QApplication>
int runWithQt(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace ostra::bench
