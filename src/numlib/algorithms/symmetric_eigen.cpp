#include "numlib/algorithms/symmetric_eigen.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <utility>

#include "numlib/algorithms/fortran_arithmetic.h"
#include "numlib/algorithms/rotations.h"
#include "numlib/support/level2_kernels.h"
#include "numlib/support/library.h"
#include "numlib/support/sorting.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {

namespace {

constexpr std::string_view kNotConverged =
    "The iteration for the eigenvalue failed  to converge in 100 iterations before "
    "              deflating ";

constexpr std::string_view kNoStorage =
    "The required storage cannot be allocated.  The specified N may be too large, where N = "
    "%(I1).";

// Element (i, j) of a matrix by columns, counted from 0.
inline double& at(double* a, int lda, int i, int j) {
  return a[i + static_cast<std::ptrdiff_t>(j) * lda];
}
inline const double& at(const double* a, int lda, int i, int j) {
  return a[i + static_cast<std::ptrdiff_t>(j) * lda];
}

double safe_minimum() { return std::max(DMACH(1), 1.0 / DMACH(2)); }

// Heap storage for COUNT values, or the routine's TERMINAL storage message and
// the end of the run.
template <class T>
std::unique_ptr<T[]> obtain(std::uint64_t count, int n, int code) {
  std::unique_ptr<T[]> p;
  if (count <= PTRDIFF_MAX / sizeof(T)) {
    p.reset(new (std::nothrow) T[std::max<std::uint64_t>(count, 1)]);
  }
  if (!p) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, code, kNoStorage);
    print_message_and_end_run();
  }
  return p;
}

// TERMINAL 1 N < 1, 2 LDA < N, 3 LDEVEC < N, the last two with the caller's texts.
void order_checks(int n, int lda, int ldevec, std::string_view lda_text,
                  std::string_view ldevec_text) {
  if (n < 1) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 1, "The argument N = %(I1).  The order of the matrix must be at least 1.");
  }
  if (lda < n) {
    ERROR_STORE_INTEGER(1, lda);
    ERROR_STORE_INTEGER(2, n);
    E1MES(5, 2, lda_text);
  }
  if (ldevec < n) {
    ERROR_STORE_INTEGER(1, ldevec);
    ERROR_STORE_INTEGER(2, n);
    E1MES(5, 3, ldevec_text);
  }
}

// The rotations of two consecutive sweep steps in one pass over columns x, y,
// w: first (c1, s1) on (y, w), then (c2, s2) on (x, y), each (c, s) taking
// (x, y) to (c x - s y, s x + c y). Each element sees the same operations as
// with two separate passes.
void rotate_column_pairs(int n, double c1, double s1, double c2, double s2, double* x, double* y,
                         double* w) {
  for (int k = 0; k < n; ++k) {
    const double yk = c1 * y[k] - s1 * w[k];
    w[k] = s1 * y[k] + c1 * w[k];
    const double xk = x[k];
    x[k] = c2 * xk - s2 * yk;
    y[k] = s2 * xk + c2 * yk;
  }
}

}  // namespace

void DEVCSF(int n, double* a, int lda, double* eval, double* evec, int ldevec) {
  Frame frame("DEVCSF");
  if (n < 1) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 1, "The argument N = %(i1).  The order of the matrix must be at least 1.");
    frame.pop();
    return;
  }
  auto rwork = obtain<double>(3 * static_cast<std::uint64_t>(n), n, 2);
  auto iwork = obtain<int>(static_cast<std::uint64_t>(n), n, 2);
  De5csf(n, a, lda, eval, evec, ldevec, rwork.get(), iwork.get());
  frame.pop();
}

void De5csf(int n, double* a, int lda, double* eval, double* evec, int ldevec, double* rwork,
            int* iwork) {
  Frame frame("De5csf");
  EIGEN_ORDER_CHECKS(n, lda, ldevec);
  if (N1RTY(0) > 0) {
    frame.pop();
    return;
  }
  if (n == 1) {
    evec[0] = 1.0;
    eval[0] = a[0];
    frame.pop();
    return;
  }

  // The strict lower triangle is kept aside and put back at the end, so that a
  // caller who filled only that triangle gets it back as given.
  const std::uint64_t lower_count = static_cast<std::uint64_t>(n) * (n - 1) / 2;
  auto lower = obtain<double>(lower_count, n, 2);
  for (int j = 0, k = 0; j < n - 1; ++j) {
    for (int i = j + 1; i < n; ++i) lower[k++] = at(a, lda, i, j);
  }

  double* shift = rwork;
  double* e = rwork + n;
  double* e2 = rwork + 2 * n;
  double* d = eval;
  double scale = 0.0;
  De6csf(n, a, lda, d, e, e2, evec, ldevec, 1, scale);

  if (scale != 0.0) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += d[i] * d[i] + e2[i];
    const double norm = std::sqrt(scale * sum);
    const double eps = DMACH(4);
    double t = safe_minimum();

    // Unreduced blocks [l, m] (from 0) within [l, limit]; after De7csf stops
    // early, the rest of its block is split again with fresh shifts, and from
    // then on every block's squared couplings are formed afresh from E.
    bool resplit = false;
    int l = 0;
    int limit = n - 1;
    for (;;) {
      if (l >= limit) {
        if (limit >= n - 1) break;
        l = limit + 1;
        limit = n - 1;
        continue;
      }
      t = std::max(t, eps * (std::abs(d[l]) + std::abs(e[l + 1])));
      if (std::abs(e[l + 1]) <= t) {
        ++l;
        continue;
      }
      int m = l + 1;
      while (m < limit && !(std::abs(e[m + 1]) <= t)) ++m;

      const int size = m - l + 1;
      VECTOR_COPY(size, d + l, 1, shift + l, 1);
      if (resplit) {
        for (int i = l + 1; i <= m; ++i) e2[i] = e[i] * e[i];
      }
      De5lsf(size, shift + l, e2 + l, e2 + l);
      DSVRBN(size, shift + l, shift + l);
      int stop = l + 1;
      De7csf(stop, m + 1, n, d, shift, e, norm, evec, ldevec);
      if (stop - 1 < m) {
        resplit = true;
        l = stop - 1;
        limit = m;
      } else {
        l = m + 1;
        limit = n - 1;
      }
    }
    if (scale != 1.0) VECTOR_SCALE(n, scale, eval, 1);

    // Nonincreasing magnitude: sort the keys -|lambda| carrying the positions,
    // then move the pairs by exchanges, following each position's chain past
    // the places already filled.
    for (int i = 0; i < n; ++i) {
      shift[i] = -std::abs(eval[i]);
      iwork[i] = i + 1;
    }
    DSVRGP(n, shift, shift, iwork);
    for (int i = 0; i < n - 1; ++i) {
      int k = iwork[i] - 1;
      while (k < i) k = iwork[k] - 1;
      if (k != i) {
        std::swap(eval[i], eval[k]);
        VECTOR_SWAP(n, &at(evec, ldevec, 0, i), 1, &at(evec, ldevec, 0, k), 1);
      }
    }
    for (int j = 0; j < n; ++j) {
      double* column = &at(evec, ldevec, 0, j);
      const int big = VECTOR_INDEX_MAX_ABS(n, column, 1);
      if (column[big - 1] < 0.0) VECTOR_SCALE(n, -1.0, column, 1);
    }
  }

  for (int j = 0, k = 0; j < n - 1; ++j) {
    for (int i = j + 1; i < n; ++i) at(a, lda, i, j) = lower[k++];
  }
  frame.pop();
}

void EIGEN_ORDER_CHECKS(int n, int lda, int ldevec) {
  order_checks(n, lda, ldevec,
               "The argument LDA = %(I1).  The leading dimension of the matrix must be at least "
               "equal to the order of the matrix, N = %(I2).",
               "The argument LDEVEC = %(I1).  The leading dimension of the eigenvector matrix must "
               "be at least the order of the matrix, N = %(I2).");
}

void De6csf(int n, double* a, int lda, double* d, double* e, double* e2, double* z, int ldz,
            int ijob, double& scale) {
  Frame frame("De6csf");
  const bool vectors = (ijob & 1) != 0;
  scale = 0.0;
  double amax = 0.0;
  for (int j = 0; j < n; ++j) {
    d[j] = at(a, lda, j, j);
    for (int i = j; i < n; ++i) amax = std::max(amax, std::abs(at(a, lda, i, j)));
  }
  if (amax == 0.0) {
    VECTOR_SET(n, 0.0, d, 1);
    VECTOR_SET(n, 0.0, e, 1);
    VECTOR_SET(n, 0.0, e2, 1);
    if (vectors) {
      for (int j = 0; j < n; ++j) {
        VECTOR_SET(n, 0.0, &at(z, ldz, 0, j), 1);
        at(z, ldz, j, j) = 1.0;
      }
    }
    frame.pop();
    return;
  }
  e[0] = 0.0;
  e2[0] = 0.0;
  if (n == 1) {
    scale = 1.0;
    if (vectors) z[0] = 1.0;
    frame.pop();
    return;
  }

  // Scale by 2**-g, g the exponent of amax truncated toward 0, so that scaling
  // and unscaling are exact. The exponent is clamped: an infinite or NaN amax
  // is not scaled, a subnormal one is not scaled past the double range.
  const double exponent = std::log10(amax) / DMACH(5);
  const int g = std::isfinite(exponent)
                    ? static_cast<int>(std::clamp(std::trunc(exponent), -1022.0, 1022.0))
                    : 0;
  const double factor = std::ldexp(1.0, -g);
  if (factor != 1.0) {
    for (int j = 0; j < n; ++j) VECTOR_SCALE(n - j, factor, &at(a, lda, j, j), 1);
  }

  const double tol = DMACH(1) / DMACH(4);
  for (int k = 1; k < n - 1; ++k) {
    const int j = k - 1;  // the column whose elements below row k are annihilated
    double* u = &at(a, lda, 0, j);
    std::swap(d[j], at(a, lda, j, j));
    const double w = u[k];
    double sigma = 0.0;
    for (int i = k + 1; i < n; ++i) {
      e[i] = u[i];
      sigma += e[i] * e[i];
    }
    if (w * w + sigma <= tol) {
      e[k] = 0.0;
      u[k] = 0.0;
      e2[k] = 0.0;
    } else if (sigma <= tol) {
      e[k] = w;
      u[k] = 0.0;
      e2[k] = w * w;
    } else {
      // H = I + u u'/u(k), u = -(a + x e_k)/x: H a = -x e_k.
      sigma += w * w;
      e2[k] = sigma;
      const double x = fortran_sign(std::sqrt(sigma), w);
      u[k] = -w / x - 1.0;
      for (int i = k + 1; i < n; ++i) u[i] = -e[i] / x;
      // H A22 H = A22 + u q' + q u' with p = A22 u, q = (p + K u)/u(k).
      const int size = n - k;
      DSYMV("L", size, 1.0, &at(a, lda, k, k), lda, u + k, 1, 0.0, e + k, 1);
      const double big_k = VECTOR_DOT(size, e + k, 1, u + k, 1) / (2.0 * u[k]);
      for (int i = k; i < n; ++i) e[i] = (e[i] + big_k * u[i]) / u[k];
      DSYR2("L", size, 1.0, u + k, 1, e + k, 1, &at(a, lda, k, k), lda);
      e[k] = -x;
    }
  }
  std::swap(d[n - 2], at(a, lda, n - 2, n - 2));
  std::swap(d[n - 1], at(a, lda, n - 1, n - 1));
  e[n - 1] = at(a, lda, n - 1, n - 2);
  e2[n - 1] = e[n - 1] * e[n - 1];
  scale = std::ldexp(1.0, g);

  if (vectors) {
    // Z = H1 H2 ... from the last reflection back; reflection j acts on rows
    // j+1.. and leaves the columns before j+1 as unit vectors.
    for (int j = 0; j < n; ++j) VECTOR_SET(n, 0.0, &at(z, ldz, 0, j), 1);
    at(z, ldz, n - 2, n - 2) = 1.0;
    at(z, ldz, n - 1, n - 1) = 1.0;
    for (int m = n - 2; m >= 1; --m) {
      at(z, ldz, m - 1, m - 1) = 1.0;
      const double* u = &at(a, lda, 0, m - 1);
      if (u[m] == 0.0) continue;
      for (int q = m; q < n; ++q) {
        double* zq = &at(z, ldz, 0, q);
        const double t = VECTOR_DOT(n - m, u + m, 1, zq + m, 1);
        VECTOR_AXPY(n - m, t / u[m], u + m, 1, zq + m, 1);
      }
    }
  }
  e[0] = 0.0;
  e2[0] = 0.0;
  frame.pop();
}

void De5lsf(int n, double* d, double* e2, double* work) {
  // A root-free QL iteration on the squared couplings (rational QL with
  // Newton-free shifts), eigenvalues inserted in ascending order as they
  // converge.
  Frame frame("De5lsf");
  if (n <= 1) {
    frame.pop();
    return;
  }
  for (int i = 1; i < n; ++i) work[i - 1] = e2[i];
  work[n - 1] = 0.0;
  const double eps = DMACH(4);
  double f = 0.0;
  double t = 0.0;
  double b = 0.0;
  double c = 0.0;
  for (int l = 0; l < n; ++l) {
    const double h0 = std::abs(d[l]) + std::sqrt(work[l]);
    if (!(t > h0)) {
      t = h0;
      b = eps * t;
      c = b * b;
    }
    int m = l;
    while (m < n - 1 && !(work[m] <= c)) ++m;
    if (m != l) {
      for (int iteration = 0;; ++iteration) {
        if (iteration == 100) {
          E1MES(3, 1, kNotConverged);
          break;
        }
        double s = std::sqrt(work[l]);
        double g = d[l];
        double p = (d[l + 1] - g) / (2.0 * s);
        double r = std::hypot(p, 1.0);
        d[l] = s / (p + fortran_sign(r, p));
        double h = g - d[l];
        for (int i = l + 1; i < n; ++i) d[i] -= h;
        f += h;

        g = d[m];
        if (g == 0.0) g = b;
        h = g;
        s = 0.0;
        for (int i = m - 1; i >= l; --i) {
          p = g * h;
          r = p + work[i];
          work[i + 1] = s * r;
          s = work[i] / r;
          d[i + 1] = h + s * (h + d[i]);
          g = d[i] - work[i] / g;
          if (g == 0.0) g = b;
          h = g * p / r;
        }
        work[l] = s * g;
        d[l] = h;
        // Converged when the coupling is negligible, tested without underflow.
        if (h == 0.0 || std::abs(work[l]) <= std::abs(c / h)) break;
        work[l] = h * work[l];
        if (work[l] == 0.0) break;
      }
    }
    const double p = d[l] + f;
    int i = l;
    while (i > 0 && p < d[i - 1]) {
      d[i] = d[i - 1];
      --i;
    }
    d[i] = p;
  }
  frame.pop();
}

void De7csf(int& l_io, int m_io, int n, double* d, const double* shift, double* e, double norm,
            double* z, int ldz) {
  Frame frame("De7csf");
  if (n == 1 || l_io == m_io) {
    frame.pop();
    return;
  }
  const int m = m_io - 1;  // rows counted from 0 below
  const double eps = DMACH(4);
  const int sweep_limit = library_state().eigen_limits.ql_sweeps;
  double t = safe_minimum();
  for (int l = l_io - 1; l != m; ++l) {
    const double sigma0 = shift[l];
    for (int it = 0;;) {
      const double el = e[l + 1];
      bool converged = std::abs(el) <= eps * std::abs(sigma0);
      if (!converged) {
        t = std::max(t, eps * (std::abs(d[l]) + std::abs(el)));
        converged = std::abs(el) <= t;
      }
      if (converged) {
        if (it > 2) {  // slow: split again with fresh shifts
          l_io = l + 2;
          frame.pop();
          return;
        }
        break;
      }
      for (int i = l + 2; i <= m; ++i) {
        if (std::abs(e[i]) <= t) {
          l_io = l + 1;
          frame.pop();
          return;
        }
      }
      if (it >= sweep_limit) {
        E1MES(3, 1, kNotConverged);
        break;
      }

      ++it;
      double sigma = sigma0;
      if (it > 2) {
        if (it > 4 && std::abs(el) <= eps * norm) {
          l_io = l + 2;
          frame.pop();
          return;
        }
        // The eigenvalue of the leading 2 by 2 block nearer D(l).
        const double delta = (d[l + 1] - d[l]) / 2.0;
        const double root = std::sqrt(delta * delta + el * el);
        sigma = d[l] - el * el / (delta + (delta >= 0.0 ? root : -root));
      }
      for (int i = l; i <= m; ++i) d[i] -= sigma;

      double cs = 1.0;
      double sn = 0.0;
      double p = d[m];
      double pending_cs = 0.0;
      double pending_sn = 0.0;
      bool pending = false;
      for (int i = m - 1; i >= l; --i) {
        const double ei = e[i + 1];
        const double f = cs * ei;
        const double b = cs * p;
        if (std::abs(ei) <= std::abs(p)) {
          const double tt = ei / p;
          const double r = std::sqrt(1.0 + tt * tt);
          if (i + 2 < n) e[i + 2] = sn * p * r;
          cs = 1.0 / r;
          sn = tt * cs;
        } else {
          const double tt = p / ei;
          const double r = std::sqrt(1.0 + tt * tt);
          if (i + 2 < n) e[i + 2] = sn * ei * r;
          sn = 1.0 / r;
          cs = tt * sn;
        }
        p = cs * d[i] - sn * f;
        d[i + 1] = (cs * f + sn * d[i]) * sn + b;
        // Rotations go to Z two steps at a time.
        if (pending) {
          rotate_column_pairs(n, pending_cs, pending_sn, cs, sn, &at(z, ldz, 0, i),
                              &at(z, ldz, 0, i + 1), &at(z, ldz, 0, i + 2));
          pending = false;
        } else {
          pending_cs = cs;
          pending_sn = sn;
          pending = true;
        }
      }
      if (pending) {
        GIVENS_APPLY(n, &at(z, ldz, 0, l), 1, &at(z, ldz, 0, l + 1), 1, pending_cs, -pending_sn);
      }
      e[l + 1] = sn * p;
      d[l] = cs * p;
      for (int i = l; i <= m; ++i) d[i] += sigma;
    }
  }
  l_io = m_io;
  frame.pop();
}

double DEPISF(int n, int neval, const double* a, int lda, const double* eval, const double* evec,
              int ldevec) {
  Frame frame("DEPISF");
  auto work = obtain<double>(static_cast<std::uint64_t>(std::max(n, 1)), n, 5);
  const double index = DE2ISF(n, neval, a, lda, eval, evec, ldevec, work.get());
  frame.pop();
  return index;
}

double DE2ISF(int n, int neval, const double* a, int lda, const double* eval, const double* evec,
              int ldevec, double* work) {
  Frame frame("DE2ISF");
  order_checks(n, lda, ldevec,
               "The argument LDA = %(I1).  The leading dimension of the matrix must be at least "
               "the order of the matrix,  N = %(I2).",
               "The argument LDEVEC = %(I1). The leading dimension of the eigenvector matrix must "
               "be at least the order of the matrix, N = %(I2).");
  if (neval < 1 || neval > n) {
    ERROR_STORE_INTEGER(1, neval);
    ERROR_STORE_INTEGER(2, n);
    E1MES(5, 4,
          "The argument NEVAL = %(I1).  The number of eigenvalue/eigenvector pairs on which the "
          "calculation of the performance index is based must be greater than 0 and less than or "
          "equal to N = %(I2).");
  }
  if (N1RTY(0) > 0) {
    frame.pop();
    return 0.0;
  }

  // ||A||_1 from the upper triangle: column j is A(1..j, j) and row j to its right.
  double anorm = 0.0;
  for (int j = 0; j < n; ++j) {
    const double column = VECTOR_ABS_SUM(j + 1, &at(a, lda, 0, j), 1) +
                          VECTOR_ABS_SUM(n - j - 1, &at(a, lda, j, std::min(j + 1, n - 1)), lda);
    anorm = std::max(anorm, column);
  }
  if (anorm == 0.0) {
    E1MES(3, 3, "The argument matrix A is zero.");
    frame.pop();
    return 0.0;
  }

  const double unit = 10.0 * DMACH(4) * n;
  double index = 0.0;
  for (int j = 0; j < neval; ++j) {
    const double* z = &at(evec, ldevec, 0, j);
    VECTOR_COPY(n, z, 1, work, 1);
    DSYMV("U", n, 1.0, a, lda, z, 1, -eval[j], work, 1);
    const double znorm = VECTOR_ABS_SUM(n, z, 1);
    if (znorm == 0.0) {
      ERROR_STORE_INTEGER(1, j + 1);
      E1MES(3, 2, "Eigenvector number %(I1) is zero.");
      frame.pop();
      return index;
    }
    index = std::max(index, VECTOR_ABS_SUM(n, work, 1) / (anorm * znorm * unit));
  }
  if (index > 100.0) {
    ERROR_STORE_DOUBLE(1, index);
    E1MES(3, 1, "The performance index = %(D1).  A value greater than 100 is considered poor.");
  }
  frame.pop();
  return index;
}

}  // namespace numlib
