// Decimal to double in two stages. A fast stage multiplies the first 19
// significant digits by a 128-bit approximation of the power of ten and keeps
// the result when the error bounds of both factors cannot change the rounding.
// Otherwise a slow stage scales an 800-digit decimal by powers of two until its
// integer part is the 53-bit significand, which decides every case exactly:
// a value halfway between two doubles has at most 767 significant digits, and
// the digits beyond the buffer are remembered as a single "truncated" flag.
#include "calc/decimal.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace calc {
namespace {

constexpr std::uint64_t kInfinityBits = 0x7FF0'0000'0000'0000u;
constexpr std::uint64_t kSignificandMask = (std::uint64_t{1} << 52) - 1;
constexpr int kExponentBias = 1023;
constexpr int kMinNormalExponent = -1022;
constexpr int kMaxExponent = 1023;

// Beyond these decimal exponents (value = 0.d1d2... x 10^dp) the result is
// +inf (10^310 > the largest double) or 0 (10^-330 < half the smallest
// subnormal).
constexpr std::int64_t kMaxDecimalPoint = 310;
constexpr std::int64_t kMinDecimalPoint = -330;

// ---------------------------------------------------------------------------
// Significant digits.

// The significant digits of a number, from its first non-zero digit on,
// split by the decimal point into two runs; value = 0.head tail x 10^point.
struct Significant {
    std::string_view head;
    std::string_view tail;
    std::int64_t point = 0;
};

// The number of '0's at the start of digits, eight at a time where it can.
std::size_t LeadingZeros(std::string_view digits) {
    constexpr std::uint64_t kEightZeros = 0x3030'3030'3030'3030u;
    std::size_t n = 0;
    for (std::uint64_t word = 0; n + 8 <= digits.size(); n += 8) {
        std::memcpy(&word, digits.data() + n, 8);
        if (word != kEightZeros) {
            break;
        }
    }
    while (n < digits.size() && digits[n] == '0') {
        ++n;
    }
    return n;
}

// The digits after the first n (n <= size). Unlike substr, which checks its
// bound and may throw, this only moves the view.
std::string_view DropFront(std::string_view digits, std::size_t n) {
    digits.remove_prefix(n);
    return digits;
}

bool AllZeros(std::string_view digits) {
    return LeadingZeros(digits) == digits.size();
}

// Returns nothing when every digit is zero.
std::optional<Significant> FindSignificant(const DecimalNumber& number) {
    const std::size_t intZeros = LeadingZeros(number.integerDigits);
    if (intZeros < number.integerDigits.size()) {
        const std::string_view head = DropFront(number.integerDigits, intZeros);
        return Significant{head, number.fractionDigits,
                           static_cast<std::int64_t>(head.size()) + number.exponent};
    }
    const std::size_t fracZeros = LeadingZeros(number.fractionDigits);
    if (fracZeros == number.fractionDigits.size()) {
        return std::nullopt;
    }
    return Significant{DropFront(number.fractionDigits, fracZeros),
                       {},
                       number.exponent - static_cast<std::int64_t>(fracZeros)};
}

// ---------------------------------------------------------------------------
// Fixed-width unsigned arithmetic without a 128-bit type (the 32-bit target
// has none).

struct U128 {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

constexpr U128 MultiplyFull(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t a0 = a & 0xFFFF'FFFFu;
    const std::uint64_t a1 = a >> 32;
    const std::uint64_t b0 = b & 0xFFFF'FFFFu;
    const std::uint64_t b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0;
    const std::uint64_t p01 = a0 * b1;
    const std::uint64_t p10 = a1 * b0;
    const std::uint64_t p11 = a1 * b1;
    const std::uint64_t mid = (p00 >> 32) + (p01 & 0xFFFF'FFFFu) + (p10 & 0xFFFF'FFFFu);
    return {p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32), (mid << 32) | (p00 & 0xFFFF'FFFFu)};
}

// Little-endian 64-bit limbs.
using U192 = std::array<std::uint64_t, 3>;

// Adds b to a; returns the carry out of the top limb.
constexpr bool Add(U192& a, const U192& b) {
    bool carry = false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::uint64_t sum = a[i] + b[i];
        const bool c1 = sum < a[i];
        const std::uint64_t total = sum + (carry ? 1u : 0u);
        const bool c2 = total < sum;
        a[i] = total;
        carry = c1 || c2;
    }
    return carry;
}

constexpr U192 Multiply(std::uint64_t a, U128 b) {
    const U128 low = MultiplyFull(a, b.lo);
    const U128 high = MultiplyFull(a, b.hi);
    const std::uint64_t middle = low.hi + high.lo;
    return {low.lo, middle, high.hi + (middle < low.hi ? 1u : 0u)};
}

// ---------------------------------------------------------------------------
// 128-bit approximations of powers of ten, built at compile time.

// Little-endian 32-bit limbs, enough for 2^kReciprocalBits.
constexpr int kReciprocalBits = 1400;
using BigTable = std::array<std::uint32_t, kReciprocalBits / 32 + 2>;

constexpr int BitLength(const BigTable& a) {
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != 0) {
            return static_cast<int>(32 * i + std::bit_width(a[i]));
        }
    }
    return 0;
}

// The 32 bits of a from bit `low` up; bits below bit 0 read as zeros.
constexpr std::uint64_t Bits32(const BigTable& a, int low) {
    if (low < 0) {
        return low > -32 ? (std::uint64_t{a[0]} << -low) & 0xFFFF'FFFFu : 0u;
    }
    const auto i = static_cast<std::size_t>(low / 32);
    const std::uint64_t pair =
        std::uint64_t{a[i]} | (i + 1 < a.size() ? std::uint64_t{a[i + 1]} << 32 : 0u);
    return (pair >> (low % 32)) & 0xFFFF'FFFFu;
}

// The top 128 bits of a, and the power of two that scales them back.
struct PowerOfTen {
    U128 significand;  // top bit set; floor(10^q / 2^binaryExponent)
    int binaryExponent = 0;
};

constexpr PowerOfTen TopBits(const BigTable& a, int exponentOffset) {
    const int low = BitLength(a) - 128;
    PowerOfTen p{};
    p.significand.hi = (Bits32(a, low + 96) << 32) | Bits32(a, low + 64);
    p.significand.lo = (Bits32(a, low + 32) << 32) | Bits32(a, low);
    p.binaryExponent = low + exponentOffset;
    return p;
}

constexpr void MultiplySmall(BigTable& a, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (auto& limb : a) {
        const std::uint64_t t = std::uint64_t{limb} * factor + carry;
        limb = static_cast<std::uint32_t>(t);
        carry = t >> 32;
    }
}

constexpr void DivideSmall(BigTable& a, std::uint32_t divisor) {
    std::uint64_t rest = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        const std::uint64_t t = (rest << 32) | a[i];
        a[i] = static_cast<std::uint32_t>(t / divisor);
        rest = t % divisor;
    }
}

constexpr int kMinPower = -342;
constexpr int kMaxPower = 308;
// 5^55 < 2^128: up to here the table holds 10^q exactly.
constexpr int kMaxExactPower = 55;
using PowerTable = std::array<PowerOfTen, kMaxPower - kMinPower + 1>;

constexpr PowerTable MakePowerTable() {
    PowerTable table{};
    BigTable power{};
    power[0] = 1;
    for (int q = 0; q <= kMaxPower; ++q) {
        table[static_cast<std::size_t>(q - kMinPower)] = TopBits(power, 0);
        MultiplySmall(power, 10);
    }
    // floor(floor(2^n / 10^k) / 10) = floor(2^n / 10^(k+1)), so repeated
    // division keeps every entry truncated, never rounded up.
    BigTable reciprocal{};
    reciprocal[kReciprocalBits / 32] = std::uint32_t{1} << (kReciprocalBits % 32);
    for (int q = -1; q >= kMinPower; --q) {
        DivideSmall(reciprocal, 10);
        table[static_cast<std::size_t>(q - kMinPower)] = TopBits(reciprocal, -kReciprocalBits);
    }
    return table;
}

constexpr PowerTable kPowersOfTen = MakePowerTable();

// ---------------------------------------------------------------------------
// Fast stage.

// The first 19 significant digits as an integer, the decimal exponent that
// scales them, and whether any non-zero digit follows them.
struct Leading {
    std::uint64_t digits = 0;
    std::int64_t exponent = 0;
    bool truncated = false;
};

constexpr int kLeadingDigits = 19;

// Takes digits of a run while fewer than 19 are taken; returns the rest.
std::string_view TakeDigits(std::string_view run, Leading& r, int& taken) {
    std::size_t i = 0;
    for (; i < run.size() && taken < kLeadingDigits; ++i, ++taken) {
        r.digits = r.digits * 10 + static_cast<std::uint64_t>(run[i] - '0');
    }
    return DropFront(run, i);
}

Leading TakeLeading(const Significant& s) {
    Leading r;
    int taken = 0;
    const std::string_view headRest = TakeDigits(s.head, r, taken);
    const std::string_view tailRest = TakeDigits(s.tail, r, taken);
    r.truncated = !AllZeros(headRest) || !AllZeros(tailRest);
    r.exponent = s.point - taken;
    return r;
}

// Normal finite results only; nothing when the bounds leave the rounding
// open or the result may be subnormal or infinite.
std::optional<std::uint64_t> FastBits(const Leading& leading) {
    if (leading.exponent < kMinPower || leading.exponent > kMaxPower) {
        return std::nullopt;
    }
    const PowerOfTen& power = kPowersOfTen[static_cast<std::size_t>(leading.exponent - kMinPower)];
    const bool exactPower = leading.exponent >= 0 && leading.exponent <= kMaxExactPower;

    // The true value lies in [w * p, (w + dw) * (p + dp)] times a power of two,
    // where dw is 0 unless digits were cut off and dp is 0 for an exact power.
    const int normalize = std::countl_zero(leading.digits);
    const std::uint64_t w = leading.digits << normalize;
    const U192 low = Multiply(w, power.significand);
    U192 high = low;
    if (!exactPower && Add(high, U192{w, 0, 0})) {
        return std::nullopt;
    }
    if (leading.truncated) {
        const std::uint64_t dw = std::uint64_t{1} << normalize;
        U192 extra = Multiply(dw, power.significand);
        if ((!exactPower && Add(extra, U192{dw, 0, 0})) || Add(high, extra)) {
            return std::nullopt;
        }
    }

    // Both factors have their top bit set, so low has 191 or 192 bits, and
    // the 53 bits and the rounding bit lie in its top limb.
    const bool top = (low[2] >> 63) != 0;
    if ((high[2] >> 63) != (low[2] >> 63)) {
        return std::nullopt;
    }
    int exponent = (top ? 191 : 190) + power.binaryExponent - normalize;
    if (exponent < kMinNormalExponent || exponent > kMaxExponent) {
        return std::nullopt;
    }
    const int dropped = top ? 10 : 9;  // bits of the top limb below the rounding bit
    const std::uint64_t withRoundingBit = low[2] >> dropped;
    std::uint64_t significand = (withRoundingBit + 1) >> 1;  // half up
    if (exactPower && !leading.truncated) {
        // low is the value itself: an exact tie goes to even.
        const bool tie = (withRoundingBit & 1u) != 0 &&
                         (low[2] & ((std::uint64_t{1} << dropped) - 1)) == 0 && low[1] == 0 &&
                         low[0] == 0;
        if (tie && (significand & 1u) != 0) {
            --significand;
        }
    } else if (((high[2] >> dropped) + 1) >> 1 != significand) {
        // The true value lies in (low, high]: strictly above low, as at least
        // one factor was cut short. Equal roundings of low (half up) and high
        // mean that no halfway point lies in that range.
        return std::nullopt;
    }
    if ((significand >> 53) != 0) {
        significand >>= 1;
        ++exponent;
        if (exponent > kMaxExponent) {
            return std::nullopt;
        }
    }
    return (static_cast<std::uint64_t>(exponent + kExponentBias) << 52) |
           (significand & kSignificandMask);
}

// ---------------------------------------------------------------------------
// Slow stage: a decimal of up to 800 digits, value = 0.d[0]d[1]... x 10^point.

constexpr int kMaxDigits = 800;
constexpr int kMaxShift = 60;  // keeps digit * 2^shift + carry below 2^64

struct LongDecimal {
    int count = 0;
    std::int32_t point = 0;
    bool truncated = false;  // non-zero digits were dropped after d[kMaxDigits - 1]
    std::array<std::uint8_t, kMaxDigits> d{};
};

void TrimTrailingZeros(LongDecimal& a) {
    while (a.count > 0 && a.d[static_cast<std::size_t>(a.count - 1)] == 0) {
        --a.count;
    }
}

// Appends digits of a run while there is room; returns the rest.
std::string_view StoreDigits(std::string_view run, LongDecimal& a) {
    std::size_t i = 0;
    for (; i < run.size() && a.count < kMaxDigits; ++i) {
        a.d[static_cast<std::size_t>(a.count++)] = static_cast<std::uint8_t>(run[i] - '0');
    }
    return DropFront(run, i);
}

LongDecimal MakeLongDecimal(const Significant& s) {
    LongDecimal a;
    a.point = static_cast<std::int32_t>(s.point);
    const std::string_view headRest = StoreDigits(s.head, a);
    const std::string_view tailRest = StoreDigits(s.tail, a);
    a.truncated = !AllZeros(headRest) || !AllZeros(tailRest);
    TrimTrailingZeros(a);
    return a;
}

// Multiplying 0.D by 2^k moves the point by as many digits as 2^k has when
// 0.D is at least 0.(digits of 5^k), and by one fewer otherwise.
struct LeftShiftGain {
    int digits = 0;
    int cutoffLength = 0;
    std::array<std::uint8_t, 48> cutoff{};
};
using GainTable = std::array<LeftShiftGain, kMaxShift + 1>;

constexpr GainTable MakeGainTable() {
    GainTable table{};
    std::array<std::uint8_t, 48> power{};  // 5^k, least significant digit first
    power[0] = 1;
    int length = 1;
    for (int k = 1; k <= kMaxShift; ++k) {
        int carry = 0;
        for (int i = 0; i < length; ++i) {
            const int t = power[static_cast<std::size_t>(i)] * 5 + carry;
            power[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(t % 10);
            carry = t / 10;
        }
        if (carry != 0) {
            power[static_cast<std::size_t>(length++)] = static_cast<std::uint8_t>(carry);
        }
        LeftShiftGain& gain = table[static_cast<std::size_t>(k)];
        gain.digits = k + 1 - length;  // 2^k * 5^k = 10^k
        gain.cutoffLength = length;
        for (int i = 0; i < length; ++i) {
            gain.cutoff[static_cast<std::size_t>(i)] =
                power[static_cast<std::size_t>(length - 1 - i)];
        }
    }
    return table;
}

constexpr GainTable kLeftShiftGains = MakeGainTable();

int NewDigits(const LongDecimal& a, int shift) {
    const LeftShiftGain& gain = kLeftShiftGains[static_cast<std::size_t>(shift)];
    for (int i = 0; i < gain.cutoffLength; ++i) {
        if (i >= a.count) {
            return gain.digits - 1;
        }
        const auto digit = a.d[static_cast<std::size_t>(i)];
        const auto cut = gain.cutoff[static_cast<std::size_t>(i)];
        if (digit != cut) {
            return digit < cut ? gain.digits - 1 : gain.digits;
        }
    }
    return gain.digits;
}

// n / 10. A 32-bit target has no 64-bit divide instruction and would call a
// slow library routine for every digit; there the product with the rounded-up
// reciprocal 0xCCCCCCCCCCCCCCCD / 2^67 gives the same quotient for every n.
std::uint64_t DivideBy10(std::uint64_t n) {
    if constexpr (sizeof(void*) >= 8) {
        return n / 10;
    } else {
        return MultiplyFull(n, 0xCCCC'CCCC'CCCC'CCCDu).hi >> 3;
    }
}

// a *= 2^shift, 1 <= shift <= kMaxShift.
void ShiftLeft(LongDecimal& a, int shift) {
    const int gained = NewDigits(a, shift);
    int write = a.count + gained;
    std::uint64_t n = 0;
    auto put = [&a, &write](std::uint64_t digit) {
        --write;
        if (write < kMaxDigits) {
            a.d[static_cast<std::size_t>(write)] = static_cast<std::uint8_t>(digit);
        } else if (digit != 0) {
            a.truncated = true;
        }
    };
    for (int read = a.count - 1; read >= 0; --read) {
        n += std::uint64_t{a.d[static_cast<std::size_t>(read)]} << shift;
        const std::uint64_t quotient = DivideBy10(n);
        put(n - 10 * quotient);
        n = quotient;
    }
    while (n > 0) {
        const std::uint64_t quotient = DivideBy10(n);
        put(n - 10 * quotient);
        n = quotient;
    }
    a.count = a.count + gained < kMaxDigits ? a.count + gained : kMaxDigits;
    a.point += gained;
    TrimTrailingZeros(a);
}

// a /= 2^shift, 1 <= shift <= kMaxShift; a is not zero.
void ShiftRight(LongDecimal& a, int shift) {
    int read = 0;
    int write = 0;
    std::uint64_t n = 0;
    // Take enough leading digits for the first quotient digit.
    while ((n >> shift) == 0) {
        if (read < a.count) {
            n = n * 10 + a.d[static_cast<std::size_t>(read)];
        } else {
            n *= 10;
        }
        ++read;
    }
    a.point -= read - 1;
    const std::uint64_t mask = (std::uint64_t{1} << shift) - 1;
    for (; read < a.count; ++read) {
        const std::uint64_t digit = n >> shift;
        n &= mask;
        a.d[static_cast<std::size_t>(write++)] = static_cast<std::uint8_t>(digit);
        n = n * 10 + a.d[static_cast<std::size_t>(read)];
    }
    while (n > 0) {
        const std::uint64_t digit = n >> shift;
        n &= mask;
        if (write < kMaxDigits) {
            a.d[static_cast<std::size_t>(write++)] = static_cast<std::uint8_t>(digit);
        } else if (digit != 0) {
            a.truncated = true;
        }
        n *= 10;
    }
    a.count = write;
    TrimTrailingZeros(a);
}

// The integer part of a (below 2^54), rounded half to even on all digits.
std::uint64_t RoundedInteger(const LongDecimal& a) {
    std::uint64_t n = 0;
    int i = 0;
    for (; i < a.point && i < a.count; ++i) {
        n = n * 10 + a.d[static_cast<std::size_t>(i)];
    }
    for (; i < a.point; ++i) {
        n *= 10;
    }
    if (a.point < 0 || a.point >= a.count) {
        return n;  // no fraction, or below 0.1
    }
    const auto first = a.d[static_cast<std::size_t>(a.point)];
    const bool halfway = first == 5 && a.point + 1 == a.count && !a.truncated;
    if (halfway ? (n & 1u) != 0 : first >= 5) {
        ++n;
    }
    return n;
}

// floor(n * log2(10)) for n < 19: the largest shift that keeps a value below
// 10^n from reaching 1 when it starts below 10^-n.
constexpr std::array<int, 19> MakeDecimalShifts() {
    std::array<int, 19> shifts{};
    std::uint64_t power = 1;
    for (std::size_t n = 0; n < shifts.size(); ++n) {
        int bits = 0;
        while ((std::uint64_t{1} << (bits + 1)) <= power) {
            ++bits;
        }
        shifts[n] = bits;
        power *= 10;
    }
    return shifts;
}

constexpr std::array<int, 19> kDecimalShifts = MakeDecimalShifts();

int ShiftFor(std::int32_t digits) {
    return digits < static_cast<std::int32_t>(kDecimalShifts.size())
               ? kDecimalShifts[static_cast<std::size_t>(digits)]
               : kMaxShift;
}

std::uint64_t SlowBits(LongDecimal a) {
    // Scale into [1/2, 1): first right, perhaps too far, then left.
    int exponent = 0;
    while (a.point > 0) {
        const int shift = ShiftFor(a.point);
        ShiftRight(a, shift);
        exponent += shift;
    }
    while (a.point <= 0) {
        int shift = 0;
        if (a.point == 0) {
            if (a.d[0] >= 5) {
                break;
            }
            shift = a.d[0] < 2 ? 2 : 1;
        } else {
            shift = ShiftFor(-a.point);
        }
        ShiftLeft(a, shift);
        exponent -= shift;
    }
    --exponent;  // now value = 1.x * 2^exponent
    // Below the normal range the significand loses its leading bits.
    while (exponent < kMinNormalExponent) {
        const int shift =
            kMinNormalExponent - exponent < kMaxShift ? kMinNormalExponent - exponent : kMaxShift;
        ShiftRight(a, shift);
        exponent += shift;
    }
    if (exponent > kMaxExponent) {
        return kInfinityBits;
    }
    ShiftLeft(a, 53);
    std::uint64_t significand = RoundedInteger(a);
    if ((significand >> 53) != 0) {
        significand >>= 1;
        ++exponent;
        if (exponent > kMaxExponent) {
            return kInfinityBits;
        }
    }
    const std::uint64_t biased =
        (significand >> 52) == 0 ? 0u : static_cast<std::uint64_t>(exponent + kExponentBias);
    return (biased << 52) | (significand & kSignificandMask);
}

}  // namespace

double DecimalToDouble(const DecimalNumber& number) {
    const std::optional<Significant> significant = FindSignificant(number);
    if (!significant) {
        return 0.0;
    }
    if (significant->point > kMaxDecimalPoint) {
        return std::bit_cast<double>(kInfinityBits);
    }
    if (significant->point < kMinDecimalPoint) {
        return 0.0;
    }
    if (const auto bits = FastBits(TakeLeading(*significant))) {
        return std::bit_cast<double>(*bits);
    }
    return std::bit_cast<double>(SlowBits(MakeLongDecimal(*significant)));
}

}  // namespace calc
