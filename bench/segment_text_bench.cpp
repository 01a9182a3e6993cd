// Building the view text of a full segment, in each rendering.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

#include "view/segment_text.h"

// Every allocation in the process is counted, so a benchmark can show that its loop makes none.
static std::atomic<long> allocations{0};

void *operator new(std::size_t size)
{
    allocations++;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

void format_full_segment(benchmark::State &state)
{
    ViewMode mode = ViewMode(state.range(0));
    static uint8_t bytes[SEGMENT_BUFFER_SIZE];
    static char16_t text[VIEW_TEXT_CAPACITY];
    std::mt19937 random(1);
    for (auto &b : bytes)
        b = uint8_t(random());
    long before = allocations;
    for (auto _ : state) {
        size_t n = format_segment(bytes, SEGMENT_SIZE, mode, 1, text);
        benchmark::DoNotOptimize(n);
        benchmark::ClobberMemory();
    }
    state.counters["allocations"] = double(allocations - before);
    state.SetBytesProcessed(int64_t(state.iterations()) * SEGMENT_SIZE);
}

BENCHMARK(format_full_segment)->ArgName("mode")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace
