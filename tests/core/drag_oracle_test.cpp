// Differential test of ComputeDrag and ComputeFuelPer100Km against MPFR:
// every operation at 64-bit precision with the extended format's exponent
// range (subnormals emulated), every finished quantity rounded to a double,
// the texts made by glibc's exact printf. Inputs are random texts of several
// shapes and texts built to put a result next to a tie of the sixth decimal,
// where only the exact double-rounding rule gives the right digit; again in
// UK and US units, with near ties of inputs' products with their units too.
//
// KALVOR_ORACLE_CASES sets the number of random cases (default 100000; the
// long run uses 10000000). The cases and the oracle's texts are written to
// a file that the Windows build of the core tests reads under Wine, so that
// both builds are held to the same texts.
#include <gmp.h>
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
// place of a tie of the sixth decimal, in the units' texts (the core's
// conversions of 1 only aim it).
void NearTieCase(std::mt19937_64& rng, std::string texts[4], UnitSystem units) {
    const calc::UnitConversions u = calc::ConversionsFor(units);
    auto per = [](calc::Conversion k) { return calc::ConvertResult(1.0, k).value; };
    const double mile = calc::ParseScaledFieldValue("1", u.speed).value;
    const double foot = calc::ParseScaledFieldValue("1", u.area).value;
    char buffer[64];
    const double s = static_cast<double>(1 + rng() % 3000) / 10.0;
    const double a = static_cast<double>(100 + rng() % 400) / 100.0;
    const double h = static_cast<double>(1000 + rng() % 5000) / 100.0;
    const double v = s * mile / 3.6;
    std::snprintf(buffer, sizeof buffer, "%.1f", s);
    texts[0] = buffer;
    std::snprintf(buffer, sizeof buffer, "%.2f", a);
    texts[3] = buffer;
    const double scale = std::pow(10.0, static_cast<int>(rng() % 7) - 3);
    const double tie = (std::floor(static_cast<double>(rng() % 1000000) * scale) + 0.5) * 1e-6;
    const unsigned target = static_cast<unsigned>(rng() % 3);
    if (target == 0) {
        const double c = tie / per(u.power) / (v * v * v * 0.65 * a * foot / 1000.0);
        std::snprintf(buffer, sizeof buffer, "%.17g", c);
        texts[1] = buffer;
        std::snprintf(buffer, sizeof buffer, "%.2f", h);
        texts[2] = buffer;
    } else {
        const double c = static_cast<double>(20 + rng() % 80) / 100.0;
        std::snprintf(buffer, sizeof buffer, "%.2f", c);
        texts[1] = buffer;
        const double p = v * v * v * 0.65 * c * a * foot / 1000.0;
        // The fuel rate, or the litres per 100 km (or miles per gallon, their
        // inverse), next to the tie.
        const double k = per(u.fuelPer100Km), litres = u.fuelPer100Km.inverse ? k / tie : tie / k;
        const double fuel = target == 1 ? tie / per(u.fuelRate) : litres * s * mile / 100.0;
        std::snprintf(buffer, sizeof buffer, "%.17g", p / (fuel * 0.06));
        texts[2] = buffer;
    }
}

// A speed (or area) in mph (or ft^2) whose exact product with its unit is a
// tie between two doubles, or a 10^-20 or 10^-1000 part off one: with F =
// K 2^t 10^d, K odd, and the tie K k 2^E, k odd, text = k 5^(t-E) 10^(E-t-d).
void InputTieCase(std::mt19937_64& rng, std::string texts[4], UnitSystem units) {
    const bool speed = rng() % 2 == 0;
    const calc::UnitConversions u = calc::ConversionsFor(units);
    const calc::DecimalFactor f = speed ? u.speed : u.area;
    const int t = std::countr_zero(f.digits), e = -60 + static_cast<int>(rng() % 21);
    const std::uint64_t low = (std::uint64_t{1} << 53) / (f.digits >> t) + 1;
    mpz_t digits;
    mpz_init(digits);
    mpz_ui_pow_ui(digits, 5, static_cast<unsigned long>(t - e));
    mpz_mul_ui(digits, digits, (low + rng() % (low - 1)) | 1);
    std::string number(mpz_sizeinbase(digits, 10) + 1, '\0');
    number.resize(std::strlen(mpz_get_str(number.data(), 10, digits)));
    mpz_clear(digits);
    const int off = rng() % 2 == 0 ? 20 : 1000, side = static_cast<int>(rng() % 3);
    // Below (side 1): the last digit, odd, one lower and nines; above: 0...01.
    if (side == 1) --number.back();
    const std::string tail(static_cast<std::size_t>(off - 1), side == 1 ? '9' : '0');
    if (side > 0) number += tail + (side == 1 ? "9" : "1");
    number += "e" + std::to_string(e - t - f.exponent - (side > 0 ? off : 0));
    texts[0] = speed ? number : "60";
    texts[1] = "0.3";
    texts[2] = "45.22";
    texts[3] = speed ? "24.2" : number;
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

// The groups in a unit system, their lines written to `cases` (the units'
// name last where they are not metric).
void RunGroups(UnitSystem units, std::FILE* cases, std::mt19937_64& rng, oracle::DragOracle& model);

TEST(ComputeDragOracle, RandomAndNearTieTextsMatchMpfr) {
    std::FILE* cases = std::fopen(KALVOR_CASES_FILE, "w");
    ASSERT_NE(cases, nullptr) << "cannot write " << KALVOR_CASES_FILE;
    std::mt19937_64 rng(20261208);
    oracle::DragOracle model;
    for (const UnitSystem units : {UnitSystem::Metric, UnitSystem::Uk, UnitSystem::Us}) {
        RunGroups(units, cases, rng, model);
    }
    ASSERT_EQ(std::fclose(cases), 0);
}

void RunGroups(UnitSystem units, std::FILE* cases, std::mt19937_64& rng,
               oracle::DragOracle& model) {
    const calc::UnitConversions u = calc::ConversionsFor(units);
    const char* const name = std::array{"", "\tuk", "\tus"}[static_cast<std::size_t>(units)];
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
                (units == UnitSystem::Metric || n % 4 == 2 ? NearTieCase : InputTieCase)(rng, texts,
                                                                                         units);
                ++nearTies;
                break;
        }
        const oracle::Result expected = model.Compute(texts[0], texts[1], texts[2], texts[3],
                                                      static_cast<oracle::Units>(units));
        ASSERT_TRUE(expected.hasDigit) << texts[0];
        const std::string& power = expected.power;
        const std::string& fuel = expected.fuel;
        const std::string& per100 = expected.fuelPer100Km;
        const DragOutcome drag = ComputeDrag(
            {texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str()}, units);
        ASSERT_EQ(drag.status, DragStatus::Ok);
        const calc::FuelPer100Km perKm = ComputeFuelPer100Km(
            drag.fuelRate, calc::ParseScaledFieldValue(texts[0].c_str(), u.speed).value);
        // The texts shown: the core's own in metric, their conversions otherwise.
        const calc::ConvertedResult out[] = {
            calc::ConvertResult(drag.power, drag.powerText, u.power),
            calc::ConvertResult(drag.fuelRate, drag.fuelText, u.fuelRate),
            calc::ConvertResult(perKm.litres, perKm.text, u.fuelPer100Km)};
        if (power != out[0].text.data() || fuel != out[1].text.data() ||
            per100 != out[2].text.data()) {
            if (++mismatches <= 10) {
                ADD_FAILURE() << "inputs '" << texts[0] << "' '" << texts[1] << "' '" << texts[2]
                              << "' '" << texts[3] << "': oracle " << power << " " << fuel << " "
                              << per100 << ", core " << out[0].text.data() << " "
                              << out[1].text.data() << " " << out[2].text.data() << name;
            }
        }
        std::fprintf(cases, "%s\t%s\t%s\t%s\t%s\t%s\t%s%s\n", texts[0].c_str(), texts[1].c_str(),
                     texts[2].c_str(), texts[3].c_str(), power.c_str(), fuel.c_str(),
                     per100.c_str(), name);
    }
    EXPECT_EQ(mismatches, 0) << "of " << total << " cases (" << nearTies << " near ties)" << name;
}

}  // namespace
