#include "export/source_stream.h"

#include <cstring>

namespace {

// Read blocks land after the bytes held back from the block before (at most one chunk).
uint8_t source_block[CHUNK_SIZE + STREAM_READ_BLOCK];
char16_t text_block[STREAM_TEXT_BLOCK];

} // namespace

StreamResult stream_source_text(ViewMode format, const Label &label, SourceReader reader, TextWriter writer)
{
    size_t used = ruler_text(format, label, text_block);
    used += declaration_text(format, label, text_block + used);

    // A chunk is written only once a byte after it has been seen or the source has ended, so
    // that it knows whether it is the last. Reads may deliver any count, so the bytes are cut
    // into chunks at multiples of 64 from the source's start, not from each read's start.
    size_t held = 0;
    uint64_t k = 0;
    for (;;) {
        int64_t got = reader.read(reader.context, source_block + held, STREAM_READ_BLOCK);
        if (got < 0)
            return StreamResult::ReadFailed;
        if (got == 0)
            break;
        size_t total = held + size_t(got);
        size_t at = 0;
        for (; total - at > CHUNK_SIZE; at += CHUNK_SIZE, k++) {
            used += chunk_text(format, label, source_block + at, CHUNK_SIZE, k, false, text_block + used);
            if (STREAM_TEXT_BLOCK - used < CHUNK_TEXT_MAX) {
                if (!writer.write(writer.context, text_block, used))
                    return StreamResult::WriteFailed;
                used = 0;
            }
        }
        held = total - at; // 1 to 64 bytes
        std::memmove(source_block, source_block + at, held);
    }
    if (held == 0)
        return StreamResult::EmptySource;
    used += chunk_text(format, label, source_block, held, k, true, text_block + used);
    if (!writer.write(writer.context, text_block, used))
        return StreamResult::WriteFailed;
    return StreamResult::Written;
}
