#pragma once
// A throw-away drive "c:\" for engine tests: a fresh temporary folder that
// PAVSIM_DRIVE_C points at while the object lives, plus helpers to write and
// read files in it and to observe run stops and console lines.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/console.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine_test {

class TempDrive {
 public:
  TempDrive() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pavsim-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    if (const char* old = std::getenv("PAVSIM_DRIVE_C")) {
      previous_ = old;
      had_previous_ = true;
    }
    setenv("PAVSIM_DRIVE_C", root_.c_str(), 1);
  }
  ~TempDrive() {
    platform::close_all_units();
    if (had_previous_) setenv("PAVSIM_DRIVE_C", previous_.c_str(), 1);
    else unsetenv("PAVSIM_DRIVE_C");
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TempDrive(const TempDrive&) = delete;
  TempDrive& operator=(const TempDrive&) = delete;

  // `rel` uses slashes and is relative to the drive root.
  std::filesystem::path path(std::string_view rel) const { return root_ / std::string(rel); }
  bool exists(std::string_view rel) const { return std::filesystem::exists(path(rel)); }
  void write(std::string_view rel, std::string_view content) const {
    const auto p = path(rel);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }
  std::string read(std::string_view rel) const {
    std::ifstream in(path(rel), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

 private:
  std::filesystem::path root_;
  std::string previous_;
  bool had_previous_ = false;
};

// Collects the console while it lives.
class ConsoleCapture {
 public:
  ConsoleCapture() { platform::set_console_output(&out_); }
  ~ConsoleCapture() { platform::set_console_output(nullptr); }
  std::string text() const { return out_.str(); }

 private:
  std::ostringstream out_;
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
