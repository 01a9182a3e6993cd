// The command line as the program reads it: an optional path of the file to show at start-up,
// in double quotes or bare. Portable: no windows.h here.
#pragma once

#include "document/document.h"

struct Startup {
    char16_t path[PATH_CAPACITY]; // the start-up path, terminated
    int has_path;                 // 1 when path is to be opened as the window is created
    bool too_long;                // the path would not fit: nothing is opened, the user is told
    const char16_t *text;         // the command line read, shown when the path is too long
};

// Reads text, the command line after the program name and the blanks that follow it. With no
// double quote the whole text is the path, blanks included. Otherwise the path is everything
// after the first quote with every quote dropped, so "C:\a b.bin" x gives C:\a b.bin x.
// A path longer than PATH_CAPACITY - 1 units is refused whole rather than cut, since a cut
// path would name another file.
void parse_command_line(Startup &startup, const char16_t *text);
