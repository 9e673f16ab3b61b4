// Unsigned integers wider than 64 bits, in portable 32-bit limbs: the 32-bit
// target has no 128-bit integer type, and every build uses the same code.
#pragma once

#include <cstdint>

namespace calc::wide {

struct Uint128 {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
};

struct WideQuotient {
    std::uint64_t quotient = 0;
    std::uint64_t remainder = 0;
};

// The full 128-bit product a * b.
Uint128 MultiplyWide(std::uint64_t a, std::uint64_t b);

// Quotient and remainder of dividend / divisor. Requires
// dividend.high < divisor (so that the quotient fits in 64 bits, which also
// rules out a zero divisor).
WideQuotient DivideWide(Uint128 dividend, std::uint64_t divisor);

// value / 2^shift rounded down, 0 <= shift.
inline Uint128 ShiftRight(Uint128 value, int shift) {
    if (shift >= 128) return {};
    if (shift >= 64) return {0, value.high >> (shift - 64)};
    if (shift == 0) return value;
    return {value.high >> shift, (value.low >> shift) | (value.high << (64 - shift))};
}

// Whether any of the lowest `bits` bits of value is set, 0 <= bits.
inline bool LowBitsSet(Uint128 value, int bits) {
    if (bits >= 128) return (value.high | value.low) != 0;
    if (bits >= 64) {
        return value.low != 0 || (value.high & ((std::uint64_t{1} << (bits - 64)) - 1)) != 0;
    }
    return (value.low & ((std::uint64_t{1} << bits) - 1)) != 0;
}

// value / 2^shift rounded to the nearest integer, ties to even; any
// shift >= 0 (from 129 on the result is 0). Inline: the rounding of every
// extended operation passes here, mostly with a constant shift.
inline Uint128 ShiftRightRounded(Uint128 value, int shift) {
    if (shift == 0) return value;
    // Up when the dropped part is more than half, or exactly half and the
    // kept part is odd: the bit below the cut (half) and the ones below it.
    const Uint128 kept = ShiftRight(value, shift);
    const bool half = (ShiftRight(value, shift - 1).low & 1) != 0;
    const bool up = half && (LowBitsSet(value, shift - 1) || (kept.low & 1) != 0);
    if (!up) return kept;
    const std::uint64_t low = kept.low + 1;
    return {kept.high + (low == 0 ? 1u : 0u), low};
}

}  // namespace calc::wide
