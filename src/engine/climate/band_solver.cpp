#include "engine/climate/band_solver.h"

#include <algorithm>

namespace engine {
namespace {

constexpr float kZeroPivot = 1.0e-4f;

}  // namespace

BandMatrix::BandMatrix(int bandwidth)
    : bandwidth_(bandwidth),
      values_(static_cast<std::size_t>(kMaxNodes) * static_cast<std::size_t>(bandwidth), 0.0f) {
  assert(bandwidth >= 1 && bandwidth % 2 == 1);
}

void BandMatrix::fill(float value) { std::fill(values_.begin(), values_.end(), value); }

void band_decompose(BandMatrix& a, BandMatrix& m, int n, int first) {
  const int diagonal = a.diagonal_column();
  const int half = diagonal - 1;
  for (int p = first; p <= n; ++p) {
    float& pivot = a(p, diagonal);
    if (pivot == 0.0f) pivot = kZeroPivot;
    const int reach = std::min(p + half, n);
    for (int i = p + 1; i <= reach; ++i) {
      const int column = p - i + diagonal;
      const float factor = a(i, column) / pivot;
      m(i, column) = factor;
      a(i, column) = 0.0f;
      for (int j = p + 1; j <= reach; ++j)
        a(i, j - i + diagonal) -= factor * a(p, j - p + diagonal);
    }
  }
}

void band_multiply(const BandMatrix& b, const NodeVector& x, NodeVector& y, int n, int first) {
  const int diagonal = b.diagonal_column();
  for (int i = first; i <= n; ++i) {
    const int lo = std::max(1, diagonal + 1 - i);
    const int hi = std::min(b.bandwidth(), n + diagonal - i);
    float sum = 0.0f;
    for (int j = lo; j <= hi; ++j) sum += b(i, j) * x(i + j - diagonal);
    y(i) = sum;
  }
}

void band_solve(const BandMatrix& a, NodeVector& y, const BandMatrix& m, int n, int first) {
  const int diagonal = a.diagonal_column();
  const int half = diagonal - 1;
  for (int i = first + 1; i <= n; ++i)
    for (int p = std::max(first, i - half); p < i; ++p) y(i) -= m(i, p - i + diagonal) * y(p);
  for (int i = n; i >= first; --i) {
    float sum = y(i);
    const int reach = std::min(i + half, n);
    for (int j = i + 1; j <= reach; ++j) sum -= a(i, j - i + diagonal) * y(j);
    y(i) = sum / a(i, diagonal);
  }
}

}  // namespace engine
