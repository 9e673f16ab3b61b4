// The 80-bit extended format (64-bit significand with explicit integer bit,
// 15-bit exponent, round to nearest even), carried in software so that the
// results are the same on every compiler and processor, whatever the
// precision control of an x87 unit says. Only what the drag formulas need:
// exact widening from a double, multiplication, division and correctly
// rounded narrowing back to a double. No floating-point arithmetic is used:
// doubles are only taken apart and put together bit by bit.
#pragma once

#include <cstdint>

namespace calc {

struct Extended {
    enum class Kind : std::uint8_t { Zero, Finite, Infinity, NaN };
    Kind kind = Kind::Zero;
    bool negative = false;
    // For Finite: value = significand * 2^(exponent - 63). A normal value has
    // bit 63 of the significand set and an exponent in -16382..16383; an
    // extended subnormal has exponent -16382 and bit 63 clear. The operations
    // always produce these forms; as operands they also accept a Finite whose
    // significand is not normalised (a zero significand counts as Zero), as
    // long as its exponent lies in -16382..16383.
    std::int32_t exponent = 0;
    std::uint64_t significand = 0;
};

// Exact: every double is an extended value (double subnormals come out
// normalised). A NaN keeps its sign and loses its payload.
Extended ToExtended(double x);

// Correctly rounded (to nearest, ties to even) at the extended precision and
// range: too large gives infinity, too small an extended subnormal or zero.
// inf * 0 and 0 * inf are NaN, as are 0 / 0 and inf / inf; x / 0 is infinity
// for a nonzero x, and finite / inf is zero. Signs follow the IEEE rules. A
// NaN operand gives a NaN of that operand's sign; an invalid operation gives
// the negative NaN that x86 processors produce.
Extended Multiply(Extended a, Extended b);
Extended Divide(Extended a, Extended b);

// Correctly rounded (to nearest, ties to even) to a double, double
// subnormals included; too large gives infinity of the same sign, zero keeps
// its sign and a NaN becomes a quiet NaN of its sign.
double ToDouble(Extended x);

}  // namespace calc
