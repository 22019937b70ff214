#pragma once
// Heat conduction in the bound pavement layers: the explicit step of every
// half step and the stability check of its grid.

#include "engine/climate/climate_run.h"

namespace engine {

// Checks that the explicit step is stable for the half step: at the surface,
// in each bound layer and across each pair of bound layers. Sets
// max_convection_coefficient, the largest surface coefficient the step bears,
// and grid_failure_count (equality counts as a failure). Needs at least one
// bound layer and the layer set-up's spacings.
void check_grid_criterion(ClimateRun& run);

// One explicit step of node_temperature over the bound layers, every new value
// from the values of the previous half step: the surface from the boundary of
// surface_energy_balance (never below the air), each interior node, and each
// layer's last node. A node that crosses an edge of the freezing band from
// outside stops just beyond it. Without a bound layer only node 1 moves, with
// layer 1's soil values.
void pavement_conduction_step(ClimateRun& run);

}  // namespace engine
