#include "engine/climate/correction_table.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/paths.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

constexpr float kMissingField = -9999.0f;

bool all_blank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

int split_csv_line(const platform::FixedText<256>& line, char separator, CorrectionFields& fields) {
  fields.correction_fields.fill(kMissingField);
  std::string_view rest = line.view();
  std::size_t cut = rest.find(separator);
  fields.correction_key = rest.substr(0, cut);  // cut at 16 characters by the field
  if (cut == std::string_view::npos) return 0;
  rest.remove_prefix(cut + 1);

  int count = 0;
  for (;;) {
    cut = rest.find(separator);
    const std::string_view text = rest.substr(0, cut);
    // A 256-character line has at most 255 separators after the key.
    ++count;
    if (!all_blank(text)) {
      float value = 0;
      // NaN and infinities (also values beyond single precision) count as no
      // number: a correction becomes a node temperature.
      if (platform::read_list_text(text, value) != platform::IoStatus::Ok ||
          !std::isfinite(value)) {
        platform::stop_on_unit_error(kCorrectionChannel, platform::IoStatus::Error,
                                     "field " + std::to_string(count) +
                                         " is neither blank nor a finite number: \"" +
                                         std::string(platform::trim_trailing(text)) + "\"");
      }
      fields.correction_fields(count) = value;
    }
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return count;
}

void read_correction_table(CorrectionFields& fields) {
  std::string message;
  if (platform::try_open_unit(kCorrectionChannel, "LTTP_CORRECT.CSV", platform::OpenStatus::Old,
                              &message) != platform::IoStatus::Ok) {
    // Only a missing table means "no corrections"; one that is there but does
    // not open (a folder in its place) is an error.
    if (platform::logical_file_exists("LTTP_CORRECT.CSV"))
      platform::stop_run(platform::kStopIo, "File error: " + message);
    return;
  }
  fields.correction_file_open = true;

  static const platform::Format kLineLayout("(A256)");
  std::int32_t count = 0;
  platform::read_list(kCorrectionChannel, count);
  platform::FixedText<256> line;
  platform::read_fixed(kCorrectionChannel, kLineLayout, line);
  const int found = split_csv_line(line, ',', fields);

  // Only the values the line really holds are taken, however large the count.
  const int n = std::clamp<std::int32_t>(count, 0, found);
  for (int k = 1; k <= n; ++k) fields.initial_corrections(k) = fields.correction_fields(k);
  fields.correction_field_count = n;
}

}  // namespace engine
