#include "frontend/climate_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "frontend/c_text.h"
#include "frontend/hourly_files.h"

namespace tervon {
namespace {

std::string_view Chars(std::string_view text, std::size_t at, std::size_t length) {
  return at < text.size() ? text.substr(at, length) : std::string_view();
}

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

bool IsCalendarHour(const HourStamp& s) {
  return s.year > 0 && s.month >= 1 && s.month <= 12 && s.day >= 1 &&
         s.day <= DaysInMonth(s.month, s.year) && s.hour >= 0 && s.hour <= 23;
}

std::string DateText(const HourStamp& s) { return FormatInt(s.year) + TwoDigit(s.month) + TwoDigit(s.day); }

}  // namespace

TimeFrame ParseTimeFrame(std::string_view line) {
  return {TextToInt(Chars(line, 0, 4)), TextToInt(Chars(line, 4, 2)), TextToInt(Chars(line, 9, 4)),
          TextToInt(Chars(line, 13, 2))};
}

long long MonthsOfTimeFrame(const TimeFrame& f) {
  return (static_cast<long long>(f.end_year) - f.start_year) * 12 - f.start_month + 1 + f.end_month;
}

std::string_view ClimateHeader::Field(std::size_t k) const {
  return k >= 1 && k <= location.size() ? std::string_view(location[k - 1]) : std::string_view();
}

ClimateHeader ReadClimateHeaderLines(platform::LineReader& in, long long& lines) {
  ClimateHeader header;
  std::string line;
  while (in.next(line)) {
    ++lines;
    if (line.empty() || line[0] != '#') break;
    line.clear();
  }
  header.time_frame = line;
  if (in.next(line)) {
    ++lines;
    std::string_view rest = line;
    for (;;) {
      const std::size_t comma = rest.find(',');
      header.location.emplace_back(rest.substr(0, comma));
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }
  return header;
}

std::optional<ClimateHeader> ReadClimateFileHeader(const std::filesystem::path& path) {
  platform::LineReader in(path);
  if (!in.is_open()) return std::nullopt;
  long long lines = 0;
  return ReadClimateHeaderLines(in, lines);
}

std::string LocationText(std::string_view typed) {
  const std::size_t first = typed.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::string_view trimmed = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
  if (trimmed.find_first_of(", \t") != std::string_view::npos) return FormatG(TextToDouble(typed));
  return std::string(trimmed);
}

ClimateFileResult WriteClimateFile(const std::filesystem::path& hourly,
                                   const std::filesystem::path& climate, const ClimateSite& site,
                                   const std::function<void(long long)>& on_day) {
  ClimateFileResult result;
  platform::LineReader in(hourly);
  std::ofstream out(climate, std::ios::binary | std::ios::trunc);
  if (!in.is_open()) {
    result.failure = ClimateFailure::HourlyMissing;
    return result;
  }
  if (!out) {
    result.failure = ClimateFailure::CannotWrite;
    return result;
  }

  // By calendar month 1-12.
  std::array<long long, 13> hours{};
  std::array<int, 13> years{};
  std::array<int, 13> year_seen{};
  std::array<double, 13> sum_t{}, sum4{}, sum5{};
  std::array<double, 13>& freezing = result.monthly_freezing;

  std::string body;
  std::string line;
  bool first = true;
  bool in_day = false;  // a day line has been written
  HourStamp expected, first_hour, last_day;
  int previous_day = 0;
  float day_max = 0, day_min = 0;
  long long line_number = 0;
  while (in.next(line)) {
    ++line_number;
    if (IsBlank(line)) continue;
    const HourlyLine fields = SplitHourlyLine(line);
    const HourStamp now = ParseStamp(fields.stamp);
    if (first) {
      expected = first_hour = last_day = now;
    }
    if (now != expected || !IsCalendarHour(now)) {
      result.failure = ClimateFailure::Gap;
      result.month = StampMonth(expected);
      return result;
    }
    // Four of the values go into the hour lines as they stand and all five into
    // the figures: each must be a finite number, blanks around it aside.
    for (std::string_view value : fields.values) {
      std::string_view trimmed = value;
      trimmed.remove_prefix(std::min(trimmed.find_first_not_of(' '), trimmed.size()));
      trimmed.remove_suffix(trimmed.size() - std::min(trimmed.find_last_not_of(' ') + 1, trimmed.size()));
      if (!IsFiniteDecimal(trimmed)) {
        result.failure = ClimateFailure::NotANumber;
        result.line = line_number;
        result.text = value;
        return result;
      }
    }
    const int m = now.month;

    if (now.hour == 0) {
      const std::size_t d = static_cast<std::size_t>(now.day - 1), mi = static_cast<std::size_t>(m - 1);
      body += FormatInt(now.month) + ' ' + FormatInt(now.day) + ' ' + FormatInt(now.year) + ' ' +
              FormatG((*site.sunrise)[mi][d]) + ' ' + FormatG((*site.sunset)[mi][d]) + ' ' +
              FormatG((*site.radiation)[mi][d]) + '\n';
      last_day = now;
      in_day = true;
      on_day(++result.days);
    }
    // Hours before the first midnight belong to no day block, but count below.
    if (in_day) {
      body += FormatInt(now.hour);
      for (int k : {0, 3, 1, 2}) {
        body += ' ';
        body += fields.values[k];
      }
      body += " 50\n";
    }

    const float t = static_cast<float>(TextToDouble(fields.values[0]));
    ++hours[m];
    sum_t[m] += t;
    sum5[m] += TextToDouble(fields.values[4]);
    sum4[m] += TextToDouble(fields.values[3]);
    if (year_seen[m] != now.year) {
      year_seen[m] = now.year;
      ++years[m];
    }
    if (!first && now.day == previous_day) {
      if (t > day_max) day_max = t;
      if (t < day_min) day_min = t;
    } else {
      // A day's freezing goes to the month of the day after it.
      if (!first) {
        const double f = 32 - (day_min + day_max) * 0.5;
        if (f > 0) freezing[m] += f;
      }
      day_max = day_min = t;
    }
    // A temperature beyond single precision, or a value whose sums leave the
    // doubles, would write "inf" or "nan" into the figures.
    if (!std::isfinite(sum_t[m]) || !std::isfinite(sum4[m]) || !std::isfinite(sum5[m]) ||
        !std::isfinite(freezing[m])) {
      result.failure = ClimateFailure::OutOfRange;
      result.line = line_number;
      return result;
    }
    previous_day = now.day;
    first = false;
    expected = NextHour(expected);
  }

  double sum_means = 0, yearly_freezing = 0, yearly4 = 0;
  std::array<double, 13> mean5{};
  for (int m = 1; m <= 12; ++m) {
    if (hours[m] == 0 || years[m] == 0) {
      result.failure = ClimateFailure::TooFewMonths;
      return result;
    }
    mean5[m] = sum5[m] / hours[m];
    sum_means += sum_t[m] / hours[m];
    yearly4 += sum4[m] / years[m];
    freezing[m] /= years[m];
    yearly_freezing += freezing[m];
  }
  result.mean_annual_temperature = sum_means * 0.08333333333333333;
  if (!std::isfinite(sum_means) || !std::isfinite(yearly_freezing) || !std::isfinite(yearly4)) {
    result.failure = ClimateFailure::OutOfRange;
    result.line = line_number;
    return result;
  }

  for (const std::string& comment : site.comments) out << '#' << comment << '\n';
  out << DateText(first_hour) << '-' << DateText(last_day) << '\n';
  out << site.longitude << ',' << site.latitude << ',' << FormatG(site.elevation) << ",100,-1,-1,-1,-1,"
      << FormatG(result.mean_annual_temperature) << ',' << FormatG(yearly_freezing) << ','
      << FormatG(yearly4);
  for (int m = 1; m <= 12; ++m) out << ',' << FormatFixed(mean5[m], 1);
  out << '\n' << body;
  out.close();
  if (!out) result.failure = ClimateFailure::CannotWrite;
  return result;
}

}  // namespace tervon
