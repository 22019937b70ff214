#pragma once
// Hourly climatic data files: the station files under "hcd\", and "hcd.tmp",
// the site's hourly file, either a copy of one station's file or the
// inverse-square-distance mean of several stations.
//
// A line: stamp YYYYMMDDHH (station files may write hours 0-9 with one digit),
// then five values separated by single commas.

#include <compare>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tervon {

// An hour stamp as numbers, so that stamps of 9 and 10 characters compare alike.
struct HourStamp {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  auto operator<=>(const HourStamp&) const = default;
};

// Characters 1-4, 5-6, 7-8 and 9-10 of a stamp, each read as a decimal integer.
HourStamp ParseStamp(std::string_view stamp);
// Year "%d", then month, day and hour as two digits.
std::string StampText(const HourStamp& stamp);
// "YYYYMM" of a stamp.
std::string StampMonth(const HourStamp& stamp);
HourStamp NextHour(HourStamp stamp);
std::string NextHourStamp(std::string_view stamp);

// Days of a month; every fourth year is a leap year; a month outside 1-12 counts
// as February.
int DaysInMonth(int month, int year);
// n as "0%d" below 10, else "%d".
std::string TwoDigit(int n);

// Name of a station's hourly file, relative to the project: "hcd\00017.hcd".
std::string HcdFileName(std::int32_t identifier);
// Identifiers of one to five digits name a station file; others name none.
bool HcdIdentifierNamesFile(std::int32_t identifier);

// The stamp and the five value texts of an hourly line (views into the line).
struct HourlyLine {
  std::string_view stamp;
  std::string_view values[5];
};
HourlyLine SplitHourlyLine(std::string_view line);

// One ticked station of the interpolation.
struct HourlySource {
  std::filesystem::path file;
  double elevation = 0;  // feet
  double distance = 0;   // miles from the site
  bool named = true;     // false: the identifier names no file
};

// The earliest first month of the sources' files; `missing` names the first
// file that cannot be opened (empty when all open), and `reason` says why when
// that file is there (a folder).
struct StartMonth {
  int year = 10000;
  int month = 12;
  std::string missing;
  std::string reason;
};
StartMonth FindStartMonth(const std::vector<HourlySource>& sources);

// Writes `output` hour by hour from the first hour of the start month up to the
// end stamp (not included). `on_day` hears of each day begun, with its count.
struct InterpolationResult {
  bool ok = true;
  std::string failed_stamp;  // the hour no station had, when !ok
  bool out_of_range = false;  // !ok: that hour's means are not finite numbers
  bool write_failed = false;
  long long hours = 0;
};
InterpolationResult InterpolateHourly(const std::vector<HourlySource>& sources,
                                      double site_elevation, const HourStamp& start,
                                      const HourStamp& end, const std::filesystem::path& output,
                                      const std::function<void(int)>& on_day);

}  // namespace tervon
