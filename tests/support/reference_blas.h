#pragma once
// The reference BLAS (Debian's libblas3 build, linked by its full path so that
// an optimised library behind the alternatives link never stands in for it),
// called through its Fortran entries: every argument by reference, and the
// hidden length of each character argument at the end. The wrappers take
// values and return 1-based indices as the library does.

#include <cstddef>

extern "C" {
void dcopy_(const int* n, const double* x, const int* incx, double* y, const int* incy);
void dswap_(const int* n, double* x, const int* incx, double* y, const int* incy);
void dscal_(const int* n, const double* a, double* x, const int* incx);
void daxpy_(const int* n, const double* a, const double* x, const int* incx, double* y,
            const int* incy);
double ddot_(const int* n, const double* x, const int* incx, const double* y, const int* incy);
double dasum_(const int* n, const double* x, const int* incx);
int idamax_(const int* n, const double* x, const int* incx);
double dnrm2_(const int* n, const double* x, const int* incx);
void dgemv_(const char* trans, const int* m, const int* n, const double* alpha, const double* a,
            const int* lda, const double* x, const int* incx, const double* beta, double* y,
            const int* incy, std::size_t trans_length);
void dger_(const int* m, const int* n, const double* alpha, const double* x, const int* incx,
           const double* y, const int* incy, double* a, const int* lda);
void dsymv_(const char* uplo, const int* n, const double* alpha, const double* a, const int* lda,
            const double* x, const int* incx, const double* beta, double* y, const int* incy,
            std::size_t uplo_length);
void dsyr2_(const char* uplo, const int* n, const double* alpha, const double* x, const int* incx,
            const double* y, const int* incy, double* a, const int* lda, std::size_t uplo_length);
void dtrsv_(const char* uplo, const char* trans, const char* diag, const int* n, const double* a,
            const int* lda, double* x, const int* incx, std::size_t uplo_length,
            std::size_t trans_length, std::size_t diag_length);
void drotg_(double* a, double* b, double* c, double* s);
void drot_(const int* n, double* x, const int* incx, double* y, const int* incy, const double* c,
           const double* s);
void drotmg_(double* d1, double* d2, double* x1, const double* y1, double* param);
void drotm_(const int* n, double* x, const int* incx, double* y, const int* incy,
            const double* param);
}

namespace reference_blas {

inline void copy(int n, const double* x, int incx, double* y, int incy) {
  dcopy_(&n, x, &incx, y, &incy);
}
inline void swap(int n, double* x, int incx, double* y, int incy) {
  dswap_(&n, x, &incx, y, &incy);
}
inline void scal(int n, double a, double* x, int incx) { dscal_(&n, &a, x, &incx); }
inline void axpy(int n, double a, const double* x, int incx, double* y, int incy) {
  daxpy_(&n, &a, x, &incx, y, &incy);
}
inline double dot(int n, const double* x, int incx, const double* y, int incy) {
  return ddot_(&n, x, &incx, y, &incy);
}
inline double asum(int n, const double* x, int incx) { return dasum_(&n, x, &incx); }
inline int iamax(int n, const double* x, int incx) { return idamax_(&n, x, &incx); }
inline double nrm2(int n, const double* x, int incx) { return dnrm2_(&n, x, &incx); }
inline void gemv(char trans, int m, int n, double alpha, const double* a, int lda, const double* x,
                 int incx, double beta, double* y, int incy) {
  dgemv_(&trans, &m, &n, &alpha, a, &lda, x, &incx, &beta, y, &incy, 1);
}
inline void ger(int m, int n, double alpha, const double* x, int incx, const double* y, int incy,
                double* a, int lda) {
  dger_(&m, &n, &alpha, x, &incx, y, &incy, a, &lda);
}
inline void symv(char uplo, int n, double alpha, const double* a, int lda, const double* x,
                 int incx, double beta, double* y, int incy) {
  dsymv_(&uplo, &n, &alpha, a, &lda, x, &incx, &beta, y, &incy, 1);
}
inline void syr2(char uplo, int n, double alpha, const double* x, int incx, const double* y,
                 int incy, double* a, int lda) {
  dsyr2_(&uplo, &n, &alpha, x, &incx, y, &incy, a, &lda, 1);
}

inline void trsv(char uplo, char trans, char diag, int n, const double* a, int lda, double* x,
                 int incx) {
  dtrsv_(&uplo, &trans, &diag, &n, a, &lda, x, &incx, 1, 1, 1);
}
inline void rot(int n, double* x, int incx, double* y, int incy, double c, double s) {
  drot_(&n, x, &incx, y, &incy, &c, &s);
}
inline void rotmg(double& d1, double& d2, double& x1, double y1, double* param) {
  drotmg_(&d1, &d2, &x1, &y1, param);
}
inline void rotm(int n, double* x, int incx, double* y, int incy, const double* param) {
  drotm_(&n, x, &incx, y, &incy, param);
}

}  // namespace reference_blas
