#include "engine/climate/frost.h"

#include <cmath>

namespace engine {
namespace {

int first_unbound_node(const ClimateRun& run) {
  const int bound = run.simulation_counts.section_count_total;
  return bound > 0 ? run.layer_properties.layer_last_node(bound) + 1 : 1;
}

}  // namespace

float frost_depth_from_bottom(const ClimateRun& run) {
  const auto& t = run.node_state.node_temperature;
  const auto& d = run.node_state.node_depth;
  const float tf = run.climate_simulation_common.freeze_temperature;
  const int n = run.simulation_counts.node_count;
  if (n <= 1) return 0.0f;
  // A frozen bottom node has no warmer node below it to interpolate with.
  if (t(n) <= tf) return d(n);
  for (int j = n - 1; j >= 1; --j)
    if (t(j) <= tf) return d(j + 1) - (d(j + 1) - d(j)) * (t(j + 1) - tf) / (t(j + 1) - t(j));
  return 0.0f;
}

float frost_depth_from_top(const ClimateRun& run) {
  const auto& t = run.node_state.node_temperature;
  const auto& d = run.node_state.node_depth;
  const float tf = run.climate_simulation_common.freeze_temperature;
  const int n = run.simulation_counts.node_count;
  if (t(1) <= tf) return 0.0f;
  for (int j = 2; j <= n; ++j)
    if (tf >= t(j)) return d(j - 1) + (d(j) - d(j - 1)) * (t(j - 1) - tf) / (t(j - 1) - t(j));
  return d(n);
}

void track_frost_state(ClimateRun& run) {
  FrostState& f = run.frost;
  const auto& t = run.node_state.node_temperature;
  const float tf = run.climate_simulation_common.freeze_temperature;
  const auto day = static_cast<float>(run.day_index);
  for (int n = first_unbound_node(run); n <= run.simulation_counts.node_count; ++n) {
    if (run.day_index == 1) {
      f.days_since_thaw(n) = 150.0f;
      f.has_frozen(n) = false;
      f.thawing(n) = false;
      f.last_check_day(n) = 1.0f;
    }
    if (tf < t(n)) {
      // A node that has never frozen is left alone.
      if (f.has_frozen(n)) {
        if (f.thawing(n)) f.days_since_thaw(n) += day - f.last_check_day(n);
        f.thawing(n) = true;
      }
    } else {
      f.has_frozen(n) = true;
      f.days_since_thaw(n) = 0.0f;
      f.thawing(n) = false;
    }
    f.last_check_day(n) = day;
  }
}

float moisture_modulus_factor(float saturation, float optimum, float passing_200) {
  const bool coarse = passing_200 < 50.0f;
  const double a = coarse ? -0.3123f : -0.5934f;
  const double b = coarse ? 0.3f : 0.4f;
  const double k = coarse ? 6.8157f : 6.1324f;
  const double exponent =
      a + (b - a) /
              (1.0 + std::exp(std::log(-b / a) + k * (static_cast<double>(saturation) - optimum)));
  return static_cast<float>(std::pow(10.0, exponent));
}

void update_node_modulus(ClimateRun& run) {
  const FrostState& f = run.frost;
  NodeState& nodes = run.node_state;
  const LayerProperties& lp = run.layer_properties;
  const float tf = run.climate_simulation_common.freeze_temperature;
  for (int n = first_unbound_node(run); n <= run.simulation_counts.node_count; ++n) {
    const int layer = nodes.node_layer(n);
    const bool frozen = !(tf < nodes.node_temperature(n));
    float& modulus = nodes.node_modulus(n);
    if (run.day_index == 1) {
      modulus = frozen ? lp.frozen_modulus(layer) : lp.unfrozen_modulus(layer);
      continue;
    }
    if (frozen) {
      modulus = lp.frozen_modulus(layer);
      continue;
    }
    const float porosity = lp.soil_porosity(layer);
    const float factor =
        moisture_modulus_factor(nodes.node_water_content(n) / porosity,
                                lp.initial_water_content(layer) / porosity, lp.passing_200(layer));
    // Recovering from a thaw: from the thaw factor f back up to the full value
    // over the recovery period. Without a recovery period (the two-parameter
    // set-up sets none) there is nothing to recover.
    const float recovery = lp.recovery_days(layer);
    const float since = f.days_since_thaw(n);
    if (!(recovery > 0.0f) || recovery - since < 0.0f) {
      modulus = factor;
    } else {
      const float thaw = lp.unfrozen_modulus(layer);
      modulus = factor * (thaw + since / recovery * (1.0f - thaw));
    }
  }
}

}  // namespace engine
