#include "engine/common/finite_input.h"

#include <cmath>
#include <string>

#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {

void require_finite(int unit, std::span<const double> values) {
  for (const double v : values) {
    if (std::isfinite(v)) continue;
    platform::stop_run(platform::kStopDecided,
                       "Input error in \"" + platform::unit_name(unit) + "\", line " +
                           std::to_string(platform::unit_line(unit)) + ": value " +
                           platform::format_list(v).substr(1) + "; it must be a finite number");
  }
}

}  // namespace engine
