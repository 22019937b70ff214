#pragma once

namespace engine {

// Checks the binder grade (intercept, slope) against the accepted ranges and
// returns the spreads of the two; ends the run on a grade out of range.
void check_pg_grade(float intercept, float slope, float& intercept_spread, float& slope_spread);

}  // namespace engine
