#include "numlib/support/output.h"

#include "numlib/support/errors.h"
#include "platform/console.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace numlib {

void library_write_line(int unit, std::string_view text) {
  if (unit != 5 && unit != 6 && platform::unit_is_open(unit))
    platform::write_record(unit, text);
  else
    platform::console_line(text);
}

void end_library_run() { platform::stop_run(platform::kStopLibrary, {}); }

void print_message_and_end_run() {
  PRINT_ERROR_MESSAGE();
  end_library_run();
}

}  // namespace numlib
