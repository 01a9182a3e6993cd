#include "common/utf8.h"

namespace {

// Units looked at together: a block whose units are all below 0x80 is narrowed as one, in a
// loop of fixed length that the compiler turns into vector instructions.
constexpr size_t BULK = 32;

char *put_unit(char *p, char32_t c)
{
    if (c < 0x80) {
        *p++ = char(c);
    } else if (c < 0x800) {
        *p++ = char(0xC0 | c >> 6);
        *p++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *p++ = char(0xE0 | c >> 12);
        *p++ = char(0x80 | (c >> 6 & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    } else {
        *p++ = char(0xF0 | c >> 18);
        *p++ = char(0x80 | (c >> 12 & 0x3F));
        *p++ = char(0x80 | (c >> 6 & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    }
    return p;
}

bool is_high(char16_t u) { return u >= 0xD800 && u < 0xDC00; }
bool is_low(char16_t u) { return u >= 0xDC00 && u < 0xE000; }

} // namespace

size_t utf16_to_utf8(const char16_t *in, size_t count, char *out)
{
    char *p = out;
    size_t i = 0;
    while (i < count) {
        if (count - i >= BULK) {
            char16_t any = 0;
            for (size_t j = 0; j < BULK; j++)
                any |= in[i + j];
            if (any < 0x80) {
                for (size_t j = 0; j < BULK; j++)
                    p[j] = char(in[i + j]);
                i += BULK;
                p += BULK;
                continue;
            }
        }
        // A block with other characters, or the tail: one unit at a time, the whole block, so
        // that the bulk test is not repeated for every unit of it.
        size_t end = count - i < BULK ? count : i + BULK;
        while (i < end) {
            char16_t u = in[i++];
            if (is_high(u) && i < count && is_low(in[i]))
                p = put_unit(p, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(in[i++]) - 0xDC00));
            else if (is_high(u) || is_low(u))
                p = put_unit(p, 0xFFFD);
            else
                p = put_unit(p, u);
        }
    }
    return size_t(p - out);
}

int64_t utf8_to_utf16(const char *in, char16_t *out, size_t capacity)
{
    const auto *s = reinterpret_cast<const unsigned char *>(in);
    size_t n = 0;
    while (*s) {
        char32_t c;
        int more;
        char32_t least; // the smallest value of a sequence this long: shorter forms are refused
        if (*s < 0x80)
            c = *s, more = 0, least = 0;
        else if ((*s & 0xE0) == 0xC0)
            c = *s & 0x1F, more = 1, least = 0x80;
        else if ((*s & 0xF0) == 0xE0)
            c = *s & 0x0F, more = 2, least = 0x800;
        else if ((*s & 0xF8) == 0xF0)
            c = *s & 0x07, more = 3, least = 0x10000;
        else
            return -1;
        s++;
        for (int k = 0; k < more; k++, s++) {
            if ((*s & 0xC0) != 0x80)
                return -1;
            c = c << 6 | (*s & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
            return -1;
        // Units past the capacity are counted, not written.
        if (c >= 0x10000) {
            if (n + 2 <= capacity) {
                out[n] = char16_t(0xD800 + ((c - 0x10000) >> 10));
                out[n + 1] = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
            }
            n += 2;
        } else {
            if (n + 1 <= capacity)
                out[n] = char16_t(c);
            n += 1;
        }
    }
    return int64_t(n);
}
