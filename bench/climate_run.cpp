// The climate simulation's run on the default input (the front end's file for
// 6 inches of asphalt: 69 nodes, the implicit region from node 7, 7307 days, a
// time step of 0.1 h; temperature-history mode 1), single thread:
//  - the whole simulation, over a year and over the 7307 days: time and heap
//    allocations per simulated day, counted between the first day and the
//    last output point, and the process's peak resident memory;
//  - the whole run with do-nothing steps in place of the unbound-layer physics:
//    time per simulated day (with and without the input phase) and heap
//    allocations per simulated day;
//  - one solved step of the unbound layers, and one output point;
//  - one simulated day of the surface energy balance and the explicit step
//    (480 half steps);
//  - decompose, multiply and solve of a tridiagonal system of 63 rows.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "allocation_count.h"
#include "bench_project.h"
#include "engine/climate/band_solver.h"
#include "engine/climate/climate_input.h"
#include "engine/climate/climate_run.h"
#include "engine/climate/climate_simulation.h"
#include "engine/climate/frost.h"
#include "engine/climate/heat_conduction.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/simulation_steps.h"
#include "engine/climate/surface_energy_balance.h"
#include "engine/climate/unbound_step.h"
#include "platform/units.h"
#include "synthetic_input/front_end_input.h"

namespace {

using Clock = std::chrono::steady_clock;

// The front end's file for 6 inches of asphalt and 20 years; `days` cuts it.
void write_default_input(const bench_support::BenchProject& project, int days = 0) {
  std::filesystem::create_directories(project.project() / "tmp");
  synthetic_input::FrontEndInput input;
  input.asphalt_thickness = 6.0;
  input.analysis_years = 20;
  input.directory = "C:\\proj\\";
  input.days = synthetic_input::synthetic_window(2000, 10);
  input.max_day_blocks = days;
  synthetic_input::write_front_end_input(project.project() / "input.tmp", input);
}

// Notes the clock and the allocation count from the first day to the last
// output point, around the simulation's own steps (`physics`) or steps that do
// nothing.
class TimedSteps final : public engine::SimulationSteps {
 public:
  explicit TimedSteps(bool physics) : physics_(physics) {}
  void set_up_materials(engine::ClimateRun& run) override {
    if (physics_) steps_.set_up_materials(run);
  }
  void set_initial_water(engine::ClimateRun& run) override {
    if (physics_) steps_.set_initial_water(run);
  }
  void evaluate_drainage(engine::ClimateRun& run) override {
    if (physics_) steps_.evaluate_drainage(run);
  }
  void before_day_loop(engine::ClimateRun& run) override {
    if (physics_) steps_.before_day_loop(run);
    days = run.period_control.day_count;
    allocations_before = bench_allocations::now();
    start = Clock::now();
  }
  void solved_step(engine::ClimateRun& run) override {
    if (physics_) steps_.solved_step(run);
  }
  void output_point(engine::ClimateRun& run) override {
    if (physics_) steps_.output_point(run);
    allocations_after = bench_allocations::now();
    end = Clock::now();
  }

  int days = 0;
  long allocations_before = 0;
  long allocations_after = 0;
  Clock::time_point start, end;

 private:
  bool physics_;
  engine::DefaultSimulationSteps steps_;
};

// state.range(0) days of the default input (0: all 7307).
void BM_WholeSimulation(benchmark::State& state) {
  bench_support::BenchProject project("whole");
  write_default_input(project, static_cast<int>(state.range(0)));
  double loop_seconds = 0, allocations = 0, days = 0;
  for (auto _ : state) {
    TimedSteps steps(true);
    engine::run_climate_simulation_with(steps, 6.0f, 0.0f, "C:\\proj\\",
                                        "C:\\proj\\tmp\\thermal.tmp");
    project.clear_console();
    loop_seconds += std::chrono::duration<double>(steps.end - steps.start).count();
    allocations += static_cast<double>(steps.allocations_after - steps.allocations_before);
    days += steps.days;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["days"] = days / static_cast<double>(state.iterations());
  state.counters["ms_per_day"] = 1.0e3 * loop_seconds / days;
  state.counters["allocs_per_day"] = allocations / days;
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_WholeSimulation)->Arg(365)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeSimulation)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClimateRunDoNothingSteps(benchmark::State& state) {
  bench_support::BenchProject project("run");
  write_default_input(project);
  double run_seconds = 0, loop_seconds = 0, allocations = 0, days = 0;
  for (auto _ : state) {
    TimedSteps steps(false);
    const Clock::time_point start = Clock::now();
    engine::run_climate_simulation_with(steps, 6.0f, 0.0f, "C:\\proj\\",
                                        "C:\\proj\\tmp\\thermal.tmp");
    run_seconds += std::chrono::duration<double>(Clock::now() - start).count();
    project.clear_console();
    loop_seconds += std::chrono::duration<double>(steps.end - steps.start).count();
    allocations += static_cast<double>(steps.allocations_after - steps.allocations_before);
    days += steps.days;
  }
  // The day loop allocates only when it reopens the progress file, every 500 days.
  state.counters["days"] = days / static_cast<double>(state.iterations());
  state.counters["run_ms_per_day"] = 1.0e3 * run_seconds / days;
  state.counters["loop_ms_per_day"] = 1.0e3 * loop_seconds / days;
  state.counters["allocs_per_day"] = allocations / days;
}
BENCHMARK(BM_ClimateRunDoNothingSteps)->Unit(benchmark::kMillisecond)->UseRealTime();

// The default run as its day loop finds it: input read, grid set up and
// checked, the node temperatures as read.
std::unique_ptr<engine::ClimateRun> default_run(bench_support::BenchProject& project) {
  write_default_input(project);
  auto run = std::make_unique<engine::ClimateRun>();
  engine::climate_input_phase(*run, 6.0f, 0.0f, "C:\\proj\\", "C:\\proj\\tmp\\thermal.tmp");
  platform::close_all_units();
  engine::setup_layer_grid(*run);
  engine::check_grid_criterion(*run);
  project.clear_console();
  return run;
}

void BM_SurfaceBalanceAndExplicitStepPerDay(benchmark::State& state) {
  bench_support::BenchProject project("surface");
  auto run = default_run(project);
  const int days = run->period_control.day_count;
  const float half_step = run->period_control.half_step_hours;
  const long before = bench_allocations::now();
  int day = 0;
  for (auto _ : state) {
    run->day_index = day % days + 1;
    run->hour_of_day = 0.0f;
    for (int k = 0; k < 480; ++k) {
      run->hour_of_day += half_step;
      engine::surface_energy_balance(*run);
      engine::pavement_conduction_step(*run);
    }
    ++day;
  }
  benchmark::DoNotOptimize(run->node_state.node_temperature(1));
  bench_allocations::report(state, before);
}
BENCHMARK(BM_SurfaceBalanceAndExplicitStepPerDay)->Unit(benchmark::kMicrosecond);

// Rows 7 to 69 of a diagonally dominant system with an identity last row, as
// the implicit schemes of the default grid assemble them.
void BM_BandDecomposeMultiplySolve63Rows(benchmark::State& state) {
  constexpr int kFirst = 7, kLast = 69;
  engine::BandMatrix a(3), b(3), m(3);
  auto x = std::make_unique<engine::NodeVector>();
  auto y = std::make_unique<engine::NodeVector>();
  for (int i = kFirst; i <= kLast; ++i) {
    b(i, 1) = b(i, 3) = 0.25f;
    b(i, 2) = 1.5f;
    (*x)(i) = 50.0f + 0.1f * static_cast<float>(i);
  }
  b(kFirst, 1) = 0.0f;
  const long before = bench_allocations::now();
  for (auto _ : state) {
    for (int i = kFirst; i <= kLast; ++i) {
      a(i, 1) = a(i, 3) = -0.5f;
      a(i, 2) = 2.0f;
    }
    a(kLast, 1) = 0.0f;
    a(kLast, 2) = 1.0f;
    engine::band_multiply(b, *x, *y, kLast, kFirst);
    engine::band_decompose(a, m, kLast, kFirst);
    engine::band_solve(a, *y, m, kLast, kFirst);
    benchmark::DoNotOptimize((*y)(kFirst));
  }
  bench_allocations::report(state, before);
}
BENCHMARK(BM_BandDecomposeMultiplySolve63Rows)->Unit(benchmark::kNanosecond);

// The default run set up for its day loop, on `day` of its record.
std::unique_ptr<engine::ClimateRun> run_at_day(bench_support::BenchProject& project, int day) {
  auto run = default_run(project);
  engine::DefaultSimulationSteps steps;
  steps.set_up_materials(*run);
  steps.set_initial_water(*run);
  steps.before_day_loop(*run);
  run->day_index = day;
  return run;
}

// One solved step of the unbound layers (nodes 7 to 69), repeated on one day.
void BM_UnboundStep(benchmark::State& state) {
  bench_support::BenchProject project("unbound");
  auto run = run_at_day(project, 200);
  const long before = bench_allocations::now();
  for (auto _ : state) {
    engine::advance_unbound_layers(*run);
    benchmark::DoNotOptimize(run->node_state.node_temperature(8));
  }
  bench_allocations::report(state, before);
}
BENCHMARK(BM_UnboundStep)->Unit(benchmark::kMicrosecond);

// The frost scans and modulus update of one output point.
void BM_OutputPoint(benchmark::State& state) {
  bench_support::BenchProject project("output");
  auto run = run_at_day(project, 200);
  engine::DefaultSimulationSteps steps;
  const long before = bench_allocations::now();
  for (auto _ : state) {
    steps.output_point(*run);
    benchmark::DoNotOptimize(run->node_state.node_modulus(8));
  }
  bench_allocations::report(state, before);
}
BENCHMARK(BM_OutputPoint)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
