#include "platform/paths.h"

#include <cctype>
#include <cstdlib>
#include <system_error>

#include "platform/fixed_text.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool same_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Follows `rest` below `base`, replacing each component that does not exist by a
// case-insensitive match in its folder when there is one.
fs::path match_components(fs::path base, std::string_view rest) {
  std::error_code ec;
  bool matching = true;  // once a component is missing, nothing below it can exist
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('/', start);
    if (end == std::string_view::npos) end = rest.size();
    std::string_view comp = rest.substr(start, end - start);
    start = end + 1;
    if (comp.empty()) {
      if (end == rest.size()) break;
      continue;
    }
    fs::path exact = base / std::string(comp);
    if (!matching || comp == "." || comp == ".." || fs::exists(exact, ec)) {
      base = std::move(exact);
      continue;
    }
    fs::path found;
    const fs::path dir = base.empty() ? fs::path(".") : base;
    for (fs::directory_iterator it(dir, ec), last; !ec && it != last; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (same_nocase(name, comp) && (found.empty() || name < found.filename().string()))
        found = it->path().filename();
    }
    if (found.empty()) {
      matching = false;
      base = std::move(exact);
    } else {
      base /= found;
    }
  }
  return base;
}

}  // namespace

fs::path resolve_path(std::string_view logical_name) {
  std::string name(trim_trailing(logical_name));
  for (char& c : name)
    if (c == '\\') c = '/';

  fs::path root;
  std::string_view rest = name;
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    const std::string var = std::string("PAVSIM_DRIVE_") + letter;
    const char* folder = std::getenv(var.c_str());
    if (folder != nullptr && *folder != '\0') {
      root = folder;
    } else {
      std::error_code ec;
      root = fs::current_path(ec);
    }
    rest = std::string_view(name).substr(2);
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  } else if (!name.empty() && name.front() == '/') {
    root = "/";
    rest = std::string_view(name).substr(1);
  }

  fs::path exact = root;
  if (!rest.empty()) exact /= std::string(rest);
  std::error_code ec;
  if (rest.empty() || fs::exists(exact, ec)) return exact;
  return match_components(root, rest);
}

bool logical_file_exists(std::string_view logical_name) {
  std::error_code ec;
  return fs::exists(resolve_path(logical_name), ec);
}

}  // namespace platform
