#include "engine/cracking/thermal_cracking_run.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

#include "engine/common/finite_input.h"
#include "engine/common/node_count.h"
#include "engine/common/project_files.h"
#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/creep_table.h"
#include "numlib/support/machine.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

constexpr int kMaxCases = 100000;
constexpr int kHistoryDaysReserved = 27500;
constexpr std::string_view kResultHeader = " No.  months     crack [in]   TC [ft/mile]";

const platform::Format& whole_record() {
  static const platform::Format f("(A255)");
  return f;
}

// Flushed like the simulation's progress marks, so a piped console keeps pace.
void time_line(std::string_view label) {
  platform::console_line(platform::format_list(label, numlib::ELAPSED_CPU_SECONDS()));
  platform::console_flush();
}

// Thicknesses, mixture values and criteria run through every formula of the case.
void require_finite(std::span<const double> values) { engine::require_finite(kRunFileUnit, values); }

// A number field of a history record when it holds only blanks, a leading
// sign, digits and at most one point (none in an integer field) -- what the
// history writer writes. False for anything else, which the platform's reader
// then reads or reports. The value is the platform's: an integer of at most 15
// digits divided by an exact power of ten is the correctly rounded decimal.
bool plain_field(std::string_view record, std::size_t col, std::size_t width, int implied,
                 double& value, bool integer = false) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const std::string_view f = col < record.size() ? record.substr(col, width) : std::string_view{};
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = 0;
  bool negative = false, sign = false, point = false;
  for (const char c : f) {
    if (c == ' ') continue;
    if (c >= '0' && c <= '9') {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      ++digits;
      if (point) ++decimals;
    } else if (c == '.' && !point && !integer) {
      point = true;
    } else if ((c == '-' || c == '+') && !sign && digits == 0 && !point) {
      sign = true;
      negative = c == '-';
    } else {
      return false;
    }
    if (digits > 15) return false;
  }
  if (digits == 0) {
    if (sign || point) return false;  // a lone sign or point is no number
    value = 0.0;
    return true;
  }
  const double v = static_cast<double>(mantissa) / kPowers[point ? decimals : implied];
  value = negative ? -v : v;
  return true;
}

// Mixture values that give no creep table (air voids or binder content of 0 or
// less, A of 0 or less, an overflowing penetration) would only stop the fit
// later, at a value of "master-gen.dat" that the user never wrote.
void require_creep_table(const std::array<double, 4>& mix) {
  const MixtureCreep c = estimate_mixture_creep(mix[0], mix[1], mix[2], mix[3]);
  const bool table = std::isfinite(c.strength) &&
                     std::all_of(c.compliances.begin(), c.compliances.end(),
                                 [](double d) { return d > 0.0 && std::isfinite(d); });
  if (table) return;
  refuse_input_line(kRunFileUnit, platform::unit_line(kRunFileUnit),
                    "air voids, effective binder content, A and VTS of" +
                        platform::format_list(mix) + " give no creep-compliance table");
}

// `why`, when given, says where the file went wrong.
[[noreturn]] void history_corrupted(const std::string& why = {}) {
  platform::console_line(" your temperature file is corrupted");
  if (!why.empty()) platform::console_line(" " + why);
  platform::console_line(" go to ..\\tmp directory and delete the *.tmp files");
  platform::console_line(" and rerun your program to generate these files");
  platform::console_pause();
  platform::stop_run(platform::kStopDecided, {});
}

// Records 1 to 5 of a case group, the creep table written when the case
// estimates it. False at the end of the run file.
bool read_case_start(CrackingState& state) {
  static const platform::Format flag_layout("(A1)");
  CrackingRunBlock& rb = state.run_block;
  if (!platform::read_list_unless_end(kRunFileUnit,
                                      std::span<std::int32_t>(state.analysis_start_date.data(), 4)))
    return false;
  if (!platform::read_fixed_unless_end(kRunFileUnit, whole_record(), rb.history_file_name))
    return false;
  if (!platform::read_list_unless_end(kRunFileUnit, rb.asphalt_thickness)) return false;
  require_finite({&rb.asphalt_thickness, 1});
  if (!platform::read_fixed_unless_end(kRunFileUnit, flag_layout, rb.creep_data_flag)) return false;
  if (rb.creep_data_flag == "Y" || rb.creep_data_flag == "y")
    return platform::read_fixed_unless_end(kRunFileUnit, whole_record(), rb.creep_table_name);
  if (!platform::read_list_unless_end(kRunFileUnit, rb.mixture_inputs)) return false;
  require_finite(rb.mixture_inputs);
  require_creep_table(rb.mixture_inputs);
  const auto& mix = rb.mixture_inputs;
  write_creep_table(mix[0], mix[1], mix[2], mix[3], rb.tensile_strength, rb.creep_table_name);
  return true;
}

// Records 6 and 7. False at the end of the run file.
bool read_case_kind(CrackingState& state) {
  static const platform::Format code_layout("(A2)");
  CrackingRunBlock& rb = state.run_block;
  if (!platform::read_fixed_unless_end(kRunFileUnit, code_layout, rb.case_code)) return false;
  if (!platform::read_list_unless_end(kRunFileUnit, rb.cracking_criterion)) return false;
  require_finite({&rb.cracking_criterion, 1});
  return true;
}

}  // namespace

FractureParameters fracture_parameters(double m, double strength, double fracture_scale) {
  constexpr double kExponentScale = 0.8f;
  constexpr double kPsiToMpa = 0.006895f;
  constexpr double kIntercept = 4.389f;
  constexpr double kSlope = 2.52f;
  FractureParameters f;
  f.n = (1.0 + 1.0 / m) * kExponentScale;
  f.p = f.n * (strength * 10000.0) * kPsiToMpa * kPsiToMpa;
  f.a = fracture_scale * std::pow(10.0, kIntercept - kSlope * std::log10(f.p));
  return f;
}

void read_temperature_file(CrackingState& state, TemperatureHistory& history, int node_count) {
  static const platform::Format record_layout("(I4,3I2,12F6.1)");
  CrackingRunBlock& rb = state.run_block;
  rb.history_day_count = 1;
  std::int32_t records = 0;
  platform::read_list(kHistoryReadUnit, records);
  const std::int32_t days = records / 24;

  const int kept = node_count - 1;
  history.reset(0, kept);
  // Days are added as they arrive: a corrupt header count costs nothing.
  history.reserve_days(std::clamp(days, 0, kHistoryDaysReserved));
  std::array<std::int32_t, 4> stamp{};
  std::array<double, kMaxStressNodes> fields{};
  std::array<std::array<double, kMaxStressNodes>, 24> day_records{};
  const std::size_t width = static_cast<std::size_t>(node_count);
  const std::span<double> record_fields(fields.data(), width);
  // Each record by hand when it is plain (as the writer makes it), else by the
  // platform's reader.
  auto read_record = [&] {
    std::string_view record;
    std::string message;
    const platform::IoStatus st = platform::read_record(kHistoryReadUnit, record, &message);
    if (st == platform::IoStatus::EndOfFile) return false;
    if (st != platform::IoStatus::Ok) platform::stop_on_unit_error(kHistoryReadUnit, st, message);
    bool plain = true;
    double unused = 0.0;
    for (std::size_t col : {0, 4, 6, 8})
      plain = plain && plain_field(record, col, col == 0 ? 4 : 2, 0, unused, true);
    for (std::size_t f = 0; plain && f < width; ++f)
      plain = plain_field(record, 10 + 6 * f, 6, 1, fields[f]);
    if (plain) return true;
    // The writer never writes asterisks, NaN or an infinity: a field holding
    // one is a history that went wrong, not a number.
    const auto corrupted_field = [&](std::size_t col, std::size_t w, const std::string& field) {
      history_corrupted("\"" + platform::unit_name(kHistoryReadUnit) + "\", line " +
                        std::to_string(platform::unit_line(kHistoryReadUnit)) + ", " + field +
                        ": \"" + std::string(record.substr(col, w)) + "\" is not a number");
    };
    if (record.substr(0, std::min<std::size_t>(record.size(), 10)).find('*') !=
        std::string_view::npos)
      corrupted_field(0, 10, "the date-hour stamp");
    for (std::size_t f = 0; f < width; ++f) {
      const std::size_t col = 10 + 6 * f;
      if (col < record.size() && record.substr(col, 6).find('*') != std::string_view::npos)
        corrupted_field(col, 6, "temperature " + std::to_string(f + 1));
    }
    const platform::ReadResult r =
        platform::read_fixed_text(record, record_layout, stamp, record_fields);
    if (r.status != platform::IoStatus::Ok)
      platform::stop_on_unit_error(kHistoryReadUnit, platform::IoStatus::Error, r.error);
    for (std::size_t f = 0; f < width; ++f)
      if (!std::isfinite(fields[f]))
        corrupted_field(10 + 6 * f, 6, "temperature " + std::to_string(f + 1));
    return true;
  };
  auto read_day = [&] {
    for (auto& hour : day_records) {
      if (!read_record()) return false;
      // the second field (half an inch down) is not a node of the stress grid
      hour[0] = fields[0];
      std::copy(fields.begin() + 2, fields.begin() + node_count, hour.begin() + 1);
    }
    return true;
  };
  for (std::int32_t d = 1; d <= days; ++d) {
    if (!read_day()) {
      // the records of an unfinished day are not kept
      if (d < days - 10)
        history_corrupted("\"" + platform::unit_name(kHistoryReadUnit) + "\" holds " +
                          std::to_string(d - 1) + " whole days of the " + std::to_string(days) +
                          " its header counts");
      break;
    }
    const int day = history.add_day();
    for (int k = 1; k <= 24; ++k)
      std::copy_n(day_records[static_cast<std::size_t>(k - 1)].begin(), kept, history.hour(day, k));
    ++rb.history_day_count;
  }
  if (history.days() == 0)
    history_corrupted("\"" + platform::unit_name(kHistoryReadUnit) +
                      "\" holds no whole day of records");
}

void run_thermal_cracking_case(CrackingState& state, const platform::FixedText<255>& work_directory) {
  CrackingRunBlock& rb = state.run_block;
  TemperatureHistory history;
  int history_nodes = 0;  // the node count the loaded history was read for
  rb.loaded_history_name = "";
  time_line(" Time begin=");
  rb.fracture_scale = 1.5;

  platform::open_unit(kRunFileUnit, project_file(work_directory, "doc-17a.dat").view(),
                      platform::OpenStatus::Old);
  platform::open_unit(kCrackResultUnit, project_file(work_directory, " 1.txt").view(),
                      platform::OpenStatus::Replace);
  platform::open_unit(kFitReportUnit, project_file(work_directory, "master-results.dat").view(),
                      platform::OpenStatus::Replace);
  platform::write_record(kCrackResultUnit, kResultHeader);
  platform::console_line(kResultHeader);

  bool normal_end = true;
  for (int c = 1; c <= kMaxCases; ++c) {
    rb.case_number = c;
    rb.creep_table_name = project_file(work_directory, "master-gen.dat");
    if (!read_case_start(state)) break;
    state.fit_prony_creep(state, state.creep_fit_common.creep_power_fit, rb.tensile_strength,
                          rb.creep_table_name);
    state.analysis_start_date[4] = state.analysis_start_date[3];
    if (!read_case_kind(state)) {
      normal_end = false;
      break;
    }
    if (rb.case_code == "DS")
      rb.cracking_criterion = 3000.0;
    else
      state.analysis_start_date[3] = 50;

    const int nodes = layer_node_count(rb.asphalt_thickness);
    if (!(rb.history_file_name == rb.loaded_history_name) || nodes != history_nodes) {
      history.clear();
      platform::open_unit(kHistoryReadUnit, rb.history_file_name.trimmed(),
                          platform::OpenStatus::Old);
      read_temperature_file(state, history, nodes);
      platform::close_unit(kHistoryReadUnit);
      rb.loaded_history_name = rb.history_file_name.trimmed();
      history_nodes = nodes;
    }

    const double m = state.creep_fit_common.creep_power_fit[2];
    if (!(m > 0.0))
      platform::stop_run(platform::kStopDecided, " Creep exponent m is zero, check your creep data");
    const FractureParameters f = fracture_parameters(m, rb.tensile_strength, rb.fracture_scale);
    int history_node_count = 0;
    compute_thermal_stress_history(state, f.n, f.a, rb.tensile_strength, rb.asphalt_thickness,
                                   history, history_node_count, rb.history_day_count);
  }

  if (normal_end) time_line(" Time end=");
  platform::write_record(kCrackResultUnit, "       \n\n\n");
  platform::close_unit(kRunFileUnit);
  platform::close_unit(kCrackResultUnit);
  platform::close_unit(kFitReportUnit);
}

}  // namespace engine
