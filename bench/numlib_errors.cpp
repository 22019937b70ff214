// Cost of the error stack on the library's hot path: every public routine
// pushes and pops its name, and many clear the level's error on entry. Neither
// may touch the heap; the "allocs" counter reports heap allocations per
// iteration (0 expected).

#include "allocation_count.h"
#include "numlib/support/library.h"

namespace {

void BM_PushPop(benchmark::State& state) {
  numlib::reset_library_state();
  numlib::E1PSH("DBCONF");  // a routine the program called; the pair below is internal
  const long before = bench_allocations::now();
  for (auto _ : state) {
    numlib::E1PSH("DNORDF");
    numlib::E1POP("DNORDF");
  }
  bench_allocations::report(state, before);
  state.SetItemsProcessed(state.iterations());
  numlib::E1POP("DBCONF");
}
BENCHMARK(BM_PushPop);

void BM_ClearMessage(benchmark::State& state) {
  numlib::reset_library_state();
  numlib::E1PSH("DBCONF");
  const long before = bench_allocations::now();
  for (auto _ : state) numlib::E1MES(0, 0, " ");
  bench_allocations::report(state, before);
  state.SetItemsProcessed(state.iterations());
  numlib::E1POP("DBCONF");
}
BENCHMARK(BM_ClearMessage);

// A frame with a user-routine bracket, as an algorithm calls its objective.
void BM_FrameWithUserCall(benchmark::State& state) {
  numlib::reset_library_state();
  const long before = bench_allocations::now();
  double x = 1.0;
  for (auto _ : state) {
    numlib::Frame frame("DZBREN");
    x = numlib::call_user_routine([](double v) { return v * 0.5 + 0.5; }, x);
    frame.pop();
    benchmark::DoNotOptimize(x);
  }
  bench_allocations::report(state, before);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FrameWithUserCall);

}  // namespace

BENCHMARK_MAIN();
