#include "numlib/support/sorting.h"

#include <array>
#include <cassert>
#include <cmath>
#include <utility>

#include "numlib/support/library.h"
#include "numlib/support/vector_kernels.h"

namespace numlib {
namespace {

// Deferring the longer part bounds the depth by log2 N + 1: 32 pairs serve
// any N an int can hold.
constexpr int kStackPairs = 32;

// Segments of this many elements or fewer are left to insertion, except the
// leftmost, which has no smaller element to its left to stop the shifting.
constexpr int kShortSegment = 12;

struct Segment {
  int lo, hi;
};

// Sorts v(1..n) by key, moving perm(1..n) alike when Permute is set. Positions count from 1
// as in the algorithm's description. The scans and the shift carry bound tests
// that never fire for ordinary numbers; with NaN keys, where every comparison
// is false, they keep the sort inside the segment.
template <bool Permute, class Key>
void singleton_sort(int n, double* v, int* perm, Key key) {
  auto x = [v](int i) -> double& { return v[i - 1]; };
  auto exchange = [&](int i, int j) {
    std::swap(x(i), x(j));
    if constexpr (Permute) std::swap(perm[i - 1], perm[j - 1]);
  };

  std::array<Segment, kStackPairs> stack;
  int depth = 0;
  int i = 1, j = n;
  double r = 0.375;

  enum class Step { NewSegment, Partition, ShortTest, Pop };
  Step step = Step::NewSegment;
  for (;;) {
    switch (step) {
      case Step::NewSegment:
        if (i == j) {
          step = Step::Pop;
          break;
        }
        // The dividing element moves around so that ordered or patterned input
        // does not always split badly.
        r = r <= 0.5898437 ? r + 0.0390625 : r - 0.21875;
        step = Step::Partition;
        break;

      case Step::Partition: {
        // Median of three: x(i) <= t <= x(j) afterwards.
        const int ij = i + static_cast<int>((j - i) * r);
        double t = x(ij);
        if (key(x(i)) > key(t)) {
          exchange(i, ij);
          t = x(ij);
        }
        if (key(x(j)) < key(t)) {
          exchange(j, ij);
          t = x(ij);
          if (key(x(i)) > key(t)) {
            exchange(i, ij);
            t = x(ij);
          }
        }
        const double kt = key(t);
        int l = j, k = i;
        for (;;) {
          do --l;
          while (l > i && key(x(l)) > kt);
          do ++k;
          while (k < j && key(x(k)) < kt);
          if (k > l) break;
          if (key(x(k)) != key(x(l))) exchange(k, l);
        }
        // Defer the longer part, go on with the shorter.
        assert(depth < kStackPairs);
        if (l - i > j - k) {
          stack[depth++] = {i, l};
          i = k;
        } else {
          stack[depth++] = {k, j};
          j = l;
        }
        step = Step::ShortTest;
        break;
      }

      case Step::ShortTest:
        if (j - i >= kShortSegment - 1) {
          step = Step::Partition;
        } else if (i == 1) {
          step = Step::NewSegment;
        } else {
          // Straight insertion; x(i-1), left by an earlier partition, is no
          // greater than any element here.
          for (int m = i; m < j; ++m) {
            const double t = x(m + 1);
            if (key(x(m)) <= key(t)) continue;
            const int pt = Permute ? perm[m] : 0;
            int p = m;
            do {
              x(p + 1) = x(p);
              if constexpr (Permute) perm[p] = perm[p - 1];
              --p;
            } while (p >= i && key(t) < key(x(p)));
            x(p + 1) = t;
            if constexpr (Permute) perm[p] = pt;
          }
          step = Step::Pop;
        }
        break;

      case Step::Pop:
        if (depth == 0) return;
        --depth;
        i = stack[depth].lo;
        j = stack[depth].hi;
        step = Step::ShortTest;
        break;
    }
  }
}

// The frame both sorts share: copy, check, sort.
template <bool Permute, class Key>
void sort_routine(std::string_view name, std::string_view length_text, int n, const double* ra,
                  double* rb, int* iperm, Key key) {
  Frame frame(name);
  VECTOR_COPY(n, ra, 1, rb, 1);
  if (n < 1) {
    ERROR_STORE_INTEGER(1, n);
    E1MES(5, 1, length_text);
  } else {
    singleton_sort<Permute>(n, rb, iperm, key);
  }
  frame.pop();
}

}  // namespace

void DSVRBN(int n, const double* ra, double* rb) {
  sort_routine<false>(
      "DSVRBN",
      "The length of vectors RA and RB must be greater than or equal to one.  On input "
      "the length, N, is given as %(I1).",
      n, ra, rb, nullptr, [](double v) { return std::fabs(v); });
}

void DSVRGP(int n, const double* ra, double* rb, int* iperm) {
  sort_routine<true>(
      "DSVRGP",
      "The length of vectors RA, RB and IPERM must be greater than or equal to one.  On "
      "input the length, N, is given as %(I1).",
      n, ra, rb, iperm, [](double v) { return v; });
}

}  // namespace numlib
