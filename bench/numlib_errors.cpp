// Cost of the error stack on the library's hot path: every public routine
// pushes and pops its name, and many clear the level's error on entry. Neither
// may touch the heap; the "allocs" counter reports heap allocations per
// iteration (0 expected).

// Replacing the global allocator with malloc/free makes GCC warn about the
// benchmark library's own registrations, wrongly; the pairing is consistent.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "numlib/support/library.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

void report_allocations(benchmark::State& state, long before) {
  const long after = g_allocations.load(std::memory_order_relaxed);
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(after - before),
                                                benchmark::Counter::kAvgIterations);
}

void BM_PushPop(benchmark::State& state) {
  numlib::reset_library_state();
  numlib::E1PSH("DBCONF");  // a routine the program called; the pair below is internal
  const long before = g_allocations.load(std::memory_order_relaxed);
  for (auto _ : state) {
    numlib::E1PSH("DNORDF");
    numlib::E1POP("DNORDF");
  }
  report_allocations(state, before);
  state.SetItemsProcessed(state.iterations());
  numlib::E1POP("DBCONF");
}
BENCHMARK(BM_PushPop);

void BM_ClearMessage(benchmark::State& state) {
  numlib::reset_library_state();
  numlib::E1PSH("DBCONF");
  const long before = g_allocations.load(std::memory_order_relaxed);
  for (auto _ : state) numlib::E1MES(0, 0, " ");
  report_allocations(state, before);
  state.SetItemsProcessed(state.iterations());
  numlib::E1POP("DBCONF");
}
BENCHMARK(BM_ClearMessage);

// A frame with a user-routine bracket, as an algorithm calls its objective.
void BM_FrameWithUserCall(benchmark::State& state) {
  numlib::reset_library_state();
  const long before = g_allocations.load(std::memory_order_relaxed);
  double x = 1.0;
  for (auto _ : state) {
    numlib::Frame frame("DZBREN");
    x = numlib::call_user_routine([](double v) { return v * 0.5 + 0.5; }, x);
    frame.pop();
    benchmark::DoNotOptimize(x);
  }
  report_allocations(state, before);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameWithUserCall);

}  // namespace

BENCHMARK_MAIN();
