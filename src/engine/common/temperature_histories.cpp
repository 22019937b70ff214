#include "engine/common/temperature_histories.h"

#include <algorithm>
#include <stdexcept>

namespace engine {

bool TemperatureHistories::simulate(float ac_thickness, float thickness_deviation,
                                    const platform::FixedText<255>& work_directory,
                                    const platform::FixedText<255>& file) {
  auto it = std::find_if(last_.begin(), last_.end(),
                         [&](const LastRun& r) { return r.file == file; });
  if (it != last_.end() && it->thickness == ac_thickness &&
      it->deviation == thickness_deviation)
    return false;
  if (!simulate_) throw std::logic_error("no climate simulation wired into the run");
  simulate_(ac_thickness, thickness_deviation, work_directory, file);
  ++runs_;
  // Recorded only after a complete simulation: a failed one has ended the run.
  if (it == last_.end()) {
    last_.push_back({file, ac_thickness, thickness_deviation});
  } else {
    it->thickness = ac_thickness;
    it->deviation = thickness_deviation;
  }
  return true;
}

void ensure_temperature_history(TemperatureHistories& histories,
                                const platform::FixedText<255>& work_directory,
                                const platform::FixedText<255>& file, double wanted,
                                float thickness_deviation, ThicknessCheck mode) {
  const HistoryHeader header = read_history_header(file);
  if (history_needs_simulation(header.thickness, wanted, mode))
    histories.simulate(static_cast<float>(wanted), thickness_deviation, work_directory, file);
}

}  // namespace engine
