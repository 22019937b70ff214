#include "frontend/station_table.h"

#include <algorithm>
#include <array>
#include <string>

#include "frontend/c_text.h"

namespace tervon {

std::string StationLineFault(std::string_view line) {
  std::array<std::string_view, 7> field{};
  std::size_t count = 0;
  for (std::string_view rest = line; count < field.size(); ++count) {
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) break;
    field[count] = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
  }
  if (count < field.size())
    return "it has " + std::to_string(count) +
           " of the 7 fields before the missing months, each ended by a comma";
  int identifier = 0;
  if (!ParseWholeInt(Unpadded(field[0]), identifier))
    return "its identifier \"" + std::string(field[0]) + "\" is not a whole number";
  const char* names[] = {"latitude", "longitude", "elevation"};
  for (std::size_t k = 0; k < 3; ++k) {
    double value = 0;
    if (!ParseWholeNumber(Unpadded(field[3 + k]), value))
      return std::string("its ") + names[k] + " \"" + std::string(field[3 + k]) + "\" is not a finite number";
  }
  return {};
}

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
