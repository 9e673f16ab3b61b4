// Speed of the calculation core: a request on the preset texts, and each of
// the operations it is made of, as the product runs them. (Requests on the
// longest texts: field_timing.cpp.)
//
//   build/native/bench/kalvor_core_bench --benchmark_repetitions=15
//       --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "calc/drag.h"
#include "calc/extended.h"
#include "calc/field_value.h"
#include "calc/fixed_format.h"
#include "calc/units.h"

namespace {

void BM_ComputeDragPresets(benchmark::State& state) {
    for (auto _ : state) {
        calc::DragOutcome out = calc::ComputeDrag({.speed = "100",
                                                   .dragCoefficient = "Osobn\xed automobil 0.3",
                                                   .calorificValue = "Benzin 45.22",
                                                   .frontalArea = "Osobn\xed automobil 2.25"});
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ComputeDragPresets);

// The request's parts: one field read, one result formatted.
void BM_ParseFieldValuePreset(benchmark::State& state) {
    for (auto _ : state) {
        const char* text = "Benzin 45.22";
        benchmark::DoNotOptimize(text);
        benchmark::DoNotOptimize(calc::ParseFieldValue(text));
    }
}
BENCHMARK(BM_ParseFieldValuePreset);

void BM_FormatFixedPower(benchmark::State& state) {
    calc::FixedText text{};
    for (auto _ : state) {
        double power = 9.403935185185185;
        benchmark::DoNotOptimize(power);
        benchmark::DoNotOptimize(calc::FormatFixed(power, text));
    }
}
BENCHMARK(BM_FormatFixedPower);

// The page's units: the scaled reader (a preset, the longest field), exact conversions.
void BM_ParseScaledFieldValue(benchmark::State& state) {
    const std::string text =
        state.range(0) == 0 ? "24.2187" : std::string(calc::kFieldTextLimit, '7');
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            calc::ParseScaledFieldValue(text.c_str(), calc::kSquareMetresPerSquareFoot));
    }
}
BENCHMARK(BM_ParseScaledFieldValue)->Arg(0)->Arg(1);

void BM_ConvertResult(benchmark::State& state) {
    const calc::UnitConversions us = calc::ConversionsFor(calc::UnitSystem::Us);
    // Read anew each time (GCC miscompiles DoNotOptimize on a double here).
    const volatile double x = state.range(0) == 2 ? 4.9406564584124654e-324 : 9.403935185185185;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            calc::ConvertResult(x, state.range(0) == 0 ? us.power : us.fuelPer100Km));
    }
}
BENCHMARK(BM_ConvertResult)->Arg(0)->Arg(1)->Arg(2);

// Operands that vary a little between iterations, so that nothing is folded
// at compile time.
double NextOperand(std::uint64_t& seed) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return 25.0 + static_cast<double>(seed >> 44) / 1048576.0;
}

// Two steps of a quantity as the core computes them: widen, multiply and
// divide in the software extended format, round back to a double.
void BM_ExtendedMultiplyDivide(benchmark::State& state) {
    using namespace calc;
    std::uint64_t seed = 1;
    for (auto _ : state) {
        const Extended product = Multiply(ToExtended(NextOperand(seed)), ToExtended(1.3));
        benchmark::DoNotOptimize(ToDouble(Divide(product, ToExtended(3.6))));
    }
}
BENCHMARK(BM_ExtendedMultiplyDivide);

#if defined(__i386__) || defined(__x86_64__)
// Not the product: the same two steps in the x87 unit's long double, for
// scale. The core does not use it, as the x87 precision control is the
// host's to change.
void BM_ReferenceX87MultiplyDivide(benchmark::State& state) {
    std::uint64_t seed = 1;
    for (auto _ : state) {
        const long double product =
            static_cast<long double>(NextOperand(seed)) * static_cast<long double>(1.3);
        benchmark::DoNotOptimize(static_cast<double>(product / static_cast<long double>(3.6)));
    }
}
BENCHMARK(BM_ReferenceX87MultiplyDivide);
#endif

}  // namespace

BENCHMARK_MAIN();
