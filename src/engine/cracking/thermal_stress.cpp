#include "engine/cracking/thermal_stress.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/common/checked_output.h"
#include "engine/common/node_count.h"
#include "engine/cracking/cracking_channels.h"
#include "numlib/algorithms/normal_distribution.h"
#include "platform/console.h"
#include "platform/format.h"
#include "platform/record_io.h"
#include "platform/signals.h"
#include "platform/stop.h"

namespace engine {
namespace {

// The model's constants are single-precision values, used widened.
constexpr double kMmPerInch = 25.4f;
constexpr double kFirstBoundary = 12.7f;
constexpr double kTipMargin = 1e-5f;
constexpr double kDaysPerMonth = 30.4166f;
constexpr double kContraction = 1.3e-5f;  // per deg F
constexpr double kLn10 = 2.3025851f;
constexpr double kNoChange = 1e-20f;
constexpr double kParisUnits = 0.03475f;
constexpr double kDepthSpread = 0.769f;

constexpr double kCrackedThrough = 2112.0;  // ft/mile: every crack across the lane

double tip_stress(const std::array<double, kMaxStressNodes>& row, int tip, double offset,
                  double spacing) {
  const double upper = row[static_cast<std::size_t>(tip - 1)];
  const double lower = row[static_cast<std::size_t>(tip)];
  return upper + (lower - upper) * offset / spacing;
}

void write_crack_row(std::int32_t case_number, std::int64_t month, double depth_inches,
                     double cracking, bool to_console) {
  static const platform::Format layout("(2I5,2F10.1)");
  thread_local std::string row;
  row.clear();
  if (const platform::FieldFault fault =
          platform::append_fixed_checked(row, layout, case_number, month, depth_inches, cracking))
    stop_unwritable(platform::unit_name(kCrackResultUnit),
                    "case " + std::to_string(case_number) + ", month " + std::to_string(month),
                    "field", fault);
  platform::write_record(kCrackResultUnit, row);
  if (to_console) platform::console_line(row);
}

}  // namespace

void TemperatureHistory::reset(int days, int nodes) {
  days_ = std::max(days, 0);
  nodes_ = std::max(nodes, 0);
  values_.assign(static_cast<std::size_t>(days_) * 24 * static_cast<std::size_t>(nodes_), 0.0);
}

int TemperatureHistory::add_day() {
  values_.resize(values_.size() + 24 * static_cast<std::size_t>(nodes_), 0.0);
  return ++days_;
}

void TemperatureHistory::clear() {
  values_.clear();
  values_.shrink_to_fit();
  days_ = 0;
  nodes_ = 0;
}

ShiftBands shift_bands(const std::array<double, 2>& s) {
  // beta = log10(a1/a2) / (T1 - T2), gamma = log10(a1) - beta * T1
  ShiftBands b;
  const double a14 = std::pow(10.0, s[0]);
  const double a32 = std::pow(10.0, s[1]);
  b.cold_slope = std::log10(1.0 / a14) / (-4.0 - 14.0);
  b.cold_intercept = std::log10(1.0) - b.cold_slope * -4.0;
  b.warm_slope = std::log10(a14 / a32) / (14.0 - 32.0);
  b.warm_intercept = std::log10(a14) - b.warm_slope * 14.0;
  return b;
}

double shift_factor(const ShiftBands& b, double mean_temperature, double change, double start) {
  const bool warm = mean_temperature >= 14.0;
  const double beta = warm ? b.warm_slope : b.cold_slope;
  const double gamma = warm ? b.warm_intercept : b.cold_intercept;
  if (std::abs(change) < kNoChange) return std::pow(10.0, beta * mean_temperature + gamma);
  const double u = beta * start + gamma;
  const double v = beta * change;
  // A flat band gives no change of the exponent: the rate is constant over the
  // hour (the quotient below would be 0/0).
  if (v == 0.0) return std::pow(10.0, beta * mean_temperature + gamma) * 3600.0;
  return (std::pow(10.0, u + v) - std::pow(10.0, u)) / v / kLn10 * 3600.0;
}

RelaxationSeries relaxation_series(const CreepFitCommon& fit) {
  RelaxationSeries s;
  s.count = std::clamp(fit.relaxation_term_count, 0, kMaxRelaxationTerms);
  s.times = fit.relaxation_times;
  s.moduli = fit.relaxation_moduli;
  return s;
}

void update_prony_stress(StressWork& work, const RelaxationSeries& series, const ShiftBands& bands,
                         const double* previous, const double* current, int node_count, int tip) {
  for (int i = tip; i <= node_count; ++i) {
    const std::size_t n = static_cast<std::size_t>(i - 1);
    const double t0 = previous[n];
    const double change = current[n] - t0;
    double dxi = shift_factor(bands, (t0 + current[n]) / 2.0, change, t0);
    if (std::abs(change) < kNoChange) dxi *= 3600.0;
    const double strain = -change * kContraction;
    auto& terms = work.term_stress[n];
    double total = 0.0;
    for (int j = 0; j < series.count; ++j) {
      const std::size_t k = static_cast<std::size_t>(j);
      const double x = std::max(-dxi / series.times[k], -1e200);
      // exp underflows to 0 below about -745.13; the library's slow path for it
      // would cost as much as the rest of the loop
      const double e = x < -746.0 ? 0.0 : std::exp(x);
      terms[k] = e * terms[k] + (1.0 - e) * series.moduli[k] * series.times[k] * strain / dxi;
      total += terms[k];
    }
    work.node_stress[n] = total < 0.0 ? 0.0 : total;
  }
}

void depth_to_node(double depth, double& spacing, double& offset, int& tip) {
  const double inches = depth / kMmPerInch;
  const double q = std::trunc(inches / 2.0);
  // q is kept in double: no conversion of a deep (or absurd) depth can overflow
  tip = q + 1.0 < 10.0 ? std::max(static_cast<int>(q) + 1, 1) : 10;
  spacing = 2.0;
  offset = inches - 2.0 * q;
}

CrackGrowth::CrackGrowth(double thickness_inches)
    : thickness(thickness_inches),
      layer_depth(thickness_inches * kMmPerInch),
      min_depth(kMmPerInch * 1e-6),
      boundary(kFirstBoundary) {}

void CrackGrowth::grow(double sigma_max, double sigma_min, double strength, double paris_a,
                       double paris_n, double fracture_scale) {
  const double start = growth_count == 0 ? min_depth : crack_depth;
  if (sigma_max > strength) {
    // A stress beyond the strength breaks through to the next boundary; that
    // is no growth step.
    crack_depth = boundary;
  } else {
    const double g = 18.742305740748293 * std::pow(start / kMmPerInch, 0.5589057207107544) +
                     4.238051080682936;
    const double delta_k = (sigma_max - sigma_min) / 10.0 * fracture_scale * g;
    double step = 0.0;
    if (delta_k > 0.0) {
      step = paris_a * std::pow(kParisUnits * delta_k, paris_n);
      ++growth_count;
    }
    if (step / kMmPerInch < 1e-6) step = 0.0;
    crack_depth += step;
  }
  if (crack_depth >= boundary) {
    crack_depth = boundary;
    ++stage_count;
    if (stage_count == 4) {
      daily_cracking = kCrackedThrough;
      crack_depth = layer_depth;
    } else {
      boundary = boundary + stage_count * (thickness - 0.5) * kMmPerInch / 6.0;
    }
  }
}

void CrackGrowth::classify() {
  if (growth_count == 0) crack_depth = min_depth;
  if (crack_depth <= min_depth) {
    daily_cracking = 0.0;
    crack_depth = min_depth;
  } else if (crack_depth >= layer_depth) {
    daily_cracking = kCrackedThrough;
    crack_depth = layer_depth;
  } else {
    // log-normal spread of crack depths around the computed one
    const double phi = numlib::DNORDF(std::log10(crack_depth / layer_depth) / kDepthSpread);
    daily_cracking = phi <= 0.5 ? 4224.0 * phi : kCrackedThrough;
  }
}

StressHistorySummary compute_thermal_stress_history(const CrackingState& state, double paris_n,
                                                    double paris_a, double strength,
                                                    double thickness,
                                                    const TemperatureHistory& history,
                                                    int& node_count, int day_count) {
  const CrackingRunBlock& rb = state.run_block;
  node_count = layer_node_count(thickness) - 1;
  const int nodes = node_count;
  const std::int64_t months_used = 12 * static_cast<std::int64_t>(state.analysis_start_date[3]);
  const std::int64_t months_read = 12 * static_cast<std::int64_t>(state.analysis_start_date[4]);
  const std::int64_t last_month = std::min(months_used - 1, kMaxMonths);
  const int days_loaded = day_count - 1;
  if (last_month >= 1 &&
      (days_loaded < 1 || days_loaded > history.days() || history.nodes() < nodes))
    platform::stop_run(platform::kStopDecided,
                       "compute_thermal_stress_history: no temperature history of " +
                           std::to_string(nodes) + " nodes is loaded");

  const RelaxationSeries series = relaxation_series(state.creep_fit_common);
  const ShiftBands bands = shift_bands(state.creep_fit_common.master_curve_shifts);
  StressWork work;
  CrackGrowth crack(thickness);
  auto& rows = work.hourly_stress_rows;

  StressHistorySummary summary;
  std::int64_t day = 0;
  std::int64_t month = 1;
  bool criterion_reached = false;
  for (; month <= last_month; ++month) {
    platform::check_interrupt();
    int days_this_month = 0;
    do {
      ++day;
      ++days_this_month;
      std::copy(rows.begin() + 24, rows.end(), rows.begin());
      // A period longer than the history goes round it again from its first day.
      const int h = static_cast<int>((day - 1) % days_loaded) + 1;
      double spacing = 0.0, offset = 0.0;
      int tip = 1;
      depth_to_node(crack.crack_depth / kMmPerInch > thickness ? crack.layer_depth - kTipMargin
                                                               : crack.crack_depth,
                    spacing, offset, tip);
      bool through = false;
      for (int k = 1; k <= 24; ++k) {
        if (crack.crack_depth >= crack.layer_depth) {
          crack.daily_cracking = kCrackedThrough;
          through = true;
          break;
        }
        const bool first_hours = day == 1 ? k <= 2 : (day == 2 && k == 1);
        if (first_hours) {
          crack.crack_depth = crack.min_depth;
          crack.growth_count = 0;
        }
        if (day == 1 && k == 1) {
          rows[0].fill(0.0);
          continue;
        }
        const double* previous = k > 1 ? history.hour(h, k - 1)
                                 : h > 1 ? history.hour(h - 1, 24)
                                         : history.hour(days_loaded, 24);
        update_prony_stress(work, series, bands, previous, history.hour(h, k), nodes, tip);
        if (tip <= nodes)
          std::copy(work.node_stress.begin() + (tip - 1), work.node_stress.begin() + nodes,
                    rows[static_cast<std::size_t>(23 + k)].begin() + (tip - 1));
      }
      if (!through) {
        // the night: the previous evening and this morning; the range from the
        // previous day's hours 7-22
        double sigma_max = 0.0;
        for (std::size_t r = 18; r < 34; ++r)
          sigma_max = std::max(sigma_max, tip_stress(rows[r], tip, offset, spacing));
        double sigma_min = sigma_max;
        for (std::size_t r = 6; r < 22; ++r)
          sigma_min = std::min(sigma_min, tip_stress(rows[r], tip, offset, spacing));
        crack.grow(sigma_max, sigma_min, strength, paris_a, paris_n, rb.fracture_scale);
      }
      crack.classify();
    } while (static_cast<double>(day) <= static_cast<double>(month) * kDaysPerMonth &&
             days_this_month < 31);

    const double depth_inches = crack.crack_depth / kMmPerInch;
    if (rb.cracking_criterion <= 2140.0) {
      if (crack.daily_cracking >= rb.cracking_criterion && month >= months_read) {
        criterion_reached = true;
        break;
      }
      write_crack_row(rb.case_number, month, depth_inches, crack.daily_cracking, false);
    }
    if (rb.cracking_criterion > 2200.0 && month < months_read)
      write_crack_row(rb.case_number, month, depth_inches, crack.daily_cracking, false);
  }

  summary.days = day;
  summary.months = criterion_reached ? month : std::max<std::int64_t>(last_month, 0);
  // Months counted, one more than computed; 12 * years itself when none is computed.
  summary.final_key = criterion_reached ? month : months_used <= 1 ? months_used : last_month + 1;
  write_crack_row(rb.case_number, summary.final_key, crack.crack_depth / kMmPerInch,
                  crack.daily_cracking, true);
  return summary;
}

}  // namespace engine
