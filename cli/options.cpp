#include "cli/options.h"

#include <cstring>

#include "cli/run.h"
#include "common/temporary_name.h"
#include "common/text.h"
#include "common/utf8.h"

namespace {

// The names of the styles that `has`, in the table's order: "a, b and c" with `last` " and ".
void append_style_names(Message &m, bool (*has)(Style), const char *last)
{
    size_t count = 0, written = 0;
    for (const StyleWords &words : STYLE_WORDS)
        count += has(words.style) ? 1 : 0;
    for (const StyleWords &words : STYLE_WORDS) {
        if (!has(words.style))
            continue;
        if (written > 0)
            message_append(m, ++written == count ? last : ", ");
        else
            written++;
        message_append(m, words.name);
    }
}

bool any_style(Style) { return true; }
bool is_incbin_style(Style style) { return names_source(style) && style != Style::CEmbed; }

// "c, asm or basic", with `note` after the first name.
void append_format_names(Message &m, const char *note = "")
{
    constexpr size_t count = std::size(FORMAT_WORDS);
    for (size_t i = 0; i < count; i++)
        append_pieces(m, i == 0 ? "" : i + 1 == count ? " or " : ", ", FORMAT_WORDS[i].name, i == 0 ? note : "");
}

// The data name's default, which is ASCII: its UTF-8 is its UTF-16.
void append_default_label(Message &m)
{
    char name[sizeof DEFAULT_LABEL / sizeof DEFAULT_LABEL[0] * UTF8_PER_UNIT_MAX];
    message_append(m, name, utf16_to_utf8(DEFAULT_LABEL, length_of(DEFAULT_LABEL), name));
}

// Where --help's descriptions start.
constexpr char HELP_INDENT[] = "                         ";

// A row of the styles' table: the name, the extension and what it writes, each line of that at
// the descriptions' column.
void append_style_row(Message &m, const StyleWords &words)
{
    constexpr size_t name_width = 11, extension_width = 8;
    size_t n = std::strlen(words.name), e = *words.extension ? 1 + std::strlen(words.extension) : 0;
    append_pieces(m, "      ", words.name);
    message_append(m, HELP_INDENT, name_width - n);
    if (e > 0)
        append_pieces(m, ".", words.extension);
    message_append(m, HELP_INDENT, extension_width - e);
    for (const char *line = words.what;;) {
        const char *end = std::strchr(line, '\n');
        message_append(m, line, end ? size_t(end - line) : std::strlen(line));
        message_append(m, "\n");
        if (!end)
            break;
        message_append(m, HELP_INDENT);
        line = end + 1;
    }
}

} // namespace

void help_text(Message &help)
{
    message_clear(help);
    append_pieces(help,
        "Usage: bin2src [OPTION]... [SOURCE]\n"
        "  or:  bin2src --reverse [-o FILE] [--force] [TEXT]\n"
        "Converts the bytes of SOURCE into C, assembler or BASIC source data: by default the text\n"
        "that VORDA's export writes, byte for byte. A ruler comment, the declaration, then the bytes\n"
        "as hexadecimal literals, ", LINE_CELLS, " a line, every line ending in CR LF. With no SOURCE, or with -,\n"
        "the bytes come from standard input, from where it stands. The window's text refuses an\n"
        "empty source, as the window does; a file that says it holds 0 bytes (those of /proc) is\n"
        "read to its end all the same.\n"
        "\n"
        "Conversion:\n"
        "  -f, --format=FORMAT    ");
    append_format_names(help, " (the default)");
    append_pieces(help, ": a C array BYTE NAME[]={ ... }, with\n"
        "                         no ';' after the '}' (the includer adds it, and defines BYTE, e.g.\n"
        "                         typedef unsigned char BYTE;), assembler NAME DB 00H,... lines\n"
        "                         continued by DB lines, or a BASIC Dim NAME() As Byte = { ... }\n"
        "  -n, --name=NAME        the data name, ");
    append_default_label(help);
    append_pieces(help, " by default. In the window's text at most ", LABEL_MAX, "\n"
        "                         characters (UTF-16 code units, as the window counts them), or\n"
        "                         empty; a longer name is refused, not cut. In a build style a C\n"
        "                         name of at most ", IDENTIFIER_MAX, " characters (below).\n"
        "  -o, --output=FILE      the destination file; with none, or with -, standard output.\n"
        "                         An existing FILE is not replaced without --force, and FILE is\n"
        "                         never the source itself, whatever name or link reaches it.\n"
        "                         The text goes to FILE", TEMPORARY_MARK);
    for (size_t i = 0; i < TEMPORARY_TOKEN_DIGITS; i++)
        message_append(help, "X");
    append_pieces(help, TEMPORARY_END, " in FILE's folder,\n"
        "                         renamed to FILE once whole: a run that fails or is interrupted\n"
        "                         leaves FILE as it was. (A kill that cannot be caught may leave\n"
        "                         the ", TEMPORARY_END, " file; delete it.) A device is written directly.\n"
        "  -e, --encoding=ENC     utf16le (the default: UTF-16LE without a byte-order mark, as the\n"
        "                         window writes it) or utf8 (for compilers that do not read UTF-16)\n"
        "      --offset=N         skip the first N bytes of SOURCE (xxd's -s: here -s is\n"
        "                         --segment). Standard input's are read and dropped. An offset\n"
        "                         past the end is an error that says the size.\n"
        "  -l, --length=N         convert at most N bytes, from the offset on. N is decimal, or\n"
        "                         hexadecimal after 0x\n"
        "      --force            replace FILE if it exists; it keeps its permission bits, ACL\n"
        "                         and extended attributes, and a symbolic link FILE stays, the\n"
        "                         file it names is replaced\n"
        "      --no-progress      no progress line (shown on a terminal when a run lasts a second,\n"
        "                         unless the text goes to the terminal too)\n"
        "\n"
        "Build styles: text that compilers and assemblers take as it is, UTF-8, LF line ends:\n"
        "  -t, --style=STYLE      the form of the text, each here with the extension of the file it\n"
        "                         usually goes in:\n");
    for (const StyleWords &words : STYLE_WORDS)
        append_style_row(help, words);
    append_pieces(help,
        "                         NAME is a C name: letters, digits and '_', not starting with a\n"
        "                         digit or '_', not ending in '_', without '__', not main; in the\n"
        "                         C styles no keyword, nor a macro that gcc and clang predefine\n"
        "                         (linux, unix). A function of the C library (log, printf) is\n"
        "                         taken with a warning. By default NAME comes from SOURCE's file\n"
        "                         name: each run of other characters becomes one '_', none at\n"
        "                         either end; data goes before a leading digit or an empty name,\n"
        "                         and _data after a name that would be refused or warned about\n"
        "                         (8x8.bin gives data_8x8_bin, main gives main_data). An empty\n"
        "                         source gives one NUL byte and a length of 0, for C has no empty\n"
        "                         array; ");
    append_style_names(help, is_incbin_style, " and ");
    append_pieces(help, " give no byte, ");
    append_style_names(help, is_bare_style, " and ");
    append_pieces(help, " an\n"
        "                         empty text\n"
        "      --case=CASE        upper (the default; lower for ", style_name(Style::Plain),
        ") or lower hexadecimal digits;\n"
        "                         not with ", style_name(Style::CString), ", whose octal escapes have none\n"
        "  -c, --columns=N        bytes a line, 1 to ", COLUMNS_MAX, " (", LINE_CELLS, " by default; ", PLAIN_COLUMNS,
        " for ", style_name(Style::Plain), ")\n"
        "      --align=N          the assembler styles' alignment of NAME: a power of two, 1 to\n"
        "                         ", ALIGNMENT_MAX, " (", ALIGNMENT_DEFAULT, " by default)\n"
        "      --section=NAME     their section: .rodata on ELF and .rdata on COFF by default\n"
        "  -z, --nul[=counted]    a NUL byte after the bytes, for a text used as a C string.\n"
        "                         NAME_len does not count it (as strlen does), or with =counted it\n"
        "                         does (as sizeof does). ", style_name(Style::CString),
        "'s bytes end in its string's own\n"
        "                         NUL, never counted; ");
    append_style_names(help, names_source, " and ");
    append_pieces(help, " take none\n"
        "\n"
        "The way back:\n"
        "  -r, --reverse          read TEXT and write its bytes. TEXT is any text above (UTF-16LE\n"
        "                         or UTF-8, with or without a byte-order mark, CR LF or LF, any\n"
        "                         case, columns, section and alignment), or what xxd -i writes\n"
        "                         (with or without -C, any -c) or xxd -p; an empty TEXT holds no\n"
        "                         bytes. The texts of ", style_name(Style::CHeader), ", ");
    append_style_names(help, names_source, " and ");
    append_pieces(help, " hold\n"
        "                         none and are refused, the last three naming the file that is\n"
        "                         their bytes. A text that is not one of them is an error naming\n"
        "                         its line and column, and FILE is left as it was\n"
        "\n"
        "Looking at one ", SEGMENT_SIZE / 1024,
        " KiB segment, printed in UTF-8 on standard output, lines ending in CR LF:\n"
        "  -s, --segment=N        segment N, counted from 0 (the default); a segment past the end\n"
        "                         of SOURCE is an error, not the last one. Standard input's\n"
        "                         segments count from where it stands, as a conversion reads it\n"
        "  -v, --view=VIEW        the window's rendering: ", NORMAL_VIEW_NAME, " (the default: hex dump with a\n"
        "                         character column), ");
    append_format_names(help);
    append_pieces(help, "\n"
        "\n"
        "  -h, --help             show this help and exit\n"
        "      --version          show the version and the licence and exit\n"
        "\n"
        "Exit status: ", uint64_t(EXIT_DONE), " done; ", uint64_t(EXIT_FAILED),
        " a file could not be opened, read, created or written, the window's\n"
        "text had an empty source, the text to reverse is not one bin2src reads, or the segment or\n"
        "the offset is past the end; ", uint64_t(EXIT_USAGE), " a bad option or data name.\n"
        "\n"
        "In a CMake project, find_package(bin2src) finds the package installed with bin2src (in\n"
        "lib/cmake/bin2src), whose bin2src_add_data(TARGET FILE NAME NAME STYLE STYLE) converts\n"
        "FILE when TARGET is built, and again whenever FILE changes.\n"
        "\n"
        "Examples:\n"
        "  bin2src -e utf8 -n font_rom -o font_rom.c font.bin\n"
        "                         font.bin as the C array font_rom, in UTF-8 for the compiler\n"
        "  bin2src --format=asm --encoding=utf8 --output=logo.asm logo.bin\n"
        "                         logo.bin as assembler DB lines, in UTF-8 for the assembler\n"
        "  bin2src --force -f basic -o boot.bas boot.bin\n"
        "                         boot.bin as a BASIC array, replacing boot.bas\n"
        "  cat boot.bin | bin2src -f basic -e utf8 > boot.bas\n"
        "                         the same from a pipe, in UTF-8\n"
        "  bin2src -t c -o font.h font.bin\n"
        "                         font.bin as font_bin[] and font_bin_len in a header of its own\n"
        "  bin2src -t nasm -n logo -o logo.asm logo.bin\n"
        "                         for nasm -f elf64 or win64: global logo and logo_len\n"
        "  bin2src -t c-incbin -n tune -o tune.c \"$PWD/tune.bin\"\n"
        "                         tune.bin pulled in as tune and tune_len when tune.c is compiled,\n"
        "                         from wherever (with bin2src -t c-header -n tune -o tune.h tune.bin)\n"
        "  bin2src -t values --offset=0x100 -l 64 -o logo.inc logo.bin\n"
        "                         the 64 bytes of logo.bin from offset 256, as values alone\n"
        "  bin2src -t c -z -n shader -o shader.h shader.glsl\n"
        "                         shader.glsl as a C string: a NUL after it, not in shader_len\n"
        "  bin2src -t plain -o firmware.hex firmware.bin\n"
        "                         firmware.bin as plain hexadecimal, as xxd -p writes it\n"
        "  bin2src -r -o font-copy.bin font.h\n"
        "                         the bytes back from the text: font-copy.bin is font.bin again\n"
        "  xxd -i logo.bin > logo.h && bin2src -r -o logo-copy.bin logo.h\n"
        "                         the bytes back from a header that xxd -i wrote\n"
        "  bin2src --segment=2 --view=c firmware.bin | less\n"
        "                         the third 64 KiB of firmware.bin, as the window shows it in C\n");
}

// The GNU form, which help2man reads too: name, package and version, then the licence.
const char VERSION_TEXT[] = "bin2src (VORDA) " VORDA_VERSION "\n" VORDA_COPYRIGHT
                            ". MIT License: free to use, copy, change and share, with NO WARRANTY.\n";

namespace {

bool equal_ignoring_case(const char *a, const char *b)
{
    for (; *a && *b; a++, b++) {
        char x = *a >= 'A' && *a <= 'Z' ? char(*a + 32) : *a;
        if (x != *b)
            return false;
    }
    return *a == *b;
}

// The row of a table of words whose name is `value`, in either case; null when none is.
template <class Words, size_t N> const Words *named(const Words (&table)[N], const char *value)
{
    for (const Words &words : table)
        if (equal_ignoring_case(value, words.name))
            return &words;
    return nullptr;
}

bool parse_format(const char *value, ExportFormat &format)
{
    const FormatWords *words = named(FORMAT_WORDS, value);
    if (words)
        format = words->format;
    return words != nullptr;
}

// normal, or a format's name for the view that shows its cells.
bool parse_view(const char *value, ViewMode &view)
{
    ExportFormat format;
    if (equal_ignoring_case(value, NORMAL_VIEW_NAME))
        view = ViewMode::Normal;
    else if (parse_format(value, format))
        view = view_mode(format);
    else
        return false;
    return true;
}

bool parse_encoding(const char *value, Encoding &encoding)
{
    if (equal_ignoring_case(value, "utf16le") || equal_ignoring_case(value, "utf-16le"))
        encoding = Encoding::Utf16le;
    else if (equal_ignoring_case(value, "utf8") || equal_ignoring_case(value, "utf-8"))
        encoding = Encoding::Utf8;
    else
        return false;
    return true;
}

// A number in decimal digits alone, at most `most`.
bool parse_decimal(const char *value, uint64_t most, uint64_t &number)
{
    if (*value == 0)
        return false;
    uint64_t n = 0;
    for (const char *p = value; *p; p++) {
        if (*p < '0' || *p > '9')
            return false;
        n = n * 10 + uint64_t(*p - '0');
        if (n > most)
            return false;
    }
    number = n;
    return true;
}

// Small enough that the segment's offset fits a signed 64-bit number.
bool parse_segment(const char *value, int64_t &segment)
{
    uint64_t n;
    if (!parse_decimal(value, uint64_t(INT64_MAX) >> SEGMENT_SHIFT, n))
        return false;
    segment = int64_t(n);
    return true;
}

enum class Key { Format, Name, Output, Encoding, Force, Segment, View, Help, Version, Style, Case, Columns, Reverse, NoProgress,
                 Align, Section, Offset, Length, Nul };

// What follows an option: nothing, a value, or a value only after '=' (a short option's letters
// after it are another option's, which is refused).
enum class Takes { Nothing, Value, OptionalValue };

struct Spelling {
    char letter;
    const char *word;
    Key key;
    Takes takes;
    bool conversion_only; // means nothing to --segment and --view, which print a segment
    bool shapes_text;     // means nothing to --reverse, which reads any text bin2src writes
};

constexpr Spelling SPELLINGS[] = {
    // letter, word,     key,              takes,                 conversion only, shapes the text
    {'f', "format",      Key::Format,      Takes::Value,          true,  true},
    {'n', "name",        Key::Name,        Takes::Value,          true,  true},
    {'o', "output",      Key::Output,      Takes::Value,          true,  false},
    {'e', "encoding",    Key::Encoding,    Takes::Value,          true,  true},
    {0,   "force",       Key::Force,       Takes::Nothing,        true,  false},
    {'s', "segment",     Key::Segment,     Takes::Value,          false, true},
    {'v', "view",        Key::View,        Takes::Value,          false, true},
    {'h', "help",        Key::Help,        Takes::Nothing,        false, false},
    {0,   "version",     Key::Version,     Takes::Nothing,        false, false},
    {'t', "style",       Key::Style,       Takes::Value,          true,  true},
    {0,   "case",        Key::Case,        Takes::Value,          true,  true},
    {'c', "columns",     Key::Columns,     Takes::Value,          true,  true},
    {'r', "reverse",     Key::Reverse,     Takes::Nothing,        true,  false},
    {0,   "no-progress", Key::NoProgress,  Takes::Nothing,        true,  false},
    {0,   "align",       Key::Align,       Takes::Value,          true,  true},
    {0,   "section",     Key::Section,     Takes::Value,          true,  true},
    {0,   "offset",      Key::Offset,      Takes::Value,          true,  false},
    {'l', "length",      Key::Length,      Takes::Value,          true,  false},
    {'z', "nul",         Key::Nul,         Takes::OptionalValue,  true,  true}, // "=counted" or "=uncounted"
};

bool parse_style(const char *value, Style &style)
{
    const StyleWords *words = named(STYLE_WORDS, value);
    if (words)
        style = words->style;
    return words != nullptr;
}

// A power of two from 1 to ALIGNMENT_MAX, in decimal.
bool parse_alignment(const char *value, size_t &alignment)
{
    uint64_t n;
    if (!parse_decimal(value, ALIGNMENT_MAX, n) || !is_alignment(n))
        return false;
    alignment = size_t(n);
    return true;
}

bool set_section(Options &options, const char *value, Message &error)
{
    size_t length = std::strlen(value), bad_at;
    char character[2] = {value[0], 0};
    switch (check_section_name(value, length, bad_at)) {
    case NameProblem::None:
        std::memcpy(options.style.section, value, length + 1);
        options.style.section_length = length;
        return true;
    case NameProblem::BadCharacter:
        character[0] = value[bad_at];
        message_start(error, "the section name '", value, "' has '");
        message_append(error, character);
        message_append(error, "': ASCII letters, digits, '_', '.' and '$' only");
        return false;
    case NameProblem::LeadingDigit:
        message_start(error, "the section name '", value, "' starts with a digit");
        return false;
    default:
        message_start(error, "the section name '", value, "' is not 1 to ");
        append_pieces(error, SECTION_MAX, " characters");
        return false;
    }
}

bool parse_columns(const char *value, size_t &columns)
{
    uint64_t n;
    if (!parse_decimal(value, COLUMNS_MAX, n) || n < 1)
        return false;
    columns = size_t(n);
    return true;
}

// A count of bytes: decimal, or hexadecimal after 0x, as offsets in a memory map are written.
bool parse_bytes(const char *value, uint64_t &bytes)
{
    bool hex = value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    const char *p = hex ? value + 2 : value;
    uint64_t n = 0, base = hex ? 16 : 10;
    if (*p == 0)
        return false;
    for (; *p; p++) {
        char c = char(*p | 0x20);
        int digit = *p >= '0' && *p <= '9' ? *p - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0 || n > (UINT64_MAX - uint64_t(digit)) / base)
            return false;
        n = n * base + uint64_t(digit);
    }
    bytes = n;
    return true;
}

// The window's data name: any text of at most 15 UTF-16 units.
bool set_label(Options &options, const char *value, Message &error)
{
    char16_t units[LABEL_MAX];
    int64_t n = utf8_to_utf16(value, units, LABEL_MAX);
    if (n < 0) {
        // On Windows, also a name with an unpaired surrogate: the system layer hands it on in a
        // form that no UTF-8 decoder takes.
        message_start(error, "the data name '", value,
                      "' is not valid Unicode: a byte sequence that is not UTF-8, or an unpaired surrogate");
        return false;
    }
    if (n > int64_t(LABEL_MAX)) {
        message_start(error, "the data name '", value, "' is too long: ");
        message_append_unsigned(error, uint64_t(n));
        append_pieces(error, " characters, at most ", LABEL_MAX, " are allowed");
        return false;
    }
    options.label = Label{};
    for (int64_t k = 0; k < n; k++)
        options.label.units[k] = units[k];
    options.label.length = size_t(n);
    return true;
}

// The data name of a build style, given or made from the source's file name; false, with the
// reason in error, when it cannot be one. A name taken with a warning has it in warning.
bool set_style_name(Options &options, const char *given, const char *const *argv, Message &error, Message &warning)
{
    StyleForm &form = options.style;
    char made[IDENTIFIER_MAX + 2];
    const char *name = given;
    size_t length;
    if (given) {
        length = std::strlen(given);
    } else if (options.source.index != STANDARD_STREAM) {
        length = style_name_from_path(argv[options.source.index] + options.source.offset, made);
        name = made;
    } else {
        Label label = label_from(DEFAULT_LABEL); // ASCII: its UTF-8 is the C name
        length = utf16_to_utf8(label.units, label.length, made);
        name = made;
    }
    size_t bad_at;
    NameProblem problem = check_style_name(form.style, name, length, bad_at);
    if (problem == NameProblem::None || problem == NameProblem::Library) {
        std::memcpy(form.name, name, length);
        form.name[length] = 0;
        form.name_length = length;
        // Only a given name: one made from a file's name never is a function's.
        if (problem == NameProblem::Library) {
            message_start(warning, WARNING);
            message_append(warning, "the data name '");
            message_append_name(warning, name);
            message_append(warning, "' is also a function of the C library, which compilers know as a built-in: its "
                                    "declaration may fail to compile, or calls of the function reach the data; "
                                    "another name is safer");
        }
        return true;
    }
    const char *whose = given ? "the data name '" : "the data name made from the file's name, '";
    const char *after = given ? "' " : "', ";
    char character[2] = {name[bad_at], 0};
    if (problem == NameProblem::Empty)
        message_start(error, "the data name is empty: a C name is needed, such as font_rom");
    else
        message_start(error, whose, name, after);
    switch (problem) {
    case NameProblem::TooLong:
        append_pieces(error, "is too long: at most ", IDENTIFIER_MAX, " characters");
        break;
    case NameProblem::BadCharacter:
        message_append(error, "is not a C name: it has '");
        message_append(error, character);
        message_append(error, "'; letters, digits and '_' only");
        break;
    case NameProblem::LeadingDigit:
        message_append(error, "is not a C name: it starts with a digit");
        break;
    case NameProblem::Keyword:
        message_append(error, "is a keyword of C or C++");
        break;
    case NameProblem::LeadingUnderscore:
        message_append(error, "is reserved: names starting with '_' belong to the compiler and the C library "
                              "where the data is declared, at file scope");
        break;
    case NameProblem::DoubleUnderscore:
        message_append(error, "is reserved: names holding '__' belong to the compiler and the C library");
        break;
    case NameProblem::TrailingUnderscore:
        message_append(error, "ends in '_': the name of its length, ");
        message_append(error, name);
        message_append(error, "_len, would hold '__', which is reserved");
        break;
    case NameProblem::Main:
        message_append(error, "is the program's own function: C and C++ take no data of that name, nor the "
                              "linker beside the program's main");
        break;
    case NameProblem::Predefined:
        message_append(error, "is a macro that gcc and clang predefine in their default dialects "
                              "(-std=gnu17, gnu++17)");
        break;
    case NameProblem::Empty:
    case NameProblem::None:
    case NameProblem::Library:
        break;
    }
    if (!given)
        message_append(error, "; give a name with --name");
    return false;
}

// The .incbin and #embed styles name their source in the text, for the assembler or the compiler
// to read: a file, by the path given, which the assembler takes from its own current folder
// when it is relative, and the compiler from the text's folder first, as for #include.
bool set_source_path(Options &options, const char *const *argv, Message &error)
{
    if (options.source.index == STANDARD_STREAM) {
        message_start(error, "the style '", style_name(options.style.style),
                      "' names its source in the text: give a file, not standard input");
        return false;
    }
    const char *path = argv[options.source.index] + options.source.offset;
    size_t length = std::strlen(path);
    if (length > SOURCE_PATH_MAX) {
        message_start(error, "the source's path is too long to be named in the text: at most ");
        append_pieces(error, SOURCE_PATH_MAX, " bytes");
        return false;
    }
    if (options.style.style == Style::CEmbed && !can_embed_path(path, length)) {
        message_start(error, "the source's path '", path, "' has a '\"' or a control character, which #embed cannot name");
        return false;
    }
    options.style.path = path;
    options.style.path_length = length;
    return true;
}

// What the whole command line holds, for the checks that need all of it: each option as the user
// wrote it, for the message.
struct Seen {
    const char *name;            // --name's value, checked once the style is known
    const char *name_option;     // --name as written
    const char *window_only;     // --format or --encoding=utf16le
    const char *style_only;      // --case or --columns
    const char *placing;         // --align or --section
    const char *shaping;         // the first option that shapes the text
    const char *conversion_only; // the first option that only a conversion takes
    const char *slice;           // --offset or --length
    const char *terminator;      // --nul
    const char *case_option;     // --case
    bool columns_given;
};

// The option at argv[i] and its value: "--word=value", "--word value", "-xvalue", "-x value". A
// value in the next argument moves i on. Null, with the reason in error, when it is none.
const Spelling *read_option(int argc, const char *const *argv, int &i, const char *&value, Message &error)
{
    const char *arg = argv[i];
    const Spelling *spelling = nullptr;
    value = nullptr;
    if (arg[1] == '-') {
        const char *word = arg + 2;
        size_t length = std::strcspn(word, "=");
        for (const Spelling &s : SPELLINGS)
            if (std::strlen(s.word) == length && std::strncmp(s.word, word, length) == 0)
                spelling = &s;
        if (spelling && word[length] == '=') {
            if (spelling->takes == Takes::Nothing) {
                message_start(error, "option '--", spelling->word, "' takes no value");
                return nullptr;
            }
            value = word + length + 1;
        }
    } else {
        for (const Spelling &s : SPELLINGS)
            if (s.letter != 0 && s.letter == arg[1])
                spelling = &s;
        if (spelling && arg[2] != 0) {
            if (spelling->takes != Takes::Value)
                spelling = nullptr; // a flag does not take letters after it
            else
                value = arg + 2;
        }
    }
    if (!spelling) {
        message_start(error, "unknown option '", arg, "'");
        return nullptr;
    }
    if (spelling->takes == Takes::Value && !value) {
        if (i + 1 >= argc) {
            message_start(error, "option '", arg, "' needs a value");
            return nullptr;
        }
        value = argv[++i];
    }
    return spelling;
}

// Takes one option into options and seen: Run to go on, Help or Version at once, or Usage with
// the reason in error. arg is the option as written; its value, if any, lies in argv[i].
Parsed take_option(const Spelling &spelling, const char *value, const char *arg, const char *const *argv, int i,
                   Options &options, Seen &seen, Message &error)
{
    switch (spelling.key) {
    case Key::Help:
        return Parsed::Help;
    case Key::Version:
        return Parsed::Version;
    case Key::Format:
        if (!parse_format(value, options.format)) {
            message_start(error, "unknown format '", value, "': ");
            append_format_names(error);
            return Parsed::Usage;
        }
        seen.window_only = arg;
        break;
    case Key::Name:
        seen.name = value;
        seen.name_option = arg;
        break;
    case Key::Output:
        options.destination = std::strcmp(value, "-") == 0 ? STANDARD_ARGUMENT : Argument{i, size_t(value - argv[i])};
        break;
    case Key::Encoding:
        if (!parse_encoding(value, options.encoding)) {
            message_start(error, "unknown encoding '", value, "': utf16le or utf8");
            return Parsed::Usage;
        }
        if (options.encoding == Encoding::Utf16le)
            seen.window_only = arg;
        break;
    case Key::Style:
        if (!parse_style(value, options.style.style)) {
            message_start(error, "unknown style '", value, "': ");
            append_style_names(error, any_style, " or ");
            return Parsed::Usage;
        }
        break;
    case Key::Case:
        if (!equal_ignoring_case(value, "upper") && !equal_ignoring_case(value, "lower")) {
            message_start(error, "unknown case '", value, "': upper or lower");
            return Parsed::Usage;
        }
        options.style.lower = equal_ignoring_case(value, "lower");
        seen.style_only = arg;
        seen.case_option = arg;
        break;
    case Key::Columns:
        if (!parse_columns(value, options.style.columns)) {
            message_start(error, "bad number of bytes a line '", value, "': 1 to ");
            message_append_unsigned(error, COLUMNS_MAX);
            return Parsed::Usage;
        }
        seen.style_only = arg;
        seen.columns_given = true;
        break;
    case Key::Offset:
    case Key::Length:
        if (!parse_bytes(value, spelling.key == Key::Offset ? options.offset : options.length)) {
            message_start(error, spelling.key == Key::Offset ? "bad offset '" : "bad length '", value,
                          "': a number of bytes is expected, decimal or hexadecimal after 0x");
            return Parsed::Usage;
        }
        seen.slice = arg;
        break;
    case Key::Nul:
        if (!value || equal_ignoring_case(value, "uncounted")) {
            options.style.terminator = Terminator::Uncounted;
        } else if (equal_ignoring_case(value, "counted")) {
            options.style.terminator = Terminator::Counted;
        } else {
            message_start(error, "unknown terminator count '", value, "': counted or uncounted");
            return Parsed::Usage;
        }
        seen.terminator = arg;
        break;
    case Key::Align:
        if (!parse_alignment(value, options.style.alignment)) {
            message_start(error, "bad alignment '", value, "': a power of two from 1 to ");
            message_append_unsigned(error, ALIGNMENT_MAX);
            return Parsed::Usage;
        }
        seen.placing = arg;
        break;
    case Key::Section:
        if (!set_section(options, value, error))
            return Parsed::Usage;
        seen.placing = arg;
        break;
    case Key::Reverse:
        options.reverse = true;
        break;
    case Key::NoProgress:
        options.progress = false;
        break;
    case Key::Force:
        options.force = true;
        break;
    case Key::Segment:
        if (!parse_segment(value, options.segment)) {
            message_start(error, "bad segment number '", value, "': a decimal number from 0 is expected");
            return Parsed::Usage;
        }
        options.print_segment = true;
        break;
    case Key::View:
        if (!parse_view(value, options.view)) {
            message_start(error, "unknown view '", value, "': ");
            append_pieces(error, NORMAL_VIEW_NAME, ", ");
            append_format_names(error);
            return Parsed::Usage;
        }
        options.print_segment = true;
        break;
    }
    if (spelling.conversion_only && !seen.conversion_only)
        seen.conversion_only = arg;
    if (spelling.shapes_text && !seen.shaping)
        seen.shaping = arg;
    return Parsed::Run;
}

// The options that go together and those that do not, once all are read.
Parsed check_together(const char *const *argv, const Seen &seen, Options &options, Message &error,
                      Message &warning)
{
    if (options.reverse) {
        if (seen.shaping) {
            message_start(error, "'", seen.shaping,
                          "' shapes the text; --reverse reads any text bin2src writes and takes only --output and --force");
            return Parsed::Usage;
        }
        if (seen.slice) {
            message_start(error, "'", seen.slice, "' takes a slice of a source; --reverse reads the whole text");
            return Parsed::Usage;
        }
        return Parsed::Run;
    }
    if (is_bare_style(options.style.style)) {
        if (seen.window_only || seen.name || seen.placing) {
            message_start(error, "'", seen.window_only ? seen.window_only : seen.name ? seen.name_option : seen.placing,
                          "' does not go with --style=");
            append_style_names(error, is_bare_style, " or ");
            message_append(error, ", which write the bytes alone, in UTF-8");
            return Parsed::Usage;
        }
        // Plain hexadecimal is xxd -p's unless asked otherwise: lower case, 60 digits a line.
        if (options.style.style == Style::Plain) {
            options.style.lower = seen.case_option ? options.style.lower : true;
            options.style.columns = seen.columns_given ? options.style.columns : PLAIN_COLUMNS;
        }
    } else if (options.style.style != Style::Window) {
        if (seen.window_only) {
            message_start(error, "'", seen.window_only,
                          "' belongs to the window's text; the build styles are C or assembler text in UTF-8");
            return Parsed::Usage;
        }
        if (seen.placing && !is_placed(options.style.style)) {
            message_start(error, "'", seen.placing, "' places the bytes of the assembler styles: ");
            append_style_names(error, is_placed, " and ");
            return Parsed::Usage;
        }
        // The assembler or the compiler reads these bytes from the source itself; and a string
        // literal ends in a NUL of its own, which its length never counts.
        if (seen.terminator && names_source(options.style.style)) {
            message_start(error, "'", seen.terminator, "' does not go with --style=");
            append_style_names(error, names_source, " or ");
            message_append(error, ", whose bytes come from the source itself");
            return Parsed::Usage;
        }
        if (options.style.style == Style::CString && seen.case_option) {
            message_start(error, "'", seen.case_option, "' does not go with --style=");
            append_pieces(error, style_name(Style::CString),
                          ", whose bytes are characters and octal escapes, with no hexadecimal digit");
            return Parsed::Usage;
        }
        if (options.style.style == Style::CString && options.style.terminator == Terminator::Counted) {
            message_start(error, "'", seen.terminator, "' does not go with --style=");
            append_pieces(error, style_name(Style::CString), ", whose length never counts its string's own NUL");
            return Parsed::Usage;
        }
        if (names_source(options.style.style) && !set_source_path(options, argv, error))
            return Parsed::Usage;
        if (!set_style_name(options, seen.name, argv, error, warning))
            return Parsed::Usage;
    } else if (seen.style_only || seen.placing) {
        message_start(error, "'", seen.style_only ? seen.style_only : seen.placing,
                      "' belongs to the build styles (--style); the window's text has upper-case digits, ");
        append_pieces(error, LINE_CELLS, " bytes a line");
        return Parsed::Usage;
    } else if (seen.terminator) {
        message_start(error, "'", seen.terminator,
                      "' belongs to the build styles (--style); the window's text is its export, byte for byte");
        return Parsed::Usage;
    } else if (seen.name && !set_label(options, seen.name, error)) {
        return Parsed::Usage;
    }
    if (options.print_segment && seen.conversion_only) {
        message_start(error, "'", seen.conversion_only,
                      "' belongs to a conversion; --segment and --view print a segment in UTF-8 on standard output");
        return Parsed::Usage;
    }
    return Parsed::Run;
}

} // namespace

const char *style_name(Style style)
{
    for (const StyleWords &words : STYLE_WORDS)
        if (words.style == style)
            return words.name;
    return "";
}

Parsed parse_options(int argc, const char *const *argv, Options &options, Message &error, Message &warning)
{
    options = Options{};
    options.format = ExportFormat::C;
    options.label = label_from(DEFAULT_LABEL);
    options.encoding = Encoding::Utf16le;
    options.source = STANDARD_ARGUMENT;
    options.destination = STANDARD_ARGUMENT;
    options.view = ViewMode::Normal;
    options.style.columns = LINE_CELLS;
    options.length = SLICE_TO_END;
    options.progress = true;
    message_clear(error);
    message_clear(warning);

    Seen seen{};
    bool source_given = false, only_operands = false;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (only_operands || arg[0] != '-' || arg[1] == 0) {
            // An operand: the source. "-" stands for standard input.
            if (source_given) {
                message_start(error, "more than one source: '", arg, "' (convert one file at a time)");
                return Parsed::Usage;
            }
            source_given = true;
            options.source = std::strcmp(arg, "-") == 0 ? STANDARD_ARGUMENT : Argument{i, 0};
            continue;
        }
        if (std::strcmp(arg, "--") == 0) {
            only_operands = true;
            continue;
        }
        const char *value;
        const Spelling *spelling = read_option(argc, argv, i, value, error);
        if (!spelling)
            return Parsed::Usage;
        Parsed taken = take_option(*spelling, value, arg, argv, i, options, seen, error);
        if (taken != Parsed::Run)
            return taken;
    }
    return check_together(argv, seen, options, error, warning);
}
