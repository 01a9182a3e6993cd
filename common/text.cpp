#include "common/text.h"

#include "common/digits.h"

size_t text_length(const char16_t *s, size_t capacity)
{
    size_t n = 0;
    while (n < capacity && s[n] != 0)
        n++;
    return n;
}

bool text_copy(char16_t *dst, size_t capacity, const char16_t *src)
{
    if (capacity == 0)
        return false;
    size_t n = text_length(src, capacity);
    if (n == capacity)
        return false;
    for (size_t i = 0; i < n; i++)
        dst[i] = src[i];
    dst[n] = 0;
    return true;
}

TextBuilder text_builder(char16_t *buffer, size_t capacity)
{
    if (capacity > 0)
        buffer[0] = 0;
    return TextBuilder{buffer, capacity, 0, false};
}

void text_append(TextBuilder &t, const char16_t *s, size_t count)
{
    if (t.capacity == 0) {
        t.cut = t.cut || count > 0;
        return;
    }
    size_t room = t.capacity - 1 - t.length;
    if (count > room) {
        count = room;
        t.cut = true;
    }
    for (size_t i = 0; i < count; i++)
        t.data[t.length + i] = s[i];
    t.length += count;
    t.data[t.length] = 0;
}

void text_append(TextBuilder &t, const char16_t *s) { text_append(t, s, length_of(s)); }

void text_append_unsigned(TextBuilder &t, uint64_t value)
{
    char16_t digits[DECIMAL_DIGITS_MAX];
    text_append(t, digits, decimal_digits(value, digits));
}

void text_append_signed(TextBuilder &t, int64_t value)
{
    if (value < 0) {
        text_append(t, u"-", 1);
        // Negate in unsigned arithmetic so that INT64_MIN stays defined.
        text_append_unsigned(t, 0 - uint64_t(value));
    } else {
        text_append_unsigned(t, uint64_t(value));
    }
}

void text_append_hex(TextBuilder &t, uint64_t value, int min_digits)
{
    char16_t digits[16];
    size_t n = 16;
    do {
        digits[--n] = char16_t(HEX_DIGITS[value & 0xF]);
        value >>= 4;
    } while (value != 0 || (int(16 - n) < min_digits && n > 0));
    text_append(t, digits + n, 16 - n);
}
