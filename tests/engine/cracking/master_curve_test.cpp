#include "engine/cracking/master_curve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "engine/cracking/constrained_search.h"
#include "engine/cracking/cracking_test_support.h"
#include "engine/cracking/creep_fit.h"
#include "engine/temp_project.h"
#include "numlib/support/library.h"

namespace {

using cracking_test::relatively_near;

// The table KEY read back as the fit reads it, with its master curve.
engine::CreepFitCommon master_curve_of(const std::string& key) {
  engine_test::TempDrive drive;
  cracking_test::write_test_table(key, "c:\\table.dat");
  engine::CreepFitCommon fit;
  double strength = 0.0;
  platform::FixedText<255> name;
  name = "c:\\table.dat";
  engine::read_creep_table(fit, strength, name);
  engine::check_creep_curves(fit);
  return fit;
}

TEST(MasterCurve, TablesMatchTheOracle) {
  // the reference mix (curves 1 and 3 straight, the direct shift tried and
  // dropped), a pure power law, the smoothing path, the four range cases with
  // and without their span changes, a shift beyond the grid, coinciding
  // curves, a small exponent, a decreasing curve and curved ones
  for (const auto& [key, r] : cracking_test::keyed_rows("creep_master_curves.csv")) {
    SCOPED_TRACE(key);
    cracking_test::FitConsole console;
    const engine::CreepFitCommon fit = master_curve_of(key);
    EXPECT_NEAR(fit.master_curve_shifts[0], r[0], 1e-12);
    EXPECT_NEAR(fit.master_curve_shifts[1], r[1], 1e-12);
    EXPECT_NEAR(fit.work.misfits[0], r[2], 1e-9 * r[2] + 1e-14);
    EXPECT_NEAR(fit.work.misfits[1], r[3], 1e-9 * r[3] + 1e-14);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(fit.work.spans[i], r[4 + i], 1e-11) << i;
    for (std::size_t j = 0; j < 3; ++j) {
      EXPECT_NEAR(fit.work.curves[j].c2, r[12 + j], 1e-11) << j;
      EXPECT_EQ(fit.work.curves[j].c2 == 0.0, r[12 + j] == 0.0) << j;
    }
    for (std::size_t p = 0; p < 30; ++p) {
      EXPECT_TRUE(relatively_near(fit.master_curve_times[p], r[15 + p], 1e-10)) << p;
      EXPECT_TRUE(relatively_near(fit.master_curve_compliances[p], r[45 + p], 1e-11)) << p;
    }
    const bool decreasing = key == "decreasing";
    EXPECT_EQ(console.text(), decreasing ? "  Creep curve # 1  decreases,  negative m \n"
                                           "  Check your test results\n"
                                         : "");
    EXPECT_EQ(console.pauses(), decreasing ? 1 : 0);
  }
  // the figures of the power law 1e-6 (t 10^s)^0.3, s = 0, 1, 2.5
  const auto power = cracking_test::keyed_rows("creep_master_curves.csv").at("power_law");
  EXPECT_NEAR(power[0], 1.000000469, 5e-10);
  EXPECT_NEAR(power[1], 2.500000946, 5e-10);
}

TEST(MasterCurve, QuadraticInverse) {
  struct Row {
    double y, c0, c1, c2, u;
  };
  const Row rows[] = {
      {-5.4, -6.0, 0.3, 0.0, 2.0},                 // straight line
      {-5.4, -6.0, 0.3, 1e-21, 2.0},               // a u^2 term below 1e-20 is no term
      {-5.25, -6.0, 0.5, 0.25, 1.0},               // zeros 1 and -3: the larger
      {-7.0, -6.0, 0.5, 0.25, -1.0},               // never reached: the vertex
      {-6.0, -6.0, 1e-21, 1e-21, 0.0},             // zeros 0 and -1 of a tiny parabola
  };
  for (const Row& r : rows)
    EXPECT_NEAR(engine::quadratic_inverse(r.y, {r.c0, r.c1, r.c2}), r.u, 1e-12) << r.y << " " << r.c2;
}

// A convex quadratic of three variables with coupled terms.
struct Quadratic {
  std::array<double, 3> centre;
  void operator()(int, const double* x, double& f) const {
    const double d0 = x[0] - centre[0], d1 = x[1] - centre[1], d2 = x[2] - centre[2];
    f = 2.0 * d0 * d0 + d1 * d1 + 1.5 * d2 * d2 + d0 * d1 + 0.6 * d1 * d2 + 3.0;
  }
};

TEST(ConstrainedSearch, ConvexQuadratics) {
  // With x1 held at 0 the gradient in x2, x3 vanishes where
  // [2 0.6; 0.6 3] (x2 - c2, x3 - c3) = (c1, 0).
  const std::array<double, 3> outside{-0.6, 0.4, 1.1};
  const double det = 2.0 * 3.0 - 0.6 * 0.6;
  const std::array<double, 3> on_bound{0.0, outside[1] + 3.0 * outside[0] / det,
                                       outside[2] - 0.6 * outside[0] / det};
  struct Row {
    const char* what;
    std::array<double, 3> start, centre, expected;
    bool feasible;
  };
  const Row rows[] = {
      {"interior", {1, 1, 0.5}, {2.3, 0.7, 1.9}, {2.3, 0.7, 1.9}, true},
      {"on the bound x1 = 0", {1, 1, 0.5}, outside, on_bound, true},
      {"one variable in [-0.2, 0)", {1, 1, -0.15}, {0.4, 2.0, 0.8}, {0.4, 2.0, 0.8}, true},
      {"two negative variables", {-0.1, 1, -0.1}, {0.4, 2.0, 0.8}, {-0.1, 1, -0.1}, false},
      {"one below -0.2", {1, -0.25, 1}, {0.4, 2.0, 0.8}, {1, -0.25, 1}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    cracking_test::FitConsole console;
    const Quadratic q{r.centre};
    std::array<double, 3> x = r.start;
    double f = 0.0;
    engine::constrained_search(q, x.data(), f, 3, 1);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(x[i], r.expected[i], 1e-4) << i;
    if (r.feasible) {
      EXPECT_GE(*std::min_element(x.begin(), x.end()), 0.0);
      double at_x = 0.0;
      q(3, x.data(), at_x);
      EXPECT_EQ(f, at_x);
      EXPECT_EQ(console.text(), "");
    } else {
      EXPECT_EQ(f, 1e10);
      EXPECT_EQ(console.text(), "          NO FEASIBLE SOLUTION FOUND. PROBLEM ENDED.\n" +
                                    platform::format_list("  x(i)=", r.start) +
                                    "\n no feasible solution, check your results\n");
    }
  }
}

TEST(ConstrainedSearch, PowerLawOnTheReferenceMasterCurve) {
  cracking_test::FitConsole console;
  const engine::CreepFitCommon fit = master_curve_of("reference");
  const auto oracle = cracking_test::oracle_rows("creep_fit_reference.csv");
  const auto objective = [&fit](int n, const double* x, double& f) {
    engine::prony_objective(fit, n, x, f);
  };
  std::array<double, 3> x{1.0, 1.0, 0.5};
  double start = 0.0, f = 0.0;
  objective(3, x.data(), start);
  EXPECT_TRUE(relatively_near(start, oracle[1][0], 1e-12));
  engine::constrained_search(objective, x.data(), f, 3, 1);
  EXPECT_GE(*std::min_element(x.begin(), x.end()), 0.0);
  EXPECT_LE(f, start);
  // within 1e-4 of the bounded least-squares optimum
  EXPECT_TRUE(relatively_near(f, oracle[0][3], 1e-4)) << x[0] << " " << x[1] << " " << x[2];
}

}  // namespace
