// Times each of n calls of one operation and reports the median and the
// 99th percentile (microseconds) with the number of failed calls, as the
// benchmark's counters.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

// op() returns true when the call succeeded.
template <class Op>
void TimeEachCall(benchmark::State& state, int n, Op op) {
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(n));
    int failures = 0;
    for (int i = 0; i < n; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!op()) ++failures;
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[us.size() * 99 / 100];
    state.counters["failures"] = failures;
}
