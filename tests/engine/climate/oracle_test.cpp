// The derived climate tables against an independent reading of the same files by
// tools/oracles/climate_input_oracle.py (datetime calendar, numpy single
// precision), whose expectations are committed under tests/data.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "synthetic_input/front_end_input.h"

namespace {

using climate_test::TempProject;

struct ExpectedMonth {
  int number = 0, year = 0, days = 0;
  std::vector<int> wet;
};
struct ExpectedDay {
  int month = 0, day = 0, year = 0;
  double precipitation = 0, value_4 = 0, value_5 = 0, value_9 = 0, tmi = 0;
};
struct Expectations {
  std::uint64_t fnv = 0;
  std::size_t bytes = 0;
  int record_count = 0;
  bool has_mean = false;
  float mean = 0;
  std::vector<ExpectedMonth> months;
  std::vector<ExpectedDay> days;
};

Expectations load(const std::string& name) {
  Expectations e;
  std::ifstream in(std::string(TEST_DATA_DIR) + "/engine/climate/" + name);
  EXPECT_TRUE(in.good()) << name;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string tag;
    s >> tag;
    if (tag == "file_fnv1a64") {
      s >> std::hex >> e.fnv;
    } else if (tag == "file_bytes") {
      s >> e.bytes;
    } else if (tag == "record_count") {
      s >> e.record_count;
    } else if (tag == "temperature_mean") {
      std::string v;
      s >> v;
      e.has_mean = v != "none";
      if (e.has_mean) e.mean = static_cast<float>(std::stod(v));
    } else if (tag == "month") {
      ExpectedMonth m;
      int index = 0, wet = 0;
      s >> index >> m.number >> m.year >> m.days >> wet;
      m.wet.resize(static_cast<std::size_t>(wet));
      for (int& d : m.wet) s >> d;
      e.months.push_back(m);
    } else if (tag == "day") {
      ExpectedDay d;
      int index = 0;
      std::string p, v4, v5, v9, tmi;
      s >> index >> d.month >> d.day >> d.year >> p >> v4 >> v5 >> v9 >> tmi;
      d.precipitation = std::stod(p);
      d.value_4 = std::stod(v4);
      d.value_5 = std::stod(v5);
      d.value_9 = std::stod(v9);
      d.tmi = std::stod(tmi);
      e.days.push_back(d);
    }
  }
  return e;
}

std::uint64_t fnv1a64(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

// The fixture the oracle read: the synthetic window of 1 August 2000 to
// 1 August 2003, three analysis years (1105 days), asphalt 6 inches.
synthetic_input::FrontEndInput fixture(bool daily) {
  synthetic_input::FrontEndInput input;
  input.asphalt_thickness = 6.0;
  input.analysis_years = 3;
  input.mean_annual_temperature = 52.0;
  input.directory = "C:\\proj\\";
  input.days = synthetic_input::synthetic_window(2000, 3);
  input.daily_form = daily;
  return input;
}

struct OracleCase {
  const char* name;
  bool daily;
  const char* expectations;
};

void PrintTo(const OracleCase& c, std::ostream* os) { *os << c.name; }

class Oracle : public ::testing::TestWithParam<OracleCase> {};

TEST_P(Oracle, CalendarSumsAndMoistureIndex) {
  const OracleCase& c = GetParam();
  const Expectations e = load(c.expectations);
  const std::string text = synthetic_input::front_end_input_text(fixture(c.daily));
  // The helper still writes the very file the oracle read.
  ASSERT_EQ(text.size(), e.bytes);
  ASSERT_EQ(fnv1a64(text), e.fnv);

  TempProject project;
  auto [run, outcome] = climate_test::read_input(project, text, 6.0f);
  ASSERT_EQ(outcome.status, 0) << outcome.message;
  const auto& w = run->work;

  ASSERT_EQ(run->period_control.day_count, static_cast<int>(e.days.size()));
  ASSERT_EQ(w.month_count, static_cast<int>(e.months.size()));
  int wet_index = 0;
  for (int m = 1; m <= w.month_count; ++m) {
    const ExpectedMonth& x = e.months[static_cast<std::size_t>(m - 1)];
    EXPECT_EQ(w.month_number(m), x.number) << m;
    EXPECT_EQ(w.month_year(m), x.year) << m;
    EXPECT_EQ(w.days_per_month(m), x.days) << m;
    ASSERT_EQ(w.wet_days_per_month(m), static_cast<int>(x.wet.size())) << m;
    for (int day : x.wet) EXPECT_EQ(w.wet_day_list(++wet_index), day) << m;
  }
  EXPECT_EQ(w.wet_day_count, wet_index);

  for (int d = 1; d <= run->period_control.day_count; ++d) {
    const ExpectedDay& x = e.days[static_cast<std::size_t>(d - 1)];
    ASSERT_EQ(w.calendar_month(d), x.month) << d;
    ASSERT_EQ(w.calendar_day(d), x.day) << d;
    ASSERT_EQ(w.calendar_year(d), x.year) << d;
    // Same sums in the same order: the same doubles.
    EXPECT_DOUBLE_EQ(w.daily_precipitation(d), x.precipitation) << d;
    EXPECT_DOUBLE_EQ(w.daily_value_4(d), x.value_4) << d;
    EXPECT_DOUBLE_EQ(w.daily_value_5(d), x.value_5) << d;
    EXPECT_DOUBLE_EQ(w.daily_value_9(d), x.value_9) << d;
    EXPECT_NEAR(w.daily_tmi(d), x.tmi, 1e-3) << d;
  }

  const auto& common = run->climate_simulation_common;
  EXPECT_EQ(common.climate_record_count, static_cast<float>(e.record_count));
  if (e.has_mean) {
    EXPECT_EQ(common.surface_constants(engine::kBottomTemperature), e.mean);
    EXPECT_EQ(run->node_state.node_temperature(run->simulation_counts.node_count), e.mean);
  } else {
    // The daily form keeps both values as read.
    EXPECT_EQ(common.surface_constants(engine::kBottomTemperature), 52.0f);
    EXPECT_EQ(run->node_state.node_temperature(run->simulation_counts.node_count), 52.0f);
  }

  // A second call on the same file leaves the same state.
  auto again = climate_test::fresh_run();
  ASSERT_EQ(climate_test::run_input_phase(*again, 6.0f).status, 0);
  EXPECT_TRUE(*again == *run);
}

INSTANTIATE_TEST_SUITE_P(Files, Oracle,
                         ::testing::Values(OracleCase{"Hourly", false, "hourly_3y_expected.txt"},
                                           OracleCase{"Daily", true, "daily_3y_expected.txt"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MonthTables, TwentyFiveYearsHoldEveryMonth) {
  // More than 250 months: the tables grow with the data, each month counted
  // from 0.
  synthetic_input::FrontEndInput input;
  input.analysis_years = 25;
  input.directory = "C:\\proj\\";
  input.days = synthetic_input::synthetic_window(1990, 25);
  input.daily_form = true;
  TempProject project;
  auto [run, outcome] =
      climate_test::read_input(project, synthetic_input::front_end_input_text(input), 6.0f);
  ASSERT_EQ(outcome.status, 0);

  // The months of the days written: the window, 1 August to 1 August, over and
  // over.
  const int day_count = run->period_control.day_count;
  const int window = static_cast<int>(input.days.size());
  ASSERT_EQ(day_count, synthetic_input::day_block_count(window, 25));
  std::vector<int> month_days;
  for (int d = 0; d < day_count; ++d) {
    const auto& day = input.days[static_cast<std::size_t>(d % window)];
    if (d == 0 || day.day == 1) month_days.push_back(0);
    ++month_days.back();
  }
  const auto& w = run->work;
  ASSERT_GT(w.month_count, 250);
  ASSERT_EQ(w.month_count, static_cast<int>(month_days.size()));
  double total = 0;
  for (int m = 1; m <= w.month_count; ++m) {
    EXPECT_EQ(w.days_per_month(m), month_days[static_cast<std::size_t>(m - 1)]) << m;
    total += w.days_per_month(m);
  }
  EXPECT_EQ(total, day_count);
}

}  // namespace
