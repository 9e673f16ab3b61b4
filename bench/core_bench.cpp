// Speed of the calculation core: a request on the preset texts, and the
// software extended arithmetic against the x87 unit on the same formulas.
// (Requests on the longest texts: field_timing.cpp.)
//
//   build/native/bench/kalvor_core_bench --benchmark_repetitions=15
//       --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "calc/drag.h"
#include "calc/extended.h"

namespace {

void BM_ComputeDragPresets(benchmark::State& state) {
    for (auto _ : state) {
        DragOutcome out = ComputeDrag("100", "Osobn\xed automobil 0.3", "Benzin 45.22",
                                      "Osobn\xed automobil 2.25");
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ComputeDragPresets);

struct Inputs {
    double s, c, h, a;
};

// Ordinary values that vary a little between iterations, so that neither
// version can be folded at compile time.
Inputs NextInputs(std::uint64_t& seed) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const double jitter = static_cast<double>(seed >> 44) / 1048576.0;
    return {90.0 + jitter, 0.3, 45.22, 2.25 + jitter};
}

void BM_FormulasSoftExtended(benchmark::State& state) {
    using calc::Divide;
    using calc::Multiply;
    using calc::ToDouble;
    using calc::ToExtended;
    std::uint64_t seed = 1;
    for (auto _ : state) {
        const Inputs in = NextInputs(seed);
        const double v =
            ToDouble(Divide(Multiply(ToExtended(in.s), ToExtended(1000.0)), ToExtended(3600.0)));
        const calc::Extended ve = ToExtended(v);
        const double t = ToDouble(Multiply(
            Multiply(Multiply(Multiply(Multiply(ve, ve), ToExtended(0.5)), ToExtended(1.3)),
                     ToExtended(in.c)),
            ToExtended(in.a)));
        const double p = ToDouble(Divide(Multiply(ToExtended(t), ve), ToExtended(1000.0)));
        const double e =
            ToDouble(Divide(Multiply(Multiply(ToExtended(in.h), ToExtended(0.72)), ToExtended(0.3)),
                            ToExtended(3.6)));
        const double f = ToDouble(Divide(ToExtended(p), ToExtended(e)));
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(f);
    }
}
BENCHMARK(BM_FormulasSoftExtended);

#if defined(__i386__) || defined(__x86_64__)
void BM_FormulasX87LongDouble(benchmark::State& state) {
    std::uint64_t seed = 1;
    for (auto _ : state) {
        const Inputs in = NextInputs(seed);
        const double v = static_cast<double>(static_cast<long double>(in.s) * 1000.0L / 3600.0L);
        const double t = static_cast<double>(static_cast<long double>(v) * v * 0.5L *
                                             static_cast<long double>(1.3) * in.c * in.a);
        const double p = static_cast<double>(static_cast<long double>(t) * v / 1000.0L);
        const double e =
            static_cast<double>(static_cast<long double>(in.h) * static_cast<long double>(0.72) *
                                static_cast<long double>(0.3) / static_cast<long double>(3.6));
        const double f = static_cast<double>(static_cast<long double>(p) / e);
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(f);
    }
}
BENCHMARK(BM_FormulasX87LongDouble);
#endif

}  // namespace

BENCHMARK_MAIN();
