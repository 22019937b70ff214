#pragma once
// The site's climatic data file ("climate.tmp", saved as "*.clm"): six comment
// lines, the time frame, the location line with the yearly and monthly figures,
// then one block per day: the day line (month, day, year, sunrise, sunset,
// radiation) and 24 hour lines (hour, then the first, fourth, second and third
// hourly values as they stand, and 50).

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/solar_table.h"
#include "platform/files.h"

namespace tervon {

// The time-frame line "YYYYMMDD-YYYYMMDD".
struct TimeFrame {
  int start_year = 0;
  int start_month = 0;
  int end_year = 0;
  int end_month = 0;
};
TimeFrame ParseTimeFrame(std::string_view line);
// Calendar months from the start month to the end month, both included.
long long MonthsOfTimeFrame(const TimeFrame& frame);

struct ClimateHeader {
  std::string time_frame;
  std::vector<std::string> location;  // the location line's comma-separated fields
  // Field k (1-based) of the location line; empty when the line has fewer.
  std::string_view Field(std::size_t k) const;
};
// Reads past the comment lines ("#"), then the time-frame and location lines;
// `lines` counts the lines read.
ClimateHeader ReadClimateHeaderLines(platform::LineReader& in, long long& lines);
// Nothing when the file cannot be opened.
std::optional<ClimateHeader> ReadClimateFileHeader(const std::filesystem::path& path);

// A location text as the location line carries it: trimmed, or "%.6g" of its
// value when it holds a comma or a blank that would break the line.
std::string LocationText(std::string_view typed);

// What the climatic data file says about the site besides the hourly records.
struct ClimateSite {
  std::array<std::string, 6> comments;  // without their "#"
  std::string longitude;                // location texts as written
  std::string latitude;
  double elevation = 0;  // feet
  const DailyTable* sunrise = nullptr;
  const DailyTable* sunset = nullptr;
  const DailyTable* radiation = nullptr;
};

enum class ClimateFailure {
  None,
  HourlyMissing,  // the hourly file cannot be read
  Gap,            // an hour out of sequence; `month` names the one expected
  TooFewMonths,   // a calendar month without data
  OutOfRange,     // a value the figures cannot take, at `line`
  NotANumber,     // `text` at `line` is not a finite number
  CannotWrite,
};

struct ClimateFileResult {
  ClimateFailure failure = ClimateFailure::None;
  std::string month;  // YYYYMM of the expected hour, for a gap
  long long line = 0;  // of the hourly file, for a value out of range or not a number
  std::string text;    // the value that is not a number
  double mean_annual_temperature = 0;
  std::array<double, 13> monthly_freezing{};  // by month 1-12
  long long days = 0;
};

// Builds the climatic data file from an hourly file. `climate` is created (and
// left empty when the build fails). `on_day` hears of each day line, with its count.
ClimateFileResult WriteClimateFile(const std::filesystem::path& hourly,
                                   const std::filesystem::path& climate, const ClimateSite& site,
                                   const std::function<void(long long)>& on_day);

}  // namespace tervon
