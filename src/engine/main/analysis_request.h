#pragma once
// What "input.dat" asks the engine to do, as the main routine hands it to the
// dispatcher.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/fixed_text.h"

namespace engine {

struct AnalysisRequest {
  static constexpr std::int32_t factor_levels = 2;
  static constexpr std::int32_t factor_count = 5;  // size of the mean and spread lists
  static constexpr std::int32_t sample_capacity = 10000;

  platform::FixedText<255> work_directory;
  std::array<platform::FixedText<3>, 2> analysis_code;
  std::array<std::int32_t, 4> analysis_integers{};  // start year, month, day; years
  std::array<double, 5> variable_means{};           // (1) asphalt thickness, inches
  std::array<double, 5> variable_deviations{};
  std::int32_t sample_count = 0;                    // "SPT" only
  std::vector<double> sample_values;                // 22 per sample, file order
};

}  // namespace engine
