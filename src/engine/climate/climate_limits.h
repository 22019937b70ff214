#pragma once
// The sizes of the climate simulation's fixed tables.

namespace engine {

inline constexpr int kMaxLayers = 30;
inline constexpr int kMaxNodes = 300;
// A correction line is 256 characters, so it cannot hold more fields.
inline constexpr int kMaxCorrectionFields = 256;
// Points of the tabulated retention curve per unbound layer.
inline constexpr int kSuctionTablePoints = 100001;
// Evaluation points of the temperature history through the top layers.
inline constexpr int kMaxHistoryPoints = 50;
// Suctions of the relative-conductivity table, 10^((i - 1) / 10 - 4) kPa.
inline constexpr int kConductivityPoints = 100;

}  // namespace engine
