// The library's innermost kernels against the reference BLAS build they are
// checked against: dot product, update and norm at three lengths, and the
// matrix-vector product both ways at two orders. Each pair runs the same data.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "numlib/support/level2_kernels.h"
#include "numlib/support/vector_kernels.h"
#include "support/reference_blas.h"

namespace {

std::vector<double> random_vector(std::size_t n, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<double> v(n);
  for (double& e : v) e = d(gen);
  return v;
}

template <bool Library>
void BM_Dot(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto x = random_vector(n, 1), y = random_vector(n, 2);
  for (auto _ : state) {
    const double d = Library ? numlib::VECTOR_DOT(n, x.data(), 1, y.data(), 1)
                             : reference_blas::dot(n, x.data(), 1, y.data(), 1);
    benchmark::DoNotOptimize(d);
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <bool Library>
void BM_Axpy(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto x = random_vector(n, 1);
  auto y = random_vector(n, 2);
  for (auto _ : state) {
    if (Library)
      numlib::VECTOR_AXPY(n, 1e-9, x.data(), 1, y.data(), 1);
    else
      reference_blas::axpy(n, 1e-9, x.data(), 1, y.data(), 1);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <bool Library>
void BM_Norm2(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto x = random_vector(n, 3);
  for (auto _ : state) {
    const double d =
        Library ? numlib::VECTOR_NORM2(n, x.data(), 1) : reference_blas::nrm2(n, x.data(), 1);
    benchmark::DoNotOptimize(d);
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <bool Library, char Trans>
void BM_Gemv(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto a = random_vector(static_cast<std::size_t>(n) * n, 4);
  const auto x = random_vector(n, 5);
  auto y = random_vector(n, 6);
  const char trans[] = {Trans, '\0'};
  for (auto _ : state) {
    if (Library)
      numlib::DGEMV(trans, n, n, 0.5, a.data(), n, x.data(), 1, 0.25, y.data(), 1);
    else
      reference_blas::gemv(Trans, n, n, 0.5, a.data(), n, x.data(), 1, 0.25, y.data(), 1);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n * n);
}

}  // namespace

BENCHMARK(BM_Dot<true>)->Name("Dot/library")->Arg(3)->Arg(100)->Arg(10000);
BENCHMARK(BM_Dot<false>)->Name("Dot/reference")->Arg(3)->Arg(100)->Arg(10000);
BENCHMARK(BM_Axpy<true>)->Name("Axpy/library")->Arg(3)->Arg(100)->Arg(10000);
BENCHMARK(BM_Axpy<false>)->Name("Axpy/reference")->Arg(3)->Arg(100)->Arg(10000);
BENCHMARK(BM_Norm2<true>)->Name("Norm2/library")->Arg(3)->Arg(100)->Arg(10000);
BENCHMARK(BM_Norm2<false>)->Name("Norm2/reference")->Arg(3)->Arg(100)->Arg(10000);
BENCHMARK(BM_Gemv<true, 'N'>)->Name("GemvN/library")->Arg(3)->Arg(100);
BENCHMARK(BM_Gemv<false, 'N'>)->Name("GemvN/reference")->Arg(3)->Arg(100);
BENCHMARK(BM_Gemv<true, 'T'>)->Name("GemvT/library")->Arg(3)->Arg(100);
BENCHMARK(BM_Gemv<false, 'T'>)->Name("GemvT/reference")->Arg(3)->Arg(100);

BENCHMARK_MAIN();
