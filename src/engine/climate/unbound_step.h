#pragma once
// The moisture and heat step of the unbound layers, on every solved step, from
// the first implicit node (the last node of the bound layers, or node 1) down
// to the bottom node: the pore-water pressure by a fully implicit
// finite-element scheme on total head, then the temperature by an implicit
// conduction and advection scheme with the latent heat of freezing and
// thawing, then the water and ice contents. The step computes in g, cm, hours,
// calories and deg C in its own work arrays (run.unbound): the node values are
// converted on entry and back on exit, the layer values once per run.
//
// Element j joins nodes j and j + 1 and takes the layer of its lower node;
// row j of a system gathers elements j - 1 and j. The first implicit node uses
// the first unbound layer's values, U = section_count_total + 1.

#include "engine/climate/climate_run.h"

namespace engine {

// Once per run, before the first day: the unbound layers' values in metric
// units, the layers, depths and element lengths of the implicit region, the
// deep node of the moisture-index boundary and the infiltration rate of the
// rainfall boundary. Needs the grid and the material set-up.
void prepare_unbound_step(ClimateRun& run);

// The dry thermal conductivity (W/(m K)) of unbound layer `layer`: by porosity
// for a d60 above 10 mm, else Johansen's by dry density, finite and positive only
// below 2700/0.947 kg/m3 (about 177.99 pcf), denser than any soil's solids.
float dry_thermal_conductivity(const LayerProperties& lp, int layer);

// One solved step: the stages below, in order.
void advance_unbound_layers(ClimateRun& run);

// ------------------------------------------------------------------ stages

// 1. Temperatures, suctions, the freezing and bottom temperatures and the time
//    step into the step's units.
void unbound_units_in(ClimateRun& run);
// 2. The day's water table and the bottom node's pressure.
void apply_water_table(ClimateRun& run);
// 3. The top boundary of the moisture scheme: the rainfall boundary (with its
//    hourly infiltration state) or the moisture-index boundary.
void apply_top_boundary(ClimateRun& run);
// 4-5. The bottom temperature; the latent heat that each node's water holds,
//    and the step's latent heat cleared.
void start_heat_step(ClimateRun& run);
// 6. Hydraulic conductivity of every element, frozen elements included.
void element_hydraulic_conductivity(ClimateRun& run);
// 7. Moisture capacity of every node.
void node_moisture_capacity(ClimateRun& run);
// 8. Thermal conductivity of every element.
void element_thermal_conductivity(ClimateRun& run);
// 9. Specific heat and heat-holding mass of every node.
void node_specific_heat(ClimateRun& run);
// 10. Water flux of every element; all 0 when advection would outweigh
//     conduction in any element.
void element_water_flux(ClimateRun& run);
// 11. The moisture system: new suctions. Nodes that held ice during the last
//     step or hold no water keep theirs.
void solve_moisture(ClimateRun& run);
// 12. The heat system and the phase change: new temperatures and the step's
//     latent heat.
void solve_heat(ClimateRun& run);
// 13. Water and ice contents from the new suctions and the latent heat, the
//     excess-water source of the next step, the nodes that the next moisture
//     solve keeps, and the first node's temperature.
void update_water_and_ice(ClimateRun& run);
// The values back into the simulation's units.
void unbound_units_out(ClimateRun& run);

// ------------------------------------------------------------------ pieces

// The relative-conductivity entry of a suction in kPa: INT(10 log10 h + 40),
// 1 for 0 or less (and for no suction), 100 above 100.
int conductivity_index(double suction_kpa);

// The suction (cm of water) equivalent to ice at `degrees` (deg C, taken as
// a magnitude) below freezing.
double frozen_suction_cm(double degrees);

// Kersten number of a soil at the degree of saturation `saturation` with the
// ice content `ice`.
float kersten_number(const UnboundLayer& layer, float saturation, float ice);

// Thermal conductivity (cal/(cm h C)) of soil holding `water` and `ice`.
float soil_thermal_conductivity(const UnboundLayer& layer, float water, float ice);

}  // namespace engine
