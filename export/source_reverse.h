// The way back: source text that bin2src or the window wrote, read into the bytes it holds. It
// takes the window's three formats, the build styles and the texts xxd -i and xxd -p write, in
// UTF-16LE or UTF-8, with or without a byte-order mark, with CR LF or LF line ends, and nothing
// else: any other text is an error that names its line and column. An empty text holds no bytes.
// The texts that hold no bytes, a C header's declaration and those that name the file their bytes
// come from (.incbin, #embed), are refused with what they are. Streamed in constant memory,
// static blocks, no heap. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/source_stream.h"
#include "export/source_style.h"

struct ByteWriter {
    // count bytes; false when the write failed.
    bool (*write)(void *context, const uint8_t *bytes, size_t count);
    void *context;
};

// Where the text went wrong: line and column from 1, the column in characters, and what was
// expected there, or the path of the file that the text takes its bytes from.
struct ReverseError {
    uint64_t line;
    uint64_t column;
    char what[SOURCE_PATH_MAX + 160];
};

// The bytes are written in blocks as they are read: Done, Malformed (see the error), ReadFailed or
// WriteFailed. On any failure the writer may have had part of them, which the caller throws away.
// Uses static blocks: not re-entrant.
Outcome reverse_source_text(SourceReader text, ByteWriter writer, ReverseError &error);
