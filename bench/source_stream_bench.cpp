// The streaming export from memory into a memory sink, in each format: megabytes of source per
// second, and the heap allocations made while converting (counted by this binary's own
// operator new), which must be none.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "allocation_count.h"
#include "export/source_stream.h"

namespace {

constexpr size_t SOURCE_SIZE = 16 << 20;
uint8_t source_bytes[SOURCE_SIZE];

struct MemorySource {
    size_t at;
};

int64_t read_memory(void *context, uint8_t *into, size_t capacity)
{
    auto &s = *static_cast<MemorySource *>(context);
    size_t n = SOURCE_SIZE - s.at < capacity ? SOURCE_SIZE - s.at : capacity;
    std::memcpy(into, source_bytes + s.at, n);
    s.at += n;
    return int64_t(n);
}

// Takes the text as a file would, without keeping it: the blocks are only looked at.
bool write_nowhere(void *context, const char16_t *text, size_t count)
{
    *static_cast<uint64_t *>(context) += count;
    benchmark::DoNotOptimize(text);
    benchmark::ClobberMemory();
    return true;
}

void stream_source(benchmark::State &state)
{
    ViewMode format = ViewMode(state.range(0));
    std::mt19937 random(1);
    for (auto &b : source_bytes)
        b = uint8_t(random());
    Label label = label_from(u"exe_dt");
    uint64_t units = 0;
    // The counter must see an allocation, or its zero below would prove nothing.
    uint64_t probe = allocation_count();
    int *one = new int(0);
    benchmark::DoNotOptimize(one);
    delete one;
    if (allocation_count() == probe)
        state.SkipWithError("operator new is not counted");
    uint64_t before = allocation_count();
    for (auto _ : state) {
        MemorySource source{0};
        StreamResult result =
            stream_source_text(format, label, SourceReader{read_memory, &source}, TextWriter{write_nowhere, &units});
        if (result != StreamResult::Written)
            state.SkipWithError("the stream did not complete");
    }
    uint64_t during = allocation_count() - before;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SOURCE_SIZE));
    state.counters["allocations"] = double(during);
    state.counters["text_units_per_byte"] = double(units) / double(state.iterations()) / double(SOURCE_SIZE);
}

BENCHMARK(stream_source)->ArgName("format")->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

} // namespace
