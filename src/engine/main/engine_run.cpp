#include "engine/main/engine_run.h"

#include "engine/climate/climate_simulation.h"
#include "engine/cracking/creep_fit.h"
#include "engine/cracking/pg_grade_check.h"
#include "engine/cracking/thermal_cracking_run.h"

namespace engine {

EngineRun make_engine_run() {
  EngineRun run;
  run.histories.set_simulation(&run_climate_simulation);
  run.cracking.fit_prony_creep = &fit_prony_creep;
  run.cracking.run_thermal_cracking_case = &run_thermal_cracking_case;
  run.check_pg_grade = &check_pg_grade;
  run.run_design_option = &run_design_option;
  run.run_vol_option = &run_vol_option;
  run.run_criteria_option = &run_criteria_option;
  return run;
}

}  // namespace engine
