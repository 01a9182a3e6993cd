// export_source: the files, the questions and the messages around the streaming conversion.
#include "export/export_win.h"

#include "common/messages_win.h"
#include "document/document_win.h"
#include "export/source_stream.h"
#include "res/texts.h"

namespace {

// The source or the destination of an export, and what its calls found.
struct ExportFile {
    HANDLE file;
    DWORD error;   // the system's code of the call that failed
    uint64_t read; // bytes read so far
};

int64_t read_block(void *context, uint8_t *into, size_t capacity)
{
    auto &source = *static_cast<ExportFile *>(context);
    // Between two blocks the window is kept alive. A cancel ends the conversion as a failed
    // read would; progress_end tells the two apart.
    if (!progress_continue(source.read))
        return -1;
    DWORD got = 0;
    if (!ReadFile(source.file, into, DWORD(capacity), &got, nullptr)) {
        source.error = GetLastError();
        return -1;
    }
    source.read += got;
    return got;
}

bool write_block(void *context, const char16_t *text, size_t count)
{
    auto &destination = *static_cast<ExportFile *>(context);
    DWORD bytes = DWORD(count * sizeof *text); // UTF-16LE: Windows keeps char16_t little-endian
    DWORD written = 0;
    if (!WriteFile(destination.file, text, bytes, &written, nullptr)) {
        destination.error = GetLastError();
        return false;
    }
    if (written != bytes) {
        // A synchronous write to a file that stops short has run out of room.
        destination.error = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

HANDLE create_destination(DWORD disposition)
{
    return CreateFileW(wide(document.export_path), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

} // namespace

void export_source(HWND owner, int32_t format)
{
    if (format < 1 || format > 3)
        return;
    // First of all, so that the time reported includes the overwrite question.
    DWORD start = GetTickCount();

    // Read sharing only: nobody writes the source while it is converted, and a destination
    // that names the source itself cannot be opened for writing.
    ExportFile source{CreateFileW(wide(document.source_path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr),
                   0, 0};
    if (source.file == INVALID_HANDLE_VALUE) {
        show_file_error(owner, document.source_path, GetLastError(), CAPTION_OPEN_ERROR);
        return;
    }
    // An empty source would give a declaration without data; refuse it before anything is
    // created. Its size cannot change while it is open without write sharing.
    LARGE_INTEGER size;
    bool sized = GetFileSizeEx(source.file, &size) != 0;
    if (sized && size.QuadPart == 0) {
        CloseHandle(source.file);
        show_empty_source(owner, document.source_path);
        return;
    }

    ExportFile destination{create_destination(CREATE_NEW), 0, 0};
    if (destination.file == INVALID_HANDLE_VALUE) {
        // Asked on any failure, since the reason is not looked at; Yes tries once more.
        if (!ask_overwrite(owner)) {
            CloseHandle(source.file);
            return;
        }
        destination.file = create_destination(CREATE_ALWAYS);
        if (destination.file == INVALID_HANDLE_VALUE) {
            DWORD code = GetLastError();
            CloseHandle(source.file);
            show_file_error(owner, document.export_path, code, CAPTION_SAVE_ERROR);
            return;
        }
    }

    // A source without a size (not a file) is converted without a progress dialog.
    progress_begin(owner, sized ? uint64_t(size.QuadPart) : 0, document.export_path);
    StreamResult result = stream_source_text(ViewMode(format), label_from(document.export_label),
                                             SourceReader{read_block, &source}, TextWriter{write_block, &destination});
    // The dialog goes first, before any message box.
    bool cancelled = progress_end();
    CloseHandle(source.file);
    // A close can still fail to write what the system held back.
    if (!CloseHandle(destination.file) && result == StreamResult::Written) {
        destination.error = GetLastError();
        result = StreamResult::WriteFailed;
    }
    if (cancelled || result != StreamResult::Written) {
        // Incomplete source text must not be taken for a whole file. The file at export_path is
        // the one created above, never the source, which could not have been opened for writing.
        DeleteFileW(wide(document.export_path));
        if (cancelled) // the user's own choice: nothing to report, nothing refreshed
            return;
        if (result == StreamResult::ReadFailed)
            show_file_error(owner, document.source_path, source.error, CAPTION_OPEN_ERROR);
        else if (result == StreamResult::WriteFailed)
            show_file_error(owner, document.export_path, destination.error, CAPTION_SAVE_ERROR);
        else
            show_empty_source(owner, document.source_path);
        return;
    }

    update_status_bar();
    // Unsigned difference: right across the wrap of the tick count every 49.7 days too.
    show_completion(owner, GetTickCount() - start);
}

void export_with_dialog(HWND owner, int32_t format)
{
    if (document.source_path[0] == 0) {
        show_open_file_first(owner);
        return;
    }
    document.export_format = format;
    if (show_export_settings(owner) != 0)
        export_source(owner, format);
}
