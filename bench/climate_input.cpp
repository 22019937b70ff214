// The input phase of a climate simulation on a 20-year front-end-form file: a
// ten-year window (N = 3653 day lines) gives 2N + 1 = 7307 days, about 182,800 lines.

#include "engine/climate/climate_input.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "engine/climate/climate_run.h"
#include "platform/console.h"
#include "platform/units.h"
#include "synthetic_input/front_end_input.h"

namespace {

namespace fs = std::filesystem;

void BM_ClimateInputPhase(benchmark::State& state) {
  const fs::path root = fs::temp_directory_path() / ("pavsim-bench-" + std::to_string(::getpid()));
  fs::create_directories(root / "proj");
  const fs::path previous = fs::current_path();
  fs::current_path(root);
  ::setenv("PAVSIM_DRIVE_C", root.c_str(), 1);

  synthetic_input::FrontEndInput input;
  input.analysis_years = 20;
  input.directory = "C:\\proj\\";
  input.days = synthetic_input::synthetic_window(2000, 10);
  synthetic_input::write_front_end_input(root / "proj" / "input.tmp", input);

  std::ostringstream console;
  platform::set_console_output(&console);
  std::size_t lines = 0;
  for (auto _ : state) {
    auto run = std::make_unique<engine::ClimateRun>();
    engine::climate_input_phase(*run, 6.0f, 0.0f, "C:\\proj\\", "tmp\\thermal.tmp");
    lines = static_cast<std::size_t>(platform::unit_line(engine::kInputChannel));
    platform::close_all_units();
    benchmark::DoNotOptimize(run->work.daily_tmi(1));
    console.str("");
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
  platform::set_console_output(nullptr);
  fs::current_path(previous);
  fs::remove_all(root);
}
BENCHMARK(BM_ClimateInputPhase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
