#pragma once
// Drainage evaluation of the base course, the first layer below the bound
// layers: how fast it drains once saturated (its drainage curve, the time to
// fall to 85 % saturation and a verdict on the design), and, month by month of
// the rainfall record, how often it is wet. Computed in double precision, in
// feet and hours (the permeabilities are taken as ft/h); the report goes to
// ".drn" (drainage_report.h).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/climate/climate_run.h"
#include "engine/climate/drainage_curve.h"

namespace engine {

// What the curve needs of the base course and of the layer beneath it.
struct DrainageLayers {
  double base_porosity = 0;       // nb
  double base_permeability = 0;   // Kb
  double base_thickness = 0;      // H, feet
  double lower_porosity = 0;      // ns
  double lower_permeability = 0;  // Ks
  // No seepage into the layer beneath: Ks <= 0, ns <= 1e-6, or no layer there.
  bool lower_impermeable = false;
  double path_length = 0;  // L, feet
  double slope = 0;        // S, a fraction; 1e-7 for none
};

DrainageLayers drainage_layers(const ClimateRun& run);

// The curve of a base with positive nb, Kb, H and L (otherwise not computed).
// A curve whose points do not all come out finite is not computed either.
DrainageCurve compute_drainage_curve(const DrainageLayers& layers);

// The infiltration relation between a rainfall depth P (inches) and the water
// volume v it brings into the base (ft² per foot of its width): the crack form
// 0.02832·Y·v = 0.32 + 0.48·0.02832·Y·L·P/12, or the power form
// Φ(x) = k1·(60·x/(K·F))^(1 − k3)·R^k2/k4, taken as Φ(Y·v) for a depth and as
// Φ(L·Y·P/12) for a volume: the same function both ways, not its inverse.
struct InfiltrationRelation {
  bool crack_form = true;
  double scale = 0;                   // Y
  double path_length = 0;             // L
  double power_constant = 0;          // K
  double power_factor = 0;            // F
  double rainfall = 0;                // R
  std::array<double, 4> constants{};  // k1..k4
};

// The relation that record T3 selects. Stops (status 1) on a constant choice
// other than 1 or 2, or a negative F, R or constant, when the power form is
// selected.
InfiltrationRelation infiltration_relation(const DrainageInputs& inputs);
double infiltration_volume(const InfiltrationRelation& relation, double depth);
// A negative crack-form depth is 0; a power-form depth that reaches
// 174 / gamma_rate (the rainfall distribution's rate) is taken from the crack
// form instead.
double infiltration_depth(const InfiltrationRelation& relation, double volume, double gamma_rate);

// Γ(a) as the rainfall distribution takes it: the sum over i >= 1 of
// (0.05 i)^(a-1)·e^(-0.05 i)·0.05, until a term adds less than 1e-6 of the sum
// or after 3480 terms. It falls short of Γ(a): by 2.5 % at a = 1, 18 % at 0.5.
double gamma_sum(double shape);

// The distribution of a month's wet-day rainfall depths:
// f(x) = x^(a-1)·e^(-b·x)/(Γ(a)·b^a), with b a rate, so it integrates to
// b^(-2a) rather than 1 (kept as the evaluation's figures rest on it); 10 where
// |b·x| >= 88, or at x <= 0 for a <= 1. Keeps Γ(a) until the shape changes.
class RainfallDistribution {
 public:
  void set(double shape, double rate);
  double shape() const { return shape_; }
  double rate() const { return rate_; }
  double density(double depth) const;
  // The Simpson integral (60 intervals) of the density from `low` to `high`,
  // clipped to 0..1.
  double mass(double low, double high) const;

 private:
  double shape_ = -1;
  double rate_ = 0;
  double gamma_ = 1;
  double scale_ = 1;  // Γ(a)·b^a
};

inline constexpr int kDrainageTableRows = 20;  // 5 %, 10 %, ... 100 %
inline constexpr int kMaxDailyRows = 39;

enum class DrainageVerdict : std::uint8_t {
  kNone,  // 85 % saturation is not reached by drainage, or there is no curve
  kNotAcceptable,
  kMarginallyAcceptable,
  kSatisfactory,
};

// The verdict on a design whose base drains to 85 % saturation in `hours`:
// above 10 not acceptable, 5 to 10 (both included) marginally acceptable.
DrainageVerdict drainage_verdict(double hours);

struct MonthDrainage {
  std::int32_t month_number = 0;  // 1-12
  std::int32_t month_year = 0;
  std::int32_t wet_days = 0;
  std::int32_t dry_sequences = 0;
  std::int32_t wet_sequences = 0;
  // More than one wet day and a non-zero mean wet-day rainfall.
  bool has_day_probabilities = false;
  double dry_day_probability = 0;
  double wet_day_probability = 0;
  // The daily table's dry-spell column, rows 1..daily_rows (0: no table).
  std::int32_t daily_rows = 0;
  OneBasedArray<double, kMaxDailyRows> dry_spell_probability;
  double base_dry_probability = 0;
  double base_wet_probability = 0;
};

struct DrainageResult {
  DrainageCurve curve;
  OneBasedArray<double, kDrainageTableRows> table_hours;  // hours to reach 5 %·row
  double half_drained_hours = 0;                          // t50
  // The evaluation.
  double gravel_drained = 0;  // Tg, percent
  double gravel_content = 0;
  double sand_drained = 0;  // Ts, percent
  double sand_content = 0;
  double drained_percentage = 0;  // W, the share of the water that will drain
  double critical_degree = 0;     // Uc = 15 / W
  double critical_hours = 0;      // hours to reach Uc
  DrainageVerdict verdict = DrainageVerdict::kNone;
  // The daily table's degrees of drainage after 1..daily_rows days, the last 1.
  std::int32_t daily_rows = 0;
  OneBasedArray<double, kMaxDailyRows> daily_degree;
  std::vector<MonthDrainage> months;
};

// The drainage inputs of a run with at least one bound layer: the path length
// above 0, the fines type 1-3, the fines, gravel and sand contents 0-100 percent,
// and a base course with pores and permeability. Stops (status 1) naming the
// record of "input.tmp" and the value.
void check_drainage_inputs(const ClimateRun& run);

// The whole evaluation, for a run with at least one bound layer. Stops
// (status 1, nothing written) on the refusals of check_drainage_inputs, a
// curve that does not come out finite, and the infiltration relation's
// refusals.
DrainageResult compute_drainage(const ClimateRun& run);

// Computes, writes ".drn" (channel 10) and keeps the curve in the run.
void evaluate_drainage(ClimateRun& run);

}  // namespace engine
