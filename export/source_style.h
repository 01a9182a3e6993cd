// The build styles: source text that a compiler or an assembler takes as it is, in UTF-8 with LF
// line ends, beside the window's text. C (a self-contained file with an include guard), a C
// header with the extern declaration and a C source with the one definition, GNU as and NASM;
// and for large files the forms whose cost does not grow with a compiler's parser: GNU as's
// .incbin, in an assembler file or in a C file of one top-level asm statement, C string
// literals, and C23's #embed; and two bare forms without a declaration: the values alone, for a
// declaration the user writes, and plain hexadecimal, two digits a byte. The data lines are the
// window's cells in C notation (octal escapes in a string); what stands before and after them is
// written from patterns in which \1 stands for the data name, \2 for the count of bytes and the
// marks below for the placement and the source's path, and the way back from text to bytes reads
// the same patterns. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/source_text.h"

enum class Style { Window, C, CHeader, CSource, Gas, Nasm, Incbin, CIncbin, CString, CEmbed, Values, Plain };

// The bare forms: data lines only, no name, no length.
constexpr bool is_bare_style(Style style) { return style == Style::Values || style == Style::Plain; }

// A NUL byte after the data, for a text used as a C string: not counted in the length (strlen's
// count, as "abc" has 3), or counted (sizeof's, 4).
enum class Terminator { None, Uncounted, Counted };

// C99 keeps 63 significant characters of an internal name or a macro's; with "_len" or the
// include guard around it a name stays readable.
constexpr size_t IDENTIFIER_MAX = 63;
constexpr size_t COLUMNS_MAX = 256; // bytes a line, when not the default 16
// --section: a name that every assembler and linker takes as it is, ELF's and COFF's alike.
constexpr size_t SECTION_MAX = 63;
// --section's defaults: the read-only data of ELF and of COFF.
constexpr char DEFAULT_ELF_SECTION[] = ".rodata", DEFAULT_COFF_SECTION[] = ".rdata";
// --align: a power of two up to the largest a COFF section can carry.
constexpr size_t ALIGNMENT_DEFAULT = 16, ALIGNMENT_MAX = 8192;
constexpr bool is_alignment(uint64_t n) { return n >= 1 && n <= ALIGNMENT_MAX && (n & (n - 1)) == 0; }
// The .incbin styles name their source in the text: at most this many bytes of its path.
constexpr size_t SOURCE_PATH_MAX = 4096;

struct StyleForm {
    Style style;
    char name[IDENTIFIER_MAX + 1]; // ASCII, terminated
    size_t name_length;
    bool lower;                    // lower-case hexadecimal digits
    size_t columns;                // 1 to COLUMNS_MAX bytes a line
    // Where the assembler styles put the bytes: a section of its own (empty: .rodata on ELF,
    // .rdata on COFF) and an alignment (0: ALIGNMENT_DEFAULT).
    char section[SECTION_MAX + 1];
    size_t section_length;
    size_t alignment;
    // The source's path as given, for the styles that pull the bytes in with .incbin.
    const char *path;
    size_t path_length;
    Terminator terminator;
};

// Bytes a line of plain hexadecimal when none are asked for: 60 digits, as xxd -p writes them.
constexpr size_t PLAIN_COLUMNS = 30;

constexpr char NAME_MARK = '\1';  // the data name, in a pattern
constexpr char COUNT_MARK = '\2'; // the count of bytes, in decimal
constexpr char ELF_SECTION_MARK = '\4';  // the section's name: the form's, or .rodata
constexpr char COFF_SECTION_MARK = '\5'; // the same, or .rdata
constexpr char ALIGNMENT_MARK = '\6';    // the alignment, in decimal
constexpr char PATH_MARK = '\7';         // the source's path in a GNU as string
constexpr char C_PATH_MARK = '\10';      // the same in a C string: escaped twice
constexpr char EMBED_PATH_MARK = '\16';  // the path as it is, between #embed's quotes

struct StylePatterns {
    const char *head;  // before the first data line
    const char *start; // what opens each data line
    LineShape shape;   // List: the bytes go on from line to line; Row: each line stands alone
    const char *tail;  // after the last data line
};

// A C header and the .incbin styles have no data lines: head and tail are written once the
// bytes have been counted. The writer expands the marks with the form's own values; the way back
// reads them from the text.
StylePatterns style_templates(Style style);
bool has_data_lines(Style style);
// The styles that take --section and --align, and those that name their source.
bool is_placed(Style style);
bool names_source(Style style);
// Whether #embed "..." can name the path: no '"' and no control character, for its quotes take
// no escapes.
bool can_embed_path(const char *path, size_t length);

// The tail after data whose last byte is a NUL that the length does not count: the form of a
// terminator asked for, and of an empty source, which C cannot declare as an array of no bytes
// and so gets one NUL byte and a length of 0. Null where the usual tail says it already: the
// assemblers write the length as a number.
const char *uncounted_tail(Style style);
// The tail after a style's data from a source of `total` bytes: the uncounted one where a
// terminator is not counted, or the source is empty, and the style has one; else the usual.
const char *style_tail(const StyleForm &form, uint64_t total);
// The length the text gives: the source's, and the terminator when it is counted.
constexpr uint64_t declared_length(const StyleForm &form, uint64_t total)
{
    return total + (form.terminator == Terminator::Counted ? 1 : 0);
}

// Why a name cannot be a style's data name. In every style it is a C identifier of ASCII letters,
// digits and '_', not starting with a digit, for the program that refers to it is C or C++. Every
// style refuses what the linker sees: main, which the program defines, and the names that C and
// C++ reserve where the data is declared, at file scope (a leading '_', or "__", which a trailing
// '_' would make of <name>_len); they belong to the compiler and the C library, whose own symbols
// (_start, __dso_handle) share the linker's one name space with the data's. The C styles also
// refuse what only C's text trips over: the keywords of C (up to C23) and C++ (up to C++20), and
// the macros that gcc and clang predefine in their default dialects (linux). The assembler styles
// take those, as a register's or an instruction's name: NASM's text marks it with '$', and GNU as
// in its AT&T syntax spells registers with '%'. Library, the last, is no refusal but a warning:
// a function of the C library that the compilers know as a built-in (log, index, printf).
enum class NameProblem {
    None, Empty, TooLong, BadCharacter, LeadingDigit, Keyword, LeadingUnderscore, DoubleUnderscore,
    TrailingUnderscore, Main, Predefined, Library,
};
NameProblem check_style_name(Style style, const char *name, size_t length, size_t &bad_at);

// Why a name cannot be --section's: empty, longer than SECTION_MAX, a character other than an
// ASCII letter, digit, '_', '.' or '$' (at bad_at), or a leading digit. No quote, comma or space
// reaches an assembler's .section line, nor anything a C string would have to escape.
NameProblem check_section_name(const char *name, size_t length, size_t &bad_at);

// The default data name, from a file's own name without its folders: each run of characters
// other than ASCII letters and digits becomes one '_', and none is left at either end; a name
// that is then empty or starts with a digit gets "data" in front ("data_8x8_bin"), and one that
// check_style_name would refuse or warn about in a C style gets "_data" after it ("main_data").
// Writes at most IDENTIFIER_MAX + 1 bytes and the terminator; returns the name's whole length
// (more than IDENTIFIER_MAX when it did not fit).
size_t style_name_from_path(const char *path, char *out);

// The pattern expanded with the form's name, placement and path, and the count. Returns its
// length; out holds STYLE_PIECE_MAX bytes, or STYLE_HEAD_MAX for a style that names its source.
constexpr size_t STYLE_PIECE_MAX = 1024;
constexpr size_t STYLE_HEAD_MAX = 4 * 1024 + 5 * SOURCE_PATH_MAX;
size_t expand_style_pattern(const char *pattern, const StyleForm &form, uint64_t count, char *out);

// ASCII's control characters, which a path in a string shows as an octal escape.
constexpr bool is_control(unsigned b) { return b < 0x20 || b == 0x7F; }
// A byte as C and GNU as escape it in a string: '\\' and exactly three octal digits.
constexpr void put_octal_escape(unsigned b, char *out)
{
    out[0] = '\\';
    out[1] = char('0' + (b >> 6));
    out[2] = char('0' + (b >> 3 & 7));
    out[3] = char('0' + (b & 7));
}

// A byte that a string line holds as itself: printable ASCII but '"', '\\' and '?', which could
// start a trigraph. Every other byte is '\\' and three octal digits, which no digit after them
// can lengthen.
constexpr bool is_plain_in_string(unsigned b) { return b >= 0x20 && b < 0x7F && b != '"' && b != '\\' && b != '?'; }

// A data line of n bytes (1 to COLUMNS_MAX): its start, the cells, and LF. A list line keeps the
// comma after its last cell unless it is the last line; a string's line is a C string literal
// of its bytes, each printable ASCII character as it is but '"', '\\' and '?' (no trigraph),
// every other byte as a three-digit octal escape; plain hexadecimal has two digits a byte and
// nothing between. Returns its end.
char *style_line(const StyleForm &form, const LineStart<char> &start, const uint8_t *bytes, size_t n, bool is_last,
                 char *out);
// The most a byte takes in a line of any style: a C cell, "0x41," (a string's "\101" takes 4).
constexpr size_t STYLE_BYTE_MAX = cell_length(ExportFormat::C);
constexpr size_t STYLE_LINE_MAX = 8 + COLUMNS_MAX * STYLE_BYTE_MAX + 1;
