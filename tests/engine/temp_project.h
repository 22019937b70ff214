#pragma once
// A throw-away drive "c:\" for engine tests: a fresh temporary folder that
// PAVSIM_DRIVE_C points at while the object lives, with files addressed
// relative to it, and the status of a run stop.

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/stop.h"
#include "support/test_support.h"

namespace engine_test {

using testing_support::ConsoleCapture;

class TempDrive {
 public:
  TempDrive() : env_("PAVSIM_DRIVE_C", dir_.path().string()) {}

  // `rel` uses slashes and is relative to the drive root.
  std::filesystem::path path(std::string_view rel) const { return dir_.path() / std::string(rel); }
  bool exists(std::string_view rel) const { return std::filesystem::exists(path(rel)); }
  // Creates the folders on the way.
  void write(std::string_view rel, const std::string& content) const {
    std::filesystem::create_directories(path(rel).parent_path());
    testing_support::write_file(path(rel), content);
  }
  std::string read(std::string_view rel) const { return testing_support::read_file(path(rel)); }

 private:
  testing_support::TempDir dir_;
  testing_support::ScopedEnv env_;
};

// The status of the stop that `body` ends in, or 0 when it returns.
template <class F>
int stop_status(F&& body, std::string* message = nullptr) {
  try {
    body();
  } catch (const platform::RunStop& stop) {
    if (message) *message = stop.message();
    return stop.status();
  }
  return 0;
}

}  // namespace engine_test
