// The whole simulation on the default input (the front end's file for 6
// inches of asphalt, 7307 days of hourly records; PAVSIM_DEFAULT_RUN_DAYS
// shortens it for the sanitizer build), every output point checked.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "engine/climate/climate_simulation.h"
#include "engine/climate/climate_test_support.h"
#include "engine/climate/simulation_steps.h"
#include "synthetic_input/front_end_input.h"

#ifndef PAVSIM_DEFAULT_RUN_DAYS
#define PAVSIM_DEFAULT_RUN_DAYS 0  // all
#endif

namespace {

using engine::ClimateRun;

// The simulation's own steps, with the state checked at every output point.
class CheckedSteps final : public climate_test::ForwardedSteps {
 public:
  void before_day_loop(ClimateRun& run) override {
    ForwardedSteps::before_day_loop(run);
    const auto& hourly = run.work.hourly_temperature;
    for (int d = 1; d <= run.period_control.day_count; ++d) {
      for (int h = 1; h <= 24; ++h) {
        coldest_ = std::min(coldest_, hourly(h, d));
        warmest_ = std::max(warmest_, hourly(h, d));
      }
    }
  }
  void output_point(ClimateRun& run) override {
    ForwardedSteps::output_point(run);
    ++points;
    const engine::NodeState& s = run.node_state;
    const int bound = run.simulation_counts.section_count_total;
    for (int n = 1; n <= run.simulation_counts.node_count; ++n) {
      for (const auto* values : {&s.node_temperature, &s.node_suction, &s.node_water_content,
                                 &s.node_ice_content, &s.node_modulus})
        ASSERT_TRUE(std::isfinite((*values)(n))) << "node " << n << " on day " << run.day_index;
      const int layer = n == run.first_implicit_node ? bound + 1 : s.node_layer(n);
      const double porosity = run.layer_properties.soil_porosity(layer);
      ASSERT_TRUE(s.node_water_content(n) >= 0.0f && s.node_water_content(n) <= 1.1 * porosity &&
                  s.node_ice_content(n) >= 0.0f)
          << "node " << n << " on day " << run.day_index;
      ASSERT_TRUE(s.node_temperature(n) >= coldest_ - 30.0 &&
                  s.node_temperature(n) <= warmest_ + 60.0)
          << s.node_temperature(n) << " at node " << n << " on day " << run.day_index;
    }
  }

  long points = 0;

 private:
  double coldest_ = 1e30;
  double warmest_ = -1e30;
};

TEST(DefaultInput, WholeSimulationStaysPhysical) {
  climate_test::TempProject project;
  std::filesystem::create_directories(project.project() / "tmp");
  synthetic_input::FrontEndInput input;
  input.analysis_years = 20;
  input.directory = "C:\\proj\\";
  input.days = synthetic_input::synthetic_window(2000, 10);
  input.max_day_blocks = PAVSIM_DEFAULT_RUN_DAYS;
  synthetic_input::write_front_end_input(project.project() / "input.tmp", input);

  CheckedSteps steps;
  engine::run_climate_simulation_with(steps, 6.0f, 0.0f, climate_test::TempProject::directory(),
                                      "C:\\proj\\tmp\\thermal.tmp");
  const long days = PAVSIM_DEFAULT_RUN_DAYS > 0 ? PAVSIM_DEFAULT_RUN_DAYS : 7307;
  EXPECT_EQ(steps.points, 24 * days);
  const auto history = climate_test::lines_of(
      climate_test::TempProject::read(project.project() / "tmp" / "thermal.tmp"));
  ASSERT_EQ(static_cast<long>(history.size()), 1 + 24 * days);
  EXPECT_EQ(history[0], " " + std::to_string(24 * days) + " 6 6.0 0.0");
}

}  // namespace
