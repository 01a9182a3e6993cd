// The converter's system layer on Windows: handles, CreateFileW, ReadFile, WriteFile. Paths
// are the UTF-16 command line, passed on untouched; the portable part reads a UTF-8 copy.
#include "cli/options.h"
#include "cli/system.h"
#include "document/win32.h"

namespace {

wchar_t **arguments;

// A command line holds at most 32,767 units; a unit becomes at most 3 bytes of UTF-8, and
// every argument takes at least two units (itself and a space, or two quotes).
constexpr size_t COMMAND_LINE_MAX = 32768;
char argument_text[COMMAND_LINE_MAX * 3 + COMMAND_LINE_MAX];
const char *argument_utf8[COMMAND_LINE_MAX / 2 + 1];

// A console shows UTF-16: text for the user goes there through WriteConsoleW, in pieces.
constexpr size_t CONSOLE_PIECE = 8192;
wchar_t console_text[CONSOLE_PIECE];

HANDLE handle_of(const SystemFile &file) { return reinterpret_cast<HANDLE>(file.handle); }

// Volume serial number and file ID: two names or a hard link of one file meet here. Only
// files on disk count, not consoles, pipes or directories.
bool identity(HANDLE h, uint64_t &volume, uint64_t &index)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    volume = info.dwVolumeSerialNumber;
    index = uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return true;
}

void take_identity(SystemFile &file, HANDLE h) { file.regular = identity(h, file.volume, file.index); }

bool is_source(const SystemFile &source, HANDLE h)
{
    uint64_t volume, index;
    return source.regular && identity(h, volume, index) && volume == source.volume && index == source.index;
}

// Looks at the file a path names without asking to read or write it, which the source's share
// mode would refuse with a sharing violation instead of telling the two apart.
bool names_source(const wchar_t *path, const SystemFile &source)
{
    HANDLE h = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool same = is_source(source, h);
    CloseHandle(h);
    return same;
}

bool write_all(HANDLE h, const void *bytes, size_t count, int32_t &error)
{
    const char *p = static_cast<const char *>(bytes);
    while (count > 0) {
        DWORD piece = count < 0x40000000 ? DWORD(count) : 0x40000000;
        DWORD written = 0;
        if (!WriteFile(h, p, piece, &written, nullptr)) {
            error = int32_t(GetLastError());
            return false;
        }
        if (written == 0) {
            // A synchronous write that stops short has run out of room.
            error = ERROR_DISK_FULL;
            return false;
        }
        p += written;
        count -= written;
    }
    return true;
}

bool print_to(DWORD which, const char *text, size_t count, int32_t &error)
{
    HANDLE h = GetStdHandle(which);
    DWORD mode;
    if (!GetConsoleMode(h, &mode))
        return write_all(h, text, count, error);
    while (count > 0) {
        // n bytes of UTF-8 make at most n units; a piece never splits a character.
        size_t piece = count < CONSOLE_PIECE ? count : CONSOLE_PIECE;
        while (piece < count && piece > 1 && (uint8_t(text[piece]) & 0xC0) == 0x80)
            piece--;
        int units = MultiByteToWideChar(CP_UTF8, 0, text, int(piece), console_text, int(CONSOLE_PIECE));
        DWORD written = 0;
        if (units <= 0 || !WriteConsoleW(h, console_text, DWORD(units), &written, nullptr)) {
            error = int32_t(GetLastError());
            return false;
        }
        text += piece;
        count -= piece;
    }
    return true;
}

const wchar_t *native(Argument path) { return arguments[path.index] + path.offset; }

} // namespace

int wmain(int argc, wchar_t **argv)
{
    arguments = argv;
    size_t used = 0;
    for (int i = 0; i < argc; i++) {
        int n = i < int(sizeof argument_utf8 / sizeof *argument_utf8)
                    ? WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, argument_text + used,
                                          int(sizeof argument_text - used), nullptr, nullptr)
                    : 0;
        if (n <= 0) {
            const char text[] = "bin2src: the command line is too long\n";
            system_print_error(text, sizeof text - 1);
            return EXIT_USAGE;
        }
        argument_utf8[i] = argument_text + used;
        used += size_t(n);
    }
    return bin2src_main(argc, argument_utf8);
}

bool system_input_is_terminal()
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool system_open_source(Argument path, SystemFile &file)
{
    file = SystemFile{};
    file.path = path;
    // Read sharing only, as the window opens it: nobody writes the source while it is read.
    HANDLE h = path.index == STANDARD_STREAM
                   ? GetStdHandle(STD_INPUT_HANDLE)
                   : CreateFileW(native(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        file.error = h == nullptr ? ERROR_INVALID_HANDLE : int32_t(GetLastError());
        file.handle = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
        return false;
    }
    file.handle = reinterpret_cast<intptr_t>(h);
    take_identity(file, h);
    return true;
}

Created system_create_destination(Argument where, bool force, const SystemFile &source, SystemFile &file)
{
    file = SystemFile{};
    file.path = where;
    file.handle = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    const wchar_t *path = native(where);
    if (names_source(path, source))
        return Created::IsSource;
    // Without force the file must be new. With force it is opened untruncated, compared with
    // the source once more (it may have been replaced meanwhile), and only then emptied.
    HANDLE h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, force ? OPEN_ALWAYS : CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS && !force)
            return Created::Exists;
        file.error = int32_t(error);
        return Created::Failed;
    }
    if (is_source(source, h)) {
        CloseHandle(h);
        return Created::IsSource;
    }
    file.handle = reinterpret_cast<intptr_t>(h);
    take_identity(file, h);
    if (file.regular) {
        // A device or a pipe named with --force is written to, never truncated or removed.
        LARGE_INTEGER start = {};
        if (force && (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN) || !SetEndOfFile(h))) {
            file.error = int32_t(GetLastError());
            CloseHandle(h);
            return Created::Failed;
        }
        file.remove_on_failure = true;
    }
    return Created::Yes;
}

bool system_open_output(const SystemFile &source, SystemFile &file)
{
    file = SystemFile{};
    file.path = STANDARD_ARGUMENT;
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    file.handle = reinterpret_cast<intptr_t>(h);
    return !is_source(source, h);
}

int64_t system_read(SystemFile &file, uint8_t *into, size_t capacity)
{
    DWORD got = 0;
    if (!ReadFile(handle_of(file), into, DWORD(capacity), &got, nullptr)) {
        DWORD error = GetLastError();
        // The writing end of a pipe has closed: that is the end of the data.
        if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
            return 0;
        file.error = int32_t(error);
        return -1;
    }
    return got;
}

bool system_write(SystemFile &file, const void *bytes, size_t count)
{
    return write_all(handle_of(file), bytes, count, file.error);
}

bool system_size(SystemFile &file, uint64_t &size)
{
    LARGE_INTEGER n;
    if (!file.regular || !GetFileSizeEx(handle_of(file), &n))
        return false;
    size = uint64_t(n.QuadPart);
    return true;
}

bool system_seek(SystemFile &file, uint64_t offset)
{
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(offset);
    return file.regular && SetFilePointerEx(handle_of(file), to, nullptr, FILE_BEGIN);
}

bool system_close(SystemFile &file)
{
    HANDLE h = handle_of(file);
    if (file.path.index == STANDARD_STREAM || h == INVALID_HANDLE_VALUE)
        return true;
    file.handle = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    if (!CloseHandle(h)) {
        file.error = int32_t(GetLastError());
        return false;
    }
    return true;
}

void system_remove(const SystemFile &file)
{
    if (file.remove_on_failure)
        DeleteFileW(native(file.path));
}

const char *system_argument(Argument path) { return argument_utf8[path.index] + path.offset; }

void system_error_text(Message &m, int32_t code)
{
    wchar_t text[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, DWORD(code), 0, text,
                             sizeof text / sizeof *text, nullptr);
    // The system's text ends in a full stop and a line end, which the message does not want.
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' || text[n - 1] == L'.'))
        n--;
    char utf8[sizeof text / sizeof *text * 3];
    int bytes = n > 0 ? WideCharToMultiByte(CP_UTF8, 0, text, int(n), utf8, int(sizeof utf8), nullptr, nullptr) : 0;
    if (bytes > 0) {
        message_append(m, utf8, size_t(bytes));
        message_append(m, " ");
    }
    message_append(m, "(error ");
    message_append_unsigned(m, uint32_t(code));
    message_append(m, ")");
}

bool system_print_output(const char *text, size_t count, int32_t &error)
{
    return print_to(STD_OUTPUT_HANDLE, text, count, error);
}

void system_print_error(const char *text, size_t count)
{
    int32_t error = 0;
    print_to(STD_ERROR_HANDLE, text, count, error);
}
