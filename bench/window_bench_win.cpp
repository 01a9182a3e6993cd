// Exports a file to C through the real window, as a user would: starts vorda.exe on the file,
// gives the toolbar's export command, types the destination into the settings dialog, presses
// OK and reads the time from the completion message. Prints that time and the peak working set
// of the vorda.exe process before and after the export. Run by scripts/bench-window.sh under
// Wine; a driver, not a timed test: it fails only when the export does not complete.
//
//   VORDA_BENCH_SOURCE=<file> VORDA_BENCH_DESTINATION=<file> [VORDA_BENCH_PROGRAM=<exe>] window_bench
//
// VORDA_BENCH_PROGRAM names another vorda.exe to drive (one built from an earlier commit, say);
// by default the one built beside this benchmark.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "driver.h"
#include "res/resource.h"

namespace {

std::wstring environment(const wchar_t *name)
{
    wchar_t value[MAX_PATH] = L"";
    GetEnvironmentVariableW(name, value, MAX_PATH);
    return value;
}

TEST(WindowBench, ExportToC)
{
    std::wstring source = environment(L"VORDA_BENCH_SOURCE"), destination = environment(L"VORDA_BENCH_DESTINATION");
    if (source.empty() || destination.empty())
        GTEST_SKIP() << "VORDA_BENCH_SOURCE and VORDA_BENCH_DESTINATION name the files (scripts/bench-window.sh)";
    DeleteFileW(destination.c_str());

    std::wstring exe = environment(L"VORDA_BENCH_PROGRAM");
    Program program(in_quotes(source), L"", exe.empty() ? program_path() : exe);
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    size_t before = program.peak_working_set();

    post_command(main, IDT_EXPORT_C);
    HWND dialog = program.wait_for_window(L"#32770", L"変換保存の設定");
    ASSERT_NE(dialog, nullptr);
    set_text(GetDlgItem(dialog, IDC_DESTINATION), destination);
    click(dialog, IDC_EXPORT_OK);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(dialog); })) << "the settings dialog stayed open";
    // The export runs before the message comes: give it as long as a large file takes. Its
    // progress dialog is not the message. Captions are read without a message to the program
    // (the system keeps them), so that looking costs the export nothing.
    HWND box = nullptr;
    wait_until(
        [&] {
            for (HWND w : program.all_dialogs()) {
                wchar_t caption[64] = L"";
                GetWindowTextW(w, caption, 64);
                if (IsWindowVisible(w) && std::wstring(caption) != L"変換保存中")
                    box = w;
            }
            return box != nullptr;
        },
        600000);
    ASSERT_NE(box, nullptr) << "no message after the export";
    Box shown = read_box(box);
    size_t after = program.peak_working_set();
    click(box, IDOK);
    ASSERT_EQ(narrow(shown.caption), "書込処理") << show(shown);
    // "書込完了 <n>mSEC要した"
    const wchar_t *digits = shown.text.c_str();
    while (*digits && (*digits < L'0' || *digits > L'9'))
        digits++;
    std::printf("window_export_ms=%ld peak_working_set_kib before=%zu after=%zu\n", std::wcstol(digits, nullptr, 10),
                before / 1024, after / 1024);
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

} // namespace
