// Conversion of a decimal number, already cut out of its text, to the
// nearest double. Integer arithmetic only: the result is the same bits on
// every compiler and processor, whatever the floating-point settings.
#pragma once

#include <cstdint>
#include <string_view>

namespace calc {

// An exponent beyond this magnitude makes every number of fewer than
// kDecimalExponentLimit / 2 digits overflow to infinity or vanish to 0, so a
// reader may clamp longer exponents to it without changing the result.
inline constexpr std::int32_t kDecimalExponentLimit = 100'000'000;

// A decimal number  integerDigits . fractionDigits  x 10^exponent. The two
// digit strings hold only '0'..'9' (either may be empty) and together fewer
// than kDecimalExponentLimit / 2 digits; the exponent lies within
// +-kDecimalExponentLimit.
struct DecimalNumber {
    std::string_view integerDigits;
    std::string_view fractionDigits;
    std::int32_t exponent = 0;
};

// The double nearest to the number, ties to even: +inf above the largest
// finite double's rounding range, a subnormal or 0 below the normal range.
// Never negative.
double DecimalToDouble(const DecimalNumber& number);

}  // namespace calc
