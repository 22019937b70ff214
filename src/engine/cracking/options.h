#pragma once
// The three analysis options that the dispatcher chooses from. They take one
// argument block instead of positional lists, whose orders differ from option
// to option.

#include <array>
#include <cstdint>
#include <span>

#include "engine/common/temperature_histories.h"
#include "engine/cracking/cracking_state.h"
#include "platform/fixed_text.h"

namespace engine {

// Everything an option reads or fills, by reference. The 2 x 32 combination
// arrays are stored by columns: element (r, c) is at (c - 1) * 2 + (r - 1).
struct OptionArgs {
  const std::int32_t& sample_capacity;
  const std::int32_t& sample_count;
  std::span<std::int32_t> combination_criteria;
  std::span<std::int32_t> sample_keys;      // sample_capacity entries
  std::span<double> sample_results;         // sample_capacity entries
  std::span<double> combination_cracking;
  std::array<double, 5>& variable_means;
  std::array<double, 5>& variable_deviations;
  std::span<const double> sample_values;    // 22 per sample, possibly none
  float& design_criterion;
  const std::array<platform::FixedText<3>, 2>& analysis_code;
  const platform::FixedText<255>& work_directory;
  CrackingState& cracking;
  TemperatureHistories& histories;
};

void run_design_option(OptionArgs& args);
void run_criteria_option(OptionArgs& args);
void run_vol_option(OptionArgs& args);

}  // namespace engine
