// The Win32 side of the portable strings: UTF-16 in portable code is char16_t, which is the
// same 16-bit unit as wchar_t here.
#pragma once

#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");

inline const wchar_t *wide(const char16_t *s) { return reinterpret_cast<const wchar_t *>(s); }
inline wchar_t *wide(char16_t *s) { return reinterpret_cast<wchar_t *>(s); }
inline const char16_t *utf16(const wchar_t *s) { return reinterpret_cast<const char16_t *>(s); }
inline char16_t *utf16(wchar_t *s) { return reinterpret_cast<char16_t *>(s); }
