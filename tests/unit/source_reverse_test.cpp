// Text back to bytes: every form the converter writes, in every encoding and line end a text
// may arrive in, gives back its bytes; anything else names its line and column.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "export/line_kernel.h"
#include "export/source_reverse.h"
#include "tests/shared/bytes.h"
#include "tests/shared/kernel_choice.h"
#include "tests/shared/reverse_run.h"

void PrintTo(const ReverseRun &run, std::ostream *out)
{
    if (run.result == Outcome::Done)
        *out << run.bytes.size() << " bytes";
    else
        *out << "result " << int(run.result) << " at " << run.line << ":" << run.column << ": " << run.what;
}

namespace {

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
    ExportFormat format;
    bool utf8;
};

constexpr Form FORMS[] = {
    {Style::Window, ExportFormat::C, false},   {Style::Window, ExportFormat::Asm, false}, {Style::Window, ExportFormat::Basic, false},
    {Style::Window, ExportFormat::C, true},    {Style::Window, ExportFormat::Asm, true},  {Style::Window, ExportFormat::Basic, true},
    {Style::C, ExportFormat::C, true},         {Style::CSource, ExportFormat::C, true},   {Style::Gas, ExportFormat::C, true},
    {Style::Nasm, ExportFormat::C, true},      {Style::Values, ExportFormat::C, true},    {Style::Plain, ExportFormat::C, true},
    {Style::CString, ExportFormat::C, true},
};

// The texts that hold no bytes, and the path they name, as bin2src takes it and as the refusal
// shows it: its quote, backslash and non-ASCII letter unescaped, its control character not.
constexpr Style NO_BYTES[] = {Style::CHeader, Style::Incbin, Style::CIncbin, Style::CEmbed};
const std::string NAMED_PATH = "dir/d\xC3\xA9\"\\\x01.bin", SHOWN_PATH = "dir/d\xC3\xA9\"\\\\001.bin";
const std::string EMBED_PATH = "dir/d\xC3\xA9 #\\.bin"; // #embed's quotes take no escapes

// Sections and alignments that --section and --align take, the defaults among them.
const char *const SECTIONS[] = {"", ".rodata", ".rdata", ".data.rel.ro.x", "s$_9",
                                "a_section_name_of_sixty_three_characters_is_the_longest_taken_"};
constexpr size_t ALIGNMENTS[] = {0, 1, 16, 64, 8192};

// What xxd writes, from its output's rules: -i with the declaration and the length ('i'; -C
// capitalises the name) or its values alone, as from a pipe ('v'), and -p ('p'); -c bytes a line,
// -u upper-case digits.
std::string xxd_text(const std::vector<uint8_t> &bytes, char kind, size_t columns, bool capitals, bool upper)
{
    const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string name = capitals ? "DATA_BIN" : "data_bin", text;
    if (kind == 'i')
        text = "unsigned char " + name + "[] = {\n";
    for (size_t i = 0; i < bytes.size(); i++) {
        bool first = i % columns == 0, last = i + 1 == bytes.size();
        if (kind != 'p') {
            text += first ? "  " : " ";
            text += upper ? "0X" : "0x";
        }
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
        if (kind != 'p' && !last)
            text += ",";
        if (last || i % columns == columns - 1)
            text += "\n";
    }
    if (kind == 'i')
        text += "};\nunsigned int " + name + (capitals ? "_LEN" : "_len") + " = " + std::to_string(bytes.size()) + ";\n";
    return text;
}

// The form's text of the bytes, as the converter writes it, in its own encoding's units.
std::u16string text_of(const Form &form, const std::u16string &label, const std::vector<uint8_t> &bytes,
                       std::mt19937 &random, Outcome &result)
{
    CutReader whole{bytes.data(), bytes.size(), 0, {WHOLE, 0}};
    SourceReader reader{read_cut, &whole};
    std::string utf8;
    std::u16string utf16;
    if (form.style != Style::Window) {
        StyleForm style{form.style, "data_1", 6, random() % 2 == 0, random() % 3 == 0 ? 1 + random() % COLUMNS_MAX : 16};
        const std::string &path = form.style == Style::CEmbed ? EMBED_PATH : NAMED_PATH;
        style.path = path.c_str();
        style.path_length = path.size();
        if (is_placed(form.style)) {
            const char *section = SECTIONS[random() % std::size(SECTIONS)];
            style.section_length = std::strlen(section);
            std::memcpy(style.section, section, style.section_length + 1);
            style.alignment = ALIGNMENTS[random() % std::size(ALIGNMENTS)];
        }
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
    KernelChoice restore;
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
                Outcome written;
                std::u16string text = text_of(form, label, bytes, random, written);
                if (size == 0 && form.style == Style::Window) {
                    EXPECT_EQ(written, Outcome::EmptySource);
                    continue;
                }
                ASSERT_EQ(written, Outcome::Done);
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
                ReverseRun back = reverse_cut(encoded, {1 + random() % (1 << 18), random()});
                ASSERT_EQ(back.result, Outcome::Done)
                    << back.line << ":" << back.column << ": " << back.what << "; style " << int(form.style)
                    << ", format " << int(form.format) << ", " << size << " bytes, " << instruction_set_name(set);
                ASSERT_EQ(first_difference(back.bytes, bytes), "") << "style " << int(form.style) << ", format "
                                                                   << int(form.format) << ", " << size << " bytes";
            }
        }
    }
    line_kernels = restore.chosen;

    // The ruler is optional: without it a UTF-16LE text without its mark is still told from
    // UTF-8, whatever its data name opens with.
    for (ExportFormat format : {ExportFormat::C, ExportFormat::Asm, ExportFormat::Basic}) {
        for (const std::u16string label : {u"exe_dt", u"", u"ﾃﾞｰﾀ", u"abcdefghijklmno", u"\U0001D4B3ab"}) {
            std::vector<uint8_t> bytes = random_bytes(random, 40);
            Outcome written;
            std::u16string text = text_of({Style::Window, format, false}, label, bytes, random, written);
            text.erase(0, text.find(u'\n') + 1);
            ReverseRun back = reverse_cut(utf16le(text), {1 + random() % 100, random()});
            EXPECT_EQ(back.result, Outcome::Done) << back.what << "; " << narrow(text.substr(0, 20));
            EXPECT_EQ(first_difference(back.bytes, bytes), "") << narrow(label);
        }
    }
}

TEST(Reverse, TerminatorsEmptySourcesAndXxdsTextsGiveBackTheirBytes)
{
    // A NUL that the length leaves out is left out; one it counts is a byte, as in the bare forms,
    // which have no length; a string's own is never one. An empty source's text, and an empty
    // text, hold no bytes.
    std::mt19937 random(24);
    for (Style style :
         {Style::C, Style::CSource, Style::Gas, Style::Nasm, Style::Values, Style::Plain, Style::CString}) {
        for (Terminator terminator : {Terminator::None, Terminator::Uncounted, Terminator::Counted}) {
            for (size_t size : {0, 1, 15, 16, 17, 64, 1000}) {
                std::vector<uint8_t> bytes = random_bytes(random, size);
                CutReader whole{bytes.data(), bytes.size(), 0, {WHOLE, 0}};
                StyleForm form{.style = style, .name = "s", .name_length = 1, .lower = random() % 2 == 0,
                               .columns = size_t(1 + random() % 20), .terminator = terminator};
                std::string text;
                ASSERT_EQ(stream_style_text(form, SourceReader{read_cut, &whole}, Utf8Writer{keep_utf8, &text}),
                          Outcome::Done);
                if (style != Style::CString &&
                    (terminator == Terminator::Counted || (terminator != Terminator::None && is_bare_style(style))))
                    bytes.push_back(0);
                ReverseRun back = reverse_cut(bytes_of(text), {1 + random() % 50, random()});
                ASSERT_EQ(back.result, Outcome::Done) << back.line << ":" << back.column << ": " << back.what << "\n"
                                                               << text;
                EXPECT_EQ(first_difference(back.bytes, bytes), "") << text;
            }
        }
    }
    for (const char *empty : {"", "\xEF\xBB\xBF", "\xFF\xFE"}) {
        ReverseRun back = reverse_cut(bytes_of(empty), {WHOLE, 0});
        EXPECT_EQ(back.result, Outcome::Done) << back.what;
        EXPECT_TRUE(back.bytes.empty());
    }
    // xxd's texts: -i with and without -C, its values alone, and -p; any columns, either case;
    // of sizes around xxd's 12 bytes a line and the 30 of -p, and past the output block.
    for (char kind : {'i', 'v', 'p'}) {
        for (size_t size : {0, 1, 11, 12, 13, 29, 30, 31, 1000, 600 * 1024 + 7}) {
            if (size == 0 && kind == 'v')
                continue; // nothing at all: the empty text above
            std::vector<uint8_t> bytes = random_bytes(random, size);
            size_t columns = random() % 3 == 0 ? 1 + random() % 256 : kind == 'p' ? 30 : 12;
            std::string text = xxd_text(bytes, kind, columns, random() % 2, random() % 4 == 0);
            for (Cuts cuts : {Cuts{WHOLE, 0}, Cuts{1 + random() % 300, random()}}) {
                ReverseRun back = reverse_cut(bytes_of(text), cuts);
                ASSERT_EQ(back.result, Outcome::Done)
                    << back.line << ":" << back.column << ": " << back.what << "; " << kind << ", " << size << " bytes";
                ASSERT_EQ(first_difference(back.bytes, bytes), "") << kind << ", " << size << " bytes";
            }
        }
    }
}

// A window assembler line of n cells, the first of the text or one after it.
std::string asm_line(size_t n, bool first = false)
{
    std::string line = first ? "exe_dt DB " : "       DB ";
    for (size_t i = 0; i < n; i++)
        line += i + 1 < n ? "00H," : "00H";
    return line + "\r\n";
}

std::string repeated(const std::string &s, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; i++)
        out += s;
    return out;
}

// The text with the first `from` in it replaced by `to`.
std::string with(std::string text, const std::string &from, const std::string &to)
{
    return text.replace(text.find(from), from.size(), to);
}

// A style's text of two bytes named d, as the converter writes it.
std::vector<uint8_t> written(Style style, const std::string &path = NAMED_PATH)
{
    std::vector<uint8_t> bytes{1, 2};
    CutReader whole{bytes.data(), bytes.size(), 0, {WHOLE, 0}};
    StyleForm form{.style = style, .name = "d", .name_length = 1, .columns = 16, .path = path.c_str(),
                   .path_length = path.size()};
    std::string text;
    stream_style_text(form, SourceReader{read_cut, &whole}, Utf8Writer{keep_utf8, &text});
    return bytes_of(text);
}

TEST(Reverse, MalformedTextsNameTheirLineAndColumn)
{
    // Each text read whole, a byte at a time and in random cuts: the same place and message.
    const std::string c_head = "#ifndef BIN2SRC_d_H\n#define BIN2SRC_d_H\nstatic const unsigned char d[] = {\n";
    const std::string ruler = "\t//0    1    2    3    4    5    6    7    8    9    A    B    C    D    E    F    \r\n";
    const std::string gas_head = "\t.ifdef .text\n\t.section .rodata,\"a\"\n\t.type d, %object\n\t.else\n"
                                 "\t.section .rdata,\"dr\"\n\t.endif\n\t.globl d\n\t.balign 16\nd:\n";
    const std::string nasm_head = "%ifidn __OUTPUT_FORMAT__,win32\n%define BIN2SRC_COFF\n%elifidn __OUTPUT_FORMAT__,win64\n"
                                  "%define BIN2SRC_COFF\n%endif\n%ifdef BIN2SRC_COFF\n\tsection .rdata rdata align=16\n"
                                  "\tglobal $d\n%else\n\tsection .rodata progbits alloc noexec nowrite align=16\n"
                                  "\tglobal $d:data ($d.end - $d)\n%endif\n$d:\n";
    const std::string gas =
        gas_head + "\t.byte 0x00\n\t.ifdef .text\n\t.size d, . - d\n\t.endif\n\t.balign 8\n\t.globl d_len\nd_len:\n";
    const std::string string_head = "#ifndef BIN2SRC_d_H\n#define BIN2SRC_d_H\n#if defined(__GNUC__)\n"
                                    "#pragma GCC diagnostic push\n#pragma GCC diagnostic ignored \"-Woverlength-strings\"\n"
                                    "#endif\nstatic const unsigned char d[] = {\n";
    const std::string holds_none = "' (.incbin) and holds none itself: that file is the bytes";
    struct Case {
        const char *what;
        std::vector<uint8_t> text;
        uint64_t line, column;
        std::string says;
    } cases[] = {
        {"a truncated line", bytes_of(c_head + "\t0x00,0x1"), 4, 10, "the line ends inside a byte"},
        {"a bad digit", bytes_of(ruler + "BYTE exe_dt[]={\r\n\t0x00,0xG1\r\n\t}\r\n"), 3, 9,
         "a hexadecimal digit was expected"},
        {"a missing brace", bytes_of(c_head + "\t0x00,0x01\n"), 5, 1, "the text ends here; expected '};'"},
        {"a byte over FF", bytes_of(gas_head + "\t.byte 0x00,0x100\n"), 10, 17, "over FF"},
        {"an odd UTF-16 length", utf16le(u"exe_dt DB 00H\r\n       DB 01H"), 2, 14, "lone byte"},
        {"a name that changes", bytes_of("#ifndef BIN2SRC_d_H\n#define BIN2SRC_e_H\n"), 2, 17, "expected '#define BIN2SRC_d_H'"},
        {"a length that is not the count",
         bytes_of(nasm_head + "\tdb 0x01\n.end:\n\talign 8, db 0\n%ifdef BIN2SRC_COFF\n\tglobal $d_len\n%else\n"
                              "\tglobal $d_len:data 8\n%endif\n$d_len:\n\tdq 2\n"),
         23, 5, "not the count"},
        // A line too long for any writer, wherever it falls: inside the first read, after 2 MB of
        // lines whose bytes nearly fill the output block, and one character either side of the limit.
        {"a long first line", bytes_of(asm_line(6250, true) + asm_line(1)), 1, 16385, "a line longer than bin2src ever writes"},
        {"a long line after half a megabyte of bytes",
         bytes_of(asm_line(16, true) + repeated(asm_line(16), 31743) + asm_line(60128) + repeated(asm_line(16), 3)),
         31745, 16385, "a line longer than bin2src ever writes"},
        {"a line at the limit", bytes_of(std::string(16384, 'x') + "\r\n"), 1, 1, "no C, assembler or BASIC data"},
        {"a line past the limit", bytes_of(std::string(16385, 'x') + "\r\n"), 1, 16385, "a line longer than"},
        // The window's data name has at most 15 UTF-16 units, and its ruler is indented by no more.
        {"a name of 16 characters", bytes_of("abcdefghijklmnop DB 00H\r\n"), 1, 16, "longer than the 15 characters"},
        {"a name of 28 characters", bytes_of(std::string(28, 'x') + " DB 00H\r\n"), 1, 16, "longer than the 15 characters"},
        {"a name of 40 characters", bytes_of(std::string(40, 'x') + " DB 00H\n"), 1, 16, "longer than the 15 characters"},
        {"a name of 8 pairs", utf16le(u"\U0001D4B3\U0001D4B3\U0001D4B3\U0001D4B3\U0001D4B3\U0001D4B3\U0001D4B3\U0001D4B3 DB 00H"), 1, 8,
         "longer than the 15 characters"},
        {"a C name of 16 characters", bytes_of("BYTE abcdefghijklmnop[]={\r\n\t0x00\r\n\t}\r\n"), 1, 21,
         "longer than the 15 characters"},
        {"a ruler indented by 100", bytes_of(std::string(100, ' ') + ";0\n"), 1, 20, "the ruler is indented further"},
        {"a ruler indented by 20",
         bytes_of(std::string(20, ' ') + "    ;0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F   \r\n"), 1, 20,
         "the ruler is indented further"},
        // Smaller faults of the declaration, the rows and the length.
        {"a space after the declaration", bytes_of("BYTE a[]={ \r\n\t0x00\r\n\t}\r\n"), 1, 11, "expected 'BYTE NAME[]={'"},
        {"a declaration cut short", bytes_of("Dim a() As Byte = \r\n"), 1, 19, "expected 'Dim NAME() As Byte = {'"},
        {"an assembler line ending in ','", bytes_of("exe_dt DB 00H,\r\n"), 1, 14,
         "an assembler line ends with its last byte, not with ','"},
        {"a .byte line ending in ','", bytes_of(gas.substr(0, gas.find("\t.byte")) + "\t.byte 0x00,\n"), 10, 12,
         "an assembler line ends with its last byte, not with ','"},
        {"a length of 24 digits", bytes_of(gas + "\t.quad 123456789012345678901234\n"), 17, 8, "not the count"},
        {"a length of 20 digits over 64 bits", bytes_of(gas + "\t.quad 18446744073709551617\n"), 17, 8, "not the count"},
        {"a length with a leading zero", bytes_of(gas + "\t.quad 01\n"), 17, 8, "no leading zero"},
        // A terminator that the length leaves out must be a NUL.
        {"a terminator that is not a NUL", bytes_of(c_head + "\t0x41\n};\n#define d_len (sizeof d - 1)\n#endif\n"), 6, 1,
         "not the NUL that the length leaves out"},
        {"a length two short", bytes_of(gas_head + "\t.byte 0x00,0x00\n" + gas.substr(gas.find("\t.byte") + 12) + "\t.quad 0\n"),
         17, 8, "not the count"},
        // xxd -i's text, held to what xxd writes.
        {"an xxd line longer than the first", bytes_of("unsigned char a[] = {\n  0x41, 0x42,\n  0x43, 0x44, 0x45\n};\n"), 3, 15,
         "no more bytes than the first"},
        {"an xxd line shorter than the first, not the last", bytes_of("  0x41, 0x42,\n  0x43,\n  0x44\n"), 2, 7,
         "the last, with no ','"},
        {"bytes without a space between", bytes_of("unsigned char a[] = {\n  0x41,0x42\n};\n"), 2, 8, "', ' was expected"},
        {"an xxd length that is not the count",
         bytes_of("unsigned char a[] = {\n  0x41, 0x42\n};\nunsigned int a_len = 3;\n"), 4, 22, "not the count"},
        {"an xxd length in capitals for a name that has small letters",
         bytes_of("unsigned char a[] = {\n  0x41\n};\nunsigned int A_LEN = 1;\n"), 4, 14, "expected 'unsigned int a_len = COUNT;'"},
        {"an xxd text without its length", bytes_of("unsigned char a[] = {\n  0x41\n};\n"), 4, 1,
         "the text ends here; expected 'unsigned int a_len = COUNT;'"},
        {"an xxd byte of one digit", bytes_of("unsigned char a[] = {\n  0x4, 0x42\n};\n"), 2, 6, "a hexadecimal digit"},
        // Plain hexadecimal: whole bytes, every line as long as the first but the last.
        {"half a byte", bytes_of("4142\n414\n"), 2, 4, "inside a byte"},
        {"a plain line longer than the first", bytes_of("4142\n414243\n"), 2, 5, "no more bytes than the first"},
        {"a plain line after a shorter one", bytes_of("4142\n41\n42\n"), 3, 1, "shorter than the first"},
        {"a letter among the digits", bytes_of("4142\n4g42\n"), 2, 2, "a hexadecimal digit was expected"},
        {"a blank line", bytes_of("4142\n\n"), 2, 1, "a line of hexadecimal digits was expected"},
        // String lines: printable ASCII but '"', '\\' and '?' as itself, any other byte in three octal digits.
        {"a string's byte over \\377", bytes_of(string_head + "\t\"a\\400\"\n"), 8, 5, "an octal escape over \\377"},
        {"a '?' in a string", bytes_of(string_head + "\t\"a?\"\n"), 8, 4, "a '?' in a string"},
        {"a '\"' inside a string", bytes_of(string_head + "\t\"a\"b\"\n"), 8, 4, "a '\"' inside a line's string"},
        {"a tab in a string", bytes_of(string_head + "\t\"\tb\"\n"), 8, 3, "other than printable ASCII"},
        {"an escape of two digits", bytes_of(string_head + "\t\"\\12\"\n"), 8, 6, "three octal digits were expected"},
        {"an escaped quote", bytes_of(string_head + "\t\"\\\"\"\n"), 8, 4, "three octal digits were expected"},
        {"a string without its closing quote", bytes_of(string_head + "\t\"abc\n"), 8, 6, "the line ends inside its string"},
        {"an empty string after bytes", bytes_of(string_head + "\t\"a\"\n\t\"\"\n"), 9, 3,
         "an empty string stands only for an empty source"},
        // The texts that hold no bytes, refused at what they hold instead.
        {"a C header", written(Style::CHeader), 5, 1, "a C header declares the data but holds no bytes"},
        {"an assembler text with .incbin", written(Style::Incbin), 10, 2,
         "the text takes its bytes from the file '" + SHOWN_PATH + holds_none},
        {"a C text with .incbin", written(Style::CIncbin), 19, 8, "the file '" + SHOWN_PATH + holds_none},
        {"a C text with #embed", written(Style::CEmbed, EMBED_PATH), 6, 1,
         "the file '" + EMBED_PATH + "' (#embed) and holds none itself: that file is the bytes"},
        // Sections and alignments: what --section and --align take, ELF's and COFF's sections one
        // name or the defaults, NASM's two alignments one.
        {"a section starting with a digit", bytes_of(with(gas_head, ".rodata", "9x")), 2, 11, "does not start with a digit"},
        {"a section of 64 characters", bytes_of(with(gas_head, ".rodata", std::string(64, 's'))), 2, 74,
         "at most 63 characters"},
        {"a section with a '-'", bytes_of(with(gas_head, ".rodata", ".ro-data")), 2, 14, "ASCII letters, digits, '_', '.'"},
        {"COFF's section not ELF's", bytes_of(with(gas_head, ".rdata", ".data")), 5, 11, "one name, or .rodata and .rdata"},
        {"ELF's section not COFF's", bytes_of(with(nasm_head, ".rodata", ".data")), 10, 10, "one name, or .rodata and .rdata"},
        {"an alignment of 24", bytes_of(with(gas_head, "16", "24")), 8, 10, "a power of two from 1 to 8192"},
        {"an alignment of 16384", bytes_of(with(gas_head, "16", "16384")), 8, 10, "a power of two from 1 to 8192"},
        {"an alignment with a leading zero", bytes_of(with(gas_head, "16", "016")), 8, 10, "no leading zero"},
        {"two alignments", bytes_of(with(nasm_head, "align=16\n\tglobal $d:", "align=32\n\tglobal $d:")), 10, 54,
         "not the one written above"},
    };
    cases[4].text.push_back(0x20); // one byte of a unit
    std::mt19937 random(3);
    for (const Case &c : cases) {
        for (Cuts cuts : {Cuts{7, random()}, Cuts{WHOLE, 0}, Cuts{1, 0}, Cuts{1 + random() % 70000, random()}}) {
            ReverseRun run = reverse_cut(c.text, cuts);
            EXPECT_EQ(run.result, Outcome::Malformed) << c.what << ", reads of " << cuts.most;
            EXPECT_EQ(run.line, c.line) << c.what << ": " << run.what;
            EXPECT_EQ(run.column, c.column) << c.what << ": " << run.what;
            EXPECT_NE(run.what.find(c.says), std::string::npos) << c.what << ": " << run.what;
        }
    }
}

TEST(Reverse, TheAnswerIsTheSameHoweverTheReadsCutTheText)
{
    // The texts of every form, whole and damaged here and there: read whole, a byte at a time
    // and in random cuts, each gives the same bytes or the same error.
    std::mt19937 random(22);
    const char damage[] = {'\n', '\r', ',', ' ', '0', 'H', 'x', '\0', '\xFF', '\xD8', '\\', '"'};
    size_t damaged = 0;
    // Round 0 reads the text as it is, then a byte is changed, added or taken away, or the text
    // cut short.
    auto read_damaged = [&](const std::vector<uint8_t> &encoded, const auto &check_whole, const std::string &what) {
        for (int round = 0; round < 8; round++) {
            std::vector<uint8_t> t = encoded;
            if (round > 0) {
                size_t at = random() % t.size();
                switch (random() % 4) {
                case 0: t[at] = uint8_t(damage[random() % sizeof damage]); break;
                case 1: t.insert(t.begin() + ptrdiff_t(at), uint8_t(damage[random() % sizeof damage])); break;
                case 2: t.erase(t.begin() + ptrdiff_t(at)); break;
                case 3: t.resize(at); break;
                }
            }
            ReverseRun whole = reverse_cut(t, {WHOLE, 0});
            if (round == 0)
                check_whole(whole);
            damaged += whole.result == Outcome::Malformed;
            EXPECT_EQ(reverse_cut(t, {1, 0}), whole) << "a byte at a time, " << what;
            Cuts cuts{1 + random() % 100, random()};
            EXPECT_EQ(reverse_cut(t, cuts), whole) << "reads of 1 to " << cuts.most << ", seed " << cuts.seed << ", " << what;
        }
    };
    for (const Form &form : FORMS) {
        for (size_t size : {1, 16, 17, 300}) {
            std::vector<uint8_t> bytes = random_bytes(random, size);
            Outcome written;
            std::u16string text = text_of(form, u"ﾃﾞｰﾀ", bytes, random, written);
            std::vector<uint8_t> encoded = form.utf8 ? bytes_of(narrow(text)) : utf16le(text);
            std::string what = "style " + std::to_string(int(form.style)) + ", format " + std::to_string(int(form.format));
            read_damaged(encoded, [&](const ReverseRun &whole) { EXPECT_EQ(whole.bytes, bytes) << what; }, what);
        }
    }
    // The texts that hold no bytes: refused for what they are.
    for (Style style : NO_BYTES) {
        Outcome written;
        std::u16string text = text_of({style, ExportFormat::C, true}, u"", random_bytes(random, 20), random, written);
        std::string what = "style " + std::to_string(int(style));
        read_damaged(bytes_of(narrow(text)), [&](const ReverseRun &whole) {
            EXPECT_EQ(whole.result, Outcome::Malformed) << what;
            EXPECT_NE(whole.what.find(style == Style::CHeader ? "holds no bytes" : "holds none itself"), std::string::npos)
                << what << ": " << whole.what;
        }, what);
    }
    // xxd's texts, damaged in the same ways.
    for (char kind : {'i', 'v', 'p'}) {
        std::vector<uint8_t> bytes = random_bytes(random, 100);
        std::vector<uint8_t> text = bytes_of(xxd_text(bytes, kind, kind == 'p' ? 30 : 12, false, false));
        for (int round = 0; round < 16; round++) {
            std::vector<uint8_t> t = text;
            size_t at = random() % t.size();
            t[at] = uint8_t(damage[random() % sizeof damage]);
            ReverseRun whole = reverse_cut(t, {WHOLE, 0});
            EXPECT_EQ(reverse_cut(t, {1, 0}), whole) << "a byte at a time, xxd " << kind;
            EXPECT_EQ(reverse_cut(t, {1 + random() % 100, random()}), whole) << "random reads, xxd " << kind;
        }
    }
    // Most damage is found; a changed digit is not.
    EXPECT_GT(damaged, std::size(FORMS) * 4 * 7 / 2);
}

} // namespace
