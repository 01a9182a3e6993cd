// The converter's only contact with the system: files, the standard streams and the text of
// a system error. system_posix.cpp (open, read, write) and system_win.cpp (CreateFileW,
// ReadFile, WriteFile, with the UTF-16 command line) implement it; everything else is
// portable. Every call reports its failure; the caller decides what the user reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cli/message.h"

// A path as the command line holds it: argument `index` from character `offset` on (after
// "--output=" or "-o", which are ASCII, so the offset is the same in UTF-8 and UTF-16). Kept
// as a place, not as text, so that each system opens it in its own form: the bytes given on
// POSIX, the UTF-16 command line on Windows.
struct Argument {
    int index;
    size_t offset;
};

constexpr int STANDARD_STREAM = -1; // standard input as source, standard output as destination
constexpr Argument STANDARD_ARGUMENT = {STANDARD_STREAM, 0};

struct SystemFile {
    intptr_t handle;    // a descriptor, or a HANDLE
    Argument path;      // STANDARD_STREAM for standard input and output
    bool regular;       // a regular file: it has an identity and a size, and can be removed
    bool remove_on_failure; // a destination this run created or truncated
    uint64_t volume, index; // identity of a regular file: device and inode, or volume and file ID
    int32_t error;      // the system's code of the last call on it that failed
};

// The program's arguments in UTF-8, as the portable part reads them; the system layer keeps
// them in its own form for opening.
int bin2src_main(int argc, const char *const *argv);

// Standard input, when it is a terminal, is not taken for a source: nobody types bytes.
bool system_input_is_terminal();

// Opens the source for reading: the file at path, or standard input.
bool system_open_source(Argument path, SystemFile &file);

enum class Created { Yes, Exists, IsSource, Failed };

// Creates the destination at path; with force an existing file is truncated.
// A file that is the source itself (same device and inode, or same volume and file ID,
// whatever the path) is never opened for writing: IsSource, untouched. Exists without force.
// Failed sets file.error.
Created system_create_destination(Argument path, bool force, const SystemFile &source, SystemFile &file);

// Standard output as the destination; false when it is the source file itself (a shell's
// ">> source").
bool system_open_output(const SystemFile &source, SystemFile &file);

// Up to capacity bytes: the count, 0 at the end, -1 on failure (file.error set).
int64_t system_read(SystemFile &file, uint8_t *into, size_t capacity);

// All count bytes, or false (file.error set).
bool system_write(SystemFile &file, const void *bytes, size_t count);

// The size of a regular file; false for anything else (a pipe, a terminal, a device).
bool system_size(SystemFile &file, uint64_t &size);

// Moves a regular file's position; false when it cannot (the caller reads through instead).
bool system_seek(SystemFile &file, uint64_t offset);

// Closes a file (the standard streams stay open); false when the close reports a failed
// write (file.error set).
bool system_close(SystemFile &file);

// Removes a closed destination that this run created or truncated; nothing else.
void system_remove(const SystemFile &file);

// UTF-8 form of an argument (a path), for messages.
const char *system_argument(Argument path);

// The system's text for an error code, appended to m.
void system_error_text(Message &m, int32_t code);

// Text for the user, UTF-8: on standard output (help, a segment) or standard error (failures).
// False, with the system's code in error, when the text could not be written.
bool system_print_output(const char *text, size_t count, int32_t &error);
void system_print_error(const char *text, size_t count);
