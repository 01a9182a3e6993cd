#include "export/source_style.h"

#include <cstring>

namespace {

// The include guard is BIN2SRC_<name>_H: a name of the program's own, clear of the user's.
constexpr StylePatterns PATTERNS[] = {
    {"", "", LineShape::List, ""}, // the window's text has its own builders
    {"#ifndef BIN2SRC_\1_H\n#define BIN2SRC_\1_H\nstatic const unsigned char \1[] = {\n", "\t", LineShape::List,
     "};\n#define \1_len (sizeof \1)\n#endif\n"},
    {"#ifndef BIN2SRC_\1_H\n#define BIN2SRC_\1_H\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n", "", LineShape::List,
     "extern const unsigned char \1[\2];\n#ifdef __cplusplus\n}\n#endif\n#define \1_len (sizeof \1)\n#endif\n"},
    // The declaration before the definition gives the const array external linkage in C++ too.
    {"#ifdef __cplusplus\nextern \"C\" {\n#endif\nextern const unsigned char \1[];\nconst unsigned char \1[] = {\n", "\t",
     LineShape::List, "};\n#ifdef __cplusplus\n}\n#endif\n"},
    // The length is a 64-bit word after the bytes; the note keeps the linker from making the
    // stack executable.
    {"\t.section .rodata\n\t.globl \1\n\1:\n", "\t.byte ", LineShape::Row,
     "\t.balign 8\n\t.globl \1_len\n\1_len:\n\t.quad \2\n\t.section .note.GNU-stack,\"\",@progbits\n"},
    {"\tsection .rodata\n\tglobal $\1\n$\1:\n", "\tdb ", LineShape::Row,
     "\talign 8, db 0\n\tglobal $\1_len\n$\1_len:\n\tdq \2\n\tsection .note.GNU-stack noalloc noexec nowrite progbits\n"},
};

// The keywords of C89 to C23 and C++98 to C++20, with C++'s alternative spellings of operators.
constexpr const char *KEYWORDS[] = {
    "_Alignas", "_Alignof", "_Atomic", "_BitInt", "_Bool", "_Complex", "_Decimal128", "_Decimal32", "_Decimal64",
    "_Generic", "_Imaginary", "_Noreturn", "_Static_assert", "_Thread_local", "alignas", "alignof", "and", "and_eq",
    "asm", "auto", "bitand", "bitor", "bool", "break", "case", "catch", "char", "char16_t", "char32_t", "char8_t",
    "class", "co_await", "co_return", "co_yield", "compl", "concept", "const", "const_cast", "consteval",
    "constexpr", "constinit", "continue", "decltype", "default", "delete", "do", "double", "dynamic_cast", "else",
    "enum", "explicit", "export", "extern", "false", "float", "for", "friend", "goto", "if", "inline", "int", "long",
    "mutable", "namespace", "new", "noexcept", "not", "not_eq", "nullptr", "operator", "or", "or_eq", "private",
    "protected", "public", "register", "reinterpret_cast", "requires", "restrict", "return", "short", "signed",
    "sizeof", "static", "static_assert", "static_cast", "struct", "switch", "template", "this", "thread_local",
    "throw", "true", "try", "typedef", "typeid", "typename", "typeof", "typeof_unqual", "union", "unsigned", "using",
    "virtual", "void", "volatile", "wchar_t", "while", "xor", "xor_eq",
};

constexpr size_t expanded_max(const char *pattern)
{
    size_t n = 0;
    for (; *pattern; pattern++)
        n += *pattern == NAME_MARK ? IDENTIFIER_MAX : *pattern == COUNT_MARK ? DECIMAL_DIGITS_MAX : 1;
    return n;
}

constexpr bool patterns_fit()
{
    for (const StylePatterns &p : PATTERNS)
        if (expanded_max(p.head) > STYLE_PIECE_MAX || expanded_max(p.tail) > STYLE_PIECE_MAX ||
            expanded_max(p.start) > sizeof(LineStart<char>::units))
            return false;
    return true;
}
static_assert(patterns_fit(), "a head or tail fits its buffer with the longest name and count");

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_c_style(Style style) { return style == Style::C || style == Style::CHeader || style == Style::CSource; }

} // namespace

StylePatterns style_patterns(Style style) { return PATTERNS[int(style)]; }

NameProblem check_style_name(Style style, const char *name, size_t length, size_t &bad_at)
{
    bad_at = 0;
    if (length == 0)
        return NameProblem::Empty;
    if (length > IDENTIFIER_MAX)
        return NameProblem::TooLong;
    for (size_t i = 0; i < length; i++) {
        if (!is_letter(name[i]) && !is_digit(name[i])) {
            bad_at = i;
            return NameProblem::BadCharacter;
        }
    }
    if (is_digit(name[0]))
        return NameProblem::LeadingDigit;
    if (is_c_style(style))
        for (const char *keyword : KEYWORDS)
            if (std::strlen(keyword) == length && std::memcmp(keyword, name, length) == 0)
                return NameProblem::Keyword;
    return NameProblem::None;
}

size_t style_name_from_path(const char *path, char *out)
{
    const char *name = path;
    for (const char *p = path; *p; p++)
        if (*p == '/' || *p == '\\')
            name = p + 1;
    size_t n = 0;
    auto put = [&](char c) {
        if (n <= IDENTIFIER_MAX)
            out[n] = c;
        n++;
    };
    if (is_digit(*name))
        put('_');
    for (const char *p = name; *p; p++)
        put(is_letter(*p) || is_digit(*p) ? *p : '_');
    out[n <= IDENTIFIER_MAX ? n : IDENTIFIER_MAX + 1] = 0;
    return n;
}

size_t expand_style_pattern(const char *pattern, const StyleForm &form, uint64_t count, char *out)
{
    char *p = out;
    for (const char *s = pattern; *s; s++) {
        if (*s == NAME_MARK) {
            std::memcpy(p, form.name, form.name_length);
            p += form.name_length;
        } else if (*s == COUNT_MARK) {
            p += decimal_digits(count, p);
        } else {
            *p++ = *s;
        }
    }
    return size_t(p - out);
}

char *style_line(const StyleForm &form, const uint8_t *bytes, size_t n, bool is_last, char *out)
{
    StylePatterns patterns = style_patterns(form.style);
    size_t start = std::strlen(patterns.start);
    std::memcpy(out, patterns.start, start);
    char *p = style_cells(patterns.shape, form.lower, bytes, n, out + start);
    if (is_last && patterns.shape == LineShape::List)
        p--;
    *p++ = '\n';
    return p;
}
