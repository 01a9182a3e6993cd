#include "document/document.h"

#include "common/text.h"
#include "res/texts.h"

Document document;

int64_t last_segment_index(uint64_t file_size)
{
    if (file_size == 0)
        return 0;
    // The segment that holds the last byte.
    return int64_t((file_size - 1) >> SEGMENT_SHIFT);
}

int64_t last_segment_index() { return last_segment_index(document.file_size); }

void clamp_segment_index()
{
    // Compared unsigned, so that a negative index could never survive the clamp.
    int64_t last = last_segment_index();
    if (uint64_t(document.segment_index) > uint64_t(last))
        document.segment_index = last;
}

size_t size_status_text(char16_t (&out)[STATUS_TEXT_CAPACITY], uint64_t file_size)
{
    TextBuilder t = text_builder(out);
    text_append_unsigned(t, file_size);
    text_append(t, STATUS_SIZE_UNIT);
    return t.length;
}

size_t position_status_text(char16_t (&out)[STATUS_TEXT_CAPACITY], int64_t index, int64_t last)
{
    TextBuilder t = text_builder(out);
    text_append(t, STATUS_POSITION);
    text_append_signed(t, index);
    text_append(t, u"/");
    text_append_signed(t, last);
    return t.length;
}

size_t address_status_text(char16_t (&out)[STATUS_TEXT_CAPACITY], int64_t index)
{
    TextBuilder t = text_builder(out);
    text_append(t, STATUS_ADDRESS);
    text_append_hex(t, uint64_t(index) << SEGMENT_SHIFT, 4);
    return t.length;
}

void open_dialog_start_text(char16_t (&out)[PATH_CAPACITY], const char16_t *open_directory)
{
    TextBuilder t = text_builder(out);
    // open_directory came from a path that fitted PATH_CAPACITY with a file name after it,
    // so the directory and "\*.*" fit too; a cut could only drop wildcard characters.
    text_append(t, open_directory);
    text_append(t, u"\\*.*");
}

bool directory_of_choice(char16_t (&out)[PATH_CAPACITY], const char16_t *chosen, size_t name_offset)
{
    size_t n = name_offset;
    if (n > 0 && chosen[n - 1] == u'\\')
        n--;
    // The next dialog starts with the directory and "\*.*", which must fit too.
    if (n + 4 >= PATH_CAPACITY)
        return false;
    for (size_t i = 0; i < n; i++)
        out[i] = chosen[i];
    out[n] = 0;
    return true;
}
