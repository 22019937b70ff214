#include "engine/common/checked_output.h"

#include "platform/stop.h"

namespace engine {

void stop_unwritable(std::string_view file, std::string_view where, std::string_view field_name,
                     const platform::FieldFault& fault) {
  std::string message = "Output error in \"" + std::string(file) + "\"";
  if (!where.empty()) message += ", " + std::string(where);
  message += ", " + std::string(field_name) + " " + std::to_string(fault.field) + ": " +
             fault.value + " cannot be written as " + fault.edit;
  platform::stop_run(platform::kStopDecided, message);
}

}  // namespace engine
