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

using Matrix = std::vector<double>;  // n by n, by columns

// A random symmetric matrix, its diagonal shifted by SHIFT.
Matrix random_symmetric(std::mt19937& rng, int n, double shift) {
  std::normal_distribution<double> normal;
  Matrix a(n * n);
  for (int j = 0; j < n; ++j) {
    for (int i = j; i < n; ++i) a[j * n + i] = a[i * n + j] = normal(rng);
    a[j * n + j] += shift;
  }
  return a;
}

std::vector<double> product(const Matrix& a, const std::vector<double>& x) {
  const int n = static_cast<int>(x.size());
  std::vector<double> y(n, 0.0);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) y[i] += a[j * n + i] * x[j];
  }
  return y;
}

TEST_F(MinimiserWorkersTest, DifferenceGradients) {
  constexpr int n = 10;
  constexpr double r = 3.162277660168379e-08;  // sqrt of the noise level 1e-15
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
    for (double xi : x) fx += std::sin(xi);

    for (bool central : {false, true}) {
      SCOPED_TRACE(central ? "central" : "forward");
      seen.clear();
      if (central) {
        DCDGRD(f, n, x.data(), xscale.data(), 1e-15, g.data());
      } else {
        DFDGRD(f, n, x.data(), xscale.data(), fx, 1e-15, g.data());
      }
      EXPECT_EQ(std::memcmp(x.data(), saved.data(), n * sizeof(double)), 0) << "X restored";
      ASSERT_EQ(seen.size(), static_cast<std::size_t>(central ? 2 * n : n));
      for (int j = 0; j < n; ++j) {
        EXPECT_NEAR(g[j], std::cos(saved[j]), 1e-6) << j;
        // Variable j's step: r*max(|x|, 1), towards 0 from a negative x; +h first.
        const double h = (saved[j] < 0.0 ? -r : r) * std::max(std::abs(saved[j]), 1.0);
        const int first = central ? 2 * j : j;
        EXPECT_TRUE(relatively_near(seen[first][j] - saved[j], h, 1e-7)) << j;
        if (central) {
          EXPECT_TRUE(relatively_near(seen[first + 1][j] - saved[j], -h, 1e-7)) << j;
        }
      }
    }
  }
}

TEST_F(MinimiserWorkersTest, HessianFactor) {
  // L*L' - H is 0 for positive definite H, else diagonal and non-negative,
  // measured in the scale of each entry.
  std::mt19937 rng(1402);
  struct Row {
    const char* what;
    int n;
    double shift;  // of the random symmetric matrix's diagonal
    bool scaled;   // rows and columns times XSCALE = 1, 2, 4, ...
    bool positive;
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
    const int n = row.n;
    for (int trial = 0; trial < 10; ++trial) {
      std::vector<double> xscale(n, 1.0), work(n);
      for (int i = 0; row.scaled && i < n; ++i) xscale[i] = std::ldexp(1.0, i);
      Matrix h = random_symmetric(rng, n, row.shift);
      double size = 0.0;
      for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
          size = std::max(size, std::abs(h[j * n + i]));
          h[j * n + i] *= xscale[i] * xscale[j];
        }
      }
      Matrix l = h;
      HESSIAN_FACTOR(n, l.data(), n, xscale.data(), work.data());
      double added = 0.0;
      for (int j = 0; j < n; ++j) {
        EXPECT_GT(l[j * n + j], 0.0);
        for (int i = 0; i < n; ++i) {
          double llt = 0.0;
          for (int k = 0; k <= std::min(i, j); ++k) llt += l[k * n + i] * l[k * n + j];
          const double e = (llt - h[j * n + i]) / (xscale[i] * xscale[j] * size);
          if (row.positive || i != j) {
            EXPECT_LE(std::abs(e), 1e-14) << i << ", " << j;
          } else {
            EXPECT_GE(e, -1e-14) << i;
            added = std::max(added, e);
          }
        }
      }
      if (!row.positive) {
        EXPECT_GT(added, 1e-3);
      }
    }
  }
}

// One line search with unit scales, nothing held, STEPTL 1e-10.
struct Search {
  std::vector<double> x, g, p, lower, upper;
  double fc = 0.0;
  double stepmx = 1000.0;
  int iretcd = -1, nfcn = 0;
  double fpls = 0.0;
  bool mxtake = true;
  std::vector<double> xpls{}, sc{};

  void run(OBJECTIVE_FUNCTION f) {
    const int n = static_cast<int>(x.size());
    const std::vector<double> xscale(n, 1.0);
    const std::vector<int> ibound(n, 0);
    xpls.assign(n, 0.0);
    sc.assign(n, 0.0);
    double sclen = 0.0;
    for (double pi : p) sclen += pi * pi;
    sclen = std::sqrt(sclen);
    BOUNDED_LINE_SEARCH(f, n, x.data(), fc, g.data(), lower.data(), upper.data(), p.data(),
                        xscale.data(), stepmx, 1e-10, ibound.data(), iretcd, xpls.data(), fpls,
                        sc.data(), mxtake, sclen, 1e-15, nfcn);
  }
};

TEST_F(MinimiserWorkersTest, LineSearch) {
  {
    SCOPED_TRACE("quadratic");  // 5*(lambda - 0.3)^2 along (1, 2) from 0
    Search s{{0.0, 0.0}, {-0.6, -1.2}, {1.0, 2.0}, {-10.0, -10.0}, {10.0, 10.0}, 0.45};
    s.run([](int, const double* y, double& v) {
      v = (y[0] - 0.3) * (y[0] - 0.3) + (y[1] - 0.6) * (y[1] - 0.6);
    });
    EXPECT_EQ(s.iretcd, 0);
    EXPECT_EQ(s.nfcn, 2);
    EXPECT_NEAR(s.sc[0], 0.3, 1e-15);
    EXPECT_NEAR(s.sc[1], 0.6, 1e-15);
    EXPECT_FALSE(s.mxtake);
  }
  {
    // Steps out of the box: the first trial ends exactly on the nearest bound,
    // also where x + ((bound - x)/p)*p rounds outside.
    SCOPED_TRACE("out of the box");
    std::mt19937 rng(1403);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    int rounded_outside = 0;
    for (int trial = 0; trial < 2000; ++trial) {
      constexpr int n = 3;
      Search s{std::vector<double>(n), std::vector<double>(n), std::vector<double>(n),
               std::vector<double>(n), std::vector<double>(n)};
      s.stepmx = 1e30;
      double u = 1.0;
      int k = -1;
      for (int i = 0; i < n; ++i) {
        const double scale = std::pow(10.0, 5.0 * uniform(rng));
        s.lower[i] = scale * (0.37 - 1.0 - 0.5 * uniform(rng));
        s.upper[i] = s.lower[i] + scale * (1.5 + uniform(rng));
        s.x[i] = s.lower[i] + (s.upper[i] - s.lower[i]) * (0.5 + 0.49 * uniform(rng));
        s.p[i] = 40.0 * scale * uniform(rng);
        s.g[i] = -s.p[i];
        const double ratio = ((s.p[i] > 0 ? s.upper[i] : s.lower[i]) - s.x[i]) / s.p[i];
        if (ratio < u) {
          u = ratio;
          k = i;
        }
      }
      ASSERT_GE(k, 0);
      const double naive = s.x[k] + u * s.p[k];
      if (naive < s.lower[k] || naive > s.upper[k]) ++rounded_outside;
      std::vector<std::vector<double>> seen;
      s.run([&](int count, const double* y, double& v) {
        seen.emplace_back(y, y + count);
        v = -std::numeric_limits<double>::max();  // accepted at once
      });
      ASSERT_EQ(seen.size(), 1u);
      EXPECT_EQ(seen[0][k], s.p[k] > 0 ? s.upper[k] : s.lower[k]) << trial;
      for (int i = 0; i < n; ++i) {
        EXPECT_GE(seen[0][i], s.lower[i]);
        EXPECT_LE(seen[0][i], s.upper[i]);
      }
    }
    EXPECT_GT(rounded_outside, 0);
  }
  {
    // A NaN difference gradient of a free variable, and the direction made from
    // it: no trial can pass the decrease test, and none is made.
    SCOPED_TRACE("NaN gradient");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Search s{{1.0, 2.0}, {nan, 1.0}, {nan, -1.0}, {-10.0, -10.0}, {10.0, 10.0}, 3.0};
    int calls = 0;
    s.run([&](int, const double*, double& v) {
      ++calls;
      v = 0.0;
    });
    EXPECT_EQ(s.iretcd, 1);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(s.nfcn, 0);
    EXPECT_EQ(s.xpls, s.x);
    EXPECT_EQ(s.fpls, 3.0);
    EXPECT_EQ(s.sc, std::vector<double>(2, 0.0));
  }
  // An objective that is NaN past a point: the search ends below it, or at X
  // with f(X) when there is nothing below it.
  for (const double limit : {0.5, 0.0}) {
    SCOPED_TRACE(::testing::Message() << "NaN from " << limit);
    Search s{{0.0}, {-4.0}, {4.0}, {-100.0}, {100.0}, 4.0};
    s.run([&](int, const double* y, double& v) {
      v = y[0] > limit ? std::numeric_limits<double>::quiet_NaN() : (y[0] - 2.0) * (y[0] - 2.0);
    });
    EXPECT_EQ(s.iretcd, limit > 0.0 ? 0 : 1);
    EXPECT_LE(s.xpls[0], limit);
    EXPECT_EQ(s.xpls[0] > 0.0, limit > 0.0);
    EXPECT_LE(s.fpls, 4.0);
    EXPECT_LT(s.nfcn, 60);
  }
}

TEST_F(MinimiserWorkersTest, SecantUpdate) {
  constexpr int n = 4;
  std::mt19937 rng(1404);
  std::normal_distribution<double> normal;
  for (int trial = 0; trial < 20; ++trial) {
    const Matrix h0 = random_symmetric(rng, n, 6.0);
    std::vector<double> s(n), gold(n), y(n), t(n);
    for (int i = 0; i < n; ++i) {
      s[i] = normal(rng);
      gold[i] = normal(rng);
    }
    // A gradient change of positive curvature along s: y = M*s, M positive definite.
    const std::vector<double> ms = product(random_symmetric(rng, n, 6.0), s);
    const std::vector<double> h0s = product(h0, s);
    std::vector<double> gnew(n), negative(n), matched(n), flat(n);
    double ss = 0.0, sw = 0.0;
    std::vector<double> w(n);
    for (int i = 0; i < n; ++i) {
      w[i] = normal(rng);
      ss += s[i] * s[i];
      sw += s[i] * w[i];
    }
    for (int i = 0; i < n; ++i) {
      gnew[i] = gold[i] + ms[i];
      negative[i] = gold[i] - ms[i];  // s'y < 0
      matched[i] = gold[i] + h0s[i];  // y = H*s already
      // y nearly orthogonal to s: 0 < s'y < sqrt(eps)*|s|*|y|.
      flat[i] = gold[i] + w[i] - (sw / ss) * s[i] + 1e-12 * s[i];
    }

    Matrix h = h0;
    SECANT_UPDATE(n, s.data(), gold.data(), gnew.data(), 1e-15, 0, h.data(), n, y.data(), t.data());
    const std::vector<double> hs = product(h, s);
    for (int i = 0; i < n; ++i) {
      EXPECT_TRUE(relatively_near(hs[i], gnew[i] - gold[i], 1e-12)) << i;
      for (int j = 0; j < i; ++j) EXPECT_EQ(h[j * n + i], h[i * n + j]);
    }
    const std::vector<double>* skips[] = {&negative, &flat, &matched, &gold};  // gold: y = 0
    for (int k = 0; k < 4; ++k) {
      Matrix unchanged = h0;
      SECANT_UPDATE(n, s.data(), gold.data(), skips[k]->data(), 1e-15, 0, unchanged.data(), n,
                    y.data(), t.data());
      EXPECT_EQ(unchanged, h0) << "skip case " << k;
    }
  }
}

}  // namespace
}  // namespace numlib::testing
