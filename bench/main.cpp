// The benchmark program: Google Benchmark's runner inside a QApplication, so
// that the real main window can be built, shown and driven.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "BenchContext.h"

namespace bench {
void registerGameBenchmarks();
void registerSoundBenchmarks();
void registerRankBenchmarks();
}  // namespace bench

int main(int argc, char* argv[]) {
    benchmark::Initialize(&argc, argv);
    bool quick = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    // No display is needed; a caller may still pick a real one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    if (const QString error = bench::setUp(quick); !error.isEmpty()) {
        std::fprintf(stderr, "zanrai_bench: %s\n", qPrintable(error));
        return 1;
    }
    bench::registerGameBenchmarks();
    bench::registerSoundBenchmarks();
    bench::registerRankBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::tearDown();
    return 0;
}
