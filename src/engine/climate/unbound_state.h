#pragma once
// What the unbound-layer step and the output points keep for one call of the
// simulation: the layer values in the step's metric units, the work arrays and
// band matrices of its two implicit systems, the state of the moisture
// boundary, and the frost state of the unbound nodes. All of it starts at 0
// with the call.

#include <cstdint>

#include "engine/climate/band_solver.h"
#include "engine/climate/climate_limits.h"
#include "engine/climate/one_based.h"

namespace engine {

// One unbound layer's values in g, cm, hours, calories and deg C, fixed once
// the material set-up has run.
struct UnboundLayer {
  float porosity = 0;
  float dry_density = 0;             // g/cm3
  float saturated_conductivity = 0;  // Ks, cm/h
  float solids_heat = 0;             // heat capacity times dry density, cal/(cm3 C)
  // Thermal conductivities in W/(m K): dry, saturated unfrozen, and saturated
  // frozen before its unfrozen-water factor.
  float dry_thermal = 0;
  float saturated_thermal = 0;
  float frozen_thermal = 0;
  float kersten_slope = 0;  // 0.7 for a coarse soil, 1 for a fine one

  bool operator==(const UnboundLayer&) const = default;
};

// The rainfall boundary's infiltration state: the share of the base saturated
// by infiltration, the hours it has drained along the drainage curve, the
// solved steps of the current hour, and the share one rainy hour adds.
struct InfiltrationState {
  double saturation = 0;   // 0 to 1
  double curve_hours = 0;  // 0 to 300
  std::int32_t hour_steps = 0;
  double rate = 0;

  bool operator==(const InfiltrationState&) const = default;
};

struct UnboundStep {
  OneBasedArray<UnboundLayer, kMaxLayers> layers;
  // Per implicit node: its layer (the first unbound layer at the first
  // implicit node) and its depth in cm; per element j, between nodes j and
  // j + 1, its length in cm.
  OneBasedArray<std::int32_t, kMaxNodes> layer;
  NodeVector depth;
  NodeVector spacing;
  // The node of the moisture-index boundary more than 48 inches below the
  // first implicit node; 0 when the grid has none.
  std::int32_t deep_node = 0;
  InfiltrationState infiltration;

  // The step's values, converted on entry and back on exit.
  float freeze_temperature = 0;  // deg C
  float bottom_temperature = 0;  // deg C
  float time_step = 0;           // the full step, hours
  NodeVector temperature;        // deg C
  NodeVector suction;            // pore-water pressure, cm of water
  // What the last exit wrote into the node arrays. A node value that still
  // holds it keeps the step's own value above: repeated conversions would
  // make the state drift.
  NodeVector written_temperature;
  NodeVector written_suction;
  // Per node, the suction at which its capacity and its water content on the
  // retention curve were last evaluated, and that water content: both depend
  // on the suction alone, and most nodes keep theirs from step to step.
  NodeVector capacity_suction;
  NodeVector curve_suction;
  NodeVector curve_water;
  // Per element, likewise: the mean suction of its unfrozen hydraulic
  // conductivity, and the mean water and ice contents of its thermal
  // conductivity.
  NodeVector hydraulic_suction;
  NodeVector unfrozen_hydraulic;
  NodeVector thermal_water;
  NodeVector thermal_ice;
  // Per node: moisture capacity, specific heat, heat-holding mass (g/cm3),
  // the latent heat that freezing all its water would release, and the latent
  // heat of the step (cal/cm3; positive when water froze).
  NodeVector capacity;
  NodeVector specific_heat;
  NodeVector heat_mass;
  NodeVector freezable_heat;
  NodeVector latent_heat;
  // Per element: hydraulic conductivity (cm/h), thermal conductivity
  // (cal/(cm h C)) and water flux (cm/h, downwards).
  NodeVector hydraulic;
  NodeVector thermal;
  NodeVector flux;
  // Per node, whether it held ice during the last step or holds no water:
  // its capacity is nearly gone, so a moisture solve would move its head by up
  // to the whole dry range, and the capacity matrix would pass a share of that
  // jump to its neighbours as water lost or gained with nothing flowing. Such
  // nodes keep their head through the next moisture solve.
  OneBasedArray<bool, kMaxNodes> held;
  bool any_held = false;
  // The heat system's old and new temperatures.
  NodeVector heat_old;
  NodeVector heat_new;
  BandMatrix a{3};
  BandMatrix b{3};
  BandMatrix multipliers{3};

  bool operator==(const UnboundStep&) const = default;
};

// Per unbound node, for the modulus after a thaw; and the frost depths of the
// latest output point.
struct FrostState {
  OneBasedArray<float, kMaxNodes> days_since_thaw;
  OneBasedArray<bool, kMaxNodes> has_frozen;
  OneBasedArray<bool, kMaxNodes> thawing;
  OneBasedArray<float, kMaxNodes> last_check_day;
  float depth_from_bottom = 0;  // inches
  float depth_from_top = 0;

  bool operator==(const FrostState&) const = default;
};

}  // namespace engine
