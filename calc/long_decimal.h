// A decimal of up to 800 significant digits that is scaled by powers of two
// exactly, digit by digit: the reader scales a number's digits until their
// integer part is a double's significand, and the formatter scales a double's
// significand until its integer part holds the digits to print. Any double is
// such a decimal exactly (at most 767 significant digits), and so is every
// value halfway between two doubles.
//
// This is the "simple decimal conversion" of Go's strconv package (its
// decimal type, the slow path of ParseFloat), which Nigel Tao described
// under that name: the digits live in a buffer with a decimal point, a shift
// by 2^k multiplies or divides them by long multiplication or division, and
// the number of digits a left shift adds is read off the digits of 5^k. It
// needs no big-integer arithmetic and no tables of powers of ten, and it is
// exact as long as the buffer holds the digits that decide the rounding.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace calc {

// ScaleUp and ScaleDown carry digit * 2^step plus a carry, below 10 * 2^step,
// in the host's word: 32 bits on a 32-bit target, which has no 64-bit divide
// instruction and would call a library routine for every digit.
using ScaleWord = std::conditional_t<sizeof(void*) >= 8, std::uint64_t, std::uint32_t>;
inline constexpr int kMaxScaleStep = sizeof(ScaleWord) == 8 ? 60 : 28;

// value = 0.d[0]d[1]...d[count - 1] x 10^point, with d[0] != 0 (count 0 is
// zero). `truncated` remembers that non-zero digits
// were dropped after the last one kept.
struct LongDecimal {
    static constexpr int kCapacity = 800;
    int count = 0;
    std::int32_t point = 0;
    bool truncated = false;
    // Only the first `count` digits carry meaning; the rest is left
    // uninitialised, as filling 800 bytes would cost more than a short
    // number's whole conversion.
    std::array<std::uint8_t, kCapacity> d;
};

// Appends the digits ('0'..'9'; the first non-zero unless a is) while there
// is room; the rest only sets `truncated` when one of them is non-zero.
void AppendDigits(LongDecimal& a, std::string_view digits);

// a *= 2^shift and a /= 2^shift, 1 <= shift <= kMaxScaleStep.
void ScaleUp(LongDecimal& a, int shift);
void ScaleDown(LongDecimal& a, int shift);

// a scaled to an integer, rounded to nearest, ties to even; the dropped
// digits and `truncated` decide the rounding.
void RoundToInteger(LongDecimal& a);

}  // namespace calc
