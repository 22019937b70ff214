#pragma once
// Helpers for comparing the library's kernels with the reference BLAS: strided
// vectors with guard elements, random fills, and bitwise array comparison.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <sstream>
#include <vector>

namespace numlib::testing {

// Guard elements before and after every vector or matrix, so that a write
// outside it is seen in the comparison.
inline constexpr int kGuard = 3;

// Storage for n elements at increment inc (guards around and between them).
inline std::size_t strided_length(int n, int inc) {
  const int step = inc < 0 ? -inc : inc;
  const std::size_t span = n > 0 ? static_cast<std::size_t>(n - 1) * step + 1 : 1;
  return span + 2 * kGuard;
}

// Offset of element i (0-based) of the walk over n elements: walks with a
// negative increment start at the far end.
inline std::ptrdiff_t walk_offset(int i, int n, int inc) {
  return inc < 0 ? static_cast<std::ptrdiff_t>(i - (n - 1)) * inc
                 : static_cast<std::ptrdiff_t>(i) * inc;
}

// Kinds of data: finite values only, or with infinities and NaNs among them.
enum class Fill { Finite, Special };

class RandomData {
 public:
  explicit RandomData(std::uint64_t seed) : rng_(seed) {}

  double value(Fill fill) {
    if (fill == Fill::Special) {
      const int pick = static_cast<int>(rng_() % 10);
      if (pick == 0) return std::numeric_limits<double>::quiet_NaN();
      if (pick == 1) return std::numeric_limits<double>::infinity();
      if (pick == 2) return -std::numeric_limits<double>::infinity();
      if (pick == 3) return 0.0;
    }
    // Values with full mantissas, so every rounding shows.
    return uniform_(rng_);
  }
  std::vector<double> vector(std::size_t length, Fill fill = Fill::Finite) {
    std::vector<double> v(length);
    for (double& e : v) e = value(fill);
    return v;
  }
  int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  std::mt19937_64& engine() { return rng_; }

 private:
  std::mt19937_64 rng_;
  std::uniform_real_distribution<double> uniform_{-2.0, 2.0};
};

// Same bits, except that a NaN matches any NaN: payloads may differ between
// compilers.
inline bool same_value(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

inline ::testing::AssertionResult same_values(std::span<const double> actual,
                                              std::span<const double> expected) {
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size();
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (!same_value(actual[i], expected[i])) {
      std::ostringstream s;
      s.precision(17);
      s << "element " << i << ": " << actual[i] << " against " << expected[i];
      return ::testing::AssertionFailure() << s.str();
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace numlib::testing
