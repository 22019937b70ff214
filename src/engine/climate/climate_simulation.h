#pragma once

#include "platform/fixed_text.h"

namespace engine {

class SimulationSteps;

// One climate simulation of the project in `work_directory`: reads "input.tmp",
// simulates, writes the per-case result files and the temperature history
// `temperature_file_name` (a full name: the project directory followed by
// "tmp\thermal.tmp" or a variant). Every call starts
// from a cleared state.
void run_climate_simulation(float ac_thickness, float thickness_deviation,
                            const platform::FixedText<255>& work_directory,
                            const platform::FixedText<255>& temperature_file_name);

// The same run with `steps` in place of the simulation's own steps.
void run_climate_simulation_with(SimulationSteps& steps, float ac_thickness,
                                 float thickness_deviation,
                                 const platform::FixedText<255>& work_directory,
                                 const platform::FixedText<255>& temperature_file_name);

}  // namespace engine
