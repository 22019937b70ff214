#pragma once
// Helpers for tests that need a scratch folder, a drive mapping or the console.

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/console.h"
#include "platform/units.h"

namespace testing_support {

// A fresh temporary folder, removed at the end; every channel is closed first.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pavsim-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    path_ = made != nullptr ? std::filesystem::path(made) : std::filesystem::path(tmpl);
  }
  ~TempDir() {
    platform::close_all_units();
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      had_ = true;
      old_ = old;
    }
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_.c_str(), old_.c_str(), 1);
    else unsetenv(name_.c_str());
  }

 private:
  std::string name_, old_;
  bool had_ = false;
};

// Changes the working directory for the lifetime of the object.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& p) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(p);
  }
  ~ScopedCwd() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

// Captures console output and feeds console input.
class ConsoleCapture {
 public:
  explicit ConsoleCapture(const std::string& input = "") : in_(input) {
    platform::set_console_output(&out_);
    platform::set_console_input(&in_);
  }
  ~ConsoleCapture() {
    platform::set_console_output(nullptr);
    platform::set_console_input(nullptr);
  }
  std::string text() const { return out_.str(); }
  // What the console has not read yet.
  std::istream& input() { return in_; }

 private:
  std::ostringstream out_;
  std::istringstream in_;
};

inline std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

// A shell command's exit status (-1 when it did not exit) and its standard
// output.
struct CommandResult {
  int status = -1;
  std::string output;
};
inline CommandResult run_command(const std::string& command) {
  CommandResult r;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return r;
  char buf[512];
  while (std::fgets(buf, sizeof buf, pipe) != nullptr) r.output += buf;
  const int status = pclose(pipe);
  if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
  return r;
}

}  // namespace testing_support
