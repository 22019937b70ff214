#include "engine/climate/climate_run.h"

namespace engine {

void ClimateWork::create(int day_count, int unbound_layers) {
  for (HourlyTable* t : {&hourly_temperature, &hourly_precipitation, &hourly_value_3,
                         &hourly_value_4, &hourly_value_5})
    t->create(day_count);
  for (OneBasedVector<double>* t :
       {&daily_value_1, &daily_value_2, &daily_precipitation, &daily_value_4, &daily_value_5,
        &sunrise_hour, &sunset_hour, &daily_radiation, &daily_value_9, &daily_tmi}) {
    *t = OneBasedVector<double>(day_count);
  }
  for (OneBasedVector<std::int32_t>* t :
       {&calendar_month, &calendar_day, &calendar_year, &wet_day_list}) {
    *t = OneBasedVector<std::int32_t>(day_count);
  }
  wet_day_count = 0;

  month_count = 0;
  days_per_month = {};
  wet_days_per_month = {};
  month_number = {};
  month_year = {};
  add_month();

  suction_table.create(unbound_layers);
}

void ClimateWork::add_day() {
  for (HourlyTable* t : {&hourly_temperature, &hourly_precipitation, &hourly_value_3,
                         &hourly_value_4, &hourly_value_5})
    t->add_day();
  for (OneBasedVector<double>* t :
       {&daily_value_1, &daily_value_2, &daily_precipitation, &daily_value_4, &daily_value_5,
        &sunrise_hour, &sunset_hour, &daily_radiation, &daily_value_9, &daily_tmi}) {
    t->push_back(0.0);
  }
  for (OneBasedVector<std::int32_t>* t :
       {&calendar_month, &calendar_day, &calendar_year, &wet_day_list}) {
    t->push_back(0);
  }
}

void ClimateWork::add_month() {
  ++month_count;
  days_per_month.push_back(0.0);
  wet_days_per_month.push_back(0);
  month_number.push_back(0);
  month_year.push_back(0);
}

}  // namespace engine
