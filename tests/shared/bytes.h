// Byte strings for the tests of every kind: made up (counting, random), encoded as the export
// writes its text, and compared, as texts are. Portable: no windows.h here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <type_traits>
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

// Empty when two byte strings or texts are equal; otherwise their sizes, where they first differ
// and a little of each around it, for failure messages that would drown in megabytes.
template <class Sequence> std::string first_difference(const Sequence &a, const Sequence &b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        i++;
    if (i == a.size() && i == b.size())
        return "";
    auto around = [i](const Sequence &s) {
        std::string out;
        for (size_t j = i < 20 ? 0 : i - 20; j < s.size() && j < i + 20; j++) {
            auto c = unsigned(std::make_unsigned_t<typename Sequence::value_type>(s[j]));
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\x{%X}", c);
            out += c >= 0x20 && c < 0x7F ? std::string(1, char(c)) : c == '\r' ? "\\r" : c == '\n' ? "\\n" : escaped;
        }
        return out;
    };
    return "sizes " + std::to_string(a.size()) + "/" + std::to_string(b.size()) + ", first difference at " +
           std::to_string(i) + ": \"" + around(a) + "\" <> \"" + around(b) + "\"";
}
