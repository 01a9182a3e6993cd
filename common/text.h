// Fixed-capacity UTF-16 strings: copies and appends that never run past the capacity, and
// the number formats the messages and the status bar need. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t PATH_CAPACITY = 260; // 259 characters and the terminator (MAX_PATH)

// Length of a terminated string of either kind of unit.
template <class Unit> constexpr size_t length_of(const Unit *s)
{
    size_t n = 0;
    while (s[n] != 0)
        n++;
    return n;
}

// Length of a terminated string, looking at no more than capacity units.
size_t text_length(const char16_t *s, size_t capacity);

// Copies src into dst (capacity units, terminator included). Returns false, with dst unchanged,
// when src does not fit: a cut path would name another file.
bool text_copy(char16_t *dst, size_t capacity, const char16_t *src);

template <size_t N> bool text_copy(char16_t (&dst)[N], const char16_t *src) { return text_copy(dst, N, src); }

// A string being built in a caller's buffer. Appends past the capacity are cut at the last
// unit that fits and mark the text as cut; the buffer always stays terminated.
struct TextBuilder {
    char16_t *data;
    size_t capacity;
    size_t length;
    bool cut;
};

TextBuilder text_builder(char16_t *buffer, size_t capacity);
template <size_t N> TextBuilder text_builder(char16_t (&buffer)[N]) { return text_builder(buffer, N); }
void text_append(TextBuilder &t, const char16_t *s);
void text_append(TextBuilder &t, const char16_t *s, size_t count);
void text_append_unsigned(TextBuilder &t, uint64_t value);
void text_append_signed(TextBuilder &t, int64_t value);
// Upper-case hexadecimal with at least min_digits digits.
void text_append_hex(TextBuilder &t, uint64_t value, int min_digits);
