#include "platform/process.h"

#include <ctime>
#include <string>
#include <vector>

namespace platform {
namespace {
std::vector<std::string>& arguments() {
  static std::vector<std::string> args;
  return args;
}
}  // namespace

void set_command_line(int argc, const char* const* argv) {
  auto& args = arguments();
  args.assign(argv, argv + argc);
}

FixedText<256> command_argument(int n) {
  const auto& args = arguments();
  if (n < 1 || static_cast<std::size_t>(n) >= args.size()) return {};
  return FixedText<256>(args[static_cast<std::size_t>(n)]);
}

float cpu_seconds() {
  timespec ts{};
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return 0.0f;
  return static_cast<float>(static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec));
}

}  // namespace platform
