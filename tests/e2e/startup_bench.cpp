// Start-up time: from CreateProcess to the visible main dialog, for the
// program and for a floor build with the same template whose dialog
// procedure does nothing. The two are started alternately, so that drift in
// the machine's load hits both alike; medians and their ratio are printed.
//
//   kalvor_startup_bench PROGRAM.exe FLOOR.exe [PAIRS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// One start; a negative time if the window never appeared.
double TimeToWindow(const std::wstring& exe) {
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    e2e::Process process(exe);
    HWND main = process.WaitMainWindow(e2e::kPatience, 1);
    QueryPerformanceCounter(&shown);
    return main ? Milliseconds(start, shown) : -1.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PROGRAM.exe FLOOR.exe [PAIRS]\n", argv[0]);
        return 2;
    }
    const std::wstring programs[2] = {e2e::WindowsPathFromArgument(argv[1]),
                                      e2e::WindowsPathFromArgument(argv[2])};
    const int pairs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 21;
    constexpr int kWarmUp = 2;

    std::vector<double> times[2];
    for (int pair = 0; pair < kWarmUp + pairs; ++pair) {
        // Alternate which of the two goes first as well.
        for (int k = 0; k < 2; ++k) {
            const int which = (pair + k) % 2;
            const double ms = TimeToWindow(programs[which]);
            if (ms < 0) {
                std::fprintf(stderr, "%s: no window\n", argv[1 + which]);
                return 1;
            }
            if (pair >= kWarmUp) times[which].push_back(ms);
        }
    }

    std::printf("CreateProcess to visible dialog, %d alternated pairs (after %d warm-up pairs)\n",
                pairs, kWarmUp);
    for (int which = 0; which < 2; ++which) {
        const auto [low, high] = std::minmax_element(times[which].begin(), times[which].end());
        const char* slash = std::strrchr(argv[1 + which], '/');
        std::printf("  %-18s median %6.1f ms  (min %.1f, max %.1f)\n",
                    slash ? slash + 1 : argv[1 + which], Median(times[which]), *low, *high);
    }
    const double ratio = Median(times[0]) / Median(times[1]);
    std::printf("  ratio program / floor: %.3f (target <= 1.15)\n", ratio);
    return 0;
}
