// The stream's reader and writers over memory, for the tests of the stream and of the line
// kernels behind it. Portable: no windows.h here.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "export/source_stream.h"

// A source in memory that delivers its bytes in reads of the sizes it is given in turn (the last
// size repeating), and can fail on a chosen read.
struct MemorySource {
    const std::vector<uint8_t> *bytes;
    size_t at = 0;
    std::vector<size_t> read_sizes = {STREAM_READ_BLOCK};
    size_t reads = 0;
    size_t fail_on_read = SIZE_MAX; // 0-based
};

inline int64_t read_memory(void *context, uint8_t *into, size_t capacity)
{
    auto &s = *static_cast<MemorySource *>(context);
    size_t wanted = s.read_sizes[std::min(s.reads, s.read_sizes.size() - 1)];
    if (s.reads++ == s.fail_on_read)
        return -1;
    size_t n = std::min({capacity, wanted, s.bytes->size() - s.at});
    std::copy(s.bytes->begin() + ptrdiff_t(s.at), s.bytes->begin() + ptrdiff_t(s.at + n), into);
    s.at += n;
    return int64_t(n);
}

struct MemorySink {
    std::u16string text;
    std::vector<size_t> writes;
    size_t fail_on_write = SIZE_MAX; // 0-based
};

inline bool write_memory(void *context, const char16_t *text, size_t count)
{
    auto &s = *static_cast<MemorySink *>(context);
    if (s.writes.size() == s.fail_on_write)
        return false;
    s.writes.push_back(count);
    s.text.append(text, count);
    return true;
}

inline Outcome stream(ExportFormat format, const std::u16string &label, MemorySource &source, MemorySink &sink)
{
    return stream_source_text(format, label_from(label.c_str()), SourceReader{read_memory, &source},
                              TextWriter{write_memory, &sink});
}

inline bool write_utf8_memory(void *context, const char *text, size_t count)
{
    static_cast<std::string *>(context)->append(text, count);
    return true;
}
