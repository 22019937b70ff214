#pragma once
// A synthetic 30-point creep master curve, 3.2 + 1.7*t^0.28 (times 1e-7) with
// a small ripple for noise, from one closed formula
// (tools/oracles/numlib_minimiser_oracle.py builds the same points), and the
// creep fit's objective on it: the sum of (compliance/1e-7 - (x1 + x2*t^x3))^2.
// Shared by the minimiser's tests and its benchmark.

#include <array>
#include <cmath>

namespace numlib::testing {

struct CreepCurve {
  std::array<double, 30> times{};
  std::array<double, 30> compliances{};
  int calls = 0;  // objective evaluations

  // Times from 10^FIRST over DECADES decades, evenly spaced in log t; the
  // ripple's relative amplitude is RIPPLE. The defaults are the benchmark's.
  explicit CreepCurve(double first = -2.0, double decades = 7.0, double ripple = 0.02) {
    for (int k = 1; k <= 30; ++k) {
      const double t = std::pow(10.0, first + decades * (k - 1) / 29.0);
      times[k - 1] = t;
      compliances[k - 1] =
          1e-7 * (3.2 + 1.7 * std::pow(t, 0.28)) * (1.0 + ripple * std::sin(2.3 * k));
    }
  }

  // The objective; N is not read, as in the engine.
  void operator()(int /*n*/, const double* x, double& f) {
    ++calls;
    double sum = 0.0;
    for (int k = 0; k < 30; ++k) {
      const double r = compliances[k] / 1e-7 - (x[0] + x[1] * std::pow(times[k], x[2]));
      sum += r * r;
    }
    f = sum;
  }
};

}  // namespace numlib::testing
