// Text back to bytes: every form the converter writes, in every encoding and line end a text
// may arrive in, gives back its bytes; anything else names its line and column.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "export/line_kernel.h"
#include "export/source_reverse.h"
#include "tests/shared/bytes.h"

namespace {

// Bytes in memory, delivered in reads of random sizes so that lines, pairs and units are cut
// anywhere.
struct Pieces {
    const std::vector<uint8_t> *bytes;
    size_t at;
    std::mt19937 *random;
    size_t most;
};

int64_t read_pieces(void *context, uint8_t *into, size_t capacity)
{
    auto &s = *static_cast<Pieces *>(context);
    size_t n = std::min({capacity, 1 + (*s.random)() % s.most, s.bytes->size() - s.at});
    std::copy_n(s.bytes->begin() + ptrdiff_t(s.at), n, into);
    s.at += n;
    return int64_t(n);
}

bool keep_utf8(void *context, const char *text, size_t count)
{
    static_cast<std::string *>(context)->append(text, count);
    return true;
}

bool keep_utf16(void *context, const char16_t *text, size_t count)
{
    static_cast<std::u16string *>(context)->append(text, count);
    return true;
}

bool keep_bytes(void *context, const uint8_t *bytes, size_t count)
{
    auto &out = *static_cast<std::vector<uint8_t> *>(context);
    out.insert(out.end(), bytes, bytes + count);
    return true;
}

ReverseResult reverse(const std::vector<uint8_t> &text, std::vector<uint8_t> &bytes, ReverseError &error,
                      std::mt19937 &random, size_t most = 1 << 20)
{
    Pieces pieces{&text, 0, &random, most};
    return reverse_source_text(SourceReader{read_pieces, &pieces}, ByteWriter{keep_bytes, &bytes}, error);
}

std::u16string widen(const std::string &ascii_or_utf8)
{
    std::u16string units;
    for (size_t i = 0; i < ascii_or_utf8.size();) {
        // The texts here are ASCII but for the window's data name, which has no pairs.
        auto c = uint8_t(ascii_or_utf8[i]);
        char32_t v = c < 0x80 ? c : c < 0xE0 ? c & 0x1F : c & 0x0F;
        size_t more = c < 0x80 ? 0 : c < 0xE0 ? 1 : 2;
        for (size_t k = 1; k <= more; k++)
            v = v << 6 | (uint8_t(ascii_or_utf8[i + k]) & 0x3F);
        units.push_back(char16_t(v));
        i += more + 1;
    }
    return units;
}

std::string narrow(const std::u16string &units)
{
    std::string s;
    for (char16_t u : units) {
        if (u < 0x80) {
            s.push_back(char(u));
        } else if (u < 0x800) {
            s.push_back(char(0xC0 | u >> 6));
            s.push_back(char(0x80 | (u & 0x3F)));
        } else {
            s.push_back(char(0xE0 | u >> 12));
            s.push_back(char(0x80 | (u >> 6 & 0x3F)));
            s.push_back(char(0x80 | (u & 0x3F)));
        }
    }
    return s;
}

// LF for CR LF, or CR LF for LF.
std::u16string other_line_ends(const std::u16string &text)
{
    std::u16string out;
    bool crlf = text.find(u"\r\n") != std::u16string::npos;
    for (char16_t u : text) {
        if (crlf && u == u'\r')
            continue;
        if (!crlf && u == u'\n')
            out.push_back(u'\r');
        out.push_back(u);
    }
    return out;
}

struct Form {
    Style style;     // Window: the format and encoding below
    ViewMode format;
    bool utf8;
};

constexpr Form FORMS[] = {
    {Style::Window, ViewMode::C, false},   {Style::Window, ViewMode::Asm, false}, {Style::Window, ViewMode::Basic, false},
    {Style::Window, ViewMode::C, true},    {Style::Window, ViewMode::Asm, true},  {Style::Window, ViewMode::Basic, true},
    {Style::C, ViewMode::C, true},         {Style::CSource, ViewMode::C, true},   {Style::Gas, ViewMode::C, true},
    {Style::Nasm, ViewMode::C, true},
};

// The form's text of the bytes, as the converter writes it, in its own encoding's units.
std::u16string text_of(const Form &form, const std::u16string &label, const std::vector<uint8_t> &bytes,
                       std::mt19937 &random, StreamResult &result)
{
    std::mt19937 unused;
    Pieces pieces{&bytes, 0, &unused, STREAM_READ_BLOCK};
    SourceReader reader{read_pieces, &pieces};
    std::string utf8;
    std::u16string utf16;
    if (form.style != Style::Window) {
        StyleForm style{form.style, "data_1", 6, random() % 2 == 0, random() % 3 == 0 ? 1 + random() % COLUMNS_MAX : 16};
        result = stream_style_text(style, reader, Utf8Writer{keep_utf8, &utf8});
        return widen(utf8);
    }
    if (form.utf8) {
        result = stream_source_text(form.format, label_from(label.c_str()), reader, Utf8Writer{keep_utf8, &utf8});
        return widen(utf8);
    }
    result = stream_source_text(form.format, label_from(label.c_str()), reader, TextWriter{keep_utf16, &utf16});
    return utf16;
}

TEST(Reverse, EveryFormStyleEncodingAndLineEndGivesBackItsBytes)
{
    // Random sizes from 0 to a few lines past 64 KiB, and one past the output block; each text
    // in UTF-8 or UTF-16LE, with a byte-order mark or not, with its line ends or the others, read
    // in pieces of random sizes; on every instruction set the reader has.
    std::mt19937 random(15);
    LineKernels chosen = line_kernels;
    const std::u16string labels[] = {u"exe_dt", u"", u"ﾃﾞｰﾀ", u"abcdefghijklmno"};
    for (InstructionSet set : INSTRUCTION_SETS) {
        if (!instruction_set_available(set))
            continue;
        line_kernels = line_kernels_for(set);
        for (const Form &form : FORMS) {
            for (int round = 0; round < 4; round++) {
                size_t size = round == 3 && &form == FORMS ? 600 * 1024 + 5 : random() % (65536 + 4 * 64 + 1);
                std::vector<uint8_t> bytes = random_bytes(random, size);
                const std::u16string &label = labels[random() % 4];
                StreamResult written;
                std::u16string text = text_of(form, label, bytes, random, written);
                if (size == 0) {
                    EXPECT_EQ(written, StreamResult::EmptySource);
                    continue;
                }
                ASSERT_EQ(written, StreamResult::Written);
                if (random() % 2)
                    text = other_line_ends(text);
                bool utf16 = random() % 2, mark = random() % 2;
                std::vector<uint8_t> encoded;
                if (utf16) {
                    encoded = utf16le(text);
                    if (mark)
                        encoded.insert(encoded.begin(), {0xFF, 0xFE});
                } else {
                    encoded = bytes_of((mark ? "\xEF\xBB\xBF" : "") + narrow(text));
                }
                std::vector<uint8_t> back;
                ReverseError error;
                ASSERT_EQ(reverse(encoded, back, error, random, 1 + random() % (1 << 18)), ReverseResult::Written)
                    << error.line << ":" << error.column << ": " << error.what << "; style " << int(form.style)
                    << ", format " << int(form.format) << ", " << size << " bytes, " << instruction_set_name(set);
                ASSERT_EQ(first_difference(back, bytes), "") << "style " << int(form.style) << ", format "
                                                             << int(form.format) << ", " << size << " bytes";
            }
        }
    }
    line_kernels = chosen;
}

TEST(Reverse, MalformedTextsNameTheirLineAndColumn)
{
    const std::string c_head = "#ifndef BIN2SRC_d_H\n#define BIN2SRC_d_H\nstatic const unsigned char d[] = {\n";
    const std::string ruler = "\t//0    1    2    3    4    5    6    7    8    9    A    B    C    D    E    F    \r\n";
    struct Case {
        const char *what;
        std::vector<uint8_t> text;
        uint64_t line, column;
        const char *says;
    } cases[] = {
        {"a truncated line", bytes_of(c_head + "\t0x00,0x1"), 4, 10, "the line ends inside a byte"},
        {"a bad digit", bytes_of(ruler + "BYTE exe_dt[]={\r\n\t0x00,0xG1\r\n\t}\r\n"), 3, 9,
         "a hexadecimal digit was expected"},
        {"a missing brace", bytes_of(c_head + "\t0x00,0x01\n"), 5, 1, "the text ends here; expected '};'"},
        {"a byte over FF", bytes_of("\t.section .rodata\n\t.globl d\nd:\n\t.byte 0x00,0x100\n"), 4, 17, "over FF"},
        {"an odd UTF-16 length", utf16le(u"exe_dt DB 00H\r\n       DB 01H"), 2, 14, "lone byte"},
        {"a name that changes", bytes_of("#ifndef BIN2SRC_d_H\n#define BIN2SRC_e_H\n"), 2, 17, "expected '#define BIN2SRC_d_H'"},
        {"a length that is not the count",
         bytes_of("\tsection .rodata\n\tglobal $d\n$d:\n\tdb 0x01\n\talign 8, db 0\n\tglobal $d_len\n$d_len:\n\tdq 2\n"), 8,
         5, "not the count"},
    };
    cases[4].text.push_back(0x20); // one byte of a unit
    std::mt19937 random(3);
    for (const Case &c : cases) {
        std::vector<uint8_t> back;
        ReverseError error;
        EXPECT_EQ(reverse(c.text, back, error, random, 7), ReverseResult::Malformed) << c.what;
        EXPECT_EQ(error.line, c.line) << c.what << ": " << error.what;
        EXPECT_EQ(error.column, c.column) << c.what << ": " << error.what;
        EXPECT_NE(std::string(error.what).find(c.says), std::string::npos) << c.what << ": " << error.what;
    }
}

} // namespace
