#pragma once
// Where the library's lines go, and how the library ends a run.

#include <string_view>

namespace numlib {

// Writes one line on a library channel (UMACH). Channels 5 and 6 are the
// console: the engine's own files on channels 5 and 6 never receive library
// text. Any other channel goes to the file open on it, or to the console when
// none is.
void library_write_line(int unit, std::string_view text);

// Ends the run with status 3. It adds no text: what the library has to say has
// been printed already (or deliberately not, under a print attribute of 0).
[[noreturn]] void end_library_run();

// Prints the waiting message whatever the print attributes say, then ends the
// run. For misuse of the library itself and for work storage that cannot be had.
[[noreturn]] void print_message_and_end_run();

}  // namespace numlib
