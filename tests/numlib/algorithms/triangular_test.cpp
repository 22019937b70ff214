#include "numlib/algorithms/triangular.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "algorithm_fixture.h"
#include "numlib/support/blas_compare.h"
#include "support/reference_blas.h"

namespace numlib::testing {
namespace {

class TriangularTest : public AlgorithmTest {};

// A well-conditioned matrix of order n (both triangles filled; the solve reads
// one of them).
std::vector<double> triangular_matrix(RandomData& data, int n, int lda) {
  std::vector<double> a(static_cast<std::size_t>(lda) * n);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < lda; ++i)
      a[i + j * lda] = i == j ? (data.real(1.0, 2.0) * (i % 2 ? -1 : 1)) : 0.5 * data.real(-1, 1);
  return a;
}

TEST_F(TriangularTest, SolveAgainstReferenceBlas) {
  RandomData data(31);
  const int n = 9, lda = 11;
  const std::vector<double> a = triangular_matrix(data, n, lda);
  struct Words {
    const char* uplo;
    const char* trans;
    const char* diag;
  };
  const Words words[] = {{"UPPER", "NOT-TRANS", "NOT-UNIT"},
                         {"U", "TRANSPOSE", "N"},
                         {"upper", "C", "UNIT"},
                         {"LOWER", "N", "NOT-DIAG"},
                         {"l", "t", "u"},
                         {"L", "CONJUGATE", "N"},
                         {"U", "N", "U"},
                         {"L", "N", "U"}};
  for (const Words& w : words) {
    for (int incx : {1, -1, 2, -2}) {
      std::vector<double> x = data.vector(strided_length(n, incx));
      std::vector<double> expected = x;
      DTRSV(w.uplo, w.trans, w.diag, n, a.data(), lda, x.data() + kGuard, incx);
      reference_blas::trsv(w.uplo[0], w.trans[0], w.diag[0], n, a.data(), lda,
                           expected.data() + kGuard, incx);
      for (std::size_t i = 0; i < x.size(); ++i)
        ASSERT_NEAR(x[i], expected[i], 1e-14 * std::abs(expected[i]))
            << w.uplo << " " << w.trans << " " << w.diag << " incx " << incx << " element " << i;
    }
  }
}

// R of order 5 whose rows 2 and 4 are zero.
struct ZeroRows {
  static constexpr int n = 5, ld = 6;
  std::vector<double> r = std::vector<double>(ld * n, 0.0);
  ZeroRows() {
    const double upper[5][5] = {{2.0, 0.5, -1.0, 0.25, 1.5},
                                {0, 0, 0, 0, 0},
                                {0, 0, -3.0, 0.75, -0.5},
                                {0, 0, 0, 0, 0},
                                {0, 0, 0, 0, 1.25}};
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) r[i + j * ld] = upper[i][j];
  }
  double at(int i, int j) const { return r[i + j * ld]; }
};

TEST_F(TriangularTest, GeneralizedInverseSolveOnZeroRows) {
  ERSET(0, 0, 0);
  const ZeroRows z;
  const int n = z.n, ld = z.ld;
  const bool nonzero[5] = {true, false, true, false, true};
  struct Row {
    const char* what;
    int ipath;
    double b[5];
    int code;  // LAST_ERROR_CODE: 1 for the inconsistency warning
  };
  // Rᵀ·X = B is consistent on the zero rows 2 and 4 when B(2) = 0.5·X(1) and
  // B(4) = 0.25·X(1) + 0.75·X(3); with B(1) = 2 and B(3) = 4, X(1) = 1 and
  // X(3) = (4 + X(1))/(-3).
  const double x1 = 1.0, x3 = (4.0 - (-1.0) * x1) / -3.0;
  const Row rows[] = {
      {"R X = B, consistent", 1, {1.0, 0.0, 2.0, 0.0, -1.0}, 0},
      {"R X = B, B(4) not zero", 3, {1.0, 0.0, 2.0, 0.5, -1.0}, 1},
      {"R' X = B, consistent", 2, {2.0 * x1, 0.5 * x1, 4.0, 0.25 * x1 + 0.75 * x3, 3.0}, 0},
      {"R' X = B, inconsistent row 2", 4, {2.0, 0.6, 4.0, 0.25 * x1 + 0.75 * x3, 3.0}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<double> b(row.b, row.b + n), x(ld, 7.0), rinv(ld * n, 7.0);
    int irank = 0;
    DGIRTS(n, z.r.data(), ld, 1, b.data(), ld, row.ipath, irank, x.data(), ld, rinv.data(), ld);
    EXPECT_EQ(LAST_ERROR_CODE(), row.code);
    EXPECT_EQ(irank, 3);
    const bool transposed = row.ipath % 2 == 0;
    for (int i = 0; i < n; ++i) {
      if (!nonzero[i]) {
        EXPECT_EQ(x[i], 0.0);
        continue;
      }
      double lhs = 0.0;  // row i of R·X or of Rᵀ·X
      for (int k = 0; k < n; ++k) lhs += (transposed ? z.at(k, i) : z.at(i, k)) * x[k];
      EXPECT_NEAR(lhs, b[i], 1e-14) << "row " << i + 1;
    }
    if (row.ipath < 3) continue;
    // R·RINV is the identity on the non-zero rows and columns; RINV is zero
    // elsewhere and below its diagonal.
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        if (!nonzero[i] || !nonzero[j] || i > j) {
          EXPECT_EQ(rinv[i + j * ld], 0.0) << i << "," << j;
          continue;
        }
        double product = 0.0;
        for (int k = 0; k < n; ++k) product += z.at(i, k) * rinv[k + j * ld];
        EXPECT_NEAR(product, i == j ? 1.0 : 0.0, 1e-15) << i << "," << j;
      }
  }
}

TEST_F(TriangularTest, GeneralizedInverseSolveRefusesNonZeroElementInZeroRow) {
  ERSET(0, 0, 0);
  ZeroRows z;
  z.r[1 + 3 * z.ld] = 0.125;  // R(2,4)
  std::vector<double> b = {1, 0, 2, 0, -1}, before = b;
  int irank = 0;
  DGIRTS(z.n, z.r.data(), z.ld, 1, b.data(), z.ld, 1, irank, b.data(), z.ld, nullptr, 1);
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_NE(waiting_message().find("R(2,2) = 0.000000000000000E+00.  Remaining elements for the "
                                   "row must also be zero, but R(2,4) = 1.250000000000000E-01 is "
                                   "not."),
            std::string::npos)
      << waiting_message();
  EXPECT_EQ(b, before);
}

}  // namespace
}  // namespace numlib::testing
