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

// The volumetric option's tables: five variables at two levels each, 32
// combinations. Rows are combinations, columns variables (both from 0 here).
using CorrelationMatrix = std::array<std::array<double, 5>, 5>;
using CombinationTable = std::array<std::array<double, 5>, 32>;

// The identity, except that variables 4 and 5 are fully negatively correlated.
CorrelationMatrix correlation_matrix();
// +1 (mean plus spread) or -1 per variable: combination r (from 1) takes -1
// for variable c (from 1) when bit 5 - c of r - 1 is set.
CombinationTable design_matrix();
// The variables' values in each combination: mean + level x spread.
CombinationTable principal_variables(const CombinationTable& design,
                                     const std::array<double, 5>& means,
                                     const std::array<double, 5>& deviations);
// The probability of each combination from the correlations of neighbouring
// variables (and of 5 with 1); 0 where variables 4 and 5 share a level.
std::array<double, 32> combination_probabilities(const CorrelationMatrix& correlation,
                                                 const CombinationTable& design);

}  // namespace engine
