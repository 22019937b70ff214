#pragma once
// The moisture set-up of the unbound layers, once per simulation: the retention
// parameters, the tabulated curves and relative conductivities, the modulus
// factors, the initial pore-water pressures and water contents, and the daily
// pressure at the bottom node.

#include <span>

#include "engine/climate/climate_run.h"

namespace engine {

// The material set-up of a run: checks that every unbound layer can hold a
// retention curve (a stop naming "input.tmp", the record and the value when
// not), then set_moisture_parameters for retention_form <= 1 and
// set_soil_properties above.
void set_up_soil_moisture(ClimateRun& run);

// The two-parameter form. retention_form 1 keeps the parameters read and turns
// each node's value read (a water content in percent) into its pressure;
// retention_form <= 0 fits the parameters by material name and makes the
// pressures hydrostatic. Pressures in psi. Ends by turning daily_value_9 into the
// bottom node's daily pressure (psi) and filling work.retention.
void set_moisture_parameters(ClimateRun& run);

// The four-parameter form: modulus factors and thaw parameters, the retention
// table and the relative conductivity of every unbound layer, the initial
// pressures (kPa) and the daily bottom pressures (psi), and the base course's
// permeability raised to the layer below it.
void set_soil_properties(ClimateRun& run);

// Every node's water content from its initial pressure through its layer's form
// (the saturated content at a pressure of 0 or above); no ice. The bound layers
// hold no water, except the first implicit node, which the unbound step reads
// with the first unbound layer's form.
void set_initial_water_contents(ClimateRun& run);

// The relative conductivity classes of one tabulated curve: the water-content
// range split into 100 classes, each with the mean suction of its ends, and the
// normalised weighted sums of their inverse squares.
struct ConductivityClasses {
  float class_width = 0;  // of water content
  OneBasedArray<float, kConductivityPoints> relative;  // 1 at saturation
};
ConductivityClasses conductivity_classes(std::span<const double> column, float porosity);

}  // namespace engine
