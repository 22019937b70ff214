#include "engine/climate/climate_simulation.h"

#include "platform/stop.h"

namespace engine {

void run_climate_simulation(float, float, const platform::FixedText<255>&,
                            const platform::FixedText<255>&) {
  platform::stop_run(platform::kStopDecided, "run_climate_simulation: not built yet");
}

}  // namespace engine
