#pragma once
// Double-double accumulation: a value held as high + low, for sums of exact
// products (synthetic division, a quadratic's discriminant). Exact only
// without fused multiply-adds and fast-math, which the build guarantees.

#include <cmath>

namespace numlib {

struct DoubleDouble {
  double high = 0.0;
  double low = 0.0;
};

// acc = (x, 0).
inline void DD_FROM_DOUBLE(double x, DoubleDouble& acc) {
  acc.high = x;
  acc.low = 0.0;
}

// acc += x: the rounding error of high + x (an exact two-sum) goes to low.
inline void DD_ADD(double x, DoubleDouble& acc) {
  const double s = acc.high + x;
  const double bv = s - acc.high;
  const double error = (acc.high - (s - bv)) + (x - bv);
  acc.high = s;
  acc.low += error;
}

namespace detail {

constexpr double kSplitter = 134217729.0;           // 2^27 + 1
constexpr double kSplitBig = 1.3390779e300;         // about 2^997: splitting would overflow
constexpr double kSplitSmall = 4.0092665e-292;      // about 2^-968: the tail would underflow
constexpr double kTwoPow54 = 18014398509481984.0;   // 2^54
constexpr double kTwoPowM54 = 1.0 / kTwoPow54;
constexpr double kTwoPow27 = 134217728.0;
constexpr double kTwoPowM27 = 1.0 / kTwoPow27;

// Brings x into the range where splitting is exact; SHIFT counts the factors
// 2^27 taken out (negative when x was enlarged).
inline double split_range(double x, int& shift) {
  if (std::abs(x) > kSplitBig) {
    shift += 2;
    return x * kTwoPowM54;
  }
  if (std::abs(x) <= kSplitSmall) {
    shift -= 2;
    return x * kTwoPow54;
  }
  return x;
}

inline double undo_shift(double x, int shift) {
  for (; shift > 0; --shift) x *= kTwoPow27;
  for (; shift < 0; ++shift) x *= kTwoPowM27;
  return x;
}

}  // namespace detail

// acc += x*y exactly (as the sum of the rounded product and its error), by
// Dekker's splitting. Factors too large or too small for the split are scaled
// by 2^-54 or 2^54 first and the two product parts scaled back.
inline void DD_MUL_SCALED(double x, double y, DoubleDouble& acc) {
  using namespace detail;
  int shift = 0;
  x = split_range(x, shift);
  y = split_range(y, shift);
  double t = kSplitter * x;
  const double xh = t - (t - x);
  const double xt = x - xh;
  t = kSplitter * y;
  const double yh = t - (t - y);
  const double yt = y - yh;
  const double product = x * y;
  const double error = (((xh * yh - product) + xh * yt) + xt * yh) + xt * yt;
  DD_ADD(undo_shift(product, shift), acc);
  DD_ADD(undo_shift(error, shift), acc);
}

// x = high + low.
inline void DD_TO_DOUBLE(const DoubleDouble& acc, double& x) { x = acc.high + acc.low; }

}  // namespace numlib
