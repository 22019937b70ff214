#include "platform/console.h"

#include <iostream>
#include <string>

#include "platform/signals.h"

namespace platform {
namespace {
std::ostream* g_out = nullptr;
std::istream* g_in = nullptr;
std::ostream& out() { return g_out != nullptr ? *g_out : std::cout; }
std::istream& in() { return g_in != nullptr ? *g_in : std::cin; }
}  // namespace

void console_line(std::string_view text) {
  std::ostream& o = out();
  o.write(text.data(), static_cast<std::streamsize>(text.size()));
  o.put('\n');
}

void console_write(std::string_view text) {
  out().write(text.data(), static_cast<std::streamsize>(text.size()));
}

void console_flush() { out().flush(); }

void console_pause() {
  out().flush();
  std::istream& i = in();
  // An interrupt ends the wait: the run then stops as interrupted, without an
  // answer first (the engine's own prompt tells the user to press Ctrl-C).
  check_interrupt();
  if (!i.good()) return;
  std::string line;
  {
    const InterruptibleWait wait;
    std::getline(i, line);
  }
  check_interrupt();
}

void set_console_output(std::ostream* o) { g_out = o; }
void set_console_input(std::istream* i) { g_in = i; }

}  // namespace platform
