#include "engine/climate/soil_water.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace engine {
namespace {

// The form's own constant in place of e: ln(2.71828) is just below 1, so the
// curve starts a hair above the porosity.
constexpr double kNearE = 2.71828;

// The powers of the four-parameter form as exponentials of logarithms: about
// half the cost of pow, within a few units of the last place.
double power_of(double base, double exponent) { return std::exp(exponent * std::log(base)); }

// The uncorrected four-parameter form from (h / a)^b.
double uncorrected_from_power(const RetentionLayer& r, double power) {
  return r.porosity / power_of(std::log(kNearE + power), r.fredlund_c);
}

}  // namespace

RetentionLayer retention_layer(const LayerProperties& layers, int layer) {
  RetentionLayer r;
  r.porosity = layers.soil_porosity(layer);
  r.gardner_multiplier = layers.gardner_water_multiplier(layer);
  r.gardner_exponent = layers.gardner_water_exponent(layer);
  r.fredlund_a = layers.fredlund_a(layer);
  r.fredlund_b = layers.fredlund_b(layer);
  r.fredlund_c = layers.fredlund_c(layer);
  r.fredlund_hr = layers.fredlund_hr(layer);
  r.correction_span = std::log(1.0 + kTableMaxSuction / r.fredlund_hr);
  r.upper_step = std::pow(1.01, r.fredlund_b);
  r.lower_step = std::pow(0.99, r.fredlund_b);
  return r;
}

// ------------------------------------------------------------ two-parameter form

// A multiplier that is not above 0 makes no curve: the layer stays saturated.
double gardner_water_content(const RetentionLayer& r, double suction_cm) {
  if (!(r.gardner_multiplier > 0.0)) return r.porosity;
  return r.porosity / (1.0 + r.gardner_multiplier * std::pow(suction_cm, r.gardner_exponent));
}

double gardner_capacity(const RetentionLayer& r, double pressure_cm) {
  if (!(pressure_cm < 0.0) || !(r.gardner_multiplier > 0.0)) return 0.0;
  const double h = -pressure_cm;
  const double power = std::pow(h, r.gardner_exponent);  // h^(n - 1) is power / h
  const double denominator = 1.0 + r.gardner_multiplier * power;
  return r.porosity * r.gardner_multiplier * r.gardner_exponent * (power / h) /
         (denominator * denominator);
}

double gardner_suction(const RetentionLayer& r, double water_content) {
  if (!(water_content < r.porosity) || !(r.gardner_multiplier > 0.0) ||
      !(r.gardner_exponent > 0.0))
    return 0.0;
  if (!(water_content > 0.0)) return kTableMaxSuction / kKpaPerCmWater;
  return std::pow((r.porosity - water_content) / (r.gardner_multiplier * water_content),
                  1.0 / r.gardner_exponent);
}

// ----------------------------------------------------------- four-parameter form

double fredlund_correction(const RetentionLayer& r, double suction_kpa) {
  return 1.0 - std::log(1.0 + suction_kpa / r.fredlund_hr) / r.correction_span;
}

double fredlund_uncorrected(const RetentionLayer& r, double suction_kpa) {
  return uncorrected_from_power(r, power_of(suction_kpa / r.fredlund_a, r.fredlund_b));
}

double fredlund_water_content(const RetentionLayer& r, double suction_kpa) {
  return fredlund_correction(r, suction_kpa) * fredlund_uncorrected(r, suction_kpa);
}

double fredlund_capacity(const RetentionLayer& r, double pressure_cm) {
  if (!(pressure_cm < 0.0)) return 0.0;
  const double h = std::fabs(pressure_cm * kKpaPerCmWater);
  const double h1 = std::fabs(pressure_cm * 1.01 * kKpaPerCmWater);
  const double h2 = std::fabs(pressure_cm * 0.99 * kKpaPerCmWater);
  if (!(h1 > h2)) return 0.0;  // a suction lost below the smallest double
  // (1.01 h / a)^b = 1.01^b (h / a)^b: one power serves both ends.
  const double power = power_of(h / r.fredlund_a, r.fredlund_b);
  const double difference =
      uncorrected_from_power(r, power * r.upper_step) - uncorrected_from_power(r, power * r.lower_step);
  return -fredlund_correction(r, h) * difference / (h1 - h2);
}

// ------------------------------------------------------------ table and lookup

double table_point_suction(int point, float per_decade) {
  const float exponent = static_cast<float>(point - 1) / per_decade - 4.0f;
  return std::pow(10.0, static_cast<double>(exponent));
}

double table_inverse_lookup(std::span<const double> column, double water_content) {
  const double v = water_content;
  if (v > column.front()) return kTableMinSuction;
  if (v < column.back()) return kTableMaxSuction;
  int lo = 1;
  int hi = kSuctionTablePoints;
  int i = (kSuctionTablePoints + 1) / 2;
  for (;;) {
    const double entry = column[static_cast<std::size_t>(i - 1)];
    if (v == entry) break;
    int half = 0;
    if (v > entry) {
      half = (i - lo) / 2;
      hi = i;
      i -= half;
    } else {
      half = (hi - i) / 2;
      lo = i;
      i += half;
    }
    if (half <= 1) break;
  }
  return std::max(table_point_suction(i), kTableMinSuction);
}

// ---------------------------------------------------------------- gradation

ThawParameters gradation_parameters(float plasticity_index, float passing_200, float passing_4) {
  const float f = passing_200;
  const float p = plasticity_index;
  ThawParameters out;
  const float fp = f * p;
  out.recovery_days = fp <= 0.1f ? 90.0f : (fp <= 10.0f ? 120.0f : 150.0f);

  // Columns by plasticity: low below 12, mid strictly between 12 and 35, high
  // otherwise (12 itself included).
  const int column = p < 12.0f ? 0 : (p > 12.0f && p < 35.0f ? 1 : 2);
  const bool coarse_4 = passing_4 > 0.5f;
  auto pick = [&](std::array<float, 3> values) { return values[static_cast<std::size_t>(column)]; };
  if (f > 0.5f && f <= 0.85f) {
    out.thaw_factor = pick({0.45f, 0.55f, 0.6f});
  } else if (f > 0.85f) {
    out.thaw_factor = pick({0.4f, 0.5f, 0.55f});
  } else if (f < 0.06f) {
    out.thaw_factor = coarse_4 ? pick({0.75f, 1.0f, 1.0f}) : pick({0.85f, 1.0f, 1.0f});
  } else if (f > 0.06f && f < 0.12f) {
    out.thaw_factor = coarse_4 ? pick({0.6f, 0.65f, 0.7f}) : pick({0.65f, 0.7f, 0.75f});
  } else {
    out.thaw_factor = coarse_4 ? pick({0.5f, 0.55f, 0.6f}) : pick({0.6f, 0.65f, 0.7f});
  }
  return out;
}

// ------------------------------------------------------- index suctions

namespace {

// Class curves of the coarse soils by a = P200 / 2 classes: s = exp(t - (M + 101) o) + u kPa.
struct IndexClass {
  double o, t, u;
};
constexpr std::array<IndexClass, 9> kIndexClasses = {{
    {0.05046, 3.338, 3.649},
    {0.03824, 2.741, 4.196},
    {0.04004, 3.473, 5.285},
    {0.03726, 4.402, 6.877},
    {0.03836, 5.379, 8.621},
    {0.04688, 6.646, 12.18},
    {0.04904, 7.599, 15.59},
    {0.05164, 8.154, 20.202},
    {0.05218, 8.283, 23.564},
}};

double class_suction_kpa(int k, float moisture_index) {
  const IndexClass& c = kIndexClasses[static_cast<std::size_t>(k)];
  return std::exp(c.t - (static_cast<double>(moisture_index) + 101.0) * c.o) + c.u;
}

// Class curves of soil_suction: h = alpha (exp(beta / (M + gamma)) + delta) kPa.
struct SoilRow {
  double alpha, beta, gamma, delta;
};
constexpr std::array<SoilRow, 6> kSoilRows = {{
    {0.3, 419.07, 133.45, 15.0},
    {0.3, 543.48, 144.22, 14.36},
    {0.0113, 1461.6, 193.97, 870.94},
    {0.01, 1759.0, 206.0, 1290.0},
    {0.01, 2003.0, 210.28, 2210.0},
    {0.3, 1060.8, 148.8, 72.0},
}};

double row_suction_kpa(int row, float moisture_index) {
  const SoilRow& r = kSoilRows[static_cast<std::size_t>(row - 1)];
  return r.alpha * (std::exp(r.beta / (static_cast<double>(moisture_index) + r.gamma)) + r.delta);
}

// Log-linear between rows `row` and `row` + 1 at the fraction t.
double between_rows_kpa(int row, double t, float moisture_index) {
  const double lower = std::log10(row_suction_kpa(row, moisture_index));
  const double upper = std::log10(row_suction_kpa(row + 1, moisture_index));
  return std::pow(10.0, lower + t * (upper - lower));
}

}  // namespace

double suction_from_index_properties(const ClimateRun& run, float moisture_index, int layer,
                                     double index_a, double index_b, std::int32_t flags) {
  const double a = index_a;
  const auto p = static_cast<float>(a * index_b / 100.0);
  if ((flags & 1) != 0 && p < 2.0f) {
    auto w = static_cast<float>(1.5 * std::pow(std::max(a, 2.0), 0.6994) + 4.0 +
                                0.03 * static_cast<double>(moisture_index));
    if (w > 40.0f) w = static_cast<float>((a - 53.0) * 0.11 + 40.0);
    w = std::min(w, 100.0f * run.layer_properties.soil_porosity(layer));
    const double theta = static_cast<double>(w) / 100.0;
    // The two-parameter form keeps no table: its inverse is closed, in cm.
    if (run.climate_simulation_common.retention_form <= 1)
      return gardner_suction(run.work.retention(layer), theta);
    const int column = layer - run.simulation_counts.section_count_total;
    return table_inverse_lookup(run.work.suction_table.column_span(column), theta) /
           kKpaPerCmWater;
  }

  // Clamped in double: a may be any value read.
  const int k1 = static_cast<int>(std::clamp(std::floor(a / 2.0), 0.0, 8.0));
  const int k2 = static_cast<int>(std::clamp(std::ceil(a / 2.0), 0.0, 8.0));
  const double s1 = class_suction_kpa(k1, moisture_index);
  if (k1 == k2 || k1 == 8 || k2 == 0) return s1 / kKpaPerCmWater;
  const double s2 = class_suction_kpa(k2, moisture_index);
  return (s1 + (a - 2.0 * k1) * 0.5 * (s2 - s1)) / kKpaPerCmWater;
}

double soil_suction(const ClimateRun& run, float moisture_index, int layer, double index_a,
                    double index_b) {
  const double plasticity = index_a;
  const double p200 = index_b;
  const auto w = static_cast<float>(plasticity * p200 / 100.0);
  double kpa = 0;
  if (w <= 0.0f) {
    // Non-plastic: fine sands and silts by P200, the coarse ones by class. The
    // class result is already in cm of water.
    if (p200 <= 10.0)
      return suction_from_index_properties(run, moisture_index, layer, p200, plasticity, 0);
    kpa = p200 < 50.0 ? between_rows_kpa(1, (p200 - 10.0) / 40.0, moisture_index)
                      : row_suction_kpa(2, moisture_index);
  } else {
    const double wd = w;
    if (w <= 0.5f) {
      kpa = row_suction_kpa(2, moisture_index);
    } else if (w <= 5.0f) {
      kpa = between_rows_kpa(2, (wd - 0.5) / 4.5, moisture_index);
    } else if (w <= 10.0f) {
      kpa = between_rows_kpa(3, (wd - 5.0) / 5.0, moisture_index);
    } else if (w <= 20.0f) {
      kpa = between_rows_kpa(4, (wd - 10.0) / 10.0, moisture_index);
    } else if (w <= 50.0f) {
      kpa = between_rows_kpa(5, (wd - 20.0) / 30.0, moisture_index);
    } else {
      kpa = row_suction_kpa(6, moisture_index);
    }
  }
  return kpa / kKpaPerCmWater;
}

}  // namespace engine
