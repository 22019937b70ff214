#pragma once
// Unconstrained minimisation: a function of N variables by conjugate gradients
// with finite-difference gradients (DUMCGF), and a function of one variable
// within a bound on its distance from the guess (DUVMIF). Every objective call
// goes through call_user_routine.

#include "numlib/algorithms/objective_function.h"
#include "numlib/algorithms/scalar_function.h"

namespace numlib {

// Minimises F from XGUESS by Powell's restarted conjugate-gradient method
// (Beale's three-term directions, restarted every N iterations or when
// successive gradients are far from orthogonal), with forward-difference
// gradients (DFDGRD) and a line search that asks for a small directional
// derivative. The variables are scaled by XSCALE (all positive); DFPRED, the
// expected decrease of F in the first iteration, sets the first step.
// Converged when the sum of the squares of G(i)/XSCALE(i) is at most GRADTL.
// X, G and FVALUE are the lowest point reached, the gradient and F there;
// MAXFN bounds the calls of F, N of them per gradient (the start point and its
// gradient are always evaluated).
// Errors (DU2CGF's, passed up): FATAL 1 a line search found no lower point
// although the gradient says there is one; FATAL 2 the search direction is
// not downhill (a NaN gradient, for example); FATAL 3 MAXFN reached; WARNING 4
// two iterations in a row without a decrease (rounding errors in F usually).
// TERMINAL 1 N <= 0. Work storage for one call comes from the heap.
void DUMCGF(OBJECTIVE_FUNCTION f, int n, const double* xguess, const double* xscale, double gradtl,
            int maxfn, double dfpred, double* x, double* g, double& fvalue);

// DUMCGF with the caller's work of 6N doubles.
void DU2CGF(OBJECTIVE_FUNCTION f, int n, const double* xguess, const double* xscale, double gradtl,
            int maxfn, double dfpred, double* x, double* g, double& fvalue, double* work);

// Minimises F over [XGUESS - BOUND, XGUESS + BOUND]: from XGUESS it steps by
// STEP (its sign gives the first direction), doubling the step while F falls,
// up to the bound; the bracket found is then narrowed by safeguarded parabolic
// interpolation with golden-section steps (Brent's method) until X is within
// XACC of both its ends (a NaN XACC counts as 0). A STEP that does not move X
// is replaced by BOUND/100.
// Errors: FATAL 3 MAXFN calls of F were not enough (X is the lowest point
// found); WARNING 4 F still falls at the bound (X is the bound); WARNING 2 the
// spacing of doubles near X is coarser than XACC; TERMINAL 1 XGUESS +- BOUND is
// XGUESS (BOUND <= 0, NaN or too small; also a non-finite XGUESS): X = XGUESS;
// TERMINAL 5 F is NaN or +infinity at the X reached (nothing was minimised).
void DUVMIF(SCALAR_FUNCTION f, double xguess, double step, double bound, double xacc, int maxfn,
            double& x);

}  // namespace numlib
