// The whole conversion of a source, streamed: bytes pulled in large blocks through a reader,
// the text of many chunks gathered into large blocks handed to a writer. The text is exactly
// the concatenation of ruler_text, declaration_text and one chunk_text per 64-byte chunk.
// Constant memory: two static blocks, no heap. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/source_text.h"

// Source bytes per read, and text units per write (512 KiB): large enough that the cost of a
// call into the system disappears behind the formatting.
constexpr size_t STREAM_READ_BLOCK = 128 * 1024;
constexpr size_t STREAM_TEXT_BLOCK = 256 * 1024;

// A text block is written once the next chunk might not fit.
static_assert(RULER_TEXT_MAX + DECLARATION_TEXT_MAX + CHUNK_TEXT_MAX <= STREAM_TEXT_BLOCK);

struct SourceReader {
    // Up to capacity bytes into `into`: the count (fewer than asked is fine), 0 at the end of
    // the source, or -1 when the read failed.
    int64_t (*read)(void *context, uint8_t *into, size_t capacity);
    void *context;
};

struct TextWriter {
    // count UTF-16 units in host order (little-endian on Windows); false when the write failed.
    bool (*write)(void *context, const char16_t *text, size_t count);
    void *context;
};

enum class StreamResult {
    Written,     // the whole text was handed to the writer
    EmptySource, // the first read gave no bytes; nothing was written
    ReadFailed,  // the reader failed; the writer may already have had part of the text
    WriteFailed, // the writer failed; nothing more was read or written
};

// Converts everything the reader delivers. The first write comes only after the first block of
// text is full or the source has ended, so an empty source writes nothing at all. Uses static
// blocks: not re-entrant, which the single user-interface thread never needs.
StreamResult stream_source_text(ViewMode format, const Label &label, SourceReader reader, TextWriter writer);
