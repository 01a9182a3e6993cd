#include "cli/message.h"

#include <cstring>

namespace {

constexpr char ELLIPSIS[] = "...";
constexpr size_t ELLIPSIS_LENGTH = sizeof ELLIPSIS - 1;

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
    char digits[20]; // 18,446,744,073,709,551,615 has 20
    size_t n = sizeof digits;
    do {
        digits[--n] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    message_append(m, digits + n, sizeof digits - n);
}
