#pragma once
// The frost scans of an output point: where the frozen zone lies in the
// temperature profile, whether each unbound node is frozen or recovering from
// a thaw, and the modulus value that ".mod" reports for it. The simulation's
// units: deg F and inches. The unbound nodes start below the last bound node
// (node 1 without a bound layer).

#include "engine/climate/climate_run.h"

namespace engine {

// The depth (inches) where the profile, scanned from the bottom up, first
// reaches the freezing temperature: linear between the node at or below it
// and the node under that; the bottom node's depth when the bottom node is at
// or below freezing; 0 when no node is.
float frost_depth_from_bottom(const ClimateRun& run);

// The depth (inches) where the profile, scanned from the surface down, first
// reaches the freezing temperature; 0 when the surface is at or below it, the
// bottom node's depth when no node is.
float frost_depth_from_top(const ClimateRun& run);

// Per unbound node: frozen at some check, thawing, and the days since the
// last thaw (counted in days between checks). Day 1 resets the state.
void track_frost_state(ClimateRun& run);

// Per unbound node: on day 1 the frozen or the unfrozen modulus value, later
// the frozen value, or the moisture factor reduced while the node recovers
// from a thaw.
void update_node_modulus(ClimateRun& run);

// The modulus factor of a soil at the degree of saturation `saturation`,
// `optimum` being the saturation at its initial water content: 1 at the
// optimum, falling towards 10^a when wetter and rising towards 10^b when
// drier, with (a, b) by percent passing #200 (compared as read).
float moisture_modulus_factor(float saturation, float optimum, float passing_200);

}  // namespace engine
