// UTF-16 text to UTF-8 and back: the data name in the exported UTF-8 text, the converter's
// command line and the segment text it prints. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

// A UTF-16 unit becomes at most 3 bytes (a surrogate pair, 2 units, becomes 4).
constexpr size_t UTF8_PER_UNIT_MAX = 3;

// Writes the UTF-8 form of count units at out, which holds count × UTF8_PER_UNIT_MAX bytes,
// and returns its length. The exported text is ASCII but for the data name, so runs of ASCII
// are narrowed in bulk. An unpaired surrogate becomes U+FFFD.
size_t utf16_to_utf8(const char16_t *in, size_t count, char *out);

// Decodes the terminated UTF-8 text into UTF-16 at out, writing no more than capacity units
// (a pair is not split). Returns the number of units of the whole text, also when they did not
// all fit, or -1 when the text is not valid UTF-8.
int64_t utf8_to_utf16(const char *in, char16_t *out, size_t capacity);
