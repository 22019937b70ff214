#pragma once
// The header record of a temperature-history file ("tmp\thermal.tmp" and its
// thickness variants) and the test whether the history fits a wanted asphalt
// thickness. The climate simulation writes the header; the dispatcher and the
// cracking options read it back before deciding whether to re-simulate.

#include <cstdint>
#include <string_view>

#include "platform/fixed_text.h"
#include "structure/structure_limits.h"

namespace engine {

// Written as the whole header of a history file that no simulation has made
// yet: its thickness 0 sends any real thickness to the simulation.
inline constexpr std::string_view kDefaultHistoryHeader = "     0      0     0.     0.";

// Channels of the two header steps, shared with the options' other files.
inline constexpr int kDefaultHeaderUnit = 91;
inline constexpr int kHistoryHeaderUnit = 3;

struct HistoryHeader {
  std::int32_t record_count = 0;  // climate records the simulation averaged
  std::int32_t node_count = 0;    // node count of the top layer
  float thickness = 0.0f;         // top-layer thickness used, inches
  float deviation = 0.0f;         // thickness spread the simulation was given
};

// Creates `file` holding only the default header when it does not exist; an
// existing file is left alone.
void write_default_history_header(const platform::FixedText<255>& file);

// Reads the header record of `file`, which must exist.
HistoryHeader read_history_header(const platform::FixedText<255>& file);

// The dispatcher decides in single precision on the rounded thickness, the
// options in double on the thickness as given; the two disagree near the
// limits, and each caller keeps its own way.
enum class ThicknessCheck { Single, Double };

// The difference in thickness that makes a stored history unfit: a layer
// thinner than this fits the default header's thickness 0, which is why it is
// also the thinnest layer a history can stand for.
inline constexpr float kHistoryThicknessStep = structure::kThinnestHistoryLayer;

// Whether a history simulated for `stored` inches is unfit for `wanted` inches:
// the difference reaches kHistoryThicknessStep or the whole inches differ.
bool history_needs_simulation(float stored, double wanted, ThicknessCheck mode);

}  // namespace engine
