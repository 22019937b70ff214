#pragma once
// Thermal stress and crack growth of one case: the hourly stress at each depth
// node of the asphalt layer from its temperatures and the relaxation series,
// the daily growth of a crack from the surface, and the amount of thermal
// cracking it means, month by month over the analysis period. Depths and the
// crack in millimetres, temperatures in deg F, times in seconds, stresses in
// psi, cracking in feet per mile.

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/cracking/cracking_state.h"

namespace engine {

// Hourly temperatures of the asphalt layer by day, hour of day and node,
// 1-based; the day's hours lie together, the nodes of an hour side by side.
class TemperatureHistory {
 public:
  // `days` whole days of `nodes` nodes, all 0.
  void reset(int days, int nodes);
  void reserve_days(int days) {
    values_.reserve(static_cast<std::size_t>(std::max(days, 0)) * 24 * static_cast<std::size_t>(nodes_));
  }
  // One more day at the end, all 0; returns its day number.
  int add_day();
  void clear();

  int days() const { return days_; }
  int nodes() const { return nodes_; }
  // The `nodes` temperatures of one hour (node 1 first).
  double* hour(int day, int hour_of_day) {
    return values_.data() + (static_cast<std::size_t>(day - 1) * 24 + (hour_of_day - 1)) * nodes_;
  }
  const double* hour(int day, int hour_of_day) const {
    return values_.data() + (static_cast<std::size_t>(day - 1) * 24 + (hour_of_day - 1)) * nodes_;
  }

 private:
  std::vector<double> values_;
  int days_ = 0;
  int nodes_ = 0;
};

inline constexpr int kMaxStressNodes = 12;
// The months the stress computation covers at most, and so the longest design
// life (whole years of them) whose result keys the options can take back.
inline constexpr std::int64_t kMaxMonths = 10000;
inline constexpr std::int32_t kMaxDesignYears = static_cast<std::int32_t>(kMaxMonths / 12);
inline constexpr int kMaxRelaxationTerms = 10;

// log10 of the master curve's shift is linear in temperature between two test
// temperatures: (-4, 14) below 14 deg F, (14, 32) from 14 deg F on. The slope
// and intercept of both bands, computed once per case.
struct ShiftBands {
  double cold_slope = 0.0, cold_intercept = 0.0;
  double warm_slope = 0.0, warm_intercept = 0.0;
};

ShiftBands shift_bands(const std::array<double, 2>& master_curve_shifts);

// Reduced-time increment of one hour, in seconds, when the temperature moves
// linearly by `temperature_change` from `start_temperature`; for a change below
// 1e-20 the shift rate at `mean_temperature` per second, which the caller
// multiplies by 3600.
double shift_factor(const ShiftBands& bands, double mean_temperature, double temperature_change,
                    double start_temperature);

struct RelaxationSeries {
  int count = 0;  // K
  std::array<double, kMaxRelaxationTerms> times{};   // rho_j, s
  std::array<double, kMaxRelaxationTerms> moduli{};  // E_j, psi
};

RelaxationSeries relaxation_series(const CreepFitCommon& fit);

// Working state of one stress history, zero at its start.
struct StressWork {
  std::array<double, kMaxStressNodes> node_stress{};
  std::array<std::array<double, kMaxRelaxationTerms>, kMaxStressNodes> term_stress{};
  // rows 1-24 the previous day's hours, 25-48 the current day's (1-based)
  std::array<std::array<double, kMaxStressNodes>, 48> hourly_stress_rows{};
};

// Steps the stress of nodes tip..node_count over one hour, node i going from
// previous[i-1] to current[i-1] deg F.
void update_prony_stress(StressWork& work, const RelaxationSeries& series, const ShiftBands& bands,
                         const double* previous, const double* current, int node_count, int tip);

// The history node above a depth (mm) and where the depth lies below it:
// nodes are 2 inches apart; the crack-tip stress of a row is
// s(tip) + (s(tip + 1) - s(tip)) * offset / spacing.
void depth_to_node(double depth, double& spacing, double& offset, int& tip);

// The crack of one case: its depth, the sub-layer boundary it grows to, and
// the cracking of the day.
struct CrackGrowth {
  explicit CrackGrowth(double thickness_inches);

  // After a day's stresses: the crack jumps to the next boundary when the
  // largest stress beats the strength, else grows by the Paris law from the
  // stress range; then the boundary test.
  void grow(double sigma_max, double sigma_min, double strength, double paris_a, double paris_n,
            double fracture_scale);
  // The day's cracking, ft/mile, from the crack depth.
  void classify();

  double thickness;     // inches
  double layer_depth;   // hac, mm
  double min_depth;     // cd_min, mm
  double crack_depth = 0.0;
  double boundary;
  int stage_count = 0;
  std::int64_t growth_count = 0;
  double daily_cracking = 0.0;
};

// What a stress history did; for tests and measurements.
struct StressHistorySummary {
  std::int64_t days = 0;
  std::int64_t months = 0;     // months computed
  std::int64_t final_key = 0;  // the month of the final row
};

// Follows one case through the analysis period and writes its rows to the
// crack-result channel (and the final row to the console). `node_count` is set
// to the number of history nodes; `day_count` is the days loaded + 1.
StressHistorySummary compute_thermal_stress_history(const CrackingState& state, double paris_n,
                                                    double paris_a, double strength,
                                                    double thickness,
                                                    const TemperatureHistory& history,
                                                    int& node_count, int day_count);

}  // namespace engine
