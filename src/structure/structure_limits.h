#pragma once
// The limits of a pavement structure that the climate simulation can take, in
// one place for both programs: the engine's input phase refuses an "input.tmp"
// beyond them, and the front end refuses to write one. Nothing here depends on
// either program.

#include <algorithm>
#include <array>
#include <span>

namespace structure {

inline constexpr int kMaxLayers = 30;
inline constexpr int kMaxNodes = 300;
// Evaluation points of the temperature history through the top layers.
inline constexpr int kMaxHistoryPoints = 50;

// A history's header carries the top-layer thickness it was simulated for, and
// the header that stands for no history at all carries 0. A wanted thickness
// closer to 0 than this fits that empty header, so its history would never be
// simulated.
inline constexpr float kThinnestHistoryLayer = 0.2f;
inline bool HistoryHoldsLayer(double thickness) {
  return thickness >= static_cast<double>(kThinnestHistoryLayer);
}

// Only asphalt and concrete layers carry evaluation points of their own.
enum class LayerKind { Asphalt, Pcc, Other };

// A layer record as the grid sees it, in the simulation's single precision.
struct GridLayer {
  LayerKind kind = LayerKind::Other;
  float thickness = 0.0f;  // inches
  float spacing = 0.0f;    // inches between its nodes
  int last_node = 0;
};

// Walks the evaluation points of the temperature history: point 1 is the
// surface; `place(p, n, x)` is called for every further point p, at depth x
// (inches), between nodes n - 1 and n. `depth(n)` is the depth of node n in
// single precision, node 1 at the surface. Returns the number of points, the
// surface point included, however many that is.
template <class Depth, class Place>
int WalkHistoryPoints(std::span<const GridLayer> layers, int node_count, const Depth& depth,
                      Place&& place) {
  if (layers.empty()) return 1;
  const bool pcc_top = layers[0].kind == LayerKind::Pcc;
  int p = 2;
  float x = layers[0].kind == LayerKind::Asphalt ? 0.5f : 1.0f;  // 0.5, 1, 2, 3, ... below asphalt
  float bottom = 0.0f;
  bool parity_point = true;
  auto put = [&](int n) {
    place(p, n, x);
    x += x == 0.5f ? 0.5f : 1.0f;
    ++p;
  };
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const GridLayer& layer = layers[i];
    bottom = i == 0 ? layer.thickness : bottom + layer.thickness;
    const int first = i == 0 ? 2 : std::max(layers[i - 1].last_node + 1, 2);
    const int last = layer.last_node;
    // The bound layers look one node into the layer below; below the last layer
    // there is no node.
    const int reach = std::min(last + 1, node_count);
    if (layer.kind == LayerKind::Asphalt) {
      for (int n = first; n <= reach; ++n) {
        if (!(x <= bottom)) continue;
        for (int attempt = 0; attempt < 3; ++attempt)
          if (depth(n) >= x) put(n);
      }
    } else if (layer.kind == LayerKind::Pcc) {
      for (int n = first; n <= reach; ++n)
        if (depth(n) >= x) put(n);
    } else if (parity_point && !pcc_top) {
      // The first layer of another kind evens out the number of points.
      parity_point = false;
      if ((p - 1) % 2 == 1) {
        for (int n = first; n <= last; ++n) {
          if (depth(n) >= x) {
            put(n);
            break;
          }
        }
      }
    }
  }
  return p - 1;
}

// The number of evaluation points of a structure of at most kMaxNodes nodes,
// its node depths accumulated layer by layer as the simulation does: the first
// node of a layer lies one spacing of that layer below the last node above.
inline int CountHistoryPoints(std::span<const GridLayer> layers, int node_count) {
  node_count = std::clamp(node_count, 1, kMaxNodes);
  std::array<float, kMaxNodes + 1> depth{};  // by node number; node 1 at 0
  int n = 2;
  for (const GridLayer& layer : layers)
    for (; n <= std::min(layer.last_node, kMaxNodes); ++n) depth[n] = depth[n - 1] + layer.spacing;
  return WalkHistoryPoints(layers, node_count, [&](int k) { return depth[static_cast<std::size_t>(k)]; },
                           [](int, int, float) {});
}

}  // namespace structure
