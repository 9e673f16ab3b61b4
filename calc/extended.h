// The 80-bit extended format (64-bit significand with explicit integer bit,
// 15-bit exponent, round to nearest even), carried in software so that the
// results are the same on every compiler and processor, whatever the
// precision control of an x87 unit says. Only what the drag formulas need:
// exact widening from a double, multiplication, division and correctly
// rounded narrowing back to a double.
#pragma once

#include <cstdint>

namespace calc {

struct Extended {
    enum class Kind : std::uint8_t { Zero, Finite, Infinity, NaN };
    Kind kind = Kind::Zero;
    bool negative = false;
    // For Finite: value = significand * 2^(exponent - 63). A normal value has
    // bit 63 of the significand set; an extended subnormal has exponent
    // -16382 and bit 63 clear.
    std::int32_t exponent = 0;
    std::uint64_t significand = 0;
};

Extended ToExtended(double x);
Extended Multiply(Extended a, Extended b);
Extended Divide(Extended a, Extended b);
double ToDouble(Extended x);

}  // namespace calc
