// The exported text built piece by piece, straight from the builders that the stream uses (the
// ruler, the declaration, one line at a time from the scalar line writer, the last lines), as a
// writer that wrote every piece at once would: for the unit tests of the builders and of the
// stream that must give the same text. Portable: no windows.h here.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "export/source_text.h"

inline const char *name(ExportFormat format)
{
    return format == ExportFormat::C     ? "C"
         : format == ExportFormat::Asm   ? "Asm"
         : format == ExportFormat::Basic ? "Basic"
                                         : "?";
}

// Each piece is built into a buffer prefilled with a sentinel, so a unit written past the
// returned length shows.
inline constexpr char16_t SENTINEL = u'#';

// Source bytes a chunk: the text is grouped by four lines, so that a test can point at a place in
// a long text.
inline constexpr size_t CHUNK_BYTES = 4 * LINE_CELLS;

struct Pieces {
    std::u16string ruler, declaration;
    std::vector<std::u16string> chunks; // the lines of each CHUNK_BYTES of the source
    std::u16string whole() const
    {
        std::u16string text = ruler + declaration;
        for (const auto &c : chunks)
            text += c;
        return text;
    }
};

// Units of the last line of `count` bytes after its start: the cells, the last without its comma,
// the line end, and in C and Basic the closing line TAB "}" CR LF.
inline size_t last_lines_length(ExportFormat format, size_t count)
{
    return count * cell_length(format) - 1 + 2 + (format == ExportFormat::Asm ? 0 : 4);
}

// The whole file built line by line, grouped into chunks of four lines.
inline Pieces build(ExportFormat format, const std::u16string &label_text, const std::vector<uint8_t> &bytes)
{
    Label label = label_from(label_text.c_str());
    Pieces pieces;
    char16_t buffer[4 * (LINE_START_MAX + line_body_length(ExportFormat::C)) + LAST_LINES_MAX + 8];
    auto take = [&](size_t n, size_t predicted, const char *what) {
        EXPECT_EQ(n, predicted) << what << " length, " << name(format);
        EXPECT_EQ(buffer[n], SENTINEL) << what << " wrote past its length, " << name(format);
        return std::u16string(buffer, n);
    };
    std::fill(std::begin(buffer), std::end(buffer), SENTINEL);
    pieces.ruler = take(ruler_text(format, label, buffer), ruler_length(format, label.length), "ruler");
    std::fill(std::begin(buffer), std::end(buffer), SENTINEL);
    pieces.declaration =
        take(declaration_text(format, label, buffer), declaration_length(format, label.length), "declaration");
    const LineStart<char16_t> start = line_start<char16_t>(format, label);
    for (size_t at = 0; at < bytes.size(); at += CHUNK_BYTES) {
        size_t n = std::min(CHUNK_BYTES, bytes.size() - at);
        std::u16string chunk;
        for (size_t first = at; first < at + n; first += LINE_CELLS) {
            size_t count = std::min(LINE_CELLS, bytes.size() - first);
            // The file's first assembler line goes on from the declaration "label DB ".
            LineStart<char16_t> this_start = format == ExportFormat::Asm && first == 0 ? LineStart<char16_t>{} : start;
            std::fill(std::begin(buffer), std::end(buffer), SENTINEL);
            if (first + count == bytes.size()) {
                size_t length = size_t(last_lines(format, this_start, bytes.data() + first, count, buffer) - buffer);
                EXPECT_LE(length, LAST_LINES_MAX);
                chunk += take(length, this_start.length + last_lines_length(format, count), "last lines");
            } else {
                size_t length = size_t(scalar_lines(format, this_start, bytes.data() + first, 1, buffer) - buffer);
                chunk += take(length, this_start.length + line_body_length(format), "line");
            }
        }
        pieces.chunks.push_back(chunk);
    }
    return pieces;
}
