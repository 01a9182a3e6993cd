#include "common/messages_win.h"

#include "common/messages.h"
#include "res/texts.h"

namespace {

int message_box(HWND owner, const char16_t *text, const char16_t *caption, UINT type)
{
    return MessageBoxW(owner, wide(text), wide(caption), type);
}

} // namespace

void show_file_error(HWND owner, const char16_t *path, DWORD code, const char16_t *caption)
{
    // A buffer that holds the longest path whole.
    char16_t message[FILE_ERROR_TEXT_CAPACITY];
    TextBuilder t = text_builder(message);
    file_error_text(t, path, int32_t(code));
    message_box(owner, message, caption, MB_OK | MB_ICONWARNING);
}

void show_path_too_long(HWND owner, const char16_t *path, size_t limit)
{
    char16_t message[FILE_ERROR_TEXT_CAPACITY];
    TextBuilder t = text_builder(message);
    path_too_long_text(t, path, limit); // the path cut to the message buffer if need be
    message_box(owner, message, CAPTION_FILE_ERROR, MB_OK | MB_ICONWARNING);
}

void show_no_file_set(HWND owner) { message_box(owner, NO_FILE_SET, CAPTION_FILE_ERROR, MB_OK | MB_ICONWARNING); }

void show_open_file_first(HWND owner) { message_box(owner, OPEN_FILE_FIRST, CAPTION_PITY, MB_OK); }

void show_empty_source(HWND owner, const char16_t *path)
{
    char16_t message[FILE_ERROR_TEXT_CAPACITY];
    TextBuilder t = text_builder(message);
    text_append(t, path);
    text_append(t, EMPTY_SOURCE_AFTER_PATH);
    message_box(owner, message, CAPTION_FILE_ERROR, MB_OK | MB_ICONWARNING);
}

bool ask_overwrite(HWND owner)
{
    return message_box(owner, OVERWRITE_QUESTION, CAPTION_OVERWRITE, MB_YESNO | MB_ICONWARNING) == IDYES;
}

void show_completion(HWND owner, uint32_t milliseconds)
{
    char16_t message[64];
    TextBuilder t = text_builder(message);
    text_append(t, WRITTEN_BEFORE_TIME);
    text_append_unsigned(t, milliseconds);
    text_append(t, WRITTEN_AFTER_TIME);
    message_box(owner, message, CAPTION_WRITTEN, MB_OK | MB_ICONWARNING);
}

void show_drop_refused(HWND owner) { message_box(owner, DROP_REFUSED, CAPTION_FAILED, MB_OK); }

void show_manual_missing(HWND owner)
{
    char16_t message[64];
    TextBuilder t = text_builder(message);
    text_append(t, MANUAL_FILE);
    text_append(t, MANUAL_MISSING_AFTER_NAME);
    message_box(owner, message, CAPTION_PITY, MB_OK);
}
