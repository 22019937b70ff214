#include "numlib/algorithms/regression.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "numlib/algorithms/rotations.h"
#include "numlib/algorithms/triangular.h"
#include "numlib/support/level2_kernels.h"
#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

using Index = std::ptrdiff_t;

inline double& at(double* a, int lda, int i, int j) { return a[i + Index(j) * lda]; }
inline double at(const double* a, int lda, int i, int j) { return a[i + Index(j) * lda]; }

int& invocation() { return library_state().regression_calls.invocation[THREAD_SLOT() - 1]; }

// The checks that DRLSE and DR2SE share, codes 1 and 2.
void check_model(int intcep, int nind) {
  if (intcep != 0 && intcep != 1) {
    ERROR_STORE_INTEGER(1, intcep);
    E1MES(5, 1, "INTCEP = %(I1).  The intercept option, INTCEP, must be equal to 0 or 1.");
  }
  if (nind + intcep < 1) {
    ERROR_STORE_INTEGER(1, intcep);
    ERROR_STORE_INTEGER(2, nind);
    E1MES(5, 2,
          "INTCEP = %(I1) and NIND = %(I2).  There must be at least one regressor in the "
          "model.");
  }
}

// A FATAL error of DC1WFR about a negative frequency (code 2) or weight
// (code 1) of row IROW, worded for the first call or a later one.
void negative_row_value(int code, int irow, double value) {
  E1PSH("DC1WFR");
  const int call = invocation();
  ERROR_STORE_INTEGER(1, irow);
  ERROR_STORE_INTEGER(2, call);
  ERROR_STORE_DOUBLE(1, value);
  if (code == 1) {
    E1MES(4, 1,
          call <= 1 ? "The weight for row %(I1) of X was %(D1).  Weights must be nonnegative."
                    : "The weight for row %(I1) of X on invocation number %(I2) of this routine "
                      "was %(D1).  Weights must be nonnegative.");
  } else {
    E1MES(4, 2,
          call <= 1
              ? "The frequency for row %(I1) of X is %(D1).  Frequencies must be nonnegative."
              : "The frequency for row %(I1) of X on invocation number %(I2) of this routine is "
                "%(D1).  Frequencies must be nonnegative.");
  }
  E1POP("DC1WFR");
}

// A downdated row whose value equals XMIN(i) or XMAX(i) of its regressor: the
// range can no longer be kept (global WARNING 5 or 6).
void range_lost(int code, int i, double value) {
  ERROR_STORE_INTEGER(1, i);
  ERROR_STORE_DOUBLE(1, value);
  E1MES(6, code,
        code == 5 ? "Downdating is requested, but XMIN(%(I1)) equals the current value (= %(d1)) "
                    "of the associated regressor variable.  Downdating of XMIN cannot occur."
                  : "Downdating is requested, but XMAX(%(I1)) equals the current value (= %(d1)) "
                    "of the associated regressor variable.  Downdating of XMAX cannot occur.");
}

// The accumulation routine's view of its arguments.
struct Layout {
  int ncoef, ndep, intcep, nreg;
  int iind, idep;
  const int *indind, *inddep;

  // Column (from 0) of X holding regressor k and dependent variable a.
  int regressor_column(int k) const { return iind > 0 ? indind[k] - 1 : k; }
  int dependent_column(int a) const { return idep > 0 ? inddep[a] - 1 : nreg + a; }
};

// Merges the row held in WK (coefficients, then dependent values) with weight
// W into the square-root-free factor (R, D) and right-hand sides B, and its
// residual into SCPE.
void merge_row(const Layout& m, int isub, double w, double* wk, double* b, int ldb, double* r,
               int ldr, double* d, double* scpe, int ldscpe) {
  const int ncoef = m.ncoef, ndep = m.ndep;
  double* dep = wk + ncoef;
  int first = 0;
  if (isub == 1) {
    // The intercept's row keeps the weighted sums; the rest of the factor gets
    // the row centred on the new means, with the weight that makes the centred
    // cross-products right.
    const double s = r[0];
    r[0] += w;
    for (int j = 1; j < ncoef; ++j) at(r, ldr, 0, j) += w * wk[j];
    for (int a = 0; a < ndep; ++a) at(b, ldb, 0, a) += w * dep[a];
    if (r[0] != 0.0) {
      d[0] = 1.0 / r[0];
      for (int j = 1; j < ncoef; ++j) wk[j] -= at(r, ldr, 0, j) / r[0];
      for (int a = 0; a < ndep; ++a) dep[a] -= at(b, ldb, 0, a) / r[0];
    }
    if (s == 0.0) return;
    w = w * r[0] / s;
    if (w == 0.0) return;
    first = 1;
  }
  double param[5];
  for (int k = first; k < ncoef; ++k) {
    MGIVENS_CONSTRUCT(d[k], w, at(r, ldr, k, k), wk[k], param);
    MGIVENS_APPLY(ncoef - 1 - k, &at(r, ldr, k, k + 1), ldr, wk + k + 1, 1, param);
    MGIVENS_APPLY(ndep, &at(b, ldb, k, 0), ldb, dep, 1, param);
  }
  for (int bcol = 0; bcol < ndep; ++bcol)
    for (int a = 0; a <= bcol; ++a) at(scpe, ldscpe, a, bcol) += w * dep[a] * dep[bcol];
}

// Rank decision and the removal of dependent rows (the finish stage before the
// solve).
void remove_dependent_rows(const Layout& m, double tol, double* b, int ldb, double* r, int ldr,
                           double* d, double* scpe, int ldscpe, const double* xmin,
                           const double* xmax) {
  const int ncoef = m.ncoef, ndep = m.ndep, intcep = m.intcep;
  const double tol2 = tol * tol;
  bool constant_kept = false;
  double param[5];
  for (int i = 0; i < ncoef; ++i) {
    bool dependent = false;
    if (!NAN_TEST(xmin[i]) && !NAN_TEST(xmax[i]) && xmin[i] == xmax[i]) {
      // A constant regressor: dependent when zero, and every constant one
      // after the first (the intercept, when there is one).
      if (xmin[i] == 0.0 || constant_kept)
        dependent = true;
      else
        constant_kept = true;
    } else if (i > intcep) {
      // The remaining length of the column against its length after centring.
      double* ri = &at(r, ldr, 0, i);
      const double length2 =
          REGRESS_HELPER(i + 1 - intcep, d + intcep, 1, ri + intcep, 1, ri + intcep, 1);
      dependent = d[i] * ri[i] * ri[i] <= tol2 * length2;
    }
    if (!dependent) continue;
    // Row i goes into the later rows, its residual into SCPE.
    for (int j = i + 1; j < ncoef; ++j) {
      MGIVENS_CONSTRUCT(d[j], d[i], at(r, ldr, j, j), at(r, ldr, i, j), param);
      MGIVENS_APPLY(ncoef - 1 - j, &at(r, ldr, j, j + 1), ldr, &at(r, ldr, i, j + 1), ldr, param);
      MGIVENS_APPLY(ndep, &at(b, ldb, j, 0), ldb, &at(b, ldb, i, 0), ldb, param);
    }
    for (int bcol = 0; bcol < ndep; ++bcol)
      for (int a = 0; a <= bcol; ++a)
        at(scpe, ldscpe, a, bcol) += at(b, ldb, i, a) * d[i] * at(b, ldb, i, bcol);
    VECTOR_SET(ncoef - i, 0.0, &at(r, ldr, i, i), ldr);
    VECTOR_SET(ndep, 0.0, &at(b, ldb, i, 0), ldb);
  }
}

}  // namespace

// ---- DRLSE and its levels ----

void DRLSE(int nobs, const double* y, int nind, const double* x, int ldx, int intcep, double* b,
           double& sst, double& sse) {
  Frame frame("DRLSE");
  check_model(intcep, nind);
  if (N1RTY(0) != 0) return frame.pop();
  const std::uint64_t ncoef = static_cast<std::uint64_t>(nind) + intcep;
  const std::uint64_t rsize = ncoef * ncoef;
  const std::uint64_t wsize = 5 * static_cast<std::uint64_t>(nind) + 4 * intcep + 2;
  std::unique_ptr<double[]> r, wk;
  if (rsize <= PTRDIFF_MAX / sizeof(double) && wsize <= PTRDIFF_MAX / sizeof(double)) {
    r.reset(new (std::nothrow) double[rsize]);
    wk.reset(new (std::nothrow) double[wsize]);
  }
  if (!r || !wk) {
    E1MES(5, 3, " ");
    ERROR_STORE_INTEGER(1, intcep);
    ERROR_STORE_INTEGER(2, nind);
    E1MES(5, 3,
          "The required storage cannot be allocated.  The workspace requirement is based on "
          "INTCEP = %(I1) and NIND = %(I2).");
    print_message_and_end_run();
  }
  // The degrees of freedom and missing rows that DRLSE does not return.
  double dfe = 0.0;
  int nrmiss = 0;
  DR2SE(nobs, y, nind, x, ldx, intcep, b, sst, sse, r.get(), static_cast<int>(ncoef), dfe, nrmiss,
        wk.get());
  frame.pop();
}

void DR2SE(int nobs, const double* y, int nind, const double* x, int ldx, int intcep, double* b,
           double& sst, double& sse, double* r, int ldr, double& dfe, int& nrmiss, double* wk) {
  Frame frame("DR2SE");
  check_model(intcep, nind);
  if (nind + intcep >= 1 && ldr < nind + intcep) {
    ERROR_STORE_INTEGER(1, ldr);
    ERROR_STORE_INTEGER(2, intcep);
    ERROR_STORE_INTEGER(3, nind);
    E1MES(5, 3,
          "LDR = %(I1), INTCEP = %(I2) and NIND = %(I3).  The leading dimension  of R, LDR, must "
          "be greater than or equal  to the number of regressors, NIND+INTCEP.");
  }
  if (nobs < 1) {
    ERROR_STORE_INTEGER(1, nobs);
    E1MES(5, 4, "NOBS = %(I1).  The number of observations, NOBS, must be greater than zero.");
  } else if (ldx < nobs) {
    ERROR_STORE_INTEGER(1, ldx);
    ERROR_STORE_INTEGER(2, nobs);
    E1MES(5, 5,
          "NOBS = %(I2) and LDX = %(I1).  The leading dimension of X, LDX, must be greater than "
          "or equal to the number of observations, NOBS.");
  }
  if (N1RTY(0) == 0) {
    const Index ncoef = nind + intcep;
    double* xrow = wk;  // NIND + 1
    double* d = xrow + nind + 1;
    double* xmin = d + ncoef;
    double* xmax = xmin + ncoef;
    DR3SE(nobs, y, nind, x, ldx, intcep, b, sst, sse, r, ldr, dfe, nrmiss, xrow, d, xmin, xmax,
          xmax + ncoef);
  }
  frame.pop();
}

void DR3SE(int nobs, const double* y, int nind, const double* x, int ldx, int intcep, double* b,
           double& sst, double& sse, double* r, int ldr, double& dfe, int& nrmiss, double* xrow,
           double* d, double* xmin, double* xmax, double* wk) {
  Frame frame("DR3SE");
  const int ncoef = nind + intcep;
  const double tol = 100.0 * DMACH(4);
  double scpe = 0.0;
  int irank = 0;
  auto accumulate = [&](int ido, int nrow) {
    dR2IVN(ido, nrow, nind + 1, xrow, 1, intcep, -nind, nullptr, -1, nullptr, 0, 0, intcep, tol, b,
           ncoef, r, ldr, d, irank, dfe, &scpe, 1, nrmiss, xmin, xmax, wk);
  };
  accumulate(1, 0);
  for (int i = 0; i < nobs; ++i) {
    VECTOR_COPY(nind, x + i, ldx, xrow, 1);
    xrow[nind] = y[i];
    accumulate(2, 1);
  }
  sst = REGRESS_HELPER(nind, d + intcep, 1, b + intcep, 1, b + intcep, 1) + scpe;
  accumulate(3, 0);
  sse = scpe;
  if (irank < ncoef) {
    ERROR_STORE_INTEGER(1, irank);
    E1MES(3, 1,
          "The model is not full rank.  There is not a unique least squares solution.  The rank "
          "of the matrix of regressors is %(I1).");
  }
  frame.pop();
}

// ---- the accumulation routine ----

void dR2IVN(int ido, int nrow, int ncol, const double* x, int ldx, int intcep, int iind,
            const int* indind, int idep, const int* inddep, int ifrq, int iwt, int isub, double tol,
            double* b, int ldb, double* r, int ldr, double* d, int& irank, double& dfe,
            double* scpe, int ldscpe, int& nrmiss, double* xmin, double* xmax, double* wk) {
  Frame frame("dR2IVN");
  CHECK_WEIGHTS_FREQUENCIES(ido, nrow, ncol, ldx, intcep, iind, indind, idep, inddep, ifrq, iwt,
                            isub, tol, ldb, ldr, ldscpe);
  if (N1RTY(0) != 0) return frame.pop();

  const int nreg = std::abs(iind), ndep = std::abs(idep);
  const Layout m{intcep + nreg, ndep, intcep, nreg, iind, idep, indind, inddep};
  const int ncoef = m.ncoef;
  if (ido == 0 || ido == 1) {
    invocation() = 1;
    nrmiss = 0;
    dfe = 0.0;
    for (int j = 0; j < ncoef; ++j) VECTOR_SET(ncoef, 0.0, &at(r, ldr, 0, j), 1);
    for (int a = 0; a < ndep; ++a) {
      VECTOR_SET(ncoef, 0.0, &at(b, ldb, 0, a), 1);
      VECTOR_SET(ndep, 0.0, &at(scpe, ldscpe, 0, a), 1);
    }
    VECTOR_SET(ncoef, 1.0, d, 1);
    VECTOR_SET(ncoef, DMACH(6), xmin, 1);
    VECTOR_SET(ncoef, DMACH(6), xmax, 1);
  } else {
    ++invocation();
  }

  const int nrows = std::abs(nrow);
  const bool downdate = nrow < 0;
  double* dep = wk + ncoef;
  for (int row = 0; row < nrows; ++row) {
    double frequency = 1.0, weight = 1.0;
    int status = 0;
    DC1WFR(row + 1, x, ldx, ifrq, iwt, nrow, frequency, weight, status);
    if (status == 3) return frame.pop();
    if (status == 2) ++nrmiss;
    if (status != 0) continue;
    if (intcep == 1) wk[0] = 1.0;
    for (int k = 0; k < nreg; ++k) wk[intcep + k] = at(x, ldx, row, m.regressor_column(k));
    for (int a = 0; a < ndep; ++a) dep[a] = at(x, ldx, row, m.dependent_column(a));
    // An infinity is as unusable as a missing value (NaN): it would spread
    // NaN through the factor.
    if (!std::all_of(wk + intcep, wk + ncoef + ndep, [](double v) { return std::isfinite(v); })) {
      ++nrmiss;
      continue;
    }
    if (downdate) {
      dfe -= frequency;
      for (int i = intcep; i < ncoef; ++i) {
        if (wk[i] == xmin[i]) range_lost(5, i + 1, wk[i]);
        if (wk[i] == xmax[i]) range_lost(6, i + 1, wk[i]);
      }
    } else {
      dfe += frequency;
      for (int i = 0; i < ncoef; ++i) {
        if (NAN_TEST(xmin[i]) || wk[i] < xmin[i]) xmin[i] = wk[i];
        if (NAN_TEST(xmax[i]) || wk[i] > xmax[i]) xmax[i] = wk[i];
      }
    }
    const double w = frequency * weight;
    if (w != 0.0) merge_row(m, isub, w, wk, b, ldb, r, ldr, d, scpe, ldscpe);
  }

  if (ido == 0 || ido == 3) {
    remove_dependent_rows(m, tol, b, ldb, r, ldr, d, scpe, ldscpe, xmin, xmax);
    DGIRTS(ncoef, r, ldr, ndep, b, ldb, 1, irank, b, ldb, nullptr, 1);
    dfe -= irank;
    if (dfe <= 0.0) {
      ERROR_STORE_DOUBLE(1, dfe);
      E1MES(6, 4,
            "DFE = %(d1).  Statistical inference is not possible.  More observations are "
            "needed.");
    }
    // The ordinary factor diag(sqrt(D))·R, with a non-negative diagonal.
    for (int i = 0; i < ncoef; ++i) {
      const double s = std::copysign(std::sqrt(d[i]), at(r, ldr, i, i));
      VECTOR_SCALE(ncoef - i, s, &at(r, ldr, i, i), ldr);
    }
    VECTOR_SET(ncoef, 1.0, d, 1);
    if (ndep > 0) DCSFRG(ndep, scpe, ldscpe);
  }
  frame.pop();
}

void CHECK_WEIGHTS_FREQUENCIES(int ido, int nrow, int ncol, int ldx, int intcep, int iind,
                               const int* indind, int idep, const int* inddep, int ifrq, int iwt,
                               int isub, double tol, int ldb, int ldr, int ldscpe) {
  int nerr = 1;
  CHECK_INT_ARG_RANGE(ido, "IDO", 0, 3, nerr);
  CHECK_INT_ARG_RANGE(ncol, "NCOL", 1, 0, nerr);
  CHECK_LE_PAIR(std::abs(nrow), "IABS(NROW)", ldx, "LDX", nerr);
  CHECK_INT_ARG_RANGE(intcep, "INTCEP", 0, 1, nerr);
  CHECK_INT_ARGS(ifrq, "IFRQ", ncol, nerr);
  CHECK_INT_ARGS(iwt, "IWT", ncol, nerr);
  if (!(tol >= 0.0 && tol <= 1.0)) {
    ERROR_STORE_DOUBLE(1, tol);
    E1MES(5, nerr, "TOL = %(D1).  TOL must be between 0.0 and 1.0, inclusive.");
  }
  ++nerr;
  if (intcep == 0) {
    if (isub != 0) {
      ERROR_STORE_INTEGER(1, isub);
      E1MES(5, nerr, "INTCEP = 0 and ISUB = %(I1).  When INTCEP = 0, ISUB must equal 0.");
    }
    ++nerr;
  } else {
    CHECK_INT_ARG_RANGE(isub, "ISUB", 0, 1, nerr);
  }
  const int ncoef = intcep + std::abs(iind);
  CHECK_LE_PAIR(ncoef, "INTCEP+IABS(IIND)", ldb, "LDB", nerr);
  CHECK_LE_PAIR(ncoef, "INTCEP+IABS(IIND)", ldr, "LDR", nerr);
  CHECK_LE_PAIR(std::abs(idep), "IABS(IDEP)", ldscpe, "LDSCPE", nerr);
  auto check_columns = [&](int count, const int* columns, std::string_view name) {
    for (int i = 0; i < count; ++i, ++nerr) {
      if (columns[i] >= 1 && columns[i] <= ncol) continue;
      ERROR_STORE_INTEGER(1, i + 1);
      ERROR_STORE_INTEGER(2, columns[i]);
      ERROR_STORE_INTEGER(3, ncol);
      E1MES(5, nerr,
            name == "INDIND" ? "INDIND(%(I1)) = %(I2) and NCOL = %(I3).  INDIND(%(I1)) must be "
                               "greater than or equal 1 and less than or equal to NCOL."
                             : "INDDEP(%(I1)) = %(I2) and NCOL = %(I3).  INDDEP(%(I1)) must be "
                               "greater than or equal 1 and less than or equal to NCOL.");
    }
  };
  check_columns(iind, indind, "INDIND");
  check_columns(idep, inddep, "INDDEP");
  // Columns taken by position must lie within X.
  if (iind < 0) CHECK_LE_PAIR(-iind, "IABS(IIND)", ncol, "NCOL", nerr);
  if (idep < 0) CHECK_LE_PAIR(std::abs(iind) - idep, "IABS(IIND)+IABS(IDEP)", ncol, "NCOL", nerr);
}

void CHECK_INT_ARGS(int value, std::string_view name, int ncol, int& nerr) {
  CHECK_INT_ARG_RANGE(value, name, 0, ncol, nerr);
}

void DC1WFR(int irow, const double* x, int ldx, int ifrq, int iwt, int nrow, double& frequency,
            double& weight, int& status) {
  frequency = ifrq == 0 ? 1.0 : at(x, ldx, irow - 1, ifrq - 1);
  weight = iwt == 0 ? 1.0 : at(x, ldx, irow - 1, iwt - 1);
  status = 0;
  if (NAN_TEST(frequency)) {
    status = 2;
  } else if (frequency < 0.0) {
    status = 3;
    negative_row_value(2, irow, frequency);
  } else if (frequency == 0.0) {
    status = 1;
  } else if (NAN_TEST(weight)) {
    status = 2;
  } else if (weight < 0.0) {
    status = 3;
    negative_row_value(1, irow, weight);
  }
  if (nrow < 0) weight = -weight;
}

int IDANAN(int n, const double* x, int incx) {
  if (n < 0 || incx < 0) {
    E1PSH("IDANAN");
    if (n < 0) {
      ERROR_STORE_INTEGER(1, n);
      E1MES(5, 1, " The length of the input vector is %(I1).  The length must be non-negative.");
    }
    if (incx < 0) {
      ERROR_STORE_INTEGER(1, incx);
      E1MES(5, 2,
            " The length of the incrementation of the input vector is %(I1).  The "
            "incrementation must be non-negative.");
    }
    E1POP("IDANAN");
    return 0;
  }
  if (incx == 0) return 0;
  for (int i = 0; i < n; ++i)
    if (NAN_TEST(x[Index(i) * incx])) return i + 1;
  return 0;
}

double REGRESS_HELPER(int n, const double* x, int incx, const double* y, int incy, const double* z,
                      int incz) {
  double sum = 0.0;
  Index ix = walk_start(n, incx), iy = walk_start(n, incy), iz = walk_start(n, incz);
  for (int i = 0; i < n; ++i, ix += incx, iy += incy, iz += incz) sum += x[ix] * y[iy] * z[iz];
  return sum;
}

}  // namespace numlib
