#include "engine/main/main_program.h"

#include <cmath>
#include <span>
#include <string>

#include "engine/climate/progress_file.h"
#include "engine/common/finite_input.h"
#include "engine/common/project_files.h"
#include "engine/main/dispatcher.h"
#include "engine/main/engine_run.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/record_io.h"
#include "platform/signals.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {
constexpr int kInputUnit = 1;
constexpr std::int64_t kValuesPerSample = 22;

// Means, spreads and samples are thicknesses and material values.
void require_finite(std::span<const double> values) { engine::require_finite(kInputUnit, values); }

// Two runs on one project would write over each other's files: the second one
// stops before it writes anything. A project without its "tmp" folder takes no
// lock; such a run stops at the first temperature history it needs, and the
// checks before that still speak as they did.
void lock_project(platform::FileLock& lock, const platform::FixedText<255>& work_directory) {
  if (!platform::logical_file_exists(project_file(work_directory, "tmp").view())) return;
  const auto name = project_file(work_directory, "tmp\\pavsim.lock");
  const std::filesystem::path path = platform::resolve_path(name.view());
  std::string why;
  switch (lock.acquire(path, &why)) {
    case platform::FileLock::Outcome::kHeld:
      return;
    case platform::FileLock::Outcome::kBusy:
      platform::stop_run(platform::kStopDecided, " Another run is using the project folder " +
                                                     std::string(work_directory.trimmed()));
    case platform::FileLock::Outcome::kFailed:
      platform::stop_run(platform::kStopIo, "File error: cannot open the lock file \"" +
                                                std::string(name.trimmed()) + "\" (" +
                                                path.string() + "): " + why);
  }
}
}  // namespace

AnalysisRequest read_analysis_request() {
  static const platform::Format kDirectoryLayout("(A255)");
  static const platform::Format kCodeLayout("(A3,A3)");
  AnalysisRequest rq;

  // Opened for reading only, so a missing file is reported, never created.
  platform::open_unit(kInputUnit, "c:\\directory.txt", platform::OpenStatus::Old);
  platform::read_fixed(kInputUnit, kDirectoryLayout, rq.work_directory);
  platform::close_unit(kInputUnit);

  // The project folder comes from "c:\directory.txt": a wrong one shows as a
  // missing "input.dat", so the message names where the folder came from.
  std::string message;
  if (platform::try_open_unit(kInputUnit, project_file(rq.work_directory, "input.dat").view(),
                              platform::OpenStatus::Old, &message) != platform::IoStatus::Ok)
    platform::stop_run(platform::kStopIo,
                       "File error: " + message + "; the project folder \"" +
                           std::string(rq.work_directory.trimmed()) +
                           "\" is the first line of \"c:\\directory.txt\" (" +
                           platform::resolve_path("c:\\directory.txt").string() + ")");
  platform::read_fixed(kInputUnit, kCodeLayout, rq.analysis_code[0], rq.analysis_code[1]);
  platform::read_list(kInputUnit, rq.analysis_integers);
  if (rq.analysis_code[1] == "SPT") {
    platform::read_list(kInputUnit, rq.variable_means[0]);
    require_finite({&rq.variable_means[0], 1});
    platform::read_list(kInputUnit, rq.variable_deviations[0]);
    require_finite({&rq.variable_deviations[0], 1});
    platform::read_list(kInputUnit, rq.sample_count);
    // One value per record. The list grows as values arrive, so a corrupt
    // count ends at the file's end instead of in a huge allocation.
    const std::int64_t values = kValuesPerSample * rq.sample_count;
    for (std::int64_t i = 0; i < values; ++i) {
      double v = 0.0;
      platform::read_list(kInputUnit, v);
      require_finite({&v, 1});
      rq.sample_values.push_back(v);
    }
  } else {
    platform::read_list(kInputUnit, rq.variable_means);
    require_finite(rq.variable_means);
    platform::read_list(kInputUnit, rq.variable_deviations);
    require_finite(rq.variable_deviations);
  }
  platform::close_unit(kInputUnit);
  return rq;
}

void main_program() {
  EngineRun run = make_engine_run();
  AnalysisRequest request = read_analysis_request();
  platform::FileLock lock;
  lock_project(lock, request.work_directory);
  try {
    dispatch_analysis(run, request);
    // A signal after the loops' last look still ends the run as interrupted.
    platform::check_interrupt();
  } catch (const platform::RunStop&) {
    // The simulation marks its own stops; an interrupted cracking run is
    // marked here, so a caller waiting for 9999 or -2 learns of it.
    if (platform::interrupt_signal() != 0)
      mark_progress_failed(progress_file_name_from_arguments());
    throw;
  }
  platform::close_all_units();
}

}  // namespace engine
