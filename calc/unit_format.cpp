// A result converted into the unit shown, exactly: x = m * 2^e is turned
// into the exact decimal of x * N / D (or N / (D * x)) to one digit after
// the millionths, floored, with a flag for whatever lies below; rounding
// that half to even gives the millionths that "%f" would print for the
// exact converted value.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "calc/binary64.h"
#include "calc/extended.h"
#include "calc/fixed_digits.h"
#include "calc/long_decimal.h"
#include "calc/units.h"

namespace calc {
namespace {

using fixed_digits::kDecimals;

// a *= n, for a that is exact (not truncated) and 1 <= n <=
// kMaxConversionTerm. From the last digit to the first, each digit times n
// plus the carry: its last decimal digit stays, the rest carries on.
// Invariant: the carry stays below n, so digit * n + carry < 10 * n fits.
// The carry's own digits come out last and stand first, so the product is
// gathered from its end in a buffer of its own.
void MultiplyBy(LongDecimal& a, std::uint64_t n) {
    std::array<std::uint8_t, LongDecimal::kCapacity + 20> reversed;
    int length = 0;
    std::uint64_t carry = 0;
    for (int read = a.count - 1; read >= 0; --read) {
        carry += a.d[static_cast<std::size_t>(read)] * n;
        reversed[static_cast<std::size_t>(length++)] = static_cast<std::uint8_t>(carry % 10);
        carry /= 10;
    }
    for (; carry > 0; carry /= 10) {
        reversed[static_cast<std::size_t>(length++)] = static_cast<std::uint8_t>(carry % 10);
    }
    a.point += length - a.count;
    a.count = 0;
    for (int i = length - 1; i >= 0; --i) {
        const std::uint8_t digit = reversed[static_cast<std::size_t>(i)];
        if (a.count < LongDecimal::kCapacity) {
            a.d[static_cast<std::size_t>(a.count++)] = digit;
        } else {
            a.truncated = a.truncated || digit != 0;
        }
    }
    while (a.count > 0 && a.d[static_cast<std::size_t>(a.count - 1)] == 0) --a.count;
}

// a = floor(a / divisor) to one digit after the point, with `truncated` set
// when that drops anything (a remainder, or digits a had already dropped);
// 1 <= divisor <= kMaxConversionTerm. Long division from the first digit:
// quotient digit i has the weight of a's digit i. Invariant: the remainder
// r stays below the divisor, so r * 10 + digit < 10 * divisor fits 64 bits.
// A quotient digit is written at or before the place of the digit just
// read, so a is divided in place. Dividing a floored value again floors
// the whole quotient: floor(floor(10y) / D) = floor(10y / D).
void DivideBy(LongDecimal& a, std::uint64_t divisor) {
    const int end = a.point + 1;  // quotient digits down to 10^-1
    std::uint64_t r = 0;
    int write = 0;
    int point = a.point;
    for (int i = 0; i < end; ++i) {
        r = r * 10 + (i < a.count ? a.d[static_cast<std::size_t>(i)] : 0u);
        const auto digit = static_cast<std::uint8_t>(r / divisor);
        r %= divisor;
        if (write == 0 && digit == 0) {
            --point;  // a leading zero: the quotient starts a place lower
        } else if (write < LongDecimal::kCapacity) {
            a.d[static_cast<std::size_t>(write++)] = digit;
        } else {
            a.truncated = a.truncated || digit != 0;
        }
    }
    bool rest = r != 0;
    for (int i = end < 0 ? 0 : end; i < a.count && !rest; ++i) {
        rest = a.d[static_cast<std::size_t>(i)] != 0;
    }
    a.truncated = a.truncated || rest;
    a.count = write;
    a.point = write == 0 ? 0 : point;
    while (a.count > 0 && a.d[static_cast<std::size_t>(a.count - 1)] == 0) --a.count;
}

// Writes a, a number of millionths rounded to an integer, as "%f" does:
// every integer digit (at least one), a '.', six decimals. FormatFixed
// writes its texts with the same loop of its own: shared, its code for the
// window would change.
void WriteMillionths(const LongDecimal& a, bool negative, ConvertedText& out) {
    const int digits = a.count == 0 ? 0 : a.point;
    const int width = digits > kDecimals ? digits : kDecimals + 1;
    std::size_t length = 0;
    if (negative) out[length++] = '-';
    for (int i = 0; i < width; ++i) {
        if (i == width - kDecimals) out[length++] = '.';
        const int j = i - (width - digits);
        const bool stored = j >= 0 && j < a.count;
        out[length++] = static_cast<char>('0' + (stored ? a.d[static_cast<std::size_t>(j)] : 0));
    }
    out[length] = '\0';
}

// round(x * N / D * 10^6) or round(N / (D * x) * 10^6), x = m * 2^e finite
// and not zero where inverse. Each step is exact but the divisions, which
// floor to a tenth of a millionth and remember what they drop.
LongDecimal RoundedMillionths(const binary64::Parts& x, Conversion c) {
    LongDecimal a;
    if (c.inverse) {
        // N * 2^-e / (D * m): N * 2^-e has at most 700 digits for any e
        a = fixed_digits::Exact(c.numerator, -x.exponent);
        a.point += kDecimals;
        DivideBy(a, x.significand);
    } else {
        // m * 2^e * N: at most 767 + 19 digits
        a = fixed_digits::Exact(x.significand, x.exponent);
        a.point += kDecimals;
        if (c.numerator != 1) MultiplyBy(a, c.numerator);
    }
    if (c.denominator != 1) DivideBy(a, c.denominator);
    RoundToInteger(a);
    return a;
}

// The extended format's exact value of an integer (not zero).
Extended Integer(std::uint64_t n) {
    return {Extended::Kind::Finite, false, 63, n};
}

double ApproximateValue(double x, Conversion c) {
    if (c.inverse) {
        return ToDouble(
            Divide(Integer(c.numerator), Multiply(ToExtended(x), Integer(c.denominator))));
    }
    return ToDouble(Divide(Multiply(ToExtended(x), Integer(c.numerator)), Integer(c.denominator)));
}

}  // namespace

ConvertedResult ConvertResult(double x, Conversion c) {
    ConvertedResult result;
    result.value = ApproximateValue(x, c);
    // Special values first: NaN, and the infinities and zeros that an
    // inverse conversion swaps.
    const binary64::Parts parts = binary64::TakeApart(x);
    const bool zero = parts.kind == binary64::Parts::Kind::Finite && parts.significand == 0;
    const bool infinite = parts.kind == binary64::Parts::Kind::Infinity;
    if (parts.kind == binary64::Parts::Kind::NaN) {
        fixed_digits::WriteText("nan", result.text);
    } else if (c.inverse ? zero : infinite) {
        fixed_digits::WriteText(parts.negative ? "-inf" : "inf", result.text);
    } else if (c.inverse && infinite) {
        WriteMillionths(LongDecimal{}, parts.negative, result.text);
    } else {
        WriteMillionths(RoundedMillionths(parts, c), parts.negative, result.text);
    }
    return result;
}

ConvertedResult ConvertResult(double x, const FixedText& text, Conversion c) {
    static_assert(kFixedTextCapacity <= kConvertedTextCapacity);
    if (c.numerator != 1 || c.denominator != 1 || c.inverse) return ConvertResult(x, c);
    ConvertedResult same;
    same.value = x;
    std::copy(text.begin(), text.end(), same.text.begin());
    return same;
}

}  // namespace calc
