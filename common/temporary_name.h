// The name of the temporary file that a text is written into before it takes its destination's
// name, the same in both programs and on both systems. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

// The destination's name, the mark, a token of 8 lower-case hexadecimal digits and the end, in
// the destination's own folder: font_rom.c.bin2src-1f3a9c0d.part.
constexpr char TEMPORARY_MARK[] = ".bin2src-";
constexpr char TEMPORARY_END[] = ".part";
constexpr size_t TEMPORARY_TOKEN_DIGITS = 8;
constexpr size_t TEMPORARY_ADDED = sizeof TEMPORARY_MARK - 1 + TEMPORARY_TOKEN_DIGITS + sizeof TEMPORARY_END - 1;

// The longest name a folder entry takes: 255 bytes on Linux's file systems, 255 UTF-16 units on
// Windows' (a path's units as each system counts them).
constexpr size_t FILE_NAME_MAX = 255;

// Writes the temporary file's path for the destination's path (length units) at out, which holds
// capacity units with the terminator, and returns its length, or 0 when it does not fit. The
// destination's name is cut first where the temporary's would pass FILE_NAME_MAX, never inside a
// UTF-8 character or a surrogate pair. A UTF-8 path is a POSIX one, whose name follows the last
// '/'; a UTF-16 path a Windows one, whose name follows the last '\' or '/'.
template <class Unit>
size_t temporary_name(const Unit *destination, size_t length, uint32_t token, Unit *out, size_t capacity);

// A token for each try, from the process, a fine clock and the try, mixed so that every bit of
// each shows in the digits.
uint32_t temporary_token(uint64_t process, uint64_t clock, uint32_t attempt);
