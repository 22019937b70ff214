#pragma once
// The run context of one engine run: the state blocks that live for the whole
// run and the routines the dispatcher calls, held as callables so tests can put
// doubles in their place.

#include <functional>

#include "engine/common/temperature_histories.h"
#include "engine/cracking/cracking_state.h"
#include "engine/cracking/options.h"

namespace engine {

struct EngineRun {
  CrackingState cracking;
  TemperatureHistories histories;
  std::function<void(float intercept, float slope, float& intercept_spread, float& slope_spread)>
      check_pg_grade;
  std::function<void(OptionArgs&)> run_design_option;
  std::function<void(OptionArgs&)> run_vol_option;
  std::function<void(OptionArgs&)> run_criteria_option;
};

// A run wired to the engine's own simulation, check and options.
EngineRun make_engine_run();

}  // namespace engine
