#include "numlib/algorithms/principal_components.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "numlib/algorithms/fortran_arithmetic.h"
#include "numlib/algorithms/rotations.h"
#include "numlib/algorithms/symmetric_eigen.h"
#include "numlib/support/level2_kernels.h"
#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {

namespace {

// Element (i, j) of a matrix by columns, counted from 0.
inline double& at(double* a, int ld, int i, int j) {
  return a[i + static_cast<std::ptrdiff_t>(j) * ld];
}
inline const double& at(const double* a, int ld, int i, int j) {
  return a[i + static_cast<std::ptrdiff_t>(j) * ld];
}

}  // namespace

void DPRINC(int ndf, int nvar, const double* cov, int ldcov, int icov, double* eval, double* pct,
            double* std, double* evec, int ldevec, double* a, int lda) {
  Frame frame("DPRINC");
  int nerr = 1;
  CHECK_INT_ARG_RANGE(nvar, "NVAR", 2, 0, nerr);
  if (nvar > 0) {
    CHECK_DIM_PAIR(2, nvar, "NVAR", ldcov, "LDCOV", nerr);
    CHECK_DIM_PAIR(2, nvar, "*NVAR", ldevec, "LDEVEC", nerr);
    CHECK_DIM_PAIR(2, nvar, "*NVAR", lda, "LDA", nerr);
  }
  if (N1RTY(0) > 0) {
    frame.pop();
    return;
  }
  for (int i = 0; i < nvar; ++i) {
    const double c = at(cov, ldcov, i, i);
    if (!(c >= 0.0)) {  // a NaN variance is refused too
      ERROR_STORE_INTEGER(1, i + 1);
      ERROR_STORE_DOUBLE(1, c);
      E1MES(5, nerr,
            "COV(%(I1),%(I1)) = %(D1).  All diagonal elements of COV must be nonnegative.");
      frame.pop();
      return;
    }
  }
  int df = ndf;
  if (ndf <= 0) {
    E1MES(3, 1,
          "Because the number of degrees of freedom in COV, NDF, is less than or equal to 0, 100 "
          "degrees of freedom will be used.");
    df = 100;
  }
  const double factor = std::sqrt(2.0 / df);

  DE2CSF(nvar, cov, ldcov, eval, evec, ldevec, std);
  if (N1RTY(1) > 3) {
    frame.pop();
    return;
  }
  const double trace = VECTOR_SUM(nvar, eval, 1);
  for (int i = 0; i < nvar / 2; ++i) {
    std::swap(eval[i], eval[nvar - 1 - i]);
    VECTOR_SWAP(nvar, &at(evec, ldevec, 0, i), 1, &at(evec, ldevec, 0, nvar - 1 - i), 1);
  }
  double sum = 0.0;
  for (int i = 0; i < nvar; ++i) {
    double* column = &at(evec, ldevec, 0, i);
    const double norm = VECTOR_NORM2(nvar, column, 1);
    const int big = VECTOR_INDEX_MAX_ABS(nvar, column, 1);
    VECTOR_SCALE(nvar, (column[big - 1] < 0.0 ? -1.0 : 1.0) / norm, column, 1);
    sum += eval[i];
    pct[i] = trace == 0.0 ? 0.0 : sum / trace;
  }

  const double last = eval[nvar - 1];
  if (last < 0.0 && (nvar == 1 || eval[0] <= 0.0 || last < -1000.0 * DMACH(4) * eval[0])) {
    ERROR_STORE_INTEGER(1, nvar);
    ERROR_STORE_DOUBLE(1, last);
    E1MES(3, 2,
          "EVAL(%(I1)) = %(D1).  One or more eigenvalues much less than zero are computed.  The "
          "matrix COV is not nonnegative definite.  In order to continue computations of STD and "
          "A, these eigenvalues are treated as zero.");
  }
  for (int i = 0; i < nvar; ++i) {
    const double lambda = std::max(eval[i], 0.0);
    const double* e = &at(evec, ldevec, 0, i);
    double* column = &at(a, lda, 0, i);
    if (icov == 0) {
      std[i] = factor * lambda;
    } else {
      // The column of A holds the squares e(j)**2 meanwhile.
      VECTOR_PRODUCT(nvar, e, 1, e, 1, column, 1);
      double fourth = 0.0;
      double cross = 0.0;
      for (int j = 0; j < nvar; ++j) {
        fourth += column[j] * column[j];
        for (int k = j + 1; k < nvar; ++k) {
          const double c = at(cov, ldcov, j, k);
          cross += column[j] * column[k] * c * c;
        }
      }
      std[i] = factor * std::sqrt(lambda * lambda + (1.0 - 2.0 * lambda) * fourth + 2.0 * cross);
    }
    VECTOR_SCALED_COPY(nvar, std::sqrt(lambda), e, 1, column, 1);
  }
  if (icov == 0) {
    for (int i = 0; i < nvar; ++i) {
      const double c = at(cov, ldcov, i, i);
      if (c > 0.0) {
        VECTOR_SCALE(nvar, 1.0 / std::sqrt(c), &at(a, lda, i, 0), lda);
      } else {
        VECTOR_SET(nvar, DMACH(6), &at(a, lda, i, 0), lda);
      }
    }
  }
  frame.pop();
}

void DE2CSF(int n, const double* a, int lda, double* eval, double* evec, int ldevec, double* work) {
  Frame frame("DE2CSF");
  EIGEN_ORDER_CHECKS(n, lda, ldevec);
  if (N1RTY(0) > 0) {
    frame.pop();
    return;
  }
  DE3CSF(n, a, lda, eval, work, evec, ldevec);
  dE4CSF(n, eval, work, -1, evec, ldevec);
  if (N1RTY(1) > 3) {
    frame.pop();
    return;
  }
  for (int j = 0; j < n; ++j) {
    double* column = &at(evec, ldevec, 0, j);
    const double big = column[VECTOR_INDEX_MAX_ABS(n, column, 1) - 1];
    if (big == 0.0) continue;
    for (int i = 0; i < n; ++i) column[i] /= big;  // divided, so that big becomes exactly 1
  }
  frame.pop();
}

void DE3CSF(int n, const double* a, int lda, double* d, double* e, double* z, int ldz) {
  Frame frame("DE3CSF");
  const double safe = std::max(DMACH(1), 1.0 / DMACH(2));
  for (int j = 0; j < n; ++j) VECTOR_COPY(j + 1, &at(a, lda, 0, j), 1, &at(z, ldz, 0, j), 1);
  DCSFRG(n, z, ldz);
  VECTOR_COPY(n, &at(z, ldz, 0, n - 1), 1, d, 1);

  // Row i (from the last) is reduced against rows 1..i-1; D(1..l) holds its
  // leading part, and afterwards D(i) keeps h for the accumulation.
  for (int i = n - 1; i >= 1; --i) {
    const int l = i;  // the number of leading elements
    const double scale = l >= 2 ? VECTOR_ABS_SUM(l, d, 1) : 0.0;
    double h = 0.0;
    if (scale <= safe) {
      e[i] = d[l - 1];
      for (int j = 0; j < l; ++j) d[j] = at(z, ldz, l - 1, j);
      VECTOR_SET(l, 0.0, &at(z, ldz, i, 0), ldz);
      VECTOR_SET(l, 0.0, &at(z, ldz, 0, i), 1);
    } else {
      VECTOR_SCALE(l, 1.0 / scale, d, 1);
      const double norm = VECTOR_NORM2(l, d, 1);
      h = norm * norm;
      const double f = d[l - 1];
      const double g = -fortran_sign(std::sqrt(h), f);
      e[i] = scale * g;
      h -= f * g;
      d[l - 1] = f - g;
      double* u = &at(z, ldz, 0, i);
      VECTOR_COPY(l, d, 1, u, 1);
      DSYMV("LOW", l, 1.0, z, ldz, u, 1, 0.0, e, 1);
      VECTOR_SCALE(l, 1.0 / h, e, 1);
      const double k = -VECTOR_DOT(l, e, 1, u, 1) / (2.0 * h);
      VECTOR_AXPY(l, k, u, 1, e, 1);
      DSYR2("LOWER", l, -1.0, u, 1, e, 1, z, ldz);
      for (int j = 0; j < l; ++j) d[j] = at(z, ldz, l - 1, j);
      VECTOR_SET(l, 0.0, &at(z, ldz, i, 0), ldz);
    }
    d[i] = h;
  }

  // Accumulate Z = H(n) ... H(2) from the leading block outwards; row N of Z
  // (zero until the end) holds Z'u for each reflection.
  double* scratch = &at(z, ldz, n - 1, 0);
  for (int j = 1; j < n; ++j) {  // j: the order of the leading block
    d[j - 1] = at(z, ldz, j - 1, j - 1);
    at(z, ldz, j - 1, j - 1) = 1.0;
    const double h = d[j];
    double* u = &at(z, ldz, 0, j);
    if (h != 0.0) {
      DGEMV("TRANS", j, j, 1.0, z, ldz, u, 1, 0.0, scratch, ldz);
      DGER(j, j, -1.0 / h, u, 1, scratch, ldz, z, ldz);
      VECTOR_SET(j, 0.0, scratch, ldz);
    }
    VECTOR_SET(j, 0.0, u, 1);
  }
  d[n - 1] = at(z, ldz, n - 1, n - 1);
  at(z, ldz, n - 1, n - 1) = 1.0;
  e[0] = 0.0;
  frame.pop();
}

void dE4CSF(int n, double* d, double* e, int ijob, double* z, int ldz) {
  Frame frame("dE4CSF");
  const bool vectors = (ijob & 1) != 0;
  for (int i = 1; i < n; ++i) e[i - 1] = e[i];
  e[n - 1] = 0.0;  // E(i) now couples rows i and i+1
  const double eps = DMACH(4);
  const double floor = 100.0 * DMACH(1);
  const long long limit =
      static_cast<long long>(library_state().eigen_limits.tridiagonal_factor) * n;
  long long iterations = 0;

  for (int l = 0; l < n; ++l) {
    for (;;) {
      int m = l;
      while (m < n - 1 &&
             !(std::abs(e[m]) <= std::max(eps * (std::abs(d[m]) + std::abs(d[m + 1])), floor))) {
        ++m;
      }
      if (m == l) break;
      if (iterations >= limit) {
        E1MES(4, 1, "The iteration for the eigenvalues did not converge.");
        frame.pop();
        return;
      }
      ++iterations;
      double g = (d[l + 1] - d[l]) / (2.0 * e[l]);
      double r = HYPOT_SAFE(g, 1.0);
      g = d[m] - d[l] + e[l] / (g + fortran_sign(r, g));
      double s = 1.0;
      double c = 1.0;
      double p = 0.0;
      bool deflated = false;
      for (int i = m - 1; i >= l; --i) {
        const double f = s * e[i];
        const double b = c * e[i];
        GIVENS_CONSTRUCT(g, f, c, s);
        r = g;
        e[i + 1] = r;
        if (r == 0.0) {  // an underflow split the block: start again from l
          d[i + 1] -= p;
          e[m] = 0.0;
          deflated = true;
          break;
        }
        g = d[i + 1] - p;
        r = (d[i] - g) * s + 2.0 * c * b;
        p = s * r;
        d[i + 1] = g + p;
        g = c * r - b;
        if (vectors) GIVENS_APPLY(n, &at(z, ldz, 0, i + 1), 1, &at(z, ldz, 0, i), 1, c, s);
      }
      if (deflated) continue;
      d[l] -= p;
      e[l] = g;
      e[m] = 0.0;
    }
  }

  for (int i = 0; i < n - 1; ++i) {
    int k = i;
    for (int j = i + 1; j < n; ++j) {
      if (d[j] < d[k]) k = j;
    }
    if (k != i) {
      std::swap(d[i], d[k]);
      if (vectors) VECTOR_SWAP(n, &at(z, ldz, 0, i), 1, &at(z, ldz, 0, k), 1);
    }
  }
  frame.pop();
}

double HYPOT_SAFE(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::numeric_limits<double>::quiet_NaN();
  if (std::isinf(a) || std::isinf(b)) return std::numeric_limits<double>::infinity();
  double p = std::max(std::abs(a), std::abs(b));
  if (p == 0.0) return 0.0;
  const double q = std::min(std::abs(a), std::abs(b)) / p;
  double r = q * q;
  while (4.0 + r != 4.0) {
    const double s = r / (4.0 + r);
    const double t = 1.0 + 2.0 * s;
    p *= t;
    r *= (s / t) * (s / t);
  }
  return p;
}

}  // namespace numlib
