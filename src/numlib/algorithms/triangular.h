#pragma once
// Triangular systems: the level-2 solve, the solve with a generalized inverse
// for zero rows that the regression finishes with, and their small helpers.
// Matrices are stored by columns with their leading dimensions; vectors as in
// vector_kernels.h.

#include <string_view>

namespace numlib {

// op(A)·x = b in place of x, A triangular of order N. UPLO "U" or "L", TRANS
// "N", "T" or "C" (as "T"), DIAG "U" (unit diagonal, not read) or "N"; only the
// first character counts, in either case. Checks, the first failure reported
// (TERMINAL) and nothing solved: 1 N < 0, 2 LDA < max(1, N), 3 INCX = 0,
// 4 TRANS, 5 UPLO, 6 DIAG.
void DTRSV(std::string_view uplo, std::string_view trans, std::string_view diag, int n,
           const double* a, int lda, double* x, int incx);

// R·X = B (IPATH 1, 3) or Rᵀ·X = B (IPATH 2, 4), R upper triangular of order N
// whose rows with a zero diagonal must be zero throughout: there X is 0, with a
// WARNING when the system is inconsistent there. IRANK receives the number of
// non-zero diagonal elements. X may be B itself (same storage and leading
// dimension). IPATH 3 and 4 also form RINV, the inverse of R on its non-zero
// rows and columns and zero elsewhere (upper triangular).
void DGIRTS(int n, const double* r, int ldr, int nb, const double* b, int ldb, int ipath,
            int& irank, double* x, int ldx, double* rinv, int ldrinv);

// Row I (from 1) of R has a zero diagonal: records a TERMINAL error with the
// code NERR when any other element of the row is not zero. NERR counts on.
void CHECK_ZERO_ROW(int n, const double* r, int ldr, int i, int& nerr);

// Checks the order N and the leading dimension LDA of an upper triangular
// matrix and, when both are valid, sets its strict lower triangle to 0.
void DC1TRG(int n, double* a, int lda);

// Sum of |x(i)·y(i)|, i = 1..N.
double ABS_PRODUCT_SUM(int n, const double* x, int incx, const double* y, int incy);

}  // namespace numlib
