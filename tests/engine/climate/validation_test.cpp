// Limits of "input.tmp": a value the simulation cannot hold stops the run with
// one console line naming the file, before the value is used.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>

#include "climate_test_support.h"
#include "engine/climate/climate_input.h"
#include "engine/climate/climate_simulation.h"
#include "engine/climate/simulation_steps.h"
#include "platform/stop.h"

namespace {

using climate_test::InputText;
using climate_test::TempProject;

struct LimitCase {
  const char* name;
  std::function<void(InputText&)> edit;
  const char* message_part;  // what the message must say besides the file
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class InputLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(InputLimits, StopWithStatusOne) {
  const LimitCase& c = GetParam();
  TempProject project;
  InputText input;
  c.edit(input);
  auto [run, outcome] = climate_test::read_input(project, input.text());
  EXPECT_EQ(outcome.status, platform::kStopDecided) << outcome.message;
  EXPECT_NE(outcome.message.find("input.tmp"), std::string::npos) << outcome.message;
  EXPECT_NE(outcome.message.find(c.message_part), std::string::npos) << outcome.message;
  // The message is the console's last line.
  EXPECT_NE(project.console().find(outcome.message + "\n"), std::string::npos);
}

std::function<void(InputText&)> set_record9(const char* text) {
  return [text](InputText& in) { in.record9 = text; };
}

// One day in the hourly form, 70 deg F but `temperature` at hour record 7.
std::function<void(InputText&)> hourly_day_with(const char* temperature) {
  return [temperature](InputText& in) {
    in.header.replace(0, 1, "0");
    in.day_count = "1\n";
    in.days = "7 31 2001 5 19 500\n";
    for (int h = 0; h < 24; ++h)
      in.days += std::to_string(h) + " " + (h == 6 ? temperature : "70") + " 0 5 50 50\n";
  };
}

const LimitCase kLimitCases[] = {
    {"ThirtyOneLayers", set_record9("31 8 0.1 1\n"), "31 layers"},
    {"ThreeHundredOneNodes", set_record9("2 300 0.1 1\n"), "300 node intervals"},
    {"NoNodeInterval", set_record9("2 0 0.1 1\n"), "0 node intervals"},
    {"HugeIntervalCount", set_record9("2 2147483647 0.1 1\n"), "node intervals"},
    {"LastNodesNotIncreasing",
     [](InputText& in) {
       in.record9 = "2 4 0.1 1\n";
       in.layers = climate_test::asphalt_layer(4, 5) + climate_test::soil_layer("Base", 8, 2, 5);
     },
     "layer 2"},
    {"TopLastNodeOne",
     [](InputText& in) {
       in.layers = climate_test::asphalt_layer(4, 1) + climate_test::soil_layer("Base", 8, 2, 9);
     },
     "line 10 (record L1 of layer 1)"},
    {"DeepestLastNodeIsNotTheNodeCount", set_record9("2 9 0.1 1\n"), "node count 10"},
    {"DeepestLastNodeAtTheIntegerLimit",
     [](InputText& in) {
       in.layers = climate_test::asphalt_layer(4, 5) +
                   climate_test::soil_layer("Base", 8, 2, 2147483647);
     },
     "node count 9"},
    {"NoUnboundLayer", [](InputText& in) { in.header.replace(in.header.size() - 4, 3, "2 0"); },
     "unbound layer"},
    {"NegativeSectionCount",
     [](InputText& in) { in.header.replace(in.header.size() - 4, 3, "1 -1"); }, "record 8"},
    {"LayerCountZeroAfterTheSiteRecords",
     [](InputText& in) {
       in.record9 = "0 8 0.1 1\n";
       in.layers.clear();
     },
     "among 0 layers"},
    {"ZeroSpacing",
     [](InputText& in) {
       in.layers = climate_test::asphalt_layer(4, 5) + climate_test::soil_layer("Base", 8, 0, 9);
     },
     "nodal spacing 0.0"},
    {"ZeroThickness",
     [](InputText& in) {
       in.layers = climate_test::asphalt_layer(4, 5) + climate_test::soil_layer("Base", 0, 2, 9);
     },
     "thickness 0.0"},
    {"StepOfThreeTenths", set_record9("2 8 0.3 1\n"), "time step of 0.3"},
    {"StepOfTwoHours", set_record9("2 8 2 1\n"), "time step of 2.0"},
    {"StepOfZero", set_record9("2 8 0 1\n"), "time step of 0.0"},
    {"StepNotANumber", set_record9("2 8 nan 1\n"), "time step of NaN"},
    {"OutputIntervalOfFiveHours", set_record9("2 8 0.1 5\n"), "output interval of 5.0"},
    {"OutputIntervalBelowOneStep", set_record9("2 8 0.1 0.05\n"), "output interval"},
    {"OutputIntervalInfinite", set_record9("2 8 0.1 inf\n"), "output interval"},
    {"NegativeDayCount",
     [](InputText& in) {
       in.day_count = "-3\n";
       in.days.clear();
     },
     "day count -3"},
    {"MonthThirteen", [](InputText& in) { in.days.replace(0, 1, "13"); }, "month 13"},
    {"MonthZeroInTheSecondDay",
     [](InputText& in) { in.days.replace(in.days.find("8 1 2001"), 1, "0"); },
     "day record of day 2"},
    // No value that is not a finite number gets past the reader: NaN and the
    // infinities (a value beyond single precision reads as one) would reach the
    // grid's weights, the temperature mean and so the result files.
    {"UnitsFlagNotANumber", [](InputText& in) { in.header.replace(4, 3, "nan"); },
     "record 3): value 1 is NaN"},
    {"SoilThicknessInfinite",
     [](InputText& in) {
       in.layers = climate_test::asphalt_layer(4, 5) + climate_test::soil_layer("Base", 8, 2, 9);
       in.layers.replace(in.layers.find("'Base',8"), 8, "'Base',inf");
     },
     "(record L1 of layer 2): value 2 is"},
    {"SpacingBeyondSinglePrecision",
     [](InputText& in) {
       in.layers = climate_test::asphalt_layer(4, 5) + climate_test::soil_layer("Base", 8, 2, 9);
       in.layers.replace(in.layers.find("'Base',8,2"), 10, "'Base',8,1e39");
     },
     "(record L1 of layer 2): value 3 is"},
    {"BoundValueNotANumber",
     [](InputText& in) { in.layers.replace(in.layers.find("0.67"), 4, "nan"); },
     "(record 3 of layer 1): value 1 is NaN"},
    {"SoilValueNotANumber",
     [](InputText& in) { in.layers.replace(in.layers.find("5,'Value 5'"), 1, "-inf"); },
     "(record 6 of layer 2): value 1 is"},
    {"SiteConstantInfinite", [](InputText& in) { in.site.replace(0, 1, "inf"); },
     "(record C1): value 1 is"},
    {"NodalTemperatureNotANumber", [](InputText& in) { in.nodes.replace(15, 2, "nan"); },
     "(nodal record 4): value 1 is NaN"},
    {"DailyValueNotANumber",
     [](InputText& in) { in.days.replace(in.days.find("82 61"), 2, "nan"); },
     "(day record of day 2): value 4 is NaN"},
    {"HourlyTemperatureNotANumber", hourly_day_with("nan"),
     "(hour record 7 of day 1): value 2 is NaN"},
    // Finite as a double, but the mean's single-precision sum overflows.
    {"HourlyTemperatureBeyondTheMeansSum", hourly_day_with("1e39"),
     "(hour record 7 of day 1): temperature 1e+39"},
    {"TrailingValueInfinite", [](InputText& in) { in.trailing.replace(0, 2, "inf"); },
     "(record T1): value 1 is"},
    {"LayersDeeperThanSinglePrecision",
     [](InputText& in) {
       // Each spacing is finite; the node depths they add up to are not.
       in.layers = climate_test::asphalt_layer(4, 5) +
                   climate_test::soil_layer("Base", 8, 2e38, 9);
     },
     "record L1 of layer 2"},
    // The daily form's temperature slopes divide by both stretches of the day.
    {"DailyFormMaximumAtTheMinimumsHour",
     [](InputText& in) { in.site.replace(in.site.find("4 15"), 4, "9 9."); }, "record C3"},
    {"DailyFormMaximumADayAfterTheMinimum",
     [](InputText& in) { in.site.replace(in.site.find("4 15"), 4, "0 24"); }, "record C3"},
};

INSTANTIATE_TEST_SUITE_P(Limits, InputLimits, ::testing::ValuesIn(kLimitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InputLimits, LayerCountZeroReadsOnThroughTheDayCount) {
  TempProject project;
  InputText input;
  input.record9 = "0 8 0.1 1\n";
  input.layers.clear();
  input.day_count = "5\n";
  auto [run, outcome] = climate_test::read_input(project, input.text());
  EXPECT_EQ(outcome.status, platform::kStopDecided);
  EXPECT_EQ(run->climate_simulation_common.surface_constants(14), 1.0f);
  EXPECT_EQ(run->period_control.day_count, 5);
  EXPECT_EQ(project.console(), " 5\n" + outcome.message + "\n");
}

// Every reader takes the temperature history as 24 records a day.
TEST(InputLimits, OutputIntervalOtherThanOneHourIsRefused) {
  TempProject project;
  InputText input;
  input.record9 = "2 8 0.1 2\n";
  auto [run, outcome] = climate_test::read_input(project, input.text());
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.message,
            "Input error in \"C:\\proj\\input.tmp\", line 9 (record 9): output interval of 2.0 "
            "hours; the temperature history is read hourly, so it must be 1");
}

// The hourly form interpolates between its records and never reads those hours.
TEST(InputLimits, HourlyFormTakesAnyTemperatureHours) {
  TempProject project;
  InputText input;
  hourly_day_with("70")(input);
  input.site.replace(input.site.find("4 15"), 4, "9 9.");
  auto [run, outcome] = climate_test::read_input(project, input.text());
  EXPECT_EQ(outcome.status, 0) << outcome.message;
}

TEST(InputLimits, StepsThatDivideTheHourAreAccepted) {
  for (const char* step : {"1", "0.5", "0.25", "0.2", "0.1", "0.05"}) {
    TempProject project;
    InputText input;
    input.record9 = std::string("2 8 ") + step + " 1\n";
    auto [run, outcome] = climate_test::read_input(project, input.text());
    EXPECT_EQ(outcome.status, 0) << step << ": " << outcome.message;
  }
}

TEST(InputFile, MissingInputStopsWithTheFileLayersStatusAndCreatesNothing) {
  TempProject project;
  auto run = climate_test::fresh_run();
  const auto outcome = climate_test::run_input_phase(*run);
  EXPECT_EQ(outcome.status, platform::kStopIo);
  EXPECT_NE(outcome.message.find("input.tmp"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(project.project() / "input.tmp"));
}

TEST(InputFile, ShortFileIsTheFileLayersStop) {
  TempProject project;
  InputText input;
  std::string text = input.text();
  project.write_input(text.substr(0, text.find("12  2  1")));  // no trailing records
  auto run = climate_test::fresh_run();
  const auto outcome = climate_test::run_input_phase(*run, 4.0f);
  EXPECT_EQ(outcome.status, platform::kStopIo);
  EXPECT_NE(outcome.message.find("end of file"), std::string::npos) << outcome.message;
}

// A corrupt day count must not size the tables before the days are there: the
// tables grow as day records arrive, so the file's end comes first, at once and
// without gigabytes of zeroed memory.
TEST(InputFile, DayCountBeyondTheFileEndsAtTheFileEnd) {
  for (const char* form : {"0", "1"}) {
    TempProject project;
    InputText input;
    input.header.replace(0, 1, form);
    input.day_count = "100000000\n";  // 100 million days: tens of gigabytes of tables
    auto [run, outcome] = climate_test::read_input(project, input.text());
    EXPECT_EQ(outcome.status, platform::kStopIo) << form << ": " << outcome.message;
    EXPECT_NE(outcome.message.find("end of file"), std::string::npos) << outcome.message;
    EXPECT_LT(run->work.daily_tmi.size(), 10) << form;
  }
}

// A stop inside the day loop, after history records were written, marks the
// progress file as failed and leaves the older history as it was: a stop of a
// step, a node temperature that is not a number, and a value too wide for its
// field of ".wat", each planted at day 2; and a result file that cannot be
// written out when the run closes it at the end.
TEST(RunClimateSimulation, AStopInTheDayLoopLeavesTheOlderHistory) {
  struct Case {
    const char* what;
    std::function<void(engine::ClimateRun&)> plant;
    std::string message;  // {P}: the project folder
    int status = 1;
    const char* full_file = nullptr;  // a result file that goes to /dev/full
  };
  const Case cases[] = {
      {"a step stops", [](engine::ClimateRun&) { platform::stop_run(1, "stopped"); }, "stopped"},
      {"a node temperature is not a number",
       [](engine::ClimateRun& run) { run.node_state.node_temperature(3) = std::nanf(""); },
       " Run error: day 2 (8/1/2001), hour 0: the temperature of node 3 is NaN F, outside "
       "-459.67 to 1000 F; the simulation has failed and nothing of it is kept"},
      {"a water content too wide for F6.3",
       [](engine::ClimateRun& run) { run.node_state.node_water_content(2) = 1.0e4f; },
       "Output error in \"C:\\proj\\.wat\", day 2, node 2: 10000.0 cannot be written as "
       "F6.3"},
      {"the drainage report cannot be written out", [](engine::ClimateRun&) {},
       "File error: cannot write \"C:\\proj\\.drn\" ({P}/.drn): No space left on device", 2,
       ".drn"},
  };
  class PlantingSteps final : public climate_test::ForwardedSteps {
   public:
    explicit PlantingSteps(const Case& c) : c_(c) {}
    void output_point(engine::ClimateRun& run) override {
      ForwardedSteps::output_point(run);
      if (run.day_index == 2) c_.plant(run);
    }

   private:
    const Case& c_;
  };
  const std::string older = " 8760 6 4.0 0.0\n2001073100  50.0\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.full_file != nullptr && !std::filesystem::exists("/dev/full")) continue;
    TempProject project;
    InputText input;
    input.header.replace(input.header.find("1\n1,"), 1, "0");  // every result file
    project.write_input(input.text());
    const auto history = project.project() / "tmp" / "thermal.tmp";
    std::filesystem::create_directories(history.parent_path());
    TempProject::write(history, older);
    if (c.full_file != nullptr)
      std::filesystem::create_symlink("/dev/full", project.project() / c.full_file);
    PlantingSteps steps(c);
    try {
      engine::run_climate_simulation_with(steps, 4.0f, 0.0f, TempProject::directory(),
                                          "C:\\proj\\tmp\\thermal.tmp");
      ADD_FAILURE() << "no stop";
    } catch (const platform::RunStop& stop) {
      EXPECT_EQ(stop.status(), c.status);
      std::string message = c.message;
      if (const auto at = message.find("{P}"); at != std::string::npos)
        message.replace(at, 3, project.project().string());
      EXPECT_EQ(stop.message(), message);
    }
    EXPECT_EQ(TempProject::read(project.root() / "progress.tmp"), "  -2\n");
    EXPECT_EQ(TempProject::read(history), older);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(history.parent_path()),
                            std::filesystem::directory_iterator()),
              1);
  }
}

}  // namespace
