#pragma once

#include <cstdint>
#include <span>

#include "engine/cracking/cracking_channels.h"  // kResultsUnit: "res.txt", reused by the summaries
#include "engine/main/analysis_request.h"
#include "engine/main/engine_run.h"
#include "platform/fixed_text.h"

namespace engine {

// Runs one analysis: the temperature history when it is needed, the binder-grade
// check, one option by the analysis code, and the summary files.
void dispatch_analysis(EngineRun& run, AnalysisRequest& request);

// Writes "i2.dat" (key and result of each computed sample, up to the first
// non-positive key), "i_criteria.dat" (every combination count, row by row) and
// "tc240.dat" (the first row of combination cracking). The combination arrays
// have `factor_levels` rows and are stored by columns.
void write_summary_files(const platform::FixedText<255>& work_directory,
                         std::int32_t factor_levels,
                         std::span<const std::int32_t> combination_criteria,
                         std::span<const std::int32_t> sample_keys,
                         std::span<const double> sample_results,
                         std::span<const double> combination_cracking);

}  // namespace engine
