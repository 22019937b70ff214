// One output point of a climate simulation on the front end's grid for a 6-inch
// asphalt layer (69 nodes): the five per-node records (".tem", ".mod", ".wat",
// ".ice", ".por") and one temperature-history record, written to their files.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "engine/climate/climate_input.h"
#include "engine/climate/climate_run.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/result_files.h"
#include "engine/climate/temperature_history_file.h"
#include "platform/console.h"
#include "platform/units.h"
#include "synthetic_input/front_end_input.h"

namespace {

namespace fs = std::filesystem;

void BM_ClimateOutputPoint(benchmark::State& state) {
  const fs::path root =
      fs::temp_directory_path() / ("pavsim-bench-output-" + std::to_string(::getpid()));
  fs::create_directories(root / "proj" / "tmp");
  const fs::path previous = fs::current_path();
  fs::current_path(root);
  ::setenv("PAVSIM_DRIVE_C", root.c_str(), 1);

  synthetic_input::FrontEndInput input;
  input.asphalt_thickness = 6.0;
  input.directory = "C:\\proj\\";
  input.daily_form = true;
  synthetic_input::write_front_end_input(root / "proj" / "input.tmp", input);

  std::ostringstream console;
  platform::set_console_output(&console);
  auto run = std::make_unique<engine::ClimateRun>();
  engine::climate_input_phase(*run, 6.0f, 0.0f, "C:\\proj\\", "C:\\proj\\tmp\\thermal.tmp");
  run->climate_simulation_common.thermal_history_mode = 0;
  engine::open_result_files(*run);
  engine::setup_layer_grid(*run);
  engine::NodeState& s = run->node_state;
  const int nodes = run->simulation_counts.node_count;
  for (int n = 1; n <= nodes; ++n) {
    s.node_temperature(n) = 20.0f + 0.731f * static_cast<float>(n);
    s.node_modulus(n) = 1000.0f * static_cast<float>(n) + 0.37f;
    s.node_suction(n) = -12.5f * static_cast<float>(n * n);
    s.node_water_content(n) = 0.004f * static_cast<float>(n);
    s.node_ice_content(n) = 0.001f * static_cast<float>(n);
  }
  engine::ResultRecords records(*run);
  engine::TemperatureHistoryFile history(*run);
  history.open();
  history.select_fields();
  const platform::FixedText<10> stamp = engine::history_stamp(2001, 2, 3, 7.0f);

  std::int32_t day = 1;
  for (auto _ : state) {
    records.write_output_point(day);
    history.write_record(stamp);
  }
  const double fields = 5.0 * nodes + static_cast<double>(history.fields().size());
  state.counters["nodes"] = nodes;
  state.counters["fields_per_s"] =
      benchmark::Counter(fields, benchmark::Counter::kIsIterationInvariantRate);

  history.abandon();
  engine::close_result_files();
  platform::close_all_units();
  platform::set_console_output(nullptr);
  fs::current_path(previous);
  fs::remove_all(root);
}
BENCHMARK(BM_ClimateOutputPoint)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
