#include <algorithm>
#include <cmath>

#include "numlib/algorithms/fortran_arithmetic.h"
#include "numlib/algorithms/function_zeros.h"
#include "numlib/support/library.h"

namespace numlib {

void DZBREN(SCALAR_FUNCTION f, double errabs, double errrel, double& a_io, double& b_io,
            int& maxfn) {
  Frame frame("DZBREN");
  double a = a_io;
  double b = b_io;
  double fa = call_user_routine(f, a);
  double fb = call_user_routine(f, b);
  int count = 2;

  if (same_sign(fa, fb)) {
    // The values quoted come from a second evaluation, made outside the bracket.
    const double d1 = f(a_io);
    const double d2 = f(b_io);
    ERROR_STORE_DOUBLE(1, d1);
    ERROR_STORE_DOUBLE(2, d2);
    E1MES(5, 1,
          "The external function values F(A) = %(D1) and F(B) = %(D2) have the same sign.");
    maxfn = 2;
    frame.pop();
    return;
  }

  // [b, c] brackets the zero, b the better end; a is the previous b; d the
  // last step and e the one before it.
  double c = a;
  double fc = fa;
  double d = b - a;
  double e = d;
  for (;;) {
    if (std::abs(fc) < std::abs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const double tol = errrel * std::max(std::abs(b), 0.1);
    const double m = (c - b) / 2.0;
    if (std::abs(fb) <= errabs || std::abs(c - b) <= tol) break;
    if (count >= maxfn) {
      ERROR_STORE_INTEGER(1, maxfn);
      E1MES(4, 1, "Failure to converge in MAXFN = %(I1) function evaluations.");
      break;
    }

    if (std::abs(e) < tol || std::abs(fa) <= std::abs(fb)) {
      d = e = m;  // bisection
    } else {
      const double s = fb / fa;
      double p;
      double q;
      if (a == c) {  // secant
        p = 2.0 * m * s;
        q = 1.0 - s;
      } else {  // inverse quadratic interpolation
        const double qq = fa / fc;
        const double r = fb / fc;
        p = s * (2.0 * m * qq * (qq - r) - (b - a) * (r - 1.0));
        q = (qq - 1.0) * (r - 1.0) * (s - 1.0);
      }
      if (p > 0.0) q = -q;
      p = std::abs(p);
      e = d;
      if (2.0 * p < 3.0 * m * q && 2.0 * p < std::abs(e * q)) {
        d = p / q;
      } else {
        d = e = m;
      }
    }

    a = b;
    fa = fb;
    if (std::abs(d) > tol / 2.0) {
      b += d;
    } else {
      b += fortran_sign(tol / 2.0, m);
    }
    fb = call_user_routine(f, b);
    ++count;
    if (same_sign(fb, fc)) {
      c = a;
      fc = fa;
      d = e = b - a;
    }
  }

  a_io = c;
  b_io = b;
  maxfn = count;
  frame.pop();
}

}  // namespace numlib
