#pragma once
// The temperature-history file ("tmp\thermal.tmp" and its thickness variants):
// the hourly temperature profile through the top layer, for the cracking
// analysis. A free-form header (record count, node count and thickness of the
// top layer, thickness spread), then one record per output point: the
// date-hour stamp YYYYMMDDHH in ten columns and the temperatures at the
// selected evaluation depths, six columns each (F6.1, deg F), from the surface
// down. The reader takes the record as I4,3I2,12F6.1.
//
// The file is written under a temporary name beside it and put in place only
// at the normal end, so an interrupted run never leaves a header that claims a
// matching thickness over a partial history, and an earlier complete history
// survives a failed run.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/climate/climate_run.h"
#include "platform/fixed_text.h"
#include "platform/format.h"
#include "platform/record_io.h"

namespace engine {

inline constexpr int kHistoryChannel = 98;

// YYYYMMDDHH: the year in four columns, then month, day and the hour rounded
// to the nearest whole hour (half away from zero), two digits each with a
// leading "0" below 10. A value that does not fit its columns gives asterisks.
platform::FixedText<10> history_stamp(std::int32_t year, std::int32_t month, std::int32_t day,
                                      float hour_of_day);

// Header item 1: the hourly records the input phase averaged, or, when it
// averaged none (daily records, or not in the temperature-history mode), the
// 24 records a day that the run writes at its one-hour output interval.
std::int32_t history_record_count(const ClimateRun& run);

// One temperature of a record: the two enclosing nodes and their weights.
struct HistoryField {
  std::int32_t upper_node = 0;
  std::int32_t lower_node = 0;
  double upper_weight = 0.0;
  double lower_weight = 0.0;
};

// The fields of every record, from the evaluation points of the set-up: point i
// when i is the last point or one of 1, 2, 4, 6, ..., 26, in increasing order;
// then the bottom node of the top layer when that layer is thicker than the
// depth of the last point listed (by more than 0.001 inch).
std::vector<HistoryField> select_history_fields(const ClimateRun& run);

class TemperatureHistoryFile {
 public:
  explicit TemperatureHistoryFile(const ClimateRun& run);
  // An unfinished file is abandoned: its temporary is removed.
  ~TemperatureHistoryFile();
  TemperatureHistoryFile(const TemperatureHistoryFile&) = delete;
  TemperatureHistoryFile& operator=(const TemperatureHistoryFile&) = delete;

  // Opens the temporary file on kHistoryChannel and writes the header.
  void open();
  // Takes the record fields; call once the layer and node set-up has run (a
  // logic error before).
  void select_fields();
  // Writes one record from the current node temperatures; none when the top
  // layer is "PCC". A stamp or a temperature that does not fit its columns (or
  // is not finite) stops the run (status 1) before the record is written.
  void write_record(const platform::FixedText<10>& stamp);
  // Closes the file and puts it in place under its name, replacing any earlier
  // file. A failed rename stops the run (status 2).
  void finish();
  // Closes the file and removes it; an earlier file of the name stays as it was.
  void abandon();

  // The record that write_record would write (no line end).
  std::string_view record(const platform::FixedText<10>& stamp);
  const std::vector<HistoryField>& fields() const { return fields_; }
  const std::string& temporary_name() const { return temporary_name_; }

 private:
  enum class State { kClosed, kOpen, kDone };

  const ClimateRun& run_;
  State state_ = State::kClosed;
  std::string temporary_name_;
  std::vector<HistoryField> fields_;
  bool fields_selected_ = false;
  platform::Format layout_{"(A10)"};
  std::vector<double> values_;
  std::string buffer_;
  platform::FieldFault fault_;
};

}  // namespace engine
