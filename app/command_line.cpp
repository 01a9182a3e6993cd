#include "app/command_line.h"

void parse_command_line(Startup &startup, const char16_t *text)
{
    startup = Startup{};
    startup.text = text;
    if (text == nullptr || text[0] == 0)
        return;

    // The text is read where it lies, one unit at a time, and written only while it fits:
    // any length is safe, the longest command line Windows passes (32,767 units) included.
    const char16_t *from = text;
    while (*from != 0 && *from != u'"')
        from++;
    bool quoted = *from == u'"';
    if (!quoted)
        from = text;

    size_t n = 0;
    for (; *from != 0; from++) {
        if (*from == u'"')
            continue;
        if (n == PATH_CAPACITY - 1) {
            startup = Startup{};
            startup.too_long = true;
            startup.text = text;
            return;
        }
        startup.path[n++] = *from;
    }
    startup.path[n] = 0;
    startup.has_path = 1;
}
