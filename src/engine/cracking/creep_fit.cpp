#include "engine/cracking/creep_fit.h"

#include "platform/stop.h"

namespace engine {

void fit_prony_creep(CrackingState&, std::array<double, 5>&, double&,
                     const platform::FixedText<255>&) {
  platform::stop_run(platform::kStopDecided, "fit_prony_creep: not built yet");
}

}  // namespace engine
