// The zip as a Windows user meets it, once zip_test.sh has unpacked it into a fresh folder of
// the Wine prefix (VORDA_PACKAGE_FOLDER): both programs carry their version information,
// vorda.exe started there shows its window and its help command opens the manual beside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>

#include "driver.h"
#include "res/resource.h"

namespace {

std::wstring package_folder()
{
    const wchar_t *folder = _wgetenv(L"VORDA_PACKAGE_FOLDER");
    return folder ? folder : L"";
}

// A text of the program's version information, as the file's properties show it.
std::wstring version_text(const std::vector<char> &info, const wchar_t *block, const wchar_t *name)
{
    std::wstring path = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
    wchar_t *text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void **>(&text), &length) || !text)
        return L"(none)";
    return text;
}

TEST(Package, ProgramsCarryTheirVersionInformation)
{
    std::wstring folder = package_folder();
    ASSERT_FALSE(folder.empty()) << "VORDA_PACKAGE_FOLDER names the unpacked zip";
    struct Expected {
        const wchar_t *file, *block, *description;
    };
    for (Expected e : {Expected{L"vorda.exe", L"041104B0", L"バイナリソース変換ソフト"},
                       Expected{L"bin2src.exe", L"040904B0", L"bin2src: binary-to-source converter for the command line"}}) {
        std::wstring path = folder + L"\\" + e.file;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
        ASSERT_NE(size, 0u) << narrow(path) << " has no version information";
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
        EXPECT_EQ(narrow(version_text(info, e.block, L"FileVersion")), VORDA_VERSION) << narrow(e.file);
        EXPECT_EQ(narrow(version_text(info, e.block, L"ProductVersion")), VORDA_VERSION) << narrow(e.file);
        EXPECT_EQ(narrow(version_text(info, e.block, L"ProductName")), "VORDA") << narrow(e.file);
        EXPECT_EQ(version_text(info, e.block, L"OriginalFilename"), e.file);
        EXPECT_EQ(version_text(info, e.block, L"FileDescription"), e.description) << narrow(e.file);

        // The numbers Windows compares when it replaces a file: 1.0.3.0 for version 1.0.3.
        VS_FIXEDFILEINFO *fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &length));
        std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(HIWORD(fixed->dwFileVersionLS));
        EXPECT_EQ(numbers, VORDA_VERSION) << narrow(e.file);
        EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0) << narrow(e.file);
    }
}

TEST(Package, ProgramStartedInItsFolderShowsItsWindowAndOpensTheManualBesideIt)
{
    std::wstring folder = package_folder();
    ASSERT_FALSE(folder.empty()) << "VORDA_PACKAGE_FOLDER names the unpacked zip";
    std::wstring record = scratch_folder() + L"\\opened.txt";
    PdfToRecorder association(record);
    // As Explorer starts it: the program's own folder is the current one.
    Program program(L"", folder, folder + L"\\vorda.exe");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr) << "the window of the unpacked vorda.exe";
    EXPECT_EQ(narrow(text_of(main)), "VORDA Ver1.03");
    expect_no_boxes(program, "at start");

    post_command(main, IDM_HELP);
    EXPECT_EQ(lower(recorded(record)), lower(folder + L"\\vorda_manual.pdf"));
    program.settle(main);
    expect_no_boxes(program, "after the help command");
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

} // namespace
