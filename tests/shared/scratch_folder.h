// A fresh folder for one test's files, named after the test; shared by the Win32 and the
// end-to-end tests. Windows only.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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
