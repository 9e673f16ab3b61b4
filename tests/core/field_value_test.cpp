// ParseFieldValue: where the number starts and ends, correct rounding at the
// edges of the double range, very long texts, the locale, and (where GMP/MPFR
// and glibc are at hand) agreement with two independent correctly rounded
// readers on random decimal texts.
#include "calc/field_value.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "calc/drag.h"

// The build defines KALVOR_HAVE_MPFR where MPFR and GMP are linked in.
#if defined(KALVOR_HAVE_MPFR) && defined(__GLIBC__)
#include <mpfr.h>

#include <cstdlib>
#define KALVOR_HAVE_ORACLES 1
#endif

namespace {

using calc::FieldValue;
using calc::ParseFieldValue;

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Case {
    std::string text;
    double value;
};

// Appends the parts (builds long texts without the string operator+ chains
// that GCC 12 misreads at -O3 as overlapping copies).
std::string Join(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) text += part;
    return text;
}

std::string Repeat(std::size_t count, char c) {
    return std::string(count, c);
}

// Bit-exact comparison (distinguishes neighbouring doubles in the message).
void ExpectReads(const Case& c) {
    const FieldValue v = ParseFieldValue(c.text.c_str());
    EXPECT_TRUE(v.hasDigit) << c.text.substr(0, 60);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(v.value), std::bit_cast<std::uint64_t>(c.value))
        << c.text.substr(0, 60) << " read as " << v.value << ", expected " << c.value;
}

TEST(FieldValueText, TextWithoutDigitFails) {
    const char* texts[] = {"",
                           "abc",
                           "-",
                           ".",
                           "e",
                           "e+",
                           " km/h",
                           "Osobn\xed automobil",
                           "\xb9\xe8\xf8\xfd\xe1\xed",
                           "\x80\xff\xb0"};
    for (const char* t : texts) {
        const FieldValue v = ParseFieldValue(t);
        EXPECT_FALSE(v.hasDigit) << t;
        EXPECT_EQ(v.value, 0.0) << t;
    }
}

TEST(FieldValueText, EverythingBeforeTheFirstDigitIsSkipped) {
    const Case cases[] = {
        {"Benzin 45.22", 45.22},
        {"Osobn\xed automobil 0.3", 0.3},
        {"Osobn\xed automobil 2.25", 2.25},
        {"100", 100.0},
        {"  100 km/h", 100.0},
        {"rychlost 90", 90.0},
        {"-5", 5.0},
        {".5", 5.0},
        {"e5", 5.0},
        {"+-.e\xe8\xb9 7.5", 7.5},
        {Join({"\xff", "12"}), 12.0},
        {"0", 0.0},
        {"0.0", 0.0},
    };
    for (const Case& c : cases) ExpectReads(c);
}

TEST(FieldValueText, NumberEndsWhereItsFormEnds) {
    const Case cases[] = {
        {"2,25", 2.0},
        {"1.2.3", 1.2},
        {"5.", 5.0},
        {"5.e3", 5000.0},
        {"1e3", 1000.0},
        {"1E+3", 1000.0},
        {"25e-1", 2.5},
        {"3e", 3.0},
        {"3e+", 3.0},
        {"3e-", 3.0},
        {"7e 3", 7.0},
        {"7e+-3", 7.0},
        {"0x10", 0.0},
        {"1d3", 1.0},
        {"12:5", 12.0},  // the bytes on either side of '0'..'9'
        {"3/4", 3.0},
        {"1D3", 1.0},
        {Join({"12\xe8", "5"}), 12.0},
        {Join({"4.5\xb9", "9"}), 4.5},
        {"1e0003", 1000.0},
        {"6e-0", 6.0},
        {"8.25e2.5", 825.0},
    };
    for (const Case& c : cases) ExpectReads(c);
}

TEST(FieldValueRounding, RangeEdges) {
    const double minSub = std::numeric_limits<double>::denorm_min();
    const double maxSub = 0x0.fffffffffffffp-1022;
    const double max = std::numeric_limits<double>::max();
    const std::string halfwayAboveMax =  // 2^1024 - 2^970
        "179769313486231580793728971405303415079934132710037826936173778980444968292764"
        "750946649017977587207096330286416692887910946555547851940402630657488671505820"
        "681908902000708383676273854845817711531764475730270069855571366959622842914819"
        "860834936475292719074168444365510704342711559699508093042880177904174497792";
    std::string belowThat = halfwayAboveMax;
    belowThat.back() = '1';
    const Case cases[] = {
        {"1e999", kInf},
        {"1e-400", 0.0},
        {"0e999", 0.0},
        {"0.000e-99999", 0.0},
        // Half of the smallest subnormal is 2.4703282292062327208...e-324.
        {"2.4703282292062327e-324", 0.0},
        {"2.4703282292062328e-324", minSub},
        {"4.9406564584124654e-324", minSub},
        {"7.4109846876186982e-324", 2 * minSub},
        {"2.2250738585072009e-308", maxSub},
        {"2.2250738585072011e-308", maxSub},
        {"2.2250738585072012e-308", 0x1p-1022},
        {"2.2250738585072014e-308", 0x1p-1022},
        {"1.7976931348623157e308", max},
        {"1.7976931348623158e308", max},
        {"1.7976931348623159e308", kInf},
        // Exactly halfway between the largest double and 2^1024: to even, so
        // to infinity; one unit less stays finite.
        {halfwayAboveMax, kInf},
        {belowThat, max},
    };
    for (const Case& c : cases) ExpectReads(c);
}

TEST(FieldValueRounding, HalfwayCasesGoToEvenUnlessAnyLaterDigitIsNonZero) {
    const std::string zeros(60, '0');
    const Case cases[] = {
        {"9007199254740993", 0x1p53},
        {Join({"9007199254740993.", zeros}), 0x1p53},
        {Join({"9007199254740993.", zeros, "1"}), 0x1.0000000000001p53},
        {Join({"9007199254740992.99999999999999999999", zeros}), 0x1p53},
        {"9007199254740995", 0x1.0000000000002p53},
        {Join({"90071992547409930", zeros, "e-61"}), 0x1p53},
        {"1.00000000000000011102230246251565404236316680908203125", 1.0},
        {Join({"1.00000000000000011102230246251565404236316680908203125", zeros, "1"}),
         0x1.0000000000001p0},
        {Join({"1.00000000000000011102230246251565404236316680908203124", Repeat(300, '9')}), 1.0},
        // The deciding digit lies beyond the first 800 significant digits, or
        // is the 800th and moves one place further when the value is scaled.
        {Join({"1.00000000000000011102230246251565404236316680908203125", Repeat(800, '0'), "1"}),
         0x1.0000000000001p0},
        {Join({"9007199254740993.", Repeat(783, '0'), "1"}), 0x1.0000000000001p53},
        {Join({"0.999999999999999833466546306226518936455249786376953125", Repeat(745, '0'), "1"}),
         0x1.fffffffffffffp-1},
        {"1e23", 1e23},
        {"8.98846567431157953864652595394512366e307", 0x1p1023},
    };
    for (const Case& c : cases) ExpectReads(c);
}

TEST(FieldValueRounding, LongestFieldTexts) {
    constexpr std::size_t kLongest = calc::kFieldTextLimit;
    const std::string manyZeros(65000, '0');
    const Case cases[] = {
        {Repeat(kLongest, '9'), kInf},
        {Join({"0.", Repeat(kLongest - 2, '3')}), 1.0 / 3.0},
        {Join({manyZeros, "123"}), 123.0},
        {Join({"0.", manyZeros, "1e65001"}), 1.0},
        {Join({"0.", manyZeros, "15e+65001"}), 1.5},
        {Join({"1", Repeat(64990, '0'), "e-64990"}), 1.0},
        {Join({"1", Repeat(308, '0'), ".", manyZeros}), 1e308},
        {Join({"1e", manyZeros, "5"}), 1e5},
        {Join({"1e", Repeat(65000, '9')}), kInf},
        {Join({"1e-", Repeat(65000, '9')}), 0.0},
        {Join({"0e", Repeat(65000, '9')}), 0.0},
        {"1e99999999999999999999999999999999999999-1", kInf},
    };
    for (const Case& c : cases) {
        ASSERT_LE(c.text.size(), kLongest);
        ExpectReads(c);
    }
}

TEST(FieldValueLocale, DecimalCommaLocaleChangesNothing) {
    // The Czech locale by its glibc and its Windows runtime name.
    if (std::setlocale(LC_ALL, "cs_CZ.UTF-8") == nullptr &&
        std::setlocale(LC_ALL, "Czech") == nullptr) {
        GTEST_SKIP() << "no Czech locale is installed";
    }
    const bool decimalComma = std::string(std::localeconv()->decimal_point) == ",";
    const Case cases[] = {{"Benzin 45.22", 45.22}, {"2,25", 2.0}, {"1.5e3", 1500.0}};
    for (const Case& c : cases) ExpectReads(c);
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(decimalComma) << "the Czech locale was expected to use a decimal comma";
}

#ifdef KALVOR_HAVE_ORACLES

using Rng = std::mt19937_64;

int Uniform(Rng& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// The value digits x 10^exponent, written in a random one of its forms:
// leading zeros, point anywhere, trailing zeros, exponent written or not.
std::string RandomForm(std::string digits, long exponent, Rng& rng) {
    if (Uniform(rng, 0, 3) == 0) {
        const int zeros = Uniform(rng, 1, 30);
        digits.append(static_cast<std::size_t>(zeros), '0');
        exponent -= zeros;
    }
    std::string text;
    const int point = Uniform(rng, -1, static_cast<int>(digits.size()));
    if (point < 0) {  // 0.000ddd
        const int zeros = Uniform(rng, 0, 20);
        text = Join({"0.", Repeat(static_cast<std::size_t>(zeros), '0'), digits});
        exponent += static_cast<long>(digits.size()) + zeros;
    } else {
        const auto p = static_cast<std::size_t>(point);
        text = std::string(static_cast<std::size_t>(Uniform(rng, 0, 1) * Uniform(rng, 0, 5)), '0');
        text += digits.substr(0, p == 0 ? 1 : p);
        if (p < digits.size() || Uniform(rng, 0, 3) == 0) {
            text += '.';
            text += digits.substr(p == 0 ? 1 : p);
        }
        exponent += static_cast<long>(digits.size() - (p == 0 ? 1 : p));
    }
    if (exponent != 0 || Uniform(rng, 0, 1) == 0) {
        text += Uniform(rng, 0, 1) == 0 ? 'e' : 'E';
        if (exponent < 0)
            text += '-';
        else if (Uniform(rng, 0, 1) == 0)
            text += '+';
        text += std::string(static_cast<std::size_t>(Uniform(rng, 0, 1) * Uniform(rng, 1, 4)), '0');
        text += std::to_string(exponent < 0 ? -exponent : exponent);
    }
    return text;
}

std::string RandomDigits(Rng& rng, int count) {
    std::string d(static_cast<std::size_t>(count), '0');
    for (char& c : d) c = static_cast<char>('0' + Uniform(rng, 0, 9));
    if (d[0] == '0') d[0] = '1';
    return d;
}

// A double at random, any finite non-negative bit pattern.
std::uint64_t RandomFiniteBits(Rng& rng) {
    const auto biased = static_cast<std::uint64_t>(Uniform(rng, 0, 2046));
    return (biased << 52) | (rng() & ((std::uint64_t{1} << 52) - 1));
}

// The exact decimal of the point halfway between a double and the next one
// up, perturbed at random by a little either way or not at all.
std::string NearHalfway(Rng& rng) {
    const std::uint64_t bits = RandomFiniteBits(rng);
    const std::uint64_t biased = bits >> 52;
    const std::uint64_t m =
        (bits & ((std::uint64_t{1} << 52) - 1)) | (biased ? std::uint64_t{1} << 52 : 0);
    const long e = biased ? static_cast<long>(biased) - 1075 : -1074;
    mpz_t n;
    mpz_init_set_ui(n, static_cast<unsigned long>(2 * m + 1));
    long exponent = 0;
    if (e - 1 >= 0) {
        mpz_mul_2exp(n, n, static_cast<mp_bitcnt_t>(e - 1));
    } else {
        mpz_t five;
        mpz_init(five);
        mpz_ui_pow_ui(five, 5, static_cast<unsigned long>(1 - e));
        mpz_mul(n, n, five);
        mpz_clear(five);
        exponent = e - 1;
    }
    const int shift = Uniform(rng, 0, 3) == 0 ? Uniform(rng, 700, 900) : Uniform(rng, 1, 25);
    switch (Uniform(rng, 0, 4)) {
        case 0:
            break;  // exactly halfway
        case 1:     // a unit `shift` places further down, above or below
        case 2: {
            mpz_t p;
            mpz_init(p);
            mpz_ui_pow_ui(p, 10, static_cast<unsigned long>(shift));
            mpz_mul(n, n, p);
            mpz_clear(p);
            exponent -= shift;
            if (Uniform(rng, 0, 1) == 0)
                mpz_add_ui(n, n, 1);
            else
                mpz_sub_ui(n, n, 1);
            break;
        }
        default: {  // cut after a random number of digits, perhaps rounded up
            const auto len = static_cast<long>(mpz_sizeinbase(n, 10));
            const long keep = Uniform(rng, 1, static_cast<int>(len));
            mpz_t p;
            mpz_init(p);
            mpz_ui_pow_ui(p, 10, static_cast<unsigned long>(len - keep));
            mpz_tdiv_q(n, n, p);
            mpz_clear(p);
            if (Uniform(rng, 0, 1) == 0) mpz_add_ui(n, n, 1);
            exponent += len - keep;
        }
    }
    char* s = mpz_get_str(nullptr, 10, n);
    const std::string digits(s);
    std::free(s);
    mpz_clear(n);
    return RandomForm(digits, exponent, rng);
}

// Digits and an exponent of varied shapes: short and long, from beyond the
// overflow threshold to below half the smallest subnormal.
std::string RandomNumber(Rng& rng, int shape) {
    switch (shape) {
        case 0:
            return RandomForm(RandomDigits(rng, Uniform(rng, 1, 19)), Uniform(rng, -30, 30), rng);
        case 1: {
            const int count = Uniform(rng, 1, 40);
            return RandomForm(RandomDigits(rng, count), Uniform(rng, -345, 310) - count, rng);
        }
        case 2: {
            const int count = Uniform(rng, 41, 800);
            return RandomForm(RandomDigits(rng, count), Uniform(rng, -345, 310) - count, rng);
        }
        case 3: {  // a double printed to 15..25 significant digits
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.*e", Uniform(rng, 14, 24),
                          std::bit_cast<double>(RandomFiniteBits(rng)));
            return buf;
        }
        default:
            return NearHalfway(rng);
    }
}

double MpfrRead(const std::string& number) {
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    mpfr_t x;
    mpfr_init2(x, 53);
    const int inexact = mpfr_strtofr(x, number.c_str(), nullptr, 10, MPFR_RNDN);
    mpfr_subnormalize(x, inexact, MPFR_RNDN);
    const double d = mpfr_get_d(x, MPFR_RNDN);
    mpfr_clear(x);
    return d;
}

TEST(FieldValueDifferential, AgreesWithMpfrAndStrtodOnRandomTexts) {
    // Text around the number that must not change it.
    const char* prefixes[] = {"",  "",  "Benzin ", "Osobn\xed automobil ",
                              "-", ".", "e+",      "\xe8\xb9 "};
    const char* suffixes[] = {"", "", " km/h", ",25", "x10", "e", "E+", "e-", ".", "\xed", "d5"};
    Rng rng(20240611);
    constexpr int kCount = 120000;
    int mismatches = 0;
    for (int i = 0; i < kCount && mismatches < 20; ++i) {
        const std::string number = RandomNumber(rng, i % 5);
        const std::string text = std::string(prefixes[rng() % std::size(prefixes)]) + number +
                                 suffixes[rng() % std::size(suffixes)];
        const double expected = MpfrRead(number);
        const double fromStrtod = std::strtod(number.c_str(), nullptr);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(expected), std::bit_cast<std::uint64_t>(fromStrtod))
            << "the two oracles disagree on " << number;
        const FieldValue v = ParseFieldValue(text.c_str());
        if (!v.hasDigit ||
            std::bit_cast<std::uint64_t>(v.value) != std::bit_cast<std::uint64_t>(expected)) {
            ++mismatches;
            ADD_FAILURE() << "text " << text << "\nread " << v.value << " expected " << expected;
        }
    }
}

#else

TEST(FieldValueDifferential, AgreesWithMpfrAndStrtodOnRandomTexts) {
    GTEST_SKIP() << "built without MPFR and glibc";
}

#endif

}  // namespace
