#include "engine/common/history_header.h"

#include <cmath>

#include "platform/paths.h"
#include "platform/record_io.h"
#include "platform/units.h"

namespace engine {

void write_default_history_header(const platform::FixedText<255>& file) {
  if (platform::logical_file_exists(file.view())) return;
  platform::open_unit(kDefaultHeaderUnit, file.view(), platform::OpenStatus::New);
  platform::write_list(kDefaultHeaderUnit, kDefaultHistoryHeader);
  platform::close_unit(kDefaultHeaderUnit);
}

HistoryHeader read_history_header(const platform::FixedText<255>& file) {
  HistoryHeader h;
  platform::open_unit(kHistoryHeaderUnit, file.view(), platform::OpenStatus::Old);
  platform::read_list(kHistoryHeaderUnit, h.record_count, h.node_count, h.thickness, h.deviation);
  platform::close_unit(kHistoryHeaderUnit);
  return h;
}

bool history_needs_simulation(float stored, double wanted, ThicknessCheck mode) {
  // Whole inches are compared as truncated floating values, so a corrupt
  // header (huge or not a number) never meets an int conversion; NaN always
  // calls for a fresh simulation.
  if (mode == ThicknessCheck::Single) {
    const float t = static_cast<float>(wanted);
    return std::fabs(stored - t) >= kHistoryThicknessStep || std::trunc(stored) != std::trunc(t);
  }
  const double s = stored;
  return std::fabs(s - wanted) >= static_cast<double>(kHistoryThicknessStep) ||
         std::trunc(s) != std::trunc(wanted);
}

}  // namespace engine
