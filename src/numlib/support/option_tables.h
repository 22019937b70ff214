#pragma once
// The option stores behind IUMAG (integers) and DUMAG (doubles): per product
// (MATH, STAT) and chapter the options it has; per option the values it holds;
// the default and the current values. The library state holds one of each
// (INTEGER_OPTION_TABLES, DOUBLE_OPTION_TABLES); the managers fill them from
// their default tables on their first call.

#include <array>

namespace numlib {

inline constexpr int kOptionProducts = 2;      // 0 MATH, 1 STAT
inline constexpr int kMaxOptionChapters = 20;  // MATH has 10, STAT 20

template <class T, int Options, int Values>
struct OptionTable {
  static constexpr int kOptions = Options;
  static constexpr int kValues = Values;

  bool filled = false;
  // By product and chapter (index 0 unused): the chapter's number of options
  // and the index of its first option in value_start.
  std::array<std::array<int, kMaxOptionChapters + 1>, kOptionProducts> chapter_options{};
  std::array<std::array<int, kMaxOptionChapters + 1>, kOptionProducts> chapter_first{};
  // Option k (0-based, all chapters in a row) holds the values at positions
  // value_start[k] .. value_start[k + 1] - 1.
  std::array<int, Options + 1> value_start{};
  std::array<T, Values> defaults{};
  std::array<T, Values> current{};
};

// Sizes of the default tables (checked against them when the library builds).
using IntegerOptionTables = OptionTable<int, 128, 151>;
using DoubleOptionTables = OptionTable<double, 77, 78>;

}  // namespace numlib
