// The input phase of a climate simulation on a 20-year front-end-form file: a
// ten-year window (N = 3653 day lines) gives 2N + 1 = 7307 days, about 182,800 lines.

#include "engine/climate/climate_input.h"

#include <benchmark/benchmark.h>

#include <memory>

#include "bench_project.h"
#include "engine/climate/climate_run.h"
#include "platform/units.h"
#include "synthetic_input/front_end_input.h"

namespace {

void BM_ClimateInputPhase(benchmark::State& state) {
  bench_support::BenchProject project("input");

  synthetic_input::FrontEndInput input;
  input.analysis_years = 20;
  input.directory = "C:\\proj\\";
  input.days = synthetic_input::synthetic_window(2000, 10);
  synthetic_input::write_front_end_input(project.project() / "input.tmp", input);

  std::size_t lines = 0;
  for (auto _ : state) {
    auto run = std::make_unique<engine::ClimateRun>();
    engine::climate_input_phase(*run, 6.0f, 0.0f, "C:\\proj\\", "tmp\\thermal.tmp");
    lines = static_cast<std::size_t>(platform::unit_line(engine::kInputChannel));
    platform::close_all_units();
    benchmark::DoNotOptimize(run->work.daily_tmi(1));
    project.clear_console();
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ClimateInputPhase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
