#include "engine/climate/correction_table.h"

#include <algorithm>
#include <charconv>
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
constexpr float kMissingBelow = -1000.0f;  // a correction at or below it is not applied
constexpr float kAbsoluteZeroC = -273.15f;

const platform::Format& line_layout() {
  static const platform::Format layout("(A256)");
  return layout;
}

// month/day/year, each piece an integer (blanks around it allowed), as
// yyyymmdd; false when the key is not such a date.
bool read_date(std::string_view key, std::int64_t& date) {
  std::int64_t pieces[3] = {};
  for (int k = 0; k < 3; ++k) {
    const std::size_t cut = k < 2 ? key.find('/') : key.size();
    if (cut == std::string_view::npos) return false;
    std::string_view piece = key.substr(0, cut);
    const std::size_t begin = piece.find_first_not_of(' ');
    if (begin == std::string_view::npos) return false;
    piece = piece.substr(begin, piece.find_last_not_of(' ') + 1 - begin);
    const char* end = piece.data() + piece.size();
    if (!piece.empty() && piece.front() == '+') piece.remove_prefix(1);
    std::int32_t value = 0;
    const auto [stop, error] = std::from_chars(piece.data(), end, value);
    if (error != std::errc() || stop != end) return false;
    pieces[k] = value;
    key.remove_prefix(k < 2 ? cut + 1 : cut);
  }
  date = pieces[2] * 10000 + pieces[0] * 100 + pieces[1];
  return true;
}

bool all_blank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

// A correction of a dated line becomes a node temperature in deg F: it must lie
// above absolute zero and convert in single precision. Values of -1000 and
// below mark a missing correction.
void check_corrections(const CorrectionFields& cf) {
  for (int k = 1; k <= cf.correction_field_count; ++k) {
    const float value = cf.correction_fields(k);
    if (!(value > kMissingBelow)) continue;
    std::string problem;
    if (value < kAbsoluteZeroC)
      problem = "is below absolute zero (-273.15 C)";
    else if (!std::isfinite(value * 1.8f + 32.0f))
      problem = "does not convert to deg F in single precision";
    else
      continue;
    platform::stop_on_unit_error(kCorrectionChannel, platform::IoStatus::Error,
                                 "field " + std::to_string(k) + ": the temperature " +
                                     platform::format_list(value).substr(1) + " C " + problem);
  }
}

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

  std::int32_t count = 0;
  platform::read_list(kCorrectionChannel, count);
  platform::FixedText<256> line;
  platform::read_fixed(kCorrectionChannel, line_layout(), line);
  const int found = split_csv_line(line, ',', fields);

  // Only the values the line really holds are taken, however large the count.
  const int n = std::clamp<std::int32_t>(count, 0, found);
  for (int k = 1; k <= n; ++k) fields.initial_corrections(k) = fields.correction_fields(k);
  fields.correction_field_count = n;
}

void apply_day_correction(ClimateRun& run) {
  CorrectionFields& cf = run.correction_fields;
  if (!cf.correction_file_open) return;
  const ClimateWork& w = run.work;
  const int d = run.day_index;
  const std::int64_t today = static_cast<std::int64_t>(w.calendar_year(d)) * 10000 +
                             static_cast<std::int64_t>(w.calendar_month(d)) * 100 +
                             w.calendar_day(d);
  for (;;) {
    if (!cf.line_pending) {
      platform::FixedText<256> line;
      if (platform::try_read_fixed(kCorrectionChannel, line_layout(), line) !=
          platform::IoStatus::Ok)
        return;
      split_csv_line(line, ',', cf);
      // A line without a date (a blank last line) is used up with the day.
      if (!read_date(cf.correction_key.view(), cf.pending_date)) return;
      check_corrections(cf);
      cf.line_pending = true;
    }
    if (cf.pending_date > today) return;
    cf.line_pending = false;
    if (cf.pending_date == today) break;
  }
  auto& t = run.node_state.node_temperature;
  for (int k = 1; k <= cf.correction_field_count; ++k) {
    const int node = cf.correction_node(k);
    const float value = cf.correction_fields(k);
    if (node != 0 && value > kMissingBelow) t(node) = value * 1.8f + 32.0f;
  }
}

}  // namespace engine
