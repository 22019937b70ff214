#include "engine/climate/layer_grid.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/console.h"
#include "platform/record_io.h"
#include "structure/structure_limits.h"

namespace engine {
namespace {

using DepthTable = OneBasedArray<float, kMaxNodes>;

// The node grid, layer by layer. The first node of a layer lies one spacing of
// that layer below the last node of the layer above. Depths and bottoms are
// accumulated in single precision, node after node: the bottom tests of the
// evaluation points and the history file's last field are decided on exactly
// these values (6 x (6.7f / 6) is 6.7000003, while the bottom is 6.7f).
void build_node_grid(const SimulationCounts& counts, const LayerProperties& layers,
                     DepthTable& node_depth, OneBasedArray<std::int32_t, kMaxNodes>& node_layer,
                     OneBasedArray<std::int32_t, kMaxLayers>& first_node, LayerTable& bottom,
                     LayerTable& spacing_feet) {
  node_depth(1) = 0.0f;
  node_layer(1) = 1;
  bottom(1) = layers.layer_thickness(1);
  first_node(1) = 2;  // node 1 is the surface, set above
  for (int i = 1; i <= counts.layer_count; ++i) {
    spacing_feet(i) = layers.layer_node_spacing(i) / 12.0f;
    if (i > 1) {
      first_node(i) = layers.layer_last_node(i - 1) + 1;
      bottom(i) = bottom(i - 1) + layers.layer_thickness(i);
    }
    for (int n = first_node(i); n <= layers.layer_last_node(i); ++n) {
      node_layer(n) = i;
      node_depth(n) = node_depth(n - 1) + layers.layer_node_spacing(i);
    }
  }
  first_node(1) = 1;
}

// The layer records as the history walk sees them, held in `layers`.
using GridLayers = std::array<structure::GridLayer, kMaxLayers>;
std::span<const structure::GridLayer> grid_layers(const ClimateRun& run, GridLayers& layers) {
  const auto& name = run.layer_names.layer_names;
  const LayerProperties& lp = run.layer_properties;
  const int count = std::clamp(run.simulation_counts.layer_count, 0, kMaxLayers);
  for (int i = 1; i <= count; ++i) {
    const auto kind = name(i) == "Asphalt" ? structure::LayerKind::Asphalt
                      : name(i) == "PCC"   ? structure::LayerKind::Pcc
                                           : structure::LayerKind::Other;
    layers[static_cast<std::size_t>(i - 1)] = {kind, lp.layer_thickness(i), lp.layer_node_spacing(i),
                                               lp.layer_last_node(i)};
  }
  return {layers.data(), static_cast<std::size_t>(count)};
}

// The node of each correction depth: the nearer of the two nodes of the
// interval that holds it, a tie going to the deeper one. An interval takes at
// most one depth and the scan moves to the next depth only on a match, so the
// depths must come in increasing order, one interval apart.
void place_correction_nodes(ClimateRun& run) {
  CorrectionFields& cf = run.correction_fields;
  const DepthTable& depth = run.node_state.node_depth;
  if (!cf.correction_file_open) return;
  int k = 1;
  for (int n = 1; n < run.simulation_counts.node_count && k <= cf.correction_field_count; ++n) {
    const double z = cf.initial_corrections(k);
    if (!(depth(n) <= z && z < depth(n + 1))) continue;
    const auto above = static_cast<float>(z - depth(n));
    const auto below = static_cast<float>(depth(n + 1) - z);
    cf.correction_node(k) = above < below ? n : n + 1;
    ++k;
  }

  std::string unmatched;
  for (int j = 1; j <= cf.correction_field_count; ++j) {
    if (cf.correction_node(j) != 0) continue;
    unmatched += platform::format_list(static_cast<float>(cf.initial_corrections(j)));
  }
  if (!unmatched.empty())
    platform::console_line(
        " \"LTTP_CORRECT.CSV\": no node interval for the correction depths" + unmatched +
        " (inches; each needs its own interval, deeper than the one before); not applied");
}

}  // namespace

void setup_layer_grid(ClimateRun& run) {
  NodeState& nodes = run.node_state;
  LayerProperties& layers = run.layer_properties;
  const SimulationCounts& counts = run.simulation_counts;
  ClimateWork& work = run.work;

  for (auto& v : work.moisture_work) v.fill(0.0f);
  nodes.node_depth.fill(0.0f);
  nodes.node_layer.fill(0);
  layers.layer_first_node.fill(0);
  layers.layer_bottom_depth.fill(0.0f);
  layers.layer_spacing_feet.fill(0.0f);
  run.correction_fields.correction_node.fill(0);
  work.history_upper_node.fill(0);
  work.history_lower_node.fill(0);
  work.history_upper_weight.fill(0.0);
  work.history_lower_weight.fill(0.0);
  work.history_point_depth.fill(0.0f);

  // A structure with bound layers keeps no soil values for its top layer. Without
  // one, layer 1 is a soil layer whose porosity later divides, so it keeps them.
  if (counts.section_count_total > 0) {
    layers.soil_unit_weight(1) = 0.0f;
    layers.soil_porosity(1) = 0.0f;
  }
  run.climate_simulation_common.freeze_temperature =
      run.climate_simulation_common.surface_constants(kFreezeBandBottom);

  build_node_grid(counts, layers, nodes.node_depth, nodes.node_layer, layers.layer_first_node,
                  layers.layer_bottom_depth, layers.layer_spacing_feet);
  place_correction_nodes(run);
  run.first_implicit_node =
      counts.section_count_total > 0 ? layers.layer_last_node(counts.section_count_total) : 1;

  const DepthTable& depth = nodes.node_depth;
  work.history_upper_node(1) = 1;
  work.history_lower_node(1) = 1;
  work.history_upper_weight(1) = 1.0;
  work.history_lower_weight(1) = 0.0;
  work.history_point_depth(1) = 0.0f;
  GridLayers grid;
  const int points = structure::WalkHistoryPoints(
      grid_layers(run, grid), counts.node_count, depth,
      [&](int p, int n, float x) {
        if (p > kMaxHistoryPoints) return;
        const double width = static_cast<double>(depth(n)) - depth(n - 1);
        // A spacing lost in single precision leaves an interval of no width; the
        // point then takes its lower node.
        const double upper = width > 0.0 ? (static_cast<double>(depth(n)) - x) / width : 0.0;
        work.history_upper_node(p) = n - 1;
        work.history_lower_node(p) = n;
        work.history_upper_weight(p) = upper;
        work.history_lower_weight(p) = 1.0 - upper;
        work.history_point_depth(p) = x;
      });
  run.simulation_counts.history_point_count = std::min(points, kMaxHistoryPoints);

  const int days = run.period_control.day_count;
  work.water_table_feet = OneBasedVector<double>(days);
  for (int d = 1; d <= days; ++d) work.water_table_feet(d) = work.daily_value_9(d);
}

int count_history_points(const ClimateRun& run) {
  GridLayers layers;
  return structure::CountHistoryPoints(grid_layers(run, layers), run.simulation_counts.node_count);
}

}  // namespace engine
