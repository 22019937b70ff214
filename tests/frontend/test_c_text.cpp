#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "frontend/c_text.h"

namespace {

using tervon::FormatFixed;
using tervon::FormatG;
using tervon::FormatInt;
using tervon::TextToDouble;
using tervon::TextToInt;

TEST(CText, TextToIntReadsLikeAtoi) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"17", 17},
      {"17abc", 17},
      {"x", 0},
      {"", 0},
      {"  -42", -42},
      {"\t\n\v\f\r 9", 9},
      {"+7", 7},
      {"- 5", 0},
      {"0x1A", 0},
      {"12 34", 12},
      {"00017", 17},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"99999999999999999999999", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-2147483649", -2147483647 - 1},
      {"-99999999999999999999999", -2147483647 - 1},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(CText, TextToDoubleReadsTheLongestDecimalPrefix) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"40.30", 40.30},
      {"-105.05", -105.05},
      {"  .5", 0.5},
      {"5.", 5.0},
      {"+2.25x", 2.25},
      {"1e3", 1000.0},
      {"1.5E-2", 0.015},
      {"1e", 1.0},
      {"1e+", 1.0},
      {"2E+x", 2.0},
      {"12,5", 12.0},
      {"abc", 0.0},
      {"", 0.0},
      {".", 0.0},
      {"-", 0.0},
      {"+.e1", 0.0},
      {"inf", 0.0},
      {"nan", 0.0},
      {"0x10", 0.0},
      {"5300", 5300.0},
      {"0.1", 0.1},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToDouble(c.text), c.value) << '"' << c.text << '"';
  EXPECT_TRUE(std::signbit(TextToDouble("-0")));
  EXPECT_EQ(TextToDouble("1e999"), HUGE_VAL) << "out of range reads as atof does";
  EXPECT_EQ(TextToDouble("-1e999"), -HUGE_VAL);
  EXPECT_EQ(TextToDouble("1e-999"), 0.0);
}

// Values that test rounding in both formats: halves, values near powers of ten,
// the ends of the %g switch to exponents, and the values the program writes.
std::vector<double> FormatSamples() {
  std::vector<double> v = {0.0,      -0.0,    1.0,      -1.0,    0.5,       0.125,    0.375,  2.5,
                           3.5,      -2.5,    0.05,     0.15,    0.25,      0.35,     1.45,   9.95,
                           99.95,    999999.5, 1e-5,    1e-4,    0.0001234, 123456.0, 1234567.0,
                           1e15,     1e16,    1e21,     1e-300,  5e-324,    1.7976931348623157e308,
                           40.10,    -105.05, 5300.0,   0.67,    0.23,      119.354,  0.291586,
                           968.466,  2.0184e-6, 21.6259, 3397.2584600419145, 6.0 / 7.0, 1.0 / 3.0,
                           -23.058629169260467, 1.03505, 0.967442787915536};
  // A fixed pseudo-random spread over many magnitudes.
  std::uint64_t x = 0x243F6A8885A308D3ull;
  for (int i = 0; i < 2000; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const double mantissa = static_cast<double>(x >> 11) * 0x1.0p-53;
    const int exponent = static_cast<int>((x >> 3) % 40) - 20;
    v.push_back((x & 1 ? -1.0 : 1.0) * mantissa * std::pow(10.0, exponent));
  }
  return v;
}

std::string Printf(const char* format, double value) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, value);
  return buf;
}

// Against the C library: a text is a finite decimal number when strtod takes
// all of it, finds no hexadecimal, infinity or NaN, and stays in range.
TEST(CText, FiniteDecimalsAreWhatStrtodReadsWhollyAndFinitely) {
  const char* texts[] = {"50.0", "-3", "+7", ".5", "5.", "1e+06", "2.5E-3", "1e-400", "1e299", "1.7e308",
                         "",     "-",  ".",  "e5", "1e", "1e+",   "nan",    "inf",    "*",     "300*0.06",
                         "0x1A", "1e400", "-1.8e308", "+-1", " 5", "5 ", "1,5", "12a", "9999999999e299"};
  for (const char* text : texts) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    const std::string t = text;
    const bool whole = !t.empty() && *end == '\0' && t[0] != ' ' && t.find_first_of("xXnNiI") == std::string::npos;
    EXPECT_EQ(tervon::IsFiniteDecimal(text), whole && std::isfinite(value)) << '"' << text << '"';
  }
}

TEST(CText, FormatsAsPrintfDoesInTheCLocale) {
  ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  for (double v : FormatSamples()) {
    EXPECT_EQ(FormatG(v), Printf("%g", v)) << v;
    EXPECT_EQ(FormatG(v, 6), Printf("%.6g", v)) << v;
    EXPECT_EQ(FormatG(v, 17), Printf("%.17g", v)) << v;
    EXPECT_EQ(FormatFixed(v, 1), Printf("%.1f", v)) << v;
    EXPECT_EQ(FormatFixed(v, 0), Printf("%.0f", v)) << v;
    EXPECT_EQ(FormatFixed(v, 2), Printf("%.2f", v)) << v;
  }
  EXPECT_EQ(FormatG(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 1), "-inf");
}

TEST(CText, FormatsIntegers) {
  struct Case {
    long long value;
    int width;
    bool zero_pad;
    const char* text;
  };
  const Case cases[] = {
      {17, 5, true, "00017"},   {23062, 5, true, "23062"}, {123456, 5, true, "123456"},
      {-17, 5, true, "-0017"},  {0, 5, true, "00000"},     {5, 0, false, "5"},
      {7, 3, false, "  7"},     {-7, 3, false, " -7"},     {2006, 0, false, "2006"},
      {-2147483648LL, 0, false, "-2147483648"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatInt(c.value, c.width, c.zero_pad), c.text) << c.value;
}

// A locale whose decimal separator is a comma: an installed one, or one built
// with localedef in a temporary folder. Empty when neither works.
std::string CommaLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"})
    if (std::setlocale(LC_NUMERIC, name) != nullptr) return name;
  const auto dir = std::filesystem::temp_directory_path() / "tervon_test_locales";
  std::filesystem::create_directories(dir);
  const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() +
                              "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  ::setenv("LOCPATH", dir.c_str(), 1);
  return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr ? "de_DE.UTF-8" : "";
}

TEST(CText, IgnoresTheNumericLocale) {
  const std::string name = CommaLocale();
  if (name.empty()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
  ASSERT_EQ(Printf("%.1f", 1.5), "1,5") << "the locale is in force";
  EXPECT_EQ(TextToDouble("40.30"), 40.30);
  EXPECT_EQ(TextToDouble("1,5"), 1.0);
  EXPECT_EQ(FormatG(1.5), "1.5");
  EXPECT_EQ(FormatFixed(-0.25, 1), "-0.2");
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
