// A deterministic synthetic climate for demos and tests: plausible numbers for a
// mid-latitude site, no claim to represent any real place.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "frontend/solar_table.h"
#include "synthetic_input/front_end_input.h"

namespace synthetic_input {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLatitude = 40.0;  // degrees north

// A small fixed-seed generator, so that every platform makes the same days.
class Random {
 public:
  double uniform() {  // [0, 1)
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0);
  }

 private:
  std::uint64_t state_ = 0x853c49e6748fea9bULL;
};

double round_to(double v, double step) { return std::round(v / step) * step; }

}  // namespace

std::vector<ClimateDay> synthetic_window(int first_year, int years) {
  using namespace std::chrono;
  const sys_days first = year_month_day{year{first_year}, August, day{1}};
  const sys_days last = year_month_day{year{first_year + years}, August, day{1}};

  Random random;
  double anomaly = 0;  // the weather's departure from the season, deg F
  int rain_left = 0;   // hours left in the current rainy spell
  std::vector<ClimateDay> window;
  window.reserve(static_cast<std::size_t>((last - first).count() + 1));
  for (sys_days today = first; today <= last; today += days{1}) {
    const year_month_day ymd{today};
    const int day_of_year =
        (today - sys_days{year_month_day{ymd.year(), January, day{1}}}).count() + 1;
    const double season = 2 * kPi * (day_of_year - 200) / 365.25;

    ClimateDay d;
    d.year = static_cast<int>(ymd.year());
    d.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    d.day = static_cast<int>(static_cast<unsigned>(ymd.day()));

    // Daylight from the sun's declination.
    const double declination = 23.44 * kPi / 180 * std::sin(2 * kPi * (284 + day_of_year) / 365.0);
    const double cos_hour_angle = -std::tan(kLatitude * kPi / 180) * std::tan(declination);
    const double daylight = 2 * std::acos(std::clamp(cos_hour_angle, -1.0, 1.0)) * 180 / kPi / 15;
    d.sunrise = round_to(12 - daylight / 2, 0.01);
    d.sunset = round_to(12 + daylight / 2, 0.01);

    anomaly = 0.75 * anomaly + 6 * (random.uniform() - 0.5);
    const double mean = 52 + 24 * std::cos(season) + anomaly;
    const double range = 9 + 3 * random.uniform();
    const bool rainy_day = random.uniform() < 0.3;
    for (int h = 0; h < 24; ++h) {
      HourValues& v = d.hours[static_cast<std::size_t>(h)];
      v.temperature = round_to(mean + range * std::cos(2 * kPi * (h - 15) / 24), 0.1);
      if (rainy_day && rain_left == 0 && random.uniform() < 0.1)
        rain_left = 2 + static_cast<int>(6 * random.uniform());
      if (rain_left > 0) {
        --rain_left;
        v.precipitation = round_to(0.01 + 0.12 * random.uniform() * random.uniform(), 0.01);
      }
      v.value2 = round_to(4 + 10 * random.uniform() + (rain_left > 0 ? 5 : 0), 0.1);
      const bool light = h >= d.sunrise && h <= d.sunset;
      v.value3 = light ? std::round((rainy_day ? 25 : 75) + 25 * random.uniform()) : 0;
    }
    // The day's radiation above the atmosphere, as the front end computes it
    // from its daylight table; the engine applies the hours' sunshine itself.
    // The factor corrects for the Earth's distance from the sun.
    const double factor = 1 + 0.033 * std::cos(2 * kPi * day_of_year / 365.0);
    d.radiation = tervon::SolarDayValues(kLatitude, declination * 180 / kPi, factor).radiation;
    window.push_back(d);
  }
  return window;
}

}  // namespace synthetic_input
