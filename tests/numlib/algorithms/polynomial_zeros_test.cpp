#include "numlib/algorithms/polynomial_zeros.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "algorithm_fixture.h"
#include "numlib/algorithms/double_double.h"

namespace numlib::testing {
namespace {

using Complex = std::complex<double>;
constexpr double kInf = std::numeric_limits<double>::infinity();

class PolynomialZerosTest : public AlgorithmTest {};

// Distance in units in the last place.
double ulps(double a, double b) {
  return std::abs(a - b) / (std::nextafter(std::abs(b), kInf) - std::abs(b));
}

// Every expected zero has a distinct found zero within tol*|expected| (tol
// absolute for a zero at the origin, equal for one at infinity): a
// nearest-neighbour matching.
::testing::AssertionResult zeros_match(const std::vector<Complex>& found,
                                       const std::vector<Complex>& expected, double tol) {
  if (found.size() != expected.size()) return ::testing::AssertionFailure() << "count differs";
  std::vector<bool> used(found.size(), false);
  for (const Complex& z : expected) {
    int best = -1;
    for (std::size_t i = 0; i < found.size(); ++i) {
      if (!used[i] && (best < 0 || std::abs(found[i] - z) < std::abs(found[best] - z))) {
        best = static_cast<int>(i);
      }
    }
    const double error = std::isinf(z.real()) && found[best] == z ? 0.0 : std::abs(found[best] - z);
    if (!(error <= tol * std::max(std::abs(z), z == Complex{} ? 1.0 : 0.0))) {
      return ::testing::AssertionFailure()
             << "expected " << z << ", nearest " << found[best] << " (relative "
             << error / std::abs(z) << ")";
    }
    used[best] = true;
  }
  return ::testing::AssertionSuccess();
}

// Calls DZPORC and checks that the coefficients come back bit for bit.
std::vector<Complex> zeros_of(const std::vector<double>& coefficients) {
  const int ndeg = static_cast<int>(coefficients.size()) - 1;
  const std::vector<double> before = coefficients;
  std::vector<Complex> root(static_cast<std::size_t>(std::max(ndeg, 1)), Complex{-7.0, -7.0});
  DZPORC(ndeg, coefficients.data(), root.data());
  EXPECT_EQ(std::memcmp(before.data(), coefficients.data(), before.size() * sizeof(double)), 0);
  return root;
}

// ---- the degree-2 path ----

TEST_F(PolynomialZerosTest, QuadraticsAgainstExactZeros) {
  const auto rows = read_oracle_rows("quadratic_roots.csv");  // first field: the name, read as 0
  ASSERT_EQ(rows.size(), 6u);
  for (const auto& row : rows) {
    const std::vector<double> coefficients = {row[3], row[2], row[1]};  // constant first
    SCOPED_TRACE(::testing::Message() << row[1] << " z^2 + " << row[2] << " z + " << row[3]);
    const std::vector<Complex> root = zeros_of(coefficients);
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
    const Complex smaller{row[4], row[5]}, larger{row[6], row[7]};
    EXPECT_LE(ulps(root[0].real(), smaller.real()), 4.0) << root[0];
    EXPECT_LE(ulps(root[1].real(), larger.real()), 4.0) << root[1];
    EXPECT_LE(ulps(root[0].imag(), smaller.imag()), 4.0) << root[0];
    EXPECT_LE(ulps(root[1].imag(), larger.imag()), 4.0) << root[1];
    EXPECT_LE(std::abs(root[0]), std::abs(root[1]));
  }
}

TEST_F(PolynomialZerosTest, QuadraticEdgeCases) {
  // Kahan's case needs the double-double discriminant: in plain double it is 0.
  const double a = 94906265.625, b = -189812534.0, c = 94906268.375;
  EXPECT_EQ(b * b - 4.0 * a * c, 0.0);
  // The double zero comes out exact: the discriminant is exactly 0.
  std::vector<Complex> root = zeros_of({1.0, -2.0, 1.0});
  EXPECT_EQ(root[0], Complex(1.0, 0.0));
  EXPECT_EQ(root[1], Complex(1.0, 0.0));
  // A zero constant term.
  root = zeros_of({0.0, 3.0, 1.5});
  EXPECT_EQ(root[0], Complex(0.0, 0.0));
  EXPECT_EQ(root[1], Complex(-2.0, 0.0));
  // s negligible beside b: -c/b and -b/a directly.
  root = zeros_of({1.0, 1e300, 1.0});
  EXPECT_EQ(root[0], Complex(-1e-300, 0.0));
  EXPECT_EQ(root[1], Complex(-1e300, 0.0));
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

TEST_F(PolynomialZerosTest, CarefulQuadraticWithoutLeadingCoefficient) {
  ERSET(0, 0, 0);
  struct Row {
    const char* what;
    double a, b, c;
    Complex zsm, zlg;
    const char* message;
  };
  const Row rows[] = {
      {"A = 0", 0.0, 2.0, -3.0, {1.5, 0.0}, {kInf, 0.0},
       ".   The leading coefficient is equal to zero.  On output ZLG will be set to "
       "CMPLX(FINITY,0.0).  FINITY is the largest machine constant."},
      {"A = B = 0", 0.0, 0.0, 5.0, {-kInf, 0.0}, {kInf, 0.0},
       ".   The two leading coefficients are equal to zero.  On output ZLG will be set to "
       "CMPLX(FINITY,0.0) and ZSM will be set to -ZLG.  FINITY is the largest machine "
       "constant."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Complex zsm, zlg;
    DZ3LRC(row.a, row.b, row.c, zsm, zlg);
    EXPECT_EQ(zsm, row.zsm);
    EXPECT_EQ(zlg, row.zlg);
    EXPECT_EQ(LAST_ERROR_CODE(), 1);
    EXPECT_EQ(N1RTY(1), 3);
    EXPECT_EQ(waiting_message(), row.message);
  }
}

TEST_F(PolynomialZerosTest, IterationQuadratic) {
  struct Row {
    double a, b, c;
    Complex first, second;
  };
  const Row rows[] = {
      {1.0, -3.0, 2.0, {1.0, 0.0}, {2.0, 0.0}},
      {1.0, 3.0, 2.0, {-1.0, 0.0}, {-2.0, 0.0}},
      {2.0, -2.0, 5.0, {0.5, 1.5}, {0.5, -1.5}},
      {1.0, 0.0, 4.0, {0.0, 2.0}, {0.0, -2.0}},
      {0.0, 2.0, -3.0, {1.5, 0.0}, {0.0, 0.0}},
      {0.0, 0.0, 1.0, {0.0, 0.0}, {0.0, 0.0}},
      {4.0, 2.0, 0.0, {0.0, 0.0}, {-0.5, 0.0}},
      {1.0, 1e-3, -1e300, {1e150, 0.0}, {-1e150, 0.0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.a << " " << row.b << " " << row.c);
    Complex first, second;
    QUADRATIC_ROOTS(row.a, row.b, row.c, first, second);
    EXPECT_NEAR(first.real(), row.first.real(), 1e-15 * std::abs(row.first));
    EXPECT_NEAR(first.imag(), row.first.imag(), 1e-15 * std::abs(row.first));
    EXPECT_NEAR(second.real(), row.second.real(), 1e-15 * std::abs(row.second));
    EXPECT_NEAR(second.imag(), row.second.imag(), 1e-15 * std::abs(row.second));
  }
}

// ---- leading zeros, zeros at the origin, bad degrees ----

TEST_F(PolynomialZerosTest, LeadingAndTrailingZeros) {
  ERSET(0, 0, 0);
  const Complex inf{kInf, 0.0};
  struct Row {
    const char* what;
    std::vector<double> coefficients;  // constant first
    std::vector<Complex> expected;
    int code;
    const char* message;
  };
  const Row rows[] = {
      {"one leading zero", {2.0, -3.0, 1.0, 0.0}, {{1.0, 0.0}, {2.0, 0.0}, inf}, 1,
       ".  The leading coefficient of the polynomial is equal to zero.  The last root will be "
       "set to CMPLX(FINITY,0.0) where FINITY is the largest machine constant."},
      {"degree 2 with a leading zero", {-4.0, 2.0, 0.0}, {{2.0, 0.0}, inf}, 1,
       ".  The leading coefficient of the polynomial is equal to zero.  The last root will be "
       "set to CMPLX(FINITY,0.0) where FINITY is the largest machine constant."},
      {"two leading zeros", {-6.0, 11.0, -6.0, 1.0, 0.0, 0.0},
       {{1.0, 0.0}, {2.0, 0.0}, {3.0, 0.0}, inf, inf}, 1,
       ".  The 2 leading coefficients of the polynomial are equal to zero.  The last 2 roots "
       "will be set to CMPLX(FINITY,0.0) where FINITY is the largest machine constant."},
      {"only the constant", {5.0, 0.0, 0.0}, {inf, inf}, 1,
       ".  The 2 leading coefficients of the polynomial are equal to zero.  The last 2 roots "
       "will be set to CMPLX(FINITY,0.0) where FINITY is the largest machine constant."},
      {"all zero", {0.0, 0.0, 0.0, 0.0}, {inf, inf, inf}, 1,
       ".  The 4 leading coefficients of the polynomial are equal to zero.  The last 3 roots "
       "will be set to CMPLX(FINITY,0.0) where FINITY is the largest machine constant."},
      {"zeros at the origin", {0.0, 0.0, -6.0, 11.0, -6.0, 1.0},
       {{0.0, 0.0}, {0.0, 0.0}, {1.0, 0.0}, {2.0, 0.0}, {3.0, 0.0}}, 0, ""},
      {"both ends", {0.0, 2.0, -3.0, 1.0, 0.0}, {{0.0, 0.0}, {1.0, 0.0}, {2.0, 0.0}, inf}, 1,
       ".  The leading coefficient of the polynomial is equal to zero.  The last root will be "
       "set to CMPLX(FINITY,0.0) where FINITY is the largest machine constant."},
      {"degree 1", {3.0, -1.5}, {{2.0, 0.0}}, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::vector<Complex> root = zeros_of(row.coefficients);
    const std::size_t n = row.expected.size();
    ASSERT_EQ(root.size(), n);
    // Infinite places and zeros at the origin are exact and in place.
    for (std::size_t i = 0; i < n; ++i) {
      if (std::isinf(row.expected[i].real()) || row.expected[i] == Complex{}) {
        EXPECT_EQ(root[i], row.expected[i]) << "ROOT(" << i + 1 << ")";
      }
    }
    EXPECT_TRUE(zeros_match(root, row.expected, 1e-14));
    EXPECT_EQ(LAST_ERROR_CODE(), row.code);
    EXPECT_EQ(waiting_message(), row.message);
    E1MES(0, 0, " ");
  }
}

TEST_F(PolynomialZerosTest, DegreeOutOfRange) {
  ERSET(0, 0, 0);
  for (int ndeg : {0, -1, 101}) {
    const std::vector<double> coefficients(102, 1.0);
    std::vector<Complex> root(101, Complex{-7.0, 0.0});
    DZPORC(ndeg, coefficients.data(), root.data());
    EXPECT_EQ(N1RTY(1), 5);
    EXPECT_EQ(N1RCD(1), 1);
    EXPECT_EQ(waiting_message(),
              ".  The degree of the polynomial must be less than 101 and greater than zero.  "
              "NDEG is given as " +
                  std::to_string(ndeg) + ".");
    EXPECT_EQ(root[0], Complex(-7.0, 0.0));
  }
}

TEST_F(PolynomialZerosTest, DegreeOutOfRangeStopsByDefault) {
  const double one = 1.0;
  Complex root;
  EXPECT_EQ(stop_status([&] { DZPORC(0, &one, &root); }), 3);
  EXPECT_NE(take_output().find("TERMINAL ERROR 1 from DZPORC"), std::string::npos);
}

// The leading-zero warning is printed by default and the run goes on.
TEST_F(PolynomialZerosTest, WarningIsPrintedByDefault) {
  zeros_of({1.0, 1.0, 0.0});
  const std::string out = take_output();
  EXPECT_NE(out.find(" *** WARNING  ERROR 1 from DZPORC.  The leading coefficient"),
            std::string::npos)
      << out;
}

// ---- the three-stage iteration ----

std::vector<Complex> roots_of_unity(int n) {
  std::vector<Complex> expected;
  for (int k = 0; k < n; ++k) expected.push_back(std::polar(1.0, 2.0 * std::numbers::pi * k / n));
  return expected;
}

std::vector<double> unity_polynomial(int n) {  // z^n - 1, constant first
  std::vector<double> coefficients(static_cast<std::size_t>(n) + 1, 0.0);
  coefficients.front() = -1.0;
  coefficients.back() = 1.0;
  return coefficients;
}

// Up to degree 60 the zeros of equal modulus, which deflation makes drift,
// come back to full accuracy on the undeflated polynomial.
TEST_F(PolynomialZerosTest, RootsOfUnity) {
  std::vector<int> degrees = {40, 60};
  for (int n = 3; n <= 20; ++n) degrees.push_back(n);
  for (int n : degrees) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(zeros_match(zeros_of(unity_polynomial(n)), roots_of_unity(n), 1e-12));
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
  }
}

// At degree 100 deflation loses zeros: the ones returned are right and
// distinct, and any place not found is infinite, at the end, with the warning.
TEST_F(PolynomialZerosTest, RootsOfUnityAtDegree100AreRightOrWarned) {
  ERSET(0, 0, 0);
  const int n = 100;
  std::vector<Complex> root = zeros_of(unity_polynomial(n));
  int finite = 0;
  while (finite < n && std::isfinite(root[finite].real())) ++finite;
  for (int i = finite; i < n; ++i) EXPECT_EQ(root[i], Complex(kInf, 0.0));
  std::vector<Complex> unity = roots_of_unity(n);
  std::vector<bool> taken(n, false);
  for (int i = 0; i < finite; ++i) {
    const double turn = std::arg(root[i]) * n / (2.0 * std::numbers::pi);
    const int k = ((static_cast<int>(std::lround(turn)) % n) + n) % n;
    EXPECT_LE(std::abs(root[i] - unity[k]), 1e-10) << root[i];
    EXPECT_FALSE(taken[k]) << "twice: " << unity[k];
    taken[k] = true;
  }
  if (finite == n) {
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
  } else {
    EXPECT_EQ(LAST_ERROR_CODE(), 2);
    EXPECT_EQ(waiting_message(),
              ".  Only " + std::to_string(finite) +
                  " roots were found.  The ROOT vector will contain the value for machine "
                  "infinity in the last " +
                  std::to_string(n - finite) + " locations.");
  }
}

TEST_F(PolynomialZerosTest, Wilkinson10) {
  // prod (z - k), k = 1..10, constant first.
  const std::vector<double> coefficients = {3628800.0, -10628640.0, 12753576.0, -8409500.0,
                                            3416930.0, -902055.0,   157773.0,   -18150.0,
                                            1320.0,    -55.0,       1.0};
  std::vector<Complex> expected;
  for (int k = 1; k <= 10; ++k) expected.emplace_back(k, 0.0);
  EXPECT_TRUE(zeros_match(zeros_of(coefficients), expected, 1e-8));
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

// Coefficients near 1e40 lead to a scale factor below the smallest double.
TEST_F(PolynomialZerosTest, HugeCoefficientsAreScaled) {
  for (double scale : {1e40, 1e-40, 1e300, 1e-300}) {
    SCOPED_TRACE(scale);
    const std::vector<double> coefficients = {-6.0 * scale, 11.0 * scale, -6.0 * scale, scale};
    EXPECT_TRUE(zeros_match(zeros_of(coefficients), {{1.0, 0.0}, {2.0, 0.0}, {3.0, 0.0}}, 1e-12));
  }
}

TEST_F(PolynomialZerosTest, RandomPolynomialsAgainstMpmath) {
  const auto rows = read_oracle_rows("polynomial_roots.csv");
  ASSERT_EQ(rows.size(), 64u);
  for (const auto& row : rows) {
    const int degree = static_cast<int>(row[0]);
    SCOPED_TRACE(::testing::Message() << "degree " << degree);
    ASSERT_EQ(row.size(), 1u + (degree + 1) + 2u * degree);
    const std::vector<double> coefficients(row.begin() + 1, row.begin() + 2 + degree);
    std::vector<Complex> expected;
    for (int i = 0; i < degree; ++i) {
      expected.emplace_back(row[2 + degree + 2 * i], row[3 + degree + 2 * i]);
    }
    EXPECT_TRUE(zeros_match(zeros_of(coefficients), expected, 1e-9));
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
  }
}

// Through the seam: no shift may be tried, so the iteration finds nothing.
TEST_F(PolynomialZerosTest, ShiftsExhausted) {
  ERSET(0, 0, 0);
  const Complex inf{kInf, 0.0};
  // z (z^3 - 1): the zero at the origin is found, the cubic's are not.
  const std::vector<double> coefficients = {0.0, -1.0, 0.0, 0.0, 1.0};
  std::vector<Complex> root(4);
  DZPORC_WITH_SHIFT_LIMIT(4, coefficients.data(), root.data(), 0);
  EXPECT_EQ(root[0], Complex(0.0, 0.0));
  for (int i = 1; i < 4; ++i) EXPECT_EQ(root[i], inf);
  EXPECT_EQ(LAST_ERROR_CODE(), 2);
  EXPECT_EQ(waiting_message(),
            ".  Only 1 roots were found.  The ROOT vector will contain the value for machine "
            "infinity in the last 3 locations.");

  // One shift for z^5 - 1: whatever it finds is a fifth root of unity, and
  // the places not found are infinite, at the end.
  E1MES(0, 0, " ");
  const std::vector<double> quintic = {-1.0, 0.0, 0.0, 0.0, 0.0, 1.0};
  root.assign(5, Complex{});
  DZPORC_WITH_SHIFT_LIMIT(5, quintic.data(), root.data(), 1);
  int finite = 0;
  while (finite < 5 && std::isfinite(root[finite].real())) {
    EXPECT_NEAR(std::abs(root[finite]), 1.0, 1e-12);
    ++finite;
  }
  for (int i = finite; i < 5; ++i) EXPECT_EQ(root[i], inf);
  if (finite < 5) {
    EXPECT_EQ(LAST_ERROR_CODE(), 2);
    EXPECT_EQ(waiting_message(),
              ".  Only " + std::to_string(finite) +
                  " roots were found.  The ROOT vector will contain the value for machine "
                  "infinity in the last " +
                  std::to_string(5 - finite) + " locations.");
  }
}

TEST_F(PolynomialZerosTest, NonFiniteCoefficientsEnd) {
  ERSET(0, 0, 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const std::vector<double>& coefficients :
       {std::vector<double>{1.0, nan, 2.0, 1.0}, std::vector<double>{kInf, 1.0, 2.0, 1.0, 3.0},
        std::vector<double>{1.0, 2.0, nan}, std::vector<double>{-kInf, 1.0, kInf}}) {
    zeros_of(coefficients);
  }
}

// ---- double-double helpers ----

TEST_F(PolynomialZerosTest, DoubleDoubleProductsAreExact) {
  struct Row {
    double x, y;
  };
  // Products whose rounding error is representable: the error part must be
  // exact, even where the split needs rescaling.
  const Row rows[] = {
      {1.0 + 0x1p-30, 1.0 + 0x1p-29},
      {3.0 + 0x1p-51, 3.0 - 0x1p-51},
      {0x1p+1000 * (1.0 + 0x1p-30), 1.0 + 0x1p-29},
      {0x1p-980 * (1.0 + 0x1p-30), 0x1p+100 * (1.0 + 0x1p-29)},
  };
  for (const Row& row : rows) {
    DoubleDouble acc;
    DD_FROM_DOUBLE(0.0, acc);
    DD_MUL_SCALED(row.x, row.y, acc);
    // The exact product, from long double's 64-bit significand: both factors
    // have at most 31 significant bits here.
    const long double exact = static_cast<long double>(row.x) * static_cast<long double>(row.y);
    EXPECT_EQ(static_cast<long double>(acc.high) + static_cast<long double>(acc.low), exact)
        << row.x << " * " << row.y;
  }
  // A difference that cancels in double.
  DoubleDouble acc;
  DD_FROM_DOUBLE(1.0, acc);
  DD_ADD(0x1p-60, acc);
  DD_ADD(-1.0, acc);
  double sum;
  DD_TO_DOUBLE(acc, sum);
  EXPECT_EQ(sum, 0x1p-60);
}

TEST_F(PolynomialZerosTest, ComplexVectorSet) {
  std::vector<Complex> v(6, Complex{1.0, 1.0});
  COMPLEX_VECTOR_SET(3, {2.0, -1.0}, v.data(), 2);
  EXPECT_EQ(v, (std::vector<Complex>{{2.0, -1.0}, {1.0, 1.0}, {2.0, -1.0}, {1.0, 1.0},
                                     {2.0, -1.0}, {1.0, 1.0}}));
  COMPLEX_VECTOR_SET(3, {9.0, 9.0}, v.data(), 0);
  COMPLEX_VECTOR_SET(0, {9.0, 9.0}, v.data(), 1);
  EXPECT_EQ(v[0], Complex(2.0, -1.0));
}

}  // namespace
}  // namespace numlib::testing
