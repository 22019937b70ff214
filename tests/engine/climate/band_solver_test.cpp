// The band solver against the reference LAPACK (dgtsv, dgbsv) on random
// diagonally dominant systems, and its multiply against a dense product.

#include "engine/climate/band_solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" {
void dgtsv_(const int* n, const int* nrhs, double* dl, double* d, double* du, double* b,
            const int* ldb, int* info);
void dgbsv_(const int* n, const int* kl, const int* ku, const int* nrhs, double* ab,
            const int* ldab, int* ipiv, double* b, const int* ldb, int* info);
}

namespace {

using engine::BandMatrix;
using engine::NodeVector;

// Row i, column j of the full matrix, 0 outside the band.
double full(const BandMatrix& a, int i, int j) {
  const int column = j - i + a.diagonal_column();
  return column >= 1 && column <= a.bandwidth() ? a(i, column) : 0.0;
}

// The solution of rows and columns first..n of `a` by LAPACK, in double.
std::vector<double> lapack_solution(const char* routine, const BandMatrix& a,
                                    const NodeVector& y, int n, int first) {
  const int m = n - first + 1, one = 1;
  const int half = a.diagonal_column() - 1;
  std::vector<double> b(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) b[static_cast<std::size_t>(i)] = y(first + i);
  int info = 0;
  if (std::string(routine) == "dgtsv") {
    std::vector<double> lower(static_cast<std::size_t>(std::max(m - 1, 1))), diag(b.size()),
        upper(lower.size());
    for (int i = 0; i < m; ++i) {
      diag[static_cast<std::size_t>(i)] = full(a, first + i, first + i);
      if (i + 1 < m) {
        lower[static_cast<std::size_t>(i)] = full(a, first + i + 1, first + i);
        upper[static_cast<std::size_t>(i)] = full(a, first + i, first + i + 1);
      }
    }
    dgtsv_(&m, &one, lower.data(), diag.data(), upper.data(), b.data(), &m, &info);
  } else {
    const int ldab = 3 * half + 1;
    std::vector<double> ab(static_cast<std::size_t>(ldab * m), 0.0);
    for (int j = 0; j < m; ++j)
      for (int i = std::max(0, j - half); i <= std::min(m - 1, j + half); ++i)
        ab[static_cast<std::size_t>(2 * half + i - j + j * ldab)] = full(a, first + i, first + j);
    std::vector<int> pivots(static_cast<std::size_t>(m));
    dgbsv_(&m, &half, &half, &one, ab.data(), &ldab, pivots.data(), b.data(), &m, &info);
  }
  EXPECT_EQ(info, 0) << routine;
  return b;
}

// Rows 1..n with a diagonal at least twice the sum of the row's other elements;
// row `first` also couples to row first - 1, which the solution must ignore.
void random_system(std::mt19937& rng, BandMatrix& a, NodeVector& x, int n) {
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  const int diagonal = a.diagonal_column();
  for (int i = 1; i <= n; ++i) {
    float off = 0.0f;
    for (int c = 1; c <= a.bandwidth(); ++c) {
      if (c == diagonal) continue;
      a(i, c) = value(rng);
      off += std::fabs(a(i, c));
    }
    const float sign = value(rng) < 0 ? -1.0f : 1.0f;
    a(i, diagonal) = sign * (2.0f * off + 0.1f + std::fabs(value(rng)));
    x(i) = 10.0f * value(rng);
  }
}

struct LapackCase {
  int bandwidth;
  const char* routine;
};

class BandSolver : public ::testing::TestWithParam<LapackCase> {};

TEST_P(BandSolver, MatchesLapackAndADenseProduct) {
  const LapackCase& c = GetParam();
  std::mt19937 rng(12345u + static_cast<unsigned>(c.bandwidth));
  auto a = std::make_unique<BandMatrix>(c.bandwidth);
  auto m = std::make_unique<BandMatrix>(c.bandwidth);
  auto x = std::make_unique<NodeVector>();
  auto y = std::make_unique<NodeVector>();
  const int half = a->diagonal_column() - 1;
  for (int n = 1; n <= engine::kMaxNodes; ++n) {
    for (int first : {1, 5, n}) {
      if (first > n) continue;
      random_system(rng, *a, *x, n);

      engine::band_multiply(*a, *x, *y, n, first);
      for (int i = first; i <= n; ++i) {
        double product = 0, scale = 0;
        for (int j = std::max(1, i - half); j <= std::min(n, i + half); ++j) {
          product += full(*a, i, j) * (*x)(j);
          scale += std::fabs(full(*a, i, j) * (*x)(j));
        }
        ASSERT_NEAR((*y)(i), product, 1e-6 * scale) << "n " << n << " first " << first;
      }

      const std::vector<double> expected = lapack_solution(c.routine, *a, *y, n, first);
      engine::band_decompose(*a, *m, n, first);
      engine::band_solve(*a, *y, *m, n, first);
      double error = 0, size = 0;
      for (int i = first; i <= n; ++i) {
        error = std::max(error, std::fabs((*y)(i) - expected[static_cast<std::size_t>(i - first)]));
        size = std::max(size, std::fabs(expected[static_cast<std::size_t>(i - first)]));
      }
      ASSERT_LE(error, 2e-5 * size) << "n " << n << " first " << first;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Reference, BandSolver,
                         ::testing::Values(LapackCase{3, "dgtsv"}, LapackCase{3, "dgbsv"},
                                           LapackCase{5, "dgbsv"}),
                         [](const auto& info) {
                           return std::string(info.param.routine) + "Bandwidth" +
                                  std::to_string(info.param.bandwidth);
                         });

// The implicit schemes keep their bottom node with an identity last row; the
// coupling eliminated above it must not come back.
TEST(BandSolverEdges, IdentityLastRowKeepsItsValueExactly) {
  std::mt19937 rng(7);
  BandMatrix a(3), m(3);
  auto x = std::make_unique<NodeVector>();
  random_system(rng, a, *x, 40);
  a(40, 1) = 0.0f;
  a(40, 2) = 1.0f;
  (*x)(40) = 0.3f;
  engine::band_decompose(a, m, 40, 7);
  engine::band_solve(a, *x, m, 40, 7);
  EXPECT_EQ((*x)(40), 0.3f);
}

TEST(BandSolverEdges, OneRowLeavesTheMatrixAsItWas) {
  BandMatrix a(3), m(3);
  a(1, 1) = 7.0f;
  a(1, 2) = 2.5f;
  a(1, 3) = -1.5f;
  const BandMatrix before = a;
  engine::band_decompose(a, m, 1, 1);
  EXPECT_EQ(a, before);
  NodeVector y;
  y(1) = 5.0f;
  engine::band_solve(a, y, m, 1, 1);
  EXPECT_EQ(y(1), 2.0f);
}

// A pivot that is, or comes out, exactly 0 becomes 1.0e-4: the values grow but
// stay finite.
TEST(BandSolverEdges, ZeroPivotsGiveFiniteValues) {
  {
    BandMatrix a(3), m(3);
    NodeVector y;
    a(1, 2) = 1.0f;  // [[1, 1], [1, 1]]: the second pivot reduces to 0
    a(1, 3) = 1.0f;
    a(2, 1) = 1.0f;
    a(2, 2) = 1.0f;
    y(1) = 2.0f;
    y(2) = 3.0f;
    engine::band_decompose(a, m, 2, 1);
    EXPECT_EQ(a(2, 2), 1.0e-4f);
    engine::band_solve(a, y, m, 2, 1);
    EXPECT_EQ(y(2), 10000.0f);
    EXPECT_EQ(y(1), -9998.0f);
  }
  {
    std::mt19937 rng(11);
    BandMatrix a(5), m(5);
    auto y = std::make_unique<NodeVector>();
    random_system(rng, a, *y, 30);
    a(5, 3) = 0.0f;  // the first row's own pivot
    engine::band_decompose(a, m, 30, 5);
    EXPECT_EQ(a(5, 3), 1.0e-4f);
    engine::band_solve(a, *y, m, 30, 5);
    for (int i = 5; i <= 30; ++i) EXPECT_TRUE(std::isfinite((*y)(i))) << i;
  }
}

}  // namespace
