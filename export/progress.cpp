#include "export/progress.h"

#include "common/text.h"
#include "document/document.h"

bool progress_dialog_due(uint32_t elapsed_ms, uint64_t done, uint64_t size)
{
    if (elapsed_ms < PROGRESS_DELAY_MS || done == 0 || done >= size)
        return false;
    if (elapsed_ms >= PROGRESS_LATEST_MS)
        return true;
    // The time left if the rest goes as fast as the part done; an estimate, so a double will do
    // and no product can overflow.
    return double(elapsed_ms) * double(size - done) / double(done) >= PROGRESS_WORTH_MS;
}

int32_t progress_bar_position(uint64_t done, uint64_t size)
{
    if (size == 0 || done >= size)
        return size == 0 ? 0 : PROGRESS_BAR_STEPS;
    // done × steps would overflow past 2^64 / 1000 bytes; such a size has steps to spare.
    if (size <= UINT64_MAX / PROGRESS_BAR_STEPS)
        return int32_t(done * PROGRESS_BAR_STEPS / size);
    return int32_t(done / (size / PROGRESS_BAR_STEPS + 1));
}

size_t progress_text(char16_t (&out)[PROGRESS_TEXT_CAPACITY], uint64_t done, uint64_t size)
{
    char16_t total[STATUS_TEXT_CAPACITY];
    size_status_text(total, size);
    TextBuilder t = text_builder(out);
    text_append_unsigned(t, done);
    text_append(t, u" / ");
    text_append(t, total);
    return t.length;
}
