#include "engine/climate/moisture_setup.h"

#include <cmath>
#include <string>

#include "engine/climate/climate_input.h"
#include "engine/climate/soil_water.h"
#include "engine/climate/unbound_step.h"
#include "platform/record_io.h"

namespace engine {
namespace {

constexpr double kCmPerFoot = 30.48;
constexpr float kCmPerInch = 2.54f;

bool is_pavement(const platform::FixedText<10>& name) { return name == "PCC" || name == "Asphalt"; }

// The first day's water table below the surface, cm. A run without days has no
// water table to refer to; the surface stands in for it (nothing is simulated).
float first_water_table_cm(const ClimateRun& run) {
  const ClimateWork& w = run.work;
  return w.daily_value_9.size() > 0 ? static_cast<float>(w.daily_value_9(1) * kCmPerFoot) : 0.0f;
}

// The day's water-table depth (feet) becomes the bottom node's hydrostatic
// pressure that day (psi).
void set_bottom_pressures(ClimateRun& run) {
  const double bottom_cm =
      static_cast<double>(run.node_state.node_depth(run.simulation_counts.node_count)) * 2.54;
  for (double& depth : run.work.daily_value_9.all())
    depth = (bottom_cm - depth * kCmPerFoot) / kCmWaterPerPsi;
}

void cache_retention(ClimateRun& run) {
  for (int layer = 1; layer <= run.simulation_counts.layer_count; ++layer)
    run.work.retention(layer) = retention_layer(run.layer_properties, layer);
}

std::string value_text(float v) { return platform::format_list(v).substr(1); }

std::string layer_named(const ClimateRun& run, int layer) {
  return "layer " + std::to_string(layer) + " (\"" +
         std::string(run.layer_names.layer_names(layer).trimmed()) + "\")";
}

// Stops naming the record, the layer and the value read, and the rule it breaks.
void reject_value(const ClimateRun& run, LayerTable LayerProperties::*field, int layer,
                  const char* what, const char* rule) {
  reject_input("record " + std::to_string(soil_record_number(field)) + " of " +
                   layer_named(run, layer),
               std::string(what) + " " + value_text((run.layer_properties.*field)(layer)) +
                   "; " + rule);
}

void require_positive(const ClimateRun& run, LayerTable LayerProperties::*field, int layer,
                      const char* what, bool zero_allowed = false) {
  const float v = (run.layer_properties.*field)(layer);
  if (v > 0.0f || (zero_allowed && v == 0.0f)) return;
  reject_value(run, field, layer, what,
               zero_allowed ? "it must be 0 or more" : "it must be above 0");
}

// Every unbound layer needs a retention curve that gives finite water contents.
void check_unbound_layers(const ClimateRun& run) {
  const int form = run.climate_simulation_common.retention_form;
  const SimulationCounts& counts = run.simulation_counts;
  for (int layer = counts.section_count_total + 1; layer <= counts.layer_count; ++layer) {
    const auto& name = run.layer_names.layer_names(layer);
    if (name == "PCC" || name == "Asphalt" || name == "ATB")
      reject_input(layer_named(run, layer),
                   "a bound material below the " + std::to_string(counts.section_count_total) +
                       " bound layer(s) of record 8 has no soil values; an unbound layer needs "
                       "them");
    require_positive(run, &LayerProperties::soil_porosity, layer, "porosity");
    // The heat a node holds is weighed by mass; the conductivities must not
    // turn the moisture system around.
    require_positive(run, &LayerProperties::soil_unit_weight, layer, "unit weight");
    // A dry unit weight above that of the solids turns Johansen's dry
    // conductivity infinite or negative, and the temperatures with it.
    if (const float dry = dry_thermal_conductivity(run.layer_properties, layer);
        !(std::isfinite(dry) && dry > 0.0f))
      reject_value(run, &LayerProperties::soil_unit_weight, layer, "unit weight",
                   "with a d60 of 10 mm or less it must be below 177.98");
    require_positive(run, &LayerProperties::saturated_permeability, layer,
                     "saturated permeability", true);
    if (form > 1) {
      require_positive(run, &LayerProperties::fredlund_a, layer, "Fredlund factor a");
      require_positive(run, &LayerProperties::fredlund_b, layer, "Fredlund factor b");
      require_positive(run, &LayerProperties::fredlund_c, layer, "Fredlund factor c");
      require_positive(run, &LayerProperties::fredlund_hr, layer, "Fredlund factor hr");
      // The modulus ratio divides by it.
      require_positive(run, &LayerProperties::frozen_modulus, layer, "frozen modulus");
    } else if (form == 1) {
      require_positive(run, &LayerProperties::gardner_water_exponent, layer,
                       "Gardner water-content exponent");
      require_positive(run, &LayerProperties::gardner_k_multiplier, layer,
                       "Gardner conductivity multiplier", true);
    }
  }
}

// ------------------------------------------------------------ two-parameter form

struct GardnerExponents {
  float water;
  float conductivity;
};

// By material name, over all 10 characters and case-sensitive; f is the fines
// content in percent.
GardnerExponents gardner_exponents(const platform::FixedText<10>& name, float fines) {
  if (name == "STABLIZED" || name == "A-1")
    return fines < 10.0f ? GardnerExponents{0.3f, 2.645f} : GardnerExponents{0.4f, 2.844f};
  if (name == "A-2") return {0.65f, 3.633f};
  if (name == "A-3") return {0.75f, 3.324f};
  if (name == "A-6" || name == "A-7") return {0.85f, 1.47f};
  return {0.85f, 3.04f};
}

// retention_form 1: each node's value read is a water content in percent, turned
// into the pressure at which its layer's form holds it.
void pressures_from_water_contents(ClimateRun& run, float table_cm) {
  NodeState& nodes = run.node_state;
  for (int n = 1; n <= run.simulation_counts.node_count; ++n) {
    const int layer = nodes.node_layer(n);
    float& pressure = nodes.node_suction(n);
    const float above_table = nodes.node_depth(n) * kCmPerInch - table_cm;
    if (is_pavement(run.layer_names.layer_names(layer))) {
      pressure = 0.0f;
    } else if (above_table >= 0.0f) {
      pressure = above_table / static_cast<float>(kCmWaterPerPsi);
    } else {
      const float w = pressure / 100.0f;
      // At w >= porosity the form has no suction: saturated.
      pressure = w <= 0.0f ? 0.0f
                           : static_cast<float>(-gardner_suction(run.work.retention(layer), w) /
                                                kCmWaterPerPsi);
    }
  }
}

// retention_form <= 0: each soil layer's parameters fitted so that its mean water
// read sits at its mean height above the first day's water table; hydrostatic
// pressures.
void fit_by_material(ClimateRun& run, float table_cm) {
  NodeState& nodes = run.node_state;
  LayerProperties& lp = run.layer_properties;
  const int node_count = run.simulation_counts.node_count;
  OneBasedArray<float, kMaxNodes> above_table;
  for (int n = 1; n <= node_count; ++n) above_table(n) = nodes.node_depth(n) * kCmPerInch - table_cm;

  const float fines = run.climate_simulation_common.drainage_inputs.fines_content;
  for (int layer = 1; layer <= run.simulation_counts.layer_count; ++layer) {
    const auto& name = run.layer_names.layer_names(layer);
    if (is_pavement(name)) continue;
    const GardnerExponents e = gardner_exponents(name, fines);
    lp.gardner_k_multiplier(layer) = 1.0e-5f;
    lp.gardner_k_exponent(layer) = e.conductivity;
    lp.gardner_water_exponent(layer) = e.water;

    const int first = lp.layer_first_node(layer);
    const int last = lp.layer_last_node(layer);
    float water_sum = 0.0f;
    float height_sum = 0.0f;
    for (int n = first; n <= last; ++n) {
      water_sum += nodes.node_suction(n);
      height_sum += above_table(n);
    }
    const auto count = static_cast<float>(last - first + 1);
    float w = water_sum / count / 100.0f;
    if (w <= 0.0f) w = 0.001f;
    float x = height_sum / count;
    if (x > -1.0f) x = -1.0f;
    lp.gardner_water_multiplier(layer) =
        (lp.soil_porosity(layer) - w) / (w * std::pow(std::fabs(x), e.water));
  }

  for (int n = 1; n <= node_count; ++n) {
    nodes.node_suction(n) = is_pavement(run.layer_names.layer_names(nodes.node_layer(n)))
                                ? 0.0f
                                : above_table(n) / static_cast<float>(kCmWaterPerPsi);
  }
}

// ----------------------------------------------------------- four-parameter form

// The tabulated curve: water content at 10^((i - 1) / 10000 - 4) kPa, the suction
// held in single precision.
void tabulate_curve(const RetentionLayer& r, std::span<double> column) {
  for (int i = 1; i <= kSuctionTablePoints; ++i) {
    const auto h = static_cast<float>(table_point_suction(i));
    column[static_cast<std::size_t>(i - 1)] = fredlund_water_content(r, h);
  }
}

// The relative conductivity at 10^((i - 1) / 10 - 4) kPa: the class of the water
// content there, the driest class for anything beyond the last.
void fill_relative_conductivity(const RetentionLayer& r, const ConductivityClasses& classes,
                                OneBasedArray<float, kConductivityPoints>& out) {
  const auto porosity = static_cast<float>(r.porosity);
  for (int i = 1; i <= kConductivityPoints; ++i) {
    const auto h = static_cast<float>(table_point_suction(i, 10.0f));
    const auto theta = static_cast<float>(fredlund_water_content(r, h));
    const float classes_dry = (porosity - theta) / classes.class_width;
    // INT truncates toward zero; a curve a hair above the porosity gives class 0.
    int m = 0;
    if (classes_dry >= static_cast<float>(kConductivityPoints)) {
      m = kConductivityPoints;
    } else if (classes_dry > 0.0f) {
      m = static_cast<int>(classes_dry);
    }
    out(i) = classes.relative(std::min(m + 1, kConductivityPoints));
  }
}

void modulus_and_thaw_factors(ClimateRun& run) {
  LayerProperties& lp = run.layer_properties;
  for (int layer = run.simulation_counts.section_count_total + 1;
       layer <= run.simulation_counts.layer_count; ++layer) {
    const float plasticity = lp.plasticity_index(layer);
    const float p200 = lp.passing_200(layer);
    lp.frozen_modulus(layer) =
        (plasticity * p200 == 0.0f ? 2.5e6f : 1.0e6f) / lp.frozen_modulus(layer);
    const ThawParameters thaw = gradation_parameters(plasticity, p200, lp.passing_4(layer));
    lp.unfrozen_modulus(layer) = thaw.thaw_factor;
    lp.recovery_days(layer) = thaw.recovery_days;
  }
}

// Initial pressures (kPa): hydrostatic at and below the first day's water table,
// above it the suction at which the layer's curve holds its initial water.
void initial_pressures_kpa(ClimateRun& run, float table_cm) {
  NodeState& nodes = run.node_state;
  const int bound = run.simulation_counts.section_count_total;
  for (int n = 1; n <= run.simulation_counts.node_count; ++n) {
    const int layer = nodes.node_layer(n);
    const float above_table = nodes.node_depth(n) * kCmPerInch - table_cm;
    float& pressure = nodes.node_suction(n);
    if (is_pavement(run.layer_names.layer_names(layer))) {
      pressure = 0.0f;
    } else if (above_table >= 0.0f) {
      pressure = above_table * static_cast<float>(kKpaPerCmWater);
    } else if (layer <= bound) {
      pressure = 0.0f;  // another bound material ("ATB"): it has no curve
    } else {
      pressure = static_cast<float>(-table_inverse_lookup(
          run.work.suction_table.column_span(layer - bound),
          run.layer_properties.initial_water_content(layer)));
    }
  }
}

}  // namespace

ConductivityClasses conductivity_classes(std::span<const double> column, float porosity) {
  ConductivityClasses out;
  out.class_width = static_cast<float>((porosity - column.back()) / 100.0);
  const double width = out.class_width;

  // Each class's mean suction, as its square in single precision, and the
  // normalising sum.
  OneBasedArray<float, kConductivityPoints> mean_square;
  float total = 0.0f;
  for (int j = 1; j <= kConductivityPoints; ++j) {
    const double h1 = table_inverse_lookup(column, porosity - j * width);
    const double h2 = table_inverse_lookup(column, porosity - (j + 1) * width);
    const double mean = h1 + (h2 - h1) * 0.5;
    total = static_cast<float>(total + (2 * j - 1) * (1.0 / (mean * mean)));
    mean_square(j) = static_cast<float>(mean * mean);
  }
  // R(r) = sum over j >= r of (2 (j - r) + 1) / hm(j)^2, summed in single
  // precision in increasing j, over the total.
  for (int r = 1; r <= kConductivityPoints; ++r) {
    float sum = 0.0f;
    for (int j = r; j <= kConductivityPoints; ++j)
      sum += static_cast<float>(2 * (j - r) + 1) / mean_square(j);
    out.relative(r) = sum / total;
  }
  return out;
}

void set_moisture_parameters(ClimateRun& run) {
  const float table_cm = first_water_table_cm(run);
  if (run.climate_simulation_common.retention_form == 1) {
    cache_retention(run);
    pressures_from_water_contents(run, table_cm);
  } else {
    fit_by_material(run, table_cm);
    cache_retention(run);
  }
  set_bottom_pressures(run);
}

void set_soil_properties(ClimateRun& run) {
  const SimulationCounts& counts = run.simulation_counts;
  LayerProperties& lp = run.layer_properties;
  const int bound = counts.section_count_total;
  cache_retention(run);
  modulus_and_thaw_factors(run);

  for (int layer = bound + 1; layer <= counts.layer_count; ++layer) {
    const RetentionLayer& r = run.work.retention(layer);
    const std::span<double> column = run.work.suction_table.column_span(layer - bound);
    tabulate_curve(r, column);
    const ConductivityClasses classes = conductivity_classes(column, lp.soil_porosity(layer));
    fill_relative_conductivity(r, classes, lp.relative_conductivity(layer));
  }

  initial_pressures_kpa(run, first_water_table_cm(run));
  set_bottom_pressures(run);

  // The base course drains at least as fast as the layer below it.
  const int base = bound + 1;
  if (base < counts.layer_count &&
      lp.saturated_permeability(base) < lp.saturated_permeability(base + 1))
    lp.saturated_permeability(base) = lp.saturated_permeability(base + 1) * 1.01f;
}

void set_up_soil_moisture(ClimateRun& run) {
  check_unbound_layers(run);
  if (run.climate_simulation_common.retention_form <= 1) {
    set_moisture_parameters(run);
  } else {
    set_soil_properties(run);
  }
}

void set_initial_water_contents(ClimateRun& run) {
  NodeState& nodes = run.node_state;
  const int bound = run.simulation_counts.section_count_total;
  const bool two_parameter = run.climate_simulation_common.retention_form <= 1;
  for (int n = 1; n <= run.simulation_counts.node_count; ++n) {
    nodes.node_ice_content(n) = 0.0f;
    const int layer = nodes.node_layer(n);
    if (layer <= bound && n != run.first_implicit_node) {
      nodes.node_water_content(n) = 0.0f;
      continue;
    }
    const RetentionLayer& r = run.work.retention(layer <= bound ? bound + 1 : layer);
    const double pressure = nodes.node_suction(n);  // psi, or kPa for the four-parameter form
    double theta = r.porosity;
    if (pressure < 0.0) {
      theta = two_parameter ? gardner_water_content(r, -pressure * kCmWaterPerPsi)
                            : fredlund_water_content(r, -pressure);
    }
    nodes.node_water_content(n) = static_cast<float>(theta);
  }
}

}  // namespace engine
