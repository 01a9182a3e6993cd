// Stands in for a PDF viewer in the help tests: writes the document it was asked to open to a
// record file, then ends. The record appears whole (written aside, then renamed), so a test
// waiting for it never reads half of one.
//
//   help_recorder <record file> <document>
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t **argv)
{
    if (argc < 3)
        return 2;
    std::wstring record = argv[1], aside = record + L".part";
    HANDLE file = CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, argv[2], DWORD(std::wcslen(argv[2]) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(aside.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
