#include "engine/climate/drainage.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

#include "engine/climate/climate_input.h"
#include "engine/climate/drainage_report.h"
#include "engine/common/finite_input.h"
#include "platform/console.h"
#include "platform/record_io.h"
#include "platform/stop.h"

namespace engine {
namespace {

constexpr int kPhaseSteps = 30;
constexpr int kRateIntervals = 10;
constexpr int kMassIntervals = 60;

template <class F>
double simpson(const F& f, double low, double high, int intervals) {
  const double h = (high - low) / intervals;
  double sum = f(low) + f(high);
  for (int k = 1; k < intervals; ++k) sum += (k % 2 ? 4.0 : 2.0) * f(low + k * h);
  return sum * h / 3.0;
}

[[noreturn]] void refuse(const std::string& record, const std::string& problem) {
  reject_input(record, problem);
}

// The water table in the base: first it retreats from the outlet along the
// path (x), then the depth at the outlet (h) falls. With a permeable layer
// beneath, water also seeps down, which lowers the outlet depth with time.
class CurveModel {
 public:
  explicit CurveModel(const DrainageLayers& layers)
      : nb_(layers.base_porosity),
        kb_(layers.base_permeability),
        h_(layers.base_thickness),
        ns_(layers.lower_porosity),
        ks_(layers.lower_permeability),
        impermeable_(layers.lower_impermeable),
        length_(layers.path_length),
        slope_(layers.slope) {
    // Equal layers would make the outlet depth's quadratic degenerate.
    if (nb_ == ns_ && kb_ == ks_) ks_ *= 1.0001;
    r_ = impermeable_ ? 0.0 : nb_ / ns_;
  }

  DrainageCurve curve() const;

 private:
  struct Geometry {
    double rc = 0, rd = 0, re = 0, ra = 0, rf = 0;
  };

  Geometry drainage_geometry(double x, double h) const {
    Geometry g;
    if (impermeable_) return g;
    const double rh = h / std::sqrt(x);
    g.rc = rh * (ks_ / kb_ - r_);
    g.rd = nb_ * h_ / ns_;
    g.re = 1.0 - r_;
    g.ra = r_ * g.rd / g.rc;
    g.rf = g.rd * g.ra / g.rc;
    return g;
  }

  // Hours per foot of x (first phase) or of h (second phase, x = L). The
  // seepage term Q uses the geometry given, which the second phase holds at
  // the step's end while h varies over the step.
  double drainage_rate(double x, double h, const Geometry& g, bool second_phase) const {
    double q = 0.0;
    if (!impermeable_) {
      const double s = std::sqrt(x);
      // Near h = H the denominator is Ks/Kb·H: about 2e-9 ft for the front
      // end's layers, far below single-precision rounding of its terms.
      const double spread = ((1.0 - r_) * h + g.rd) / ((ks_ / kb_ - r_) * h + g.rd);
      q = ((length_ - x) * spread + g.re * x + 2.0 * s * g.ra -
           2.0 * g.rf * std::log(std::fabs((g.rc * s + g.rd) / g.rd))) *
          ks_ * 6.0 * x / length_;
    }
    const double numerator = second_phase ? 4.0 * nb_ * length_ * length_ : 2.0 * nb_ * h * x;
    return numerator / ((3.0 * h * h + 4.0 * h * x * slope_) * kb_ + q);
  }

  // The root of a quadratic in h whose coefficients are linear in tau; H at
  // tau = 0 (there the discriminant is (H·nb·Ks/Kb)², and the + root gives H).
  // Without seepage the depth stays H, the limit of the root as Ks goes to 0.
  double outlet_depth(double tau) const {
    if (impermeable_) return h_;
    const double a = nb_ * ks_ / kb_ - nb_ * nb_ / ns_;
    const double b = (1.0 - r_) * ks_ * tau - h_ * (nb_ * ks_ / kb_ - 2.0 * nb_ * nb_ / ns_);
    const double e = (nb_ * ks_ * h_ * tau - (h_ * nb_) * (h_ * nb_)) / ns_;
    const double discriminant = std::max(b * b - 4.0 * a * e, 0.0);
    return (-b + std::sqrt(discriminant)) / (2.0 * a);
  }

  double nb_, kb_, h_, ns_, ks_;
  bool impermeable_;
  double length_, slope_;
  double r_ = 0;
};

DrainageCurve CurveModel::curve() const {
  DrainageCurve c;
  // First phase: trapezoidal steps in x, a predictor and a corrector each.
  double t = 0.0, q = 0.0, x = 0.0;
  const double dx = length_ / kPhaseSteps;
  double h1 = h_;
  for (int i = 1; i <= kPhaseSteps; ++i) {
    x = x + dx;
    const double h2 = outlet_depth(t + q);
    const double f2 = drainage_rate(x, h2, drainage_geometry(x, h2), false);
    t = t + (f2 * dx + q) / 2.0;
    h1 = outlet_depth(t);
    const double f1 = drainage_rate(x, h1, drainage_geometry(x, h1), false);
    q = f1 * dx;
    const double drained = x * h1 / 3.0 + (h_ - h1) * length_;
    const double balance_depth = (length_ * h_ - drained) / length_;
    c.hours(i) = t;
    c.degree(i) = drained / (length_ * h_);
    if (h1 <= 0.0 || h1 <= balance_depth) h1 = balance_depth;
  }
  // Second phase: the outlet depth falls in 30 equal steps, the last one (and
  // any that would reach 0) halving it instead.
  const double h0 = h1;
  const double dh = h0 / kPhaseSteps;
  double h_old = h0;
  for (int i = 1; i <= kPhaseSteps; ++i) {
    double h_new = h0 - i * dh;
    if (i == kPhaseSteps || h_new <= 0.0) h_new = h_old / 2.0;
    const Geometry g = drainage_geometry(length_, h_new);
    t = t + simpson([&](double h) { return drainage_rate(length_, h, g, true); }, h_new, h_old,
                    kRateIntervals);
    const double drained = length_ * h_ - 2.0 * h_new * length_ / 3.0;
    c.hours(kPhaseSteps + i) = t;
    c.degree(kPhaseSteps + i) = drained / (length_ * h_);
    h_old = h_new;
  }
  c.computed = true;
  for (int i = 1; i <= kDrainageCurvePoints; ++i)
    if (!std::isfinite(c.hours(i)) || !std::isfinite(c.degree(i))) c.computed = false;
  return c;
}

// Drained percentage of the pore water by fines type (rows) and class of the
// fines content (below 3 %, below 5 %, below 10 %, 10 % and more).
constexpr double kGravelDrained[3][4] = {{80, 70, 60, 40}, {80, 60, 40, 30}, {80, 40, 20, 10}};
constexpr double kSandDrained[3][4] = {{65, 57, 50, 25}, {65, 50, 35, 18}, {65, 35, 15, 8}};

int fines_class(double fines) {
  if (fines < 3) return 0;
  if (fines < 5) return 1;
  if (fines < 10) return 2;
  return 3;
}

// Wet and dry runs of a month from its wet days' numbers, in order.
void count_sequences(std::span<const std::int32_t> wet, MonthDrainage& m) {
  if (wet.empty()) {
    m.dry_sequences = 1;  // the whole month
    return;
  }
  int runs = 1;
  for (std::size_t k = 1; k < wet.size(); ++k)
    if (wet[k] != wet[k - 1] + 1) ++runs;
  m.wet_sequences = runs;
  // The gaps between runs, the one after the last wet day (even when it is
  // empty) and the one before the first, when there is one.
  m.dry_sequences = runs + (wet.front() > 1 ? 1 : 0);
}

struct MonthRain {
  std::span<const double> daily;  // the month's days
  double days = 0;                // D
  double total = 0;
  double mean = 0;  // per wet day
};

class MonthEvaluator {
 public:
  MonthEvaluator(const DrainageResult& result, const InfiltrationRelation& infiltration,
                 const DrainageLayers& layers)
      : result_(result),
        infiltration_(infiltration),
        pore_volume_(layers.path_length * layers.base_porosity * layers.base_thickness) {}

  void evaluate(const MonthRain& rain, MonthDrainage& m);

 private:
  void day_probabilities(const MonthRain& rain, MonthDrainage& m);
  double dry_base_with_daily_table(const MonthDrainage& m) const;

  const DrainageResult& result_;
  const InfiltrationRelation& infiltration_;
  double pore_volume_;  // L·nb·H
  RainfallDistribution distribution_;
};

void MonthEvaluator::day_probabilities(const MonthRain& rain, MonthDrainage& m) {
  m.has_day_probabilities = true;
  const double wet = m.wet_days;
  const double sequences = m.dry_sequences + m.wet_sequences;
  if (rain.days == wet) {
    // Every day wet: no dry day to leave, and no dry spell.
    m.dry_day_probability = 0.0;
    m.wet_day_probability = 1.0;
    m.dry_spell_probability.fill(0.0);
  } else {
    // A two-state chain that leaves the dry state at rate rd and the wet
    // state at rate rw per day.
    const double rd = sequences / (rain.days - wet);
    const double rw = sequences / wet;
    const double s = rd + rw;
    m.dry_day_probability = rw / s;
    m.wet_day_probability = rd / s;
    const double e = s < 174.0 ? std::exp(-s) : 0.0;
    const double dry_to_dry = (rw + e * rd) / s;
    const double wet_to_dry = (1.0 - e) * rw / s;
    for (int d = 1; d <= result_.daily_rows; ++d)
      m.dry_spell_probability(d) =
          (rw / s) * std::pow(dry_to_dry, d) + (rd / s) * wet_to_dry * std::pow(dry_to_dry, d - 1);
  }
  // The gamma distribution of the depths, by moments; the variance runs over
  // every day of the month, dry days included.
  double variance = 0.0;
  for (double p : rain.daily) variance += (p - rain.mean) * (p - rain.mean);
  variance = std::max(variance / wet, 1.0e-4);
  distribution_.set(std::min(rain.mean * rain.mean / variance, 10.0),
                    std::min(rain.mean / variance, 20.0));
  if (result_.curve.total_hours() >= 24.0) m.daily_rows = result_.daily_rows;
}

// Each day's dry-spell probability weighted by the rainfall that the base
// holds drained after that day, and the last day's for the rainfall beyond
// the pore volume.
double MonthEvaluator::dry_base_with_daily_table(const MonthDrainage& m) const {
  const double b = distribution_.rate();
  double held = 0.0;  // G
  double previous = 0.0;
  for (int j = 2; j <= kDrainageTableRows; j += 2) {
    const double p = infiltration_depth(infiltration_, 0.05 * j * pore_volume_, b);
    held = std::min(held + distribution_.mass(previous, p), 1.0);
    previous = p;
  }
  double dry = 0.0;
  previous = 0.0;
  for (int d = 1; d <= m.daily_rows; ++d) {
    const double p = infiltration_depth(infiltration_, result_.daily_degree(d) * pore_volume_, b);
    dry += distribution_.mass(previous, p) * m.dry_spell_probability(d);
    previous = p;
  }
  return dry + (1.0 - held) * m.dry_spell_probability(m.daily_rows);
}

void MonthEvaluator::evaluate(const MonthRain& rain, MonthDrainage& m) {
  if (m.wet_days > 1 && rain.mean != 0.0) day_probabilities(rain, m);
  const DrainageCurve& curve = result_.curve;
  double dry = 1.0;
  if (m.wet_days == 1) {
    // The month's rain spread over its days, drained along the curve.
    const double degree = infiltration_volume(infiltration_, rain.total / rain.days) / pore_volume_;
    dry = 1.0 - drainage_time_for_degree(curve, degree) / (24.0 * rain.days);
  } else if (m.has_day_probabilities) {
    if (curve.total_hours() < 24.0) {
      dry = 1.0 - (result_.half_drained_hours / 24.0) * m.wet_day_probability;
    } else {
      dry = dry_base_with_daily_table(m);
    }
  }
  // No wet day, or wet days whose rain adds up to nothing: a dry base.
  m.base_dry_probability = dry;
  m.base_wet_probability = 1.0 - dry;
}

void evaluate_design(const DrainageInputs& t, DrainageResult& r) {
  const int row = t.fines_type - 1;
  const int column = fines_class(t.fines_content);
  r.gravel_drained = kGravelDrained[row][column];
  r.sand_drained = kSandDrained[row][column];
  r.gravel_content = t.gravel_content;
  r.sand_content = t.sand_content;
  r.drained_percentage =
      (r.gravel_content * r.gravel_drained + r.sand_content * r.sand_drained) * 0.01;
  // The degree of drainage at which the base holds 85 % of its water.
  r.critical_degree = 15.0 / r.drained_percentage;
  if (!(r.critical_degree < 1.0)) return;
  r.critical_hours = drainage_time_for_degree(r.curve, r.critical_degree);
  r.verdict = drainage_verdict(r.critical_hours);
}

// Rows of the daily table: up to the first whole day past the end of the
// curve, at most 39; the last row is fully drained.
void set_daily_table(DrainageResult& r) {
  const double total = r.curve.total_hours();
  int rows = 100;
  for (int d = 1; d <= 100; ++d) {
    if (24.0 * d > total) {
      rows = d;
      break;
    }
  }
  r.daily_rows = std::min(rows, kMaxDailyRows);
  for (int d = 1; d < r.daily_rows; ++d)
    r.daily_degree(d) = drainage_degree_at_time(r.curve, 24.0 * d);
  r.daily_degree(r.daily_rows) = 1.0;
}

}  // namespace

// ------------------------------------------------------------------ the curve

DrainageLayers drainage_layers(const ClimateRun& run) {
  const int base = run.simulation_counts.section_count_total + 1;
  const int lower = base + 1;
  const LayerProperties& lp = run.layer_properties;
  const DrainageInputs& t = run.climate_simulation_common.drainage_inputs;
  DrainageLayers d;
  d.base_porosity = lp.soil_porosity(base);
  d.base_permeability = lp.saturated_permeability(base);
  // Feet on a copy: the run's thicknesses stay in inches, untouched.
  d.base_thickness = static_cast<double>(lp.layer_thickness(base)) / 12.0;
  const bool has_lower = lower <= run.simulation_counts.layer_count;
  if (has_lower) {
    d.lower_porosity = lp.soil_porosity(lower);
    d.lower_permeability = lp.saturated_permeability(lower);
  }
  d.lower_impermeable = !has_lower || d.lower_permeability <= 0.0 || d.lower_porosity <= 1.0e-6;
  d.path_length = t.path_length;
  d.slope = static_cast<double>(t.slope_percent) / 100.0;
  if (d.slope <= 0.0) d.slope = 1.0e-7;
  return d;
}

DrainageCurve compute_drainage_curve(const DrainageLayers& layers) {
  if (!(layers.base_porosity > 0 && layers.base_permeability > 0 && layers.base_thickness > 0 &&
        layers.path_length > 0))
    return {};
  return CurveModel(layers).curve();
}

namespace {

using CurveColumn = OneBasedArray<double, kDrainageCurvePoints>;

// y at `at` along a rising column x: linear between the first point at or
// above it and the point before, proportional from the origin up to the first
// point, y's last value beyond the last point.
double interpolate(const CurveColumn& x, const CurveColumn& y, double at) {
  for (int i = 1; i <= kDrainageCurvePoints; ++i) {
    if (x(i) >= at) {
      if (i == 1) return y(1) * at / x(1);
      return y(i - 1) + (y(i) - y(i - 1)) * (at - x(i - 1)) / (x(i) - x(i - 1));
    }
  }
  return y(kDrainageCurvePoints);
}

}  // namespace

double drainage_time_for_degree(const DrainageCurve& c, double degree) {
  return interpolate(c.degree, c.hours, degree);
}

double drainage_degree_at_time(const DrainageCurve& c, double hours) {
  return interpolate(c.hours, c.degree, hours);
}

// ------------------------------------------------------------------ infiltration

InfiltrationRelation infiltration_relation(const DrainageInputs& t) {
  InfiltrationRelation r;
  r.crack_form = t.power_form_factor == 0.0f;
  r.scale = t.infiltration_scale;
  r.path_length = t.path_length;
  if (r.crack_form) return r;
  if (t.infiltration_constant_choice != 1 && t.infiltration_constant_choice != 2)
    refuse("record T3", "constant choice " + text_of(t.infiltration_constant_choice) +
                            "; the power form of the infiltration relation takes 1 or 2");
  r.power_constant = t.infiltration_constant_choice == 1 ? 0.03 : 0.11;
  r.power_factor = t.power_form_factor;
  r.rainfall = t.rainfall_first;
  constexpr float kDefaults[4] = {0.3f, 0.25f, 0.75f, 1.65f};
  for (int k = 1; k <= 4; ++k) {
    const float c = t.rainfall_constants(k);
    r.constants[static_cast<std::size_t>(k - 1)] = c == 0.0f ? kDefaults[k - 1] : c;
  }
  // Roots of negative values have no meaning here.
  if (r.power_factor < 0)
    refuse("record T3", "power-form factor " + text_of(t.power_form_factor) +
                            "; it must be 0 (crack form) or above");
  const bool negative_constant =
      std::any_of(r.constants.begin(), r.constants.end(), [](double c) { return c < 0; });
  if (r.rainfall < 0 || negative_constant)
    refuse("record T4", "the power form of the infiltration relation takes no negative value");
  return r;
}

namespace {

double power_form(const InfiltrationRelation& r, double x) {
  if (!(x > 0.0)) return 0.0;  // no water, no rain
  const auto& k = r.constants;
  return k[0] * std::pow(60.0 * x / (r.power_constant * r.power_factor), 1.0 - k[2]) *
         std::pow(r.rainfall, k[1]) / k[3];
}

double crack_depth(const InfiltrationRelation& r, double volume) {
  const double depth =
      (0.02832 * r.scale * volume - 0.32) * 12.0 / (0.013593599 * r.scale * r.path_length);
  return std::max(depth, 0.0);
}

}  // namespace

double infiltration_volume(const InfiltrationRelation& r, double depth) {
  if (!r.crack_form) return power_form(r, r.path_length * r.scale * depth / 12.0);
  return (0.32 + 0.013593599 * r.scale * r.path_length * depth / 12.0) / (0.02832 * r.scale);
}

double infiltration_depth(const InfiltrationRelation& r, double volume, double gamma_rate) {
  if (r.crack_form) return crack_depth(r, volume);
  const double depth = power_form(r, r.scale * volume);
  return depth * gamma_rate < 174.0 ? depth : crack_depth(r, volume);
}

// ------------------------------------------------------------------ rainfall depths

double gamma_sum(double shape) {
  double sum = 0.0;
  for (int i = 1; i <= 3480; ++i) {
    const double x = 0.05 * i;
    const double term = std::pow(x, shape - 1.0) * std::exp(-x) * 0.05;
    sum += term;
    if (term < 1.0e-6 * sum) break;
  }
  return sum;
}

void RainfallDistribution::set(double shape, double rate) {
  // Up to 3480 terms: worth keeping while the shape stays.
  if (shape != shape_) gamma_ = gamma_sum(shape);
  shape_ = shape;
  rate_ = rate;
  scale_ = gamma_ * std::pow(rate, shape);
}

double RainfallDistribution::density(double x) const {
  if (std::fabs(rate_ * x) >= 88.0 || (x <= 0.0 && shape_ <= 1.0)) return 10.0;
  return std::pow(x, shape_ - 1.0) * std::exp(-rate_ * x) / scale_;
}

double RainfallDistribution::mass(double low, double high) const {
  const double m = simpson([this](double x) { return density(x); }, low, high, kMassIntervals);
  if (!(m > 0.0)) return 0.0;
  return std::min(m, 1.0);
}

// ------------------------------------------------------------------ the evaluation

DrainageVerdict drainage_verdict(double hours) {
  if (hours > 10.0) return DrainageVerdict::kNotAcceptable;
  if (hours >= 5.0) return DrainageVerdict::kMarginallyAcceptable;
  return DrainageVerdict::kSatisfactory;
}

void check_drainage_inputs(const ClimateRun& run) {
  const DrainageInputs& t = run.climate_simulation_common.drainage_inputs;
  if (!(t.path_length > 0.0f))
    refuse("record T1",
           "drainage path length " + text_of(t.path_length) + "; it must be above 0");
  if (t.fines_type < 1 || t.fines_type > 3)
    refuse("record T2", "fines type " + text_of(t.fines_type) + "; it must be 1, 2 or 3");
  // Percentages of the sample; the report writes the gravel and sand contents.
  const std::pair<const char*, float> contents[] = {
      {"fines", t.fines_content}, {"gravel", t.gravel_content}, {"sand", t.sand_content}};
  for (const auto& [name, value] : contents)
    if (!(value >= 0.0f && value <= 100.0f))
      refuse("record T2", std::string(name) + " content " + text_of(value) +
                              " percent; it must be 0 to 100");
  // The base course drains through its pores: without them it has no curve.
  const int base = run.simulation_counts.section_count_total + 1;
  const LayerProperties& lp = run.layer_properties;
  const std::pair<LayerTable LayerProperties::*, const char*> extent[] = {
      {&LayerProperties::soil_porosity, "porosity"},
      {&LayerProperties::saturated_permeability, "saturated permeability"}};
  for (const auto& [field, name] : extent)
    if (!((lp.*field)(base) > 0.0f))
      refuse("record " + std::to_string(soil_record_number(field)) + " of layer " +
                 std::to_string(base),
             std::string(name) + " " + text_of((lp.*field)(base)) +
                 " of the base course; it must be above 0 for the drainage evaluation");
}

DrainageResult compute_drainage(const ClimateRun& run) {
  check_drainage_inputs(run);
  const DrainageInputs& t = run.climate_simulation_common.drainage_inputs;
  const InfiltrationRelation infiltration = infiltration_relation(t);

  DrainageResult r;
  const DrainageLayers layers = drainage_layers(run);
  const int base_layer = run.simulation_counts.section_count_total + 1;
  r.curve = compute_drainage_curve(layers);
  if (!r.curve.computed)
    refuse("record T1", "the drainage curve of the base course (layer " +
                            std::to_string(base_layer) + ") does not come out finite with path "
                            "length " + text_of(t.path_length) + " and slope " +
                            text_of(t.slope_percent) + " percent");
  for (int j = 1; j <= kDrainageTableRows; ++j)
    r.table_hours(j) = drainage_time_for_degree(r.curve, 0.05 * j);
  r.half_drained_hours = r.table_hours(10);
  if (r.curve.total_hours() >= 24.0) set_daily_table(r);
  evaluate_design(t, r);

  const ClimateWork& w = run.work;
  MonthEvaluator months(r, infiltration, layers);
  int first_day = 1;
  int first_wet = 1;
  for (int k = 1; k <= w.month_count; ++k) {
    const int days = static_cast<int>(w.days_per_month(k));
    const int wet = w.wet_days_per_month(k);
    if (days <= 0) continue;  // the empty month of a record without days
    MonthDrainage m;
    m.month_number = w.month_number(k);
    m.month_year = w.month_year(k);
    m.wet_days = wet;
    count_sequences(w.wet_day_list.all().subspan(static_cast<std::size_t>(first_wet - 1),
                                                 static_cast<std::size_t>(wet)),
                    m);
    MonthRain rain;
    rain.daily = w.daily_precipitation.all().subspan(static_cast<std::size_t>(first_day - 1),
                                                     static_cast<std::size_t>(days));
    rain.days = w.days_per_month(k);
    for (double p : rain.daily) rain.total += p;
    rain.mean = wet > 0 ? rain.total / wet : 0.0;
    months.evaluate(rain, m);
    r.months.push_back(m);
    first_day += days;
    first_wet += wet;
  }
  return r;
}

void evaluate_drainage(ClimateRun& run) {
  DrainageResult result = compute_drainage(run);
  write_drainage_report(result);
  run.drainage_curve = result.curve;
}

}  // namespace engine
