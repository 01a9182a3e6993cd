#include "cli/message.h"

#include <cstring>

#include "common/digits.h"

namespace {

constexpr char ELLIPSIS[] = "...";
constexpr size_t ELLIPSIS_LENGTH = sizeof ELLIPSIS - 1;

// The longest start of s, at most count bytes, that does not end inside a UTF-8 character.
size_t whole_characters(const char *s, size_t count)
{
    while (count > 0 && (uint8_t(s[count]) & 0xC0) == 0x80)
        count--;
    return count;
}

} // namespace

void message_clear(Message &m)
{
    m.length = 0;
    m.cut = false;
    m.text[0] = 0;
}

void message_append(Message &m, const char *s, size_t count)
{
    if (m.cut)
        return;
    // Room is kept for the ellipsis and the terminator.
    size_t room = MESSAGE_CAPACITY - 1 - ELLIPSIS_LENGTH - m.length;
    if (count > room) {
        room = whole_characters(s, room);
        std::memcpy(m.text + m.length, s, room);
        m.length += room;
        std::memcpy(m.text + m.length, ELLIPSIS, ELLIPSIS_LENGTH);
        m.length += ELLIPSIS_LENGTH;
        m.cut = true;
    } else {
        std::memcpy(m.text + m.length, s, count);
        m.length += count;
    }
    m.text[m.length] = 0;
}

void message_append(Message &m, const char *s) { message_append(m, s, std::strlen(s)); }

void message_append_unsigned(Message &m, uint64_t value)
{
    char digits[DECIMAL_DIGITS_MAX];
    message_append(m, digits, decimal_digits(value, digits));
}

void message_start(Message &m, const char *a, const char *name, const char *c)
{
    message_clear(m);
    message_append(m, a);
    message_append_name(m, name);
    message_append(m, c);
}

void message_append_name(Message &m, const char *s)
{
    size_t n = std::strlen(s);
    if (n <= NAME_SHOWN_MAX) {
        message_append(m, s, n);
        return;
    }
    message_append(m, s, whole_characters(s, NAME_SHOWN_MAX));
    message_append(m, ELLIPSIS, ELLIPSIS_LENGTH);
}
