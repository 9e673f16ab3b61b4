// Differential test of ComputeDrag and ComputeFuelPer100Km against MPFR:
// every operation at 64-bit precision with the extended format's exponent
// range (subnormals emulated), every finished quantity rounded to a double,
// the texts made by glibc's exact printf. Inputs are random texts of several
// shapes and texts built to put a result next to a tie of the sixth decimal,
// where only the exact double-rounding rule gives the right digit.
//
// KALVOR_ORACLE_CASES sets the number of random cases (default 100000; the
// long run uses 10000000). The cases and the oracle's texts are written to
// a file that the Windows build of the core tests reads under Wine, so that
// both builds are held to the same texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "calc/drag.h"
#include "calc/field_value.h"
#include "tests/oracle/mpfr_oracle.h"

#ifndef KALVOR_CASES_FILE
#error "KALVOR_CASES_FILE must name the file shared with the Windows tests"
#endif

namespace {

using calc::ComputeDrag;
using calc::ComputeFuelPer100Km;
using calc::DragOutcome;
using calc::DragStatus;

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
// place of a tie of the sixth decimal.
void NearTieCase(std::mt19937_64& rng, std::string texts[4]) {
    char buffer[64];
    const double s = static_cast<double>(1 + rng() % 3000) / 10.0;
    const double a = static_cast<double>(100 + rng() % 400) / 100.0;
    const double h = static_cast<double>(1000 + rng() % 5000) / 100.0;
    const double v = s / 3.6;
    std::snprintf(buffer, sizeof buffer, "%.1f", s);
    texts[0] = buffer;
    std::snprintf(buffer, sizeof buffer, "%.2f", a);
    texts[3] = buffer;
    const double scale = std::pow(10.0, static_cast<int>(rng() % 7) - 3);
    const double tie = (std::floor(static_cast<double>(rng() % 1000000) * scale) + 0.5) * 1e-6;
    const unsigned target = static_cast<unsigned>(rng() % 3);
    if (target == 0) {
        const double c = tie / (v * v * v * 0.65 * a / 1000.0);
        std::snprintf(buffer, sizeof buffer, "%.17g", c);
        texts[1] = buffer;
        std::snprintf(buffer, sizeof buffer, "%.2f", h);
        texts[2] = buffer;
    } else {
        const double c = static_cast<double>(20 + rng() % 80) / 100.0;
        std::snprintf(buffer, sizeof buffer, "%.2f", c);
        texts[1] = buffer;
        const double p = v * v * v * 0.65 * c * a / 1000.0;
        // The fuel rate, or the litres per 100 km, next to the tie.
        const double fuel = target == 1 ? tie : tie * s / 100.0;
        std::snprintf(buffer, sizeof buffer, "%.17g", p / (fuel * 0.06));
        texts[2] = buffer;
    }
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
            default:
                NearTieCase(rng, texts);
                ++nearTies;
                break;
        }
        const oracle::Result expected = model.Compute(texts[0], texts[1], texts[2], texts[3]);
        ASSERT_TRUE(expected.hasDigit) << texts[0];
        const std::string& power = expected.power;
        const std::string& fuel = expected.fuel;
        const std::string& per100 = expected.fuelPer100Km;
        const DragOutcome out =
            ComputeDrag({texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str()});
        ASSERT_EQ(out.status, DragStatus::Ok);
        const calc::FuelPer100Km litres =
            ComputeFuelPer100Km(out.fuelRate, calc::ParseFieldValue(texts[0].c_str()).value);
        if (power != out.powerText.data() || fuel != out.fuelText.data() ||
            per100 != litres.text.data()) {
            if (++mismatches <= 10) {
                ADD_FAILURE() << "inputs '" << texts[0] << "' '" << texts[1] << "' '" << texts[2]
                              << "' '" << texts[3] << "': oracle " << power << " " << fuel << " "
                              << per100 << ", core " << out.powerText.data() << " "
                              << out.fuelText.data() << " " << litres.text.data();
            }
        }
        std::fprintf(cases, "%s\t%s\t%s\t%s\t%s\t%s\t%s\n", texts[0].c_str(), texts[1].c_str(),
                     texts[2].c_str(), texts[3].c_str(), power.c_str(), fuel.c_str(),
                     per100.c_str());
    }
    ASSERT_EQ(std::fclose(cases), 0);
    EXPECT_EQ(mismatches, 0) << "of " << total << " cases (" << nearTies << " near ties)";
}

}  // namespace
