#include "engine/cracking/thermal_cracking_run.h"

#include "platform/stop.h"

namespace engine {

void run_thermal_cracking_case(CrackingState&, const platform::FixedText<255>&) {
  platform::stop_run(platform::kStopDecided, "run_thermal_cracking_case: not built yet");
}

}  // namespace engine
