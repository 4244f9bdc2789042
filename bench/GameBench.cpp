// The game's own work on the UI thread: one tick of each game timer, a cut in
// each score band, and Start. The window is the real one, shown on the
// offscreen platform, with the real sound back end behind it.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>

#include "BenchContext.h"
#include "FormSurface.h"
#include "Rules.h"
#include "Samples.h"

namespace bench {
namespace {

// Counts the paints of the play area, to prove that the paint variant of the
// tick benchmark really paints.
class PaintCounter : public QObject {
public:
    long paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Timer1 sinks every target; 100 ticks at the Normal step stay above the
// limit, then the targets go home outside the timing.
constexpr int ticksBeforeHome = 100;

void timer1Tick(benchmark::State& state) {
    Form1& f = startedGame();
    int n = 0;
    for (auto _ : state) {
        f.Timer1_Timer();
        if (++n == ticksBeforeHome) {
            state.PauseTiming();
            homeTargets(f);
            QCoreApplication::processEvents();
            n = 0;
            state.ResumeTiming();
        }
    }
    stoppedGame();
}

// The tick plus the repaint it causes, as the event loop would run it next.
void timer1TickAndPaint(benchmark::State& state) {
    Form1& f = startedGame();
    PaintCounter counter;
    f.clientArea()->installEventFilter(&counter);
    int n = 0;
    for (auto _ : state) {
        f.Timer1_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        if (++n == ticksBeforeHome) {
            state.PauseTiming();
            homeTargets(f);
            QCoreApplication::processEvents();
            n = 0;
            state.ResumeTiming();
        }
    }
    f.clientArea()->removeEventFilter(&counter);
    state.counters["paints_per_tick"] =
        benchmark::Counter(static_cast<double>(counter.paints), benchmark::Counter::kAvgIterations);
    stoppedGame();
}

void timer2Tick(benchmark::State& state) {
    Form1& f = startedGame();
    int n = 0;
    for (auto _ : state) {
        f.Timer2_Timer();
        // A push moves one target by up to 150 twips: ten stay on screen.
        if (++n == 10) {
            state.PauseTiming();
            homeTargets(f);
            n = 0;
            state.ResumeTiming();
        }
    }
    stoppedGame();
}

// The usual Timer3 tick: every target above the limit.
void timer3TickNothingPast(benchmark::State& state) {
    Form1& f = startedGame();
    for (auto _ : state) f.Timer3_Timer();
    stoppedGame();
}

// The rare Timer3 tick that costs a life: caption, reset of the targets
// through the hidden button, and the deflect effect started on a silent
// channel.
void timer3TickLifeLost(benchmark::State& state) {
    Form1& f = startedGame();
    Samples samples;
    for (auto _ : state) {
        context().haltEffect();
        f.lives = rules::startingLives;
        f.Image1->setTop(pastLimitTop);
        const auto t0 = Clock::now();
        f.Timer3_Timer();
        samples.add(state, Clock::now() - t0);
    }
    samples.report(state);
    stoppedGame();
}

// A cut whose score lands in the given band; the cut effect starts on a
// silent channel each time, the dearer of its two paths. The score shown
// changes at every cut, as in play, so the label is laid out again.
void cutInBand(benchmark::State& state, std::int32_t scoreBefore) {
    Form1& f = startedGame();
    Samples samples;
    std::int32_t n = 0;
    for (auto _ : state) {
        context().haltEffect();
        f.score = scoreBefore + (n++ % 8);
        f.Image1->setTop(homeTop + 300.0F);
        const auto t0 = Clock::now();
        f.Image1_Click();
        samples.add(state, Clock::now() - t0);
    }
    samples.report(state);
    stoppedGame();
}

// Start: music open and play, timers on. The game is reset outside the timing.
void startGame(benchmark::State& state) {
    if (!context().soundfontLoaded) {
        state.SkipWithError("no soundfont: music is off");
        return;
    }
    Form1& f = *context().form;
    Samples samples;
    for (auto _ : state) {
        f.mnuRst_Click();
        const auto t0 = Clock::now();
        f.mnustart_Click();
        samples.add(state, Clock::now() - t0);
    }
    samples.report(state);
    stoppedGame();
}

}  // namespace

void registerGameBenchmarks() {
    using benchmark::kMicrosecond;
    benchmark::RegisterBenchmark("Tick/Timer1", timer1Tick);
    benchmark::RegisterBenchmark("Tick/Timer1+paint", timer1TickAndPaint);
    benchmark::RegisterBenchmark("Tick/Timer2", timer2Tick);
    benchmark::RegisterBenchmark("Tick/Timer3/nothing_past", timer3TickNothingPast);
    benchmark::RegisterBenchmark("Tick/Timer3/life_lost", timer3TickLifeLost)
        ->UseManualTime()
        ->Unit(kMicrosecond);
    const struct {
        const char* name;
        std::int32_t scoreBefore;
    } bands[] = {
        {"Cut/band_none", 10}, {"Cut/band_1", 60}, {"Cut/band_2", 150}, {"Cut/band_3", 300}};
    for (const auto& band : bands) {
        const std::int32_t score = band.scoreBefore;
        benchmark::RegisterBenchmark(band.name,
                                     [score](benchmark::State& s) { cutInBand(s, score); })
            ->UseManualTime()
            ->Unit(kMicrosecond);
    }
    benchmark::RegisterBenchmark("Start/mnustart_Click", startGame)
        ->UseManualTime()
        ->Unit(kMicrosecond)
        ->Iterations(quickRun() ? 5 : 300);
}

}  // namespace bench
