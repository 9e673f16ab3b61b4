#include "calc/wide.h"

#include <bit>
#include <cstdint>

namespace calc::wide {

namespace {

constexpr std::uint64_t kLow32 = 0xFFFF'FFFFu;

struct QuotientDigit {
    std::uint64_t digit = 0;
    std::uint64_t remainder = 0;
};

// One base-2^32 digit of (u:next) / v, where u < v, v has its top bit set and
// next < 2^32: estimated from the leading digits, then corrected until
// digit * v <= u:next. The multiplication in the test is evaluated only when
// digit < 2^32, and rhat * 2^32 only while rhat < 2^32: no overflow. The
// remainder is below v, so it is exact modulo 2^64.
QuotientDigit NextQuotientDigit(std::uint64_t u, std::uint64_t next, std::uint64_t v) {
    constexpr std::uint64_t kBase = std::uint64_t{1} << 32;
    const std::uint64_t v1 = v >> 32;
    const std::uint64_t v0 = v & kLow32;
    std::uint64_t digit = u / v1;
    std::uint64_t rhat = u - digit * v1;
    while (digit >= kBase || digit * v0 > ((rhat << 32) | next)) {
        --digit;
        rhat += v1;
        if (rhat >= kBase) break;
    }
    return {digit, (u << 32) + next - digit * v};
}

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
    const int shift = std::countl_zero(divisor);
    const std::uint64_t v = divisor << shift;
    // u32:u1:u0 is the shifted dividend; u32 < v since dividend.high < divisor.
    const std::uint64_t u32 =
        shift == 0 ? dividend.high : (dividend.high << shift) | (dividend.low >> (64 - shift));
    const std::uint64_t u10 = dividend.low << shift;
    const QuotientDigit upper = NextQuotientDigit(u32, u10 >> 32, v);
    const QuotientDigit lower = NextQuotientDigit(upper.remainder, u10 & kLow32, v);
    return {(upper.digit << 32) + lower.digit, lower.remainder >> shift};
}

}  // namespace calc::wide
