#pragma once
// The thermal-cracking run: every case that "doc-17a.dat" of the project
// directory lists, with their crack results in " 1.txt".

#include "engine/cracking/cracking_state.h"
#include "platform/fixed_text.h"

namespace engine {

void run_thermal_cracking_case(CrackingState& state, const platform::FixedText<255>& work_directory);

}  // namespace engine
