// FormatFixed: "%f" renderings of chosen values, and (with glibc, whose
// printf is exact and rounds ties to even) agreement with snprintf on random
// doubles of every magnitude.
#include "calc/fixed_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

using Limits = std::numeric_limits<double>;

struct Case {
    double value;
    std::string text;
};

void ExpectFormats(const Case& c) {
    calc::FixedText out;
    out.fill('#');
    const std::size_t length = calc::FormatFixed(c.value, out);
    EXPECT_EQ(std::string(out.data()), c.text) << std::hexfloat << c.value;
    EXPECT_EQ(length, std::strlen(out.data())) << std::hexfloat << c.value;
}

const std::string kMaxDigits =  // the largest double, (2^53 - 1) * 2^971
    "179769313486231570814527423731704356798070567525844996598917476803157260780028"
    "538760589558632766878171540458953514382464234321326889464182768467546703537516"
    "986049910576551282076245490090389328944075868508455133942304583236903222948165"
    "808559332123348274797826204144723168738177180919299881250404026184124858368";

TEST(FormatFixedText, SpecialValues) {
    const Case cases[] = {
        {Limits::infinity(), "inf"},
        {-Limits::infinity(), "-inf"},
        {Limits::quiet_NaN(), "nan"},
        {-Limits::quiet_NaN(), "nan"},
        {Limits::signaling_NaN(), "nan"},
        {std::bit_cast<double>(std::uint64_t{0xFFF8'0000'0000'0000}), "nan"},  // x87 default NaN
    };
    for (const Case& c : cases) ExpectFormats(c);
}

TEST(FormatFixedText, IntegerDigitsAreExactAndComplete) {
    const Case cases[] = {
        {0.0, "0.000000"},
        {-0.0, "-0.000000"},
        {1.0, "1.000000"},
        {100.0, "100.000000"},
        {0x1p53, "9007199254740992.000000"},
        {1e22, "10000000000000000000000.000000"},
        {1e23, "99999999999999991611392.000000"},
        {0x1p64, "18446744073709551616.000000"},
        {Limits::max(), kMaxDigits + ".000000"},
        {-Limits::max(), std::string("-").append(kMaxDigits).append(".000000")},
    };
    for (const Case& c : cases) ExpectFormats(c);
}

TEST(FormatFixedText, SixDecimalsRoundedFromTheExactBinaryValue) {
    const Case cases[] = {
        {0.1, "0.100000"},
        {123.456, "123.456000"},
        {-2.5, "-2.500000"},
        {1e15 + 0.5, "1000000000000000.500000"},
        {0x1p-20, "0.000001"},     // 0.00000095367...
        {5e-7, "0.000000"},        // 0.000000499999999999999977...
        {1.5e-6, "0.000002"},      // 0.0000015000000000000000384...
        {0.99999999, "1.000000"},  // carry into the integer part
        {9.9999999, "10.000000"},
        {Limits::denorm_min(), "0.000000"},
        {-Limits::denorm_min(), "-0.000000"},
        {-1e-9, "-0.000000"},
        // Exact ties (odd multiples of 2^-7): to the even sixth decimal.
        {2.5390625, "2.539062"},
        {0.0078125, "0.007812"},
        {0.0234375, "0.023438"},
        {0.9921875, "0.992188"},
        {-0.0078125, "-0.007812"},
        {1048575.9921875, "1048575.992188"},
        // Next to a tie the exact value decides.
        {std::nextafter(2.5390625, 3.0), "2.539063"},
        {std::nextafter(0.0234375, 0.0), "0.023437"},
    };
    for (const Case& c : cases) ExpectFormats(c);
}

#ifdef __GLIBC__

using Rng = std::mt19937_64;

double RandomFinite(Rng& rng) {
    double x;
    do {
        x = std::bit_cast<double>(rng());
    } while (!std::isfinite(x));
    return x;
}

// Doubles of varied kinds: any bit pattern, ordinary magnitudes, subnormals,
// ties of the sixth decimal and their neighbours, dyadic fractions.
double RandomValue(Rng& rng, int shape) {
    const double sign = (rng() & 1u) != 0 ? -1.0 : 1.0;
    switch (shape) {
        case 0:
            return RandomFinite(rng);
        case 1:
            return sign *
                   std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 100) - 90);
        case 2:
            return sign * std::bit_cast<double>(rng() & ((std::uint64_t{1} << 52) - 1));
        case 3: {
            const double tie = std::ldexp(static_cast<double>((rng() >> 11) | 1u), -7);
            switch (rng() % 3) {
                case 0:
                    return sign * tie;
                case 1:
                    return sign * std::nextafter(tie, 0.0);
                default:
                    return sign * std::nextafter(tie, Limits::infinity());
            }
        }
        default:
            return sign * std::ldexp(static_cast<double>(rng() >> (11 + rng() % 50)),
                                     -static_cast<int>(rng() % 64));
    }
}

TEST(FormatFixedDifferential, AgreesWithGlibcPrintf) {
    Rng rng(7206);
    constexpr int kCount = 150000;
    int mismatches = 0;
    for (int i = 0; i < kCount && mismatches < 20; ++i) {
        const double x = i == 0 ? Limits::max() : RandomValue(rng, i % 5);
        char expected[400];
        std::snprintf(expected, sizeof expected, "%.6f", x);
        calc::FixedText out;
        const std::size_t length = calc::FormatFixed(x, out);
        if (std::strcmp(out.data(), expected) != 0 || length != std::strlen(expected)) {
            ++mismatches;
            ADD_FAILURE() << std::hexfloat << x << ": " << out.data() << " expected " << expected;
        }
    }
}

#else

TEST(FormatFixedDifferential, AgreesWithGlibcPrintf) {
    GTEST_SKIP() << "built without glibc";
}

#endif

}  // namespace
