// The exported text built piece by piece, straight from the builders, as a writer that wrote
// every piece at once would: for the unit tests of the builders and of the stream that must
// give the same text. Portable: no windows.h here.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "export/source_text.h"

inline const char *name(ViewMode format)
{
    return format == ViewMode::C ? "C" : format == ViewMode::Asm ? "Asm" : format == ViewMode::Basic ? "Basic" : "?";
}

// Each piece is built into a buffer prefilled with a sentinel, so a unit written past the
// returned length shows.
inline constexpr char16_t SENTINEL = u'#';

struct Pieces {
    std::u16string ruler, declaration;
    std::vector<std::u16string> chunks;
    std::u16string whole() const
    {
        std::u16string text = ruler + declaration;
        for (const auto &c : chunks)
            text += c;
        return text;
    }
};

// The whole file built chunk by chunk, as a driver that writes every piece at once would.
inline Pieces build(ViewMode format, const std::u16string &label_text, const std::vector<uint8_t> &bytes)
{
    Label label = label_from(label_text.c_str());
    Pieces pieces;
    char16_t buffer[CHUNK_TEXT_MAX + 8];
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
    for (size_t at = 0, k = 0; at < bytes.size(); at += CHUNK_SIZE, k++) {
        size_t n = std::min(CHUNK_SIZE, bytes.size() - at);
        bool is_last = at + n == bytes.size();
        std::fill(std::begin(buffer), std::end(buffer), SENTINEL);
        size_t length = chunk_text(format, label, bytes.data() + at, n, k, is_last, buffer);
        EXPECT_LE(length, CHUNK_TEXT_MAX);
        pieces.chunks.push_back(take(length, chunk_length(format, label.length, n, k, is_last), "chunk"));
    }
    return pieces;
}
