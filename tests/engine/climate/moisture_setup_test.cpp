// The moisture set-up of the unbound layers, on structures read through the
// input phase: expected values by hand from the set-up's formulas and, for the
// front end's soils, from tools/oracles/soil_water_oracle.py (its initial
// suctions, quoted here).

#include "engine/climate/moisture_setup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/climate_simulation.h"
#include "engine/climate/simulation_steps.h"
#include "engine/climate/soil_water.h"
#include "engine/temp_project.h"
#include "platform/stop.h"

namespace {

using climate_test::TempProject;
using engine::ClimateRun;

// Every daily record's water table (its last value) set to `feet`.
std::string with_water_table(const std::string& text, double feet) {
  std::istringstream in(text);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    int count = 0;
    for (std::string f; fields >> f;) ++count;
    if (count == 12) line = line.substr(0, line.rfind(' ') + 1) + std::to_string(feet);
    out += line + "\n";
  }
  return out;
}

std::string with_record(std::string text, int record, const std::string& value) {
  std::size_t at = 0;
  for (int k = 1; k < record; ++k) at = text.find('\n', at) + 1;
  text.replace(at, text.find('\n', at) - at, value);
  return text;
}

double psi_of_cm(double cm) { return cm / 70.32361; }

// The edge cases of the set-up, each on the front end's structure with a few
// values changed. Depths: base nodes 8-12 at 8, 10, 12, 14, 16 inches.
TEST(MoistureSetup, EdgeCases) {
  struct Case {
    const char* what;
    std::string text;
    void (*edit)(ClimateRun&);
    void (*check)(const ClimateRun&);
  };
  const std::string front_end = climate_test::front_end_text(true, 2);
  auto edited = [&](std::vector<std::pair<std::pair<const char*, int>, double>> records,
                    double table_feet = 50.0) {
    std::string text = with_water_table(front_end, table_feet);
    for (const auto& [record, value] : records)
      climate_test::set_record(text, record.first, record.second, value);
    return text;
  };
  const Case cases[] = {
      {"the front end's soils", front_end, nullptr,
       [](const ClimateRun& run) {
         const engine::LayerProperties& lp = run.layer_properties;
         EXPECT_FLOAT_EQ(lp.frozen_modulus(2), 25.0f);
         EXPECT_FLOAT_EQ(lp.frozen_modulus(3), 1.0e6f / 8500.0f);
         EXPECT_EQ(lp.unfrozen_modulus(2), 0.4f);
         EXPECT_EQ(lp.recovery_days(2), 150.0f);
         EXPECT_EQ(lp.saturated_permeability(2), 968.466f);  // above the subgrade's
         EXPECT_EQ(run.work.water_table_feet(1), 50.0);
       }},
      {"frozen modulus ratios 20 and 50; permeability 1.0 raised to 2.02",
       edited({{{"Frozen Modulus", 1}, 50000},
               {{"Frozen Modulus", 2}, 50000},
               {{"Plasticity(PI)", 2}, 0},
               {{"Saturated Permeability", 1}, 1.0},
               {{"Saturated Permeability", 2}, 2.0}}),
       nullptr,
       [](const ClimateRun& run) {
         EXPECT_EQ(run.layer_properties.frozen_modulus(2), 20.0f);
         EXPECT_EQ(run.layer_properties.frozen_modulus(3), 50.0f);
         EXPECT_EQ(run.layer_properties.saturated_permeability(2), 2.02f);
       }},
      {"permeability 3.0 above 2.0 kept",
       edited({{{"Saturated Permeability", 1}, 3.0}, {{"Saturated Permeability", 2}, 2.0}}),
       nullptr,
       [](const ClimateRun& run) {
         EXPECT_EQ(run.layer_properties.saturated_permeability(2), 3.0f);
       }},
      {"a node exactly at the water table", edited({}, 1.0), nullptr,
       [](const ClimateRun& run) {
         const auto& s = run.node_state.node_suction;
         EXPECT_EQ(s(10), 0.0f);  // 12 inches
         EXPECT_NEAR(s(11), 2 * 2.54 * 0.09804, 1e-5);
         EXPECT_LT(s(9), -1.0f);  // from the table
       }},
      {"a bound \"ATB\" layer has no table column", climate_test::front_end_text(true, 2),
       [](ClimateRun& run) {
         run.layer_names.layer_names(2) = "ATB";
         run.simulation_counts.section_counts(2) = 1;
         run.simulation_counts.section_count_total = 2;
         run.first_implicit_node = 12;
       },
       [](const ClimateRun& run) {
         for (int n = 8; n <= 11; ++n) {
           EXPECT_EQ(run.node_state.node_suction(n), 0.0f) << n;
           EXPECT_EQ(run.node_state.node_water_content(n), 0.0f) << n;
         }
         // The first implicit node reads the natural subgrade's form.
         EXPECT_EQ(run.node_state.node_water_content(12), 0.273166f);
         EXPECT_LT(run.node_state.node_suction(13), -20.0f);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempProject project;
    auto run = climate_test::gridded_run(project, c.text);
    if (c.edit) c.edit(*run);
    engine::set_up_soil_moisture(*run);
    engine::set_initial_water_contents(*run);
    c.check(*run);
  }
}

// The two-parameter form: retention_form 0 fits the parameters by material name
// (fines content 4.5 percent), retention_form 1 turns the values read into
// pressures. Layers: Asphalt 4 inches (nodes 1-5), "A-1" 8 inches at 2 (nodes
// 6-9 at 6-12 inches), "a-1" 12 inches at 4 (nodes 10-12 at 16-24 inches); the
// water table 1 foot down, at node 9.
TEST(MoistureSetup, TwoParameterForm) {
  climate_test::InputText input;
  input.record9 = "3 11 0.1 1\n";
  input.layers = climate_test::asphalt_layer(4.0, 5) +
                 climate_test::soil_layer("A-1", 8.0, 2.0, 9) +
                 climate_test::soil_layer("a-1", 12.0, 4.0, 12);
  climate_test::set_record(input.layers, "Value 4", 1, 0.3);  // porosity
  climate_test::set_record(input.layers, "Value 4", 2, 0.4);
  climate_test::set_record(input.layers, "Value 11", 1, 0.5);  // water-content exponent
  climate_test::set_record(input.layers, "Value 11", 2, 2.0);
  climate_test::set_record(input.layers, "Value 10", 1, 1.0e-3);  // water-content multiplier
  climate_test::set_record(input.layers, "Value 10", 2, 0.0);
  input.nodes.clear();
  for (int n = 1; n <= 12; ++n) input.nodes += "50 0\n";
  input.days = with_water_table(input.days, 1.0);
  const std::vector<float> depths_cm = {0, 2.54f, 5.08f, 7.62f, 10.16f, 15.24f, 20.32f, 25.4f, 30.48f,
                                        40.64f, 50.8f, 60.96f};

  for (const std::string fines : {"4.5", "12"}) {
    SCOPED_TRACE("fitted, fines " + fines);
    const TempProject project;
    std::string text = input.text();
    text.replace(text.find("2 4.5 90.5 5"), 12, "2 " + fines + " 90.5 5");
    auto run = climate_test::gridded_run(project, with_record(text, 2, "0"), 4.0f);
    engine::set_up_soil_moisture(*run);
    engine::set_initial_water_contents(*run);
    const engine::LayerProperties& lp = run->layer_properties;
    const bool coarse = fines == "4.5";
    // "A-1": every value read is 0, so w = 0.001; mean height 7.62 cm above the table.
    const double n2 = coarse ? 0.3 : 0.4;
    EXPECT_FLOAT_EQ(lp.gardner_water_exponent(2), static_cast<float>(n2));
    EXPECT_FLOAT_EQ(lp.gardner_k_exponent(2), coarse ? 2.645f : 2.844f);
    EXPECT_FLOAT_EQ(lp.gardner_k_multiplier(2), 1.0e-5f);
    EXPECT_NEAR(lp.gardner_water_multiplier(2) / ((0.3 - 0.001) / (0.001 * std::pow(7.62, n2))),
                1.0, 1e-5);
    // "a-1" falls to the last name row; its nodes lie below the table, so |x| = 1.
    EXPECT_FLOAT_EQ(lp.gardner_water_exponent(3), 0.85f);
    EXPECT_FLOAT_EQ(lp.gardner_k_exponent(3), 3.04f);
    EXPECT_NEAR(lp.gardner_water_multiplier(3), (0.4 - 0.001) / 0.001, 1e-2);
    // Hydrostatic pressures in psi; 0 in the asphalt and at the table.
    for (int n = 1; n <= 12; ++n) {
      const double expected = n <= 5 ? 0.0 : psi_of_cm(depths_cm[n - 1] - 30.48);
      EXPECT_NEAR(run->node_state.node_suction(n), expected, 1e-5) << n;
    }
    EXPECT_EQ(run->node_state.node_suction(9), 0.0f);
    EXPECT_NEAR(run->work.daily_value_9(2), psi_of_cm(60.96 - 30.48), 1e-6);
    // The first implicit node saturated; node 6 on the fitted curve at 15.24 cm.
    EXPECT_EQ(run->node_state.node_water_content(5), 0.3f);
    EXPECT_NEAR(run->node_state.node_water_content(6),
                0.3 / (1 + lp.gardner_water_multiplier(2) * std::pow(15.24, n2)), 1e-6);
  }

  {
    SCOPED_TRACE("as read");
    const TempProject project;
    // The values read are water contents in percent.
    input.nodes.clear();
    for (double w : {0, 0, 0, 0, 0, 10, 35, 0, 5, 20, 0, 0})
      input.nodes += "50 " + std::to_string(w) + "\n";
    auto run = climate_test::gridded_run(project, with_record(input.text(), 2, "1"), 4.0f);
    engine::set_up_soil_moisture(*run);
    engine::set_initial_water_contents(*run);
    const auto& s = run->node_state.node_suction;
    // Node 6 holds 10 percent: (0.3 - 0.1) / (1e-3 x 0.1) = 2000, squared 4.0e6 cm.
    EXPECT_NEAR(s(6), psi_of_cm(-4.0e6), 1.0);
    EXPECT_NEAR(run->node_state.node_water_content(6), 0.1, 1e-6);
    EXPECT_EQ(s(7), 0.0f);  // 35 percent is above the porosity: saturated
    EXPECT_EQ(s(8), 0.0f);  // 0 percent
    EXPECT_NEAR(s(10), psi_of_cm(40.64 - 30.48), 1e-6);  // below the table
  }
}

TEST(MoistureSetup, RefusesLayersWithoutACurve) {
  const std::string front_end = climate_test::front_end_text(true, 2);
  auto with = [&](const char* label, int occurrence, double value) {
    std::string text = front_end;
    climate_test::set_record(text, label, occurrence, value);
    return text;
  };
  struct Case {
    std::string text;
    void (*edit)(ClimateRun&);
    std::string message;
  };
  const std::string file = "Input error in \"C:\\proj\\input.tmp\", ";
  const Case cases[] = {
      {with("Porosity", 2, 0), nullptr,
       "record 5 of layer 3 (\"Natural\"): porosity 0.0; it must be above 0"},
      {with("Fredlund (a)Factor", 1, 0), nullptr,
       "record 13 of layer 2 (\"Base\"): Fredlund factor a 0.0; it must be above 0"},
      {with("Fredlund (b)Factor", 2, -1), nullptr,
       "record 14 of layer 3 (\"Natural\"): Fredlund factor b -1.0; it must be above 0"},
      {with("Fredlund (c)Factor", 1, 0), nullptr,
       "record 15 of layer 2 (\"Base\"): Fredlund factor c 0.0; it must be above 0"},
      {with("Fredlund (hr)Factor", 2, 0), nullptr,
       "record 16 of layer 3 (\"Natural\"): Fredlund factor hr 0.0; it must be above 0"},
      {with("Frozen Modulus", 1, 0), nullptr,
       "record 6 of layer 2 (\"Base\"): frozen modulus 0.0; it must be above 0"},
      {with_record(front_end, 2, "1"), nullptr,
       "record 12 of layer 2 (\"Base\"): Gardner water-content exponent 0.0; it must be above 0"},
      {with("Unit Weight", 3, 0), nullptr,
       "record 2 of layer 3 (\"Natural\"): unit weight 0.0; it must be above 0"},
      // The least float whose dry-conductivity denominator 2700 - 0.947 rho_d is 0.
      {with("Unit Weight", 3, 177.98593), nullptr,
       "record 2 of layer 3 (\"Natural\"): unit weight 177.98593; with a d60 of 10 mm or less "
       "it must be below 177.98"},
      {with("Saturated Permeability", 2, -1), nullptr,
       "record 8 of layer 3 (\"Natural\"): saturated permeability -1.0; it must be 0 or more"},
      {front_end, [](ClimateRun& run) { run.layer_names.layer_names(3) = "ATB"; },
       "layer 3 (\"ATB\"): a bound material below the 1 bound layer(s) of record 8 has no soil "
       "values; an unbound layer needs them"},
  };
  for (const Case& c : cases) {
    const TempProject project;
    auto run = climate_test::gridded_run(project, c.text);
    if (c.edit) c.edit(*run);
    try {
      engine::set_up_soil_moisture(*run);
      ADD_FAILURE() << "no stop: " << c.message;
    } catch (const platform::RunStop& stop) {
      EXPECT_EQ(stop.status(), 1);
      EXPECT_EQ(stop.message(), file + c.message);
    }
  }
}

// ---------------------------------------------------------------- through the run

// The simulation's own material set-up and initial water; nothing else moves.
class SetUpOnlySteps final : public engine::SimulationSteps {
 public:
  std::vector<double> bottom_pressures;

  void set_up_materials(ClimateRun& run) override { defaults_.set_up_materials(run); }
  void set_initial_water(ClimateRun& run) override { defaults_.set_initial_water(run); }
  void evaluate_drainage(ClimateRun&) override {}
  void before_day_loop(ClimateRun& run) override {
    const auto days = run.work.daily_value_9.all();
    bottom_pressures.assign(days.begin(), days.end());
  }
  void solved_step(ClimateRun&) override {}
  void output_point(ClimateRun&) override {}

 private:
  engine::DefaultSimulationSteps defaults_;
};

// The front end's structure, every result file written, over 2 days: the first
// records carry the initial state.
TEST(MoistureSetup, ThroughTheRun) {
  TempProject project;
  std::filesystem::create_directories(project.project() / "tmp");
  project.write_input(climate_test::front_end_text(false, 2, 0));
  SetUpOnlySteps steps;
  std::string message;
  ASSERT_EQ(engine_test::stop_status(
                [&] {
                  engine::run_climate_simulation_with(steps, 6.0f, 0.0f, TempProject::directory(),
                                                      "C:\\proj\\tmp\\thermal.tmp");
                },
                &message),
            0)
      << message;

  // 360 inches down, 50 feet of water table: (914.4 - 1524) / 70.32361 psi.
  ASSERT_EQ(steps.bottom_pressures.size(), 2u);
  for (double p : steps.bottom_pressures) EXPECT_NEAR(p, -8.6685, 1e-4);

  // Hour 00 of day 1: 69 values after the day, E10.3 and F6.3.
  const std::string por = climate_test::lines_of(TempProject::read(project.project() / ".por"))[0];
  const std::string wat = climate_test::lines_of(TempProject::read(project.project() / ".wat"))[0];
  ASSERT_EQ(por.size(), 4u + 69 * 10);
  ASSERT_EQ(wat.size(), 4u + 69 * 6);
  for (int n = 1; n <= 69; ++n) {
    const std::string p = por.substr(4 + 10 * static_cast<std::size_t>(n - 1), 10);
    const std::string w = wat.substr(4 + 6 * static_cast<std::size_t>(n - 1), 6);
    const bool asphalt = n <= 7, base = n <= 12;
    EXPECT_EQ(p, asphalt ? " 0.000E+00" : base ? "-0.522E+01" : "-0.292E+02") << n;
    EXPECT_EQ(w, n < 7 ? " 0.000" : n == 7 ? " 0.292" : base ? " 0.222" : " 0.191") << n;
  }
}

}  // namespace
