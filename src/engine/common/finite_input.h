#pragma once
// Values read from an input file that run through the engine's formulas:
// NaN or an infinity (a value beyond double reads as one) reads as a real but
// would reach the results.

#include <span>
#include <string>

#include "platform/record_io.h"

namespace engine {

// A value as an input message quotes it: its free-form text without the
// leading blank.
template <class T>
std::string text_of(const T& value) {
  return platform::format_list(value).substr(1);
}

// Stops the run (status 1): "Input error in "<file open on unit>", line N: <problem>".
[[noreturn]] void refuse_input_line(int unit, long line, const std::string& problem);

// Stops the run (status 1) at the first value that is not finite, naming the
// file open on `unit`, its line and the value.
void require_finite(int unit, std::span<const double> values);

}  // namespace engine
