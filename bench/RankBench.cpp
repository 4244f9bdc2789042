// Saving the best score at game over: written beside rank.dat, flushed to
// disk and renamed over it, in a temporary folder on the same disk as the
// benchmark's working files.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "BenchContext.h"
#include "RankFile.h"
#include "Samples.h"

namespace bench {
namespace {

void rankSave(benchmark::State& state) {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        state.SkipWithError("cannot create a temporary folder");
        return;
    }
    const QString path = dir.filePath(QString::fromLatin1(rankfile::fileName));
    Samples samples;
    std::int32_t value = 151;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const rankfile::SaveResult saved = rankfile::save(path, HighScore{value++});
        samples.add(state, Clock::now() - t0);
        if (!saved.ok) {
            state.SkipWithError(qPrintable(saved.error));
            break;
        }
    }
    samples.report(state);
}

}  // namespace

void registerRankBenchmarks() {
    benchmark::RegisterBenchmark("Rank/save", rankSave)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(quickRun() ? 5 : 200);
}

}  // namespace bench
