// The litres per 100 km, in a file of its own: a program that never asks for
// them (the window) links none of this.
#include "calc/drag.h"
#include "calc/extended.h"
#include "calc/fixed_format.h"

namespace calc {

FuelPer100Km ComputeFuelPer100Km(double fuelRate, double speed) {
    // One quantity: F / s, then * 100, in the extended format; one rounding
    // to a double at the end.
    const Extended perKm = Divide(ToExtended(fuelRate), ToExtended(speed));
    FuelPer100Km result;
    result.litres = ToDouble(Multiply(perKm, ToExtended(100.0)));
    FormatFixed(result.litres, result.text);
    return result;
}

}  // namespace calc
