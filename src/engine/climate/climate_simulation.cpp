#include "engine/climate/climate_simulation.h"

#include <memory>

#include "engine/climate/climate_input.h"
#include "engine/climate/climate_run.h"
#include "platform/stop.h"

namespace engine {

void run_climate_simulation(float ac_thickness, float thickness_deviation,
                            const platform::FixedText<255>& work_directory,
                            const platform::FixedText<255>& temperature_file_name) {
  // A fresh context per call: nothing carries over from an earlier call, and the
  // work arrays go with it however the call ends.
  auto run = std::make_unique<ClimateRun>();
  climate_input_phase(*run, ac_thickness, thickness_deviation, work_directory,
                      temperature_file_name);
  platform::stop_run(platform::kStopDecided, "run_climate_simulation: not built yet");
}

}  // namespace engine
