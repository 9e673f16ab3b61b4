// "%f" rendering of a double, exact and identical on every build.
#pragma once

#include <array>
#include <cstddef>

namespace calc {

// Room for the longest text: a sign, the 309 integer digits of the largest
// double, the point, six decimals and the terminator.
inline constexpr std::size_t kFixedTextCapacity = 318;
using FixedText = std::array<char, kFixedTextCapacity>;

// Writes x as printf's "%f" would in the C locale: every integer digit, a
// '.', exactly six decimals from the exact binary value, exact ties rounded
// to even; "inf" for infinity and "nan" for any NaN (never "-nan"), "-" only
// before a negative finite value or -inf. Returns the length without the
// terminator. Uses no floating-point arithmetic, so the result does not
// depend on the processor's precision or rounding settings.
std::size_t FormatFixed(double x, FixedText& out);

}  // namespace calc
