// The criteria option: one case per creep-test sample and thickness level,
// each case's service life against the design criterion of an earlier design
// run and its cracking at the end of the design life, with their mean and
// standard deviation, in "res.txt".

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>

#include "engine/common/history_header.h"
#include "engine/common/project_files.h"
#include "engine/common/temperature_histories.h"
#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/option_steps.h"
#include "engine/cracking/options.h"
#include "platform/console.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

// Creep tables are named "fi1.dat" to "fi8.dat".
constexpr std::int32_t kMaxSamples = 8;

struct ThicknessLevel {
  platform::FixedText<255> history;
  double thickness = 0.0;
};

}  // namespace

void run_criteria_option(OptionArgs& args) {
  const auto& wd = args.work_directory;
  const double t = args.variable_means[0];
  const double d = args.variable_deviations[0];
  const float spread = static_cast<float>(d);
  platform::console_line(platform::format_list(t, d));
  const std::int32_t samples = std::max(args.sample_count, 0);
  if (samples > kMaxSamples)
    platform::stop_run(platform::kStopDecided, " At most 8 creep-test samples can be run");
  const std::int32_t years = args.cracking.analysis_integers[3];
  warn_long_design_life(years);

  std::array<ThicknessLevel, 2> levels;
  std::size_t level_count = 2;
  if (d < static_cast<double>(0.01f) || args.analysis_code[0] == "JMF") {
    level_count = 1;
    levels[0] = {project_file(wd, "tmp\\thermal.tmp"), t};
  } else {
    levels[0] = {project_file(wd, "tmp\\minthermal.tmp"), t - d};
    levels[1] = {project_file(wd, "tmp\\plusthermal.tmp"), t + d};
  }
  for (std::size_t k = 0; k < level_count; ++k) {
    write_default_history_header(levels[k].history);
    ensure_temperature_history(args.histories, wd, levels[k].history, levels[k].thickness, spread);
  }

  platform::open_unit(kOptionRunFileUnit, project_file(wd, "doc-17a.dat").view(),
                      platform::OpenStatus::Replace);
  for (std::size_t k = 0; k < level_count; ++k) {
    for (std::int32_t j = 1; j <= samples; ++j) {
      CaseCreepData creep;
      creep.table_name = project_file(wd, "fi" + std::to_string(j) + ".dat");
      write_sample_creep_table(creep.table_name, args.sample_values, j);
      write_run_case(args.cracking.analysis_integers, levels[k].history, levels[k].thickness, creep,
                     CaseKind::Criteria, args.design_criterion);
    }
  }
  platform::close_unit(kOptionRunFileUnit);
  args.cracking.run_thermal_cracking_case(args.cracking, wd);

  CaseLifeTally tally(args);
  collect_crack_results(args, 1, std::ref(tally));

  const std::int32_t cases = static_cast<std::int32_t>(level_count) * samples;
  float life_sum = 0.0f, cracking_sum = 0.0f, life_squares = 0.0f, cracking_squares = 0.0f;
  for (std::int32_t i = 1; i <= cases; ++i) {
    const CaseLife c = write_case_life(args, static_cast<std::size_t>(i));
    life_sum += c.life;
    life_squares += c.life * c.life;
    cracking_sum = add_single(cracking_sum, c.cracking);
    cracking_squares = add_single(cracking_squares, c.cracking * c.cracking);
  }
  if (cases == 0) {
    platform::console_line(" No creep-test samples: nothing to average");
    write_life_summary(years, 0.0f, 0.0f, 0.0f, 0.0f);
    return;
  }
  const float m = static_cast<float>(cases);
  const float mean_life = life_sum / m;
  const float mean_cracking = cracking_sum / m;
  // Rounding can leave a variance a little below zero.
  const float life_variance = std::max(life_squares / m - mean_life * mean_life, 0.0f);
  const float cracking_variance =
      std::max(cracking_squares / m - mean_cracking * mean_cracking, 0.0f);
  write_life_summary(years, mean_life, mean_cracking, std::sqrt(life_variance),
                     std::sqrt(cracking_variance));
}

}  // namespace engine
