// The frost scans and the modulus update of an output point: frost depths of
// linear profiles against their crossings, the modulus factor against
// tools/oracles/heat_conduction_oracle.py, and the recovery after a thaw.

#include "engine/climate/frost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "climate_test_support.h"
#include "engine/climate/layer_grid.h"

namespace {

using engine::ClimateRun;

constexpr float kFreeze = 30.2f;

// 2 inches of asphalt over 40 inches of soil at 1-inch nodes (43 nodes).
std::unique_ptr<ClimateRun> frost_run() {
  auto run = climate_test::layered_run({{"Asphalt", 2.0f, 0, 3}, {"Soil", 40.0f, 1.0f, 43}});
  run->climate_simulation_common.surface_constants(engine::kFreezeBandBottom) = kFreeze;
  engine::setup_layer_grid(*run);
  auto& lp = run->layer_properties;
  lp.soil_porosity(2) = 0.3f;
  lp.initial_water_content(2) = 0.2f;
  lp.passing_200(2) = 10.0f;
  lp.frozen_modulus(2) = 50.0f;
  lp.unfrozen_modulus(2) = 0.5f;  // the thaw factor
  lp.recovery_days(2) = 90.0f;
  for (int n = 1; n <= 43; ++n) run->node_state.node_water_content(n) = 0.2f;
  return run;
}

void linear_profile(ClimateRun& run, float top, float per_inch) {
  for (int n = 1; n <= 43; ++n)
    run.node_state.node_temperature(n) = top + per_inch * run.node_state.node_depth(n);
}

TEST(FrostDepths, LinearProfiles) {
  struct Case {
    const char* what;
    float top, per_inch;
    float from_top, from_bottom;
  };
  const Case cases[] = {
      {"warm top", 40.0f, -0.5f, (kFreeze - 40.0f) / -0.5f, 42.0f},
      {"cold top", 20.0f, 0.5f, 0.0f, (kFreeze - 20.0f) / 0.5f},
      {"all above freezing", 40.0f, 0.1f, 42.0f, 0.0f},
  };
  for (const Case& c : cases) {
    auto run = frost_run();
    linear_profile(*run, c.top, c.per_inch);
    EXPECT_NEAR(engine::frost_depth_from_top(*run), c.from_top, 1e-4) << c.what;
    EXPECT_NEAR(engine::frost_depth_from_bottom(*run), c.from_bottom, 1e-4) << c.what;
  }
}

TEST(ModulusFactor, AgainstTheOracle) {
  const auto oracle = climate_test::oracle_values("heat_conduction.txt");
  for (auto [name, p200] : {std::pair{"coarse", 10.0f}, {"fine", 60.0f}}) {
    const std::string key = std::string("modulus_") + name;
    EXPECT_NEAR(engine::moisture_modulus_factor(0.6f, 0.6f, p200), 1.0f, 1e-6) << name;
    for (auto [label, saturation] : {std::pair{"_drier", 0.4f},
                                     {"_wetter", 0.8f},
                                     {"_dry_limit", -50.0f},
                                     {"_wet_limit", 50.0f}}) {
      const double expected = oracle.at(key + label);
      EXPECT_NEAR(engine::moisture_modulus_factor(saturation, 0.6f, p200), expected,
                  2e-6 * expected)
          << key << label;
    }
  }
}

// A node freezes on day 5 and thaws on day 10; checked daily, it has been
// recovering for 30 days on day 40.
TEST(ModulusAfterThaw, RecoversOverItsPeriod) {
  auto run = frost_run();
  const float factor = engine::moisture_modulus_factor(0.2f / 0.3f, 0.2f / 0.3f, 10.0f);
  struct Case {
    float recovery_days;
    float expected;
  };
  for (const Case c : {Case{90.0f, factor * (0.5f + 30.0f / 90.0f * 0.5f)}, Case{0.0f, factor}}) {
    run->layer_properties.recovery_days(2) = c.recovery_days;
    for (int day = 1; day <= 40; ++day) {
      run->day_index = day;
      linear_profile(*run, day >= 5 && day < 10 ? 20.0f : 40.0f, 0.0f);
      engine::track_frost_state(*run);
      engine::update_node_modulus(*run);
      if (day == 1 || day == 7) {  // unfrozen on day 1, frozen on day 7
        EXPECT_EQ(run->node_state.node_modulus(20), day == 1 ? 0.5f : 50.0f);
      }
    }
    EXPECT_EQ(run->frost.days_since_thaw(20), 30.0f);
    EXPECT_NEAR(run->node_state.node_modulus(20), c.expected, 1e-6) << c.recovery_days;
    // The bound layers and the last bound node keep no frost state.
    EXPECT_EQ(run->node_state.node_modulus(3), 0.0f);
  }
}

}  // namespace
