#include "engine/main/main_program.h"

#include <cmath>
#include <span>
#include <string>

#include "engine/climate/progress_file.h"
#include "engine/common/finite_input.h"
#include "engine/common/project_files.h"
#include "engine/cracking/option_steps.h"
#include "engine/cracking/thermal_stress.h"
#include "engine/main/dispatcher.h"
#include "engine/main/engine_run.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/record_io.h"
#include "platform/signals.h"
#include "platform/stop.h"
#include "platform/units.h"
#include "structure/structure_limits.h"

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

// Where each record of "input.dat" ended, for the messages of the checks.
struct RequestLines {
  long integers = 0;
  long means = 0;
  long spreads = 0;
};

[[noreturn]] void refuse(long line, const std::string& problem) {
  refuse_input_line(kInputUnit, line, problem);
}

bool leap_year(std::int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int month_length(std::int32_t year, std::int32_t month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leap_year(year) ? 29 : kDays[month - 1];
}

// The start date and the design life: the options write them into every case
// and the cracking run counts the months of the life.
void check_dates(const AnalysisRequest& rq, long line) {
  const auto& [year, month, day, years] = rq.analysis_integers;
  if (month < 1 || month > 12)
    refuse(line, "start month " + text_of(month) + "; it must be 1 to 12");
  const int days = month_length(year, month);
  if (day < 1 || day > days)
    refuse(line, "start day " + text_of(day) + " of month " + text_of(month) + " of " +
                     text_of(year) + "; it must be 1 to " + std::to_string(days));
  if (years < 1 || years > kMaxDesignYears)
    refuse(line, "design life of " + text_of(years) + " years; it must be 1 to " +
                     std::to_string(kMaxDesignYears) + " (the cracking run covers at most " +
                     std::to_string(kMaxMonths) + " months)");
}

// One asphalt thickness a road of the run simulates and writes into its cases.
void check_thickness(double thickness, long line, const std::string& what) {
  if (!structure::HistoryHoldsLayer(thickness))
    refuse(line, what + " " + text_of(thickness) + " inches; it must be above 0.2, the "
                        "thinnest layer a temperature history can stand for");
  if (!fits_run_case_thickness(thickness))
    refuse(line, what + " " + text_of(thickness) +
                     " inches does not fit its field (F12.3) of \"doc-17a.dat\"");
}

void check_mixture(double value, long line, const std::string& what) {
  if (!fits_run_case_mixture(value))
    refuse(line,
           what + " " + text_of(value) + " does not fit its field (F14.5) of \"doc-17a.dat\"");
}

// What the roads of the dispatcher will simulate and write, checked before any
// of them runs: the thickness of every history they simulate, and the mixture
// values of every case group they write.
void check_request(const AnalysisRequest& rq, const RequestLines& lines) {
  check_dates(rq, lines.integers);
  const auto& code = rq.analysis_code;
  const bool design = code[0] == "DES";
  const bool volumetric = !design && (code[1] == "VOL" || code[1] == "vol");
  const double t = rq.variable_means[0];
  const double d = rq.variable_deviations[0];
  check_thickness(t, lines.means, "asphalt thickness");
  // The volumetric road and the criteria road of a spread run the thickness
  // less and more its spread.
  const bool spread_levels =
      volumetric || (!design && !(d < static_cast<double>(0.01f) || code[0] == "JMF"));
  if (spread_levels) {
    check_thickness(t - d, lines.spreads, "asphalt thickness " + text_of(t) + " less its spread");
    check_thickness(t + d, lines.spreads, "asphalt thickness " + text_of(t) + " plus its spread");
  }
  if (code[1] == "SPT" || !(design || volumetric)) return;  // creep tables, no mixture values
  static const char* const kMixture[] = {"air voids", "effective binder content", "binder A",
                                         "binder VTS"};
  for (std::size_t k = 1; k < 5; ++k) {
    const double v = rq.variable_means[k];
    check_mixture(v, lines.means, kMixture[k - 1]);
    // The spreads of A and VTS come from the binder-grade check, not from here.
    if (!volumetric || k > 2) continue;
    const double s = rq.variable_deviations[k];
    check_mixture(v - s, lines.spreads, std::string(kMixture[k - 1]) + " less its spread");
    check_mixture(v + s, lines.spreads, std::string(kMixture[k - 1]) + " plus its spread");
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
  RequestLines lines;
  platform::read_list(kInputUnit, rq.analysis_integers);
  lines.integers = platform::unit_line(kInputUnit);
  if (rq.analysis_code[1] == "SPT") {
    platform::read_list(kInputUnit, rq.variable_means[0]);
    require_finite({&rq.variable_means[0], 1});
    lines.means = platform::unit_line(kInputUnit);
    platform::read_list(kInputUnit, rq.variable_deviations[0]);
    require_finite({&rq.variable_deviations[0], 1});
    lines.spreads = platform::unit_line(kInputUnit);
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
    lines.means = platform::unit_line(kInputUnit);
    platform::read_list(kInputUnit, rq.variable_deviations);
    require_finite(rq.variable_deviations);
    lines.spreads = platform::unit_line(kInputUnit);
  }
  check_request(rq, lines);
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
