// The whole conversion of a source, streamed: bytes pulled in large blocks through a reader,
// the text of many lines gathered into large blocks handed to a writer, in UTF-16 or in UTF-8.
// The window's text is ruler_text, declaration_text, the full lines from the line kernel and
// last_lines. Constant memory: static blocks, no heap. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/outcome.h"
#include "export/source_style.h"
#include "export/source_text.h"

// Source bytes per read, and text per write (512 KiB in either encoding): large enough that the
// cost of a call into the system disappears behind the formatting. Every write but the last is
// exactly one text block, a whole number of pages.
constexpr size_t STREAM_READ_BLOCK = 128 * 1024;
constexpr size_t STREAM_TEXT_BYTES = 512 * 1024;
constexpr size_t STREAM_TEXT_BLOCK = STREAM_TEXT_BYTES / sizeof(char16_t); // UTF-16 units per write

static_assert(STREAM_TEXT_BYTES % 4096 == 0);
static_assert(RULER_TEXT_MAX + DECLARATION_UTF8_MAX + LAST_LINES_MAX <= STREAM_TEXT_BLOCK);

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

struct Utf8Writer {
    // count bytes of UTF-8; false when the write failed.
    bool (*write)(void *context, const char *text, size_t count);
    void *context;
};

// Converts everything the reader delivers, into UTF-16 or UTF-8 by the writer given: Done,
// EmptySource, ReadFailed or WriteFailed. The first write comes only after the first block of
// text is full or the source has ended, so an empty source writes nothing at all. Uses static
// blocks: not re-entrant, which the single user-interface thread and the command-line converter
// never need.
Outcome stream_source_text(ExportFormat format, const Label &label, SourceReader reader, TextWriter writer);
Outcome stream_source_text(ExportFormat format, const Label &label, SourceReader reader, Utf8Writer writer);

// A build style's text in UTF-8, on the same blocks. A C header's text comes once the source has
// been read to its end. An empty source has a text too: the declaring styles' holds one NUL byte
// and a length of 0, the bare forms' is empty.
Outcome stream_style_text(const StyleForm &form, SourceReader reader, Utf8Writer writer);
