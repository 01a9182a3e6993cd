#include "common/messages.h"

#include "res/texts.h"

namespace {

// Room after the path: the words and the longest code, "-2147483648".
constexpr size_t FILE_ERROR_TAIL = length_of(FILE_ERROR_AFTER_PATH) + 11;
static_assert(FILE_ERROR_TEXT_CAPACITY >= PATH_CAPACITY + FILE_ERROR_TAIL, "a whole path and its words fit");

} // namespace

void file_error_text(TextBuilder &t, const char16_t *path, int32_t error_code)
{
    // Cut the path rather than the error code: keep room for the fixed part and the number.
    size_t path_room = t.capacity > t.length + FILE_ERROR_TAIL + 1 ? t.capacity - t.length - FILE_ERROR_TAIL - 1 : 0;
    size_t n = length_of(path);
    if (n > path_room) {
        text_append(t, path, path_room);
        t.cut = true;
    } else {
        text_append(t, path, n);
    }
    text_append(t, FILE_ERROR_AFTER_PATH);
    text_append_signed(t, error_code);
}

void path_too_long_text(TextBuilder &t, const char16_t *path, size_t limit)
{
    text_append(t, PATH_TOO_LONG_BEFORE_LIMIT);
    text_append_unsigned(t, limit);
    text_append(t, PATH_TOO_LONG_AFTER_LIMIT);
    text_append(t, path);
}
