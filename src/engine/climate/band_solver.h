#pragma once
// A small solver for the banded systems of the implicit unbound-layer schemes:
// Gaussian elimination without pivoting, in single precision, over rows
// `first` to n of a matrix of kMaxNodes rows (rows are nodes).

#include <cassert>
#include <cstddef>
#include <vector>

#include "engine/climate/climate_limits.h"
#include "engine/climate/one_based.h"

namespace engine {

using NodeVector = OneBasedArray<float, kMaxNodes>;

// kMaxNodes rows of `bandwidth` columns (odd), stored by rows; column
// (bandwidth + 1) / 2 holds the diagonal, so element (i, j) of the full
// matrix is (i, j - i + diagonal_column()). Sized once, when it is made.
class BandMatrix {
 public:
  explicit BandMatrix(int bandwidth = 3);

  int bandwidth() const { return bandwidth_; }
  int diagonal_column() const { return (bandwidth_ + 1) / 2; }

  float& operator()(int row, int column) { return values_[index(row, column)]; }
  float operator()(int row, int column) const { return values_[index(row, column)]; }
  void fill(float value);
  // Row 1 first, each row's columns together.
  float* data() { return values_.data(); }
  const float* data() const { return values_.data(); }

  bool operator==(const BandMatrix&) const = default;

 private:
  std::size_t index(int row, int column) const {
    assert(row >= 1 && row <= kMaxNodes && column >= 1 && column <= bandwidth_);
    return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(bandwidth_) +
           static_cast<std::size_t>(column - 1);
  }
  int bandwidth_;
  std::vector<float> values_;
};

// Eliminates rows first..n of `a` in place: the part below the diagonal
// becomes 0 and its multipliers go to the same places of `m`. A pivot that
// comes out exactly 0 (row `first`'s included) becomes 1.0e-4, so the
// solution stays finite. Elements of row `first` left of the diagonal, which
// couple to rows above the system, are not read.
void band_decompose(BandMatrix& a, BandMatrix& m, int n, int first);

// y(i) := sum over the band of b(i, j) x(i + j - diagonal) for i = first..n,
// terms outside 1..n left out: the right-hand side from the old values. Row
// `first` reaches x(first - 1) when first > 1. `x` and `y` are different
// vectors.
void band_multiply(const BandMatrix& b, const NodeVector& x, NodeVector& y, int n, int first);

// Solves the system that band_decompose eliminated: forward elimination of y
// with the multipliers, then back substitution; the solution replaces
// y(first..n).
void band_solve(const BandMatrix& a, NodeVector& y, const BandMatrix& m, int n, int first);

}  // namespace engine
