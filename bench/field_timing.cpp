// ComputeDrag on four field texts of the largest size (65,534 characters),
// natively and in the 32-bit Windows build under Wine, which has no Google
// Benchmark: the median and the fastest of 101 requests for each kind of
// text. Prints figures only.
//
//   build/native/bench/kalvor_field_timing
//   tools/wine-run.sh build/win32/bench/kalvor_field_timing.exe
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>

#include "calc/drag.h"

int main() {
    constexpr std::size_t kLimit = calc::kFieldTextLimit;
    std::string exponent(kLimit / 2, '3');
    exponent += ".25e-";
    std::string subnormal;
    for (int i = 0; i < 800; ++i) subnormal += static_cast<char>('1' + i % 9);
    subnormal += "e-";
    const std::string texts[] = {
        std::string(kLimit, '7'), exponent.append(kLimit - exponent.size(), '9'),
        subnormal.append(kLimit - subnormal.size() - 4, '0') + "1110", std::string(kLimit, 'x')};
    const char* const names[] = {"digits", "digits, long exponent", "800 digits, subnormal",
                                 "no digit"};
    unsigned checksum = 0;  // uses every result, so that no request is dropped
    for (std::size_t kind = 0; kind < std::size(texts); ++kind) {
        const char* const t = texts[kind].c_str();
        std::array<long long, 101> ns{};
        for (long long& time : ns) {
            const auto start = std::chrono::steady_clock::now();
            checksum += static_cast<unsigned char>(calc::ComputeDrag({t, t, t, t}).powerText[0]);
            time = (std::chrono::steady_clock::now() - start) / std::chrono::nanoseconds(1);
        }
        std::sort(ns.begin(), ns.end());
        std::printf("four fields, %-22s median %7.1f us, min %7.1f us\n", names[kind],
                    static_cast<double>(ns[ns.size() / 2]) / 1000.0,
                    static_cast<double>(ns[0]) / 1000.0);
    }
    std::printf("(checksum %u)\n", checksum);
    return 0;
}
