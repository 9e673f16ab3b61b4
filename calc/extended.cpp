#include "calc/extended.h"

#include <bit>
#include <cstdint>

#include "calc/binary64.h"
#include "calc/wide.h"

namespace calc {

namespace {

using Kind = Extended::Kind;
using wide::Uint128;
using wide::WideQuotient;

// A binary floating-point format with a hidden or explicit leading bit: the
// number of significand bits and the exponent range of its normal values.
struct Format {
    int precision;
    std::int32_t minExponent;
    std::int32_t maxExponent;
};

constexpr Format kExtendedFormat{64, -16382, 16383};
constexpr Format kDoubleFormat{53, -1022, 1023};

constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;

constexpr Extended Special(Kind kind, bool negative) {
    return {kind, negative, 0, 0};
}

// The result of an invalid operation (inf * 0, 0 / 0, inf / inf): x86
// processors give the quiet NaN with the sign bit set.
constexpr Extended kInvalid = Special(Kind::NaN, true);

// A NaN operand gives a NaN of that operand's sign, the first one's when
// both are.
Extended FirstNaN(const Extended& a, const Extended& b) {
    return Special(Kind::NaN, a.kind == Kind::NaN ? a.negative : b.negative);
}

bool IsZero(const Extended& x) {
    return x.kind == Kind::Zero || (x.kind == Kind::Finite && x.significand == 0);
}

// Whether both operands are finite and nonzero, the usual case, tested
// without a branch for each condition.
bool BothNonzeroFinite(const Extended& a, const Extended& b) {
    return ((a.kind == Kind::Finite) & (b.kind == Kind::Finite) & (a.significand != 0) &
            (b.significand != 0)) != 0;
}

// A nonzero finite value with its significand shifted so that bit 63 is set:
// value = significand * 2^(exponent - 63), exponent possibly below the
// extended range.
struct Normalised {
    std::int32_t exponent;
    std::uint64_t significand;
};

Normalised Normalise(const Extended& x) {
    // Normal values, the usual case, need no bit scan.
    if ((x.significand & kTopBit) != 0) return {x.exponent, x.significand};
    const int shift = std::countl_zero(x.significand);
    return {x.exponent - shift, x.significand << shift};
}

// The one rounding step of every operation. Rounds
//   (-1)^negative * (significand + extra / 2^64) * 2^(exponent - 63),
// with bit 63 of the significand set, to the nearest value of `format`, ties
// to even. The result is an Extended whose value the format represents: its
// significand has the low 64 - precision bits clear. Values beyond the
// largest finite one become infinity; values below the normal range lose one
// more bit per binade under the smallest normal exponent (tininess is judged
// on the unrounded exponent, as x87 does; no flags are kept, so that choice
// only decides which path a value just under the smallest normal takes, not
// the value) and become zero when nothing is left.
template <Format format>
Extended RoundPack(bool negative, std::int32_t exponent, std::uint64_t significand,
                   std::uint64_t extra) {
    // Invariant: the unrounded value lies in [2^exponent, 2^(exponent + 1)).
    if (exponent > format.maxExponent) return Special(Kind::Infinity, negative);
    constexpr int spare = 64 - format.precision;
    const std::int32_t lost = exponent < format.minExponent ? format.minExponent - exponent : 0;
    // kept < 2^precision before rounding, and shifting it back wraps to 0
    // exactly when rounding carried out of the top bit.
    const int shift = lost < 128 ? 64 + spare + static_cast<int>(lost) : 256;
    const std::uint64_t rounded = wide::ShiftRightRounded({significand, extra}, shift).low << spare;
    if (lost > 0) {
        // kept <= 2^(precision - 1) after rounding, so bit 63 ends up set only
        // when the value rounded up to the smallest normal, whose exponent is
        // the same; nothing left means zero.
        if (rounded == 0) return Special(Kind::Zero, negative);
        return {Kind::Finite, negative, format.minExponent, rounded};
    }
    if (rounded == 0) {
        // The value rounded up to 2^(exponent + 1).
        if (exponent == format.maxExponent) return Special(Kind::Infinity, negative);
        return {Kind::Finite, negative, exponent + 1, kTopBit};
    }
    return {Kind::Finite, negative, exponent, rounded};
}

// Multiply and Divide for operands that are not both finite and nonzero.
Extended SpecialProduct(const Extended& a, const Extended& b) {
    if (a.kind == Kind::NaN || b.kind == Kind::NaN) return FirstNaN(a, b);
    const bool negative = a.negative != b.negative;
    const bool zero = IsZero(a) || IsZero(b);
    if (a.kind == Kind::Infinity || b.kind == Kind::Infinity) {
        return zero ? kInvalid : Special(Kind::Infinity, negative);
    }
    return Special(Kind::Zero, negative);  // a zero times a finite value
}

Extended SpecialQuotient(const Extended& a, const Extended& b) {
    if (a.kind == Kind::NaN || b.kind == Kind::NaN) return FirstNaN(a, b);
    const bool negative = a.negative != b.negative;
    if (a.kind == Kind::Infinity) {
        return b.kind == Kind::Infinity ? kInvalid : Special(Kind::Infinity, negative);
    }
    if (b.kind == Kind::Infinity) return Special(Kind::Zero, negative);
    if (IsZero(b)) return IsZero(a) ? kInvalid : Special(Kind::Infinity, negative);
    return Special(Kind::Zero, negative);  // a zero divided by a finite value
}

}  // namespace

Extended ToExtended(double x) {
    const binary64::Parts parts = binary64::TakeApart(x);
    if (parts.kind == binary64::Parts::Kind::Infinity)
        return Special(Kind::Infinity, parts.negative);
    if (parts.kind == binary64::Parts::Kind::NaN) return Special(Kind::NaN, parts.negative);
    if (parts.significand == 0) return Special(Kind::Zero, parts.negative);
    // The significand moved up to bit 63 (double subnormals come out
    // normalised).
    const int shift = std::countl_zero(parts.significand);
    return {Kind::Finite, parts.negative, parts.exponent + 63 - shift, parts.significand << shift};
}

Extended Multiply(Extended a, Extended b) {
    if (!BothNonzeroFinite(a, b)) [[unlikely]]
        return SpecialProduct(a, b);
    // Both finite and nonzero. With both significands in [2^63, 2^64) the
    // product lies in [2^126, 2^128).
    const Normalised x = Normalise(a);
    const Normalised y = Normalise(b);
    // Shift it up by one when its top bit is clear (without a branch: that
    // bit is as good as random).
    const Uint128 product = wide::MultiplyWide(x.significand, y.significand);
    const std::uint64_t up = (product.high >> 63) ^ 1;
    const std::uint64_t high = (product.high << up) | ((product.low >> 63) & up);
    const std::uint64_t low = product.low << up;
    const std::int32_t exponent = x.exponent + y.exponent + 1 - static_cast<std::int32_t>(up);
    // Invariant: value = (high + low / 2^64) * 2^(exponent - 63), high >= 2^63.
    return RoundPack<kExtendedFormat>(a.negative != b.negative, exponent, high, low);
}

Extended Divide(Extended a, Extended b) {
    if (!BothNonzeroFinite(a, b)) [[unlikely]]
        return SpecialQuotient(a, b);
    const bool negative = a.negative != b.negative;
    // Both finite and nonzero: the ratio of the significands lies in
    // (1/2, 2). Scale the dividend by 2^64 when it is the smaller, else by
    // 2^63, so that the 64-bit integer quotient lands in [2^63, 2^64); the
    // high word of the dividend stays below the divisor. (Branch-free: the
    // comparison is as good as random.)
    const Normalised x = Normalise(a);
    const Normalised y = Normalise(b);
    const std::uint64_t smaller = x.significand < y.significand ? 1 : 0;
    const Uint128 dividend{x.significand >> (1 - smaller), (x.significand << 63) & (smaller - 1)};
    const std::int32_t exponent = x.exponent - y.exponent - static_cast<std::int32_t>(smaller);
    const WideQuotient q = wide::DivideWide(dividend, y.significand);
    // The exact quotient is q.quotient + remainder / divisor. Rounding needs
    // only how that fraction compares with 1/2, so encode it as an extra word
    // with the same round and sticky bits: 2 * remainder against the divisor,
    // compared as remainder against divisor - remainder to stay in 64 bits.
    // (An exact half cannot occur here, but costs nothing to get right.)
    const std::uint64_t r = q.remainder;
    const std::uint64_t rest = y.significand - r;
    const std::uint64_t extra = (static_cast<std::uint64_t>((r >= rest) & (r != 0)) << 63) |
                                static_cast<std::uint64_t>((r != 0) & (r != rest));
    // Invariant: value = (quotient + extra / 2^64) * 2^(exponent - 63) as far
    // as rounding can tell, quotient >= 2^63.
    return RoundPack<kExtendedFormat>(negative, exponent, q.quotient, extra);
}

double ToDouble(Extended x) {
    if (x.kind == Kind::NaN) return binary64::QuietNaN(x.negative);
    if (x.kind == Kind::Infinity) return binary64::Infinity(x.negative);
    if (IsZero(x)) return binary64::PutTogether(x.negative, 0, binary64::kMinExponent);
    const Normalised n = Normalise(x);
    const Extended r = RoundPack<kDoubleFormat>(x.negative, n.exponent, n.significand, 0);
    if (r.kind == Kind::Infinity) return binary64::Infinity(x.negative);
    if (r.kind == Kind::Zero) return binary64::PutTogether(x.negative, 0, binary64::kMinExponent);
    // r is a double value: the low 11 bits of its significand are clear, and
    // a double subnormal has exponent -1022 with bit 63 clear.
    return binary64::PutTogether(x.negative, r.significand >> 11, r.exponent - 52);
}

}  // namespace calc
