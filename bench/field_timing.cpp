// ComputeDrag on four field texts of the largest size, for the builds that
// have no Google Benchmark (the 32-bit Windows one, run under Wine): the
// median and the fastest of 101 requests for each kind of text. Prints
// figures only.
//
//   tools/wine-run.sh build/win32/bench/kalvor_field_timing.exe
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>

#include "bench/huge_texts.h"
#include "calc/drag.h"

int main() {
    using Clock = std::chrono::steady_clock;
    const char* const names[kHugeTextKinds] = {"digits", "digits, long exponent",
                                               "800 digits, subnormal", "no digit"};
    unsigned checksum = 0;  // uses every result, so that no request is dropped
    for (int kind = 0; kind < kHugeTextKinds; ++kind) {
        const std::string text = HugeText(kind);
        const char* const t = text.c_str();
        std::array<long long, 101> ns{};
        for (long long& time : ns) {
            const Clock::time_point start = Clock::now();
            const DragOutcome out = ComputeDrag(t, t, t, t);
            time =
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
            checksum += static_cast<unsigned char>(out.powerText[0]);
        }
        std::sort(ns.begin(), ns.end());
        std::printf("four fields, %-22s median %7.1f us, min %7.1f us\n", names[kind],
                    static_cast<double>(ns[ns.size() / 2]) / 1000.0,
                    static_cast<double>(ns[0]) / 1000.0);
    }
    std::printf("(checksum %u)\n", checksum);
    return 0;
}
