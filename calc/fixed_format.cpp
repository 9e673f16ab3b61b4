// "%f" by simple decimal conversion (see long_decimal.h): x = m * 2^e, so
// the digits of m scaled by 2^e are x's exact decimal expansion, and moving
// the point six places and rounding half to even gives the digits to print.
#include "calc/fixed_format.h"

#include <cstddef>

#include "calc/binary64.h"
#include "calc/fixed_digits.h"
#include "calc/long_decimal.h"

namespace calc {

std::size_t FormatFixed(double x, FixedText& out) {
    using namespace fixed_digits;
    const binary64::Parts parts = binary64::TakeApart(x);
    if (parts.kind == binary64::Parts::Kind::NaN) return WriteText("nan", out);
    if (parts.kind == binary64::Parts::Kind::Infinity) {
        return WriteText(parts.negative ? "-inf" : "inf", out);
    }
    // round(x * 10^6): an integer of `point` digits (none for zero), the
    // stored ones followed by zeros; printed with at least one digit before
    // the point.
    LongDecimal a = Exact(parts.significand, parts.exponent);
    a.point += kDecimals;
    RoundToInteger(a);
    const int digits = a.count == 0 ? 0 : a.point;
    const int width = digits > kDecimals ? digits : kDecimals + 1;
    std::size_t length = 0;
    if (parts.negative) out[length++] = '-';
    for (int i = 0; i < width; ++i) {
        if (i == width - kDecimals) out[length++] = '.';
        const int j = i - (width - digits);
        const bool stored = j >= 0 && j < a.count;
        out[length++] = static_cast<char>('0' + (stored ? a.d[static_cast<std::size_t>(j)] : 0));
    }
    out[length] = '\0';
    return length;
}

}  // namespace calc
