// Byte strings for the tests of every kind: made up (counting, random), encoded as the export
// writes its text, and compared. Portable: no windows.h here.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// n bytes counting up from start, wrapping after FF.
inline std::vector<uint8_t> counting(size_t n, unsigned start = 0)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; i++)
        bytes[i] = uint8_t(start + i);
    return bytes;
}

// n bytes from the generator, one draw a byte.
inline std::vector<uint8_t> random_bytes(std::mt19937 &random, size_t n)
{
    std::vector<uint8_t> bytes(n);
    for (auto &b : bytes)
        b = uint8_t(random());
    return bytes;
}

// The same n bytes for the same seed, on every platform.
inline std::vector<uint8_t> random_bytes(size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    return random_bytes(random, n);
}

inline std::vector<uint8_t> bytes_of(const std::string &text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// UTF-16LE without a byte-order mark: the text as the export's file holds it.
inline std::vector<uint8_t> utf16le(const std::u16string &text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(uint8_t(unit & 0xFF));
        bytes.push_back(uint8_t(unit >> 8));
    }
    return bytes;
}

// Empty when the two are equal; otherwise their sizes and where they first differ, for failure
// messages that would drown in megabytes of bytes.
inline std::string first_difference(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        i++;
    if (i == a.size() && i == b.size())
        return "";
    return "sizes " + std::to_string(a.size()) + "/" + std::to_string(b.size()) + ", first difference at byte " +
           std::to_string(i);
}
