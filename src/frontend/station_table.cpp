#include "frontend/station_table.h"

#include <algorithm>
#include <array>

#include "frontend/c_text.h"

namespace tervon {

StationRecord ParseStationLine(std::string_view line) {
  std::array<std::string_view, 8> field{};
  std::string_view rest = line;
  for (std::string_view& f : field) {
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) continue;  // empty field, nothing removed
    f = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
  }

  StationRecord s;
  s.identifier = TextToInt(field[0]);
  s.name = std::string(field[1]);
  std::replace(s.name.begin(), s.name.end(), '|', ',');
  s.location = std::string(field[2]);
  s.latitude = TextToDouble(field[3]);
  s.longitude = TextToDouble(field[4]);
  s.elevation = TextToDouble(field[5]);
  s.first_month = std::string(field[6]);
  s.missing_months = std::string(field[7]);
  return s;
}

}  // namespace tervon
