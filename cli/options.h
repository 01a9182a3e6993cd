// The converter's command line. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "cli/message.h"
#include "cli/system.h"
#include "export/source_style.h"
#include "export/source_text.h"

enum class Encoding { Utf16le, Utf8 };

struct Options {
    ExportFormat format; // of the window's text
    Label label;
    StyleForm style; // the window's text, or a build style with its C name, case and columns
    Encoding encoding;
    bool reverse;        // text back to bytes
    bool progress;       // a progress line on a terminal, for a long run
    Argument source;      // or STANDARD_ARGUMENT
    Argument destination; // or STANDARD_ARGUMENT
    bool force;          // replace an existing destination
    bool print_segment;  // print one segment instead of converting
    ViewMode view;
    int64_t segment;
    uint64_t offset;     // bytes of the source skipped before the conversion
    uint64_t length;     // bytes converted at most; SLICE_TO_END: all the rest
};

constexpr uint64_t SLICE_TO_END = UINT64_MAX;

// The window's formats and views as -f and -v name them.
struct FormatWords {
    ExportFormat format;
    const char *name;
};
inline constexpr FormatWords FORMAT_WORDS[] = {
    {ExportFormat::C, "c"}, {ExportFormat::Asm, "asm"}, {ExportFormat::Basic, "basic"}};
constexpr char NORMAL_VIEW_NAME[] = "normal";

// The styles as --style names them, in --help's order: the name, the extension of the file that
// the text usually goes in (the CMake package's, which its test holds to this table; none for the
// window's text, whose file is named after its format), and what the style writes, as --help
// says it, a line break where its line breaks.
struct StyleWords {
    Style style;
    const char *name;
    const char *extension;
    const char *what;
};
inline constexpr StyleWords STYLE_WORDS[] = {
    {Style::Window, "window", "", "the window's text, as above (the default)"},
    // C and C++, in a header of its own or as a declaration and a definition apart.
    {Style::C, "c", "h", "a C/C++ file with an include guard: static const unsigned char\n"
                         "NAME[], and NAME_len, a constant expression"},
    {Style::CHeader, "c-header", "h", "the extern declaration and NAME_len, for the program beside\n"
                                      "c-source, incbin, c-incbin or c-embed"},
    {Style::CSource, "c-source", "c", "the one definition"},
    // Assembler text, each with the global label NAME and its length.
    {Style::Gas, "gas", "s", "GNU as: .byte lines, with the global label NAME and the 64-bit\n"
                             "length NAME_len, for ELF (x86, ARM, AArch64...) and Windows' COFF"},
    {Style::Nasm, "nasm", "asm", "the same for NASM: db lines"},
    // For large files, the forms whose cost does not grow with a compiler's parser.
    {Style::Incbin, "incbin", "s", "for large files, a build that costs what a copy does: GNU as\n"
                                   "pulls SOURCE in by its path (.incbin)"},
    {Style::CIncbin, "c-incbin", "c", "the same in a C/C++ file that GCC and Clang compile as it is"},
    {Style::CString, "c-string", "h", "as c, in string literals, which compilers read 15 to 35 times\n"
                                      "faster"},
    {Style::CEmbed, "c-embed", "c", "a definition that C23's #embed fills from SOURCE"},
    // The bytes alone, for a declaration of the user's own.
    {Style::Values, "values", "inc", "no name: the comma-separated cells alone, as xxd -i writes them\n"
                                     "from a pipe, for a declaration of your own"},
    {Style::Plain, "plain", "hex", "no name: plain hexadecimal, as xxd -p writes it"},
};

// Every style has its one row (Plain is the last of them).
constexpr bool every_style_once()
{
    for (size_t s = 0; s <= size_t(Style::Plain); s++) {
        size_t rows = 0;
        for (const StyleWords &words : STYLE_WORDS)
            rows += size_t(words.style) == s ? 1 : 0;
        if (rows != 1)
            return false;
    }
    return std::size(STYLE_WORDS) == size_t(Style::Plain) + 1;
}
static_assert(every_style_once());

// The name of a style.
const char *style_name(Style style);

enum class Parsed { Run, Help, Version, Usage };

// Reads argv[1..argc) (UTF-8). On Usage, error holds what was wrong, without the program name.
// On Run, warning holds what the user should know all the same (a data name that the C library
// has), or is empty.
Parsed parse_options(int argc, const char *const *argv, Options &options, Message &error, Message &warning);

// The text of --help, its limits written from their constants and its styles from their table.
void help_text(Message &help);
// The text of --version.
extern const char VERSION_TEXT[];
