#pragma once
// The per-case result files of a climate simulation: ".crl" (daily gradient
// extremes), ".tem", ".mod", ".por", ".ice" and ".wat" (one record per output
// point: the day, then one value per node, node 1 first), and ".drn" (the
// drainage report). Each is named by the case name (the project directory)
// followed directly by its extension, on a fixed channel.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/climate/climate_run.h"
#include "platform/format.h"
#include "platform/record_io.h"

namespace engine {

inline constexpr int kGradientChannel = 1;      // ".crl"
inline constexpr int kTemperatureChannel = 5;   // ".tem"
inline constexpr int kModulusChannel = 6;       // ".mod"
inline constexpr int kWaterChannel = 8;         // ".wat"
inline constexpr int kSuctionChannel = 9;       // ".por"
inline constexpr int kDrainageChannel = 10;     // ".drn"
inline constexpr int kIceChannel = 14;          // ".ice"

// Opens, created or overwritten, the files that `thermal_history_mode` asks
// for: every file in mode 0, ".por" and ".wat" in mode 2, and ".drn" always.
void open_result_files(const ClimateRun& run);

// Closes every result-file channel (those never opened are passed over).
void close_result_files();

enum class NodeRecord { kTemperature, kModulus, kSuction, kWater, kIce };

// The records of one call, with their layouts built once for its node count.
// Values are written as computed when units_flag is 1.0, else converted to
// metric units first, in single precision. The day column is four wide: from
// day 10000 on it reads "****", as the outside readers of the fixed columns
// expect of it. Any other value that is not finite or does not fit its field
// stops the run when it is written (status 1), naming the file, the day, the
// field and the value.
class ResultRecords {
 public:
  explicit ResultRecords(const ClimateRun& run);

  // One record of an output point, as formatted for its file (no line end).
  std::string_view node_record(NodeRecord file, std::int32_t day_index);
  // The ".crl" record of a day.
  std::string_view gradient_record(std::int32_t day_index, const DailyGradients& gradients);

  // Writes the output point's record to each of ".tem", ".mod", ".wat", ".ice"
  // and ".por" that the mode has opened.
  void write_output_point(std::int32_t day_index);
  // Writes the ".crl" record of the day, in mode 0.
  void write_day_end(std::int32_t day_index, const DailyGradients& gradients);

 private:
  std::string_view format_nodes(const platform::Format& layout,
                                const OneBasedArray<float, kMaxNodes>& values,
                                std::int32_t day_index, float (*to_metric)(float));

  const ClimateRun& run_;
  bool metric_;
  // The node values after the day column: n F6.1, n E10.3, n F6.3.
  platform::Format fixed_1_;
  platform::Format exponent_;
  platform::Format fixed_3_;
  OneBasedArray<float, kMaxNodes> converted_;
  std::string buffer_;
  platform::FieldFault fault_;  // the first value of the last record that did not fit
};

}  // namespace engine
