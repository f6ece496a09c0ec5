// main() of a benchmark that needs a QApplication (widgets, painting):
// offscreen unless a display or platform is given.
#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

namespace ostra::bench {

inline int runWithQt(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace ostra::bench
