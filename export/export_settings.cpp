#include "export/export_settings.h"

#include "common/text.h"

namespace {

// The first capacity - 1 units of src, or fewer: a surrogate pair that the cut would split
// is left out whole, since a lone high surrogate is no text and would land in the exported
// declaration.
void copy_cut(char16_t *dst, size_t capacity, const char16_t *src)
{
    for (size_t i = 0; i < capacity; i++)
        dst[i] = 0;
    size_t n = 0;
    while (n + 1 < capacity && src[n] != 0)
        n++;
    if (n + 1 == capacity && n > 0 && src[n] >= 0xDC00 && src[n] < 0xE000 && src[n - 1] >= 0xD800 &&
        src[n - 1] < 0xDC00)
        n--;
    for (size_t i = 0; i < n; i++)
        dst[i] = src[i];
}

} // namespace

size_t default_destination(char16_t (&out)[EXPORT_PATH_MAX + 1], const char16_t *source_path, ExportFormat format)
{
    const char16_t *extension = format == ExportFormat::C     ? u"cpp"
                              : format == ExportFormat::Asm   ? u"asm"
                              : format == ExportFormat::Basic ? u"bas"
                                                              : u"txt";
    TextBuilder t = text_builder(out);
    size_t n = text_length(source_path, PATH_CAPACITY);
    if (n > EXPORT_PATH_MAX)
        return 0;
    text_append(t, source_path, n < 3 ? 0 : n - 3);
    text_append(t, extension, 3);
    return t.length;
}

void store_export_settings(const char16_t *label, const char16_t *path)
{
    copy_cut(document.export_label, LABEL_CAPACITY, label);
    copy_cut(document.export_path, EXPORT_PATH_MAX + 1, path);
    // The rest of the path field stays clear, as the whole field was before.
    for (size_t i = EXPORT_PATH_MAX + 1; i < PATH_CAPACITY; i++)
        document.export_path[i] = 0;
}
