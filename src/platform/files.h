#pragma once
// Whole-file helpers for the front end and for writers that publish a file only
// when it is complete. Paths here are real paths (see resolve_path).

#include <filesystem>
#include <fstream>
#include <string>

namespace platform {

// Reads a text file line by line: a carriage return before the line end is
// dropped, and a last line without a line end is still a line. A folder does
// not open as an empty file.
class LineReader {
 public:
  explicit LineReader(const std::filesystem::path& path);
  bool is_open() const { return in_.is_open(); }
  // Why the file did not open ("it is a folder", or the system's reason);
  // empty when it is open.
  const std::string& error() const { return error_; }
  bool next(std::string& line);
  void rewind();

 private:
  std::ifstream in_;
  std::string error_;
  bool at_start_ = true;  // the next line is the file's first
};

struct FileResult {
  bool ok = true;
  std::string error;  // what went wrong, naming the files, when !ok
};

// Copies `from` over `to` (created or replaced). A copy of a file onto itself
// leaves it intact and succeeds; a missing source or a failed write is reported.
FileResult copy_file_over(const std::filesystem::path& from, const std::filesystem::path& to);

// Deletes a file; true when it is gone afterwards (also when it never existed).
bool delete_file(const std::filesystem::path& path);

// Renames `from` onto `to`, replacing `to`.
FileResult rename_file(const std::filesystem::path& from, const std::filesystem::path& to);

bool file_exists(const std::filesystem::path& path);

// An exclusive advisory lock on a file (created when missing), held while the
// object lives; the kernel releases it however the process ends.
class FileLock {
 public:
  enum class Outcome { kHeld, kBusy, kFailed };
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock without waiting: kBusy while another holder has it,
  // kFailed (the reason in *error) when the file cannot be opened.
  Outcome acquire(const std::filesystem::path& path, std::string* error);

 private:
  int fd_ = -1;
};

}  // namespace platform
