// A UTF-8 text built in a fixed buffer: the converter's messages and help. Appends past the
// capacity are cut at a character boundary and end in "...", so a very long path cannot
// overrun the buffer.
// Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t MESSAGE_CAPACITY = 16384; // --help, and a path of NAME_SHOWN_MAX bytes with the words around it
constexpr size_t NAME_SHOWN_MAX = 4096;   // a longer path or argument is shown cut, with "..."

struct Message {
    char text[MESSAGE_CAPACITY];
    size_t length;
    bool cut;
};

void message_clear(Message &m);
void message_append(Message &m, const char *s, size_t count);
void message_append(Message &m, const char *s);
void message_append_unsigned(Message &m, uint64_t value);
// A path or an argument as given: at most NAME_SHOWN_MAX bytes of it, so that the words after
// it (the system's reason) always fit.
void message_append_name(Message &m, const char *s);
// A new message of the usual shape: the words a, the name as given, the words c.
void message_start(Message &m, const char *a, const char *name = "", const char *c = "");

// Appends each piece: a text, or a number in decimal.
inline void append_piece(Message &m, const char *text) { message_append(m, text); }
inline void append_piece(Message &m, uint64_t number) { message_append_unsigned(m, number); }
template <class... Pieces> void append_pieces(Message &m, Pieces... pieces) { (append_piece(m, pieces), ...); }
