// The converter's system layer on Windows: handles, CreateFileW, ReadFile, WriteFile, and a
// file destination replaced as the window's export replaces one (common/file_replace_win.h).
// Paths are the UTF-16 command line, passed on untouched; the portable part reads a UTF-8 copy.
#include <windows.h>

#include "cli/run.h"
#include "cli/system.h"
#include "common/file_replace_win.h"

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

// FileIdInfo and its record, which the headers declare only for Windows 8 on; on Windows 7 the
// call fails and the older information is read instead.
constexpr auto FILE_ID_INFO_CLASS = FILE_INFO_BY_HANDLE_CLASS(18);
struct FileIdRecord {
    ULONGLONG volume;
    BYTE id[16];
};

// Volume serial number and file ID of a file on disk; false for anything else (a console, a
// pipe, a device, a directory). The 128-bit ID of FileIdInfo comes first: it is the one ReFS
// keeps unique, and under Wine it is there also for a standard handle that a Unix shell
// redirected, which has no BY_HANDLE_FILE_INFORMATION (error 6) and whose volume reads 0.
// The two halves are folded into one number: on NTFS the upper one is 0.
bool identity(HANDLE h, uint64_t &volume, uint64_t &index)
{
    if (GetFileType(h) != FILE_TYPE_DISK)
        return false;
    FILE_STANDARD_INFO standard;
    if (GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard) && standard.Directory)
        return false;
    FileIdRecord id;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandleEx(h, FILE_ID_INFO_CLASS, &id, sizeof id)) {
        uint64_t low, high;
        memcpy(&low, id.id, sizeof low);
        memcpy(&high, id.id + sizeof low, sizeof high);
        volume = id.volume;
        index = low ^ high;
    } else if (GetFileInformationByHandle(h, &info)) {
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return false;
        volume = info.dwVolumeSerialNumber;
        index = uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    } else {
        volume = index = 0; // a file whose identity cannot be read is taken for any file
    }
    return true;
}

void take_identity(SystemFile &file, HANDLE h) { file.regular = identity(h, file.volume, file.index); }

// Two handles of one file: the same ID on the same volume. A volume or an ID of 0 is not known
// and matches any: a stream that might be the source is treated as the source.
bool is_source(const SystemFile &source, HANDLE h)
{
    uint64_t volume, index;
    return source.regular && identity(h, volume, index) &&
           (volume == source.volume || volume == 0 || source.volume == 0) &&
           (index == source.index || index == 0 || source.index == 0);
}

// Looks at the file a path names without asking to read or write it, which the source's share
// mode would refuse with a sharing violation instead of telling the two apart.
HANDLE look_at(const wchar_t *path)
{
    return CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Removes the temporary file when the console asks the program to stop (Ctrl+C, Ctrl+Break, the
// window closed; under Wine also SIGINT), then ends the program as the system would, with a
// status that says so (Wine's own default would end it with 0).
BOOL WINAPI on_console_event(DWORD) { replace_abandon_and_exit(STATUS_CONTROL_C_EXIT); }

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

// The UTF-8 form of a UTF-16 argument, at out, with its terminator; the byte count, or 0 when
// it does not fit. Lossless: an unpaired surrogate, which the system's conversion would turn
// into U+FFFD, is written in the three bytes it would take if UTF-8 allowed it, which no UTF-8
// decoder takes, so that a data name holding one is refused as the native build refuses it.
// Paths are opened in their UTF-16 form; for messages the console shows such bytes as U+FFFD.
int utf8_argument(const wchar_t *in, char *out, int capacity)
{
    int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, in, -1, out, capacity, nullptr, nullptr);
    if (n > 0 || GetLastError() != ERROR_NO_UNICODE_TRANSLATION)
        return n;
    int used = 0;
    for (const wchar_t *p = in;; p++) {
        wchar_t u = *p;
        bool pair = u >= 0xD800 && u < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000;
        if (!pair && u >= 0xD800 && u < 0xE000) {
            if (capacity - used < 3)
                return 0;
            out[used++] = char(0xE0 | u >> 12);
            out[used++] = char(0x80 | (u >> 6 & 0x3F));
            out[used++] = char(0x80 | (u & 0x3F));
            continue;
        }
        int k = WideCharToMultiByte(CP_UTF8, 0, p, pair ? 2 : 1, out + used, capacity - used, nullptr, nullptr);
        if (k <= 0)
            return 0;
        used += k;
        if (u == 0)
            return used;
        p += pair ? 1 : 0;
    }
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    arguments = argv;
    size_t used = 0;
    for (int i = 0; i < argc; i++) {
        int n = i < int(sizeof argument_utf8 / sizeof *argument_utf8)
                    ? utf8_argument(argv[i], argument_text + used, int(sizeof argument_text - used))
                    : 0;
        if (n <= 0) {
            static Message too_long;
            message_start(too_long, "the command line is too long");
            report(too_long);
            return EXIT_USAGE;
        }
        argument_utf8[i] = argument_text + used;
        used += size_t(n);
    }
    return bin2src_main(argc, argument_utf8);
}

bool system_is_terminal(StandardStream stream)
{
    DWORD which = stream == StandardStream::Input    ? STD_INPUT_HANDLE
                : stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                   : STD_ERROR_HANDLE;
    DWORD mode;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

uint64_t system_clock_ms() { return GetTickCount64(); }

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

Outcome system_create_destination(Argument where, bool force, const SystemFile &source, SystemFile &file)
{
    file = SystemFile{};
    file.path = where;
    file.handle = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    const wchar_t *path = native(where);
    HANDLE h = look_at(path);
    bool exists = h != INVALID_HANDLE_VALUE;
    DWORD error = exists ? 0 : GetLastError();
    if (!exists && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        file.error = int32_t(error);
        return Outcome::CreateFailed;
    }
    // Refused for being the source before anything else: the user learns that the two names
    // are one file.
    if (exists && is_source(source, h)) {
        CloseHandle(h);
        return Outcome::IsSource;
    }
    if (exists && !force) {
        CloseHandle(h);
        return Outcome::Exists;
    }
    if (exists && GetFileType(h) != FILE_TYPE_DISK) {
        // A device (NUL, a serial port) or a pipe is written as it is: it cannot be renamed over.
        CloseHandle(h);
        h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            file.error = int32_t(GetLastError());
            return Outcome::CreateFailed;
        }
        file.handle = reinterpret_cast<intptr_t>(h);
        return Outcome::Done;
    }

    // The file the path finally names, links followed: it is replaced, a link stays.
    error = replace_prepare(path, exists ? h : INVALID_HANDLE_VALUE);
    if (exists)
        CloseHandle(h);
    if (error != 0) {
        file.error = int32_t(error);
        return Outcome::CreateFailed;
    }

    file.temporary = true;
    file.replaces = exists;
    SetConsoleCtrlHandler(on_console_event, TRUE);
    HANDLE temporary;
    error = replace_begin(temporary);
    if (error != 0) {
        file.error = int32_t(error);
        return Outcome::CreateFailed;
    }
    file.handle = reinterpret_cast<intptr_t>(temporary);
    return Outcome::Done;
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

bool system_remaining(SystemFile &file, uint64_t &count)
{
    LARGE_INTEGER size, at, none = {};
    if (!file.regular || !GetFileSizeEx(handle_of(file), &size) ||
        !SetFilePointerEx(handle_of(file), none, &at, FILE_CURRENT))
        return false;
    count = size.QuadPart > at.QuadPart ? uint64_t(size.QuadPart - at.QuadPart) : 0;
    return true;
}

bool system_skip(SystemFile &file, uint64_t count)
{
    LARGE_INTEGER by;
    by.QuadPart = LONGLONG(count);
    return file.regular && count <= uint64_t(INT64_MAX) && SetFilePointerEx(handle_of(file), by, nullptr, FILE_CURRENT);
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

void system_abandon(const SystemFile &file)
{
    if (file.temporary)
        replace_abandon();
}

Outcome system_finish(SystemFile &file, bool force, const SystemFile &source)
{
    if (!file.temporary)
        return Outcome::Done;

    // What holds the destination's name now, which may have changed while the text was written.
    HANDLE h = look_at(replace_destination());
    bool exists = h != INVALID_HANDLE_VALUE;
    Outcome result = exists && is_source(source, h) ? Outcome::IsSource
                   : exists && !force             ? Outcome::Exists
                                                  : Outcome::Done;
    if (exists)
        CloseHandle(h);
    if (result != Outcome::Done)
        return result;
    // Without force the name must still be free: the move does not take it from a file that
    // appeared meanwhile.
    DWORD error = replace_finish(force);
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return Outcome::Exists;
    file.error = int32_t(error);
    return error == 0 ? Outcome::Done : Outcome::RenameFailed;
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
