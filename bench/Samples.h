#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Per-call durations of a manually timed benchmark. Google Benchmark reports
// the mean; the budgets speak of medians and tails, and a rare wait on the
// audio thread's lock only shows in those.
class Samples {
public:
    explicit Samples(std::size_t expected = 0) { values_.reserve(expected); }

    // Records one call and hands its duration to the benchmark.
    void add(benchmark::State& state, Clock::duration d) {
        const double seconds = std::chrono::duration<double>(d).count();
        values_.push_back(seconds);
        state.SetIterationTime(seconds);
    }

    // Adds p50, p99 and max counters, in microseconds.
    void report(benchmark::State& state) {
        if (values_.empty()) return;
        std::sort(values_.begin(), values_.end());
        state.counters["p50_us"] = at(0.50) * 1e6;
        state.counters["p99_us"] = at(0.99) * 1e6;
        state.counters["max_us"] = values_.back() * 1e6;
    }

private:
    double at(double q) const {
        const auto i =
            static_cast<std::size_t>(std::lround(q * static_cast<double>(values_.size() - 1)));
        return values_[std::min(i, values_.size() - 1)];
    }

    std::vector<double> values_;
};

}  // namespace bench
