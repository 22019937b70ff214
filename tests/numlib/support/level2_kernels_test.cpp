#include "numlib/support/level2_kernels.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "blas_compare.h"
#include "library_fixture.h"
#include "support/reference_blas.h"

namespace numlib::testing {
namespace {

constexpr double kAlphas[] = {0.0, 1.0, -1.0, 0.3};
constexpr int kTrials = 4000;

// A random case: shape, increments (never 0), leading dimension with spare
// rows, scalars from the table, finite data or data with Inf and NaN.
struct Case {
  int m, n, lda, incx, incy;
  double alpha, beta;
  Fill fill;
};

Case random_case(RandomData& data, bool square) {
  Case c{};
  c.m = data.integer(0, 40);
  // Mostly small shapes, where the loops' edges are; M differs from N.
  if (data.integer(0, 2) > 0) c.m = data.integer(0, 6);
  c.n = square ? c.m : data.integer(0, c.m > 6 ? 40 : 6);
  c.lda = std::max(1, c.m) + data.integer(0, 3);
  do c.incx = data.integer(-3, 3);
  while (c.incx == 0);
  do c.incy = data.integer(-3, 3);
  while (c.incy == 0);
  c.alpha = kAlphas[data.integer(0, 3)];
  c.beta = kAlphas[data.integer(0, 3)];
  c.fill = data.integer(0, 3) == 0 ? Fill::Special : Fill::Finite;
  return c;
}

std::string describe(const Case& c, char letter) {
  return std::string("'") + letter + "' m=" + std::to_string(c.m) + " n=" + std::to_string(c.n) +
         " lda=" + std::to_string(c.lda) + " incx=" + std::to_string(c.incx) +
         " incy=" + std::to_string(c.incy) + " alpha=" + std::to_string(c.alpha) +
         " beta=" + std::to_string(c.beta) + (c.fill == Fill::Special ? " Inf/NaN" : "");
}

// Storage of a matrix of `cols` columns with guards around it.
std::size_t matrix_length(int lda, int cols) {
  return static_cast<std::size_t>(lda) * std::max(cols, 1) + 2 * kGuard;
}

// Runs our kernel and the reference on copies of the same A, x and y, and
// compares all three arrays whole.
using Call = std::function<void(const Case&, char, double*, double*, double*)>;

void compare_with_reference(const char* name, bool square, const char* letters, const Call& ours,
                            const Call& reference, bool x_and_y_are_m_n) {
  RandomData data(std::hash<std::string>{}(name));
  const std::string choices(letters);
  for (int trial = 0; trial < kTrials; ++trial) {
    const Case c = random_case(data, square);
    const char letter = choices[data.integer(0, static_cast<int>(choices.size()) - 1)];
    // Vector lengths: x has n elements and y m for "N" (and DGER's y has n);
    // transposed and symmetric shapes swap or equalise them.
    int lenx = c.n, leny = c.m;
    if (!x_and_y_are_m_n && (letter == 'T' || letter == 't' || letter == 'C' || letter == 'c'))
      std::swap(lenx, leny);
    if (x_and_y_are_m_n) {
      lenx = c.m;
      leny = c.n;
    }
    std::vector<double> a = data.vector(matrix_length(c.lda, c.n), c.fill);
    std::vector<double> x = data.vector(strided_length(lenx, c.incx), c.fill);
    std::vector<double> y = data.vector(strided_length(leny, c.incy), c.fill);
    std::vector<double> ar = a, xr = x, yr = y;
    ours(c, letter, a.data() + kGuard, x.data() + kGuard, y.data() + kGuard);
    reference(c, letter, ar.data() + kGuard, xr.data() + kGuard, yr.data() + kGuard);
    const auto same_a = same_values(a, ar);
    const auto same_x = same_values(x, xr);
    const auto same_y = same_values(y, yr);
    if (!same_a || !same_x || !same_y) {
      ADD_FAILURE() << name << " " << describe(c, letter) << ": A " << same_a.message() << "; x "
                    << same_x.message() << "; y " << same_y.message();
      return;
    }
  }
}

class Level2Test : public LibraryTest {};

TEST_F(Level2Test, DgemvMatchesReferenceBitForBit) {
  compare_with_reference(
      "DGEMV", false, "NTCntc",
      [](const Case& c, char t, double* a, double* x, double* y) {
        DGEMV(std::string(1, t), c.m, c.n, c.alpha, a, c.lda, x, c.incx, c.beta, y, c.incy);
      },
      [](const Case& c, char t, double* a, double* x, double* y) {
        reference_blas::gemv(t, c.m, c.n, c.alpha, a, c.lda, x, c.incx, c.beta, y, c.incy);
      },
      false);
}

TEST_F(Level2Test, DgerMatchesReferenceBitForBit) {
  compare_with_reference(
      "DGER", false, "-",
      [](const Case& c, char, double* a, double* x, double* y) {
        DGER(c.m, c.n, c.alpha, x, c.incx, y, c.incy, a, c.lda);
      },
      [](const Case& c, char, double* a, double* x, double* y) {
        reference_blas::ger(c.m, c.n, c.alpha, x, c.incx, y, c.incy, a, c.lda);
      },
      true);
}

TEST_F(Level2Test, DsymvMatchesReferenceBitForBit) {
  compare_with_reference(
      "DSYMV", true, "ULul",
      [](const Case& c, char u, double* a, double* x, double* y) {
        DSYMV(std::string(1, u), c.n, c.alpha, a, c.lda, x, c.incx, c.beta, y, c.incy);
      },
      [](const Case& c, char u, double* a, double* x, double* y) {
        reference_blas::symv(u, c.n, c.alpha, a, c.lda, x, c.incx, c.beta, y, c.incy);
      },
      false);
}

TEST_F(Level2Test, Dsyr2MatchesReferenceBitForBit) {
  compare_with_reference(
      "DSYR2", true, "ULul",
      [](const Case& c, char u, double* a, double* x, double* y) {
        DSYR2(std::string(1, u), c.n, c.alpha, x, c.incx, y, c.incy, a, c.lda);
      },
      [](const Case& c, char u, double* a, double* x, double* y) {
        reference_blas::syr2(u, c.n, c.alpha, x, c.incx, y, c.incy, a, c.lda);
      },
      false);
}

// Zeros in x and y decide which columns DSYR2 and DGER skip: with an infinity
// in A's other entries, a skipped column keeps it and a visited one too, but a
// NaN in x reaches only visited columns. Sparse vectors exercise the skips.
TEST_F(Level2Test, SkippedColumnsMatchReference) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double x[] = {0.0, nan, 0.0, 2.0};
  const double y[] = {0.0, 0.0, 3.0, 0.0};
  for (const char* uplo : {"U", "L"}) {
    std::vector<double> a(16, 1.0), ar(16, 1.0);
    DSYR2(uplo, 4, 0.5, x, 1, y, 1, a.data(), 4);
    reference_blas::syr2(uplo[0], 4, 0.5, x, 1, y, 1, ar.data(), 4);
    EXPECT_TRUE(same_values(a, ar)) << uplo;
  }
  std::vector<double> a(16, 1.0), ar(16, 1.0);
  DGER(4, 4, 0.5, x, 1, y, 1, a.data(), 4);
  reference_blas::ger(4, 4, 0.5, x, 1, y, 1, ar.data(), 4);
  EXPECT_TRUE(same_values(a, ar));
}

// ---- argument checks ----

// A call that fails exactly one check (or, for the kernels that stop at the
// first failure, whose first failure is the one named), the code it records
// and the message assembled for it.
struct CheckRow {
  const char* routine;
  std::function<void()> call;
  int code;
  const char* message;
};

double g_a[16] = {};
double g_x[4] = {};
double g_y[4] = {};

const CheckRow kCheckRows[] = {
    {"DSYMV", [] { DSYMV("U", -1, 1.0, g_a, 1, g_x, 1, 0.0, g_y, 1); }, 1,
     ".  N must be greater than or equal to zero while -1 is given."},
    {"DSYMV", [] { DSYMV("U", 3, 1.0, g_a, 2, g_x, 1, 0.0, g_y, 1); }, 2,
     ".  LDA must be greater than or equal to N and greater than zero while LDA = 2 and N = 3 "
     "are given."},
    {"DSYMV", [] { DSYMV("U", 0, 1.0, g_a, 0, g_x, 1, 0.0, g_y, 1); }, 2,
     ".  LDA must be greater than or equal to N and greater than zero while LDA = 0 and N = 0 "
     "are given."},
    {"DSYMV", [] { DSYMV("L", 2, 1.0, g_a, 2, g_x, 0, 0.0, g_y, 1); }, 3,
     ".  INCX must not be equal to zero while 0 is given."},
    {"DSYMV", [] { DSYMV("L", 2, 1.0, g_a, 2, g_x, 1, 0.0, g_y, 0); }, 4,
     ".  INCY must not be equal to zero while 0 is given."},
    {"DSYMV", [] { DSYMV("X", 2, 1.0, g_a, 2, g_x, 1, 0.0, g_y, 1); }, 5,
     ".  UPLO must be set equal to U or L while X is given."},
    // N is tested before UPLO.
    {"DSYR2", [] { DSYR2("Q", -2, 1.0, g_x, 1, g_y, 1, g_a, 1); }, 1,
     ".  N must be greater than or equal to zero while -2 is given."},
    {"DSYR2", [] { DSYR2("", 2, 1.0, g_x, 1, g_y, 1, g_a, 2); }, 5,
     ".  UPLO must be set equal to U or L while   is given."},
    {"DGEMV", [] { DGEMV("N", -1, 2, 1.0, g_a, 1, g_x, 1, 0.0, g_y, 1); }, 1,
     ".  M must be greater than or equal to zero while -1 is given."},
    {"DGEMV", [] { DGEMV("N", 2, -4, 1.0, g_a, 2, g_x, 1, 0.0, g_y, 1); }, 2,
     ".  N must be greater than or equal to zero while -4 is given."},
    {"DGEMV", [] { DGEMV("N", 2, 3, 1.0, g_a, 1, g_x, 1, 0.0, g_y, 1); }, 3,
     ".  LDA must be greater than or equal to M and greater than zero while LDA = 1 and M = 2 "
     "are given."},
    {"DGEMV", [] { DGEMV("T", 2, 2, 1.0, g_a, 2, g_x, 0, 0.0, g_y, 1); }, 4,
     ".  INCX must not be equal to zero while 0 is given."},
    {"DGEMV", [] { DGEMV("T", 2, 2, 1.0, g_a, 2, g_x, 1, 0.0, g_y, 0); }, 5,
     ".  INCY must not be equal to zero while 0 is given."},
    {"DGEMV", [] { DGEMV("X", 2, 2, 1.0, g_a, 2, g_x, 1, 0.0, g_y, 1); }, 6,
     ".  TRANS must be set equal to N or T or C while X is given."},
    {"DGER", [] { DGER(-3, 2, 1.0, g_x, 1, g_y, 1, g_a, 1); }, 1,
     ".  M must be greater than or equal to zero while -3 is given."},
    {"DGER", [] { DGER(2, -1, 1.0, g_x, 1, g_y, 1, g_a, 2); }, 2,
     ".  N must be greater than or equal to zero while -1 is given."},
    {"DGER", [] { DGER(3, 1, 1.0, g_x, 1, g_y, 1, g_a, 0); }, 3,
     ".  LDA must be greater than or equal to M and greater than zero while LDA = 0 and M = 3 "
     "are given."},
    {"DGER", [] { DGER(2, 2, 1.0, g_x, 0, g_y, 1, g_a, 2); }, 4,
     ".  INCX must not be equal to zero while 0 is given."},
    {"DGER", [] { DGER(2, 2, 1.0, g_x, 1, g_y, -0, g_a, 2); }, 5,
     ".  INCY must not be equal to zero while 0 is given."},
    {"DCRGRG", [] { DCRGRG(0, g_a, 0, g_a, 0); }, 1,
     ".  The argument N = 0.  It must be at least 1."},
    {"DCRGRG", [] { DCRGRG(3, g_a, 2, g_a, 1); }, 2,
     ".  The argument LDA = 2.  It must be at least as large as N = 3."},
    {"DCRGRG", [] { DCRGRG(3, g_a, 3, g_a, 1); }, 3,
     ".  The argument LDB = 1.  It must be at least as large as N = 3."},
    {"DTRNRR", [] { DTRNRR(0, 2, g_a, 1, 2, 1, g_y, 2); }, 1,
     ".  Both the number of rows and the number of columns of a matrix have to be positive "
     "while NRA = 0 and NCA = 2 are given."},
    {"DTRNRR", [] { DTRNRR(3, 1, g_a, 2, 1, 3, g_y, 1); }, 2,
     ".  The number of rows of the matrix must be less than or equal to its leading dimension "
     "while NRA = 3 and LDA = 2 are given."},
    {"DTRNRR", [] { DTRNRR(1, 2, g_a, 1, 2, -1, g_y, 2); }, 3,
     ".  Both the number of rows and the number of columns of a matrix have to be positive "
     "while NRB = 2 and NCB = -1 are given."},
    {"DTRNRR", [] { DTRNRR(1, 2, g_a, 1, 2, 1, g_y, 1); }, 4,
     ".  The number of rows of the matrix must be less than or equal to its leading dimension "
     "while NRB = 2 and LDB = 1 are given."},
    {"DTRNRR", [] { DTRNRR(2, 3, g_a, 2, 2, 2, g_y, 2); }, 5,
     ".  The following must hold NRB = NCA and NCB = NRA while NRB = 2, NCA = 3, NCB = 2 and "
     "NRA = 2."},
    {"DMURRV", [] { DMURRV(2, 0, g_a, 2, 0, g_x, 1, 2, g_y); }, 1,
     ".  Both the number of rows and the number of columns of the input matrix have to be "
     "positive while NRA = 2 and NCA = 0 are given."},
    {"DMURRV", [] { DMURRV(3, 1, g_a, 1, 1, g_x, 1, 3, g_y); }, 2,
     ".  The number of rows of the matrix must be less than or equal to its leading dimension "
     "while NRA = 3 and LDA = 1 are given."},
    {"DMURRV", [] { DMURRV(2, 2, g_a, 2, 2, g_x, 0, 2, g_y); }, 3,
     ".  IPATH must equal to 1 or 2 while a value of 0 is given."},
    {"DMURRV", [] { DMURRV(3, 2, g_a, 3, 3, g_x, 1, 3, g_y); }, 4,
     ".  When IPATH=1, the number of rows in A must be the same as the length of Y and the "
     "number of columns in A must be the same as the length of X, but NRA=3, NY=3, NCA=2, and "
     "NX=3."},
    {"DMURRV", [] { DMURRV(3, 2, g_a, 3, 2, g_x, 2, 2, g_y); }, 5,
     ".  When IPATH=2, the number of rows in A must be the same as the length of X and the "
     "number of columns in A must be the same as the length of Y, but NRA=3, NX=2, NCA=2, and "
     "NY=2."},
    {"DCSFRG", [] { DCSFRG(0, g_a, 1); }, 1,
     ".  N = 0.  The order of A, N, must be greater than 0."},
    {"DCSFRG", [] { DCSFRG(3, g_a, 2); }, 2,
     ".  N = 3 and LDA = 2.  The order of A, N, must be less than or equal to the leading "
     "dimension of A, LDA."},
};

TEST_F(Level2Test, FailedChecksRecordTheirCodeAndText) {
  for (const CheckRow& row : kCheckRows) {
    SCOPED_TRACE(std::string(row.routine) + " code " + std::to_string(row.code));
    reset_library_state();
    ERSET(0, 0, 0);
    std::fill(std::begin(g_y), std::end(g_y), 7.0);
    EXPECT_EQ(stop_status(row.call), 0);
    EXPECT_EQ(N1RTY(1), 5);
    EXPECT_EQ(N1RCD(1), row.code);
    EXPECT_EQ(library_state().error.names[2], row.routine);
    EXPECT_EQ(library_state().error.level, 1);
    EXPECT_EQ(waiting_message(), row.message);
    // Nothing was computed.
    for (double v : g_y) EXPECT_EQ(v, 7.0);
  }
  EXPECT_EQ(take_output(), "");
}

// Printing on and stopping off: every check that is made prints its message at
// once, so the codes printed show which checks ran.
struct AllChecksRow {
  std::function<void()> call;
  const char* routine;
  std::vector<int> codes;
};

TEST_F(Level2Test, UtilitiesMakeTheirChecksAsDescribed) {
  const AllChecksRow rows[] = {
      // The first failure only.
      {[] { DCRGRG(0, g_a, -1, g_a, -1); }, "DCRGRG", {1}},
      {[] { DCRGRG(3, g_a, 1, g_a, 1); }, "DCRGRG", {2}},
      // 1 to 4 always, 5 only when they passed.
      {[] { DTRNRR(0, 0, g_a, -1, 0, 0, g_y, -1); }, "DTRNRR", {1, 2, 3, 4}},
      {[] { DTRNRR(2, 0, g_a, 2, 3, 3, g_y, 2); }, "DTRNRR", {1, 4}},
      // 1 to 3 always, then 4 or 5 only when they passed.
      {[] { DMURRV(0, 0, g_a, -1, 5, g_x, 3, 5, g_y); }, "DMURRV", {1, 2, 3}},
      {[] { DMURRV(2, 2, g_a, 2, 5, g_x, 3, 5, g_y); }, "DMURRV", {3}},
      // Both always.
      {[] { DCSFRG(0, g_a, -1); }, "DCSFRG", {1, 2}},
      // The level-2 kernels stop at the first.
      {[] { DGEMV("X", -1, -1, 1.0, g_a, 0, g_x, 0, 0.0, g_y, 0); }, "DGEMV", {1}},
  };
  for (const AllChecksRow& row : rows) {
    reset_library_state();
    ERSET(0, 1, 0);
    take_output();
    EXPECT_EQ(stop_status(row.call), 0);
    std::string expected;
    for (int code : row.codes)
      expected += "TERMINAL ERROR " + std::to_string(code) + " from " + row.routine + ".";
    std::string printed;
    const std::string out = take_output();
    for (std::size_t at = out.find("TERMINAL"); at != std::string::npos;
         at = out.find("TERMINAL", at + 1))
      printed += out.substr(at, out.find('.', at) - at + 1);
    EXPECT_EQ(printed, expected) << out;
    EXPECT_EQ(N1RCD(1), row.codes.back());
  }
}

// With the default attributes a failed check prints and the pop ends the run.
TEST_F(Level2Test, FailedCheckEndsTheRunByDefault) {
  EXPECT_EQ(stop_status([] { DGEMV("N", 2, 3, 1.0, g_a, 1, g_x, 1, 0.0, g_y, 1); }), 3);
  EXPECT_NE(take_output().find("TERMINAL ERROR 3 from DGEMV."), std::string::npos);
}

TEST_F(Level2Test, CaseOfTransAndUploAndLongerTexts) {
  const double a[] = {1.0, 2.0, 3.0, 4.0};  // [[1, 3], [2, 4]]
  const double x[] = {1.0, 1.0};
  for (const char* trans : {"t", "TRANS", "c", "Conjugate"}) {
    double y[] = {0.0, 0.0};
    DGEMV(trans, 2, 2, 1.0, a, 2, x, 1, 0.0, y, 1);
    EXPECT_EQ(y[0], 3.0) << trans;
    EXPECT_EQ(y[1], 7.0) << trans;
  }
  for (const char* uplo : {"lower", "LOW", "l"}) {
    double y[] = {0.0, 0.0};
    DSYMV(uplo, 2, 1.0, a, 2, x, 1, 0.0, y, 1);  // reads 1, 2, 4 only
    EXPECT_EQ(y[0], 3.0) << uplo;
    EXPECT_EQ(y[1], 6.0) << uplo;
  }
  EXPECT_EQ(take_output(), "");
}

// ---- matrix utilities ----

TEST_F(Level2Test, DmurrvEqualsReferenceGemvWithUnitScalars) {
  RandomData data(5);
  for (int trial = 0; trial < 300; ++trial) {
    const int nra = data.integer(1, 12), nca = data.integer(1, 12);
    const int lda = nra + data.integer(0, 2);
    const int ipath = data.integer(1, 2);
    const int nx = ipath == 1 ? nca : nra, ny = ipath == 1 ? nra : nca;
    const std::vector<double> a = data.vector(static_cast<std::size_t>(lda) * nca);
    const std::vector<double> x = data.vector(static_cast<std::size_t>(nx));
    std::vector<double> y = data.vector(static_cast<std::size_t>(ny) + 1);
    std::vector<double> yr = y;
    DMURRV(nra, nca, a.data(), lda, nx, x.data(), ipath, ny, y.data());
    reference_blas::gemv(ipath == 1 ? 'N' : 'T', nra, nca, 1.0, a.data(), lda, x.data(), 1, 0.0,
                         yr.data(), 1);
    ASSERT_TRUE(same_values(y, yr)) << "nra=" << nra << " nca=" << nca << " ipath=" << ipath;
  }
}

TEST_F(Level2Test, DmurrvTransposedShape) {
  // A is 3 by 2: [[1, 4], [2, 5], [3, 6]].
  const double a[] = {1.0, 2.0, 3.0, 4.0, 5.0, 6.0};
  const double x[] = {1.0, 10.0, 100.0};
  double y[] = {-1.0, -1.0};
  DMURRV(3, 2, a, 3, 3, x, 2, 2, y);
  EXPECT_EQ(y[0], 321.0);
  EXPECT_EQ(y[1], 654.0);
  EXPECT_EQ(N1RTY(1), 0);
}

TEST_F(Level2Test, DtrnrrTransposes) {
  // Square, in place, with a leading dimension larger than the order: the rows
  // beyond the matrix stay as they were.
  for (int n : {1, 2, 3, 5}) {
    const int ld = n + 1;
    std::vector<double> a(static_cast<std::size_t>(ld) * n);
    for (std::size_t k = 0; k < a.size(); ++k) a[k] = static_cast<double>(k);
    std::vector<double> want = a;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) want[i + j * ld] = a[j + i * ld];
    DTRNRR(n, n, a.data(), ld, n, n, a.data(), ld);
    EXPECT_TRUE(same_values(a, want)) << n;
  }
  // Square into another array with another leading dimension, and rectangular.
  for (auto [nra, nca, lda, ldb] : {std::array{3, 3, 3, 4}, std::array{2, 4, 3, 5}}) {
    std::vector<double> a(static_cast<std::size_t>(lda) * nca);
    for (std::size_t k = 0; k < a.size(); ++k) a[k] = 1.0 + static_cast<double>(k);
    std::vector<double> b(static_cast<std::size_t>(ldb) * nra, -1.0), want = b;
    for (int i = 0; i < nra; ++i)
      for (int j = 0; j < nca; ++j) want[j + i * ldb] = a[i + j * lda];
    DTRNRR(nra, nca, a.data(), lda, nca, nra, b.data(), ldb);
    EXPECT_TRUE(same_values(b, want)) << nra << "x" << nca;
  }
  EXPECT_EQ(N1RTY(1), 0);
}

TEST_F(Level2Test, DtrnrrRejectsOverlapOtherThanSquareInPlace) {
  std::vector<double> a(32, 1.0);
  // A 2 by 3 matrix transposed onto storage that overlaps it.
  EXPECT_DEBUG_DEATH(DTRNRR(2, 3, a.data(), 2, 3, 2, a.data() + 1, 3), "overlap");
}

TEST_F(Level2Test, DcrgrgAndDcsfrg) {
  const double a[] = {1.0, 2.0, 9.0, 3.0, 4.0, 9.0};  // 2 by 2, LDA 3
  double b[] = {0.0, 0.0, 0.0, 0.0};
  DCRGRG(2, a, 3, b, 2);
  EXPECT_TRUE(same_values(b, std::vector<double>{1.0, 2.0, 3.0, 4.0}));

  // Upper triangle 1 2 3 / . 4 5 / . . 6 (LDA 4); the lower one is filled.
  double s[] = {1.0, -1.0, -1.0, 0.0, 2.0, 4.0, -1.0, 0.0, 3.0, 5.0, 6.0, 0.0};
  DCSFRG(3, s, 4);
  EXPECT_TRUE(same_values(
      s, std::vector<double>{1.0, 2.0, 3.0, 0.0, 2.0, 4.0, 5.0, 0.0, 3.0, 5.0, 6.0, 0.0}));

  double one[] = {7.0, 8.0};
  DCSFRG(1, one, 2);
  EXPECT_EQ(one[0], 7.0);
  EXPECT_EQ(one[1], 8.0);
  EXPECT_EQ(N1RTY(1), 0);
}

}  // namespace
}  // namespace numlib::testing
