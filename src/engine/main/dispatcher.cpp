#include "engine/main/dispatcher.h"

#include <cmath>
#include <string>
#include <vector>

#include "engine/common/finite_input.h"
#include "engine/common/history_header.h"
#include "engine/common/project_files.h"
#include "engine/common/temperature_histories.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

constexpr int kCriteriaUnit = 3;

std::int32_t combination_count(std::int32_t levels, std::int32_t factors) {
  std::int32_t combinations = 1;
  for (std::int32_t i = 0; i < factors; ++i) combinations *= levels;
  return combinations;
}

// The criterion that an earlier design run left in "criteria.txt", or the end
// of the run when there is none.
float read_design_criterion(const platform::FixedText<255>& work_directory) {
  static const platform::Format kCriteriaLayout("(I10,F12.1)");
  const auto name = project_file(work_directory, "criteria.txt");
  // Nothing else sets the criterion before the criteria option, so without
  // the file there is none; the non-zero status tells the calling package.
  if (!platform::logical_file_exists(name.view()))
    platform::stop_run(platform::kStopDecided, " You must run the design option first");
  std::int32_t month_key = 0;
  float design_criterion = 0.0f;
  platform::open_unit(kCriteriaUnit, name.view(), platform::OpenStatus::Old);
  platform::read_fixed(kCriteriaUnit, kCriteriaLayout, month_key, design_criterion);
  // Every case is compared with the criterion; NaN or an infinity is none.
  if (!std::isfinite(design_criterion))
    refuse_input_line(kCriteriaUnit, 1, "design criterion " + text_of(design_criterion) +
                                            "; it must be a finite number");
  platform::close_unit(kCriteriaUnit);
  return design_criterion;
}

}  // namespace

void dispatch_analysis(EngineRun& run, AnalysisRequest& rq) {
  const auto& wd = rq.work_directory;
  const auto& code = rq.analysis_code;
  const std::int32_t cells =
      rq.factor_levels * combination_count(rq.factor_levels, rq.factor_count);
  std::vector<std::int32_t> combination_criteria(static_cast<std::size_t>(cells), 0);
  std::vector<std::int32_t> sample_keys(static_cast<std::size_t>(rq.sample_capacity), 0);
  std::vector<double> sample_results(static_cast<std::size_t>(rq.sample_capacity), 0.0);
  std::vector<double> combination_cracking(static_cast<std::size_t>(cells), 0.0);
  float design_criterion = 0.0f;

  // A deterministic thickness, or the job-mix road, needs the history of the
  // mean thickness before anything else.
  if (rq.variable_deviations[0] < static_cast<double>(0.01f) || code[0] == "JMF") {
    const auto history = project_file(wd, "tmp\\thermal.tmp");
    write_default_history_header(history);
    ensure_temperature_history(run.histories, wd, history, rq.variable_means[0], 0.0f,
                               ThicknessCheck::Single);
  }

  run.cracking.analysis_integers = rq.analysis_integers;

  platform::open_unit(kResultsUnit, project_file(wd, "res.txt").view(),
                      platform::OpenStatus::Replace);
  platform::console_line(platform::format_list(rq.factor_count));

  if (code[1] != "SPT") {
    float intercept_spread = 0.0f;
    float slope_spread = 0.0f;
    run.check_pg_grade(static_cast<float>(rq.variable_means[3]),
                       static_cast<float>(rq.variable_means[4]), intercept_spread, slope_spread);
    rq.variable_deviations[3] = intercept_spread;
    rq.variable_deviations[4] = slope_spread;
  }

  OptionArgs args{rq.sample_capacity,   rq.sample_count,         combination_criteria,
                  sample_keys,          sample_results,          combination_cracking,
                  rq.variable_means,    rq.variable_deviations,  rq.sample_values,
                  design_criterion,     rq.analysis_code,        wd,
                  run.cracking,         run.histories};
  if (code[0] == "DES") {
    run.run_design_option(args);
  } else if (code[1] == "VOL" || code[1] == "vol") {
    run.run_vol_option(args);
    platform::close_unit(kResultsUnit);
  } else {
    design_criterion = read_design_criterion(wd);
    run.run_criteria_option(args);
  }

  write_summary_files(wd, rq.factor_levels, combination_criteria, sample_keys, sample_results,
                      combination_cracking);
}

void write_summary_files(const platform::FixedText<255>& work_directory,
                         std::int32_t factor_levels,
                         std::span<const std::int32_t> combination_criteria,
                         std::span<const std::int32_t> sample_keys,
                         std::span<const double> sample_results,
                         std::span<const double> combination_cracking) {
  const std::size_t rows = static_cast<std::size_t>(factor_levels);
  const std::size_t columns = combination_criteria.size() / rows;
  // Reusing the results channel closes "res.txt" where an option left it open.
  const auto open = [&](std::string_view name) {
    platform::open_unit(kResultsUnit, project_file(work_directory, name).view(),
                        platform::OpenStatus::Replace);
  };

  open("i2.dat");
  for (std::size_t i = 0; i < sample_keys.size() && i < sample_results.size() && sample_keys[i] > 0;
       ++i)
    platform::write_list(kResultsUnit, sample_keys[i], sample_results[i]);
  platform::close_unit(kResultsUnit);

  open("i_criteria.dat");
  for (std::size_t r = 0; r < rows; ++r)
    for (std::size_t c = 0; c < columns; ++c)
      platform::write_list(kResultsUnit, combination_criteria[c * rows + r]);
  platform::close_unit(kResultsUnit);

  open("tc240.dat");
  for (std::size_t c = 0; c < combination_cracking.size() / rows; ++c)
    platform::write_list(kResultsUnit, combination_cracking[c * rows]);
  platform::close_unit(kResultsUnit);
}

}  // namespace engine
