#include "engine/cracking/constrained_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "platform/console.h"
#include "platform/record_io.h"

namespace engine {
namespace {

using Point = std::array<double, kSearchMaxVariables>;

constexpr double kSmallestStep = 1e-7;
constexpr double kPatternGain = 1e-7;
// The search creeps along curved valleys in steps of h whenever the pattern
// moves gain less than 1e-7: an exact power law needs some 500,000
// evaluations, a shift beyond the grid some 90 million. The limit (about half
// a second of fitting) ends such a search at the best point reached; the
// reference mix needs some 20,000.
constexpr long kEvaluationLimit = 1000000;

class ConstrainedSearch {
 public:
  ConstrainedSearch(numlib::OBJECTIVE_FUNCTION f, int n, int first) : f_(f), n_(n), first_(first) {
    g_.fill(0.1);
  }

  void run(double* x, double& fvalue);

 private:
  // -F at X, with the constraint values set from the signs of X.
  double constrained_search_evaluate(const Point& x) {
    set_constraints(x);
    Point copy = x;
    double value = 0.0;
    f_(n_, copy.data(), value);
    ++evaluations_;
    return -value;
  }

  // The constraint values and the violation count of X, without evaluating F:
  // an infeasible point is never a candidate.
  void set_constraints(const Point& x) {
    violations_ = 0;
    for (int i = 0; i < n_; ++i) {
      g_[static_cast<std::size_t>(i)] = x[static_cast<std::size_t>(i)] >= 0.0 ? 0.1 : -1.0;
      if (g_[static_cast<std::size_t>(i)] < 0.0) {
        ++violations_;
        last_violated_ = i;
      }
    }
    feasible_ = violations_ == 0;
  }

  // -F at X when X is feasible; the feasibility and the violated constraints
  // are recorded either way.
  double constrained_search_step_a(const Point& x) {
    set_constraints(x);
    return feasible_ ? constrained_search_evaluate(x) : 0.0;
  }

  // The total violation of X: the sum of its negative constraint values.
  double constrained_search_step_b(const Point& x) {
    set_constraints(x);
    double total = 0.0;
    for (int i = 0; i < n_; ++i)
      if (g_[static_cast<std::size_t>(i)] < 0.0) total += g_[static_cast<std::size_t>(i)];
    return total;
  }

  bool make_feasible(Point& x);
  bool explore(Point& x, double& value, bool& hit_one_constraint);
  void follow_boundary(Point& base, double& value, int violated);
  bool exhausted() const { return evaluations_ >= kEvaluationLimit; }

  numlib::OBJECTIVE_FUNCTION f_;
  int n_;
  int first_;
  std::array<double, kSearchMaxVariables> g_{};
  int violations_ = 0;
  int last_violated_ = 0;
  bool feasible_ = true;
  long evaluations_ = 0;
  double h_ = static_cast<double>(0.2f);
  double boundary_step_ = h_;
  double acceleration_ = 1.0;
  int phase_ = 2;
};

// Feasibility phase. A trial keeps its new coordinate only when the whole point
// is feasible, so the violation improves only by reaching feasibility: each
// sweep over the variables (last to first, +h before -h) either ends the phase
// or divides h by 3.
bool ConstrainedSearch::make_feasible(Point& x) {
  while (h_ >= kSmallestStep) {
    for (int i = n_ - 1; i >= first_ - 1; --i) {
      for (const double sign : {1.0, -1.0}) {
        Point trial = x;
        trial[static_cast<std::size_t>(i)] += sign * h_;
        if (constrained_search_step_b(trial) == 0.0) {
          x = trial;
          return true;
        }
      }
    }
    h_ /= 3.0;
  }
  return false;
}

// Exploratory moves around X (value VALUE = -F): each variable from the last to
// the first tries +h, then -h, keeping a feasible trial that raises -F.
// HIT_ONE_CONSTRAINT tells whether a trial violated exactly one constraint.
bool ConstrainedSearch::explore(Point& x, double& value, bool& hit_one_constraint) {
  bool improved = false;
  for (int i = n_ - 1; i >= first_ - 1; --i) {
    for (const double sign : {1.0, -1.0}) {
      Point trial = x;
      trial[static_cast<std::size_t>(i)] += sign * h_;
      const double v = constrained_search_step_a(trial);
      if (!feasible_) {
        if (violations_ == 1) hit_one_constraint = true;
        continue;
      }
      if (v > value) {
        x = trial;
        value = v;
        improved = true;
        break;
      }
    }
  }
  return improved;
}

// Moves along the sum of the normalised gradients of -F and of the violated
// constraint (central differences over 2.4), with a growing acceleration while
// the moves improve and a step divided by 3 when they fail, down to 1e-7.
void ConstrainedSearch::follow_boundary(Point& base, double& value, int violated) {
  const double dx = static_cast<double>(1.2f);
  const double width = static_cast<double>(2.4f);
  Point grad_f{}, grad_g{};
  double norm_f = 0.0, norm_g = 0.0;
  for (int i = first_ - 1; i < n_; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    Point p = base;
    p[k] = base[k] + dx;
    const double f_plus = constrained_search_evaluate(p);
    const double g_plus = g_[static_cast<std::size_t>(violated)];
    p[k] = base[k] - dx;
    const double f_minus = constrained_search_evaluate(p);
    const double g_minus = g_[static_cast<std::size_t>(violated)];
    grad_f[k] = (f_plus - f_minus) / width;
    grad_g[k] = (g_plus - g_minus) / width;
    norm_f += grad_f[k] * grad_f[k];
    norm_g += grad_g[k] * grad_g[k];
  }
  norm_f = std::max(std::sqrt(norm_f), 1e-6);
  norm_g = std::max(std::sqrt(norm_g), 1e-6);
  Point direction{};
  double norm = 0.0;
  for (std::size_t k = 0; k < static_cast<std::size_t>(n_); ++k) {
    direction[k] = grad_f[k] / norm_f + grad_g[k] / norm_g;
    norm += direction[k] * direction[k];
  }
  phase_ = 1;
  if (std::sqrt(norm) <= static_cast<double>(0.03f)) return;

  boundary_step_ = h_;
  acceleration_ = 1.0;
  while (boundary_step_ > kSmallestStep && !exhausted()) {
    Point trial = base;
    for (std::size_t k = 0; k < static_cast<std::size_t>(n_); ++k)
      trial[k] += boundary_step_ * acceleration_ * direction[k];
    const double v = constrained_search_step_a(trial);
    if (!feasible_) {
      acceleration_ = 1.0;
      boundary_step_ /= 3.0;
    } else if (v > value) {
      base = trial;
      value = v;
      acceleration_ += 1.0;
    } else if (acceleration_ > 1.1) {
      acceleration_ = 1.0;
    } else {
      boundary_step_ /= 3.0;
    }
  }
}

void ConstrainedSearch::run(double* x_io, double& fvalue) {
  Point base{};
  for (int i = 0; i < n_; ++i) base[static_cast<std::size_t>(i)] = x_io[i];

  if (constrained_search_step_b(base) < 0.0 && !make_feasible(base)) {
    platform::console_line("          NO FEASIBLE SOLUTION FOUND. PROBLEM ENDED.");
    platform::console_line(platform::format_list(
        "  x(i)=", std::span<const double>(x_io, static_cast<std::size_t>(n_))));
    platform::console_line(platform::format_list("no feasible solution, check your results"));
    fvalue = kNoFeasibleValue;
    return;
  }

  double best = constrained_search_evaluate(base);
  while (h_ > kSmallestStep && !exhausted()) {
    Point explored = base;
    double value = best;
    bool hit_one_constraint = false;
    if (explore(explored, value, hit_one_constraint)) {
      // Pattern moves: from the new point on along the step just made, as long
      // as the pattern point is feasible and clearly better.
      for (;;) {
        Point pattern{};
        for (std::size_t k = 0; k < static_cast<std::size_t>(n_); ++k)
          pattern[k] = 2.0 * explored[k] - base[k];
        base = explored;
        best = value;
        if (exhausted()) break;
        const double v = constrained_search_step_a(pattern);
        if (!feasible_ || !(v > best + kPatternGain)) break;
        phase_ = 2;
        boundary_step_ = h_;
        acceleration_ = 1.0;
        explored = pattern;
        value = v;
        explore(explored, value, hit_one_constraint);
      }
      continue;
    }
    // Stuck against one bound: follow it once (the phase drops to 1 until the
    // next successful pattern move), then shrink the step.
    if (hit_one_constraint && phase_ == 2) {
      follow_boundary(base, best, last_violated_);
      continue;
    }
    h_ = h_ * 3.0 / 10.0;
  }
  for (int i = 0; i < n_; ++i) x_io[i] = base[static_cast<std::size_t>(i)];
  fvalue = -best;
}

}  // namespace

void constrained_search(numlib::OBJECTIVE_FUNCTION f, double* x, double& fvalue, int n,
                        int first) {
  ConstrainedSearch search(f, n, first);
  search.run(x, fvalue);
}

}  // namespace engine
