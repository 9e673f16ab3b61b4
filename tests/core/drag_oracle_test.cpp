// Differential test of ComputeDrag and ComputeFuelPer100Km against MPFR:
// every operation at 64-bit precision with the extended format's exponent
// range (subnormals emulated), every finished quantity rounded to a double,
// the texts made by glibc's exact printf. Inputs are random texts of several
// shapes and texts built to put a result next to a tie of the sixth decimal,
// where only the exact double-rounding rule gives the right digit. The same
// groups run again in the page's UK and US units, where the near ties are
// those of the converted texts and, for a quarter of the cases, of the
// rounding of an input's exact product with its unit (exact ties too).
//
// KALVOR_ORACLE_CASES sets the number of random cases (default 100000; the
// long run uses 10000000). The cases and the oracle's texts are written to
// a file that the Windows build of the core tests reads under Wine, so that
// both builds are held to the same texts.
#include <gmp.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "calc/drag.h"
#include "calc/field_value.h"
#include "calc/units.h"
#include "tests/oracle/mpfr_oracle.h"

#ifndef KALVOR_CASES_FILE
#error "KALVOR_CASES_FILE must name the file shared with the Windows tests"
#endif

namespace {

using calc::ComputeDrag;
using calc::ComputeFuelPer100Km;
using calc::DragOutcome;
using calc::DragStatus;

using calc::UnitSystem;
using oracle::CutNumber;

// Random decimal text with the given number of significant digits and a
// decimal exponent, in one of the shapes a user might type.
std::string RandomDecimal(std::mt19937_64& rng, int digits, int exponent) {
    std::string mantissa;
    for (int i = 0; i < digits; ++i) mantissa += static_cast<char>('0' + rng() % 10);
    if (mantissa[0] == '0' && digits > 1) mantissa[0] = static_cast<char>('1' + rng() % 9);
    switch (rng() % 3) {
        case 0:
            return mantissa + "e" + std::to_string(exponent);
        case 1: {
            const std::size_t point = rng() % mantissa.size() + 1;
            return mantissa.substr(0, point) + "." + mantissa.substr(point) + "E" +
                   (exponent >= 0 ? "+" : "") + std::to_string(exponent);
        }
        default:
            return "0." + mantissa + "e" + std::to_string(exponent);
    }
}

// Texts a driver of this vehicle would type: speeds up to 300 km/h, usual
// coefficients, fuels and areas, with prefixes like those of the presets.
void TypicalCase(std::mt19937_64& rng, std::string texts[4]) {
    auto fixed = [&](unsigned whole, unsigned decimals) {
        std::string s = std::to_string(rng() % whole);
        if (decimals > 0) {
            s += ".";
            for (unsigned i = 0; i < decimals; ++i) s += static_cast<char>('0' + rng() % 10);
        }
        return s;
    };
    texts[0] = fixed(301, static_cast<unsigned>(rng() % 3));
    texts[1] = "Osobn\xed automobil 0." + fixed(100, 0);
    texts[2] = "Benzin " + fixed(60, static_cast<unsigned>(rng() % 3));
    texts[3] = fixed(10, static_cast<unsigned>(rng() % 3));
}

// Values spread over the whole double range and beyond it.
void WideCase(std::mt19937_64& rng, std::string texts[4]) {
    for (int i = 0; i < 4; ++i) {
        const int digits = 1 + static_cast<int>(rng() % 20);
        const int exponent = static_cast<int>(rng() % 701) - 350;
        texts[i] = RandomDecimal(rng, digits, exponent);
    }
}

// A drag coefficient (or calorific value) solved so that the power (or the
// fuel rate, or the litres per 100 km) lands within a few units in the last
// place of a tie of the sixth decimal, in the units' texts. Speed and area
// are typed in the units; the core's own conversions (of 1) only help to
// aim, the oracle judges.
void NearTieCase(std::mt19937_64& rng, std::string texts[4], UnitSystem units) {
    const calc::UnitConversions c = calc::ConversionsFor(units);
    auto per = [](calc::Conversion k) { return calc::ConvertResult(1.0, k).value; };
    char buffer[64];
    const double s = static_cast<double>(1 + rng() % 3000) / 10.0;
    const double a = static_cast<double>(100 + rng() % 400) / 100.0;
    const double h = static_cast<double>(1000 + rng() % 5000) / 100.0;
    const double kmh = s * calc::ParseScaledFieldValue("1", c.speed).value;
    const double m2 = a * calc::ParseScaledFieldValue("1", c.area).value;
    const double v = kmh / 3.6;
    std::snprintf(buffer, sizeof buffer, "%.1f", s);
    texts[0] = buffer;
    std::snprintf(buffer, sizeof buffer, "%.2f", a);
    texts[3] = buffer;
    const double scale = std::pow(10.0, static_cast<int>(rng() % 7) - 3);
    const double tie = (std::floor(static_cast<double>(rng() % 1000000) * scale) + 0.5) * 1e-6;
    const unsigned target = static_cast<unsigned>(rng() % 3);
    if (target == 0) {
        const double c0 = tie / per(c.power) / (v * v * v * 0.65 * m2 / 1000.0);
        std::snprintf(buffer, sizeof buffer, "%.17g", c0);
        texts[1] = buffer;
        std::snprintf(buffer, sizeof buffer, "%.2f", h);
        texts[2] = buffer;
    } else {
        const double c0 = static_cast<double>(20 + rng() % 80) / 100.0;
        std::snprintf(buffer, sizeof buffer, "%.2f", c0);
        texts[1] = buffer;
        const double p = v * v * v * 0.65 * c0 * m2 / 1000.0;
        // The fuel rate, or the litres per 100 km (from miles per gallon,
        // their inverse), next to the tie.
        const double k = per(c.fuelPer100Km);
        const double litres = c.fuelPer100Km.inverse ? k / tie : tie / k;
        const double fuel = target == 1 ? tie / per(c.fuelRate) : litres * kmh / 100.0;
        std::snprintf(buffer, sizeof buffer, "%.17g", p / (fuel * 0.06));
        texts[2] = buffer;
    }
}

// A speed (or area) typed in mph (or square feet) whose exact product with
// its unit is a tie between two doubles, or lies a 10^-20 or a 10^-1000
// part above or below one (the latter beyond the digits that the reader's
// product keeps). With F = K * 2^t / 10^d (K odd) and the tie (K * k) * 2^E
// (k odd, K * k of 54 bits), the text is k * 5^(t - E) * 10^(d - t + E).
void InputTieCase(std::mt19937_64& rng, std::string texts[4], UnitSystem units) {
    const calc::UnitConversions c = calc::ConversionsFor(units);
    const bool speed = rng() % 2 == 0;
    const calc::DecimalFactor f = speed ? c.speed : c.area;
    const int t = std::countr_zero(f.digits);
    const std::uint64_t odd = f.digits >> t;
    const std::uint64_t low = ((std::uint64_t{1} << 53) + odd - 1) / odd;
    const std::uint64_t k = (low + rng() % (low - 1)) | 1;
    const int e = -60 + static_cast<int>(rng() % 21);
    mpz_t digits;
    mpz_init(digits);
    mpz_ui_pow_ui(digits, 5, static_cast<unsigned long>(t - e));
    mpz_mul_ui(digits, digits, k);
    char* text = mpz_get_str(nullptr, 10, digits);
    std::string number = text;
    std::free(text);
    mpz_clear(digits);
    const std::size_t off = rng() % 2 == 0 ? 20 : 1000;
    long exponent = -f.exponent - t + e;
    switch (rng() % 3) {
        case 0:
            number += std::string(off - 1, '0') + "1";
            exponent -= static_cast<long>(off);
            break;
        case 1:
            --number.back();  // odd, so never 0
            number += std::string(off, '9');
            exponent -= static_cast<long>(off);
            break;
    }
    texts[0] = speed ? number + "e" + std::to_string(exponent) : "60";
    texts[1] = "0.3";
    texts[2] = "45.22";
    texts[3] = speed ? "24.2" : number + "e" + std::to_string(exponent);
}

long CaseCount() {
    const char* env = std::getenv("KALVOR_ORACLE_CASES");
    const long n = env != nullptr ? std::strtol(env, nullptr, 10) : 0;
    return n > 0 ? n : 100000;
}

TEST(ComputeDragOracle, ReaderCutMatchesTheDocumentedForm) {
    // The oracle's own cut, checked on the documented forms before it judges.
    EXPECT_EQ(CutNumber("Benzin 45.22"), "45.22");
    EXPECT_EQ(CutNumber(".5"), "5");
    EXPECT_EQ(CutNumber("5.e3x"), "5.e3");
    EXPECT_EQ(CutNumber("3e+"), "3");
    EXPECT_EQ(CutNumber("0x10"), "0");
    EXPECT_EQ(CutNumber("abc"), "");
}

TEST(ComputeDragOracle, RandomAndNearTieTextsMatchMpfr) {
    std::FILE* cases = std::fopen(KALVOR_CASES_FILE, "w");
    ASSERT_NE(cases, nullptr) << "cannot write " << KALVOR_CASES_FILE;
    std::mt19937_64 rng(20261208);
    oracle::DragOracle model;
    const long total = CaseCount();
    // Metric lines have the four texts and the three results; the others
    // name their units last, after them.
    const char* const names[] = {"", "\tuk", "\tus"};
    for (const UnitSystem units : {UnitSystem::Metric, UnitSystem::Uk, UnitSystem::Us}) {
        const calc::UnitConversions c = calc::ConversionsFor(units);
        const bool metric = units == UnitSystem::Metric;
        long mismatches = 0, nearTies = 0;
        for (long n = 0; n < total; ++n) {
            std::string texts[4];
            switch (n % 4) {
                case 0:
                    TypicalCase(rng, texts);
                    break;
                case 1:
                    WideCase(rng, texts);
                    break;
                case 2:
                    NearTieCase(rng, texts, units);
                    ++nearTies;
                    break;
                default:
                    if (metric) {
                        NearTieCase(rng, texts, units);
                    } else {
                        InputTieCase(rng, texts, units);
                    }
                    ++nearTies;
                    break;
            }
            const oracle::Result expected =
                model.Compute(texts[0], texts[1], texts[2], texts[3],
                              static_cast<oracle::Units>(static_cast<int>(units)));
            ASSERT_TRUE(expected.hasDigit) << texts[0];
            const DragOutcome out = ComputeDrag(
                {texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str()}, units);
            ASSERT_EQ(out.status, DragStatus::Ok);
            const double speed = calc::ParseScaledFieldValue(texts[0].c_str(), c.speed).value;
            const calc::FuelPer100Km litres = ComputeFuelPer100Km(out.fuelRate, speed);
            // In metric the core's own texts; otherwise their conversions.
            const std::string got[3] = {
                metric ? out.powerText.data() : calc::ConvertResult(out.power, c.power).text.data(),
                metric ? out.fuelText.data()
                       : calc::ConvertResult(out.fuelRate, c.fuelRate).text.data(),
                metric ? litres.text.data()
                       : calc::ConvertResult(litres.litres, c.fuelPer100Km).text.data()};
            if (expected.power != got[0] || expected.fuel != got[1] ||
                expected.fuelPer100Km != got[2]) {
                if (++mismatches <= 10) {
                    ADD_FAILURE() << names[static_cast<int>(units)] << " inputs '" << texts[0]
                                  << "' '" << texts[1] << "' '" << texts[2] << "' '" << texts[3]
                                  << "': oracle " << expected.power << " " << expected.fuel << " "
                                  << expected.fuelPer100Km << ", core " << got[0] << " " << got[1]
                                  << " " << got[2];
                }
            }
            std::fprintf(cases, "%s\t%s\t%s\t%s\t%s\t%s\t%s%s\n", texts[0].c_str(),
                         texts[1].c_str(), texts[2].c_str(), texts[3].c_str(),
                         expected.power.c_str(), expected.fuel.c_str(),
                         expected.fuelPer100Km.c_str(), names[static_cast<int>(units)]);
        }
        EXPECT_EQ(mismatches, 0) << names[static_cast<int>(units)] << " of " << total << " cases ("
                                 << nearTies << " near ties)";
    }
    ASSERT_EQ(std::fclose(cases), 0);
}

}  // namespace
