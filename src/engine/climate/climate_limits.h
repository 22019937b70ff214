#pragma once
// The sizes of the climate simulation's fixed tables. The structure limits are
// shared with the front end, which must not write an input beyond them.

#include "structure/structure_limits.h"

namespace engine {

using structure::kMaxHistoryPoints;
using structure::kMaxLayers;
using structure::kMaxNodes;
// A correction line is 256 characters, so it cannot hold more fields.
inline constexpr int kMaxCorrectionFields = 256;
// Points of the tabulated retention curve per unbound layer.
inline constexpr int kSuctionTablePoints = 100001;
// Suctions of the relative-conductivity table, 10^((i - 1) / 10 - 4) kPa.
inline constexpr int kConductivityPoints = 100;

}  // namespace engine
