// The front end's work on the demo stations: the interpolation of four stations'
// hourly files (13,848 hours), the climatic data file of one station (577 days)
// and the engine input of 20 years (733 day blocks, 18,458 lines).

#include <benchmark/benchmark.h>

#include <vector>

#include "bench_project.h"
#include "demo_data/demo_data.h"
#include "frontend/climate_file.h"
#include "frontend/engine_input.h"
#include "frontend/hourly_files.h"

namespace {

std::vector<tervon::HourlySource> DemoSources(const std::filesystem::path& project) {
  // ALDER, BIRCH FIELD, CEDAR and DOGWOOD at their distances from 40.00 N 105.00 W.
  const double distances[] = {12.32, 14.53, 38.70, 43.49};
  std::vector<tervon::HourlySource> sources;
  for (int i = 0; i < 4; ++i) {
    const demo::DemoStation& s = demo::DemoStations()[static_cast<std::size_t>(i)];
    sources.push_back({project / demo::HourlyFileName(s.identifier), s.elevation, distances[i]});
  }
  return sources;
}

void BM_InterpolateFourStations(benchmark::State& state) {
  bench_support::BenchProject project("interpolate");
  demo::WriteDemoProject(project.project());
  const auto sources = DemoSources(project.project());
  for (auto _ : state) {
    const auto r = tervon::InterpolateHourly(sources, 5000, {2004, 8, 1, 0}, {2006, 3, 1, 0},
                                             project.project() / "hcd.tmp", [](int) {});
    benchmark::DoNotOptimize(r.hours);
  }
  state.counters["hours_per_s"] = benchmark::Counter(13848, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_InterpolateFourStations)->Unit(benchmark::kMillisecond);

void BM_ClimateFileAndEngineInput(benchmark::State& state) {
  bench_support::BenchProject project("roads");
  demo::WriteDemoProject(project.project());
  const std::filesystem::path p = project.project();
  tervon::DailyTable table{};
  tervon::ClimateSite site;
  site.longitude = "-105.05";
  site.latitude = "40.1";
  site.elevation = 5300;
  site.sunrise = site.sunset = site.radiation = &table;
  for (auto _ : state) {
    const auto built = tervon::WriteClimateFile(p / "hcd/00017.hcd", p / "climate.tmp", site, [](long long) {});
    const auto written = tervon::WriteEngineInputFile(
        {p.string() + "/", p / "input.tmp", p / "climate.tmp", p / "clmtemp.txt", built.mean_annual_temperature});
    benchmark::DoNotOptimize(written.day_blocks);
  }
}
BENCHMARK(BM_ClimateFileAndEngineInput)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
