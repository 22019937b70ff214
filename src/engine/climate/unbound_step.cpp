#include "engine/climate/unbound_step.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/climate/drainage.h"
#include "engine/climate/soil_water.h"

namespace engine {
namespace {

constexpr float kCmPerInch = 2.54f;
constexpr float kCmPerFoot = 30.48f;
constexpr float kKpaPerCm = 0.09804f;
const float kCmPerPsi = 6.8965f * 10.197f;
constexpr float kGramsPerCm3PerPcf = 0.01601873f;
// Calories that freezing a unit volume of water releases, and that thawing a
// unit volume of ice takes (ice is 0.917 as dense).
constexpr float kLatentWater = 80.0f;
constexpr float kLatentIce = 73.4f;
// The capacity matrices keep nearly all of a row's capacity on its diagonal.
constexpr float kDiagonalShare = 0.9999f;
constexpr float kNeighbourShare = 0.000100016594f * 0.5f;
// The driest suction the water update sets: 100000 kPa in cm of water.
constexpr float kDriestSuction = -1019991.875f;
// The heat that a unit volume of water carries per degree, cal/(cm3 C).
constexpr float kWaterHeat = 1.0f;

float to_celsius(float fahrenheit) { return (fahrenheit - 32.0f) * 5.0f / 9.0f; }
float to_fahrenheit(float celsius) { return celsius * 9.0f / 5.0f + 32.0f; }

// Suctions are held in kPa with the four-parameter retention form, in psi
// with the two-parameter form.
bool suction_in_kpa(const ClimateRun& run) {
  return run.climate_simulation_common.retention_form > 1;
}
bool two_parameter(const ClimateRun& run) {
  return run.climate_simulation_common.retention_form <= 1;
}

int last_node(const ClimateRun& run) { return run.simulation_counts.node_count; }

// The day's water table below the surface, cm.
float water_table_cm(const ClimateRun& run) {
  return static_cast<float>(run.work.water_table_feet(run.day_index)) * kCmPerFoot;
}

// The bottom node's pressure of the day, cm of water (the material set-up
// turned the day's water table into it, in psi).
float bottom_pressure_cm(const ClimateRun& run) {
  return static_cast<float>(run.work.daily_value_9(run.day_index)) * kCmPerPsi;
}

// Every node below the water table holds the hydrostatic pressure under it.
void set_below_water_table(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const float table = water_table_cm(run);
  // Depths grow downwards: from the bottom up to the table.
  for (int n = last_node(run); n >= run.first_implicit_node && s.depth(n) > table; --n)
    s.suction(n) = s.depth(n) - table;
}

// ------------------------------------------------------------------ set-up

UnboundLayer metric_layer(const LayerProperties& lp, int layer) {
  UnboundLayer l;
  const float n = lp.soil_porosity(layer);
  l.porosity = n;
  l.dry_density = lp.soil_unit_weight(layer) * kGramsPerCm3PerPcf;
  l.saturated_conductivity = lp.saturated_permeability(layer) * kCmPerFoot;
  l.solids_heat = lp.soil_heat_capacity(layer) * l.dry_density;
  l.dry_thermal = dry_thermal_conductivity(lp, layer);
  const double solids = std::pow(4.0, 1.0 - n);
  l.saturated_thermal = static_cast<float>(std::pow(0.57, n) * solids);
  l.frozen_thermal = static_cast<float>(std::pow(2.2, n) * solids);
  // Percent passing #200, compared as read.
  l.kersten_slope = lp.passing_200(layer) <= 0.5f ? 0.7f : 1.0f;
  return l;
}

// The first node more than 48 inches below the first implicit node.
int find_deep_node(const ClimateRun& run) {
  const auto& depth = run.node_state.node_depth;
  const float top = depth(run.first_implicit_node);
  for (int n = run.first_implicit_node + 1; n <= last_node(run); ++n)
    if (depth(n) - top > 48.0f) return n;
  return 0;
}

// The share of the base's pore volume that 0.1 inch of rain fills, at most 1.
// Only the rainfall boundary under bound layers uses it, and only with a
// drainage curve: a base that does not drain takes no infiltration state.
double infiltration_rate(const ClimateRun& run) {
  const int bound = run.simulation_counts.section_count_total;
  if (run.climate_simulation_common.moisture_index_choice != 0 || bound == 0 ||
      !run.drainage_curve.computed)
    return 0.0;
  const DrainageInputs& inputs = run.climate_simulation_common.drainage_inputs;
  const double volume = infiltration_volume(infiltration_relation(inputs), 0.1);
  const int base = bound + 1;
  const LayerProperties& lp = run.layer_properties;
  const double pores = static_cast<double>(inputs.path_length) * lp.soil_porosity(base) *
                       (static_cast<double>(lp.layer_thickness(base)) / 12.0);
  const double rate = volume / pores;
  return rate > 0.0 ? std::min(rate, 1.0) : 0.0;
}

// ------------------------------------------------------------ top boundary

// Once an hour: the rainfall boundary's infiltration state after the hour
// just ended.
void advance_infiltration(ClimateRun& run) {
  InfiltrationState& st = run.unbound.infiltration;
  const int steps_per_hour = run.period_control.steps_per_hour;
  if (++st.hour_steps < steps_per_hour) return;
  st.hour_steps = 0;
  const int d = run.day_index;
  const int hour = std::clamp(run.step_counter / steps_per_hour, 1, 24);
  const bool hourly = run.climate_simulation_common.climate_record_form == 0;
  const ClimateWork& w = run.work;

  if (run.simulation_counts.section_count_total == 0) {
    // Without a pavement the surface dries at a fixed pace; an hour of rain
    // saturates it.
    st.saturation = std::max(st.saturation - 0.04 * run.period_control.half_step_hours, 0.0);
    if (hourly && w.hourly_precipitation(hour, d) >= 0.03) st.saturation = 1.0;
    return;
  }

  // Under a pavement the base drains along its drainage curve.
  const DrainageCurve& curve = run.drainage_curve;
  if (!curve.computed) return;
  if (st.saturation > 0.0) {
    st.curve_hours = std::min(st.curve_hours + 1.0, 300.0);
    st.saturation = 1.0 - drainage_degree_at_time(curve, st.curve_hours);
  }
  if (st.saturation < 1.0 - curve.degree(20)) st.saturation = 0.0;
  if (!hourly || !(w.hourly_temperature(hour, d) > 32.0)) return;
  const double rain = w.hourly_precipitation(hour, d);
  const double rise = rain >= 0.3 ? 3.0 * st.rate : (rain >= 0.01 ? st.rate : 0.0);
  if (!(rise > 0.0)) return;
  st.saturation = std::min(st.saturation + rise, 1.0);
  st.curve_hours =
      st.saturation >= 1.0 ? 0.0 : drainage_time_for_degree(curve, 1.0 - st.saturation);
}

void apply_rainfall_boundary(ClimateRun& run) {
  advance_infiltration(run);
  UnboundStep& s = run.unbound;
  const double saturation = s.infiltration.saturation;
  const int first = run.first_implicit_node;
  if (run.node_state.node_ice_content(first) > 0.0f) return;
  if (run.simulation_counts.section_count_total > 0) {
    // Water that entered through the pavement keeps the base's top wet.
    if (saturation != 0.0) s.suction(first) = -100.0f;
    return;
  }
  // A bare surface: hydrostatic over the bottom when dry, saturated just after
  // rain.
  const float bottom_head = bottom_pressure_cm(run) - s.depth(last_node(run));
  s.suction(first) = static_cast<float>((1.0 - saturation) * (bottom_head + s.depth(first)));
}

// The water table of the hour (hourly records) or of the day, inches.
float water_table_inches(const ClimateRun& run) {
  const int d = run.day_index;
  if (run.climate_simulation_common.climate_record_form != 0)
    return static_cast<float>(run.work.water_table_feet(d) * 12.0);
  const int k = std::min(static_cast<int>(run.hour_of_day + 1.0f), 24);
  return static_cast<float>(run.work.hourly_value_5(k, d) * 12.0);
}

void apply_moisture_index_boundary(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const NodeState& nodes = run.node_state;
  const LayerProperties& lp = run.layer_properties;
  const int first = run.first_implicit_node;
  const int base = run.simulation_counts.section_count_total + 1;
  const auto index = static_cast<float>(run.work.daily_tmi(run.day_index));
  // A node below the hour's water table keeps its hydrostatic pressure.
  const float table = water_table_inches(run);
  if (!(nodes.node_ice_content(first) > 0.0f)) {
    const auto top = static_cast<float>(-suction_from_index_properties(
        run, index, base, lp.passing_200(base), lp.plasticity_index(base), -1));
    for (int k : {first, first + 1})
      if (table > nodes.node_depth(k)) s.suction(k) = top;
  }
  const int deep = s.deep_node;
  if (deep > 0 && !(nodes.node_ice_content(deep) > 0.0f) && table > nodes.node_depth(deep)) {
    s.suction(deep) = static_cast<float>(
        -soil_suction(run, index, base, lp.plasticity_index(base), lp.passing_200(base)));
  }
}

// ------------------------------------------------------------------ systems

// Row j of a capacity matrix over the time step, B: the row's capacity split
// between its diagonal and its neighbours. The first row has no neighbour
// above (nothing flows across the top of the region).
void set_capacity_row(BandMatrix& b, int j, int first, float capacity, float time_step) {
  const float neighbour = capacity * kNeighbourShare / time_step;
  b(j, 1) = j > first ? neighbour : 0.0f;
  b(j, 2) = capacity * kDiagonalShare / time_step;
  b(j, 3) = neighbour;
}

void set_identity_row(BandMatrix& m, int j) {
  m(j, 1) = 0.0f;
  m(j, 2) = 1.0f;
  m(j, 3) = 0.0f;
}

// The bottom node keeps its value: its row becomes the identity, and its
// coupling in the row above moves to that row's right-hand side.
float fix_bottom(UnboundStep& s, int n, float value) {
  const float f = -value * s.a(n - 1, 3) + value * s.b(n - 1, 3);
  s.a(n - 1, 3) = 0.0f;
  s.b(n - 1, 3) = 0.0f;
  set_identity_row(s.a, n);
  set_identity_row(s.b, n);
  return f;
}

}  // namespace

// ------------------------------------------------------------------ set-up

float dry_thermal_conductivity(const LayerProperties& lp, int layer) {
  if (lp.d60_mm(layer) > 10.0f)
    return static_cast<float>(0.039 * std::pow(static_cast<double>(lp.soil_porosity(layer)), -2.2));
  const float density = lp.soil_unit_weight(layer) * kGramsPerCm3PerPcf * 1000.0f;  // kg/m3
  return (0.137f * density + 64.7f) / (2700.0f - 0.947f * density);
}

void prepare_unbound_step(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const SimulationCounts& counts = run.simulation_counts;
  const int base = counts.section_count_total + 1;
  for (int layer = base; layer <= counts.layer_count; ++layer)
    s.layers(layer) = metric_layer(run.layer_properties, layer);

  const int first = run.first_implicit_node;
  for (int n = first; n <= counts.node_count; ++n) {
    s.layer(n) = n == first ? base : run.node_state.node_layer(n);
    s.depth(n) = run.node_state.node_depth(n) * kCmPerInch;
  }
  for (int j = first; j < counts.node_count; ++j) s.spacing(j) = s.depth(j + 1) - s.depth(j);

  // Nothing written and nothing evaluated yet: NaN matches no value.
  const float none = std::numeric_limits<float>::quiet_NaN();
  for (NodeVector* v : {&s.written_temperature, &s.written_suction, &s.capacity_suction,
                        &s.curve_suction, &s.hydraulic_suction, &s.thermal_water, &s.thermal_ice})
    v->fill(none);

  s.deep_node = find_deep_node(run);
  s.infiltration = InfiltrationState{};
  s.infiltration.rate = infiltration_rate(run);
}

void advance_unbound_layers(ClimateRun& run) {
  unbound_units_in(run);
  apply_water_table(run);
  apply_top_boundary(run);
  start_heat_step(run);
  element_hydraulic_conductivity(run);
  node_moisture_capacity(run);
  element_thermal_conductivity(run);
  node_specific_heat(run);
  element_water_flux(run);
  solve_moisture(run);
  solve_heat(run);
  update_water_and_ice(run);
  unbound_units_out(run);
}

// ------------------------------------------------------------------ stages

void unbound_units_in(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const ClimateSimulationCommon& c = run.climate_simulation_common;
  const NodeState& nodes = run.node_state;
  s.freeze_temperature = to_celsius(c.freeze_temperature);
  s.bottom_temperature = to_celsius(c.surface_constants(kBottomTemperature));
  s.time_step = run.period_control.half_step_hours * 2.0f;
  const bool kpa = suction_in_kpa(run);
  for (int n = run.first_implicit_node; n <= last_node(run); ++n) {
    const float temperature = nodes.node_temperature(n);
    if (!(temperature == s.written_temperature(n))) s.temperature(n) = to_celsius(temperature);
    const float suction = nodes.node_suction(n);
    if (!(suction == s.written_suction(n)))
      s.suction(n) = kpa ? suction / kKpaPerCm : suction * kCmPerPsi;
  }
}

void apply_water_table(ClimateRun& run) {
  set_below_water_table(run);
  run.unbound.suction(last_node(run)) = bottom_pressure_cm(run);
}

void apply_top_boundary(ClimateRun& run) {
  if (run.climate_simulation_common.moisture_index_choice == 0) {
    apply_rainfall_boundary(run);
  } else {
    apply_moisture_index_boundary(run);
  }
}

void start_heat_step(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  s.temperature(last_node(run)) = s.bottom_temperature;
  for (int n = run.first_implicit_node; n <= last_node(run); ++n) {
    s.freezable_heat(n) = kLatentWater * run.node_state.node_water_content(n);
    s.latent_heat(n) = 0.0f;
  }
}

void element_hydraulic_conductivity(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const LayerProperties& lp = run.layer_properties;
  const bool gardner = two_parameter(run);
  const float frozen_below = s.freeze_temperature + 1.0f;
  for (int j = run.first_implicit_node; j < last_node(run); ++j) {
    const int layer = s.layer(j + 1);
    const float ks = s.layers(layer).saturated_conductivity;
    const auto& relative = lp.relative_conductivity(layer);
    // Two-parameter form: Ks / (1 + a |h|^b), h in cm of water; four-parameter
    // form: the tabulated relative conductivity, h in kPa.
    auto gardner_k = [&](float k, double suction_cm) {
      const double power = std::pow(std::fabs(suction_cm), lp.gardner_k_exponent(layer));
      return static_cast<float>(k / (1.0 + lp.gardner_k_multiplier(layer) * power));
    };
    auto table_k = [&](double suction_cm) {
      return std::min(ks, ks * relative(conductivity_index(suction_cm * kKpaPerCmWater)));
    };

    const float psi = (s.suction(j) + s.suction(j + 1)) / 2.0f;
    if (!(psi == s.hydraulic_suction(j))) {
      s.hydraulic_suction(j) = psi;
      s.unfrozen_hydraulic(j) =
          psi >= 0.0f ? ks : (gardner ? gardner_k(ks, psi) : table_k(-static_cast<double>(psi)));
    }
    float k = s.unfrozen_hydraulic(j);

    // Ice in the pores acts as a suction. The four-parameter form indexes its
    // table by that suction in kPa, as for an unfrozen element, and the result
    // replaces the unfrozen value.
    const float mean_temperature = (s.temperature(j) + s.temperature(j + 1)) / 2.0f;
    if (mean_temperature < frozen_below) {
      const double frozen = frozen_suction_cm(std::fabs(mean_temperature));
      k = gardner ? gardner_k(k, frozen) : table_k(frozen);
    }
    s.hydraulic(j) = k;
  }
}

void node_moisture_capacity(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const bool gardner = two_parameter(run);
  for (int n = run.first_implicit_node; n <= last_node(run); ++n) {
    const float pressure = s.suction(n);
    if (pressure == s.capacity_suction(n)) continue;  // the capacity there is known
    const RetentionLayer& r = run.work.retention(s.layer(n));
    s.capacity_suction(n) = pressure;
    s.capacity(n) = static_cast<float>(gardner ? gardner_capacity(r, pressure)
                                               : fredlund_capacity(r, pressure));
  }
}

void element_thermal_conductivity(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const NodeState& nodes = run.node_state;
  for (int j = run.first_implicit_node; j < last_node(run); ++j) {
    const float water = (nodes.node_water_content(j) + nodes.node_water_content(j + 1)) / 2.0f;
    const float ice = (nodes.node_ice_content(j) + nodes.node_ice_content(j + 1)) / 2.0f;
    if (water == s.thermal_water(j) && ice == s.thermal_ice(j)) continue;
    s.thermal_water(j) = water;
    s.thermal_ice(j) = ice;
    s.thermal(j) = soil_thermal_conductivity(s.layers(s.layer(j + 1)), water, ice);
  }
}

void node_specific_heat(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const NodeState& nodes = run.node_state;
  for (int n = run.first_implicit_node; n <= last_node(run); ++n) {
    const UnboundLayer& l = s.layers(s.layer(n));
    const float water = nodes.node_water_content(n);
    const float ice = nodes.node_ice_content(n);
    // Mass-weighted: water 1, ice 0.55 (0.50435 = 0.917 x 0.55), the solids
    // their own.
    const float mass = ice * 0.917f + water + l.dry_density;
    s.heat_mass(n) = mass;
    s.specific_heat(n) = (water * 1.0f + ice * 0.50435f + l.solids_heat) / mass;
  }
}

void element_water_flux(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const int first = run.first_implicit_node;
  float largest = 0.0f;
  for (int j = first; j < last_node(run); ++j) {
    const float dz = s.spacing(j);
    const float q = s.hydraulic(j) * ((s.suction(j) - s.suction(j + 1)) / dz + 1.0f);
    s.flux(j) = q;
    largest = std::max(largest, std::fabs(q) * kWaterHeat * dz / s.thermal(j));
  }
  // Where the water would carry more heat across an element than conduction,
  // upwards or downwards, the scheme would oscillate: no transport this step.
  if (largest > 1.0f)
    for (int j = first; j < last_node(run); ++j) s.flux(j) = 0.0f;
}

void solve_moisture(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const int first = run.first_implicit_node;
  const int n = last_node(run);
  const float dt = s.time_step;
  NodeVector& head = run.work.moisture_work[0];
  NodeVector& y = run.work.moisture_work[1];
  const NodeVector& source = run.work.moisture_work[2];

  // Total head H = psi - depth. Row j: element stiffness K/dz of elements
  // j - 1 and j, plus the capacity over the time step. The top row has no
  // element above it: no flux through the top of the region.
  float above = 0.0f;    // length of the element above row j
  float k_above = 0.0f;  // and its stiffness
  for (int j = first; j < n; ++j) {
    const float below = s.spacing(j);
    const float k_below = s.hydraulic(j) / below;
    set_capacity_row(s.b, j, first, (above + below) * s.capacity(j) / 2.0f, dt);
    s.a(j, 1) = -k_above + s.b(j, 1);
    s.a(j, 2) = k_above + k_below + s.b(j, 2);
    s.a(j, 3) = -k_below + s.b(j, 3);
    head(j) = s.suction(j) - s.depth(j);
    above = below;
    k_above = k_below;
  }
  head(n) = s.suction(n) - s.depth(n);
  const float f = fix_bottom(s, n, bottom_pressure_cm(run) - s.depth(n));
  // Frozen and dried-out nodes keep their head, like the bottom node: their
  // water changes only by freezing and thawing (update_water_and_ice).
  if (s.any_held) {
    for (int j = first; j < n; ++j) {
      if (!s.held(j)) continue;
      set_identity_row(s.a, j);
      set_identity_row(s.b, j);
    }
  }

  band_decompose(s.a, s.multipliers, n, first);
  band_multiply(s.b, head, y, n, first);
  // The water that the last step's update could not hold enters as a source,
  // not divided by the time step.
  for (int j = first; j <= n; ++j) y(j) += source(j);
  y(n - 1) += f;
  band_solve(s.a, y, s.multipliers, n, first);
  for (int j = first; j <= n; ++j) s.suction(j) = y(j) + s.depth(j);
}

void solve_heat(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  const NodeState& nodes = run.node_state;
  const int first = run.first_implicit_node;
  const int n = last_node(run);
  const float dt = s.time_step;

  // Linear elements: conductance k/dz; the water flux q carries heat as
  // (q c_w / 2) [[-1, 1], [-1, 1]]; each node holds the heat of half of each
  // element beside it. The first node keeps the temperature that the
  // pavement's explicit step gave it.
  set_identity_row(s.a, first);
  set_identity_row(s.b, first);
  float above = s.spacing(first);
  float k_above = s.thermal(first) / above;
  float q_above = s.flux(first) * kWaterHeat / 2.0f;
  for (int j = first + 1; j < n; ++j) {
    const float below = s.spacing(j);
    const float k_below = s.thermal(j) / below;
    const float q_below = s.flux(j) * kWaterHeat / 2.0f;
    const float heat = (above + below) / 2.0f * s.specific_heat(j) * s.heat_mass(j);
    set_capacity_row(s.b, j, first, heat, dt);
    s.a(j, 1) = -k_above - q_above + s.b(j, 1);
    s.a(j, 2) = k_above + k_below + q_above - q_below + s.b(j, 2);
    s.a(j, 3) = -k_below + q_below + s.b(j, 3);
    above = below;
    k_above = k_below;
    q_above = q_below;
  }
  for (int j = first; j <= n; ++j) s.heat_old(j) = s.temperature(j);
  const float f = fix_bottom(s, n, s.bottom_temperature);

  NodeVector& t = s.heat_new;
  band_decompose(s.a, s.multipliers, n, first);
  band_multiply(s.b, s.heat_old, t, n, first);
  t(n - 1) += f;
  band_solve(s.a, t, s.multipliers, n, first);
  t(first) = 0.75f * t(first) + 0.25f * t(first + 1);

  // Phase change: a node that cooled below freezing first freezes its water,
  // one that warmed above it first thaws its ice, each at the freezing point.
  const float tf = s.freeze_temperature;
  for (int j = first; j <= n; ++j) {
    const float solved = t(j);
    const float heat = s.specific_heat(j) * s.heat_mass(j);  // per degree and cm3
    const float ice = nodes.node_ice_content(j);
    float temperature = solved;
    float latent = 0.0f;
    if (solved < tf) {
      const float freezable = s.freezable_heat(j);
      if (freezable > 0.0f) {
        const float released = (tf - solved) * heat;
        if (released <= freezable) {
          temperature = tf;
          latent = released;
        } else {
          temperature = tf - (released - freezable) / heat;
          latent = freezable;
        }
      }
    } else if (ice > 0.0f) {
      const float taken = (solved - tf) * heat;
      const float thawable = kLatentIce * ice;
      if (taken <= thawable) {
        temperature = tf;
        latent = -taken;
      } else {
        temperature = tf + (taken - thawable) / heat;
        latent = -thawable;
      }
    }
    s.temperature(j) = temperature;
    s.latent_heat(j) = latent;
  }
}

void update_water_and_ice(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  NodeState& nodes = run.node_state;
  NodeVector& source = run.work.moisture_work[2];
  const int first = run.first_implicit_node;
  const int n = last_node(run);
  const int bound = run.simulation_counts.section_count_total;
  const bool gardner = two_parameter(run);
  bool any_held = false;

  for (int j = first; j <= n; ++j) {
    const int layer = s.layer(j);
    const RetentionLayer& r = run.work.retention(layer);
    const float porosity = s.layers(layer).porosity;
    const float latent = s.latent_heat(j);
    float psi = s.suction(j);
    source(j) = 0.0f;

    float theta = porosity;
    if (psi < 0.0f) {
      if (!gardner && psi < -100000.0f && latent >= 0.0f) {
        theta = 0.0f;
      } else {
        if (!(psi == s.curve_suction(j))) {
          s.curve_suction(j) = psi;
          s.curve_water(j) = static_cast<float>(
              gardner ? gardner_water_content(r, -static_cast<double>(psi))
                      : fredlund_water_content(r, -static_cast<double>(psi) * kKpaPerCmWater));
        }
        theta = s.curve_water(j);
      }
    }
    theta = std::min(theta, 1.1f * porosity - nodes.node_ice_content(j));
    float water = theta - latent / kLatentWater;  // unfrozen, after the step

    if (water >= porosity) {
      // Saturated: what the pores cannot hold goes to the next step's moisture
      // system as a source. The first node has no element above; the bottom
      // node keeps its value.
      if (psi < 0.0f) psi = 0.0f;
      if (j != first && j != n)
        source(j) = (water - porosity) * (s.spacing(j - 1) + s.spacing(j)) / 2.0f;
      water = porosity;
    } else if (water > 0.0f) {
      // Freezing or thawing moves the suction to where the curve holds the
      // unfrozen water, up to the driest suction: water held only beyond it
      // counts as none. (The two-parameter form has no such end of its own; a
      // suction without bound would drain the unfrozen soil beside it.)
      // Without a curve (a multiplier of 0 or less) the suction stays.
      if (latent != 0.0f && psi < -0.1f && (!gardner || r.gardner_multiplier > 0.0)) {
        double suction = 0.0;  // cm of water
        bool beyond = false;
        if (gardner) {
          suction = gardner_suction(r, water);
          beyond = suction > -kDriestSuction;
        } else {
          const double kpa =
              table_inverse_lookup(run.work.suction_table.column_span(layer - bound), water);
          suction = kpa / kKpaPerCm;
          beyond = kpa > 100000.0;
        }
        if (beyond) {
          psi = kDriestSuction;
          water = 0.0f;
        } else {
          psi = static_cast<float>(-suction);
        }
      }
    } else {
      psi = kDriestSuction;
      water = 0.0f;
    }
    s.suction(j) = psi;
    nodes.node_water_content(j) = water;
    // Held ice during this step (thawed or not), or froze some, or dried out.
    s.held(j) = nodes.node_ice_content(j) > 0.0f || latent > 0.0f || !(water > 0.0f);
    any_held = any_held || s.held(j);
  }
  s.any_held = any_held;

  set_below_water_table(run);
  if (s.suction(first) > 0.0f) s.suction(first) = 0.0f;
  for (int j = first; j <= n; ++j)
    nodes.node_ice_content(j) =
        std::max(nodes.node_ice_content(j) + s.latent_heat(j) / kLatentIce, 0.0f);

  // Undoes the blend of the heat solution at the first node (when the phase
  // change moved neither node), with no further bound.
  s.temperature(first) = (4.0f * s.temperature(first) - s.temperature(first + 1)) / 3.0f;
}

void unbound_units_out(ClimateRun& run) {
  UnboundStep& s = run.unbound;
  NodeState& nodes = run.node_state;
  const bool kpa = suction_in_kpa(run);
  for (int n = run.first_implicit_node; n <= last_node(run); ++n) {
    nodes.node_temperature(n) = s.written_temperature(n) = to_fahrenheit(s.temperature(n));
    nodes.node_suction(n) = s.written_suction(n) =
        kpa ? s.suction(n) * kKpaPerCm : s.suction(n) / kCmPerPsi;
  }
}

// ------------------------------------------------------------------ pieces

int conductivity_index(double suction_kpa) {
  const double x = 10.0 * std::log10(suction_kpa) + 40.0;
  if (!(x >= 1.0)) return 1;  // also 0 kPa or less
  if (x >= 100.0) return 100;
  return static_cast<int>(x);
}

double frozen_suction_cm(double degrees) {
  const double t = std::fabs(degrees);
  const double absolute = t + 273.1;
  const double x = 8.2312 * std::log10(absolute) - (1.1389 * t + 2445.5647) / absolute - 11.098907 -
                   0.010188 * t - 1.2486e-06 * t * t + 9.084e-08 * t * t * t;
  return 10841.44 * absolute * x;
}

float kersten_number(const UnboundLayer& layer, float saturation, float ice) {
  if (ice > 0.0f) return std::min(ice + saturation / 2.0f, 1.0f);
  return layer.kersten_slope * std::log10(std::max(saturation, 0.1f)) + 1.0f;
}

float soil_thermal_conductivity(const UnboundLayer& layer, float water, float ice) {
  const float saturation = water / layer.porosity;
  const float ke = kersten_number(layer, saturation, ice);
  // The frozen soil's saturated value falls with its unfrozen water.
  const float saturated =
      ice > 0.0f ? layer.frozen_thermal * std::pow(0.269f, water) : layer.saturated_thermal;
  const float kd = layer.dry_thermal;
  return ((saturated - kd) * ke + kd) / 1.73073f * 14.9f;  // W/(m K) to cal/(cm h C)
}

}  // namespace engine
