#include <gtest/gtest.h>
#include <sys/resource.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "library_fixture.h"

namespace numlib::testing {
namespace {

class MachineTest : public LibraryTest {};

TEST_F(MachineTest, DoubleConstantsAgreeWithTheStandardLibrary) {
  using L = std::numeric_limits<double>;
  EXPECT_EQ(DMACH(1), L::min());
  EXPECT_EQ(DMACH(2), L::max());
  EXPECT_EQ(DMACH(3), L::epsilon() / 2);
  EXPECT_EQ(DMACH(4), L::epsilon());
  EXPECT_EQ(DMACH(4), std::ldexp(1.0, -52));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(DMACH(5)), 0x3FD34413509F79FFull);
  EXPECT_NEAR(DMACH(5), std::log10(2.0), 1e-16);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(DMACH(6)), 0x7FF8000000000000ull);
  EXPECT_EQ(DMACH(7), L::infinity());
  EXPECT_EQ(DMACH(8), -L::infinity());
}

TEST_F(MachineTest, SingleConstantsAgreeWithTheStandardLibrary) {
  using L = std::numeric_limits<float>;
  EXPECT_EQ(AMACH(1), L::min());
  EXPECT_EQ(AMACH(2), L::max());
  EXPECT_EQ(AMACH(3), L::epsilon() / 2);
  EXPECT_EQ(AMACH(4), L::epsilon());
  EXPECT_EQ(std::bit_cast<std::uint32_t>(AMACH(5)), 0x3E9A209Bu);
  EXPECT_EQ(AMACH(5), static_cast<float>(std::log10(2.0)));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(AMACH(6)), 0x7FC00000u);
  EXPECT_EQ(AMACH(7), L::infinity());
  EXPECT_EQ(AMACH(8), -L::infinity());
}

TEST_F(MachineTest, IntegerConstantsAgreeWithTheStandardLibrary) {
  const int expected[] = {
      std::numeric_limits<int>::digits + 1,      sizeof(int),
      std::numeric_limits<int>::radix,           std::numeric_limits<int>::digits,
      std::numeric_limits<int>::max(),           std::numeric_limits<double>::radix,
      std::numeric_limits<float>::digits,        std::numeric_limits<float>::min_exponent,
      std::numeric_limits<float>::max_exponent,  std::numeric_limits<double>::digits,
      std::numeric_limits<double>::min_exponent, std::numeric_limits<double>::max_exponent,
  };
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(IMACH(i), expected[i - 1]) << i;
}

TEST_F(MachineTest, BadConstantIndexGoesThroughTheErrorStack) {
  ERSET(0, 0, 0);
  const double d = DMACH(0);
  EXPECT_TRUE(std::isnan(d));
  EXPECT_EQ(N1RTY(0), 5);  // moved up to the caller's level
  EXPECT_EQ(N1RCD(0), 5);
  EXPECT_TRUE(std::isnan(AMACH(9)));
  EXPECT_EQ(take_output(), "");

  reset_library_state();
  EXPECT_EQ(stop_status([] { DMACH(9); }), 3);
  EXPECT_EQ(take_output(),
            "\n"
            " *** TERMINAL ERROR 5 from DMACH.  The argument must be between 1 and 8\n"
            " ***          inclusive. N = 9\n");
}

TEST_F(MachineTest, BadImachIndexPrintsDirectlyAndEndsTheRun) {
  ERSET(0, 0, 0);
  const struct {
    int index;
    const char* value_line;
  } cases[] = {{13, " ***          N =     13."}, {0, " ***          N =      0."},
               {-2147483647 - 1, " ***          N = ******."}};
  for (const auto& c : cases) {
    EXPECT_EQ(stop_status([&] { IMACH(c.index); }), 3);
    EXPECT_EQ(take_output(), std::string("\n"
                                         " *** TERMINAL ERROR 5 from IMACH.  The argument\n"
                                         " ***          must be between 1 and 12 inclusive.\n") +
                                 c.value_line + "\n\n");
  }
}

TEST_F(MachineTest, BadUmachIndexPrintsDirectlyAndEndsTheRun) {
  ERSET(0, 0, 0);
  const struct {
    int index;
    const char* value_line;
  } cases[] = {{0, " ***          1, 2, or 3.  IABS(N) =      0."},
               {4, " ***          1, 2, or 3.  IABS(N) =      4."},
               {-4, " ***          1, 2, or 3.  IABS(N) =      4."},
               {-2147483647 - 1, " ***          1, 2, or 3.  IABS(N) = ******."}};
  for (const auto& c : cases) {
    int unit = 0;
    EXPECT_EQ(stop_status([&] { UMACH(c.index, unit); }), 3);
    EXPECT_EQ(take_output(), std::string("\n"
                                         " *** TERMINAL ERROR 5 from UMACH.  The absolute\n"
                                         " ***          value of the index variable must be\n") +
                                 c.value_line + "\n\n");
  }
}

TEST_F(MachineTest, UmachGetsAndSetsChannels) {
  int units[4] = {};
  for (int n = 1; n <= 3; ++n) UMACH(n, units[n]);
  EXPECT_EQ(units[1], 5);
  EXPECT_EQ(units[2], 6);
  EXPECT_EQ(units[3], 6);
  int unit = 9;
  UMACH(-2, unit);
  unit = 11;
  UMACH(-1, unit);
  UMACH(2, units[2]);
  UMACH(1, units[1]);
  UMACH(3, units[3]);
  EXPECT_EQ(units[1], 11);
  EXPECT_EQ(units[2], 9);
  EXPECT_EQ(units[3], 6);
}

TEST_F(MachineTest, NanTestOnBitPatterns) {
  const struct {
    std::uint64_t bits;
    bool nan;
  } cases[] = {
      {0x7FF8000000000000ull, true},   // quiet
      {0x7FF0000000000001ull, true},   // signalling
      {0x7FF7FFFFFFFFFFFFull, true},   // largest signalling
      {0xFFF8000000000000ull, true},   // negative quiet
      {0xFFF0000000000001ull, true},   // negative signalling
      {0x7FFFFFFFFFFFFFFFull, true},   // all fraction bits
      {0x7FF0000000000000ull, false},  // +infinity
      {0xFFF0000000000000ull, false},  // -infinity
      {0x7FEFFFFFFFFFFFFFull, false},  // largest finite
      {0x8000000000000000ull, false},  // -0
      {0x0000000000000000ull, false},
      {0x0000000000000001ull, false},  // smallest subnormal
      {0x3FF0000000000000ull, false},
  };
  for (const auto& c : cases) {
    const double x = std::bit_cast<double>(c.bits);
    EXPECT_EQ(NAN_TEST(x), c.nan) << std::hex << c.bits;
    EXPECT_EQ(NAN_TEST(x), std::isnan(x)) << std::hex << c.bits;
  }
  static_assert(NAN_TEST(DOUBLE_MACHINE_CONSTANTS[5]) && !NAN_TEST(DOUBLE_MACHINE_CONSTANTS[6]));
}

double rusage_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TEST_F(MachineTest, CpuTimerStartsAtZeroAndFollowsTheProcessTime) {
  const double before = rusage_seconds();
  EXPECT_EQ(ELAPSED_CPU_SECONDS(), 0.0f);
  float last = 0.0f;
  volatile double sink = 0.0;
  // Busy until the timer has seen a good share of a second (or a generous bound
  // of rounds on a slow machine); the check is consistency, not speed.
  for (int round = 0; round < 2000 && last < 0.3f; ++round) {
    for (int i = 0; i < 200000; ++i) sink = sink + std::sqrt(static_cast<double>(i));
    const float now = ELAPSED_CPU_SECONDS();
    EXPECT_GE(now, last);
    last = now;
  }
  const double used = rusage_seconds() - before;
  EXPECT_GT(last, 0.0f);
  // Both clocks count user and system time; allow for getrusage's resolution and
  // single-precision rounding.
  EXPECT_NEAR(static_cast<double>(last), used, 0.02);
  EXPECT_LE(static_cast<double>(last), used + 0.01);
}

}  // namespace
}  // namespace numlib::testing
