#pragma once
// Linear least squares with general linear constraints and simple bounds
// (DLCLSQ): min ‖A·x − b‖ subject to bl ≤ C·x ≤ bu and xlb ≤ x ≤ xub.
//
// The constraints become equations C·x − s = 0 in slack variables s bounded by
// (bl, bu), weighted about 1/sqrt(eps) heavier than the least-squares
// equations, so they hold to about eps relative to the largest constraint row,
// never exactly (a row far smaller in scale may be missed). The bounded
// problem is solved by an active-set method on plane rotations: each variable
// is free or held at one of its bounds.
//
// No-bound markers: XLB(j) = 1.0e30 means no lower bound, XUB(j) = -1.0e30 no
// upper bound (XLB = -1.0e30 is an ordinary, very low bound).
//
// Outcomes (LAST_ERROR_CODE after DLCLSQ): 0 solved; WARNING 28 solved, but
// a constraint or bound misses the solution by more than 1e-5 of its own
// scale (inconsistent constraints, or a row far smaller than the largest);
// FATAL 4 the iteration limit (MATH chapter 1 integer option 14; 0 =
// 5·max(NRA, NCA)) was reached, and X and RES hold the last point; FATAL 2
// and 3 inconsistent bounds of a variable or a constraint. After those and
// after a TERMINAL error (bad dimensions, IRTYPE, a negative option 14; 29 a
// NaN or infinity in A, B or C; 30 in a bound or in a limit that its IRTYPE
// reads) X and RES are left as they were.
// MATH chapter 1 integer option 13 non-zero prints the iteration on the
// library's output channel.

namespace numlib {

// NRA equations A (LDA) x = B, NCA variables, NCON constraints C (LDC) with
// limits BL, BU and types IRTYPE (0, 3: BL ≤ C·x ≤ BU; 1: C·x ≤ BU;
// 2: C·x ≥ BL). X receives the solution, RES = A·x − B. Work storage for one
// call comes from the heap.
void DLCLSQ(int nra, int nca, int ncon, const double* a, int lda, const double* b, const double* c,
            int ldc, const double* bl, const double* bu, const int* irtype, const double* xlb,
            const double* xub, double* x, double* res);

// DLCLSQ with the caller's work: RW of 10·NCA + (NCA + NCON + 1)·(max(NRA, NCA)
// + NCON) + 9·NCON + 3 doubles, IW of 3·(NCA + NCON) integers.
void DL2LSQ(int nra, int nca, int ncon, const double* a, int lda, const double* b, const double* c,
            int ldc, const double* bl, const double* bu, const int* irtype, const double* xlb,
            const double* xub, double* x, double* res, double* rw, int* iw);

// Builds the combined matrix W (LDW rows: C above A, b beside A), the bounds
// BL2, BU2 and bound types IND of variables and slacks (1 lower only, 2 upper
// only, 3 both, 4 free) and the option list, solves, and forms RES. XSOL
// receives NCA + NCON values (and holds two option data beyond them). OPTVAL:
// option 13, option 14 and a third entry set to 1.
void DL3LSQ(int nra, int nca, int ncon, const double* a, int lda, const double* b, const double* c,
            int ldc, const double* bl, const double* bu, const int* irtype, const double* xlb,
            const double* xub, double* xsol, double* res, double* w, int ldw, double* rw, int* iw,
            int* ind, double* bl2, double* bu2, const int* optval);

// The constraints as weighted equations: MCON constraint rows above MROWS
// equation rows in W, NCOLS variables; slack columns follow the variables and
// the right-hand side moves behind them. MODE: 0 or minus an error number.
void DL4LSQ(double* w, int ldw, int mcon, int mrows, int ncols, const double* bl, const double* bu,
            const int* ind, const int* iopt, double* x, double& rnormc, double& rnorm, int& mode,
            double* rw, int* iw);

// The bounded problem on MROWS rows and NCOLS columns of W (leading dimension
// MDW, right-hand side in column NCOLS + 1): column scaling, triangularisation
// by plane rotations, then the active-set iteration. MODE: the iteration count,
// or minus an error number.
void dL5LSQ(double* w, int mdw, int mrows, int ncols, const double* bl, const double* bu,
            const int* ind, const int* iopt, double* x, double& rnorm, int& mode, double* rw,
            int* iw);

// The active-set iteration on MINPUT rows of W. SCL holds the column scaling,
// IBASIS the variable of each column (1..NCOLS), IBB the bound polarity flags
// (odd: at the lower bound, even: at the upper). RW holds 2·(NCOLS + 1)
// doubles: scratch, then for each row of W the input row (from 1) it holds the
// most of, which tells constraint rows from equation rows. WW (NCOLS) receives
// the gradient, X the solution and RNORM the residual norm.
void DL6LSQ(double* w, int mdw, int minput, int ncols, const double* bl, const double* bu,
            const int* ind, const int* iopt, double* x, double& rnorm, int& mode, double* rw,
            double* ww, const double* scl, int* ibasis, int* ibb);

}  // namespace numlib
