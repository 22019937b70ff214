// The Thornthwaite moisture index: the formula on a twelve-month table, and its
// placement over the days by prepare_climate_input. Expected values are hand
// calculations (Python, double precision) of the formulas.

#include "engine/climate/moisture_index.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/climate/climate_run.h"

namespace {

using engine::MonthClimate;
using engine::TwelveMonthTable;

TwelveMonthTable uniform_year(double temperature_c, double daylight, double rain_cm) {
  TwelveMonthTable t;
  for (int m = 1; m <= 12; ++m) t(m) = MonthClimate{temperature_c, daylight, rain_cm};
  return t;
}

TEST(ThornthwaiteIndex, HandCalculatedYear) {
  // I = 12 * 2^1.514, a = 1.04319, PE = 19.2 * (100 / I)^a = 58.6743 cm.
  const auto r = engine::thornthwaite_index(uniform_year(10.0, 12.0, 10.0));
  ASSERT_TRUE(r.computed);
  EXPECT_NEAR(r.heat_index, 34.2721, 1e-3);
  EXPECT_NEAR(r.exponent, 1.043193f, 1e-5);
  EXPECT_NEAR(r.potential_evapotranspiration, 58.6743, 1e-3);
  EXPECT_EQ(r.precipitation, 120.0);
  EXPECT_NEAR(r.moisture_index, 88.3892f, 1e-3);
}

TEST(ThornthwaiteIndex, PrecipitationEqualToEvapotranspirationGivesTen) {
  TwelveMonthTable t = uniform_year(0.0, 11.0, 0.0);
  const double temperatures[] = {-5, -2, 3, 8, 14, 19, 23, 22, 17, 10, 4, -1};
  for (int m = 1; m <= 12; ++m) t(m).temperature_c = temperatures[m - 1];
  const auto dry = engine::thornthwaite_index(t);
  ASSERT_TRUE(dry.computed);
  EXPECT_EQ(dry.moisture_index, -65.0f);  // P = 0
  t(7).precipitation_cm = dry.potential_evapotranspiration;
  const auto balanced = engine::thornthwaite_index(t);
  EXPECT_EQ(balanced.moisture_index, 10.0f);
}

TEST(ThornthwaiteIndex, NoIndexWithoutWarmthOrDaylight) {
  for (const TwelveMonthTable& t : {uniform_year(0.0, 12.0, 5.0), uniform_year(-8.0, 12.0, 5.0),
                                    uniform_year(10.0, 0.0, 5.0)}) {
    const auto r = engine::thornthwaite_index(t);
    EXPECT_FALSE(r.computed);
    EXPECT_FALSE(std::isnan(r.moisture_index));
  }
}

// Precipitation that is finite in double but whose index leaves single
// precision gives no index, as no NaN or infinity may reach daily_tmi.
TEST(ThornthwaiteIndex, NoIndexBeyondSinglePrecision) {
  const auto r = engine::thornthwaite_index(uniform_year(10.0, 12.0, 1e39));
  EXPECT_FALSE(r.computed);
  EXPECT_TRUE(std::isfinite(r.moisture_index));
}

// A daily-form work table from 1 August 2000 with the same weather every day.
engine::ClimateWork steady_days(int day_count, double temperature_f, double rain_in) {
  engine::ClimateWork w;
  w.create(day_count, 1);
  int year = 2000, month = 8, day = 1;
  const int month_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int d = 1; d <= day_count; ++d) {
    w.calendar_month(d) = month;
    w.calendar_day(d) = day;
    w.calendar_year(d) = year;
    w.daily_value_1(d) = temperature_f;
    w.daily_value_2(d) = temperature_f;
    w.daily_precipitation(d) = rain_in;
    w.sunrise_hour(d) = 6.0;
    w.sunset_hour(d) = 18.0;
    const bool leap = year % 4 == 0;
    if (++day > month_days[month - 1] + (month == 2 && leap ? 1 : 0)) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  return w;
}

TEST(PrepareClimateInput, SteadyClimateGivesOneIndexEverywhere) {
  // 50 deg F = 10 deg C, 12 hours of daylight, 0.1 inch a day: P = 92.71 cm over
  // the 365 days of every twelve months, so every index is 53.5059.
  engine::ClimateWork w = steady_days(800, 50.0, 0.1);
  w.daily_tmi.fill(-1.0);
  engine::prepare_climate_input(w, 1);
  for (int d = 1; d <= 800; ++d) ASSERT_NEAR(w.daily_tmi(d), 53.5059, 1e-3) << d;
}

TEST(PrepareClimateInput, FirstIndexAtTheYearsEndAndMeanBefore) {
  // A wetter second year: the first index (1 August 2001, day 366) is the mean of
  // all indices, like every day before it; later days carry the latest index.
  engine::ClimateWork w = steady_days(500, 50.0, 0.1);
  for (int d = 366; d <= 500; ++d) w.daily_precipitation(d) = 0.3;
  engine::prepare_climate_input(w, 1);
  const double mean = w.daily_tmi(1);
  EXPECT_EQ(w.daily_tmi(365), mean);
  EXPECT_EQ(w.daily_tmi(366), mean);
  EXPECT_GT(mean, 53.51);                        // the mean includes the wetter indices
  EXPECT_NEAR(w.daily_tmi(367), 53.5059, 1e-3);  // August 2001 carries the first index
  EXPECT_EQ(w.daily_tmi(396), w.daily_tmi(367));
  EXPECT_GT(w.daily_tmi(397), 53.6);              // 1 September 2001: a wet August is in the table
  EXPECT_GT(w.daily_tmi(427), w.daily_tmi(397));  // 1 October 2001
}

TEST(PrepareClimateInput, FewerThanTwelveMonthsLeaveEveryDayAtZero) {
  engine::ClimateWork w = steady_days(360, 50.0, 0.1);
  w.daily_tmi.fill(5.0);
  engine::prepare_climate_input(w, 1);
  for (int d = 1; d <= 360; ++d) ASSERT_EQ(w.daily_tmi(d), 0.0) << d;
}

TEST(PrepareClimateInput, FrozenYearsGiveZeroAndNoNaN) {
  engine::ClimateWork w = steady_days(800, 20.0, 0.1);
  engine::prepare_climate_input(w, 1);
  for (int d = 1; d <= 800; ++d) ASSERT_EQ(w.daily_tmi(d), 0.0) << d;
}

TEST(PrepareClimateInput, HourlyFormUsesTheHours) {
  // The daily values are ignored in the hourly form: only hours count.
  engine::ClimateWork w = steady_days(800, -40.0, 0.0);
  for (int d = 1; d <= 800; ++d)
    for (int h = 1; h <= 24; ++h) {
      w.hourly_temperature(h, d) = 50.0;
      w.hourly_precipitation(h, d) = 0.1 / 24;
    }
  engine::prepare_climate_input(w, 0);
  for (int d = 1; d <= 800; ++d) ASSERT_NEAR(w.daily_tmi(d), 53.5059, 1e-3) << d;
}

TEST(PrepareClimateInput, NoDays) {
  engine::ClimateWork w;
  w.create(0, 1);
  engine::prepare_climate_input(w, 0);
  EXPECT_EQ(w.daily_tmi.size(), 0);
}

}  // namespace
