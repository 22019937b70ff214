// The creep fit as the engine runs it: DBCONF on the power law D0 + D1*t^m of a
// 30-point master curve, bounds (0, 0, 0)-(1e5, 1e5, 3), from (1, 1, 0.5), the
// engine's limits and error settings. The curve is creep_curve_data.h's, so
// tools/oracles/numlib_minimiser_timing.py can time scipy's L-BFGS-B on the very
// same fit; the target is a tenth of scipy's time per fit.
// Counters per fit: "evals" objective evaluations, "allocs" heap allocations
// (the two work areas of DBCONF, nothing per evaluation).

#include <benchmark/benchmark.h>

#include <array>

#include "allocation_count.h"
#include "engine/cracking/creep_fit.h"
#include "numlib/algorithms/creep_curve_data.h"
#include "numlib/support/library.h"

namespace {

void BM_CreepFit(benchmark::State& state) {
  numlib::reset_library_state();
  numlib::ERSET(0, 0, 0);
  numlib::testing::CreepCurve curve;
  const std::array<double, 3> start{1.0, 1.0, 0.5};
  std::array<double, 3> x{};
  double f = 0.0;
  const long before = bench_allocations::now();
  for (auto _ : state) {
    engine::fit_power_law(curve, start.data(), x.data(), f);
    benchmark::DoNotOptimize(x.data());
    benchmark::DoNotOptimize(f);
  }
  bench_allocations::report(state, before);
  state.counters["evals"] =
      benchmark::Counter(static_cast<double>(curve.calls), benchmark::Counter::kAvgIterations);
  state.counters["code"] = numlib::LAST_ERROR_CODE();
  state.counters["m"] = x[2];
}
BENCHMARK(BM_CreepFit)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
