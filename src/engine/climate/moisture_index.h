#pragma once
// Monthly climate statistics and the Thornthwaite moisture index of every day,
// which the unbound layers' moisture boundary uses.

#include <cstdint>

#include "engine/climate/climate_run.h"

namespace engine {

// One calendar month of the last twelve.
struct MonthClimate {
  double temperature_c = -100.0;  // mean; -100 marks a month without data
  double daylight_hours = 0;      // mean hours from sunrise to sunset
  double precipitation_cm = 0;
};
using TwelveMonthTable = OneBasedArray<MonthClimate, 12>;

struct ThornthwaiteResult {
  // false when no month is above 0 deg C, PE is 0 or the index is not finite
  bool computed = false;
  double heat_index = 0;                    // I
  float exponent = 0;                       // a
  double potential_evapotranspiration = 0;  // PE
  double precipitation = 0;                 // P, cm
  float moisture_index = 0;
};

// The index of a full twelve-month table: (P / PE - 1) * 75 + 10.
ThornthwaiteResult thornthwaite_index(const TwelveMonthTable& months);

// Walks the days (and, for hourly records, their hours), keeps the last twelve
// months, computes the index at each month change once a year is in the table,
// and sets daily_tmi: the latest index from the first index on, and the mean of
// all indices on the days up to and including the first one. Every day stays 0
// when no index is computed.
void prepare_climate_input(ClimateWork& work, std::int32_t climate_record_form);

}  // namespace engine
