#include "calc/extended.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "calc/wide.h"

namespace calc {
namespace {

using Kind = Extended::Kind;

constexpr std::uint64_t kTop = std::uint64_t{1} << 63;

// --- The x87 oracle -------------------------------------------------------

// Where long double is the x87 format with its precision control at 64 bits,
// its arithmetic is exactly what Extended emulates.
bool HasX87Oracle() {
    if (std::numeric_limits<long double>::digits != 64) return false;
    volatile long double one = 1.0L;
    volatile long double ulp = 0x1p-63L;
    return one + ulp != one;
}

constexpr const char* kNoOracle =
    "long double is not the x87 80-bit format at 64-bit precision here, so it cannot serve as "
    "the reference";

Extended FromLongDouble(long double v) {
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &v, sizeof bytes);
    std::uint64_t significand = 0;
    std::uint16_t signExponent = 0;
    std::memcpy(&significand, bytes, 8);
    std::memcpy(&signExponent, bytes + 8, 2);
    const bool negative = (signExponent & 0x8000) != 0;
    const int field = signExponent & 0x7FFF;
    if (field == 0x7FFF) return {(significand << 1) == 0 ? Kind::Infinity : Kind::NaN, negative};
    if (field == 0 && significand == 0) return {Kind::Zero, negative};
    return {Kind::Finite, negative, field == 0 ? -16382 : field - 16383, significand};
}

// For the forms the operations produce (normalised, or extended subnormal).
long double ToLongDouble(const Extended& x) {
    std::uint64_t significand = 0;
    int field = 0;
    switch (x.kind) {
        case Kind::Zero:
            break;
        case Kind::Infinity:
            field = 0x7FFF;
            significand = kTop;
            break;
        case Kind::NaN:
            field = 0x7FFF;
            significand = kTop | (kTop >> 1);
            break;
        case Kind::Finite:
            significand = x.significand;
            field = (significand & kTop) != 0 ? x.exponent + 16383 : 0;
            break;
    }
    const auto signExponent = static_cast<std::uint16_t>((x.negative ? 0x8000 : 0) | field);
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &significand, 8);
    std::memcpy(bytes + 8, &signExponent, 2);
    long double v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

// Out of line so that the compiler cannot fold an operation at compile time
// (with other NaN rules than the processor's).
[[gnu::noinline]] long double X87Multiply(long double a, long double b) {
    return a * b;
}
[[gnu::noinline]] long double X87Divide(long double a, long double b) {
    return a / b;
}
[[gnu::noinline]] double X87ToDouble(long double a) {
    return static_cast<double>(a);
}

::testing::AssertionResult Same(const Extended& got, const Extended& want, bool nanSign = true) {
    const bool same = got.kind == want.kind &&
                      (got.kind != Kind::NaN || !nanSign || got.negative == want.negative) &&
                      (got.kind == Kind::NaN || got.negative == want.negative) &&
                      (got.kind != Kind::Finite ||
                       (got.exponent == want.exponent && got.significand == want.significand));
    if (same) return ::testing::AssertionSuccess();
    auto show = [](const Extended& x) {
        return ::testing::PrintToString(static_cast<int>(x.kind)) + (x.negative ? " -" : " +") +
               " e=" + std::to_string(x.exponent) + " m=" + std::to_string(x.significand);
    };
    return ::testing::AssertionFailure() << "got" << show(got) << ", want" << show(want);
}

// --- Operand generators ---------------------------------------------------

using Rng = std::mt19937_64;

// Any finite double, with subnormals and zeros far more often than their
// share of bit patterns.
double RandomDouble(Rng& rng) {
    std::uint64_t bits = rng();
    switch (rng() % 8) {
        case 0:  // subnormal or zero
            bits &= ~(std::uint64_t{0x7FF} << 52);
            break;
        case 1:  // a subnormal of at most 8 bits
            bits &= (std::uint64_t{1} << 63) | 0xFF;
            break;
        default:  // any exponent but that of infinities and NaNs
            if (((bits >> 52) & 0x7FF) == 0x7FF) bits ^= std::uint64_t{1} << 62;
    }
    return std::bit_cast<double>(bits);
}

// Significands with long runs of zeros, so that exact results and exact ties
// occur, or dense random ones.
std::uint64_t RandomSignificand(Rng& rng) {
    const std::uint64_t dense = rng();
    const int kept = static_cast<int>(rng() % 64);
    return (rng() % 2 == 0 ? dense : (dense >> kept) << kept) | kTop;
}

// Normal values near 1, across the whole range, near the ends of the range,
// extended subnormals and products of random doubles.
Extended RandomExtended(Rng& rng) {
    const bool negative = rng() % 2 == 0;
    const auto offset = [&rng](std::uint64_t span) {
        return static_cast<std::int32_t>(rng() % span);
    };
    switch (rng() % 6) {
        case 0:
            return {Kind::Finite, negative, offset(401) - 200, RandomSignificand(rng)};
        case 1:
            return {Kind::Finite, negative, offset(32766) - 16382, RandomSignificand(rng)};
        case 2:
            return {Kind::Finite, negative, 16383 - offset(100), RandomSignificand(rng)};
        case 3:
            return {Kind::Finite, negative, -16382 + offset(100), RandomSignificand(rng)};
        case 4: {
            const std::uint64_t m = RandomSignificand(rng) >> (1 + rng() % 63);
            return m == 0 ? Extended{Kind::Zero, negative}
                          : Extended{Kind::Finite, negative, -16382, m};
        }
        default:
            return FromLongDouble(X87Multiply(RandomDouble(rng), RandomDouble(rng)));
    }
}

// m * 2^power as an Extended (normalised; exponents outside the extended
// range are allowed for feeding ToDouble).
Extended Exact(std::uint64_t m, std::int32_t power, bool negative = false) {
    const int shift = std::countl_zero(m);
    return {Kind::Finite, negative, power + 63 - shift, m << shift};
}

// --- Portable wide arithmetic ---------------------------------------------

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 U128;
#endif

TEST(ExtendedLimbArithmetic, MultiplyWideMatchesNative128BitProducts) {
#if defined(__SIZEOF_INT128__)
    const std::uint64_t edges[] = {0,    1,        2,     0xFFFF'FFFF,       0x1'0000'0000,
                                   kTop, kTop | 1, ~kTop, ~std::uint64_t{0}, 0xFFFF'FFFF'0000'0000};
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs;
    for (const std::uint64_t a : edges) {
        for (const std::uint64_t b : edges) pairs.emplace_back(a, b);
    }
    Rng rng(1);
    for (int i = 0; i < 300000; ++i) pairs.emplace_back(rng() >> (rng() % 64), rng());
    for (const auto& [a, b] : pairs) {
        const U128 want = U128{a} * b;
        const wide::Uint128 got = wide::MultiplyWide(a, b);
        ASSERT_EQ(got.high, static_cast<std::uint64_t>(want >> 64)) << a << " * " << b;
        ASSERT_EQ(got.low, static_cast<std::uint64_t>(want)) << a << " * " << b;
    }
#else
    GTEST_SKIP() << "no 128-bit integer type to check against";
#endif
}

TEST(ExtendedLimbArithmetic, DivideWideMatchesNative128BitDivision) {
#if defined(__SIZEOF_INT128__)
    Rng rng(2);
    struct Case {
        std::uint64_t high, low, divisor;
    };
    std::vector<Case> cases = {
        {0, 0, 1},
        {0, ~std::uint64_t{0}, 1},
        {~std::uint64_t{0} - 1, ~std::uint64_t{0}, ~std::uint64_t{0}},
        {kTop - 1, ~std::uint64_t{0}, kTop},
        {0xFFFF'FFFE, ~std::uint64_t{0}, 0xFFFF'FFFF},
        {0xFFFF'FFFF, 0, 0x1'0000'0000},
        {0x7FFF'FFFF'FFFF'FFFF, 0xFFFF'FFFF'0000'0000, 0x8000'0000'0000'0001},
        {0x8000'0000'0000'0000, 0, 0x8000'0000'0000'0001},
    };
    for (int i = 0; i < 300000; ++i) {
        const std::uint64_t divisor = (rng() >> (rng() % 64)) | 1;
        const std::uint64_t dense = rng() % divisor;
        const std::uint64_t high = rng() % 4 == 0 ? divisor - 1 : dense;
        cases.push_back({high, rng() % 8 == 0 ? 0 : rng(), divisor});
    }
    for (const Case& c : cases) {
        const U128 n = (U128{c.high} << 64) | c.low;
        const wide::WideQuotient got = wide::DivideWide({c.high, c.low}, c.divisor);
        ASSERT_EQ(got.quotient, static_cast<std::uint64_t>(n / c.divisor))
            << c.high << ":" << c.low << " / " << c.divisor;
        ASSERT_EQ(got.remainder, static_cast<std::uint64_t>(n % c.divisor))
            << c.high << ":" << c.low << " / " << c.divisor;
    }
#else
    GTEST_SKIP() << "no 128-bit integer type to check against";
#endif
}

TEST(ExtendedLimbArithmetic, ShiftRightRoundedMatchesNative128BitRounding) {
#if defined(__SIZEOF_INT128__)
    // Nearest, ties to even, on the native type; 0 from 129 on.
    const auto want = [](U128 v, int shift) -> U128 {
        if (shift == 0) return v;
        if (shift > 128) return 0;
        const U128 kept = shift == 128 ? 0 : v >> shift;
        const U128 dropped = shift == 128 ? v : v & ((U128{1} << shift) - 1);
        const U128 half = U128{1} << (shift - 1);
        return kept + (dropped > half || (dropped == half && (kept & 1) != 0) ? 1 : 0);
    };
    Rng rng(3);
    std::vector<U128> values = {0, 1, ~U128{0}, U128{1} << 127, (U128{1} << 64) - 1};
    for (int shift = 1; shift < 128; ++shift) {
        // The kept part all ones (rounding up carries across the low word up
        // to shift 64), the dropped part just under, at and over half.
        const U128 at_half = (~U128{0} >> shift << shift) + (U128{1} << (shift - 1));
        values.insert(values.end(), {at_half - 1, at_half, at_half + 1});
    }
    for (int i = 0; i < 30000; ++i) values.push_back((U128{rng()} << 64 | rng()) >> (rng() % 128));
    for (const U128 v : values) {
        for (int shift = 0; shift <= 130; ++shift) {
            const wide::Uint128 got = wide::ShiftRightRounded(
                {static_cast<std::uint64_t>(v >> 64), static_cast<std::uint64_t>(v)}, shift);
            const U128 expected = want(v, shift);
            ASSERT_EQ(got.high, static_cast<std::uint64_t>(expected >> 64)) << shift;
            ASSERT_EQ(got.low, static_cast<std::uint64_t>(expected)) << shift;
        }
    }
#else
    GTEST_SKIP() << "no 128-bit integer type to check against";
#endif
}

// --- Special values -------------------------------------------------------

TEST(ExtendedSpecialValues, EveryCombinationOfKindsFollowsIeeeRules) {
    enum Class { Z, F, I, N };
    struct Row {
        Class a, b;
        Kind product, quotient;
    };
    const Row rows[] = {
        {Z, Z, Kind::Zero, Kind::NaN},      {Z, F, Kind::Zero, Kind::Zero},
        {Z, I, Kind::NaN, Kind::Zero},      {Z, N, Kind::NaN, Kind::NaN},
        {F, Z, Kind::Zero, Kind::Infinity}, {F, F, Kind::Finite, Kind::Finite},
        {F, I, Kind::Infinity, Kind::Zero}, {F, N, Kind::NaN, Kind::NaN},
        {I, Z, Kind::NaN, Kind::Infinity},  {I, F, Kind::Infinity, Kind::Infinity},
        {I, I, Kind::Infinity, Kind::NaN},  {I, N, Kind::NaN, Kind::NaN},
        {N, Z, Kind::NaN, Kind::NaN},       {N, F, Kind::NaN, Kind::NaN},
        {N, I, Kind::NaN, Kind::NaN},       {N, N, Kind::NaN, Kind::NaN},
    };
    const auto make = [](Class c, bool negative) {
        switch (c) {
            case Z:
                return Extended{Kind::Zero, negative};
            case F:
                return Extended{Kind::Finite, negative, 5, kTop | 12345};
            case I:
                return Extended{Kind::Infinity, negative};
            default:
                return Extended{Kind::NaN, negative};
        }
    };
    for (const Row& row : rows) {
        for (int signs = 0; signs < 4; ++signs) {
            const bool aNeg = (signs & 1) != 0;
            const bool bNeg = (signs & 2) != 0;
            const Extended a = make(row.a, aNeg);
            const Extended b = make(row.b, bNeg);
            SCOPED_TRACE(::testing::Message() << "row " << (&row - rows) << " signs " << signs);
            for (const bool divide : {false, true}) {
                const Extended r = divide ? Divide(a, b) : Multiply(a, b);
                ASSERT_EQ(r.kind, divide ? row.quotient : row.product) << "divide " << divide;
                // A NaN operand passes on its sign; an invalid operation gives
                // x86's negative default NaN; everything else has the sign xor.
                const bool sign = row.a == N            ? aNeg
                                  : row.b == N          ? bNeg
                                  : r.kind == Kind::NaN ? true
                                                        : aNeg != bNeg;
                EXPECT_EQ(r.negative, sign) << "divide " << divide;
                // A Finite with a zero significand counts as a zero.
                if (row.a == Z) {
                    const Extended r2 = divide ? Divide({Kind::Finite, aNeg, 7, 0}, b)
                                               : Multiply({Kind::Finite, aNeg, 7, 0}, b);
                    EXPECT_TRUE(Same(r2, r)) << "divide " << divide;
                }
            }
        }
    }
}

TEST(ExtendedSpecialValues, MatchX87ForEveryPairOfSpecialAndExtremeOperands) {
    if (!HasX87Oracle()) GTEST_SKIP() << kNoOracle;
    std::vector<Extended> values;
    for (const bool negative : {false, true}) {
        values.push_back({Kind::Zero, negative});
        values.push_back({Kind::Infinity, negative});
        values.push_back({Kind::NaN, negative});
        values.push_back({Kind::Finite, negative, 0, kTop | (kTop >> 1)});     // 1.5
        values.push_back({Kind::Finite, negative, -16382, 1});                 // smallest
        values.push_back({Kind::Finite, negative, -16382, kTop - 1});          // largest subnormal
        values.push_back({Kind::Finite, negative, -16382, kTop});              // smallest normal
        values.push_back({Kind::Finite, negative, 16383, ~std::uint64_t{0}});  // largest
    }
    for (const Extended& a : values) {
        for (const Extended& b : values) {
            const bool nanSign = a.kind != Kind::NaN || b.kind != Kind::NaN;
            const long double x = ToLongDouble(a);
            const long double y = ToLongDouble(b);
            EXPECT_TRUE(Same(Multiply(a, b), FromLongDouble(X87Multiply(x, y)), nanSign));
            EXPECT_TRUE(Same(Divide(a, b), FromLongDouble(X87Divide(x, y)), nanSign));
        }
    }
}

// --- Conversions ----------------------------------------------------------

TEST(ExtendedToExtended, WidensEveryDoubleExactly) {
    const std::uint64_t allOnes53 = (std::uint64_t{1} << 53) - 1;
    EXPECT_TRUE(Same(ToExtended(1.0), {Kind::Finite, false, 0, kTop}));
    EXPECT_TRUE(Same(ToExtended(-0.75), {Kind::Finite, true, -1, kTop | (kTop >> 1)}));
    EXPECT_TRUE(Same(ToExtended(std::numeric_limits<double>::max()),
                     {Kind::Finite, false, 1023, allOnes53 << 11}));
    EXPECT_TRUE(Same(ToExtended(std::numeric_limits<double>::denorm_min()),
                     {Kind::Finite, false, -1074, kTop}));
    EXPECT_TRUE(Same(ToExtended(std::bit_cast<double>(std::uint64_t{0x000F'FFFF'FFFF'FFFF})),
                     {Kind::Finite, false, -1023, ((std::uint64_t{1} << 52) - 1) << 12}));
    EXPECT_TRUE(Same(ToExtended(-0.0), {Kind::Zero, true}));
    EXPECT_TRUE(Same(ToExtended(-std::numeric_limits<double>::infinity()), {Kind::Infinity, true}));
    EXPECT_TRUE(Same(ToExtended(std::bit_cast<double>(std::uint64_t{0xFFF0'0000'0000'0001})),
                     {Kind::NaN, true}));

    if (!HasX87Oracle()) GTEST_SKIP() << kNoOracle;
    Rng rng(3);
    for (int i = 0; i < 200000; ++i) {
        const double d = RandomDouble(rng);
        ASSERT_TRUE(Same(ToExtended(d), FromLongDouble(d))) << std::bit_cast<std::uint64_t>(d);
    }
}

TEST(ExtendedToDouble, RoundsHalfwayCasesToEvenInNormalAndSubnormalRange) {
    struct Case {
        Extended x;
        std::uint64_t bits;
    };
    const std::uint64_t one = 0x3FF0'0000'0000'0000;
    const std::uint64_t max = 0x7FEF'FFFF'FFFF'FFFF;
    const Case cases[] = {
        {{Kind::Finite, false, 0, kTop | 0x400}, one},        // tie, even below
        {{Kind::Finite, false, 0, kTop | 0xC00}, one + 2},    // tie, odd below
        {{Kind::Finite, false, 0, kTop | 0x401}, one + 1},    // just above the tie
        {{Kind::Finite, true, 0, kTop | 0x3FF}, one | kTop},  // just below the tie
        {{Kind::Finite, false, 0, ~std::uint64_t{0}}, one + (std::uint64_t{1} << 52)},  // carry
        {Exact(5, -1076), 1},               // 1.25 * 2^-1074
        {Exact(3, -1075), 2},               // 1.5 * 2^-1074: tie, odd below
        {Exact(5, -1075), 2},               // 2.5 * 2^-1074: tie, even below
        {Exact(1, -1075), 0},               // half the smallest: tie to zero
        {Exact(kTop | 1, -1075 - 63), 1},   // just above it
        {Exact(3, -1076, true), kTop | 1},  // 0.75 * 2^-1074
        {Exact(1, -1076), 0},
        {{Kind::Finite, false, -16382, 1}, 0},  // smallest extended subnormal
        {Exact((std::uint64_t{1} << 53) - 1, -1075), std::uint64_t{1} << 52},  // to smallest normal
        {Exact((std::uint64_t{1} << 53) - 3, -1075), (std::uint64_t{1} << 52) - 2},
        {Exact((std::uint64_t{1} << 54) - 1, 970), 0x7FF0'0000'0000'0000},  // max + half: inf
        {Exact((std::uint64_t{1} << 54) - 1, 970, true), 0xFFF0'0000'0000'0000},
        {Exact((std::uint64_t{1} << 55) - 3, 969), max},  // max + quarter ulp
        {Exact(1, 1024), 0x7FF0'0000'0000'0000},
        {{Kind::Finite, false, 16383, ~std::uint64_t{0}}, 0x7FF0'0000'0000'0000},
        {{Kind::Finite, true, -16382, 12345}, kTop},
        {{Kind::Zero, true}, kTop},
        {{Kind::Infinity, false}, 0x7FF0'0000'0000'0000},
        {{Kind::NaN, false}, 0x7FF8'0000'0000'0000},
        {{Kind::NaN, true}, 0xFFF8'0000'0000'0000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(ToDouble(c.x)), c.bits) << "case " << (&c - cases);
    }
    if (!HasX87Oracle()) GTEST_SKIP() << kNoOracle;
    for (const Case& c : cases) {
        if (c.x.kind == Kind::Finite && (c.x.exponent < -16382 || c.x.exponent > 16383)) continue;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(ToDouble(c.x)),
                  std::bit_cast<std::uint64_t>(X87ToDouble(ToLongDouble(c.x))))
            << "case " << (&c - cases);
    }
}

TEST(ExtendedToDouble, MatchesX87OnRandomValues) {
    if (!HasX87Oracle()) GTEST_SKIP() << kNoOracle;
    Rng rng(4);
    for (int i = 0; i < 300000; ++i) {
        Extended x = RandomExtended(rng);
        // Also the neighbourhood of the double range's ends.
        if (i % 3 == 0 && x.kind == Kind::Finite && (x.significand & kTop) != 0) {
            x.exponent = (i % 2 == 0 ? -1075 : 1024) - static_cast<std::int32_t>(rng() % 60);
        }
        const double want = X87ToDouble(ToLongDouble(x));
        ASSERT_EQ(std::bit_cast<std::uint64_t>(ToDouble(x)), std::bit_cast<std::uint64_t>(want))
            << "exponent " << x.exponent << " significand " << x.significand;
    }
}

// --- Arithmetic -----------------------------------------------------------

TEST(ExtendedArithmetic, MultiplyAndDivideMatchX87OnRandomOperands) {
    if (!HasX87Oracle()) GTEST_SKIP() << kNoOracle;
    Rng rng(5);
    for (int i = 0; i < 400000; ++i) {
        const bool fromDoubles = i % 4 == 0;
        const Extended a = fromDoubles ? ToExtended(RandomDouble(rng)) : RandomExtended(rng);
        const Extended b = fromDoubles ? ToExtended(RandomDouble(rng)) : RandomExtended(rng);
        const long double x = ToLongDouble(a);
        const long double y = ToLongDouble(b);
        ASSERT_TRUE(Same(Multiply(a, b), FromLongDouble(X87Multiply(x, y))))
            << "operands " << a.exponent << ":" << a.significand << " * " << b.exponent << ":"
            << b.significand;
        ASSERT_TRUE(Same(Divide(a, b), FromLongDouble(X87Divide(x, y))))
            << "operands " << a.exponent << ":" << a.significand << " / " << b.exponent << ":"
            << b.significand;
    }
}

TEST(ExtendedArithmetic, OverflowAndUnderflowChainsMatchX87) {
    if (!HasX87Oracle()) GTEST_SKIP() << kNoOracle;
    // Squaring runs from both ends of the double range out of the extended
    // range: to infinity, and through the extended subnormals to zero.
    for (const double start : {std::numeric_limits<double>::max(), 1e300, 1.0000001e-300,
                               std::numeric_limits<double>::denorm_min(), -3e-310}) {
        Extended x = ToExtended(start);
        long double want = start;
        for (int step = 0; step < 6; ++step) {
            x = Multiply(x, x);
            want = X87Multiply(want, want);
            ASSERT_TRUE(Same(x, FromLongDouble(want))) << start << " step " << step;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(ToDouble(x)),
                      std::bit_cast<std::uint64_t>(X87ToDouble(want)));
        }
        EXPECT_TRUE(x.kind == Kind::Infinity || x.kind == Kind::Zero);
    }
    // Random walks down through every subnormal position (multiplying or
    // dividing by factors of a few bits, so that ties come up) and up past
    // the largest finite value.
    Rng rng(6);
    for (int walk = 0; walk < 400; ++walk) {
        const bool down = walk % 2 == 0;
        Extended x{Kind::Finite, walk % 4 < 2, down ? -16300 : 16300, RandomSignificand(rng)};
        for (int step = 0; step < 2000 && x.kind == Kind::Finite; ++step) {
            // Dividing by a factor in (1, 2] or multiplying by one in
            // (1/2, 1] shrinks; the other way round grows.
            const bool divide = rng() % 2 == 0;
            const double grow = static_cast<double>(rng() % 64 + 1) / 64.0 + 1.0;
            const Extended f = ToExtended(divide == down ? grow : grow / 2);
            const long double before = ToLongDouble(x);
            x = divide ? Divide(x, f) : Multiply(x, f);
            const long double want =
                divide ? X87Divide(before, ToLongDouble(f)) : X87Multiply(before, ToLongDouble(f));
            ASSERT_TRUE(Same(x, FromLongDouble(want))) << "walk " << walk << " step " << step;
        }
        EXPECT_EQ(x.kind, down ? Kind::Zero : Kind::Infinity) << "walk " << walk;
    }
}

TEST(ExtendedArithmetic, KeepsTheExtendedRangeBetweenNarrowings) {
    // 1e155 squared leaves the double range but not the extended one, and
    // dividing back returns to the double exactly.
    const Extended big = ToExtended(1e155);
    const Extended square = Multiply(big, big);
    ASSERT_EQ(square.kind, Kind::Finite);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(ToDouble(square)), 0x7FF0'0000'0000'0000u);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(ToDouble(Divide(square, big))),
              std::bit_cast<std::uint64_t>(1e155));
    // 3 / 3 and 6 * 0.5 are exact; 1 / 3 narrows to the double nearest 1/3.
    EXPECT_TRUE(Same(Divide(ToExtended(3.0), ToExtended(3.0)), ToExtended(1.0)));
    EXPECT_TRUE(Same(Multiply(ToExtended(6.0), ToExtended(-0.5)), ToExtended(-3.0)));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(ToDouble(Divide(ToExtended(1.0), ToExtended(3.0)))),
              0x3FD5'5555'5555'5555u);
}

}  // namespace
}  // namespace calc
