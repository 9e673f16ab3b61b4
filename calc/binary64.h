// A double's bits taken apart and put together, without floating-point
// arithmetic: sign, exponent and significand as integers.
#pragma once

#include <bit>
#include <cstdint>

namespace calc::binary64 {

inline constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
inline constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << 52) - 1;
inline constexpr std::uint64_t kInfinityBits = std::uint64_t{0x7FF} << 52;
// value = significand * 2^exponent: the exponent of subnormals and zero, and
// the largest one of a finite double.
inline constexpr std::int32_t kMinExponent = -1074;
inline constexpr std::int32_t kMaxExponent = 971;

// x = (-1)^negative * significand * 2^exponent when finite; a normal
// significand has bit 52 set, a subnormal one or zero (exponent kMinExponent)
// has not.
struct Parts {
    enum class Kind : std::uint8_t { Finite, Infinity, NaN };
    Kind kind = Kind::Finite;
    bool negative = false;
    std::uint64_t significand = 0;
    std::int32_t exponent = kMinExponent;
};

inline Parts TakeApart(double x) {
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const bool negative = (bits & kSignBit) != 0;
    const auto biased = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & kFractionMask;
    if (biased == 0x7FF) {
        return {fraction == 0 ? Parts::Kind::Infinity : Parts::Kind::NaN, negative, 0, 0};
    }
    if (biased == 0) return {Parts::Kind::Finite, negative, fraction, kMinExponent};
    return {Parts::Kind::Finite, negative, fraction | (std::uint64_t{1} << 52), biased - 1075};
}

inline double Infinity(bool negative) {
    return std::bit_cast<double>((negative ? kSignBit : 0) | kInfinityBits);
}

inline double QuietNaN(bool negative) {
    return std::bit_cast<double>((negative ? kSignBit : 0) | kInfinityBits |
                                 (std::uint64_t{1} << 51));
}

// (-1)^negative * significand * 2^exponent for a rounded significand: from
// 2^52 to 2^53 (2^53 being a rounding carry, moved into the exponent) with
// exponent >= kMinExponent, or below 2^52 with exponent kMinExponent. Beyond
// the largest finite double the result is infinity.
inline double PutTogether(bool negative, std::uint64_t significand, std::int32_t exponent) {
    if ((significand >> 53) != 0) {
        significand >>= 1;
        ++exponent;
    }
    const std::uint64_t sign = negative ? kSignBit : 0;
    if ((significand >> 52) == 0) return std::bit_cast<double>(sign | significand);
    if (exponent > kMaxExponent) return Infinity(negative);
    const auto biased = static_cast<std::uint64_t>(exponent + 1075);
    return std::bit_cast<double>(sign | (biased << 52) | (significand & kFractionMask));
}

}  // namespace calc::binary64
