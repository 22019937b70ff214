#include "numlib/support/option_managers.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace numlib::testing {
namespace {

constexpr int kLargest = 2147483647;

class OptionManagerTest : public LibraryTest {
 protected:
  // Gets the current (positive numbers) or default (negative) values.
  static std::vector<int> get_int(std::string_view product, int chapter, std::vector<int> options,
                                  std::size_t count) {
    std::vector<int> values(count, -12345);
    IUMAG(product, chapter, 1, static_cast<int>(options.size()), options.data(), values.data());
    return values;
  }
  static std::vector<double> get_double(std::string_view product, int chapter, int option,
                                        std::size_t count) {
    std::vector<double> values(count, -12345.0);
    DUMAG(product, chapter, 1, 1, &option, values.data());
    return values;
  }
  static void put_int(std::string_view product, int chapter, std::vector<int> options,
                      std::vector<int> values) {
    values.push_back(0);  // never read
    IUMAG(product, chapter, 2, static_cast<int>(options.size()), options.data(), values.data());
  }
};

TEST_F(OptionManagerTest, GetPutAndReset) {
  // A fresh store, product name in lower case.
  EXPECT_EQ(get_int("math", 1, {13, 14}, 2), (std::vector<int>{0, 0}));

  put_int("MATH", 1, {14}, {1});
  EXPECT_EQ(get_int("MATH", 1, {-14}, 1), (std::vector<int>{0}));
  EXPECT_EQ(get_int("MATH", 1, {14}, 1), (std::vector<int>{1}));

  // A reset takes no value: 7 goes to option 13, not to 14.
  put_int("MATH", 1, {-14, 13}, {7});
  EXPECT_EQ(get_int("MATH", 1, {14, 13}, 2), (std::vector<int>{0, 7}));

  // Options of several values, one after another in IVAL.
  EXPECT_EQ(get_int("MATH", 1, {5, 17, -13}, 5), (std::vector<int>{1, kLargest, 1, 2, 0}));

  // Only the first 4 characters count.
  EXPECT_EQ(get_int("MathLibrary", 1, {5}, 2), (std::vector<int>{1, kLargest}));
  EXPECT_EQ(take_output(), "");
}

TEST_F(OptionManagerTest, DoubleStoreGetPutAndReset) {
  const double root_eps = std::ldexp(1.0, -26);
  std::vector<double> got = get_double("MATH", 1, 5, 1);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(got[0]), std::bit_cast<std::uint64_t>(root_eps));

  int option = 5;
  double value = 1e-3;
  DUMAG("math", 1, 2, 1, &option, &value);
  EXPECT_EQ(get_double("MATH", 1, 5, 1)[0], 1e-3);
  EXPECT_EQ(get_double("MATH", 1, -5, 1)[0], root_eps);
  option = -5;
  DUMAG("MATH", 1, 2, 1, &option, &value);
  EXPECT_EQ(get_double("MATH", 1, 5, 1)[0], root_eps);
  EXPECT_EQ(take_output(), "");
}

TEST_F(OptionManagerTest, DefaultTableSamples) {
  std::vector<int> ramp(50);
  std::iota(ramp.begin(), ramp.end(), 51);
  EXPECT_EQ(get_int("MATH", 5, {6}, 50), ramp);
  EXPECT_EQ(get_int("MATH", 5, {7}, 20), std::vector<int>(ramp.begin(), ramp.begin() + 20));
  EXPECT_EQ(get_int("MATH", 5, {85}, 2), (std::vector<int>{0, 0}));
  EXPECT_EQ(get_int("MATH", 5, {56, 68, 86, 100, 76, 57}, 6),
            (std::vector<int>{500, 5, kLargest, kLargest, 1, 0}));
  EXPECT_EQ(get_int("MATH", 2, {1}, 8), (std::vector<int>{1, 16, 0, 1, 1, 16, 0, 1}));
  EXPECT_EQ(get_int("MATH", 10, {1, 2, 3}, 3), (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(get_int("STAT", 19, {1, 2, 3}, 3), (std::vector<int>{0, 2, 3}));

  // MATH 5 double option 11, NaN meaning not set.
  const double nan = std::nan("");
  const double huge = 1.7976931348623157e308;
  const double root_eps = std::ldexp(1.0, -26);
  std::vector<double> want = {0, 0, huge, 500, 0,   5,   0, 0,        1, 3,
                              1, 2, 2,    1,   nan, nan, 0, root_eps, 1, 0};
  want.resize(50, nan);
  const std::vector<double> got = get_double("MATH", 5, 11, 50);
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (std::isnan(want[i]))
      EXPECT_TRUE(std::isnan(got[i])) << "entry " << i + 1;
    else
      EXPECT_EQ(got[i], want[i]) << "entry " << i + 1;
  }
  EXPECT_EQ(get_double("MATH", 5, 55, 2), (std::vector<double>{root_eps, root_eps}));
  EXPECT_EQ(get_double("MATH", 5, 57, 1)[0], huge);
  EXPECT_TRUE(std::isnan(get_double("MATH", 5, 70, 1)[0]));
  EXPECT_EQ(get_double("MATH", 1, 4, 1)[0], 0.0);
  EXPECT_EQ(get_double("STAT", 19, 1, 1)[0], 3.0);
  EXPECT_EQ(take_output(), "");
}

// Options per chapter and values per chapter, counted by hand from the
// default tables; every option's values follow the previous option's.
TEST_F(OptionManagerTest, TableLayoutAddsUp) {
  int probe = 13;
  IUMAG("MATH", 1, 1, 1, &probe, &probe);  // fills the integer store
  double dprobe = 0.0;
  int dopt = 4;
  DUMAG("MATH", 1, 1, 1, &dopt, &dprobe);

  struct Expect {
    int product, chapter, options, values;
  };
  const Expect integer[] = {
      {0, 1, 21, 14}, {0, 2, 1, 8}, {0, 5, 100, 123}, {0, 10, 3, 3}, {1, 19, 3, 3}};
  const Expect dbl[] = {{0, 1, 5, 5}, {0, 5, 70, 71}, {0, 10, 1, 1}, {1, 19, 1, 1}};

  auto check = [](const auto& t, const auto& expected, int chapters_with_options) {
    int seen = 0;
    int next_option = 0;
    for (int p = 0; p < 2; ++p)
      for (int c = 1; c <= (p == 0 ? 10 : 20); ++c) {
        const int options = t.chapter_options[p][c];
        EXPECT_EQ(t.chapter_first[p][c], next_option) << p << " " << c;
        int want_options = 0, want_values = 0;
        for (const auto& e : expected)
          if (e.product == p && e.chapter == c) {
            want_options = e.options;
            want_values = e.values;
          }
        EXPECT_EQ(options, want_options) << p << " " << c;
        if (options > 0) ++seen;
        const int first = t.chapter_first[p][c];
        for (int k = first; k < first + options; ++k)
          EXPECT_LE(t.value_start[k], t.value_start[k + 1]);
        EXPECT_EQ(t.value_start[first + options] - t.value_start[first], want_values)
            << p << " " << c;
        next_option += options;
      }
    EXPECT_EQ(seen, chapters_with_options);
    EXPECT_EQ(next_option, static_cast<int>(t.value_start.size()) - 1);
    EXPECT_EQ(t.value_start.back(), static_cast<int>(t.defaults.size()));
  };
  check(library_state().integer_option_tables, integer, 5);
  check(library_state().double_option_tables, dbl, 4);
}

// ---- bad arguments ----

struct ErrorRow {
  const char* what;
  std::function<void()> call;
  const char* routine;
  int code;
  const char* message;
};

int g_options[4] = {};
int g_ival[8] = {};
double g_dval[8] = {};

void iumag(const char* product, int chapter, int iact, std::vector<int> options, int numopt = -1) {
  std::copy(options.begin(), options.end(), g_options);
  IUMAG(product, chapter, iact, numopt < 0 ? static_cast<int>(options.size()) : numopt, g_options,
        g_ival);
}

const ErrorRow kErrorRows[] = {
    {"IACT", [] { iumag("MATH", 1, 3, {13}); }, "IUMAG", 1,
     ".  IACT must be 1 to get option values or 2 to put option values.  IACT = 3 is invalid."},
    {"product", [] { iumag("mAtx", 1, 1, {13}); }, "IUMAG", 2,
     ".  The product name must be either MATH or STAT.  PRODNM = MATX is invalid."},
    {"short product", [] { iumag("ma", 1, 1, {13}); }, "IUMAG", 2,
     ".  The product name must be either MATH or STAT.  PRODNM = MA is invalid."},
    {"MATH chapter", [] { iumag("MATH", 11, 1, {1}); }, "IUMAG", 3,
     ".  ICHP = 11 is an invalid MATH chapter number.  To get or put MATH options, ICHP must be "
     "between 1 and 10."},
    {"STAT chapter", [] { iumag("stat", 0, 1, {1}); }, "IUMAG", 3,
     ".  ICHP = 0 is an invalid STAT chapter number.  To get or put STAT options, ICHP must be "
     "between 1 and 20."},
    {"chapter without options", [] { iumag("MATH", 3, 1, {1}); }, "IUMAG", 4,
     ".  No options exist for MATH chapter 3.  Only existing options may have values retrieved "
     "from or placed into them."},
    // NUMOPT is not looked at for a chapter without options.
    {"STAT 20, NUMOPT 0", [] { iumag("STAT", 20, 1, {1}, 0); }, "IUMAG", 4,
     ".  No options exist for STAT chapter 20.  Only existing options may have values "
     "retrieved from or placed into them."},
    {"NUMOPT", [] { iumag("MATH", 1, 1, {1}, 0); }, "IUMAG", 5,
     ".  NUMOPT = 0 is an invalid number of options.  NUMOPT must be greater than zero."},
    {"option without values", [] { iumag("MATH", 1, 1, {7}); }, "IUMAG", 6,
     ".  IOPTS(1) = 7 is an invalid MATH chapter 1 option number."},
    // Every bad entry is recorded; the last one stays.
    {"several bad options",
     [] {
       iumag("MATH", 1, 1, {0, 5, -22, 13});
     },
     "IUMAG", 6, ".  IOPTS(3) = -22 is an invalid MATH chapter 1 option number."},
    {"DUMAG chapter", [] { DUMAG("STAT", 2, 1, 1, g_options, g_dval); }, "DUMAG", 4,
     ".  No options exist for STAT chapter 2.  Only existing options may have values retrieved "
     "from or placed into them."},
    {"DUMAG option",
     [] {
       g_options[0] = -6;
       DUMAG("MATH", 1, 1, 1, g_options, g_dval);
     },
     "DUMAG", 6, ".  IOPTS(1) = -6 is an invalid MATH chapter 1 option number."},
    {"DUMAG product", [] { DUMAG("Mth", 1, 2, 1, g_options, g_dval); }, "DUMAG", 2,
     ".  The product name must be either MATH or STAT.  PRODNM = MTH is invalid."},
};

TEST_F(OptionManagerTest, BadArgumentsRecordTheirCodeAndText) {
  for (const ErrorRow& row : kErrorRows) {
    SCOPED_TRACE(row.what);
    reset_library_state();
    ERSET(0, 0, 0);
    std::fill(std::begin(g_ival), std::end(g_ival), -5);
    std::fill(std::begin(g_dval), std::end(g_dval), -5.0);
    row.call();
    EXPECT_EQ(N1RTY(1), 5);
    EXPECT_EQ(N1RCD(1), row.code);
    EXPECT_EQ(library_state().error.names[2], row.routine);
    EXPECT_EQ(waiting_message(), row.message);
    for (int v : g_ival) EXPECT_EQ(v, -5);
    for (double v : g_dval) EXPECT_EQ(v, -5.0);
  }
}

TEST_F(OptionManagerTest, ChecksRunInTheirOrder) {
  struct Row {
    std::function<void()> call;
    std::string codes;  // codes printed, in order
  };
  const Row rows[] = {
      // Codes 1 and 2 both; nothing after them.
      {[] { iumag("XX", 99, 0, {0}, 0); }, "12"},
      {[] { iumag("MATH", 99, 0, {0}, 0); }, "1"},
      // 3 stops the rest.
      {[] { iumag("MATH", 99, 1, {0}, 0); }, "3"},
      // Code 6 for each bad entry.
      {[] {
         iumag("MATH", 1, 2, {0, 5, -22, 99});
       },
       "666"},
      // A product of neither name gets its checks, and DUMAG no trace.
      {[] { DUMAG("QQQQ", 1, 1, 1, g_options, g_dval); }, "2"},
  };
  for (const Row& row : rows) {
    reset_library_state();
    ERSET(0, 1, 0);
    take_output();
    row.call();
    const std::string out = take_output();
    std::string codes;
    for (std::size_t at = out.find("TERMINAL ERROR "); at != std::string::npos;
         at = out.find("TERMINAL ERROR ", at + 1))
      codes += out[at + 15];
    EXPECT_EQ(codes, row.codes) << out;
  }
}

// With the checks switched off a bad call is still refused: nothing is got,
// put, recorded or printed, and nothing outside the tables is touched.
TEST_F(OptionManagerTest, ChecksOffStillRefusesBadArguments) {
  for (const char* product : {"MATH", "STAT"}) {
    SCOPED_TRACE(product);
    reset_library_state();
    const int closing = std::string(product) == "MATH" ? 10 : 19;
    put_int(product, closing, {2}, {1});
    const IntegerOptionTables ints = library_state().integer_option_tables;
    int dopt = 1;
    double dval = 0.0;
    DUMAG(product, closing, 1, 1, &dopt, &dval);
    const DoubleOptionTables dbls = library_state().double_option_tables;
    const int level_type = library_state().error.type[2];

    int ival[4] = {-5, -5, -5, -5};
    double dv[4] = {-5.0, -5.0, -5.0, -5.0};
    const int big[] = {999, -999, 0, 1};
    for (int iact : {1, 2, 3}) {
      IUMAG(product, 99, iact, 1, big, ival);            // chapter
      IUMAG(product, 1, iact, 1, big, ival);             // option 999
      IUMAG(product, closing, iact, 2, big + 1, ival);   // -999 and 0
      IUMAG(product, 3, iact, 0, big, ival);             // no options, NUMOPT 0
      IUMAG(product, closing, iact, -4, big + 3, ival);  // NUMOPT
      DUMAG(product, 99, iact, 1, big, dv);
      DUMAG(product, 1, iact, 1, big, dv);
      DUMAG(product, closing, iact, 2, big + 1, dv);
    }
    IUMAG(product, closing, 3, 1, big + 3, ival);  // IACT alone
    for (int v : ival) EXPECT_EQ(v, -5);
    for (double v : dv) EXPECT_EQ(v, -5.0);
    EXPECT_EQ(library_state().integer_option_tables.current, ints.current);
    EXPECT_EQ(library_state().double_option_tables.current.size(), dbls.current.size());
    for (std::size_t i = 0; i < dbls.current.size(); ++i)
      EXPECT_EQ(std::bit_cast<std::uint64_t>(library_state().double_option_tables.current[i]),
                std::bit_cast<std::uint64_t>(dbls.current[i]));
    EXPECT_EQ(library_state().error.type[2], level_type);
    EXPECT_EQ(library_state().error.level, 1);
    EXPECT_EQ(waiting_message(), "");
    EXPECT_EQ(take_output(), "");

    // Good calls still work.
    put_int(product, closing, {3}, {8});
    EXPECT_EQ(get_int(product, closing, {3, -3}, 2), (std::vector<int>{8, 3}));
  }
}

// With the default attributes a bad call prints and the pop ends the run.
TEST_F(OptionManagerTest, BadCallEndsTheRunByDefault) {
  int option = 7, value = 0;
  EXPECT_EQ(stop_status([&] { IUMAG("MATH", 1, 1, 1, &option, &value); }), 3);
  EXPECT_NE(take_output().find("TERMINAL ERROR 6 from IUMAG."), std::string::npos);
}

// ---- trace ----

TEST_F(OptionManagerTest, TraceOfPutAndGet) {
  put_int("MATH", 10, {1}, {1});  // trace on; this put is traced already
  take_output();

  put_int("MATH", 1, {14}, {1000});
  EXPECT_EQ(take_output(),
            "\n"
            " A change (put) was made by IUMAG to option number     14 in MATH\n"
            " chapter  1, resulting in the following values for that option:\n"
            "             entry number              value\n"
            "                        1               1000\n");

  get_int("math", 1, {-5}, 2);
  EXPECT_EQ(take_output(),
            "\n"
            " A return (get) of the following values from option\n"
            " number      5 in MATH chapter  1 was performed by IUMAG:\n"
            "             entry number              value\n"
            "                        1                  1\n"
            "                        2         2147483647\n");

  // DUMAG asks IUMAG for its switches, and that get is traced first.
  get_double("MATH", 1, 5, 1);
  EXPECT_EQ(take_output(),
            "\n"
            " A return (get) of the following values from option\n"
            " number      2 in MATH chapter 10 was performed by IUMAG:\n"
            "             entry number              value\n"
            "                        1                  2\n"
            "\n"
            " A return (get) of the following values from option\n"
            " number      1 in MATH chapter 10 was performed by IUMAG:\n"
            "             entry number              value\n"
            "                        1                  1\n"
            "\n"
            " A return (get) of the following values from option\n"
            " number      5 in MATH chapter  1 was performed by DUMAG:\n"
            "             entry number              value\n"
            "                        1          1.490116119384766E-08\n");

  // The STAT switches are STAT's own.
  get_int("STAT", 19, {3}, 1);
  EXPECT_EQ(take_output(), "");
}

}  // namespace
}  // namespace numlib::testing
