// The streaming export from memory into a memory sink, in each format, encoding and instruction
// set of the line kernel: bytes of source per second, and the heap allocations made while
// converting (counted by this binary's own operator new), which must be none.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "allocation_count.h"
#include "export/line_kernel.h"
#include "export/source_stream.h"
#include "tests/shared/kernel_choice.h"

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
template <class Unit> bool write_nowhere(void *context, const Unit *text, size_t count)
{
    *static_cast<uint64_t *>(context) += count * sizeof(Unit);
    benchmark::DoNotOptimize(text);
    benchmark::ClobberMemory();
    return true;
}

// Arguments: format (1 C, 2 Asm, 3 Basic), encoding (0 UTF-16LE, 1 UTF-8), instruction set
// (0 scalar, 1 SSSE3, 2 AVX2).
void stream_source(benchmark::State &state)
{
    ExportFormat format = EXPORT_FORMATS[state.range(0) - 1];
    bool utf8 = state.range(1) == 1;
    InstructionSet set = InstructionSet(state.range(2));
    if (!instruction_set_available(set)) {
        state.SkipWithError((std::string(instruction_set_name(set)) + " is not available here").c_str());
        return;
    }
    state.SetLabel(std::string(utf8 ? "utf8 " : "utf16le ") + instruction_set_name(set));
    KernelChoice restore;
    line_kernels = line_kernels_for(set);
    std::mt19937 random(1);
    for (auto &b : source_bytes)
        b = uint8_t(random());
    Label label = label_from(u"exe_dt");
    uint64_t text_bytes = 0;
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
        SourceReader reader{read_memory, &source};
        Outcome result = utf8 ? stream_source_text(format, label, reader, Utf8Writer{write_nowhere<char>, &text_bytes})
                                   : stream_source_text(format, label, reader, TextWriter{write_nowhere<char16_t>, &text_bytes});
        if (result != Outcome::Done)
            state.SkipWithError("the stream did not complete");
    }
    uint64_t during = allocation_count() - before;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SOURCE_SIZE));
    state.counters["allocations"] = double(during);
    state.counters["text_bytes_per_byte"] = double(text_bytes) / double(state.iterations()) / double(SOURCE_SIZE);
}

BENCHMARK(stream_source)
    ->ArgNames({"format", "utf8", "set"})
    ->ArgsProduct({{1, 2, 3}, {1, 0}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);

} // namespace
