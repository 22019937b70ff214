// The month and day calendar of a stress history and the rows it writes.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/cracking_test_support.h"
#include "engine/cracking/thermal_cracking_run.h"
#include "engine/cracking/thermal_stress.h"
#include "engine/temp_project.h"
#include "platform/units.h"

namespace {

using engine_test::TempDrive;

// Loads a history file and runs stress histories on it: a 4-inch layer on
// records of 5 fields, a 2-inch layer on 3.
struct StressRun {
  TempDrive drive;
  engine::CrackingState state;
  engine::TemperatureHistory history;
  engine::StressHistorySummary summary;
  std::vector<std::string> rows;
  double thickness;

  explicit StressRun(const std::string& history_text, int fields = 5)
      : thickness(fields == 5 ? 4.0 : 2.0) {
    drive.write("h.tmp", history_text);
    platform::open_unit(engine::kHistoryReadUnit, "c:\\h.tmp", platform::OpenStatus::Old);
    engine::read_temperature_file(state, history, fields);
    platform::close_unit(engine::kHistoryReadUnit);
    cracking_test::set_fixed_series(state.creep_fit_common);
    state.run_block.case_number = 1;
  }

  void run(std::int32_t years, std::int32_t years_read, double criterion, double strength = 386.7070707) {
    state.analysis_start_date[3] = years;
    state.analysis_start_date[4] = years_read;
    state.run_block.cracking_criterion = criterion;
    state.run_block.fracture_scale = 1.5;
    const auto f = engine::fracture_parameters(0.448572244, strength, 1.5);
    platform::open_unit(engine::kCrackResultUnit, "c:\\rows.txt", platform::OpenStatus::Replace);
    int nodes = 0;
    engine_test::ConsoleCapture console;
    summary = engine::compute_thermal_stress_history(state, f.n, f.a, strength, thickness, history,
                                                     nodes, state.run_block.history_day_count);
    platform::close_unit(engine::kCrackResultUnit);
    EXPECT_EQ(nodes, history.nodes());
    rows = cracking_test::lines(drive.read("rows.txt"));
    EXPECT_EQ(console.text(), rows.empty() ? "" : rows.back() + "\n");
  }
};

std::string still(int days) {
  return cracking_test::history_text(days * 24, days, 3, [](int, int, int) { return 20.0; });
}

std::string key_of(const std::string& row) { return row.substr(5, 5); }

// Days after month m: the month goes on while the day total is at most
// m * 30.4166 (single precision), so it ends at the first total beyond.
std::int64_t days_after(std::int64_t m) {
  return static_cast<std::int64_t>(std::floor(static_cast<double>(m) * 30.4166f)) + 1;
}

TEST(StressCalendar, MonthsDaysAndRowsByCriterion) {
  struct Case {
    const char* what;
    std::int32_t years, years_read;
    double criterion;
    std::int64_t days;
    std::size_t rows;
    const char* final_row;
  };
  const Case cases[] = {
      {"design, 20 years", 20, 20, 3000.0, 7270, 240, "    1  240       0.0       0.0"},
      {"criterion never met", 50, 20, 1000.0, 18220, 600, "    1  600       0.0       0.0"},
      {"criterion in (2140, 2200]", 50, 20, 2150.0, 18220, 1, "    1  600       0.0       0.0"},
      {"criterion above 2200", 50, 20, 2200.5, 18220, 240, "    1  600       0.0       0.0"},
      {"one month", 0, 0, 3000.0, 0, 1, "    1    0       0.0       0.0"},
      {"a negative year count", -3, -3, 3000.0, 0, 1, "    1  -36       0.0       0.0"},
  };
  StressRun s(still(1), 3);
  for (const Case& c : cases) {
    s.run(c.years, c.years_read, c.criterion);
    EXPECT_EQ(s.summary.days, c.days) << c.what;
    if (c.days > 0) {
      EXPECT_EQ(s.summary.days, days_after(12 * c.years - 1)) << c.what;
    }
    ASSERT_EQ(s.rows.size(), c.rows) << c.what;
    EXPECT_EQ(s.rows.back(), c.final_row) << c.what;
    for (std::size_t i = 0; i + 1 < s.rows.size(); ++i) {
      EXPECT_EQ(std::stoi(key_of(s.rows[i])), static_cast<int>(i) + 1) << c.what;
      EXPECT_EQ(s.rows[i].substr(10), "       0.0       0.0") << c.what;
    }
  }
}

TEST(StressCalendar, AYearCountBeyondThirtyTwoBitsEndsAtTenThousandMonths) {
  // cracked through within the first days, so the months cost no stress work
  StressRun s(testing_support::read_file(cracking_test::data_path("history_severe.tmp")));
  s.run(200000000, 200000000, 3000.0, 200.0);
  EXPECT_EQ(s.summary.months, 10000);
  EXPECT_EQ(s.summary.days, days_after(10000));
  ASSERT_EQ(s.rows.size(), 10001u);
  EXPECT_EQ(s.rows[9999], "    110000       4.0    2112.0");
  EXPECT_EQ(s.rows.back(), "    110001       4.0    2112.0");
}

TEST(StressCalendar, ALongerPeriodGoesRoundTheHistoryAgain) {
  // 335 days on 30 days of history read the same as on the days written out
  // twelve times over
  const std::string once = testing_support::read_file(cracking_test::data_path("history_mild.tmp"));
  const std::string records = once.substr(once.find('\n') + 1);
  std::string twelve = " 8640 5 4.0 0.0\n";
  for (int i = 0; i < 12; ++i) twelve += records;
  std::vector<std::string> rows[2];
  for (int i = 0; i < 2; ++i) {
    StressRun s(i == 0 ? once : twelve);
    EXPECT_EQ(s.history.days(), i == 0 ? 30 : 360);
    s.run(1, 1, 3000.0);
    EXPECT_EQ(s.summary.days, 335);
    rows[i] = s.rows;
  }
  EXPECT_EQ(rows[0], rows[1]);
  EXPECT_EQ(rows[0].back(), "    1   12       1.8    1362.2");
}

}  // namespace
