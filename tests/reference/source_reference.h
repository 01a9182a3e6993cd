// The exported text built straight from the format's rules, line by line over the whole file,
// without chunks or cell tables: the independent reference that the tests hold the writer to.
// Shared by the native unit tests and the Win32 tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline std::u16string reference_ascii(const char *s)
{
    std::u16string out;
    while (*s)
        out.push_back(char16_t(uint8_t(*s++)));
    return out;
}

// format: 1 C, 2 Asm, 3 Basic.
inline std::u16string reference_source_text(int format, const std::u16string &label, const std::vector<uint8_t> &bytes)
{
    std::u16string text;
    std::u16string indent(label.size(), u' ');
    // Ruler: the sixteen column digits, each followed by as many spaces as a cell has after it.
    if (format == 1)
        text += u"\t//";
    else if (format == 3)
        text += u"\t'";
    else
        text += indent + u"    ;";
    for (int digit = 0; digit < 16; digit++) {
        char d[2];
        snprintf(d, sizeof d, "%X", digit);
        text += reference_ascii(d) + std::u16string(format == 2 ? 3 : 4, u' ');
    }
    text += u"\r\n";
    // Declaration.
    if (format == 1)
        text += u"BYTE " + label + u"[]={\r\n";
    else if (format == 3)
        text += u"Dim " + label + u"() As Byte = {\r\n";
    else
        text += label + u" DB ";
    // Data lines of 16 bytes.
    const char *digits = "0123456789ABCDEF";
    text.reserve(text.size() + bytes.size() * 6 + bytes.size() / 16 * (label.size() + 7) + 8);
    size_t lines = (bytes.size() + 15) / 16;
    for (size_t line = 0; line < lines; line++) {
        bool last_line = line + 1 == lines;
        if (format == 2 && line > 0)
            text += indent + u" DB ";
        else if (format != 2)
            text += u'\t';
        for (size_t i = line * 16; i < bytes.size() && i < line * 16 + 16; i++) {
            if (i != line * 16)
                text += u',';
            if (format == 1)
                text += u"0x";
            else if (format == 3)
                text += u"&H";
            text += char16_t(digits[bytes[i] >> 4]);
            text += char16_t(digits[bytes[i] & 15]);
            if (format == 2)
                text += u'H';
        }
        if (format != 2 && !last_line)
            text += u',';
        text += u"\r\n";
    }
    if (format != 2 && !bytes.empty())
        text += u"\t}\r\n";
    return text;
}
