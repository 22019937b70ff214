#pragma once
// The drainage report ".drn" (channel 10): the drainage table of the base
// course, the evaluation of the design, and the rainfall statistics and
// base-course probabilities of every month of the record.

#include "engine/climate/drainage.h"

namespace engine {

// Writes the whole report. Without a curve, every time and base-course
// probability is a field of asterisks, and the verdict and daily tables are
// left out; the layout keeps its other records.
void write_drainage_report(const DrainageResult& result);

}  // namespace engine
