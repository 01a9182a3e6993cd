// bin2src's run, from its arguments to its exit status: the entry that each system layer's main
// calls. Portable: no windows.h here.
#pragma once

struct Message;

constexpr char PROGRAM_NAME[] = "bin2src";
// The start of a message that does not stop the run.
constexpr char WARNING[] = "warning: ";

// "bin2src: ", the text and a line end on standard error, then the line `after`, if any: a
// message cut at its capacity keeps both.
void report(const Message &m, const char *after = "");

// Exit statuses.
constexpr int EXIT_DONE = 0;
constexpr int EXIT_FAILED = 1; // a file could not be read or written, or there was nothing to do
constexpr int EXIT_USAGE = 2;  // a bad option or data name

// The program's arguments in UTF-8, as the portable part reads them; the system layer keeps
// them in its own form for opening.
int bin2src_main(int argc, const char *const *argv);
