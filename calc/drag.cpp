#include "calc/drag.h"

#include "calc/extended.h"
#include "calc/field_value.h"

namespace calc {
namespace {

// Each quantity is carried in the extended format from its first operation
// to its last, then rounded once to a double; the next quantity starts from
// that double. These helpers keep the formulas readable in that shape.
Extended operator*(Extended a, double b) {
    return Multiply(a, ToExtended(b));
}
Extended operator/(Extended a, double b) {
    return Divide(a, ToExtended(b));
}

Extended Ext(double x) {
    return ToExtended(x);
}

struct DragInputs {
    double speed;            // km/h
    double dragCoefficient;  // dimensionless
    double calorificValue;   // MJ/kg
    double frontalArea;      // m^2
};

// Reads the four texts in order and stops at the first one without a digit.
bool ReadInputs(const DragFields& fields, DragInputs& inputs) {
    const char* const texts[] = {fields.speed, fields.dragCoefficient, fields.calorificValue,
                                 fields.frontalArea};
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

DragOutcome ComputeDrag(const DragFields& fields) {
    DragOutcome outcome;
    DragInputs in{};
    if (!ReadInputs(fields, in)) return outcome;

    // Strictly left to right, no regrouping and no folded constants: the
    // sixth decimal of near-tie results depends on it.
    const double v = ToDouble(Ext(in.speed) * 1000.0 / 3600.0);
    const double t = ToDouble(Ext(v) * v * 0.5 * 1.3 * in.dragCoefficient * in.frontalArea);
    const double power = ToDouble(Ext(t) * v / 1000.0);
    const double e = ToDouble(Ext(in.calorificValue) * 0.72 * 0.3 / 3.6);
    const double fuelRate = ToDouble(Ext(power) / e);

    outcome.status = DragStatus::Ok;
    outcome.power = power;
    outcome.fuelRate = fuelRate;
    FormatFixed(power, outcome.powerText);
    FormatFixed(fuelRate, outcome.fuelText);
    return outcome;
}

}  // namespace calc
