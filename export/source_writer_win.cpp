// export_source: the files, the questions and the messages around the streaming conversion.
#include "export/export_win.h"

#include "common/file_replace_win.h"
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

// How the destination is written: into a temporary file that takes its name at the end, or
// directly, for a device or a pipe, which is there already and cannot be renamed over.
enum class Destination { Temporary, Direct, Refused };

// Opens the destination: asks before a file there is replaced, and learns whether one is by
// opening it for writing, which changes nothing and fails as replacing it would: a read-only
// file, a folder, or the source itself, held open without write sharing. `replaces`: a file is
// there. Refused: the user said No, or the failure has been reported.
Destination open_destination(HWND owner, ExportFile &destination, bool &replaces)
{
    const wchar_t *path = wide(document.export_path);
    HANDLE there = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD code = there == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (there != INVALID_HANDLE_VALUE && GetFileType(there) != FILE_TYPE_DISK) {
        destination.file = there;
        return Destination::Direct;
    }
    replaces = there != INVALID_HANDLE_VALUE || GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
    if (replaces && !ask_overwrite(owner)) {
        if (there != INVALID_HANDLE_VALUE)
            CloseHandle(there);
        return Destination::Refused;
    }
    // What could not be opened is reported with its reason: a file there that cannot be
    // replaced, after the question; a missing folder, or a name the system does not take,
    // without one. Only a missing file is created.
    if (there != INVALID_HANDLE_VALUE || code == ERROR_FILE_NOT_FOUND)
        code = replace_prepare(path, there);
    if (there != INVALID_HANDLE_VALUE)
        CloseHandle(there);
    if (code == 0)
        code = replace_begin(destination.file);
    if (code != 0) {
        show_file_error(owner, document.export_path, code, CAPTION_SAVE_ERROR);
        return Destination::Refused;
    }
    return Destination::Temporary;
}

} // namespace

void export_source(HWND owner, ExportFormat format)
{
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

    ExportFile destination{INVALID_HANDLE_VALUE, 0, 0};
    bool replaces = false;
    Destination how = open_destination(owner, destination, replaces);
    if (how == Destination::Refused) {
        CloseHandle(source.file);
        return;
    }

    // A source without a size (not a file) is converted without a progress dialog.
    progress_begin(owner, sized ? uint64_t(size.QuadPart) : 0, document.export_path);
    Outcome result = stream_source_text(format, label_from(document.export_label),
                                             SourceReader{read_block, &source}, TextWriter{write_block, &destination});
    // The dialog goes first, before any message box.
    bool cancelled = progress_end();
    CloseHandle(source.file);
    // A close can still fail to write what the system held back.
    if (!CloseHandle(destination.file) && result == Outcome::Done) {
        destination.error = GetLastError();
        result = Outcome::WriteFailed;
    }
    // The text takes the destination's name only now that it is whole.
    if (result == Outcome::Done && !cancelled && how == Destination::Temporary) {
        destination.error = replace_finish(replaces);
        if (destination.error != 0)
            result = Outcome::WriteFailed;
    }
    if (cancelled || result != Outcome::Done) {
        // Whatever was there stays as it was: only the temporary file goes.
        if (how == Destination::Temporary)
            replace_abandon();
        if (cancelled) // the user's own choice: nothing to report, nothing refreshed
            return;
        if (result == Outcome::ReadFailed)
            show_file_error(owner, document.source_path, source.error, CAPTION_OPEN_ERROR);
        else if (result == Outcome::WriteFailed)
            show_file_error(owner, document.export_path, destination.error, CAPTION_SAVE_ERROR);
        else
            show_empty_source(owner, document.source_path);
        return;
    }

    update_status_bar();
    // Unsigned difference: right across the wrap of the tick count every 49.7 days too.
    show_completion(owner, GetTickCount() - start);
}

void export_with_dialog(HWND owner, ExportFormat format)
{
    if (document.source_path[0] == 0) {
        show_open_file_first(owner);
        return;
    }
    document.export_format = format;
    if (show_export_settings(owner) != 0)
        export_source(owner, format);
}
