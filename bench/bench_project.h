#pragma once
// A throw-away project for the engine benchmarks: drive C: is a fresh folder
// holding "C:\proj\", the process works in it, and the console goes to a string.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "platform/console.h"
#include "platform/units.h"

namespace bench_support {

class BenchProject {
 public:
  explicit BenchProject(const std::string& tag)
      : root_(std::filesystem::temp_directory_path() /
              ("pavsim-bench-" + tag + "-" + std::to_string(::getpid()))),
        previous_(std::filesystem::current_path()) {
    std::filesystem::create_directories(root_ / "proj");
    std::filesystem::current_path(root_);
    ::setenv("PAVSIM_DRIVE_C", root_.c_str(), 1);
    platform::set_console_output(&console_);
  }
  ~BenchProject() {
    platform::close_all_units();
    platform::set_console_output(nullptr);
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  BenchProject(const BenchProject&) = delete;
  BenchProject& operator=(const BenchProject&) = delete;

  std::filesystem::path project() const { return root_ / "proj"; }
  void clear_console() { console_.str(""); }

 private:
  std::filesystem::path root_;
  std::filesystem::path previous_;
  std::ostringstream console_;
};

}  // namespace bench_support
