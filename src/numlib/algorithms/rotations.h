#pragma once
// Plane rotations and modified (square-root-free) Givens transformations on
// double-precision strided vectors (vector_kernels.h: pointer to x(1), count,
// increment; a negative increment walks from the far end).
//
// They record no errors and allocate nothing: the least-squares solvers and
// the regression call them in their innermost loops.

namespace numlib {

// The rotation (c, s) that zeroes B against A: r = ±sqrt(A² + B²) with the sign
// of the larger of |A| and |B| (of B on a tie), c = A/r, s = B/r; A receives r.
// (0, 0) gives c = 1, s = 0, r = 0. B is only read.
void GIVENS_CONSTRUCT(double& a, double b, double& c, double& s);

// (x(i), y(i)) := (c·x(i) + s·y(i), −s·x(i) + c·y(i)) for i = 1..N.
void GIVENS_APPLY(int n, double* x, int incx, double* y, int incy, double c, double s);

// The modified Givens transformation H that zeroes the second component of
// (sqrt(D1)·X1, sqrt(D2)·Y1) while D1, D2 become the new row weights and X1
// the new leading element. PARAM(1) is the flag: -2 H = I (nothing to do),
// -1 H = [PARAM(2) PARAM(4); PARAM(3) PARAM(5)], 0 H = [1 PARAM(4);
// PARAM(3) 1], 1 H = [PARAM(2) 1; -1 PARAM(5)]. A negative D1 gives the zero
// transformation and zero weights. The weights are kept within
// 2^-24 .. 2^24 by rescaling (H by 4096).
void MGIVENS_CONSTRUCT(double& d1, double& d2, double& x1, double y1, double* param);

// (x(i), y(i)) := H·(x(i), y(i)) for i = 1..N, H as PARAM describes it.
void MGIVENS_APPLY(int n, double* x, int incx, double* y, int incy, const double* param);

}  // namespace numlib
