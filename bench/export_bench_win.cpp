// Runs export_source once on a real file, as the export command does, and prints the time that
// its completion message reports, the time measured around the call, the process's peak memory
// before and after, and the instruction set of the line kernel it chose. Message boxes are
// answered by a hook: the overwrite question with Yes, everything else with OK. Used by
// scripts/bench-export.sh under Wine.
//
//   export_bench <source> <destination> [format 1|2|3]
#include <cstdio>
#include <cwchar>

#include "common/text.h"
#include "document/document_win.h"
#include "export/export_win.h"
#include "export/line_kernel.h"
#include "tests/shared/boxes_win.h"

#include <psapi.h> // after windows.h, which it needs

namespace {

std::wstring last_message;
int box_count;

void answer_box(HWND box)
{
    static HWND answered; // a box can be activated more than once
    if (box == answered)
        return;
    answered = box;
    last_message = message_box_text(box);
    box_count++;
    // Every box's text on the error stream, for a run that does not complete.
    char text[3072];
    if (WideCharToMultiByte(CP_UTF8, 0, last_message.c_str(), -1, text, sizeof text, nullptr, nullptr) > 0)
        std::fprintf(stderr, "box %d: %s\n", box_count, text);
    click(box, GetDlgItem(box, IDYES) ? IDYES : IDOK);
}

PROCESS_MEMORY_COUNTERS memory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    int number = argc > 3 ? _wtoi(argv[3]) : 1;
    if (argc < 3 || number < 1 || number > 3) {
        std::fprintf(stderr, "usage: export_bench <source> <destination> [format 1|2|3]\n");
        return 2;
    }
    ExportFormat format = EXPORT_FORMATS[number - 1];
    if (!set_source_file(utf16(argv[1])) || !text_copy(document.export_path, utf16(argv[2])) ||
        !text_copy(document.export_label, u"exe_dt")) {
        std::fprintf(stderr, "path too long\n");
        return 2;
    }
    document.export_format = format;
    PROCESS_MEMORY_COUNTERS before, after;
    LARGE_INTEGER frequency, start, end;
    {
        BoxHook hook(answer_box);
        before = memory();
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        export_source(nullptr, format);
        QueryPerformanceCounter(&end);
        after = memory();
    }

    // "書込完了 <n>mSEC要した": the digits are the export's own measurement.
    const wchar_t *digits = last_message.c_str();
    while (*digits && (*digits < L'0' || *digits > L'9'))
        digits++;
    bool completed = std::wcsstr(last_message.c_str(), L"書込完了") != nullptr;
    std::printf("completed=%s message_ms=%ld call_ms=%.1f source_bytes=%llu boxes=%d\n", completed ? "yes" : "no",
                completed ? std::wcstol(digits, nullptr, 10) : -1L,
                double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart),
                static_cast<unsigned long long>(document.file_size), box_count);
    std::printf("peak_working_set_kib before=%zu after=%zu peak_pagefile_kib before=%zu after=%zu\n",
                before.PeakWorkingSetSize / 1024, after.PeakWorkingSetSize / 1024, before.PeakPagefileUsage / 1024,
                after.PeakPagefileUsage / 1024);
    std::printf("line_kernel=%s\n", instruction_set_name(line_kernels.set));
    return completed ? 0 : 1;
}
