// libFuzzer target of the way back from text to bytes (bin2src --reverse). Beside what
// AddressSanitizer and UndefinedBehaviorSanitizer catch, two oracles: the widest read kernel the
// processor has gives what the reader's own cell-by-cell parse gives, and the answer does not
// depend on how the reads cut the text.
#include <cstdio>
#include <cstdlib>

#include "export/line_kernel.h"
#include "tests/shared/reverse_run.h"

namespace {

void print(const char *label, const ReverseRun &run)
{
    if (run.result == Outcome::Done)
        std::fprintf(stderr, "%s: %zu bytes\n", label, run.bytes.size());
    else
        std::fprintf(stderr, "%s: result %d at %llu:%llu: %s\n", label, int(run.result), (unsigned long long)run.line,
                     (unsigned long long)run.column, run.what.c_str());
}

void expect_same(const ReverseRun &expected, const ReverseRun &got, const char *how)
{
    if (got == expected)
        return;
    print("read whole by the vector kernel", expected);
    print(how, got);
    std::abort();
}

// The same cuts for the same input, so that a failure can be run again.
uint64_t hash(const uint8_t *data, size_t size)
{
    uint64_t h = 14695981039346656037u; // FNV-1a
    for (size_t i = 0; i < size; i++)
        h = (h ^ data[i]) * 1099511628211u;
    return h;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const LineKernels widest = line_kernels;
    static const LineKernels scalar = line_kernels_for(InstructionSet::Scalar);
    line_kernels = widest;
    ReverseRun whole = reverse_cut(data, size, {WHOLE, 0});
    uint64_t seed = hash(data, size);
    expect_same(whole, reverse_cut(data, size, {1 + seed % 97, seed}), "read in random cuts");
    if (size <= 4096)
        expect_same(whole, reverse_cut(data, size, {1, 0}), "read a byte at a time");
    line_kernels = scalar;
    expect_same(whole, reverse_cut(data, size, {WHOLE, 0}), "read whole, cell by cell");
    line_kernels = widest;
    return 0;
}
