#include "common/temporary_name.h"

#include "common/digits.h"

namespace {

bool is_separator(char c) { return c == '/'; }
bool is_separator(char16_t c) { return c == u'/' || c == u'\\'; }

// Whether a name cut in front of unit c splits a character: c continues a UTF-8 sequence, or
// is the second half of a surrogate pair.
bool continues(char c) { return (uint8_t(c) & 0xC0) == 0x80; }
bool continues(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

} // namespace

template <class Unit>
size_t temporary_name(const Unit *destination, size_t length, uint32_t token, Unit *out, size_t capacity)
{
    size_t folder = length;
    while (folder > 0 && !is_separator(destination[folder - 1]))
        folder--;
    size_t name = length - folder;
    if (name + TEMPORARY_ADDED > FILE_NAME_MAX) {
        name = FILE_NAME_MAX - TEMPORARY_ADDED;
        while (name > 0 && continues(destination[folder + name]))
            name--;
    }
    size_t total = folder + name + TEMPORARY_ADDED;
    if (total + 1 > capacity)
        return 0;
    size_t at = 0;
    for (size_t i = 0; i < folder + name; i++)
        out[at++] = destination[i];
    for (const char *p = TEMPORARY_MARK; *p; p++)
        out[at++] = Unit(*p);
    for (int shift = int(4 * (TEMPORARY_TOKEN_DIGITS - 1)); shift >= 0; shift -= 4)
        out[at++] = Unit(hex_digit(token >> shift & 0xF, true));
    for (const char *p = TEMPORARY_END; *p; p++)
        out[at++] = Unit(*p);
    out[at] = 0;
    return at;
}

template size_t temporary_name(const char *, size_t, uint32_t, char *, size_t);
template size_t temporary_name(const char16_t *, size_t, uint32_t, char16_t *, size_t);

uint32_t temporary_token(uint64_t process, uint64_t clock, uint32_t attempt)
{
    uint64_t x = process << 32 ^ clock ^ uint64_t(attempt) * 0x9E3779B97F4A7C15ull;
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ull;
    x ^= x >> 33;
    return uint32_t(x);
}
