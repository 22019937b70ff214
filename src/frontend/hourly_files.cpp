#include "frontend/hourly_files.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "frontend/c_text.h"
#include "platform/files.h"

namespace tervon {
namespace {

// The walk reads the first 255 characters of a line, the start month the first 1023.
constexpr std::size_t kWalkLineCap = 255;
constexpr std::size_t kFirstLineCap = 1023;

std::string_view Field(std::string_view text, std::size_t at, std::size_t length) {
  return at < text.size() ? text.substr(at, length) : std::string_view();
}

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

HourStamp ParseStamp(std::string_view stamp) {
  return {TextToInt(Field(stamp, 0, 4)), TextToInt(Field(stamp, 4, 2)), TextToInt(Field(stamp, 6, 2)),
          TextToInt(Field(stamp, 8, 2))};
}

std::string StampText(const HourStamp& s) {
  return FormatInt(s.year) + TwoDigit(s.month) + TwoDigit(s.day) + TwoDigit(s.hour);
}

std::string StampMonth(const HourStamp& s) { return FormatInt(s.year) + TwoDigit(s.month); }

HourStamp NextHour(HourStamp s) {
  if (++s.hour > 23) {
    s.hour = 0;
    ++s.day;
  }
  if (s.day > DaysInMonth(s.month, s.year)) {
    s.day = 1;
    ++s.month;
  }
  if (s.month > 12) {
    s.month = 1;
    ++s.year;
  }
  return s;
}

std::string NextHourStamp(std::string_view stamp) { return StampText(NextHour(ParseStamp(stamp))); }

int DaysInMonth(int month, int year) {
  switch (month) {
    case 4: case 6: case 9: case 11:
      return 30;
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
      return 31;
    default:
      return year % 4 == 0 ? 29 : 28;
  }
}

std::string TwoDigit(int n) { return n < 10 ? "0" + FormatInt(n) : FormatInt(n); }

std::string HcdFileName(std::int32_t identifier) {
  return "hcd\\" + FormatInt(identifier, 5, true) + ".hcd";
}

bool HcdIdentifierNamesFile(std::int32_t identifier) { return identifier >= 0 && identifier <= 99999; }

HourlyLine SplitHourlyLine(std::string_view line) {
  HourlyLine out;
  std::size_t comma = line.find(',');
  out.stamp = line.substr(0, comma);
  for (std::string_view& value : out.values) {
    if (comma == std::string_view::npos) break;
    const std::size_t next = line.find(',', comma + 1);
    value = line.substr(comma + 1, next == std::string_view::npos ? std::string_view::npos : next - comma - 1);
    comma = next;
  }
  return out;
}

StartMonth FindStartMonth(const std::vector<HourlySource>& sources) {
  StartMonth start;
  std::string line;
  for (const HourlySource& source : sources) {
    platform::LineReader in(source.named ? source.file : std::filesystem::path());
    if (!in.is_open()) {
      start.missing = source.file.string();
      if (source.named && platform::file_exists(source.file)) start.reason = in.error();
      return start;
    }
    bool found = false;
    while (!found && in.next(line)) found = !IsBlank(line);
    if (!found) continue;  // an empty file has no first month
    const std::string_view first = std::string_view(line).substr(0, kFirstLineCap);
    const int year = TextToInt(Field(first, 0, 4));
    const int month = TextToInt(Field(first, 4, 2));
    if (year < start.year || (year == start.year && month < start.month)) {
      start.year = year;
      start.month = month;
    }
  }
  return start;
}

namespace {

// A station's file during the walk: the line waiting for its hour.
struct Station {
  explicit Station(const HourlySource& s) : in(s.file), source(&s), open(in.is_open()) {}

  platform::LineReader in;
  const HourlySource* source;
  bool open;
  bool pending = false;
  std::string line;
  HourStamp stamp;

  // Makes the pending line the first not before `now`; false when none is left.
  bool Advance(const HourStamp& now) {
    for (;;) {
      if (!pending) {
        if (!open || !in.next(line)) {
          open = false;
          return false;
        }
        if (line.size() > kWalkLineCap) line.resize(kWalkLineCap);
        if (IsBlank(line)) continue;
        // A one-digit hour gets its leading zero.
        if (line.find(',') == 9) line.insert(8, 1, '0');
        stamp = ParseStamp(line);
        pending = true;
      }
      if (!(stamp < now)) return true;
      pending = false;  // an hour already past: the line is dropped
    }
  }
};

}  // namespace

InterpolationResult InterpolateHourly(const std::vector<HourlySource>& sources,
                                      double site_elevation, const HourStamp& start,
                                      const HourStamp& end, const std::filesystem::path& output,
                                      const std::function<void(int)>& on_day) {
  InterpolationResult result;
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  std::vector<Station> stations;
  stations.reserve(sources.size());
  for (const HourlySource& s : sources) stations.emplace_back(s);

  std::string text;
  int hours_today = 0;
  int days = 0;
  for (HourStamp now = start; now < end; now = NextHour(now)) {
    if (hours_today == 24) {
      on_day(++days);
      hours_today = 0;
    }
    ++hours_today;

    bool contributed = false;
    double weight = 0;
    double sum[5] = {};
    for (Station& station : stations) {
      if (!station.Advance(now) || station.stamp != now) continue;
      station.pending = false;
      contributed = true;
      const HourlyLine fields = SplitHourlyLine(station.line);
      const double dz = site_elevation - station.source->elevation;
      const double d = station.source->distance == 0 ? 0.001 : station.source->distance;
      const double w = 1 / (d * d);
      weight += w;
      sum[0] += w * (TextToDouble(fields.values[0]) - dz * 0.001 * 3.5);
      for (int k = 1; k < 5; ++k) sum[k] += w * TextToDouble(fields.values[k]);
    }
    if (!contributed) {
      result.ok = false;
      result.failed_stamp = StampText(now);
      return result;
    }
    text = StampText(now);
    static constexpr int kDecimals[5] = {1, 1, 0, 2, 1};
    for (int k = 0; k < 5; ++k) {
      const double mean = sum[k] / weight;
      // Values or an elevation beyond the doubles would write "inf" or "nan",
      // which later readers take for 0.
      if (!std::isfinite(mean)) {
        result.ok = false;
        result.out_of_range = true;
        result.failed_stamp = StampText(now);
        return result;
      }
      text += ',';
      text += FormatFixed(mean, kDecimals[k]);
    }
    text += '\n';
    out << text;
    ++result.hours;
  }
  out.close();
  result.write_failed = !out;
  return result;
}

}  // namespace tervon
