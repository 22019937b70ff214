#include "engine/climate/result_files.h"

#include <span>

#include "engine/common/checked_output.h"
#include "platform/record_io.h"
#include "platform/units.h"

namespace engine {
namespace {

struct NodeFile {
  NodeRecord record;
  int channel;
};

// The day column is written on its own: it alone may read "****" (from day
// 10000 on); every value after it must fit.
void put_day(std::string& out, std::int32_t day_index) { platform::put_integer(out, day_index, 4); }

[[noreturn]] void stop_unwritable_day(int channel, std::int32_t day_index,
                                      std::string_view field_name,
                                      const platform::FieldFault& fault) {
  stop_unwritable(platform::unit_name(channel), "day " + std::to_string(day_index), field_name,
                  fault);
}

// "(<n>F6.1)" and the like: the node values of a record, after its day column.
std::string node_values_layout(int node_count, std::string_view field) {
  return "(" + std::to_string(node_count) + std::string(field) + ")";
}

// Every file of an output point, and those of the temperature-history mode 2.
constexpr NodeFile kAllNodeFiles[] = {
    {NodeRecord::kTemperature, kTemperatureChannel}, {NodeRecord::kModulus, kModulusChannel},
    {NodeRecord::kWater, kWaterChannel},             {NodeRecord::kIce, kIceChannel},
    {NodeRecord::kSuction, kSuctionChannel},
};
constexpr NodeFile kModeTwoNodeFiles[] = {
    {NodeRecord::kWater, kWaterChannel},
    {NodeRecord::kSuction, kSuctionChannel},
};

// A record goes only to a file that is open: every file in mode 0, ".por" and
// ".wat" in mode 2, none in the other modes (only ".drn" is open then).
std::span<const NodeFile> node_files(std::int32_t mode) {
  if (mode == 0) return kAllNodeFiles;
  if (mode == 2) return kModeTwoNodeFiles;
  return {};
}

void open_named(const ClimateRun& run, int channel, std::string_view extension) {
  const std::string name =
      std::string(run.climate_simulation_common.case_name.trimmed()) + std::string(extension);
  platform::open_unit(channel, name, platform::OpenStatus::Unknown);
}

}  // namespace

void open_result_files(const ClimateRun& run) {
  const std::int32_t mode = run.climate_simulation_common.thermal_history_mode;
  if (mode == 0) {
    open_named(run, kGradientChannel, ".crl");
    open_named(run, kTemperatureChannel, ".tem");
    open_named(run, kModulusChannel, ".mod");
    open_named(run, kSuctionChannel, ".por");
    open_named(run, kIceChannel, ".ice");
  }
  if (mode == 0 || mode == 2) {
    // Mode 0 has ".por" open already; once is the same file.
    if (mode == 2) open_named(run, kSuctionChannel, ".por");
    open_named(run, kWaterChannel, ".wat");
  }
  open_named(run, kDrainageChannel, ".drn");
}

void close_result_files() {
  for (int channel : {kGradientChannel, kTemperatureChannel, kModulusChannel, kSuctionChannel,
                      kIceChannel, kWaterChannel, kDrainageChannel})
    platform::close_unit(channel);
}

ResultRecords::ResultRecords(const ClimateRun& run)
    : run_(run),
      metric_(run.climate_simulation_common.units_flag != 1.0f),
      fixed_1_(node_values_layout(run.simulation_counts.node_count, "F6.1")),
      exponent_(node_values_layout(run.simulation_counts.node_count, "E10.3")),
      fixed_3_(node_values_layout(run.simulation_counts.node_count, "F6.3")) {
  buffer_.reserve(4 + 10 * static_cast<std::size_t>(kMaxNodes));
}

std::string_view ResultRecords::node_record(NodeRecord file, std::int32_t day_index) {
  const NodeState& nodes = run_.node_state;
  switch (file) {
    case NodeRecord::kTemperature:
      return format_nodes(fixed_1_, nodes.node_temperature, day_index,
                          [](float t) { return (t - 32.0f) / 1.8f; });  // deg F to deg C
    case NodeRecord::kModulus:
      // Divided in metric units even where the node holds a factor.
      return format_nodes(exponent_, nodes.node_modulus, day_index,
                          [](float m) { return m / 0.14504f; });
    case NodeRecord::kSuction:
      // The suction stays in the unit the unbound-layer step keeps it in: psi
      // for the two-parameter retention form, kPa for the four-parameter forms.
      // Metric output divides either by 0.14504, the psi-to-kPa factor.
      return format_nodes(exponent_, nodes.node_suction, day_index,
                          [](float s) { return s / 0.14504f; });
    case NodeRecord::kWater:
      return format_nodes(fixed_3_, nodes.node_water_content, day_index, nullptr);
    case NodeRecord::kIce:
      return format_nodes(fixed_3_, nodes.node_ice_content, day_index, nullptr);
  }
  return {};
}

std::string_view ResultRecords::format_nodes(const platform::Format& layout,
                                             const OneBasedArray<float, kMaxNodes>& values,
                                             std::int32_t day_index, float (*to_metric)(float)) {
  const int n = run_.simulation_counts.node_count;
  std::span<const float> written = values.span(1, n);
  if (metric_ && to_metric != nullptr) {
    for (int k = 1; k <= n; ++k) converted_(k) = to_metric(values(k));
    written = converted_.span(1, n);
  }
  buffer_.clear();
  put_day(buffer_, day_index);
  fault_ = platform::append_fixed_checked(buffer_, layout, written);
  return buffer_;
}

std::string_view ResultRecords::gradient_record(std::int32_t day_index,
                                                const DailyGradients& g) {
  static const platform::Format kLayout("(1X,F6.2,F8.3,F6.2,F8.3)");
  // deg F per inch to deg C per cm
  const float minimum = metric_ ? g.minimum / 4.572f : g.minimum;
  const float maximum = metric_ ? g.maximum / 4.572f : g.maximum;
  buffer_.clear();
  put_day(buffer_, day_index);
  fault_ = platform::append_fixed_checked(buffer_, kLayout, g.minimum_hour, minimum,
                                          g.maximum_hour, maximum);
  return buffer_;
}

void ResultRecords::write_output_point(std::int32_t day_index) {
  for (const NodeFile& f : node_files(run_.climate_simulation_common.thermal_history_mode)) {
    const std::string_view record = node_record(f.record, day_index);
    if (fault_) stop_unwritable_day(f.channel, day_index, "node", fault_);
    platform::write_record(f.channel, record);
  }
}

void ResultRecords::write_day_end(std::int32_t day_index, const DailyGradients& gradients) {
  if (run_.climate_simulation_common.thermal_history_mode != 0) return;
  const std::string_view record = gradient_record(day_index, gradients);
  if (fault_) stop_unwritable_day(kGradientChannel, day_index, "field", fault_);
  platform::write_record(kGradientChannel, record);
}

}  // namespace engine
