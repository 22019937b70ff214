#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

LineReader::LineReader(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    error_ = "it is a folder";
    return;
  }
  errno = 0;
  in_.open(path, std::ios::binary);
  if (!in_.is_open()) error_ = errno != 0 ? std::strerror(errno) : "cannot be opened";
}

bool LineReader::next(std::string& line) {
  // A flag, not tellg(): asking the position costs a system call per line.
  const bool first = at_start_;
  at_start_ = false;
  if (!in_.is_open() || !std::getline(in_, line)) return false;
  // A byte-order mark, as Windows editors write one, is not part of the first line.
  if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void LineReader::rewind() {
  in_.clear();
  in_.seekg(0);
  at_start_ = true;
}

FileResult copy_file_over(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (!fs::is_regular_file(from, ec)) {
    const char* why = fs::is_directory(from, ec) ? "the source is a folder." : "source missing.";
    return {false, "Could not copy " + from.string() + " to " + to.string() + ": " + why};
  }
  if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) return {};
  // Copy to a temporary beside the target first, so a failed copy leaves the
  // target as it was.
  fs::path tmp = to;
  tmp += ".copy-tmp";
  fs::copy_file(from, tmp, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(tmp, to, ec);
  if (ec) {
    std::error_code ignore;
    fs::remove(tmp, ignore);
    return {false, "Could not copy " + from.string() + " to " + to.string() + ": " + ec.message()};
  }
  return {};
}

bool delete_file(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
  return !fs::exists(path, ec);
}

FileResult rename_file(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (ec)
    return {false, "Could not rename " + from.string() + " to " + to.string() + ": " + ec.message()};
  return {};
}

bool file_exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);
}

FileLock::Outcome FileLock::acquire(const fs::path& path, std::string* error) {
  if (fd_ < 0) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      if (error != nullptr) *error = std::strerror(errno);
      return Outcome::kFailed;
    }
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return Outcome::kHeld;
  if (errno == EWOULDBLOCK) return Outcome::kBusy;
  if (error != nullptr) *error = std::strerror(errno);
  return Outcome::kFailed;
}

}  // namespace platform
