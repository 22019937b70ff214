#include "engine/cracking/options.h"
#include "platform/stop.h"

namespace engine {

void run_design_option(OptionArgs&) {
  platform::stop_run(platform::kStopDecided, "run_design_option: not built yet");
}

}  // namespace engine
