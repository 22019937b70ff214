// One output point of a climate simulation on the front end's grid for a 6-inch
// asphalt layer (69 nodes): the five per-node records (".tem", ".mod", ".wat",
// ".ice", ".por") and one temperature-history record, written to their files.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "bench_project.h"
#include "engine/climate/climate_input.h"
#include "engine/climate/climate_run.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/result_files.h"
#include "engine/climate/temperature_history_file.h"
#include "synthetic_input/front_end_input.h"

namespace {

void BM_ClimateOutputPoint(benchmark::State& state) {
  bench_support::BenchProject project("output");
  std::filesystem::create_directories(project.project() / "tmp");

  synthetic_input::FrontEndInput input;
  input.asphalt_thickness = 6.0;
  input.directory = "C:\\proj\\";
  input.daily_form = true;
  synthetic_input::write_front_end_input(project.project() / "input.tmp", input);

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
}
BENCHMARK(BM_ClimateOutputPoint)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
