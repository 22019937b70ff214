#pragma once
// Soil water retention: the two retention forms and their moisture capacities,
// the tabulated four-parameter curve and its inverse lookup, the thaw parameters
// by gradation, and the equilibrium suctions derived from the moisture index.
//
// Pressures are negative in tension; "suction" is the magnitude. The
// two-parameter (Gardner) form works in cm of water, the four-parameter
// (Fredlund-Xing) form in kPa. The per-node functions allocate nothing and read
// only the layer's RetentionLayer, so the unbound step can call them on every
// solved step.

#include <cstdint>
#include <span>

#include "engine/climate/climate_run.h"

namespace engine {

inline constexpr double kKpaPerCmWater = 0.09804;
inline constexpr double kCmWaterPerPsi = 70.32361;
// The driest and wettest suctions of the table, kPa.
inline constexpr double kTableMinSuction = 1.0e-4;
inline constexpr double kTableMaxSuction = 1.0e6;

// The retention parameters of layer `layer` as read (or as the set-up fitted
// them), with the per-layer constants of the four-parameter form.
RetentionLayer retention_layer(const LayerProperties& layers, int layer);

// ------------------------------------------------------------ two-parameter form

// theta = porosity / (1 + a * h^n), h the suction in cm of water. A multiplier a
// that is not above 0 makes no curve: the porosity at every suction.
double gardner_water_content(const RetentionLayer& r, double suction_cm);
// The capacity -d(theta)/dh (per cm of water) at the pressure psi (cm of water);
// 0 when psi >= 0 or a is not above 0.
double gardner_capacity(const RetentionLayer& r, double pressure_cm);
// The suction (cm of water, >= 0) at which the form holds `water_content`:
// ((porosity / theta - 1) / a)^(1 / n). 0 when theta >= porosity or the form has
// no curve (a or n not above 0); the table's driest suction (in cm) when theta <= 0.
double gardner_suction(const RetentionLayer& r, double water_content);

// ----------------------------------------------------------- four-parameter form

// C(h) = 1 - ln(1 + h / hr) / ln(1 + 1.0e6 / hr), h in kPa.
double fredlund_correction(const RetentionLayer& r, double suction_kpa);
// porosity / [ln(2.71828 + (h / a)^b)]^c, without the correction.
double fredlund_uncorrected(const RetentionLayer& r, double suction_kpa);
// C(h) times the uncorrected form.
double fredlund_water_content(const RetentionLayer& r, double suction_kpa);
// The capacity at the pressure psi (cm of water): the central difference of the
// uncorrected form over 1.01 and 0.99 times the suction in kPa, times C at the
// suction itself; 0 when psi >= 0. It is per kPa, while the moisture system runs
// in cm of water (a factor 10.2): kept, the simulation is calibrated with it.
double fredlund_capacity(const RetentionLayer& r, double pressure_cm);

// ------------------------------------------------------------ table and lookup

// The suction of point i of a table from 1.0e-4 kPa up, `per_decade` points to a
// decade: 10^((i - 1) / per_decade - 4) kPa, the exponent formed in single
// precision. The retention table has 10000 a decade, the conductivity table 10.
double table_point_suction(int point, float per_decade = 10000.0f);

// The suction (kPa) at which a tabulated column holds `water_content`: bisection
// on the point index from the middle point, without interpolation. Above the
// first entry 1.0e-4, below the last 1.0e6.
double table_inverse_lookup(std::span<const double> column, double water_content);

// ---------------------------------------------------------------- gradation

struct ThawParameters {
  float thaw_factor = 0;  // modulus reduction after a thaw
  float recovery_days = 0;
};
// By percent passing #200 (compared as read, in percent), plasticity index and
// percent passing #4.
ThawParameters gradation_parameters(float plasticity_index, float passing_200, float passing_4);

// ------------------------------------------------------- index suctions

// Equilibrium suction (cm of water) from the moisture index M for layer `layer`,
// with a = index_a (percent passing #200) and b = index_b (plasticity index).
// With bit 0 of `flags` set and a * b / 100 < 2, the water content of a
// gradation regression is looked up in the layer's retention curve; otherwise
// the class table by a.
double suction_from_index_properties(const ClimateRun& run, float moisture_index, int layer,
                                     double index_a, double index_b, std::int32_t flags);

// Equilibrium suction (cm of water) of the deep soil from the moisture index, by
// the class curves of w = PI * P200 / 100 (index_a = PI, index_b = P200).
double soil_suction(const ClimateRun& run, float moisture_index, int layer, double index_a,
                    double index_b);

}  // namespace engine
