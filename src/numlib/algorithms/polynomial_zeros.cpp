#include "numlib/algorithms/polynomial_zeros.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "numlib/algorithms/double_double.h"
#include "numlib/algorithms/fortran_arithmetic.h"
#include "numlib/support/vector_kernels.h"
#include "numlib/support/library.h"

namespace numlib {

using Complex = std::complex<double>;

namespace {

constexpr int kMaxDegree = 100;
constexpr int kShiftLimit = 20;

// The iteration's working storage for one DZPORC call. Arrays count from 1
// (element 0 unused), the leading coefficient first, as the method is written.
struct POLYNOMIAL_ROOT_WORK {
  using Array = std::array<double, kMaxDegree + 2>;
  Array p{};    // the polynomial, deflated as zeros are found
  Array qp{};   // quotient of p by the current factor
  Array k{};    // the K polynomial
  Array qk{};   // quotient of k by the current factor
  Array svk{};  // k saved before a variable-shift iteration
  int n = 0;    // degree of p
  int nn = 0;   // n + 1 coefficients
  // The shift s = sr + i si and the quadratic z^2 + u z + v with zeros s, conj(s).
  double sr = 0.0, si = 0.0, u = 0.0, v = 0.0;
  // Remainders of p (a, b) and k (c, d) by the quadratic, and derived scalars.
  double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
  double a1 = 0.0, a3 = 0.0, a7 = 0.0, e = 0.0, f = 0.0, g = 0.0, h = 0.0;
  // The zeros found: the smaller (or the real one) and the larger.
  double szr = 0.0, szi = 0.0, lzr = 0.0, lzi = 0.0;
  double eta = 0.0;  // relative spacing
  double are = 0.0;  // error bound of an addition
  double mre = 0.0;  // error bound of a multiplication
};

// How the scalars of the current step are formed.
enum class Scaling {
  by_c = 1,      // all formulas divided by c
  by_d = 2,      // all formulas divided by d
  near_factor = 3  // the quadratic is almost a factor of k
};

// Stage A: divides the coefficients in(1..nn) by z^2 + u z + v into the
// quotient out(1..nn) and the remainder (a, b), each quotient coefficient
// accumulated in double-double arithmetic.
void POLYROOT_STAGE_A(int nn, double u, double v, const double* in, double* out, double& a,
                      double& b) {
  DoubleDouble acc;
  b = in[1];
  out[1] = b;
  DD_FROM_DOUBLE(in[2], acc);
  DD_MUL_SCALED(-u, b, acc);
  DD_TO_DOUBLE(acc, a);
  out[2] = a;
  for (int i = 3; i <= nn; ++i) {
    DD_FROM_DOUBLE(in[i], acc);
    DD_MUL_SCALED(-u, a, acc);
    DD_MUL_SCALED(-v, b, acc);
    double c;
    DD_TO_DOUBLE(acc, c);
    out[i] = c;
    b = a;
    a = c;
  }
}

// Stage B: divides k by the quadratic and forms the scalars of the next K
// polynomial and of the new quadratic.
Scaling POLYROOT_STAGE_B(POLYNOMIAL_ROOT_WORK& w) {
  POLYROOT_STAGE_A(w.n, w.u, w.v, w.k.data(), w.qk.data(), w.c, w.d);
  if (std::abs(w.c) <= std::abs(w.k[w.n]) * 100.0 * w.eta &&
      std::abs(w.d) <= std::abs(w.k[w.n - 1]) * 100.0 * w.eta) {
    return Scaling::near_factor;
  }
  if (std::abs(w.d) >= std::abs(w.c)) {
    w.e = w.a / w.d;
    w.f = w.c / w.d;
    w.g = w.u * w.b;
    w.h = w.v * w.b;
    w.a3 = (w.a + w.g) * w.e + w.h * (w.b / w.d);
    w.a1 = w.b * w.f - w.a;
    w.a7 = (w.f + w.u) * w.a + w.h;
    return Scaling::by_d;
  }
  w.e = w.a / w.c;
  w.f = w.d / w.c;
  w.g = w.u * w.e;
  w.h = w.v * w.b;
  w.a3 = w.a * w.e + (w.h / w.c + w.g) * w.b;
  w.a1 = w.b - w.a * (w.d / w.c);
  w.a7 = w.a + w.g * w.d + w.h * w.f;
  return Scaling::by_c;
}

// Stage C: the next K polynomial.
void POLYROOT_STAGE_C(POLYNOMIAL_ROOT_WORK& w, Scaling type) {
  const int n = w.n;
  if (type == Scaling::near_factor) {
    // Unscaled recurrence: k becomes qk shifted.
    w.k[1] = 0.0;
    w.k[2] = 0.0;
    for (int i = 3; i <= n; ++i) w.k[i] = w.qk[i - 2];
    return;
  }
  const double temp = type == Scaling::by_c ? w.b : w.a;
  if (std::abs(w.a1) > std::abs(temp) * w.eta * 10.0) {
    // Scaled recurrence.
    w.a7 /= w.a1;
    w.a3 /= w.a1;
    w.k[1] = w.qp[1];
    w.k[2] = w.qp[2] - w.a7 * w.qp[1];
    for (int i = 3; i <= n; ++i) w.k[i] = w.a3 * w.qk[i - 2] - w.a7 * w.qp[i - 1] + w.qp[i];
    return;
  }
  // a1 nearly 0: the special form of the recurrence.
  w.k[1] = 0.0;
  w.k[2] = -w.a7 * w.qp[1];
  for (int i = 3; i <= n; ++i) w.k[i] = w.a3 * w.qk[i - 2] - w.a7 * w.qp[i - 1];
}

// Stage D: the coefficients (uu, vv) of the new quadratic; (0, 0) when the
// quadratic is almost a factor of k or the step cannot be formed.
void POLYROOT_STAGE_D(const POLYNOMIAL_ROOT_WORK& w, Scaling type, double& uu, double& vv) {
  if (type != Scaling::near_factor) {
    double a4, a5;
    if (type == Scaling::by_d) {
      a4 = (w.a + w.g) * w.f + w.h;
      a5 = (w.f + w.u) * w.c + w.v * w.d;
    } else {
      a4 = w.a + w.u * w.b + w.h * w.f;
      a5 = w.c + (w.u + w.v * w.f) * w.d;
    }
    const int n = w.n;
    const int nn = w.nn;
    const double b1 = -w.k[n] / w.p[nn];
    const double b2 = -(w.k[n - 1] + b1 * w.p[n]) / w.p[nn];
    const double c1 = w.v * b2 * w.a1;
    const double c2 = b1 * w.a7;
    const double c3 = b1 * b1 * w.a3;
    const double c4 = c1 - c2 - c3;
    const double temp = a5 + b1 * a4 - c4;
    if (temp != 0.0) {
      uu = w.u - (w.u * (c3 + c2) + w.v * (b1 * w.a1 + b2 * w.a7)) / temp;
      vv = w.v * (1.0 + c4 / temp);
      return;
    }
  }
  uu = 0.0;
  vv = 0.0;
}

// Stage E: variable-shift iteration on the quadratic factor z^2 + uu z + vv.
// Returns 2 when it converged (zeros in szr..lzi), else 0.
int POLYROOT_STAGE_E(POLYNOMIAL_ROOT_WORK& w, double uu, double vv) {
  const int n = w.n;
  const int nn = w.nn;
  bool tried = false;
  double omp = 0.0;
  double relstp = 0.0;
  w.u = uu;
  w.v = vv;
  int j = 0;
  for (;;) {
    Complex small, large;
    QUADRATIC_ROOTS(1.0, w.u, w.v, small, large);
    w.szr = small.real();
    w.szi = small.imag();
    w.lzr = large.real();
    w.lzi = large.imag();
    // Real zeros that are far apart, or nearly equal and of opposite sign,
    // are the real iteration's business.
    if (std::abs(std::abs(w.szr) - std::abs(w.lzr)) > 0.01 * std::abs(w.lzr)) return 0;

    POLYROOT_STAGE_A(nn, w.u, w.v, w.p.data(), w.qp.data(), w.a, w.b);
    const double mp = std::abs(w.a - w.szr * w.b) + std::abs(w.szi * w.b);
    // A rigorous bound on the rounding error in evaluating p.
    const double zm = std::sqrt(std::abs(w.v));
    double ee = 2.0 * std::abs(w.qp[1]);
    const double t = -w.szr * w.b;
    for (int i = 2; i <= n; ++i) ee = ee * zm + std::abs(w.qp[i]);
    ee = ee * zm + std::abs(w.a + t);
    ee = (5.0 * w.mre + 4.0 * w.are) * ee -
         (5.0 * w.mre + 2.0 * w.are) * (std::abs(w.a + t) + std::abs(w.b) * zm) +
         2.0 * w.are * std::abs(t);
    if (mp <= 20.0 * ee) return 2;

    ++j;
    if (j > 20) return 0;
    if (j >= 2 && !(relstp > 0.01 || mp < omp || tried)) {
      // A cluster of zeros seems to stall convergence: five fixed-shift
      // steps with a quadratic moved towards the cluster.
      relstp = std::sqrt(std::max(relstp, w.eta));
      w.u -= w.u * relstp;
      w.v += w.v * relstp;
      POLYROOT_STAGE_A(nn, w.u, w.v, w.p.data(), w.qp.data(), w.a, w.b);
      for (int i = 0; i < 5; ++i) POLYROOT_STAGE_C(w, POLYROOT_STAGE_B(w));
      tried = true;
      j = 0;
    }
    omp = mp;

    POLYROOT_STAGE_C(w, POLYROOT_STAGE_B(w));
    const Scaling type = POLYROOT_STAGE_B(w);
    double ui, vi;
    POLYROOT_STAGE_D(w, type, ui, vi);
    if (vi == 0.0) return 0;  // not converging
    relstp = std::abs((vi - w.v) / vi);
    w.u = ui;
    w.v = vi;
  }
}

// Stage F: variable-shift iteration on a real zero from s. Returns 1 when it
// converged (zero in szr). near_double is set, with s the last iterate, when
// a cluster of zeros near the real axis calls for the quadratic iteration.
int POLYROOT_STAGE_F(POLYNOMIAL_ROOT_WORK& w, double& s_io, bool& near_double) {
  const int n = w.n;
  const int nn = w.nn;
  double s = s_io;
  double omp = 0.0;
  double t = 0.0;
  near_double = false;
  int j = 0;
  for (;;) {
    // p at s, and the quotient.
    double pv = w.p[1];
    w.qp[1] = pv;
    for (int i = 2; i <= nn; ++i) {
      pv = pv * s + w.p[i];
      w.qp[i] = pv;
    }
    const double mp = std::abs(pv);
    // A rigorous bound on the rounding error in evaluating p.
    const double ms = std::abs(s);
    double ee = (w.mre / (w.are + w.mre)) * std::abs(w.qp[1]);
    for (int i = 2; i <= nn; ++i) ee = ee * ms + std::abs(w.qp[i]);
    if (mp <= 20.0 * ((w.are + w.mre) * ee - w.mre * mp)) {
      w.szr = s;
      w.szi = 0.0;
      return 1;
    }

    ++j;
    if (j > 10) return 0;
    if (j >= 2 && std::abs(t) <= 0.001 * std::abs(s - t) && mp > omp) {
      near_double = true;
      s_io = s;
      return 0;
    }
    omp = mp;

    // The next K polynomial and the new iterate.
    double kv = w.k[1];
    w.qk[1] = kv;
    for (int i = 2; i <= n; ++i) {
      kv = kv * s + w.k[i];
      w.qk[i] = kv;
    }
    if (std::abs(kv) > std::abs(w.k[n]) * 10.0 * w.eta) {
      t = -pv / kv;
      w.k[1] = w.qp[1];
      for (int i = 2; i <= n; ++i) w.k[i] = t * w.qk[i - 1] + w.qp[i];
    } else {
      w.k[1] = 0.0;
      for (int i = 2; i <= n; ++i) w.k[i] = w.qk[i - 1];
    }
    kv = w.k[1];
    for (int i = 2; i <= n; ++i) kv = kv * s + w.k[i];
    t = 0.0;
    if (std::abs(kv) > std::abs(w.k[n]) * 10.0 * w.eta) t = -pv / kv;
    s += t;
  }
}

// The fixed-shift stage with L2 steps, watching the sequences of the
// quadratic's v and of the real zero s; when either settles, the matching
// variable-shift iteration. Returns the number of zeros found (0, 1 or 2).
int POLYROOT_DRIVER(POLYNOMIAL_ROOT_WORK& w, int l2) {
  const int n = w.n;
  const int nn = w.nn;
  double betav = 0.25;
  double betas = 0.25;
  double oss = w.sr;
  double ovv = w.v;
  double otv = 0.0;
  double ots = 0.0;
  POLYROOT_STAGE_A(nn, w.u, w.v, w.p.data(), w.qp.data(), w.a, w.b);
  Scaling type = POLYROOT_STAGE_B(w);
  for (int j = 1; j <= l2; ++j) {
    POLYROOT_STAGE_C(w, type);
    type = POLYROOT_STAGE_B(w);
    double ui, vi;
    POLYROOT_STAGE_D(w, type, ui, vi);
    const double vv = vi;
    const double ss = w.k[n] != 0.0 ? -w.p[nn] / w.k[n] : 0.0;
    double tv = 1.0;
    double ts = 1.0;
    if (j != 1 && type != Scaling::near_factor) {
      // Relative change of the two sequences; a test passes on the product
      // of two successive changes.
      if (vv != 0.0) tv = std::abs((vv - ovv) / vv);
      if (ss != 0.0) ts = std::abs((ss - oss) / ss);
      const double tvv = tv < otv ? tv * otv : 1.0;
      const double tss = ts < ots ? ts * ots : 1.0;
      const bool vpass = tvv < betav;
      const bool spass = tss < betas;
      if (spass || vpass) {
        const double svu = w.u;
        const double svv = w.v;
        VECTOR_COPY(n, &w.k[1], 1, &w.svk[1], 1);
        double s = ss;
        bool vtry = false;
        bool stry = false;
        // Start with the sequence that converges faster.
        bool quadratic_next = !(spass && (!vpass || tss < tvv));
        for (;;) {
          if (quadratic_next) {
            const int nz = POLYROOT_STAGE_E(w, ui, vi);
            if (nz > 0) return nz;
            // Failed: mark it tried and tighten its test.
            vtry = true;
            betav *= 0.25;
            if (!stry && spass) {
              VECTOR_COPY(n, &w.svk[1], 1, &w.k[1], 1);
              quadratic_next = false;
              continue;
            }
          } else {
            bool near_double;
            const int nz = POLYROOT_STAGE_F(w, s, near_double);
            if (nz > 0) return nz;
            stry = true;
            betas *= 0.25;
            if (near_double) {
              // An almost double real zero: try the quadratic iteration.
              ui = -(s + s);
              vi = s * s;
              quadratic_next = true;
              continue;
            }
          }
          // Restore and go on with the fixed shift, unless the quadratic
          // iteration is still untried and its sequence converges.
          w.u = svu;
          w.v = svv;
          VECTOR_COPY(n, &w.svk[1], 1, &w.k[1], 1);
          if (vpass && !vtry) {
            quadratic_next = true;
            continue;
          }
          break;
        }
        POLYROOT_STAGE_A(nn, w.u, w.v, w.p.data(), w.qp.data(), w.a, w.b);
        type = POLYROOT_STAGE_B(w);
      }
    }
    ovv = vv;
    oss = ss;
    otv = tv;
    ots = ts;
  }
  return 0;
}

// A power-of-2 factor that brings the coefficients p(1..nn) into a safe range,
// as its exponent (0: no scaling).
int scaling_exponent(const POLYNOMIAL_ROOT_WORK& w) {
  const double lo = DMACH(1) / w.eta;
  double largest = 0.0;
  double smallest = DMACH(2);
  for (int i = 1; i <= w.nn; ++i) {
    const double x = std::abs(w.p[i]);
    if (x > largest) largest = x;
    if (x != 0.0 && x < smallest) smallest = x;
  }
  double sc = lo / smallest;
  if (sc <= 1.0) {
    if (!(largest >= 10.0)) return 0;
    if (sc == 0.0) sc = DMACH(1);
  } else if (!(largest <= DMACH(2) / sc)) {
    return 0;
  }
  const double l = std::log(sc) / std::log(2.0) + 0.5;
  if (std::isnan(l)) return 0;
  return static_cast<int>(std::clamp(l, -1000.0, 1000.0));
}

// A lower bound on the moduli of the zeros of p: the positive zero of
// |p1| z^n + ... + |pn| z - |pnn|, by Newton's method from above.
double modulus_lower_bound(const POLYNOMIAL_ROOT_WORK& w) {
  const int n = w.n;
  const int nn = w.nn;
  std::array<double, kMaxDegree + 2> pt;
  for (int i = 1; i <= nn; ++i) pt[i] = std::abs(w.p[i]);
  pt[nn] = -pt[nn];
  double x = std::exp((std::log(-pt[nn]) - std::log(pt[1])) / n);
  if (pt[n] != 0.0) x = std::min(x, -pt[nn] / pt[n]);
  // Down by factors of 10 while the polynomial stays positive.
  for (;;) {
    const double xm = x * 0.1;
    double ff = pt[1];
    for (int i = 2; i <= nn; ++i) ff = ff * xm + pt[i];
    if (!(ff > 0.0) || !(xm < x)) break;
    x = xm;
  }
  // Newton steps; NaN ends them, and a bound on their number guards against
  // rounding that never settles.
  double dx = x;
  for (int step = 0; std::abs(dx / x) > 0.005 && step < 1000; ++step) {
    double ff = pt[1];
    double df = ff;
    for (int i = 2; i <= n; ++i) {
      ff = ff * x + pt[i];
      df = df * x + ff;
    }
    ff = ff * x + pt[nn];
    dx = ff / df;
    x -= dx;
  }
  return x;
}

// p at z, for the coefficients c[0..n] (leading first, the largest of modulus
// about 1): log |p(z)|, the Newton step p(z)/p'(z), and whether |p(z)| is of
// the size rounding explains.
struct Residual {
  double log_modulus;
  Complex step;
  bool small;
};

Residual residual_at(const double* c, int n, Complex z, double eta) {
  // Beyond the unit circle the reversed polynomial at w = 1/z, so that no power
  // of z overflows: p(z) = z^n r(w), and |r(w)| / sum |c_i| |w|^i is the same
  // ratio as for p at z.
  const bool reversed = std::abs(z) > 1.0;
  const Complex x = reversed ? 1.0 / z : z;
  const double modulus = std::abs(x);
  Complex value = 0.0;
  Complex slope = 0.0;
  double size = 0.0;
  for (int i = 0; i <= n; ++i) {
    const double ci = reversed ? c[n - i] : c[i];
    slope = slope * x + value;
    value = value * x + ci;
    size = size * modulus + std::abs(ci);
  }
  Residual r;
  r.log_modulus = std::log(std::abs(value)) + (reversed ? n * std::log(std::abs(z)) : 0.0);
  // p/p' = z r / (n r - w r') in terms of the reversed polynomial.
  r.step = reversed ? z * value / (static_cast<double>(n) * value - x * slope) : value / slope;
  // Horner's rule in complex arithmetic rounds p(z) by at most about
  // 4 n eta sum |c_i| |z|^i; the factor 20 is the margin the iteration's own
  // convergence tests allow.
  r.small = std::abs(value) <= 20.0 * 4.0 * n * eta * size;
  return r;
}

// Keeps the zeros root[0..count-1] of the polynomial lead[0..n] (leading
// first) that pass the residual test, in order, at the front; returns how many.
// A zero that fails is refined by a few Newton steps on this polynomial, each
// taken only while |p| decreases: deflation in an unlucky order (zeros of equal
// modulus) makes later zeros drift although every stage converged, and Newton's
// method on the undeflated polynomial brings a drifted simple zero back.
int keep_verified_zeros(const double* lead, int n, Complex* root, int count, double eta) {
  constexpr int kNewtonSteps = 5;
  std::array<double, kMaxDegree + 1> c;
  double largest = 0.0;
  for (int i = 0; i <= n; ++i) largest = std::max(largest, std::abs(lead[i]));
  int exponent;
  std::frexp(largest, &exponent);
  for (int i = 0; i <= n; ++i) c[i] = std::ldexp(lead[i], -exponent);
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    Complex z = root[i];
    Residual r = residual_at(c.data(), n, z, eta);
    if (!r.small) {
      for (int step = 0; step < kNewtonSteps; ++step) {
        const Complex next = z - r.step;
        const Residual rn = residual_at(c.data(), n, next, eta);
        if (!(rn.log_modulus < r.log_modulus)) break;
        z = next;
        r = rn;
      }
      // Newton's method cannot find a zero the deflation lost: a drifted
      // zero may land on one found already, which is no zero of its own.
      for (int j = 0; r.small && j < count; ++j) {
        const bool other = j < kept || j > i;  // root[kept..i] are places given up and this one
        if (other && std::abs(root[j] - z) <= 1000.0 * eta * std::abs(z)) r.small = false;
      }
    }
    if (r.small) root[kept++] = z;
  }
  return kept;
}

}  // namespace

void COMPLEX_VECTOR_SET(int n, Complex value, Complex* vector, int increment) {
  if (n < 1 || increment <= 0) return;
  for (int i = 0; i < n; ++i) vector[static_cast<std::ptrdiff_t>(i) * increment] = value;
}

void QUADRATIC_ROOTS(double a, double b1, double c, Complex& first, Complex& second) {
  if (a == 0.0) {
    first = {b1 != 0.0 ? -c / b1 : 0.0, 0.0};
    second = {0.0, 0.0};
    return;
  }
  if (c == 0.0) {
    first = {0.0, 0.0};
    second = {-b1 / a, 0.0};
    return;
  }
  // The discriminant, scaled to avoid overflow.
  const double b = b1 / 2.0;
  double e;
  double d;
  if (std::abs(b) >= std::abs(c)) {
    e = 1.0 - (a / b) * (c / b);
    d = std::sqrt(std::abs(e)) * std::abs(b);
  } else {
    e = c < 0.0 ? -a : a;
    e = b * (b / std::abs(c)) - e;
    d = std::sqrt(std::abs(e)) * std::sqrt(std::abs(c));
  }
  if (e >= 0.0) {
    // Real zeros: the larger without cancellation, the smaller from the product.
    if (b >= 0.0) d = -d;
    const double lr = (-b + d) / a;
    const double sr = lr != 0.0 ? (c / lr) / a : 0.0;
    first = {sr, 0.0};
    second = {lr, 0.0};
    return;
  }
  const double re = -b / a;
  const double im = std::abs(d / a);
  first = {re, im};
  second = {re, -im};
}

void DZ3LRC(double a, double b, double c, Complex& zsm, Complex& zlg) {
  Frame frame("DZ3LRC");
  const double finity = static_cast<double>(AMACH(7));
  if (a == 0.0) {
    zlg = {finity, 0.0};
    if (b == 0.0) {
      E1MES(3, 1,
            " The two leading coefficients are equal to zero.  On output ZLG will be set to "
            "CMPLX(FINITY,0.0) and ZSM will be set to -ZLG.  FINITY is the largest machine "
            "constant.");
      zsm = {-finity, -0.0};
    } else {
      E1MES(3, 1,
            " The leading coefficient is equal to zero.  On output ZLG will be set to "
            "CMPLX(FINITY,0.0).  FINITY is the largest machine constant.");
      zsm = {-c / b, 0.0};
    }
    frame.pop();
    return;
  }

  if (c == 0.0) {
    zsm = {0.0, 0.0};
    zlg = {-b / a, 0.0};
  } else {
    // s = 2^k near sqrt(|a c|) scales the coefficients exactly.
    const double radix = IMACH(6);
    const double kk =
        (std::log(std::abs(a)) + std::log(std::abs(c)) + std::log(radix)) / (2.0 * std::log(radix));
    const int k = std::isnan(kk) ? 0 : static_cast<int>(std::clamp(kk, -2000.0, 2000.0));
    const double s = std::ldexp(1.0, k);
    const double abs_b = std::abs(b);
    if ((abs_b + s) - abs_b == 0.0) {
      // s is negligible beside b: the zeros are nearly -c/b and -b/a.
      zsm = {-c / b, 0.0};
      zlg = {-b / a, 0.0};
    } else {
      const double bp = (s + abs_b) - s == 0.0 ? 0.0 : -b / (2.0 * s);
      const double ap = a / s;
      const double cp = c / s;
      DoubleDouble acc;
      DD_FROM_DOUBLE(0.0, acc);
      DD_MUL_SCALED(bp, bp, acc);
      DD_MUL_SCALED(-ap, cp, acc);
      double disc;
      DD_TO_DOUBLE(acc, disc);
      if (disc <= 0.0) {
        const double im = std::abs(std::sqrt(std::abs(disc)) / ap);
        zlg = {bp / ap, im};
        zsm = {bp / ap, -im};
      } else {
        const double q = bp + fortran_sign(std::sqrt(disc), bp);
        zlg = {q / ap, 0.0};
        zsm = {cp / q, 0.0};
      }
    }
  }
  // Only rounding can make the smaller zero the larger (zeros +-r).
  if (std::abs(zsm.real()) > std::abs(zlg)) zsm = {-zlg.real(), 0.0};
  frame.pop();
}

void DZPORC_WITH_SHIFT_LIMIT(int ndeg, const double* coeff, Complex* root, int shift_limit) {
  Frame frame("DZPORC");
  if (ndeg < 1 || ndeg > kMaxDegree) {
    ERROR_STORE_INTEGER(1, ndeg);
    E1MES(5, 1,
          "The degree of the polynomial must be less than 101 and greater than zero.  NDEG "
          "is given as %(I1).");
    frame.pop();
    return;
  }

  // The coefficients, leading first, in op(1..ndeg+1). The caller's array
  // stays as it is.
  std::array<double, kMaxDegree + 2> op;
  VECTOR_COPY(ndeg + 1, coeff, 1, &op[1], -1);

  if (op[1] != 0.0 && ndeg == 2) {
    DZ3LRC(op[1], op[2], op[3], root[0], root[1]);
    frame.pop();
    return;
  }

  const Complex infinite_root{DMACH(7), 0.0};
  int leading_zeros = 0;
  while (leading_zeros <= ndeg && op[leading_zeros + 1] == 0.0) ++leading_zeros;
  if (leading_zeros > 0) {
    const int infinite = std::min(leading_zeros, ndeg);
    COMPLEX_VECTOR_SET(infinite, infinite_root, root + (ndeg - infinite), 1);
    if (leading_zeros == 1) {
      E1MES(3, 1,
            "The leading coefficient of the polynomial is equal to zero.  The last root will "
            "be set to CMPLX(FINITY,0.0) where FINITY is the largest machine constant.");
    } else {
      ERROR_STORE_INTEGER(1, leading_zeros);
      ERROR_STORE_INTEGER(2, infinite);
      E1MES(3, 1,
            "The %(I1) leading coefficients of the polynomial are equal to zero.  The last "
            "%(I2) roots will be set to CMPLX(FINITY,0.0) where FINITY is the largest machine "
            "constant.");
    }
  }
  const int degree = ndeg - leading_zeros;  // of the polynomial left; -1 when all are zero
  if (degree < 1) {
    frame.pop();
    return;
  }

  POLYNOMIAL_ROOT_WORK w;
  w.eta = DMACH(4);
  w.are = w.eta;
  w.mre = w.eta;
  const double* lead = &op[leading_zeros + 1];  // lead[0] != 0
  int nn = degree + 1;
  // Zeros at the origin.
  int found = 0;
  while (lead[nn - 1] == 0.0) {
    root[found++] = {0.0, 0.0};
    --nn;
  }
  VECTOR_COPY(nn, lead, 1, &w.p[1], 1);

  // The shift direction, turned by 94 degrees before each attempt.
  double xx = 0.70710678;
  double yy = -xx;
  constexpr double kCos94 = -0.06975647;
  constexpr double kSin94 = 0.9975641;
  std::array<double, kMaxDegree + 2> saved_k;

  for (;;) {
    const int n = nn - 1;
    if (n < 1) break;
    if (n == 1) {
      root[found++] = {-w.p[2] / w.p[1], 0.0};
      break;
    }
    if (n == 2) {
      QUADRATIC_ROOTS(w.p[1], w.p[2], w.p[3], root[found], root[found + 1]);
      found += 2;
      break;
    }
    w.n = n;
    w.nn = nn;

    const int l = scaling_exponent(w);
    if (l != 0) {
      for (int i = 1; i <= nn; ++i) w.p[i] = std::ldexp(w.p[i], l);
    }
    const double bound = modulus_lower_bound(w);

    // No-shift stage: K starts as the scaled derivative of p.
    for (int i = 2; i <= n; ++i) w.k[i] = static_cast<double>(nn - i) * w.p[i] / n;
    w.k[1] = w.p[1];
    const double aa = w.p[nn];
    const double bb = w.p[n];
    bool zerok = w.k[n] == 0.0;
    for (int step = 0; step < 5; ++step) {
      const double cc = w.k[n];
      if (zerok) {
        for (int j = n; j >= 2; --j) w.k[j] = w.k[j - 1];
        w.k[1] = 0.0;
        zerok = w.k[n] == 0.0;
      } else {
        const double t = -aa / cc;
        for (int j = n; j >= 2; --j) w.k[j] = t * w.k[j - 1] + w.p[j];
        w.k[1] = w.p[1];
        zerok = std::abs(w.k[n]) <= std::abs(bb) * w.eta * 10.0;
      }
    }
    VECTOR_COPY(n, &w.k[1], 1, &saved_k[1], 1);

    int nz = 0;
    for (int attempt = 1; attempt <= shift_limit; ++attempt) {
      const double turned = kCos94 * xx - kSin94 * yy;
      yy = kSin94 * xx + kCos94 * yy;
      xx = turned;
      w.sr = bound * xx;
      w.si = bound * yy;
      w.u = -2.0 * w.sr;
      w.v = bound;  // as in the published method; the iteration corrects the quadratic
      nz = POLYROOT_DRIVER(w, 20 * attempt);
      if (nz > 0) break;
      VECTOR_COPY(n, &saved_k[1], 1, &w.k[1], 1);
    }
    if (nz == 0) break;

    // Store the zeros and deflate p by the quotient.
    root[found++] = {w.szr, w.szi};
    if (nz == 2) root[found++] = {w.lzr, w.lzi};
    nn -= nz;
    VECTOR_COPY(nn, &w.qp[1], 1, &w.p[1], 1);
  }

  // The closed forms of degree 1 and 2 need no check.
  if (degree > 2) found = keep_verified_zeros(lead, degree, root, found, w.eta);
  if (found < degree) {
    const int missing = degree - found;
    ERROR_STORE_INTEGER(1, found);
    ERROR_STORE_INTEGER(2, missing);
    E1MES(3, 2,
          "Only %(I1) roots were found.  The ROOT vector will contain the value for machine "
          "infinity in the last %(I2) locations.");
    COMPLEX_VECTOR_SET(missing, infinite_root, root + found, 1);
  }
  frame.pop();
}

void DZPORC(int ndeg, const double* coeff, Complex* root) {
  DZPORC_WITH_SHIFT_LIMIT(ndeg, coeff, root, kShiftLimit);
}

}  // namespace numlib
