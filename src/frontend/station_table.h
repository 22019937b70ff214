#pragma once
// One weather station of the station list "station.dat".

#include <cstdint>
#include <string>
#include <string_view>

namespace tervon {

inline constexpr int kStationCapacity = 2000;

struct StationRecord {
  std::int32_t identifier = 0;
  double latitude = 0.0;   // degrees.minutes, north positive
  double longitude = 0.0;  // degrees.minutes, east positive (negative in the west)
  double elevation = 0.0;  // feet
  std::string location;
  std::string name;            // "|" of the file shown as ","
  std::string first_month;     // YYYYMM of the first hourly record
  std::string missing_months;  // as written in the file
};

// Splits a station line: eight fields, each ending at a comma; a field with no
// comma after it is empty. Numbers read as C's atoi/atof would.
StationRecord ParseStationLine(std::string_view line);

// What keeps a station line from giving a station, empty when nothing does: a
// line cut before its first-month field, or an identifier, latitude, longitude
// or elevation that is not a (finite) number.
std::string StationLineFault(std::string_view line);

}  // namespace tervon
