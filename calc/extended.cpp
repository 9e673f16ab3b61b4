#include "calc/extended.h"

#include <bit>
#include <cstdint>

namespace calc {

namespace limb32 {

namespace {
constexpr std::uint64_t kLow32 = 0xFFFF'FFFFu;
}  // namespace

Uint128 MultiplyWide(std::uint64_t a, std::uint64_t b) {
    // Schoolbook multiplication in base 2^32: a = a1:a0, b = b1:b0. Every
    // partial product of two 32-bit digits fits in 64 bits.
    const std::uint64_t a0 = a & kLow32;
    const std::uint64_t a1 = a >> 32;
    const std::uint64_t b0 = b & kLow32;
    const std::uint64_t b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0;
    const std::uint64_t p01 = a0 * b1;
    const std::uint64_t p10 = a1 * b0;
    const std::uint64_t p11 = a1 * b1;
    // The column of weight 2^32: three terms below 2^32 each, so no overflow;
    // its upper half is the carry into the high word.
    const std::uint64_t middle = (p00 >> 32) + (p01 & kLow32) + (p10 & kLow32);
    return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & kLow32)};
}

WideQuotient DivideWide(Uint128 dividend, std::uint64_t divisor) {
    // Long division of a four-digit dividend by a two-digit divisor in base
    // 2^32 (Knuth's algorithm D). Shifting both so that the divisor's top bit
    // is set makes each estimated quotient digit at most 2 too large.
    constexpr std::uint64_t kBase = std::uint64_t{1} << 32;
    const int shift = std::countl_zero(divisor);
    const std::uint64_t v = divisor << shift;
    const std::uint64_t v1 = v >> 32;
    const std::uint64_t v0 = v & kLow32;
    // u32:u1:u0 is the shifted dividend; u32 < v since dividend.high < divisor.
    const std::uint64_t u32 =
        shift == 0 ? dividend.high : (dividend.high << shift) | (dividend.low >> (64 - shift));
    const std::uint64_t u10 = dividend.low << shift;
    const std::uint64_t u1 = u10 >> 32;
    const std::uint64_t u0 = u10 & kLow32;

    // Upper quotient digit: estimate from the leading digits, then correct
    // until q1 * v <= u32:u1. The multiplication in the test is evaluated only
    // when q1 < 2^32, and rhat * 2^32 only while rhat < 2^32: no overflow.
    std::uint64_t q1 = u32 / v1;
    std::uint64_t rhat = u32 - q1 * v1;
    while (q1 >= kBase || q1 * v0 > ((rhat << 32) | u1)) {
        --q1;
        rhat += v1;
        if (rhat >= kBase) break;
    }
    // The partial remainder u32:u1 - q1 * v is below v, so it is exact modulo
    // 2^64.
    const std::uint64_t u21 = (u32 << 32) + u1 - q1 * v;

    // Lower quotient digit, the same way.
    std::uint64_t q0 = u21 / v1;
    rhat = u21 - q0 * v1;
    while (q0 >= kBase || q0 * v0 > ((rhat << 32) | u0)) {
        --q0;
        rhat += v1;
        if (rhat >= kBase) break;
    }
    const std::uint64_t shiftedRemainder = (u21 << 32) + u0 - q0 * v;
    return {(q1 << 32) + q0, shiftedRemainder >> shift};
}

}  // namespace limb32

namespace {

using Kind = Extended::Kind;
using limb32::Uint128;
using limb32::WideQuotient;

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 NativeUint128;
#endif

// The hot-path wide operations: the compiler's 128-bit integers where it has
// them, the portable limb versions otherwise.
Uint128 Multiply64(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    const NativeUint128 product = NativeUint128{a} * b;
    return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
#else
    return limb32::MultiplyWide(a, b);
#endif
}

// Requires dividend.high < divisor.
WideQuotient Divide128(Uint128 dividend, std::uint64_t divisor) {
#if defined(__SIZEOF_INT128__)
    const NativeUint128 wide = (NativeUint128{dividend.high} << 64) | dividend.low;
    const auto quotient = static_cast<std::uint64_t>(wide / divisor);
    // The remainder is below the divisor, so it is exact modulo 2^64.
    return {quotient, dividend.low - quotient * divisor};
#else
    return limb32::DivideWide(dividend, divisor);
#endif
}

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

// The significand cut at a bit position: what stays above it and what the
// part below says for rounding (its top bit, and whether anything below that
// is nonzero).
struct Split {
    std::uint64_t kept;
    bool roundBit;
    bool sticky;
};

// Cuts significand + extra / 2^64 after dropping `shift` (>= 0) bits of the
// significand; the extra word always lies below the cut.
Split SplitAt(std::uint64_t significand, std::uint64_t extra, std::int32_t shift) {
    if (shift == 0) return {significand, (extra & kTopBit) != 0, (extra << 1) != 0};
    if (shift < 64) {
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        return {significand >> shift, (significand & half) != 0,
                ((significand & (half - 1)) | extra) != 0};
    }
    if (shift == 64) {
        return {0, (significand & kTopBit) != 0, ((significand << 1) | extra) != 0};
    }
    return {0, false, (significand | extra) != 0};
}

// Round to nearest, ties to even: up when the dropped part is more than half
// an ulp, or exactly half and the kept part is odd. 1 to round up, else 0.
std::uint64_t RoundUp(const Split& split) {
    return static_cast<std::uint64_t>(split.roundBit & (split.sticky | ((split.kept & 1) != 0)));
}

// Rounding below the normal range, where one more bit is lost per binade
// under the smallest normal exponent: the rare, out-of-line part of
// RoundPack. kept <= 2^(precision - 1) after rounding, so bit 63 ends up set
// only when the value rounded up to the smallest normal, whose exponent is
// the same; nothing left means zero.
template <Format format>
[[gnu::noinline]] Extended RoundSubnormal(bool negative, std::int32_t exponent,
                                          std::uint64_t significand, std::uint64_t extra) {
    constexpr int spare = 64 - format.precision;
    const Split split = SplitAt(significand, extra, spare + (format.minExponent - exponent));
    const std::uint64_t rounded = (split.kept + RoundUp(split)) << spare;
    if (rounded == 0) return Special(Kind::Zero, negative);
    return {Kind::Finite, negative, format.minExponent, rounded};
}

// The one rounding step of every operation. Rounds
//   (-1)^negative * (significand + extra / 2^64) * 2^(exponent - 63),
// with bit 63 of the significand set, to the nearest value of `format`, ties
// to even. The result is an Extended whose value the format represents: its
// significand has the low 64 - precision bits clear. Values beyond the
// largest finite one become infinity; values below the normal range are
// rounded at the subnormal position (tininess is judged on the unrounded
// exponent, as x87 does; no flags are kept, so that choice only decides which
// path a value just under the smallest normal takes, not the value) and
// become zero when nothing is left.
template <Format format>
[[gnu::always_inline]] inline Extended RoundPack(bool negative, std::int32_t exponent,
                                                 std::uint64_t significand, std::uint64_t extra) {
    // Invariant: the unrounded value lies in [2^exponent, 2^(exponent + 1)).
    if (exponent > format.maxExponent) [[unlikely]] {
        return Special(Kind::Infinity, negative);
    }
    if (exponent < format.minExponent) [[unlikely]] {
        return RoundSubnormal<format>(negative, exponent, significand, extra);
    }
    // Normal range: drop the low bits the format lacks. kept < 2^precision,
    // and shifting it back wraps to 0 exactly when rounding carried out of
    // the top bit.
    constexpr int spare = 64 - format.precision;
    const Split split = SplitAt(significand, extra, spare);
    std::uint64_t rounded = (split.kept + RoundUp(split)) << spare;
    if (rounded == 0) [[unlikely]] {
        // The value rounded up to 2^(exponent + 1).
        rounded = kTopBit;
        ++exponent;
        if (exponent > format.maxExponent) return Special(Kind::Infinity, negative);
    }
    return {Kind::Finite, negative, exponent, rounded};
}

// Bits of a double.
constexpr std::uint64_t kDoubleSign = kTopBit;
constexpr std::uint64_t kDoubleFraction = (std::uint64_t{1} << 52) - 1;
constexpr std::uint64_t kDoubleInfinity = std::uint64_t{0x7FF} << 52;
constexpr std::uint64_t kDoubleQuietNaN = kDoubleInfinity | (std::uint64_t{1} << 51);
constexpr std::int32_t kDoubleBias = 1023;

}  // namespace

Extended ToExtended(double x) {
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const bool negative = (bits & kDoubleSign) != 0;
    const auto biased = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & kDoubleFraction;
    if (biased == 0x7FF) return Special(fraction == 0 ? Kind::Infinity : Kind::NaN, negative);
    if (biased == 0) {
        if (fraction == 0) return Special(Kind::Zero, negative);
        // Double subnormal: fraction * 2^-1074, shifted up to bit 63.
        const int shift = std::countl_zero(fraction);
        return {Kind::Finite, negative, -1011 - shift, fraction << shift};
    }
    // Normal: the hidden bit made explicit, the 53 bits moved to the top.
    return {Kind::Finite, negative, biased - kDoubleBias,
            ((std::uint64_t{1} << 52) | fraction) << 11};
}

Extended Multiply(Extended a, Extended b) {
    const bool negative = a.negative != b.negative;
    if (!BothNonzeroFinite(a, b)) [[unlikely]] {
        if (a.kind == Kind::NaN) return Special(Kind::NaN, a.negative);
        if (b.kind == Kind::NaN) return Special(Kind::NaN, b.negative);
        const bool zero = IsZero(a) || IsZero(b);
        if (a.kind == Kind::Infinity || b.kind == Kind::Infinity) {
            return zero ? kInvalid : Special(Kind::Infinity, negative);
        }
        return Special(Kind::Zero, negative);  // a zero times a finite value
    }

    // Both finite and nonzero. With both significands in [2^63, 2^64) the
    // product lies in [2^126, 2^128).
    const Normalised x = Normalise(a);
    const Normalised y = Normalise(b);
    // Shift it up by one when its top bit is clear (without a branch: that
    // bit is as good as random).
    const Uint128 product = Multiply64(x.significand, y.significand);
    const std::uint64_t up = (product.high >> 63) ^ 1;
    const std::uint64_t high = (product.high << up) | ((product.low >> 63) & up);
    const std::uint64_t low = product.low << up;
    const std::int32_t exponent = x.exponent + y.exponent + 1 - static_cast<std::int32_t>(up);
    // Invariant: value = (high + low / 2^64) * 2^(exponent - 63), high >= 2^63.
    return RoundPack<kExtendedFormat>(negative, exponent, high, low);
}

Extended Divide(Extended a, Extended b) {
    const bool negative = a.negative != b.negative;
    if (!BothNonzeroFinite(a, b)) [[unlikely]] {
        if (a.kind == Kind::NaN) return Special(Kind::NaN, a.negative);
        if (b.kind == Kind::NaN) return Special(Kind::NaN, b.negative);
        if (a.kind == Kind::Infinity) {
            return b.kind == Kind::Infinity ? kInvalid : Special(Kind::Infinity, negative);
        }
        if (b.kind == Kind::Infinity) return Special(Kind::Zero, negative);
        if (IsZero(b)) return IsZero(a) ? kInvalid : Special(Kind::Infinity, negative);
        return Special(Kind::Zero, negative);  // a zero divided by a finite value
    }

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
    const WideQuotient q = Divide128(dividend, y.significand);
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
    const std::uint64_t sign = x.negative ? kDoubleSign : 0;
    if (x.kind == Kind::NaN) return std::bit_cast<double>(sign | kDoubleQuietNaN);
    if (x.kind == Kind::Infinity) return std::bit_cast<double>(sign | kDoubleInfinity);
    if (IsZero(x)) return std::bit_cast<double>(sign);

    if ((x.significand & kTopBit) != 0 && x.exponent >= kDoubleFormat.minExponent &&
        x.exponent <= kDoubleFormat.maxExponent) [[likely]] {
        // A normal extended value in the normal double range, the usual case:
        // keep the top 53 bits and round on the low 11 (up when they exceed
        // half, or are exactly half and the kept bits are odd). The kept bits
        // include the leading one, so adding them to the biased exponent less
        // one packs the double; a carry from rounding moves on into the
        // exponent, and from the largest double on to infinity.
        const std::uint64_t kept = x.significand >> 11;
        const std::uint64_t dropped = x.significand & 0x7FF;
        const std::uint64_t roundUp = (dropped + (kept & 1)) > 0x400 ? 1 : 0;
        const auto biasedLessOne = static_cast<std::uint64_t>(x.exponent + kDoubleBias - 1);
        return std::bit_cast<double>(sign | ((biasedLessOne << 52) + kept + roundUp));
    }

    // Everything else (results below or above the double range, extended
    // subnormals) goes through the general rounding.
    const Normalised n = Normalise(x);
    const Extended r = RoundPack<kDoubleFormat>(x.negative, n.exponent, n.significand, 0);
    if (r.kind == Kind::Infinity) return std::bit_cast<double>(sign | kDoubleInfinity);
    if (r.kind == Kind::Zero) return std::bit_cast<double>(sign);
    // r is a double value: its significand's low 11 bits are clear. A normal
    // one has bit 63 set and keeps the bits below it as the stored fraction;
    // a subnormal one has exponent -1022 and is its fraction * 2^-1074.
    const std::uint64_t fraction = r.significand >> 11;
    if ((r.significand & kTopBit) == 0) return std::bit_cast<double>(sign | fraction);
    const auto biased = static_cast<std::uint64_t>(r.exponent + kDoubleBias);
    return std::bit_cast<double>(sign | (biased << 52) | (fraction & kDoubleFraction));
}

}  // namespace calc
