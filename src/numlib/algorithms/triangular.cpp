#include "numlib/algorithms/triangular.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

using Index = std::ptrdiff_t;

inline double& at(double* a, int lda, int i, int j) { return a[i + Index(j) * lda]; }
inline double at(const double* a, int lda, int i, int j) { return a[i + Index(j) * lda]; }

char first_letter(std::string_view text) { return text.empty() ? ' ' : text.front(); }

// A failed check of DTRSV: its name goes on the stack only for the report.
void dtrsv_error(int code, std::string_view text, int i1, int i2 = 0,
                 std::string_view letter = {}) {
  E1PSH("DTRSV");
  ERROR_STORE_INTEGER(1, i1);
  ERROR_STORE_INTEGER(2, i2);
  if (!letter.empty()) ERROR_STORE_STRING(1, letter);
  E1MES(5, code, text);
  E1POP("DTRSV");
}

// The four solves of DTRSV, loop for loop as the reference BLAS writes them so
// that results agree with it; x is walked from KX with increment INCX.
void solve_upper(bool nounit, int n, const double* a, int lda, double* x, int incx, Index kx) {
  Index jx = kx + Index(n - 1) * incx;
  for (int j = n - 1; j >= 0; --j, jx -= incx) {
    if (x[jx] == 0.0) continue;
    if (nounit) x[jx] = x[jx] / at(a, lda, j, j);
    const double temp = x[jx];
    Index ix = jx;
    for (int i = j - 1; i >= 0; --i) {
      ix -= incx;
      x[ix] = x[ix] - temp * at(a, lda, i, j);
    }
  }
}

void solve_lower(bool nounit, int n, const double* a, int lda, double* x, int incx, Index kx) {
  Index jx = kx;
  for (int j = 0; j < n; ++j, jx += incx) {
    if (x[jx] == 0.0) continue;
    if (nounit) x[jx] = x[jx] / at(a, lda, j, j);
    const double temp = x[jx];
    Index ix = jx;
    for (int i = j + 1; i < n; ++i) {
      ix += incx;
      x[ix] = x[ix] - temp * at(a, lda, i, j);
    }
  }
}

void solve_upper_transposed(bool nounit, int n, const double* a, int lda, double* x, int incx,
                            Index kx) {
  Index jx = kx;
  for (int j = 0; j < n; ++j, jx += incx) {
    double temp = x[jx];
    Index ix = kx;
    for (int i = 0; i < j; ++i, ix += incx) temp = temp - at(a, lda, i, j) * x[ix];
    if (nounit) temp = temp / at(a, lda, j, j);
    x[jx] = temp;
  }
}

void solve_lower_transposed(bool nounit, int n, const double* a, int lda, double* x, int incx,
                            Index kx) {
  kx += Index(n - 1) * incx;
  Index jx = kx;
  for (int j = n - 1; j >= 0; --j, jx -= incx) {
    double temp = x[jx];
    Index ix = kx;
    for (int i = n - 1; i > j; --i, ix -= incx) temp = temp - at(a, lda, i, j) * x[ix];
    if (nounit) temp = temp / at(a, lda, j, j);
    x[jx] = temp;
  }
}

// The inverse of R on the rows and columns with a non-zero diagonal, zero
// elsewhere: column j of it solves R·v = e(j) over those rows.
void generalized_inverse(int n, const double* r, int ldr, double* rinv, int ldrinv) {
  for (int j = 0; j < n; ++j) {
    double* v = rinv + Index(j) * ldrinv;
    VECTOR_SET(n, 0.0, v, 1);
    if (at(r, ldr, j, j) == 0.0) continue;
    v[j] = 1.0;
    for (int i = j; i >= 0; --i) {
      const double rii = at(r, ldr, i, i);
      if (rii == 0.0) {
        v[i] = 0.0;
        continue;
      }
      v[i] = v[i] / rii;
      const double t = v[i];
      for (int l = 0; l < i; ++l) v[l] = v[l] - t * at(r, ldr, l, i);
    }
  }
}

}  // namespace

void DTRSV(std::string_view uplo, std::string_view trans, std::string_view diag, int n,
           const double* a, int lda, double* x, int incx) {
  const char u = first_letter(uplo), t = first_letter(trans), d = first_letter(diag);
  if (n < 0)
    return dtrsv_error(1, "N must be greater than or equal to zero while %(I1) is given.", n);
  if (lda < std::max(1, n))
    return dtrsv_error(2,
                       "LDA must be greater than or equal to N and greater than zero while LDA = "
                       "%(I1) and N = %(I2) are given.",
                       lda, n);
  if (incx == 0)
    return dtrsv_error(3, "INCX must not be equal to zero while %(I1) is given.", incx);
  if (!SAME_LETTER(t, 'N') && !SAME_LETTER(t, 'T') && !SAME_LETTER(t, 'C'))
    return dtrsv_error(4, "TRANS must be set equal to N or T or C while %(L1) is given.", 0, 0,
                       std::string_view(&t, 1));
  if (!SAME_LETTER(u, 'U') && !SAME_LETTER(u, 'L'))
    return dtrsv_error(5, "UPLO must be set equal to U or L while %(L1) is given.", 0, 0,
                       std::string_view(&u, 1));
  if (!SAME_LETTER(d, 'U') && !SAME_LETTER(d, 'N'))
    return dtrsv_error(6, "DIAG must be set equal to U or N while %(L1) is given.", 0, 0,
                       std::string_view(&d, 1));
  if (n == 0) return;
  const bool nounit = SAME_LETTER(d, 'N');
  const Index kx = walk_start(n, incx);
  const bool upper = SAME_LETTER(u, 'U');
  if (SAME_LETTER(t, 'N')) {
    if (upper)
      solve_upper(nounit, n, a, lda, x, incx, kx);
    else
      solve_lower(nounit, n, a, lda, x, incx, kx);
  } else if (upper) {
    solve_upper_transposed(nounit, n, a, lda, x, incx, kx);
  } else {
    solve_lower_transposed(nounit, n, a, lda, x, incx, kx);
  }
}

void CHECK_ZERO_ROW(int n, const double* r, int ldr, int i, int& nerr) {
  for (int j = 0; j < n; ++j) {
    if (j == i - 1 || at(r, ldr, i - 1, j) == 0.0) continue;
    ERROR_STORE_INTEGER(1, i);
    ERROR_STORE_INTEGER(2, j + 1);
    ERROR_STORE_DOUBLE(1, at(r, ldr, i - 1, i - 1));
    ERROR_STORE_DOUBLE(2, at(r, ldr, i - 1, j));
    E1MES(5, nerr,
          "R(%(I1),%(I1)) = %(D1).  Remaining elements for the row must also be zero, but "
          "R(%(I1),%(I2)) = %(D2) is not.");
    break;
  }
  ++nerr;
}

void DGIRTS(int n, const double* r, int ldr, int nb, const double* b, int ldb, int ipath,
            int& irank, double* x, int ldx, double* rinv, int ldrinv) {
  Frame frame("DGIRTS");
  int nerr = 1;
  CHECK_INT_ARG_RANGE(n, "N", 1, 0, nerr);
  CHECK_DIM_PAIR(1, n, "*N", ldr, "LDR", nerr);
  CHECK_INT_ARG_RANGE(nb, "NB", 0, -1, nerr);
  CHECK_DIM_PAIR(1, n, "*N", ldb, "LDB", nerr);
  CHECK_DIM_PAIR(1, n, "*N", ldx, "LDX", nerr);
  CHECK_INT_ARG_RANGE(ipath, "IPATH", 1, 4, nerr);
  if (ipath == 3 || ipath == 4)
    CHECK_DIM_PAIR(1, n, "*N", ldrinv, "LDRINV", nerr);
  else
    nerr += 3;
  if (N1RTY(0) != 0) return frame.pop();
  // Rows with a zero diagonal must be zero throughout.
  irank = 0;
  for (int i = 0; i < n; ++i) {
    if (at(r, ldr, i, i) != 0.0)
      ++irank;
    else
      CHECK_ZERO_ROW(n, r, ldr, i + 1, nerr);
  }
  if (N1RTY(0) != 0) return frame.pop();

  if (x != b || ldx != ldb)
    for (int k = 0; k < nb; ++k) VECTOR_COPY(n, b + Index(k) * ldb, 1, x + Index(k) * ldx, 1);
  const bool transposed = ipath == 2 || ipath == 4;
  const double eps = DMACH(4);
  for (int k = 0; k < nb; ++k) {
    double* xk = x + Index(k) * ldx;
    if (irank == n) {
      DTRSV("UPPER", transposed ? "TRANSPOSE" : "NOT-TRANS", "NOT-UNIT", n, r, ldr, xk, 1);
      continue;
    }
    if (!transposed) {
      for (int i = n - 1; i >= 0; --i) {
        const double rii = at(r, ldr, i, i);
        if (rii == 0.0) {
          if (xk[i] != 0.0) {
            ERROR_STORE_INTEGER(1, i + 1);
            ERROR_STORE_INTEGER(2, k + 1);
            ERROR_STORE_DOUBLE(1, xk[i]);
            E1MES(3, 1,
                  "The linear system of equations is inconsistent within the computed "
                  "tolerance.  Elements of row %(I1) are zero, but B(%(I1),%(I2)) = %(D1).  "
                  "X(%(I1),%(I2)) is set to zero.");
          }
          xk[i] = 0.0;
          continue;
        }
        xk[i] = xk[i] / rii;
        const double t = xk[i];
        for (int l = 0; l < i; ++l) xk[l] = xk[l] - t * at(r, ldr, l, i);
      }
    } else {
      for (int i = 0; i < n; ++i) {
        const double* ri = r + Index(i) * ldr;
        const double rhs = xk[i];
        const double residual = rhs - VECTOR_DOT(i, ri, 1, xk, 1);
        if (ri[i] != 0.0) {
          xk[i] = residual / ri[i];
          continue;
        }
        const double tolerance = 200.0 * (ABS_PRODUCT_SUM(i, ri, 1, xk, 1) + std::abs(rhs)) * eps;
        if (std::abs(residual) > tolerance) {
          ERROR_STORE_INTEGER(1, i + 1);
          ERROR_STORE_INTEGER(2, k + 1);
          E1MES(3, 1,
                "The linear system of equations is inconsistent within the computed tolerance.  "
                "X(%(I1),%(I2)) is set to zero.");
        }
        xk[i] = 0.0;
      }
    }
  }
  if (ipath >= 3) {
    generalized_inverse(n, r, ldr, rinv, ldrinv);
    DC1TRG(n, rinv, ldrinv);
  }
  frame.pop();
}

void DC1TRG(int n, double* a, int lda) {
  Frame frame("DC1TRG");
  if (n < 1) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 1, "N = %(I1).  The order of A, N, must be greater than 0.");
  }
  if (n > lda) {
    ERROR_STORE_INTEGER(1, n);
    ERROR_STORE_INTEGER(2, lda);
    E1MES(5, 2,
          "N = %(I1) and LDA = %(I2).  The order of A, N, must be less than or equal to the "
          "leading dimension of A, LDA.");
  }
  if (N1RTY(0) == 0)
    for (int j = 0; j + 1 < n; ++j) VECTOR_SET(n - 1 - j, 0.0, a + (j + 1) + Index(j) * lda, 1);
  frame.pop();
}

double ABS_PRODUCT_SUM(int n, const double* x, int incx, const double* y, int incy) {
  double sum = 0.0;
  Index ix = walk_start(n, incx), iy = walk_start(n, incy);
  for (int i = 0; i < n; ++i, ix += incx, iy += incy) sum += std::abs(x[ix] * y[iy]);
  return sum;
}

}  // namespace numlib
