// The unbound layers' moisture and heat step against analytic solutions
// (Neumann's freezing front, the damped daily wave, steady layered conduction
// and hydrostatic suction; the soil values and the closed forms from
// tools/oracles/heat_conduction_oracle.py, committed in
// tests/data/engine/climate/heat_conduction.txt), the energy of a heat step,
// the edge cases of the stages, and the rainfall boundary.

#include "engine/climate/unbound_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/moisture_setup.h"
#include "engine/climate/soil_water.h"

namespace {

using engine::ClimateRun;

constexpr float kFreezeF = 30.2f;  // -1 C

float fahrenheit(double celsius) { return static_cast<float>(celsius * 1.8 + 32.0); }

struct Soil {
  float porosity = 0.3f;
  float density = 1.8f;  // g/cm3
  float water = 0.2f;
  float ks = 1.0e-9f;  // ft/h
};

struct Column {
  int form = 1;        // retention_form
  bool bound = false;  // a 2-inch asphalt layer on top
  std::vector<climate_test::LayerRecord> soils = {{"Soil", 60.0f, 1.0f, 61}};
  std::vector<Soil> values = {Soil{}};
  float start = fahrenheit(10.0);
  float bottom = fahrenheit(10.0);
  double bottom_suction_cm = -50.0;  // the water table sits this far below the bottom node
};

// A soil column through the run's own set-up: the grid, the moisture set-up of
// `form` (Gardner a = 0.01/cm, n = 1 with K = Ks / (1 + |h|), or the base
// course's four-parameter curve), the initial water, and the step prepared;
// one day, daily records, time step 0.1 h, the moisture-index boundary. The
// asphalt on top only places the first implicit node.
std::unique_ptr<ClimateRun> soil_column(const Column& c) {
  std::vector<climate_test::LayerRecord> layers;
  if (c.bound) layers.push_back({"Asphalt", 2.0f, 0, 3});
  for (auto l : c.soils) {
    if (c.bound && l.last_node > 0) l.last_node += 2;
    layers.push_back(l);
  }
  const int bound = c.bound ? 1 : 0;
  auto run = climate_test::layered_run(layers, bound);
  ClimateRun& r = *run;
  auto& lp = r.layer_properties;
  for (int i = bound + 1; i <= r.simulation_counts.layer_count; ++i) {
    const Soil& s = c.values[static_cast<std::size_t>(i - bound - 1)];
    lp.soil_unit_weight(i) = s.density / 0.01601873f;
    lp.soil_heat_capacity(i) = 0.2f;
    lp.soil_porosity(i) = s.porosity;
    lp.saturated_permeability(i) = s.ks;
    lp.passing_200(i) = 10.0f;
    lp.plasticity_index(i) = 4.0f;
    lp.frozen_modulus(i) = 40000.0f;
    lp.gardner_water_multiplier(i) = 0.01f;
    lp.gardner_water_exponent(i) = 1.0f;
    lp.gardner_k_multiplier(i) = 1.0f;
    lp.gardner_k_exponent(i) = 1.0f;
    lp.fredlund_a(i) = 9.3434f;
    lp.fredlund_b(i) = 3.86082f;
    lp.fredlund_c(i) = 7.14073f;
    lp.fredlund_hr(i) = 136.0f;
    lp.initial_water_content(i) = s.water;
  }
  r.climate_simulation_common.retention_form = c.form;
  r.climate_simulation_common.climate_record_form = 1;
  r.climate_simulation_common.moisture_index_choice = 1;
  auto& sc = r.climate_simulation_common.surface_constants;
  sc(engine::kFreezeBandBottom) = kFreezeF;
  sc(engine::kBottomTemperature) = c.bottom;
  r.period_control = {1, 0.05f, 1.0f, 10, 240, 10};
  r.work.create(1, r.simulation_counts.layer_count - bound);
  engine::setup_layer_grid(r);
  const int n = r.simulation_counts.node_count;
  const double table_feet = (r.node_state.node_depth(n) * 2.54 - c.bottom_suction_cm) / 30.48;
  r.work.daily_value_9(1) = r.work.water_table_feet(1) = table_feet;
  for (int k = 1; k <= n; ++k) {
    r.node_state.node_temperature(k) = c.start;
    const int layer = r.node_state.node_layer(k);
    r.node_state.node_suction(k) = lp.initial_water_content(layer) * 100.0f;  // read as percent
  }
  engine::set_up_soil_moisture(r);
  engine::set_initial_water_contents(r);
  engine::prepare_unbound_step(r);
  r.day_index = 1;
  return run;
}

// One step without the top boundary (stage 3): the physics alone.
void physics_step(ClimateRun& run) {
  engine::unbound_units_in(run);
  engine::apply_water_table(run);
  engine::start_heat_step(run);
  engine::element_hydraulic_conductivity(run);
  engine::node_moisture_capacity(run);
  engine::element_thermal_conductivity(run);
  engine::node_specific_heat(run);
  engine::element_water_flux(run);
  engine::solve_moisture(run);
  engine::solve_heat(run);
  engine::update_water_and_ice(run);
  engine::unbound_units_out(run);
}

float& temperature(ClimateRun& run, int n) { return run.node_state.node_temperature(n); }
double celsius(const ClimateRun& run, int n) {
  return (run.node_state.node_temperature(n) - 32.0) / 1.8;
}

// ---------------------------------------------------------------- closed forms

// Neumann's problem: the surface held 4 C below freezing over soil at the
// freezing point (0.05 C above); the front is where the ice reaches half its
// full content.
TEST(UnboundStepAgainstClosedForms, NeumannFreezingFront) {
  const auto oracle = climate_test::oracle_values("heat_conduction.txt");
  Column c;
  c.start = c.bottom = fahrenheit(-0.95);
  auto run = soil_column(c);
  const int n = run->simulation_counts.node_count;
  const double half_ice = oracle.at("full_ice") / 2;
  for (int step = 1; step <= 2400; ++step) {
    temperature(*run, 1) = fahrenheit(-5.0);
    physics_step(*run);
    for (int k = 1; k <= n; ++k) {
      const float water = run->node_state.node_water_content(k);
      ASSERT_TRUE(run->node_state.node_ice_content(k) >= 0.0f && water >= 0.0f &&
                  water <= 1.1f * 0.3f)
          << k << " at step " << step;
    }
    ASSERT_NEAR(celsius(*run, n), -0.95, 1e-5);  // the bottom keeps its value
    if (step != 240 && step != 1200 && step != 2400) continue;
    int k = 2;
    while (k < n && run->node_state.node_ice_content(k) >= half_ice) ++k;
    const double above = run->node_state.node_ice_content(k - 1);
    const double front =
        2.54 * ((k - 2) + (above - half_ice) / (above - run->node_state.node_ice_content(k)));
    const double expected = oracle.at("front_cm_" + std::to_string(step / 10) + "h");
    EXPECT_NEAR(front, expected, 0.1 * expected) << step / 10 << " h";
  }
}

// A daily wave at the surface of unfrozen soil without flow: amplitude and lag
// of the first harmonic over day 6.
TEST(UnboundStepAgainstClosedForms, DampedWave) {
  const auto oracle = climate_test::oracle_values("heat_conduction.txt");
  auto run = soil_column(Column{});
  const double omega = 2 * std::numbers::pi / 24;
  std::vector<double> sine(9), cosine(9);
  for (int step = 1; step <= 6 * 240; ++step) {
    const double t = step * 0.1;
    temperature(*run, 1) = fahrenheit(10.0 + 5.0 * std::sin(omega * t));
    physics_step(*run);
    if (step <= 5 * 240) continue;
    for (int z : {0, 2, 4, 8}) {
      sine[z] += (celsius(*run, z + 1) - 10.0) * std::sin(omega * t) * 2 / 240;
      cosine[z] += (celsius(*run, z + 1) - 10.0) * std::cos(omega * t) * 2 / 240;
    }
  }
  ASSERT_NEAR(std::hypot(sine[0], cosine[0]), 5.0, 1e-3);
  for (int z : {2, 4, 8}) {
    const std::string depth = std::to_string(z) + "in";
    const double amplitude = std::hypot(sine[z], cosine[z]) / 5.0;
    const double expected = oracle.at("soil_wave_amplitude_" + depth);
    EXPECT_NEAR(amplitude, expected, 0.02 * expected) << depth;
    EXPECT_NEAR(-std::atan2(cosine[z], sine[z]) / omega, oracle.at("soil_wave_lag_" + depth), 0.1)
        << depth;
  }
}

// Without flow or phase change, the heat the interior nodes gain in a step is
// what conduction brings through the first element and takes out through the
// last, at the new temperatures.
TEST(UnboundStep, HeatStepConservesEnergy) {
  const auto oracle = climate_test::oracle_values("heat_conduction.txt");
  Column c;
  c.soils = {{"Soil", 20.0f, 1.0f, 21}};
  auto run = soil_column(c);
  temperature(*run, 1) = fahrenheit(40.0);
  const double k = oracle.at("soil_k_unfrozen"), heat = oracle.at("soil_c_unfrozen");
  const double dz = 2.54, dt = 0.1;
  for (int step = 0; step < 5; ++step) {
    std::vector<double> before(22);
    for (int n = 2; n <= 20; ++n) before[n] = celsius(*run, n);
    engine::unbound_units_in(*run);
    engine::start_heat_step(*run);
    engine::element_thermal_conductivity(*run);
    engine::node_specific_heat(*run);
    engine::element_water_flux(*run);
    engine::solve_heat(*run);
    const engine::UnboundStep& s = run->unbound;
    double gained = 0;
    for (int n = 2; n <= 20; ++n) gained += heat * dz * (s.temperature(n) - before[n]);
    const double in = k * (s.heat_old(1) - s.temperature(2)) / dz;
    const double out = k * (s.temperature(20) - s.temperature(21)) / dz;
    EXPECT_NEAR(gained, dt * (in - out), 1e-4 * dt * (std::fabs(in) + std::fabs(out))) << step;
    engine::update_water_and_ice(*run);
    engine::unbound_units_out(*run);
    temperature(*run, 1) = fahrenheit(40.0);
  }
}

TEST(UnboundStep, SteadyLayeredConduction) {
  const auto oracle = climate_test::oracle_values("heat_conduction.txt");
  Column c;
  c.soils = {{"Soil", 4.0f, 1.0f, 5}, {"Second", 8.0f, 2.0f, 9}};
  c.values = {Soil{}, Soil{0.4f, 1.5f, 0.2f}};
  c.bottom = fahrenheit(5.0);
  c.bottom_suction_cm = -100.0;  // where the second soil holds its water
  auto run = soil_column(c);
  for (int step = 0; step < 3000; ++step) {
    temperature(*run, 1) = fahrenheit(25.0);
    physics_step(*run);
  }
  const double k1 = oracle.at("soil_k_unfrozen") / 4, k2 = oracle.at("second_k_unfrozen") / 8;
  EXPECT_NEAR(celsius(*run, 5), (k1 * 25.0 + k2 * 5.0) / (k1 + k2), 1e-3);
}

// With no flux at the top, the water settles into hydrostatic equilibrium with
// the bottom node's pressure, for either retention form.
TEST(UnboundStep, HydrostaticSteadyState) {
  for (int form : {1, 2}) {
    Column c;
    c.form = form;
    c.bound = true;
    c.soils = {{"Soil", 20.0f, 1.0f, 21}};
    c.values = {Soil{0.3f, 1.8f, 0.15f, 100.0f}};
    c.bottom_suction_cm = -20.0;
    auto run = soil_column(c);
    for (int step = 0; step < 500; ++step) physics_step(*run);
    const engine::UnboundStep& s = run->unbound;
    for (int n = 3; n <= 23; ++n)
      EXPECT_NEAR(s.suction(n), -20.0 - (s.depth(23) - s.depth(n)), 1e-2) << form << " node " << n;
  }
}

// ---------------------------------------------------------------- edge cases

TEST(UnboundStep, EdgeCases) {
  // The relative-conductivity entry of a suction in kPa.
  for (auto [kpa, index] : {std::pair{1.0, 40}, {0.5, 36}, {1.0e6, 100}, {1.0e-5, 1}, {0.0, 1}})
    EXPECT_EQ(engine::conductivity_index(kpa), index) << kpa;

  const auto oracle = climate_test::oracle_values("heat_conduction.txt");
  EXPECT_NEAR(engine::frozen_suction_cm(-1.0), oracle.at("frozen_suction_1C"), 1e-6 * 93616);
  engine::UnboundLayer coarse;
  coarse.kersten_slope = 0.7f;
  EXPECT_NEAR(engine::kersten_number(coarse, 0.05f, 0.0f), 0.3f, 1e-6);

  auto run = soil_column(Column{});
  engine::UnboundStep& s = run->unbound;
  const auto& sl = s.layers(1);
  EXPECT_NEAR(engine::soil_thermal_conductivity(sl, 0.2f, 0.0f), oracle.at("soil_k_unfrozen"),
              1e-5 * 16.3);
  EXPECT_NEAR(engine::soil_thermal_conductivity(sl, 0.0f, oracle.at("full_ice")),
              oracle.at("soil_k_frozen"), 1e-5 * 8.4);

  // Nodes below the water table hold its hydrostatic pressure.
  run->work.water_table_feet(1) = 4.0;
  engine::unbound_units_in(*run);
  engine::apply_water_table(*run);
  for (int n : {50, 59, 60}) EXPECT_NEAR(s.suction(n), s.depth(n) - 4 * 30.48, 1e-4) << n;
  EXPECT_LT(s.suction(49), 0.0f);

  // Water 0.01 beyond the porosity, nodes 2 cm apart: 0.02 for the next step.
  for (int n = 1; n <= 61; ++n) s.depth(n) = 2.0f * static_cast<float>(n - 1);
  for (int n = 1; n < 61; ++n) s.spacing(n) = 2.0f;
  run->work.water_table_feet(1) = 100.0;
  s.suction(30) = 0.0f;
  s.latent_heat(30) = -0.8f;  // ice thawed
  engine::update_water_and_ice(*run);
  EXPECT_NEAR(run->work.moisture_work[2](30), 0.02f, 1e-6);
  EXPECT_EQ(run->node_state.node_water_content(30), 0.3f);

  // Water that would carry more heat than conduction, up or down, carries none.
  for (float rise : {3.0f, -3.0f}) {
    s.hydraulic.fill(1000.0f);
    s.thermal.fill(10.0f);
    for (int n = 1; n <= 61; ++n) s.suction(n) = rise * s.depth(n);
    engine::element_water_flux(*run);
    EXPECT_EQ(s.flux(30), 0.0f) << rise;
  }
}

// The moisture-index boundary's deep node lies more than 48 inches below the
// first implicit node, here at 60 inches: set from the deep soil's suction only
// while the water table lies below it.
TEST(UnboundStep, DeepNodeFollowsTheWaterTable) {
  Column c;
  c.form = 2;
  c.soils = {{"Soil", 120.0f, 12.0f, 11}};
  auto run = soil_column(c);
  ASSERT_EQ(run->unbound.deep_node, 6);
  const double deep = -engine::soil_suction(*run, 0.0f, 1, 4.0, 10.0);
  for (auto [feet, set] : {std::pair{4.0, false}, {6.0, true}}) {
    run->work.water_table_feet(1) = feet;
    engine::unbound_units_in(*run);
    run->unbound.suction(6) = -1.0f;
    engine::apply_top_boundary(*run);
    EXPECT_EQ(run->unbound.suction(6), set ? static_cast<float>(deep) : -1.0f) << feet;
  }
}

// ---------------------------------------------------------------- rainfall boundary

TEST(UnboundStep, RainfallBoundary) {
  Column c;
  c.bound = true;
  c.soils = {{"Soil", 20.0f, 1.0f, 21}};
  auto run = soil_column(c);
  ClimateRun& r = *run;
  r.climate_simulation_common.moisture_index_choice = 0;
  r.climate_simulation_common.climate_record_form = 0;
  // Drains linearly to 95 % over 60 hours.
  for (int p = 1; p <= 60; ++p) {
    r.drainage_curve.hours(p) = p;
    r.drainage_curve.degree(p) = 0.95 * p / 60;
  }
  r.drainage_curve.computed = true;
  engine::InfiltrationState& st = r.unbound.infiltration;
  st.rate = 0.3;
  for (int h = 1; h <= 24; ++h) r.work.hourly_temperature(h, 1) = 40.0;
  r.work.hourly_precipitation(1, 1) = 0.3;   // 3r
  r.work.hourly_precipitation(2, 1) = 0.02;  // r: full
  const int first = r.first_implicit_node;
  // Hour by hour: the state after the hour, and the top suction it leaves.
  auto hour = [&](int k) {
    for (int step = 1; step <= 10; ++step) {
      r.step_counter = 10 * (k - 1) + step;
      engine::unbound_units_in(r);
      r.unbound.suction(first) = -50.0f;
      engine::apply_top_boundary(r);
      ASSERT_TRUE(st.saturation >= 0.0 && st.saturation <= 1.0);
    }
  };
  hour(1);
  EXPECT_NEAR(st.saturation, 0.9, 1e-12);
  EXPECT_EQ(r.unbound.suction(first), -100.0f);
  hour(2);
  EXPECT_EQ(st.saturation, 1.0);
  EXPECT_EQ(st.curve_hours, 0.0);
  double previous = 1.0;
  int k = 2;
  while (st.saturation > 0.0 && k < 24) {
    hour(++k);
    EXPECT_LT(st.saturation, previous);
    EXPECT_EQ(r.unbound.suction(first), st.saturation > 0.0 ? -100.0f : -50.0f);
    previous = st.saturation;
  }
  // Dry once below what the curve's 20th point leaves (0.6833): after 20 hours.
  EXPECT_EQ(k, 23);

  // Without a pavement an hour of 0.03 inch saturates the surface, which then
  // relaxes towards hydrostatic over the bottom.
  Column bare;
  bare.soils = {{"Soil", 20.0f, 1.0f, 21}};
  auto open = soil_column(bare);
  open->climate_simulation_common.moisture_index_choice = 0;
  open->climate_simulation_common.climate_record_form = 0;
  open->work.hourly_precipitation(1, 1) = 0.03;
  std::vector<float> top;
  for (int step = 1; step <= 30; ++step) {
    open->step_counter = step;
    engine::unbound_units_in(*open);
    engine::apply_top_boundary(*open);
    if (step % 10 == 0) top.push_back(open->unbound.suction(1));
  }
  const float hydrostatic = -50.0f - 20.0f * 2.54f;
  EXPECT_EQ(top[0], 0.0f);
  EXPECT_NEAR(top[1], 0.002f * hydrostatic, 1e-4);  // dries by 0.04 x 0.05 an hour
  EXPECT_NEAR(top[2], 0.004f * hydrostatic, 1e-4);

  // The moisture-index boundary keeps no infiltration state.
  open->climate_simulation_common.moisture_index_choice = 1;
  open->unbound.infiltration = {};
  for (int step = 1; step <= 10; ++step) {
    open->step_counter = step;
    engine::apply_top_boundary(*open);
  }
  EXPECT_EQ(open->unbound.infiltration, engine::InfiltrationState{});
}

}  // namespace
