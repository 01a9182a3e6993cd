// Building the view text of a full segment, in each rendering.
#include <benchmark/benchmark.h>

#include <random>

#include "allocation_count.h"
#include "view/segment_text.h"

namespace {

void format_full_segment(benchmark::State &state)
{
    ViewMode mode = ViewMode(state.range(0));
    static uint8_t bytes[SEGMENT_BUFFER_SIZE];
    static char16_t text[VIEW_TEXT_CAPACITY];
    std::mt19937 random(1);
    for (auto &b : bytes)
        b = uint8_t(random());
    uint64_t before = allocation_count();
    for (auto _ : state) {
        size_t n = format_segment(bytes, SEGMENT_SIZE, mode, 1, text);
        benchmark::DoNotOptimize(n);
        benchmark::ClobberMemory();
    }
    state.counters["allocations"] = double(allocation_count() - before);
    state.SetBytesProcessed(int64_t(state.iterations()) * SEGMENT_SIZE);
}

BENCHMARK(format_full_segment)->ArgName("mode")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace
