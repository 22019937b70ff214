#include "numlib/support/level2_kernels.h"

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

using Index = std::ptrdiff_t;

constexpr int kTerminal = 5;

constexpr std::string_view kNText = "N must be greater than or equal to zero while %(I1) is given.";
constexpr std::string_view kMText = "M must be greater than or equal to zero while %(I1) is given.";
constexpr std::string_view kLdaNText =
    "LDA must be greater than or equal to N and greater than zero while LDA = %(I1) and "
    "N = %(I2) are given.";
constexpr std::string_view kLdaMText =
    "LDA must be greater than or equal to M and greater than zero while LDA = %(I1) and "
    "M = %(I2) are given.";
constexpr std::string_view kIncxText = "INCX must not be equal to zero while %(I1) is given.";
constexpr std::string_view kIncyText = "INCY must not be equal to zero while %(I1) is given.";
constexpr std::string_view kUploText = "UPLO must be set equal to U or L while %(L1) is given.";
constexpr std::string_view kTransText =
    "TRANS must be set equal to N or T or C while %(L1) is given.";

// Stores the message values %(I1), %(I2), ... in order.
void store_integers(std::initializer_list<int> values) {
  int k = 1;
  for (int v : values) ERROR_STORE_INTEGER(k++, v);
}

// Records a TERMINAL error with its message values when `failed`; returns
// `failed`.
bool record_if(bool failed, int code, std::string_view text, std::initializer_list<int> values) {
  if (failed) {
    store_integers(values);
    E1MES(kTerminal, code, text);
  }
  return failed;
}

// A failed argument check of a level-2 kernel: its name goes on the stack only
// for the report.
void argument_error(std::string_view routine, int code, std::string_view text,
                    std::initializer_list<int> values, std::string_view letter = {}) {
  E1PSH(routine);
  store_integers(values);
  if (!letter.empty()) ERROR_STORE_STRING(1, letter);
  E1MES(kTerminal, code, text);
  E1POP(routine);
}

// The character that counts in UPLO and TRANS; a blank for an empty text.
char first_letter(std::string_view text) { return text.empty() ? ' ' : text.front(); }

// First y := beta*y over the whole of y, as the BLAS do: beta = 0 clears it,
// NaN included. Its elements are the same whichever way y is walked.
void scale_y(int leny, double beta, double* y, int incy) {
  if (beta == 1.0) return;
  const int step = std::abs(incy);
  if (beta == 0.0)
    VECTOR_SET(leny, 0.0, y, step);
  else
    VECTOR_SCALE(leny, beta, y, step);
}

inline const double* column(const double* a, int lda, int j) { return a + Index(j) * lda; }
inline double* column(double* a, int lda, int j) { return a + Index(j) * lda; }

// The checks shared by DSYMV and DSYR2; true when one failed (and was reported).
bool symmetric_arguments_fail(std::string_view routine, char uplo, int n, int lda, int incx,
                              int incy) {
  if (n < 0) return argument_error(routine, 1, kNText, {n}), true;
  if (lda == 0 || lda < n) return argument_error(routine, 2, kLdaNText, {lda, n}), true;
  if (incx == 0) return argument_error(routine, 3, kIncxText, {incx}), true;
  if (incy == 0) return argument_error(routine, 4, kIncyText, {incy}), true;
  if (!SAME_LETTER(uplo, 'U') && !SAME_LETTER(uplo, 'L'))
    return argument_error(routine, 5, kUploText, {}, std::string_view(&uplo, 1)), true;
  return false;
}

// The checks shared by DGEMV and DGER, codes 1 to 5.
bool general_arguments_fail(std::string_view routine, int m, int n, int lda, int incx, int incy) {
  if (m < 0) return argument_error(routine, 1, kMText, {m}), true;
  if (n < 0) return argument_error(routine, 2, kNText, {n}), true;
  if (lda == 0 || lda < m) return argument_error(routine, 3, kLdaMText, {lda, m}), true;
  if (incx == 0) return argument_error(routine, 4, kIncxText, {incx}), true;
  if (incy == 0) return argument_error(routine, 5, kIncyText, {incy}), true;
  return false;
}

}  // namespace

// The level-2 loops follow the reference BLAS loop for loop, including which
// columns they skip, so that results agree with it to the last bit (NaN and
// infinity included). Each is written once and instantiated twice: with
// Unit set, the increments are 1 at compile time, which gives the separate
// unit-stride loops.

namespace {

// y := alpha*A*x + y, A symmetric, from its upper or lower triangle.
template <bool Unit>
void symv_columns(bool upper, int n, double alpha, const double* a, int lda, const double* x,
                  int incx_, double* y, int incy_) {
  const int incx = Unit ? 1 : incx_, incy = Unit ? 1 : incy_;
  const Index kx = walk_start(n, incx), ky = walk_start(n, incy);
  Index jx = kx, jy = ky;
  for (int j = 0; j < n; ++j, jx += incx, jy += incy) {
    const double* aj = column(a, lda, j);
    const double temp1 = alpha * x[jx];
    double temp2 = 0.0;
    if (upper) {
      Index ix = kx, iy = ky;
      for (int i = 0; i < j; ++i, ix += incx, iy += incy) {
        y[iy] = y[iy] + temp1 * aj[i];
        temp2 = temp2 + aj[i] * x[ix];
      }
      y[jy] = y[jy] + temp1 * aj[j] + alpha * temp2;
    } else {
      y[jy] = y[jy] + temp1 * aj[j];
      Index ix = jx, iy = jy;
      for (int i = j + 1; i < n; ++i) {
        ix += incx;
        iy += incy;
        y[iy] = y[iy] + temp1 * aj[i];
        temp2 = temp2 + aj[i] * x[ix];
      }
      y[jy] = y[jy] + alpha * temp2;
    }
  }
}

// A := alpha*x*y' + alpha*y*x' + A on one triangle; a column whose x(j) and
// y(j) are both zero is skipped.
template <bool Unit>
void syr2_columns(bool upper, int n, double alpha, const double* x, int incx_, const double* y,
                  int incy_, double* a, int lda) {
  const int incx = Unit ? 1 : incx_, incy = Unit ? 1 : incy_;
  const Index kx = walk_start(n, incx), ky = walk_start(n, incy);
  Index jx = kx, jy = ky;
  for (int j = 0; j < n; ++j, jx += incx, jy += incy) {
    if (x[jx] == 0.0 && y[jy] == 0.0) continue;
    double* aj = column(a, lda, j);
    const double temp1 = alpha * y[jy];
    const double temp2 = alpha * x[jx];
    // Rows 0..j of the upper triangle, rows j..n-1 of the lower one.
    Index ix = upper ? kx : jx, iy = upper ? ky : jy;
    const int first = upper ? 0 : j, last = upper ? j : n - 1;
    for (int i = first; i <= last; ++i, ix += incx, iy += incy)
      aj[i] = aj[i] + x[ix] * temp1 + y[iy] * temp2;
  }
}

// y := alpha*A*x + y a column at a time; Unit stands for incy = 1.
template <bool Unit>
void gemv_columns(int m, int n, double alpha, const double* a, int lda, const double* x, int incx,
                  double* y, int incy_) {
  const int incy = Unit ? 1 : incy_;
  const Index ky = walk_start(m, incy);
  Index jx = walk_start(n, incx);
  for (int j = 0; j < n; ++j, jx += incx) {
    const double* aj = column(a, lda, j);
    const double temp = alpha * x[jx];
    Index iy = ky;
    for (int i = 0; i < m; ++i, iy += incy) y[iy] = y[iy] + temp * aj[i];
  }
}

// y := alpha*A'*x + y, a dot product per column; Unit stands for incx = 1.
template <bool Unit>
void gemv_transposed_columns(int m, int n, double alpha, const double* a, int lda, const double* x,
                             int incx_, double* y, int incy) {
  const int incx = Unit ? 1 : incx_;
  const Index kx = walk_start(m, incx);
  Index jy = walk_start(n, incy);
  for (int j = 0; j < n; ++j, jy += incy) {
    const double* aj = column(a, lda, j);
    double temp = 0.0;
    Index ix = kx;
    for (int i = 0; i < m; ++i, ix += incx) temp = temp + aj[i] * x[ix];
    y[jy] = y[jy] + alpha * temp;
  }
}

// A := alpha*x*y' + A; a column whose y(j) is zero is skipped. Unit stands
// for incx = 1.
template <bool Unit>
void ger_columns(int m, int n, double alpha, const double* x, int incx_, const double* y, int incy,
                 double* a, int lda) {
  const int incx = Unit ? 1 : incx_;
  const Index kx = walk_start(m, incx);
  Index jy = walk_start(n, incy);
  for (int j = 0; j < n; ++j, jy += incy) {
    if (y[jy] == 0.0) continue;
    double* aj = column(a, lda, j);
    const double temp = alpha * y[jy];
    Index ix = kx;
    for (int i = 0; i < m; ++i, ix += incx) aj[i] = aj[i] + x[ix] * temp;
  }
}

}  // namespace

void DSYMV(std::string_view uplo, int n, double alpha, const double* a, int lda, const double* x,
           int incx, double beta, double* y, int incy) {
  const char u = first_letter(uplo);
  if (symmetric_arguments_fail("DSYMV", u, n, lda, incx, incy)) return;
  if (n == 0 || (alpha == 0.0 && beta == 1.0)) return;
  scale_y(n, beta, y, incy);
  if (alpha == 0.0) return;
  const bool upper = SAME_LETTER(u, 'U');
  if (incx == 1 && incy == 1)
    symv_columns<true>(upper, n, alpha, a, lda, x, incx, y, incy);
  else
    symv_columns<false>(upper, n, alpha, a, lda, x, incx, y, incy);
}

void DSYR2(std::string_view uplo, int n, double alpha, const double* x, int incx, const double* y,
           int incy, double* a, int lda) {
  const char u = first_letter(uplo);
  if (symmetric_arguments_fail("DSYR2", u, n, lda, incx, incy)) return;
  if (n == 0 || alpha == 0.0) return;
  const bool upper = SAME_LETTER(u, 'U');
  if (incx == 1 && incy == 1)
    syr2_columns<true>(upper, n, alpha, x, incx, y, incy, a, lda);
  else
    syr2_columns<false>(upper, n, alpha, x, incx, y, incy, a, lda);
}

void DGEMV(std::string_view trans, int m, int n, double alpha, const double* a, int lda,
           const double* x, int incx, double beta, double* y, int incy) {
  const char t = first_letter(trans);
  if (general_arguments_fail("DGEMV", m, n, lda, incx, incy)) return;
  const bool plain = SAME_LETTER(t, 'N');
  if (!plain && !SAME_LETTER(t, 'T') && !SAME_LETTER(t, 'C'))
    return argument_error("DGEMV", 6, kTransText, {}, std::string_view(&t, 1));
  if (m == 0 || n == 0 || (alpha == 0.0 && beta == 1.0)) return;
  scale_y(plain ? m : n, beta, y, incy);
  if (alpha == 0.0) return;
  if (plain) {
    if (incy == 1)
      gemv_columns<true>(m, n, alpha, a, lda, x, incx, y, incy);
    else
      gemv_columns<false>(m, n, alpha, a, lda, x, incx, y, incy);
  } else {
    if (incx == 1)
      gemv_transposed_columns<true>(m, n, alpha, a, lda, x, incx, y, incy);
    else
      gemv_transposed_columns<false>(m, n, alpha, a, lda, x, incx, y, incy);
  }
}

void DGER(int m, int n, double alpha, const double* x, int incx, const double* y, int incy,
          double* a, int lda) {
  if (general_arguments_fail("DGER", m, n, lda, incx, incy)) return;
  if (m == 0 || n == 0 || alpha == 0.0) return;
  if (incx == 1)
    ger_columns<true>(m, n, alpha, x, incx, y, incy, a, lda);
  else
    ger_columns<false>(m, n, alpha, x, incx, y, incy, a, lda);
}

// ---- matrix utilities ----

void DCRGRG(int n, const double* a, int lda, double* b, int ldb) {
  Frame frame("DCRGRG");
  // The first failure only.
  record_if(n < 1, 1, "The argument N = %(I1).  It must be at least 1.", {n}) ||
      record_if(lda < n, 2, "The argument LDA = %(I1).  It must be at least as large as N = %(I2).",
                {lda, n}) ||
      record_if(ldb < n, 3, "The argument LDB = %(I1).  It must be at least as large as N = %(I2).",
                {ldb, n});
  if (N1RTY(0) == 0)
    for (int j = 0; j < n; ++j) VECTOR_COPY(n, column(a, lda, j), 1, column(b, ldb, j), 1);
  frame.pop();
}

namespace {

// True when the storage of a rows-by-cols matrix at p overlaps that at q.
[[maybe_unused]] bool storage_overlaps(const double* p, int p_rows, int p_cols, int p_ld,
                                       const double* q, int q_rows, int q_cols, int q_ld) {
  const auto begin_p = reinterpret_cast<std::uintptr_t>(p);
  const auto begin_q = reinterpret_cast<std::uintptr_t>(q);
  const auto end_p = begin_p + sizeof(double) * (Index(p_cols - 1) * p_ld + p_rows);
  const auto end_q = begin_q + sizeof(double) * (Index(q_cols - 1) * q_ld + q_rows);
  return begin_p < end_q && begin_q < end_p;
}

constexpr std::string_view kShapeText =
    "Both the number of rows and the number of columns of a matrix have to be positive while "
    "NRA = %(I1) and NCA = %(I2) are given.";
constexpr std::string_view kLeadingText =
    "The number of rows of the matrix must be less than or equal to its leading dimension "
    "while NRA = %(I1) and LDA = %(I2) are given.";

}  // namespace

void DTRNRR(int nra, int nca, const double* a, int lda, int nrb, int ncb, double* b, int ldb) {
  Frame frame("DTRNRR");
  record_if(nra < 1 || nca < 1, 1, kShapeText, {nra, nca});
  record_if(lda < nra, 2, kLeadingText, {nra, lda});
  record_if(nrb < 1 || ncb < 1, 3,
            "Both the number of rows and the number of columns of a matrix have to be positive "
            "while NRB = %(I1) and NCB = %(I2) are given.",
            {nrb, ncb});
  record_if(ldb < nrb, 4,
            "The number of rows of the matrix must be less than or equal to its leading "
            "dimension while NRB = %(I1) and LDB = %(I2) are given.",
            {nrb, ldb});
  if (N1RTY(0) == 0)
    record_if(nrb != nca || ncb != nra, 5,
              "The following must hold NRB = NCA and NCB = NRA while NRB = %(I3), NCA = %(I2), "
              "NCB = %(I4) and NRA = %(I1).",
              {nra, nca, nrb, ncb});
  if (N1RTY(0) == 0) {
    if (nra == nca && lda == ldb) {
      // Square with one leading dimension: copy, then transpose B in place, so
      // that A and B may be the same array.
      assert(a == b || !storage_overlaps(a, nra, nca, lda, b, nrb, ncb, ldb));
      const int n = nra;
      for (int j = 0; j < n; ++j) VECTOR_COPY(n, column(a, lda, j), 1, column(b, ldb, j), 1);
      for (int j = 0; j + 1 < n; ++j)
        VECTOR_SWAP(n - 1 - j, column(b, ldb, j) + j + 1, 1, column(b, ldb, j + 1) + j, ldb);
    } else {
      assert(!storage_overlaps(a, nra, nca, lda, b, nrb, ncb, ldb));
      // Column j of A becomes row j of B.
      for (int j = 0; j < nca; ++j) VECTOR_COPY(nra, column(a, lda, j), 1, b + j, ldb);
    }
  }
  frame.pop();
}

void DMURRV(int nra, int nca, const double* a, int lda, int nx, const double* x, int ipath, int ny,
            double* y) {
  Frame frame("DMURRV");
  record_if(nra < 1 || nca < 1, 1,
            "Both the number of rows and the number of columns of the input matrix have to be "
            "positive while NRA = %(I1) and NCA = %(I2) are given.",
            {nra, nca});
  record_if(lda < nra, 2, kLeadingText, {nra, lda});
  record_if(ipath != 1 && ipath != 2, 3,
            "IPATH must equal to 1 or 2 while a value of %(I1) is given.", {ipath});
  if (N1RTY(0) == 0) {
    record_if(ipath == 1 && (nca != nx || nra != ny), 4,
              "When IPATH=1, the number of rows in A must be the same as the length of Y and the "
              "number of columns in A must be the same as the length of X, but NRA=%(I1), "
              "NY=%(I4), NCA=%(I2), and NX=%(I3).",
              {nra, nca, nx, ny});
    record_if(ipath == 2 && (nra != nx || nca != ny), 5,
              "When IPATH=2, the number of rows in A must be the same as the length of X and the "
              "number of columns in A must be the same as the length of Y, but NRA=%(I1), "
              "NX=%(I3), NCA=%(I2), and NY=%(I4).",
              {nra, nca, nx, ny});
  }
  if (N1RTY(0) == 0) DGEMV(ipath == 1 ? "N" : "T", nra, nca, 1.0, a, lda, x, 1, 0.0, y, 1);
  frame.pop();
}

void DCSFRG(int n, double* a, int lda) {
  Frame frame("DCSFRG");
  record_if(n < 1, 1, "N = %(I1).  The order of A, N, must be greater than 0.", {n});
  record_if(lda < n, 2,
            "N = %(I1) and LDA = %(I2).  The order of A, N, must be less than or equal to the "
            "leading dimension of A, LDA.",
            {n, lda});
  // Row j right of the diagonal into column j below it.
  if (N1RTY(0) == 0)
    for (int j = 0; j + 1 < n; ++j)
      VECTOR_COPY(n - 1 - j, column(a, lda, j + 1) + j, lda, column(a, lda, j) + j + 1, 1);
  frame.pop();
}

}  // namespace numlib
