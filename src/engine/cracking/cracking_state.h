#pragma once
// State of the cracking analysis that lives for the whole run.

#include <array>
#include <cstdint>

namespace engine {

struct CrackingState {
  // Analysis start year, month, day and number of years, copied in by the
  // dispatcher before an option runs.
  std::array<std::int32_t, 4> analysis_integers{};
};

}  // namespace engine
