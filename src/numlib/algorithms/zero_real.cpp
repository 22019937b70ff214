#include <cmath>

#include "numlib/algorithms/function_zeros.h"
#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

enum class Deflation { value, moved, stuck };

// F at POINT divided by (POINT - X(j)) for the zeros found so far. A point
// within SEPARATION of one of them (or equal to it) is moved by PERTURBATION
// instead: "moved" asks the caller to evaluate again; "stuck" when the move
// changes nothing or the allowance of moves is used up.
Deflation deflate(double& point, double fx, const double* found, int nfound, double separation,
                  double perturbation, int& moves_left, double& deflated) {
  deflated = fx;
  for (int j = 0; j < nfound; ++j) {
    const double distance = point - found[j];
    if (std::abs(distance) < separation || distance == 0.0) {
      const double moved = point + perturbation;
      if (moves_left <= 0 || moved == point || std::isnan(moved)) return Deflation::stuck;
      --moves_left;
      point = moved;
      return Deflation::moved;
    }
    deflated /= distance;
  }
  return Deflation::value;
}

}  // namespace

void DZREAL(SCALAR_FUNCTION f, double errabs, double errrel, double separation,
            double perturbation, int nroot, int itmax, const double* guesses, double* x,
            int* counts) {
  Frame frame("DZREAL");
  VECTOR_COPY(nroot, guesses, 1, x, 1);
  double& lambda = library_state().real_zeros.ratio;

  for (int k = 0; k < nroot; ++k) {
    const double x0 = x[k];
    const double second = x0 != 0.0 ? 1.1 * x0 : 1.0;
    const double third = x0 != 0.0 ? x0 : 0.0;
    double point = x0;
    if (itmax > 1) point = x0 != 0.0 ? 0.9 * x0 : -1.0;
    int moves_left = itmax;  // uncounted separation moves allowed for this zero
    int accepted_at = 0;
    double f1 = 0.0, f2 = 0.0, f3 = 0.0, h = 0.0;

    for (int i = 1; i < itmax;) {
      const double fx = call_user_routine(f, point);
      double deflated;
      const Deflation outcome =
          deflate(point, fx, x, k, separation, perturbation, moves_left, deflated);
      if (outcome == Deflation::moved) continue;
      if (outcome == Deflation::stuck) break;

      if (std::abs(fx) < errabs && std::abs(deflated) < errabs) {
        accepted_at = i;
        break;
      }
      if (i == 1) {
        f1 = deflated;
        point = second;
        ++i;
        continue;
      }
      if (i == 2) {
        f2 = deflated;
        point = third;
        ++i;
        continue;
      }
      if (i == 3) {
        f3 = deflated;
        h = x0 != 0.0 ? -0.1 * x0 : -1.0;
        lambda = -0.5;
      } else if (std::abs(deflated) >= std::abs(10.0 * f3)) {
        // The value grew too much: go back half the step.
        lambda /= 2.0;
        h /= 2.0;
        point -= h;
        ++i;
        continue;
      } else {
        f1 = f2;
        f2 = f3;
        f3 = deflated;
      }

      // Muller: the parabola through the last three points.
      const double delta = 1.0 + lambda;
      const double g = lambda * lambda * f1 - delta * delta * f2 + (2.0 * lambda + 1.0) * f3;
      const double disc =
          g * g - 4.0 * f3 * lambda * delta * (lambda * f1 - delta * f2 + f3);
      const double r = disc > 0.0 ? std::sqrt(disc) : 0.0;
      double den = std::abs(g - r) > std::abs(g + r) ? g - r : g + r;
      if (den == 0.0) den = 1.0;
      lambda = -2.0 * f3 * delta / den;
      h *= lambda;
      point += h;
      if (std::abs(h) < errrel * std::abs(point)) {
        accepted_at = i;
        break;
      }
      ++i;
    }

    x[k] = point;
    if (accepted_at > 0) {
      counts[k] = accepted_at;
    } else {
      counts[k] = itmax + 1;
      ERROR_STORE_INTEGER(1, itmax);
      ERROR_STORE_INTEGER(2, nroot);
      E1MES(3, 1,
            "Failure to converge within  ITMAX = %(I1) iterations for at least  one of the "
            "NROOT = %(I2) roots. ");
    }
  }
  frame.pop();
}

}  // namespace numlib
