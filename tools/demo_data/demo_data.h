#pragma once
// Synthetic station data for demonstrations and tests: a station list, hourly
// station files, the daylight table and the calling program's "clmtemp.txt"
// and "input.dat".
// Everything is computed here from fixed formulas and a fixed-seed generator;
// two runs give the same bytes.

#include <filesystem>
#include <string>
#include <vector>

namespace demo {

struct DemoStation {
  int identifier = 0;
  std::string line;        // its line of station.dat
  double elevation = 0.0;  // feet
  bool has_file = true;    // HAZEL has no hourly file
  int first_month = 200408;
  int skipped_month = 0;   // a month missing from the file (DOGWOOD: 200411)
  bool short_hour = false; // hours 0-9 written with one digit
  bool crlf = false;       // CR LF line ends
};

// The seven demo stations, in the order of station.dat.
const std::vector<DemoStation>& DemoStations();

// Hourly file of a station, relative to the project: "hcd/00017.hcd".
std::string HourlyFileName(int identifier);

// Each writer creates or replaces its file under `project` and throws
// std::runtime_error naming the file when it cannot.
void WriteStationList(const std::filesystem::path& project);
void WriteHourlyFile(const std::filesystem::path& project, const DemoStation& station);
void WriteRadTable(const std::filesystem::path& project);
void WriteClmTemp(const std::filesystem::path& project);
// The engine's request "input.dat": a design run of 20 years from 1 August
// 2004 for the 6-inch layer of "clmtemp.txt", with a binder of the grade
// table; the first spread 0 has the engine simulate "tmp\thermal.tmp" first.
void WriteDesignRequest(const std::filesystem::path& project);
// All of the above, the folders included ("tmp" for the engine's histories).
void WriteDemoProject(const std::filesystem::path& project);
// `drive`/directory.txt naming the project folder (absolute, ending in "/").
void WriteDirectoryFile(const std::filesystem::path& drive, const std::filesystem::path& project);

// The hourly records run from 2004080100 to this last hour.
inline constexpr const char* kLastStamp = "2006022823";

}  // namespace demo
