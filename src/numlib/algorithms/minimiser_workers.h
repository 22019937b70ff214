#pragma once
// The numerical steps of the bounded quasi-Newton minimiser (DBCONF):
// finite-difference gradients, the variables held at their bounds, the Hessian
// approximation and its perturbed Cholesky factor, the search direction, the
// backtracking line search inside the box and the BFGS update.
//
// Matrices are stored by columns with an explicit leading dimension; a
// factor L occupies the lower triangle. Bound states: 0 free, 1 held at the
// lower bound, 2 held at the upper bound. Every objective call goes through
// call_user_routine. Nothing here allocates.

#include "numlib/algorithms/objective_function.h"

namespace numlib {

// Forward-difference gradient at XC, where f = FC: step h = r*max(|x|, 1/XSCALE)
// with r = sqrt(max(EPSFCN, eps)), negative where x < 0. XC is changed one
// component at a time and restored bit for bit. N calls.
// TERMINAL errors: 1 N <= 0; 2 EPSFCN outside [0, 0.1]; 3 an XSCALE(i) <= 0.
void DFDGRD(OBJECTIVE_FUNCTION f, int n, double* xc, const double* xscale, double fc, double epsfcn,
            double* gc);
// Central differences with the same steps; 2N calls (x + h first). Errors as
// DFDGRD, with code 4 for XSCALE.
void DCDGRD(OBJECTIVE_FUNCTION f, int n, double* xc, const double* xscale, double epsfcn,
            double* gc);

// IBOUND(i) = 1 where |X(i) - XLB(i)| <= TOL, else 2 where |X(i) - XUB(i)| <= TOL,
// else 0. ACTIVE is set when any variable is held and never cleared. G is not
// read.
void BOUND_MARK_ACTIVE(int n, const double* x, const double* xlb, const double* xub,
                       const double* g, int* ibound, double tol, bool& active);
// Removes the rows and columns of the held variables from A, keeping the free
// ones in order in its leading block; NHELD is the number removed.
void FREE_VAR_COUNT(int n, const int* ibound, double* a, int lda, int& nheld);
// Frees the first held variable whose gradient points into the box by more than
// the minimiser's GRADTL, and then clears DONE.
void BOUND_RELEASE(int n, int* ibound, const double* g, bool& done);
// H = 0 but for its diagonal: 1 when CHOICE is 0, else
// sqrt(max(|FX0|, FSCALE))*XSCALE(j).
void HESSIAN_INIT_DIAG(int n, double fx0, double fscale, const double* xscale, int choice,
                       double* h, int ldh);

// The factor L of A + D with D diagonal and non-negative, large enough that
// L*L' is safely positive definite; D = 0 when A is. In: A's lower triangle
// (the Hessian approximation of M free variables); out: L there, the upper
// triangle overwritten. The first M entries of XSCALE scale the rows and
// columns. WORK holds M values.
void HESSIAN_FACTOR(int m, double* a, int lda, const double* xscale, double* work);
// Cholesky factorisation of A's lower triangle in place, raising each pivot
// that is too small and keeping |L(i,j)| <= MAXOFFL (in; out: the bound used).
// ADDMAX is the largest addition made to a diagonal entry.
void PERTURBED_CHOLESKY(int m, double* a, int lda, double& maxoffl, double& addmax);
// P = -(L*L')^-1 * G. P may be G.
void QN_DIRECTION(int m, const double* l, int ldl, const double* g, double* p);
// Solves L*Y = B; Y may be B.
void FORWARD_SUBSTITUTE(int m, const double* l, int ldl, const double* b, double* y);
// Solves L'*X = Y; X may be Y.
void BACK_SUBSTITUTE(int m, const double* l, int ldl, const double* y, double* x);
// RESULT(i) = V(i)*S(i) for MODE 1, V(i)/S(i) for -1, S(i)**MODE*V(i) for
// MODE > 1, V(i)/S(i)**(-MODE) for MODE < -1.
void VECTOR_XSCALE(int n, const double* s, int mode, const double* v, double* result);
// x(i) = x(i) + A for the N elements of a vector with increment INCX (nothing
// for INCX <= 0).
void VECTOR_ADD_SCALAR(int n, double a, double* x, int incx);

// Backtracking search from X (f = FC, gradient G, read at the free variables)
// along the direction P of scaled length SCLEN (in/out): P is first cut to the
// length STEPMX, then to the fraction that reaches the nearest bound; trial
// points are kept in the box, the variable that fixed the fraction exactly on
// its bound. A trial is accepted when f falls by 1e-4 of the predicted
// decrease; otherwise the step shrinks by quadratic, later cubic, interpolation
// within [0.1, 0.5] of its length.
//   IRETCD  0 accepted; 1 no acceptable point above the fraction STEPTL/(relative
//           length), or a NaN slope (then no call and SC = 0): XPLS = X and FPLS = FC
//   SC      the step taken; MXTAKE: its scaled length exceeds 0.99*STEPMX
//   NFCN    counts the objective calls.
// ETA is not read.
void BOUNDED_LINE_SEARCH(OBJECTIVE_FUNCTION f, int n, const double* x, double fc, const double* g,
                         const double* xlb, const double* xub, const double* p,
                         const double* xscale, double stepmx, double steptl, const int* ibound,
                         int& iretcd, double* xpls, double& fpls, double* sc, bool& mxtake,
                         double& sclen, double eta, int& nfcn);

// BFGS update of the symmetric H (both triangles) from the step S and the
// gradients GOLD and GNEW. Skipped when s'y <= 0 or s'y < sqrt(eps)*|s|*|y|
// (y = GNEW - GOLD), or when H*s already matches y within the noise of the
// gradients (sqrt(ETA), or ETA when ANALYTIC is not 0). Y and T are work
// vectors of N.
void SECANT_UPDATE(int n, const double* s, const double* gold, const double* gnew, double eta,
                   int analytic, double* h, int ldh, double* y, double* t);

}  // namespace numlib
