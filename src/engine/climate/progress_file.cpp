#include "engine/climate/progress_file.h"

#include <string>

#include "platform/process.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {
constexpr std::int32_t kFailureMark = -2;
}  // namespace

platform::FixedText<256> progress_file_name_from_arguments() {
  platform::FixedText<256> name = platform::command_argument(2);
  if (name.is_blank()) name = "progress.tmp";
  return name;
}

bool write_progress(const platform::FixedText<256>& file_name, std::int32_t mark,
                    ProgressOpenFailure on_failure) {
  static const platform::Format kLayout("(I4)");
  std::string message;
  if (platform::try_open_unit(kProgressChannel, file_name.view(),
                              platform::OpenStatus::Unknown, &message) != platform::IoStatus::Ok) {
    if (on_failure == ProgressOpenFailure::kSkip) return false;
    platform::stop_run(platform::kStopIo, "File error: " + message);
  }
  platform::write_fixed(kProgressChannel, kLayout, mark);
  platform::close_unit(kProgressChannel);
  return true;
}

bool write_progress(const ClimateRun& run, std::int32_t mark, ProgressOpenFailure on_failure) {
  return write_progress(run.progress_file_name, mark, on_failure);
}

void mark_progress_failed(const platform::FixedText<256>& file_name) noexcept {
  try {
    write_progress(file_name, kFailureMark, ProgressOpenFailure::kSkip);
  } catch (...) {
  }
}

}  // namespace engine
