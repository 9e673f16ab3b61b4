// The calculation core for the browser page: the page writes the four field
// texts as Windows-1250 bytes into buffers of this module's memory, calls
// kalvor_compute with a unit system and reads the results back, as the
// window does with its working blocks.
#include <cstddef>
#include <limits>

#include "calc/drag.h"
#include "calc/field_value.h"
#include "calc/units.h"

namespace {

constexpr std::size_t kFieldCount = 4;

// A field's longest text and its terminator, in the order ComputeDrag takes
// them: speed, drag coefficient, calorific value, frontal area.
char g_fields[kFieldCount][calc::kFieldTextLimit + 1];

// What the last request gave, in its unit system: the three results shown
// (power, fuel rate, and litres per 100 km or miles per gallon), and the
// litres per 100 km, from which the page decides where the third shows a
// dash. A request without results leaves no texts and NaN for every
// number, so that nothing of an earlier one reads as current.
struct Results {
    calc::ConvertedResult power;
    calc::ConvertedResult fuelRate;
    calc::ConvertedResult fuelPer100Km;
    double litresPer100Km;
};

Results NoResults() {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    Results none{};
    none.power.value = none.fuelRate.value = none.fuelPer100Km.value = kNaN;
    none.litresPer100Km = kNaN;
    return none;
}

Results g_results = NoResults();

}  // namespace

extern "C" {

// How many bytes of a field are read; the page cuts a longer text there.
__attribute__((export_name("kalvor_field_limit"))) std::size_t FieldLimit() {
    return calc::kFieldTextLimit;
}

// Where the page writes field `index` (0 to 3), zero-terminated.
__attribute__((export_name("kalvor_field"))) char* Field(std::size_t index) {
    return index < kFieldCount ? g_fields[index] : nullptr;
}

// Computes from the four buffers, each cut at the limit whatever the page
// wrote, with the speed and the area read in the unit system (0 metric,
// 1 UK, 2 US) and the results converted into it. Returns 1 with results, 0
// when a field holds no digit, -1 for an unknown unit system.
__attribute__((export_name("kalvor_compute"))) int Compute(int system) {
    if (system < 0 || system > static_cast<int>(calc::UnitSystem::Us)) {
        g_results = NoResults();
        return -1;
    }
    const auto units = static_cast<calc::UnitSystem>(system);
    for (auto& field : g_fields) field[calc::kFieldTextLimit] = '\0';
    const calc::DragOutcome outcome = calc::ComputeDrag({.speed = g_fields[0],
                                                         .dragCoefficient = g_fields[1],
                                                         .calorificValue = g_fields[2],
                                                         .frontalArea = g_fields[3]},
                                                        units);
    if (outcome.status != calc::DragStatus::Ok) {
        g_results = NoResults();
        return 0;
    }
    // The litres per 100 km, from the speed as ComputeDrag read it (km/h).
    const calc::UnitConversions conversions = calc::ConversionsFor(units);
    const double speed = calc::ParseScaledFieldValue(g_fields[0], conversions.speed).value;
    const calc::FuelPer100Km litres = calc::ComputeFuelPer100Km(outcome.fuelRate, speed);
    g_results = {calc::ConvertResult(outcome.power, outcome.powerText, conversions.power),
                 calc::ConvertResult(outcome.fuelRate, outcome.fuelText, conversions.fuelRate),
                 calc::ConvertResult(litres.litres, litres.text, conversions.fuelPer100Km),
                 litres.litres};
    return 1;
}

// The last request's results in its unit system: the texts (empty after a
// request without results) and the numbers close to them that the chart
// plots (NaN then).
__attribute__((export_name("kalvor_power_text"))) const char* PowerText() {
    return g_results.power.text.data();
}
__attribute__((export_name("kalvor_fuel_text"))) const char* FuelText() {
    return g_results.fuelRate.text.data();
}
__attribute__((export_name("kalvor_per100km_text"))) const char* Per100KmText() {
    return g_results.fuelPer100Km.text.data();
}
__attribute__((export_name("kalvor_power"))) double Power() {
    return g_results.power.value;
}
__attribute__((export_name("kalvor_fuel"))) double Fuel() {
    return g_results.fuelRate.value;
}
__attribute__((export_name("kalvor_per100km"))) double Per100Km() {
    return g_results.fuelPer100Km.value;
}
// The litres per 100 km whatever the unit system (NaN after a request
// without results).
__attribute__((export_name("kalvor_litres_per100km"))) double LitresPer100Km() {
    return g_results.litresPer100Km;
}

// The number the speed buffer holds, in the field's own unit (km/h or mph),
// for the chart's range; negative when it holds no digit.
__attribute__((export_name("kalvor_speed"))) double Speed() {
    const calc::FieldValue speed = calc::ParseFieldValue(g_fields[0]);
    return speed.hasDigit ? speed.value : -1.0;
}
}
