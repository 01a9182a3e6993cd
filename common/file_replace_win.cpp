// The temporary file is given its name by MoveFileExW, not ReplaceFileW. MoveFileExW is one
// rename, on NTFS as under Wine (rename(2)): the name holds the old file or the new one, never
// neither. ReplaceFileW keeps the replaced file's security descriptor and streams, but when it
// cannot move the new file in after taking the old one away (ERROR_UNABLE_TO_MOVE_REPLACEMENT,
// without a backup name) the old file is gone; and Wine's moves the old file aside, deletes it and
// only then moves the new one in, with MAX_PATH buffers. A file that must survive every failure
// is renamed over; its attributes are given back here, as a new file in its folder gets the
// folder's inherited permissions.
#include "common/file_replace_win.h"

#include "common/temporary_name.h"

namespace {

// A path of any length in the \\?\ form.
constexpr size_t LONG_PATH_MAX = 32768;

struct Replacement {
    wchar_t destination[LONG_PATH_MAX]; // the file the path finally names
    wchar_t temporary[LONG_PATH_MAX];   // its temporary file beside it
    DWORD attributes;                   // of the file replaced, 0 for a new one
    bool temporary_exists;
};

Replacement replacement;
// Taken by whoever creates, renames or removes the temporary file: the writing thread, and a
// console handler on its own.
SRWLOCK lock = SRWLOCK_INIT;

// The full path of a destination that does not exist yet, in the \\?\ form that takes any
// length: \\?\C:\a\b.c, or \\?\UNC\server\share\b.c.
DWORD full_path(const wchar_t *path)
{
    wchar_t *full = replacement.temporary; // scratch: the temporary name is made afterwards
    DWORD n = GetFullPathNameW(path, DWORD(LONG_PATH_MAX), full, nullptr);
    if (n == 0)
        return GetLastError();
    if (n >= LONG_PATH_MAX - 8)
        return ERROR_FILENAME_EXCED_RANGE;
    const wchar_t *p = full, *prefix = L"\\\\?\\";
    if (p[0] == L'\\' && p[1] == L'\\' && (p[2] == L'?' || p[2] == L'.') && p[3] == L'\\')
        prefix = L""; // already in that form, or a device
    else if (p[0] == L'\\' && p[1] == L'\\')
        prefix = L"\\\\?\\UNC", p++;
    wcscpy(replacement.destination, prefix);
    wcscat(replacement.destination, p);
    return 0;
}

// The file an open handle is on, links followed, and its attributes.
DWORD final_path(HANDLE existing)
{
    DWORD n = GetFinalPathNameByHandleW(existing, replacement.destination, DWORD(LONG_PATH_MAX), FILE_NAME_NORMALIZED);
    if (n == 0)
        return GetLastError();
    if (n >= LONG_PATH_MAX)
        return ERROR_FILENAME_EXCED_RANGE;
    FILE_BASIC_INFO basic;
    if (GetFileInformationByHandleEx(existing, FileBasicInfo, &basic, sizeof basic)) {
        replacement.attributes = basic.FileAttributes;
        if (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return ERROR_ACCESS_DENIED;
    }
    return 0;
}

uint32_t token(uint32_t attempt)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return temporary_token(GetCurrentProcessId(), uint64_t(now.QuadPart), attempt);
}

DWORD create_temporary(HANDLE &temporary)
{
    const char16_t *destination = reinterpret_cast<const char16_t *>(replacement.destination);
    char16_t *named = reinterpret_cast<char16_t *>(replacement.temporary);
    DWORD error = ERROR_FILE_EXISTS;
    for (uint32_t attempt = 0; attempt < 100 && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
         attempt++) {
        if (temporary_name(destination, wcslen(replacement.destination), token(attempt), named, LONG_PATH_MAX) == 0)
            return ERROR_FILENAME_EXCED_RANGE;
        AcquireSRWLockExclusive(&lock);
        // Delete sharing lets a console handler remove the file while it is open.
        temporary = CreateFileW(replacement.temporary, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        error = temporary == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        replacement.temporary_exists = error == 0;
        ReleaseSRWLockExclusive(&lock);
    }
    return error;
}

} // namespace

DWORD replace_prepare(const wchar_t *path, HANDLE existing)
{
    replacement.attributes = 0;
    return existing != INVALID_HANDLE_VALUE ? final_path(existing) : full_path(path);
}

DWORD replace_begin(HANDLE &temporary)
{
    temporary = INVALID_HANDLE_VALUE;
    return create_temporary(temporary);
}

const wchar_t *replace_destination() { return replacement.destination; }

DWORD replace_finish(bool replace)
{
    AcquireSRWLockExclusive(&lock);
    DWORD error = ERROR_OPERATION_ABORTED; // unless a console handler took the file away
    if (replacement.temporary_exists)
        error = MoveFileExW(replacement.temporary, replacement.destination,
                            MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0))
                    ? 0
                    : GetLastError();
    if (error == 0) {
        replacement.temporary_exists = false;
        DWORD kept = replacement.attributes &
                     (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (kept != 0)
            SetFileAttributesW(replacement.destination, kept | FILE_ATTRIBUTE_ARCHIVE);
    }
    ReleaseSRWLockExclusive(&lock);
    return error;
}

void replace_abandon()
{
    AcquireSRWLockExclusive(&lock);
    if (replacement.temporary_exists)
        DeleteFileW(replacement.temporary);
    replacement.temporary_exists = false;
    ReleaseSRWLockExclusive(&lock);
}

void replace_abandon_and_exit(UINT code)
{
    AcquireSRWLockExclusive(&lock); // kept: the process ends holding it
    if (replacement.temporary_exists)
        DeleteFileW(replacement.temporary);
    replacement.temporary_exists = false;
    ExitProcess(code);
}
