#include "engine/climate/heat_conduction.h"

#include <algorithm>
#include <array>

namespace engine {
namespace {

float volumetric_heat_capacity(const LayerProperties& lp, int layer) {
  return lp.bound_unit_weight(layer) * lp.bound_heat_capacity(layer);
}

float squared(float x) { return x * x; }

}  // namespace

void check_grid_criterion(ClimateRun& run) {
  const LayerProperties& lp = run.layer_properties;
  const float dt = run.period_control.half_step_hours;
  const int bound = run.simulation_counts.section_count_total;
  float& max_h = run.climate_simulation_common.surface_constants(kMaxConvectionCoefficient);

  const float dz1 = lp.layer_spacing_feet(1);
  const float a = lp.bound_conductivity(1) / dz1;
  const float b = volumetric_heat_capacity(lp, 1) * dz1;
  max_h = b / (2.0f * dt) - a - 0.1f;
  int failures = b / (2.0f * (a + max_h)) - dt <= 0.0f ? 1 : 0;

  for (int i = 1; i <= bound; ++i) {
    const float k = lp.bound_conductivity(i);
    const float m = volumetric_heat_capacity(lp, i) * squared(lp.layer_spacing_feet(i));
    if (m / (2.0f * k) - dt <= 0.0f) ++failures;
    if (i == bound) continue;
    const float k_next = lp.bound_conductivity(i + 1);
    const float m_next =
        volumetric_heat_capacity(lp, i + 1) * squared(lp.layer_spacing_feet(i + 1));
    if ((m + m_next) / (2.0f * (k + k_next)) - dt <= 0.0f) ++failures;
  }
  run.grid_failure_count = failures;
}

void pavement_conduction_step(ClimateRun& run) {
  LayerProperties& lp = run.layer_properties;
  auto& t = run.node_state.node_temperature;
  const auto& c = run.climate_simulation_common.surface_constants;
  const float dt = run.period_control.half_step_hours;
  const int bound = run.simulation_counts.section_count_total;
  const float band_top = c(kFreezeBandTop);
  const float band_bottom = c(kFreezeBandBottom);

  if (bound == 0) {
    lp.bound_unit_weight(1) = lp.soil_unit_weight(1);
    lp.bound_conductivity(1) = lp.soil_conductivity(1);
    lp.bound_heat_capacity(1) = lp.soil_heat_capacity(1);
  }
  const int last = bound > 0 ? lp.layer_last_node(bound) : 1;

  // Every new value comes from the previous half step's values.
  std::array<float, kMaxNodes + 1> old;
  for (int j = 1; j <= last + 1; ++j) old[static_cast<std::size_t>(j)] = t(j);
  auto previous = [&old](int j) { return old[static_cast<std::size_t>(j)]; };

  // A node that enters the freezing band from either side stops just inside
  // the edge it crossed; one that starts inside moves freely.
  auto set = [&](int j, float value) {
    const float before = previous(j);
    if (before >= band_top && value < band_top) {
      value = band_top - 0.01f;
    } else if (before <= band_bottom && value > band_bottom) {
      value = band_bottom + 0.01f;
    }
    t(j) = value;
  };

  // Surface: half a cell between the boundary and node 2.
  {
    const float k = lp.bound_conductivity(1);
    const float rc = volumetric_heat_capacity(lp, 1);
    const float dz = lp.layer_spacing_feet(1);
    const float ta = run.air_temperature;
    const float h = 2.0f * dt * k / (rc * squared(dz));
    const float i = 2.0f * dt * run.convection_coefficient / (rc * dz);
    const float g = 2.0f * dt / (rc * dz);
    const float value =
        h * previous(2) + (1.0f - h - i) * previous(1) + i * ta + g * run.surface_heat_flux;
    set(1, std::max(value, ta));
  }

  for (int layer = 1; layer <= bound; ++layer) {
    const float k = lp.bound_conductivity(layer);
    const float rc = volumetric_heat_capacity(lp, layer);
    const float dz = lp.layer_spacing_feet(layer);
    const int first = layer == 1 ? 2 : lp.layer_last_node(layer - 1) + 1;
    const int bottom = lp.layer_last_node(layer);

    const float r = dt * k / (rc * squared(dz));
    for (int j = first; j < bottom; ++j)
      set(j, r * (previous(j - 1) + previous(j + 1)) + (1.0f - 2.0f * r) * previous(j));

    // The last node couples to the layer below with that layer's spacing. Below
    // the last bound layer it keeps its own layer's conductivity and heat
    // capacity. The weights are not conservative for unequal spacings; the
    // model keeps them.
    const bool below_bound = layer < bound;
    const float k_below = below_bound ? lp.bound_conductivity(layer + 1) : k;
    const float rc_below = below_bound ? volumetric_heat_capacity(lp, layer + 1) : rc;
    const float d = rc * squared(dz) + rc_below * squared(lp.layer_spacing_feet(layer + 1));
    const float e = 2.0f * dt * k / d;
    const float f = 2.0f * dt * k_below / d;
    set(bottom, e * previous(bottom - 1) + (1.0f - e - f) * previous(bottom) +
                    f * previous(bottom + 1));
  }
}

}  // namespace engine
