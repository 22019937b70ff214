#pragma once
// Values read from an input file that run through the engine's formulas:
// NaN or an infinity (a value beyond double reads as one) reads as a real but
// would reach the results.

#include <span>

namespace engine {

// Stops the run (status 1) at the first value that is not finite, naming the
// file open on `unit`, its line and the value.
void require_finite(int unit, std::span<const double> values);

}  // namespace engine
