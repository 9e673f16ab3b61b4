// The page's unit systems: metric (the core's own units), UK and US. Speed
// and frontal area are typed in miles per hour and square feet there and
// converted exactly into km/h and m^2 as they are read; the results are
// converted exactly from kW, l/h and l/100 km into horsepower, gallons an
// hour and miles per gallon as they are written. Only the page uses this:
// the window links none of it (every definition lives in a file of its own).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "calc/drag.h"
#include "calc/field_value.h"

namespace calc {

enum class UnitSystem : std::uint8_t { Metric, Uk, Us };

// An exact decimal: digits * 10^exponent.
struct DecimalFactor {
    std::uint64_t digits = 1;
    std::int32_t exponent = 0;
};

// Every unit once, as the exact decimal of the core's unit that it equals.
inline constexpr DecimalFactor kKilometresPerMile{1'609'344, -6};
inline constexpr DecimalFactor kSquareMetresPerSquareFoot{9'290'304, -8};
inline constexpr DecimalFactor kWattsPerHorsepower{74'569'987'158'227'022, -14};
inline constexpr DecimalFactor kLitresPerUsGallon{3'785'411'784, -9};
inline constexpr DecimalFactor kLitresPerUkGallon{454'609, -5};

// A result's conversion into the unit shown: x * numerator / denominator,
// or numerator / (denominator * x) when inverse (miles per gallon from
// litres per 100 km). Both terms are at most kMaxConversionTerm, so that a
// decimal digit times a term, plus a carry below it, fits 64 bits.
inline constexpr std::uint64_t kMaxConversionTerm = UINT64_MAX / 10;
struct Conversion {
    std::uint64_t numerator = 1;
    std::uint64_t denominator = 1;
    bool inverse = false;
};

// What the page reads and shows in a unit system: the factors of the speed
// and area fields into km/h and m^2, and the conversions of the power (kW),
// the fuel rate (l/h) and the litres per 100 km.
struct UnitConversions {
    DecimalFactor speed;
    DecimalFactor area;
    Conversion power;
    Conversion fuelRate;
    Conversion fuelPer100Km;
};

namespace units_detail {

// a / b as a fraction of integers: the power of ten goes to the side that
// keeps it whole.
constexpr Conversion Quotient(DecimalFactor a, DecimalFactor b, bool inverse = false) {
    Conversion c{a.digits, b.digits, inverse};
    for (std::int32_t k = a.exponent; k > b.exponent; --k) c.numerator *= 10;
    for (std::int32_t k = b.exponent; k > a.exponent; --k) c.denominator *= 10;
    return c;
}

constexpr UnitConversions Imperial(DecimalFactor gallon) {
    return {kKilometresPerMile, kSquareMetresPerSquareFoot,
            // hp = kW * 1000 / (W per hp); gal/h = (l/h) / (l per gal)
            Quotient({1000, 0}, kWattsPerHorsepower), Quotient({1, 0}, gallon),
            // mpg = 100 * (l per gal) / ((km per mile) * L)
            Quotient({gallon.digits, gallon.exponent + 2}, kKilometresPerMile, true)};
}

}  // namespace units_detail

constexpr UnitConversions ConversionsFor(UnitSystem units) {
    switch (units) {
        case UnitSystem::Uk:
            return units_detail::Imperial(kLitresPerUkGallon);
        case UnitSystem::Us:
            return units_detail::Imperial(kLitresPerUsGallon);
        case UnitSystem::Metric:
            break;
    }
    return {};
}

// The text of a converted result: a sign, the 326 integer digits of the
// largest one (miles per gallon of the smallest subnormal litres per 100
// km), the point, six decimals and the terminator.
inline constexpr std::size_t kConvertedTextCapacity = 335;
using ConvertedText = std::array<char, kConvertedTextCapacity>;

// A result in the unit shown: its text, the exact converted value rounded
// once to six decimals, half to even, as "%f" writes it ("inf", "nan"),
// and a number close to it (two roundings in the extended format) for
// plotting.
struct ConvertedResult {
    double value = 0.0;
    ConvertedText text{};
};

// x converted by c, x a result of the core (kW, l/h or l/100 km).
ConvertedResult ConvertResult(double x, Conversion c);
// The same for x with its "%f" text as the core wrote it (DragOutcome,
// FuelPer100Km), which is the result's text itself where c changes
// nothing (metric): the page's metric request formats nothing twice.
ConvertedResult ConvertResult(double x, const FixedText& text, Conversion c);

// ParseFieldValue's number times `factor`, exactly, rounded once to the
// nearest double as ParseFieldValue rounds (ties to even, too large +inf,
// too small a subnormal or 0). Linear in the text's length.
FieldValue ParseScaledFieldValue(const char* text, DecimalFactor factor);

// ComputeDrag with the speed and the frontal area read in the unit system;
// the outcome is in kW and l/h, as ComputeDrag's. In metric it is
// ComputeDrag.
DragOutcome ComputeDrag(const DragFields& fields, UnitSystem units);

}  // namespace calc
