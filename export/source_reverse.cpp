#include "export/source_reverse.h"

#include <array>
#include <cstring>

#include "common/digits.h"
#include "common/utf8.h"
#include "export/line_kernel.h"

namespace {

// Text is read in raw blocks; UTF-16LE is narrowed into the UTF-8 block, UTF-8 lands there
// directly, after the unfinished line held from the block before. No data line that bin2src
// writes comes near LINE_LIMIT bytes, and the line reader refuses a longer one wherever it falls:
// the handlers behind it see lines of at most LINE_LIMIT bytes, whose bytes always fit the room a
// data line keeps free in the output block.
constexpr size_t RAW_BLOCK = 256 * 1024;
constexpr size_t LINE_LIMIT = 16 * 1024;
constexpr size_t LINE_HELD_MAX = LINE_LIMIT + 1; // and the CR of a CR LF whose LF is still to come
constexpr size_t OUT_BLOCK = 512 * 1024;
constexpr size_t LINE_BYTES_MAX = LINE_LIMIT; // a byte takes one character at least, in a string
static_assert(STYLE_LINE_MAX < LINE_LIMIT && LINE_BYTES_MAX < OUT_BLOCK);

// The encoding shows in the first bytes: a byte-order mark, or a 0 byte at an odd offset, the
// high byte of an ASCII character in UTF-16LE; no UTF-8 text that bin2src writes holds a 0 byte.
// Every window text has an ASCII character among its first LABEL_MAX + 1 units (an assembler
// text without its ruler opens with the data name, then " DB "); twice as many are looked at, so
// that a name too long is refused for its length rather than read as UTF-8.
constexpr size_t ENCODING_PROBE = 2 * 2 * (LABEL_MAX + 1);
static_assert(ENCODING_PROBE < RAW_BLOCK && ENCODING_PROBE % 2 == 0);

alignas(16) char16_t raw_units[RAW_BLOCK / 2];
char text_block[LINE_HELD_MAX + RAW_BLOCK / 2 * UTF8_PER_UNIT_MAX + READ_KERNEL_SLACK];
uint8_t out_block[OUT_BLOCK];

constexpr char LABEL_MARK = '\3'; // the window's data name in a declaration's pattern

// The styles with a head, whose lines tell them apart. The C header and the styles that name
// their source are read only to be refused.
constexpr Style BUILD_STYLES[] = {Style::C,      Style::CHeader, Style::CSource, Style::Gas,    Style::Nasm,
                                  Style::CString, Style::Incbin,  Style::CIncbin, Style::CEmbed};
constexpr ExportFormat LIST_FORMATS[] = {ExportFormat::C, ExportFormat::Basic}; // those that begin with a fixed ruler

// xxd -i makes its data name from the whole path it was given, so it may be long; a longer one is
// refused rather than cut.
constexpr size_t XXD_NAME_MAX = 255;
static_assert(XXD_NAME_MAX >= IDENTIFIER_MAX);

// Messages that more than one handler gives.
constexpr const char NOT_SOURCE_TEXT[] = "not a text that bin2src writes: no C, assembler or BASIC data";
constexpr const char NOT_THE_RULER[] = "the ruler line is not the one bin2src writes";
static_assert(LABEL_MAX == 15, "the message below says it");
constexpr const char LABEL_TOO_LONG[] = "the data name is longer than the 15 characters the window writes";
constexpr const char ROW_ENDS_WITH_COMMA[] = "an assembler line ends with its last byte, not with ','";

int hex_value(char c)
{
    unsigned d = unsigned(uint8_t(c)) - '0';
    if (d < 10)
        return int(d);
    unsigned l = (unsigned(uint8_t(c)) | 0x20) - 'a';
    return l < 6 ? int(l) + 10 : -1;
}

bool is_name_character(char c) { return hex_value(c) >= 0 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

bool starts_with(const char *t, const char *te, const char *s, size_t n)
{
    return size_t(te - t) >= n && std::memcmp(t, s, n) == 0;
}

// Where the text from t to te first differs from the n characters of s; nullptr when it is s.
const char *first_mismatch(const char *t, const char *te, const char *s, size_t n)
{
    size_t i = 0;
    while (t + i < te && i < n && t[i] == s[i])
        i++;
    return t + i == te && i == n ? nullptr : t + i;
}

// A UTF-8 text measured in UTF-16 units, as the window measures its data name: where it ends, or
// the first character that would take it past `limit` units, with the units before that.
const char *units_end(const char *s, const char *e, size_t limit, size_t &units)
{
    units = 0;
    for (; s < e; s++) {
        uint8_t b = uint8_t(*s);
        if ((b & 0xC0) == 0x80)
            continue;
        size_t n = b >= 0xF0 ? 2 : 1;
        if (units + n > limit)
            return s;
        units += n;
    }
    return e;
}

// The pattern's line from p: up to its line end, which is not part of it.
size_t pattern_line_length(const char *p)
{
    size_t n = 0;
    while (p[n] != 0 && p[n] != '\r' && p[n] != '\n')
        n++;
    return n;
}

// The pattern after its line from p, or nullptr at its end.
const char *next_pattern_line(const char *p)
{
    p += pattern_line_length(p);
    if (*p == '\r')
        p++;
    if (*p == '\n')
        p++;
    return *p ? p : nullptr;
}

// What a pattern's marks read from the text: the data name, the sections and the alignment, each
// fixed from the line that first holds it, and a count with its place in the current line.
struct Marks {
    char name[XXD_NAME_MAX + 1];
    size_t name_length;
    const char *count_at; // nullptr: no count on the line
    size_t count_digits;
    uint64_t count;
    bool count_fits; // in 64 bits
    char sections[2][SECTION_MAX + 1]; // ELF's and COFF's
    size_t section_lengths[2];         // 0: not read yet
    uint64_t alignment;                // 0: not read yet
    // Why the line did not match where a mark's text is there but not one that bin2src writes;
    // nullptr when it is simply not the pattern's.
    const char *problem;
};

// How the data lines are written: what opens each, a cell's text before and after its two
// digits, and whether each line stands alone (a row, whose last cell has no comma) or the list
// goes on from line to line.
struct DataForm {
    char start[sizeof(LineStart<char>::units)];
    size_t start_length;
    const char *before;
    size_t before_length;
    char after;
    bool row;
    LineShape shape;  // which read kernel takes a full line
    size_t full_body; // the length of a full line after its start, without its line end
};

struct Parser;

// A handler reads one whole line, from t to te without its line end and at most LINE_LIMIT
// bytes long, and says which handler reads the next.
using LineHandler = bool (*)(Parser &p, const char *t, const char *te);

// What the text lacks when it ends before the next line.
enum class Ending { Nothing, Data, DataLine, Tail };

struct Parser {
    LineHandler next;
    Ending ending;
    // The line being read, for an error's place.
    uint64_t line;
    const char *line_begin;
    ReverseError *error;
    // The form, as the first lines tell it.
    ExportFormat format; // the window's, from its ruler or declaration
    unsigned candidates; // the build styles whose heads match so far, a bit set of Style
    size_t head_index;   // the line of their heads that comes next
    size_t asm_indent;   // the window's assembler indentation from its ruler, or SIZE_MAX
    DataForm data;
    ReadKernel read;     // full data lines at once, where the processor has a kernel for it
    HexReadKernel read_hex;
    XxdReadKernel read_xxd;
    const char *tail;    // the pattern of the lines after the data; nullptr: the text ends with them
    // The tail that says that the last byte is a NUL the length leaves out, while it and the usual
    // tail still both match; nullptr when the style has no other.
    const char *uncounted_tail;
    // xxd's texts and plain hexadecimal: the bytes of the first data line, which every line but
    // the last holds (0 before it).
    size_t width;
    char window_tail[8];
    Marks marks;
    uint64_t flushed;    // bytes handed to the writer so far; those read are these and out_used
    // The bytes, gathered in out_block.
    ByteWriter writer;
    size_t out_used;
    bool write_failed;
};

void expect(Parser &p, LineHandler next, Ending ending)
{
    p.next = next;
    p.ending = ending;
}

// The error at position `at` of the current line.
bool fail(Parser &p, const char *at, const char *a, const char *b = "", const char *c = "")
{
    ReverseError &e = *p.error;
    e.line = p.line;
    e.column = 1;
    for (const char *s = p.line_begin; s < at; s++)
        if ((uint8_t(*s) & 0xC0) != 0x80)
            e.column++;
    size_t n = 0;
    const char *parts[] = {a, b, c};
    for (const char *s : parts)
        for (; *s && n + 1 < sizeof e.what; s++)
            e.what[n++] = *s;
    e.what[n] = 0;
    return false;
}

// "expected '<the pattern's line>'", tabs shown as \t and the name as the text gave it.
bool fail_expected(Parser &p, const char *at, const char *pattern, const char *before = "")
{
    char shown[STYLE_PIECE_MAX + 16];
    size_t n = 0, length = pattern_line_length(pattern);
    auto show = [&](const char *s, size_t k) {
        std::memcpy(shown + n, s, k);
        n += k;
    };
    for (size_t i = 0; i < length && n + XXD_NAME_MAX + 3 < sizeof shown; i++) {
        char c = pattern[i];
        if (c == '\t')
            show("\\t", 2);
        else if (c == NAME_MARK && p.marks.name_length > 0)
            show(p.marks.name, p.marks.name_length);
        else if (c == NAME_MARK || c == LABEL_MARK)
            show("NAME", 4);
        else if (c == COUNT_MARK)
            show("COUNT", 5);
        else if (c == ELF_SECTION_MARK || c == COFF_SECTION_MARK) {
            size_t k = c == ELF_SECTION_MARK ? 0 : 1;
            if (p.marks.section_lengths[k] > 0)
                show(p.marks.sections[k], p.marks.section_lengths[k]);
            else
                show("SECTION", 7);
        } else if (c == ALIGNMENT_MARK && p.marks.alignment > 0)
            n += decimal_digits(p.marks.alignment, shown + n);
        else if (c == ALIGNMENT_MARK)
            show("ALIGNMENT", 9);
        else if (c == PATH_MARK || c == C_PATH_MARK || c == EMBED_PATH_MARK)
            show("PATH", 4);
        else
            shown[n++] = c;
    }
    shown[n] = 0;
    char what[sizeof shown + 64];
    size_t k = std::strlen(before);
    std::memcpy(what, before, k);
    std::memcpy(what + k, "expected '", 10);
    std::memcpy(what + k + 10, shown, n);
    std::memcpy(what + k + 10 + n, "'", 2);
    return fail(p, at, what);
}

// The assembler styles' section at t for its mark, up to the character `stop` that follows it in
// the pattern: a name that --section takes, read where the mark is met first and then held to the
// other: both the same, or the defaults .rodata and .rdata. False, with t where it went wrong,
// when it is not; m.problem says why when it is a name but not one bin2src writes.
bool match_section(Marks &m, char mark, char stop, const char *&t, const char *te)
{
    static_assert(SECTION_MAX == 63, "the message below says it");
    const size_t k = mark == ELF_SECTION_MARK ? 0 : 1;
    const char *s = t;
    while (t < te && *t != stop && size_t(t - s) <= SECTION_MAX)
        t++;
    size_t length = size_t(t - s), bad_at;
    switch (check_section_name(s, length, bad_at)) {
    case NameProblem::None:
        break;
    case NameProblem::TooLong:
        t = s + SECTION_MAX;
        m.problem = "a section name that bin2src writes has at most 63 characters";
        return false;
    case NameProblem::BadCharacter:
        t = s + bad_at;
        m.problem = "a section name holds ASCII letters, digits, '_', '.' and '$' only";
        return false;
    case NameProblem::LeadingDigit:
        t = s;
        m.problem = "a section name does not start with a digit";
        return false;
    default:
        t = s;
        return false;
    }
    if (m.section_lengths[k] > 0) {
        if (length != m.section_lengths[k] || std::memcmp(s, m.sections[k], length) != 0) {
            t = s;
            m.problem = "the section is not the one named above";
            return false;
        }
        return true;
    }
    const size_t other = 1 - k;
    const char *elf = k == 0 ? s : m.sections[0], *coff = k == 0 ? m.sections[1] : s;
    size_t elf_length = k == 0 ? length : m.section_lengths[0], coff_length = k == 0 ? m.section_lengths[1] : length;
    bool same = elf_length == coff_length && std::memcmp(elf, coff, elf_length) == 0;
    bool defaults = elf_length == sizeof DEFAULT_ELF_SECTION - 1 && coff_length == sizeof DEFAULT_COFF_SECTION - 1 &&
                    std::memcmp(elf, DEFAULT_ELF_SECTION, elf_length) == 0 &&
                    std::memcmp(coff, DEFAULT_COFF_SECTION, coff_length) == 0;
    if (m.section_lengths[other] > 0 && !same && !defaults) {
        t = s;
        m.problem = "the ELF and COFF sections are one name, or .rodata and .rdata";
        return false;
    }
    std::memcpy(m.sections[k], s, length);
    m.section_lengths[k] = length;
    return true;
}

// The alignment at t: a power of two that --align takes, in decimal, the same wherever it
// stands. False as for a section.
bool match_alignment(Marks &m, const char *&t, const char *te)
{
    static_assert(ALIGNMENT_MAX == 8192, "the message below says it");
    const char *s = t;
    uint64_t v = 0;
    for (; t < te && *t >= '0' && *t <= '9' && t - s < 5; t++) // one digit more than 8192's
        v = v * 10 + uint64_t(*t - '0');
    if (t == s)
        return false;
    const char *problem = nullptr;
    if (*s == '0' && t - s > 1)
        problem = "an alignment that bin2src writes has no leading zero";
    else if (!is_alignment(v))
        problem = "the alignment is a power of two from 1 to 8192";
    else if (m.alignment > 0 && v != m.alignment)
        problem = "the alignment is not the one written above";
    if (problem) {
        t = s;
        m.problem = problem;
        return false;
    }
    m.alignment = v;
    return true;
}

// The text from t against the pattern from p to pe: \1 a C name (the same wherever it stands),
// \2 a count in decimal, \4 and \5 the sections and \6 the alignment. A name met for the first
// time may end in name characters of the pattern ("BIN2SRC_\1_H"): the longest that lets the rest
// match is taken. bad: how far the text matched.
bool match_rest(Marks &m, const char *p, const char *pe, const char *t, const char *te, const char *&bad)
{
    while (p < pe) {
        if (*p == NAME_MARK) {
            const char *s = t;
            if (m.name_length > 0) {
                if (size_t(te - t) < m.name_length || std::memcmp(t, m.name, m.name_length) != 0) {
                    bad = t;
                    return false;
                }
                t += m.name_length;
                p++;
                continue;
            }
            while (t < te && is_name_character(*t) && size_t(t - s) < IDENTIFIER_MAX)
                t++;
            if (t == s || (*s >= '0' && *s <= '9')) {
                bad = s;
                return false;
            }
            for (; t > s; t--) {
                m.name_length = size_t(t - s);
                std::memcpy(m.name, s, m.name_length);
                if (match_rest(m, p + 1, pe, t, te, bad))
                    return true;
            }
            m.name_length = 0; // a name read by a pattern that failed is no one's
            return false;
        }
        if (*p == COUNT_MARK) {
            const char *s = t;
            uint64_t v = 0;
            bool fits = true;
            for (; t < te && *t >= '0' && *t <= '9'; t++) {
                unsigned digit = unsigned(*t - '0');
                fits = fits && v <= (UINT64_MAX - digit) / 10;
                v = v * 10 + digit;
            }
            if (t == s) {
                bad = s;
                return false;
            }
            m.count_at = s;
            m.count_digits = size_t(t - s);
            m.count = v;
            m.count_fits = fits;
            p++;
        } else if (*p == ELF_SECTION_MARK || *p == COFF_SECTION_MARK || *p == ALIGNMENT_MARK) {
            char stop = p + 1 < pe ? p[1] : 0; // what ends a section's name
            bool matched = *p == ALIGNMENT_MARK ? match_alignment(m, t, te) : match_section(m, *p, stop, t, te);
            if (!matched) {
                bad = t;
                return false;
            }
            p++;
        } else {
            if (t == te || *t != *p) {
                bad = t;
                return false;
            }
            t++;
            p++;
        }
    }
    bad = t;
    return t == te;
}

// One text line against the pattern's line from `pattern`.
bool match_line(Marks &m, const char *pattern, const char *t, const char *te, const char *&bad)
{
    m.problem = nullptr;
    return match_rest(m, pattern, pattern + pattern_line_length(pattern), t, te, bad);
}

bool flush(Parser &p)
{
    if (p.out_used > 0 && !p.writer.write(p.writer.context, out_block, p.out_used)) {
        p.write_failed = true;
        return false;
    }
    p.flushed += p.out_used;
    p.out_used = 0;
    return true;
}

uint64_t bytes_read(const Parser &p) { return p.flushed + p.out_used; }

// Room in the output block for a data line's bytes, flushing it first when it has less; false
// when the writer failed.
bool make_room(Parser &p) { return p.out_used <= OUT_BLOCK - LINE_BYTES_MAX || flush(p); }

// The cells of a data line from t, after its start, one by one: the reference, and the reader of
// every line the kernel does not take, which also finds the place of an error. comma: the line
// ends with one.
bool data_cells(Parser &p, const char *t, const char *te, bool &comma)
{
    const DataForm &f = p.data;
    uint8_t *const first = out_block + p.out_used;
    uint8_t *out = first;
    const size_t bl = f.before_length, width = bl + 2 + (f.after ? 1 : 0);
    const char b0 = f.before[0], b1 = bl > 1 ? f.before[1] : 0;
    for (;;) {
        if (size_t(te - t) < width || (bl > 0 && t[0] != b0) || (bl > 1 && t[1] != b1)) {
            for (size_t i = 0; i < bl; i++)
                if (t + i == te || t[i] != f.before[i])
                    return fail(p, t + i, t == te ? "the line ends where a byte was expected" : "a byte was expected, written as ",
                                t == te ? "" : f.before, t == te ? "" : "HH");
        }
        int high = t + bl < te ? hex_value(t[bl]) : -1, low = t + bl + 1 < te ? hex_value(t[bl + 1]) : -1;
        if (high < 0)
            return fail(p, t + bl, t + bl < te ? "a hexadecimal digit was expected" : "the line ends inside a byte");
        if (low < 0)
            return fail(p, t + bl + 1, t + bl + 1 < te ? "a hexadecimal digit was expected" : "the line ends inside a byte");
        if (f.after && (t + bl + 2 == te || t[bl + 2] != f.after)) {
            if (t + bl + 2 < te && hex_value(t[bl + 2]) >= 0)
                return fail(p, t + bl + 2, "a byte has two hexadecimal digits: this value is over FF");
            return fail(p, t + bl + 2, "'H' was expected after the byte's two digits");
        }
        *out++ = uint8_t(high << 4 | low);
        t += width;
        if (t == te) {
            comma = false;
            break;
        }
        if (*t != ',')
            return fail(p, t, hex_value(*t) >= 0 && !f.after ? "a byte has two hexadecimal digits: this value is over FF"
                                                              : "',' or the line's end was expected");
        if (++t == te) {
            comma = true;
            break;
        }
    }
    p.out_used += size_t(out - first);
    return true;
}

// The cells of a data line after its start, into the output block: a full line by the kernel
// when it takes it, any other cell by cell.
inline bool read_cells(Parser &p, const char *body, const char *te, bool &comma)
{
    if (!make_room(p))
        return false;
    if (size_t(te - body) == p.data.full_body && p.read && p.read(p.data.shape, body, out_block + p.out_used)) {
        // A full line: a list's ends with its comma, a row's without.
        p.out_used += LINE_CELLS;
        comma = !p.data.row;
        return true;
    }
    return data_cells(p, body, te, comma);
}

// What the line's shape says of its cells.
void set_cells(DataForm &data, LineShape shape)
{
    CellForm form = cell_form(shape);
    data.before = form.before;
    data.before_length = std::strlen(form.before);
    data.after = form.after[0];
    data.row = is_row(shape);
    data.shape = shape;
    data.full_body = line_read_length(shape);
}

// The data form of the window's format, with the assembler's indentation, and of a style.
void set_window_form(Parser &p, ExportFormat format, size_t indent)
{
    p.format = format;
    set_cells(p.data, line_shape(format));
    Label label{};
    label.length = indent;
    LineStart<char> start = line_start<char>(format, label);
    std::memcpy(p.data.start, start.units, start.length);
    p.data.start_length = start.length;
    // The closing line as the writer writes it: what follows a last line of one byte.
    char last[LAST_LINES_MAX];
    uint8_t zero = 0;
    char *end = last_lines(format, start, &zero, 1, last);
    char *closing = static_cast<char *>(std::memchr(last, '\n', size_t(end - last))) + 1;
    std::memcpy(p.window_tail, closing, size_t(end - closing));
    p.window_tail[end - closing] = 0;
    p.tail = p.window_tail[0] ? p.window_tail : nullptr;
}

void set_style_form(Parser &p, Style style)
{
    StylePatterns patterns = style_templates(style);
    set_cells(p.data, patterns.shape);
    p.data.start_length = std::strlen(patterns.start);
    std::memcpy(p.data.start, patterns.start, p.data.start_length);
    p.tail = *patterns.tail ? patterns.tail : nullptr;
    p.uncounted_tail = uncounted_tail(style);
}

// The last byte taken off the data: a NUL that the length leaves out. It is still in the output
// block, for the tail comes after the last data line and nothing is flushed in between.
bool drop_terminator(Parser &p, const char *at)
{
    if (p.out_used == 0 || out_block[p.out_used - 1] != 0)
        return fail(p, at, "the last byte is not the NUL that the length leaves out");
    p.out_used--;
    return true;
}

// ---- The handlers, in the order the lines come ----

bool read_declaration_line(Parser &p, const char *t, const char *te);
bool read_asm_first_line(Parser &p, const char *t, const char *te);
bool read_head_line(Parser &p, const char *t, const char *te);
bool read_data_line(Parser &p, const char *t, const char *te);
bool read_data_or_tail_line(Parser &p, const char *t, const char *te);
bool read_tail_line(Parser &p, const char *t, const char *te);
bool read_past_end_line(Parser &p, const char *t, const char *te);

// The ruler of C or BASIC: fixed, the first three characters tell which.
bool opens_with_list_ruler(Parser &, const char *t, const char *te)
{
    char ruler[RULER_TEXT_MAX];
    for (ExportFormat format : LIST_FORMATS)
        if (ruler_text(format, Label{}, ruler) && starts_with(t, te, ruler, 3))
            return true;
    return false;
}

bool read_list_ruler_line(Parser &p, const char *t, const char *te)
{
    char ruler[RULER_TEXT_MAX];
    for (ExportFormat format : LIST_FORMATS) {
        size_t n = ruler_text(format, Label{}, ruler) - 2; // without its line end
        if (!starts_with(t, te, ruler, 3))
            continue;
        if (const char *bad = first_mismatch(t, te, ruler, n))
            return fail(p, bad, NOT_THE_RULER);
        p.format = format;
        expect(p, read_declaration_line, Ending::Data);
        return true;
    }
    return fail(p, t, NOT_THE_RULER);
}

// The assembler's ruler: indented by the data name's width and four spaces.
bool opens_with_asm_ruler(Parser &, const char *t, const char *te)
{
    const char *s = t;
    while (s < te && *s == ' ')
        s++;
    return s > t && s < te && *s == ';';
}

bool read_asm_ruler_line(Parser &p, const char *t, const char *te)
{
    const char *s = t;
    while (s < te && *s == ' ')
        s++;
    size_t spaces = size_t(s - t);
    if (spaces > 4 + LABEL_MAX)
        return fail(p, t + 4 + LABEL_MAX, "the ruler is indented further than for the longest data name the window writes");
    if (spaces < 4)
        return fail(p, s, NOT_THE_RULER);
    Label label{};
    label.length = spaces - 4;
    char ruler[RULER_TEXT_MAX];
    size_t n = ruler_text(ExportFormat::Asm, label, ruler) - 2;
    if (const char *bad = first_mismatch(t, te, ruler, n))
        return fail(p, bad, NOT_THE_RULER);
    p.asm_indent = label.length;
    expect(p, read_asm_first_line, Ending::Data);
    return true;
}

// "BYTE name[]={" or "Dim name() As Byte = {": the name is any text of the window's.
bool read_declaration_line(Parser &p, const char *t, const char *te)
{
    char pattern[DECLARATION_UTF8_MAX + 1];
    Label label{};
    label.units[0] = LABEL_MARK;
    label.length = 1;
    size_t n = declaration_text(p.format, label, pattern) - 2; // without its line end
    pattern[n] = 0;
    const char *mark = static_cast<const char *>(std::memchr(pattern, LABEL_MARK, n));
    const size_t before = size_t(mark - pattern), after = n - before - 1;
    const char *suffix = mark + 1;
    if (const char *bad = first_mismatch(t, te, pattern, before); bad && bad < t + before)
        return fail_expected(p, bad, pattern);
    const char *name = t + before, *name_end;
    if (size_t(te - name) >= after && std::memcmp(te - after, suffix, after) == 0) {
        name_end = te - after;
    } else {
        // The text goes wrong where the declaration's end, put where most of it matches, stops
        // matching; at the line's end when none of it does.
        const char *bad = te;
        size_t best = 0;
        for (const char *s = name; s < te; s++) {
            size_t k = 0;
            while (k < after && s + k < te && s[k] == suffix[k])
                k++;
            if (k > best)
                best = k, bad = s + k;
        }
        return fail_expected(p, bad, pattern);
    }
    size_t units;
    if (const char *long_at = units_end(name, name_end, LABEL_MAX, units); long_at != name_end)
        return fail(p, long_at, LABEL_TOO_LONG);
    set_window_form(p, p.format, 0);
    expect(p, read_data_line, Ending::DataLine);
    return true;
}

// A declaration without the ruler before it: its first word tells the format.
bool opens_with_declaration(Parser &, const char *t, const char *te)
{
    return starts_with(t, te, "BYTE ", 5) || starts_with(t, te, "Dim ", 4);
}

bool read_bare_declaration_line(Parser &p, const char *t, const char *te)
{
    p.format = *t == 'B' ? ExportFormat::C : ExportFormat::Basic;
    return read_declaration_line(p, t, te);
}

// "name DB 00H,...": the window's assembler declaration and first data line in one.
bool read_asm_first_line(Parser &p, const char *t, const char *te)
{
    const char *db = nullptr;
    size_t units;
    if (p.asm_indent != SIZE_MAX) {
        // The ruler said how wide the name is.
        const char *s = units_end(t, te, p.asm_indent, units);
        if (units != p.asm_indent || !starts_with(s, te, " DB ", 4))
            return fail(p, t, "expected the data name, as wide as the ruler's indentation, and ' DB '");
        db = s;
    } else {
        for (const char *s = t; s + 4 <= te && !db; s++)
            if (std::memcmp(s, " DB ", 4) == 0)
                db = s;
        if (!db)
            return fail(p, t, NOT_SOURCE_TEXT);
        if (const char *long_at = units_end(t, db, LABEL_MAX, units); long_at != db)
            return fail(p, long_at, LABEL_TOO_LONG);
    }
    set_window_form(p, ExportFormat::Asm, units);
    bool comma;
    if (!read_cells(p, db + 4, te, comma))
        return false;
    if (comma)
        return fail(p, te - 1, ROW_ENDS_WITH_COMMA);
    expect(p, read_data_or_tail_line, p.tail ? Ending::Tail : Ending::Nothing);
    return true;
}

// The first line of a build style's head; which style, the lines after tell.
bool opens_with_style_head(Parser &p, const char *t, const char *te)
{
    for (Style style : BUILD_STYLES) {
        Marks trial = p.marks;
        const char *bad;
        if (match_line(trial, style_templates(style).head, t, te, bad))
            return true;
    }
    return false;
}

// The line of a style's head at index; nullptr past its end.
const char *head_line(Style style, size_t index)
{
    const char *pattern = style_templates(style).head;
    for (size_t i = 0; i < index && pattern; i++)
        pattern = next_pattern_line(pattern);
    return pattern;
}

// Where a pattern's line names the source's file, by its mark; nullptr when it names none.
const char *path_mark(const char *pattern)
{
    for (size_t i = 0, n = pattern_line_length(pattern); i < n; i++)
        if (pattern[i] == PATH_MARK || pattern[i] == C_PATH_MARK || pattern[i] == EMBED_PATH_MARK)
            return pattern + i;
    return nullptr;
}

// The line that names the source's file: it opens and ends as the pattern's line does, and what
// lies between is the path.
bool match_source_line(const char *pattern, const char *mark, const char *t, const char *te, const char *&bad)
{
    size_t before = size_t(mark - pattern), after = pattern_line_length(pattern) - before - 1;
    if ((bad = first_mismatch(t, te, pattern, before)) != nullptr && bad < t + before)
        return false;
    bad = te;
    return size_t(te - t) >= before + after && std::memcmp(te - after, mark + 1, after) == 0;
}

// A backslash and three octal digits undone in place, and with `quotes` GNU as's \\ and \" too;
// anything else stays as it is. Returns the new length.
size_t undo_escapes(char *b, size_t n, bool quotes)
{
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    size_t o = 0;
    for (size_t i = 0; i < n;) {
        if (b[i] == '\\' && i + 3 < n && b[i + 1] <= '3' && octal(b[i + 1]) && octal(b[i + 2]) && octal(b[i + 3])) {
            b[o++] = char((b[i + 1] - '0') << 6 | (b[i + 2] - '0') << 3 | (b[i + 3] - '0'));
            i += 4;
        } else if (quotes && b[i] == '\\' && i + 1 < n && (b[i + 1] == '\\' || b[i + 1] == '"')) {
            b[o++] = b[i + 1];
            i += 2;
        } else {
            b[o++] = b[i++];
        }
    }
    return o;
}

// The text names the file its bytes come from: refused, with the path as the user gave it to
// bin2src, its escapes undone (GNU as's, and in a C file the C string's around them). A control
// character stays escaped, so that no text can steer the terminal that shows the message; a path
// longer than bin2src names is cut.
bool refuse_source_line(Parser &p, const char *pattern, const char *mark, const char *t, const char *te)
{
    const char *word = *mark == EMBED_PATH_MARK ? "#embed" : ".incbin";
    const size_t word_length = std::strlen(word), before = size_t(mark - pattern);
    size_t at = 0;
    while (at + word_length < before && std::memcmp(pattern + at, word, word_length) != 0)
        at++;
    const size_t after = pattern_line_length(pattern) - before - 1, n = size_t(te - t) - before - after;
    char path[LINE_LIMIT];
    std::memcpy(path, t + before, n);
    size_t length = n;
    if (*mark == C_PATH_MARK)
        length = undo_escapes(path, length, false);
    if (*mark != EMBED_PATH_MARK)
        length = undo_escapes(path, length, true);
    char shown[SOURCE_PATH_MAX + 4];
    size_t k = 0;
    for (size_t i = 0; i < length; i++) {
        auto b = uint8_t(path[i]);
        if (k + 4 > SOURCE_PATH_MAX) {
            std::memcpy(shown + k, "...", 3);
            k += 3;
            break;
        }
        if (is_control(b)) {
            put_octal_escape(b, shown + k);
            k += 4;
        } else {
            shown[k++] = char(b);
        }
    }
    shown[k] = 0;
    static_assert(sizeof ReverseError::what > sizeof shown + 100, "the path and the words around it fit");
    return fail(p, t + at, "the text takes its bytes from the file '", shown,
                *mark == EMBED_PATH_MARK ? "' (#embed) and holds none itself: that file is the bytes"
                                         : "' (.incbin) and holds none itself: that file is the bytes");
}

bool read_string_line(Parser &p, const char *t, const char *te);

// The data lines of a style whose head has been read.
void begin_data(Parser &p, Style style)
{
    set_style_form(p, style);
    expect(p, style == Style::CString ? read_string_line : read_data_line, Ending::DataLine);
}

// The next line of the style heads still in the running. A head that has ended beside a longer
// one still going on (gas beside incbin, c-source beside c-embed) takes the line as its first
// data line when the longer one does not take it.
bool read_head_line(Parser &p, const char *t, const char *te)
{
    unsigned remaining = 0, ended = 0;
    const char *bad = t, *expected = nullptr, *first_bad = nullptr, *problem = nullptr;
    size_t index = p.head_index;
    for (Style style : BUILD_STYLES) {
        if (!(p.candidates & 1u << int(style)))
            continue;
        const char *pattern = head_line(style, index);
        const char *mark = pattern ? path_mark(pattern) : nullptr;
        if (!pattern) {
            ended |= 1u << int(style);
        } else if (mark ? match_source_line(pattern, mark, t, te, bad) : match_line(p.marks, pattern, t, te, bad)) {
            if (mark)
                return refuse_source_line(p, pattern, mark, t, te);
            remaining |= 1u << int(style);
        } else if (!expected) {
            expected = pattern;
            first_bad = bad;
            problem = mark ? nullptr : p.marks.problem;
        }
    }
    if (!remaining) {
        for (Style style : BUILD_STYLES) {
            if (ended & 1u << int(style)) {
                begin_data(p, style);
                return p.next(p, t, te);
            }
        }
        if (problem)
            return fail(p, first_bad, problem);
        return expected ? fail_expected(p, first_bad, expected) : fail(p, t, "not a text that bin2src writes");
    }
    p.candidates = remaining;
    p.head_index = index + 1;
    expect(p, read_head_line, Ending::Data);
    // A head read to its end, with no other still going on: its data follows.
    for (Style style : BUILD_STYLES) {
        if (remaining == 1u << int(style) && !head_line(style, index + 1)) {
            if (style == Style::CHeader)
                return fail(p, t, "a C header declares the data but holds no bytes: read its C source instead");
            begin_data(p, style);
        }
    }
    return true;
}

// A data line after its start, which the caller has matched.
bool read_data_body(Parser &p, const char *body, const char *te)
{
    bool comma;
    if (!read_cells(p, body, te, comma))
        return false;
    if (p.data.row) {
        if (comma)
            return fail(p, te - 1, ROW_ENDS_WITH_COMMA);
        expect(p, read_data_or_tail_line, p.tail ? Ending::Tail : Ending::Nothing);
    } else if (comma) {
        expect(p, read_data_line, Ending::DataLine);
    } else if (p.tail) {
        expect(p, read_tail_line, Ending::Tail);
    } else {
        expect(p, read_past_end_line, Ending::Nothing);
    }
    return true;
}

// A line that must open with the data form's start, read after it by `body`.
inline bool read_after_start(Parser &p, const char *t, const char *te, LineHandler body)
{
    if (!starts_with(t, te, p.data.start, p.data.start_length))
        return fail(p, first_mismatch(t, te, p.data.start, p.data.start_length), "a data line was expected");
    return body(p, t + p.data.start_length, te);
}

bool read_data_line(Parser &p, const char *t, const char *te) { return read_after_start(p, t, te, read_data_body); }

// After a row: another, or the tail.
bool read_data_or_tail_line(Parser &p, const char *t, const char *te)
{
    if (starts_with(t, te, p.data.start, p.data.start_length))
        return read_data_body(p, t + p.data.start_length, te);
    if (!p.tail)
        return fail(p, t, "a data line was expected");
    return read_tail_line(p, t, te);
}

// ---- c-string: the bytes in string literals, a line's worth each ----

constexpr std::array<bool, 256> make_plain_in_string()
{
    std::array<bool, 256> plain{};
    for (unsigned b = 0; b < 256; b++)
        plain[b] = is_plain_in_string(b);
    return plain;
}
constexpr std::array<bool, 256> PLAIN_IN_STRING = make_plain_in_string();

// Where a string's body first goes wrong, from s on, and why, read a character or an escape at a
// time: for a line that read_string_line's loop found at fault.
bool fail_string(Parser &p, const char *s, const char *end)
{
    for (; s < end; s++) {
        auto c = uint8_t(*s);
        if (PLAIN_IN_STRING[c])
            continue;
        if (c == '"')
            return fail(p, s, "a '\"' inside a line's string, which bin2src writes as \\042");
        if (c == '?')
            return fail(p, s, "a '?' in a string, which bin2src writes as \\077 so that it starts no trigraph");
        if (c != '\\')
            return fail(p, s,
                        "a character other than printable ASCII, which bin2src writes as '\\' and three octal digits");
        for (int i = 1; i <= 3; i++)
            if (s + i >= end || s[i] < '0' || s[i] > '7')
                return fail(p, s + i, "'\\' and three octal digits were expected");
        if (s[1] > '3')
            return fail(p, s + 1, "an octal escape over \\377, which no byte is");
        s += 3;
    }
    return false; // not reached: the line came here for a fault
}

bool read_string_body(Parser &p, const char *body, const char *te);

// After a string line: another, or the tail.
bool read_string_or_tail_line(Parser &p, const char *t, const char *te)
{
    if (starts_with(t, te, p.data.start, p.data.start_length))
        return read_string_body(p, t + p.data.start_length, te);
    return read_tail_line(p, t, te);
}

// A line of c-string: '\t"', the bytes, '"'. Each byte is one character or four: the escapes are
// read as if every character started one and kept only where one does, so that the loop has no
// branch on the bytes; a line that breaks a rule is read again by fail_string to say where.
bool read_string_body(Parser &p, const char *const body, const char *te)
{
    const char *s = body;
    if (te == s || te[-1] != '"')
        return fail(p, te, "the line ends inside its string: '\"' was expected");
    const char *const end = te - 1;
    if (!make_room(p))
        return false;
    uint8_t *const first = out_block + p.out_used;
    uint8_t *out = first;
    // The three characters after the line's last are in the text block, within its slack.
    static_assert(READ_KERNEL_SLACK >= 3);
    unsigned wrong = 0;
    while (s < end) {
        unsigned c = uint8_t(s[0]), d1 = uint8_t(s[1]) - '0', d2 = uint8_t(s[2]) - '0', d3 = uint8_t(s[3]) - '0';
        unsigned plain = PLAIN_IN_STRING[c];
        *out++ = uint8_t(plain ? c : d1 << 6 | d2 << 3 | d3);
        wrong |= plain ? 0 : (c ^ '\\') | (d1 >> 2) | (d2 | d3) >> 3;
        s += plain ? 1 : 4;
    }
    if (wrong || s != end) {
        fail_string(p, body, end);
        return false;
    }
    const size_t n = size_t(out - first);
    if (n == 0 && bytes_read(p) > 0)
        return fail(p, end, "an empty string stands only for an empty source, on the only data line");
    p.out_used += n;
    expect(p, n == 0 ? read_tail_line : read_string_or_tail_line, Ending::Tail);
    return true;
}

bool read_string_line(Parser &p, const char *t, const char *te) { return read_after_start(p, t, te, read_string_body); }

bool read_tail_line(Parser &p, const char *t, const char *te)
{
    const char *bad;
    p.marks.count_at = nullptr;
    // While the usual tail and the one of an uncounted terminator read the same lines, both go on;
    // the first line that only the other reads says that the last byte is that NUL.
    Marks other = p.marks;
    const char *other_bad;
    bool usual = match_line(p.marks, p.tail, t, te, bad);
    bool uncounted = p.uncounted_tail && match_line(other, p.uncounted_tail, t, te, other_bad);
    if (!usual && uncounted) {
        p.tail = p.uncounted_tail;
        p.marks = other;
        if (!drop_terminator(p, t))
            return false;
    } else if (!usual) {
        return fail_expected(p, bad, p.tail);
    }
    p.uncounted_tail = uncounted && usual ? next_pattern_line(p.uncounted_tail) : nullptr;
    const Marks &m = p.marks;
    if (m.count_at && m.count_digits > 1 && m.count_at[0] == '0')
        return fail(p, m.count_at, "a length that bin2src writes has no leading zero");
    // A length one short of the bytes leaves out a terminator after them.
    if (m.count_at && m.count_fits && m.count + 1 == bytes_read(p) && p.out_used > 0 && out_block[p.out_used - 1] == 0)
        drop_terminator(p, m.count_at);
    if (m.count_at && (!m.count_fits || m.count != bytes_read(p)))
        return fail(p, m.count_at, "the length written here is not the count of the bytes above it");
    p.tail = next_pattern_line(p.tail);
    if (p.tail)
        expect(p, read_tail_line, Ending::Tail);
    else
        expect(p, read_past_end_line, Ending::Nothing);
    return true;
}

bool read_past_end_line(Parser &p, const char *t, const char *) { return fail(p, t, "the text goes on after its end"); }

// ---- The bare forms and xxd's texts ----

// The values alone: the data lines of the C style, and nothing around them.
bool opens_with_values(Parser &, const char *t, const char *te) { return starts_with(t, te, "\t0x", 3); }

bool read_values_line(Parser &p, const char *t, const char *te)
{
    set_style_form(p, Style::Values);
    return read_data_line(p, t, te);
}

// Where a line of digits first goes wrong: a character that is not a digit, or the end of a line
// that has half a byte at its end.
bool fail_digits(Parser &p, const char *t, const char *te)
{
    for (const char *s = t; s < te; s++)
        if (hex_value(*s) < 0)
            return fail(p, s, "a hexadecimal digit was expected");
    return fail(p, te, "the line ends inside a byte: a byte has two digits");
}

bool read_after_short_line(Parser &p, const char *t, const char *)
{
    return fail(p, t, "the line before is shorter than the first, so the data ended there");
}

// Plain hexadecimal, as xxd -p writes it: lines of whole bytes, every line as long as the first
// but the last.
bool opens_with_plain_hex(Parser &, const char *t, const char *te)
{
    for (const char *s = t; s < te; s++)
        if (hex_value(*s) < 0)
            return false;
    return t < te;
}

bool read_plain_line(Parser &p, const char *t, const char *te)
{
    const size_t digits = size_t(te - t), pairs = digits / 2;
    if (digits == 0)
        return fail(p, t, "a line of hexadecimal digits was expected");
    if (p.width > 0 && pairs > p.width)
        return fail(p, t + 2 * p.width, "a line of plain hexadecimal holds no more bytes than the first");
    if (!make_room(p))
        return false;
    uint8_t *out = out_block + p.out_used;
    if (digits % 2 != 0 || !(p.read_hex && p.read_hex(t, pairs, out))) {
        for (size_t i = 0; i < pairs; i++) {
            int high = hex_value(t[2 * i]), low = hex_value(t[2 * i + 1]);
            if (high < 0 || low < 0)
                return fail_digits(p, t, te);
            out[i] = uint8_t(high << 4 | low);
        }
        if (digits % 2 != 0)
            return fail_digits(p, t, te);
    }
    p.out_used += pairs;
    if (p.width == 0)
        p.width = pairs;
    expect(p, pairs == p.width ? read_plain_line : read_after_short_line, Ending::Nothing);
    return true;
}

// A data line of xxd -i after its two spaces: cells "0x41" (or "0X41"), ", " between them, and
// "," at the end of a line that the data goes on after, one by one. n: the bytes read.
bool xxd_cells(Parser &p, const char *t, const char *te, size_t &n, bool &comma)
{
    uint8_t *out = out_block + p.out_used;
    for (n = 0;; n++) {
        if (t == te)
            return fail(p, t, "the line ends where a byte was expected");
        if (t[0] != '0' || t + 1 == te || (t[1] | 0x20) != 'x')
            return fail(p, t + (t[0] == '0' ? 1 : 0), "a byte was expected, written as 0xHH");
        int high = t + 2 < te ? hex_value(t[2]) : -1, low = t + 3 < te ? hex_value(t[3]) : -1;
        if (high < 0)
            return fail(p, t + 2, t + 2 < te ? "a hexadecimal digit was expected" : "the line ends inside a byte");
        if (low < 0)
            return fail(p, t + 3, t + 3 < te ? "a hexadecimal digit was expected" : "the line ends inside a byte");
        out[n] = uint8_t(high << 4 | low);
        t += 4;
        if (t == te) {
            comma = false;
            break;
        }
        if (*t != ',')
            return fail(p, t, hex_value(*t) >= 0 ? "a byte has two hexadecimal digits: this value is over FF"
                                                 : "', ' or the line's end was expected");
        if (++t == te) {
            comma = true;
            break;
        }
        if (*t++ != ' ')
            return fail(p, t - 1, "', ' was expected between two bytes");
    }
    n++;
    return true;
}

bool read_xxd_close_line(Parser &p, const char *t, const char *te);

bool read_xxd_data_line(Parser &p, const char *t, const char *te)
{
    if (const char *bad = first_mismatch(t, te, "  ", 2); bad && bad < t + 2)
        return fail(p, bad, "a data line was expected: two spaces, then bytes written as 0xHH");
    const char *body = t + 2;
    if (!make_room(p))
        return false;
    size_t n;
    bool comma;
    if (size_t(te - body) == XXD_LINE_LENGTH && p.read_xxd && p.read_xxd(body, out_block + p.out_used)) {
        n = XXD_LINE_CELLS;
        comma = true;
    } else if (!xxd_cells(p, body, te, n, comma)) {
        return false;
    }
    if (p.width == 0)
        p.width = n;
    if (n > p.width)
        return fail(p, body + 6 * p.width, "a line of xxd -i holds no more bytes than the first");
    if (comma && n < p.width)
        return fail(p, te - 1, "a line shorter than the first is the last, with no ',' at its end");
    p.out_used += n;
    if (comma)
        expect(p, read_xxd_data_line, Ending::DataLine);
    else if (!p.tail) // xxd -i's values without a declaration
        expect(p, read_past_end_line, Ending::Nothing);
    else
        expect(p, read_xxd_close_line, Ending::Tail);
    return true;
}

// xxd -i's values alone, as it writes them from a pipe.
bool opens_with_xxd_values(Parser &, const char *t, const char *te)
{
    return starts_with(t, te, "  0x", 4) || starts_with(t, te, "  0X", 4);
}


constexpr char XXD_DECLARATION[] = "unsigned char \1[] = {";
constexpr char XXD_CLOSE[] = "};";
// The length's name as xxd -i writes it, and as -C writes it: a name with no lower-case letter
// may have either.
constexpr char XXD_LENGTH[] = "unsigned int \1_len = \2;";
constexpr char XXD_LENGTH_CAPITALS[] = "unsigned int \1_LEN = \2;";

bool opens_with_xxd_declaration(Parser &, const char *t, const char *te) { return starts_with(t, te, "unsigned char ", 14); }

bool read_xxd_declaration_line(Parser &p, const char *t, const char *te)
{
    const char *name = t + 14, *s = name;
    while (s < te && is_name_character(*s) && size_t(s - name) <= XXD_NAME_MAX)
        s++;
    if (size_t(s - name) > XXD_NAME_MAX)
        return fail(p, s, "a data name longer than 255 characters");
    if (s == name)
        return fail_expected(p, s, XXD_DECLARATION);
    p.marks.name_length = size_t(s - name);
    std::memcpy(p.marks.name, name, p.marks.name_length);
    if (const char *bad = first_mismatch(s, te, "[] = {", 6))
        return fail_expected(p, bad, XXD_DECLARATION);
    p.tail = XXD_CLOSE;
    expect(p, read_xxd_close_line, Ending::Tail);
    return true;
}

bool read_xxd_length_line(Parser &p, const char *t, const char *te);

// After the declaration: a data line, or at once the end of an empty array.
bool read_xxd_close_line(Parser &p, const char *t, const char *te)
{
    if (p.width == 0 && starts_with(t, te, "  ", 2))
        return read_xxd_data_line(p, t, te);
    if (const char *bad = first_mismatch(t, te, XXD_CLOSE, 2))
        return fail_expected(p, bad, XXD_CLOSE);
    p.tail = XXD_LENGTH;
    expect(p, read_xxd_length_line, Ending::Tail);
    return true;
}

bool read_xxd_length_line(Parser &p, const char *t, const char *te)
{
    bool capitals = true;
    for (size_t i = 0; i < p.marks.name_length; i++)
        capitals = capitals && !(p.marks.name[i] >= 'a' && p.marks.name[i] <= 'z');
    const char *bad;
    p.marks.count_at = nullptr;
    if (!match_line(p.marks, XXD_LENGTH, t, te, bad) && !(capitals && match_line(p.marks, XXD_LENGTH_CAPITALS, t, te, bad)))
        return fail_expected(p, bad, XXD_LENGTH);
    const Marks &m = p.marks;
    if (m.count_digits > 1 && m.count_at[0] == '0')
        return fail(p, m.count_at, "a length that xxd writes has no leading zero");
    if (!m.count_fits || m.count != bytes_read(p))
        return fail(p, m.count_at, "the length written here is not the count of the bytes above it");
    expect(p, read_past_end_line, Ending::Nothing);
    return true;
}

// The forms a text may open with, tried in order on its first line: each says whether the line
// is its form's, and then its handler reads it. The window's assembler data without its ruler
// opens with any name, so it comes last and takes whatever is left.
struct Opening {
    bool (*opens)(Parser &p, const char *t, const char *te);
    LineHandler read;
};

bool opens_with_anything(Parser &, const char *, const char *) { return true; }

constexpr Opening OPENINGS[] = {
    {opens_with_list_ruler, read_list_ruler_line},       {opens_with_asm_ruler, read_asm_ruler_line},
    {opens_with_declaration, read_bare_declaration_line}, {opens_with_style_head, read_head_line},
    {opens_with_values, read_values_line},                {opens_with_xxd_declaration, read_xxd_declaration_line},
    {opens_with_xxd_values, read_xxd_data_line},          {opens_with_plain_hex, read_plain_line},
    {opens_with_anything, read_asm_first_line},
};

bool read_first_line(Parser &p, const char *t, const char *te)
{
    for (const Opening &opening : OPENINGS)
        if (opening.opens(p, t, te))
            return opening.read(p, t, te);
    return fail(p, t, NOT_SOURCE_TEXT);
}

// What the text lacked where it ended.
bool read_text_end(Parser &p)
{
    p.line_begin = "";
    switch (p.ending) {
    case Ending::Nothing:  return true;
    case Ending::Data:     return fail(p, p.line_begin, "the text ends before its data");
    case Ending::DataLine: return fail(p, p.line_begin, "the text ends where a data line was expected");
    case Ending::Tail:     return fail_expected(p, p.line_begin, p.tail, "the text ends here; ");
    }
    return false;
}

// ---- The line reader ----

enum class Encoding { Unknown, Utf8, Utf16 };

// The text as it arrives: raw blocks read, UTF-16LE narrowed to UTF-8 into text_block after the
// unfinished line held there.
struct TextInput {
    SourceReader reader;
    Encoding encoding;
    size_t carried; // raw bytes not narrowed yet: those that tell the encoding, or part of a unit or pair
    size_t held;    // the unfinished line at the start of text_block
    bool at_end;
};

// The next block of text into text_block after the held line: its length in bytes, or -1 when
// the read failed.
int64_t read_text(TextInput &in)
{
    auto *raw = reinterpret_cast<uint8_t *>(raw_units);
    char *into = text_block + in.held;
    for (;;) {
        if (in.encoding == Encoding::Utf8) {
            int64_t got = in.reader.read(in.reader.context, reinterpret_cast<uint8_t *>(into), RAW_BLOCK);
            in.at_end = got == 0;
            return got;
        }
        int64_t got = in.reader.read(in.reader.context, raw + in.carried, RAW_BLOCK - in.carried);
        if (got < 0)
            return -1;
        in.at_end = got == 0;
        size_t bytes = in.carried + size_t(got), skip = 0;
        if (in.encoding == Encoding::Unknown) {
            if (bytes < ENCODING_PROBE && !in.at_end) {
                in.carried = bytes;
                continue;
            }
            in.encoding = Encoding::Utf8;
            for (size_t i = 1; i < bytes && i < ENCODING_PROBE; i += 2)
                if (raw[i] == 0)
                    in.encoding = Encoding::Utf16;
            if (bytes >= 2 && raw[0] == 0xFF && raw[1] == 0xFE) {
                in.encoding = Encoding::Utf16;
                skip = 2;
            }
            if (in.encoding == Encoding::Utf8) {
                skip = bytes >= 3 && raw[0] == 0xEF && raw[1] == 0xBB && raw[2] == 0xBF ? 3 : 0;
                std::memcpy(into, raw + skip, bytes - skip);
                in.carried = 0;
                return int64_t(bytes - skip);
            }
        }
        size_t units = (bytes - skip) / 2;
        const char16_t *from = reinterpret_cast<const char16_t *>(raw + skip);
        // A pair is narrowed whole: a high surrogate at the block's end waits for its mate.
        if (!in.at_end && units > 0 && from[units - 1] >= 0xD800 && from[units - 1] < 0xDC00)
            units--;
        size_t narrowed = utf16_to_utf8(from, units, into);
        in.carried = bytes - skip - units * 2;
        std::memmove(raw, raw + skip + units * 2, in.carried);
        return int64_t(narrowed);
    }
}

bool line_too_long(Parser &p, const char *t)
{
    p.line_begin = t;
    return fail(p, t + LINE_LIMIT, "a line longer than bin2src ever writes");
}

// One whole line to the handler that reads it.
bool hand_line(Parser &p, const char *t, const char *te)
{
    if (size_t(te - t) > LINE_LIMIT)
        return line_too_long(p, t);
    p.line_begin = t;
    if (!p.next(p, t, te))
        return false;
    p.line++;
    return true;
}

// Every whole line from t to end, handed on; then, once the text has ended, the last one, which
// has no line end. t is left at the unfinished line. A line longer than LINE_LIMIT is an error
// as soon as it is seen to be, at its byte past the limit, however the reads cut the text.
bool read_lines(Parser &p, const TextInput &in, const char *&t, const char *end)
{
    for (const char *nl; (nl = static_cast<const char *>(std::memchr(t, '\n', size_t(end - t)))) != nullptr; t = nl + 1)
        if (!hand_line(p, t, nl > t && nl[-1] == '\r' ? nl - 1 : nl))
            return false;
    size_t length = size_t(end - t);
    if (!in.at_end && length > 0 && end[-1] == '\r')
        length--; // perhaps the first half of a CR LF
    if (length > LINE_LIMIT)
        return line_too_long(p, t);
    if (!in.at_end)
        return true;
    if (in.carried > 0) {
        // UTF-16 with an odd byte at its end: the error stands where the text stops.
        p.line_begin = t;
        return fail(p, end, "UTF-16 text has an even number of bytes; this one ends with a lone byte");
    }
    if (t < end && !hand_line(p, t, end))
        return false;
    t = end;
    return true;
}

} // namespace

Outcome reverse_source_text(SourceReader reader, ByteWriter writer, ReverseError &error)
{
    error = ReverseError{};
    Parser p{};
    expect(p, read_first_line, Ending::Nothing); // an empty text holds no bytes
    p.line = 1;
    p.error = &error;
    p.candidates = 0;
    for (Style style : BUILD_STYLES)
        p.candidates |= 1u << int(style);
    p.asm_indent = SIZE_MAX;
    p.read = line_kernels.read;
    p.read_hex = line_kernels.read_hex;
    p.read_xxd = line_kernels.read_xxd;
    p.writer = writer;
    auto failed = [&p]() { return p.write_failed ? Outcome::WriteFailed : Outcome::Malformed; };

    TextInput in{reader, Encoding::Unknown, 0, 0, false};
    while (!in.at_end) {
        int64_t got = read_text(in);
        if (got < 0)
            return Outcome::ReadFailed;
        const char *t = text_block, *end = text_block + in.held + size_t(got);
        if (!read_lines(p, in, t, end))
            return failed();
        in.held = size_t(end - t);
        std::memmove(text_block, t, in.held);
    }
    if (!read_text_end(p))
        return failed();
    if (!flush(p))
        return Outcome::WriteFailed;
    return Outcome::Done;
}
