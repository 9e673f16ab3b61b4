// The calculation request in the page's unit systems. The window's request
// (drag.cpp) reads its four texts itself and must compile as it always has,
// so the speed and the frontal area read here in their units go to it as
// texts again: each converted double written as its exact decimal value,
// which its reader reads back as that very double. The formulas stay in
// one place, and the window's code as it was.
#include "calc/units.h"

#include <array>
#include <charconv>
#include <cstddef>

#include "calc/binary64.h"
#include "calc/drag.h"
#include "calc/fixed_digits.h"
#include "calc/long_decimal.h"

namespace calc {
namespace {

static_assert(ConversionsFor(UnitSystem::Us).power.numerator <= kMaxConversionTerm &&
                  ConversionsFor(UnitSystem::Us).power.denominator <= kMaxConversionTerm &&
                  ConversionsFor(UnitSystem::Us).fuelPer100Km.denominator <= kMaxConversionTerm &&
                  ConversionsFor(UnitSystem::Uk).fuelPer100Km.numerator <= kMaxConversionTerm,
              "the conversions' largest terms fit their arithmetic");

// Room for a double's exact decimal value: at most 767 significant digits,
// 'e', a sign, the four digits of an exponent down to -1074, the
// terminator.
using ExactText = std::array<char, 767 + 7>;

// x, never negative and never NaN (as the reader gives it), as a text that
// ParseFieldValue reads as x: digits 'e' exponent, or for infinity a number
// beyond the double range.
void WriteExactText(double x, ExactText& out) {
    const binary64::Parts parts = binary64::TakeApart(x);
    if (parts.kind != binary64::Parts::Kind::Finite) {
        fixed_digits::WriteText("1e999", out);
        return;
    }
    // x = 0.d[0]...d[count - 1] * 10^point, all of it exact.
    const LongDecimal a = fixed_digits::Exact(parts.significand, parts.exponent);
    std::size_t length = 0;
    for (int i = 0; i < a.count; ++i) {
        out[length++] = static_cast<char>('0' + a.d[static_cast<std::size_t>(i)]);
    }
    if (a.count == 0) out[length++] = '0';
    out[length++] = 'e';
    char* const end =
        std::to_chars(out.data() + length, out.data() + out.size() - 1, a.point - a.count).ptr;
    *end = '\0';
}

}  // namespace

DragOutcome ComputeDrag(const DragFields& fields, UnitSystem units) {
    if (units == UnitSystem::Metric) return ComputeDrag(fields);
    const UnitConversions c = ConversionsFor(units);
    const FieldValue speed = ParseScaledFieldValue(fields.speed, c.speed);
    const FieldValue area = ParseScaledFieldValue(fields.frontalArea, c.area);
    // Any field without a digit gives the one NoDigit outcome, whichever
    // ComputeDrag would have stopped at.
    if (!speed.hasDigit || !area.hasDigit) return {};
    ExactText speedText;
    ExactText areaText;
    WriteExactText(speed.value, speedText);
    WriteExactText(area.value, areaText);
    return ComputeDrag({.speed = speedText.data(),
                        .dragCoefficient = fields.dragCoefficient,
                        .calorificValue = fields.calorificValue,
                        .frontalArea = areaText.data()});
}

}  // namespace calc
