#include "demo_data/demo_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <system_error>

namespace demo {
namespace fs = std::filesystem;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// printf "%.<d>f" in the "C" locale.
std::string Fixed(double v, int decimals) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return std::string(buf, r.ptr);
}

std::string Int(long long v, int width = 0) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return s;
}

// splitmix64: a small fixed-seed generator, the same on every platform.
class Noise {
 public:
  explicit Noise(std::uint64_t seed) : state_(seed) {}
  double Uniform() {  // [0, 1)
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
  }
  double Symmetric() { return 2.0 * Uniform() - 1.0; }  // [-1, 1)

 private:
  std::uint64_t state_;
};

bool IsLeap(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

int DayOfYear(int year, int month, int day) {
  int n = day;
  for (int m = 1; m < month; ++m) n += DaysIn(year, m);
  return n;
}

std::ofstream Create(const fs::path& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot create " + path.string());
  return out;
}

void Close(std::ofstream& out, const fs::path& path) {
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

const std::vector<DemoStation>& DemoStations() {
  static const std::vector<DemoStation> stations = [] {
    std::vector<DemoStation> s(7);
    s[0] = {17, "17,ALDER|NORTH,TESTLAND,40.10,-105.05,5300,200408,0,", 5300};
    s[1] = {23062, "23062,BIRCH FIELD,TESTLAND,39.50,-104.50,5600,200408,0,", 5600};
    s[2] = {305, "305,CEDAR,TESTLAND,40.30,-104.40,4900,200501,0,", 4900};
    s[2].first_month = 200501;
    s[3] = {4410, "4410,DOGWOOD,TESTLAND,39.30,-105.30,6100,200408,1,", 6100};
    s[3].skipped_month = 200411;
    s[3].short_hour = true;
    s[4] = {5, "5,ELM,OTHERLAND,41.00,-106.00,7000,200408,0,", 7000};
    s[4].crlf = true;
    s[5] = {66, "66,FIR,OTHERLAND,38.00,-103.00,4200,200408,0,", 4200};
    s[6] = {808, "808,HAZEL,OTHERLAND,40.45,-105.45,5800,200408,0,", 5800};
    s[6].has_file = false;
    return s;
  }();
  return stations;
}

std::string HourlyFileName(int identifier) { return "hcd/" + Int(identifier, 5) + ".hcd"; }

void WriteStationList(const fs::path& project) {
  const fs::path path = project / "station.dat";
  std::ofstream out = Create(path);
  for (const DemoStation& s : DemoStations()) out << s.line << '\n';
  Close(out, path);
}

void WriteHourlyFile(const fs::path& project, const DemoStation& station) {
  const fs::path path = project / HourlyFileName(station.identifier);
  std::ofstream out = Create(path);
  const char* eol = station.crlf ? "\r\n" : "\n";
  Noise noise(0x7E57DA7Aull * 1000003ull + static_cast<std::uint64_t>(station.identifier));
  bool wet = false;
  std::string line;

  int year = station.first_month / 100;
  int month = station.first_month % 100;
  // The records end with the last hour of February 2006.
  while (year < 2006 || (year == 2006 && month <= 2)) {
    const bool skipped = year * 100 + month == station.skipped_month;
    for (int day = 1; day <= DaysIn(year, month); ++day) {
      // Weather of the day: wet spells persist, clouds cut the sunshine.
      wet = noise.Uniform() < (wet ? 0.5 : 0.12);
      const double cloud = wet ? 0.4 + 0.5 * noise.Uniform() : 0.5 * noise.Uniform();
      const int doy = DayOfYear(year, month, day);
      // Days since 1 January 2004, the same for every station.
      const int day_number = doy - 1 + (year - 2004) * 365 + (year > 2004 ? 1 : 0);
      for (int hour = 0; hour < 24; ++hour) {
        const double season = std::sin(kTwoPi * (doy - 105) / 365.25);
        const double daily = std::sin(kTwoPi * (hour - 9) / 24.0);
        // A continental winter: arctic air comes in waves about ten days
        // apart, deepest in January, bringing nights of -20 to -30 F.
        const double winter = std::max(-season, 0.0);
        const double wave = 0.5 + 0.5 * std::cos(kTwoPi * (day_number + hour / 24.0) / 10.7);
        const double arctic = winter * winter * (8.0 + 30.0 * wave * wave);
        const double temperature = 50.0 + 25.0 * season + 10.0 * daily - arctic -
                                   3.5 * (station.elevation - 5000.0) / 1000.0 +
                                   3.0 * noise.Symmetric();
        const double wind =
            std::clamp(8.5 + 3.0 * std::sin(kTwoPi * (hour - 15) / 24.0) + 3.5 * noise.Symmetric(),
                       2.0, 15.0);
        const double sunshine =
            hour > 6 && hour < 18 ? 100.0 * std::sin(std::numbers::pi * (hour - 6) / 12.0) * (1.0 - cloud)
                                  : 0.0;
        const double rain = wet && noise.Uniform() < 0.3 ? 0.01 + 0.08 * noise.Uniform() : 0.0;
        const double humidity =
            std::clamp(62.0 - 18.0 * daily + (wet ? 15.0 : 0.0) + 5.0 * noise.Symmetric(), 30.0, 95.0);
        if (skipped) continue;  // the values are drawn anyway, so later months do not shift
        line = Int(year) + Int(month, 2) + Int(day, 2) + Int(hour, station.short_hour ? 1 : 2);
        line += "," + Fixed(temperature, 1) + "," + Fixed(wind, 1) + "," + Fixed(sunshine, 0) + "," +
                Fixed(rain, 2) + "," + Fixed(humidity, 1);
        out << line << eol;
      }
    }
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  Close(out, path);
}

void WriteRadTable(const fs::path& project) {
  const fs::path path = project / "rad.dat";
  std::ofstream out = Create(path);
  // Day n of a leap year; the declination by Spencer's series, the factor is
  // the eccentricity correction of the Earth's orbit.
  int n = 0;
  for (int month = 1; month <= 12; ++month) {
    for (int day = 1; day <= DaysIn(2004, month); ++day) {
      ++n;
      const double g = kTwoPi * (n - 1) / 365.0;
      const double declination = 0.006918 - 0.399912 * std::cos(g) + 0.070257 * std::sin(g) -
                                 0.006758 * std::cos(2 * g) + 0.000907 * std::sin(2 * g) -
                                 0.002697 * std::cos(3 * g) + 0.00148 * std::sin(3 * g);
      const double factor = 1.000110 + 0.034221 * std::cos(g) + 0.001280 * std::sin(g) +
                            0.000719 * std::cos(2 * g) + 0.000077 * std::sin(2 * g);
      out << Int(month) << ' ' << Int(day) << ' ' << Fixed(declination * (180.0 / std::numbers::pi), 2)
          << ' ' << Fixed(factor, 4) << '\n';
    }
  }
  Close(out, path);
}

void WriteClmTemp(const fs::path& project) {
  const fs::path path = project / "clmtemp.txt";
  std::ofstream out = Create(path);
  out << "6.0\n0\n20\n";
  Close(out, path);
}

void WriteDesignRequest(const fs::path& project) {
  const fs::path path = project / "input.dat";
  std::ofstream out = Create(path);
  out << "DES\n2004 8 1 20\n6.0 4.0 11.0 10.98 -3.68\n0.0 0.5 0.5 0.0 0.0\n";
  Close(out, path);
}

void WriteDemoProject(const fs::path& project) {
  for (const char* folder : {"hcd", "tmp"}) {
    std::error_code ec;
    fs::create_directories(project / folder, ec);
    if (ec) throw std::runtime_error("cannot create " + (project / folder).string() + ": " + ec.message());
  }
  WriteStationList(project);
  for (const DemoStation& s : DemoStations())
    if (s.has_file) WriteHourlyFile(project, s);
  WriteRadTable(project);
  WriteClmTemp(project);
  WriteDesignRequest(project);
}

void WriteDirectoryFile(const fs::path& drive, const fs::path& project) {
  std::error_code ec;
  fs::create_directories(drive, ec);
  if (ec) throw std::runtime_error("cannot create " + drive.string() + ": " + ec.message());
  std::string folder = fs::absolute(project).lexically_normal().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  const fs::path path = drive / "directory.txt";
  std::ofstream out = Create(path);
  out << folder << '\n';
  Close(out, path);
}

}  // namespace demo
