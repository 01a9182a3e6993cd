// The digits of every number the program writes: the view's addresses and cells, the exported
// text, the status bar, the messages and bin2src's texts. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

// 0 to 9, then upper-case A to F: 0x30 + v below ten, 0x37 + v from ten.
constexpr char hex_digit(unsigned v) { return char(v < 10 ? 0x30 + v : 0x37 + v); }

// Lower-case digits: every digit with bit 5 set, which "0" to "9" have already.
constexpr char hex_digit(unsigned v, bool lower) { return char(hex_digit(v) | (lower ? 0x20 : 0)); }

static_assert(hex_digit(9) == '9' && hex_digit(10) == 'A' && hex_digit(15, true) == 'f');

// The same digits as a table, for loops that take one a digit, and for vector shuffles.
alignas(16) inline constexpr char HEX_DIGITS[16] = {
    hex_digit(0), hex_digit(1), hex_digit(2),  hex_digit(3),  hex_digit(4),  hex_digit(5),  hex_digit(6),  hex_digit(7),
    hex_digit(8), hex_digit(9), hex_digit(10), hex_digit(11), hex_digit(12), hex_digit(13), hex_digit(14), hex_digit(15)};

// 18,446,744,073,709,551,615, the largest 64-bit number, has 20.
constexpr size_t DECIMAL_DIGITS_MAX = 20;

// The decimal digits of value, without leading zeros, at out (room for DECIMAL_DIGITS_MAX
// units of either kind); returns their count.
template <class Unit> size_t decimal_digits(uint64_t value, Unit *out)
{
    Unit reversed[DECIMAL_DIGITS_MAX];
    size_t n = 0;
    do {
        reversed[n++] = Unit('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (size_t i = 0; i < n; i++)
        out[i] = reversed[n - 1 - i];
    return n;
}
