#pragma once
// The site as the user types it (degrees.minutes), the stations nearest to it by
// great-circle distance, and the texts that describe a station.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "frontend/station_table.h"

namespace tervon {

// 3.141592 / 180, as the angle conversions have always used it.
inline constexpr double kDegreesToRadians = 0.01745328888888889;
inline constexpr double kEarthRadiusMiles = 3956.088989276774;
// A slot that no station has taken keeps this distance.
inline constexpr double kNoStationDistance = 10000.0;

// One of the six stations nearest to the site.
struct NearestSlot {
  std::int32_t station = 0;  // index into the station table
  double distance = kNoStationDistance;  // miles
};
using NearestSlots = std::array<NearestSlot, 6>;

// Latitudes north of the equator up to the arctic circle; longitudes of the
// western hemisphere.
bool LatitudeIsValid(double latitude);
bool LongitudeIsValid(double longitude);

// An angle in degrees.minutes (40.30 is 40 degrees 30 minutes; minutes above 60
// count as 60) in radians. The sign applies to the whole angle.
double DegreesMinutesToRadians(double value);

// Great-circle distance in miles between two points given in radians; two
// points at the same place are 0 miles apart.
double GreatCircleMiles(double latitude_a, double longitude_a, double latitude_b,
                        double longitude_b);

// The six stations nearest to a site (degrees.minutes), nearest first; of two at
// the same distance the earlier in the table ranks first.
NearestSlots RankNearest(std::span<const StationRecord> stations, double site_latitude,
                         double site_longitude);
inline bool SlotHasStation(const NearestSlot& slot) { return slot.distance < kNoStationDistance; }

// Months from a station's first month (YYYYMM) up to the reference month.
int MonthsSince(std::string_view first_month, int ref_month, int ref_year);

// The caption of a nearest-station check box.
std::string NearestCaption(const NearestSlot& slot, const StationRecord& station, int months);
// The description of a station chosen from the list, kept for the climatic data
// file's first comment line.
std::string StationDescription(const StationRecord& station, int months);

}  // namespace tervon
