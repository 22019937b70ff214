#include "engine/climate/moisture_index.h"

#include <cmath>

namespace engine {

ThornthwaiteResult thornthwaite_index(const TwelveMonthTable& months) {
  ThornthwaiteResult r;
  for (int m = 1; m <= 12; ++m) {
    const double t = months(m).temperature_c;
    if (t > 0) {
      const float term = std::pow(static_cast<float>(0.2f * t), 1.514f);
      r.heat_index += term;
    }
  }
  const double heat = r.heat_index;
  r.exponent = static_cast<float>(6.75e-7f * heat * heat * heat - 7.71e-5f * heat * heat +
                                  0.017921f * heat + 0.49239f);
  for (int m = 1; m <= 12; ++m) {
    const MonthClimate& month = months(m);
    r.precipitation += month.precipitation_cm;
    // A month at or below 0 deg C adds nothing (0 raised to a > 0).
    if (month.temperature_c > 0 && heat > 0) {
      r.potential_evapotranspiration +=
          1.6f * std::pow(10.0f * month.temperature_c / heat, static_cast<double>(r.exponent)) *
          month.daylight_hours / 12.0f;
    }
  }
  // Without a month above freezing, or without evapotranspiration, there is no
  // index (the formula would divide by zero).
  if (!(heat > 0) || r.potential_evapotranspiration == 0 ||
      !std::isfinite(r.potential_evapotranspiration))
    return r;
  const float index =
      static_cast<float>((r.precipitation / r.potential_evapotranspiration - 1.0) * 75.0f + 10.0f);
  // Nor is there one beyond single precision (absurd precipitation).
  if (!std::isfinite(index)) return r;
  r.moisture_index = index;
  r.computed = true;
  return r;
}

void prepare_climate_input(ClimateWork& work, std::int32_t climate_record_form) {
  const int day_count = work.daily_tmi.size();
  const bool hourly = climate_record_form == 0;

  TwelveMonthTable table;
  // Sums of the running month.
  double temperature_sum = 0;
  long temperature_count = 0;
  double precipitation_sum = 0;
  double daylight_sum = 0;
  int month_days = 0;

  bool have_index = false;
  float latest_index = 0;
  double index_sum = 0;
  int index_count = 0;
  int first_index_day = 0;

  int previous_month = day_count > 0 ? work.calendar_month(1) : 0;
  for (int d = 1; d <= day_count; ++d) {
    work.daily_tmi(d) = 0.0;
    const int month = work.calendar_month(d);
    if (d > 1 && month != previous_month && temperature_count > 0) {
      MonthClimate& ended = table(previous_month);
      ended.temperature_c =
          (temperature_sum / static_cast<double>(temperature_count) - 32.0f) / 1.8f;
      ended.daylight_hours = daylight_sum / month_days;
      ended.precipitation_cm = precipitation_sum * 2.54f;
      temperature_sum = 0;
      temperature_count = 0;
      precipitation_sum = 0;
      daylight_sum = 0;
      month_days = 0;
      // A valid entry for the month that begins means a full year is in the table.
      if (table(month).temperature_c > -99.0) {
        const ThornthwaiteResult r = thornthwaite_index(table);
        if (r.computed) {
          have_index = true;
          latest_index = r.moisture_index;
          index_sum += latest_index;
          ++index_count;
          if (first_index_day == 0) first_index_day = d;
        }
      }
    }
    previous_month = month;

    if (hourly) {
      for (int h = 1; h <= 24; ++h) {
        temperature_sum += work.hourly_temperature(h, d);
        precipitation_sum += work.hourly_precipitation(h, d);
      }
      temperature_count += 24;
    } else {
      temperature_sum += (work.daily_value_1(d) + work.daily_value_2(d)) / 2.0f;
      temperature_count += 1;
      precipitation_sum += work.daily_precipitation(d);
    }
    daylight_sum += work.sunset_hour(d) - work.sunrise_hour(d);
    ++month_days;

    if (have_index) work.daily_tmi(d) = latest_index;
  }

  if (index_count > 0) {
    const double mean = index_sum / index_count;
    for (int d = 1; d <= first_index_day; ++d) work.daily_tmi(d) = mean;
  }
}

}  // namespace engine
