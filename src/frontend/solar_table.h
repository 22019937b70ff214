#pragma once
// Sunrise, sunset and the day's radiation for each day that "rad.dat" lists,
// from the sun's declination, a radiation factor and the site latitude.

#include <array>
#include <filesystem>

namespace tervon {

// Daily tables by month (1-12) and day (1-31), stored from index 0.
using DailyTable = std::array<std::array<double, 31>, 12>;

struct SolarDay {
  double sunrise = 0;    // hours
  double sunset = 0;     // hours
  double radiation = 0;  // Btu per square foot
};

// One day at a latitude and a declination in decimal degrees.
SolarDay SolarDayValues(double latitude, double declination, double factor);

enum class SolarFileStatus { Read, Missing, BadRecord };

// Fills the tables for the days that `rad_dat` lists (records of month, day,
// declination and factor, separated by blanks or line ends). Days out of range
// are skipped; reading stops at the first record that is not four numbers, or
// whose radiation is not finite. Days not listed keep their values; a folder
// counts as missing.
SolarFileStatus ReadSolarFile(const std::filesystem::path& rad_dat, double latitude,
                              DailyTable& sunrise, DailyTable& sunset, DailyTable& radiation);

}  // namespace tervon
