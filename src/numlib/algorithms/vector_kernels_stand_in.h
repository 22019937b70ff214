#pragma once
// TEMPORARY stand-in for numlib/support/vector_kernels.h until the support
// layer's kernels are merged: the same declarations, plain loops.

namespace numlib {

inline void VECTOR_COPY(int n, const double* x, int incx, double* y, int incy) {
  if (n < 1) return;
  const double* px = incx < 0 ? x + static_cast<long>(1 - n) * incx : x;
  double* py = incy < 0 ? y + static_cast<long>(1 - n) * incy : y;
  for (int i = 0; i < n; ++i, px += incx, py += incy) *py = *px;
}

}  // namespace numlib
