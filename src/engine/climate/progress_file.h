#pragma once
// The progress file: one line holding the latest mark (I4), rewritten at every
// checkpoint so that the design package can follow the run.

#include <cstdint>

#include "engine/climate/climate_run.h"
#include "platform/fixed_text.h"

namespace engine {

// Command-line argument 2, or "progress.tmp" (in the working directory) when it
// is blank.
platform::FixedText<256> progress_file_name_from_arguments();

enum class ProgressOpenFailure {
  kStop,  // a stop with the file layer's status
  kSkip,  // the mark is not written
};

// Opens the progress file on its channel (created when missing, overwritten),
// writes `mark` as its only record and closes it. Returns false when the file
// could not be opened and the caller chose to skip.
bool write_progress(const platform::FixedText<256>& file_name, std::int32_t mark,
                    ProgressOpenFailure on_failure);
bool write_progress(const ClimateRun& run, std::int32_t mark, ProgressOpenFailure on_failure);

// Marks the progress file -2 on the way out of a stopped run. A file error
// here must not hide the stop that ended the run, so none is raised.
void mark_progress_failed(const platform::FixedText<256>& file_name) noexcept;

}  // namespace engine
