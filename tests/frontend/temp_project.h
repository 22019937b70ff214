#pragma once
// A throw-away project folder and "C:" drive for front-end tests: the drive's
// directory.txt names the project, and PAVSIM_DRIVE_C points at the drive.

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace frontend_test {

namespace fs = std::filesystem;

class TempProject {
 public:
  TempProject() {
    static std::atomic<int> counter{0};
    root_ = fs::temp_directory_path() /
            ("tervon_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::remove_all(root_);
    fs::create_directories(project());
    fs::create_directories(drive());
    const char* old = std::getenv("PAVSIM_DRIVE_C");
    had_drive_ = old != nullptr;
    if (had_drive_) old_drive_ = old;
    ::setenv("PAVSIM_DRIVE_C", drive().c_str(), 1);
    WriteDirectoryLine(project().string() + "/");
  }
  ~TempProject() {
    if (had_drive_) ::setenv("PAVSIM_DRIVE_C", old_drive_.c_str(), 1);
    else ::unsetenv("PAVSIM_DRIVE_C");
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  TempProject(const TempProject&) = delete;
  TempProject& operator=(const TempProject&) = delete;

  fs::path root() const { return root_; }
  fs::path project() const { return root_ / "proj"; }
  fs::path drive() const { return root_ / "drive"; }
  // The project folder as directory.txt names it (with its trailing "/").
  std::string prefix() const { return project().string() + "/"; }

  void WriteDirectoryLine(const std::string& line, const char* eol = "\n") const {
    Write(drive() / "directory.txt", line + eol);
  }
  static void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  fs::path root_;
  bool had_drive_ = false;
  std::string old_drive_;
};

}  // namespace frontend_test
