#pragma once
// The state of one call of run_climate_simulation. Each shared block of the
// simulation is one struct; ClimateRun holds them all, together with the call's
// own values and its work arrays, and every routine of the simulation receives it
// by reference. A call creates a fresh, all-zero ClimateRun, so calls never see
// each other's values.

#include <array>
#include <cstdint>

#include "engine/climate/climate_limits.h"
#include "engine/climate/drainage_curve.h"
#include "engine/climate/one_based.h"
#include "engine/climate/unbound_state.h"
#include "platform/fixed_text.h"

namespace engine {

// ------------------------------------------------------------------ channels

inline constexpr int kInputChannel = 11;       // "input.tmp"
inline constexpr int kProgressChannel = 12;    // progress file, one record per write
inline constexpr int kCorrectionChannel = 20;  // "LTTP_CORRECT.CSV"

// Positions in surface_constants of the named site constants.
enum SurfaceConstant : int {
  kMaxConvectionCoefficient = 1,
  kSurfaceEmissivity = 2,
  kSurfaceAbsorptivity = 3,
  kBottomTemperature = 4,  // the site's mean annual air temperature, deg F
  kSkyEmissionA = 6,
  kSkyEmissionB = 7,
  kSurfaceStepFactor = 8,
  kCloudFactor = 9,
  kMinTemperatureHour = 10,
  kMaxTemperatureHour = 11,
  kFreezeBandTop = 12,
  kFreezeBandBottom = 13,
};

// Trailing records T1-T4 of "input.tmp", read by the drainage evaluation.
struct DrainageInputs {
  // T1
  float path_length = 0;  // drainage path length L
  float slope_percent = 0;
  std::int32_t simulation_integer = 0;
  // T2
  std::int32_t fines_type = 0;  // 1-3
  float fines_content = 0;      // percent
  float gravel_content = 0;
  float sand_content = 0;
  // T3: the infiltration relation. The power form's constant K is 0.03 for
  // choice 1 and 0.11 for choice 2; a power-form factor F of 0 selects the
  // crack form instead; the scale Y enters both forms.
  std::int32_t infiltration_constant_choice = 0;
  float power_form_factor = 0;
  float infiltration_scale = 0;
  // T4: the power form's rainfall value R, then its four constants (0: default)
  float rainfall_first = 0;
  OneBasedArray<float, 4> rainfall_constants;

  bool operator==(const DrainageInputs&) const = default;
};

// Run flags, site constants and the values the whole simulation shares.
struct ClimateSimulationCommon {
  std::int32_t climate_record_form = 0;  // 0: hourly records; any other value: daily
  std::int32_t retention_form = 0;
  float units_flag = 0;  // 1.0: results in English units, compared exactly
  std::int32_t thermal_history_mode = 0;
  std::int32_t moisture_index_choice = 0;
  platform::FixedText<12> pavement_type;
  platform::FixedText<255> case_name;  // the project directory; names the result files
  OneBasedArray<float, 14> surface_constants;
  DrainageInputs drainage_inputs;
  // Hourly temperatures averaged in the temperature-history mode, and their sum.
  float climate_record_count = 0;
  float temperature_sum = 0;
  float freeze_temperature = 0;  // deg F, threshold of the frost routines

  bool operator==(const ClimateSimulationCommon&) const = default;
};

// Time step, output interval and the day count.
struct PeriodControl {
  std::int32_t day_count = 0;
  float half_step_hours = 0;  // half the time step read from "input.tmp"
  float output_interval_hours = 0;
  // Derived from the two above when they are checked.
  std::int32_t steps_per_hour = 0;
  std::int32_t steps_per_day = 0;
  std::int32_t output_step_interval = 0;

  bool operator==(const PeriodControl&) const = default;
};

struct SimulationCounts {
  OneBasedArray<std::int32_t, 2> section_counts;
  std::int32_t section_count_total = 0;  // bound layers at the top of the structure
  std::int32_t layer_count = 0;
  std::int32_t node_interval_count = 0;
  std::int32_t node_count = 0;
  // Evaluation points of the temperature history, the surface point included.
  std::int32_t history_point_count = 0;

  bool operator==(const SimulationCounts&) const = default;
};

struct NodeState {
  OneBasedArray<float, kMaxNodes> node_temperature;  // deg F, node 1 at the surface
  OneBasedArray<float, kMaxNodes> node_suction;      // pore-water pressure, negative in tension
  OneBasedArray<float, kMaxNodes> node_water_content;
  OneBasedArray<float, kMaxNodes> node_ice_content;
  OneBasedArray<float, kMaxNodes> node_modulus;
  // The grid, from the layer and node set-up.
  OneBasedArray<float, kMaxNodes> node_depth;  // inches below the surface
  OneBasedArray<std::int32_t, kMaxNodes> node_layer;

  bool operator==(const NodeState&) const = default;
};

using LayerTable = OneBasedArray<float, kMaxLayers>;

struct LayerProperties {
  LayerTable layer_thickness;     // inches
  LayerTable layer_node_spacing;  // inches
  OneBasedArray<std::int32_t, kMaxLayers> layer_last_node;
  // From the layer and node set-up.
  OneBasedArray<std::int32_t, kMaxLayers> layer_first_node;
  LayerTable layer_bottom_depth;  // inches
  LayerTable layer_spacing_feet;
  // bound layers ("PCC", "Asphalt", "ATB")
  LayerTable bound_unit_weight;
  LayerTable bound_conductivity;
  LayerTable bound_heat_capacity;
  // soil layers, in the order of their records
  LayerTable soil_unit_weight;
  LayerTable soil_conductivity;
  LayerTable soil_heat_capacity;
  LayerTable soil_porosity;
  LayerTable frozen_modulus;
  LayerTable unfrozen_modulus;
  LayerTable saturated_permeability;
  LayerTable gardner_k_multiplier;
  LayerTable gardner_k_exponent;
  LayerTable gardner_water_multiplier;
  LayerTable gardner_water_exponent;
  LayerTable fredlund_a;
  LayerTable fredlund_b;
  LayerTable fredlund_c;
  LayerTable fredlund_hr;
  LayerTable plasticity_index;
  LayerTable d60_mm;
  LayerTable passing_200;
  LayerTable passing_4;
  LayerTable initial_water_content;  // volumetric fraction (read in percent)
  // Set up with the four-parameter retention form: the recovery period after a
  // thaw (days), and the relative hydraulic conductivity (1 at saturation) of
  // each layer at the suctions 10^((i - 1) / 10 - 4) kPa.
  LayerTable recovery_days;
  OneBasedArray<OneBasedArray<float, kConductivityPoints>, kMaxLayers> relative_conductivity;

  bool operator==(const LayerProperties&) const = default;
};

// The retention parameters of one layer, fixed once the material set-up has run,
// with what the per-node forms would otherwise recompute on every call.
struct RetentionLayer {
  double porosity = 0;  // saturated water content
  // two-parameter form, suction in cm of water
  double gardner_multiplier = 0;
  double gardner_exponent = 0;
  // four-parameter form, suction in kPa
  double fredlund_a = 0;
  double fredlund_b = 0;
  double fredlund_c = 0;
  double fredlund_hr = 0;
  double correction_span = 0;  // ln(1 + 1.0e6 / hr): the correction reaches 0 at 1.0e6 kPa
  double upper_step = 0;       // 1.01^b and 0.99^b: the capacity's difference points
  double lower_step = 0;

  bool operator==(const RetentionLayer&) const = default;
};

struct LayerNames {
  OneBasedArray<platform::FixedText<10>, kMaxLayers> layer_names;

  bool operator==(const LayerNames&) const = default;
};

// The optional correction table "LTTP_CORRECT.CSV": the fields of the line last
// split, and the first line's values (the depths of the correction points).
struct CorrectionFields {
  bool correction_file_open = false;
  platform::FixedText<16> correction_key;
  OneBasedArray<float, kMaxCorrectionFields> correction_fields;
  std::int32_t correction_field_count = 0;
  OneBasedArray<double, kMaxCorrectionFields> initial_corrections;
  // The node that receives each field's correction; 0 when its depth found no
  // node interval, and the field is not applied.
  OneBasedArray<std::int32_t, kMaxCorrectionFields> correction_node;
  // A line read but dated after the day that read it waits, split into the
  // fields above, for its own day.
  bool line_pending = false;
  std::int64_t pending_date = 0;  // yyyymmdd

  bool operator==(const CorrectionFields&) const = default;
};

// The five hourly climate tables share one layout: the 24 hours of a day side by
// side (record k of a day holds the value at hour k - 1), day after day.
class HourlyTable {
 public:
  void create(int day_count) { values_.assign(24 * static_cast<std::size_t>(day_count), 0.0); }
  // Appends one day of zeros.
  void add_day() { values_.resize(values_.size() + 24, 0.0); }
  double& operator()(int hour_record, int day) {
    assert(hour_record >= 1 && hour_record <= 24 && day >= 1 && index(24, day) < values_.size());
    return values_[index(hour_record, day)];
  }
  double operator()(int hour_record, int day) const {
    assert(hour_record >= 1 && hour_record <= 24 && day >= 1 && index(24, day) < values_.size());
    return values_[index(hour_record, day)];
  }
  bool operator==(const HourlyTable&) const = default;

 private:
  static std::size_t index(int hour_record, int day) {
    return static_cast<std::size_t>(day - 1) * 24 + static_cast<std::size_t>(hour_record - 1);
  }
  std::vector<double> values_;
};

// Water content at each of kSuctionTablePoints suctions, one column per unbound
// layer (column k for layer section_count_total + k), each column contiguous.
class SuctionTable {
 public:
  void create(int unbound_layers) {
    columns_ = unbound_layers;
    values_.assign(static_cast<std::size_t>(unbound_layers) * kSuctionTablePoints, 0.0);
  }
  int columns() const { return columns_; }
  double& operator()(int column, int point) { return column_span(column)[point_index(point)]; }
  double operator()(int column, int point) const { return column_span(column)[point_index(point)]; }
  std::span<double> column_span(int column) {
    assert(column >= 1 && column <= columns_);
    return std::span<double>(values_).subspan(
        static_cast<std::size_t>(column - 1) * kSuctionTablePoints, kSuctionTablePoints);
  }
  std::span<const double> column_span(int column) const {
    assert(column >= 1 && column <= columns_);
    return std::span<const double>(values_).subspan(
        static_cast<std::size_t>(column - 1) * kSuctionTablePoints, kSuctionTablePoints);
  }
  bool operator==(const SuctionTable&) const = default;

 private:
  static std::size_t point_index(int point) {
    assert(point >= 1 && point <= kSuctionTablePoints);
    return static_cast<std::size_t>(point - 1);
  }
  int columns_ = 0;
  std::vector<double> values_;
};

// Work arrays of one call, made once the counts are read and released with the
// ClimateRun (also when a stop ends the call). The reader makes them empty and
// adds each day as its record arrives, so a day count that the file does not
// back ends at the file's end, never in an allocation sized by the count.
struct ClimateWork {
  // hourly records
  HourlyTable hourly_temperature;    // deg F
  HourlyTable hourly_precipitation;  // inches
  HourlyTable hourly_value_3;
  HourlyTable hourly_value_4;
  HourlyTable hourly_value_5;  // water table, feet

  // one entry per day
  OneBasedVector<double> daily_value_1;
  OneBasedVector<double> daily_value_2;
  OneBasedVector<double> daily_precipitation;
  OneBasedVector<double> daily_value_4;
  OneBasedVector<double> daily_value_5;
  OneBasedVector<double> sunrise_hour;
  OneBasedVector<double> sunset_hour;
  OneBasedVector<double> daily_radiation;
  OneBasedVector<double> daily_value_9;
  OneBasedVector<double> daily_tmi;  // Thornthwaite moisture index of each day
  OneBasedVector<std::int32_t> calendar_month;
  OneBasedVector<std::int32_t> calendar_day;
  OneBasedVector<std::int32_t> calendar_year;
  // Day of month of every wet day, in reading order; wet_day_count entries used.
  OneBasedVector<std::int32_t> wet_day_list;
  std::int32_t wet_day_count = 0;

  // One entry per month of the record (a month begins at every day record with
  // day 1 but the first); the tables grow as the records are read.
  std::int32_t month_count = 0;
  OneBasedVector<double> days_per_month;
  OneBasedVector<std::int32_t> wet_days_per_month;
  OneBasedVector<std::int32_t> month_number;  // calendar month of the month's last day
  OneBasedVector<std::int32_t> month_year;    // year of the month's last day

  SuctionTable suction_table;
  // Retention parameters of the unbound layers, from the material set-up.
  OneBasedArray<RetentionLayer, kMaxLayers> retention;

  // From the layer and node set-up: the evaluation points of the temperature
  // history, each between two nodes with linear weights, and the depth of each
  // point (inches).
  OneBasedArray<std::int32_t, kMaxHistoryPoints> history_upper_node;
  OneBasedArray<std::int32_t, kMaxHistoryPoints> history_lower_node;
  OneBasedArray<double, kMaxHistoryPoints> history_upper_weight;
  OneBasedArray<double, kMaxHistoryPoints> history_lower_weight;
  OneBasedArray<float, kMaxHistoryPoints> history_point_depth;
  // The daily water-table depths in feet, kept for the unbound-layer step.
  OneBasedVector<double> water_table_feet;
  // Node work vectors of the unbound-layer moisture solution.
  std::array<OneBasedArray<float, kMaxNodes>, 3> moisture_work;

  // Sizes every table for `day_count` days and `unbound_layers` suction columns,
  // all zero, with one (empty) month.
  void create(int day_count, int unbound_layers);
  // Extends every per-day table by one zeroed day.
  void add_day();
  // Opens the next month, zeroed.
  void add_month();

  bool operator==(const ClimateWork&) const = default;
};

// The day's extremes of the pavement's temperature gradient, deg F per inch,
// and the hours at which they occurred.
struct DailyGradients {
  float minimum_hour = 0.0f;  // hour of the most negative gradient
  float minimum = 0.0f;
  float maximum_hour = 0.0f;  // hour of the largest positive gradient
  float maximum = 0.0f;

  bool operator==(const DailyGradients&) const = default;
};

struct ClimateRun {
  ClimateSimulationCommon climate_simulation_common;
  PeriodControl period_control;
  SimulationCounts simulation_counts;
  NodeState node_state;
  LayerProperties layer_properties;
  LayerNames layer_names;
  CorrectionFields correction_fields;

  // The call's own values.
  std::int32_t first_implicit_node = 0;  // first node of the implicit (unbound) schemes
  float thickness_deviation = 0;  // written into the temperature-history header
  platform::FixedText<255> temperature_file_name;
  platform::FixedText<256> progress_file_name;
  // Set once progress mark 1 is written and cleared when -2 is: a run that
  // fails in between marks the progress file -2.
  bool failure_mark_due = false;

  // The day loop: its clock and counters, and the surface boundary of the
  // current half step.
  std::int32_t day_index = 0;  // 1 to day_count; 9999 after the normal end
  // Hours since the start of the day, added up step by step in single
  // precision (480 steps of 0.05 end at 23.99992, not 24).
  float hour_of_day = 0.0f;
  std::int32_t step_counter = 0;    // solved steps of the day; -1 before its first output
  std::int32_t output_counter = 0;  // solved steps since the last output point
  float air_temperature = 0.0f;     // deg F
  float surface_heat_flux = 0.0f;   // into the surface
  float convection_coefficient = 0.0f;
  std::int32_t grid_failure_count = 0;
  DailyGradients daily_gradients;
  // The base course's drainage curve, kept by the drainage evaluation for the
  // rainfall boundary of the unbound-layer step.
  DrainageCurve drainage_curve;
  // The unbound-layer step's work state, and the unbound nodes' frost state.
  UnboundStep unbound;
  FrostState frost;

  ClimateWork work;

  bool operator==(const ClimateRun&) const = default;
};

}  // namespace engine
