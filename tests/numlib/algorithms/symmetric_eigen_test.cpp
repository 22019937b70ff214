#include "numlib/algorithms/symmetric_eigen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "algorithm_fixture.h"
#include "eigen_fixture.h"

namespace numlib::testing {
namespace {

class SymmetricEigenTest : public AlgorithmTest {};

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Case {
  const char* what;
  std::function<Square()> make;
};

// Matrices with two padding rows below them.
const std::vector<Case>& cases() {
  static const std::vector<Case> rows = {
      {"Hilbert 6", [] { return symmetric(6, 2, [](int i, int j) { return 1.0 / (i + j + 1); }); }},
      {"random 50", [] { return random_symmetric(50, 20260101, 2); }},
      {"diagonal, distinct entries",
       [] {
         const double d[] = {0.5, -3.0, 2.0, 1e-3, -7.25};
         return symmetric(5, 2, [&](int i, int j) { return i == j ? d[i] : 0.0; });
       }},
      {"zero", [] { return symmetric(4, 2, [](int, int) { return 0.0; }); }},
      {"order 1", [] { return symmetric(1, 2, [](int, int) { return -2.5; }); }},
      // Q diag(2, -2, 1) Q' with the reflection Q = I - v v'/7, v = (1, 2, 3).
      {"eigenvalues +-2",
       [] {
         const double v[] = {1.0, 2.0, 3.0}, lambda[] = {2.0, -2.0, 1.0};
         const auto q = [&](int i, int k) { return (i == k ? 1.0 : 0.0) - v[i] * v[k] / 7.0; };
         return symmetric(3, 2, [&](int i, int j) {
           return q(i, 0) * lambda[0] * q(j, 0) + q(i, 1) * lambda[1] * q(j, 1) +
                  q(i, 2) * lambda[2] * q(j, 2);
         });
       }},
  };
  return rows;
}

struct Result {
  std::vector<double> eval;
  Square evec{0, 1};
};

Result solve(Square& a) {
  Result r;
  r.eval.assign(a.n, kNaN);
  r.evec = Square(a.n, a.n + 1, kNaN);
  DEVCSF(a.n, a.v.data(), a.ld, r.eval.data(), r.evec.v.data(), r.evec.ld);
  return r;
}

bool bitwise_equal(const std::vector<double>& x, const std::vector<double>& y) {
  return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0;
}

TEST_F(SymmetricEigenTest, AgreesWithLapack) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.what);
    Square a = c.make();
    const Square input = a;
    const int n = a.n;
    const double anorm = norm1(a);
    const Result r = solve(a);
    EXPECT_EQ(N1RTY(1), 0);
    EXPECT_TRUE(bitwise_equal(a.v, input.v)) << "A changed";

    const Reference ref = lapack_eigensystem(input);
    std::vector<double> ascending = r.eval;
    std::sort(ascending.begin(), ascending.end());
    for (int i = 0; i < n; ++i) EXPECT_LE(std::abs(ascending[i] - ref.w[i]), 50 * n * kEps * anorm);

    for (int j = 0; j < n; ++j) {
      if (j + 1 < n) {
        EXPECT_GE(std::abs(r.eval[j]), std::abs(r.eval[j + 1])) << j;
      }
      const double* z = r.evec.column(j);
      EXPECT_GT(z[first_largest(z, n)], 0.0) << j;
      // LAPACK's vector for the same eigenvalue, where that eigenvalue stands apart.
      int k = 0;
      for (int i = 1; i < n; ++i) {
        if (std::abs(ref.w[i] - r.eval[j]) < std::abs(ref.w[k] - r.eval[j])) k = i;
      }
      double gap = std::numeric_limits<double>::infinity();
      for (int i = 0; i < n; ++i) {
        if (i != k) gap = std::min(gap, std::abs(ref.w[i] - ref.w[k]));
      }
      if (!(gap > 1e-3 * anorm)) continue;
      std::vector<double> expected(ref.z.column(k), ref.z.column(k) + n);
      apply_sign_rule(expected.data(), n);
      for (int i = 0; i < n; ++i) EXPECT_NEAR(z[i], expected[i], 1e-10) << i << ", " << j;
    }
    EXPECT_LE(residual_norm(input, r.evec, r.eval.data(), n), 20 * n * kEps * anorm);
    EXPECT_LE(orthogonality_norm(r.evec, n), 20 * n * kEps);

    if (anorm > 0.0) {
      EXPECT_LT(DEPISF(n, n, input.v.data(), input.ld, r.eval.data(), r.evec.v.data(), r.evec.ld),
                1.0);
      EXPECT_EQ(N1RTY(1), 0);
    }
  }
}

TEST_F(SymmetricEigenTest, ClosedForms) {
  Square zero = cases()[3].make();
  const Result z = solve(zero);
  for (int j = 0; j < zero.n; ++j) {
    EXPECT_EQ(z.eval[j], 0.0);
    for (int i = 0; i < zero.n; ++i) EXPECT_EQ(z.evec(i, j), i == j ? 1.0 : 0.0);
  }
  Square one = cases()[4].make();
  const Result o = solve(one);
  EXPECT_EQ(o.eval[0], -2.5);
  EXPECT_EQ(o.evec(0, 0), 1.0);
  Square diagonal = cases()[2].make();
  const Result d = solve(diagonal);
  const std::vector<double> by_magnitude = {-7.25, -3.0, 2.0, 0.5, 1e-3};
  EXPECT_EQ(d.eval, by_magnitude);
}

// Only the lower triangle is read: with NaN above the diagonal the results are
// those of the full matrix, and A comes back bit for bit, NaNs included.
TEST_F(SymmetricEigenTest, ReadsOnlyTheLowerTriangle) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.what);
    Square full = c.make();
    const Result expected = solve(full);
    Square lower = c.make();
    for (int j = 1; j < lower.n; ++j) {
      for (int i = 0; i < j; ++i) lower(i, j) = kNaN;
    }
    const Square input = lower;
    const Result r = solve(lower);
    EXPECT_TRUE(bitwise_equal(lower.v, input.v));
    EXPECT_TRUE(bitwise_equal(r.eval, expected.eval));
    EXPECT_TRUE(bitwise_equal(r.evec.v, expected.evec.v));
  }
}

// Scaling by a power of 2 is exact: 2^k A gives 2^k times the eigenvalues and
// the same eigenvectors, bit for bit, far from 1 in either direction.
TEST_F(SymmetricEigenTest, PowerOfTwoScalingIsExact) {
  Square a = random_symmetric(30, 77);
  const Result base = solve(a);
  for (int k : {-900, -600, 600, 900}) {
    SCOPED_TRACE(k);
    Square scaled = a;
    for (double& x : scaled.v) x = std::ldexp(x, k);
    const Result r = solve(scaled);
    for (int j = 0; j < a.n; ++j) EXPECT_EQ(r.eval[j], std::ldexp(base.eval[j], k));
    EXPECT_TRUE(bitwise_equal(r.evec.v, base.evec.v));
  }
}

// Non-finite entries end the call with A restored; the values are not defined.
TEST_F(SymmetricEigenTest, NonFiniteEntriesEndTheCall) {
  for (double bad : {kNaN, std::numeric_limits<double>::infinity()}) {
    for (int where : {0, 13}) {
      Square a = random_symmetric(8, 5);
      a.v[where] = bad;  // (1, 1), then the strict lower triangle
      const Square input = a;
      solve(a);
      EXPECT_TRUE(bitwise_equal(a.v, input.v));
    }
  }
}

TEST_F(SymmetricEigenTest, PerformanceIndexWarnings) {
  ERSET(0, 0, 0);
  Square a = random_symmetric(12, 3);
  const Result good = solve(a);
  const double anorm = norm1(a);
  const int n = a.n;
  const double first_only =
      DEPISF(n, 1, a.v.data(), a.ld, good.eval.data(), good.evec.v.data(), good.evec.ld);
  struct Row {
    const char* what;
    std::function<void(Square& m, Result& r)> change;
    int code;
    double index;  // < 0: above 100
    const char* message;
  };
  const Row rows[] = {
      {"an eigenvalue moved by 1e-6 |A|", [&](Square&, Result& r) { r.eval[4] += 1e-6 * anorm; }, 1,
       -1.0, ".  The performance index = "},
      {"second eigenvector zero",
       [](Square&, Result& r) { std::fill_n(r.evec.column(1), r.evec.n, 0.0); }, 2, first_only,
       ".  Eigenvector number 2 is zero."},
      {"first eigenvector zero",
       [](Square&, Result& r) { std::fill_n(r.evec.column(0), r.evec.n, 0.0); }, 2, 0.0,
       ".  Eigenvector number 1 is zero."},
      {"zero matrix", [](Square& m, Result&) { std::fill(m.v.begin(), m.v.end(), 0.0); }, 3, 0.0,
       ".  The argument matrix A is zero."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Square m = a;
    Result r = good;
    row.change(m, r);
    const double index = DEPISF(n, n, m.v.data(), m.ld, r.eval.data(), r.evec.v.data(), r.evec.ld);
    EXPECT_EQ(N1RTY(1), 3);
    EXPECT_EQ(LAST_ERROR_CODE(), row.code);
    EXPECT_EQ(waiting_message().rfind(row.message, 0), 0u) << waiting_message();
    if (row.index < 0.0) {
      EXPECT_GT(index, 100.0);
    } else {
      EXPECT_EQ(index, row.index);
    }
  }
}

// 1,400 matrices with repeated eigenvalues, A = Q diag(lambda) Q' with a
// random orthogonal Q and few distinct lambda: the sweeps must converge
// without a warning (a fall-back shift that stalled gave three here), to
// eigenpairs that hold to rounding.
TEST_F(SymmetricEigenTest, RepeatedEigenvaluesConvergeWithoutWarning) {
  std::mt19937_64 rng(20260131);
  std::normal_distribution<double> gauss;
  for (int k = 0; k < 1400; ++k) {
    const int n = 2 + static_cast<int>(rng() % 9);
    // Q: the product of n reflections I - 2 v v'/v'v of random directions.
    Square q(n, n);
    for (int i = 0; i < n; ++i) q(i, i) = 1.0;
    std::vector<double> v(n);
    for (int r = 0; r < n; ++r) {
      double vv = 0.0;
      for (double& x : v) {
        x = gauss(rng);
        vv += x * x;
      }
      for (int j = 0; j < n; ++j) {
        double t = 0.0;
        for (int i = 0; i < n; ++i) t += v[i] * q(i, j);
        for (int i = 0; i < n; ++i) q(i, j) -= 2.0 * t / vv * v[i];
      }
    }
    std::vector<double> values(1 + rng() % std::max(1, n / 2)), lambda(n);
    for (double& x : values) x = static_cast<double>(static_cast<int>(rng() % 7) - 3);
    for (double& x : lambda) x = values[rng() % values.size()];
    const Square input = symmetric(n, 0, [&](int i, int j) {
      double t = 0.0;
      for (int m = 0; m < n; ++m) t += q(i, m) * lambda[m] * q(j, m);
      return t;
    });
    Square a = input;
    const Result r = solve(a);
    EXPECT_EQ(N1RTY(1), 0) << "matrix " << k;
    const double scale = std::max(norm1(input), 1.0);
    EXPECT_LE(residual_norm(input, r.evec, r.eval.data(), n), 1e-13 * scale) << "matrix " << k;
    EXPECT_LE(orthogonality_norm(r.evec, n), 1e-13) << "matrix " << k;
    std::vector<double> found = r.eval;
    std::sort(found.begin(), found.end());
    std::sort(lambda.begin(), lambda.end());
    for (int i = 0; i < n; ++i) EXPECT_NEAR(found[i], lambda[i], 1e-13 * scale) << "matrix " << k;
  }
}

// With no sweep allowed, the QL iteration cannot converge: WARNING 1 with the
// root-free iteration's text, and eigenpairs that the index calls poor.
TEST_F(SymmetricEigenTest, SweepLimitGivesWarning) {
  library_state().eigen_limits.ql_sweeps = 0;
  Square a = random_symmetric(10, 9);
  const Result r = solve(a);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(LAST_ERROR_CODE(), 1);
  EXPECT_EQ(take_output(),
            "\n *** WARNING  ERROR 1 from DEVCSF.  The iteration for the eigenvalue failed \n"
            " ***          to converge in 100 iterations before               deflating \n");
  ERSET(3, 0, 0);
  EXPECT_GT(DEPISF(a.n, a.n, a.v.data(), a.ld, r.eval.data(), r.evec.v.data(), r.evec.ld), 100.0);
}

TEST_F(SymmetricEigenTest, ArgumentChecksAndStorage) {
  ERSET(0, 0, 0);
  double x[4] = {1.0, 0.0, 0.0, 1.0}, eval[2], evec[4];
  int iwork[2];
  double rwork[6];
  struct Row {
    std::function<void()> call;
    int code;
    const char* message;
  };
  const Row rows[] = {
      {[&] { DEVCSF(0, x, 2, eval, evec, 2); }, 1,
       ".  The argument N = 0.  The order of the matrix must be at least 1."},
      {[&] { De5csf(2, x, 1, eval, evec, 2, rwork, iwork); }, 2,
       ".  The argument LDA = 1.  The leading dimension of the matrix must be at least equal to "
       "the order of the matrix, N = 2."},
      {[&] { DEVCSF(2, x, 2, eval, evec, 1); }, 3,
       ".  The argument LDEVEC = 1.  The leading dimension of the eigenvector matrix must be at "
       "least the order of the matrix, N = 2."},
      {[&] { DEPISF(2, 1, x, 1, eval, evec, 2); }, 2,
       ".  The argument LDA = 1.  The leading dimension of the matrix must be at least the order "
       "of the matrix,  N = 2."},
      {[&] { DEPISF(2, 3, x, 2, eval, evec, 2); }, 4,
       ".  The argument NEVAL = 3.  The number of eigenvalue/eigenvector pairs on which the "
       "calculation of the performance index is based must be greater than 0 and less than or "
       "equal to N = 2."},
  };
  for (const Row& row : rows) {
    row.call();
    EXPECT_EQ(N1RTY(1), 5);
    EXPECT_EQ(N1RCD(1), row.code);
    EXPECT_EQ(waiting_message(), row.message);
  }
  // The copy of the lower triangle for an order that cannot be held ends the run.
  EXPECT_EQ(stop_status([&] { De5csf(INT_MAX, x, INT_MAX, eval, evec, INT_MAX, rwork, iwork); }),
            3);
  EXPECT_NE(take_output().find(" *** TERMINAL ERROR 2 from De5csf.  The required storage cannot"),
            std::string::npos);
}

}  // namespace
}  // namespace numlib::testing
