#include "calc/drag.h"

#include "calc/extended.h"

namespace {

using calc::Extended;

// Each quantity is carried in the extended format from its first operation
// to its last, then rounded once to a double; the next quantity starts from
// that double. These helpers keep the formulas readable in that shape.
Extended operator*(Extended a, double b) {
    return calc::Multiply(a, calc::ToExtended(b));
}
Extended operator/(Extended a, double b) {
    return calc::Divide(a, calc::ToExtended(b));
}

Extended Ext(double x) {
    return calc::ToExtended(x);
}

struct DragInputs {
    double speed;            // km/h
    double dragCoefficient;  // dimensionless
    double calorificValue;   // MJ/kg
    double frontalArea;      // m^2
};

// Reads the four texts in order and stops at the first one without a digit.
bool ReadInputs(const char* speed, const char* dragCoefficient, const char* calorificValue,
                const char* frontalArea, DragInputs& inputs) {
    const char* const texts[] = {speed, dragCoefficient, calorificValue, frontalArea};
    double* const values[] = {&inputs.speed, &inputs.dragCoefficient, &inputs.calorificValue,
                              &inputs.frontalArea};
    for (int i = 0; i < 4; ++i) {
        const FieldValue field = ParseFieldValue(texts[i]);
        if (!field.hasDigit) return false;
        *values[i] = field.value;
    }
    return true;
}

}  // namespace

DragOutcome ComputeDrag(const char* speed, const char* dragCoefficient, const char* calorificValue,
                        const char* frontalArea) {
    DragOutcome outcome;
    DragInputs in{};
    if (!ReadInputs(speed, dragCoefficient, calorificValue, frontalArea, in)) return outcome;

    // Strictly left to right, no regrouping and no folded constants: the
    // sixth decimal of near-tie results depends on it.
    const double v = calc::ToDouble(Ext(in.speed) * 1000.0 / 3600.0);
    const double t = calc::ToDouble(Ext(v) * v * 0.5 * 1.3 * in.dragCoefficient * in.frontalArea);
    const double power = calc::ToDouble(Ext(t) * v / 1000.0);
    const double e = calc::ToDouble(Ext(in.calorificValue) * 0.72 * 0.3 / 3.6);
    const double fuelRate = calc::ToDouble(Ext(power) / e);

    outcome.status = DragStatus::Ok;
    outcome.power = power;
    outcome.fuelRate = fuelRate;
    calc::FormatFixed(power, outcome.powerText);
    calc::FormatFixed(fuelRate, outcome.fuelText);
    return outcome;
}
