#pragma once
// Matrix-vector kernels and small matrix utilities on double-precision
// matrices stored by columns: element (i, j) of A, counted from 1, is
// a[(i-1) + (j-1)*lda]. Vectors are as in vector_kernels.h (pointer to x(1),
// count, increment; a negative increment walks from the far end).
//
// UPLO and TRANS are texts of which only the first character counts, in either
// case ("L", "lower", "T", "trans").
//
// Errors: every failed argument check is a TERMINAL error with the check's code.
// The level-2 kernels stop at the first failed check and appear on the error
// stack only to report it; the utilities push their names on entry as every
// library routine does.

#include <string_view>

namespace numlib {

// y := alpha*A*x + beta*y, A symmetric of order n; only the triangle named by
// UPLO is read. Checks: 1 n < 0; 2 lda = 0 or lda < n; 3 incx = 0;
// 4 incy = 0; 5 UPLO not U or L.
void DSYMV(std::string_view uplo, int n, double alpha, const double* a, int lda, const double* x,
           int incx, double beta, double* y, int incy);

// A := alpha*x*y' + alpha*y*x' + A, A symmetric; only the triangle named by
// UPLO is updated. Checks as DSYMV.
void DSYR2(std::string_view uplo, int n, double alpha, const double* x, int incx, const double* y,
           int incy, double* a, int lda);

// y := alpha*A*x + beta*y (TRANS "N") or alpha*A'*x + beta*y ("T" or "C"), A m
// by n. Checks: 1 m < 0; 2 n < 0; 3 lda = 0 or lda < m; 4 incx = 0;
// 5 incy = 0; 6 TRANS not N, T or C.
void DGEMV(std::string_view trans, int m, int n, double alpha, const double* a, int lda,
           const double* x, int incx, double beta, double* y, int incy);

// A := alpha*x*y' + A, A m by n. Checks 1 to 5 as DGEMV.
void DGER(int m, int n, double alpha, const double* x, int incx, const double* y, int incy,
          double* a, int lda);

// B := A, both n by n. Checks (first failure only): 1 n < 1; 2 lda < n;
// 3 ldb < n.
void DCRGRG(int n, const double* a, int lda, double* b, int ldb);

// B := A', A nra by nca, B nrb by ncb. Checks 1 to 4 always (1 nra or nca < 1,
// 2 lda < nra, 3 nrb or ncb < 1, 4 ldb < nrb), then 5 (nrb != nca or
// ncb != nra) when they passed.
// A and B may be the same array only when A is square and lda = ldb; it is
// then transposed in place. Any other overlap of A and B is a caller error
// (caught by an assertion in debug builds).
void DTRNRR(int nra, int nca, const double* a, int lda, int nrb, int ncb, double* b, int ldb);

// y := A*x (ipath 1) or A'*x (ipath 2), A nra by nca, through DGEMV. Checks 1 to
// 3 always (1 nra or nca < 1, 2 lda < nra, 3 ipath not 1 or 2), then 4 or 5
// (the lengths nx and ny against A's shape) when they passed.
void DMURRV(int nra, int nca, const double* a, int lda, int nx, const double* x, int ipath, int ny,
            double* y);

// Fills the lower triangle of the symmetric A (order n) from its strict upper
// triangle. Checks 1 n < 1 and 2 lda < n, both always made.
void DCSFRG(int n, double* a, int lda);

}  // namespace numlib
