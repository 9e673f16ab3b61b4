// The calculation behind the OK button: field texts in, drag power and fuel
// rate out. Free of platform calls and of state between calls.
#pragma once

#include <cstddef>

#include "calc/fixed_format.h"

namespace calc {

// The longest field text that is read, in characters, not counting the
// terminator: every caller cuts a longer text there, as the window does
// when it copies a field into its working block.
inline constexpr std::size_t kFieldTextLimit = 65'534;

// The four field texts of one request, each zero-terminated, by name so that
// no caller can swap them:
//   ComputeDrag({.speed = "100", .dragCoefficient = "0.3",
//                .calorificValue = "45.22", .frontalArea = "2.25"})
struct DragFields {
    const char* speed = "";            // km/h
    const char* dragCoefficient = "";  // dimensionless
    const char* calorificValue = "";   // MJ/kg
    const char* frontalArea = "";      // m^2
};

enum class DragStatus { Ok, NoDigit };

// The result of one calculation request. The numbers and texts carry meaning
// only with DragStatus::Ok; the texts are zero-terminated "%f" renderings.
struct DragOutcome {
    DragStatus status = DragStatus::NoDigit;
    double power = 0.0;     // kW
    double fuelRate = 0.0;  // litres per hour
    FixedText powerText{};
    FixedText fuelText{};
};

// Reads the four fields in order (speed, drag coefficient, calorific value,
// frontal area) and stops at the first one without a digit. Otherwise
// computes
//   v = s * 1000 / 3600           speed in m/s
//   t = v * v * 0.5 * 1.3 * c * A drag force in N
//   P = t * v / 1000              power in kW
//   e = H * 0.72 * 0.3 / 3.6      useful energy of a litre of fuel in kWh
//   F = P / e                     fuel rate in l/h
// each quantity from left to right in 80-bit extended arithmetic, rounded to
// a double when complete, and formats P and F as "%f" does.
DragOutcome ComputeDrag(const DragFields& fields);

// The fuel that air drag alone costs over 100 km, in litres: only the page
// shows it, so the window's request does not compute it.
struct FuelPer100Km {
    double litres = 0.0;
    FixedText text{};  // "%f" of litres: "inf" or "nan" where it is not finite
};

// L = F / s * 100 from the fuel rate F of an Ok outcome (l/h) and the speed
// s that ComputeDrag read (km/h, the double v is computed from), left to
// right in 80-bit extended arithmetic and rounded to a double once
// complete, formatted as "%f" does. Speed 0 gives infinity, or NaN when F
// is 0 too.
FuelPer100Km ComputeFuelPer100Km(double fuelRate, double speed);

}  // namespace calc
