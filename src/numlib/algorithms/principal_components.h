#pragma once
// Principal components of a covariance or correlation matrix (DPRINC) and the
// eigen-solver behind them (DE2CSF): a Householder reduction of the upper
// triangle to tridiagonal form (DE3CSF) and an implicit QL iteration with plane
// rotations (dE4CSF). This solver is separate from DEVCSF's and differs in its
// results: DE2CSF gives ascending eigenvalues, each eigenvector divided by its
// first element of largest magnitude; DPRINC turns them into descending order
// and unit length.
//
// Matrices are stored by columns with their leading dimensions; positions
// count from 1.

namespace numlib {

// From the symmetric NVAR by NVAR matrix COV (upper triangle and diagonal
// read) with NDF degrees of freedom, a covariance matrix for ICOV = 0, else a
// correlation matrix:
//   EVAL  eigenvalues, descending;
//   PCT   cumulative proportions of their sum (the trace; 0 when it is 0);
//   STD   standard errors of the eigenvalues (an approximation for a
//         correlation matrix), with sqrt(2/NDF) (100 for NDF <= 0, WARNING 1);
//   EVEC  unit eigenvectors by columns, the first component of largest
//         magnitude positive;
//   A     the eigenvectors times sqrt(eigenvalue), for a covariance matrix
//         divided row by row by the standard deviations (a row of NaN for a
//         zero variance): the correlations of variables and components.
// Negative eigenvalues count as 0 in STD and A; WARNING 2 when the most
// negative one is not negligible. Errors: TERMINAL 1-10 the arguments (NVAR
// at least 2, the leading dimensions at least NVAR); TERMINAL 11 a diagonal
// element of COV that is not >= 0 (outputs untouched); an error of DE2CSF of
// type FATAL or worse returns at once, PCT, STD and A untouched.
void DPRINC(int ndf, int nvar, const double* cov, int ldcov, int icov, double* eval, double* pct,
            double* std, double* evec, int ldevec, double* a, int lda);

// Eigenvalues (ascending) and eigenvectors of the symmetric A of order N, of
// which the upper triangle and the diagonal are read; each vector divided by
// its first element of largest magnitude, which becomes exactly 1. WORK holds
// N values. TERMINAL errors: 1 N < 1; 2 LDA < N; 3 LDEVEC < N.
void DE2CSF(int n, const double* a, int lda, double* eval, double* evec, int ldevec, double* work);

// Householder reduction of A (upper triangle and diagonal) to the tridiagonal
// D, E (E(1) = 0, E(i) coupling rows i-1 and i), with Z the orthogonal
// transformation: A = Z T Z'.
void DE3CSF(int n, const double* a, int lda, double* d, double* e, double* z, int ldz);

// Eigenvalues, ascending in place of D, of the tridiagonal D, E (as DE3CSF
// gives it; E is destroyed), by implicit QL iteration with shifts and plane
// rotations. When bit 0 of IJOB is set, the rotations are applied to the
// columns of Z, which then hold the eigenvectors in the same order. FATAL 1
// after 30 N iterations in all (D and Z as they stand, not ordered).
void dE4CSF(int n, double* d, double* e, int ijob, double* z, int ldz);

// sqrt(a*a + b*b) without overflow or harmful underflow, by a cubically
// convergent iteration. NaN when either is NaN, else +infinity when either is
// infinite.
double HYPOT_SAFE(double a, double b);

}  // namespace numlib
