#include "numlib/algorithms/minimiser_workers.h"

#include <algorithm>
#include <cmath>

#include "numlib/support/level2_kernels.h"
#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

// Element (i, j) of a matrix with leading dimension ld, counted from 0.
inline double& at(double* a, int ld, int i, int j) {
  return a[static_cast<std::ptrdiff_t>(j) * ld + i];
}
inline double at(const double* a, int ld, int i, int j) {
  return a[static_cast<std::ptrdiff_t>(j) * ld + i];
}

// The argument checks both difference gradients share; XSCALE_CODE is the
// code of the scaling check.
void check_difference_arguments(int n, const double* xscale, double epsfcn, int xscale_code) {
  if (n <= 0) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 1, "The number of variables must be positive while N = %(I1) is given.");
  }
  if (!(epsfcn >= 0.0 && epsfcn <= 0.1)) {
    ERROR_STORE_DOUBLE(1, epsfcn);
    E1MES(5, 2,
          "The estimate for the relative noise in the function must be between 0.0 and 0.1 "
          "while EPSFCN = %(D1) is given.");
  }
  for (int i = 0; i < n; ++i) {
    if (xscale[i] <= 0.0) {
      ERROR_STORE_INTEGER(1, i + 1);
      ERROR_STORE_DOUBLE(1, xscale[i]);
      E1MES(5, xscale_code,
            "The values for the diagonal scaling matrix must be positive while XSCALE(%(I1)) = "
            "%(D1) is given.");
      break;
    }
  }
}

// The difference step of variable j: r*max(|x|, 1/xscale), pointing towards 0
// from a negative x.
inline double difference_step(double r, double x, double xscale) {
  const double h = r * std::max(std::abs(x), 1.0 / xscale);
  return x < 0.0 ? -h : h;
}

// F at XC with variable J moved to X; XC is given back unchanged.
double value_moved(OBJECTIVE_FUNCTION f, int n, double* xc, int j, double x) {
  const double saved = xc[j];
  xc[j] = x;
  double value;
  call_user_routine(f, n, static_cast<const double*>(xc), value);
  xc[j] = saved;
  return value;
}

// The frame of both difference gradients: GC(J) = QUOTIENT(J, H) with the
// difference step H of variable J, once the arguments pass their checks.
template <class Quotient>
void difference_gradient(std::string_view name, int xscale_code, int n, const double* xc,
                         const double* xscale, double epsfcn, double* gc, Quotient quotient) {
  const Frame frame(name);
  check_difference_arguments(n, xscale, epsfcn, xscale_code);
  if (N1RTY(0) <= 0) {
    const double r = std::sqrt(std::max(epsfcn, DMACH(4)));
    for (int j = 0; j < n; ++j) gc[j] = quotient(j, difference_step(r, xc[j], xscale[j]));
  }
  frame.pop();
}

}  // namespace

void DFDGRD(OBJECTIVE_FUNCTION f, int n, double* xc, const double* xscale, double fc, double epsfcn,
            double* gc) {
  difference_gradient("DFDGRD", 3, n, xc, xscale, epsfcn, gc, [&](int j, double h) {
    return (value_moved(f, n, xc, j, xc[j] + h) - fc) / h;
  });
}

void DCDGRD(OBJECTIVE_FUNCTION f, int n, double* xc, const double* xscale, double epsfcn,
            double* gc) {
  difference_gradient("DCDGRD", 4, n, xc, xscale, epsfcn, gc, [&](int j, double h) {
    const double fplus = value_moved(f, n, xc, j, xc[j] + h);
    const double fminus = value_moved(f, n, xc, j, xc[j] - h);
    return (fplus - fminus) / (2.0 * h);
  });
}

void BOUND_MARK_ACTIVE(int n, const double* x, const double* xlb, const double* xub,
                       const double* /*g*/, int* ibound, double tol, bool& active) {
  for (int i = 0; i < n; ++i) {
    if (std::abs(x[i] - xlb[i]) <= tol) {
      ibound[i] = 1;
      active = true;
    } else if (std::abs(x[i] - xub[i]) <= tol) {
      ibound[i] = 2;
      active = true;
    } else {
      ibound[i] = 0;
    }
  }
}

void FREE_VAR_COUNT(int n, const int* ibound, double* a, int lda, int& nheld) {
  nheld = 0;
  int next = 0;  // where the next free variable goes
  for (int i = 0; i < n; ++i) {
    if (ibound[i] != 0) {
      ++nheld;
      continue;
    }
    if (nheld > 0) {
      // Row first, then column: the column copy then carries the moved row's
      // entries with it, so the leading block ends up as A(free, free).
      for (int j = 0; j < n; ++j) at(a, lda, next, j) = at(a, lda, i, j);
      for (int r = 0; r < n; ++r) at(a, lda, r, next) = at(a, lda, r, i);
    }
    ++next;
  }
}

void BOUND_RELEASE(int n, int* ibound, const double* g, bool& done) {
  const double gradtl = library_state().bounded_optimizer.gradtl;
  for (int i = 0; i < n; ++i) {
    if ((ibound[i] == 1 && g[i] < -gradtl) || (ibound[i] == 2 && g[i] > gradtl)) {
      ibound[i] = 0;
      done = false;
      return;
    }
  }
}

void HESSIAN_INIT_DIAG(int n, double fx0, double fscale, const double* xscale, int choice,
                       double* h, int ldh) {
  const double scale = std::sqrt(std::max(std::abs(fx0), fscale));
  for (int j = 0; j < n; ++j) {
    VECTOR_SET(n, 0.0, &at(h, ldh, 0, j), 1);
    at(h, ldh, j, j) = choice == 0 ? 1.0 : scale * xscale[j];
  }
}

void HESSIAN_FACTOR(int m, double* a, int lda, const double* xscale, double* work) {
  const double s = std::sqrt(DMACH(4));
  for (int j = 0; j < m; ++j) {
    for (int i = j; i < m; ++i) at(a, lda, i, j) /= xscale[i] * xscale[j];
  }

  double maxdiag = at(a, lda, 0, 0);
  double mindiag = maxdiag;
  for (int i = 1; i < m; ++i) {
    maxdiag = std::max(maxdiag, at(a, lda, i, i));
    mindiag = std::min(mindiag, at(a, lda, i, i));
  }
  const double maxposdiag = std::max(maxdiag, 0.0);

  // A shift that makes the diagonal safely positive and dominant over the
  // largest off-diagonal entry.
  double mu = 0.0;
  if (mindiag <= s * maxposdiag) {
    mu = 2.0 * (maxposdiag - mindiag) * s - mindiag;
    maxdiag += mu;
  }
  double maxoff = 0.0;
  for (int j = 0; j < m; ++j) {
    for (int i = j + 1; i < m; ++i) maxoff = std::max(maxoff, std::abs(at(a, lda, i, j)));
  }
  if (maxoff * (1.0 + 2.0 * s) > maxdiag) {
    mu += (maxoff - maxdiag) + 2.0 * s * maxoff;
    maxdiag = maxoff * (1.0 + 2.0 * s);
  }
  if (maxdiag == 0.0) {
    mu = 1.0;
    maxdiag = 1.0;
  }
  if (mu > 0.0) VECTOR_ADD_SCALAR(m, mu, a, lda + 1);

  // Keep the shifted matrix: diagonal in WORK, strict lower triangle above it.
  for (int j = 0; j < m; ++j) {
    work[j] = at(a, lda, j, j);
    for (int i = j + 1; i < m; ++i) at(a, lda, j, i) = at(a, lda, i, j);
  }

  double maxoffl = std::sqrt(std::max(maxdiag, maxoff / m));
  double addmax = 0.0;
  PERTURBED_CHOLESKY(m, a, lda, maxoffl, addmax);

  if (addmax > 0.0) {
    // Pivots had to be raised: shift by the Gerschgorin estimate of the
    // smallest eigenvalue instead (no more than the largest addition) and
    // factor again.
    for (int j = 0; j < m; ++j) at(a, lda, j, j) = work[j];
    DCSFRG(m, a, lda);
    double maxev = 0.0;
    double minev = 0.0;
    for (int i = 0; i < m; ++i) {
      double offsum = 0.0;
      for (int j = 0; j < m; ++j) {
        if (j != i) offsum += std::abs(at(a, lda, i, j));
      }
      const double hi = at(a, lda, i, i) + offsum;
      const double lo = at(a, lda, i, i) - offsum;
      if (i == 0 || hi > maxev) maxev = hi;
      if (i == 0 || lo < minev) minev = lo;
    }
    const double sdd = std::max((maxev - minev) * s - minev, 0.0);
    mu = std::min(addmax, sdd);
    VECTOR_ADD_SCALAR(m, mu, a, lda + 1);
    for (int j = 0; j < m; ++j) work[j] = at(a, lda, j, j);
    maxoffl = 0.0;
    PERTURBED_CHOLESKY(m, a, lda, maxoffl, addmax);
  }

  for (int j = 0; j < m; ++j) {
    for (int i = j; i < m; ++i) at(a, lda, i, j) *= xscale[i];
  }
}

void PERTURBED_CHOLESKY(int m, double* a, int lda, double& maxoffl, double& addmax) {
  const double eps = DMACH(4);
  const double minl = std::sqrt(std::sqrt(eps)) * maxoffl;
  double minl2 = std::sqrt(eps) * maxoffl;
  if (maxoffl == 0.0) {
    double largest = 0.0;
    for (int i = 0; i < m; ++i) largest = std::max(largest, std::abs(at(a, lda, i, i)));
    maxoffl = std::sqrt(largest);
    minl2 = std::sqrt(eps) * maxoffl;
  }
  addmax = 0.0;
  for (int j = 0; j < m; ++j) {
    double ljj = at(a, lda, j, j);
    for (int k = 0; k < j; ++k) ljj -= at(a, lda, j, k) * at(a, lda, j, k);
    double minljj = 0.0;
    for (int i = j + 1; i < m; ++i) {
      double lij = at(a, lda, i, j);
      for (int k = 0; k < j; ++k) lij -= at(a, lda, i, k) * at(a, lda, j, k);
      at(a, lda, i, j) = lij;
      minljj = std::max(minljj, std::abs(lij));
    }
    minljj = std::max(minljj / maxoffl, minl);
    if (ljj > minljj * minljj) {
      ljj = std::sqrt(ljj);
    } else {
      minljj = std::max(minljj, minl2);
      addmax = std::max(addmax, minljj * minljj - ljj);
      ljj = minljj;
    }
    at(a, lda, j, j) = ljj;
    for (int i = j + 1; i < m; ++i) at(a, lda, i, j) /= ljj;
  }
}

void QN_DIRECTION(int m, const double* l, int ldl, const double* g, double* p) {
  FORWARD_SUBSTITUTE(m, l, ldl, g, p);
  BACK_SUBSTITUTE(m, l, ldl, p, p);
  VECTOR_SCALE(m, -1.0, p, 1);
}

void FORWARD_SUBSTITUTE(int m, const double* l, int ldl, const double* b, double* y) {
  for (int i = 0; i < m; ++i) {
    double sum = b[i];
    for (int k = 0; k < i; ++k) sum -= at(l, ldl, i, k) * y[k];
    y[i] = sum / at(l, ldl, i, i);
  }
}

void BACK_SUBSTITUTE(int m, const double* l, int ldl, const double* y, double* x) {
  for (int i = m - 1; i >= 0; --i) {
    double sum = y[i];
    for (int k = i + 1; k < m; ++k) sum -= at(l, ldl, k, i) * x[k];
    x[i] = sum / at(l, ldl, i, i);
  }
}

void VECTOR_XSCALE(int n, const double* s, int mode, const double* v, double* result) {
  for (int i = 0; i < n; ++i) {
    if (mode == 1) {
      result[i] = v[i] * s[i];
    } else if (mode == -1) {
      result[i] = v[i] / s[i];
    } else if (mode > 1) {
      result[i] = std::pow(s[i], mode) * v[i];
    } else {
      result[i] = v[i] / std::pow(s[i], -mode);
    }
  }
}

void VECTOR_ADD_SCALAR(int n, double a, double* x, int incx) {
  if (incx <= 0) return;
  for (int i = 0; i < n; ++i) x[static_cast<std::ptrdiff_t>(i) * incx] += a;
}

void BOUNDED_LINE_SEARCH(OBJECTIVE_FUNCTION f, int n, const double* x, double fc, const double* g,
                         const double* xlb, const double* xub, const double* p,
                         const double* xscale, double stepmx, double steptl, const int* ibound,
                         int& iretcd, double* xpls, double& fpls, double* sc, bool& mxtake,
                         double& sclen, double /*eta*/, int& nfcn) {
  LineSearchState& previous = library_state().line_search;
  // The smallest normalised double, unless its product with the largest one is
  // below 1 (then the reciprocal of the largest).
  const double tiny = DMACH(2) * DMACH(1) < 1.0 ? 1.0 / DMACH(2) : DMACH(1);
  iretcd = 2;
  mxtake = false;

  // The working step in SC: P, cut to the length STEPMX.
  if (sclen > stepmx) {
    VECTOR_SCALED_COPY(n, stepmx / sclen, p, 1, sc, 1);
    sclen = stepmx;
  } else {
    VECTOR_COPY(n, p, 1, sc, 1);
  }

  // The fraction of the step that stays in the box, and the variable that
  // fixes it (-1: none within the whole step).
  double u = 1.0;
  int blocking = -1;
  double blocking_bound = 0.0;
  for (int i = 0; i < n; ++i) {
    if (ibound[i] != 0 || sc[i] == 0.0) continue;
    const double bound = sc[i] > 0.0 ? xub[i] : xlb[i];
    const double ratio = std::max(0.0, (bound - x[i]) / sc[i]);
    if (ratio < u || (ratio == u && blocking < 0)) {
      u = ratio;
      blocking = i;
      blocking_bound = bound;
    }
  }
  if (u != 1.0) {
    VECTOR_SCALE(n, u, sc, 1);
    sclen *= u;
  }

  // The slope over the free variables only: a held variable's step is 0, while
  // its difference gradient may be NaN where f is undefined past its bound.
  double slope = 0.0;
  for (int i = 0; i < n; ++i) {
    if (ibound[i] == 0) slope = slope + g[i] * sc[i];
  }
  double rellength = 0.0;
  for (int i = 0; i < n; ++i) {
    if (ibound[i] == 0) {
      rellength = std::max(rellength, std::abs(sc[i]) / std::max(std::abs(x[i]), 1.0 / xscale[i]));
    }
  }
  rellength = std::max(rellength, tiny);
  if (std::isnan(slope)) {
    // A NaN gradient of a free variable (f undefined beside X): no trial can
    // meet the decrease test, and its point would hold NaN. No lower point.
    iretcd = 1;
    VECTOR_COPY(n, x, 1, xpls, 1);
    fpls = fc;
    VECTOR_SET(n, 0.0, sc, 1);
    return;
  }
  const double minlambda = steptl / rellength;
  double lambda = 1.0;
  bool first = true;

  while (iretcd == 2) {
    for (int i = 0; i < n; ++i) {
      // In the box, lower bound first; rounding must not leave it.
      double t = x[i] + lambda * sc[i];
      if (t < xlb[i]) {
        t = xlb[i];
      } else if (t > xub[i]) {
        t = xub[i];
      }
      xpls[i] = t;
    }
    if (lambda == 1.0 && blocking >= 0) xpls[blocking] = blocking_bound;
    call_user_routine(f, n, static_cast<const double*>(xpls), fpls);
    ++nfcn;

    if (fpls <= fc + 1e-4 * lambda * slope) {
      iretcd = 0;
      mxtake = lambda * sclen > 0.99 * stepmx;
    } else if (lambda < minlambda || lambda == 0.0) {
      // No lower point: stay at X, with its own value.
      iretcd = 1;
      VECTOR_COPY(n, x, 1, xpls, 1);
      fpls = fc;
    } else {
      double lambda_t;
      if (first) {
        lambda_t = -slope / (2.0 * (fpls - fc - slope));
        first = false;
      } else {
        const double r1 = fpls - fc - lambda * slope;
        const double r2 = previous.value - fc - previous.lambda * slope;
        const double l2 = lambda * lambda;
        const double p2 = previous.lambda * previous.lambda;
        const double a = (r1 / l2 - r2 / p2) / (lambda - previous.lambda);
        const double b =
            (lambda * r2 / p2 - previous.lambda * r1 / l2) / (lambda - previous.lambda);
        if (std::abs(a) <= tiny) {
          lambda_t = -slope / (2.0 * b);
        } else {
          const double disc = b * b - 3.0 * a * slope;
          lambda_t = disc < 0.0 ? 0.5 * lambda : (-b + std::sqrt(disc)) / (3.0 * a);
        }
      }
      // A NaN or infinite trial value gives no usable model: halve.
      if (!std::isfinite(lambda_t)) lambda_t = 0.5 * lambda;
      lambda_t = std::min(lambda_t, 0.5 * lambda);
      previous.lambda = lambda;
      previous.value = fpls;
      lambda = std::max(lambda_t, 0.1 * lambda);
    }
  }
  VECTOR_SCALE(n, lambda, sc, 1);
}

void SECANT_UPDATE(int n, const double* s, const double* gold, const double* gnew, double eta,
                   int analytic, double* h, int ldh, double* y, double* t) {
  for (int i = 0; i < n; ++i) y[i] = gnew[i] - gold[i];
  const double sty = VECTOR_DOT(n, s, 1, y, 1);
  const double snorm = VECTOR_NORM2(n, s, 1);
  const double ynorm = VECTOR_NORM2(n, y, 1);
  // Curvature along s must be positive (with y = 0 the second test alone
  // would let 0/0 through).
  if (!(sty > 0.0) || sty < std::sqrt(DMACH(4)) * snorm * ynorm) return;

  const double tol = analytic != 0 ? eta : std::sqrt(eta);
  for (int i = 0; i < n; ++i) {
    double sum = 0.0;
    for (int j = 0; j < n; ++j) sum += at(h, ldh, i, j) * s[j];
    t[i] = sum;
  }
  bool matches = true;
  for (int i = 0; i < n && matches; ++i) {
    matches = std::abs(y[i] - t[i]) < tol * std::max(std::abs(gold[i]), std::abs(gnew[i]));
  }
  if (matches) return;

  const double stt = VECTOR_DOT(n, s, 1, t, 1);
  for (int j = 0; j < n; ++j) {
    for (int i = j; i < n; ++i) {
      at(h, ldh, i, j) += y[i] * y[j] / sty - t[i] * t[j] / stt;
      at(h, ldh, j, i) = at(h, ldh, i, j);
    }
  }
}

}  // namespace numlib
