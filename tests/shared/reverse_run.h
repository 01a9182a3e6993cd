// A text held in memory read back into bytes with its reads cut as the caller says, and what came
// of it: the bytes, or the error's place and text. For the unit tests and the fuzz target, which
// both hold that answer to be the same however the reads are cut. Portable: no windows.h here.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "export/source_reverse.h"

struct ReverseRun {
    Outcome result;
    std::vector<uint8_t> bytes;
    uint64_t line, column;
    std::string what;
    bool operator==(const ReverseRun &) const = default;
};

// How the reads cut the text: each as large as the reader asks (WHOLE), or of 1 to `most` bytes
// drawn from a generator started at `seed`; most 1 is a byte at a time.
struct Cuts {
    size_t most;
    uint64_t seed;
};
constexpr size_t WHOLE = 0;

struct CutReader {
    const uint8_t *bytes;
    size_t size, at;
    Cuts cuts;
};

inline int64_t read_cut(void *context, uint8_t *into, size_t capacity)
{
    auto &r = *static_cast<CutReader *>(context);
    size_t n = capacity;
    if (r.cuts.most != WHOLE) {
        // xorshift64: small, and the same on every platform.
        r.cuts.seed ^= r.cuts.seed << 13;
        r.cuts.seed ^= r.cuts.seed >> 7;
        r.cuts.seed ^= r.cuts.seed << 17;
        n = std::min(n, size_t(1 + r.cuts.seed % r.cuts.most));
    }
    n = std::min(n, r.size - r.at);
    std::copy_n(r.bytes + r.at, n, into);
    r.at += n;
    return int64_t(n);
}

inline bool keep_run_bytes(void *context, const uint8_t *bytes, size_t count)
{
    auto &out = *static_cast<std::vector<uint8_t> *>(context);
    out.insert(out.end(), bytes, bytes + count);
    return true;
}

inline ReverseRun reverse_cut(const uint8_t *text, size_t size, Cuts cuts)
{
    CutReader reader{text, size, 0, {cuts.most, cuts.seed | 1}};
    ReverseRun run{};
    ReverseError error;
    run.result = reverse_source_text(SourceReader{read_cut, &reader}, ByteWriter{keep_run_bytes, &run.bytes}, error);
    if (run.result != Outcome::Done) {
        run.bytes.clear(); // what the writer had before the error is thrown away
        run.line = error.line;
        run.column = error.column;
        run.what = error.what;
    }
    return run;
}

inline ReverseRun reverse_cut(const std::vector<uint8_t> &text, Cuts cuts)
{
    return reverse_cut(text.data(), text.size(), cuts);
}
