#include "platform/stop.h"

#include "platform/console.h"
#include "platform/units.h"

namespace platform {

void stop_run(int status, std::string_view message) {
  if (!message.empty()) console_line(message);
  console_flush();
  close_all_units();
  throw RunStop(status, std::string(message));
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
