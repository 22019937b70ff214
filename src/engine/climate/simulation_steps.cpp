#include "engine/climate/simulation_steps.h"

#include "engine/climate/drainage.h"
#include "engine/climate/moisture_setup.h"
#include "platform/stop.h"

namespace engine {

void DefaultSimulationSteps::set_up_materials(ClimateRun& run) { set_up_soil_moisture(run); }

void DefaultSimulationSteps::set_initial_water(ClimateRun& run) {
  set_initial_water_contents(run);
}

void DefaultSimulationSteps::evaluate_drainage(ClimateRun& run) { engine::evaluate_drainage(run); }

void DefaultSimulationSteps::before_day_loop(ClimateRun&) {
  platform::stop_run(platform::kStopDecided, "before_day_loop: not built yet");
}

void DefaultSimulationSteps::solved_step(ClimateRun&) {
  platform::stop_run(platform::kStopDecided, "solved_step: not built yet");
}

void DefaultSimulationSteps::output_point(ClimateRun&) {
  platform::stop_run(platform::kStopDecided, "output_point: not built yet");
}

}  // namespace engine
