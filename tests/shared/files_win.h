// Files for the tests that run on Windows (the Win32, end-to-end and bin2src tests): a fresh
// scratch folder named after the test, whole files written and read back, and paths in UTF-8
// for failure messages.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

inline std::wstring fresh_scratch_folder(const std::string &prefix)
{
    static int counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = prefix + (test ? std::string(test->test_suite_name()) + "." + test->name() : "run");
    std::wstring folder = std::wstring(temp) + std::wstring(name.begin(), name.end()) + L"-" +
                          std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    // Wine reuses small process ids, so a folder of an earlier run may be there: empty it.
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring path = folder + L"\\" + found.cFileName;
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    return folder;
}

inline std::string narrow(const std::wstring &text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Creates or replaces the file at path with these bytes, `times` over (a large file from a
// small block). Returns the path.
inline std::wstring write_file(const std::wstring &path, const std::vector<uint8_t> &bytes, size_t times = 1)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << narrow(path);
    for (size_t k = 0; k < times && !bytes.empty(); k++) {
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size())
            << narrow(path);
    }
    CloseHandle(file);
    return path;
}

// The whole file, read in large blocks; empty when it cannot be opened.
inline std::vector<uint8_t> read_file(const std::wstring &path)
{
    std::vector<uint8_t> bytes;
    // Shares deletion too: a file just renamed into place is still open for that by the renamer.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    std::vector<uint8_t> block(1 << 20);
    DWORD got = 0;
    while (ReadFile(file, block.data(), DWORD(block.size()), &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), block.begin(), block.begin() + got);
    CloseHandle(file);
    return bytes;
}

inline bool exists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Cuts or stretches the file at path to `size` bytes. Stretched, the new part is a hole that
// reads as zeros and takes no disk.
inline bool resize_file(const std::wstring &path, uint64_t size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(size);
    bool done = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return done;
}

// A large file that the scratch folders must not keep: deleted when the test ends, whichever
// way. Declared before the program that opens it, so that the program has ended by then.
struct LargeFile {
    std::wstring path;
    ~LargeFile() { DeleteFileW(path.c_str()); }
};
