// Heat conduction through the bound layers: the grid check and the explicit
// step against hand values, against closed-form solutions of conduction
// (tools/oracles/heat_conduction_oracle.py, committed in
// tests/data/engine/climate/heat_conduction.txt), and the energy the step moves.

#include "engine/climate/heat_conduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/layer_grid.h"

namespace {

using engine::ClimateRun;
using Layers = std::vector<climate_test::LayerRecord>;

struct Bound {
  float conductivity;
  float unit_weight;
  float heat_capacity;
  float rho_c() const { return unit_weight * heat_capacity; }
};
constexpr Bound kAsphalt{0.67f, 148.0f, 0.23f};

// The grid of `layers` with `bound` values for its bound layers, every node at
// `start`, no surface flux or convection, and the air and the freezing band far
// below anything reached.
std::unique_ptr<ClimateRun> conduction_run(const Layers& layers, const std::vector<Bound>& bound,
                                           float half_step, float start = 60.0f) {
  auto run = climate_test::layered_run(layers, static_cast<int>(bound.size()));
  engine::setup_layer_grid(*run);
  for (int i = 1; i <= static_cast<int>(bound.size()); ++i) {
    const Bound& b = bound[static_cast<std::size_t>(i - 1)];
    run->layer_properties.bound_conductivity(i) = b.conductivity;
    run->layer_properties.bound_unit_weight(i) = b.unit_weight;
    run->layer_properties.bound_heat_capacity(i) = b.heat_capacity;
  }
  run->period_control.half_step_hours = half_step;
  auto& c = run->climate_simulation_common.surface_constants;
  c(engine::kFreezeBandTop) = -1000.0f;
  c(engine::kFreezeBandBottom) = -2000.0f;
  run->air_temperature = -1000.0f;
  for (int n = 1; n <= run->simulation_counts.node_count; ++n)
    run->node_state.node_temperature(n) = start;
  return run;
}

float& node(ClimateRun& run, int n) { return run.node_state.node_temperature(n); }

// ---------------------------------------------------------------- grid check and step

struct StepCase {
  const char* name;
  std::function<std::unique_ptr<ClimateRun>()> make;
  std::function<void(ClimateRun&)> act;
  std::function<void(ClimateRun&)> expect;
};

void PrintTo(const StepCase& c, std::ostream* os) { *os << c.name; }

class GridCheckAndStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(GridCheckAndStep, Cases) {
  const StepCase& c = GetParam();
  auto run = c.make();
  c.act(*run);
  c.expect(*run);
}

std::unique_ptr<ClimateRun> default_asphalt() {
  return conduction_run({{"Asphalt", 6.0f, 0, 7}, {"Base", 10.0f, 2.0f, 12}}, {kAsphalt}, 0.05f);
}

// The default asphalt with the front end's freezing band (32 and 30.2 deg F),
// node 3 at `middle` between neighbours at `outside`.
std::function<std::unique_ptr<ClimateRun>()> band_case(float middle, float outside) {
  return [=] {
    auto run = default_asphalt();
    auto& c = run->climate_simulation_common.surface_constants;
    c(engine::kFreezeBandTop) = 32.0f;
    c(engine::kFreezeBandBottom) = 30.2f;
    node(*run, 2) = node(*run, 4) = outside;
    node(*run, 3) = middle;
    return run;
  };
}

void check_grid(ClimateRun& run) { engine::check_grid_criterion(run); }
void step(ClimateRun& run) { engine::pavement_conduction_step(run); }
float max_convection(const ClimateRun& run) {
  return run.climate_simulation_common.surface_constants(engine::kMaxConvectionCoefficient);
}

const StepCase kStepCases[] = {
    // rho c dz^2 / (2k) equals the half step exactly (all values exact in float).
    {"EqualityFails",
     [] {
       return conduction_run({{"Asphalt", 12.0f, 0, 2}, {"Base", 12.0f, 12.0f, 3}},
                             {{1.0f, 1.0f, 1.0f}}, 0.5f);
     },
     check_grid,
     [](ClimateRun& run) {
       EXPECT_EQ(run.grid_failure_count, 1);
       EXPECT_EQ(max_convection(run), 1.0f - 1.0f - 0.1f);
     }},
    {"DefaultAsphaltPasses", default_asphalt, check_grid,
     [](ClimateRun& run) {
       EXPECT_EQ(run.grid_failure_count, 0);
       const double expected =
           climate_test::oracle_values("heat_conduction.txt").at("max_convection_default");
       EXPECT_NEAR(max_convection(run), expected, 1e-4 * expected);
     }},
    // A thin, conductive second layer fails alone and with the layer above.
    {"FailingLayerPair",
     [] {
       return conduction_run(
           {{"Asphalt", 4.0f, 0, 5}, {"ATB", 2.0f, 2.0f, 6}, {"Base", 10.0f, 2.0f, 11}},
           {kAsphalt, {10.0f, 100.0f, 0.2f}}, 0.05f);
     },
     check_grid, [](ClimateRun& run) { EXPECT_EQ(run.grid_failure_count, 2); }},
    {"SurfaceNeverBelowTheAir",
     [] {
       auto run = default_asphalt();
       for (int n = 1; n <= 12; ++n) node(*run, n) = 10.0f;
       run->air_temperature = 50.0f;
       return run;
     },
     step, [](ClimateRun& run) { EXPECT_EQ(node(run, 1), 50.0f); }},
    {"CoolingIntoTheBandStopsBelowItsTop", band_case(33.0f, -100.0f), step,
     [](ClimateRun& run) { EXPECT_EQ(node(run, 3), 32.0f - 0.01f); }},
    {"WarmingIntoTheBandStopsAboveItsBottom", band_case(29.2f, 200.0f), step,
     [](ClimateRun& run) { EXPECT_EQ(node(run, 3), 30.2f + 0.01f); }},
};

INSTANTIATE_TEST_SUITE_P(Table, GridCheckAndStep, ::testing::ValuesIn(kStepCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- closed forms

// 40 inches of asphalt at 1-inch nodes over a layer of the same spacing, whose
// first node is held; `drive(t)` sets the surface after each half step.
std::unique_ptr<ClimateRun> deep_asphalt() {
  return conduction_run({{"Asphalt", 40.0f, 0, 41}, {"Base", 20.0f, 1.0f, 61}}, {kAsphalt}, 0.05f,
                        70.0f);
}

void conduct(ClimateRun& run, int half_steps, const std::function<void(int, double)>& after) {
  for (int k = 1; k <= half_steps; ++k) {
    engine::pavement_conduction_step(run);
    after(k, k * 0.05);
  }
}

TEST(ConductionAgainstClosedForms, DampedWave) {
  const auto oracle = climate_test::oracle_values("heat_conduction.txt");
  auto run = deep_asphalt();
  const double omega = 2 * std::numbers::pi / 24;
  constexpr int kDay = 480;
  // First harmonic of each depth over day 11.
  std::map<int, double> sine, cosine;
  conduct(*run, 11 * kDay, [&](int k, double t) {
    node(*run, 1) = static_cast<float>(70.0 + 20.0 * std::sin(omega * t));
    if (k <= 10 * kDay) return;
    for (int z : {0, 2, 4, 6}) {
      sine[z] += node(*run, z + 1) * std::sin(omega * t) * 2 / kDay;
      cosine[z] += node(*run, z + 1) * std::cos(omega * t) * 2 / kDay;
    }
  });
  ASSERT_NEAR(std::hypot(sine[0], cosine[0]), 20.0, 1e-3);
  for (int z : {2, 4, 6}) {
    const std::string depth = std::to_string(z) + "in";
    const double amplitude = std::hypot(sine[z], cosine[z]) / 20.0;
    const double lag = -std::atan2(cosine[z], sine[z]) / omega;
    const double expected = oracle.at("wave_amplitude_" + depth);
    EXPECT_NEAR(amplitude, expected, 0.01 * expected) << depth;
    EXPECT_NEAR(lag, oracle.at("wave_lag_" + depth), 0.05) << depth;
  }
}

TEST(ConductionAgainstClosedForms, Step) {
  const auto oracle = climate_test::oracle_values("heat_conduction.txt");
  auto run = deep_asphalt();
  node(*run, 1) = 90.0f;
  conduct(*run, 480, [&](int k, double) {
    node(*run, 1) = 90.0f;
    if (k != 120 && k != 480) return;
    const std::string time = std::to_string(k / 20) + "h";
    for (int z : {2, 4, 8}) {
      const double fraction = oracle.at("step_fraction_" + std::to_string(z) + "in_" + time);
      EXPECT_NEAR(node(*run, z + 1), 70.0 + 20.0 * fraction, 0.2) << z << " in at " << time;
    }
  });
}

// ---------------------------------------------------------------- energy

// Two bound layers of 1-inch nodes over a layer of the same spacing whose first
// node (10) is held; a constant flux, convection and air temperature.
TEST(ExplicitStep, ConservesTheHeatOfItsCells) {
  const Bound second{0.4f, 140.0f, 0.25f};
  auto run = conduction_run(
      {{"Asphalt", 4.0f, 0, 5}, {"ATB", 4.0f, 1.0f, 9}, {"Base", 10.0f, 1.0f, 19}},
      {kAsphalt, second}, 0.05f);
  run->surface_heat_flux = 100.0f;
  run->convection_coefficient = 2.0f;
  run->air_temperature = 40.0f;
  const double dz = 1.0 / 12.0;
  const double c1 = kAsphalt.rho_c(), c2 = second.rho_c();
  // Half a cell at the surface; the interface cell takes half of each layer.
  const std::vector<double> cell = {c1 / 2, c1, c1, c1, (c1 + c2) / 2, c2, c2, c2, c2};
  auto heat = [&] {
    double sum = 0;
    for (int n = 1; n <= 9; ++n) sum += cell[static_cast<std::size_t>(n - 1)] * dz * node(*run, n);
    return sum;
  };

  const double before = heat();
  double moved = 0, throughput = 0;
  for (int k = 0; k < 2000; ++k) {
    const double terms[] = {100.0, 2.0 * (40.0 - node(*run, 1)),
                            second.conductivity * (node(*run, 10) - node(*run, 9)) / dz};
    for (double f : terms) {
      moved += 0.05 * f;
      throughput += 0.05 * std::fabs(f);
    }
    engine::pavement_conduction_step(*run);
    ASSERT_GT(node(*run, 1), 40.0f);  // the air floor never acts
  }
  EXPECT_NEAR(heat() - before, moved, 1e-4 * throughput);
  EXPECT_GT(node(*run, 9), 62.0f);  // the heat reached the bottom
}

// The interface weights divide by the squared spacings of both layers: with
// unequal spacings the steady fluxes on the two sides differ by the spacing
// ratio. The model keeps this.
TEST(ExplicitStep, SteadyFluxesDifferByTheSpacingRatio) {
  const Bound second{0.4f, 140.0f, 0.25f};
  auto run = conduction_run(
      {{"Asphalt", 4.0f, 0, 5}, {"ATB", 8.0f, 2.0f, 9}, {"Base", 10.0f, 2.0f, 14}},
      {kAsphalt, second}, 0.05f);
  node(*run, 1) = 80.0f;
  conduct(*run, 40000, [&](int, double) { node(*run, 1) = 80.0f; });
  const double upper = kAsphalt.conductivity * (node(*run, 4) - node(*run, 5)) / (1.0 / 12);
  const double lower = second.conductivity * (node(*run, 6) - node(*run, 7)) / (2.0 / 12);
  ASSERT_GT(upper, 1.0);
  EXPECT_NEAR(upper / lower, 2.0, 1e-3);
}

}  // namespace
