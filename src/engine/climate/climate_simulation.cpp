#include "engine/climate/climate_simulation.h"

#include <memory>

#include "engine/climate/climate_input.h"
#include "engine/climate/climate_run.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/progress_file.h"
#include "engine/climate/result_files.h"
#include "engine/climate/simulation_steps.h"
#include "engine/climate/temperature_history_file.h"
#include "platform/stop.h"

namespace engine {
namespace {

inline constexpr std::int32_t kFailureMark = -2;

void simulate(ClimateRun& run, SimulationSteps& steps, TemperatureHistoryFile& history) {
  write_progress(run, 0, ProgressOpenFailure::kSkip);
  open_result_files(run);
  history.open();
  setup_layer_grid(run);
  history.select_fields();

  steps.set_up_materials(run);
  platform::stop_run(platform::kStopDecided, "run_climate_simulation: not built yet");
}

}  // namespace

void run_climate_simulation_with(SimulationSteps& steps, float ac_thickness,
                                 float thickness_deviation,
                                 const platform::FixedText<255>& work_directory,
                                 const platform::FixedText<255>& temperature_file_name) {
  // A fresh context per call: nothing carries over from an earlier call, and the
  // work arrays go with it however the call ends.
  auto run = std::make_unique<ClimateRun>();
  TemperatureHistoryFile history(*run);
  try {
    climate_input_phase(*run, ac_thickness, thickness_deviation, work_directory,
                        temperature_file_name);
    simulate(*run, steps, history);
  } catch (...) {
    // Whatever ends the run after its first mark, a caller that watches only
    // the progress file learns of it, and no history claims an unfinished run.
    // A file error on the way must not hide the stop that ended the run.
    try {
      history.abandon();
      if (run->progress_started) write_progress(*run, kFailureMark, ProgressOpenFailure::kSkip);
    } catch (...) {
    }
    throw;
  }
}

void run_climate_simulation(float ac_thickness, float thickness_deviation,
                            const platform::FixedText<255>& work_directory,
                            const platform::FixedText<255>& temperature_file_name) {
  DefaultSimulationSteps steps;
  run_climate_simulation_with(steps, ac_thickness, thickness_deviation, work_directory,
                              temperature_file_name);
}

}  // namespace engine
