// DNORDF over the engine's argument range [-9.1, 0], error-stack frames of
// DNORDF, DERFC and DCSEVL included. The thermal-stress step calls it up to
// some 300,000 times a run; the target is 2 million calls a second. The
// "allocs" counter reports heap allocations per call (0 expected).

#include <benchmark/benchmark.h>

#include <vector>

#include "allocation_count.h"
#include "numlib/algorithms/normal_distribution.h"
#include "numlib/support/library.h"

namespace {

// Arguments spread over [lo, hi], so every branch of erfc is visited.
std::vector<double> arguments(double lo, double hi) {
  std::vector<double> x(1024);
  for (std::size_t i = 0; i < x.size(); ++i) {
    x[i] = lo + (hi - lo) * static_cast<double>(i) / static_cast<double>(x.size() - 1);
  }
  return x;
}

void run(benchmark::State& state, double lo, double hi) {
  numlib::reset_library_state();
  numlib::ERSET(0, 0, 0);  // as the engine runs the library
  const std::vector<double> x = arguments(lo, hi);
  std::size_t i = 0;
  const long before = bench_allocations::now();
  for (auto _ : state) {
    benchmark::DoNotOptimize(numlib::DNORDF(x[i]));
    i = (i + 1) & (x.size() - 1);
  }
  bench_allocations::report(state, before);
  state.SetItemsProcessed(state.iterations());
}

void BM_NormalDistributionEngineRange(benchmark::State& state) { run(state, -9.1, 0.0); }
BENCHMARK(BM_NormalDistributionEngineRange);

// Below about -37.5 erfc underflows: DERFC records its ALERT (storing two
// message values) and DNORDF clears it. Outside the engine's range.
void BM_NormalDistributionUnderflow(benchmark::State& state) { run(state, -40.0, -38.0); }
BENCHMARK(BM_NormalDistributionUnderflow);

}  // namespace

BENCHMARK_MAIN();
