#include "engine/climate/simulation_steps.h"

#include "engine/climate/drainage.h"
#include "engine/climate/frost.h"
#include "engine/climate/moisture_setup.h"
#include "engine/climate/unbound_step.h"

namespace engine {

void DefaultSimulationSteps::set_up_materials(ClimateRun& run) { set_up_soil_moisture(run); }

void DefaultSimulationSteps::set_initial_water(ClimateRun& run) {
  set_initial_water_contents(run);
}

void DefaultSimulationSteps::evaluate_drainage(ClimateRun& run) { engine::evaluate_drainage(run); }

void DefaultSimulationSteps::before_day_loop(ClimateRun& run) { prepare_unbound_step(run); }

void DefaultSimulationSteps::solved_step(ClimateRun& run) { advance_unbound_layers(run); }

void DefaultSimulationSteps::output_point(ClimateRun& run) {
  FrostState& frost = run.frost;
  frost.depth_from_bottom = frost_depth_from_bottom(run);
  frost.depth_from_top = frost_depth_from_top(run);
  track_frost_state(run);
  update_node_modulus(run);
}

}  // namespace engine
