#include "platform/units.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <unordered_map>

#include "platform/fixed_text.h"
#include "platform/paths.h"
#include "platform/stop.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

constexpr std::size_t kWriteChunk = 1 << 18;

struct Unit {
  std::string logical;
  fs::path path;
  // reading: the whole file, loaded at the first read
  bool loaded = false;
  std::string content;
  std::size_t pos = 0;
  long line = 0;
  // writing
  std::FILE* fp = nullptr;
  std::string wbuf;
};

struct UnitTable {
  std::unordered_map<int, std::unique_ptr<Unit>> units;
  int cached_number = -1;
  Unit* cached = nullptr;

  Unit* find(int n) {
    if (n == cached_number && cached != nullptr) return cached;
    auto it = units.find(n);
    if (it == units.end()) return nullptr;
    cached_number = n;
    cached = it->second.get();
    return cached;
  }
  void forget_cache() {
    cached_number = -1;
    cached = nullptr;
  }
};

UnitTable& table() {
  static UnitTable t;
  return t;
}

std::string describe(const Unit& u) {
  std::string s = "\"" + u.logical + "\"";
  const std::string real = u.path.string();
  if (real != u.logical) s += " (" + real + ")";
  return s;
}

// Writes the buffer out; returns false on a write error.
bool drain(Unit& u) {
  if (u.fp == nullptr || u.wbuf.empty()) return true;
  const std::size_t n = std::fwrite(u.wbuf.data(), 1, u.wbuf.size(), u.fp);
  const bool ok = n == u.wbuf.size();
  u.wbuf.clear();
  return ok;
}

// Flushes and closes the file of a unit; returns an error text or empty.
std::string finish(Unit& u) {
  std::string err;
  if (u.fp != nullptr) {
    if (!drain(u) || std::fflush(u.fp) != 0) err = std::strerror(errno);
    if (std::fclose(u.fp) != 0 && err.empty()) err = std::strerror(errno);
    u.fp = nullptr;
  }
  return err;
}

[[noreturn]] void write_failure(Unit& u, const std::string& why) {
  const std::string msg = "File error: cannot write " + describe(u) + ": " + why;
  stop_run(kStopIo, msg);
}

bool load(Unit& u, std::string* message) {
  // The system's reason when the file cannot be read (no permission, a folder
  // put in its place after the open, a failing disk).
  std::FILE* f = std::fopen(u.path.c_str(), "rb");
  std::string content;
  int error = f == nullptr ? errno : 0;
  if (f != nullptr) {
    std::error_code ec;
    const auto size = fs::file_size(u.path, ec);
    if (!ec) content.reserve(static_cast<std::size_t>(size));
    char chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) content.append(chunk, n);
    if (std::ferror(f)) error = errno != 0 ? errno : EIO;
    std::fclose(f);
  }
  if (error != 0) {
    if (message)
      *message = std::string("cannot read it: ") + (error == EISDIR ? "it is a folder" : std::strerror(error));
    return false;
  }
  u.content = std::move(content);
  u.loaded = true;
  // A byte-order mark, as Windows editors write one, is not part of the first record.
  u.pos = u.content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  u.line = 0;
  return true;
}

bool begin_writing(Unit& u) {
  if (u.fp != nullptr) return true;
  if (u.loaded) {
    // Writing after reading: the file ends after the records already read.
    std::error_code ec;
    fs::resize_file(u.path, u.pos, ec);
    u.fp = std::fopen(u.path.c_str(), "ab");
    u.loaded = false;
    u.content.clear();
  } else {
    u.fp = std::fopen(u.path.c_str(), "wb");
  }
  if (u.fp == nullptr) return false;
  u.wbuf.reserve(kWriteChunk + 4096);
  return true;
}

}  // namespace

IoStatus try_open_unit(int unit, std::string_view logical_name, OpenStatus status,
                       std::string* message) {
  close_unit(unit);
  auto u = std::make_unique<Unit>();
  u->logical = std::string(trim_trailing(logical_name));
  u->path = resolve_path(logical_name);
  std::error_code ec;
  const bool exists = fs::exists(u->path, ec);
  auto fail = [&](const std::string& why) {
    if (message) *message = "cannot open " + describe(*u) + ": " + why;
    return IoStatus::Error;
  };
  if (u->logical.empty()) return fail("no file name");
  if (exists && fs::is_directory(u->path, ec)) return fail("it is a folder");
  switch (status) {
    case OpenStatus::Old:
      if (!exists) return fail("file not found");
      break;
    case OpenStatus::New:
      if (exists) return fail("file exists already");
      [[fallthrough]];
    case OpenStatus::Unknown:
      if (!exists) {
        std::FILE* f = std::fopen(u->path.c_str(), "ab");
        if (f == nullptr) return fail(std::strerror(errno));
        std::fclose(f);
      }
      break;
    case OpenStatus::Replace: {
      std::FILE* f = std::fopen(u->path.c_str(), "wb");
      if (f == nullptr) return fail(std::strerror(errno));
      u->fp = f;
      u->wbuf.reserve(kWriteChunk + 4096);
      break;
    }
  }
  table().units[unit] = std::move(u);
  table().forget_cache();
  return IoStatus::Ok;
}

void open_unit(int unit, std::string_view logical_name, OpenStatus status) {
  std::string message;
  if (try_open_unit(unit, logical_name, status, &message) != IoStatus::Ok)
    stop_run(kStopIo, "File error: " + message);
}

void close_unit(int unit) {
  auto& t = table();
  auto it = t.units.find(unit);
  if (it == t.units.end()) return;
  std::unique_ptr<Unit> u = std::move(it->second);
  t.units.erase(it);
  t.forget_cache();
  const std::string err = finish(*u);
  if (!err.empty()) write_failure(*u, err);
}

bool unit_is_open(int unit) { return table().find(unit) != nullptr; }

void flush_unit(int unit) {
  Unit* u = table().find(unit);
  if (u == nullptr || u->fp == nullptr) return;
  if (!drain(*u) || std::fflush(u->fp) != 0) write_failure(*u, std::strerror(errno));
}

void rewind_unit(int unit) {
  Unit* u = table().find(unit);
  if (u == nullptr) return;
  const std::string err = finish(*u);
  if (!err.empty()) write_failure(*u, err);
  u->loaded = false;
  u->content.clear();
  u->pos = 0;
  u->line = 0;
}

void close_all_units() {
  auto& t = table();
  // Close everything even when one file fails; no stop from here, because the
  // stop itself calls this.
  for (auto& [n, u] : t.units) finish(*u);
  t.units.clear();
  t.forget_cache();
}

std::string unit_name(int unit) {
  Unit* u = table().find(unit);
  return u ? u->logical : std::string();
}

fs::path unit_path(int unit) {
  Unit* u = table().find(unit);
  return u ? u->path : fs::path();
}

long unit_line(int unit) {
  Unit* u = table().find(unit);
  return u ? u->line : 0;
}

IoStatus read_record(int unit, std::string_view& record, std::string* message) {
  Unit* u = table().find(unit);
  if (u == nullptr) {
    if (message) *message = "channel " + std::to_string(unit) + " is not open";
    return IoStatus::Error;
  }
  if (u->fp != nullptr) return IoStatus::EndOfFile;  // positioned after what it wrote
  if (!u->loaded && !load(*u, message)) return IoStatus::Error;
  if (u->pos >= u->content.size()) return IoStatus::EndOfFile;
  const std::size_t start = u->pos;
  const std::size_t nl = u->content.find('\n', start);
  std::size_t end;
  if (nl == std::string::npos) {
    end = u->content.size();
    u->pos = end;
  } else {
    end = nl;
    u->pos = nl + 1;
  }
  if (end > start && u->content[end - 1] == '\r') --end;
  ++u->line;
  record = std::string_view(u->content).substr(start, end - start);
  return IoStatus::Ok;
}

void write_record(int unit, std::string_view text) {
  Unit* u = table().find(unit);
  if (u == nullptr)
    stop_run(kStopIo, "File error: write on channel " + std::to_string(unit) + ", which is not open");
  if (u->fp == nullptr && !begin_writing(*u)) write_failure(*u, std::strerror(errno));
  u->wbuf.append(text);
  u->wbuf.push_back('\n');
  if (u->wbuf.size() >= kWriteChunk && !drain(*u)) write_failure(*u, std::strerror(errno));
}

std::string unit_error_message(int unit, IoStatus status, std::string_view detail) {
  Unit* u = table().find(unit);
  std::string msg = "File error: ";
  if (u == nullptr) {
    msg += "channel " + std::to_string(unit) + ": ";
  } else if (status == IoStatus::EndOfFile) {
    msg += describe(*u) + ": end of file after line " + std::to_string(u->line) + ": ";
  } else if (u->line == 0) {
    msg += describe(*u) + ": ";  // nothing read yet: the file itself failed
  } else {
    msg += describe(*u) + ", line " + std::to_string(u->line) + ": ";
  }
  msg += detail;
  return msg;
}

void stop_on_unit_error(int unit, IoStatus status, std::string_view detail) {
  stop_run(kStopIo, unit_error_message(unit, status, detail));
}

}  // namespace platform
