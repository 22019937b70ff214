#pragma once
// The layer and node set-up: the computational grid from the layer records, the
// nodes that receive the temperature corrections, the first node of the implicit
// schemes, and the evaluation points of the temperature history.

#include "engine/climate/climate_run.h"

namespace engine {

// Builds, from the layer records as the input phase left them: node depths and
// layers, each layer's first node, bottom depth and spacing in feet, the
// freezing threshold, correction_node for each correction field,
// first_implicit_node, the evaluation points with their nodes, weights and
// depths, history_point_count, the water-table copy and the zeroed moisture work
// vectors. Everything is rebuilt; nothing is kept from an earlier call. Correction
// depths that find no node interval get node 0 and are listed on one console
// line. At most kMaxHistoryPoints points are stored (the input phase has
// rejected structures that need more).
void setup_layer_grid(ClimateRun& run);

// The number of evaluation points that setup_layer_grid would place, the
// surface point included, however many that is. Changes nothing.
int count_history_points(const ClimateRun& run);

}  // namespace engine
