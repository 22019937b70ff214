#include "platform/stop.h"

#include "platform/console.h"
#include "platform/units.h"

namespace platform {

std::string printable(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\n') || c == 0x7f) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xf];
    } else {
      out += ch;
    }
  }
  return out;
}

void stop_run(int status, std::string_view message) {
  std::string shown = printable(message);
  if (!shown.empty()) console_line(shown);
  console_flush();
  close_all_units();
  throw RunStop(status, std::move(shown));
}

int run_program(const std::function<void()>& body) {
  int status = 0;
  try {
    body();
  } catch (const RunStop& stop) {
    status = stop.status();
  } catch (const std::exception& e) {
    console_line(std::string("Unexpected error: ") + e.what());
    status = 1;
  }
  close_all_units();
  console_flush();
  return status;
}

}  // namespace platform
