#include "export/source_stream.h"

#include <cstring>
#include <type_traits>

#include "export/line_kernel.h"

namespace {

// The form of a text for the stream: what stands before the data, the line kernel for full lines,
// and the last line with what follows it. The window's text, in either encoding.
template <class Unit> struct WindowForm {
    ExportFormat format;
    const Label &label;
    LineKernel<Unit> kernel;
    LineStart<Unit> start, first_start;

    size_t cells() const { return LINE_CELLS; }
    bool takes_empty() const { return false; } // the window refuses an empty source
    size_t line_length() const { return start.length + line_body_length(format); }
    size_t head(Unit *out) const
    {
        size_t n = ruler_text(format, label, out);
        return n + declaration_text(format, label, out + n);
    }
    Unit *lines(const LineStart<Unit> &s, const uint8_t *bytes, size_t n, Unit *out) const
    {
        return kernel(format, s, bytes, n, out);
    }
    Unit *last(const LineStart<Unit> &s, const uint8_t *bytes, size_t count, uint64_t, Unit *out) const
    {
        return last_lines(format, s, bytes, count, out);
    }
};

// A build style's text, in UTF-8: the line kernel for 16 bytes a line, the scalar cells for any
// other count and for plain hexadecimal.
struct StyleText {
    const StyleForm &form;
    StylePatterns patterns;
    ShapeKernel kernel;
    LineStart<char> start, first_start;

    size_t cells() const { return form.columns; }
    bool takes_empty() const { return true; }
    size_t line_length() const { return start.length + form.columns * STYLE_BYTE_MAX + 1; }
    size_t head(char *out) const { return expand_style_pattern(patterns.head, form, 0, out); }
    char *lines(const LineStart<char> &s, const uint8_t *bytes, size_t n, char *out) const
    {
        if (form.columns == LINE_CELLS && form.style != Style::CString && form.style != Style::Plain)
            return kernel(patterns.shape, form.lower, s, bytes, n, out);
        for (size_t i = 0; i < n; i++, bytes += form.columns)
            out = style_line(form, s, bytes, form.columns, false, out);
        return out;
    }
    // The last line (none for an empty source), with a terminator after the bytes when one is
    // asked for, and in the declaring styles when the source is empty; then the tail. A string
    // literal ends in a NUL of its own, which its length never counts: an empty one is "".
    char *last(const LineStart<char> &s, const uint8_t *bytes, size_t count, uint64_t total, char *out) const
    {
        bool own_nul = form.style == Style::CString;
        bool nul = !own_nul && (form.terminator != Terminator::None || (total == 0 && !is_bare_style(form.style)));
        uint8_t line[COLUMNS_MAX];
        if (nul && count == form.columns) {
            out = style_line(form, s, bytes, count, false, out);
            count = 0;
        }
        if (nul) {
            std::memcpy(line, bytes, count);
            line[count++] = 0;
            bytes = line;
        }
        if (count > 0 || own_nul)
            out = style_line(form, s, bytes, count, true, out);
        return out + expand_style_pattern(style_tail(form, total), form, declared_length(form, total), out);
    }
};

// Read blocks land after the bytes held back from the block before (at most one line). Every
// write but the last is one whole text block, so that each starts at a multiple of the block in
// the file: the system copies whole aligned pages. The line that crosses the block's end goes on
// into the room after it, with the excess of the kernel's whole-vector stores, and moves to the
// block's start once the block is written. Only the block of the encoding in use is ever
// touched, so the other costs no memory.
// A terminator may take a line of its own after the last full one.
constexpr size_t TEXT_SPILL = 2 * STYLE_LINE_MAX + STYLE_PIECE_MAX + LINE_KERNEL_SLACK;
static_assert(TEXT_SPILL >= LAST_LINES_MAX + LINE_KERNEL_SLACK);
uint8_t source_block[COLUMNS_MAX + STREAM_READ_BLOCK];
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

template <class Unit, class Form, class Writer>
Outcome stream(const Form &form, SourceReader reader, Writer writer, Unit *block)
{
    constexpr size_t capacity = STREAM_TEXT_BYTES / sizeof(Unit);
    size_t used = form.head(block);
    const size_t cells = form.cells(), line_length = form.line_length();

    // A line is written only once a byte after it has been seen or the source has ended, so
    // that it knows whether it is the last. Reads may deliver any count, so the bytes are cut
    // into lines at multiples of a line from the source's start, not from each read's start.
    size_t held = 0;
    uint64_t total = 0;
    bool first_line = true;
    for (;;) {
        int64_t got = reader.read(reader.context, source_block + held, STREAM_READ_BLOCK);
        if (got < 0)
            return Outcome::ReadFailed;
        if (got == 0)
            break;
        total += uint64_t(got);
        size_t all = held + size_t(got);
        size_t at = 0;
        if (first_line && all > cells) {
            used = size_t(form.lines(form.first_start, source_block, 1, block + used) - block);
            at = cells;
            first_line = false;
        }
        while (all - at > cells) {
            // As many lines as begin inside the block; the last may end past it.
            size_t lines = (all - at - 1) / cells, room = (capacity - used + line_length - 1) / line_length;
            if (lines > room)
                lines = room;
            used = size_t(form.lines(form.start, source_block + at, lines, block + used) - block);
            at += lines * cells;
            if (!write_full(writer, block, used))
                return Outcome::WriteFailed;
        }
        held = all - at; // 1 to a line's bytes
        std::memmove(source_block, source_block + at, held);
    }
    if (held == 0 && !form.takes_empty())
        return Outcome::EmptySource;
    used = size_t(form.last(first_line ? form.first_start : form.start, source_block, held, total, block + used) - block);
    if (!write_full(writer, block, used) || (used > 0 && !writer.write(writer.context, block, used)))
        return Outcome::WriteFailed;
    return Outcome::Done;
}

template <class Unit, class Writer>
Outcome stream_window(ExportFormat format, const Label &label, SourceReader reader, Writer writer, Unit *block)
{
    LineKernel<Unit> kernel;
    if constexpr (std::is_same_v<Unit, char>)
        kernel = line_kernels.utf8;
    else
        kernel = line_kernels.utf16;
    // The file's first assembler line goes on from the declaration "label DB ".
    const LineStart<Unit> start = line_start<Unit>(format, label);
    WindowForm<Unit> form{format, label, kernel, start, format == ExportFormat::Asm ? LineStart<Unit>{} : start};
    return stream(form, reader, writer, block);
}

// A C header holds no bytes, only their count, and an .incbin text only names its source: the
// source is read through, then the text is written at once.
Outcome count_into_text(const StyleForm &form, SourceReader reader, Utf8Writer writer)
{
    uint64_t total = 0;
    for (;;) {
        int64_t got = reader.read(reader.context, source_block, STREAM_READ_BLOCK);
        if (got < 0)
            return Outcome::ReadFailed;
        if (got == 0)
            break;
        total += uint64_t(got);
    }
    // A C header declares one byte more than its length when a terminator is not counted, or when
    // the source is empty: C has no array of no bytes.
    uint64_t length = declared_length(form, total);
    static_assert(STYLE_HEAD_MAX <= STREAM_TEXT_BYTES);
    size_t used = expand_style_pattern(style_templates(form.style).head, form, length, utf8_block);
    used += expand_style_pattern(style_tail(form, total), form, length, utf8_block + used);
    return writer.write(writer.context, utf8_block, used) ? Outcome::Done : Outcome::WriteFailed;
}

} // namespace

Outcome stream_source_text(ExportFormat format, const Label &label, SourceReader reader, TextWriter writer)
{
    return stream_window(format, label, reader, writer, utf16_block);
}

Outcome stream_source_text(ExportFormat format, const Label &label, SourceReader reader, Utf8Writer writer)
{
    return stream_window(format, label, reader, writer, utf8_block);
}

Outcome stream_style_text(const StyleForm &form, SourceReader reader, Utf8Writer writer)
{
    if (!has_data_lines(form.style))
        return count_into_text(form, reader, writer);
    StylePatterns patterns = style_templates(form.style);
    LineStart<char> start{};
    start.length = std::strlen(patterns.start);
    std::memcpy(start.units, patterns.start, start.length);
    StyleText text{form, patterns, line_kernels.shapes, start, start};
    return stream(text, reader, writer, utf8_block);
}
