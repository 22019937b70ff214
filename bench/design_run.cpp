// The whole design run of the demo project, in process, on one thread: the
// project of tervon-mkdemo, "input.tmp" from tervon's road 1 (replayed
// headless), then the engine's own entry on its "input.dat" (a 20-year design
// request on a 6-inch layer).
//
//   BM_DesignRunWithoutHistory: "tmp\thermal.tmp" removed first, so the run
//     simulates the site's 733 days, then runs the design case;
//   BM_DesignRunWithHistory: the history stays: the fit, the 20-year stress
//     loop and the files.
//
// Counters: the seconds spent in the simulation, in the creep fit and in the
// rest of the thermal-cracking run (reading the history and the stress loop),
// and the process's peak resident memory so far (ru_maxrss; run one benchmark
// per process with --benchmark_filter for a figure of its own).

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "demo_data/demo_data.h"
#include "engine/climate/climate_simulation.h"
#include "engine/cracking/creep_fit.h"
#include "engine/cracking/thermal_cracking_run.h"
#include "engine/main/dispatcher.h"
#include "engine/main/engine_run.h"
#include "engine/main/main_program.h"
#include "frontend/run_script.h"
#include "platform/console.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace {

namespace fs = std::filesystem;

// The demo project, made once per process; the process works in it.
class DemoProject {
 public:
  DemoProject()
      : root_(fs::temp_directory_path() / ("pavsim-bench-design-" + std::to_string(::getpid()))) {
    fs::remove_all(root_);
    demo::WriteDemoProject(project());
    demo::WriteDirectoryFile(root_ / "drive", project());
    fs::current_path(project());
    ::setenv("PAVSIM_DRIVE_C", (root_ / "drive").c_str(), 1);
    ::unsetenv("DISPLAY");
    std::ostringstream err;
    ok_ = tervon::RunScriptHeadless(ROAD1_SCRIPT, err) == 0;
    error_ = err.str();
  }
  ~DemoProject() {
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
    fs::remove_all(root_, ec);
  }
  fs::path project() const { return root_ / "project"; }
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }

 private:
  fs::path root_;
  bool ok_ = false;
  std::string error_;
};

DemoProject& demo_project() {
  static DemoProject p;
  return p;
}

struct Split {
  double simulation = 0.0, fit = 0.0, run = 0.0;  // seconds
};

template <class F>
void timed(double& total, F&& body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One run of the engine's entry with the simulation, the fit and the run timed.
void design_run(Split& split) {
  engine::EngineRun run = engine::make_engine_run();
  run.histories.set_simulation([&split](float t, float d, const platform::FixedText<255>& wd,
                                        const platform::FixedText<255>& file) {
    timed(split.simulation, [&] { engine::run_climate_simulation(t, d, wd, file); });
  });
  run.cracking.fit_prony_creep = [&split](engine::CrackingState& s, std::array<double, 5>& power,
                                          double& strength, const platform::FixedText<255>& table) {
    timed(split.fit, [&] { engine::fit_prony_creep(s, power, strength, table); });
  };
  run.cracking.run_thermal_cracking_case = [&split](engine::CrackingState& s,
                                                    const platform::FixedText<255>& wd) {
    timed(split.run, [&] { engine::run_thermal_cracking_case(s, wd); });
  };
  engine::AnalysisRequest request = engine::read_analysis_request();
  engine::dispatch_analysis(run, request);
  platform::close_all_units();
}

void run_benchmark(benchmark::State& state, bool keep_history) {
  DemoProject& project = demo_project();
  if (!project.ok()) {
    state.SkipWithError(("road 1 failed: " + project.error()).c_str());
    return;
  }
  std::ostringstream console;
  platform::set_console_output(&console);
  Split split;
  std::int64_t runs = 0;
  try {
    // The history of an earlier run, made untimed when this one runs alone.
    if (keep_history && !fs::exists(project.project() / "tmp" / "thermal.tmp")) design_run(split);
  } catch (const platform::RunStop& stop) {
    platform::set_console_output(nullptr);
    state.SkipWithError(("the run stopped: " + stop.message()).c_str());
    return;
  }
  split = {};
  for (auto _ : state) {
    state.PauseTiming();
    if (!keep_history) fs::remove(project.project() / "tmp" / "thermal.tmp");
    console.str("");
    state.ResumeTiming();
    try {
      design_run(split);
    } catch (const platform::RunStop& stop) {
      platform::set_console_output(nullptr);
      state.SkipWithError(("the run stopped: " + stop.message()).c_str());
      return;
    }
    ++runs;
  }
  platform::set_console_output(nullptr);
  const double n = static_cast<double>(runs > 0 ? runs : 1);
  state.counters["simulation_s"] = split.simulation / n;
  state.counters["fit_s"] = split.fit / n;
  state.counters["stress_s"] = (split.run - split.fit) / n;  // history read, stress loop, files
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_DesignRunWithoutHistory(benchmark::State& state) { run_benchmark(state, false); }
BENCHMARK(BM_DesignRunWithoutHistory)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_DesignRunWithHistory(benchmark::State& state) { run_benchmark(state, true); }
BENCHMARK(BM_DesignRunWithHistory)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
