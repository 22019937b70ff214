#include "numlib/algorithms/minimiser_workers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "algorithm_fixture.h"

namespace numlib::testing {
namespace {

class MinimiserWorkersTest : public AlgorithmTest {};

using Matrix = std::vector<double>;  // by columns

double& at(Matrix& a, int n, int i, int j) { return a[j * n + i]; }

// A random symmetric matrix with the given diagonal shift.
Matrix random_symmetric(std::mt19937& rng, int n, double shift) {
  std::normal_distribution<double> normal;
  Matrix a(n * n);
  for (int j = 0; j < n; ++j) {
    for (int i = j; i < n; ++i) at(a, n, i, j) = at(a, n, j, i) = normal(rng);
    at(a, n, j, j) += shift;
  }
  return a;
}

// L*L' from the lower triangle of L.
Matrix lower_product(Matrix l, int n) {
  Matrix p(n * n, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      for (int k = 0; k <= std::min(i, j); ++k) at(p, n, i, j) += at(l, n, i, k) * at(l, n, j, k);
    }
  }
  return p;
}

double max_abs(const Matrix& a) {
  double m = 0.0;
  for (double v : a) m = std::max(m, std::abs(v));
  return m;
}

TEST_F(MinimiserWorkersTest, DifferenceGradients) {
  constexpr int n = 10;
  constexpr double eta = 1e-15;
  constexpr double r = 3.162277660168379e-08;  // sqrt(eta)
  std::mt19937 rng(1401);
  std::uniform_real_distribution<double> uniform(-4.0, 4.0);
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<double> x(n), xscale(n, 1.0), g(n);
    for (double& xi : x) xi = uniform(rng);
    x[0] = 0.0;  // the step then comes from 1/XSCALE
    const std::vector<double> saved = x;
    std::vector<std::vector<double>> seen;
    auto f = [&](int count, const double* point, double& value) {
      seen.emplace_back(point, point + count);
      value = 0.0;
      for (int i = 0; i < count; ++i) value += std::sin(point[i]);
    };
    double fx = 0.0;
    f(n, x.data(), fx);
    seen.clear();

    for (bool central : {false, true}) {
      SCOPED_TRACE(central ? "central" : "forward");
      seen.clear();
      if (central) {
        DCDGRD(f, n, x.data(), xscale.data(), eta, g.data());
      } else {
        DFDGRD(f, n, x.data(), xscale.data(), fx, eta, g.data());
      }
      EXPECT_EQ(std::memcmp(x.data(), saved.data(), n * sizeof(double)), 0) << "X restored";
      ASSERT_EQ(seen.size(), static_cast<std::size_t>(central ? 2 * n : n));
      for (int j = 0; j < n; ++j) {
        EXPECT_NEAR(g[j], std::cos(saved[j]), 1e-6) << "j = " << j;
        // The step of variable j: towards 0 from a negative x, its size r*max(|x|, 1).
        const double h = (saved[j] < 0.0 ? -r : r) * std::max(std::abs(saved[j]), 1.0);
        const std::vector<double>& plus = seen[central ? 2 * j : j];
        EXPECT_TRUE(relatively_near(plus[j] - saved[j], h, 1e-7)) << "j = " << j;
        if (central) {
          EXPECT_TRUE(relatively_near(seen[2 * j + 1][j] - saved[j], -h, 1e-7));
        }
      }
    }
  }
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

TEST_F(MinimiserWorkersTest, HessianFactor) {
  std::mt19937 rng(1402);
  struct Row {
    const char* what;
    int n;
    double shift;        // of the random symmetric matrix's diagonal
    bool scaled;         // rows and columns scaled by XSCALE = 1, 2, 4, ...
    bool positive;       // no addition expected
  };
  const Row rows[] = {
      {"positive definite", 6, 8.0, false, true},
      {"positive definite, scaled", 6, 8.0, true, true},
      {"one variable", 1, 3.0, false, true},
      {"indefinite", 6, 0.0, false, false},
      {"negative definite", 5, -8.0, false, false},
      {"indefinite, scaled", 6, -1.0, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (int trial = 0; trial < 10; ++trial) {
      const int n = row.n;
      std::vector<double> xscale(n, 1.0), work(n);
      Matrix h = random_symmetric(rng, n, row.shift);
      if (row.scaled) {
        for (int i = 0; i < n; ++i) xscale[i] = std::ldexp(1.0, i);
        for (int j = 0; j < n; ++j) {
          for (int i = 0; i < n; ++i) at(h, n, i, j) *= xscale[i] * xscale[j];
        }
      }
      Matrix l = h;
      HESSIAN_FACTOR(n, l.data(), n, xscale.data(), work.data());
      Matrix difference = lower_product(l, n);
      for (int k = 0; k < n * n; ++k) difference[k] -= h[k];
      const double size = max_abs(h);
      double added = 0.0;  // largest addition to the diagonal, relative
      for (int j = 0; j < n; ++j) {
        EXPECT_GT(at(l, n, j, j), 0.0);
        for (int i = 0; i < n; ++i) {
          // Relative to the scale of entry (i, j).
          const double e = at(difference, n, i, j) / (xscale[i] * xscale[j]);
          const double s = size / (xscale[n - 1] * xscale[n - 1]);
          if (row.positive || i != j) {
            EXPECT_LE(std::abs(e), 1e-14 * s) << i << ", " << j;
          } else {
            EXPECT_GE(e, -1e-14 * s) << i;
            added = std::max(added, e / s);
          }
        }
      }
      if (!row.positive) {
        EXPECT_GT(added, 1e-3);
      }
    }
  }
}

TEST_F(MinimiserWorkersTest, FreeVariablesLeadTheMatrix) {
  constexpr int n = 5;
  Matrix a(n * n);
  for (int k = 0; k < n * n; ++k) a[k] = k;
  const int ibound[n] = {0, 1, 0, 2, 0};
  const int free_vars[3] = {0, 2, 4};
  Matrix compressed = a;
  int held = -1;
  FREE_VAR_COUNT(n, ibound, compressed.data(), n, held);
  EXPECT_EQ(held, 2);
  for (int q = 0; q < 3; ++q) {
    for (int p = 0; p < 3; ++p) {
      EXPECT_EQ(at(compressed, n, p, q), at(a, n, free_vars[p], free_vars[q])) << p << ", " << q;
    }
  }
}

TEST_F(MinimiserWorkersTest, LineSearch) {
  struct Trial {
    std::vector<double> x, lower, upper, p;
  };
  // f = (x1 - 0.3)^2 + (x2 - 0.6)^2 from 0 along (1, 2): 5*(lambda - 0.3)^2.
  {
    SCOPED_TRACE("quadratic");
    const std::vector<double> x{0.0, 0.0}, g{-0.6, -1.2}, p{1.0, 2.0}, box{-10.0, -10.0},
        top{10.0, 10.0}, xscale{1.0, 1.0};
    const int ibound[2] = {0, 0};
    std::vector<double> xpls(2), sc(2);
    auto f = [](int, const double* y, double& v) {
      v = (y[0] - 0.3) * (y[0] - 0.3) + (y[1] - 0.6) * (y[1] - 0.6);
    };
    int iretcd = -1, nfcn = 0;
    double fpls = 0.0, sclen = std::sqrt(5.0);
    bool mxtake = true;
    BOUNDED_LINE_SEARCH(f, 2, x.data(), 0.45, g.data(), box.data(), top.data(), p.data(),
                        xscale.data(), 1000.0, 1e-10, ibound, iretcd, xpls.data(), fpls, sc.data(),
                        mxtake, sclen, 1e-15, nfcn);
    EXPECT_EQ(iretcd, 0);
    EXPECT_EQ(nfcn, 2);
    EXPECT_NEAR(sc[0], 0.3, 1e-15);
    EXPECT_NEAR(sc[1], 0.6, 1e-15);
    EXPECT_FALSE(mxtake);
  }

  // Steps out of the box: the first trial ends on the nearest bound, exactly.
  {
    SCOPED_TRACE("out of the box");
    std::mt19937 rng(1403);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    int rounded_outside = 0;  // cases where x + ((b - x)/p)*p misses b outwards
    for (int trial = 0; trial < 2000; ++trial) {
      constexpr int n = 3;
      std::vector<double> x(n), lower(n), upper(n), p(n), g(n), xscale(n, 1.0), xpls(n), sc(n);
      for (int i = 0; i < n; ++i) {
        const double scale = std::pow(10.0, 5.0 * uniform(rng));
        lower[i] = -scale * (1.0 + uniform(rng) * 0.5) + 0.37 * scale;
        upper[i] = lower[i] + scale * (1.5 + uniform(rng));
        x[i] = lower[i] + (upper[i] - lower[i]) * (0.5 + 0.49 * uniform(rng));
        p[i] = 40.0 * scale * uniform(rng);
        g[i] = -p[i];  // downhill
      }
      double u = 1.0;
      int k = -1;
      for (int i = 0; i < n; ++i) {
        const double ratio = ((p[i] > 0 ? upper[i] : lower[i]) - x[i]) / p[i];
        if (ratio < u) {
          u = ratio;
          k = i;
        }
      }
      ASSERT_GE(k, 0);
      const double naive = x[k] + u * p[k];
      if (naive < lower[k] || naive > upper[k]) ++rounded_outside;

      std::vector<std::vector<double>> seen;
      auto f = [&](int count, const double* y, double& v) {
        seen.emplace_back(y, y + count);
        v = -std::numeric_limits<double>::max();  // accepted at once
      };
      const int ibound[n] = {0, 0, 0};
      int iretcd = -1, nfcn = 0;
      double fpls = 0.0, sclen = 1.0;
      bool mxtake = false;
      BOUNDED_LINE_SEARCH(f, n, x.data(), 0.0, g.data(), lower.data(), upper.data(), p.data(),
                          xscale.data(), 1e30, 1e-10, ibound, iretcd, xpls.data(), fpls, sc.data(),
                          mxtake, sclen, 1e-15, nfcn);
      ASSERT_EQ(seen.size(), 1u);
      EXPECT_EQ(iretcd, 0);
      EXPECT_EQ(seen[0][k], p[k] > 0 ? upper[k] : lower[k]) << trial;
      for (int i = 0; i < n; ++i) {
        EXPECT_GE(seen[0][i], lower[i]);
        EXPECT_LE(seen[0][i], upper[i]);
      }
    }
    EXPECT_GT(rounded_outside, 0);
  }

  // An objective that is NaN past a point: the search ends, below it or at X.
  for (const double limit : {0.5, 0.0}) {
    SCOPED_TRACE(::testing::Message() << "NaN from " << limit);
    const std::vector<double> x{0.0}, g{-4.0}, p{4.0}, lower{-100.0}, upper{100.0}, xscale{1.0};
    const int ibound[1] = {0};
    std::vector<double> xpls(1), sc(1);
    auto f = [&](int, const double* y, double& v) {
      v = y[0] > limit ? std::numeric_limits<double>::quiet_NaN() : (y[0] - 2.0) * (y[0] - 2.0);
    };
    int iretcd = -1, nfcn = 0;
    double fpls = 0.0, sclen = 4.0;
    bool mxtake = false;
    BOUNDED_LINE_SEARCH(f, 1, x.data(), 4.0, g.data(), lower.data(), upper.data(), p.data(),
                        xscale.data(), 1000.0, 1e-10, ibound, iretcd, xpls.data(), fpls, sc.data(),
                        mxtake, sclen, 1e-15, nfcn);
    if (limit > 0.0) {
      EXPECT_EQ(iretcd, 0);
      EXPECT_GT(xpls[0], 0.0);
      EXPECT_LE(xpls[0], limit);
      EXPECT_LT(fpls, 4.0);
    } else {
      EXPECT_EQ(iretcd, 1);
      EXPECT_EQ(xpls[0], 0.0);
      EXPECT_EQ(fpls, 4.0);  // the value at X, not the last rejected one
    }
    EXPECT_LT(nfcn, 60);
  }
}

TEST_F(MinimiserWorkersTest, SecantUpdate) {
  constexpr int n = 4;
  constexpr double eta = 1e-15;
  std::mt19937 rng(1404);
  std::normal_distribution<double> normal;
  for (int trial = 0; trial < 20; ++trial) {
    const Matrix h0 = random_symmetric(rng, n, 6.0);
    std::vector<double> s(n), gold(n), gnew(n), y(n), t(n);
    for (int i = 0; i < n; ++i) {
      s[i] = normal(rng);
      gold[i] = normal(rng);
    }
    // y = M*s with M positive definite, so s'y > 0.
    const Matrix m = random_symmetric(rng, n, 6.0);
    for (int i = 0; i < n; ++i) {
      double mi = 0.0;
      for (int j = 0; j < n; ++j) mi += m[j * n + i] * s[j];
      gnew[i] = gold[i] + mi;
    }
    Matrix h = h0;
    SECANT_UPDATE(n, s.data(), gold.data(), gnew.data(), eta, 0, h.data(), n, y.data(), t.data());
    for (int i = 0; i < n; ++i) {
      double hs = 0.0;
      for (int j = 0; j < n; ++j) hs += h[j * n + i] * s[j];
      EXPECT_TRUE(relatively_near(hs, gnew[i] - gold[i], 1e-12)) << i;
      for (int j = 0; j < n; ++j) EXPECT_EQ(h[j * n + i], h[i * n + j]);
    }

    // Pairs that must leave H as it is.
    struct Skip {
      const char* what;
      std::vector<double> gnew;
    };
    std::vector<double> negative(n), flat(n), matched(n), zero = gold;
    for (int i = 0; i < n; ++i) negative[i] = gold[i] - (gnew[i] - gold[i]);  // s'y < 0
    // y nearly orthogonal to s: s'y > 0 but below sqrt(eps)*|s|*|y|.
    std::vector<double> orthogonal(n);
    {
      double ss = 0.0, sy = 0.0;
      for (int i = 0; i < n; ++i) {
        orthogonal[i] = normal(rng);
        ss += s[i] * s[i];
      }
      for (int i = 0; i < n; ++i) sy += s[i] * orthogonal[i];
      for (int i = 0; i < n; ++i) flat[i] = gold[i] + orthogonal[i] - (sy / ss) * s[i] + 1e-12 * s[i];
    }
    // y = H*s already: nothing to learn.
    for (int i = 0; i < n; ++i) {
      double hs = 0.0;
      for (int j = 0; j < n; ++j) hs += h0[j * n + i] * s[j];
      matched[i] = gold[i] + hs;
    }
    const Skip skips[] = {
        {"s'y < 0", negative}, {"s'y tiny", flat}, {"H*s = y", matched}, {"y = 0", zero}};
    for (const Skip& skip : skips) {
      SCOPED_TRACE(skip.what);
      Matrix unchanged = h0;
      SECANT_UPDATE(n, s.data(), gold.data(), skip.gnew.data(), eta, 0, unchanged.data(), n,
                    y.data(), t.data());
      EXPECT_EQ(unchanged, h0);
    }
  }
}

}  // namespace
}  // namespace numlib::testing
