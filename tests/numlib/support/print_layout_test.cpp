// Layout units of the matrix printers against brute force, hand-worked tables
// and properties that any breaking of a text must keep.

#include "numlib/support/print_layout.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "library_fixture.h"
#include "numlib/support/matrix_print.h"

namespace numlib::testing {
namespace {

class PrintLayoutTest : public LibraryTest {};

TEST_F(PrintLayoutTest, SelectionRangesAgreeWithBruteForce) {
  // The element-level selection, itself checked on whole pages by the golden prints.
  for (int itring = -2; itring <= 2; ++itring) {
    const auto selected = [itring](int i, int j) { return ITRING_SELECTS(itring, i, j); };
    for (int n = 1; n <= 6; ++n) {
      // every column of every row range
      for (int first = 1; first <= n; ++first)
        for (int last = first; last <= n; ++last)
          for (int j = 1; j <= 6; ++j) {
            std::vector<int> rows;
            for (int i = first; i <= last; ++i)
              if (selected(i, j)) rows.push_back(i);
            int row1 = 0, nrows = -1;
            ITRING_ROW_RANGE(itring, first, last, j, row1, nrows);
            ASSERT_EQ(nrows, static_cast<int>(rows.size()))
                << itring << " " << first << ".." << last << " " << j;
            if (!rows.empty()) {
              ASSERT_EQ(row1, rows.front());
            }
          }
      // every block of an n x 6 matrix: the bounding box of its printed elements
      for (int r1 = 1; r1 <= n; ++r1)
        for (int r2 = r1; r2 <= n; ++r2)
          for (int c1 = 1; c1 <= 6; ++c1)
            for (int c2 = c1; c2 <= 6; ++c2) {
              int lo_i = 99, hi_i = 0, lo_j = 99, hi_j = 0;
              for (int i = r1; i <= r2; ++i)
                for (int j = c1; j <= c2; ++j)
                  if (selected(i, j)) {
                    lo_i = std::min(lo_i, i);
                    hi_i = std::max(hi_i, i);
                    lo_j = std::min(lo_j, j);
                    hi_j = std::max(hi_j, j);
                  }
              bool empty = false;
              int a = 0, b = 0, c = 0, d = 0;
              ITRING_BLOCK_RANGE(itring, r1, r2, c1, c2, empty, a, b, c, d);
              SCOPED_TRACE(::testing::Message() << itring << " rows " << r1 << ".." << r2
                                                << " columns " << c1 << ".." << c2);
              ASSERT_EQ(empty, hi_i == 0);
              if (!empty) {
                ASSERT_EQ((std::vector<int>{a, b, c, d}),
                          (std::vector<int>{lo_i, hi_i, lo_j, hi_j}));
              }
            }
    }
  }
}

TEST_F(PrintLayoutTest, IntegerFromText) {
  const struct {
    const char* text;
    int value;
    int status;
  } cases[] = {
      {" - 0042", -42, 0},         {"12a", 12, 3},          {"99999999999", 0, -2},
      {"2147483647", 2147483647, 0}, {"2147483648", 0, -2}, {"-2147483647", -2147483647, 0},
      {"", 0, -1},                 {"   ", 0, -1},          {"+7  ", 7, 0},
      {"12 3", 12, 3},             {"x", 0, 1},             {"000", 0, 0},
  };
  for (const auto& c : cases) {
    int value = -1, status = -9;
    INTEGER_FROM_TEXT(c.text, value, status);
    EXPECT_EQ(status, c.status) << '"' << c.text << '"';
    if (c.status >= 0) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
}

TEST_F(PrintLayoutTest, ColumnItemsCycleWithoutState) {
  const struct {
    const char* fmt;
    std::vector<const char*> items;  // columns 1, 2, ...
  } cases[] = {
      {"(2F10.3,I5)", {"(F10.3)", "(F10.3)", "(I5)", "(F10.3)", "(F10.3)", "(I5)", "(F10.3)"}},
      {"(1P2E12.4, 2pd10.2e2)", {"(1PE12.4)", "(1PE12.4)", "(2PD10.2E2)", "(1PE12.4)"}},
      {"( f +10 . 3 , i 5 . 3 )", {"(F10.3)", "(I5.3)", "(F10.3)"}},
      {"(V10.4)", {"(V10.4)", "(V10.4)"}},
  };
  for (const auto& c : cases) {
    std::string item;
    // backwards, so that no call can lean on the one before
    for (int j = static_cast<int>(c.items.size()); j >= 1; --j) {
      COLUMN_FORMAT(j, c.fmt, item);
      EXPECT_EQ(item, c.items[static_cast<std::size_t>(j - 1)]) << c.fmt << " column " << j;
    }
  }
  int value = 0;
  FORMAT_NUMBER("(1PE12.4E2)", 1, '.', ')', value);
  EXPECT_EQ(value, 12);
  FORMAT_NUMBER("(V10.4)", 0, '.', ')', value);
  EXPECT_EQ(value, 4);
}

TEST_F(PrintLayoutTest, FieldFillersAndIntegerItems) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  // The first w characters for w = 1, 2, 3, 4 and 10.
  const struct {
    int option4;
    double x;
    std::vector<const char*> fields;
  } fillers[] = {
      {0, kNaN, {".", "..", "...", "....", ".........."}},
      {0, kInf, {"+", "++", "+++", "++++", "++++++++++"}},
      {0, -kInf, {"-", "--", "---", "----", "----------"}},
      {2, kNaN, {".", "..", "NaN", " NaN", "       NaN"}},
      {2, kInf, {"+", "++", "Inf", " Inf", "       Inf"}},
      {2, -kInf, {"-", "--", "---", "-Inf", "      -Inf"}},
      {-2, kNaN, {" ", "  ", "   ", "    ", "          "}},
      {-2, kInf, {"+", "++", "+++", "++++", "++++++++++"}},
      {-2, -kInf, {"-", "--", "---", "----", "----------"}},
      {3, kNaN, {" ", "  ", "   ", "    ", "          "}},
      {3, kInf, {"+", "++", "Inf", " Inf", "       Inf"}},
      {3, -kInf, {"-", "--", "---", "-Inf", "      -Inf"}},
  };
  const int widths[] = {1, 2, 3, 4, 10};
  for (const auto& f : fillers)
    for (std::size_t k = 0; k < 5; ++k) {
      const int w = widths[k];
      const ColumnItem item("(F" + std::to_string(w) + ".0)");
      const FieldText text = FIELD_TEXT(f.x, item, f.option4);
      EXPECT_EQ(std::string(text.data(), static_cast<std::size_t>(w)), f.fields[k])
          << "option 4 = " << f.option4 << ", " << f.x << ", w = " << w;
      // What lies beyond the field is never shown; it holds blanks or the filler.
      EXPECT_TRUE(text[39] == ' ' || text[39] == f.fields[0][0]);
    }
  const struct {
    const char* item;
    double x;
    const char* field;
  } values[] = {
      {"(I5)", 3.9, "    3"},          {"(I5)", -3.9, "   -3"},
      {"(I5)", 3.0e9, "*****"},         {"(I5)", -0.5, "    0"},
      {"(I10)", 2147483647.0, "2147483647"}, {"(I10)", 2147483647.5, "**********"},
      {"(I11)", -2147483647.9, "***********"}, {"(I11)", -2147483647.0, "-2147483647"},
      {"(I5.3)", 7.9, "  007"},         {"(I3)", 12345, "***"},
      {"(F5.2)", 0.125, " 0.12"},       {"(1PE12.4)", -1234.5, " -1.2345E+03"},
      {"(G10.4)", 1.5, " 1.500    "},   {"(D12.4E2)", 1.5, "  0.1500D+01"},
  };
  for (const auto& v : values) {
    const ColumnItem item(v.item);
    const FieldText text = FIELD_TEXT(v.x, item, 0);
    EXPECT_EQ(std::string(text.data(), std::string_view(v.field).size()), v.field)
        << v.item << " " << v.x;
  }
  EXPECT_EQ(take_output(), "");
}

// The lines of a text, as texts.
std::vector<std::string> broken(std::string_view text, int width, int indent, int allowance) {
  std::vector<TextLine> lines;
  text_lines(text, width, indent, allowance, lines);
  std::vector<std::string> out;
  for (const TextLine& l : lines)
    out.emplace_back(text.substr(static_cast<std::size_t>(l.start),
                                 static_cast<std::size_t>(l.end - l.start)));
  return out;
}

TEST_F(PrintLayoutTest, TextLinesBreakAtMarksBlanksAndWidth) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(broken("Mean%/value", 10, 0, 3), (Lines{"Mean", "value"}));
  EXPECT_EQ(broken("Mean%/value", 2, 0, 3), (Lines{"Mean", "valu", "e"}));
  EXPECT_EQ(broken("%/a%/%/b", 10, 0, 3), (Lines{"", "a", "", "b"}));
  EXPECT_EQ(broken("   ", 10, 0, 3), (Lines{""}));
  // the width, then the allowance for a blank, then words run on
  EXPECT_EQ(broken("one two three", 6, 0, 3), (Lines{"one", "two", "three"}));
  EXPECT_EQ(broken("alpha beta gamma", 8, 0, 2), (Lines{"alpha be", "ta gamma"}));  // no look back
  EXPECT_EQ(broken("abcdefghij", 4, 0, 1), (Lines{"abcd", "efgh", "ij"}));
  EXPECT_EQ(broken("ab,cdefgh", 4, 0, 2), (Lines{"ab", ",cde", "fgh"}));
  // later lines carry the indent in their width
  int k = 2, length = 0, start = 0, end = 0;
  bool last = false;
  TEXT_LINES("first second", 9, 3, 4, k, length, start, end, last);
  EXPECT_EQ((std::vector<int>{length, start, end}), (std::vector<int>{9, 7, 12}));
  EXPECT_TRUE(last);
  k = 0;
  TEXT_LINES("first second", 9, 3, 4, k, length, start, end, last);
  EXPECT_EQ(k, 2);
  EXPECT_EQ(length, 9);

  // Random texts under option values in range: the breaking ends, lines come in
  // order, nothing but blanks and "%/" is dropped, no line holds a "%/", and a
  // line keeps to the width whenever width - indent - allowance leaves room.
  std::mt19937 random(20260613);
  const std::string alphabet = "ab1: ,%/[x";
  for (int trial = 0; trial < 20000; ++trial) {
    std::string text(random() % 70, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    const int width = static_cast<int>(random() % 256);
    const int indent = static_cast<int>(random() % 11);
    const int allowance = static_cast<int>(random() % 51);
    std::vector<TextLine> lines;
    text_lines(text, width, indent, allowance, lines);
    SCOPED_TRACE(::testing::Message() << '"' << text << "\" " << width << " " << indent << " "
                                      << allowance);
    ASSERT_FALSE(lines.empty());
    int at = 0;
    for (std::size_t n = 0; n < lines.size(); ++n) {
      const TextLine& l = lines[n];
      ASSERT_LE(at, l.start);
      ASSERT_LE(l.start, l.end);
      std::string dropped = text.substr(static_cast<std::size_t>(at),
                                        static_cast<std::size_t>(l.start - at));
      for (std::size_t p; (p = dropped.find("%/")) != std::string::npos;) dropped.erase(p, 2);
      ASSERT_EQ(dropped.find_first_not_of(' '), std::string::npos);
      const std::string line = text.substr(static_cast<std::size_t>(l.start),
                                           static_cast<std::size_t>(l.end - l.start));
      ASSERT_EQ(line.find("%/"), std::string::npos);
      const int i = n == 0 ? 0 : indent;
      if (width - i - allowance >= 1) {
        ASSERT_LE(l.length, width);
      }
      at = l.end;
    }
    std::string rest = text.substr(static_cast<std::size_t>(at));
    for (std::size_t p; (p = rest.find("%/")) != std::string::npos;) rest.erase(p, 2);
    ASSERT_EQ(rest.find_first_not_of(' '), std::string::npos);
  }
}

TEST_F(PrintLayoutTest, CentringAndPageCount) {
  std::string line = "abcd";
  int length = 4;
  CENTER_TEXT(10, length, line);
  EXPECT_EQ(line, "        abcd");
  EXPECT_EQ(length, 12);
  CENTER_TEXT(2, length, line);  // a shift below 1 moves nothing
  EXPECT_EQ(length, 12);

  // Option 3 counts lines; a full page opens the next before the line.
  int page = 10;
  PGOPT(-2, page);
  int lines = 8;
  WROPT(-3, lines, 0);
  for (int n = 0; n < 4; ++n) PRINT_TITLE_PAGE(3, "line");
  PRINT_TITLE_PAGE(0, "none");
  PRINT_TITLE_PAGE(-1, "");
  WROPT(3, lines, 0);
  EXPECT_EQ(lines, 0);
  lines = -1;
  WROPT(-3, lines, 0);
  PRINT_TITLE_PAGE(3, "abc");
  WROPT(3, lines, 0);
  EXPECT_EQ(lines, -1);
  EXPECT_EQ(take_output(), "lin\nlin\n\f\nlin\nlin\n\f\nabc\n");
}

}  // namespace
}  // namespace numlib::testing
