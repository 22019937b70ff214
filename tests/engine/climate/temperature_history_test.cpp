// The temperature-history file: its header as the dispatcher reads it back, its
// records as the cracking run reads them (I4,3I2,12F6.1), and the temporary name
// that keeps an earlier history until the new one is complete.

#include "engine/climate/temperature_history_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/layer_grid.h"
#include "engine/common/history_header.h"
#include "engine/common/node_count.h"
#include "engine/temp_project.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "synthetic_input/front_end_input.h"

namespace {

namespace fs = std::filesystem;
using climate_test::LayerRecord;
using climate_test::lines_of;
using climate_test::TempProject;
using engine::TemperatureHistoryFile;

const platform::FixedText<255> kHistoryName = "C:\\proj\\tmp\\thermal.tmp";

fs::path history_path(const TempProject& p) { return p.project() / "tmp" / "thermal.tmp"; }
fs::path temporary_path(const TempProject& p) { return p.project() / "tmp" / "thermal.tmp.part"; }

// ---------------------------------------------------------------- stamp

struct StampCase {
  int year, month, day;
  float hour;
  const char* stamp;
};

TEST(HistoryStamp, YearMonthDayAndRoundedHour) {
  const StampCase cases[] = {
      {2001, 2, 3, 7.0f, "2001020307"},
      {2001, 2, 3, 6.99992f, "2001020307"},  // the last sub-step before the hour
      {2001, 2, 3, 6.5f, "2001020307"},      // half away from zero
      {2001, 2, 3, 6.49f, "2001020306"},
      {1999, 12, 31, 23.4f, "1999123123"},
      {2001, 11, 5, 0.0f, "2001110500"},
      {10000, 1, 1, 0.0f, "****010100"},  // the year has four columns
  };
  for (const StampCase& c : cases)
    EXPECT_EQ(engine::history_stamp(c.year, c.month, c.day, c.hour).view(), c.stamp) << c.stamp;
}

// ---------------------------------------------------------------- header

struct HeaderCase {
  float thickness;
  float deviation;
  float averaged;  // climate records averaged by the input phase
  int day_count;
  int count;
};

TEST(HistoryHeader, ReadsBackThroughTheDispatchersReader) {
  const HeaderCase cases[] = {
      {4.05f, 0.25f, 8760.0f, 365, 8760},  // hourly records in the history mode
      {6.7f, 1.0f / 3.0f, 0.0f, 375, 9000},  // daily records: 24 a day
      {0.1f, -0.1f, 0.0f, 0, 0},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.thickness);
    TempProject project;
    fs::create_directories(project.project() / "tmp");
    auto run = climate_test::layered_run({{"Asphalt", c.thickness, 0, 3}, {"Base", 8, 2, 7}});
    run->thickness_deviation = c.deviation;
    run->climate_simulation_common.climate_record_count = c.averaged;
    run->period_control.day_count = c.day_count;
    TemperatureHistoryFile history(*run);
    history.open();
    history.finish();

    const engine::HistoryHeader h = engine::read_history_header(kHistoryName);
    EXPECT_EQ(h.record_count, c.count);
    EXPECT_EQ(h.node_count, engine::layer_node_count(c.thickness));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(h.thickness), std::bit_cast<std::uint32_t>(c.thickness));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(h.deviation), std::bit_cast<std::uint32_t>(c.deviation));
  }
}

// The count the input phase leaves: the hourly front-end file in the history
// mode averages every hour; the daily form averages none, and 24 records a day
// stand in. Both come to the same for the same days.
TEST(HistoryHeader, CountFromHourlyAndDailyFiles) {
  for (const bool daily : {false, true}) {
    TempProject project;
    synthetic_input::FrontEndInput input;
    input.asphalt_thickness = 6.0;
    input.directory = "C:\\proj\\";
    input.daily_form = daily;
    auto [run, outcome] =
        climate_test::read_input(project, synthetic_input::front_end_input_text(input), 6.0f);
    ASSERT_EQ(outcome.status, 0) << outcome.message;
    EXPECT_EQ(run->climate_simulation_common.climate_record_count, daily ? 0.0f : 9000.0f);
    EXPECT_EQ(engine::history_record_count(*run), 24 * run->period_control.day_count);
    EXPECT_EQ(run->period_control.day_count, 375);
  }
}

// ---------------------------------------------------------------- records

struct RecordCase {
  const char* name;
  std::vector<LayerRecord> layers;
  int points;
  std::vector<float> node_temperatures;  // from node 1
  std::vector<float> expected;           // worked by hand from the weights
};

void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.name; }

const RecordCase kRecordCases[] = {
    // points at 0, 0.5, 1, ..., 10 inches: the record holds points 1, 2, 4, ...,
    // 12 (0, 0.5, 2, 4, 6, 8 and 10 inches), and the layer ends at the last
    {"TwelvePointsGiveSevenValues",
     {{"Asphalt", 10.0f, 0, 11}, {"Base", 8.0f, 2.0f, 15}},
     12,
     {41.3f, 42.3f, 43.3f, 44.3f, 45.3f, 46.3f, 47.3f, 48.3f, 49.3f, 50.3f, 51.3f},
     {41.3f, 41.8f, 43.3f, 45.3f, 47.3f, 49.3f, 51.3f}},
    // nodes at 0, 1.125, 2.25, 3.375, 4.5: points 0, 0.5, 2 and 4 listed, then
    // the bottom node, 4.5 > 4.001. 52.3 x 5/9 + 54.1 x 4/9 = 53.1;
    // 54.1 x 2/9 + 55.7 x 7/9 = 55.34; 58.9 x 4/9 + 60.2 x 5/9 = 59.62
    {"BottomNodeBelowTheLastPoint",
     {{"Asphalt", 4.5f, 0, 5}, {"Base", 10.0f, 2.0f, 10}},
     6,
     {52.3f, 54.1f, 55.7f, 58.9f, 60.2f},
     {52.3f, 53.1f, 55.3f, 59.6f, 60.2f}},
    // the last point is at the bottom itself: nothing appended
    {"LastPointAtTheBottom",
     {{"Asphalt", 4.0f, 0, 5}, {"Base", 8.0f, 2.0f, 9}},
     6,
     {52.3f, 54.3f, 56.3f, 58.3f, 60.3f},
     {52.3f, 53.3f, 56.3f, 60.3f}},
    // an "ATB" top: the surface and the parity point at 1 inch, then its bottom
    {"AtbTop",
     {{"ATB", 2.0f, 0, 3}, {"Base", 8.0f, 2.0f, 7}},
     2,
     {30.4f, 31.6f, 32.8f},
     {30.4f, 31.6f, 32.8f}},
};

class HistoryRecords : public ::testing::TestWithParam<RecordCase> {};

TEST_P(HistoryRecords, ReadBackAsTheCrackingRunReadsThem) {
  const RecordCase& c = GetParam();
  TempProject project;
  fs::create_directories(project.project() / "tmp");
  auto run = climate_test::layered_run(c.layers);
  engine::setup_layer_grid(*run);
  ASSERT_EQ(run->simulation_counts.history_point_count, c.points);
  for (std::size_t k = 0; k < c.node_temperatures.size(); ++k)
    run->node_state.node_temperature(static_cast<int>(k) + 1) = c.node_temperatures[k];

  TemperatureHistoryFile history(*run);
  history.open();
  history.select_fields();
  history.write_record(engine::history_stamp(2001, 2, 3, 7.0f));
  history.finish();

  const std::vector<std::string> lines = lines_of(TempProject::read(history_path(project)));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].size(), 10 + 6 * c.expected.size());
  static const platform::Format kReader("(I4,3I2,12F6.1)");
  std::int32_t year = 0, month = 0, day = 0, hour = 0;
  std::vector<float> temperatures(12, -1.0f);
  ASSERT_EQ(platform::read_fixed_text(lines[1], kReader, year, month, day, hour, temperatures),
            platform::IoStatus::Ok);
  EXPECT_EQ(year, 2001);
  EXPECT_EQ(month, 2);
  EXPECT_EQ(day, 3);
  EXPECT_EQ(hour, 7);
  for (std::size_t k = 0; k < 12; ++k)
    EXPECT_EQ(temperatures[k], k < c.expected.size() ? c.expected[k] : 0.0f) << k;
}

INSTANTIATE_TEST_SUITE_P(Records, HistoryRecords, ::testing::ValuesIn(kRecordCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryRecords, PccTopGivesTheHeaderOnly) {
  TempProject project;
  fs::create_directories(project.project() / "tmp");
  auto run = climate_test::layered_run({{"PCC", 8.0f, 0, 9}, {"Base", 8.0f, 2.0f, 13}});
  engine::setup_layer_grid(*run);
  TemperatureHistoryFile history(*run);
  history.open();
  history.select_fields();
  for (int k = 0; k < 3; ++k) history.write_record(engine::history_stamp(2001, 2, 3, 7.0f + k));
  history.finish();
  EXPECT_EQ(lines_of(TempProject::read(history_path(project))).size(), 1u);
}

// Before the grid there are no evaluation points to select from.
TEST(HistoryRecords, SelectingFieldsBeforeTheGridIsALogicError) {
  TempProject project;
  auto run = climate_test::layered_run({{"Asphalt", 6.0f, 0, 7}, {"Base", 10.0f, 2.0f, 12}});
  TemperatureHistoryFile history(*run);
  EXPECT_THROW(history.select_fields(), std::logic_error);
}

// ---------------------------------------------------------------- temporary name

class HistoryReplacement : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(project.project() / "tmp");
    TempProject::write(history_path(project), kOld);
    run = climate_test::layered_run({{"Asphalt", 4.0f, 0, 5}, {"Base", 8.0f, 2.0f, 9}});
    engine::setup_layer_grid(*run);
  }
  std::string history() const { return TempProject::read(history_path(project)); }
  bool temporary_exists() const { return fs::exists(temporary_path(project)); }

  static constexpr const char* kOld = "   240     5    4.0    0.0\n2000080100  50.0  50.0\n";
  TempProject project;
  std::unique_ptr<engine::ClimateRun> run;
};

TEST_F(HistoryReplacement, TheOldFileStaysUntilTheNewOneIsFinished) {
  TemperatureHistoryFile file(*run);
  file.open();
  file.select_fields();
  file.write_record(engine::history_stamp(2001, 2, 3, 7.0f));
  platform::flush_unit(engine::kHistoryChannel);
  EXPECT_EQ(history(), kOld);
  EXPECT_TRUE(temporary_exists());

  file.finish();
  const std::vector<std::string> lines = lines_of(history());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "2001020307   0.0   0.0   0.0   0.0");
  EXPECT_FALSE(temporary_exists());
}

TEST_F(HistoryReplacement, AbandonKeepsTheOldFileAndLeavesNoTemporary) {
  TemperatureHistoryFile file(*run);
  file.open();
  file.select_fields();
  file.write_record(engine::history_stamp(2001, 2, 3, 7.0f));
  file.abandon();
  EXPECT_EQ(history(), kOld);
  EXPECT_FALSE(temporary_exists());
  EXPECT_FALSE(platform::unit_is_open(engine::kHistoryChannel));
}

TEST_F(HistoryReplacement, AStopInBetweenKeepsTheOldFile) {
  const int status = engine_test::stop_status([&] {
    TemperatureHistoryFile file(*run);
    file.open();
    file.select_fields();
    file.write_record(engine::history_stamp(2001, 2, 3, 7.0f));
    platform::stop_run(platform::kStopIo, "File error: a write failed");
  });
  EXPECT_EQ(status, platform::kStopIo);
  EXPECT_EQ(history(), kOld);
  EXPECT_FALSE(temporary_exists());
}

}  // namespace
