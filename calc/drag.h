// The calculation behind the OK button: field texts in, drag power and fuel
// rate out. Free of platform calls and of state between calls.
#pragma once

#include "calc/fixed_format.h"

// What a field text holds: whether it has a decimal digit at all, and the
// number read from the first digit on (0 when there is no digit).
struct FieldValue {
    bool hasDigit = false;
    double value = 0.0;
};

// Skips everything before the first ASCII digit, then reads the longest
// prefix of the form  digits [ '.' digits ] [ ('e'|'E') [sign] digits ]
// and rounds it correctly to the nearest double (too large reads as +inf,
// too small as the nearest subnormal or 0). The decimal point is always '.',
// whatever the locale. Never negative: a sign before the first digit is
// skipped with everything else.
FieldValue ParseFieldValue(const char* text);

enum class DragStatus { Ok, NoDigit };

// The result of one calculation request. The numbers and texts carry meaning
// only with DragStatus::Ok; the texts are zero-terminated "%f" renderings.
struct DragOutcome {
    DragStatus status = DragStatus::NoDigit;
    double power = 0.0;     // kW
    double fuelRate = 0.0;  // litres per hour
    calc::FixedText powerText{};
    calc::FixedText fuelText{};
};

// Reads the four field texts in order (speed in km/h, drag coefficient,
// calorific value in MJ/kg, frontal area in m^2) and stops at the first one
// without a digit. Otherwise computes
//   v = s * 1000 / 3600           speed in m/s
//   t = v * v * 0.5 * 1.3 * c * A drag force in N
//   P = t * v / 1000              power in kW
//   e = H * 0.72 * 0.3 / 3.6      useful energy of a litre of fuel in kWh
//   F = P / e                     fuel rate in l/h
// each quantity from left to right in 80-bit extended arithmetic, rounded to
// a double when complete, and formats P and F as "%f" does.
DragOutcome ComputeDrag(const char* speed, const char* dragCoefficient, const char* calorificValue,
                        const char* frontalArea);
