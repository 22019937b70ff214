#pragma once
// The engine's console: lines out, and the pause that waits for Enter.
// Tests redirect both ends.

#include <iosfwd>
#include <string_view>

namespace platform {

// Writes one line (a line end is added).
void console_line(std::string_view text);
// Writes text without a line end.
void console_write(std::string_view text);
void console_flush();

// Waits until the user presses Enter. Goes on at once at end of input or on an
// input error, so a batch run never hangs. An interrupt (signals.h) ends the
// wait and stops the run as interrupted.
void console_pause();

// Redirection for tests; nullptr restores standard output / input.
void set_console_output(std::ostream* out);
void set_console_input(std::istream* in);

}  // namespace platform
