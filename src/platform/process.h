#pragma once
// Command line and process CPU time.

#include "platform/fixed_text.h"

namespace platform {

// Keeps the program's arguments for command_argument().
void set_command_line(int argc, const char* const* argv);

// Argument n (1 = first after the program name) as a 256-character text; blank
// when absent.
FixedText<256> command_argument(int n);

// CPU time used by this process, in seconds.
float cpu_seconds();

}  // namespace platform
