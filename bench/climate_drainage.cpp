// One drainage evaluation (curve, table, evaluation, every month's statistics
// and the ".drn" report) over a 20-year front-end-form record: 7307 days,
// 241 months. The front end's base drains in half an hour, so no month takes
// the rainfall-depth distribution; the slow base (0.5 ft/h, 39-row daily
// tables) sends every month with several wet days through it.

#include <benchmark/benchmark.h>

#include <memory>

#include "bench_project.h"
#include "engine/climate/climate_input.h"
#include "engine/climate/climate_run.h"
#include "engine/climate/drainage.h"
#include "engine/climate/result_files.h"
#include "platform/units.h"
#include "synthetic_input/front_end_input.h"

namespace {

std::unique_ptr<engine::ClimateRun> twenty_years(const bench_support::BenchProject& project) {
  synthetic_input::FrontEndInput input;
  input.analysis_years = 20;
  input.directory = "C:\\proj\\";
  input.days = synthetic_input::synthetic_window(2000, 10);
  synthetic_input::write_front_end_input(project.project() / "input.tmp", input);
  auto run = std::make_unique<engine::ClimateRun>();
  engine::climate_input_phase(*run, 6.0f, 0.0f, "C:\\proj\\", "tmp\\thermal.tmp");
  platform::close_all_units();
  return run;
}

void BM_DrainageEvaluation(benchmark::State& state) {
  bench_support::BenchProject project("drainage");
  auto run = twenty_years(project);
  const bool slow_base = state.range(0) != 0;
  if (slow_base) run->layer_properties.saturated_permeability(2) = 0.5f;
  for (auto _ : state) {
    engine::open_result_files(*run);
    engine::evaluate_drainage(*run);
    engine::close_result_files();
    benchmark::DoNotOptimize(run->drainage_curve.total_hours());
  }
  state.counters["months"] = run->work.month_count;
  state.counters["daily_rows"] = engine::compute_drainage(*run).daily_rows;
}
BENCHMARK(BM_DrainageEvaluation)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("slow_base")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
