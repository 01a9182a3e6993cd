// The converter's only contact with the system: files, the standard streams and the text of
// a system error. system_linux.cpp (open, read, write, renameat2) and system_win.cpp
// (CreateFileW, ReadFile, WriteFile, MoveFileExW, with the UTF-16 command line) implement it;
// everything else is portable. Every call reports its failure; the caller decides what the user reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cli/message.h"
#include "export/outcome.h"

// A path as the command line holds it: argument `index` from character `offset` on (after
// "--output=" or "-o", which are ASCII, so the offset is the same in UTF-8 and UTF-16). Kept
// as a place, not as text, so that each system opens it in its own form: the bytes given on
// Linux, the UTF-16 command line on Windows.
struct Argument {
    int index;
    size_t offset;
};

constexpr int STANDARD_STREAM = -1; // standard input as source, standard output as destination
constexpr Argument STANDARD_ARGUMENT = {STANDARD_STREAM, 0};

// A file destination is written into a temporary file in its own folder, named as
// common/temporary_name.h says. It lives only while the text is written; only a kill that no
// program can catch leaves one behind.

struct SystemFile {
    intptr_t handle;    // a descriptor, or a HANDLE
    Argument path;      // STANDARD_STREAM for standard input and output
    bool regular;       // a file on disk (not a directory): it has an identity and a size
    bool temporary;     // a destination written into its temporary file, renamed at the end
    bool replaces;      // that destination exists: the rename replaces it
    uint64_t volume, index; // identity of a regular file: device and inode, or volume and file ID
    int32_t error;      // the system's code of the last call on it that failed
};

// Whether a standard stream is a terminal. Standard input, when it is one, is not taken for a
// source: nobody types bytes. A long run shows its progress only to a person: on standard error
// when it is a terminal, and not when the text itself goes to a terminal, where the line would
// land among it.
enum class StandardStream { Input, Output, Error };
bool system_is_terminal(StandardStream stream);

// Milliseconds from a fixed point in the past, steady whatever the wall clock does.
uint64_t system_clock_ms();

// Opens the source for reading: the file at path, or standard input.
bool system_open_source(Argument path, SystemFile &file);

// Prepares the destination at path. A regular file, new or (with force) existing, is not
// opened: its temporary file is created beside it, and the destination stays as it was until
// system_finish renames the closed temporary file over it. A symbolic link is followed to the file
// it names, which is replaced, and the link kept; a replaced file keeps its permission bits.
// Anything else that exists (a device, a FIFO) is opened and written directly, with force.
// The source itself, whatever name or link reaches it, is never a destination: IsSource.
// Exists without force. CreateFailed sets file.error; the temporary file could not be created, or
// the path cannot be a destination. Done otherwise.
Outcome system_create_destination(Argument path, bool force, const SystemFile &source, SystemFile &file);

// Standard output as the destination; false when it is the source file itself (a shell's
// ">> source").
bool system_open_output(const SystemFile &source, SystemFile &file);

// Gives a closed destination whose text is complete its name: renames its temporary file over
// the destination (a device or standard output is done already). A file replaced passes on what
// it had first (owner, group, extended attributes and ACL, then the permission bits); what it
// cannot is said on standard error as a warning, and NotKept, said already, refuses the
// replacement where the loss could give someone access the old file did not. Exists and
// IsSource when such a file took the destination's name meanwhile; RenameFailed sets file.error.
// On any failure the destination is as it was, and the temporary file is left for
// system_abandon.
Outcome system_finish(SystemFile &file, bool force, const SystemFile &source);

// Removes the temporary file of a closed destination. An existing destination, a device or
// standard output is left as it is.
void system_abandon(const SystemFile &file);

// Up to capacity bytes: the count, 0 at the end, -1 on failure (file.error set).
int64_t system_read(SystemFile &file, uint8_t *into, size_t capacity);

// All count bytes, or false (file.error set).
bool system_write(SystemFile &file, const void *bytes, size_t count);

// The bytes of a regular file from its current position to its end; false for anything else
// (a pipe, a terminal, a device).
bool system_remaining(SystemFile &file, uint64_t &count);

// Moves a regular file's position count bytes on; false when it cannot (the caller reads
// through instead).
bool system_skip(SystemFile &file, uint64_t count);

// Closes a file (the standard streams stay open); false when the close reports a failed write
// (file.error set).
bool system_close(SystemFile &file);

// UTF-8 form of an argument (a path), for messages.
const char *system_argument(Argument path);

// The system's text for an error code, appended to m.
void system_error_text(Message &m, int32_t code);

// Text for the user, UTF-8: on standard output (help, a segment) or standard error (failures).
// False, with the system's code in error, when the text could not be written.
bool system_print_output(const char *text, size_t count, int32_t &error);
void system_print_error(const char *text, size_t count);
