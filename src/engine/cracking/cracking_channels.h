#pragma once
// File channels of the thermal-cracking run, the fit it calls and the options
// that call it.

namespace engine {

inline constexpr int kRunFileUnit = 85;       // "doc-17a.dat"
inline constexpr int kCrackResultUnit = 86;   // " 1.txt"
inline constexpr int kFitReportUnit = 87;     // "master-results.dat"
inline constexpr int kHistoryReadUnit = 92;   // the temperature history of a case
inline constexpr int kCreepTableUnit = 93;    // creep-compliance tables

// Channels of the three options.
inline constexpr int kOptionRunFileUnit = 91;  // "doc-17a.dat" as the options write it
inline constexpr int kOptionReadUnit = 3;      // " 1.txt" read back, "criteria.txt"
inline constexpr int kResultsUnit = 96;        // "res.txt", opened by the dispatcher

}  // namespace engine
