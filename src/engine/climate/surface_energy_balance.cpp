#include "engine/climate/surface_energy_balance.h"

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

struct HourWeather {
  double air_temperature = 0.0;  // deg F
  double sunshine = 0.0;         // percent
  double wind = 0.0;             // miles per hour
};

// The daily form: the air temperature runs linearly from the previous day's
// maximum to the day's minimum, up to its maximum, then towards the next day's
// minimum. Each slope is rounded to single precision, as the model keeps it.
HourWeather daily_weather(const ClimateRun& run, float u, int d) {
  const ClimateWork& w = run.work;
  const auto& c = run.climate_simulation_common.surface_constants;
  const float tmin = c(kMinTemperatureHour);
  const float tmax = c(kMaxTemperatureHour);
  const double low = w.daily_value_2(d);
  const double high = w.daily_value_1(d);
  HourWeather h{0.0, w.daily_value_5(d), w.daily_value_4(d)};
  if (u <= tmin) {
    const double high_before = w.daily_value_1(d > 1 ? d - 1 : d);
    const auto slope = static_cast<float>((low - high_before) / (24.0f - tmax + tmin));
    h.air_temperature = high_before + (24.0f - tmax + u) * slope;
  } else if (u <= tmax) {
    const auto slope = static_cast<float>((high - low) / (tmax - tmin));
    h.air_temperature = low + (u - tmin) * slope;
  } else {
    const double low_after = w.daily_value_2(d < run.period_control.day_count ? d + 1 : d);
    const auto slope = static_cast<float>((low_after - high) / (24.0f - tmax + tmin));
    h.air_temperature = high + (u - tmax) * slope;
  }
  return h;
}

// The hourly form: record k holds hour k - 1; between records the temperature
// is interpolated, after record 24 towards the next day's record 1 (the same
// day's on the last day).
HourWeather hourly_weather(const ClimateRun& run, float u, int d) {
  const ClimateWork& w = run.work;
  const int k = std::min(static_cast<int>(u + 1.0f), 24);
  HourWeather h{0.0, w.hourly_value_4(k, d), w.hourly_value_3(k, d)};
  const double at_k = w.hourly_temperature(k, d);
  const auto past = u - static_cast<float>(k - 1);
  if (past == 0.0f) {
    h.air_temperature = at_k;
  } else {
    const double next =
        k < 24 ? w.hourly_temperature(k + 1, d)
               : w.hourly_temperature(1, d < run.period_control.day_count ? d + 1 : d);
    h.air_temperature = at_k - past * (at_k - next);
  }
  return h;
}

// The day's radiation spread over the daylight hours as a parabola, whose
// integral from sunrise to sunset is the daily total.
double solar_gain(const ClimateRun& run, float u, int d, double sunshine) {
  const double rise = run.work.sunrise_hour(d);
  const double set = run.work.sunset_hour(d);
  if (u <= rise || u >= set) return 0.0;
  const double length = set - rise;
  const double half = length / 2;
  const double noon = rise + half;
  const double from_noon = u <= noon ? half - (u - rise) : u - noon;
  const float absorptivity = run.climate_simulation_common.surface_constants(kSurfaceAbsorptivity);
  return (sunshine * 0.539f / 100 + 0.202f) * absorptivity *
         (3 * run.work.daily_radiation(d) / (2 * length)) *
         (half * half - from_noon * from_noon) / (half * half);
}

float fourth_power(float x) {
  const float square = x * x;
  return square * square;
}

}  // namespace

void surface_energy_balance(ClimateRun& run) {
  auto& c = run.climate_simulation_common.surface_constants;
  const float u = run.hour_of_day;
  const int d = run.day_index;
  // Any form other than 0 reads the daily arrays, as the reader fills them.
  const HourWeather weather = run.climate_simulation_common.climate_record_form != 0
                                  ? daily_weather(run, u, d)
                                  : hourly_weather(run, u, d);
  const auto ta = static_cast<float>(weather.air_temperature);
  run.air_temperature = ta;

  const double gain = solar_gain(run, u, d, weather.sunshine);

  // Long-wave exchange with the sky, in Rankine.
  const float ts = run.node_state.node_temperature(1);
  const float long_wave =
      fourth_power(ts + 459.7f) * c(kSurfaceEmissivity) * 1.72e-9f -
      (c(kSkyEmissionA) - c(kSkyEmissionB) * 0.42657954f) * fourth_power(ta + 459.7f) * 1.72e-9f;
  run.surface_heat_flux = static_cast<float>(
      gain - long_wave * (1 - c(kCloudFactor) * (1 - weather.sunshine / 100)));

  // Convection in SI units: film temperature in kelvin, wind in metres per
  // second. A negative wind speed would make the power a NaN.
  const float ts_c = (ts - 32.0f) * 0.5555556f;
  const float ta_c = (ta - 32.0f) * 0.5555556f;
  const float film = (ts_c + ta_c) / 2.0f + 273.0f;
  const double speed = std::max(weather.wind, 0.0) * 0.447f;
  const double h = (0.00144f * std::pow(film, 0.3f) * std::pow(speed, static_cast<double>(0.7f)) +
                    0.00097f * std::pow(std::fabs(ts_c - ta_c), 0.3f)) *
                   122.93f * 1.33f;
  run.convection_coefficient =
      static_cast<float>(std::min(h, static_cast<double>(c(kMaxConvectionCoefficient))));
  c(kSurfaceStepFactor) = 5.0f;
}

}  // namespace engine
