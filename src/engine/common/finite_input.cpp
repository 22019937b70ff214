#include "engine/common/finite_input.h"

#include <cmath>
#include <string>

#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {

void refuse_input_line(int unit, long line, const std::string& problem) {
  platform::stop_run(platform::kStopDecided, "Input error in \"" + platform::unit_name(unit) +
                                                 "\", line " + std::to_string(line) + ": " +
                                                 problem);
}

void require_finite(int unit, std::span<const double> values) {
  for (const double v : values) {
    if (std::isfinite(v)) continue;
    refuse_input_line(unit, platform::unit_line(unit),
                      "value " + text_of(v) + "; it must be a finite number");
  }
}

}  // namespace engine
