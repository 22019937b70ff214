#include "numlib/algorithms/unconstrained_minimisers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "numlib/algorithms/fortran_arithmetic.h"
#include "numlib/algorithms/minimiser_workers.h"
#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {

namespace {

// ---- the line search of DU2CGF ----

// The search works along the direction D of the scaled variables
// y(i) = XSCALE(i)*x(i); its directional derivatives are those of F in y.
enum class SearchEnd {
  wolfe,            // a lower point with a small directional derivative
  lower,            // a lower point, the derivative not small: restart next
  no_decrease,      // no lower point: F is flat to rounding along D
  abandoned,        // no lower point: F rises where the gradient says it falls
  evaluation_limit  // MAXFN reached; the lowest point so far stands
};

constexpr int kTrialLimit = 20;
constexpr double kArmijo = 1e-4;    // sufficient decrease, a fraction of the predicted one
constexpr double kCurvature = 0.1;  // |derivative| to reach, a fraction of the first one

struct CgProblem {
  OBJECTIVE_FUNCTION f;
  int n;
  const double* xscale;
  std::int64_t maxfn;
  std::int64_t calls = 0;
};

void trial_point(int n, const double* x, const double* d, const double* s, double alpha,
                 double* out) {
  for (int i = 0; i < n; ++i) out[i] = x[i] + alpha * (d[i] / s[i]);
}

// Sum of (g(i)/s(i))*v(i): a gradient in x against a vector in y.
double scaled_dot(int n, const double* g, const double* s, const double* v) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += g[i] / s[i] * v[i];
  return sum;
}

// Along X + alpha*D/XSCALE from F0 with derivative DPHI0 < 0, the first trial
// at ALPHA0. Out: ALPHA and FVALUE of the lowest point found (ALPHA = 0 when
// none) and, in GLO, its gradient. GLO and GT are work vectors of N whose roles
// may be exchanged; XT receives trial points.
SearchEnd line_search(CgProblem& p, const double* x, const double* d, double f0, double dphi0,
                      double alpha0, double& alpha, double& fvalue, double*& glo, double*& gt,
                      double* xt) {
  const int n = p.n;
  const double eps = DMACH(4);
  const double noise = 10.0 * eps * std::abs(f0);
  double lo = 0.0, f_lo = f0, dphi_lo = dphi0;
  double hi = 0.0, f_hi = 0.0;
  bool bracketed = false;
  double prev = 0.0, dphi_prev = dphi0;  // the lower point before lo
  double trial = alpha0;
  SearchEnd end = SearchEnd::no_decrease;
  for (int count = 0;; ++count) {
    // The search ends after its trial limit, at steps whose predicted decrease
    // is lost in the rounding of F, and at steps that no longer give a new point.
    if (count == kTrialLimit || (lo == 0.0 && !(trial * -dphi0 > noise))) {
      end = lo > 0.0 ? SearchEnd::lower : SearchEnd::no_decrease;
      break;
    }
    trial_point(n, x, d, p.xscale, trial, xt);
    bool moved = false;
    for (int i = 0; i < n && !moved; ++i) moved = xt[i] != x[i] + lo * (d[i] / p.xscale[i]);
    if (!moved) {
      end = lo > 0.0 ? SearchEnd::lower : SearchEnd::no_decrease;
      break;
    }
    if (p.calls >= p.maxfn) {
      end = SearchEnd::evaluation_limit;
      break;
    }
    double ft = 0.0;
    call_user_routine(p.f, n, static_cast<const double*>(xt), ft);
    ++p.calls;

    if (!(ft < f_lo) || !(ft <= f0 + kArmijo * trial * dphi0)) {
      hi = trial;
      f_hi = ft;
      bracketed = true;
    } else {
      if (p.calls + n > p.maxfn) {
        end = SearchEnd::evaluation_limit;
        break;
      }
      DFDGRD(p.f, n, xt, p.xscale, ft, eps, gt);
      p.calls += n;
      const double dphi = scaled_dot(n, gt, p.xscale, d);
      const double f_prev = f_lo;
      prev = lo;
      dphi_prev = dphi_lo;
      lo = trial;
      f_lo = ft;
      dphi_lo = dphi;
      std::swap(glo, gt);
      if (std::abs(dphi) <= kCurvature * -dphi0) {
        end = SearchEnd::wolfe;
        break;
      }
      if (dphi * (prev - lo) < 0.0) {  // the minimum lies back towards the previous point
        hi = prev;
        f_hi = f_prev;
        bracketed = true;
      }
    }

    if (bracketed) {
      // The minimiser of the parabola through (lo, f_lo) with slope dphi_lo and
      // (hi, f_hi), kept within 0.1 to 0.5 of the way from lo to hi.
      const double h = hi - lo;
      double fraction = -dphi_lo * h / (2.0 * (f_hi - f_lo - dphi_lo * h));
      if (!(fraction >= 0.1)) fraction = fraction < 0.1 ? 0.1 : 0.5;  // NaN: bisect
      trial = lo + std::min(fraction, 0.5) * h;
    } else {
      // Still going down: extrapolate by the secant of the slopes, 2 to 10 times lo.
      double next = 10.0 * lo;
      if (dphi_lo > dphi_prev) next = lo - dphi_lo * (lo - prev) / (dphi_lo - dphi_prev);
      trial = std::clamp(next, 2.0 * lo, 10.0 * lo);
    }
  }
  // Without a lower point: when F rose at the shortest step by more than the
  // gradient said it would fall, and by more than the differences of F that
  // the gradient was formed from (about sqrt(eps) |F| when F is noisy), the
  // gradient is wrong rather than F flat.
  if (end == SearchEnd::no_decrease && bracketed &&
      f_hi - f0 > std::max(hi * -dphi0, std::sqrt(eps) * std::abs(f0))) {
    end = SearchEnd::abandoned;
  }
  alpha = lo;
  fvalue = f_lo;
  return end;
}

// TERMINAL 1 for N <= 0.
bool refuse_variable_count(int n) {
  if (n > 0) return false;
  ERROR_STORE_INTEGER(1, n);
  E1MES(5, 1, "The number of variables must be positive while N = %(i1) is given.");
  return true;
}

}  // namespace

void DUMCGF(OBJECTIVE_FUNCTION f, int n, const double* xguess, const double* xscale, double gradtl,
            int maxfn, double dfpred, double* x, double* g, double& fvalue) {
  Frame frame("DUMCGF");
  if (refuse_variable_count(n)) {
    frame.pop();
    return;
  }
  const std::uint64_t count = 6 * static_cast<std::uint64_t>(n);
  std::unique_ptr<double[]> work;
  if (count <= PTRDIFF_MAX / sizeof(double)) work.reset(new (std::nothrow) double[count]);
  if (!work) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 3,
          "The required storage cannot be allocated.  The workspace is based on N, while N = "
          "%(i1) is given.");
    print_message_and_end_run();
  }
  DU2CGF(f, n, xguess, xscale, gradtl, maxfn, dfpred, x, g, fvalue, work.get());
  frame.pop();
}

void DU2CGF(OBJECTIVE_FUNCTION f, int n, const double* xguess, const double* xscale, double gradtl,
            int maxfn, double dfpred, double* x, double* g, double& fvalue, double* work) {
  Frame frame("DU2CGF");
  if (refuse_variable_count(n)) {
    frame.pop();
    return;
  }
  // Directions and gradient differences live in the scaled variables.
  double* d = work;            // the search direction
  double* dt = work + n;       // the direction of the last restart
  double* yt = work + 2 * n;   // the change of the scaled gradient along it
  double* xt = work + 3 * n;   // trial points
  double* gt = work + 4 * n;   // gradients of the line search; afterwards the
  double* glo = work + 5 * n;  // change of the gradient and a candidate direction
  const double eps = DMACH(4);
  CgProblem p{f, n, xscale, maxfn};

  VECTOR_COPY(n, xguess, 1, x, 1);
  call_user_routine(f, n, static_cast<const double*>(x), fvalue);
  VECTOR_COPY(n, x, 1, xt, 1);
  DFDGRD(f, n, xt, xscale, fvalue, eps, g);
  p.calls = 1 + static_cast<std::int64_t>(n);
  if (N1RTY(1) > 3) {  // an XSCALE(i) <= 0
    frame.pop();
    return;
  }

  VECTOR_SET(n, 0.0, dt, 1);
  VECTOR_SET(n, 0.0, yt, 1);
  auto steepest_descent = [&] {
    for (int i = 0; i < n; ++i) d[i] = -g[i] / xscale[i];
  };
  double gnorm2 = 0.0;
  for (int i = 0; i < n; ++i) gnorm2 += (g[i] / xscale[i]) * (g[i] / xscale[i]);
  steepest_descent();
  bool have_restart = false;  // dt, yt hold the pair of the last restart
  double dt_yt = 0.0;
  int since_restart = 0;
  double decrease = dfpred;  // sets the first trial step along a new direction
  int failures = 0;
  while (!(gnorm2 <= gradtl)) {
    const double dphi0 = scaled_dot(n, g, xscale, d);
    if (!(dphi0 < 0.0)) {
      E1MES(4, 2, "The calculation cannot continue because the search is uphill.");
      break;
    }
    double alpha0 = 2.0 * decrease / -dphi0;
    if (!(alpha0 > 0.0) || !std::isfinite(alpha0)) alpha0 = 1.0 / VECTOR_NORM2(n, d, 1);
    double alpha = 0.0;
    double flow = fvalue;
    const SearchEnd end = line_search(p, x, d, fvalue, dphi0, alpha0, alpha, flow, glo, gt, xt);

    if (alpha == 0.0) {
      if (end == SearchEnd::abandoned) {
        E1MES(4, 1,
              "The line search of an integration was abandoned.  An error in the gradient may be "
              "the cause.");
        break;
      }
      if (end == SearchEnd::evaluation_limit) {
        E1MES(4, 3, "The maximum number of function evaluations has been exceeded.");
        break;
      }
      if (++failures == 2) {
        E1MES(3, 4,
              "The calculation was terminated because two consecutive iterations failed to "
              "reduce the function.");
        break;
      }
      have_restart = false;
      steepest_descent();
      continue;
    }

    // The new point; the scaled gradient's change y (into gt) and the products
    // that Beale's and Powell's formulas need, before G takes the new gradient.
    double g_y = 0.0, d_y = 0.0, g_gold = 0.0, g_yt = 0.0, g2 = 0.0;
    for (int i = 0; i < n; ++i) {
      const double gi = glo[i] / xscale[i];
      const double gold = g[i] / xscale[i];
      gt[i] = gi - gold;
      g_y += gi * gt[i];
      d_y += d[i] * gt[i];
      g_gold += gi * gold;
      g_yt += gi * yt[i];
      g2 += gi * gi;
    }
    trial_point(n, x, d, xscale, alpha, x);  // the very point the search evaluated
    VECTOR_COPY(n, glo, 1, g, 1);
    decrease = fvalue - flow;
    fvalue = flow;
    failures = 0;
    gnorm2 = g2;
    if (end == SearchEnd::evaluation_limit) {
      E1MES(4, 3, "The maximum number of function evaluations has been exceeded.");
      break;
    }
    if (gnorm2 <= gradtl) break;
    if (end != SearchEnd::wolfe || !(d_y > 0.0)) {
      have_restart = false;
      steepest_descent();
      continue;
    }

    // Beale's three-term direction while Powell's tests allow it: fewer than N
    // iterations since the restart, successive gradients nearly orthogonal, and
    // a direction that is downhill by 0.8 to 1.2 times |g|^2.
    const double beta = g_y / d_y;
    if (have_restart && since_restart < n && std::abs(g_gold) < 0.2 * g2) {
      const double gamma = g_yt / dt_yt;
      double slope = 0.0;
      for (int i = 0; i < n; ++i) {
        glo[i] = -g[i] / xscale[i] + beta * d[i] + gamma * dt[i];
        slope += glo[i] * (g[i] / xscale[i]);
      }
      if (slope >= -1.2 * g2 && slope <= -0.8 * g2) {
        VECTOR_COPY(n, glo, 1, d, 1);
        ++since_restart;
        continue;
      }
    }
    // Restart: this iteration's direction and gradient change become the pair
    // of the three-term formula, and the new direction is the two-term one.
    VECTOR_COPY(n, d, 1, dt, 1);
    VECTOR_COPY(n, gt, 1, yt, 1);
    dt_yt = d_y;
    have_restart = true;
    since_restart = 1;
    double slope = 0.0;
    for (int i = 0; i < n; ++i) {
      d[i] = -g[i] / xscale[i] + beta * d[i];
      slope += d[i] * (g[i] / xscale[i]);
    }
    if (!(slope < 0.0)) {
      have_restart = false;
      steepest_descent();
    }
  }
  frame.pop();
}

void DUVMIF(SCALAR_FUNCTION f, double xguess, double step, double bound, double xacc, int maxfn,
            double& x) {
  Frame frame("DUVMIF");
  x = xguess;
  const double lowest = xguess - bound;
  const double highest = xguess + bound;
  if (!(lowest < xguess && xguess < highest)) {
    E1MES(5, 1, "The input value for BOUND is too small.  No change in X can be made.");
    frame.pop();
    return;
  }
  int calls = 0;
  // F at U, or false when MAXFN calls have been made (FATAL 3; X stays the
  // lowest point so far).
  auto evaluate = [&](double u, double& fu) {
    if (calls >= maxfn) {
      ERROR_STORE_INTEGER(1, maxfn);
      E1MES(4, 3, "The maximum number of function evaluations, MAXFN = %(I1), has been exceeded.");
      return false;
    }
    ++calls;
    fu = call_user_routine(f, u);
    return true;
  };
  auto moves = [&](double h) { return xguess - h < xguess && xguess < xguess + h; };

  double h = std::min(std::abs(step), bound);
  if (!moves(h)) h = bound / 100.0;
  if (!moves(h)) h = bound;
  const double direction = step < 0.0 ? -1.0 : 1.0;

  // Bracketing: a step each way from the guess, then doubling steps while F
  // falls, the last one cut at the bound.
  double fx = 0.0;
  if (!evaluate(xguess, fx)) {
    frame.pop();
    return;
  }
  double a = xguess - h, b = xguess + h;  // the bracket
  double v = xguess, fv = fx;             // the point before x, the other end
  double w = xguess, fw = fx;
  double u = xguess + direction * h;
  double fu = 0.0;
  if (!evaluate(u, fu)) {
    frame.pop();
    return;
  }
  double sense = direction;
  if (!(fu < fx)) {
    w = u;
    fw = fu;
    u = xguess - direction * h;
    if (!evaluate(u, fu)) {
      frame.pop();
      return;
    }
    sense = -direction;
  }
  if (fu < fx) {
    const double limit = sense > 0.0 ? highest : lowest;
    double previous = xguess, fprevious = fx;
    x = u;
    fx = fu;
    for (double length = h;;) {
      if (x == limit) {  // the refinement below tells whether F rises before it
        u = previous;
        fu = fprevious;
        break;
      }
      length *= 2.0;
      u = x + sense * length;
      if (sense * (u - limit) > 0.0) u = limit;
      if (!evaluate(u, fu)) {
        frame.pop();
        return;
      }
      if (!(fu < fx)) break;
      previous = x;
      fprevious = fx;
      x = u;
      fx = fu;
    }
    a = std::min({previous, x, u});
    b = std::max({previous, x, u});
    w = u;
    fw = fu;
    v = previous;
    fv = fprevious;
  } else {
    v = u;
    fv = fu;
  }

  // Brent's method on [a, b]: x the lowest point, w the second lowest, v the
  // one before; parabolic steps through them while they shrink fast enough,
  // golden-section steps otherwise.
  const double golden = 0.5 * (3.0 - std::sqrt(5.0));
  const double eps = DMACH(4);
  double d = 0.0, e = 0.0;
  for (;;) {
    const double floor = 2.0 * eps * std::abs(x) + DMACH(1);
    // A NaN XACC counts as 0: refinement down to the rounding of X.
    const double tol1 = std::max(floor, xacc / 2.0);
    const double tol2 = 2.0 * tol1;
    const double middle = 0.5 * (a + b);
    if (std::abs(x - middle) <= tol2 - 0.5 * (b - a)) {
      if (!(fx < std::numeric_limits<double>::infinity())) {
        // F is NaN or +infinity at X: nothing was minimised (a NaN at XGUESS
        // holds X there, as no value compares below it).
        ERROR_STORE_DOUBLE(1, x);
        ERROR_STORE_DOUBLE(2, fx);
        E1MES(5, 5,
              "The function value at X = %(D1) is %(D2).  The function must take finite values "
              "near XGUESS for a minimum to be found.");
      } else if (x == lowest || x == highest) {
        E1MES(3, 4,
              "The final value for X is at a bound.  The minimum is probably beyond the bound.");
      } else if (!(xacc / 2.0 >= floor) && !(std::max(x - a, b - x) <= xacc)) {
        E1MES(3, 2, "Computer rounding errors prevent further refinement of X.");
      }
      break;
    }
    bool parabolic = false;
    if (std::abs(e) > tol1) {
      double r = (x - w) * (fx - fv);
      double q = (x - v) * (fx - fw);
      double p = (x - v) * q - (x - w) * r;
      q = 2.0 * (q - r);
      if (q > 0.0) p = -p;
      q = std::abs(q);
      r = e;
      e = d;
      if (std::abs(p) < std::abs(0.5 * q * r) && p > q * (a - x) && p < q * (b - x)) {
        d = p / q;
        u = x + d;
        if (u - a < tol2 || b - u < tol2) d = fortran_sign(tol1, middle - x);
        parabolic = true;
      }
    }
    if (!parabolic) {
      e = x >= middle ? a - x : b - x;
      d = golden * e;
    }
    u = x + (std::abs(d) >= tol1 ? d : fortran_sign(tol1, d));
    if (!evaluate(u, fu)) break;
    if (fu <= fx) {
      if (u >= x) {
        a = x;
      } else {
        b = x;
      }
      v = w;
      fv = fw;
      w = x;
      fw = fx;
      x = u;
      fx = fu;
    } else {
      if (u < x) {
        a = u;
      } else {
        b = u;
      }
      if (fu <= fw || w == x) {
        v = w;
        fv = fw;
        w = u;
        fw = fu;
      } else if (fu <= fv || v == x || v == w) {
        v = u;
        fv = fu;
      }
    }
  }
  frame.pop();
}

}  // namespace numlib
