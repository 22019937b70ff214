// The matrix printers' entries: format choice, argument and width errors, the
// scope of print options, and whole prints against golden pages laid out by
// hand and rendered by gfortran (tests/data/numlib/matrix_prints.txt, made by
// tools/fortran_oracle/matrix_prints.f90).

#include "numlib/support/matrix_print.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace numlib::testing {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class MatrixPrintTest : public LibraryTest {
 protected:
  static std::string chosen(int nra, int nca, std::vector<double> a, int itring, int nwidth,
                            int nsig) {
    char fmt[10];
    DFMTRR(nra, nca, a.data(), nra, itring, nwidth, nsig, fmt);
    return std::string(platform::trim_trailing(std::string_view(fmt, sizeof fmt)));
  }
  // The codes of the TERMINAL messages printed so far.
  static std::vector<int> codes(const std::string& out) {
    static const std::regex code(R"(\*\*\* TERMINAL ERROR (\d+) from)");
    std::vector<int> found;
    for (auto it = std::sregex_iterator(out.begin(), out.end(), code); it != std::sregex_iterator();
         ++it)
      found.push_back(std::stoi((*it)[1]));
    return found;
  }
};

TEST_F(MatrixPrintTest, FormatChoice) {
  const struct {
    const char* name;
    int nra, nca;
    std::vector<double> a;
    int itring, nwidth, nsig;
    const char* fmt;
  } cases[] = {
      {"whole numbers", 3, 1, {1, -2, 300}, 0, 10, 4, "(I10)"},
      {"whole, width 5", 3, 1, {1, -2, 300}, 0, 5, 4, "(I 5)"},
      {"whole, too wide", 1, 1, {1e10}, 0, 10, 4, "(1PE10.3)"},
      {"negative at the width", 1, 1, {-1e9}, 0, 10, 4, "(1PE10.3)"},
      {"negative just in", 1, 1, {-999999999}, 0, 10, 4, "(I10)"},
      {"no integers for negative NSIG", 2, 1, {1, 2}, 0, 10, -4, "(F10.3)"},
      {"trim to the largest need", 2, 1, {1.5, 2.25}, 0, 10, 4, "(F10.2)"},
      // 0.125 needs 2 digits by the trim's half-away rounding (13), though the
      // F output rounds it to even (" 0.12")
      {"tie needs all digits", 2, 1, {0.125, 1.0}, 0, 10, 3, "(F10.2)"},
      {"trim to one", 2, 1, {0.5, 1e-5}, 0, 10, 2, "(F10.1)"},
      {"trim to none", 3, 1, {2, 3, 0.004}, 0, 10, 3, "(F10.0)"},
      {"NaN only", 2, 1, {kNaN, kNaN}, 0, 10, 4, "(F10.0)"},
      {"NaN and infinities", 3, 1, {kNaN, kInf, -kInf}, 0, 12, 4, "(F12.0)"},
      {"infinity passed over", 3, 1, {1, kInf, 2}, 0, 10, 4, "(I10)"},
      {"infinity beside a fraction", 2, 1, {-kInf, 2.5}, 0, 10, 4, "(F10.1)"},
      {"small largest magnitude", 1, 1, {1.23e-4}, 0, 10, 4, "(1PE10.3)"},
      {"large largest magnitude", 1, 1, {1.5e15}, 0, 10, 4, "(1PE10.3)"},
      {"E form widened to 8", 1, 1, {1.23e-4}, 0, 5, 4, "(1PE8.1)"},
      {"narrowed", 1, 1, {0.5}, 0, -10, -4, "(F8.4)"},
      {"narrowed, three integer digits", 1, 1, {123.4}, 0, -10, -4, "(F7.1)"},
      {"narrowed after the trim", 2, 1, {12.5, 1.25}, 0, -12, 6, "(F7.2)"},
      {"rounding moves the exponent", 1, 1, {9.9996}, 0, -10, -4, "(F7.2)"},
      {"left-out element", 2, 2, {1, 2.5, 3, 4}, 1, 10, 4, "(I10)"},
      {"all elements", 2, 2, {1, 2.5, 3, 4}, 0, 10, 4, "(F10.1)"},
      {"nothing selected", 1, 1, {2.5}, 2, 10, 4, "(F10.0)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(chosen(c.nra, c.nca, c.a, c.itring, c.nwidth, c.nsig), c.fmt);
  }
  EXPECT_EQ(take_output(), "");
}

TEST_F(MatrixPrintTest, IntegerDefaultFormatFitsTheLargestMagnitude) {
  // Two values side by side without labels: the first field's width shows.
  const struct {
    int value;
    const char* line;
  } cases[] = {
      {1, " 1    1"},
      {9, " 9    1"},
      {-9, "-9    1"},
      {10, " 10     1"},
      {-2147483647 - 1, "-2147483648             1"},
  };
  const std::string_view none[] = {"NONE"};
  for (const auto& c : cases) {
    reset_library_state();  // every print on a new page
    const int mat[2] = {c.value, 1};
    WRIRL("", 1, 2, mat, 1, 0, " ", none, none);
    EXPECT_EQ(take_output(), std::string("\f\n") + c.line + "\n") << c.value;
  }
}

TEST_F(MatrixPrintTest, ErrorsAndOptionScope) {
  ERSET(5, 1, 0);
  const double a[4] = {1, 2, 3, 4};
  int value = 0;
  auto option = [](int k, int scope) {
    int v = 0;
    WROPT(k, v, scope);
    return v;
  };
  const struct {
    const char* name;
    std::function<void()> call;
    std::vector<int> codes;
    const char* first_message;  // the start of the first message, "" for none
  } cases[] = {
      {"page width below 10", [&] {
         value = 9;
         PGOPT(-1, value);
         EXPECT_EQ(library_state().page_option_table.values[1], 78);
       }, {2},
       "IPAGE = 9.  Page width must be greater than or equal to 10."},
      {"page length below 10", [&] { value = 5; PGOPT(-2, value); }, {3},
       "IPAGE = 5.  Page length must be greater than or equal to 10."},
      {"PGOPT option", [&] { PGOPT(3, value); }, {1},
       "IABS(IOPT) = 3.  IABS(IOPT) must be greater than or equal to 1 and less than or equal "
       "to 2."},
      {"WROPT option", [&] { WROPT(17, value, 0); }, {1}, "IABS(IOPT) = 17."},
      {"WROPT value", [&] { value = 4; WROPT(-4, value, 0); }, {2},
       "ISET = 4.  ISET must be greater than or equal to 0 and less than or equal to 3."},
      {"WROPT value, no upper bound", [&] { value = -3; WROPT(-3, value, 1); }, {2},
       "ISET = -3.  ISET must be greater than or equal to -2."},
      {"WROPT scope", [&] { WROPT(1, value, 2); }, {3}, "ISCOPE = 2."},
      {"WROPT value check skipped but counted", [&] { WROPT(-17, value, 5); }, {1, 3}, ""},
      {"WROPT restore takes no scope", [&] { WROPT(0, value, 7); }, {}, ""},
      {"NRA", [&] { DWRRRN("T", -1, 2, a, 2, 0); }, {1}, "NRA = -1."},
      {"NCA", [&] { DWRRRN("T", 2, -1, a, 2, 0); }, {2}, "NCA = -1."},
      {"LDA", [&] { DWRRRN("T", 2, 2, a, 0, 0); }, {3}, "LDA = 0."},
      {"NRA above LDA", [&] { DWRRRN("T", 3, 1, a, 2, 0); }, {4},
       "NRA = 3 and LDA = 2.  NRA must be less than or equal to LDA."},
      {"NRA above LDA, no columns", [&] { DWRRRN("", 3, 0, a, 2, 0); }, {}, ""},
      {"ITRING", [&] { WRIRN("T", 1, 1, &value, 1, 3); }, {5},
       "ITRING = 3.  ITRING must be greater than or equal to -2 and less than or equal to 2."},
      {"integer names", [&] { WRIRN("T", 2, 2, &value, 1, 0); }, {4}, "NRMAT = 2 and LDMAT = 1."},
      {"field below 12", [&] { value = 20; PGOPT(-1, value); DWRRRN("T", 2, 2, a, 2, 0); }, {37},
       "A page width of 20 was retrieved via library routine PGOPT.  The page width must be "
       "increased to at least 27 by a call to PGOPT."},
      {"field of 12", [&] {
         value = 20; PGOPT(-1, value);
         value = 2; WROPT(-6, value, 0);
         DWRRRN("T", 2, 2, a, 2, 0);
       }, {36},
       "A page width of 20 was retrieved via library routine PGOPT.  The format FMT contains a "
       "field width of 12.  Either the largest field width in FMT must be decreased or the page "
       "width increased to at least 29 by a call to PGOPT."},
      {"page too wide", [&] { value = 256; PGOPT(-1, value); DWRRRN("T", 2, 2, a, 2, 0); }, {38},
       "A page width of 256 was retrieved via library routine PGOPT.  The page width must be "
       "reset to no greater than 255 by a call to PGOPT."},
      {"format fault", [&] {
         const std::string_view none[] = {"NONE"};
         DW2RRL("T", 2, 2, a, 2, 0, "(F10.2,E7.0)", none, none);
       }, {23}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reset_library_state();
    ERSET(5, 1, 0);
    c.call();
    const std::string out = take_output();
    EXPECT_EQ(codes(out), c.codes);
    if (*c.first_message != '\0') {
      // The printer's lines wrap the message: compare it with the breaks removed.
      std::string joined = std::regex_replace(out, std::regex(R"(\n \*\*\*          )"), " ");
      EXPECT_NE(joined.find(c.first_message), std::string::npos) << out;
    }
    // After an error nothing is printed: no title line.
    EXPECT_FALSE(std::regex_search(out, std::regex("\n +T\n"))) << out;
  }

  // After an error the options in force are the persistent ones again.
  reset_library_state();
  ERSET(5, 1, 0);
  value = 1;
  WROPT(-7, value, 0);
  EXPECT_EQ(option(7, 0), 1);
  DWRRRN("T", -1, 1, a, 1, 0);
  EXPECT_EQ(option(7, 0), 3);
  value = 1;
  WROPT(-7, value, 0);
  DW2RRL("T", 1, 1, a, 1, 0, "(A5)", {}, {});
  EXPECT_EQ(option(7, 0), 3);
  take_output();
}

TEST_F(MatrixPrintTest, OptionScopeLastsOnePrintOrPersists) {
  const double a[4] = {1, 2, 3, 4};
  auto heading_shown = [&] {
    DWRRRN("", 2, 2, a, 2, 0);
    return take_output().find("Row/Column") != std::string::npos;
  };
  int value = 0;
  EXPECT_TRUE(heading_shown());
  WROPT(-14, value, 0);  // for one print
  EXPECT_FALSE(heading_shown());
  EXPECT_TRUE(heading_shown());
  WROPT(-14, value, 1);  // for good
  EXPECT_FALSE(heading_shown());
  EXPECT_FALSE(heading_shown());
  int got = -1;
  WROPT(14, got, 1);
  EXPECT_EQ(got, 0);
  // Page sizes read back; a valid setting is kept.
  value = 40;
  PGOPT(-2, value);
  PGOPT(2, got);
  EXPECT_EQ(got, 40);
  PGOPT(1, got);
  EXPECT_EQ(got, 78);
}

TEST_F(MatrixPrintTest, ExtremeOptionsEndCleanly) {
  // Random prints under option values at and inside their limits: every print
  // ends, and no page holds more lines than the page length.
  std::mt19937 random(1313);
  auto pick = [&](std::initializer_list<int> values) {
    return *(values.begin() + random() % values.size());
  };
  const char* formats[] = {" ",    "(F10.3,I2)", "(2V10.4)", "(W12.3)", "(G12.4E3,1PE12.4)",
                           "(I5)", "(F2.0)",     "(E40.33)", "(3PE12.2,D12.4E2)"};
  const std::string_view texts[] = {"", "Mean%/value", "a%/%/b", "x", "%/",
                                    "A label well beyond any width we allow for labels here, "
                                    "with words and no breaks: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"};
  // lowest and highest value of options 1..16 (3: lines on the page)
  const int limits[][2] = {{0, 1}, {0, 7},   {-2, 5}, {0, 3},  {0, 1},   {0, 5},  {0, 5}, {0, 255},
                           {0, 10}, {0, 50}, {0, 255}, {0, 50}, {1, 50}, {0, 1},  {0, 1}, {0, 1}};
  int printed = 0;
  for (int trial = 0; trial < 400; ++trial) {
    reset_library_state();
    ERSET(5, 1, 0);
    int value = pick({10, 11, 30, 78, 255});
    PGOPT(-1, value);
    const int page_length = pick({10, 12, 60});
    value = page_length;
    PGOPT(-2, value);
    for (int k = 1; k <= 16; ++k) {
      const int lo = limits[k - 1][0], hi = limits[k - 1][1];
      value = pick({lo, hi, lo + static_cast<int>(random() % (hi - lo + 1))});
      WROPT(-k, value, 0);
    }
    int on_page = 0;
    WROPT(3, on_page, 0);
    const int nra = static_cast<int>(random() % 7), nca = static_cast<int>(random() % 7);
    std::vector<double> a(49);
    for (double& x : a)
      x = pick({0, 1, 2}) == 0 ? (pick({0, 1}) ? kNaN : -kInf)
                               : std::ldexp(random() % 2001 - 1000.0, pick({-20, -3, 0, 30}));
    std::vector<int> m(49);
    for (int& k : m) k = static_cast<int>(static_cast<std::int64_t>(random()) - 2147483648LL);
    std::vector<std::string_view> rlabel(8), clabel(9);
    for (auto& l : rlabel) l = texts[random() % 6];
    for (auto& l : clabel) l = texts[random() % 6];
    if (pick({0, 1})) rlabel[0] = pick({0, 1}) ? "number" : "NONE";
    if (pick({0, 1})) clabel[random() % 2] = pick({0, 1}) ? "NUMBER" : "none";
    const int itring = static_cast<int>(random() % 5) - 2;
    const std::string_view title = texts[random() % 6];
    if (trial % 3 == 0)
      WRIRL(title, nra, nca, m.data(), 7, itring, pick({0, 1}) ? " " : "(I5,2I11)", rlabel, clabel);
    else if (trial % 3 == 1)
      DW2RRL(title, nra, nca, a.data(), 7, itring, formats[random() % 9], rlabel, clabel);
    else
      DWRRRN(title, nra, nca, a.data(), 7, itring);
    const std::string out = take_output();
    if (out.find("*** TERMINAL") != std::string::npos || on_page < 0) continue;
    ++printed;
    int lines = on_page;
    for (std::size_t p = 0, q; p < out.size(); p = q + 1) {
      q = out.find('\n', p);
      lines = out.compare(p, q - p, "\f") == 0 ? 0 : lines + 1;
      ASSERT_LE(lines, page_length) << out;
    }
  }
  EXPECT_GT(printed, 100);

  // A page length and a line count at the int limit: the first block does not
  // fit what is left of the page, so it opens a page of its own.
  reset_library_state();
  int value = 2147483647;
  PGOPT(-2, value);
  value = 1;
  WROPT(-2, value, 0);
  value = 2147483646;
  WROPT(-3, value, 0);
  const double a[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::string_view number[] = {"NUMBER"};
  DW2RRL("", 3, 3, a, 3, 0, "(F6.1)", number, number);
  const std::string out = take_output();
  EXPECT_EQ(out.rfind("\f\n", 0), 0u) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\f'), 1) << out;
}

// The golden pages, by case name.
std::map<std::string, std::string> golden_pages() {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/numlib/matrix_prints.txt");
  std::map<std::string, std::string> pages;
  std::string line, name;
  while (std::getline(in, line)) {
    if (line.rfind("#case ", 0) == 0) name = line.substr(6);
    else pages[name] += line + "\n";
  }
  return pages;
}

// Column-major storage of a matrix given by rows.
std::vector<double> by_columns(int nra, int nca, std::initializer_list<double> rows) {
  std::vector<double> a(static_cast<std::size_t>(nra * nca));
  auto it = rows.begin();
  for (int i = 0; i < nra; ++i)
    for (int j = 0; j < nca; ++j) a[static_cast<std::size_t>(i + j * nra)] = *it++;
  return a;
}

TEST_F(MatrixPrintTest, PagesMatchTheGoldenLayouts) {
  const auto pages = golden_pages();
  const std::string_view number[] = {"NUMBER"};
  const std::string_view numbered[] = {"Row/Column", "NUMBER"};
  const auto three = by_columns(3, 3, {1.5, -2, 3.25, 4, 5.5, -6, 7, 8, 9.75});
  std::vector<double> cycling(36), paged(40);
  for (int j = 1; j <= 12; ++j)
    for (int i = 1; i <= 3; ++i)
      cycling[static_cast<std::size_t>(i - 1 + 3 * (j - 1))] =
          ((i + j) % 2 == 0 ? 1 : -1) * (10.0 * i + j + j / 8.0);
  for (int j = 1; j <= 8; ++j)
    for (int i = 1; i <= 5; ++i) paged[static_cast<std::size_t>(i - 1 + 5 * (j - 1))] = i + j / 4.0;
  auto set = [](int option, int value, int scope = 0) { WROPT(-option, value, scope); };
  auto page = [](int which, int value) { PGOPT(-which, value); };

  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"one-by-one", [] { const double x = 2.5; DWRRRN("Scale", 1, 1, &x, 1, 0); }},
      {"row-vector", [] {
         const double x[] = {1.25, -2.5, 3.75, 10.0};
         DWRRRN("Row vector", 1, 4, x, 1, 0);
       }},
      {"column-vector", [] {
         const double x[] = {0.001, 0.02, -0.3, 4.0};
         DWRRRN("Column vector", 4, 1, x, 4, 0);
       }},
      {"itring-0", [&] { DWRRRN("ITRING = 0", 3, 3, three.data(), 3, 0); }},
      {"itring-1", [&] { DWRRRN("ITRING = 1", 3, 3, three.data(), 3, 1); }},
      {"itring-2", [&] { DWRRRN("ITRING = 2", 3, 3, three.data(), 3, 2); }},
      {"itring-minus-1", [&] { DWRRRN("ITRING = -1", 3, 3, three.data(), 3, -1); }},
      {"itring-minus-2", [&] { DWRRRN("ITRING = -2", 3, 3, three.data(), 3, -2); }},
      {"cycling-items", [&] {
         DW2RRL("Cycling items", 3, 12, cycling.data(), 3, 0, "(2F10.3,I5)", number, numbered);
       }},
      {"cycling-items-narrow", [&] {
         page(1, 30);
         DW2RRL("Cycling items", 3, 12, cycling.data(), 3, 0, "(2f10.3, i5)", number, numbered);
       }},
      {"paged-blocks", [&] {
         page(2, 10);
         set(2, 3);
         DWRRRN("Paged blocks", 5, 8, paged.data(), 5, 0);
       }},
      {"special-values", [&] {
         const auto x = by_columns(3, 2, {kNaN, kNaN, kInf, kInf, -kInf, -kInf});
         set(4, 0);
         DW2RRL("Special values", 3, 2, x.data(), 3, 0, "(F10.3,I2)", number, number);
         set(4, 2);
         DW2RRL("Special values", 3, 2, x.data(), 3, 0, "(F10.3,I2)", number, number);
       }},
      {"integer-matrix", [] {
         const int m[] = {1, -20, 300, 4, 5000, -6};
         WRIRN("Integers", 2, 3, m, 2, 0);
       }},
      {"user-labels", [&] {
         const auto x = by_columns(2, 2, {1.5, -2.25, 30.125, 4});
         const std::string_view rows[] = {"Mean%/value", "Spread"};
         const std::string_view columns[] = {"Quantity", "First%/run", "Second run"};
         set(8, 12, 1);
         DW2RRL("Labelled", 2, 2, x.data(), 2, 0, "(F8.2)", rows, columns);
         set(2, 5);
         DW2RRL("Labelled", 2, 2, x.data(), 2, 0, "(F8.2)", rows, columns);
       }},
      {"long-title", [&] {
         const double x[] = {1, 2, 3, 4};
         const char* title = "Solution values of the constrained least squares problem";
         page(1, 30);
         DWRRRN(title, 2, 2, x, 2, 0);
         set(13, 10);
         DWRRRN(title, 2, 2, x, 2, 0);
       }},
      {"centred", [&] {
         const double x[] = {1, 2, 3, 4};
         set(1, 1);
         DWRRRN("Centred", 2, 2, x, 2, 0);
       }},
      {"solver-vectors", [] {
         const double x[] = {0.5, -1.25, 2.0, 1e-3};
         const int used[] = {2, 4, 1, 3};
         DWRRRN("Solution Values", 1, 4, x, 1, 0);
         WRIRN("Columns Used", 1, 4, used, 1, 0);
       }},
  };
  EXPECT_EQ(pages.size(), cases.size());
  for (const auto& [name, print] : cases) {
    SCOPED_TRACE(name);
    reset_library_state();
    print();
    const auto it = pages.find(name);
    ASSERT_NE(it, pages.end());
    EXPECT_EQ(take_output(), it->second);
  }
}

}  // namespace
}  // namespace numlib::testing
