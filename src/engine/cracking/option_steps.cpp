#include "engine/cracking/option_steps.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "engine/common/checked_output.h"
#include "engine/common/finite_input.h"
#include "engine/common/project_files.h"
#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/creep_table.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

// The combination arrays have two rows, stored by columns.
constexpr std::size_t kCombinationRows = 2;
// The run writes at most this many rows that the options read back.
constexpr std::int64_t kLastCrackIndex = 100000;
constexpr std::int32_t kSampleValues = 22;

const platform::Format& thickness_layout() {
  static const platform::Format layout("(F12.3)");
  return layout;
}
const platform::Format& mixture_layout() {
  static const platform::Format layout("(4F14.5)");
  return layout;
}

bool fits(const platform::Format& layout, double value) {
  std::string text;
  return !platform::append_fixed_checked(text, layout, value);
}

}  // namespace

bool fits_run_case_thickness(double thickness) { return fits(thickness_layout(), thickness); }
bool fits_run_case_mixture(double value) { return fits(mixture_layout(), value); }

void write_run_case(const std::array<std::int32_t, 4>& head,
                    const platform::FixedText<255>& history_file, double thickness,
                    const CaseCreepData& creep, CaseKind kind, float criterion) {
  static const platform::Format head_layout("(4I10)");
  static const platform::Format name_layout("(A255)");
  static const platform::Format criterion_layout("(F12.3)");
  constexpr int u = kOptionRunFileUnit;
  write_fixed_checked(u, head_layout, head);
  write_fixed_checked(u, name_layout, history_file);
  write_fixed_checked(u, thickness_layout(), thickness);
  if (!creep.table_name.is_blank()) {
    platform::write_record(u, "YES");
    write_fixed_checked(u, name_layout, creep.table_name);
  } else {
    // An empty flag record: the run estimates the table from the mixture.
    platform::write_record(u, "");
    write_fixed_checked(u, mixture_layout(), creep.mixture);
  }
  switch (kind) {
    case CaseKind::Design:
      // The run puts its own criterion in place of this one.
      platform::write_record(u, "DS");
      platform::write_list(u, "    0.0");
      break;
    case CaseKind::Criteria:
      // Read as the code " J": not a design case.
      platform::write_list(u, "JMF");
      write_fixed_checked(u, criterion_layout, criterion);
      break;
    case CaseKind::Volumetric:
      platform::write_record(u, "");
      write_fixed_checked(u, criterion_layout, criterion);
      break;
  }
}

void write_sample_creep_table(const platform::FixedText<255>& table_name,
                              std::span<const double> sample_values, std::int32_t sample) {
  if (sample < 1 || static_cast<std::size_t>(sample) * kSampleValues > sample_values.size())
    throw std::logic_error("creep-test sample " + std::to_string(sample) + " was not read");
  const auto values =
      sample_values.subspan(static_cast<std::size_t>(sample - 1) * kSampleValues, kSampleValues);
  write_creep_table_values(table_name, values.first<kCreepTableRows>(), values[kCreepTableRows]);
}

CrackCollection collect_crack_results(OptionArgs& args, std::int32_t first,
                                      const std::function<void(const CrackRecord&)>& per_record) {
  constexpr int u = kOptionReadUnit;
  const std::int64_t capacity = std::min<std::int64_t>(
      {args.sample_capacity, static_cast<std::int64_t>(args.sample_keys.size()),
       static_cast<std::int64_t>(args.sample_results.size())});
  CrackCollection collected;
  bool dropped = false;
  platform::open_unit(u, project_file(args.work_directory, " 1.txt").view(),
                      platform::OpenStatus::Old);
  platform::read_list(u);  // the header
  for (std::int64_t n = first; n <= kLastCrackIndex; ++n) {
    CrackRecord row;
    float crack_depth = 0.0f;
    // The closing record holds no values: the read runs on to the end.
    if (!platform::read_list_unless_end(u, row.case_number, row.key, crack_depth, row.cracking))
      break;
    require_finite(u, {&row.cracking, 1});
    ++collected.records;
    collected.last = row;
    if (n >= 1 && n <= capacity) {
      args.sample_keys[static_cast<std::size_t>(n - 1)] = row.key;
      args.sample_results[static_cast<std::size_t>(n - 1)] = row.cracking;
    } else {
      dropped = true;
    }
    if (per_record) per_record(row);
  }
  platform::close_unit(u);
  if (dropped)
    platform::console_line(" More than " + std::to_string(capacity) +
                           " crack results: the rest are not stored");
  return collected;
}

CaseLifeTally::CaseLifeTally(OptionArgs& args)
    : args_(args),
      design_life_key_(12 * static_cast<std::int64_t>(args.cracking.analysis_integers[3])) {}

void CaseLifeTally::operator()(const CrackRecord& row) {
  if (row.case_number > case_counter_) {
    ++case_counter_;
    ++column_;
  }
  const std::size_t at = column_ * kCombinationRows;  // row 1 of the case's column
  if (at >= args_.combination_criteria.size() || at >= args_.combination_cracking.size()) return;
  if (row.key == design_life_key_) args_.combination_cracking[at] = row.cracking;
  // Still below the criterion: the life is at least the next month.
  if (row.cracking < static_cast<double>(args_.design_criterion))
    args_.combination_criteria[at] = static_cast<std::int32_t>(std::min<std::int64_t>(
        std::int64_t{row.key} + 1, std::numeric_limits<std::int32_t>::max()));
}

CaseLife write_case_life(const OptionArgs& args, std::size_t case_index) {
  static const platform::Format pair("(2F12.3)");
  const std::size_t at = (case_index - 1) * kCombinationRows;
  CaseLife c;
  c.life = static_cast<float>(args.combination_criteria[at]) / 12.0f;
  c.cracking = args.combination_cracking[at];
  write_fixed_checked(kResultsUnit, pair, c.life, c.cracking);
  return c;
}

std::string store_design_criterion(OptionArgs& args, const CrackCollection& design_rows) {
  static const platform::Format layout("(I10,F12.1)");
  if (design_rows.records == 0)
    platform::stop_run(platform::kStopDecided,
                       " No crack results: the design criterion cannot be set");
  args.design_criterion = static_cast<float>(design_rows.last.cracking);
  std::string record;
  if (const platform::FieldFault fault = platform::append_fixed_checked(
          record, layout, design_rows.last.key, args.design_criterion))
    stop_unwritable(project_file(args.work_directory, "criteria.txt").trimmed(), {}, "field",
                    fault);
  platform::open_unit(kOptionReadUnit, project_file(args.work_directory, "criteria.txt").view(),
                      platform::OpenStatus::Replace);
  platform::write_record(kOptionReadUnit, record);
  platform::close_unit(kOptionReadUnit);
  return record;
}

void warn_long_design_life(std::int32_t design_years) {
  if (design_years > 50)
    platform::console_line(" Design life over 50 years: the cases are run for 50 years");
}

void write_life_summary(std::int32_t design_years, float mean_life, float mean_cracking,
                        float sd_life, float sd_cracking) {
  static const platform::Format life_line("(' serv life   TC@',I3,' years')");
  static const platform::Format pair("(2F12.3)");
  write_fixed_checked(kResultsUnit, life_line, design_years);
  platform::write_list(kResultsUnit, "    average ");
  write_fixed_checked(kResultsUnit, pair, mean_life, mean_cracking);
  platform::write_list(kResultsUnit, "    std. dev ");
  write_fixed_checked(kResultsUnit, pair, sd_life, sd_cracking);
  platform::close_unit(kResultsUnit);
}

}  // namespace engine
