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

namespace {

constexpr std::size_t kFieldLimit = 65534;

struct Kind {
    const char* name;
    std::string text;
};

std::string SubnormalDigits() {
    std::string text;
    for (int i = 0; i < 800; ++i) text += static_cast<char>('1' + i % 9);
    text += "e-";
    text.append(kFieldLimit - text.size() - 4, '0');
    return text + "1110";
}

}  // namespace

int main() {
    std::string longExponent(kFieldLimit / 2, '3');
    longExponent += ".25e-";
    longExponent.append(kFieldLimit - longExponent.size(), '9');
    const Kind kinds[] = {
        {"digits", std::string(kFieldLimit, '7')},
        {"digits, long exponent", longExponent},
        {"800 digits, subnormal", SubnormalDigits()},
        {"no digit", std::string(kFieldLimit, 'x')},
    };
    unsigned checksum = 0;  // uses every result, so that no request is dropped
    for (const Kind& kind : kinds) {
        const char* const t = kind.text.c_str();
        std::array<long long, 101> ns{};
        for (long long& time : ns) {
            const auto start = std::chrono::steady_clock::now();
            const DragOutcome out = ComputeDrag(t, t, t, t);
            time = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
            checksum += static_cast<unsigned char>(out.powerText[0]);
        }
        std::sort(ns.begin(), ns.end());
        std::printf("four fields, %-22s median %7.1f us, min %7.1f us\n", kind.name,
                    static_cast<double>(ns[ns.size() / 2]) / 1000.0,
                    static_cast<double>(ns[0]) / 1000.0);
    }
    std::printf("(checksum %u)\n", checksum);
    return 0;
}
