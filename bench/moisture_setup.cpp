// The moisture set-up of the front end's structure (6 in of asphalt over the
// base course and the natural subgrade: two retention tables of 100,001 points,
// their 100-class conductivity sums and 200 lookups each), and the per-node
// retention functions that the unbound step calls on every solved step.

#include "engine/climate/moisture_setup.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>

#include "bench_project.h"
#include "engine/climate/climate_input.h"
#include "engine/climate/climate_run.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/soil_water.h"
#include "platform/units.h"
#include "synthetic_input/front_end_input.h"

namespace {

// The front end's structure, read and gridded, before its material set-up.
std::unique_ptr<engine::ClimateRun> front_end_run() {
  bench_support::BenchProject project("moisture");
  synthetic_input::FrontEndInput input;
  input.directory = "C:\\proj\\";
  input.daily_form = true;
  synthetic_input::write_front_end_input(project.project() / "input.tmp", input);
  auto run = std::make_unique<engine::ClimateRun>();
  engine::climate_input_phase(*run, 6.0f, 0.0f, "C:\\proj\\", "tmp\\thermal.tmp");
  engine::setup_layer_grid(*run);
  platform::close_all_units();
  return run;
}

void BM_MoistureSetup(benchmark::State& state) {
  const auto prepared = front_end_run();
  auto run = std::make_unique<engine::ClimateRun>();
  for (auto _ : state) {
    state.PauseTiming();
    *run = *prepared;
    state.ResumeTiming();
    engine::set_up_soil_moisture(*run);
    engine::set_initial_water_contents(*run);
    benchmark::DoNotOptimize(run->node_state.node_water_content(8));
  }
}
BENCHMARK(BM_MoistureSetup)->Unit(benchmark::kMillisecond);

// 64 pressures (cm of water) spread over the suctions the simulation meets.
std::array<double, 64> pressures_cm() {
  std::array<double, 64> p{};
  for (std::size_t k = 0; k < p.size(); ++k) p[k] = -std::pow(10.0, -1.0 + 7.0 * static_cast<double>(k) / 63.0);
  return p;
}

// The base course of the front end's structure, set up.
const engine::ClimateRun& set_up_run() {
  static const std::unique_ptr<engine::ClimateRun> run = [] {
    auto r = front_end_run();
    engine::set_up_soil_moisture(*r);
    return r;
  }();
  return *run;
}

template <class F>
void per_call(benchmark::State& state, F f) {
  const engine::RetentionLayer& base = set_up_run().work.retention(2);
  const auto p = pressures_cm();
  for (auto _ : state) {
    for (double psi : p) benchmark::DoNotOptimize(f(base, psi));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(p.size()));
}

void BM_FredlundWaterContent(benchmark::State& state) {
  per_call(state, [](const engine::RetentionLayer& r, double psi) {
    return engine::fredlund_water_content(r, -psi * engine::kKpaPerCmWater);
  });
}
BENCHMARK(BM_FredlundWaterContent);

void BM_FredlundCapacity(benchmark::State& state) {
  per_call(state, [](const engine::RetentionLayer& r, double psi) {
    return engine::fredlund_capacity(r, psi);
  });
}
BENCHMARK(BM_FredlundCapacity);

void BM_TableInverseLookup(benchmark::State& state) {
  const std::span<const double> column = set_up_run().work.suction_table.column_span(1);
  std::array<double, 64> water{};
  for (std::size_t k = 0; k < water.size(); ++k) water[k] = 0.29 * static_cast<double>(k) / 63.0;
  for (auto _ : state) {
    for (double w : water) benchmark::DoNotOptimize(engine::table_inverse_lookup(column, w));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(water.size()));
}
BENCHMARK(BM_TableInverseLookup);

}  // namespace

BENCHMARK_MAIN();
