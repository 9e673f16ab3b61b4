// Decimal to double by simple decimal conversion (see long_decimal.h): the
// significant digits, up to 800 of them, are scaled by powers of two until
// their integer part is the 53-bit significand, which decides every case
// exactly: a value halfway between two doubles has at most 767 significant
// digits, and the digits beyond the buffer are remembered as a single
// "truncated" flag.
#include "calc/decimal.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calc/binary64.h"
#include "calc/long_decimal.h"

namespace calc {
namespace {

// Beyond these decimal exponents (value = 0.d1d2... x 10^point) the result
// is +inf (10^310 > the largest double) or 0 (10^-330 < half the smallest
// subnormal).
constexpr std::int64_t kMaxDecimalPoint = 310;
constexpr std::int64_t kMinDecimalPoint = -330;

constexpr std::int32_t kMinNormalExponent = -1022;
constexpr std::int32_t kMaxNormalExponent = 1023;

std::size_t LeadingZeros(std::string_view digits) {
    std::size_t n = 0;
    while (n < digits.size() && digits[n] == '0') {
        ++n;
    }
    return n;
}

// The digits after the first n (n <= size). Unlike substr, which checks its
// bound and may throw, this only moves the view.
std::string_view DropFront(std::string_view digits, std::size_t n) {
    digits.remove_prefix(n);
    return digits;
}

// The significant digits, from the first non-zero one on (none when every
// digit is zero), and their decimal point.
void FindSignificant(const DecimalNumber& number, std::string_view& head, std::string_view& tail,
                     std::int64_t& point) {
    const std::size_t intZeros = LeadingZeros(number.integerDigits);
    if (intZeros < number.integerDigits.size()) {
        head = DropFront(number.integerDigits, intZeros);
        tail = number.fractionDigits;
        point = static_cast<std::int64_t>(head.size()) + number.exponent;
    } else {
        const std::size_t fracZeros = LeadingZeros(number.fractionDigits);
        head = DropFront(number.fractionDigits, fracZeros);
        point = number.exponent - static_cast<std::int64_t>(fracZeros);
    }
}

// floor(n * log2(10)) for n < 19: the largest shift that keeps a value below
// 10^n from reaching 1 when it starts below 10^-n.
constexpr std::array<int, 19> kDecimalShifts = {0,  3,  6,  9,  13, 16, 19, 23, 26, 29,
                                                33, 36, 39, 43, 46, 49, 53, 56, 59};

int ShiftFor(std::int32_t digits) {
    const int shift = digits < static_cast<std::int32_t>(kDecimalShifts.size())
                          ? kDecimalShifts[static_cast<std::size_t>(digits)]
                          : kMaxScaleStep;
    return shift < kMaxScaleStep ? shift : kMaxScaleStep;
}

double ToNearestDouble(LongDecimal& a) {
    // Scale into [1/2, 1): first down, perhaps too far, then up.
    std::int32_t exponent = 0;
    while (a.point > 0) {
        const int shift = ShiftFor(a.point);
        ScaleDown(a, shift);
        exponent += shift;
    }
    // Invariant of this loop: the value stays below 1 (point <= 0), so that
    // it stops inside [1/2, 1) and not beyond.
    while (a.point <= 0) {
        int shift = 0;
        if (a.point == 0) {
            // value = 0.d0... lies in [0.1, 1); stop once it is at least 1/2.
            // A value in [0.1, 0.2) times 4 lies in [0.4, 0.8); a value in
            // [0.2, 0.5) times 2 lies in [0.4, 1). Either stays below 1, and
            // the shift of 2 saves the one pass that would follow a shift
            // of 1. (Times 4 could reach 1 from 0.25, hence 1 there.)
            if (a.d[0] >= 5) break;
            shift = a.d[0] < 2 ? 2 : 1;
        } else {
            shift = ShiftFor(-a.point);
        }
        ScaleUp(a, shift);
        exponent -= shift;
    }
    --exponent;  // now value = 1.x * 2^exponent
    // Below the normal range the significand loses its leading bits.
    while (exponent < kMinNormalExponent) {
        const int shift = kMinNormalExponent - exponent < kMaxScaleStep
                              ? kMinNormalExponent - exponent
                              : kMaxScaleStep;
        ScaleDown(a, shift);
        exponent += shift;
    }
    if (exponent > kMaxNormalExponent) return binary64::Infinity(false);
    // The integer part of a * 2^53 is the significand.
    for (int shift = 53; shift > 0; shift -= kMaxScaleStep) {
        ScaleUp(a, shift < kMaxScaleStep ? shift : kMaxScaleStep);
    }
    RoundToInteger(a);
    std::uint64_t significand = 0;
    for (int i = 0; i < a.point; ++i) {
        significand = significand * 10 + (i < a.count ? a.d[static_cast<std::size_t>(i)] : 0u);
    }
    return binary64::PutTogether(false, significand, exponent - 52);
}

}  // namespace

double DecimalToDouble(const DecimalNumber& number) {
    std::string_view head;
    std::string_view tail;
    std::int64_t point = 0;
    FindSignificant(number, head, tail, point);
    if (head.empty() || point < kMinDecimalPoint) return 0.0;
    if (point > kMaxDecimalPoint) return binary64::Infinity(false);
    LongDecimal a;
    a.point = static_cast<std::int32_t>(point);
    AppendDigits(a, head);
    AppendDigits(a, tail);
    return ToNearestDouble(a);
}

}  // namespace calc
