// Each routine is measured beside a standard-library baseline at every size, in the same run.
// Names read "ROUTINE/KIND/SIZE" and "ROUTINE[BASELINE]/KIND/SIZE"; bench/table.py relies on it.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline const std::vector<std::size_t> kByteSizes = {1u << 10, 1u << 15, 1u << 20, 1u << 26};
inline const std::vector<std::size_t> kItemCounts = {100, 1000, 10000, 100000};

// `prepare(size, copy)` makes the inputs (untimed) and returns the operation to time on the
// copy-th copy of them. Smaller sizes run once on each of as many copies as fill the largest size
// together (64 at most) in one iteration, and keep every result until the iteration ends: every
// size then reads memory that is not in the cache and writes as many result bytes to memory as
// the largest, so the growth from size to size tells the routine's cost, not the cache's size.
// The "calls" counter tells bench/table.py what to divide the iteration's time by.
template <class Prepare>
void Measure(benchmark::State& state, std::size_t size, std::size_t largest, const Prepare& prepare, bool sizeInBytes) {
    const std::size_t copies = std::clamp<std::size_t>(largest / size, 1, 64);
    std::vector<decltype(prepare(size, 0))> operations;
    for (std::size_t c = 0; c < copies; ++c) operations.push_back(prepare(size, c));
    std::vector<decltype(operations[0]())> results;
    results.reserve(copies);
    for (auto _ : state) {
        for (const auto& operation : operations) {
            results.push_back(operation());
            benchmark::DoNotOptimize(results.back());
        }
        results.clear();
    }
    state.counters["calls"] = static_cast<double>(copies);
    const auto processed = static_cast<std::int64_t>(state.iterations() * copies) * static_cast<std::int64_t>(size);
    if (sizeInBytes) {
        state.SetBytesProcessed(processed);
    } else {
        state.SetItemsProcessed(processed);
    }
}

template <class Routine, class Baseline>
void RegisterPair(const std::string& name, const std::string& baselineName, const std::string& kind,
                  const std::vector<std::size_t>& sizes, Routine routine, Baseline baseline) {
    const bool inBytes = &sizes != &kItemCounts;
    for (std::size_t size : sizes) {
        const std::string suffix = "/" + kind + "/" + std::to_string(size);
        benchmark::RegisterBenchmark((name + suffix).c_str(), [=, &sizes](benchmark::State& state) {
            Measure(state, size, sizes.back(), routine, inBytes);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((name + "[" + baselineName + "]" + suffix).c_str(), [=, &sizes](
                                                                                             benchmark::State& state) {
            Measure(state, size, sizes.back(), baseline, inBytes);
        })->Unit(benchmark::kMicrosecond);
    }
}

void RegisterTextBenchmarks();
void RegisterHttpBenchmarks();
