// What the exact result texts share (fixed_format.cpp for "%f",
// unit_format.cpp for the page's other units, units.cpp for the texts it
// hands ComputeDrag): a double's exact decimal value, and a fixed text.
// Inline, so that each keeps its own copy and the window's formatter
// compiles to the same code as before they were shared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calc/long_decimal.h"

namespace calc::fixed_digits {

inline constexpr int kDecimals = 6;

// The text and its terminator into a text buffer; returns its length.
template <std::size_t N>
std::size_t WriteText(std::string_view text, std::array<char, N>& out) {
    std::size_t length = 0;
    for (const char c : text) {
        out[length++] = c;
    }
    out[length] = '\0';
    return length;
}

// The value m * 2^e, exactly: 767 significant digits at the most when m is
// a double's significand (and fewer for a smaller m).
inline LongDecimal Exact(std::uint64_t m, std::int32_t e) {
    std::array<char, 20> text{};
    std::size_t first = text.size();
    for (; m > 0; m /= 10) {
        text[--first] = static_cast<char>('0' + m % 10);
    }
    LongDecimal a;
    AppendDigits(a, std::string_view(text.data() + first, text.size() - first));
    a.point = static_cast<std::int32_t>(text.size() - first);
    while (e > 0) {
        const int step = e < kMaxScaleStep ? e : kMaxScaleStep;
        ScaleUp(a, step);
        e -= step;
    }
    while (e < 0) {
        const int step = -e < kMaxScaleStep ? -e : kMaxScaleStep;
        ScaleDown(a, step);
        e += step;
    }
    return a;
}

}  // namespace calc::fixed_digits
