#include "export/source_reverse.h"

#include <cstring>

#include "common/utf8.h"
#include "export/line_kernel.h"

namespace {

// Text is read in raw blocks; UTF-16LE is narrowed into the UTF-8 block, UTF-8 lands there
// directly, after the unfinished line held from the block before. No line that bin2src writes
// comes near LINE_LIMIT; a longer one is an error, not a reason to grow.
constexpr size_t RAW_BLOCK = 256 * 1024;
constexpr size_t LINE_LIMIT = 16 * 1024;
constexpr size_t OUT_BLOCK = 512 * 1024;
alignas(16) char16_t raw_units[RAW_BLOCK / 2 + 2];
char text_block[LINE_LIMIT + RAW_BLOCK / 2 * UTF8_PER_UNIT_MAX + READ_KERNEL_SLACK];
uint8_t out_block[OUT_BLOCK];

constexpr char LABEL_MARK = '\3'; // the window's data name in a pattern: any text

constexpr Style BUILD_STYLES[] = {Style::C, Style::CHeader, Style::CSource, Style::Gas, Style::Nasm};
constexpr ViewMode LIST_FORMATS[] = {ViewMode::C, ViewMode::Basic}; // those that begin with a fixed ruler

int hex_value(char c)
{
    unsigned d = unsigned(uint8_t(c)) - '0';
    if (d < 10)
        return int(d);
    unsigned l = (unsigned(uint8_t(c)) | 0x20) - 'a';
    return l < 6 ? int(l) + 10 : -1;
}

bool is_name_character(char c) { return hex_value(c) >= 0 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

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

enum class Expect { First, Declaration, AsmFirst, Head, Data, DataOrTail, Tail, End };

struct Parser {
    Expect expect;
    // Style candidates while their heads are told apart line by line, as a bit set of Style.
    unsigned candidates;
    size_t head_index; // the line of every candidate's head that comes next
    Style style;
    ViewMode format; // the window's format, when style is Window
    // The data lines: their start, the cell's text before and after its digits, rows or a list.
    char start[sizeof(LineStart<char>::units)];
    size_t start_length;
    const char *before;
    size_t before_length;
    char after;
    bool row;
    LineShape shape;
    ReadKernel read;  // full lines at once, where the processor has a kernel for it
    const char *tail; // pattern of what follows the data; nullptr: the text ends after them
    size_t asm_indent; // the window's assembler indentation from its ruler, or SIZE_MAX
    // What the text says of itself.
    char name[IDENTIFIER_MAX + 1];
    size_t name_length;
    uint64_t count_said;
    const char *count_at;
    uint64_t count; // bytes read so far
    char window_tail[8];
    uint64_t line;
    const char *line_begin;
    ReverseError *error;
    size_t out_used;
    ByteWriter writer;
    bool write_failed;
};

Parser parser;

// The error at position `at` of the current line.
bool fail(const char *at, const char *a, const char *b = "", const char *c = "")
{
    ReverseError &e = *parser.error;
    e.line = parser.line;
    e.column = 1;
    for (const char *p = parser.line_begin; p < at; p++)
        if ((uint8_t(*p) & 0xC0) != 0x80)
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
bool fail_expected(const char *at, const char *pattern, const char *before = "")
{
    static char shown[STYLE_PIECE_MAX + 16];
    size_t n = 0, length = pattern_line_length(pattern);
    for (size_t i = 0; i < length && n + IDENTIFIER_MAX + 3 < sizeof shown; i++) {
        char c = pattern[i];
        if (c == '\t') {
            shown[n++] = '\\';
            shown[n++] = 't';
        } else if (c == NAME_MARK) {
            const char *name = parser.name_length ? parser.name : "NAME";
            size_t k = parser.name_length ? parser.name_length : 4;
            std::memcpy(shown + n, name, k);
            n += k;
        } else if (c == COUNT_MARK) {
            std::memcpy(shown + n, "COUNT", 5);
            n += 5;
        } else if (c == LABEL_MARK) {
            std::memcpy(shown + n, "NAME", 4);
            n += 4;
        } else {
            shown[n++] = c;
        }
    }
    shown[n] = 0;
    static char what[sizeof shown + 64];
    size_t k = std::strlen(before);
    std::memcpy(what, before, k);
    std::memcpy(what + k, "expected '", 10);
    std::memcpy(what + k + 10, shown, n);
    std::memcpy(what + k + 10 + n, "'", 2);
    return fail(at, what);
}

// The text from t against the pattern from p to pe: \1 a C name (the same wherever it stands),
// \2 a count in decimal, \3 the window's data name, any text up to what follows it on the line.
// A name met for the first time may end in name characters of the pattern ("BIN2SRC_\1_H"): the
// longest that lets the rest match is taken. bad: how far the text matched.
bool match_rest(const char *p, const char *pe, const char *t, const char *te, const char *&bad)
{
    while (p < pe) {
        if (*p == NAME_MARK) {
            const char *s = t;
            if (parser.name_length > 0) {
                if (size_t(te - t) < parser.name_length || std::memcmp(t, parser.name, parser.name_length) != 0) {
                    bad = t;
                    return false;
                }
                t += parser.name_length;
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
                parser.name_length = size_t(t - s);
                std::memcpy(parser.name, s, parser.name_length);
                if (match_rest(p + 1, pe, t, te, bad))
                    return true;
            }
            parser.name_length = 0;
            return false;
        }
        if (*p == COUNT_MARK) {
            const char *s = t;
            uint64_t v = 0;
            while (t < te && *t >= '0' && *t <= '9' && v < UINT64_MAX / 10 - 9)
                v = v * 10 + uint64_t(*t++ - '0');
            if (t == s) {
                bad = s;
                return false;
            }
            parser.count_said = v;
            parser.count_at = s;
            p++;
        } else if (*p == LABEL_MARK) {
            size_t rest = size_t(pe - p - 1);
            if (size_t(te - t) < rest) {
                bad = t;
                return false;
            }
            t = te - rest;
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
bool match_line(const char *pattern, const char *t, const char *te, const char *&bad)
{
    return match_rest(pattern, pattern + pattern_line_length(pattern), t, te, bad);
}

bool flush()
{
    if (parser.out_used > 0 && !parser.writer.write(parser.writer.context, out_block, parser.out_used)) {
        parser.write_failed = true;
        return false;
    }
    parser.out_used = 0;
    return true;
}

// The cells of a data line from t, after its start. comma: the line ends with one.
bool data_cells(const char *t, const char *te, bool &comma)
{
    if (parser.out_used + LINE_LIMIT > OUT_BLOCK && !flush())
        return false;
    uint8_t *out = out_block + parser.out_used;
    const size_t bl = parser.before_length, width = bl + 2 + (parser.after ? 1 : 0);
    const char b0 = parser.before[0], b1 = bl > 1 ? parser.before[1] : 0;
    for (;;) {
        if (size_t(te - t) < width || (bl > 0 && t[0] != b0) || (bl > 1 && t[1] != b1)) {
            for (size_t i = 0; i < bl; i++)
                if (t + i == te || t[i] != parser.before[i])
                    return fail(t + i, t == te ? "the line ends where a byte was expected"
                                               : "a byte was expected, written as ",
                                t == te ? "" : parser.before, t == te ? "" : "HH");
        }
        int high = t + bl < te ? hex_value(t[bl]) : -1, low = t + bl + 1 < te ? hex_value(t[bl + 1]) : -1;
        if (high < 0)
            return fail(t + bl, t + bl < te ? "a hexadecimal digit was expected" : "the line ends inside a byte");
        if (low < 0)
            return fail(t + bl + 1,
                        t + bl + 1 < te ? "a hexadecimal digit was expected" : "the line ends inside a byte");
        if (parser.after && (t + bl + 2 == te || t[bl + 2] != parser.after)) {
            if (t + bl + 2 < te && hex_value(t[bl + 2]) >= 0)
                return fail(t + bl + 2, "a byte has two hexadecimal digits: this value is over FF");
            return fail(t + bl + 2, "'H' was expected after the byte's two digits");
        }
        *out++ = uint8_t(high << 4 | low);
        t += width;
        if (t == te) {
            comma = false;
            break;
        }
        if (*t != ',')
            return fail(t, hex_value(*t) >= 0 && !parser.after ? "a byte has two hexadecimal digits: this value is over FF"
                                                                : "',' or the line's end was expected");
        if (++t == te) {
            comma = true;
            break;
        }
    }
    parser.count += uint64_t(out - (out_block + parser.out_used));
    parser.out_used = size_t(out - out_block);
    return true;
}

bool starts_with(const char *t, const char *te, const char *s, size_t n)
{
    return size_t(te - t) >= n && std::memcmp(t, s, n) == 0;
}

// The data form of the window's format, and of a style.
void set_window_form(ViewMode format, size_t indent)
{
    parser.style = Style::Window;
    parser.format = format;
    CellForm form = cell_form(format);
    parser.before = form.before;
    parser.before_length = std::strlen(form.before);
    parser.after = form.after[0];
    parser.row = format == ViewMode::Asm;
    parser.shape = line_shape(format);
    Label label{};
    label.length = indent;
    LineStart<char> start = line_start<char>(format, label);
    std::memcpy(parser.start, start.units, start.length);
    parser.start_length = start.length;
    // The closing line as the writer writes it: what follows a last line of one byte.
    char last[LAST_LINES_MAX];
    uint8_t zero = 0;
    char *end = last_lines(format, start, &zero, 1, last);
    char *closing = static_cast<char *>(std::memchr(last, '\n', size_t(end - last))) + 1;
    std::memcpy(parser.window_tail, closing, size_t(end - closing));
    parser.window_tail[end - closing] = 0;
    parser.tail = parser.window_tail[0] ? parser.window_tail : nullptr;
}

void set_style_form(Style style)
{
    StylePatterns patterns = style_patterns(style);
    parser.style = style;
    parser.before = "0x";
    parser.before_length = 2;
    parser.after = 0;
    parser.row = patterns.shape == LineShape::Row;
    parser.shape = patterns.shape;
    parser.start_length = std::strlen(patterns.start);
    std::memcpy(parser.start, patterns.start, parser.start_length);
    parser.tail = patterns.tail;
}

// The UTF-16 units of a UTF-8 text: the width of the assembler's indentation.
size_t utf16_units(const char *s, const char *e)
{
    size_t n = 0;
    for (; s < e; s++) {
        uint8_t b = uint8_t(*s);
        if ((b & 0xC0) != 0x80)
            n += b >= 0xF0 ? 2 : 1;
    }
    return n;
}

enum class Step { Done, Again, Failed };

// The first line tells the form: a ruler, a declaration, the head of a style, or the
// assembler's first data line.
Step first_line(const char *t, const char *te)
{
    char ruler[RULER_TEXT_MAX];
    for (ViewMode format : LIST_FORMATS) {
        size_t n = ruler_text(format, Label{}, ruler) - 2; // without its line end
        if (starts_with(t, te, ruler, 3)) {
            if (size_t(te - t) != n || std::memcmp(t, ruler, n) != 0) {
                const char *bad = t;
                while (bad < te && size_t(bad - t) < n && *bad == ruler[bad - t])
                    bad++;
                fail(bad, "the ruler line is not the one bin2src writes");
                return Step::Failed;
            }
            parser.format = format;
            parser.expect = Expect::Declaration;
            return Step::Done;
        }
    }
    const char *s = t;
    while (s < te && *s == ' ')
        s++;
    if (s > t && s < te && *s == ';') {
        size_t spaces = size_t(s - t);
        Label label{};
        label.length = spaces >= 4 ? spaces - 4 : 0;
        size_t n = ruler_text(ViewMode::Asm, label, ruler) - 2;
        if (spaces < 4 || size_t(te - t) != n || std::memcmp(t, ruler, n) != 0) {
            fail(t, "the ruler line is not the one bin2src writes");
            return Step::Failed;
        }
        parser.asm_indent = label.length;
        parser.expect = Expect::AsmFirst;
        return Step::Done;
    }
    if (starts_with(t, te, "BYTE ", 5) || starts_with(t, te, "Dim ", 4)) {
        parser.format = *t == 'B' ? ViewMode::C : ViewMode::Basic;
        parser.expect = Expect::Declaration;
        return Step::Again;
    }
    for (Style style : BUILD_STYLES) {
        const char *bad;
        size_t known = parser.name_length;
        if (match_line(style_patterns(style).head, t, te, bad))
            parser.candidates |= 1u << int(style);
        else if (known == 0)
            parser.name_length = 0; // a name read by a pattern that failed is no one's
    }
    if (parser.candidates) {
        parser.head_index = 1;
        parser.expect = Expect::Head;
        return Step::Done;
    }
    parser.expect = Expect::AsmFirst;
    return Step::Again;
}

bool window_declaration(const char *t, const char *te)
{
    char pattern[DECLARATION_UTF8_MAX];
    Label label{};
    label.units[0] = LABEL_MARK;
    label.length = 1;
    size_t n = declaration_text(parser.format, label, pattern);
    pattern[n] = 0;
    const char *bad;
    if (!match_line(pattern, t, te, bad))
        return fail_expected(bad, pattern);
    set_window_form(parser.format, 0);
    parser.expect = Expect::Data;
    return true;
}

// "label DB 00H,...": the declaration and the first data line in one.
bool asm_first(const char *t, const char *te)
{
    const char *db = nullptr;
    if (parser.asm_indent != SIZE_MAX) {
        // The ruler said how wide the label is.
        const char *s = t;
        size_t units = 0;
        while (s < te && units < parser.asm_indent) {
            units += uint8_t(*s) >= 0xF0 ? 2 : 1;
            s++;
            while (s < te && (uint8_t(*s) & 0xC0) == 0x80)
                s++;
        }
        if (units == parser.asm_indent && starts_with(s, te, " DB ", 4))
            db = s;
    } else {
        for (const char *s = t; s + 4 <= te && !db; s++)
            if (std::memcmp(s, " DB ", 4) == 0)
                db = s;
    }
    if (!db)
        return fail(t, parser.asm_indent != SIZE_MAX ? "expected the data name, as wide as the ruler's indentation, and ' DB '"
                                                      : "not a text that bin2src writes: no C, assembler or BASIC data");
    set_window_form(ViewMode::Asm, utf16_units(t, db));
    bool comma;
    if (!data_cells(db + 4, te, comma))
        return false;
    if (comma)
        return fail(te - 1, "an assembler line ends without ','");
    parser.expect = Expect::DataOrTail;
    return true;
}

// The next line of the style heads still in the running.
bool head(const char *t, const char *te)
{
    unsigned remaining = 0;
    const char *bad = t, *expected = nullptr, *first_bad = nullptr;
    size_t index = parser.head_index;
    for (Style style : BUILD_STYLES) {
        if (!(parser.candidates & 1u << int(style)))
            continue;
        const char *p = style_patterns(style).head;
        for (size_t i = 0; i < index && p; i++)
            p = next_pattern_line(p);
        if (!p)
            continue;
        if (match_line(p, t, te, bad)) {
            remaining |= 1u << int(style);
        } else if (!expected) {
            expected = p;
            first_bad = bad;
        }
    }
    if (!remaining)
        return expected ? fail_expected(first_bad, expected) : fail(t, "not a text that bin2src writes");
    parser.candidates = remaining;
    parser.head_index = index + 1;
    // A head read to its end, with no other still going on: its data follows.
    for (Style style : BUILD_STYLES) {
        if (!(remaining & 1u << int(style)))
            continue;
        const char *p = style_patterns(style).head;
        for (size_t i = 0; i <= index && p; i++)
            p = next_pattern_line(p);
        if (p == nullptr && remaining == 1u << int(style)) {
            if (style == Style::CHeader)
                return fail(t, "a C header declares the data but holds no bytes: read its C source instead");
            set_style_form(style);
            parser.expect = Expect::Data;
        }
    }
    return true;
}

bool data(const char *t, const char *te)
{
    if (!starts_with(t, te, parser.start, parser.start_length)) {
        for (size_t i = 0; i < parser.start_length; i++)
            if (t + i == te || t[i] != parser.start[i])
                return fail(t + i, "a data line was expected");
    }
    bool comma;
    const char *body = t + parser.start_length;
    if (parser.read && size_t(te - body) == line_read_length(parser.shape) && parser.out_used + LINE_CELLS <= OUT_BLOCK &&
        parser.read(parser.shape, body, out_block + parser.out_used)) {
        // A full line: a list's ends with its comma, a row's without.
        parser.out_used += LINE_CELLS;
        parser.count += LINE_CELLS;
        comma = !parser.row;
    } else if (!data_cells(body, te, comma)) {
        return false;
    }
    if (parser.row) {
        if (comma)
            return fail(te - 1, "a line of the assembler ends without ','");
        parser.expect = Expect::DataOrTail;
    } else {
        parser.expect = comma ? Expect::Data : Expect::Tail;
    }
    return true;
}

bool tail(const char *t, const char *te)
{
    const char *bad;
    if (!match_line(parser.tail, t, te, bad))
        return fail_expected(bad, parser.tail);
    if (parser.count_at && parser.count_said != parser.count)
        return fail(parser.count_at, "the length written here is not the count of the bytes above it");
    parser.count_at = nullptr;
    parser.tail = next_pattern_line(parser.tail);
    parser.expect = parser.tail ? Expect::Tail : Expect::End;
    return true;
}

bool line(const char *t, const char *te)
{
    parser.line_begin = t;
    switch (parser.expect) {
    case Expect::First:
        switch (first_line(t, te)) {
        case Step::Done:   return true;
        case Step::Again:  return line(t, te);
        case Step::Failed: return false;
        }
        return false;
    case Expect::Declaration:
        return window_declaration(t, te);
    case Expect::AsmFirst:
        return asm_first(t, te);
    case Expect::Head:
        return head(t, te);
    case Expect::Data:
        return data(t, te);
    case Expect::DataOrTail:
        if (starts_with(t, te, parser.start, parser.start_length))
            return data(t, te);
        if (!parser.tail)
            return fail(t, "a data line was expected");
        return tail(t, te);
    case Expect::Tail:
        return tail(t, te);
    case Expect::End:
        return fail(t, "the text goes on after its end");
    }
    return false;
}

// What the text should have had where it ended.
bool ended()
{
    parser.line_begin = "";
    switch (parser.expect) {
    case Expect::End:
        return true;
    case Expect::DataOrTail:
    case Expect::Tail:
        if (!parser.tail)
            return true;
        return fail_expected(parser.line_begin, parser.tail, "the text ends here; ");
    case Expect::First:
        return fail(parser.line_begin, "the text is empty");
    case Expect::Data:
        return fail(parser.line_begin, "the text ends where a data line was expected");
    default:
        return fail(parser.line_begin, "the text ends before its data");
    }
}

enum class Encoding { Unknown, Utf8, Utf16 };

} // namespace

ReverseResult reverse_source_text(SourceReader reader, ByteWriter writer, ReverseError &error)
{
    parser = Parser{};
    parser.expect = Expect::First;
    parser.asm_indent = SIZE_MAX;
    parser.line = 1;
    parser.error = &error;
    parser.writer = writer;
    parser.read = line_kernels.read;
    error = ReverseError{};

    Encoding encoding = Encoding::Unknown;
    size_t held = 0;    // an unfinished line at the start of text_block
    size_t carried = 0; // UTF-16: bytes of an unfinished unit or pair at the start of raw_units
    auto *raw = reinterpret_cast<uint8_t *>(raw_units);
    bool at_end = false;
    auto malformed = [&]() { return parser.write_failed ? ReverseResult::WriteFailed : ReverseResult::Malformed; };
    while (!at_end) {
        size_t got_text = 0;
        if (encoding == Encoding::Utf8) {
            int64_t got = reader.read(reader.context, reinterpret_cast<uint8_t *>(text_block) + held, RAW_BLOCK);
            if (got < 0)
                return ReverseResult::ReadFailed;
            at_end = got == 0;
            got_text = size_t(got);
        } else {
            int64_t got = reader.read(reader.context, raw + carried, RAW_BLOCK);
            if (got < 0)
                return ReverseResult::ReadFailed;
            at_end = got == 0;
            size_t bytes = carried + size_t(got), skip = 0;
            if (encoding == Encoding::Unknown) {
                // The encoding shows in the first bytes: a byte-order mark, or the 0 high byte of
                // an ASCII character in UTF-16LE.
                if (bytes < 3 && !at_end) {
                    carried = bytes;
                    continue;
                }
                if (bytes >= 2 && raw[0] == 0xFF && raw[1] == 0xFE) {
                    encoding = Encoding::Utf16, skip = 2;
                } else if (bytes >= 2 && raw[1] == 0 && raw[0] != 0) {
                    encoding = Encoding::Utf16;
                } else {
                    encoding = Encoding::Utf8;
                    skip = bytes >= 3 && raw[0] == 0xEF && raw[1] == 0xBB && raw[2] == 0xBF ? 3 : 0;
                    std::memcpy(text_block, raw + skip, bytes - skip);
                    got_text = bytes - skip;
                    carried = 0;
                }
            }
            if (encoding == Encoding::Utf16) {
                size_t units = (bytes - skip) / 2;
                const char16_t *from = reinterpret_cast<const char16_t *>(raw + skip);
                // A pair is narrowed whole: a high surrogate at the block's end waits for its mate.
                if (!at_end && units > 0 && from[units - 1] >= 0xD800 && from[units - 1] < 0xDC00)
                    units--;
                got_text = utf16_to_utf8(from, units, text_block + held);
                carried = bytes - skip - units * 2;
                std::memmove(raw, raw + skip + units * 2, carried);
            }
        }
        // Every whole line, then the unfinished one moves to the block's start.
        const char *t = text_block, *end = text_block + held + got_text;
        for (;;) {
            const char *nl = static_cast<const char *>(std::memchr(t, '\n', size_t(end - t)));
            if (!nl)
                break;
            const char *te = nl > t && nl[-1] == '\r' ? nl - 1 : nl;
            if (!line(t, te))
                return malformed();
            parser.line++;
            t = nl + 1;
        }
        held = size_t(end - t);
        if (at_end && carried > 0) {
            // UTF-16 with an odd byte at its end: the error stands where the text stops.
            parser.line_begin = t;
            fail(end, "UTF-16 text has an even number of bytes; this one ends with a lone byte");
            return ReverseResult::Malformed;
        }
        if (at_end && held > 0) {
            // The last line, without a line end.
            if (!line(t, end))
                return malformed();
            parser.line++;
            held = 0;
        }
        if (held >= LINE_LIMIT) {
            parser.line_begin = t;
            fail(t + LINE_LIMIT, "a line longer than bin2src ever writes");
            return ReverseResult::Malformed;
        }
        std::memmove(text_block, t, held);
    }
    if (!ended())
        return ReverseResult::Malformed;
    if (!flush())
        return ReverseResult::WriteFailed;
    return ReverseResult::Written;
}
