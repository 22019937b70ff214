#include "frontend/site_checks.h"

#include <algorithm>
#include <cmath>

#include "frontend/c_text.h"

namespace tervon {

bool LatitudeIsValid(double latitude) { return latitude > 0 && latitude <= 66; }
bool LongitudeIsValid(double longitude) { return longitude >= -180 && longitude < 0; }

double DegreesMinutesToRadians(double value) {
  const double degrees = std::trunc(std::fabs(value));
  const double minutes = std::min(std::fabs(value) - degrees, 0.6);
  const double magnitude = (degrees + minutes * 1.6666666666666667) * kDegreesToRadians;
  return value < 0 ? -magnitude : magnitude;
}

double GreatCircleMiles(double latitude_a, double longitude_a, double latitude_b,
                        double longitude_b) {
  const double c = std::cos(longitude_b - longitude_a) * std::cos(latitude_a) * std::cos(latitude_b) +
                   std::sin(latitude_a) * std::sin(latitude_b);
  // Rounding can push the cosine of two nearby points just past 1.
  return std::acos(std::clamp(c, -1.0, 1.0)) * kEarthRadiusMiles;
}

NearestSlots RankNearest(std::span<const StationRecord> stations, double site_latitude,
                         double site_longitude) {
  NearestSlots slots{};
  const double lat = DegreesMinutesToRadians(site_latitude);
  const double lon = DegreesMinutesToRadians(site_longitude);
  for (std::size_t i = 0; i < stations.size(); ++i) {
    const double d = GreatCircleMiles(lat, lon, DegreesMinutesToRadians(stations[i].latitude),
                                      DegreesMinutesToRadians(stations[i].longitude));
    for (std::size_t s = 0; s < slots.size(); ++s) {
      if (slots[s].distance > d) {
        std::move_backward(slots.begin() + static_cast<std::ptrdiff_t>(s), slots.end() - 1, slots.end());
        slots[s] = {static_cast<std::int32_t>(i), d};
        break;
      }
    }
  }
  return slots;
}

int MonthsSince(std::string_view first_month, int ref_month, int ref_year) {
  const int year = TextToInt(first_month.substr(0, 4));
  const int month = TextToInt(first_month.substr(std::min<std::size_t>(4, first_month.size()), 2));
  // In 64 bits: a wild year in the station list must not overflow.
  const long long months = ref_month + (static_cast<long long>(ref_year) - year) * 12 - month;
  return static_cast<int>(std::clamp<long long>(months, INT32_MIN, INT32_MAX));
}

std::string NearestCaption(const NearestSlot& slot, const StationRecord& station, int months) {
  return FormatFixed(slot.distance, 1) + " miles " + station.name + " - " + station.location +
         "  Lat. " + FormatG(station.latitude) + "  Lon. " + FormatG(station.longitude) +
         "  Ele. " + FormatFixed(station.elevation, 0) + "  Months: " + FormatInt(months) + " (" +
         station.missing_months + ")";
}

std::string StationDescription(const StationRecord& station, int months) {
  return "Station:" + station.name + " - Elevation (ft):" + FormatG(station.elevation) +
         " - Latitude:" + FormatG(station.latitude) + " - Longitude:" + FormatG(station.longitude) +
         " - Location:" + station.location + " - Months available data: " + FormatInt(months);
}

}  // namespace tervon
