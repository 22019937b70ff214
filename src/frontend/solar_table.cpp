#include "frontend/solar_table.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <system_error>

#include "frontend/c_text.h"
#include "frontend/site_checks.h"

namespace tervon {
namespace {

// 3.141592 stands for pi here, and 12 / 3.141592 turns the hour angle into hours.
constexpr double kPi = 3.141592;
constexpr double kHoursPerRadian = 3.8197194288755503;
constexpr double kRadiationScale = 3397.2584600419145;

}  // namespace

SolarDay SolarDayValues(double latitude, double declination, double factor) {
  const double phi = latitude * kDegreesToRadians;
  const double delta = declination * kDegreesToRadians;
  // Polar day and night put the cosine of the hour angle outside [-1, 1].
  const double x = std::clamp(-(std::sin(phi) * std::sin(delta)) / (std::cos(delta) * std::cos(phi)), -1.0, 1.0);
  double ws = std::acos(std::fabs(x));
  if (x < 0) ws = kPi - ws;
  const double h = ws * kHoursPerRadian;

  SolarDay day;
  day.sunrise = std::max(12 - h, 0.0);
  day.sunset = std::min(12 + h, 24.0);
  if (std::fabs(x) < 1e-3) {
    // Near the equinox tan(ws) grows without bound while sin(phi) sin(delta)
    // vanishes; the sum form has no such product.
    day.radiation = (ws * std::sin(phi) * std::sin(delta) + std::cos(phi) * std::cos(delta) * std::sin(ws)) *
                    factor * kRadiationScale;
  } else {
    day.radiation = (ws - std::tan(ws)) * std::sin(phi) * std::sin(delta) * factor * kRadiationScale;
  }
  return day;
}

SolarFileStatus ReadSolarFile(const std::filesystem::path& rad_dat, double latitude,
                              DailyTable& sunrise, DailyTable& sunset, DailyTable& radiation) {
  // A folder opens as a stream that reads nothing: it is no table.
  std::error_code ec;
  if (std::filesystem::is_directory(rad_dat, ec)) return SolarFileStatus::Missing;
  std::ifstream in(rad_dat, std::ios::binary);
  if (!in) return SolarFileStatus::Missing;
  std::string token[4];
  for (;;) {
    if (!(in >> token[0])) return SolarFileStatus::Read;
    for (int k = 1; k < 4; ++k)
      if (!(in >> token[k])) return SolarFileStatus::BadRecord;
    int month = 0, day = 0;
    double declination = 0, factor = 0;
    if (!ParseWholeInt(token[0], month) || !ParseWholeInt(token[1], day) ||
        !ParseWholeNumber(token[2], declination) || !ParseWholeNumber(token[3], factor))
      return SolarFileStatus::BadRecord;
    if (month < 1 || month > 12 || day < 1 || day > 31) continue;  // no room in the tables
    const SolarDay values = SolarDayValues(latitude, declination, factor);
    // A factor too large for the product is no radiation either.
    if (!std::isfinite(values.radiation)) return SolarFileStatus::BadRecord;
    const auto m = static_cast<std::size_t>(month - 1), d = static_cast<std::size_t>(day - 1);
    sunrise[m][d] = values.sunrise;
    sunset[m][d] = values.sunset;
    radiation[m][d] = values.radiation;
  }
}

}  // namespace tervon
