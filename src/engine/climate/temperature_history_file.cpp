#include "engine/climate/temperature_history_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "engine/common/checked_output.h"
#include "engine/common/node_count.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

// Points 1, 2, 4, ..., 26 of a record (besides the last point).
bool listed_point(int i) { return i == 1 || (i % 2 == 0 && i <= 26); }

}  // namespace

platform::FixedText<10> history_stamp(std::int32_t year, std::int32_t month, std::int32_t day,
                                      float hour_of_day) {
  const float rounded = std::round(hour_of_day);  // half away from zero
  // An hour outside two digits (or not a number) fails its columns as a month
  // of 100 would.
  const std::int32_t hour = rounded >= 0.0f && rounded < 100.0f ? static_cast<int>(rounded) : -1;
  std::string text;
  platform::put_integer(text, year, 4);
  platform::put_integer(text, month, 2, 2);
  platform::put_integer(text, day, 2, 2);
  platform::put_integer(text, hour, 2, 2);
  return text;
}

std::int32_t history_record_count(const ClimateRun& run) {
  const float averaged = run.climate_simulation_common.climate_record_count;
  if (averaged > 0.0f) return static_cast<std::int32_t>(averaged);
  const std::int64_t hourly = 24 * static_cast<std::int64_t>(run.period_control.day_count);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(hourly, 0, INT32_MAX));
}

std::vector<HistoryField> select_history_fields(const ClimateRun& run) {
  const ClimateWork& w = run.work;
  const int points = run.simulation_counts.history_point_count;
  std::vector<HistoryField> fields;
  float last_depth = 0.0f;
  for (int i = 1; i <= points; ++i) {
    if (i != points && !listed_point(i)) continue;
    fields.push_back({w.history_upper_node(i), w.history_lower_node(i), w.history_upper_weight(i),
                      w.history_lower_weight(i)});
    last_depth = w.history_point_depth(i);
  }
  // The reader expects a temperature every two inches down to the layer's
  // bottom; a layer that reaches below the last point gets its bottom node.
  if (run.layer_properties.layer_thickness(1) > last_depth + 0.001f) {
    const std::int32_t bottom = run.layer_properties.layer_last_node(1);
    fields.push_back({bottom, bottom, 1.0, 0.0});
  }
  return fields;
}

TemperatureHistoryFile::TemperatureHistoryFile(const ClimateRun& run) : run_(run) {}

TemperatureHistoryFile::~TemperatureHistoryFile() {
  // No close here: a stop has closed every channel already, and a close could
  // stop the run from a destructor.
  if (state_ == State::kOpen) platform::delete_file(platform::resolve_path(temporary_name_));
}

void TemperatureHistoryFile::open() {
  // The name is known only once the input phase has run. Beside the final
  // file, so the rename stays on one file system and the temporary belongs to
  // this project alone.
  temporary_name_ = std::string(run_.temperature_file_name.trimmed()) + ".part";
  platform::open_unit(kHistoryChannel, temporary_name_, platform::OpenStatus::Replace);
  state_ = State::kOpen;
  const float thickness = run_.layer_properties.layer_thickness(1);
  platform::write_list(kHistoryChannel, history_record_count(run_),
                       static_cast<std::int32_t>(layer_node_count(thickness)), thickness,
                       run_.thickness_deviation);
}

void TemperatureHistoryFile::select_fields() {
  // Before the grid there are no evaluation points, and the record would hold
  // only the bottom node of the top layer.
  if (run_.simulation_counts.history_point_count < 1)
    throw std::logic_error("history fields selected before the grid was built");
  fields_ = select_history_fields(run_);
  fields_selected_ = true;
  values_.assign(fields_.size(), 0.0);
  layout_ = platform::Format("(A10," + std::to_string(fields_.size()) + "F6.1)");
  buffer_.reserve(10 + 6 * fields_.size());
}

std::string_view TemperatureHistoryFile::record(const platform::FixedText<10>& stamp) {
  if (!fields_selected_) throw std::logic_error("history record before its fields were selected");
  const auto& t = run_.node_state.node_temperature;
  for (std::size_t k = 0; k < fields_.size(); ++k) {
    const HistoryField& f = fields_[k];
    values_[k] = t(f.upper_node) * f.upper_weight + t(f.lower_node) * f.lower_weight;
  }
  buffer_.clear();
  fault_ = platform::append_fixed_checked(buffer_, layout_, stamp, values_);
  return buffer_;
}

void TemperatureHistoryFile::write_record(const platform::FixedText<10>& stamp) {
  if (run_.layer_names.layer_names(1) == "PCC") return;
  const std::string_view text = record(stamp);
  // The cracking run reads the stamp and every temperature by their columns.
  if (stamp.view().find('*') != std::string_view::npos)
    platform::stop_run(platform::kStopDecided,
                       "Output error in \"" + run_.temperature_file_name.str() +
                           "\": the date-hour stamp " + std::string(stamp.view()) +
                           " does not fit its 10 columns (year 1-9999, month, day and hour "
                           "in two digits each)");
  if (fault_)
    stop_unwritable(run_.temperature_file_name.trimmed(), "record " + std::string(stamp.view()),
                    "field", fault_);
  platform::write_record(kHistoryChannel, text);
}

void TemperatureHistoryFile::finish() {
  if (state_ != State::kOpen) return;
  // A close that fails stops the run with the file still open here, and the
  // destructor removes the temporary.
  platform::close_unit(kHistoryChannel);
  const platform::FileResult moved =
      platform::rename_file(platform::resolve_path(temporary_name_),
                            platform::resolve_path(run_.temperature_file_name.view()));
  if (!moved.ok) platform::stop_run(platform::kStopIo, "File error: " + moved.error);
  state_ = State::kDone;
}

void TemperatureHistoryFile::abandon() {
  if (state_ != State::kOpen) return;
  platform::close_unit(kHistoryChannel);
  platform::delete_file(platform::resolve_path(temporary_name_));
  state_ = State::kDone;
}

}  // namespace engine
