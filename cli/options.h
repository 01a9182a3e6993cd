// The converter's command line. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cli/message.h"
#include "cli/system.h"
#include "export/source_style.h"
#include "export/source_text.h"

constexpr char PROGRAM_NAME[] = "bin2src";

enum class Encoding { Utf16le, Utf8 };

// Exit statuses.
constexpr int EXIT_DONE = 0;
constexpr int EXIT_FAILED = 1; // a file could not be read or written, or there was nothing to do
constexpr int EXIT_USAGE = 2;  // a bad option or data name

struct Options {
    ExportFormat format; // the window's text's
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

enum class Parsed { Run, Help, Version, Usage };

// Reads argv[1..argc) (UTF-8). On Usage, error holds what was wrong, without the program name.
// On Run, warning holds what the user should know all the same (a data name that the C library
// has), or is empty.
Parsed parse_options(int argc, const char *const *argv, Options &options, Message &error, Message &warning);

// The texts of --help and --version.
extern const char HELP_TEXT[];
extern const char VERSION_TEXT[];
