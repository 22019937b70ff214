#pragma once
// What the eigen-solver tests share: square matrices by columns with a leading
// dimension, the reference LAPACK's dsyev, and the checks of an eigensystem.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

extern "C" void dsyev_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda,
                       double* w, double* work, const int* lwork, int* info,
                       std::size_t jobz_length, std::size_t uplo_length);

namespace numlib::testing {

struct Square {
  int n = 0;
  int ld = 0;
  std::vector<double> v;
  Square(int order, int leading, double fill = 0.0)
      : n(order), ld(leading), v(static_cast<std::size_t>(leading) * order, fill) {}
  double& operator()(int i, int j) { return v[i + static_cast<std::size_t>(j) * ld]; }
  double operator()(int i, int j) const { return v[i + static_cast<std::size_t>(j) * ld]; }
  double* column(int j) { return v.data() + static_cast<std::size_t>(j) * ld; }
  const double* column(int j) const { return v.data() + static_cast<std::size_t>(j) * ld; }
};

// A symmetric matrix of order n filled by value(i, j) for i >= j, in storage
// with `pad` rows below it (holding 7.0, which no routine may read or change).
template <class F>
Square symmetric(int n, int pad, F value) {
  Square a(n, n + pad, 7.0);
  for (int j = 0; j < n; ++j) {
    for (int i = j; i < n; ++i) a(i, j) = a(j, i) = value(i, j);
  }
  return a;
}

inline Square random_symmetric(int n, std::uint64_t seed, int pad = 0) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  return symmetric(n, pad, [&](int, int) { return u(rng); });
}

// The largest column sum of |A(i, j)|.
inline double norm1(const Square& a) {
  double norm = 0.0;
  for (int j = 0; j < a.n; ++j) {
    double s = 0.0;
    for (int i = 0; i < a.n; ++i) s += std::abs(a(i, j));
    norm = std::max(norm, s);
  }
  return norm;
}

// Eigenvalues (ascending) and eigenvectors of the reference LAPACK.
struct Reference {
  std::vector<double> w;
  Square z{0, 1};
};
inline Reference lapack_eigensystem(const Square& a) {
  Reference r;
  r.z = Square(a.n, a.n);
  for (int j = 0; j < a.n; ++j) {
    for (int i = 0; i < a.n; ++i) r.z(i, j) = a(i, j);
  }
  r.w.assign(a.n, 0.0);
  int lwork = -1, info = 0;
  double query = 0.0;
  dsyev_("V", "L", &a.n, r.z.v.data(), &r.z.ld, r.w.data(), &query, &lwork, &info, 1, 1);
  lwork = static_cast<int>(query);
  std::vector<double> work(lwork);
  dsyev_("V", "L", &a.n, r.z.v.data(), &r.z.ld, r.w.data(), work.data(), &lwork, &info, 1, 1);
  EXPECT_EQ(info, 0);
  return r;
}

// Index of the first component of largest magnitude.
inline int first_largest(const double* x, int n) {
  int k = 0;
  for (int i = 1; i < n; ++i) {
    if (std::abs(x[i]) > std::abs(x[k])) k = i;
  }
  return k;
}

// Makes the first component of largest magnitude positive.
inline void apply_sign_rule(double* x, int n) {
  if (x[first_largest(x, n)] < 0.0) {
    for (int i = 0; i < n; ++i) x[i] = -x[i];
  }
}

// ||A Z - Z diag(lambda)||_1 and ||Z'Z - I||_1 over the first m columns of Z.
inline double residual_norm(const Square& a, const Square& z, const double* lambda, int m) {
  double norm = 0.0;
  for (int j = 0; j < m; ++j) {
    double s = 0.0;
    for (int i = 0; i < a.n; ++i) {
      double r = -lambda[j] * z(i, j);
      for (int k = 0; k < a.n; ++k) r += a(i, k) * z(k, j);
      s += std::abs(r);
    }
    norm = std::max(norm, s);
  }
  return norm;
}
inline double orthogonality_norm(const Square& z, int m) {
  double norm = 0.0;
  for (int j = 0; j < m; ++j) {
    double s = 0.0;
    for (int i = 0; i < m; ++i) {
      double p = i == j ? -1.0 : 0.0;
      for (int k = 0; k < z.n; ++k) p += z(k, i) * z(k, j);
      s += std::abs(p);
    }
    norm = std::max(norm, s);
  }
  return norm;
}

}  // namespace numlib::testing
