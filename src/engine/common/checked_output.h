#pragma once
// Fixed-column output that other programs read back by its columns (the
// result files, the temperature history, the run files): a value that is not
// finite, or too wide for its field, would be written as NaN or asterisks and
// read as a number or refused later. Such a value stops the run (status 1)
// instead, naming the file, the field and the value.

#include <string>
#include <string_view>

#include "platform/record_io.h"
#include "platform/units.h"

namespace engine {

// "Output error in "FILE", WHERE, FIELD K: VALUE cannot be written as F6.1";
// WHERE is left out when empty.
[[noreturn]] void stop_unwritable(std::string_view file, std::string_view where,
                                  std::string_view field_name, const platform::FieldFault& fault);

// One fixed-layout record to `unit`, checked.
template <class... T>
void write_fixed_checked(int unit, const platform::Format& fmt, const T&... v) {
  thread_local std::string buffer;
  buffer.clear();
  if (const platform::FieldFault fault = platform::append_fixed_checked(buffer, fmt, v...))
    stop_unwritable(platform::unit_name(unit), {}, "field", fault);
  platform::write_record(unit, buffer);
}

}  // namespace engine
