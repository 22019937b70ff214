// The surface energy balance: air temperature, net flux and convection at the
// pavement surface, against closed forms (tools/oracles/heat_conduction_oracle.py
// for the coefficients, the parabola's integral for the solar gain).

#include "engine/climate/surface_energy_balance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "climate_test_support.h"

namespace {

using engine::ClimateRun;

constexpr float kCap = 20.2267f;

// Two days of hourly records at 60 deg F, a 10 mph wind and full sunshine, the
// sun from 6 to 18 h, the surface at 60 deg F, the front end's site constants,
// at hour 3 of day 1.
std::unique_ptr<ClimateRun> balance_run() {
  auto run = std::make_unique<ClimateRun>();
  run->period_control.day_count = 2;
  engine::ClimateWork& w = run->work;
  w.create(2, 0);
  for (int d = 1; d <= 2; ++d) {
    for (int k = 1; k <= 24; ++k) {
      w.hourly_temperature(k, d) = 60.0;
      w.hourly_value_3(k, d) = 10.0;
      w.hourly_value_4(k, d) = 100.0;
    }
    w.sunrise_hour(d) = 6.0;
    w.sunset_hour(d) = 18.0;
    w.daily_radiation(d) = 600.0;
  }
  const float constants[] = {kCap, 0.93f, 0.85f, 52.0f, 0.5f, 0.77f, 0.28f,
                             3.0f, 0.85f, 4.0f,  15.0f, 32.0f, 30.2f, 1.0f};
  for (int i = 1; i <= 14; ++i) run->climate_simulation_common.surface_constants(i) = constants[i - 1];
  run->node_state.node_temperature(1) = 60.0f;
  run->day_index = 1;
  run->hour_of_day = 3.0f;
  return run;
}

// The flux with no solar gain: the long-wave loss at full sunshine.
float night_flux() {
  auto run = balance_run();
  engine::surface_energy_balance(*run);
  return run->surface_heat_flux;
}

struct BalanceCase {
  const char* name;
  std::function<void(ClimateRun&)> edit;
  std::function<void(const ClimateRun&)> expect;
};

void PrintTo(const BalanceCase& c, std::ostream* os) { *os << c.name; }

class SurfaceBalance : public ::testing::TestWithParam<BalanceCase> {};

TEST_P(SurfaceBalance, Cases) {
  const BalanceCase& c = GetParam();
  auto run = balance_run();
  c.edit(*run);
  engine::surface_energy_balance(*run);
  c.expect(*run);
  EXPECT_EQ(run->climate_simulation_common.surface_constants(engine::kSurfaceStepFactor), 5.0f);
}

auto at_hour(float u) {
  return [u](ClimateRun& run) { run.hour_of_day = u; };
}

void no_gain(const ClimateRun& run) { EXPECT_EQ(run.surface_heat_flux, night_flux()); }

const BalanceCase kBalanceCases[] = {
    {"EqualTemperaturesAtNight", [](ClimateRun&) {},
     [](const ClimateRun& run) {
       const auto oracle = climate_test::oracle_values("heat_conduction.txt");
       const double h = oracle.at("convection_60F_10mph");
       const double long_wave = oracle.at("long_wave_60F");
       EXPECT_EQ(run.air_temperature, 60.0f);
       EXPECT_NEAR(run.convection_coefficient, h, 1e-4 * h);
       EXPECT_NEAR(run.surface_heat_flux, -long_wave, 1e-4 * long_wave);
     }},
    {"ConvectionCapped",
     [](ClimateRun& run) {
       for (int k = 1; k <= 24; ++k) run.work.hourly_value_3(k, 1) = 1000.0;
     },
     [](const ClimateRun& run) { EXPECT_EQ(run.convection_coefficient, kCap); }},
    {"NegativeWindIsCalm",
     [](ClimateRun& run) {
       for (int k = 1; k <= 24; ++k) run.work.hourly_value_3(k, 1) = -5.0;
     },
     [](const ClimateRun& run) { EXPECT_EQ(run.convection_coefficient, 0.0f); }},
    {"NoGainAtSunrise", at_hour(6.0f), no_gain},
    {"NoGainAtSunset", at_hour(18.0f), no_gain},
    {"NoGainWhenTheSunRisesAfterItSets",
     [](ClimateRun& run) {
       run.work.sunrise_hour(1) = 12.0;
       run.work.sunset_hour(1) = 10.0;
       run.hour_of_day = 11.0f;
     },
     no_gain},
    {"HalfwayToTheNextDaysFirstRecord",
     [](ClimateRun& run) {
       run.work.hourly_temperature(24, 1) = 50.0;
       run.work.hourly_temperature(1, 2) = 70.0;
       run.hour_of_day = 23.5f;
     },
     [](const ClimateRun& run) { EXPECT_EQ(run.air_temperature, 60.0f); }},
    {"HalfwayToTheSameDaysFirstRecordOnTheLastDay",
     [](ClimateRun& run) {
       run.work.hourly_temperature(24, 2) = 40.0;
       run.work.hourly_temperature(1, 2) = 80.0;
       run.day_index = 2;
       run.hour_of_day = 23.5f;
     },
     [](const ClimateRun& run) { EXPECT_EQ(run.air_temperature, 60.0f); }},
};

INSTANTIATE_TEST_SUITE_P(Table, SurfaceBalance, ::testing::ValuesIn(kBalanceCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Over a day of half steps, hours added up as the run adds them, the gain sums
// to the daily radiation times the sunshine and absorptivity factors.
TEST(SurfaceBalance, SolarGainOverADayIsTheDailyRadiation) {
  struct Day {
    double sunshine, radiation, sunrise, sunset;
  };
  for (const Day& day : {Day{50, 600, 6.2, 18.7}, Day{0, 350, 7.5, 16.6}, Day{100, 820, 4.9, 19.4}}) {
    auto run = balance_run();
    engine::ClimateWork& w = run->work;
    for (int k = 1; k <= 24; ++k) w.hourly_value_4(k, 1) = day.sunshine;
    w.daily_radiation(1) = day.radiation;
    w.sunrise_hour(1) = day.sunrise;
    w.sunset_hour(1) = day.sunset;
    run->hour_of_day = 0.5f;  // before sunrise: the flux without gain
    engine::surface_energy_balance(*run);
    const double without_gain = run->surface_heat_flux;

    double sum = 0;
    run->hour_of_day = 0.0f;
    for (int k = 0; k < 480; ++k) {
      run->hour_of_day += 0.05f;
      engine::surface_energy_balance(*run);
      sum += (run->surface_heat_flux - without_gain) * 0.05;
    }
    const double expected = (0.202 + 0.539 * day.sunshine / 100) * 0.85 * day.radiation;
    EXPECT_NEAR(sum, expected, 0.005 * expected) << day.sunshine;
  }
}

// The daily form: the air temperature is continuous at the hours of the
// minimum and maximum and across midnight, and every form but 0 reads it.
TEST(SurfaceBalance, DailyFormIsContinuous) {
  for (int form : {1, 2}) {
    auto run = balance_run();
    run->climate_simulation_common.climate_record_form = form;
    engine::ClimateWork& w = run->work;
    w.daily_value_1(1) = 80.0;  // maxima
    w.daily_value_1(2) = 90.0;
    w.daily_value_2(1) = 60.0;  // minima
    w.daily_value_2(2) = 50.0;
    auto air = [&](int day, float u) {
      run->day_index = day;
      run->hour_of_day = u;
      engine::surface_energy_balance(*run);
      return run->air_temperature;
    };
    const float tmin = 4.0f, tmax = 15.0f, step = 1.0e-3f;
    for (int day : {1, 2}) {
      EXPECT_NEAR(air(day, tmin), w.daily_value_2(day), 1e-4) << form;
      EXPECT_NEAR(air(day, tmin + step), air(day, tmin), 0.01) << form;
      EXPECT_NEAR(air(day, tmax), w.daily_value_1(day), 1e-4) << form;
      EXPECT_NEAR(air(day, tmax + step), air(day, tmax), 0.01) << form;
    }
    EXPECT_NEAR(air(1, 24.0f), air(2, 0.0f), 1e-4) << form;
    // Day 1 starts from its own maximum; the last day ends towards its own minimum.
    EXPECT_NEAR(air(1, 0.0f), 80.0 + (24 - tmax) * (60.0 - 80.0) / (24 - tmax + tmin), 1e-4);
    EXPECT_NEAR(air(2, 24.0f), 90.0 + (24 - tmax) * (50.0 - 90.0) / (24 - tmax + tmin), 1e-4);
  }
}

}  // namespace
