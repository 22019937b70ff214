// The creep-compliance fit of one case as the run makes it: the reference mix's
// table (Vv 4, Vbeff 11, A 10.98, VTS -3.68) read, its master curve, the direct
// search, the bounded power-law fit, the Prony series, the relaxation times and
// moduli, and the report. The target is 20 ms per fit.
// Counters per fit: "allocs" heap allocations; "m" and "rho5" show the result.

#include "engine/cracking/creep_fit.h"

#include <benchmark/benchmark.h>

#include "allocation_count.h"
#include "bench_project.h"
#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/creep_table.h"
#include "platform/units.h"

namespace {

void BM_CreepFitReferenceMix(benchmark::State& state) {
  bench_support::BenchProject project("creep-fit");
  platform::FixedText<255> table;
  table = "C:\\proj\\master-gen.dat";
  double strength = 0.0;
  engine::write_creep_table(4.0, 11.0, 10.98, -3.68, strength, table);
  engine::CrackingState s;
  const long before = bench_allocations::now();
  for (auto _ : state) {
    platform::open_unit(engine::kFitReportUnit, "C:\\proj\\master-results.dat",
                        platform::OpenStatus::Replace);
    engine::fit_prony_creep(s, s.creep_fit_common.creep_power_fit, strength, table);
    platform::close_unit(engine::kFitReportUnit);
  }
  bench_allocations::report(state, before);
  state.counters["m"] = s.creep_fit_common.creep_power_fit[2];
  state.counters["rho5"] = s.creep_fit_common.relaxation_times[4];
}
BENCHMARK(BM_CreepFitReferenceMix)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
