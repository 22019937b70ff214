#include "numlib/support/vector_kernels.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "blas_compare.h"
#include "support/reference_blas.h"

namespace numlib::testing {
namespace {

constexpr double kAlphas[] = {0.0, 1.0, -1.0, 0.3};
constexpr Fill kFills[] = {Fill::Finite, Fill::Special};
constexpr int kMaxLength = 40;  // every remainder of every unit-stride group

// The comparison is only worth something against the reference build itself.
TEST(ReferenceBlas, IsTheReferenceBuild) {
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&ddot_), &info), 0);
  EXPECT_STREQ(info.dli_fname, "/usr/lib/x86_64-linux-gnu/blas/libblas.so.3");
}

// A kernel of two vectors run on (n, a, x, incx, y, incy); a result that is a
// number comes back as the value, the others give 0.
using TwoVectorCall = std::function<double(int, double, double*, int, double*, int)>;

struct TwoVectorKernel {
  const char* name;
  TwoVectorCall ours;
  TwoVectorCall reference;
};

const TwoVectorKernel kTwoVectorKernels[] = {
    {"VECTOR_COPY",
     [](int n, double, double* x, int incx, double* y, int incy) {
       VECTOR_COPY(n, x, incx, y, incy);
       return 0.0;
     },
     [](int n, double, double* x, int incx, double* y, int incy) {
       reference_blas::copy(n, x, incx, y, incy);
       return 0.0;
     }},
    {"VECTOR_SWAP",
     [](int n, double, double* x, int incx, double* y, int incy) {
       VECTOR_SWAP(n, x, incx, y, incy);
       return 0.0;
     },
     [](int n, double, double* x, int incx, double* y, int incy) {
       reference_blas::swap(n, x, incx, y, incy);
       return 0.0;
     }},
    {"VECTOR_AXPY",
     [](int n, double a, double* x, int incx, double* y, int incy) {
       VECTOR_AXPY(n, a, x, incx, y, incy);
       return 0.0;
     },
     [](int n, double a, double* x, int incx, double* y, int incy) {
       reference_blas::axpy(n, a, x, incx, y, incy);
       return 0.0;
     }},
    {"VECTOR_DOT",
     [](int n, double, double* x, int incx, double* y, int incy) {
       return VECTOR_DOT(n, x, incx, y, incy);
     },
     [](int n, double, double* x, int incx, double* y, int incy) {
       return reference_blas::dot(n, x, incx, y, incy);
     }},
};

TEST(VectorKernels, TwoVectorKernelsMatchReferenceBitForBit) {
  RandomData data(20240601);
  for (const TwoVectorKernel& kernel : kTwoVectorKernels) {
    for (Fill fill : kFills)
      for (int n = 0; n <= kMaxLength; ++n)
        for (int incx = -3; incx <= 3; ++incx)
          for (int incy = -3; incy <= 3; ++incy)
            for (double a : kAlphas) {
              std::vector<double> x = data.vector(strided_length(n, incx), fill);
              std::vector<double> y = data.vector(strided_length(n, incy), fill);
              std::vector<double> xr = x, yr = y;
              const double got =
                  kernel.ours(n, a, x.data() + kGuard, incx, y.data() + kGuard, incy);
              const double want =
                  kernel.reference(n, a, xr.data() + kGuard, incx, yr.data() + kGuard, incy);
              const auto same_x = same_values(x, xr);
              const auto same_y = same_values(y, yr);
              if (!same_value(got, want) || !same_x || !same_y) {
                ADD_FAILURE() << kernel.name << " n=" << n << " incx=" << incx << " incy=" << incy
                              << " a=" << a << (fill == Fill::Special ? " with Inf/NaN" : "")
                              << ": result " << got << " against " << want << "; x "
                              << same_x.message() << "; y " << same_y.message();
                return;
              }
            }
  }
}

// One-vector kernels, compared for INCX > 0 (the reference and the library
// agree on INCX <= 0 only in part; see below).
using OneVectorCall = std::function<double(int, double, double*, int)>;

struct OneVectorKernel {
  const char* name;
  OneVectorCall ours;
  OneVectorCall reference;
};

const OneVectorKernel kOneVectorKernels[] = {
    {"VECTOR_SCALE",
     [](int n, double a, double* x, int incx) {
       VECTOR_SCALE(n, a, x, incx);
       return 0.0;
     },
     [](int n, double a, double* x, int incx) {
       reference_blas::scal(n, a, x, incx);
       return 0.0;
     }},
    {"VECTOR_ABS_SUM",
     [](int n, double, double* x, int incx) { return VECTOR_ABS_SUM(n, x, incx); },
     [](int n, double, double* x, int incx) { return reference_blas::asum(n, x, incx); }},
    {"VECTOR_INDEX_MAX_ABS",
     [](int n, double, double* x, int incx) {
       return static_cast<double>(VECTOR_INDEX_MAX_ABS(n, x, incx));
     },
     [](int n, double, double* x, int incx) {
       return static_cast<double>(reference_blas::iamax(n, x, incx));
     }},
};

TEST(VectorKernels, OneVectorKernelsMatchReferenceBitForBit) {
  RandomData data(777);
  for (const OneVectorKernel& kernel : kOneVectorKernels) {
    for (Fill fill : kFills)
      for (int n = 0; n <= kMaxLength; ++n)
        for (int incx = 1; incx <= 3; ++incx)
          for (double a : kAlphas) {
            std::vector<double> x = data.vector(strided_length(n, incx), fill);
            std::vector<double> xr = x;
            const double got = kernel.ours(n, a, x.data() + kGuard, incx);
            const double want = kernel.reference(n, a, xr.data() + kGuard, incx);
            const auto same_x = same_values(x, xr);
            if (!same_value(got, want) || !same_x) {
              ADD_FAILURE() << kernel.name << " n=" << n << " incx=" << incx << " a=" << a
                            << (fill == Fill::Special ? " with Inf/NaN" : "") << ": result " << got
                            << " against " << want << "; x " << same_x.message();
              return;
            }
          }
  }
}

// Kernels without a reference counterpart, against plain loops in index order.
TEST(VectorKernels, KernelsWithoutReferenceMatchPlainLoops) {
  RandomData data(99);
  for (Fill fill : kFills)
    for (int n = 0; n <= kMaxLength; ++n)
      for (int incx = -3; incx <= 3; ++incx)
        for (int incy = -3; incy <= 3; ++incy)
          for (double a : kAlphas) {
            SCOPED_TRACE("n=" + std::to_string(n) + " incx=" + std::to_string(incx) +
                         " incy=" + std::to_string(incy) + " a=" + std::to_string(a));
            const std::vector<double> x = data.vector(strided_length(n, incx), fill);
            const std::vector<double> y0 = data.vector(strided_length(n, incy), fill);
            const double* px = x.data() + kGuard;

            // Scaled copy: a plain loop, and for INCY > 0 also DCOPY then DSCAL.
            std::vector<double> y = y0, want = y0;
            VECTOR_SCALED_COPY(n, a, px, incx, y.data() + kGuard, incy);
            for (int i = 0; i < n; ++i)
              want[kGuard + walk_offset(i, n, incy)] = a * px[walk_offset(i, n, incx)];
            ASSERT_TRUE(same_values(y, want));
            if (incy > 0) {
              std::vector<double> yr = y0;
              reference_blas::copy(n, px, incx, yr.data() + kGuard, incy);
              reference_blas::scal(n, a, yr.data() + kGuard, incy);
              ASSERT_TRUE(same_values(y, yr));
            }

            // Product of three vectors: z takes the increment of x, reversed.
            const int incz = -incx;
            std::vector<double> z = data.vector(strided_length(n, incz), fill);
            std::vector<double> zw = z;
            VECTOR_PRODUCT(n, px, incx, y0.data() + kGuard, incy, z.data() + kGuard, incz);
            for (int i = 0; i < n; ++i)
              zw[kGuard + walk_offset(i, n, incz)] =
                  px[walk_offset(i, n, incx)] * y0[kGuard + walk_offset(i, n, incy)];
            ASSERT_TRUE(same_values(z, zw));

            if (incx > 0) {
              double sum = 0.0;
              for (int i = 0; i < n; ++i) sum = sum + px[i * incx];
              ASSERT_TRUE(same_value(VECTOR_SUM(n, px, incx), sum));

              std::vector<double> s = x, sw = x;
              VECTOR_SET(n, a, s.data() + kGuard, incx);
              for (int i = 0; i < n; ++i) sw[kGuard + i * incx] = a;
              ASSERT_TRUE(same_values(s, sw));
            }
          }
}

// INCX <= 0 on a one-vector kernel: the vector is left alone and nothing
// outside it is read (the arrays hold exactly N elements, for the sanitizer).
TEST(VectorKernels, OneVectorKernelsIgnoreNonPositiveIncrements) {
  for (int n : {1, 2, 5})
    for (int incx : {0, -1, -3}) {
      SCOPED_TRACE("n=" + std::to_string(n) + " incx=" + std::to_string(incx));
      std::vector<double> x(static_cast<std::size_t>(n));
      for (int i = 0; i < n; ++i) x[i] = 1.5 * (i + 1);
      const std::vector<double> before = x;
      VECTOR_SET(n, 9.0, x.data(), incx);
      VECTOR_SCALE(n, 9.0, x.data(), incx);
      EXPECT_TRUE(same_values(x, before));
      EXPECT_EQ(VECTOR_SUM(n, x.data(), incx), 0.0);
      EXPECT_EQ(VECTOR_ABS_SUM(n, x.data(), incx), 0.0);
      EXPECT_EQ(VECTOR_INDEX_MAX_ABS(n, x.data(), incx), n == 1 ? 1 : 0);
      if (incx < 0) {
        EXPECT_EQ(VECTOR_NORM2(n, x.data(), incx), 0.0);
      }
    }
}

TEST(VectorKernels, SmallCases) {
  const double nan = std::numeric_limits<double>::quiet_NaN();

  // A negative INCY walks y backwards.
  const double x[] = {1.0, 2.0, 3.0};
  double y[] = {0.0, 0.0, 0.0};
  VECTOR_COPY(3, x, 1, y, -1);
  EXPECT_EQ(y[0], 3.0);
  EXPECT_EQ(y[1], 2.0);
  EXPECT_EQ(y[2], 1.0);

  // A = 0 adds nothing at all, so a NaN in x does not reach y.
  const double xn[] = {nan, 1.0};
  double yn[] = {4.0, 5.0};
  VECTOR_AXPY(2, 0.0, xn, 1, yn, 1);
  EXPECT_EQ(yn[0], 4.0);
  EXPECT_EQ(yn[1], 5.0);

  // INCX = 0 repeats x(1).
  const double x0[] = {2.0, 100.0};
  const double y3[] = {1.0, 2.0, 3.0};
  EXPECT_EQ(VECTOR_DOT(3, x0, 0, y3, 1), 12.0);

  // Ties go to the smallest index.
  const double tie[] = {3.0, -5.0, 5.0};
  EXPECT_EQ(VECTOR_INDEX_MAX_ABS(3, tie, 1), 2);
  EXPECT_EQ(VECTOR_INDEX_MAX_ABS(0, tie, 1), 0);
  EXPECT_EQ(VECTOR_INDEX_MAX_ABS(1, tie, 1), 1);
}

// Overlapping storage (the in-place transpose, the sorts): elements move one
// at a time in index order, as a plain loop moves them. The update, which
// reads ahead when its vectors are apart, falls back to that order too.
TEST(VectorKernels, OverlappingStorage) {
  for (int shift : {-3, -1, 1, 2})
    for (int inc : {1, 2}) {
      SCOPED_TRACE("shift=" + std::to_string(shift) + " inc=" + std::to_string(inc));
      std::vector<double> a(64), want;
      for (std::size_t i = 0; i < a.size(); ++i) a[i] = static_cast<double>(i);
      want = a;
      const int n = 17;
      double* x = a.data() + 20;
      double* y = x + shift;
      VECTOR_COPY(n, x, inc, y, inc);
      for (int i = 0; i < n; ++i) want[20 + shift + i * inc] = want[20 + i * inc];
      EXPECT_TRUE(same_values(a, want));

      std::vector<double> b(64), wb;
      for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<double>(i);
      wb = b;
      VECTOR_SWAP(n, b.data() + 20, inc, b.data() + 20 + shift, inc);
      for (int i = 0; i < n; ++i) std::swap(wb[20 + i * inc], wb[20 + shift + i * inc]);
      EXPECT_TRUE(same_values(b, wb));

      std::vector<double> c(64), wc;
      for (std::size_t i = 0; i < c.size(); ++i) c[i] = 1.0 + 0.5 * static_cast<double>(i);
      wc = c;
      for (int k : {0, shift}) {  // the same elements, then shifted ones
        VECTOR_AXPY(n, 0.3, c.data() + 20, inc, c.data() + 20 + k, inc);
        for (int i = 0; i < n; ++i)
          wc[20 + k + i * inc] = wc[20 + k + i * inc] + 0.3 * wc[20 + i * inc];
        EXPECT_TRUE(same_values(c, wc)) << "axpy shift " << k;
      }
    }
}

// ---- the Euclidean norm ----

double relative_error(double got, double want) {
  if (want == 0.0) return got == 0.0 ? 0.0 : 1.0;
  return std::fabs(got - want) / want;
}

TEST(VectorNorm2, WithinTwoEpsSqrtNOfReference) {
  RandomData data(4242);
  const double eps = std::numeric_limits<double>::epsilon();
  double worst = 0.0;
  for (int trial = 0; trial < 3000; ++trial) {
    const int n = data.integer(1, 1000);
    const int incx = data.integer(1, 3);
    // Either one magnitude for the whole vector, or magnitudes spread wide.
    const bool spread = trial % 3 == 0;
    const double scale = std::pow(10.0, data.real(-300.0, 300.0));
    std::vector<double> x = data.vector(strided_length(n, incx));
    for (double& v : x) v *= spread ? std::pow(10.0, data.real(-300.0, 300.0)) : scale;
    const double got = VECTOR_NORM2(n, x.data() + kGuard, incx);
    const double want = reference_blas::nrm2(n, x.data() + kGuard, incx);
    const double err = relative_error(got, want) / (eps * std::sqrt(static_cast<double>(n)));
    worst = std::max(worst, err);
    ASSERT_LE(err, 2.0) << "n=" << n << " incx=" << incx << " got " << got << " want " << want;
  }
  RecordProperty("worst_in_eps_sqrt_n", std::to_string(worst));
}

TEST(VectorNorm2, ScaledCasesLoseNothing) {
  const double eps = std::numeric_limits<double>::epsilon();
  struct Row {
    std::vector<double> x;
    int n, incx;
    double want;
    double tolerance;  // relative
  };
  const double big = 1e200, tiny = 1e-200, root2 = std::sqrt(2.0);
  const Row rows[] = {
      {{3.0, 4.0}, 2, 1, 5.0, 0.0},
      {{big, big}, 2, 1, big * root2, 2 * eps},
      {{tiny, tiny}, 2, 1, tiny * root2, 2 * eps},
      {{-1.5e300, 2e300}, 2, 1, 2.5e300, 2 * eps},
      {{-3.0, 7.0}, 4, 0, 6.0, 0.0},
      {{0.0, 0.0, 0.0}, 3, 1, 0.0, 0.0},
      {{3.0, 4.0}, 2, -1, 0.0, 0.0},
      {{3.0, 4.0}, 0, 1, 0.0, 0.0},
  };
  for (const Row& r : rows) {
    const double got = VECTOR_NORM2(r.n, r.x.data(), r.incx);
    EXPECT_LE(relative_error(got, r.want), r.tolerance)
        << "n=" << r.n << " incx=" << r.incx << " x(1)=" << r.x[0] << ": " << got;
    EXPECT_TRUE(std::isfinite(got));
  }
}

}  // namespace
}  // namespace numlib::testing
