// DRLSE on two shapes, with data from closed formulas that
// tools/oracles/numlib_regression_timing.py rebuilds to time numpy on the
// same problems:
//   - the creep fit's Prony-series regression: 30 rows, an intercept and five
//     regressors (k = 4); target at most 20 µs a call, and the "allocs"
//     counter at 2 (DRLSE's two work areas, nothing else);
//   - 100000 rows, 10 regressors and an intercept; target at most 3 times
//     numpy.linalg.lstsq on the reference BLAS and LAPACK.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "allocation_count.h"
#include "numlib/algorithms/regression.h"
#include "numlib/support/library.h"

namespace {

struct Problem {
  int nobs, nind;
  std::vector<double> y, x;  // X by columns, leading dimension nobs
};

// Reduced times 10^-3..10^6, compliance 2 + 0.8·t^0.45 (x 1e7), regressors
// 1 - exp(-t/λj) with λj = 10^(1.5 j), then t.
Problem prony() {
  Problem p{30, 5, std::vector<double>(30), std::vector<double>(30 * 5)};
  for (int i = 0; i < p.nobs; ++i) {
    const double t = std::pow(10.0, -3.0 + 9.0 * i / 29.0);
    p.y[i] = 2.0 + 0.8 * std::pow(t, 0.45);
    for (int j = 0; j < 4; ++j)
      p.x[i + j * 30] = 1.0 - std::exp(-t / std::pow(10.0, 1.5 * (j + 1)));
    p.x[i + 4 * 30] = t;
  }
  return p;
}

// x(i, j) = sin(0.37·(i + 1)·(j + 1) + j), y = 1 + Σ 0.1·(j + 1)·x(i, j) + 0.01·cos(i + 1).
Problem large() {
  const int n = 100000, k = 10;
  Problem p{n, k, std::vector<double>(n), std::vector<double>(static_cast<std::size_t>(n) * k)};
  for (int i = 0; i < n; ++i) {
    double y = 1.0 + 0.01 * std::cos(i + 1.0);
    for (int j = 0; j < k; ++j) {
      const double v = std::sin(0.37 * (i + 1.0) * (j + 1.0) + j);
      p.x[i + static_cast<std::size_t>(j) * n] = v;
      y += 0.1 * (j + 1) * v;
    }
    p.y[i] = y;
  }
  return p;
}

void run(benchmark::State& state, const Problem& p) {
  numlib::reset_library_state();
  numlib::ERSET(0, 0, 0);  // as the engine runs the library
  std::vector<double> b(p.nind + 1);
  double sst = 0.0, sse = 0.0;
  const long before = bench_allocations::now();
  for (auto _ : state) {
    numlib::DRLSE(p.nobs, p.y.data(), p.nind, p.x.data(), p.nobs, 1, b.data(), sst, sse);
    benchmark::DoNotOptimize(b.data());
  }
  bench_allocations::report(state, before);
  state.SetItemsProcessed(state.iterations() * p.nobs);
}

void BM_PronyRegression(benchmark::State& state) { run(state, prony()); }
BENCHMARK(BM_PronyRegression);

void BM_Regression100000x10(benchmark::State& state) {
  static const Problem p = large();
  run(state, p);
}
BENCHMARK(BM_Regression100000x10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
