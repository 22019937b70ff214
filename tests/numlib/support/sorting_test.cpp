#include "numlib/support/sorting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "blas_compare.h"
#include "library_fixture.h"

namespace numlib::testing {
namespace {

class SortingTest : public LibraryTest {};

// Test vectors: random with many ties (few distinct magnitudes, both signs),
// random without ties, and ordered patterns that trouble a naive quicksort.
std::vector<double> make_vector(RandomData& data, int n, int kind) {
  std::vector<double> v(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    switch (kind) {
      case 0: v[i] = 0.5 * data.integer(-12, 12); break;
      case 1: v[i] = data.value(Fill::Finite); break;
      case 2: v[i] = i; break;
      case 3: v[i] = n - i; break;
      case 4: v[i] = std::min(i, n - i); break;
      default: v[i] = 1.25; break;
    }
  }
  return v;
}

std::vector<double> keys_of(const std::vector<double>& v, bool magnitude) {
  std::vector<double> k(v.size());
  std::transform(v.begin(), v.end(), k.begin(),
                 [magnitude](double e) { return magnitude ? std::fabs(e) : e; });
  return k;
}

// The same multiset of bit patterns.
bool same_elements(std::vector<double> a, std::vector<double> b) {
  auto bits_less = [](double p, double q) {
    return std::bit_cast<std::uint64_t>(p) < std::bit_cast<std::uint64_t>(q);
  };
  std::sort(a.begin(), a.end(), bits_less);
  std::sort(b.begin(), b.end(), bits_less);
  return same_values(a, b);
}

void check_sorted(const std::vector<double>& ra, const std::vector<double>& rb,
                  const std::vector<int>* iperm, bool magnitude) {
  std::vector<double> want = keys_of(ra, magnitude);
  std::sort(want.begin(), want.end());
  ASSERT_TRUE(same_values(keys_of(rb, magnitude), want));
  ASSERT_TRUE(same_elements(ra, rb));
  if (iperm != nullptr) {
    for (std::size_t i = 0; i < rb.size(); ++i)
      ASSERT_TRUE(same_value(rb[i], ra[(*iperm)[i] - 1])) << "position " << i + 1;
  }
}

TEST_F(SortingTest, RandomAndPatternedVectorsAgainstStdSort) {
  RandomData data(31337);
  std::vector<int> lengths;
  for (int n = 1; n <= 300; ++n) lengths.push_back(n);
  lengths.push_back(100000);
  for (int n : lengths)
    for (int kind = 0; kind < 6; ++kind) {
      SCOPED_TRACE("n=" + std::to_string(n) + " kind=" + std::to_string(kind));
      const std::vector<double> ra = make_vector(data, n, kind);
      std::vector<double> rb(ra.size(), -99.0);
      DSVRBN(n, ra.data(), rb.data());
      check_sorted(ra, rb, nullptr, true);

      std::vector<int> iperm(ra.size());
      std::iota(iperm.begin(), iperm.end(), 1);
      std::fill(rb.begin(), rb.end(), -99.0);
      DSVRGP(n, ra.data(), rb.data(), iperm.data());
      check_sorted(ra, rb, &iperm, false);
    }
  EXPECT_EQ(take_output(), "");
}

TEST_F(SortingTest, InPlaceWhenRaIsRb) {
  RandomData data(8);
  for (int n : {1, 2, 13, 250}) {
    const std::vector<double> ra = make_vector(data, n, 0);
    std::vector<double> v = ra;
    DSVRBN(n, v.data(), v.data());
    check_sorted(ra, v, nullptr, true);

    v = ra;
    std::vector<int> iperm(ra.size());
    std::iota(iperm.begin(), iperm.end(), 1);
    DSVRGP(n, v.data(), v.data(), iperm.data());
    check_sorted(ra, v, &iperm, false);
  }
}

TEST_F(SortingTest, SmallCases) {
  const double ra[] = {3.0, -1.0, -4.0, 1.0, 5.0};
  double rb[5];
  DSVRBN(5, ra, rb);
  EXPECT_EQ(std::fabs(rb[0]), 1.0);
  EXPECT_EQ(rb[0] + rb[1], 0.0);  // -1 and 1 in either order
  EXPECT_EQ(rb[2], 3.0);
  EXPECT_EQ(rb[3], -4.0);
  EXPECT_EQ(rb[4], 5.0);

  const double rg[] = {3.0, -1.0, 2.0};
  double out[3];
  int iperm[] = {1, 2, 3};
  DSVRGP(3, rg, out, iperm);
  EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{-1.0, 2.0, 3.0}));
  EXPECT_EQ(std::vector<int>(iperm, iperm + 3), (std::vector<int>{2, 3, 1}));

  // One element: copied, permutation untouched.
  const double one[] = {-7.5};
  double one_out[] = {0.0};
  int one_perm[] = {42};
  DSVRGP(1, one, one_out, one_perm);
  EXPECT_EQ(one_out[0], -7.5);
  EXPECT_EQ(one_perm[0], 42);

  // Twelve equal elements: not one exchange.
  const std::vector<double> equal(12, 2.5);
  std::vector<double> equal_out(12);
  std::vector<int> perm(12);
  std::iota(perm.begin(), perm.end(), 1);
  const std::vector<int> identity = perm;
  DSVRGP(12, equal.data(), equal_out.data(), perm.data());
  EXPECT_EQ(perm, identity);
  EXPECT_EQ(N1RTY(1), 0);
}

TEST_F(SortingTest, LengthBelowOneIsTerminal) {
  ERSET(0, 0, 0);
  const double ra[] = {1.0};
  double rb[] = {9.0};
  int iperm[] = {1};
  DSVRBN(0, ra, rb);
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(N1RCD(1), 1);
  EXPECT_EQ(waiting_message(),
            ".  The length of vectors RA and RB must be greater than or equal to one.  On input "
            "the length, N, is given as 0.");
  DSVRGP(-3, ra, rb, iperm);
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(N1RCD(1), 1);
  EXPECT_EQ(waiting_message(),
            ".  The length of vectors RA, RB and IPERM must be greater than or equal to one.  On "
            "input the length, N, is given as -3.");
  EXPECT_EQ(rb[0], 9.0);
  EXPECT_EQ(iperm[0], 1);

  // With the default attributes the pop ends the run.
  ERSET(0, 2, 2);
  take_output();
  EXPECT_EQ(stop_status([&] { DSVRBN(0, ra, rb); }), 3);
  EXPECT_NE(take_output().find("TERMINAL ERROR 1 from DSVRBN."), std::string::npos);
}

// NaN compares false with everything; the sort must still end, stay inside
// the vector and return a permutation of RA, with IPERM moved alike.
TEST_F(SortingTest, NanLadenVectorsStillGiveAPermutation) {
  RandomData data(2718);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<std::vector<double>> vectors = {
      // Found by search: without its bound test the insertion shift would
      // run off the front of these.
      {8, 9, 2, 10, 16, nan, 18, nan, nan, 19, nan, nan, 19, 19, 4, nan, 2, 17, 4, 11},
      {2,  14, 1, 14, 5,  11, 13, 16, 14, 9,  8,  3, nan, nan, nan,
       10, 7,  3, 16, 10, 16, 2,  5,  12, 12, 12, 3, 9,   7,   12},
  };
  for (int n : {2, 3, 12, 13, 40, 299, 5000})
    for (int share : {1, 3, 10}) {  // one element in `share` is NaN
      std::vector<double> ra = make_vector(data, n, share == 3 ? 1 : 0);
      for (int i = 0; i < n; ++i)
        if (data.integer(0, share - 1) == 0) ra[i] = nan;
      vectors.push_back(ra);
    }
  for (const std::vector<double>& ra : vectors) {
    const int n = static_cast<int>(ra.size());
    SCOPED_TRACE("n=" + std::to_string(n));
    std::vector<double> rb(ra.size());
    DSVRBN(n, ra.data(), rb.data());
    ASSERT_TRUE(same_elements(ra, rb));

    std::vector<int> iperm(ra.size());
    std::iota(iperm.begin(), iperm.end(), 1);
    DSVRGP(n, ra.data(), rb.data(), iperm.data());
    ASSERT_TRUE(same_elements(ra, rb));
    std::vector<int> seen = iperm;
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < n; ++i) ASSERT_EQ(seen[i], i + 1);
    for (int i = 0; i < n; ++i) ASSERT_TRUE(same_value(rb[i], ra[iperm[i] - 1]));
  }
}

}  // namespace
}  // namespace numlib::testing
