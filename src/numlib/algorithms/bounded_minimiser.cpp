#include "numlib/algorithms/bounded_minimiser.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

#include "numlib/algorithms/minimiser_workers.h"
#include "numlib/support/level2_kernels.h"
#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

// A real setting of this value lets the algorithm choose.
constexpr double kChosen = -9999.0;

double eps() { return DMACH(4); }
double eps_third() { return std::pow(eps(), 1.0 / 3); }
double eps_two_thirds() { return std::pow(eps(), 2.0 / 3); }

// The relative gradient: the largest |g(i)|*max(|x(i)|, 1/xscale(i)) /
// max(|f|, fscale) over the free variables (all when IBOUND is null). NaN as
// soon as one term is, so that no test is met by a NaN gradient.
double relative_gradient(int n, const double* g, const double* x, const double* xscale, double f,
                         double fscale, const int* ibound) {
  const double denominator = std::max(std::abs(f), fscale);
  double largest = 0.0;
  for (int i = 0; i < n; ++i) {
    if (ibound != nullptr && ibound[i] != 0) continue;
    const double term = std::abs(g[i]) * std::max(std::abs(x[i]), 1.0 / xscale[i]) / denominator;
    if (std::isnan(term)) return term;
    largest = std::max(largest, term);
  }
  return largest;
}

// G with 0 in the components of held variables.
void masked_gradient(int n, const double* g, const int* ibound, double* out) {
  for (int i = 0; i < n; ++i) out[i] = ibound[i] == 0 ? g[i] : 0.0;
}

bool any_held(int n, const int* ibound) {
  return std::any_of(ibound, ibound + n, [](int state) { return state != 0; });
}

// Euclidean norm of xscale(i)*x(i) (of xscale alone when X is null), without
// overflow.
double scaled_norm(int n, const double* xscale, const double* x) {
  double norm = 0.0;
  for (int i = 0; i < n; ++i) norm = std::hypot(norm, x != nullptr ? xscale[i] * x[i] : xscale[i]);
  return norm;
}

// Records a global WARNING about a repaired real setting.
void repaired_real(int code, double given, double used, std::string_view text) {
  ERROR_STORE_DOUBLE(1, given);
  ERROR_STORE_DOUBLE(2, used);
  E1MES(6, code, text);
}

}  // namespace

void OPTIMIZER_DEFAULTS(int* iparam, double* rparam) {
  Frame frame("OPTIMIZER_DEFAULTS");
  iparam[0] = 1;
  iparam[1] = static_cast<int>(0.1 - std::log10(eps()));
  iparam[2] = 100;
  iparam[3] = 400;
  iparam[4] = 400;
  iparam[5] = 0;
  iparam[6] = 100;
  rparam[0] = eps_third();
  rparam[1] = eps_two_thirds();
  rparam[2] = std::max(eps_two_thirds(), 1e-20);
  rparam[3] = std::max(eps() * eps(), 1e-20);
  rparam[4] = 100.0 * eps();
  rparam[5] = kChosen;
  rparam[6] = kChosen;
  frame.pop();
}

void DBCONF(OBJECTIVE_FUNCTION f, int n, const double* xguess, int ibtype, double* xlb, double* xub,
            double* xscale, double& fscale, int* iparam, double* rparam, double* x,
            double& fvalue) {
  Frame frame("DBCONF");
  if (n <= 0) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 1, "The number of variables must be positive while N = %(i1) is given.");
    frame.pop();
    return;
  }
  // N*(2N+8) doubles: eight vectors and two N by N matrices.
  const std::uint64_t count =
      static_cast<std::uint64_t>(n) * (2 * static_cast<std::uint64_t>(n) + 8);
  std::unique_ptr<double[]> rwork;
  std::unique_ptr<int[]> iwork;
  if (count <= PTRDIFF_MAX / sizeof(double)) {
    rwork.reset(new (std::nothrow) double[count]);
    iwork.reset(new (std::nothrow) int[static_cast<std::size_t>(n)]);
  }
  if (!rwork || !iwork) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 2,
          "The required storage cannot be allocated.  The workspace is based on N, where N = "
          "%(i1) is given.");
    print_message_and_end_run();
  }
  DB2ONF(f, n, xguess, ibtype, xlb, xub, xscale, fscale, iparam, rparam, x, fvalue, rwork.get(),
         iwork.get());
  frame.pop();
}

void DB2ONF(OBJECTIVE_FUNCTION f, int n, const double* xguess, int ibtype, double* xlb, double* xub,
            double* xscale, double& fscale, int* iparam, double* rparam, double* x, double& fvalue,
            double* rwork, int* iwork) {
  Frame frame("DB2ONF");
  if (n <= 0) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 1, "The number of variables must be positive while N = %(I1) is given.");
    frame.pop();
    return;
  }
  VECTOR_COPY(n, xguess, 1, x, 1);
  switch (ibtype) {
    case 0:
      break;
    case 1:
      VECTOR_SET(n, 0.0, xlb, 1);
      VECTOR_SET(n, 1.0e20, xub, 1);
      break;
    case 2:
      VECTOR_SET(n, -1.0e20, xlb, 1);
      VECTOR_SET(n, 0.0, xub, 1);
      break;
    case 3:
      VECTOR_SET(n - 1, xlb[0], xlb + 1, 1);
      VECTOR_SET(n - 1, xub[0], xub + 1, 1);
      break;
    default:
      ERROR_STORE_INTEGER(1, ibtype);
      E1MES(5, 2,
            "The value for the type of bounds on the variables, IBTYPE, must be greater than or "
            "equal to zero and less than or equal to three while IBTYPE = %(I1) is given.");
      fvalue = DMACH(6);  // no function value was computed
      break;
  }
  if (N1RTY(0) == 0) {
    const std::ptrdiff_t nn = n;
    double* v = rwork;  // eight vectors of N, then H and A
    DB3ONF(f, n, x, xlb, xub, xscale, fscale, iparam, rparam, iwork, fvalue, v, v + nn, v + 2 * nn,
           v + 3 * nn, v + 4 * nn, v + 5 * nn, v + 6 * nn, v + 7 * nn, v + 8 * nn,
           v + 8 * nn + nn * nn, n);
  }
  frame.pop();
}

void DU5INF(int n, const double* x, double* xscale, double& fscale, int /*method*/, int* iparam,
            double* rparam) {
  Frame frame("DU5INF");
  if (n <= 0) {
    ERROR_STORE_INTEGER(1, n);
    MINIMIZER_MESSAGE(0);
    frame.pop();
    return;
  }
  if (n == 1) MINIMIZER_MESSAGE(1);

  if (std::any_of(xscale, xscale + n, [](double s) { return s <= 0.0; })) {
    MINIMIZER_MESSAGE(2);
    VECTOR_SET(n, 1.0, xscale, 1);
  }
  if (fscale <= 0.0) {
    ERROR_STORE_DOUBLE(1, fscale);
    E1MES(6, 3,
          "The estimate of the scale of the objective function must be positive while FSCALE = "
          "%(D1) is given.  The algorithm will use FSCALE = 1.0.");
    fscale = 1.0;
  }

  // FDIGIT, MXITER, MAXFCN, MAXGRD: messages 4-7 and their repaired values.
  const int repaired_integers[4] = {IMACH(10), 100, 400, 400};
  for (int k = 0; k < 4; ++k) {
    if (iparam[k + 1] < 1) {
      ERROR_STORE_INTEGER(1, iparam[k + 1]);
      MINIMIZER_MESSAGE(k + 4);
      iparam[k + 1] = repaired_integers[k];
    }
  }

  struct RealRepair {
    double used;
    std::string_view text;
  };
  const RealRepair real_repairs[5] = {
      {eps_two_thirds(),
       "The gradient tolerance must be nonnegative while GRADTL = %(D1) is given.  The algorithm "
       "will use GRADTL = %(D2)."},
      {eps_two_thirds(),
       "The step tolerance must be nonnegative while STEPTL = %(D1) is given.  The algorithm will "
       "use STEPTL = %(D2)."},
      {std::max(eps_two_thirds(), 1e-10),
       "The relative function tolerance must be nonnegative while RFTOL = %(D1) is given.  The "
       "algorithm will use RFTOL = %(D2)."},
      {std::max(eps() * eps(), 1e-20),
       "The absolute function tolerance must be nonnegative while AFTOL = %(D1) is given.  The "
       "algorithm will use AFTOL = %(D2)."},
      {100.0 * eps(),
       "The false convergence tolerance must be nonnegative while FALSTL = %(D1) is given.  The "
       "algorithm will use FALSTL = %(D2)."},
  };
  for (int k = 0; k < 5; ++k) {
    if (rparam[k] < 0.0) {
      repaired_real(k + 9, rparam[k], real_repairs[k].used, real_repairs[k].text);
      rparam[k] = real_repairs[k].used;
    }
  }

  if (rparam[5] <= 0.0) {
    const double stepmx =
        1000.0 * std::max(scaled_norm(n, xscale, x), scaled_norm(n, xscale, nullptr));
    if (iparam[0] != 0 && rparam[5] != kChosen) {
      repaired_real(14, rparam[5], stepmx,
                    "The maximum allowable scaled step length must be positive while STEPMX = "
                    "%(D1) is given.  The algorithm will use STEPMX = %(D2).");
    }
    rparam[5] = stepmx;
  }
  if (rparam[6] <= 0.0) {
    if (iparam[0] != 0 && rparam[6] != kChosen) {
      ERROR_STORE_DOUBLE(1, rparam[6]);
      E1MES(6, 15,
            "The initial trust region radius must be positive while DELTA = %(D1) is given.  The "
            "algorithm will use the length of the initial scaled Cauchy step for DELTA.");
    }
    rparam[6] = -1.0;
  }
  frame.pop();
}

void dU6INF(int n, const double* xpls, const double* sc, double fpls, const double* g,
            const double* xscale, double fscale, int& iretcd, int itncnt, int nfcn, int ngrad,
            int /*not_used*/, int /*method*/, bool mxtake) {
  Frame frame("dU6INF");
  const BoundedOptimizerState& settings = library_state().bounded_optimizer;
  int& maximal_steps = library_state().maximal_steps.count;

  if (relative_gradient(n, g, xpls, xscale, fpls, fscale, nullptr) <= settings.gradtl) {
    iretcd = -999;
    frame.pop();
    return;
  }
  if (itncnt == 0) {
    maximal_steps = 0;
    frame.pop();
    return;
  }
  if (iretcd == 1) {
    ERROR_STORE_DOUBLE(1, settings.steptl);
    E1MES(3, 8,
          "The last global step failed to locate a lower point than the current X value.  The "
          "current X may be an approximate local minimizer and no more accuracy is possible or "
          "the step tolerance may be too large where STEPTL = %(d1) is given.");
    frame.pop();
    return;
  }
  double relstep = 0.0;
  for (int i = 0; i < n; ++i) {
    relstep = std::max(relstep, std::abs(sc[i]) / std::max(std::abs(xpls[i]), 1.0 / xscale[i]));
  }
  if (relstep <= settings.steptl) {
    E1MES(2, 7,
          "Scaled step tolerance satisfied; the current point may be an approximate local "
          "solution, or the algorithm is making very slow progress and is not near a solution, "
          "or STEPTL is too big.");
    iretcd = -999;
    frame.pop();
    return;
  }
  if (itncnt >= settings.mxiter) {
    MINIMIZER_STOP_MESSAGE(3);
  } else if (nfcn >= settings.maxfcn) {
    MINIMIZER_STOP_MESSAGE(4);
  } else if (ngrad >= settings.maxgrd) {
    MINIMIZER_STOP_MESSAGE(5);
  } else if (mxtake) {
    if (++maximal_steps >= 5) MINIMIZER_STOP_MESSAGE(6);
  } else {
    maximal_steps = 0;
  }
  frame.pop();
}

void MINIMIZER_MESSAGE(int code) {
  switch (code) {
    case 0:
      E1MES(5, 1, "The size of the problem must be positive while N = %(I1) is given.");
      break;
    case 1:
      E1MES(6, 1, "This routine may be inefficient for a problem of size N = 1.");
      break;
    case 2:
      E1MES(6, 2,
            "The diagonal scaling matrix for the variables must be positive while some of the "
            "entries are less than or equal to zero.  The algorithm will use the identity "
            "scaling matrix for XSCALE.");
      break;
    case 4:
      E1MES(6, 4,
            "The estimate of the number of good digits in the function must be positive while "
            "FDIGIT = %(I1) is given.  The algorithm will assume that the function is accurate "
            "to the precision of the arithmetic.");
      break;
    case 5:
      E1MES(6, 5,
            "The maximum number of iterations must be positive while MXITER = %(I1) is given.  "
            "The algorithm will use MXITER = 100.");
      break;
    case 6:
      E1MES(6, 6,
            "The maximum number of function evaluations must be positive while MAXFCN = %(I1) is "
            "given.  The algorithm will use MAXFCN = 400.");
      break;
    case 7:
      E1MES(6, 7,
            "The maximum number of gradient evaluations must be positive while MAXGRD = %(I1) is "
            "given.  The algorithm will use MAXGRD = 400.");
      break;
    default:
      break;
  }
}

void MINIMIZER_STOP_MESSAGE(int code) {
  switch (code) {
    case 3:
      E1MES(4, 3, " Maximum number of iterations exceeded.");
      break;
    case 4:
      E1MES(4, 4, " Maximum number of function evaluations exceeded.");
      break;
    case 5:
      E1MES(4, 5, " Maximum number of gradient evaluations exceeded.");
      break;
    case 6:
      E1MES(4, 6,
            " Five consecutive steps of length STEPMX have been taken; either the function is "
            "unbounded below, or has a finite asymptote in some direction or the maximum "
            "allowable step size STEPMX is too small.");
      break;
    default:
      break;
  }
}

void DB3ONF(OBJECTIVE_FUNCTION f, int n, double* x, const double* xlb, const double* xub,
            double* xscale, double& fscale, int* iparam, double* rparam, int* ibound,
            double& fvalue, double* xp, double* g, double* gp, double* sc, double* p, double* w1,
            double* w2, double* w3, double* h, double* a, int ldh) {
  Frame frame("DB3ONF");
  if (iparam[0] == 0) OPTIMIZER_DEFAULTS(iparam, rparam);
  DU5INF(n, x, xscale, fscale, 0, iparam, rparam);
  if (N1RTY(1) == 5) {
    frame.pop();
    return;
  }

  BoundedOptimizerState& settings = library_state().bounded_optimizer;
  settings.gradtl = rparam[0];
  settings.steptl = rparam[1];
  settings.rftol = rparam[2];
  settings.aftol = rparam[3];
  settings.falstl = rparam[4];
  settings.mxiter = iparam[2];
  settings.maxfcn = iparam[3];
  settings.maxgrd = iparam[4];
  settings.maxhes = iparam[6];
  const double stepmx = rparam[5];
  const double eta = std::max(std::pow(10.0, -iparam[1]), eps());

  // Into the box, lower bound first (the bounds are not checked against each
  // other).
  for (int i = 0; i < n; ++i) {
    if (x[i] < xlb[i]) {
      x[i] = xlb[i];
    } else if (x[i] > xub[i]) {
      x[i] = xub[i];
    }
  }

  double fc;
  call_user_routine(f, n, static_cast<const double*>(x), fc);
  int nfcn = 1;
  DFDGRD(f, n, x, xscale, fc, eta, g);
  int ngrad = 1;
  int itn = 0;
  bool forward = true;
  bool mxtake = false;
  int iretcd = 0;
  VECTOR_SET(n, 0.0, sc, 1);

  dU6INF(n, x, sc, fc, g, xscale, fscale, iretcd, itn, nfcn, ngrad, 0, 0, mxtake);
  if (iretcd == -999 || N1RTY(1) > 0) {
    fvalue = fc;
  } else {
    bool active = false;
    BOUND_MARK_ACTIVE(n, x, xlb, xub, g, ibound, eps(), active);
    HESSIAN_INIT_DIAG(n, fc, fscale, xscale, iparam[5], h, ldh);
    DCRGRG(n, h, ldh, a, ldh);

    // Tries to free a held variable whose gradient points into the box; true
    // when one was freed and the iteration may go on. At the iteration limit
    // it records FATAL 3 instead, so that holding and freeing cannot cycle.
    // A variable whose bounds lie within the holding tolerance of each other
    // (a variable fixed by equal bounds) has no room to move and is never
    // freed: it would take a zero step and be held again.
    auto release = [&](const double* grad) {
      for (int i = 0; i < n; ++i) w3[i] = xub[i] - xlb[i] > eps() ? grad[i] : 0.0;
      bool done = true;
      BOUND_RELEASE(n, ibound, w3, done);
      if (done) return false;
      if (itn < settings.mxiter) return true;
      MINIMIZER_STOP_MESSAGE(3);
      return false;
    };

    for (;;) {
      ++itn;
      int m = n;
      int held = 0;
      if (active) {
        FREE_VAR_COUNT(n, ibound, a, ldh, held);
        m = n - held;
      }
      if (m == 0) {
        if (!release(g)) {
          fvalue = fc;
          break;
        }
        // With every variable held A was left as it is: pick the freed one.
        FREE_VAR_COUNT(n, ibound, a, ldh, held);
        m = n - held;
      }
      HESSIAN_FACTOR(m, a, ldh, xscale, w3);

      double fp = fc;
      bool stop_at_x = false;
      for (;;) {
        // The quasi-Newton direction over the free variables, 0 for the held ones.
        int k = 0;
        for (int i = 0; i < n; ++i) {
          if (ibound[i] == 0) w1[k++] = g[i];
        }
        QN_DIRECTION(m, a, ldh, w1, w2);
        k = 0;
        for (int i = 0; i < n; ++i) p[i] = ibound[i] == 0 ? w2[k++] : 0.0;
        VECTOR_XSCALE(n, xscale, 1, p, w3);
        double sclen = VECTOR_NORM2(n, w3, 1);

        BOUNDED_LINE_SEARCH(f, n, x, fc, g, xlb, xub, p, xscale, stepmx, settings.steptl, ibound,
                            iretcd, xp, fp, sc, mxtake, sclen, eta, nfcn);
        if (iretcd != 1 || !forward) break;

        // No lower point with forward differences: retry with central ones.
        DCDGRD(f, n, x, xscale, eta, g);
        ++ngrad;
        forward = false;
        if (!(relative_gradient(n, g, x, xscale, fc, fscale, ibound) <= settings.gradtl)) continue;
        stop_at_x = true;  // the gradient test is met at X
        break;
      }
      if (stop_at_x) {
        if (held > 0 && release(g)) {
          DCRGRG(n, h, ldh, a, ldh);
          continue;
        }
        fvalue = fc;
        break;
      }

      const int search_code = iretcd;
      if (forward) {
        DFDGRD(f, n, xp, xscale, fp, eta, gp);
        BOUND_MARK_ACTIVE(n, xp, xlb, xub, gp, ibound, eps(), active);
        if (relative_gradient(n, gp, xp, xscale, fp, fscale, ibound) <= 0.1) {
          DCDGRD(f, n, xp, xscale, eta, gp);
          forward = false;
          ++ngrad;
        }
      } else {
        DCDGRD(f, n, xp, xscale, eta, gp);
        BOUND_MARK_ACTIVE(n, xp, xlb, xub, gp, ibound, eps(), active);
      }
      ++ngrad;

      // Both gradients masked alike, by the variables held at the trial point
      // (before any release below): the secant pair then leaves them out.
      masked_gradient(n, gp, ibound, w1);
      masked_gradient(n, g, ibound, w2);
      dU6INF(n, xp, sc, fp, w1, xscale, fscale, iretcd, itn, nfcn, ngrad, 0, 0, mxtake);
      if (N1RTY(1) > 0 || (iretcd == -999 && !(any_held(n, ibound) && release(gp)))) {
        VECTOR_COPY(n, xp, 1, x, 1);
        fvalue = fp;
        break;
      }

      if (search_code != 1) {
        SECANT_UPDATE(n, sc, w2, w1, eta, 0, h, ldh, w3, p);
      }
      DCRGRG(n, h, ldh, a, ldh);
      VECTOR_COPY(n, xp, 1, x, 1);
      VECTOR_COPY(n, gp, 1, g, 1);
      fc = fp;
    }
  }
  iparam[2] = itn;
  iparam[3] = nfcn;
  iparam[4] = ngrad;
  frame.pop();
}

}  // namespace numlib
