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
// copy-th copy of them. Smaller sizes take their copies in turn, as many as fill the largest size
// together, so that every size reads memory that is not in the cache, as the largest must: the
// growth from size to size then tells the routine's cost, not the cache's size.
template <class Prepare>
void Measure(benchmark::State& state, std::size_t size, std::size_t largest, const Prepare& prepare,
             bool sizeInBytes) {
    const std::size_t copies = std::clamp<std::size_t>(largest / size, 1, 64);
    std::vector<decltype(prepare(size, 0))> operations;
    for (std::size_t c = 0; c < copies; ++c) operations.push_back(prepare(size, c));
    std::size_t next = 0;
    for (auto _ : state) {
        auto result = operations[next]();
        benchmark::DoNotOptimize(result);
        if (++next == copies) next = 0;
    }
    const auto processed = static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size);
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
        benchmark::RegisterBenchmark((name + "[" + baselineName + "]" + suffix).c_str(), [=, &sizes](benchmark::State& state) {
            Measure(state, size, sizes.back(), baseline, inBytes);
        })->Unit(benchmark::kMicrosecond);
    }
}

void RegisterTextBenchmarks();
void RegisterHttpBenchmarks();
