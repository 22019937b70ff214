#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library_fixture.h"

namespace numlib::testing {
namespace {

class CharsTest : public LibraryTest {};

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// Position as the library counts it: 1-based, 0 for absent or an empty text.
int position(std::string_view s, std::string_view p) {
  if (s.empty() || p.empty()) return 0;
  const std::size_t at = s.find(p);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

TEST_F(CharsTest, SearchesAgreeWithTheStandardLibrary) {
  const struct {
    const char* s;
    const char* p;
  } cases[] = {
      {"hello world", "o"}, {"hello world", "world"}, {"hello", "hello"}, {"hello", "helloo"},
      {"hello", "xyz"},     {"", "a"},                {"abc", ""},        {"aaab", "aab"},
      {"Hello", "hello"},   {"MiXeD cAsE", "mixed"},  {"a_b[c", "B[C"},   {"ab", "AB "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.s) + " / " + c.p);
    EXPECT_EQ(SUBSTRING_INDEX(c.s, c.p), position(c.s, c.p));
    EXPECT_EQ(INDEX_NOCASE(c.s, c.p), position(upper(c.s), upper(c.p)));
  }
}

TEST_F(CharsTest, VerifyScanAgreesWithFindFirstNotOf) {
  const struct {
    const char* s;
    const char* set;
  } cases[] = {{"123", "0123456789"}, {"12a3", "0123456789"}, {" 12", "0123456789"},
               {"aaa", "a"},           {"", "abc"},             {"abc", ""}};
  for (const auto& c : cases) {
    const std::string_view s(c.s), set(c.set);
    const std::size_t at = s.find_first_not_of(set);
    const int expected = (s.empty() || set.empty()) ? 1 : at == std::string_view::npos ? 0 : int(at) + 1;
    EXPECT_EQ(VERIFY_SCAN(s, set), expected) << c.s << " / " << c.set;
  }
}

TEST_F(CharsTest, CompareNocase) {
  const struct {
    const char* a;
    const char* b;
    int result;
  } cases[] = {
      {"abc", "ABC  ", 0}, {"ab", "abc", -1}, {"abc", "ab", 1}, {"", "", 0}, {"", "   ", 0},
      {"a", "_", -1},    // letters fold to upper case before the comparison
      {"z", "[", -1},    {"Z", "a", 1},     {"ab", "ab!", -1},  {"ab", "ab\x1f", 1},
      {"b", "A", 1},     {"\xe9", "a", 1},  // codes above 127 compare as 128..255
  };
  for (const auto& c : cases)
    EXPECT_EQ(COMPARE_NOCASE(c.a, c.b), c.result) << '"' << c.a << "\" / \"" << c.b << '"';
}

TEST_F(CharsTest, ParseDigits) {
  const struct {
    const char* text;
    int value;
    int status;
  } cases[] = {
      {"42", 42, 0},
      {"  -17", -17, 0},
      {"+8", 8, 0},
      {"007", 7, 0},
      {"-0", 0, 0},
      {"12ab", 12, 3},
      {"12 ", 12, 3},
      {"F10.3", 0, 1},
      {"  5.", 5, 4},
      {"+x", 0, 2},
      {"2147483647", 2147483647, 0},
      {"-2147483648", INT_MIN, 0},
      {"2147483648", 0, -2},
      {"-2147483649", 0, -2},
      {"99999999999999999999", 0, -2},
      {"", 0, -1},
      {"    ", 0, -1},
      {"+", 0, -1},
      {" -  ", 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    int value = 99, status = 99;
    PARSE_DIGITS(c.text, value, status);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(status, c.status);
    // strtol reads the same number and stops at the same place, or overflows
    // the 32-bit range where the library says -2.
    char* end = nullptr;
    errno = 0;
    const long long ref = std::strtoll(c.text, &end, 10);
    if (c.status == -2) {
      EXPECT_TRUE(errno == ERANGE || ref > INT_MAX || ref < INT_MIN);
    } else if (c.status >= 0 && end != c.text) {
      EXPECT_EQ(ref, c.value);
      EXPECT_EQ(c.status, *end == '\0' ? 0 : static_cast<int>(end - c.text) + 1);
    }
  }
}

TEST_F(CharsTest, IntToDigits) {
  const struct {
    int value;
    std::size_t width;
    const char* field;
    int status;
  } cases[] = {
      {-45, 6, "   -45", 0},
      {0, 3, "  0", 0},
      {7, 1, "7", 0},
      {-5, 2, "-5", 0},
      {-5, 1, "*", 2},
      {12345, 3, "***", 5},
      {INT_MIN, 11, "-2147483648", 0},
      {INT_MIN, 10, "**********", 11},
      {INT_MAX, 12, "  2147483647", 0},
      {3, 0, "", -1},
  };
  for (const auto& c : cases) {
    std::string field(c.width, '?');
    int status = 99;
    INT_TO_DIGITS(c.value, field, status);
    EXPECT_EQ(field, c.field) << c.value;
    EXPECT_EQ(status, c.status) << c.value;
  }
}

TEST_F(CharsTest, CopySubstring) {
  const struct {
    const char* name;
    int sf, sl, df, dl;
    const char* dest;  // DEST after the call, from "abcdefgh"
    int status;
  } cases[] = {
      {"equal ranges", 1, 3, 2, 4, "aXYZefgh", 0},
      {"shorter source blank fills", 1, 2, 3, 6, "abXY  gh", 0},
      {"longer source copies what fits", 1, 5, 7, 8, "abcdefXY", 3},
      {"empty source range", 3, 2, 1, 3, "   defgh", 0},
      {"source starts before 1", 0, 2, 1, 2, "abcdefgh", -2},
      {"source passes its end", 4, 6, 1, 2, "abcdefgh", -2},
      {"destination passes its end", 1, 2, 7, 9, "abcdefgh", -1},
      {"destination starts before 1", 1, 2, 0, 1, "abcdefgh", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string dest = "abcdefgh";
    int status = 99;
    COPY_SUBSTRING("XYZUV", c.sf, c.sl, dest, c.df, c.dl, status);
    EXPECT_EQ(dest, c.dest);
    EXPECT_EQ(status, c.status);
  }
}

TEST_F(CharsTest, CopyBlankFill) {
  std::string dest(5, '?');
  COPY_BLANK_FILL("ab", dest);
  EXPECT_EQ(dest, "ab   ");
  COPY_BLANK_FILL("abcdefg", dest);
  EXPECT_EQ(dest, "abcde");
  COPY_BLANK_FILL("", dest);
  EXPECT_EQ(dest, "     ");
}

TEST_F(CharsTest, CharacterCodes) {
  EXPECT_EQ(CHAR_CODE('A'), 65);
  EXPECT_EQ(CHAR_CODE('\xff'), 255);
  EXPECT_EQ(CHAR_CODE_UPPER('a'), 'A');
  EXPECT_EQ(CHAR_CODE_UPPER('z'), 'Z');
  EXPECT_EQ(CHAR_CODE_UPPER('{'), '{');
  EXPECT_EQ(CHAR_CODE_UPPER('\xe9'), 0xe9);  // only a-z fold

  const struct {
    int code;
    char ch;
  } codes[] = {{65, 'A'}, {0, '\0'}, {255, '\xff'}, {-1, '\0'}, {256, '\0'}, {INT_MIN, '\0'}};
  for (const auto& c : codes) {
    char ch = '?';
    CHAR_FROM_CODE(ch, c.code);
    EXPECT_EQ(ch, c.ch) << c.code;
    if (c.code >= 0) {  // ACHAR agrees, and records nothing, for these
      ch = '?';
      ACHAR(ch, c.code);
      EXPECT_EQ(ch, c.ch) << c.code;
    }
  }
  EXPECT_EQ(take_output(), "");
  EXPECT_EQ(N1RTY(0), 0);

  EXPECT_TRUE(SAME_LETTER('t', 'T'));
  EXPECT_TRUE(SAME_LETTER('T', 'T'));
  EXPECT_FALSE(SAME_LETTER('T', 't'));
  EXPECT_FALSE(SAME_LETTER('u', 'T'));
}

TEST_F(CharsTest, AcharRejectsNegativeCodes) {
  ERSET(0, -1, 0);
  char ch = '?';
  ACHAR(ch, -3);
  EXPECT_EQ(ch, '\0');
  EXPECT_EQ(N1RTY(0), 5);  // moved up from ACHAR's level
  EXPECT_EQ(N1RCD(0), 1);
  EXPECT_EQ(take_output(),
            "\n"
            " *** TERMINAL ERROR 1 from ACHAR.  The ASCII value must be non-negative while\n"
            " ***          I = -3 is given.\n");

  ERSET(0, 2, 2);
  EXPECT_EQ(stop_status([&] { ACHAR(ch, -1); }), 3);
}

TEST_F(CharsTest, CheckersCountAndRecord) {
  const struct {
    const char* name;
    void (*check)(int& nerr);
    int nerr_in, nerr_out;
    int code;  // 0: nothing recorded
    const char* message;
  } cases[] = {
      {"dim pair, N above LD",
       [](int& e) { CHECK_DIM_PAIR(1, 5, "N", 3, "LDA", e); }, 1, 4, 3,
       ".  N = 5 and LDA = 3.  N must be less than or equal to LDA."},
      {"dim pair, LD not positive",
       [](int& e) { CHECK_DIM_PAIR(1, 5, "N", 0, "LDA", e); }, 1, 4, 2,
       ".  LDA = 0.  LDA must be greater than or equal to 1."},
      {"dim pair, order too small",
       [](int& e) { CHECK_DIM_PAIR(1, 0, "N", 3, "LDA", e); }, 4, 7, 4,
       ".  N = 0.  N must be greater than or equal to 1."},
      {"dim pair, starred name skips the order check",
       [](int& e) { CHECK_DIM_PAIR(1, 0, "*N", 3, "LDA", e); }, 1, 4, 0, ""},
      {"dim pair, starred name still named plainly",
       [](int& e) { CHECK_DIM_PAIR(1, 9, "*NRA", 3, "LDA", e); }, 1, 4, 3,
       ".  NRA = 9 and LDA = 3.  NRA must be less than or equal to LDA."},
      {"dim pair, all pass", [](int& e) { CHECK_DIM_PAIR(1, 3, "N", 3, "LDA", e); }, 1, 4, 0, ""},
      {"range, above the top",
       [](int& e) { CHECK_INT_ARG_RANGE(11, "IOPT", 1, 10, e); }, 5, 6, 5,
       ".  IOPT = 11.  IOPT must be greater than or equal to 1 and less than or equal to 10."},
      {"range, lower bound only",
       [](int& e) { CHECK_INT_ARG_RANGE(-1, "NOBS", 0, -1, e); }, 2, 3, 2,
       ".  NOBS = -1.  NOBS must be greater than or equal to 0."},
      {"range, lower bound only, large value passes",
       [](int& e) { CHECK_INT_ARG_RANGE(INT_MAX, "NOBS", 0, -1, e); }, 2, 3, 0, ""},
      {"pair, equal passes", [](int& e) { CHECK_LE_PAIR(4, "K", 4, "N", e); }, 1, 2, 0, ""},
      {"pair, name blanks dropped",
       [](int& e) { CHECK_LE_PAIR(-4, "K  ", -5, "N ", e); }, 7, 8, 7,
       ".  K = -4 and N = -5.  K must be less than or equal to N."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reset_library_state();
    ERSET(0, 0, 0);
    E1PSH("DCHECK");
    int nerr = c.nerr_in;
    c.check(nerr);
    EXPECT_EQ(nerr, c.nerr_out);
    EXPECT_EQ(N1RTY(0), c.code == 0 ? 0 : 5);
    EXPECT_EQ(N1RCD(0), c.code);
    EXPECT_EQ(waiting_message(), c.message);
    E1POP("DCHECK");
  }
  EXPECT_EQ(take_output(), "");
}

}  // namespace
}  // namespace numlib::testing
