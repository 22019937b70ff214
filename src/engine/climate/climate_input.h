#pragma once
// The input phase of a climate simulation: the correction table, the first
// progress mark, "input.tmp" from its first record to its last, the thickness
// check of the top layer, the work arrays, the daily and monthly climate tables,
// the moisture index and the temperature mean.

#include <string>

#include "engine/climate/climate_run.h"
#include "platform/fixed_text.h"

namespace engine {

// Fills `run` (which the caller creates cleared) from the project in
// `work_directory`. Leaves "input.tmp" open on kInputChannel and, when it exists,
// "LTTP_CORRECT.CSV" on kCorrectionChannel, for the rest of the run. A value
// outside the limits the simulation can hold stops the run (status 1) with a
// console line naming "input.tmp", the record and the value.
void climate_input_phase(ClimateRun& run, float ac_thickness, float thickness_deviation,
                         const platform::FixedText<255>& work_directory,
                         const platform::FixedText<255>& temperature_file_name);

// Stops the run (status 1) for a value of "input.tmp" that the simulation cannot
// hold, with the console line
//   Input error in "<file>", <where>: <problem>
[[noreturn]] void reject_input(const std::string& where, const std::string& problem);

// The number of the record of a soil layer that holds `field` (5 for the
// porosity), counting the layer's record L1 as 1.
int soil_record_number(LayerTable LayerProperties::*field);

}  // namespace engine
