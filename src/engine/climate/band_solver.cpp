#include "engine/climate/band_solver.h"

#include <algorithm>
#include <cstddef>

namespace engine {
namespace {

constexpr float kZeroPivot = 1.0e-4f;

// Rows are kept 0-based here: row i of the matrix starts at a + (i - 1) * w,
// its diagonal at column c = w / 2, and element (i, j) of the full matrix sits
// at column j - i + c.
float* row_of(float* a, int i, int w) { return a + static_cast<std::ptrdiff_t>(i - 1) * w; }
const float* row_of(const float* a, int i, int w) {
  return a + static_cast<std::ptrdiff_t>(i - 1) * w;
}

void decompose(float* a, float* m, int n, int first, int w) {
  const int c = w / 2;
  for (int p = first; p <= n; ++p) {
    float* pivot_row = row_of(a, p, w);
    if (pivot_row[c] == 0.0f) pivot_row[c] = kZeroPivot;
    const float pivot = pivot_row[c];
    const int reach = std::min(p + c, n);
    for (int i = p + 1; i <= reach; ++i) {
      float* row = row_of(a, i, w);
      const int column = p - i + c;
      const float factor = row[column] / pivot;
      row_of(m, i, w)[column] = factor;
      row[column] = 0.0f;
      for (int j = p + 1; j <= reach; ++j) row[j - i + c] -= factor * pivot_row[j - p + c];
    }
  }
}

void multiply(const float* b, const float* x, float* y, int n, int first, int w) {
  const int c = w / 2;
  for (int i = first; i <= n; ++i) {
    const float* row = row_of(b, i, w);
    const int lo = std::max(0, c + 1 - i);
    const int hi = std::min(w - 1, n + c - i);
    float sum = 0.0f;
    for (int k = lo; k <= hi; ++k) sum += row[k] * x[i - 1 + k - c];
    y[i - 1] = sum;
  }
}

// The back substitution runs on rows divided by their diagonal, so that the
// divisions stand apart from the chain of dependent updates.
void solve(const float* a, float* y, const float* m, int n, int first, int w) {
  const int c = w / 2;
  for (int i = first + 1; i <= n; ++i) {
    const float* multipliers = row_of(m, i, w);
    float value = y[i - 1];
    for (int p = std::max(first, i - c); p < i; ++p) value -= multipliers[p - i + c] * y[p - 1];
    y[i - 1] = value;
  }
  for (int i = n; i >= first; --i) {
    const float* row = row_of(a, i, w);
    const float diagonal = row[c];
    float value = y[i - 1] / diagonal;
    const int reach = std::min(i + c, n);
    for (int j = i + 1; j <= reach; ++j) value -= row[j - i + c] / diagonal * y[j - 1];
    y[i - 1] = value;
  }
}

// The same three for bandwidth 3, the simulation's, with the values that
// chain from row to row kept in registers.
void decompose_tridiagonal(float* a, float* m, int n, int first) {
  float* row = row_of(a, first, 3);
  if (row[1] == 0.0f) row[1] = kZeroPivot;
  float pivot = row[1];
  for (int i = first + 1; i <= n; ++i) {
    float* next = row + 3;
    const float factor = next[0] / pivot;
    row_of(m, i, 3)[0] = factor;
    next[0] = 0.0f;
    pivot = next[1] - factor * row[2];
    if (pivot == 0.0f) pivot = kZeroPivot;
    next[1] = pivot;
    row = next;
  }
}

void multiply_tridiagonal(const float* b, const float* x, float* y, int n, int first) {
  if (n == 1) {
    y[0] = b[1] * x[0];
    return;
  }
  int i = first;
  if (i == 1) {
    y[0] = b[1] * x[0] + b[2] * x[1];
    ++i;
  }
  for (; i < n; ++i) {
    const float* row = row_of(b, i, 3);
    y[i - 1] = row[0] * x[i - 2] + row[1] * x[i - 1] + row[2] * x[i];
  }
  if (i == n) {
    const float* row = row_of(b, n, 3);
    y[n - 1] = row[0] * x[n - 2] + row[1] * x[n - 1];
  }
}

void solve_tridiagonal(const float* a, float* y, const float* m, int n, int first) {
  float value = y[first - 1];
  for (int i = first + 1; i <= n; ++i) {
    value = y[i - 1] - row_of(m, i, 3)[0] * value;
    y[i - 1] = value;
  }
  value = y[n - 1] / row_of(a, n, 3)[1];
  y[n - 1] = value;
  for (int i = n - 1; i >= first; --i) {
    const float* row = row_of(a, i, 3);
    value = y[i - 1] / row[1] - row[2] / row[1] * value;
    y[i - 1] = value;
  }
}

}  // namespace

BandMatrix::BandMatrix(int bandwidth)
    : bandwidth_(bandwidth),
      values_(static_cast<std::size_t>(kMaxNodes) * static_cast<std::size_t>(bandwidth), 0.0f) {
  assert(bandwidth >= 1 && bandwidth % 2 == 1);
}

void BandMatrix::fill(float value) { std::fill(values_.begin(), values_.end(), value); }

void band_decompose(BandMatrix& a, BandMatrix& m, int n, int first) {
  assert(a.bandwidth() == m.bandwidth() && n <= kMaxNodes && first >= 1);
  if (n < first) return;
  if (a.bandwidth() == 3) {
    decompose_tridiagonal(a.data(), m.data(), n, first);
  } else {
    decompose(a.data(), m.data(), n, first, a.bandwidth());
  }
}

void band_multiply(const BandMatrix& b, const NodeVector& x, NodeVector& y, int n, int first) {
  assert(n <= kMaxNodes && first >= 1 && &x != &y);
  if (n < first) return;
  const float* in = x.span(1, kMaxNodes).data();
  float* out = y.span(1, kMaxNodes).data();
  if (b.bandwidth() == 3) {
    multiply_tridiagonal(b.data(), in, out, n, first);
  } else {
    multiply(b.data(), in, out, n, first, b.bandwidth());
  }
}

void band_solve(const BandMatrix& a, NodeVector& y, const BandMatrix& m, int n, int first) {
  assert(a.bandwidth() == m.bandwidth() && n <= kMaxNodes && first >= 1);
  if (n < first) return;
  float* values = y.span(1, kMaxNodes).data();
  if (a.bandwidth() == 3) {
    solve_tridiagonal(a.data(), values, m.data(), n, first);
  } else {
    solve(a.data(), values, m.data(), n, first, a.bandwidth());
  }
}

}  // namespace engine
