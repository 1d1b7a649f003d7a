// The main of a benchmark of pages: a QApplication (on the offscreen platform unless another is
// named), then the benchmarks; atEnd runs while the application still stands, for what a
// benchmark keeps of its pages.
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>
#include <functional>

namespace bench {

inline int runInApplication(int argc, char** argv, const std::function<void()>& atEnd = {}) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (atEnd) atEnd();
    return 0;
}

}  // namespace bench
