#pragma once
// All eigenvalues and eigenvectors of a real symmetric matrix (DEVCSF) and a
// performance index of computed eigenpairs (DEPISF).
//
// The solver works in three stages: a Householder reduction to tridiagonal form
// with the matrix scaled by a power of 2 (De6csf), the eigenvalues of each
// unreduced block by a root-free QL iteration (De5lsf), and QL sweeps with
// plane rotations applied to the transformation (De7csf) that take those
// eigenvalues, in order of magnitude, as their shifts, so that most
// eigenvalues need one or two sweeps. Results come in order of nonincreasing
// |eigenvalue|, each eigenvector of unit length with its first component of
// largest magnitude positive.
//
// Matrices are stored by columns with their leading dimensions; positions
// count from 1.

namespace numlib {

// EVAL and EVEC (columns, leading dimension LDEVEC) of the symmetric A of
// order N. Only the lower triangle and the diagonal of A are read; A serves as
// work during the call and is bitwise unchanged on return, the strict upper
// triangle never written. A zero matrix gives zero eigenvalues and the identity.
// Errors: TERMINAL 1 N < 1; De5csf's checks for LDA and LDEVEC. Work storage for
// one call comes from the heap.
void DEVCSF(int n, double* a, int lda, double* eval, double* evec, int ldevec);

// DEVCSF with the caller's work: RWORK of 3N doubles (the shifts, E and E2, one
// after the other), IWORK of N. TERMINAL errors: 1 N < 1; 2 LDA < N;
// 3 LDEVEC < N.
void De5csf(int n, double* a, int lda, double* eval, double* evec, int ldevec, double* rwork,
            int* iwork);

// Scaled Householder reduction of A (lower triangle and diagonal) to the
// tridiagonal D, E: E(1) = 0 and E(i) couples rows i-1 and i; E2(i) = E(i)**2.
// A's strict lower triangle receives the Householder vectors, its diagonal its
// input values back. When bit 0 of IJOB is set, Z receives the orthogonal
// transformation. D, E and E2 are those of A/SCALE: SCALE, a power of 2,
// undoes the scaling; it is 0 for a zero matrix (D = E = E2 = 0, Z = I).
void De6csf(int n, double* a, int lda, double* d, double* e, double* e2, double* z, int ldz,
            int ijob, double& scale);

// Eigenvalues, in ascending order in place of D, of the tridiagonal block of
// order N with diagonal D and squared off-diagonal E2 (E2(1) is not read;
// E2(i) couples rows i-1 and i). The iteration runs on WORK (N values), which
// may be E2 itself; E2 is otherwise left as it is. An eigenvalue that needs more
// than 100 iterations keeps its last value: WARNING 1.
void De5lsf(int n, double* d, double* e2, double* work);

// QL sweeps with plane rotations on rows L..M of the tridiagonal D, E of order
// N (E as De6csf gives it), SHIFT(L..M) the block's eigenvalues by nondecreasing
// magnitude as the first shifts; every rotation is applied to the columns of
// Z. On return L = M when the block is done, else the row from which the
// caller must split the block again. An eigenvalue that has not converged after
// the sweep limit (100) keeps its value: WARNING 1.
void De7csf(int& l, int m, int n, double* d, const double* shift, double* e, double norm, double* z,
            int ldz);

// The argument checks of De5csf and DE2CSF, recorded at the caller's level as
// TERMINAL errors: 1 N < 1; 2 LDA < N; 3 LDEVEC < N.
void EIGEN_ORDER_CHECKS(int n, int lda, int ldevec);

// Performance index of the first NEVAL eigenpairs (EVAL, columns of EVEC) of the
// symmetric A, of which only the upper triangle and the diagonal are read:
// the largest ||A z - lambda z||_1 / (||A||_1 ||z||_1 10 eps N). Below 1 is
// good, above 100 poor (WARNING 1). WARNING 2 for a zero eigenvector (the index
// over the pairs before it is returned); WARNING 3 for a zero A (index 0).
// Work storage for one call comes from the heap.
double DEPISF(int n, int neval, const double* a, int lda, const double* eval, const double* evec,
              int ldevec);

// DEPISF with the caller's work of N doubles. TERMINAL errors: 1 N < 1;
// 2 LDA < N; 3 LDEVEC < N; 4 NEVAL outside 1..N.
double DE2ISF(int n, int neval, const double* a, int lda, const double* eval, const double* evec,
              int ldevec, double* work);

}  // namespace numlib
