// The thermal-cracking run's two costs: the stress history of one 50-year case
// (18,220 days) on the 11 history nodes of an 18-inch layer, on a mild history
// that never cracks through, and the reading of a 20-year temperature history
// (7,300 days of 11 nodes, 175,200 records).

#include "engine/cracking/thermal_stress.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "allocation_count.h"
#include "bench_project.h"
#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/thermal_cracking_run.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/record_io.h"
#include "platform/units.h"

namespace {

constexpr int kDays = 7300;
constexpr int kFields = 12;  // an 18-inch layer: 12 fields, 11 nodes kept

// Mild diurnal temperatures, deg F, falling off with depth (2 inches a node).
double mild(int day, int hour, int node) {
  const double depth = 2.0 * (node - 1);
  const double mean = 35.0 + 12.0 * std::cos(2.0 * 3.141592653589793 * day / 365.0);
  const double swing = 8.0 * std::exp(-depth / 4.0);
  return std::round(10.0 * (mean + swing * std::cos(2.0 * 3.141592653589793 * (hour - 15 - 1.5 * depth) / 24.0))) / 10.0;
}

void set_relaxation_series(engine::CrackingState& s) {
  auto& fit = s.creep_fit_common;
  fit.relaxation_term_count = 5;
  fit.relaxation_times = {5.47270755, 40.3070567, 272.967698, 1098.53861, 22035.6827};
  fit.relaxation_moduli = {913767.853, 595409.89, 635507.513, 978322.396, 752747.332};
  fit.master_curve_shifts = {1.45000047609, 2.2500009425};
}

void BM_StressHistory50Years(benchmark::State& state) {
  bench_support::BenchProject project("stress");
  engine::CrackingState s;
  set_relaxation_series(s);
  s.analysis_start_date = {2001, 1, 1, 50, 20};
  s.run_block.cracking_criterion = 1000.0;
  s.run_block.fracture_scale = 1.5;
  s.run_block.case_number = 1;
  engine::TemperatureHistory history;
  history.reset(365, kFields - 1);
  for (int d = 1; d <= 365; ++d)
    for (int k = 1; k <= 24; ++k)
      for (int i = 1; i < kFields; ++i) history.hour(d, k)[i - 1] = mild(d, k, i);
  const auto f = engine::fracture_parameters(0.448572244, 386.7070707, 1.5);
  engine::StressHistorySummary summary;
  long allocations = 0;
  for (auto _ : state) {
    platform::open_unit(engine::kCrackResultUnit, "C:\\proj\\ 1.txt", platform::OpenStatus::Replace);
    int nodes = 0;
    const long before = bench_allocations::now();
    summary = engine::compute_thermal_stress_history(s, f.n, f.a, 386.7070707, 18.0, history, nodes, 366);
    allocations = bench_allocations::now() - before;
    platform::close_unit(engine::kCrackResultUnit);
    project.clear_console();
  }
  state.counters["days"] = static_cast<double>(summary.days);
  state.counters["allocs"] = static_cast<double>(allocations);
  const std::string text = [&] {
    std::string t;
    platform::LineReader in(project.project() / " 1.txt");
    std::string line;
    while (in.next(line)) t = line;
    return t;
  }();
  state.SetLabel("final row \"" + text + "\"");
}
BENCHMARK(BM_StressHistory50Years)->Unit(benchmark::kMillisecond);

void BM_ReadTemperatureHistory(benchmark::State& state) {
  bench_support::BenchProject project("history");
  {
    static const platform::Format layout("(I4,3I2.2,12F6.1)");
    platform::open_unit(1, "C:\\proj\\thermal.tmp", platform::OpenStatus::Replace);
    platform::write_list(1, kDays * 24, kFields, 18.0f, 0.0f);
    double values[kFields];
    for (int d = 1; d <= kDays; ++d)
      for (int k = 1; k <= 24; ++k) {
        for (int i = 0; i < kFields; ++i) values[i] = mild(d, k, i < 1 ? 1 : i);
        platform::write_fixed(1, layout, 2001 + (d - 1) / 365, 1, 1, k - 1,
                              std::span<const double>(values, kFields));
      }
    platform::close_unit(1);
  }
  engine::CrackingState s;
  engine::TemperatureHistory history;
  for (auto _ : state) {
    platform::open_unit(engine::kHistoryReadUnit, "C:\\proj\\thermal.tmp", platform::OpenStatus::Old);
    engine::read_temperature_file(s, history, kFields);
    platform::close_unit(engine::kHistoryReadUnit);
    benchmark::DoNotOptimize(history.hour(kDays, 24)[0]);
  }
  state.counters["days"] = history.days();
  state.counters["records_per_s"] = benchmark::Counter(kDays * 24.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadTemperatureHistory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
