// The full lines of 16 cells that make up nearly all of an exported text, written with the
// widest vector instructions the processor has. The build targets baseline x86-64, so SSSE3
// and AVX2 are chosen when the program runs; scalar_lines is the reference and the fallback,
// on any other processor too. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/source_text.h"

// Every kernel writes what scalar_lines writes for the same lines and returns the same end. It
// reads exactly 16 bytes a line, but may write up to LINE_KERNEL_SLACK bytes past the end it
// returns: whole vectors are stored, and the next text overwrites the excess.
template <class Unit>
using LineKernel = Unit *(*)(ExportFormat format, const LineStart<Unit> &start, const uint8_t *bytes, size_t lines,
                             Unit *out);
constexpr size_t LINE_KERNEL_SLACK = 32; // one AVX2 store

enum class InstructionSet { Scalar, Ssse3, Avx2 };
constexpr InstructionSet INSTRUCTION_SETS[] = {InstructionSet::Scalar, InstructionSet::Ssse3, InstructionSet::Avx2};

const char *instruction_set_name(InstructionSet set);
bool instruction_set_available(InstructionSet set);

// The same for any line shape, upper- or lower-case, in UTF-8: the build styles' lines.
using ShapeKernel = char *(*)(LineShape shape, bool lower, const LineStart<char> &start, const uint8_t *bytes,
                              size_t lines, char *out);

// The other way, for --reverse: a full line's body of 16 cells in UTF-8, without its start and
// line end (line_read_length(shape) characters, and 15 more that may be read), into its 16
// bytes. False when it is not such a line; the caller then reads it cell by cell to say where.
using ReadKernel = bool (*)(LineShape shape, const char *body, uint8_t *out);
constexpr size_t line_read_length(LineShape shape) { return line_body_length(shape) - (is_window_shape(shape) ? 2 : 1); }
constexpr size_t READ_KERNEL_SLACK = 16;

// Plain hexadecimal back into bytes: `pairs` pairs of digits, either case, into as many bytes at
// out, writing no more. It may read up to READ_KERNEL_SLACK characters past the digits. False
// when a character is not a digit; the caller then reads them one by one to say which.
using HexReadKernel = bool (*)(const char *digits, size_t pairs, uint8_t *out);

// The data line that xxd -i writes by default, after its two spaces: 12 cells "0x41, " with the
// comma that ends a line the data goes on after, XXD_LINE_LENGTH characters (and READ_KERNEL_SLACK
// more that may be read), into its 12 bytes. Either case, and "0X" as xxd -u writes it. False
// when it is not such a line.
constexpr size_t XXD_LINE_CELLS = 12;
constexpr size_t XXD_LINE_LENGTH = XXD_LINE_CELLS * 6 - 1;
using XxdReadKernel = bool (*)(const char *body, uint8_t *out);

// One instruction set's kernels for both encodings, and the way back (none on the scalar set:
// the reader's own cell-by-cell parse is the reference).
struct LineKernels {
    InstructionSet set;
    LineKernel<char16_t> utf16;
    LineKernel<char> utf8;
    ShapeKernel shapes;
    ReadKernel read;
    HexReadKernel read_hex;
    XxdReadKernel read_xxd;
};

// The kernels of an available set.
LineKernels line_kernels_for(InstructionSet set);

// The kernels the streaming converter uses: those of the widest set available, unless a test or
// a benchmark chose others.
extern LineKernels line_kernels;
