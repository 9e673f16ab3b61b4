// The calculation core for the browser page: the page writes the four field
// texts as Windows-1250 bytes into buffers of this module's memory, calls
// kalvor_compute and reads the result texts back, as the window does with
// its working blocks.
#include <cstddef>

#include "calc/drag.h"
#include "calc/field_value.h"

namespace {

constexpr std::size_t kFieldCount = 4;

// A field's longest text and its terminator, in the order ComputeDrag takes
// them: speed, drag coefficient, calorific value, frontal area.
char g_fields[kFieldCount][calc::kFieldTextLimit + 1];
calc::DragOutcome g_outcome;
calc::FuelPer100Km g_litres;

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
// wrote. Returns 1 with results, 0 when a field holds no digit.
__attribute__((export_name("kalvor_compute"))) int Compute() {
    for (auto& field : g_fields) field[calc::kFieldTextLimit] = '\0';
    g_outcome = calc::ComputeDrag({.speed = g_fields[0],
                                   .dragCoefficient = g_fields[1],
                                   .calorificValue = g_fields[2],
                                   .frontalArea = g_fields[3]});
    if (g_outcome.status != calc::DragStatus::Ok) return 0;
    // The page shows the litres per 100 km as well, from the speed read.
    g_litres =
        calc::ComputeFuelPer100Km(g_outcome.fuelRate, calc::ParseFieldValue(g_fields[0]).value);
    return 1;
}

// The last successful calculation's texts and numbers (kW, l/h and litres
// per 100 km).
__attribute__((export_name("kalvor_power_text"))) const char* PowerText() {
    return g_outcome.powerText.data();
}
__attribute__((export_name("kalvor_fuel_text"))) const char* FuelText() {
    return g_outcome.fuelText.data();
}
__attribute__((export_name("kalvor_per100km_text"))) const char* Per100KmText() {
    return g_litres.text.data();
}
__attribute__((export_name("kalvor_power"))) double Power() {
    return g_outcome.power;
}
__attribute__((export_name("kalvor_fuel"))) double Fuel() {
    return g_outcome.fuelRate;
}
__attribute__((export_name("kalvor_per100km"))) double Per100Km() {
    return g_litres.litres;
}

// The number the speed buffer holds (km/h), for the chart's range; negative
// when it holds no digit.
__attribute__((export_name("kalvor_speed"))) double Speed() {
    const calc::FieldValue speed = calc::ParseFieldValue(g_fields[0]);
    return speed.hasDigit ? speed.value : -1.0;
}
}
