// The design option: one case at the mean values, whose cracking at the end
// of its run becomes the design criterion of later criteria and volumetric
// runs ("criteria.txt", and the same record in "res.txt").

#include <algorithm>

#include "engine/common/history_header.h"
#include "engine/common/project_files.h"
#include "engine/common/temperature_histories.h"
#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/option_steps.h"
#include "engine/cracking/options.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {

void run_design_option(OptionArgs& args) {
  const auto& wd = args.work_directory;
  const bool sample_data = args.analysis_code[1] == "SPT";
  // The case would name a creep table that nothing has written.
  if (sample_data && args.sample_count <= 0)
    platform::stop_run(platform::kStopDecided, " No creep-test sample for the design case");

  const double thickness = args.variable_means[0];
  const float spread = static_cast<float>(args.variable_deviations[0]);
  const auto history = project_file(wd, "tmp\\thermal.tmp");
  write_default_history_header(history);

  platform::open_unit(kOptionRunFileUnit, project_file(wd, "doc-17a.dat").view(),
                      platform::OpenStatus::Replace);
  ensure_temperature_history(args.histories, wd, history, thickness, spread);
  CaseCreepData creep;
  if (sample_data) {
    creep.table_name = project_file(wd, "master-gen.dat");
    write_sample_creep_table(creep.table_name, args.sample_values, 1);
  } else {
    std::copy(args.variable_means.begin() + 1, args.variable_means.end(), creep.mixture.begin());
  }
  write_run_case(args.cracking.analysis_integers, history, thickness, creep, CaseKind::Design);
  platform::close_unit(kOptionRunFileUnit);

  args.cracking.run_thermal_cracking_case(args.cracking, wd);
  const CrackCollection rows = collect_crack_results(args, 1);
  platform::write_record(kResultsUnit, store_design_criterion(args, rows));
}

}  // namespace engine
