// The volumetric option: the five variables (thickness and four mixture
// values) each at mean minus and mean plus its spread; one case per
// combination that the correlation table makes probable, and the
// probability-weighted mean and standard deviation of the service life and of
// the cracking at the end of the design life, in "res.txt". Unless the code is
// "FLD", a design case sets the criterion first.

#include <algorithm>
#include <cmath>
#include <functional>

#include "engine/common/checked_output.h"
#include "engine/common/finite_input.h"
#include "engine/common/history_header.h"
#include "engine/common/node_count.h"
#include "engine/common/project_files.h"
#include "engine/common/temperature_histories.h"
#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/option_steps.h"
#include "engine/cracking/options.h"
#include "platform/format.h"
#include "platform/record_io.h"
#include "platform/units.h"

namespace engine {

CorrelationMatrix correlation_matrix() {
  CorrelationMatrix k{};
  for (std::size_t i = 0; i < 5; ++i) k[i][i] = 1.0;
  k[3][4] = k[4][3] = -1.0;
  return k;
}

CombinationTable design_matrix() {
  CombinationTable d{};
  for (unsigned r = 0; r < 32; ++r)
    for (unsigned c = 0; c < 5; ++c) d[r][c] = (r >> (4 - c)) & 1u ? -1.0 : 1.0;
  return d;
}

CombinationTable principal_variables(const CombinationTable& design,
                                     const std::array<double, 5>& means,
                                     const std::array<double, 5>& deviations) {
  CombinationTable v{};
  for (std::size_t r = 0; r < 32; ++r)
    for (std::size_t c = 0; c < 5; ++c) v[r][c] = means[c] + design[r][c] * deviations[c];
  return v;
}

std::array<double, 32> combination_probabilities(const CorrelationMatrix& k,
                                                 const CombinationTable& design) {
  std::array<double, 32> p{};
  for (std::size_t r = 0; r < 32; ++r) {
    const auto& x = design[r];
    if (x[3] * x[4] > 0.0) continue;
    p[r] = (1.0 + k[0][1] * x[0] * x[1] + k[1][2] * x[1] * x[2] + k[2][3] * x[2] * x[3] +
            k[3][4] * x[3] * x[4] + k[4][0] * x[4] * x[0]) *
           0.03125;
  }
  return p;
}

void run_vol_option(OptionArgs& args) {
  static const platform::Format correlation_row("(5F14.4)");
  static const platform::Format design_row("(5F10.0,F12.6)");
  const auto& wd = args.work_directory;
  const double t = args.variable_means[0];
  const double d = args.variable_deviations[0];
  const float spread = static_cast<float>(d);
  const std::int32_t years = args.cracking.analysis_integers[3];
  warn_long_design_life(years);

  const auto minus_history = project_file(wd, "tmp\\minthermal.tmp");
  const auto mean_history = project_file(wd, "tmp\\thermal.tmp");
  const auto plus_history = project_file(wd, "tmp\\plusthermal.tmp");
  for (const auto* h : {&minus_history, &mean_history, &plus_history})
    write_default_history_header(*h);

  const CorrelationMatrix k = correlation_matrix();
  platform::write_list(kResultsUnit, "  correlation matrix");
  for (const auto& row : k) write_fixed_checked(kResultsUnit, correlation_row, row);
  const CombinationTable design = design_matrix();
  const CombinationTable values =
      principal_variables(design, args.variable_means, args.variable_deviations);
  const std::array<double, 32> p = combination_probabilities(k, design);
  for (std::size_t r = 0; r < 32; ++r)
    write_fixed_checked(kResultsUnit, design_row, design[r], p[r]);
  platform::write_list(kResultsUnit, "   principal variables");
  for (const auto& row : values) write_fixed_checked(kResultsUnit, correlation_row, row);

  const auto run_file = project_file(wd, "doc-17a.dat");
  platform::open_unit(kOptionRunFileUnit, run_file.view(), platform::OpenStatus::Replace);
  std::int32_t design_rows = 0;
  if (!(args.analysis_code[0] == "FLD") && !(args.analysis_code[0] == "DES")) {
    ensure_temperature_history(args.histories, wd, mean_history, t, spread);
    CaseCreepData creep;
    std::copy(args.variable_means.begin() + 1, args.variable_means.end(), creep.mixture.begin());
    write_run_case(args.cracking.analysis_integers, mean_history, t, creep, CaseKind::Design);
    platform::close_unit(kOptionRunFileUnit);
    args.cracking.run_thermal_cracking_case(args.cracking, wd);
    const CrackCollection rows = collect_crack_results(args, 1);
    store_design_criterion(args, rows);
    design_rows = rows.records;
  }

  // The criterion as stored: under "FLD" that of an earlier run.
  std::int32_t criterion_key = 0;
  platform::open_unit(kOptionReadUnit, project_file(wd, "criteria.txt").view(),
                      platform::OpenStatus::Old);
  platform::read_list(kOptionReadUnit, criterion_key, args.design_criterion);
  const double criterion = args.design_criterion;
  require_finite(kOptionReadUnit, {&criterion, 1});
  platform::close_unit(kOptionReadUnit);

  platform::open_unit(kOptionRunFileUnit, run_file.view(), platform::OpenStatus::Replace);
  const auto retained = [&](std::size_t r) {
    return std::fabs(p[r]) > static_cast<double>(0.001f);
  };
  for (std::size_t r = 0; r < 32; ++r) {
    if (!retained(r)) continue;
    const double x = values[r][0];
    // Thicknesses within 0.1 of the mean share its history. It is checked
    // against the mean, not x: every case runs after all are written, so
    // re-simulating the shared file for t - d (whole inches apart from t + d)
    // would leave the earlier cases on a history of another thickness. A layer
    // with more nodes than that history has depths takes its own side's file,
    // where it would otherwise read the missing depths as 0 F.
    bool shared = std::fabs(x - t) <= static_cast<double>(0.1f);
    if (shared) {
      ensure_temperature_history(args.histories, wd, mean_history, t, spread);
      shared = layer_node_count(x) <= read_history_header(mean_history).node_count;
    }
    const auto& history = shared ? mean_history : x > t ? plus_history : minus_history;
    if (!shared) ensure_temperature_history(args.histories, wd, history, x, spread);
    CaseCreepData creep;
    std::copy(values[r].begin() + 1, values[r].end(), creep.mixture.begin());
    write_run_case(args.cracking.analysis_integers, history, x, creep, CaseKind::Volumetric,
                   args.design_criterion);
  }
  platform::close_unit(kOptionRunFileUnit);
  args.cracking.run_thermal_cracking_case(args.cracking, wd);

  CaseLifeTally tally(args);
  collect_crack_results(args, design_rows + 1, std::ref(tally));

  float life_mean = 0.0f, cracking_mean = 0.0f, life_squares = 0.0f, cracking_squares = 0.0f;
  std::size_t i = 0;
  for (std::size_t r = 0; r < 32; ++r) {
    if (!retained(r)) continue;
    const CaseLife c = write_case_life(args, ++i);
    life_mean = add_single(life_mean, p[r] * c.life);
    cracking_mean = add_single(cracking_mean, p[r] * c.cracking);
    life_squares = add_single(life_squares, p[r] * (c.life * c.life));
    cracking_squares = add_single(cracking_squares, p[r] * (c.cracking * c.cracking));
  }
  // Rounding can leave a variance a little below zero.
  const float life_variance = std::max(life_squares - life_mean * life_mean, 0.0f);
  const float cracking_variance = std::max(cracking_squares - cracking_mean * cracking_mean, 0.0f);
  write_life_summary(years, life_mean, cracking_mean, std::sqrt(life_variance),
                     std::sqrt(cracking_variance));
}

}  // namespace engine
