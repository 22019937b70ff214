#pragma once

#include "engine/main/analysis_request.h"

namespace engine {

// Reads the project directory from "c:\directory.txt" and the analysis request
// from its "input.dat". Missing files or records end the run (status 2), and so
// does a mean, spread or sample that is not a finite number (status 1).
AnalysisRequest read_analysis_request();

// The engine's entry: reads the request and runs one analysis.
void main_program();

}  // namespace engine
