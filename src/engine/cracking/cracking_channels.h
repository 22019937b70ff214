#pragma once
// File channels of the thermal-cracking run and the fit it calls.

namespace engine {

inline constexpr int kRunFileUnit = 85;       // "doc-17a.dat"
inline constexpr int kCrackResultUnit = 86;   // " 1.txt"
inline constexpr int kFitReportUnit = 87;     // "master-results.dat"
inline constexpr int kHistoryReadUnit = 92;   // the temperature history of a case
inline constexpr int kCreepTableUnit = 93;    // creep-compliance tables

}  // namespace engine
