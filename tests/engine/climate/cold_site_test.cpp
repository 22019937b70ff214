// A cold site through the whole simulation: the front end's structure (6
// inches of asphalt over the base and the subgrade) under 45 days of 5 F air
// and then 60 days of 55 F, without sun or rain. Freezing must turn the soil's
// water into ice where it stands, not lose it, and the thaw must give it back;
// and a shallow water table must leave the soil below it saturated.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/climate_simulation.h"
#include "synthetic_input/front_end_input.h"

namespace {

using engine::ClimateRun;

constexpr float kFreezingF = 30.2f;  // the front end's freezing temperature
constexpr int kColdDays = 45;

// The state of every node at every output point.
struct NodeRecord {
  float temperature = 0, water = 0, ice = 0;
};

class Recorder final : public climate_test::ForwardedSteps {
 public:
  void before_day_loop(ClimateRun& run) override {
    ForwardedSteps::before_day_loop(run);
    first = run.first_implicit_node;
    nodes = run.simulation_counts.node_count;
    const auto& lp = run.layer_properties;
    for (int n = 1; n <= nodes; ++n) {
      depth.push_back(run.node_state.node_depth(n));
      const int layer = n == first ? run.simulation_counts.section_count_total + 1
                                   : run.node_state.node_layer(n);
      layer_of.push_back(layer);
      porosity.push_back(lp.soil_porosity(layer));
    }
  }
  void output_point(ClimateRun& run) override {
    ForwardedSteps::output_point(run);
    const engine::NodeState& s = run.node_state;
    for (int n = 1; n <= nodes; ++n)
      points.push_back({s.node_temperature(n), s.node_water_content(n), s.node_ice_content(n)});
  }

  // Node n (from 1) at the output point of hour h (0-23) of day d (from 1).
  const NodeRecord& at(int d, int h, int n) const {
    return points[static_cast<std::size_t>(((d - 1) * 24 + h) * nodes + n - 1)];
  }
  int hours() const { return static_cast<int>(points.size()) / nodes; }

  int first = 0, nodes = 0;
  std::vector<float> depth, porosity;  // by node, from index 0
  std::vector<int> layer_of;
  std::vector<NodeRecord> points;
};

// `days` days of the front end's input: `cold_days` at `cold` F, the rest at
// `warm` F, dry and dark; the water table at `table` feet.
void simulate(Recorder& recorder, int days, int cold_days, double cold, double warm,
              const std::string& table) {
  climate_test::TempProject project;
  std::filesystem::create_directories(project.project() / "tmp");
  synthetic_input::FrontEndInput input;
  input.directory = "C:\\proj\\";
  input.max_day_blocks = days;
  input.days = synthetic_input::synthetic_window(2000, 1);
  for (std::size_t d = 0; d < input.days.size(); ++d) {
    input.days[d].radiation = 0;
    for (auto& h : input.days[d].hours) {
      h.temperature = static_cast<int>(d) < cold_days ? cold : warm;
      h.precipitation = 0;
      h.value3 = 0;
    }
  }
  // The front end writes a water table of 50 feet at the end of every hour line.
  std::string text = synthetic_input::front_end_input_text(input);
  int hour_lines = 0;
  for (std::size_t at = text.find(" 50\n"); at != std::string::npos;
       at = text.find(" 50\n", at + table.size() + 2), ++hour_lines)
    text.replace(at + 1, 2, table);
  ASSERT_EQ(hour_lines, 24 * days);
  project.write_input(text);
  engine::run_climate_simulation_with(recorder, 6.0f, 0.0f, climate_test::TempProject::directory(),
                                      "C:\\proj\\tmp\\thermal.tmp");
  ASSERT_EQ(recorder.hours(), 24 * days);
}

TEST(ColdSite, FrozenGroundKeepsItsWaterAndTheThawReturnsIt) {
  Recorder r;
  simulate(r, 105, kColdDays, 5.0, 55.0, "50");
  // Half of each neighbouring interval, inches.
  auto length = [&](int n) {
    const auto i = static_cast<std::size_t>(n - 1);
    const float above = n > r.first ? r.depth[i] - r.depth[i - 1] : 0.0f;
    const float below = n < r.nodes ? r.depth[i + 1] - r.depth[i] : 0.0f;
    return (above + below) / 2.0;
  };
  auto water_equivalent = [&](const std::vector<int>& zone, int day) {
    double sum = 0;
    for (int n : zone) sum += (r.at(day, 0, n).water + 0.917 * r.at(day, 0, n).ice) * length(n);
    return sum;
  };

  // The first implicit node takes its temperature from the pavement above;
  // every node below it that reaches the freezing point holding water turns
  // it into ice and stays at the freezing point for a day or more.
  std::vector<int> zone;
  for (int n = r.first + 1; n <= r.nodes; ++n) {
    int reached = -1, paused = 0;
    float ice = 0;
    for (int k = 0; k < r.hours(); ++k) {
      const NodeRecord& p = r.at(k / 24 + 1, k % 24, n);
      if (reached < 0 && p.temperature <= kFreezingF + 1e-3f && p.water > 0) reached = k;
      paused += std::fabs(p.temperature - kFreezingF) < 0.01f;
      ice = std::max(ice, p.ice);
    }
    if (reached < 0) continue;
    zone.push_back(n);
    EXPECT_GT(ice, 0.05f) << "node " << n;
    EXPECT_GE(paused, 24) << "node " << n;
  }
  // Frost passes through the base (16 inches) into the subgrade.
  ASSERT_GE(zone.size(), 6u);
  EXPECT_GT(r.depth[static_cast<std::size_t>(zone.back() - 1)], 16.0f);

  // Day 2 starts after the top boundary has drawn the base to its suction.
  const double before = water_equivalent(zone, 2);
  EXPECT_GE(water_equivalent(zone, kColdDays + 1), 0.95 * before);

  // The base's water after the thaw, node by node.
  const int last = r.hours() / 24;
  for (int n = r.first + 1; n <= r.nodes && r.layer_of[static_cast<std::size_t>(n - 1)] == 2; ++n) {
    EXPECT_EQ(r.at(last, 0, n).ice, 0.0f) << "node " << n;
    EXPECT_GE(r.at(last, 0, n).water, 0.5f * r.at(2, 0, n).water) << "node " << n;
  }
}

TEST(ColdSite, SoilBelowTheWaterTableIsSaturated) {
  Recorder r;
  simulate(r, 3, 0, 55.0, 55.0, "0.3");
  for (int n = r.first; n <= r.nodes; ++n) {
    const auto i = static_cast<std::size_t>(n - 1);
    ASSERT_GT(r.depth[i], 0.3f * 12);
    EXPECT_EQ(r.at(3, 0, n).water, r.porosity[i]) << "node " << n << " at " << r.depth[i] << " in";
  }
}

}  // namespace
