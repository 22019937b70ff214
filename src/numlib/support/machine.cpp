#include "numlib/support/machine.h"

#include <cstdint>
#include <string>

#include "numlib/support/errors.h"
#include "numlib/support/output.h"
#include "numlib/support/state.h"
#include "platform/format.h"
#include "platform/process.h"

namespace numlib {
namespace {

// Records the TERMINAL error of DMACH/AMACH for an index outside 1..8.
void report_bad_index(std::string_view routine, int n) {
  E1PSH(routine);
  ERROR_STORE_INTEGER(1, n);
  E1MES(5, 5, "The argument must be between 1 and 8 inclusive. N = %(I1)");
  E1POP(routine);
}

// The failures of IMACH and UMACH cannot go through the error printer, which
// itself asks UMACH for its channel: they print directly and always end the run.
[[noreturn]] void direct_failure(int unit, std::string_view first, std::string_view second,
                                 std::string_view value_label, std::int64_t value) {
  std::string line(" ***          ");
  line.append(value_label);
  platform::put_integer(line, value, 6);
  line.push_back('.');
  library_write_line(unit, "");
  library_write_line(unit, first);
  library_write_line(unit, second);
  library_write_line(unit, line);
  library_write_line(unit, "");
  end_library_run();
}

}  // namespace

double DMACH(int n) {
  if (n < 1 || n > 8) {
    report_bad_index("DMACH", n);
    return DOUBLE_MACHINE_CONSTANTS[5];
  }
  return DOUBLE_MACHINE_CONSTANTS[static_cast<std::size_t>(n - 1)];
}

float AMACH(int n) {
  if (n < 1 || n > 8) {
    report_bad_index("AMACH", n);
    return SINGLE_MACHINE_CONSTANTS[5];
  }
  return SINGLE_MACHINE_CONSTANTS[static_cast<std::size_t>(n - 1)];
}

int IMACH(int i) {
  if (i < 1 || i > 12) {
    int unit = 0;
    UMACH(2, unit);
    direct_failure(unit, " *** TERMINAL ERROR 5 from IMACH.  The argument",
                   " ***          must be between 1 and 12 inclusive.", "N = ", i);
  }
  return INTEGER_MACHINE_CONSTANTS[static_cast<std::size_t>(i - 1)];
}

void UMACH(int n, int& nunit) {
  auto& units = library_state().unit_numbers;
  // In 64 bits: the magnitude of the most negative integer does not fit in 32.
  const std::int64_t magnitude = n < 0 ? -static_cast<std::int64_t>(n) : n;
  if (magnitude < 1 || magnitude > 3) {
    direct_failure(units[3], " *** TERMINAL ERROR 5 from UMACH.  The absolute",
                   " ***          value of the index variable must be",
                   "1, 2, or 3.  IABS(N) = ", magnitude);
  }
  if (n > 0)
    nunit = units[static_cast<std::size_t>(n)];
  else
    units[static_cast<std::size_t>(magnitude)] = nunit;
}

float ELAPSED_CPU_SECONDS() {
  float& start = library_state().cpu_start;
  const float now = platform::cpu_seconds();
  if (start < 0.0f) {
    start = now;
    return 0.0f;
  }
  return now - start;
}

}  // namespace numlib
