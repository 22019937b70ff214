#include "engine/climate/climate_input.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/climate/correction_table.h"
#include "engine/climate/drainage.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/moisture_index.h"
#include "engine/climate/progress_file.h"
#include "engine/common/finite_input.h"
#include "engine/common/project_files.h"
#include "platform/console.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

using platform::read_list;

// The twenty soil records, in file order.
constexpr std::array<LayerTable LayerProperties::*, 20> kSoilRecords = {
    &LayerProperties::soil_unit_weight,
    &LayerProperties::soil_conductivity,
    &LayerProperties::soil_heat_capacity,
    &LayerProperties::soil_porosity,
    &LayerProperties::frozen_modulus,
    &LayerProperties::unfrozen_modulus,
    &LayerProperties::saturated_permeability,
    &LayerProperties::gardner_k_multiplier,
    &LayerProperties::gardner_k_exponent,
    &LayerProperties::gardner_water_multiplier,
    &LayerProperties::gardner_water_exponent,
    &LayerProperties::fredlund_a,
    &LayerProperties::fredlund_b,
    &LayerProperties::fredlund_c,
    &LayerProperties::fredlund_hr,
    &LayerProperties::plasticity_index,
    &LayerProperties::d60_mm,
    &LayerProperties::passing_200,
    &LayerProperties::passing_4,
    &LayerProperties::initial_water_content,
};

// "line 9 (record 9)": where the record just read lies.
std::string at_line(std::string_view record) {
  return "line " + std::to_string(platform::unit_line(kInputChannel)) + " (" + std::string(record) +
         ")";
}

std::string layer_record(int layer) { return "record L1 of layer " + std::to_string(layer); }
std::string property_record(int record, int layer) {
  return "record " + std::to_string(record) + " of layer " + std::to_string(layer);
}

[[noreturn]] void reject(const std::string& where, const std::string& problem) {
  reject_input(where, problem);
}

// Records of the climate data, named only when a message needs it.
struct DayRecord {
  int day;
};
struct HourRecord {
  int hour_record;
  int day;
};
std::string record_name(std::string_view record) { return std::string(record); }
std::string record_name(DayRecord r) { return "day record of day " + std::to_string(r.day); }
std::string record_name(HourRecord r) {
  return "hour record " + std::to_string(r.hour_record) + " of day " + std::to_string(r.day);
}

// Every real of "input.tmp" is a finite number: NaN or an infinity (a value
// beyond single precision reads as one) would reach the grid's weights, the
// temperature mean and so the result files. `position` counts the record's
// values, integers and texts included.
template <class Record>
void check_finite(const Record& record, int& position, double value) {
  ++position;
  if (!std::isfinite(value))
    reject(at_line(record_name(record)), "value " + std::to_string(position) + " is " +
                                             text_of(value) + "; it must be a finite number");
}
template <class Record>
void check_finite(const Record& record, int& position, float value) {
  check_finite(record, position, static_cast<double>(value));
}
template <class Record>
void check_finite(const Record& record, int& position, std::span<float> values) {
  for (float v : values) check_finite(record, position, static_cast<double>(v));
}
template <class Record, class T>
void check_finite(const Record&, int& position, const T&) {
  ++position;
}

// One free-form record of "input.tmp" whose reals must be finite.
template <class Record, class... T>
void read_record(const Record& record, T&&... values) {
  read_list(kInputChannel, values...);
  int position = 0;
  (check_finite(record, position, values), ...);
}

bool is_bound_layer(const platform::FixedText<10>& name) {
  return name == "PCC" || name == "Asphalt" || name == "ATB";
}

// Record 9's counts, checked before anything is sized from them.
void check_counts(const ClimateRun& run) {
  const SimulationCounts& sc = run.simulation_counts;
  const std::string where = at_line("record 9");
  if (sc.layer_count > kMaxLayers)
    reject(where, text_of(sc.layer_count) + " layers; at most 30 can be simulated");
  const std::int64_t nodes = static_cast<std::int64_t>(sc.node_interval_count) + 1;
  if (nodes < 2 || nodes > kMaxNodes)
    reject(where,
           text_of(sc.node_interval_count) + " node intervals; the grid needs 2 to 300 nodes");
  if (sc.section_counts(1) < 0 || sc.section_counts(2) < 0 ||
      static_cast<std::int64_t>(sc.section_counts(1)) + sc.section_counts(2) > kMaxLayers)
    reject("record 8", "bound-layer counts " + text_of(sc.section_counts(1)) + " and " +
                           text_of(sc.section_counts(2)) +
                           " must be 0 or more, 30 at most together");
}

// The time step must divide the hour, and the output interval the day, into
// whole numbers of steps; the run's clocks are built on both.
void check_time_step(ClimateRun& run, float time_step) {
  PeriodControl& pc = run.period_control;
  const std::string where = at_line("record 9");

  const float inverse = 1.0f / pc.half_step_hours;
  std::int32_t steps_per_hour = 0;
  if (std::isfinite(inverse) && inverse > 0 && inverse < 1.0e6f)
    steps_per_hour = static_cast<std::int32_t>(std::round(inverse)) / 2;
  if (steps_per_hour < 1 ||
      std::fabs(static_cast<double>(steps_per_hour) * static_cast<double>(time_step) - 1.0) >
          1.0e-4)
    reject(where, "time step of " + text_of(time_step) +
                      " hours; it must divide the hour into a whole number of steps");
  pc.steps_per_hour = steps_per_hour;
  pc.steps_per_day = 24 * steps_per_hour;

  const float steps = static_cast<float>(steps_per_hour) * pc.output_interval_hours;
  std::int32_t interval = 0;
  if (std::isfinite(steps) && steps >= 1.0f && steps <= static_cast<float>(pc.steps_per_day))
    interval = static_cast<std::int32_t>(steps);
  if (interval < 1 || pc.steps_per_day % interval != 0)
    reject(where, "output interval of " + text_of(pc.output_interval_hours) +
                      " hours; it must be a whole number of time steps that divides the day");
  pc.output_step_interval = interval;

  // Every reader of the temperature history takes 24 records a day.
  if (pc.output_interval_hours != 1.0f)
    reject(where, "output interval of " + text_of(pc.output_interval_hours) +
                      " hours; the temperature history is read hourly, so it must be 1");
}

// Step 6 for the top layer, right after its record L1.
void check_top_layer(ClimateRun& run, float ac_thickness,
                     const platform::FixedText<255>& work_directory) {
  LayerProperties& lp = run.layer_properties;
  if (lp.layer_last_node(1) < 2)
    reject(at_line(layer_record(1)), "last node " + text_of(lp.layer_last_node(1)) +
                                         " of the top layer; it must be 2 or more");
  if (std::fabs(ac_thickness - lp.layer_thickness(1)) > 0.1f) {
    // The wanted thickness is the run's, from the first mean of "input.dat":
    // the fault is there, not in the record it replaces.
    if (!(ac_thickness > 0) || !std::isfinite(ac_thickness))
      platform::stop_run(platform::kStopDecided,
                         "Input error in \"" +
                             std::string(project_file(work_directory, "input.dat").trimmed()) +
                             "\": the asphalt thickness wanted by the run, " +
                             text_of(ac_thickness) +
                             " inches, must be a finite number above 0; it replaces the "
                             "thickness of the top layer read from \"" +
                             platform::unit_name(kInputChannel) + "\"");
    lp.layer_thickness(1) = ac_thickness;
  }
  lp.layer_node_spacing(1) = lp.layer_thickness(1) / static_cast<float>(lp.layer_last_node(1) - 1);
  platform::console_line(platform::format_list("    ihac=", std::int32_t{1}, lp.layer_thickness(1),
                                               lp.layer_last_node(1)));
  if (lp.layer_node_spacing(1) > 1.5f) {
    platform::console_line(" You should rerun tervon.exe with the correct AC thickness");
    platform::console_line(" To rerun tervon.exe, enter CNTL^C and rerun tervon");
    platform::console_line(" To continue enter <CR>");
    platform::console_pause();
  }
}

void read_layers(ClimateRun& run, float ac_thickness,
                 const platform::FixedText<255>& work_directory) {
  LayerProperties& lp = run.layer_properties;
  auto& names = run.layer_names.layer_names;
  std::string label;
  for (int i = 1; i <= run.simulation_counts.layer_count; ++i) {
    read_record(layer_record(i), names(i), lp.layer_thickness(i), lp.layer_node_spacing(i),
                lp.layer_last_node(i), label);
    if (i == 1) check_top_layer(run, ac_thickness, work_directory);
    if (is_bound_layer(names(i))) {
      read_record(property_record(2, i), lp.bound_unit_weight(i), label);
      read_record(property_record(3, i), lp.bound_conductivity(i), label);
      read_record(property_record(4, i), lp.bound_heat_capacity(i), label);
      continue;
    }
    int k = 2;
    for (LayerTable LayerProperties::*record : kSoilRecords)
      read_record(property_record(k++, i), (lp.*record)(i), label);
    lp.initial_water_content(i) = lp.initial_water_content(i) / 100.0f;
    if (names(i) == "Bed rock") {
      lp.fredlund_a(i) = 6.0f;
      lp.fredlund_b(i) = 0.3f;
      lp.fredlund_c(i) = 4.0f;
      lp.fredlund_hr(i) = 100.0f;
    }
  }
}

// The layer structure as a whole, once the day count is read and before any
// array is sized from it.
void check_structure(const ClimateRun& run) {
  const SimulationCounts& sc = run.simulation_counts;
  const LayerProperties& lp = run.layer_properties;
  if (sc.section_count_total >= sc.layer_count)
    reject("record 8", text_of(sc.section_count_total) + " bound layers among " +
                           text_of(sc.layer_count) +
                           " layers; at least one unbound layer is needed");
  // The counts say which layers are bound; the names say which records each
  // layer has. A soil layer counted as bound has no bound values, a bound one
  // below the count no soil values.
  for (int i = 1; i <= sc.layer_count; ++i) {
    const bool counted = i <= sc.section_count_total;
    if (counted == is_bound_layer(run.layer_names.layer_names(i))) continue;
    reject("record 8",
           "bound-layer counts " + text_of(sc.section_counts(1)) + " and " +
               text_of(sc.section_counts(2)) + " make layer " + std::to_string(i) + " \"" +
               run.layer_names.layer_names(i).str() + "\" " +
               (counted ? "bound, but it has the records of an unbound layer"
                        : "unbound, but it has the records of a bound layer (\"PCC\", "
                          "\"Asphalt\" or \"ATB\")"));
  }
  for (int i = 1; i <= sc.layer_count; ++i) {
    if (i > 1 && lp.layer_last_node(i) <= lp.layer_last_node(i - 1))
      reject(layer_record(i), "last node " + text_of(lp.layer_last_node(i)) +
                                  " does not follow the last node " +
                                  text_of(lp.layer_last_node(i - 1)) + " of the layer above");
    if (!(lp.layer_thickness(i) > 0))
      reject(layer_record(i),
             "thickness " + text_of(lp.layer_thickness(i)) + "; it must be above 0");
    if (!(lp.layer_node_spacing(i) > 0))
      reject(layer_record(i),
             "nodal spacing " + text_of(lp.layer_node_spacing(i)) + "; it must be above 0");
    // Its first node lies one spacing below the layer above: a wider spacing
    // puts the node below the layer.
    if (lp.layer_node_spacing(i) > lp.layer_thickness(i))
      reject(layer_record(i), "nodal spacing " + text_of(lp.layer_node_spacing(i)) +
                                  " is wider than the layer's thickness " +
                                  text_of(lp.layer_thickness(i)));
  }
  if (lp.layer_last_node(sc.layer_count) != sc.node_count)
    reject(layer_record(sc.layer_count),
           "last node " + text_of(lp.layer_last_node(sc.layer_count)) +
               " of the deepest layer; it must be the node count " + text_of(sc.node_count));
  // The set-up adds bottoms and node depths up in single precision (the nodes
  // are known to end at the node count now); finite values can still sum to an
  // infinite depth, and a spacing lost against the depth above leaves two
  // nodes at one depth.
  float bottom = 0.0f, depth = 0.0f;
  for (int i = 1; i <= sc.layer_count; ++i) {
    bottom += lp.layer_thickness(i);
    for (int n = i == 1 ? 2 : lp.layer_last_node(i - 1) + 1; n <= lp.layer_last_node(i); ++n) {
      const float below = depth + lp.layer_node_spacing(i);
      if (!(below > depth) && std::isfinite(below))
        reject(layer_record(i), "nodal spacing " + text_of(lp.layer_node_spacing(i)) +
                                    " is lost against the depth " + text_of(depth) +
                                    " inches of node " + std::to_string(n - 1) +
                                    ": node " + std::to_string(n) + " would lie at the same depth");
      depth = below;
    }
    if (!std::isfinite(bottom) || !std::isfinite(depth))
      reject(layer_record(i), "the layers reach below any depth that can be held");
  }
  if (run.period_control.day_count < 0)
    reject("record D",
           "day count " + text_of(run.period_control.day_count) + "; it must be 0 or more");
}

// The daily form runs the air temperature linearly between the hours of the
// daily minimum and maximum; both stretches of the day need a length.
void check_temperature_hours(const ClimateRun& run) {
  if (run.climate_simulation_common.climate_record_form == 0) return;
  const auto& c = run.climate_simulation_common.surface_constants;
  const float low = c(kMinTemperatureHour);
  const float high = c(kMaxTemperatureHour);
  const float span = high - low;
  if (!(span > 0.0f && span < 24.0f))
    reject(at_line("record C3"),
           "hours " + text_of(low) + " and " + text_of(high) +
               " of the daily minimum and maximum temperature; the daily records need the "
               "maximum more than 0 and less than 24 hours after the minimum");
}

// The calendar of day d: its date, its month of the record and the month check.
void begin_day(ClimateRun& run, int d, std::int32_t month, std::int32_t day, std::int32_t year) {
  if (month < 1 || month > 12)
    reject(at_line("day record of day " + std::to_string(d)),
           "month " + text_of(month) + "; it must be 1 to 12");
  // The temperature history stamps every record with a four-digit year.
  if (year < 1 || year > 9999)
    reject(at_line("day record of day " + std::to_string(d)),
           "year " + text_of(year) + "; it must be 1 to 9999");
  ClimateWork& w = run.work;
  w.calendar_month(d) = month;
  w.calendar_day(d) = day;
  w.calendar_year(d) = year;
  if (d > 1 && day == 1) w.add_month();
  const int m = w.month_count;
  w.days_per_month(m) += 1.0;
  w.month_number(m) = month;
  w.month_year(m) = year;
}

void count_wet_day(ClimateWork& w, int d) {
  if (w.daily_precipitation(d) == 0.0) return;
  w.wet_days_per_month(w.month_count) += 1;
  w.wet_day_list(++w.wet_day_count) = w.calendar_day(d);
}

void read_hourly_records(ClimateRun& run) {
  ClimateWork& w = run.work;
  ClimateSimulationCommon& common = run.climate_simulation_common;
  const bool averaging = common.thermal_history_mode != 0;
  std::int32_t month = 0, day = 0, year = 0, hour = 0;
  for (int d = 1; d <= run.period_control.day_count; ++d) {
    w.add_day();
    read_record(DayRecord{d}, month, day, year, w.sunrise_hour(d),
                w.sunset_hour(d), w.daily_radiation(d));
    begin_day(run, d, month, day, year);
    for (int h = 1; h <= 24; ++h) {
      read_record(HourRecord{h, d}, hour, w.hourly_temperature(h, d),
                  w.hourly_precipitation(h, d), w.hourly_value_3(h, d), w.hourly_value_4(h, d),
                  w.hourly_value_5(h, d));
      w.daily_precipitation(d) += w.hourly_precipitation(h, d);
      w.daily_value_4(d) += w.hourly_value_3(h, d) / 24.0;
      w.daily_value_5(d) += w.hourly_value_4(h, d) / 24.0;
      w.daily_value_9(d) += w.hourly_value_5(h, d) / 24.0;
      if (averaging) {
        common.climate_record_count += 1.0f;
        common.temperature_sum += w.hourly_temperature(h, d);  // rounded to float every hour
        // The sum becomes the mean annual temperature; it must stay finite.
        if (!std::isfinite(common.temperature_sum))
          reject(at_line(record_name(HourRecord{h, d})),
                 "temperature " + text_of(w.hourly_temperature(h, d)) +
                     "; the hourly temperatures must add up to a finite single-precision sum");
      }
    }
    count_wet_day(w, d);
  }
}

void read_daily_records(ClimateRun& run) {
  ClimateWork& w = run.work;
  std::int32_t month = 0, day = 0, year = 0;
  for (int d = 1; d <= run.period_control.day_count; ++d) {
    w.add_day();
    read_record(DayRecord{d}, month, day, year, w.daily_value_1(d),
                w.daily_value_2(d), w.daily_precipitation(d), w.daily_value_4(d),
                w.daily_value_5(d), w.sunrise_hour(d), w.sunset_hour(d), w.daily_radiation(d),
                w.daily_value_9(d));
    begin_day(run, d, month, day, year);
    count_wet_day(w, d);
  }
}

// The temperature history holds kMaxHistoryPoints evaluation points through the
// top layers; where they fall depends only on the layer records, so a structure
// that needs more is refused here, before any file of the run is opened.
void check_history_points(const ClimateRun& run) {
  const int points = count_history_points(run);
  if (points <= kMaxHistoryPoints) return;
  reject(layer_record(1),
         "the top layer \"" + std::string(run.layer_names.layer_names(1).trimmed()) + "\" of " +
             text_of(run.layer_properties.layer_thickness(1)) + " inches needs " +
             std::to_string(points) + " temperature-history points; at most " +
             std::to_string(kMaxHistoryPoints) + " can be written");
}

}  // namespace

void reject_input(const std::string& where, const std::string& problem) {
  platform::stop_run(
      platform::kStopDecided,
      "Input error in \"" + platform::unit_name(kInputChannel) + "\", " + where + ": " + problem);
}

int soil_record_number(LayerTable LayerProperties::*field) {
  const auto* at = std::find(kSoilRecords.begin(), kSoilRecords.end(), field);
  return static_cast<int>(at - kSoilRecords.begin()) + 2;
}

void climate_input_phase(ClimateRun& run, float ac_thickness, float thickness_deviation,
                         const platform::FixedText<255>& work_directory,
                         const platform::FixedText<255>& temperature_file_name) {
  ClimateSimulationCommon& common = run.climate_simulation_common;
  PeriodControl& period = run.period_control;
  SimulationCounts& counts = run.simulation_counts;
  NodeState& nodes = run.node_state;

  run.thickness_deviation = thickness_deviation;
  run.temperature_file_name = temperature_file_name;
  run.progress_file_name = progress_file_name_from_arguments();

  read_correction_table(run.correction_fields);
  write_progress(run, 1, ProgressOpenFailure::kStop);
  run.failure_mark_due = true;

  // Read only: a missing input is the file layer's stop, and nothing is created.
  platform::open_unit(kInputChannel,
                      platform::concat<256>(work_directory.trimmed(), "input.tmp").view(),
                      platform::OpenStatus::Old);

  // Header records 1-9.
  std::string label;
  read_list(kInputChannel, common.climate_record_form);
  read_list(kInputChannel, common.retention_form);
  read_record("record 3", common.units_flag);
  read_list(kInputChannel, common.thermal_history_mode);
  read_list(kInputChannel, common.moisture_index_choice, label);
  read_list(kInputChannel, common.pavement_type, label);
  static const platform::Format kCaseNameLayout("(A80)");
  platform::FixedText<80> case_name_read;
  platform::read_fixed(kInputChannel, kCaseNameLayout, case_name_read);
  common.case_name = work_directory;  // the result files are named after the project
  read_list(kInputChannel, counts.section_counts(1), counts.section_counts(2));
  float time_step = 0;
  read_list(kInputChannel, counts.layer_count, counts.node_interval_count, time_step,
            period.output_interval_hours);
  check_counts(run);
  counts.section_count_total = counts.section_counts(1) + counts.section_counts(2);
  counts.node_count = counts.node_interval_count + 1;
  period.half_step_hours = time_step / 2.0f;
  check_time_step(run, time_step);

  read_layers(run, ac_thickness, work_directory);

  // Site constants C1-C4 and the day count.
  read_record("record C1", common.surface_constants.span(1, 5));
  read_record("record C2", common.surface_constants.span(6, 4));
  read_record("record C3", common.surface_constants.span(10, 4));
  check_temperature_hours(run);
  read_record("record C4", common.surface_constants(14));
  read_list(kInputChannel, period.day_count);
  platform::console_line(platform::format_list(period.day_count));
  check_structure(run);

  // The days are added as their records are read (read_hourly_records,
  // read_daily_records).
  run.work.create(0, counts.layer_count - counts.section_count_total);

  for (int n = 1; n <= counts.node_count; ++n)
    read_record("nodal record " + std::to_string(n), nodes.node_temperature(n),
                nodes.node_suction(n));

  if (common.climate_record_form == 0) {
    read_hourly_records(run);
  } else {
    read_daily_records(run);
  }

  prepare_climate_input(run.work, common.climate_record_form);

  // Only averaged hours replace the mean annual temperature; the daily form, or a
  // run without the history mode, keeps the value read.
  if (common.thermal_history_mode != 0 && common.climate_record_count > 0) {
    const float mean = common.temperature_sum / common.climate_record_count;
    common.surface_constants(kBottomTemperature) = mean;
    nodes.node_temperature(counts.node_count) = mean;
  }

  // Trailing records T1-T4.
  DrainageInputs& t = common.drainage_inputs;
  read_record("record T1", t.path_length, t.slope_percent, t.simulation_integer);
  read_record("record T2", t.fines_type, t.fines_content, t.gravel_content, t.sand_content);
  read_record("record T3", t.infiltration_constant_choice, t.power_form_factor,
              t.infiltration_scale);
  read_record("record T4", t.rainfall_first, t.rainfall_constants.span(1, 4));

  check_history_points(run);
  // Only a structure with a bound layer is evaluated for drainage.
  if (counts.section_count_total > 0) check_drainage_inputs(run);
}

}  // namespace engine
