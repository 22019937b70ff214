#pragma once
// Minimisation of a smooth function of N variables within simple bounds
// (DBCONF): a quasi-Newton method with BFGS updates of the Hessian
// approximation and finite-difference gradients, forward first and central
// once the iterate is close to a solution. Variables that sit on a bound are
// held there; a held variable is freed again when its gradient points into the
// box. Each step comes from a backtracking line search that never leaves the box.
//
// Settings, in and out (positions count from 1):
//   IPARAM(1) 0: fill all settings with the defaults first; else use the caller's
//          2 FDIGIT, good decimal digits in f      3 MXITER   (out: iterations)
//          4 MAXFCN (out: function evaluations)    5 MAXGRD   (out: gradients)
//          6 initial Hessian: 0 identity, else diagonal sqrt(max(|f(x0)|, FSCALE))*XSCALE
//          7 MAXHES (kept, not used)
//   RPARAM(1) GRADTL  2 STEPTL  3 RFTOL  4 AFTOL  5 FALSTL (3-5 checked, not used)
//          6 STEPMX, the largest scaled step (-9999: computed; out: the value used)
//          7 DELTA (checked, not used; -9999: chosen by the algorithm)
// The function count covers the start point and the line-search trials;
// finite-difference evaluations count as gradients.
//
// Outcomes (LAST_ERROR_CODE after DBCONF): 0 the scaled gradient met GRADTL
// (or only global WARNINGs about repaired settings); ALERT 7 the scaled step met
// STEPTL; WARNING 8 the line search found no lower point; FATAL 3, 4, 5 the
// iteration, function or gradient limit; FATAL 6 five maximal steps in a row.
// X and FVALUE are then the last point reached and f there.

#include "numlib/algorithms/objective_function.h"

namespace numlib {

// Minimises F from XGUESS within [XLB, XUB]. IBTYPE 0 takes both bound arrays
// as given; 1 writes [0, 1e20], 2 [-1e20, 0], 3 copies the first bounds into all.
// Work storage for one call comes from the heap.
void DBCONF(OBJECTIVE_FUNCTION f, int n, const double* xguess, int ibtype, double* xlb, double* xub,
            double* xscale, double& fscale, int* iparam, double* rparam, double* x, double& fvalue);

// DBCONF with the caller's work: RWORK of N*(2N+8) doubles, IWORK of N.
void DB2ONF(OBJECTIVE_FUNCTION f, int n, const double* xguess, int ibtype, double* xlb, double* xub,
            double* xscale, double& fscale, int* iparam, double* rparam, double* x, double& fvalue,
            double* rwork, int* iwork);

// The iteration, from X (in: the start point; out: the result). IBOUND receives
// the bound state of each variable (0 free, 1 held at its lower bound, 2 at its
// upper one). Eight work vectors of N and two N by N matrices of leading
// dimension LDH: H holds the Hessian approximation (both triangles), A the
// matrix that is factored.
void DB3ONF(OBJECTIVE_FUNCTION f, int n, double* x, const double* xlb, const double* xub,
            double* xscale, double& fscale, int* iparam, double* rparam, int* ibound,
            double& fvalue, double* xp, double* g, double* gp, double* sc, double* p, double* w1,
            double* w2, double* w3, double* h, double* a, int ldh);

// Fills the seven integer and seven real settings with their defaults.
void OPTIMIZER_DEFAULTS(int* iparam, double* rparam);

// Checks the settings against X (the start point as given) and repairs bad
// ones, each with a global WARNING naming the value used. METHOD is not read.
void DU5INF(int n, const double* x, double* xscale, double& fscale, int method, int* iparam,
            double* rparam);

// The stopping tests after an iteration at XPLS reached by the step SC, with
// f = FPLS and the gradient G (0 at held variables). IRETCD in: the line
// search's code (1: it failed); out: -999 when the iteration is to end without
// an error. ITNCNT 0 marks the start point. NOT_USED and METHOD are not read.
void dU6INF(int n, const double* xpls, const double* sc, double fpls, const double* g,
            const double* xscale, double fscale, int& iretcd, int itncnt, int nfcn, int ngrad,
            int not_used, int method, bool mxtake);

// The settings messages of DU5INF by number: 0 (TERMINAL: N), 1 (N = 1),
// 2 (XSCALE), 4-7 (FDIGIT, MXITER, MAXFCN, MAXGRD). Raised at the caller's level.
void MINIMIZER_MESSAGE(int code);
// The limit messages 3-6 of dU6INF (FATAL). Raised at the caller's level.
void MINIMIZER_STOP_MESSAGE(int code);

}  // namespace numlib
