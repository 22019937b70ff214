#include "engine/climate/drainage_report.h"

#include <string>
#include <string_view>

#include "engine/climate/result_files.h"
#include "engine/common/checked_output.h"
#include "platform/format.h"
#include "platform/record_io.h"
#include "platform/units.h"

namespace engine {
namespace {

constexpr const char* kMonthNames[12] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                         "MAY",       "JUNE",     "JULY",     "AUGUST",
                                         "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};

void text(std::string_view record) { platform::write_record(kDrainageChannel, record); }
void blank_lines(int n) {
  for (int i = 0; i < n; ++i) text("");
}

void write_table(const DrainageResult& r) {
  static const platform::Format kRow("(F5.1,8X,E10.3)");
  text(std::string(104, ' '));
  text("DRAINAGE%          TIME");
  for (int j = 1; j <= kDrainageTableRows; ++j)
    write_fixed_checked(kDrainageChannel, kRow, 0.05 * j * 100.0, r.table_hours(j));
}

void write_evaluation(const DrainageResult& r) {
  static const platform::Format kValue("(A,F11.2)");
  auto value = [](std::string_view label, double v) {
    write_fixed_checked(kDrainageChannel, kValue, label, v);
  };
  blank_lines(1);
  text("******** EVALUATION OF DRAIANGE DESIGN ********");
  value("WATER DRAINED PERCENTAGE DUE TO GRAVEL    = ", r.gravel_drained);
  value("PERCENTAGE  OF GRAVEL IN THE SAMPLE       = ", r.gravel_content);
  value("WATER DRAINED PERCENTAGE DUE TO SAND      = ", r.sand_drained);
  value("PERCENTAGE  OF SAND IN THE SAMPLE         = ", r.sand_content);
  value("PERCENTAGE  OF WATER WILL BE DRAINED      = ", r.drained_percentage);
  blank_lines(1);
  if (r.verdict == DrainageVerdict::kNone) return;
  value("CRITICAL DRAINAGE DEGREE (85% SATURATION) = ", r.critical_degree * 100.0);
  value("DRAINING TIME FOR 85% SATURATION (HOURS)  = ", r.critical_hours);
  blank_lines(2);
  switch (r.verdict) {
    case DrainageVerdict::kNotAcceptable:
      text("$$$$ THIS DRAINAGE DESIGN IS NOT ACCEPTABLE $$$$");
      break;
    case DrainageVerdict::kMarginallyAcceptable:
      text("$ THIS DRAINAGE DESIGN IS MARGINALLY ACCEPTABLE $");
      break;
    default:
      text("$$$$ THIS DRAINAGE DESIGN IS SATISFACTORY $$$$");
      break;
  }
  blank_lines(2);
}

void write_month(const DrainageResult& r, const MonthDrainage& m) {
  static const platform::Format kCount("(A,I4)");
  static const platform::Format kProbability("(A,F10.3)");
  static const platform::Format kDailyRow("(I3,5X,F8.2,10X,F8.3)");
  platform::write_list(kDrainageChannel, kMonthNames[m.month_number - 1], m.month_year);
  write_fixed_checked(kDrainageChannel, kCount,
                        "NUMBER OF DAYS WITH PRECIPITATION = ", m.wet_days);
  write_fixed_checked(kDrainageChannel, kCount, "NUMBER OF DRY DAY SEQUENCES =", m.dry_sequences);
  write_fixed_checked(kDrainageChannel, kCount, "NUMBER OF WET DAY SEQUENCES =", m.wet_sequences);
  if (m.has_day_probabilities) {
    write_fixed_checked(kDrainageChannel, kProbability,
                          "PROBABILITY OF DRY DAYS =", m.dry_day_probability);
    write_fixed_checked(kDrainageChannel, kProbability,
                          "PROBABILITY OF WET DAYS =", m.wet_day_probability);
    if (m.daily_rows > 0) {
      blank_lines(2);
      platform::write_list(kDrainageChannel, "DAYS   %DRAINAGE   PROBABILITY DRY DAYS");
      for (std::int32_t d = 1; d <= m.daily_rows; ++d)
        write_fixed_checked(kDrainageChannel, kDailyRow, d, r.daily_degree(d) * 100.0,
                              m.dry_spell_probability(d));
      blank_lines(2);
    }
  }
  write_fixed_checked(kDrainageChannel, kProbability, "DRY PROBABILITY OF BASE COURSE = ",
                      m.base_dry_probability);
  write_fixed_checked(kDrainageChannel, kProbability, "WET PROBABILITY OF BASE COURSE = ",
                      m.base_wet_probability);
  blank_lines(3);
}

}  // namespace

void write_drainage_report(const DrainageResult& result) {
  write_table(result);
  write_evaluation(result);
  for (const MonthDrainage& m : result.months) write_month(result, m);
}

}  // namespace engine
