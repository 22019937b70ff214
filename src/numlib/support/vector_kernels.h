#pragma once
// The library's inner loops on double-precision vectors.
//
// A vector is a pointer X to its first element x(1), a count N and an
// increment INCX: x(i) lies INCX*(i-1) elements after X when INCX > 0.
//   - Kernels of two or three vectors walk a vector with a negative increment
//     backwards, from its far end X + (N-1)*|INC| towards X; an increment of 0
//     uses x(1) N times.
//   - Kernels of one vector do nothing for INCX <= 0 (sums give 0), so they never
//     touch memory outside the vector.
//   - N < 1 changes nothing and gives 0.
// The kernels allocate nothing and record no error. VECTOR_COPY and VECTOR_SWAP
// may be called on overlapping storage: they move the elements one by one in
// index order.
//
// With every increment 1 a separate path handles the leading N mod k elements
// one by one and the rest in groups of k (k per kernel, as below). Sums add in
// index order, so their results equal a plain loop over i = 1..N.

#include <cstddef>

namespace numlib {

// Offset from x(1) of the element where a walk over n elements with increment
// inc begins: the far end when inc < 0.
constexpr std::ptrdiff_t walk_start(int n, int inc) {
  return inc < 0 ? static_cast<std::ptrdiff_t>(1 - n) * inc : 0;
}

// y(i) = x(i). Groups of 7.
void VECTOR_COPY(int n, const double* x, int incx, double* y, int incy);
// Exchanges x(i) and y(i). Groups of 3.
void VECTOR_SWAP(int n, double* x, int incx, double* y, int incy);
// x(i) = A. Groups of 8.
void VECTOR_SET(int n, double a, double* x, int incx);
// x(i) = A*x(i). Groups of 5.
void VECTOR_SCALE(int n, double a, double* x, int incx);
// y(i) = A*x(i). Groups of 4.
void VECTOR_SCALED_COPY(int n, double a, const double* x, int incx, double* y, int incy);
// y(i) = y(i) + A*x(i); nothing at all when A = 0 (a NaN in x stays out of y).
// Groups of 4.
void VECTOR_AXPY(int n, double a, const double* x, int incx, double* y, int incy);
// z(i) = x(i)*y(i). Groups of 3.
void VECTOR_PRODUCT(int n, const double* x, int incx, const double* y, int incy, double* z,
                    int incz);
// Sum of x(i). Groups of 6.
double VECTOR_SUM(int n, const double* x, int incx);
// Sum of |x(i)|. Groups of 6.
double VECTOR_ABS_SUM(int n, const double* x, int incx);
// Sum of x(i)*y(i). Groups of 5.
double VECTOR_DOT(int n, const double* x, int incx, const double* y, int incy);
// The smallest i with the largest |x(i)|, counted from 1: 0 for N < 1, 1 for
// N = 1, 0 for N >= 2 with INCX <= 0.
int VECTOR_INDEX_MAX_ABS(int n, const double* x, int incx);
// Euclidean norm without overflow or harmful underflow. 0 for N < 1 or
// INCX < 0; |x(1)|*sqrt(N) for INCX = 0.
double VECTOR_NORM2(int n, const double* x, int incx);

}  // namespace numlib
