#pragma once
// The boundary values of the heat solution at the pavement surface for the
// current half step: the air temperature, the net heat flux into the surface
// and the convective heat-transfer coefficient.

#include "engine/climate/climate_run.h"

namespace engine {

// From hour_of_day and day_index, the day's climate and the surface
// temperature (node 1): sets air_temperature, surface_heat_flux and
// convection_coefficient (at most max_convection_coefficient), and
// surface_step_factor to 5.0. English units: deg F, hours, Btu.
void surface_energy_balance(ClimateRun& run);

}  // namespace engine
