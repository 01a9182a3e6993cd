#include "export/source_style.h"

#include <array>
#include <cstring>

namespace {

// GNU as: the section, the symbol's type and the label, for ELF and COFF alike; after the bytes,
// the symbol's size, then the 64-bit length of the bytes and the stack note.
#define GAS_HEAD                                                                                                 \
    "\t.ifdef .text\n\t.section \4,\"a\"\n\t.type \1, %object\n\t.else\n\t.section \5,\"dr\"\n\t.endif\n" \
    "\t.globl \1\n\t.balign \6\n\1:\n"
#define GAS_TAIL(end, length)                                                                                    \
    "\t.ifdef .text\n\t.size \1, " end " - \1\n\t.endif\n\t.balign 8\n\t.globl \1_len\n\1_len:\n\t.quad " length  \
    "\n\t.ifdef .text\n\t.type \1_len, %object\n\t.size \1_len, 8\n\t.section .note.GNU-stack,\"\",%progbits\n"  \
    "\t.endif\n"

// The include guard is BIN2SRC_<name>_H: a name of the program's own, clear of the user's.
#define C_GUARD "#ifndef BIN2SRC_\1_H\n#define BIN2SRC_\1_H\n"
// The C styles that link give their symbols C's names in C++ too.
#define C_LINKAGE_OPEN "#ifdef __cplusplus\nextern \"C\" {\n#endif\n"
#define C_LINKAGE_CLOSE "#ifdef __cplusplus\n}\n#endif\n"
// The declaration before the definition gives the const array external linkage in C++ too.
#define C_DEFINITION_HEAD C_LINKAGE_OPEN "extern const unsigned char \1[];\nconst unsigned char \1[] = {\n"

constexpr StylePatterns PATTERNS[] = {
    {"", "", LineShape::List, ""}, // the window's text has its own builders
    {C_GUARD "static const unsigned char \1[] = {\n", "\t", LineShape::List, "};\n#define \1_len (sizeof \1)\n#endif\n"},
    {C_GUARD C_LINKAGE_OPEN, "", LineShape::List,
     "extern const unsigned char \1[\2];\n" C_LINKAGE_CLOSE "#define \1_len (sizeof \1)\n#endif\n"},
    {C_DEFINITION_HEAD, "\t", LineShape::List, "};\n" C_LINKAGE_CLOSE},
    // The length is a 64-bit word after the bytes. One text for ELF and COFF: GNU as and LLVM's
    // assembler define the symbol .text from the start on ELF and not on COFF, where the
    // read-only section is .rdata and there are no symbol types, sizes or stack note.
    {GAS_HEAD, "\t.byte ", LineShape::Row, GAS_TAIL(".", "\2")},
    // The same for NASM, whose own preprocessor knows the output format.
    {"%ifidn __OUTPUT_FORMAT__,win32\n%define BIN2SRC_COFF\n%elifidn __OUTPUT_FORMAT__,win64\n%define BIN2SRC_COFF\n"
     "%endif\n%ifdef BIN2SRC_COFF\n\tsection \5 rdata align=\6\n\tglobal $\1\n%else\n"
     "\tsection \4 progbits alloc noexec nowrite align=\6\n\tglobal $\1:data ($\1.end - $\1)\n%endif\n$\1:\n",
     "\tdb ", LineShape::Row,
     ".end:\n\talign 8, db 0\n%ifdef BIN2SRC_COFF\n\tglobal $\1_len\n%else\n\tglobal $\1_len:data 8\n%endif\n"
     "$\1_len:\n\tdq \2\n%ifndef BIN2SRC_COFF\n\tsection .note.GNU-stack noalloc noexec nowrite progbits\n%endif\n"},
    // The bytes pulled in from the source's file by the assembler, the length reckoned by it.
    {GAS_HEAD "\t.incbin \"\7\"\n1:\n" GAS_TAIL("1b", "1b - \1"), "", LineShape::Row, ""},
    // The same in a C or C++ file that any GCC or Clang compiles as it is, with no assembler
    // language in the build: one top-level asm statement, whose target the preprocessor knows.
    // The section is left as the compiler had it (COFF has no .pushsection: its code is in .text).
    {"#if !defined(__GNUC__) || !(defined(__ELF__) || defined(_WIN32))\n"
     "#error \"\1 is pulled in by the .incbin of GNU as, for ELF or Windows: compile this file with GCC or Clang\"\n"
     "#endif\n"
     "#if defined(_WIN32) && defined(__i386__)\n#define BIN2SRC_SYMBOL(name) \"_\" #name\n#else\n"
     "#define BIN2SRC_SYMBOL(name) #name\n#endif\n"
     "__asm__(\n#if defined(__ELF__)\n"
     "    \"\\t.pushsection \4,\\\"a\\\"\\n\"\n"
     "    \"\\t.type \" BIN2SRC_SYMBOL(\1) \", %object\\n\"\n"
     "#else\n"
     "    \"\\t.section \5,\\\"dr\\\"\\n\"\n"
     "#endif\n"
     "    \"\\t.globl \" BIN2SRC_SYMBOL(\1) \"\\n\"\n"
     "    \"\\t.balign \6\\n\"\n"
     "    BIN2SRC_SYMBOL(\1) \":\\n\"\n"
     "    \"\\t.incbin \\\"\10\\\"\\n\"\n"
     "    \"1:\\n\"\n"
     "#if defined(__ELF__)\n"
     "    \"\\t.size \" BIN2SRC_SYMBOL(\1) \", 1b - \" BIN2SRC_SYMBOL(\1) \"\\n\"\n"
     "    \"\\t.type \" BIN2SRC_SYMBOL(\1_len) \", %object\\n\"\n"
     "    \"\\t.size \" BIN2SRC_SYMBOL(\1_len) \", 8\\n\"\n"
     "#endif\n"
     "    \"\\t.balign 8\\n\"\n"
     "    \"\\t.globl \" BIN2SRC_SYMBOL(\1_len) \"\\n\"\n"
     "    BIN2SRC_SYMBOL(\1_len) \":\\n\"\n"
     "    \"\\t.quad 1b - \" BIN2SRC_SYMBOL(\1) \"\\n\"\n"
     "#if defined(__ELF__)\n    \"\\t.popsection\\n\"\n#else\n    \"\\t.text\\n\"\n#endif\n"
     ");\n",
     "", LineShape::Row, ""},
    // A string literal for every line, in braces, which C and C++ allow around a string. The
    // string's terminating zero follows the bytes. C asks compilers to take 509 characters in a
    // string (4095 from C99) and C++ 65536, and GCC and Clang say so under -pedantic: not for
    // this text, which they take at any length.
    {C_GUARD "#if defined(__GNUC__)\n"
     "#pragma GCC diagnostic push\n#pragma GCC diagnostic ignored \"-Woverlength-strings\"\n#endif\n"
     "static const unsigned char \1[] = {\n",
     "\t\"", LineShape::Row,
     "};\n#if defined(__GNUC__)\n#pragma GCC diagnostic pop\n#endif\n"
     "#define \1_len (sizeof \1 - 1)\n#endif\n"},
    // The one definition, filled by the compiler from the source's file: C23. An empty file gives
    // one NUL byte, as the other C styles do, for C has no array of no bytes.
    {C_DEFINITION_HEAD "#embed \"\16\" if_empty(0)\n};\n" C_LINKAGE_CLOSE, "", LineShape::List, ""},
    // The bare forms: the lines of C's initialiser (or of digits) and nothing around them.
    {"", "\t", LineShape::List, ""},
    {"", "", LineShape::Row, ""},
};

// The tails that say that the last byte, a NUL, is not part of the data: the C styles take it off
// the length, and the C source, which has no length, says so for the way back. The assemblers
// write the length as a number, a string literal's own NUL is never counted, and the bare forms
// have no length.
struct UncountedTail {
    Style style;
    const char *tail;
};
constexpr UncountedTail UNCOUNTED_TAILS[] = {
    {Style::C, "};\n#define \1_len (sizeof \1 - 1)\n#endif\n"},
    {Style::CHeader, "extern const unsigned char \1[\2 + 1];\n" C_LINKAGE_CLOSE "#define \1_len (sizeof \1 - 1)\n#endif\n"},
    {Style::CSource, "};\n/* the last byte, a NUL, is not counted in \1_len */\n" C_LINKAGE_CLOSE},
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

// The longest text a mark can stand for: a path escaped twice, as a C string of GNU as's string,
// takes at most 5 characters a byte ("\\012").
constexpr size_t mark_max(char mark)
{
    switch (mark) {
    case NAME_MARK:         return IDENTIFIER_MAX;
    case COUNT_MARK:        return DECIMAL_DIGITS_MAX;
    case ELF_SECTION_MARK:
    case COFF_SECTION_MARK: return SECTION_MAX;
    case ALIGNMENT_MARK:    return 4;
    case PATH_MARK:         return 4 * SOURCE_PATH_MAX;
    case C_PATH_MARK:       return 5 * SOURCE_PATH_MAX;
    case EMBED_PATH_MARK:   return SOURCE_PATH_MAX;
    default:                return 1;
    }
}

constexpr size_t expanded_max(const char *pattern)
{
    size_t n = 0;
    for (; *pattern; pattern++)
        n += mark_max(*pattern);
    return n;
}

constexpr bool patterns_fit()
{
    for (const StylePatterns &p : PATTERNS) {
        bool lines = *p.start != 0; // else head and tail are written together
        if (lines ? expanded_max(p.head) > STYLE_PIECE_MAX || expanded_max(p.tail) > STYLE_PIECE_MAX
                  : expanded_max(p.head) + expanded_max(p.tail) > STYLE_HEAD_MAX)
            return false;
        if (expanded_max(p.start) > sizeof(LineStart<char>::units))
            return false;
    }
    for (const UncountedTail &t : UNCOUNTED_TAILS)
        if (expanded_max(t.tail) > STYLE_PIECE_MAX)
            return false;
    return true;
}
static_assert(patterns_fit(), "a head or tail fits its buffer with the longest name, count, section and path");
static_assert(ALIGNMENT_MAX < 10000, "the alignment has at most 4 digits");


// The macros that gcc and clang predefine in their default dialects (gnu17, gnu++17) but not in
// the strict ones, where a name is nothing but a name: on Linux and the BSDs, on 32-bit x86, on
// MIPS (Debian's mips64el and mipsel), and with MinGW-w64 on Windows.
constexpr const char *PREDEFINED[] = {"MIPSEL", "WIN32", "WIN64", "WINNT", "i386", "linux", "mips", "unix"};

// The functions of the C library (C17, POSIX and glibc's own headers) that gcc or clang know as
// built-ins, with no header included: a declaration of data under one of these names fails with
// clang, or warns with gcc (an error under -Werror), in C, C++ or both. The list is what both
// compilers refuse, function by function; a name outside it may still clash with a header that
// the program includes. Each is also a symbol that a program linking the data may call.
constexpr const char *LIBRARY[] = {
    "abort", "abs", "acos", "acosf", "acosh", "acoshf", "acoshl", "acosl", "aligned_alloc", "alloca", "asin",
    "asinf", "asinh", "asinhf", "asinhl", "asinl", "atan", "atan2", "atan2f", "atan2l", "atanf", "atanh", "atanhf",
    "atanhl", "atanl", "bcmp", "bcopy", "bzero", "cabs", "cabsf", "cabsl", "cacos", "cacosf", "cacosh", "cacoshf",
    "cacoshl", "cacosl", "calloc", "carg", "cargf", "cargl", "casin", "casinf", "casinh", "casinhf", "casinhl",
    "casinl", "catan", "catanf", "catanh", "catanhf", "catanhl", "catanl", "cbrt", "cbrtf", "cbrtl", "ccos",
    "ccosf", "ccosh", "ccoshf", "ccoshl", "ccosl", "ceil", "ceilf", "ceilf128", "ceilf32", "ceilf32x", "ceilf64",
    "ceilf64x", "ceill", "cexp", "cexpf", "cexpl", "cimag", "cimagf", "cimagl", "clog", "clogf", "clogl", "conj",
    "conjf", "conjl", "copysign", "copysignf", "copysignf128", "copysignf32", "copysignf32x", "copysignf64",
    "copysignf64x", "copysignl", "cos", "cosf", "cosh", "coshf", "coshl", "cosl", "cpow", "cpowf", "cpowl", "cproj",
    "cprojf", "cprojl", "creal", "crealf", "creall", "csin", "csinf", "csinh", "csinhf", "csinhl", "csinl", "csqrt",
    "csqrtf", "csqrtl", "ctan", "ctanf", "ctanh", "ctanhf", "ctanhl", "ctanl", "dcgettext", "dgettext", "drem",
    "dremf", "dreml", "erf", "erfc", "erfcf", "erfcl", "erff", "erfl", "execl", "execle", "execlp", "execv",
    "execve", "execvp", "exit", "exp", "exp10", "exp10f", "exp10l", "exp2", "exp2f", "exp2l", "expf", "expl",
    "expm1", "expm1f", "expm1l", "fabs", "fabsf", "fabsf128", "fabsf32", "fabsf32x", "fabsf64", "fabsf64x", "fabsl",
    "fdim", "fdimf", "fdiml", "feclearexcept", "fegetenv", "fegetexceptflag", "fegetround", "feholdexcept",
    "feraiseexcept", "fesetenv", "fesetexceptflag", "fesetround", "fetestexcept", "feupdateenv", "ffs", "ffsl",
    "ffsll", "finite", "finitef", "finitel", "floor", "floorf", "floorf128", "floorf32", "floorf32x", "floorf64",
    "floorf64x", "floorl", "fma", "fmaf", "fmaf128", "fmaf32", "fmaf32x", "fmaf64", "fmaf64x", "fmal", "fmax",
    "fmaxf", "fmaxf128", "fmaxf32", "fmaxf32x", "fmaxf64", "fmaxf64x", "fmaxl", "fmin", "fminf", "fminf128",
    "fminf32", "fminf32x", "fminf64", "fminf64x", "fminl", "fmod", "fmodf", "fmodl", "fopen", "fork", "fprintf",
    "fprintf_unlocked", "fputc", "fputc_unlocked", "fputs", "fputs_unlocked", "fread", "free", "frexp", "frexpf",
    "frexpl", "fscanf", "fwrite", "fwrite_unlocked", "gamma", "gamma_r", "gammaf", "gammaf_r", "gammal", "gammal_r",
    "gettext", "hypot", "hypotf", "hypotl", "ilogb", "ilogbf", "ilogbl", "imaxabs", "index", "isalnum", "isalpha",
    "isascii", "isblank", "iscntrl", "isdigit", "isgraph", "isinf", "isinff", "isinfl", "islower", "isnan",
    "isnanf", "isnanl", "isprint", "ispunct", "isspace", "isupper", "iswalnum", "iswalpha", "iswblank", "iswcntrl",
    "iswdigit", "iswgraph", "iswlower", "iswprint", "iswpunct", "iswspace", "iswupper", "iswxdigit", "isxdigit",
    "j0", "j0f", "j0l", "j1", "j1f", "j1l", "jn", "jnf", "jnl", "labs", "ldexp", "ldexpf", "ldexpl", "lgamma",
    "lgamma_r", "lgammaf", "lgammaf_r", "lgammal", "lgammal_r", "llabs", "llrint", "llrintf", "llrintl", "llround",
    "llroundf", "llroundl", "log", "log10", "log10f", "log10l", "log1p", "log1pf", "log1pl", "log2", "log2f",
    "log2l", "logb", "logbf", "logbl", "logf", "logl", "lrint", "lrintf", "lrintl", "lround", "lroundf", "lroundl",
    "malloc", "memalign", "memccpy", "memchr", "memcmp", "memcpy", "memmove", "mempcpy", "memset", "modf", "modff",
    "modfl", "nan", "nanf", "nanf128", "nanf32", "nanf32x", "nanf64", "nanf64x", "nanl", "nearbyint", "nearbyintf",
    "nearbyintf128", "nearbyintf32", "nearbyintf32x", "nearbyintf64", "nearbyintf64x", "nearbyintl", "nextafter",
    "nextafterf", "nextafterl", "nexttoward", "nexttowardf", "nexttowardl", "posix_memalign", "pow", "pow10",
    "pow10f", "pow10l", "powf", "powl", "printf", "printf_unlocked", "putc", "putc_unlocked", "putchar",
    "putchar_unlocked", "puts", "realloc", "remainder", "remainderf", "remainderl", "remquo", "remquof", "remquol",
    "rindex", "rint", "rintf", "rintf128", "rintf32", "rintf32x", "rintf64", "rintf64x", "rintl", "round",
    "roundeven", "roundevenf", "roundevenf128", "roundevenf32", "roundevenf32x", "roundevenf64", "roundevenf64x",
    "roundevenl", "roundf", "roundf128", "roundf32", "roundf32x", "roundf64", "roundf64x", "roundl", "scalb",
    "scalbf", "scalbl", "scalbln", "scalblnf", "scalblnl", "scalbn", "scalbnf", "scalbnl", "scanf", "signbit",
    "signbitd128", "signbitd32", "signbitd64", "signbitf", "signbitl", "significand", "significandf",
    "significandl", "sin", "sincos", "sincosf", "sincosl", "sinf", "sinh", "sinhf", "sinhl", "sinl", "snprintf",
    "sprintf", "sqrt", "sqrtf", "sqrtf128", "sqrtf32", "sqrtf32x", "sqrtf64", "sqrtf64x", "sqrtl", "sscanf",
    "stpcpy", "stpncpy", "strcasecmp", "strcat", "strchr", "strcmp", "strcpy", "strcspn", "strdup", "strerror",
    "strfmon", "strftime", "strlen", "strncasecmp", "strncat", "strncmp", "strncpy", "strndup", "strnlen",
    "strpbrk", "strrchr", "strspn", "strstr", "strtod", "strtof", "strtok", "strtol", "strtold", "strtoll",
    "strtoul", "strtoull", "strxfrm", "tan", "tanf", "tanh", "tanhf", "tanhl", "tanl", "tgamma", "tgammaf",
    "tgammal", "toascii", "tolower", "toupper", "towlower", "towupper", "trunc", "truncf", "truncf128", "truncf32",
    "truncf32x", "truncf64", "truncf64x", "truncl", "va_copy", "va_end", "va_start", "vfork", "vfprintf", "vfscanf",
    "vprintf", "vscanf", "vsnprintf", "vsprintf", "vsscanf", "wcschr", "wcscmp", "wcslen", "wcsncmp", "wmemchr",
    "wmemcmp", "wmemcpy", "wmemmove", "y0", "y0f", "y0l", "y1", "y1f", "y1l", "yn", "ynf", "ynl",
};

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter_or_digit(char c) { return c != '_' && (is_letter(c) || is_digit(c)); }

bool is_c_style(Style style)
{
    return style == Style::C || style == Style::CHeader || style == Style::CSource || style == Style::CIncbin ||
           style == Style::CString || style == Style::CEmbed;
}

// A byte's text in a string line: itself, or its octal escape (is_plain_in_string).
struct StringCell {
    char text[4];
    uint8_t length;
};

constexpr std::array<StringCell, 256> make_string_cells()
{
    std::array<StringCell, 256> cells{};
    for (unsigned b = 0; b < 256; b++) {
        StringCell &c = cells[b];
        if (is_plain_in_string(b)) {
            c = StringCell{{char(b)}, 1};
        } else {
            c.length = 4;
            put_octal_escape(b, c.text);
        }
    }
    return cells;
}
constexpr std::array<StringCell, 256> STRING_CELLS = make_string_cells();

// The path in a GNU as string: '\\' and '"' escaped, control characters in octal, other bytes
// (UTF-8) as they are. With in_c, that text again as the body of a C string.
char *put_escaped_path(const StyleForm &form, bool in_c, char *out)
{
    auto put_c = [&](uint8_t b) {
        if (!in_c) {
            *out++ = char(b);
            return;
        }
        std::memcpy(out, STRING_CELLS[b].text, 4);
        out += STRING_CELLS[b].length;
    };
    for (size_t i = 0; i < form.path_length; i++) {
        auto b = uint8_t(form.path[i]);
        if (b == '\\' || b == '"') {
            put_c('\\');
            put_c(b);
        } else if (is_control(b)) {
            char escape[4];
            put_octal_escape(b, escape);
            for (char c : escape)
                put_c(uint8_t(c));
        } else {
            put_c(b);
        }
    }
    return out;
}

template <size_t N>
bool listed(const char *const (&list)[N], const char *name, size_t length)
{
    for (const char *entry : list)
        if (std::strlen(entry) == length && std::memcmp(entry, name, length) == 0)
            return true;
    return false;
}

} // namespace

StylePatterns style_templates(Style style) { return PATTERNS[int(style)]; }

bool has_data_lines(Style style) { return *PATTERNS[int(style)].start != 0 || style == Style::Plain; }

bool is_placed(Style style)
{
    return style == Style::Gas || style == Style::Nasm || style == Style::Incbin || style == Style::CIncbin;
}

bool names_source(Style style) { return style == Style::Incbin || style == Style::CIncbin || style == Style::CEmbed; }

bool can_embed_path(const char *path, size_t length)
{
    for (size_t i = 0; i < length; i++)
        if (path[i] == '"' || is_control(uint8_t(path[i])))
            return false;
    return true;
}

NameProblem check_section_name(const char *name, size_t length, size_t &bad_at)
{
    bad_at = 0;
    if (length == 0)
        return NameProblem::Empty;
    if (length > SECTION_MAX)
        return NameProblem::TooLong;
    for (size_t i = 0; i < length; i++) {
        if (!is_letter(name[i]) && !is_digit(name[i]) && name[i] != '.' && name[i] != '$') {
            bad_at = i;
            return NameProblem::BadCharacter;
        }
    }
    return is_digit(name[0]) ? NameProblem::LeadingDigit : NameProblem::None;
}

const char *uncounted_tail(Style style)
{
    for (const UncountedTail &t : UNCOUNTED_TAILS)
        if (t.style == style)
            return t.tail;
    return nullptr;
}

const char *style_tail(const StyleForm &form, uint64_t total)
{
    bool uncounted = form.terminator == Terminator::Uncounted || (form.terminator == Terminator::None && total == 0);
    const char *tail = uncounted ? uncounted_tail(form.style) : nullptr;
    return tail ? tail : PATTERNS[int(form.style)].tail;
}

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
    bool c_text = is_c_style(style);
    if (c_text && listed(KEYWORDS, name, length))
        return NameProblem::Keyword;
    if (name[0] == '_')
        return NameProblem::LeadingUnderscore;
    for (size_t i = 1; i < length; i++) {
        if (name[i - 1] == '_' && name[i] == '_') {
            bad_at = i - 1;
            return NameProblem::DoubleUnderscore;
        }
    }
    if (name[length - 1] == '_') {
        bad_at = length - 1;
        return NameProblem::TrailingUnderscore;
    }
    if (length == 4 && std::memcmp(name, "main", 4) == 0)
        return NameProblem::Main;
    if (c_text && listed(PREDEFINED, name, length))
        return NameProblem::Predefined;
    if (listed(LIBRARY, name, length))
        return NameProblem::Library;
    return NameProblem::None;
}

size_t style_name_from_path(const char *path, char *out)
{
    const char *name = path;
    for (const char *p = path; *p; p++)
        if (*p == '/' || *p == '\\')
            name = p + 1;
    size_t n = 0;
    auto put = [&](const char *s, size_t count) {
        for (size_t i = 0; i < count; i++, n++)
            if (n <= IDENTIFIER_MAX)
                out[n] = s[i];
    };
    bool gap = false;
    for (const char *p = name; *p; p++) {
        if (!is_letter_or_digit(*p)) {
            gap = true;
            continue;
        }
        if (n == 0 && is_digit(*p))
            put("data_", 5);
        else if (n > 0 && gap)
            put("_", 1);
        put(p, 1);
        gap = false;
    }
    if (n == 0)
        put("data", 4);
    size_t bad_at;
    if (n <= IDENTIFIER_MAX && check_style_name(Style::C, out, n, bad_at) != NameProblem::None)
        put("_data", 5);
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
        } else if (*s == ELF_SECTION_MARK || *s == COFF_SECTION_MARK) {
            const char *section = form.section_length         ? form.section
                                  : *s == ELF_SECTION_MARK ? DEFAULT_ELF_SECTION
                                                           : DEFAULT_COFF_SECTION;
            size_t n = form.section_length ? form.section_length : std::strlen(section);
            std::memcpy(p, section, n);
            p += n;
        } else if (*s == ALIGNMENT_MARK) {
            p += decimal_digits(form.alignment ? form.alignment : ALIGNMENT_DEFAULT, p);
        } else if (*s == PATH_MARK || *s == C_PATH_MARK) {
            p = put_escaped_path(form, *s == C_PATH_MARK, p);
        } else if (*s == EMBED_PATH_MARK) {
            std::memcpy(p, form.path, form.path_length);
            p += form.path_length;
        } else {
            *p++ = *s;
        }
    }
    return size_t(p - out);
}

char *style_line(const StyleForm &form, const LineStart<char> &start, const uint8_t *bytes, size_t n, bool is_last,
                 char *out)
{
    if (form.style == Style::Plain) {
        // The digits of C's cells, without their "0x" and comma.
        const CellRows<char> &rows = cell_rows<char>(ExportFormat::C, form.lower);
        for (size_t i = 0; i < n; i++, out += 2)
            std::memcpy(out, rows[bytes[i]] + 2, 2);
        *out++ = '\n';
        return out;
    }
    std::memcpy(out, start.units, start.length);
    char *p = out + start.length;
    if (form.style == Style::CString) {
        for (size_t i = 0; i < n; i++) {
            std::memcpy(p, STRING_CELLS[bytes[i]].text, 4);
            p += STRING_CELLS[bytes[i]].length;
        }
        *p++ = '"';
        *p++ = '\n';
        return p;
    }
    LineShape shape = PATTERNS[int(form.style)].shape;
    p = style_cells(shape, form.lower, bytes, n, p);
    if (is_last && shape == LineShape::List)
        p--;
    *p++ = '\n';
    return p;
}
