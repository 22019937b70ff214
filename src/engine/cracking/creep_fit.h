#pragma once
// The creep-compliance fit of one case (master curve, Prony series, relaxation
// series). The run reaches it through CrackingState::fit_prony_creep.

#include <array>

#include "engine/cracking/cracking_state.h"
#include "platform/fixed_text.h"

namespace engine {

void fit_prony_creep(CrackingState& state, std::array<double, 5>& creep_power_fit,
                     double& tensile_strength, const platform::FixedText<255>& table_name);

}  // namespace engine
