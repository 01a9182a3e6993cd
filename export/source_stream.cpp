#include "export/source_stream.h"

#include <cstring>
#include <type_traits>

#include "export/line_kernel.h"

namespace {

// Read blocks land after the bytes held back from the block before (at most one line). Every
// write but the last is one whole text block, so that each starts at a multiple of the block in
// the file: the system copies whole aligned pages. The line that crosses the block's end goes on
// into the room after it, with the excess of the kernel's whole-vector stores, and moves to the
// block's start once the block is written. Only the block of the encoding in use is ever
// touched, so the other costs no memory.
constexpr size_t TEXT_SPILL = LAST_LINES_MAX + LINE_KERNEL_SLACK;
uint8_t source_block[LINE_CELLS + STREAM_READ_BLOCK];
alignas(4096) char16_t utf16_block[STREAM_TEXT_BLOCK + TEXT_SPILL];
alignas(4096) char utf8_block[STREAM_TEXT_BYTES + TEXT_SPILL];

// Writes the block while it is full; false when the writer failed.
template <class Unit, class Writer> bool write_full(Writer writer, Unit *block, size_t &used)
{
    constexpr size_t capacity = STREAM_TEXT_BYTES / sizeof(Unit);
    for (; used >= capacity; used -= capacity) {
        if (!writer.write(writer.context, block, capacity))
            return false;
        std::memmove(block, block + capacity, (used - capacity) * sizeof(Unit));
    }
    return true;
}

template <class Unit, class Writer>
StreamResult stream(ViewMode format, const Label &label, SourceReader reader, Writer writer, Unit *block)
{
    constexpr size_t capacity = STREAM_TEXT_BYTES / sizeof(Unit);
    LineKernel<Unit> kernel;
    if constexpr (std::is_same_v<Unit, char>)
        kernel = line_kernels.utf8;
    else
        kernel = line_kernels.utf16;

    size_t used = ruler_text(format, label, block);
    used += declaration_text(format, label, block + used);
    // The file's first assembler line goes on from the declaration "label DB ".
    const LineStart<Unit> start = line_start<Unit>(format, label), none{};
    const LineStart<Unit> &first_start = format == ViewMode::Asm ? none : start;
    const size_t line_length = start.length + line_body_length(format);

    // A line is written only once a byte after it has been seen or the source has ended, so
    // that it knows whether it is the last. Reads may deliver any count, so the bytes are cut
    // into lines at multiples of 16 from the source's start, not from each read's start.
    size_t held = 0;
    bool first_line = true;
    for (;;) {
        int64_t got = reader.read(reader.context, source_block + held, STREAM_READ_BLOCK);
        if (got < 0)
            return StreamResult::ReadFailed;
        if (got == 0)
            break;
        size_t total = held + size_t(got);
        size_t at = 0;
        if (first_line && total > LINE_CELLS) {
            used = size_t(kernel(format, first_start, source_block, 1, block + used) - block);
            at = LINE_CELLS;
            first_line = false;
        }
        while (total - at > LINE_CELLS) {
            // As many lines as begin inside the block; the last may end past it.
            size_t lines = (total - at - 1) / LINE_CELLS, room = (capacity - used + line_length - 1) / line_length;
            if (lines > room)
                lines = room;
            used = size_t(kernel(format, start, source_block + at, lines, block + used) - block);
            at += lines * LINE_CELLS;
            if (!write_full(writer, block, used))
                return StreamResult::WriteFailed;
        }
        held = total - at; // 1 to 16 bytes
        std::memmove(source_block, source_block + at, held);
    }
    if (held == 0)
        return StreamResult::EmptySource;
    used = size_t(last_lines(format, first_line ? first_start : start, source_block, held, block + used) - block);
    if (!write_full(writer, block, used) || (used > 0 && !writer.write(writer.context, block, used)))
        return StreamResult::WriteFailed;
    return StreamResult::Written;
}

} // namespace

StreamResult stream_source_text(ViewMode format, const Label &label, SourceReader reader, TextWriter writer)
{
    return stream(format, label, reader, writer, utf16_block);
}

StreamResult stream_source_text(ViewMode format, const Label &label, SourceReader reader, Utf8Writer writer)
{
    return stream(format, label, reader, writer, utf8_block);
}
