// "%f" by integer arithmetic: x = m * 2^e exactly, so x * 10^6 rounded half
// to even is an integer, printed with a point before its last six digits.
#include "calc/fixed_format.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace calc {
namespace {

constexpr std::uint64_t kMillion = 1'000'000;
constexpr std::uint32_t kBillion = 1'000'000'000;
constexpr int kDecimals = 6;
// Digits of round(x * 10^6) < 2^1044 < 10^315 in chunks of nine, with room
// for the leading zeros of the chunks.
constexpr std::size_t kDigitBufferSize = 40 * 9;

// Non-negative integer of little-endian 32-bit limbs, large enough for
// (2^53 - 1) * 2^971 * 10^6 < 2^1044.
struct BigInteger {
    std::array<std::uint32_t, 34> limbs{};
    std::size_t size = 0;  // limbs in use; the top one is non-zero
};

BigInteger FromU64(std::uint64_t hi, std::uint64_t lo) {
    BigInteger n;
    n.limbs = {static_cast<std::uint32_t>(lo), static_cast<std::uint32_t>(lo >> 32),
               static_cast<std::uint32_t>(hi), static_cast<std::uint32_t>(hi >> 32)};
    n.size = 4;
    while (n.size > 0 && n.limbs[n.size - 1] == 0) {
        --n.size;
    }
    return n;
}

BigInteger ShiftLeft(const BigInteger& n, unsigned shift) {
    BigInteger r;
    if (n.size == 0) {
        return r;
    }
    const std::size_t whole = shift / 32;
    const unsigned bits = shift % 32;
    for (std::size_t i = 0; i < n.size; ++i) {
        const std::uint64_t wide = std::uint64_t{n.limbs[i]} << bits;
        r.limbs[i + whole] |= static_cast<std::uint32_t>(wide);
        r.limbs[i + whole + 1] = static_cast<std::uint32_t>(wide >> 32);
    }
    r.size = n.size + whole + 1;
    while (r.limbs[r.size - 1] == 0) {
        --r.size;
    }
    return r;
}

// Divides n by 10^9 in place and returns the remainder.
std::uint32_t DivideByBillion(BigInteger& n) {
    std::uint64_t rest = 0;
    for (std::size_t i = n.size; i-- > 0;) {
        const std::uint64_t t = (rest << 32) | n.limbs[i];
        n.limbs[i] = static_cast<std::uint32_t>(t / kBillion);
        rest = t % kBillion;
    }
    while (n.size > 0 && n.limbs[n.size - 1] == 0) {
        --n.size;
    }
    return static_cast<std::uint32_t>(rest);
}

struct U128 {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

// m * 10^6 for m < 2^53, below 2^73.
U128 TimesMillion(std::uint64_t m) {
    const std::uint64_t low = (m & 0xFFFF'FFFFu) * kMillion;
    const std::uint64_t high = (m >> 32) * kMillion;  // below 2^41
    const std::uint64_t lo = low + (high << 32);
    return {(high >> 32) + (lo < low ? 1u : 0u), lo};
}

// v / 2^shift rounded half to even, 0 < shift.
U128 ShiftRightRounded(U128 v, unsigned shift) {
    if (shift > 127) {
        return {};  // v < 2^73, below half of 2^shift
    }
    U128 q;
    U128 rest;
    if (shift >= 64) {
        q = {0, v.hi >> (shift - 64)};
        rest = {v.hi & ((std::uint64_t{1} << (shift - 64)) - 1), v.lo};
    } else {
        q = {v.hi >> shift, (v.lo >> shift) | (v.hi << (64 - shift))};
        rest = {0, v.lo & ((std::uint64_t{1} << shift) - 1)};
    }
    // Compare rest with half = 2^(shift - 1).
    const unsigned halfBit = shift - 1;
    const U128 half = halfBit >= 64 ? U128{std::uint64_t{1} << (halfBit - 64), 0}
                                    : U128{0, std::uint64_t{1} << halfBit};
    const bool above = rest.hi != half.hi ? rest.hi > half.hi : rest.lo > half.lo;
    const bool equal = rest.hi == half.hi && rest.lo == half.lo;
    if (above || (equal && (q.lo & 1u) != 0)) {
        if (++q.lo == 0) {
            ++q.hi;
        }
    }
    return q;
}

// Writes the nine decimal digits of chunk (below 10^9) just before p.
char* WriteChunk(std::uint32_t chunk, char* p) {
    for (int i = 0; i < 9; ++i) {
        *--p = static_cast<char>('0' + chunk % 10);
        chunk /= 10;
    }
    return p;
}

// Writes the decimal digits of n, with up to eight leading zeros, ending
// just before `end`; returns the first one.
char* WriteDigits(std::uint64_t n, char* end) {
    char* p = end;
    while (n >= kBillion) {
        p = WriteChunk(static_cast<std::uint32_t>(n % kBillion), p);
        n /= kBillion;
    }
    return WriteChunk(static_cast<std::uint32_t>(n), p);
}

char* WriteDigits(BigInteger n, char* end) {
    char* p = end;
    while (n.size > 2) {
        p = WriteChunk(DivideByBillion(n), p);
    }
    const std::uint64_t rest =
        (n.size > 0 ? n.limbs[0] : 0u) | (n.size > 1 ? std::uint64_t{n.limbs[1]} << 32 : 0u);
    return WriteDigits(rest, p);
}

std::size_t WriteText(std::string_view text, FixedText& out) {
    std::size_t length = 0;
    for (const char c : text) {
        out[length++] = c;
    }
    out[length] = '\0';
    return length;
}

}  // namespace

std::size_t FormatFixed(double x, FixedText& out) {
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const bool negative = (bits >> 63) != 0;
    const auto biased = static_cast<unsigned>((bits >> 52) & 0x7FFu);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0x7FF) {
        return WriteText(fraction != 0 ? "nan" : negative ? "-inf" : "inf", out);
    }
    // x = m * 2^e; subnormals share the exponent of the smallest normal.
    const std::uint64_t m = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int e = biased == 0 ? -1074 : static_cast<int>(biased) - 1075;

    // The digits of round(x * 10^6), right-aligned in a scratch buffer.
    std::array<char, kDigitBufferSize> digits;
    char* const end = digits.data() + digits.size();
    const char* first = nullptr;
    const U128 scaled = TimesMillion(m);
    if (e >= 0) {
        first =
            WriteDigits(ShiftLeft(FromU64(scaled.hi, scaled.lo), static_cast<unsigned>(e)), end);
    } else {
        const U128 q = ShiftRightRounded(scaled, static_cast<unsigned>(-e));
        first = q.hi == 0 ? WriteDigits(q.lo, end) : WriteDigits(FromU64(q.hi, q.lo), end);
    }
    // Leading zeros dropped down to the one before the point.
    while (end - first > kDecimals + 1 && *first == '0') {
        ++first;
    }
    const auto count = static_cast<std::size_t>(end - first);

    std::size_t length = 0;
    if (negative) {
        out[length++] = '-';
    }
    for (std::size_t i = 0; i < count - kDecimals; ++i) {
        out[length++] = first[i];
    }
    out[length++] = '.';
    for (std::size_t i = count - kDecimals; i < count; ++i) {
        out[length++] = first[i];
    }
    out[length] = '\0';
    return length;
}

}  // namespace calc
