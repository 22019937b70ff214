#include "numlib/algorithms/normal_distribution.h"

#include <array>
#include <cmath>

#include "numlib/support/library.h"

namespace numlib {
namespace {

// Chebyshev series of the public-domain SLATEC routine DERFC, each value the
// double nearest to the published 31-33 digit coefficient.

// erf(x) = x*(1 + series(2x^2 - 1)) for |x| <= 1.
constexpr std::array<double, 21> kErfSeries = {
    -0.049046121234691806, -0.14226120510371365, 0.010035582187599796,
    -0.0005768764699767485, 2.741993125219606e-05, -1.1043175507344507e-06,
    3.8488755420345036e-08, -1.1808582533875466e-09, 3.2334215826050907e-11,
    -7.991015947004549e-13, 1.7990725113961456e-14, -3.718635487818693e-16,
    7.103599003714253e-18, -1.2612455119155226e-19, 2.0916406941769294e-21,
    -3.2539731029314073e-23, 4.766867209797675e-25, -6.598012078285134e-27,
    8.655011469963763e-29, -1.0788925177498064e-30, 1.2811883993017003e-32,
};

// erfc(x) = exp(-x^2)/|x| * (0.5 + series((8/x^2 - 5)/3)) for 1 < x^2 <= 4.
constexpr std::array<double, 49> kErfcSeriesMid = {
    -0.0696013466023095, -0.04110133936262089, 0.003914495866689627,
    -0.0004906395650548979, 7.157479001377036e-05, -1.1530716341312328e-05,
    1.9946705902019974e-06, -3.642666471599223e-07, 6.944372610005012e-08,
    -1.371220902104366e-08, 2.7883896610071373e-09, -5.814164724331161e-10,
    1.2389204917527532e-10, -2.6906391453067435e-11, 5.942614350847911e-12,
    -1.3323867357581197e-12, 3.0280468061771323e-13, -6.966648814941033e-14,
    1.620854541053923e-14, -3.809934465250492e-15, 9.040487815978831e-16,
    -2.1640061950896072e-16, 5.222102233995855e-17, -1.2697296023645554e-17,
    3.1091455042761977e-18, -7.663762920320386e-19, 1.9008192513627452e-19,
    -4.7422072790690393e-20, 1.1896492000765284e-20, -3.0000355903257804e-21,
    7.602993453043246e-22, -1.9359094476068728e-22, 4.951399124773338e-23,
    -1.2718074813363719e-23, 3.2800496004695132e-24, -8.492320176822897e-25,
    2.2069178928075603e-25, -5.755617245696529e-26, 1.5061915336392342e-26,
    -3.954502959018797e-27, 1.0415297041515009e-27, -2.751487795278765e-28,
    7.290058205497557e-29, -1.936939645915948e-29, 5.1603571120514875e-30,
    -1.3784193221930942e-30, 3.691326793107069e-31, -9.909389590624365e-32,
    2.666491705195388e-32,
};

// erfc(x) = exp(-x^2)/|x| * (0.5 + series(8/x^2 - 1)) for x^2 > 4.
constexpr std::array<double, 59> kErfcSeriesTail = {
    0.07151793102029248, -0.026532434337606717, 0.0017111539779208558,
    -0.00016375166345851787, 1.9871293500552038e-05, -2.843712412766555e-06,
    4.6061613089631305e-07, -8.227753025879209e-08, 1.5921418727709012e-08,
    -3.295071362252843e-09, 7.223439760400556e-10, -1.6648558133987297e-10,
    4.010392588237665e-11, -1.004816214425731e-11, 2.608275913300334e-12,
    -6.991110560404025e-13, 1.9294923332617072e-13, -5.470131188754331e-14,
    1.5896633097626975e-14, -4.726893980197555e-15, 1.4358733767849847e-15,
    -4.449510561817358e-16, 1.4048108847682335e-16, -4.5138183877642106e-17,
    1.474521541045133e-17, -4.8926214069457765e-18, 1.6476121414106467e-18,
    -5.626817176329408e-19, 1.9474433822320786e-19, -6.82630564294842e-20,
    2.4219888872986492e-20, -8.693414133503071e-21, 3.1551803462280855e-21,
    -1.1573723240496087e-21, 4.288947161605654e-22, -1.6050307420576167e-22,
    6.063298757453803e-23, -2.3114042516979585e-23, 8.888778540661885e-24,
    -3.447260576651376e-24, 1.347865460206965e-24, -5.311794071125021e-25,
    2.109341058619783e-25, -8.438365587923789e-26, 3.399982524945209e-26,
    -1.3794523880732422e-26, 5.6344903118332525e-27, -2.3164904344770655e-27,
    9.58446284460181e-28, -3.9907228803301096e-28, 1.6721292259444773e-28,
    -7.045991522766014e-29, 2.9797684028642063e-29, -1.2625224664606192e-29,
    5.395438704542488e-30, -2.380992882531459e-30, 1.0990528301027615e-30,
    -4.867713741644966e-31, 1.5258772641103575e-31,
};

constexpr double kSqrtPi = 1.772453850905516;
constexpr double kSqrtHalf = 0.7071067811865476;

// Terms and limits, computed once per run (or after a test reset).
void initialise_erfc(NormalDistributionState& s) {
  const float eta = 0.1f * static_cast<float>(DMACH(3));
  s.nterf = INITDS(kErfSeries.data(), static_cast<int>(kErfSeries.size()), eta);
  s.nterfc = INITDS(kErfcSeriesTail.data(), static_cast<int>(kErfcSeriesTail.size()), eta);
  s.nterc2 = INITDS(kErfcSeriesMid.data(), static_cast<int>(kErfcSeriesMid.size()), eta);
  s.xsml = -std::sqrt(-std::log(kSqrtPi * DMACH(3)));
  const double txmax = std::sqrt(-std::log(kSqrtPi * DMACH(1)));
  s.xmax = txmax - 0.5 * std::log(txmax) / txmax - 0.01;
  s.sqeps = std::sqrt(2.0 * DMACH(3));
}

}  // namespace

double DNORDF(double x) {
  Frame frame("DNORDF");
  NormalDistributionState& s = library_state().normal_distribution;
  if (s.sqrt_half == 0.0) s.sqrt_half = kSqrtHalf;
  const double result = 0.5 * DERFC(-x * s.sqrt_half);
  // erfc underflows for large -X; the distribution is then 0, which is no error.
  if (N1RTY(1) == 2) E1MES(0, 0, " ");
  frame.pop();
  return result;
}

double DERFC(double x) {
  Frame frame("DERFC");
  NormalDistributionState& s = library_state().normal_distribution;
  if (s.nterf == 0) initialise_erfc(s);

  double result;
  if (x <= s.xsml) {
    result = 2.0;
  } else if (x > s.xmax) {
    ERROR_STORE_DOUBLE(1, x);
    ERROR_STORE_DOUBLE(2, s.xmax);
    E1MES(2, 1,
          "The function underflows because X = %(D1) is greater than %(D2). The result is "
          "set to zero.");
    result = 0.0;
  } else if (std::abs(x) <= 1.0) {
    if (std::abs(x) < s.sqeps) {
      result = 1.0 - 2.0 * x / kSqrtPi;
    } else {
      result = 1.0 - x * (1.0 + DCSEVL(2.0 * x * x - 1.0, kErfSeries.data(), s.nterf));
    }
  } else {
    const double y = x * x;
    if (y <= 4.0) {
      result = std::exp(-y) / std::abs(x) *
               (0.5 + DCSEVL((8.0 / y - 5.0) / 3.0, kErfcSeriesMid.data(), s.nterc2));
    } else {
      result = std::exp(-y) / std::abs(x) *
               (0.5 + DCSEVL(8.0 / y - 1.0, kErfcSeriesTail.data(), s.nterfc));
    }
    if (x < 0.0) result = 2.0 - result;
  }
  frame.pop();
  return result;
}

int INITDS(const double* os, int nos, float eta) {
  Frame frame("INITDS");
  int result = 0;
  if (nos < 1) {
    ERROR_STORE_INTEGER(1, nos);
    E1MES(5, 5, "The number of coefficients is less than 1. NOS = %(I1).");
  } else {
    // Summed in single precision, as the accuracy asked for is single.
    float err = 0.0f;
    int i = 1;  // 1 when the sum never exceeds ETA
    for (int ii = 1; ii <= nos; ++ii) {
      i = nos + 1 - ii;
      err += static_cast<float>(std::abs(os[i - 1]));
      if (err > eta) break;
    }
    if (i == nos) {
      E1MES(5, 6, "Too much accuracy may be requested. ETA should be increased.");
    } else {
      result = i;
    }
  }
  frame.pop();
  return result;
}

double DCSEVL(double x, const double* cs, int n) {
  Frame frame("DCSEVL");
  double result = DMACH(6);
  if (n < 1) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 5, "The number of terms in the series is not positive. N = %(I1).");
  } else if (n > 1000) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 6, "The number of terms in the series is greater than 1000. N = %(I1).");
  } else {
    if (std::abs(x) > 1.1) {
      ERROR_STORE_DOUBLE(1, x);
      E1MES(3, 7, "The argument X = %(D1) is outside the interval (-1.1,+1.1).");
    }
    const double twox = 2.0 * x;
    double b0 = 0.0, b1 = 0.0, b2 = 0.0;
    for (int i = n; i >= 1; --i) {
      b2 = b1;
      b1 = b0;
      b0 = twox * b1 - b2 + cs[i - 1];
    }
    result = (b0 - b2) / 2.0;
  }
  frame.pop();
  return result;
}

}  // namespace numlib
