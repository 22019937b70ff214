// Reading "input.tmp": files written as the front end writes them, hand-made
// files for the layout's corner cases, and the thickness check of the top layer.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/climate_run.h"
#include "platform/console.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "synthetic_input/front_end_input.h"

namespace {

using climate_test::InputText;
using climate_test::TempProject;
using engine::ClimateRun;

// ------------------------------------------------------------ front-end files

struct FrontEndCase {
  double thickness;
  int node_count;
  int last_nodes[3];
  float spacing_1;  // recomputed by the reader from thickness / (last node - 1)
  float subgrade_thickness;
  float subgrade_spacing;  // as "%g" wrote it
};

void PrintTo(const FrontEndCase& c, std::ostream* os) { *os << "t=" << c.thickness; }

class FrontEndFiles : public ::testing::TestWithParam<FrontEndCase> {};

TEST_P(FrontEndFiles, StateHoldsWhatWasWritten) {
  const FrontEndCase& c = GetParam();
  TempProject project;
  synthetic_input::FrontEndInput input;
  input.asphalt_thickness = c.thickness;
  input.analysis_years = 2;
  input.mean_annual_temperature = 52.5;
  input.directory = "C:\\proj\\";
  input.days = synthetic_input::synthetic_window(2000, 1);  // wraps after 1 August 2001
  project.write_input(synthetic_input::front_end_input_text(input));

  auto run = climate_test::fresh_run();
  const auto outcome = climate_test::run_input_phase(*run, static_cast<float>(c.thickness));
  ASSERT_EQ(outcome.status, 0) << outcome.message;

  const auto& common = run->climate_simulation_common;
  const auto& counts = run->simulation_counts;
  const auto& layers = run->layer_properties;
  const auto& nodes = run->node_state;
  EXPECT_EQ(common.climate_record_form, 0);
  EXPECT_EQ(common.retention_form, 2);
  EXPECT_EQ(common.units_flag, 1.0f);
  EXPECT_EQ(common.thermal_history_mode, 1);
  EXPECT_EQ(common.moisture_index_choice, 1);
  EXPECT_TRUE(common.pavement_type == "FLEXIBLE");
  EXPECT_TRUE(common.case_name == "C:\\proj\\");
  EXPECT_EQ(counts.section_counts(1), 1);
  EXPECT_EQ(counts.section_counts(2), 0);
  EXPECT_EQ(counts.section_count_total, 1);
  EXPECT_EQ(counts.layer_count, 3);
  EXPECT_EQ(counts.node_count, c.node_count);
  EXPECT_EQ(run->period_control.half_step_hours, 0.05f);
  EXPECT_EQ(run->period_control.output_interval_hours, 1.0f);
  EXPECT_EQ(run->period_control.steps_per_hour, 10);
  EXPECT_EQ(run->period_control.output_step_interval, 10);

  const char* names[] = {"Asphalt", "Base", "Natural"};
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(run->layer_names.layer_names(i) == names[i - 1]) << i;
    EXPECT_EQ(layers.layer_last_node(i), c.last_nodes[i - 1]) << i;
  }
  EXPECT_EQ(layers.layer_thickness(1), static_cast<float>(c.thickness));
  EXPECT_EQ(layers.layer_node_spacing(1), c.spacing_1);
  EXPECT_EQ(layers.layer_thickness(2), 10.0f);
  EXPECT_EQ(layers.layer_node_spacing(2), 2.0f);
  EXPECT_EQ(layers.layer_thickness(3), c.subgrade_thickness);
  EXPECT_EQ(layers.layer_node_spacing(3), c.subgrade_spacing);
  EXPECT_EQ(layers.bound_unit_weight(1), 148.0f);
  EXPECT_EQ(layers.bound_conductivity(1), 0.67f);
  EXPECT_EQ(layers.bound_heat_capacity(1), 0.23f);
  EXPECT_EQ(layers.soil_unit_weight(2), 119.354f);
  EXPECT_EQ(layers.soil_porosity(2), 0.291586f);
  EXPECT_EQ(layers.saturated_permeability(2), 968.466f);
  EXPECT_EQ(layers.fredlund_b(2), 3.86082f);
  EXPECT_EQ(layers.d60_mm(2), 21.6259f);
  EXPECT_EQ(layers.initial_water_content(2), 22.2236f / 100.0f);
  EXPECT_EQ(layers.soil_heat_capacity(3), 0.17f);
  EXPECT_EQ(layers.saturated_permeability(3), 2.0184e-6f);
  EXPECT_EQ(layers.fredlund_hr(3), 195.8f);
  EXPECT_EQ(layers.passing_4(3), 89.0f);
  EXPECT_EQ(layers.initial_water_content(3), 19.1465f / 100.0f);

  const float site[] = {3.0f, 0.93f, 0.85f, 0.0f,  0.5f,  0.77f, 0.28f,
                        5.0f, 0.85f, 4.0f,  15.0f, 32.0f, 30.2f, 1.0f};
  for (int k = 1; k <= 14; ++k) {
    if (k == engine::kBottomTemperature) continue;
    EXPECT_EQ(common.surface_constants(k), site[k - 1]) << k;
  }
  // The history mode replaces the mean annual temperature by the hourly mean.
  const float mean = common.temperature_sum / common.climate_record_count;
  EXPECT_EQ(common.climate_record_count, 24.0f * 733);
  EXPECT_EQ(common.surface_constants(engine::kBottomTemperature), mean);
  EXPECT_EQ(nodes.node_temperature(c.node_count), mean);
  for (int n = 1; n < c.node_count; ++n) {
    EXPECT_EQ(nodes.node_temperature(n), 52.5f) << n;
    EXPECT_EQ(nodes.node_suction(n), 0.0f) << n;
  }

  const auto& t = common.drainage_inputs;
  EXPECT_EQ(t.path_length, 12.0f);
  EXPECT_EQ(t.slope_percent, 2.0f);
  EXPECT_EQ(t.simulation_integer, 1);
  EXPECT_EQ(t.fines_type, 2);
  EXPECT_EQ(t.fines_content, 4.5f);
  EXPECT_EQ(t.gravel_content, 90.5f);
  EXPECT_EQ(t.sand_content, 5.0f);
  EXPECT_EQ(t.infiltration_constant_choice, 2);
  EXPECT_EQ(t.power_form_factor, 0.0f);
  EXPECT_EQ(t.infiltration_scale, 100.0f);
  EXPECT_EQ(t.rainfall_first, 10.0f);  // the last record, without a line end
  EXPECT_EQ(t.rainfall_constants(1), 0.3f);
  EXPECT_EQ(t.rainfall_constants(4), 1.65f);

  // Two years of days over a one-year window: the copy ends each pass with
  // 1 August 2001 and goes back to 1 August 2000.
  const auto& w = run->work;
  ASSERT_EQ(run->period_control.day_count, 733);
  EXPECT_EQ(w.calendar_month(365), 7);
  EXPECT_EQ(w.calendar_day(365), 31);
  EXPECT_EQ(w.calendar_year(365), 2001);
  EXPECT_EQ(w.calendar_month(366), 8);
  EXPECT_EQ(w.calendar_day(366), 1);
  EXPECT_EQ(w.calendar_year(366), 2001);
  EXPECT_EQ(w.calendar_month(367), 8);
  EXPECT_EQ(w.calendar_day(367), 1);
  EXPECT_EQ(w.calendar_year(367), 2000);
  // Each pass: August to July, then the one day of August 2001; then one day more.
  EXPECT_EQ(w.month_count, 27);
  EXPECT_EQ(w.hourly_value_5(24, 733), 50.0);
  EXPECT_NEAR(w.daily_value_9(733), 50.0, 1e-12);  // the sum of 24 hourly 50/24

  // Neither the spacing warning nor its pause for these thicknesses.
  EXPECT_EQ(project.console().find("You should rerun"), std::string::npos);

  // A copy with CRLF line ends reads the same.
  input.crlf = true;
  project.write_input(synthetic_input::front_end_input_text(input));
  auto again = climate_test::fresh_run();
  ASSERT_EQ(climate_test::run_input_phase(*again, static_cast<float>(c.thickness)).status, 0);
  EXPECT_TRUE(*again == *run);
}

INSTANTIATE_TEST_SUITE_P(
    Thicknesses, FrontEndFiles,
    ::testing::Values(FrontEndCase{6.0, 69, {7, 12, 69}, 1.0f, 344.0f, 6.03509f},
                      FrontEndCase{1.5, 65, {2, 7, 65}, 1.5f, 348.5f, 6.00862f},
                      FrontEndCase{1.8, 66, {3, 8, 66}, 0.9f, 348.2f, 6.00345f},
                      FrontEndCase{6.7, 69, {7, 12, 69}, 6.7f / 6.0f, 343.3f, 6.02281f}),
    [](const auto& info) {
      char text[32];
      std::snprintf(text, sizeof text, "Thickness%g", info.param.thickness);
      std::string name = text;
      for (char& ch : name)
        if (ch == '.') ch = '_';
      return name;
    });

// ------------------------------------------------------------ layout cases

struct ReaderCase {
  const char* name;
  std::function<void(InputText&)> edit;
  std::function<void(const ClimateRun&, const std::string& console)> check;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

class ReaderCases : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderCases, ReadsTheLayout) {
  const ReaderCase& c = GetParam();
  TempProject project;
  InputText input;
  c.edit(input);
  auto [run, outcome] = climate_test::read_input(project, input.text());
  ASSERT_EQ(outcome.status, 0) << outcome.message;
  c.check(*run, project.console());
}

const ReaderCase kReaderCases[] = {
    {"BoundNameReadsThreeRecords", [](InputText&) {},
     [](const ClimateRun& run, const std::string&) {
       const auto& lp = run.layer_properties;
       EXPECT_EQ(lp.bound_unit_weight(1), 148.0f);
       EXPECT_EQ(lp.bound_heat_capacity(1), 0.23f);
       EXPECT_EQ(lp.soil_unit_weight(1), 0.0f);
       EXPECT_EQ(lp.soil_unit_weight(2), 1.0f);
       EXPECT_EQ(lp.passing_4(2), 19.0f);
       EXPECT_EQ(lp.initial_water_content(2), 20.0f / 100.0f);
       EXPECT_EQ(run.climate_simulation_common.drainage_inputs.rainfall_constants(4), 1.65f);
     }},
    {"OtherCaseReadsTwentyRecords",
     [](InputText& in) {
       // No bound layer: the counts must not call the soil-record layer one.
       in.header.replace(in.header.rfind("1 0"), 3, "0 0");
       in.layers = climate_test::soil_layer("asphalt", 4, 1, 5, 100) +
                   climate_test::soil_layer("Base", 8, 2, 9);
     },
     [](const ClimateRun& run, const std::string&) {
       const auto& lp = run.layer_properties;
       EXPECT_EQ(lp.bound_unit_weight(1), 0.0f);
       EXPECT_EQ(lp.soil_unit_weight(1), 100.0f);
       EXPECT_EQ(lp.passing_4(1), 118.0f);
       EXPECT_EQ(lp.initial_water_content(1), 119.0f / 100.0f);
       EXPECT_EQ(lp.soil_unit_weight(2), 1.0f);
     }},
    {"BedRockGetsItsRetentionValues",
     [](InputText& in) {
       in.layers =
           climate_test::asphalt_layer(4, 5) + climate_test::soil_layer("Bed rock", 8, 2, 9);
     },
     [](const ClimateRun& run, const std::string&) {
       const auto& lp = run.layer_properties;
       EXPECT_EQ(lp.fredlund_a(2), 6.0f);
       EXPECT_EQ(lp.fredlund_b(2), 0.3f);
       EXPECT_EQ(lp.fredlund_c(2), 4.0f);
       EXPECT_EQ(lp.fredlund_hr(2), 100.0f);
       EXPECT_EQ(lp.gardner_water_exponent(2), 11.0f);  // the values around are kept
       EXPECT_EQ(lp.plasticity_index(2), 16.0f);
     }},
    {"DayCountZeroReadsNoClimateRecord",
     [](InputText& in) {
       in.day_count = "0\n";
       in.days.clear();
     },
     [](const ClimateRun& run, const std::string& console) {
       EXPECT_EQ(run.period_control.day_count, 0);
       EXPECT_EQ(run.work.daily_tmi.size(), 0);
       EXPECT_EQ(run.work.month_count, 1);
       EXPECT_EQ(run.work.days_per_month(1), 0.0);
       EXPECT_EQ(run.climate_simulation_common.drainage_inputs.path_length, 12.0f);
       EXPECT_NE(console.find("\n 0\n"), std::string::npos);
     }},
    {"RecordSplitOverTwoLines",
     [](InputText& in) {
       in.site = "3 0.93\n0.85 49.5\n0.5\n0.77 0.28 5.0 0.85\n4 15 32 30.2\n1\n";
       in.days = "7 31 2001 80 60\n0.5 8 70 5 19 500 50\n8 1 2001 82 61 0 9 80 5 19 510 50\n";
     },
     [](const ClimateRun& run, const std::string&) {
       const auto& sc = run.climate_simulation_common.surface_constants;
       EXPECT_EQ(sc(3), 0.85f);
       EXPECT_EQ(sc(4), 49.5f);  // the daily form keeps the value read
       EXPECT_EQ(sc(5), 0.5f);
       EXPECT_EQ(sc(6), 0.77f);
       EXPECT_EQ(run.work.daily_precipitation(1), 0.5);
       EXPECT_EQ(run.work.daily_value_9(1), 50.0);
       EXPECT_EQ(run.work.calendar_day(2), 1);
     }},
    {"ExtraValuesOnALineAreIgnored",
     [](InputText& in) {
       in.record9 = "2 8 0.1 1 77 'more'\n";
       in.site = "3 0.93 0.85 50 0.5 9 9\n0.77 0.28 5.0 0.85 9\n4 15 32 30.2 9\n1 2 3\n";
       in.trailing = "12  2  1 4\n2 4.5 90.5 5 6\n2 0 100 7\n10 0.3 0.25 0.75 1.65 8 9";
     },
     [](const ClimateRun& run, const std::string&) {
       const auto& sc = run.climate_simulation_common.surface_constants;
       EXPECT_EQ(run.simulation_counts.layer_count, 2);
       EXPECT_EQ(sc(5), 0.5f);
       EXPECT_EQ(sc(6), 0.77f);
       EXPECT_EQ(sc(10), 4.0f);
       EXPECT_EQ(sc(14), 1.0f);
       EXPECT_EQ(run.period_control.day_count, 2);
       const auto& t = run.climate_simulation_common.drainage_inputs;
       EXPECT_EQ(t.fines_type, 2);
       EXPECT_EQ(t.infiltration_constant_choice, 2);
       EXPECT_EQ(t.rainfall_constants(4), 1.65f);
     }},
    {"LabelsWithCommasParenthesesAndHash",
     [](InputText& in) {
       in.header = "1\n2\n1.0\n1\n1,'IDMODEL(0),TMI(1) #1'\n'RIGID','A, (B) #2'\nC:\\proj\\\n1 0\n";
       in.layers =
           "'Asphalt',4,1,5,'Material,Thickness,(Nodal) spacing,#Last Node'\n"
           "148,'Unit Weight, (pcf) #'\n0.67,'#'\n0.23,','\n" +
           climate_test::soil_layer("Base", 8, 2, 9);
     },
     [](const ClimateRun& run, const std::string&) {
       EXPECT_TRUE(run.climate_simulation_common.pavement_type == "RIGID");
       EXPECT_EQ(run.climate_simulation_common.moisture_index_choice, 1);
       EXPECT_EQ(run.layer_properties.layer_last_node(1), 5);
       EXPECT_EQ(run.layer_properties.bound_heat_capacity(1), 0.23f);
       EXPECT_EQ(run.layer_properties.soil_unit_weight(2), 1.0f);
     }},
    {"WetDaysAndMonthsOfADailyFile",
     [](InputText& in) {
       in.day_count = "4\n";
       in.days =
           "7 30 2001 80 60 0.5 8 70 5 19 500 50\n"
           "7 31 2001 80 60 0 8 70 5 19 500 50\n"
           "8 1 2001 82 61 0.25 9 80 5 19 510 50\n"
           "8 2 2001 82 61 -0.1 9 80 5 19 510 50\n";
     },
     [](const ClimateRun& run, const std::string&) {
       const auto& w = run.work;
       ASSERT_EQ(w.month_count, 2);
       EXPECT_EQ(w.days_per_month(1), 2.0);
       EXPECT_EQ(w.days_per_month(2), 2.0);
       EXPECT_EQ(w.month_number(2), 8);
       EXPECT_EQ(w.month_year(2), 2001);
       EXPECT_EQ(w.wet_days_per_month(1), 1);
       EXPECT_EQ(w.wet_days_per_month(2), 2);  // any precipitation other than 0
       ASSERT_EQ(w.wet_day_count, 3);
       EXPECT_EQ(w.wet_day_list(1), 30);
       EXPECT_EQ(w.wet_day_list(2), 1);
       EXPECT_EQ(w.wet_day_list(3), 2);
     }},
};

INSTANTIATE_TEST_SUITE_P(Layout, ReaderCases, ::testing::ValuesIn(kReaderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ thickness check

struct ThicknessCase {
  const char* name;
  double file_thickness;
  int last_node;
  float ac_thickness;
  float expected_thickness;
  bool warning;
};

void PrintTo(const ThicknessCase& c, std::ostream* os) { *os << c.name; }

class ThicknessCheck : public ::testing::TestWithParam<ThicknessCase> {};

TEST_P(ThicknessCheck, ReplacesAndWarns) {
  const ThicknessCase& c = GetParam();
  TempProject project;
  InputText input;
  input.layers = climate_test::asphalt_layer(c.file_thickness, c.last_node) +
                 climate_test::soil_layer("Base", 8, 2, 9);
  project.write_input(input.text());
  std::istringstream keyboard("\nsecond line\n");
  platform::set_console_input(&keyboard);
  auto run = climate_test::fresh_run();
  const auto outcome = climate_test::run_input_phase(*run, c.ac_thickness);
  ASSERT_EQ(outcome.status, 0) << outcome.message;

  const auto& lp = run->layer_properties;
  EXPECT_EQ(lp.layer_thickness(1), c.expected_thickness);
  EXPECT_EQ(lp.layer_node_spacing(1), c.expected_thickness / static_cast<float>(c.last_node - 1));
  const std::string console = project.console();
  const std::string ihac = platform::format_list("    ihac=", std::int32_t{1}, c.expected_thickness,
                                                 std::int32_t{c.last_node});
  EXPECT_EQ(console.rfind(ihac + "\n", 0), 0u) << console;
  const std::string warning =
      " You should rerun tervon.exe with the correct AC thickness\n"
      " To rerun tervon.exe, enter CNTL^C and rerun tervon\n"
      " To continue enter <CR>\n";
  EXPECT_EQ(console.find(ihac + "\n" + warning) == 0, c.warning) << console;
  // The pause takes exactly one line of the keyboard.
  std::string next;
  std::getline(keyboard, next);
  EXPECT_EQ(next, c.warning ? "second line" : "");
}

INSTANTIATE_TEST_SUITE_P(
    TopLayer, ThicknessCheck,
    ::testing::Values(ThicknessCase{"CloseValueKept", 4.0, 5, 4.05f, 4.0f, false},
                      ThicknessCase{"FloatDifferenceNotAboveTolerance", 4.0, 5, 4.1f, 4.0f, false},
                      ThicknessCase{"FarValueReplaced", 4.0, 5, 4.2f, 4.2f, false},
                      ThicknessCase{"WideSpacingWarns", 6.0, 4, 6.0f, 6.0f, true},
                      ThicknessCase{"SpacingOfOneAndAHalfIsFine", 6.0, 5, 6.0f, 6.0f, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThicknessCheck, PauseGoesOnAtEndOfInput) {
  TempProject project;  // its console input is empty
  InputText input;
  input.layers = climate_test::asphalt_layer(6.0, 4) + climate_test::soil_layer("Base", 8, 2, 9);
  auto [run, outcome] = climate_test::read_input(project, input.text(), 6.0f);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(project.console().find(" To continue enter <CR>\n"), std::string::npos);
}

// A wanted thickness beyond single precision (from a corrupt mean) or not above
// 0 would replace the file's value; the run stops and blames "input.dat", where
// the value came from, instead of laying nodes at infinite or negative depths.
TEST(ThicknessCheck, BadWantedThicknessStops) {
  for (const float wanted : {std::numeric_limits<float>::infinity(), 0.0f, -2.0f}) {
    TempProject project;
    InputText input;
    auto [run, outcome] = climate_test::read_input(project, input.text(), wanted);
    EXPECT_EQ(outcome.status, platform::kStopDecided) << outcome.message;
    EXPECT_EQ(outcome.message.find("Input error in \"C:\\proj\\input.dat\""), 0u)
        << outcome.message;
    EXPECT_NE(outcome.message.find("asphalt thickness wanted by the run"), std::string::npos)
        << outcome.message;
  }
}

}  // namespace
