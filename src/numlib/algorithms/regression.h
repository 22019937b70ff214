#pragma once
// Multiple linear regression y = b0 + b1·x1 + … + bk·xk by least squares
// (DRLSE), through a general accumulation routine (dR2IVN) that merges rows
// into a square-root-free triangular factor with modified Givens
// transformations, finds the rank and solves for the coefficients.
//
// Outcomes of DRLSE (LAST_ERROR_CODE): 0 after a full-rank fit, also when the
// degrees of freedom for error are not positive (a global WARNING); WARNING 1
// when the regressors are rank deficient (the dependent coefficients are 0).
// TERMINAL errors (bad INTCEP, NIND, NOBS, LDX) leave B, SST and SSE as they
// were. Rows holding a NaN or an infinity are left out of the fit.

#include <string_view>

namespace numlib {

// Fits NIND regressors, the columns of X (row i is observation i), to Y with an
// intercept (INTCEP 1, then B(1) is the intercept) or without (INTCEP 0). SST
// is the total sum of squares (about the mean with an intercept, about zero
// without), SSE the residual sum of squares. Work storage for one call comes
// from the heap.
void DRLSE(int nobs, const double* y, int nind, const double* x, int ldx, int intcep, double* b,
           double& sst, double& sse);

// DRLSE with the caller's factor R (order NIND + INTCEP, leading dimension
// LDR) and work WK of 5·NIND + 4·INTCEP + 2 doubles. DFE receives the degrees
// of freedom for error, NRMISS the number of rows left out.
void DR2SE(int nobs, const double* y, int nind, const double* x, int ldx, int intcep, double* b,
           double& sst, double& sse, double* r, int ldr, double& dfe, int& nrmiss, double* wk);

// The fit itself, with the pieces of the work storage: the current row XROW
// (NIND + 1), the row weights D, XMIN and XMAX (NIND + INTCEP each) and the
// accumulation's scratch WK (NIND + INTCEP + 1).
void DR3SE(int nobs, const double* y, int nind, const double* x, int ldx, int intcep, double* b,
           double& sst, double& sse, double* r, int ldr, double& dfe, int& nrmiss, double* xrow,
           double* d, double* xmin, double* xmax, double* wk);

// The general accumulation routine. IDO: 0 the whole fit in one call, 1 start,
// 2 add rows, 3 finish. NROW rows of X (leading dimension LDX, NCOL columns) are
// added, or removed (downdated) when NROW < 0.
//   - Regressors: IIND > 0 columns INDIND(1..IIND); IIND < 0 the first |IIND|
//     columns. Dependent variables: IDEP > 0 columns INDDEP(1..IDEP); IDEP < 0
//     the |IDEP| columns after the first |IIND|.
//   - IFRQ, IWT: the column of frequencies, of weights; 0: each row counts once
//     with weight 1. A row with frequency 0 is skipped; a NaN frequency or
//     weight, or a regressor or dependent value that is NaN or infinite, skips
//     the row and counts it in NRMISS; a negative frequency or weight is a
//     FATAL error.
//   - ISUB 1 (only with INTCEP 1) keeps the intercept's row as running sums and
//     merges rows centred on the means.
//   - TOL in [0, 1]: the rank tolerance. B (LDB, NDEP columns) receives the
//     coefficients, R and D the factor (ordinary form after the finish,
//     D = 1), IRANK the rank, DFE the degrees of freedom for error, SCPE
//     (NDEP by NDEP, LDSCPE) the error sums of squares and cross-products,
//     XMIN and XMAX the range of each coefficient's regressor. WK holds
//     NCOEF + NDEP doubles.
void dR2IVN(int ido, int nrow, int ncol, const double* x, int ldx, int intcep, int iind,
            const int* indind, int idep, const int* inddep, int ifrq, int iwt, int isub, double tol,
            double* b, int ldb, double* r, int ldr, double* d, int& irank, double& dfe,
            double* scpe, int ldscpe, int& nrmiss, double* xmin, double* xmax, double* wk);

// The argument checks of dR2IVN, recorded at the caller's level (TERMINAL,
// running codes).
void CHECK_WEIGHTS_FREQUENCIES(int ido, int nrow, int ncol, int ldx, int intcep, int iind,
                               const int* indind, int idep, const int* inddep, int ifrq, int iwt,
                               int isub, double tol, int ldb, int ldr, int ldscpe);

// A column number (IFRQ, IWT) within 0..NCOL.
void CHECK_INT_ARGS(int value, std::string_view name, int ncol, int& nerr);

// Frequency and weight of row IROW of X (1.0 for column 0) and the row's
// status: 0 use it, 1 frequency zero, 2 frequency or weight NaN, 3 negative
// frequency or weight (FATAL error recorded). The weight of a downdated row
// (NROW < 0) comes back negated.
void DC1WFR(int irow, const double* x, int ldx, int ifrq, int iwt, int nrow, double& frequency,
            double& weight, int& status);

// Index (from 1) of the first NaN among N elements at increment INCX; 0 when
// there is none or INCX = 0. N < 0 and INCX < 0 are TERMINAL errors.
int IDANAN(int n, const double* x, int incx);

// Sum of x(i)·y(i)·z(i), i = 1..N.
double REGRESS_HELPER(int n, const double* x, int incx, const double* y, int incy, const double* z,
                      int incz);

}  // namespace numlib
