// The climate simulation run through its steps interface: the order of its
// phases and hooks, the day and sub-step clocks, the output points and result
// records, progress marks, corrections and the failure exit. A scripted double
// stands in for the steps that other parts of the simulation own.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/climate_simulation.h"
#include "engine/climate/simulation_steps.h"
#include "engine/temp_project.h"

namespace {

namespace fs = std::filesystem;
using climate_test::InputText;
using climate_test::lines_of;
using climate_test::TempProject;

constexpr const char* kHistoryName = "C:\\proj\\tmp\\thermal.tmp";

// What the run showed the steps at an output point.
struct OutputSeen {
  int day = 0;
  float hour = 0;
  std::vector<float> temperatures;  // nodes 1 to node_count
};

// Records the calls in a letter code (M materials, W water, D drainage, B
// before the days, s solved step, o output point) and what the output points
// saw; `on_solved` may script the node state.
class ScriptedSteps : public engine::SimulationSteps {
 public:
  void set_up_materials(engine::ClimateRun& run) override {
    log += 'M';
    grid_built_before_materials = run.node_state.node_depth(2) > 0.0f;
  }
  void set_initial_water(engine::ClimateRun&) override { log += 'W'; }
  void evaluate_drainage(engine::ClimateRun& run) override {
    log += 'D';
    max_convection_at_drainage =
        run.climate_simulation_common.surface_constants(engine::kMaxConvectionCoefficient);
  }
  void before_day_loop(engine::ClimateRun&) override { log += 'B'; }
  void solved_step(engine::ClimateRun& run) override {
    log += 's';
    if (on_solved) on_solved(run);
    if (run.step_counter == run.period_control.steps_per_day)
      day_end_surface[run.day_index] = run.node_state.node_temperature(1);
  }
  void output_point(engine::ClimateRun& run) override {
    log += 'o';
    OutputSeen seen{run.day_index, run.hour_of_day, {}};
    if (run.step_counter == 0) {
      const auto& t = run.node_state.node_temperature;
      for (int n = 1; n <= run.simulation_counts.node_count; ++n) seen.temperatures.push_back(t(n));
      if (watch_progress) progress_at_day_start[run.day_index] = TempProject::read("progress.tmp");
    }
    outputs.push_back(std::move(seen));
  }

  std::string log;
  bool grid_built_before_materials = false;
  float max_convection_at_drainage = 0;
  std::function<void(engine::ClimateRun&)> on_solved;
  std::map<int, float> day_end_surface;
  bool watch_progress = false;
  std::map<int, std::string> progress_at_day_start;
  std::vector<OutputSeen> outputs;
};

// The letters of `days` whole days at ten solved steps per output point.
std::string day_pattern(int days) {
  std::string day = "o";
  for (int hour = 0; hour < 24; ++hour) day += std::string(10, 's') + (hour < 23 ? "o" : "");
  std::string all;
  for (int d = 0; d < days; ++d) all += day;
  return all;
}

struct RunResult {
  int status = 0;
  std::string message;
};

RunResult run_with(ScriptedSteps& steps) {
  RunResult r;
  r.status = engine_test::stop_status(
      [&] {
        engine::run_climate_simulation_with(steps, 4.0f, 0.0f, TempProject::directory(),
                                            kHistoryName);
      },
      &r.message);
  return r;
}

// Daily-form day lines from 2 February 2001 on.
std::string february_days(int count) {
  std::string days;
  for (int d = 0; d < count; ++d) {
    const int day = 2 + d;
    days += "2 " + std::to_string(day) + " 2001 45 30 0 8 50 7 17 600 50\n";
  }
  return days;
}

struct LoopCase {
  const char* name;
  std::function<void(InputText&, TempProject&, ScriptedSteps&)> prepare;
  std::function<void(const TempProject&, const ScriptedSteps&, const RunResult&)> check;
};

void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.name; }

class RunLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(RunLoop, Runs) {
  const LoopCase& c = GetParam();
  TempProject project;
  fs::create_directories(project.project() / "tmp");
  InputText input;
  input.day_count = "2\n";
  input.days = february_days(2);
  ScriptedSteps steps;
  c.prepare(input, project, steps);
  project.write_input(input.text());
  const RunResult result = run_with(steps);
  c.check(project, steps, result);
}

std::string file(const TempProject& p, const char* relative) {
  return TempProject::read(p.project() / relative);
}

void set_mode(InputText& input, char mode) { input.header[8] = mode; }  // record 4

// The surface temperature at hour 00 of `day` (after its correction).
float day_start(const ScriptedSteps& s, int day, int node) {
  for (const OutputSeen& seen : s.outputs)
    if (seen.day == day && seen.hour == 0.0f) return seen.temperatures.at(node - 1);
  ADD_FAILURE() << "no hour 00 on day " << day;
  return 0;
}

// A top soil layer with the front end's base-course heat values.
std::string top_soil_layer() {
  const std::string layer = climate_test::soil_layer("Base", 4, 1, 5);
  const std::size_t values = layer.find("4,'Value 4'");
  return layer.substr(0, layer.find("1,'Value 1'")) + "119.354,'W'\n0.23,'K'\n0.17,'C'\n" +
         layer.substr(values);
}

const LoopCase kLoopCases[] = {
    {"TwoDaysOfHistoryRecords", [](InputText&, TempProject&, ScriptedSteps&) {},
     [](const TempProject& p, const ScriptedSteps& s, const RunResult& r) {
       ASSERT_EQ(r.status, 0) << r.message;
       EXPECT_EQ(s.log, "MWDB" + day_pattern(2));
       EXPECT_TRUE(s.grid_built_before_materials);
       EXPECT_NEAR(s.max_convection_at_drainage, 20.2267f, 1e-4f);
       const std::vector<std::string> lines = lines_of(file(p, "tmp/thermal.tmp"));
       ASSERT_EQ(lines.size(), 49u);
       EXPECT_EQ(lines[0], " 48 5 4.0 0.0");
       for (int k = 0; k < 48; ++k) {
         char stamp[32];
         std::snprintf(stamp, sizeof stamp, "200102%02d%02d", 2 + k / 24, k % 24);
         EXPECT_EQ(lines[static_cast<std::size_t>(k) + 1].substr(0, 10), stamp) << k;
       }
       EXPECT_EQ(lines[32].substr(0, 10), "2001020307");
       // Hour 00 of day 2 is the state at the end of day 1.
       const OutputSeen& day2 = s.outputs[24];
       EXPECT_EQ(day2.day, 2);
       EXPECT_EQ(day2.hour, 0.0f);
       EXPECT_EQ(day2.temperatures[0], s.day_end_surface.at(1));
       EXPECT_EQ(file(p, "../progress.tmp"), "9999\n");
       EXPECT_FALSE(fs::exists(p.project() / ".crl"));
       EXPECT_FALSE(fs::exists(p.project() / ".tem"));
     }},
    {"GradientExtremesInModeZero",
     [](InputText& in, TempProject&, ScriptedSteps& s) {
       set_mode(in, '0');
       // The gradient through the asphalt is scripted per solved step; those of
       // output points (every tenth step) are not tracked.
       s.on_solved = [](engine::ClimateRun& run) {
         const int step = run.step_counter;
         const float g = step == 35 ? -1.5f : step == 125 ? 2.0f : step == 40 ? -5.0f
                                                                 : step == 130 ? 5.0f : 0.25f;
         run.node_state.node_temperature(5) = 50.0f;
         run.node_state.node_temperature(1) = 50.0f + 4.0f * g;  // node 5 is 4 inches down
       };
     },
     [](const TempProject& p, const ScriptedSteps&, const RunResult& r) {
       ASSERT_EQ(r.status, 0) << r.message;
       EXPECT_EQ(file(p, ".crl"),
                 "   1   3.50  -1.500 12.50   2.000\n   2   3.50  -1.500 12.50   2.000\n");
       for (const char* name : {".tem", ".mod", ".por", ".ice", ".wat"})
         EXPECT_EQ(lines_of(file(p, name)).size(), 48u) << name;
     }},
    {"NoPavementLayer",
     [](InputText& in, TempProject&, ScriptedSteps&) {
       set_mode(in, '0');
       in.header.replace(in.header.size() - 4, 3, "0 0");
       in.layers = top_soil_layer() + climate_test::soil_layer("Base", 8, 2, 9);
     },
     [](const TempProject& p, const ScriptedSteps& s, const RunResult& r) {
       ASSERT_EQ(r.status, 0) << r.message;
       EXPECT_EQ(s.log, "MWB" + day_pattern(2));
       EXPECT_EQ(file(p, ".drn"),
                 " Drainage calculation not performed due to lack of pavement layer.\n");
       // No gradient: the minimum rule keeps the day's last tracked hour.
       EXPECT_EQ(file(p, ".crl"),
                 "   1  24.00   0.000  0.00   0.000\n   2  24.00   0.000  0.00   0.000\n");
     }},
    {"NoDays",
     [](InputText& in, TempProject&, ScriptedSteps&) {
       in.day_count = "0\n";
       in.days.clear();
     },
     [](const TempProject& p, const ScriptedSteps& s, const RunResult& r) {
       ASSERT_EQ(r.status, 0) << r.message;
       EXPECT_EQ(s.log, "MWD");
       EXPECT_EQ(file(p, "tmp/thermal.tmp"), " 0 5 4.0 0.0\n");
       EXPECT_EQ(file(p, "../progress.tmp"), "9999\n");
       EXPECT_EQ(p.console().substr(p.console().size() - 5), "9999\n");
     }},
    {"TwelveHundredDaysMarkProgress",
     [](InputText& in, TempProject&, ScriptedSteps& s) {
       in.day_count = "1200\n";
       in.days.clear();
       for (int d = 0; d < 1200; ++d)
         in.days += std::to_string(d / 28 % 12 + 1) + " " + std::to_string(d % 28 + 1) + " " +
                    std::to_string(2001 + d / 336) + " 45 30 0 8 50 7 17 600 50\n";
       s.watch_progress = true;
     },
     [](const TempProject& p, const ScriptedSteps& s, const RunResult& r) {
       ASSERT_EQ(r.status, 0) << r.message;
       const std::map<int, std::string> expected = {{1, "   0\n"},   {500, "   0\n"},
                                                    {501, " 500\n"}, {1000, " 500\n"},
                                                    {1001, "1000\n"}, {1200, "1000\n"}};
       for (const auto& [day, mark] : expected) EXPECT_EQ(s.progress_at_day_start.at(day), mark);
       EXPECT_NE(p.console().find(" 500\n1000\n9999\n"), std::string::npos);
       EXPECT_EQ(file(p, "../progress.tmp"), "9999\n");
       EXPECT_EQ(lines_of(file(p, "tmp/thermal.tmp")).size(), 1u + 1200 * 24);
     }},
    {"PccTopWritesOnlyTheHistoryHeader",
     [](InputText& in, TempProject&, ScriptedSteps&) {
       in.layers.replace(in.layers.find("'Asphalt'"), 9, "'PCC'");
     },
     [](const TempProject& p, const ScriptedSteps& s, const RunResult& r) {
       ASSERT_EQ(r.status, 0) << r.message;
       EXPECT_EQ(s.log, "MWDB" + day_pattern(2));
       EXPECT_EQ(lines_of(file(p, "tmp/thermal.tmp")).size(), 1u);
     }},
    {"CorrectionsOnTheirOwnDays",
     [](InputText& in, TempProject& p, ScriptedSteps& s) {
       in.day_count = "5\n";
       in.days = february_days(5);
       // Depths 0 and 2 inches are nodes 1 and 3; 100 inches lies below the grid.
       TempProject::write(p.root() / "LTTP_CORRECT.CSV",
                          "3\ndepth,0,2,100\n"
                          "2/1/2001,10,10,10\n"      // before day 1: passed over
                          "2/2/2001,20,-1000,30\n"   // day 1
                          "2/4/2001,-5,25,0\n"       // read on day 2, kept for day 3
                          "\n"                       // day 4: used up, no correction
                          "2/6/2001,30,-1001,7,99\n");  // day 5; the fourth field is beyond the count
       s.on_solved = [](engine::ClimateRun& run) {
         for (int n = 1; n <= run.simulation_counts.node_count; ++n)
           run.node_state.node_temperature(n) = 50.0f;
       };
     },
     [](const TempProject&, const ScriptedSteps& s, const RunResult& r) {
       ASSERT_EQ(r.status, 0) << r.message;
       const float expected[5][2] = {{68, 50}, {50, 50}, {23, 77}, {50, 50}, {86, 50}};
       for (int day = 1; day <= 5; ++day) {
         EXPECT_EQ(day_start(s, day, 1), expected[day - 1][0]) << day;
         EXPECT_EQ(day_start(s, day, 3), expected[day - 1][1]) << day;
         EXPECT_EQ(day_start(s, day, 2), 50.0f) << day;
       }
     }},
    {"GridFailure",
     [](InputText& in, TempProject& p, ScriptedSteps&) {
       in.record9 = "2 8 1 1\n";  // a one-hour step is too long for 1-inch asphalt nodes
       TempProject::write(p.project() / "tmp" / "thermal.tmp", "earlier history\n");
     },
     [](const TempProject& p, const ScriptedSteps& s, const RunResult& r) {
       EXPECT_EQ(r.status, platform::kStopDecided);
       EXPECT_EQ(r.message,
                 " Grid criterion not met in 1 layer(s): time step too large for the node spacing");
       EXPECT_EQ(s.log, "M");
       EXPECT_EQ(file(p, "../progress.tmp"), "  -2\n");
       EXPECT_EQ(file(p, "tmp/thermal.tmp"), "earlier history\n");
       EXPECT_EQ(std::distance(fs::directory_iterator(p.project() / "tmp"), {}), 1);
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, RunLoop, ::testing::ValuesIn(kLoopCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- default structure

// The front end's structure for 6 inches of asphalt (69 nodes) over 30 days of
// the synthetic climate, the whole simulation with every result file written;
// a second run in the same process writes the same bytes.
TEST(DefaultStructure, ThirtyDaysTwiceGiveTheSameFiles) {
  const char* kFiles[] = {".crl", ".tem", ".mod", ".por", ".ice", ".wat", ".drn",
                          "tmp/thermal.tmp", "../progress.tmp"};
  const std::string input = climate_test::front_end_text(false, 30, 0);

  std::map<std::string, std::string> first;
  for (int pass = 0; pass < 2; ++pass) {
    TempProject project;
    fs::create_directories(project.project() / "tmp");
    project.write_input(input);
    engine::DefaultSimulationSteps steps;
    const int status = engine_test::stop_status([&] {
      engine::run_climate_simulation_with(steps, 6.0f, 0.0f, TempProject::directory(),
                                          kHistoryName);
    });
    ASSERT_EQ(status, 0);
    for (const char* name : kFiles) {
      const std::string text = file(project, name);
      if (pass == 0) {
        first[name] = text;
      } else {
        EXPECT_EQ(text, first[name]) << name;
      }
    }
  }

  const std::vector<std::string> history = lines_of(first["tmp/thermal.tmp"]);
  ASSERT_EQ(history.size(), 1u + 30 * 24);
  EXPECT_EQ(history[0], " 720 6 6.0 0.0");
  for (std::size_t k = 1; k < history.size(); ++k) {
    // Five temperatures (surface, 0.5, 2, 4 and 6 inches) of six columns.
    ASSERT_EQ(history[k].size(), 40u) << k;
    for (std::size_t c = 10; c < 40; c += 6) {
      const double t = std::stod(history[k].substr(c, 6));
      ASSERT_TRUE(t > -40.0 && t < 160.0) << history[k];
    }
  }
  for (const char* name : {".tem", ".mod", ".por", ".ice", ".wat"})
    EXPECT_EQ(lines_of(first[name]).size(), 30u * 24) << name;
  EXPECT_EQ(lines_of(first[".crl"]).size(), 30u);
  // No value failed to compute or to fit its field (the drainage report's
  // title is framed by asterisks).
  for (const auto& [name, text] : first) {
    for (const std::string bad : {"NaN", "nan", "Inf", "inf", "*"})
      if (bad != "*" || name != std::string(".drn")) {
        EXPECT_EQ(text.find(bad), std::string::npos) << name << " holds " << bad;
      }
  }
}

}  // namespace
