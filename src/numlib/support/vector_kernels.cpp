#include "numlib/support/vector_kernels.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "numlib/support/machine.h"

namespace numlib {
namespace {

using Index = std::ptrdiff_t;

// The unit-stride path: op(i) for the leading n mod K indices one by one, then
// for the rest in groups of K, each group one straight sequence in index order.
template <int K, class Op>
inline void unit_stride(int n, Op&& op) {
  const int m = n % K;
  for (int i = 0; i < m; ++i) op(i);
  for (int i = m; i < n; i += K) [&]<int... J>(std::integer_sequence<int, J...>) {
      (op(i + J), ...);
    }
  (std::make_integer_sequence<int, K>{});
}

// True when n elements from p and n from q share no storage, or are the very
// same elements.
inline bool apart_or_same(const double* p, const double* q, int n) {
  const auto a = reinterpret_cast<std::uintptr_t>(p);
  const auto b = reinterpret_cast<std::uintptr_t>(q);
  const std::uintptr_t bytes = sizeof(double) * static_cast<std::uintptr_t>(n);
  return a == b || a + bytes <= b || b + bytes <= a;
}

// The strided path of a one-vector kernel; only called with incx > 0.
template <class Op>
inline void strided(int n, int incx, Op&& op) {
  Index ix = 0;
  for (int i = 0; i < n; ++i, ix += incx) op(ix);
}

// The strided path of a two-vector kernel.
template <class Op>
inline void strided(int n, int incx, int incy, Op&& op) {
  Index ix = walk_start(n, incx);
  Index iy = walk_start(n, incy);
  for (int i = 0; i < n; ++i, ix += incx, iy += incy) op(ix, iy);
}

// The norm's scaling constants from the machine constants: below CUTLO squares
// may underflow, above CUTHI they may overflow.
constexpr double kTiny = DOUBLE_MACHINE_CONSTANTS[0];
constexpr double kHuge = DOUBLE_MACHINE_CONSTANTS[1];
constexpr double kEps = DOUBLE_MACHINE_CONSTANTS[3];
const double kCutLo = std::sqrt(kTiny / kEps);
const double kCutHi = std::sqrt(kHuge * kEps);
const double kSmall = kEps * kCutLo;

}  // namespace

void VECTOR_COPY(int n, const double* x, int incx, double* y, int incy) {
  if (n < 1) return;
  if (incx == 1 && incy == 1) {
    unit_stride<7>(n, [&](int i) { y[i] = x[i]; });
    return;
  }
  strided(n, incx, incy, [&](Index ix, Index iy) { y[iy] = x[ix]; });
}

void VECTOR_SWAP(int n, double* x, int incx, double* y, int incy) {
  if (n < 1) return;
  if (incx == 1 && incy == 1) {
    unit_stride<3>(n, [&](int i) {
      const double t = x[i];
      x[i] = y[i];
      y[i] = t;
    });
    return;
  }
  strided(n, incx, incy, [&](Index ix, Index iy) {
    const double t = x[ix];
    x[ix] = y[iy];
    y[iy] = t;
  });
}

void VECTOR_SET(int n, double a, double* x, int incx) {
  if (n < 1 || incx <= 0) return;
  if (incx == 1) {
    unit_stride<8>(n, [&](int i) { x[i] = a; });
    return;
  }
  strided(n, incx, [&](Index ix) { x[ix] = a; });
}

void VECTOR_SCALE(int n, double a, double* x, int incx) {
  if (n < 1 || incx <= 0) return;
  if (incx == 1) {
    unit_stride<5>(n, [&](int i) { x[i] = a * x[i]; });
    return;
  }
  strided(n, incx, [&](Index ix) { x[ix] = a * x[ix]; });
}

void VECTOR_SCALED_COPY(int n, double a, const double* x, int incx, double* y, int incy) {
  if (n < 1) return;
  if (incx == 1 && incy == 1) {
    unit_stride<4>(n, [&](int i) { y[i] = a * x[i]; });
    return;
  }
  strided(n, incx, incy, [&](Index ix, Index iy) { y[iy] = a * x[ix]; });
}

void VECTOR_AXPY(int n, double a, const double* x, int incx, double* y, int incy) {
  if (n < 1 || a == 0.0) return;
  if (incx == 1 && incy == 1) {
    if (apart_or_same(x, y, n)) {
      // Each group reads all its elements before it writes any, which lets the
      // compiler use vector instructions. Without shared storage the result
      // is that of the loop in index order.
      const int m = n % 4;
      for (int i = 0; i < m; ++i) y[i] = y[i] + a * x[i];
      for (int i = m; i < n; i += 4) {
        const double x0 = x[i], x1 = x[i + 1], x2 = x[i + 2], x3 = x[i + 3];
        const double y0 = y[i], y1 = y[i + 1], y2 = y[i + 2], y3 = y[i + 3];
        y[i] = y0 + a * x0;
        y[i + 1] = y1 + a * x1;
        y[i + 2] = y2 + a * x2;
        y[i + 3] = y3 + a * x3;
      }
    } else {
      unit_stride<4>(n, [&](int i) { y[i] = y[i] + a * x[i]; });
    }
    return;
  }
  strided(n, incx, incy, [&](Index ix, Index iy) { y[iy] = y[iy] + a * x[ix]; });
}

void VECTOR_PRODUCT(int n, const double* x, int incx, const double* y, int incy, double* z,
                    int incz) {
  if (n < 1) return;
  if (incx == 1 && incy == 1 && incz == 1) {
    unit_stride<3>(n, [&](int i) { z[i] = x[i] * y[i]; });
    return;
  }
  Index ix = walk_start(n, incx);
  Index iy = walk_start(n, incy);
  Index iz = walk_start(n, incz);
  for (int i = 0; i < n; ++i, ix += incx, iy += incy, iz += incz) z[iz] = x[ix] * y[iy];
}

double VECTOR_SUM(int n, const double* x, int incx) {
  double t = 0.0;
  if (n < 1 || incx <= 0) return t;
  if (incx == 1)
    unit_stride<6>(n, [&](int i) { t = t + x[i]; });
  else
    strided(n, incx, [&](Index ix) { t = t + x[ix]; });
  return t;
}

double VECTOR_ABS_SUM(int n, const double* x, int incx) {
  double t = 0.0;
  if (n < 1 || incx <= 0) return t;
  if (incx == 1)
    unit_stride<6>(n, [&](int i) { t = t + std::fabs(x[i]); });
  else
    strided(n, incx, [&](Index ix) { t = t + std::fabs(x[ix]); });
  return t;
}

double VECTOR_DOT(int n, const double* x, int incx, const double* y, int incy) {
  double t = 0.0;
  if (n < 1) return t;
  if (incx == 1 && incy == 1)
    unit_stride<5>(n, [&](int i) { t = t + x[i] * y[i]; });
  else
    strided(n, incx, incy, [&](Index ix, Index iy) { t = t + x[ix] * y[iy]; });
  return t;
}

int VECTOR_INDEX_MAX_ABS(int n, const double* x, int incx) {
  if (n < 1) return 0;
  if (n == 1) return 1;
  if (incx <= 0) return 0;
  int best = 1;
  double largest = std::fabs(x[0]);
  Index ix = incx;
  for (int i = 2; i <= n; ++i, ix += incx) {
    // Strictly larger only: ties keep the smallest index.
    if (std::fabs(x[ix]) > largest) {
      best = i;
      largest = std::fabs(x[ix]);
    }
  }
  return best;
}

double VECTOR_NORM2(int n, const double* x, int incx) {
  if (n < 1 || incx < 0) return 0.0;
  if (incx == 0) return std::fabs(x[0]) * std::sqrt(static_cast<double>(n));

  // One pass adds the magnitudes, which decide the case, and the squares,
  // which are the answer unless a scaled case is needed.
  double sum_abs = 0.0;
  double sum_sq = 0.0;
  Index ix = 0;
  for (int i = 0; i < n; ++i, ix += incx) {
    const double v = x[ix];
    sum_abs = sum_abs + std::fabs(v);
    if (sum_abs > kCutHi) {
      // Squares may overflow: scale every element down.
      const double down = kCutLo / kCutHi;
      double s = 0.0;
      Index jx = 0;
      for (int j = 0; j < n; ++j, jx += incx) {
        const double t = x[jx] * down;
        s = s + t * t;
      }
      return (kCutHi / kCutLo) * std::sqrt(s);
    }
    sum_sq = sum_sq + v * v;
  }
  if (sum_abs < n * kCutLo) {
    // Squares may underflow: scale every element up.
    double s = 0.0;
    ix = 0;
    for (int i = 0; i < n; ++i, ix += incx) {
      const double t = x[ix] / kSmall;
      s = s + t * t;
    }
    return kSmall * std::sqrt(s);
  }
  return std::sqrt(sum_sq);
}

}  // namespace numlib
