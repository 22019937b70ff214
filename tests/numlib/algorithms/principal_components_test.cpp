#include "numlib/algorithms/principal_components.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "algorithm_fixture.h"
#include "eigen_fixture.h"

namespace numlib::testing {
namespace {

class PrincipalComponentsTest : public AlgorithmTest {};

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kUntouched = -77.0;

struct Components {
  std::vector<double> eval, pct, std;
  Square evec{0, 1}, a{0, 1};
};

// DPRINC on COV (order n, leading dimension n) with outputs in padded storage
// that starts as kUntouched.
Components principal(const Square& cov, int icov, int ndf) {
  const int n = cov.n;
  Components c;
  c.eval.assign(n, kUntouched);
  c.pct.assign(n, kUntouched);
  c.std.assign(n, kUntouched);
  c.evec = Square(n, n + 1, kUntouched);
  c.a = Square(n, n + 2, kUntouched);
  DPRINC(ndf, n, cov.v.data(), cov.ld, icov, c.eval.data(), c.pct.data(), c.std.data(),
         c.evec.v.data(), c.evec.ld, c.a.v.data(), c.a.ld);
  return c;
}

Square from_values(int n, const double* values) {
  Square m(n, n);
  std::copy(values, values + n * n, m.v.begin());
  return m;
}

TEST_F(PrincipalComponentsTest, SampleMatricesAgreeWithNumpy) {
  for (const std::vector<double>& row : read_oracle_rows("principal_components.csv")) {
    SCOPED_TRACE("case " + std::to_string(static_cast<int>(row[0])));
    const int n = static_cast<int>(row[1]);
    const double* p = row.data() + 4;
    const Square cov = from_values(n, p);
    const double* eval = p + n * n;
    const double* pct = eval + n;
    const double* std = pct + n;
    const Square evec = from_values(n, std + n);
    const Square a = from_values(n, std + n + n * n);
    const Components c = principal(cov, static_cast<int>(row[2]), static_cast<int>(row[3]));
    EXPECT_EQ(N1RTY(1), 0);
    for (int j = 0; j < n; ++j) {
      EXPECT_NEAR(c.eval[j], eval[j], 1e-12 * eval[0]) << j;
      EXPECT_NEAR(c.pct[j], pct[j], 1e-12) << j;
      EXPECT_TRUE(relatively_near(c.std[j], std[j], 1e-9)) << j;
      for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(c.evec(i, j), evec(i, j), 1e-9) << i << ", " << j;
        EXPECT_NEAR(c.a(i, j), a(i, j), 1e-9) << i << ", " << j;
      }
    }
  }
}

TEST_F(PrincipalComponentsTest, ClosedForms) {
  ERSET(0, 0, 0);
  // A diagonal covariance: its variances in descending order, A a permutation.
  const double variances[] = {4.0, 1.0, 9.0, 0.25};
  Square diagonal = symmetric(4, 0, [&](int i, int j) { return i == j ? variances[i] : 0.0; });
  for (int ndf : {10, 0}) {
    SCOPED_TRACE(ndf);
    const Components c = principal(diagonal, 0, ndf);
    EXPECT_EQ(c.eval, (std::vector<double>{9.0, 4.0, 1.0, 0.25}));
    EXPECT_NEAR(c.pct[3], 1.0, 1e-15);
    const double factor = std::sqrt(2.0 / (ndf > 0 ? ndf : 100));
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(c.std[j], factor * c.eval[j]);
      int in_row = 0, in_column = 0;
      for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(c.a(j, k) == 0.0 || c.a(j, k) == 1.0) << c.a(j, k);
        in_row += c.a(j, k) == 1.0;
        in_column += c.a(k, j) == 1.0;
      }
      EXPECT_EQ(in_row, 1) << j;
      EXPECT_EQ(in_column, 1) << j;
    }
    EXPECT_EQ(LAST_ERROR_CODE(), ndf > 0 ? 0 : 1);
  }

  // [[1, rho], [rho, 1]]: eigenvalues 1 +- rho; the standard errors worked by hand
  // from the approximation: sqrt(2/NDF) sqrt(0.5 +- rho + 1.5 rho^2).
  const double rho = 0.5;
  Square correlation = symmetric(2, 0, [&](int i, int j) { return i == j ? 1.0 : rho; });
  const Components r = principal(correlation, 1, 50);
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_NEAR(r.eval[0], 1.5, 2 * kEps);
  EXPECT_NEAR(r.eval[1], 0.5, 2 * kEps);
  EXPECT_NEAR(r.pct[0], 0.75, 2 * kEps);
  EXPECT_NEAR(r.pct[1], 1.0, 2 * kEps);
  EXPECT_TRUE(relatively_near(r.std[0],
                              std::sqrt(2.0 / 50) * std::sqrt(0.5 + rho + 1.5 * rho * rho), 1e-14));
  EXPECT_TRUE(relatively_near(r.std[1],
                              std::sqrt(2.0 / 50) * std::sqrt(0.5 - rho + 1.5 * rho * rho), 1e-14));
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(std::abs(r.a(i, 0)), std::sqrt(0.75), 4 * kEps);
    EXPECT_NEAR(std::abs(r.a(i, 1)), 0.5, 4 * kEps);
  }

  // A zero variance gives a NaN row; an indefinite matrix its warning, with the
  // negative eigenvalue counted as 0; the zero matrix PCT = 0.
  Square zero_variance = symmetric(3, 0, [](int i, int j) {
    return i != j ? 0.0 : i == 1 ? 0.0 : 2.0 + i;
  });
  const Components z = principal(zero_variance, 0, 5);
  for (int j = 0; j < 3; ++j) {
    EXPECT_TRUE(std::isnan(z.a(1, j)));
    EXPECT_FALSE(std::isnan(z.a(0, j)) || std::isnan(z.a(2, j)));
  }
  Square indefinite = symmetric(2, 0, [](int i, int j) { return i == j ? 1.0 : 2.0; });
  const Components in = principal(indefinite, 0, 5);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(N1RCD(1), 2);
  EXPECT_EQ(waiting_message().rfind(".  EVAL(2) = -", 0), 0u) << waiting_message();
  EXPECT_NEAR(in.eval[1], -1.0, 4 * kEps);
  EXPECT_EQ(in.std[1], 0.0);
  EXPECT_EQ(in.a(0, 1), 0.0);
  EXPECT_EQ(in.a(1, 1), 0.0);
  Square zero = symmetric(3, 0, [](int, int) { return 0.0; });
  EXPECT_EQ(principal(zero, 1, 5).pct, std::vector<double>(3, 0.0));

  // A negative variance, after the ten argument checks: TERMINAL 11, nothing written.
  Square negative =
      symmetric(3, 0, [](int i, int j) { return i == j ? (i == 1 ? -1.0 : 1.0) : 0.0; });
  const Components neg = principal(negative, 0, 5);
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(N1RCD(1), 11);
  EXPECT_EQ(waiting_message(),
            ".  COV(2,2) = -1.000000000000000E+00.  All diagonal elements of COV must be "
            "nonnegative.");
  for (const std::vector<double>* v : {&neg.eval, &neg.pct, &neg.std, &neg.evec.v, &neg.a.v}) {
    EXPECT_EQ(*v, std::vector<double>(v->size(), kUntouched));
  }
}

// Without iterations the QL iteration gives up: FATAL 1, and DPRINC returns
// before PCT and A.
TEST_F(PrincipalComponentsTest, IterationLimitIsFatal) {
  ERSET(0, 0, 0);
  library_state().eigen_limits.tridiagonal_factor = 0;
  Square cov = random_symmetric(5, 11);
  for (int i = 0; i < cov.n; ++i) cov(i, i) = 5.0;
  const Components c = principal(cov, 1, 10);
  EXPECT_EQ(N1RTY(1), 4);
  EXPECT_EQ(N1RCD(1), 1);
  EXPECT_EQ(waiting_message(), ".  The iteration for the eigenvalues did not converge.");
  EXPECT_EQ(c.pct, std::vector<double>(5, kUntouched));
  EXPECT_EQ(c.a.v, std::vector<double>(c.a.v.size(), kUntouched));
}

// DE2CSF reads the upper triangle; its vectors are LAPACK's divided by their
// first element of largest magnitude, which becomes exactly 1.
TEST_F(PrincipalComponentsTest, EigensystemAgreesWithLapack) {
  const Square full = random_symmetric(20, 404, 1);
  Square upper = full;
  for (int j = 0; j < full.n; ++j) {
    for (int i = j + 1; i < full.n; ++i) upper(i, j) = kNaN;
  }
  const int n = full.n;
  std::vector<double> eval(n), work(n);
  Square evec(n, n);
  DE2CSF(n, upper.v.data(), upper.ld, eval.data(), evec.v.data(), evec.ld, work.data());
  EXPECT_EQ(N1RTY(1), 0);
  const Reference ref = lapack_eigensystem(full);
  const double anorm = norm1(full);
  for (int j = 0; j < n; ++j) {
    EXPECT_NEAR(eval[j], ref.w[j], 50 * n * kEps * anorm);
    const double* z = ref.z.column(j);
    const double big = z[first_largest(z, n)];
    EXPECT_EQ(evec(first_largest(evec.column(j), n), j), 1.0);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(evec(i, j), z[i] / big, 1e-10);
  }
}

TEST_F(PrincipalComponentsTest, SafeHypotenuse) {
  const double cases[][2] = {{3.0, 4.0},     {1.0, 1e-8},      {-5.0, 12.0},
                             {0.1, 0.7},     {1e-300, 3e-300}, {2.5, -2.5},
                             {1e300, 1e300}, {0.0, -7.0},      {0.0, 0.0}};
  for (const auto& c : cases) {
    const double h = HYPOT_SAFE(c[0], c[1]);
    EXPECT_TRUE(std::isfinite(h));
    EXPECT_NEAR(h, std::hypot(c[0], c[1]), 1e-15 * std::hypot(c[0], c[1])) << c[0] << ", " << c[1];
  }
  EXPECT_TRUE(std::isnan(HYPOT_SAFE(kNaN, 1.0)));
  EXPECT_TRUE(std::isnan(HYPOT_SAFE(kInf, kNaN)));
  EXPECT_EQ(HYPOT_SAFE(-kInf, 2.0), kInf);
  EXPECT_EQ(HYPOT_SAFE(1.0, kInf), kInf);
}

}  // namespace
}  // namespace numlib::testing
