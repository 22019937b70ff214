#include "numlib/algorithms/rotations.h"

#include <cmath>
#include <cstddef>

#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

using Index = std::ptrdiff_t;

// Rescaling of the modified transformation: weights by GAM², entries by GAM.
constexpr double kGam = 4096.0;
constexpr double kGamSq = 16777216.0;
constexpr double kRGamSq = 5.9604644775390625e-08;

// Walks x and y together, calling f(x(i), y(i)); equal positive increments
// share one index.
template <class F>
void pairwise(int n, double* x, int incx, double* y, int incy, F f) {
  if (n <= 0) return;
  if (incx == 1 && incy == 1) {
    for (int i = 0; i < n; ++i) f(x[i], y[i]);
    return;
  }
  Index ix = walk_start(n, incx), iy = walk_start(n, incy);
  for (int i = 0; i < n; ++i, ix += incx, iy += incy) f(x[ix], y[iy]);
}

}  // namespace

void GIVENS_CONSTRUCT(double& a, double b, double& c, double& s) {
  const double roe = std::abs(a) > std::abs(b) ? a : b;
  const double scale = std::abs(a) + std::abs(b);
  if (scale == 0.0) {
    c = 1.0;
    s = 0.0;
    a = 0.0;
    return;
  }
  const double as = a / scale, bs = b / scale;
  double r = scale * std::sqrt(as * as + bs * bs);
  if (roe < 0.0) r = -r;
  c = a / r;
  s = b / r;
  a = r;
}

void GIVENS_APPLY(int n, double* x, int incx, double* y, int incy, double c, double s) {
  pairwise(n, x, incx, y, incy, [c, s](double& xi, double& yi) {
    const double t = c * xi + s * yi;
    yi = c * yi - s * xi;
    xi = t;
  });
}

void MGIVENS_CONSTRUCT(double& d1, double& d2, double& x1, double y1, double* param) {
  double flag = 0.0, h11 = 0.0, h12 = 0.0, h21 = 0.0, h22 = 0.0;
  // The zero transformation: the pair cannot be combined.
  auto zero = [&] {
    flag = -1.0;
    h11 = h12 = h21 = h22 = 0.0;
    d1 = d2 = x1 = 0.0;
  };
  if (d1 < 0.0) {
    zero();
  } else {
    const double p2 = d2 * y1;
    if (p2 == 0.0) {
      param[0] = -2.0;
      return;
    }
    const double p1 = d1 * x1;
    const double q2 = p2 * y1;
    const double q1 = p1 * x1;
    if (std::abs(q1) > std::abs(q2)) {
      h21 = -y1 / x1;
      h12 = p2 / p1;
      const double u = 1.0 - h12 * h21;
      if (u > 0.0) {
        flag = 0.0;
        d1 = d1 / u;
        d2 = d2 / u;
        x1 = x1 * u;
      } else {
        zero();
      }
    } else if (q2 < 0.0) {
      zero();
    } else {
      flag = 1.0;
      h11 = p1 / p2;
      h22 = x1 / y1;
      const double u = 1.0 + h11 * h22;
      const double t = d2 / u;
      d2 = d1 / u;
      d1 = t;
      x1 = y1 * u;
    }
    // Before the first rescaling the implicit entries become explicit. Only
    // then: a later step must keep the entries already rescaled (Debian's
    // reference drotmg_ resets them, and its H then misses when two steps are
    // needed).
    auto full_form = [&] {
      if (flag == 0.0) {
        h11 = 1.0;
        h22 = 1.0;
      } else if (flag > 0.0) {
        h21 = -1.0;
        h12 = 1.0;
      }
      flag = -1.0;
    };
    // An infinite weight (a row weight that overflowed) cannot be brought into
    // range: it is left as it is rather than rescaled forever.
    if (d1 != 0.0 && std::isfinite(d1)) {
      while (d1 <= kRGamSq || d1 >= kGamSq) {
        full_form();
        if (d1 <= kRGamSq) {
          d1 *= kGamSq;
          x1 /= kGam;
          h11 /= kGam;
          h12 /= kGam;
        } else {
          d1 /= kGamSq;
          x1 *= kGam;
          h11 *= kGam;
          h12 *= kGam;
        }
      }
    }
    if (d2 != 0.0 && std::isfinite(d2)) {
      while (std::abs(d2) <= kRGamSq || std::abs(d2) >= kGamSq) {
        full_form();
        if (std::abs(d2) <= kRGamSq) {
          d2 *= kGamSq;
          h21 /= kGam;
          h22 /= kGam;
        } else {
          d2 /= kGamSq;
          h21 *= kGam;
          h22 *= kGam;
        }
      }
    }
  }
  if (flag < 0.0) {
    param[1] = h11;
    param[2] = h21;
    param[3] = h12;
    param[4] = h22;
  } else if (flag == 0.0) {
    param[2] = h21;
    param[3] = h12;
  } else {
    param[1] = h11;
    param[4] = h22;
  }
  param[0] = flag;
}

void MGIVENS_APPLY(int n, double* x, int incx, double* y, int incy, const double* param) {
  const double flag = param[0];
  if (flag == -2.0) return;
  if (flag < 0.0) {
    const double h11 = param[1], h21 = param[2], h12 = param[3], h22 = param[4];
    pairwise(n, x, incx, y, incy, [=](double& xi, double& yi) {
      const double w = xi, z = yi;
      xi = w * h11 + z * h12;
      yi = w * h21 + z * h22;
    });
  } else if (flag == 0.0) {
    const double h21 = param[2], h12 = param[3];
    pairwise(n, x, incx, y, incy, [=](double& xi, double& yi) {
      const double w = xi, z = yi;
      xi = w + z * h12;
      yi = w * h21 + z;
    });
  } else {
    const double h11 = param[1], h22 = param[4];
    pairwise(n, x, incx, y, incy, [=](double& xi, double& yi) {
      const double w = xi, z = yi;
      xi = w * h11 + z;
      yi = -w + h22 * z;
    });
  }
}

}  // namespace numlib
