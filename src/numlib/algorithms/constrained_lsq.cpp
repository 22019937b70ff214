#include "numlib/algorithms/constrained_lsq.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <new>
#include <string_view>
#include <utility>

#include "numlib/algorithms/rotations.h"
#include "numlib/algorithms/triangular.h"
#include "numlib/support/level2_kernels.h"
#include "numlib/support/library.h"
#include "numlib/support/matrix_print.h"
#include "numlib/support/option_managers.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

using Index = std::ptrdiff_t;

inline double& at(double* a, int lda, int i, int j) { return a[i + Index(j) * lda]; }
inline double at(const double* a, int lda, int i, int j) { return a[i + Index(j) * lda]; }

// The no-bound markers of the variables.
constexpr double kNoLower = 1.0e30;
constexpr double kNoUpper = -1.0e30;

// Bound types: lower only, upper only, both, none.
constexpr int kLower = 1, kUpper = 2, kBoth = 3, kFree = 4;

constexpr int kEndOfList = 99;

// Internal error numbers of the option readers, handed up in MODE.
constexpr int kBadScalingMode = 48, kBadUserOffset = 49, kBadScaleFactor = 50, kUndefinedKey = 51;

// Records an error after storing its message values %(I1), %(I2), ...
void record(int type, int code, std::string_view text, std::initializer_list<int> values = {}) {
  int k = 1;
  for (int v : values) ERROR_STORE_INTEGER(k++, v);
  E1MES(type, code, text);
}

// The same with a real value %(D1) as well.
void record(int type, int code, std::string_view text, std::initializer_list<int> values,
            double d1) {
  ERROR_STORE_DOUBLE(1, d1);
  record(type, code, text, values);
}

void undefined_option(int key) { record(5, 9, "Option number %(i1) is not defined.", {key}); }

// FATAL CODE about the reversed bounds LO > HI of entry I (from 0).
void inconsistent_bounds(int code, int i, double lo, double hi, std::string_view text) {
  ERROR_STORE_INTEGER(1, i + 1);
  ERROR_STORE_DOUBLE(2, lo);
  ERROR_STORE_DOUBLE(3, hi);
  E1MES(4, code, text);
}

// The options of the constraint level and of the bounded level (the same
// keys; the constraint level also knows 8 and 9). Positions count from 0
// within the level's list.
struct ScalingOptions {
  int mode = 0;         // key 3: 1..3; 0 when not given
  int user_offset = 0;  // key 4: position (from 1) in RW of the user's factors
  int inner = -1;       // key 5: where the next level's list starts
};

// Data entries after each key 1..9.
constexpr int kScalingDataCount[10] = {0, 1, 8, 1, 1, 1, 1, 1, 1, 1};

// Reads the list; errors are recorded at the caller's level and returned as
// internal numbers (0: none).
int read_scaling_options(const int* iopt, int last_key, const double* rw, int ncols,
                         ScalingOptions& out) {
  int pos = 0;
  while (iopt[pos] != kEndOfList) {
    const int key = iopt[pos];
    const int k = std::abs(key);
    if (k < 1 || k > last_key) return undefined_option(key), kUndefinedKey;
    const int next = pos + 1 + kScalingDataCount[k];
    if (key < 0) {
      pos = next;
      continue;
    }
    const int datum = iopt[pos + 1];
    switch (k) {
      case 3:
        if (datum < 1 || datum > 3) {
          record(5, 8, "ISCALE must be one of 1, 2, or 3 while ISCALE = %(i1) is given.", {datum});
          return kBadScalingMode;
        }
        out.mode = datum;
        break;
      case 4:
        if (datum < 1) {
          record(5, 20,
                 "The offset past X(NVAR) for user-provided column scaling must be positive, "
                 "while an offset of %(i1) is given.",
                 {datum});
          return kBadUserOffset;
        }
        for (int j = 0; j < ncols; ++j) {
          if (rw[datum - 1 + j] > 0.0) continue;
          record(5, 21,
                 "Each user-provided column scale factor must be positive, while factor %(i1) has "
                 "value %(D1)",
                 {j + 1}, rw[datum - 1 + j]);
          return kBadScaleFactor;
        }
        out.user_offset = datum;
        break;
      case 5:
        if (datum < 1) return undefined_option(key), kUndefinedKey;
        out.inner = datum - 1;
        break;
      case 7:
        // Only forward, so that a list cannot be read forever.
        if (datum - 1 <= pos) return undefined_option(key), kUndefinedKey;
        pos = datum - 1;
        continue;
      default:  // keys whose data this solver does not use
        break;
    }
    pos = next;
  }
  if (out.inner < 0) out.inner = pos + 1;
  return 0;
}

// ORIGIN(i) is the input row (from 1) that row i of W holds the most of: the
// column choice weights constraint rows and equation rows differently, and
// rotations move them.

// Rotates row I into row K of W so that W(I, J) becomes 0; columns J + 1 ..
// NCOLS and the right-hand side behind them go along, and so do the rows'
// origins, with the row that gives the larger part.
void rotate_rows(double* w, int mdw, int ncols, int k, int i, int j, double& origin_k,
                 double& origin_i) {
  if (at(w, mdw, i, j) == 0.0) return;
  if (std::abs(at(w, mdw, i, j)) > std::abs(at(w, mdw, k, j))) std::swap(origin_k, origin_i);
  double c = 0.0, s = 0.0;
  GIVENS_CONSTRUCT(at(w, mdw, k, j), at(w, mdw, i, j), c, s);
  at(w, mdw, i, j) = 0.0;
  GIVENS_APPLY(ncols - j, &at(w, mdw, k, j + 1), mdw, &at(w, mdw, i, j + 1), mdw, c, s);
}

// Triangularises rows 1..MROWS of W over its NCOLS columns and the right-hand
// side behind them by plane rotations: the first NCOLS + 1 rows among
// themselves, each pivot the largest element left in its column, then every
// later row merged into them. Returns the number of rows left,
// min(MROWS, NCOLS + 1); ORIGIN holds that many entries.
int triangularise(double* w, int mdw, int mrows, int ncols, double* origin) {
  const int top = std::min(mrows, ncols + 1);
  for (int j = 0; j + 1 < top; ++j) {
    const int p = j + VECTOR_INDEX_MAX_ABS(top - j, &at(w, mdw, j, j), 1) - 1;
    if (p != j) {
      VECTOR_SWAP(ncols + 1 - j, &at(w, mdw, j, j), mdw, &at(w, mdw, p, j), mdw);
      std::swap(origin[j], origin[p]);
    }
    for (int i = j + 1; i < top; ++i) rotate_rows(w, mdw, ncols, j, i, j, origin[j], origin[i]);
  }
  for (int i = top; i < mrows; ++i) {
    double merged = i + 1;
    for (int j = 0; j < top; ++j) rotate_rows(w, mdw, ncols, j, i, j, origin[j], merged);
  }
  return top;
}

// The active-set iteration of DL6LSQ. Columns of W stand in the internal order:
// positions 0..nfree-1 hold the free variables (upper triangular in the rows of
// the same numbers), the rest the held ones. Variables are scaled, y = x/scl;
// x holds the current y of each variable (by variable number). Held variables
// enter the right-hand side afresh at each use, so a far bound (1e30) never
// spoils it once the variable is free.
class ActiveSet {
 public:
  ActiveSet(double* w, int mdw, int mrows, int ncols, const double* bl, const double* bu,
            const int* ind, double* x, double* zr, double* origin, double* ww, const double* scl,
            int* ibasis, int* ibb)
      : w_(w),
        mdw_(mdw),
        mrows_(mrows),
        ncols_(ncols),
        bl_(bl),
        bu_(bu),
        ind_(ind),
        x_(x),
        zr_(zr),
        origin_(origin),
        ww_(ww),
        scl_(scl),
        ibasis_(ibasis),
        ibb_(ibb) {}

  // Row weighting of the column choice: the rows of input rows 1..mval (the
  // constraints) against the rest, which count |weight| times.
  void set_weighting(int mval, double weight) {
    mval_ = mval;
    weight_ = std::abs(weight);
  }
  void set_thresholds(double tau, double threshold) {
    tau_ = tau;
    threshold_ = threshold;
  }

  int nfree() const { return nfree_; }
  int variable(int j) const { return std::abs(ibasis_[j]) - 1; }

  // Every variable with a lower bound at it, one with only an upper bound at
  // that; free ones at 0.
  void start() {
    nfree_ = 0;
    for (int j = 0; j < ncols_; ++j) {
      const int v = variable(j);
      if (ind_[v] == kFree) {
        x_[v] = 0.0;
        ibasis_[j] = v + 1;
      } else {
        const bool at_lower = ind_[v] != kUpper;
        x_[v] = at_lower ? lower(v) : upper(v);
        set_polarity(v, at_lower);
        ibasis_[j] = -(v + 1);
      }
    }
  }

  // The free variables' columns that can come in, in order; false when the
  // iteration limit stopped them.
  template <class Count>
  bool bring_in_free_variables(Count count_iteration) {
    for (int j = nfree_; j < ncols_; ++j) {
      if (ibasis_[j] < 0) continue;
      double in = 0.0, below = 0.0;
      norms(j, nfree_ < mval_, in, below);
      if (!acceptable(in, below, in != 0.0)) continue;
      if (!count_iteration()) return false;
      bring_in(j);
    }
    settle(-1);
    return true;
  }

  // WW: the gradient of -|r|²/2 for the held variables, 0 for the free ones.
  void gradient() {
    right_side();
    for (int j = 0; j < ncols_; ++j)
      ww_[j] = j < nfree_ ? 0.0 : VECTOR_DOT(mrows_ - nfree_, &W(nfree_, j), 1, zr_ + nfree_, 1);
  }

  // The column to bring in, or -1 when none can lower the residual. While
  // fewer columns than constraints are free, the constraint rows below the
  // triangle decide; when they leave every column out (a variable that no
  // constraint names, a constraint held at its bound), the equation rows do,
  // with the gradient entries as they were (ZR is free scratch here).
  int choose() {
    if (nfree_ >= mval_) return choose_by(false);
    VECTOR_COPY(ncols_, ww_, 1, zr_, 1);
    const int j = choose_by(true);
    if (j >= 0) return j;
    VECTOR_COPY(ncols_, zr_, 1, ww_, 1);
    return choose_by(false);
  }

  // The column choice with BELOW over the constraint rows only (CONSTRAINTS)
  // or over all rows.
  int choose_by(bool constraints) {
    const double mark = DMACH(2);
    for (;;) {
      bool by_ratio = false;
      int kept = -1;
      double kept_value = -DMACH(2), kept_in = 0.0, kept_below = 0.0;
      for (int j = nfree_; j < ncols_; ++j) {
        if (ww_[j] == mark) continue;
        const int v = variable(j);
        if (ibasis_[j] < 0) {
          if (fixed(v)) continue;
          const double g = at_lower(v) ? ww_[j] : -ww_[j];
          if (g < 0.0) continue;
        }
        double in = 0.0, below = 0.0;
        norms(j, constraints, in, below);
        bool keep = false;
        if (!by_ratio && in == 0.0) {
          const double value = std::abs(scl_[v]) * below;
          keep = value > kept_value;
          if (keep) kept_value = value;
        } else if (!by_ratio) {
          by_ratio = keep = true;
        } else {
          keep = std::sqrt(below) * std::sqrt(kept_in) >= std::sqrt(kept_below) * std::sqrt(in);
        }
        if (keep) {
          kept = j;
          kept_in = in;
          kept_below = below;
        }
      }
      if (kept < 0) return -1;
      if (acceptable(kept_in, kept_below, by_ratio)) return kept;
      ww_[kept] = mark;
      if (kept_below != 0.0 && nfree_ >= mrows_) return -1;
    }
  }

  // Brings column J in and moves to the best feasible point; false (and the
  // column back at its bound with the rejection mark) when the solve would
  // take its variable out of its interval at once.
  bool enter(int j) {
    const bool from_bound = ibasis_[j] < 0;
    bring_in(j);
    if (settle(from_bound ? nfree_ - 1 : -1)) return true;
    ww_[nfree_] = DMACH(2);
    return false;
  }

  // Residual norm at the current point.
  double residual_norm() {
    right_side();
    return VECTOR_NORM2(mrows_ - nfree_, zr_ + nfree_, 1);
  }

  // X back in the caller's units: held variables exactly at their bounds.
  void unscale() {
    for (int j = 0; j < ncols_; ++j) {
      const int v = variable(j);
      if (j >= nfree_ && ibasis_[j] < 0)
        x_[v] = at_lower(v) ? bl_[v] : bu_[v];
      else
        x_[v] *= scl_[v];
    }
  }

 private:
  double& W(int i, int j) { return at(w_, mdw_, i, j); }
  double lower(int v) const { return bl_[v] / scl_[v]; }
  double upper(int v) const { return bu_[v] / scl_[v]; }
  bool has_lower(int v) const { return ind_[v] == kLower || ind_[v] == kBoth; }
  bool has_upper(int v) const { return ind_[v] == kUpper || ind_[v] == kBoth; }
  // Both bounds equal: the variable cannot move.
  bool fixed(int v) const { return ind_[v] == kBoth && bl_[v] == bu_[v]; }
  bool at_lower(int v) const { return ibb_[v] % 2 == 1; }
  void set_polarity(int v, bool lower_bound) {
    if (at_lower(v) != lower_bound) ++ibb_[v];
  }

  // A column chosen by the ratio rule comes in only when its part below the
  // triangle is large enough; none with nothing below.
  bool acceptable(double in, double below, bool by_ratio) const {
    if (below == 0.0) return false;
    return !by_ratio || (below > threshold_ && below > tau_ * in);
  }

  // The column's norms in the triangle's rows (IN) and below them (BELOW).
  // With CONSTRAINTS, BELOW counts only the constraint rows; otherwise the
  // equation rows count |weight| times.
  void norms(int j, bool constraints, double& in, double& below) {
    double in_con = 0.0, in_eq = 0.0, below_con = 0.0, below_eq = 0.0;
    for (int i = 0; i < mrows_; ++i) {
      const bool constraint = origin_[i] <= mval_;
      double& sum =
          i < nfree_ ? (constraint ? in_con : in_eq) : (constraint ? below_con : below_eq);
      sum = std::hypot(sum, W(i, j));
    }
    double c = 0.0, s = 0.0;
    if (constraints) {
      in = in_con;
      GIVENS_CONSTRUCT(in, in_eq, c, s);
      below = below_con;
    } else {
      in = in_con;
      GIVENS_CONSTRUCT(in, weight_ * in_eq, c, s);
      below = below_con;
      GIVENS_CONSTRUCT(below, weight_ * below_eq, c, s);
    }
    in = std::abs(in);
    below = std::abs(below);
  }

  void swap_columns(int j, int k) {
    if (j == k) return;
    VECTOR_SWAP(mrows_, &W(0, j), 1, &W(0, k), 1);
    std::swap(ibasis_[j], ibasis_[k]);
    std::swap(ww_[j], ww_[k]);
  }

  // Column J joins the free set: its part below the triangle is rotated into
  // the triangle's next row.
  void bring_in(int j) {
    swap_columns(j, nfree_);
    const int k = nfree_;
    for (int i = k + 1; i < mrows_; ++i)
      rotate_rows(w_, mdw_, ncols_, k, i, k, origin_[k], origin_[i]);
    ibasis_[k] = variable(k) + 1;
    ++nfree_;
  }

  // The free column at K leaves: it moves behind the other free columns, the
  // triangle is restored by rotations of neighbouring rows, and the variable
  // is held.
  void take_out(int k) {
    for (int j = k; j + 1 < nfree_; ++j) swap_columns(j, j + 1);
    for (int i = k; i + 1 < nfree_; ++i)
      rotate_rows(w_, mdw_, ncols_, i, i + 1, i, origin_[i], origin_[i + 1]);
    --nfree_;
    ibasis_[nfree_] = -(variable(nfree_) + 1);
  }

  // ZR = right-hand side minus the held variables' part, all rows.
  void right_side() {
    VECTOR_COPY(mrows_, &W(0, ncols_), 1, zr_, 1);
    for (int j = nfree_; j < ncols_; ++j)
      VECTOR_AXPY(mrows_, -x_[variable(j)], &W(0, j), 1, zr_, 1);
  }

  // Solves for the free variables and steps towards the solution until it is
  // feasible, holding each variable whose bound stops the step. FRESH: the
  // position of a column just brought in from a bound, which must move into
  // its interval (else it goes back: false).
  bool settle(int fresh) {
    for (;;) {
      right_side();
      DTRSV("U", "N", "N", nfree_, w_, mdw_, zr_, 1);
      if (fresh >= 0) {
        const int v = variable(fresh);
        const bool inward = at_lower(v) ? zr_[fresh] > x_[v] : zr_[fresh] < x_[v];
        if (!inward) {
          take_out(fresh);
          return false;
        }
        fresh = -1;
      }
      // The first bound that the step from X to Z meets, if any.
      double alpha = 1.0;
      int limit = -1;
      for (int k = 0; k < nfree_; ++k) {
        const int v = variable(k);
        const double y = x_[v], z = zr_[k];
        double a = 0.0;
        if (has_lower(v) && z < lower(v))
          a = (lower(v) - y) / (z - y);
        else if (has_upper(v) && z > upper(v))
          a = (upper(v) - y) / (z - y);
        else
          continue;
        if (limit < 0 || a < alpha) {
          alpha = std::min(a, 1.0);
          limit = k;
        }
      }
      if (limit < 0) {
        for (int k = 0; k < nfree_; ++k) x_[variable(k)] = zr_[k];
        return true;
      }
      for (int k = 0; k < nfree_; ++k) {
        double& y = x_[variable(k)];
        y += alpha * (zr_[k] - y);
      }
      // Only a variable whose solution lies beyond a bound can reach it.
      for (int k = nfree_ - 1; k >= 0; --k) {
        const int v = variable(k);
        const double y = x_[v], z = zr_[k];
        const bool below_lower = has_lower(v) && z < lower(v);
        const bool above_upper = has_upper(v) && z > upper(v);
        if (!(k == limit || (below_lower && y <= lower(v)) || (above_upper && y >= upper(v))))
          continue;
        x_[v] = below_lower ? lower(v) : upper(v);
        set_polarity(v, below_lower);
        take_out(k);
      }
    }
  }

  double* w_;
  int mdw_, mrows_, ncols_;
  const double *bl_, *bu_;
  const int* ind_;
  double *x_, *zr_, *origin_, *ww_;
  const double* scl_;
  int *ibasis_, *ibb_;
  int nfree_ = 0;
  int mval_ = 0;
  double weight_ = 1.0;
  double tau_ = 0.0, threshold_ = 0.0;
};

// MATH chapter 1 double option N.
double math_double_option(int n) {
  double value = 0.0;
  DUMAG("math", 1, 1, 1, &n, &value);
  return value;
}

// Records an error about entry I (from 0) of the argument NAME (%(L1),
// %(I1)), with the values %(D1) and %(D2).
void record_entry(int type, int code, std::string_view text, std::string_view name, int i,
                  double d1, double d2 = 0.0) {
  ERROR_STORE_STRING(1, name);
  ERROR_STORE_DOUBLE(2, d2);
  record(type, code, text, {i + 1}, d1);
}

// Whether the constraint of type IRTYPE reads its lower limit BL, its upper BU.
bool reads_lower(int irtype) { return irtype != 1; }
bool reads_upper(int irtype) { return irtype != 2; }

// A NaN or an infinity in the data would come back as a solution of NaNs or
// zeros with no error: TERMINAL 29 for the first such element of the M by N
// matrix NAME (a vector when N is 0).
void refuse_non_finite(std::string_view name, int m, int n, const double* v, int ld) {
  for (int j = 0; j < std::max(n, 1); ++j) {
    for (int i = 0; i < m; ++i) {
      const double value = at(v, ld, i, j);
      if (std::isfinite(value)) continue;
      if (n == 0) {
        record_entry(5, 29,
                     "%(L1)(%(I1)) = %(D1).  Every element of %(L1) must be a finite number.", name,
                     i, value);
      } else {
        ERROR_STORE_STRING(1, name);
        record(5, 29,
               "%(L1)(%(I1),%(I2)) = %(D1).  Every element of %(L1) must be a finite number.",
               {i + 1, j + 1}, value);
      }
      return;
    }
  }
}

// A limit that is read must be a number, and finite: an infinite one can hold
// its variable or slack at the infinity and return that as the solution.
// TERMINAL 30.
void refuse_bad_limit(std::string_view name, int i, double value, std::string_view text) {
  if (!std::isfinite(value)) record_entry(5, 30, text, name, i, value);
}
constexpr std::string_view kBadConstraintLimit =
    "%(L1)(%(I1)) = %(D1).  A limit of a constraint must be a finite number; a one-sided "
    "constraint (IRTYPE 1 or 2) leaves the other limit unused.";
constexpr std::string_view kBadVariableBound =
    "%(L1)(%(I1)) = %(D1).  A bound of a variable must be a finite number; XLB = 1.0e30 means no "
    "lower bound and XUB = -1.0e30 no upper bound.";

// The constraints hold only as heavily weighted equations, and the weight comes
// from the largest constraint row: a row much smaller in scale, or constraints
// that cannot all hold, may be broken by a solution found without error.
// WARNING 28 for the first constraint, then bound, that the solution X misses
// by more than 1e-5 of its own scale.
void warn_unmet_constraint(int nca, int ncon, const double* c, int ldc, const double* bl,
                           const double* bu, const int* irtype, const double* xlb,
                           const double* xub, const double* x) {
  constexpr double kTolerance = 1.0e-5;
  // LIMIT is missed by VALUE when it lies beyond it (SENSE +1 below, -1 above).
  const auto missed = [](double value, double limit, double sense, double scale) {
    return sense * (limit - value) > kTolerance * (scale + std::abs(limit));
  };
  const auto warn = [](std::string_view text, int i, double value, std::string_view name,
                       double limit) { record_entry(3, 28, text, name, i, value, limit); };
  constexpr std::string_view kConstraint =
      "Constraint %(I1) is not met by the solution:  its value is %(D1) while %(L1)(%(I1)) = "
      "%(D2).  The constraints are inconsistent or badly scaled.";
  constexpr std::string_view kBound =
      "The bound of X(%(I1)) is not met by the solution:  X(%(I1)) = %(D1) while %(L1)(%(I1)) = "
      "%(D2).  The constraints are inconsistent or badly scaled.";
  for (int i = 0; i < ncon; ++i) {
    double value = 0.0, scale = 0.0;
    for (int j = 0; j < nca; ++j) {
      value += at(c, ldc, i, j) * x[j];
      scale += std::abs(at(c, ldc, i, j) * x[j]);
    }
    if (reads_lower(irtype[i]) && missed(value, bl[i], 1.0, scale))
      return warn(kConstraint, i, value, "BL", bl[i]);
    if (reads_upper(irtype[i]) && missed(value, bu[i], -1.0, scale))
      return warn(kConstraint, i, value, "BU", bu[i]);
  }
  for (int j = 0; j < nca; ++j) {
    if (xlb[j] != kNoLower && missed(x[j], xlb[j], 1.0, std::abs(x[j])))
      return warn(kBound, j, x[j], "XLB", xlb[j]);
    if (xub[j] != kNoUpper && missed(x[j], xub[j], -1.0, std::abs(x[j])))
      return warn(kBound, j, x[j], "XUB", xub[j]);
  }
}

}  // namespace

void DLCLSQ(int nra, int nca, int ncon, const double* a, int lda, const double* b, const double* c,
            int ldc, const double* bl, const double* bu, const int* irtype, const double* xlb,
            const double* xub, double* x, double* res) {
  Frame frame("DLCLSQ");
  if (N1RCD(0) != 0) return frame.pop();
  // Sizes from the dimensions as given; bad ones are DL2LSQ's to report.
  const std::int64_t m = std::max(nra, 0), n = std::max(nca, 0), k = std::max(ncon, 0);
  const std::int64_t rsize = 10 * n + (n + k + 1) * (std::max(m, n) + k) + 9 * k + 3;
  const std::int64_t isize = std::max<std::int64_t>(3 * (n + k), 1);
  std::unique_ptr<double[]> rw;
  std::unique_ptr<int[]> iw;
  if (rsize <= static_cast<std::int64_t>(PTRDIFF_MAX / sizeof(double))) {
    rw.reset(new (std::nothrow) double[static_cast<std::size_t>(rsize)]);
    iw.reset(new (std::nothrow) int[static_cast<std::size_t>(isize)]);
  }
  if (!rw || !iw) {
    E1MES(5, -1, " ");
    record(5, 5,
           "The required storage cannot be allocated.  The workspace allocation is based on NRA, "
           "NCA, and NCON where NRA = %(I1), NCA = %(I2), and NCON = %(I3) are given.",
           {nra, nca, ncon});
    print_message_and_end_run();
  }
  DL2LSQ(nra, nca, ncon, a, lda, b, c, ldc, bl, bu, irtype, xlb, xub, x, res, rw.get(), iw.get());
  frame.pop();
}

void DL2LSQ(int nra, int nca, int ncon, const double* a, int lda, const double* b, const double* c,
            int ldc, const double* bl, const double* bu, const int* irtype, const double* xlb,
            const double* xub, double* x, double* res, double* rw, int* iw) {
  Frame frame("DL2LSQ");
  if (nra < 1)
    record(5, 6,
           "The number of least squares equations must be positive while NRA = %(I1) is given.",
           {nra});
  if (nca < 1)
    record(5, 16, "The number of variables must be positive while NCA = %(I1) is given.", {nca});
  if (ncon < 0)
    record(5, 22, "The number of constraints must be nonnegative while MCON = %(I1) is given.",
           {ncon});
  if (lda < nra)
    record(5, 25,
           "The leading dimension of A must be at least NRA = %(i1) while LDA = %(i2) is given.",
           {nra, lda});
  if (ldc < ncon)
    record(5, 26,
           "The leading dimension of C must be at least MCON = %(i1) while LDC = %(i2) is given.",
           {ncon, ldc});
  // Limits of two-sided constraints (type 0 as well as 3) must be in order.
  for (int i = 0; i < ncon; ++i) {
    if ((irtype[i] == 0 || irtype[i] == 3) && bu[i] < bl[i]) {
      inconsistent_bounds(3, i, bl[i], bu[i],
                          "The bounds given for constraint %(I1) are inconsistent:  BL(%(I1)) =  "
                          "%(D2) must not be greater than BU(%(I1)) = %(D3).");
    }
  }
  for (int i = 0; i < ncon; ++i) {
    if (irtype[i] < 0 || irtype[i] > 3)
      record(5, 7, "IRTYPE must be one of 0, 1, 2, or 3 while IRTYPE(%(I1)) = %(I2) is given.",
             {i + 1, irtype[i]});
  }
  // The values, once the dimensions say where they are.
  if (N1RCD(0) == 0) {
    refuse_non_finite("A", nra, nca, a, lda);
    refuse_non_finite("B", nra, 0, b, nra);
    refuse_non_finite("C", ncon, nca, c, ldc);
    for (int i = 0; i < ncon; ++i) {
      if (reads_lower(irtype[i])) refuse_bad_limit("BL", i, bl[i], kBadConstraintLimit);
      if (reads_upper(irtype[i])) refuse_bad_limit("BU", i, bu[i], kBadConstraintLimit);
    }
    for (int j = 0; j < nca; ++j) {
      refuse_bad_limit("XLB", j, xlb[j], kBadVariableBound);
      refuse_bad_limit("XUB", j, xub[j], kBadVariableBound);
    }
  }
  if (N1RCD(0) == 0) {
    const int ldw = std::max(nra, nca) + ncon;
    const int nv = nca + ncon;
    const int options[2] = {13, 14};
    int optval[3] = {0, 0, 1};
    IUMAG("math", 1, 1, 2, options, optval);
    optval[2] = 1;
    double* w = rw;
    double* work = w + Index(nv + 1) * ldw;
    double* bl2 = work + 6 * Index(nca) + 5 * Index(ncon);
    double* bu2 = bl2 + nv;
    double* xsol = bu2 + nv;
    DL3LSQ(nra, nca, ncon, a, lda, b, c, ldc, bl, bu, irtype, xlb, xub, xsol, res, w, ldw, work,
           iw + nv, iw, bl2, bu2, optval);
    // A point was reached unless something FATAL or worse stopped the solve
    // before it; the iteration limit (FATAL 4) leaves the last point.
    const int type = N1RTY(0);
    if (type < 4 || (type == 4 && N1RCD(0) == 4)) VECTOR_COPY(nca, xsol, 1, x, 1);
    if (type == 0) warn_unmet_constraint(nca, ncon, c, ldc, bl, bu, irtype, xlb, xub, x);
  }
  frame.pop();
}

void DL3LSQ(int nra, int nca, int ncon, const double* a, int lda, const double* b, const double* c,
            int ldc, const double* bl, const double* bu, const int* irtype, const double* xlb,
            const double* xub, double* xsol, double* res, double* w, int ldw, double* rw, int* iw,
            int* ind, double* bl2, double* bu2, const int* optval) {
  Frame frame("DL3LSQ");
  int itmax = 5 * std::max(nra, nca);
  if (optval[1] != 0) {
    if (optval[1] < 1) {
      record(5, 17, "The maximum number of iterations must be positive while %(i1) is given.",
             {optval[1]});
      return frame.pop();
    }
    itmax = optval[1];
  }
  // Three levels' lists: the constraint level's inner list starts at entry 6,
  // the bounded level's at entry 11 (rank tolerance, iteration limit,
  // printing).
  const int iopt[16] = {
      5, 6, 99, -100, -100, 5, 6, 99, -100, -100, 2, 1, 4, itmax, optval[0] != 0 ? 7 : 99, 99};

  for (int j = 0; j < nca; ++j) {
    VECTOR_COPY(ncon, c + Index(j) * ldc, 1, &at(w, ldw, 0, j), 1);
    VECTOR_COPY(nra, a + Index(j) * lda, 1, &at(w, ldw, ncon, j), 1);
  }
  VECTOR_COPY(nra, b, 1, &at(w, ldw, ncon, nca), 1);
  VECTOR_COPY(nca, xlb, 1, bl2, 1);
  VECTOR_COPY(ncon, bl, 1, bl2 + nca, 1);
  VECTOR_COPY(nca, xub, 1, bu2, 1);
  VECTOR_COPY(ncon, bu, 1, bu2 + nca, 1);

  bool inconsistent = false;
  for (int j = 0; j < nca; ++j) {
    if (xlb[j] == kNoLower) {
      ind[j] = xub[j] == kNoUpper ? kFree : kUpper;
      continue;
    }
    ind[j] = xub[j] == kNoUpper ? kLower : kBoth;
    if (ind[j] == kBoth && xub[j] < xlb[j]) {
      inconsistent_bounds(2, j, xlb[j], xub[j],
                          "The bounds given for X(%(i1)) are inconsistent:  XLB(%(i1)) =  %(D2) "
                          "must not exceed XUB(%(i1)) = %(D3).");
      inconsistent = true;
    }
  }
  for (int i = 0; i < ncon; ++i)
    ind[nca + i] = irtype[i] == 1 ? kUpper : irtype[i] == 2 ? kLower : kBoth;
  if (inconsistent) return frame.pop();

  double rnormc = 0.0, rnorm = 0.0;
  int mode = 0;
  DL4LSQ(w, ldw, ncon, nra, nca, bl2, bu2, ind, iopt, xsol, rnormc, rnorm, mode, rw, iw);
  if (mode >= 0) {
    DMURRV(nra, nca, a, lda, nca, xsol, 1, nra, res);
    VECTOR_AXPY(nra, -1.0, b, 1, res, 1);
  }
  frame.pop();
}

void DL4LSQ(double* w, int ldw, int mcon, int mrows, int ncols, const double* bl, const double* bu,
            const int* ind, const int* iopt, double* x, double& rnormc, double& rnorm, int& mode,
            double* rw, int* iw) {
  Frame frame("DL4LSQ");
  ConstrainedLsqState& state = library_state().constrained_lsq;
  ScalingOptions options;
  // This level's column factors only serve to weight the equations, so user
  // factors (key 4) are checked here and the scaling is the next level's.
  if (const int error = read_scaling_options(iopt, 9, rw, ncols, options); error != 0) {
    mode = -error;
    return frame.pop();
  }
  state.constraint_count = mcon;
  state.factor_position = ncols + mcon + 1;
  state.weight_position = ncols + mcon + 2;
  state.scaling_mode = options.mode != 0 ? options.mode : 1;

  const int rhs = ncols + mcon;
  const int rows = mcon + mrows;
  if (mcon > 0) {
    // Constraint row i reads C(i,·)·x - s(i) = 0.
    VECTOR_COPY(mrows, &at(w, ldw, mcon, ncols), 1, &at(w, ldw, mcon, rhs), 1);
    VECTOR_SET(mcon, 0.0, &at(w, ldw, 0, rhs), 1);
    for (int i = 0; i < mcon; ++i) {
      VECTOR_SET(rows, 0.0, &at(w, ldw, 0, ncols + i), 1);
      at(w, ldw, i, ncols + i) = -1.0;
    }
  }
  // The equations are weighted so that the constraints count about
  // 1/sqrt(eps) times more, measured by the columns' largest sums.
  double pmax = 0.0, qmax = 0.0;
  for (int j = 0; j < ncols; ++j) {
    pmax = std::max(pmax, VECTOR_ABS_SUM(mcon, &at(w, ldw, 0, j), 1));
    qmax = std::max(qmax, VECTOR_ABS_SUM(mrows, &at(w, ldw, mcon, j), 1));
  }
  double weight = std::sqrt(DMACH(4));
  if (qmax > 0.0) weight /= qmax;
  if (pmax > 0.0) weight *= pmax;
  for (int j = 0; j <= rhs; ++j) VECTOR_SCALE(mrows, weight, &at(w, ldw, mcon, j), 1);

  x[state.factor_position - 1] = 0.0;
  x[state.weight_position - 1] = 1.0 / weight;
  state.weighting = 1;
  dL5LSQ(w, ldw, rows, ncols + mcon, bl, bu, ind, iopt + options.inner, x, rnorm, mode, rw, iw);
  state.weighting = 0;
  if (mode >= 0) mode = 0;
  rnormc = 0.0;  // the constraints' own residual is not formed
  frame.pop();
}

void dL5LSQ(double* w, int mdw, int mrows, int ncols, const double* bl, const double* bu,
            const int* ind, const int* iopt, double* x, double& rnorm, int& mode, double* rw,
            int* iw) {
  Frame frame("dL5LSQ");
  ScalingOptions options;
  if (const int error = read_scaling_options(iopt, 7, rw, ncols, options); error != 0) {
    mode = -error;
    return frame.pop();
  }
  if (mrows < 0 || mrows > mdw) {
    record(5, 10,
           "The number of rows for equation accumulation must be between 0 and LDW = %(i1) while "
           "MNEW = %(i2) is given.",
           {mdw, mrows});
    mode = -10;
    return frame.pop();
  }
  const int scaling = options.user_offset != 0 ? 4
                      : options.mode != 0      ? options.mode
                                               : library_state().constrained_lsq.scaling_mode;
  double* scl = rw;
  double* ww = scl + ncols;
  double* zr = ww + ncols;
  double* origin = zr + ncols + 1;
  for (int j = 0; j < ncols; ++j) {
    const double* col = &at(w, mdw, 0, j);
    double size = 0.0;
    if (scaling == 1) {
      const int i = VECTOR_INDEX_MAX_ABS(mrows, col, 1);
      size = i > 0 ? std::abs(col[i - 1]) : 0.0;
    } else if (scaling == 2) {
      size = VECTOR_NORM2(mrows, col, 1);
    }
    scl[j] = scaling == 4 ? rw[options.user_offset - 1 + j] : size > 0.0 ? 1.0 / size : 1.0;
  }
  int* ibasis = iw;
  int* ibb = iw + ncols;
  for (int j = 0; j < ncols; ++j) {
    ibasis[j] = j + 1;
    ibb[j] = 1;
  }
  for (int i = 0; i < std::min(mrows, ncols + 1); ++i) origin[i] = i + 1;
  const int rows = triangularise(w, mdw, mrows, ncols, origin);
  DL6LSQ(w, mdw, rows, ncols, bl, bu, ind, iopt + options.inner, x, rnorm, mode, zr, ww, scl,
         ibasis, ibb);
  frame.pop();
}

void DL6LSQ(double* w, int mdw, int minput, int ncols, const double* bl, const double* bu,
            const int* ind, const int* iopt, double* x, double& rnorm, int& mode, double* rw,
            double* ww, const double* scl, int* ibasis, int* ibb) {
  Frame frame("DL6LSQ");
  int unit = 0;
  UMACH(2, unit);
  int mrows = minput;
  double tau = std::min(std::sqrt(DMACH(4)), 1.0e-5);
  const double threshold = math_double_option(5);
  int itmax = 10 * ncols;
  const ConstrainedLsqState& state = library_state().constrained_lsq;
  int mval = 0;
  double weight = 1.0;
  if (state.weighting != 0) {
    weight = x[state.weight_position - 1];
    mval = state.constraint_count;
  }
  bool print = false;
  double fac = -1.0;  // pretriangularise when NCOLS < FAC·MROWS
  auto fail = [&](int code, std::string_view text, int i1, double d1 = 0.0) {
    record(5, code, text, {i1}, d1);
    mode = -code;
    frame.pop();
  };
  // Data entries after each key 1..7.
  constexpr int kDataCount[8] = {0, 1, 1, 1, 1, 1, 2, 0};
  for (int pos = 0; iopt[pos] != kEndOfList;) {
    const int key = iopt[pos];
    const int k = std::abs(key);
    if (k < 1 || k > 7) return fail(9, "Option number %(i1) is not defined.", key);
    const int next = pos + 1 + kDataCount[k];
    const int datum = k == 7 ? 0 : iopt[pos + 1];
    if (key > 0) {
      switch (k) {
        case 1:
          if (datum - 1 <= pos) return fail(9, "Option number %(i1) is not defined.", key);
          pos = datum - 1;
          continue;
        case 2:
          if (datum < 1)
            return fail(15,
                        "The offset beyond position NVAR must be positive for the rank "
                        "determination tolerance option while IOFF = %(i1) is given.",
                        datum);
          tau = math_double_option(2);
          break;
        case 3:
          if (datum < 1)
            return fail(26,
                        "The offset beyond position NVAR must be positive for the blowup factor "
                        "option while IOFF = %(i1) is given.",
                        datum);
          if (!(x[ncols + datum - 1] > 0.0))
            return fail(27,
                        "The reciprocal of the blow-up factor for rejecting variables must be "
                        "positive, while TOLSZE = %(D1) is given.",
                        0, x[ncols + datum - 1]);
          break;
        case 4:
          itmax = datum;
          break;
        case 5:
          if (datum < 1)
            return fail(23,
                        "The offset beyond position NVAR must be positive for the "
                        "pretriangularizing option, while IOFF = %(i1) is given.",
                        datum);
          fac = x[ncols + datum - 1];
          if (!(fac >= 0.0))
            return fail(24,
                        "The factor where pretriangularizing is performed must be nonnegative, "
                        "while FAC = %(D1) is  given.",
                        0, fac);
          break;
        case 6: {
          const int separator = iopt[pos + 2];
          if (datum < 1 || separator < 0 || separator > mrows || !(x[ncols + datum - 1] > 0.0))
            return fail(18,
                        "The row separator to apply the weighting must lie between 0 and MROWS, "
                        "while MVAL = %(i1) is given.",
                        separator);
          mval = separator;
          weight = x[ncols + datum - 1];
          break;
        }
        case 7:
          print = true;
          break;
      }
    }
    pos = next;
  }

  for (int j = 0; j < ncols; ++j) {
    if (ibasis[j] < 1 || ibasis[j] > ncols) {
      record(4, 13,
             "The input order of columns must be between 1 and NVAR while input order = %(i1) and "
             "NVAR = %(i2) are given.",
             {ibasis[j], ncols});
      mode = -13;
      return frame.pop();
    }
    if (ibb[j] <= 0) {
      record(
          4, 14,
          "The bound polarity flags must be positive while component %(i1) had flag IBB(%(i1)) = "
          "%(i2)",
          {j + 1, ibb[j]});
      mode = -14;
      return frame.pop();
    }
  }

  // More rows than NCOLS + 1 are always reduced: the work holds no more.
  double* origin = rw + ncols + 1;
  if ((fac >= 0.0 && ncols < fac * mrows) || mrows > ncols + 1)
    mrows = triangularise(w, mdw, mrows, ncols, origin);
  if (print) {
    DWRRRN("Pretriangularized Input Matrix", mrows, ncols + 1, w, mdw, 0);
    DWRRRN("Lower Bounds", 1, ncols, bl, 1, 0);
    DWRRRN("Upper Bounds", 1, ncols, bu, 1, 0);
  }

  // The columns take the scaling: W·diag(scl), variables x/scl.
  for (int j = 0; j < ncols; ++j) VECTOR_SCALE(mrows, scl[ibasis[j] - 1], &at(w, mdw, 0, j), 1);
  ActiveSet set(w, mdw, mrows, ncols, bl, bu, ind, x, rw, origin, ww, scl, ibasis, ibb);
  set.set_weighting(mval, weight);
  set.set_thresholds(tau, threshold);
  set.start();

  int iterations = 0;
  bool limit_reached = false;
  auto count_iteration = [&] {
    if (++iterations <= itmax) return true;
    E1MES(4, 4, "Maximum number of iterations exceeded.");
    limit_reached = true;
    return false;
  };
  if (set.bring_in_free_variables(count_iteration)) {
    for (bool moved = true; moved;) {
      set.gradient();
      if (print) {
        DWRRRN("Gradient Values", 1, ncols, ww, 1, 0);
        WRIRN("Internal Variable Order", 1, ncols, ibasis, 1, 0);
        WRIRN("Bound Polarity", 1, ncols, ibb, 1, 0);
      }
      moved = false;
      for (int j = set.choose(); j >= 0; j = set.choose()) {
        if (!count_iteration()) break;
        if (print) library_write_line(unit, "Try to bring in this column.");
        if (set.enter(j)) {
          moved = true;
          break;
        }
      }
      if (limit_reached) break;
    }
  }
  rnorm = set.residual_norm();
  set.unscale();
  mode = iterations;
  if (print) {
    DWRRRN("Solution Values", 1, ncols, x, 1, 0);
    WRIRN("Columns Used", 1, set.nfree(), ibasis, 1, 0);
  }
  frame.pop();
}

}  // namespace numlib
