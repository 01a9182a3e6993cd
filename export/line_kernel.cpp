#include "export/line_kernel.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define VORDA_X86 1
#include <immintrin.h>
#endif

namespace {

#if VORDA_X86

// The body of a full line (16 cells and CR LF), byte by byte as whole stores of `width` bytes
// lay it out: for each byte the index of the source byte whose high digit goes there, or of the
// one whose low digit does, else 0x80 (a shuffle turns that index into 0), and its fixed
// character's byte. Units are little-endian: the second byte of a UTF-16 unit is 0. Bytes past
// the body are 0 too; the next text overwrites them.
template <class Unit, size_t width> struct BodyShuffle {
    static constexpr size_t capacity = (line_body_length(LineShape::C) * sizeof(Unit) + width - 1) / width;
    alignas(32) uint8_t high[capacity][width];
    alignas(32) uint8_t low[capacity][width];
    alignas(32) uint8_t fixed[capacity][width];
    size_t units, vectors;
};

// The body unit by unit: a fixed character, or a digit of one of the 16 bytes.
struct BodyUnit {
    char fixed;
    int high_of, low_of;
};

struct Body {
    BodyUnit units[line_body_length(LineShape::C)];
    size_t n;
};

constexpr Body make_body(LineShape shape)
{
    Body b{};
    BodyUnit *body = b.units;
    size_t &n = b.n;
    CellForm form = cell_form(shape);
    for (int i = 0; i < int(LINE_CELLS); i++) {
        for (const char *s = form.before; *s; s++)
            body[n++] = {*s, -1, -1};
        body[n++] = {0, i, -1};
        body[n++] = {0, -1, i};
        for (const char *s = form.after; *s; s++)
            body[n++] = {*s, -1, -1};
        if (!(is_row(shape) && i == int(LINE_CELLS) - 1))
            body[n++] = {',', -1, -1};
    }
    for (const char *s = line_end(shape); *s; s++)
        body[n++] = {*s, -1, -1};
    return b;
}

template <class Unit, size_t width> constexpr BodyShuffle<Unit, width> make_body_shuffle(LineShape shape)
{
    Body whole = make_body(shape);
    const BodyUnit *body = whole.units;
    size_t n = whole.n;
    BodyShuffle<Unit, width> t{};
    t.units = n;
    t.vectors = (n * sizeof(Unit) + width - 1) / width;
    for (size_t at = 0; at < t.capacity * width; at++) {
        size_t v = at / width, b = at % width, unit = at / sizeof(Unit);
        bool first_byte = at % sizeof(Unit) == 0;
        t.high[v][b] = t.low[v][b] = 0x80;
        if (unit >= n || !first_byte)
            continue;
        if (body[unit].high_of >= 0)
            t.high[v][b] = uint8_t(body[unit].high_of);
        else if (body[unit].low_of >= 0)
            t.low[v][b] = uint8_t(body[unit].low_of);
        else
            t.fixed[v][b] = uint8_t(body[unit].fixed);
    }
    return t;
}

template <class Unit, size_t width, LineShape shape>
constexpr BodyShuffle<Unit, width> body_shuffle = make_body_shuffle<Unit, width>(shape);

static_assert(body_shuffle<char, 16, LineShape::C>.vectors == 6 && body_shuffle<char16_t, 32, LineShape::Asm>.vectors == 5);
static_assert(body_shuffle<char16_t, 16, LineShape::Basic>.fixed[0][0] == '&' &&
              body_shuffle<char16_t, 16, LineShape::Basic>.fixed[0][1] == 0 &&
              body_shuffle<char16_t, 16, LineShape::Basic>.high[0][4] == 0 &&
              body_shuffle<char16_t, 16, LineShape::Basic>.low[0][6] == 0);
static_assert(body_shuffle<char, 16, LineShape::C>.units == line_body_length(LineShape::C) &&
              body_shuffle<char, 16, LineShape::Asm>.units == line_body_length(LineShape::Asm) &&
              body_shuffle<char, 16, LineShape::Basic>.units == line_body_length(LineShape::Basic) &&
              body_shuffle<char, 16, LineShape::List>.units == line_body_length(LineShape::List) &&
              body_shuffle<char, 16, LineShape::Row>.units == line_body_length(LineShape::Row));
// Whole vectors of at most 32 bytes end less than one vector past the body.
static_assert(LINE_KERNEL_SLACK >= 32);

// The start is copied in whole vectors of up to 32 bytes, all from within its units.
static_assert(sizeof(LineStart<char>::units) >= (LINE_START_MAX + 31) / 32 * 32);
static_assert(sizeof(LineStart<char16_t>::units) >= (LINE_START_MAX * 2 + 31) / 32 * 32);

// The other way: a full UTF-8 line read back into its bytes. For each 16-byte vector of the
// line's body (without its line end): where in it each byte's high and low digits stand (0x80
// where they do not), its fixed characters with the mask of their places, and the places of an
// 'x' that may be written 'X' (bit 5 is set there before the comparison). Bytes past the body are
// masked out.
struct Gather {
    static constexpr size_t capacity = (line_body_length(LineShape::C) + 15) / 16;
    alignas(16) uint8_t high[capacity][16];
    alignas(16) uint8_t low[capacity][16];
    alignas(16) uint8_t mask[capacity][16];
    alignas(16) uint8_t fixed[capacity][16];
    alignas(16) uint8_t fold[capacity][16];
    size_t length, vectors;
};

constexpr Gather make_gather(const Body &body, size_t length, bool fold_x)
{
    Gather t{};
    t.length = length;
    t.vectors = (t.length + 15) / 16;
    for (size_t v = 0; v < t.capacity; v++)
        for (size_t b = 0; b < 16; b++)
            t.high[v][b] = t.low[v][b] = 0x80;
    for (size_t at = 0; at < t.length; at++) {
        const BodyUnit &u = body.units[at];
        size_t v = at / 16, b = at % 16;
        if (u.high_of >= 0) {
            t.high[v][u.high_of] = uint8_t(b);
        } else if (u.low_of >= 0) {
            t.low[v][u.low_of] = uint8_t(b);
        } else {
            t.mask[v][b] = 0xFF, t.fixed[v][b] = uint8_t(u.fixed);
            t.fold[v][b] = fold_x && u.fixed == 'x' ? 0x20 : 0;
        }
    }
    return t;
}

template <LineShape shape>
constexpr Gather body_gather = make_gather(make_body(shape), make_body(shape).n - (is_window_shape(shape) ? 2 : 1), false);
static_assert(body_gather<LineShape::List>.length == 80 && body_gather<LineShape::Row>.length == 79 &&
              body_gather<LineShape::Asm>.length == 63 && body_gather<LineShape::C>.vectors == 5);

// A line of xxd -i after its two spaces: twelve cells "0x41" with ", " between them, and the
// comma that ends a line the data goes on after; -u writes the 'x' as 'X'.
constexpr Body make_xxd_body()
{
    Body b{};
    for (int i = 0; i < int(XXD_LINE_CELLS); i++) {
        b.units[b.n++] = {'0', -1, -1};
        b.units[b.n++] = {'x', -1, -1};
        b.units[b.n++] = {0, i, -1};
        b.units[b.n++] = {0, -1, i};
        b.units[b.n++] = {',', -1, -1};
        if (i + 1 < int(XXD_LINE_CELLS))
            b.units[b.n++] = {' ', -1, -1};
    }
    return b;
}

constexpr Gather xxd_gather = make_gather(make_xxd_body(), XXD_LINE_LENGTH, true);
static_assert(XXD_LINE_LENGTH == 71 && xxd_gather.fixed[4][6] == ',' && xxd_gather.high[4][11] == 4);

// A digit's value, or bit 7 set in `bad` for anything else.
__attribute__((target("ssse3"))) inline __m128i digit_values(__m128i c, __m128i &bad)
{
    const __m128i d = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    const __m128i l = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i is_d = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
    const __m128i is_l = _mm_cmpeq_epi8(_mm_min_epu8(l, _mm_set1_epi8(5)), l);
    bad = _mm_or_si128(bad, _mm_andnot_si128(_mm_or_si128(is_d, is_l), _mm_set1_epi8(-1)));
    return _mm_or_si128(_mm_and_si128(is_d, d), _mm_and_si128(is_l, _mm_add_epi8(l, _mm_set1_epi8(10))));
}

// The line's body at `body` (t.length characters, and up to 15 readable after them) into `cells`
// bytes; false, with nothing promised of out, when it is not exactly such a line.
template <const Gather &t, size_t cells, bool fold>
__attribute__((target("ssse3"))) bool gather_read(const char *body, uint8_t *out)
{
    static_assert(cells == 16 || cells == 12);
    __m128i high = _mm_setzero_si128(), low = high, bad = high;
    for (size_t v = 0; v < t.vectors; v++) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(body) + v);
        __m128i seen = x;
        if constexpr (fold)
            seen = _mm_or_si128(x, _mm_load_si128(reinterpret_cast<const __m128i *>(t.fold[v])));
        bad = _mm_or_si128(bad, _mm_xor_si128(_mm_and_si128(seen, _mm_load_si128(reinterpret_cast<const __m128i *>(t.mask[v]))),
                                              _mm_load_si128(reinterpret_cast<const __m128i *>(t.fixed[v]))));
        high = _mm_or_si128(high, _mm_shuffle_epi8(x, _mm_load_si128(reinterpret_cast<const __m128i *>(t.high[v]))));
        low = _mm_or_si128(low, _mm_shuffle_epi8(x, _mm_load_si128(reinterpret_cast<const __m128i *>(t.low[v]))));
    }
    if constexpr (cells < 16) {
        // The lanes past the last cell hold zeros, which are not digits: they are left out.
        __m128i lanes = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, -1, -1);
        high = _mm_or_si128(high, _mm_and_si128(lanes, _mm_set1_epi8('0')));
        low = _mm_or_si128(low, _mm_and_si128(lanes, _mm_set1_epi8('0')));
    }
    high = digit_values(high, bad);
    low = digit_values(low, bad);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF)
        return false;
    __m128i bytes = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(high, 4), _mm_set1_epi8(char(0xF0))), low);
    if constexpr (cells == 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), bytes);
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out), bytes);
        uint32_t rest = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8)));
        std::memcpy(out + 8, &rest, 4);
    }
    return true;
}

__attribute__((target("ssse3"))) bool ssse3_read(LineShape shape, const char *body, uint8_t *out)
{
    switch (shape) {
    case LineShape::C:     return gather_read<body_gather<LineShape::C>, LINE_CELLS, false>(body, out);
    case LineShape::Asm:   return gather_read<body_gather<LineShape::Asm>, LINE_CELLS, false>(body, out);
    case LineShape::Basic: return gather_read<body_gather<LineShape::Basic>, LINE_CELLS, false>(body, out);
    case LineShape::List:  return gather_read<body_gather<LineShape::List>, LINE_CELLS, false>(body, out);
    case LineShape::Row:   return gather_read<body_gather<LineShape::Row>, LINE_CELLS, false>(body, out);
    }
    return false;
}

__attribute__((target("ssse3"))) bool ssse3_read_xxd(const char *body, uint8_t *out)
{
    return gather_read<xxd_gather, XXD_LINE_CELLS, true>(body, out);
}

// 0xFF in the first k lanes of the 16 loaded from FIRST_LANES + 16 - k.
alignas(16) constexpr uint8_t FIRST_LANES[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Plain hexadecimal, 32 digits into 16 bytes at a time: each digit's value, then each pair's
// high * 16 + low by one multiply-add of the bytes, narrowed back to bytes. The last pairs, fewer
// than 8, from one load whose lanes past them are left out (a digit or not, at random, they
// would cost a mispredicted branch a byte read one by one).
__attribute__((target("ssse3"))) bool ssse3_read_hex(const char *digits, size_t pairs, uint8_t *out)
{
    const __m128i weights = _mm_set1_epi16(0x0110); // 16 for the high digit, 1 for the low
    __m128i bad = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= pairs; i += 16) {
        __m128i a = digit_values(_mm_loadu_si128(reinterpret_cast<const __m128i *>(digits + 2 * i)), bad);
        __m128i b = digit_values(_mm_loadu_si128(reinterpret_cast<const __m128i *>(digits + 2 * i + 16)), bad);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                         _mm_packus_epi16(_mm_maddubs_epi16(a, weights), _mm_maddubs_epi16(b, weights)));
    }
    for (; i + 8 <= pairs; i += 8) {
        __m128i a = _mm_maddubs_epi16(digit_values(_mm_loadu_si128(reinterpret_cast<const __m128i *>(digits + 2 * i)), bad),
                                      weights);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(a, a));
    }
    if (i < pairs) {
        size_t k = 2 * (pairs - i);
        __m128i tail_bad = _mm_setzero_si128();
        __m128i a = _mm_maddubs_epi16(digit_values(_mm_loadu_si128(reinterpret_cast<const __m128i *>(digits + 2 * i)), tail_bad),
                                      weights);
        bad = _mm_or_si128(bad, _mm_and_si128(tail_bad, _mm_loadu_si128(reinterpret_cast<const __m128i *>(FIRST_LANES + 16 - k))));
        alignas(16) uint8_t bytes[16];
        _mm_store_si128(reinterpret_cast<__m128i *>(bytes), _mm_packus_epi16(a, a));
        std::memcpy(out + i, bytes, pairs - i);
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) == 0xFFFF;
}

// Each line: the start, copied in whole vectors; the 16 bytes' high and low digits, looked up
// in a table of the 16 digits by shuffling (lower case by setting bit 5 of each); then each
// vector of the body gathered from those digits by two shuffles and its fixed characters added.
template <class Unit, LineShape shape>
__attribute__((target("ssse3"))) Unit *ssse3_lines(bool lower, const LineStart<Unit> &start, const uint8_t *bytes,
                                                    size_t lines, Unit *out)
{
    constexpr auto &t = body_shuffle<Unit, 16, shape>;
    const __m128i digits = _mm_or_si128(_mm_load_si128(reinterpret_cast<const __m128i *>(HEX_DIGITS)),
                                        _mm_set1_epi8(lower ? 0x20 : 0));
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const size_t start_bytes = start.length * sizeof(Unit), start_vectors = (start_bytes + 15) / 16;
    const char *from = reinterpret_cast<const char *>(start.units);
    char *p = reinterpret_cast<char *>(out);
    for (size_t line = 0; line < lines; line++, bytes += LINE_CELLS) {
        for (size_t v = 0; v < start_vectors; v++)
            _mm_storeu_si128(reinterpret_cast<__m128i *>(p) + v,
                             _mm_loadu_si128(reinterpret_cast<const __m128i *>(from) + v));
        p += start_bytes;
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
        __m128i high = _mm_shuffle_epi8(digits, _mm_and_si128(_mm_srli_epi16(in, 4), nibble));
        __m128i low = _mm_shuffle_epi8(digits, _mm_and_si128(in, nibble));
        for (size_t v = 0; v < t.vectors; v++) {
            __m128i h = _mm_shuffle_epi8(high, _mm_load_si128(reinterpret_cast<const __m128i *>(t.high[v])));
            __m128i l = _mm_shuffle_epi8(low, _mm_load_si128(reinterpret_cast<const __m128i *>(t.low[v])));
            __m128i f = _mm_load_si128(reinterpret_cast<const __m128i *>(t.fixed[v]));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(p) + v, _mm_or_si128(_mm_or_si128(h, l), f));
        }
        p += line_body_length(shape) * sizeof(Unit);
    }
    return reinterpret_cast<Unit *>(p);
}

// The same with 32-byte vectors. A shuffle stays within each 16-byte half, so the line's bytes
// and the digits stand in both halves.
template <class Unit, LineShape shape>
__attribute__((target("avx2"))) Unit *avx2_lines(bool lower, const LineStart<Unit> &start, const uint8_t *bytes,
                                                  size_t lines, Unit *out)
{
    constexpr auto &t = body_shuffle<Unit, 32, shape>;
    const __m256i digits = _mm256_or_si256(
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(HEX_DIGITS))),
        _mm256_set1_epi8(lower ? 0x20 : 0));
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const size_t start_bytes = start.length * sizeof(Unit), start_vectors = (start_bytes + 31) / 32;
    const char *from = reinterpret_cast<const char *>(start.units);
    char *p = reinterpret_cast<char *>(out);
    for (size_t line = 0; line < lines; line++, bytes += LINE_CELLS) {
        for (size_t v = 0; v < start_vectors; v++)
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(p) + v,
                                _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from) + v));
        p += start_bytes;
        __m256i in = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes)));
        __m256i high = _mm256_shuffle_epi8(digits, _mm256_and_si256(_mm256_srli_epi16(in, 4), nibble));
        __m256i low = _mm256_shuffle_epi8(digits, _mm256_and_si256(in, nibble));
        for (size_t v = 0; v < t.vectors; v++) {
            __m256i h = _mm256_shuffle_epi8(high, _mm256_load_si256(reinterpret_cast<const __m256i *>(t.high[v])));
            __m256i l = _mm256_shuffle_epi8(low, _mm256_load_si256(reinterpret_cast<const __m256i *>(t.low[v])));
            __m256i f = _mm256_load_si256(reinterpret_cast<const __m256i *>(t.fixed[v]));
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(p) + v, _mm256_or_si256(_mm256_or_si256(h, l), f));
        }
        p += line_body_length(shape) * sizeof(Unit);
    }
    return reinterpret_cast<Unit *>(p);
}

#endif

// A kernel of one instruction set with the shape chosen once per call, not once per line.
template <class Unit, template <class, LineShape> class Kernel>
Unit *by_shape(LineShape shape, bool lower, const LineStart<Unit> &start, const uint8_t *bytes, size_t lines, Unit *out)
{
    switch (shape) {
    case LineShape::C:     return Kernel<Unit, LineShape::C>::run(lower, start, bytes, lines, out);
    case LineShape::Asm:   return Kernel<Unit, LineShape::Asm>::run(lower, start, bytes, lines, out);
    case LineShape::Basic: return Kernel<Unit, LineShape::Basic>::run(lower, start, bytes, lines, out);
    case LineShape::List:  return Kernel<Unit, LineShape::List>::run(lower, start, bytes, lines, out);
    case LineShape::Row:   return Kernel<Unit, LineShape::Row>::run(lower, start, bytes, lines, out);
    }
    return out;
}

template <class Unit, template <class, LineShape> class Kernel>
Unit *by_format(ExportFormat format, const LineStart<Unit> &start, const uint8_t *bytes, size_t lines, Unit *out)
{
    return by_shape<Unit, Kernel>(line_shape(format), false, start, bytes, lines, out);
}

#if VORDA_X86
template <class Unit, LineShape shape> struct Ssse3 {
    static Unit *run(bool lower, const LineStart<Unit> &s, const uint8_t *b, size_t n, Unit *o)
    {
        return ssse3_lines<Unit, shape>(lower, s, b, n, o);
    }
};
template <class Unit, LineShape shape> struct Avx2 {
    static Unit *run(bool lower, const LineStart<Unit> &s, const uint8_t *b, size_t n, Unit *o)
    {
        return avx2_lines<Unit, shape>(lower, s, b, n, o);
    }
};
#endif

InstructionSet widest_available()
{
    InstructionSet widest = InstructionSet::Scalar;
    for (InstructionSet set : INSTRUCTION_SETS)
        if (instruction_set_available(set))
            widest = set;
    return widest;
}

} // namespace

const char *instruction_set_name(InstructionSet set)
{
    return set == InstructionSet::Avx2 ? "avx2" : set == InstructionSet::Ssse3 ? "ssse3" : "scalar";
}

bool instruction_set_available(InstructionSet set)
{
#if VORDA_X86
    // Also from static initialisers, before the run-time library has looked at the processor.
    __builtin_cpu_init();
    switch (set) {
    case InstructionSet::Scalar: return true;
    case InstructionSet::Ssse3:  return __builtin_cpu_supports("ssse3");
    case InstructionSet::Avx2:   return __builtin_cpu_supports("avx2");
    }
    return false;
#else
    return set == InstructionSet::Scalar;
#endif
}

LineKernels line_kernels_for(InstructionSet set)
{
    switch (set) {
#if VORDA_X86
    case InstructionSet::Ssse3: return {set, by_format<char16_t, Ssse3>, by_format<char, Ssse3>, by_shape<char, Ssse3>, ssse3_read,
                                        ssse3_read_hex, ssse3_read_xxd};
    case InstructionSet::Avx2:  return {set, by_format<char16_t, Avx2>, by_format<char, Avx2>, by_shape<char, Avx2>, ssse3_read,
                                        ssse3_read_hex, ssse3_read_xxd};
#endif
    default: return {InstructionSet::Scalar, scalar_lines<char16_t>, scalar_lines<char>, scalar_lines, nullptr, nullptr, nullptr};
    }
}

LineKernels line_kernels = line_kernels_for(widest_available());
