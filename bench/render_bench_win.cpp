// Rendering a segment under Windows (or Wine): the time to show the first and the last
// segment of files from 1 MiB to 16 GiB. Reaching a segment is one seek and one read, so the
// last segment of a large file costs what the first one does. Files are sparse and made here.
//   render_bench.exe [folder]     (default: the temporary folder)
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/shared/host_window_win.h"

namespace {

std::wstring make_sparse(const std::wstring &folder, uint64_t size)
{
    std::wstring path = folder + L"\\render-bench-" + std::to_wstring(size) + L".bin";
    const char tail[16] = "last segment...";
    make_sparse_file(path, size, std::vector<uint8_t>(tail, tail + sizeof tail));
    return path;
}

double now_ms()
{
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Median of `runs` timings of f().
template <typename F> double median_ms(int runs, F f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; i++) {
        double t0 = now_ms();
        f();
        times.push_back(now_ms() - t0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = temp;
    if (argc > 1) {
        std::string a = argv[1];
        folder.assign(a.begin(), a.end());
    }
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();

    HWND window = create_host_window();

    std::printf("%-10s %10s %16s %16s %16s\n", "file", "segments", "read first ms", "read last ms", "render last ms");
    for (uint64_t size : {1ull << 20, 64ull << 20, 1ull << 30, 16ull << 30}) {
        std::wstring path = make_sparse(folder, size);
        set_source_file(reinterpret_cast<const char16_t *>(path.c_str()));
        int64_t last = last_segment_index();
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        double first_read = median_ms(31, [&] { read_segment(file, 0); });
        double last_read = median_ms(31, [&] { read_segment(file, last); });
        CloseHandle(file);
        double render = median_ms(11, [&] {
            document.segment_index = last;
            render_segment(window, ViewMode::Normal);
        });
        std::printf("%-10s %10lld %16.3f %16.3f %16.3f\n",
                    size >= (1ull << 30) ? (std::to_string(size >> 30) + " GiB").c_str()
                                         : (std::to_string(size >> 20) + " MiB").c_str(),
                    (long long)(last + 1), first_read, last_read, render);
        DeleteFileW(path.c_str());
    }
    DestroyWindow(window);
    return 0;
}
