// Free-form and fixed-column reading, against gfortran's reads of the same lines
// (tests/data/platform/read_corpus.tsv) and against the rules on their own.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/record_io.h"
#include "support/test_support.h"

namespace {

using platform::Format;
using platform::IoStatus;
using platform::read_fixed_text;
using platform::read_list_text;

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> f;
  std::size_t start = 0;
  for (;;) {
    std::size_t t = line.find('\t', start);
    f.push_back(line.substr(start, t == std::string::npos ? std::string::npos : t - start));
    if (t == std::string::npos) return f;
    start = t + 1;
  }
}

std::uint32_t bits32(const std::string& hex) { return static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16)); }
std::uint64_t bits64(const std::string& hex) { return std::stoull(hex, nullptr, 16); }

// gfortran's iostat: 0 ok, -1 end of record data (here: end of the text).
IoStatus expected_status(const std::string& ios) {
  return ios == "0" ? IoStatus::Ok : ios == "-1" ? IoStatus::EndOfFile : IoStatus::Error;
}

TEST(ReadCorpus, MatchesGfortran) {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/platform/read_corpus.tsv");
  std::string line;
  int checked = 0;
  while (std::getline(in, line)) {
    const auto f = split_tabs(line);
    const std::string& kind = f[0];
    if (f[2] != "0" && f[2] != "-1") continue;  // gfortran rejects a repeat over mixed kinds
    SCOPED_TRACE(line);
    if (kind == "list-iii") {
      std::int32_t a = -111, b = -111, c = -111;
      EXPECT_EQ(read_list_text(f[1], a, b, c), expected_status(f[2]));
      EXPECT_EQ(static_cast<std::uint32_t>(a), bits32(f[3]));
      EXPECT_EQ(static_cast<std::uint32_t>(b), bits32(f[4]));
      EXPECT_EQ(static_cast<std::uint32_t>(c), bits32(f[5]));
    } else if (kind == "list-sds") {
      float a = -111;
      double b = -111;
      float c = -111;
      EXPECT_EQ(read_list_text(f[1], a, b, c), expected_status(f[2]));
      EXPECT_EQ(std::bit_cast<std::uint32_t>(a), bits32(f[3]));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(b), bits64(f[4]));
      EXPECT_EQ(std::bit_cast<std::uint32_t>(c), bits32(f[5]));
    } else if (kind == "list-aii") {
      platform::FixedText<8> t("xxxxxxxx");
      std::int32_t a = -111, b = -111;
      EXPECT_EQ(read_list_text(f[1], t, a, b), expected_status(f[2]));
      EXPECT_EQ(std::string(t.view()), f[3]);
      EXPECT_EQ(static_cast<std::uint32_t>(a), bits32(f[4]));
      EXPECT_EQ(static_cast<std::uint32_t>(b), bits32(f[5]));
    } else if (kind == "fixed-sd") {
      const std::size_t bar = f[1].find('|');
      const Format fmt(f[1].substr(0, bar));
      const std::string text = f[1].substr(bar + 1);
      float s = -111;
      double d = -111;
      EXPECT_EQ(read_fixed_text(text, fmt, s), IoStatus::Ok);
      EXPECT_EQ(read_fixed_text(text, fmt, d), IoStatus::Ok);
      EXPECT_EQ(std::bit_cast<std::uint32_t>(s), bits32(f[3]));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(d), bits64(f[4]));
    } else if (kind == "fixed-iiiid") {
      const std::size_t bar = f[1].find('|');
      const Format fmt(f[1].substr(0, bar));
      const std::string text = f[1].substr(bar + 1);
      std::int32_t i1 = -111, i2 = -111, i3 = -111, i4 = -111;
      double d = -111;
      if (f[1].find("3I2") != std::string::npos) {
        EXPECT_EQ(read_fixed_text(text, fmt, i1, i2, i3, i4, d), IoStatus::Ok);
      } else {
        EXPECT_EQ(read_fixed_text(text, fmt, i1, d), IoStatus::Ok);
      }
      EXPECT_EQ(static_cast<std::uint32_t>(i1), bits32(f[3]));
      EXPECT_EQ(static_cast<std::uint32_t>(i2), bits32(f[4]));
      EXPECT_EQ(static_cast<std::uint32_t>(i3), bits32(f[5]));
      EXPECT_EQ(static_cast<std::uint32_t>(i4), bits32(f[6]));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(d), bits64(f[7]));
    } else {
      ADD_FAILURE() << "unknown case " << kind;
    }
    ++checked;
  }
  EXPECT_GT(checked, 40);
}

TEST(FreeRead, ValuesNullsRepeatsAndSlash) {
  int a = -1, b = -1, c = -1, d = -1;
  EXPECT_EQ(read_list_text(",,3,4", a, b, c, d), IoStatus::Ok);
  EXPECT_EQ((std::vector{a, b, c, d}), (std::vector{-1, -1, 3, 4}));
  a = b = c = d = -1;
  EXPECT_EQ(read_list_text("2*5 1 / 9", a, b, c, d), IoStatus::Ok);
  EXPECT_EQ((std::vector{a, b, c, d}), (std::vector{5, 5, 1, -1}));
  a = b = c = d = -1;
  EXPECT_EQ(read_list_text("3* 4", a, b, c, d), IoStatus::Ok);
  EXPECT_EQ((std::vector{a, b, c, d}), (std::vector{-1, -1, -1, 4}));
  // tabs are blanks; an unquoted text ends at a blank, comma or slash
  std::string s1, s2;
  double x = 0;
  EXPECT_EQ(read_list_text("\tabc,def/ghi", s1, s2, x), IoStatus::Ok);
  EXPECT_EQ(s1, "abc");
  EXPECT_EQ(s2, "def");
  EXPECT_EQ(x, 0.0);
  platform::FixedText<4> t;
  EXPECT_EQ(read_list_text("'a,b c''d' 1", t), IoStatus::Ok);  // quoted: cut at 4
  EXPECT_EQ(t, "a,b ");
  // a whole number is a real; a real is not an integer
  double r = 0;
  EXPECT_EQ(read_list_text("7", r), IoStatus::Ok);
  EXPECT_EQ(r, 7.0);
  int i = 0;
  EXPECT_EQ(read_list_text("7.5", i), IoStatus::Error);
  EXPECT_EQ(read_list_text("abc", r), IoStatus::Error);
  EXPECT_EQ(read_list_text("'7'", r), IoStatus::Error);
  EXPECT_EQ(read_list_text("99999999999", i), IoStatus::Error);
  EXPECT_EQ(read_list_text("", i), IoStatus::EndOfFile);
  // arrays take one value per element
  float v[4] = {0, 0, 0, -1};
  EXPECT_EQ(read_list_text("1 2 3", std::span<float>(v, 3)), IoStatus::Ok);
  EXPECT_EQ(v[2], 3.0f);
  EXPECT_EQ(v[3], -1.0f);
}

// Writes `lines` to a file, '|' ending a record, and opens it on channel 5.
void open_lines(const testing_support::TempDir& dir, std::string lines) {
  std::replace(lines.begin(), lines.end(), '|', '\n');
  testing_support::write_file(dir / "in.txt", lines + "\n");
  platform::open_unit(5, (dir / "in.txt").string(), platform::OpenStatus::Old);
}

// Reads over several records of a file, as gfortran reads the same lines:
// three integers, then one integer by the next read.
TEST(FreeRead, ContinuesOverRecordsAsGfortran) {
  struct Case {
    const char* lines;
    IoStatus status;
    int i1, i2, i3, next;
  };
  const Case cases[] = {
      {"1,|,3|9", IoStatus::Ok, 1, -1, 3, 9},
      {"2*|5|9", IoStatus::Ok, -1, -1, 5, 9},
      {"1 2 /|9", IoStatus::Ok, 1, 2, -1, 9},
      {"1 /|8 8 8|9", IoStatus::Ok, 1, -1, -1, 8},
      {"||  |4 5|6|9", IoStatus::Ok, 4, 5, 6, 9},
      {"1,||2 3|9", IoStatus::Ok, 1, 2, 3, 9},
      {"1|,2,3|9", IoStatus::Ok, 1, 2, 3, 9},
      {"1 2|3 4|9", IoStatus::Ok, 1, 2, 3, 9},
      {"1, 2,|, 3|9", IoStatus::Ok, 1, 2, -1, 9},
      {"|,5 6 7|9", IoStatus::Ok, 5, 6, 7, 9},
      {"|  ||,5 6 7|9", IoStatus::Ok, 5, 6, 7, 9},
      {",5 6 7|9", IoStatus::Ok, -1, 5, 6, 9},
      {"|, ,5 6|9", IoStatus::Ok, -1, 5, 6, 9},
      {"|,5|,6 7|9", IoStatus::Ok, 5, 6, 7, 9},
  };
  testing_support::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    open_lines(dir, c.lines);
    int i1 = -1, i2 = -1, i3 = -1, next = -1;
    EXPECT_EQ(platform::try_read_list(5, i1, i2, i3), c.status);
    EXPECT_EQ(platform::try_read_list(5, next), IoStatus::Ok);
    EXPECT_EQ((std::vector{i1, i2, i3, next}), (std::vector{c.i1, c.i2, c.i3, c.next}));
    platform::close_unit(5);
  }
}

// A quoted text goes on in the next record, the record end adding nothing.
TEST(FreeRead, QuotedTextOverRecordsAsGfortran) {
  struct Case {
    const char* lines;
    IoStatus status;
    const char* text;
    int i1, next;
  };
  const Case cases[] = {
      {"'abc|def' 5|9", IoStatus::Ok, "abcdef  ", 5, 9},
      {"\"ab\"\"|\"\"cd\" 5|9", IoStatus::Ok, "ab\"\"cd  ", 5, 9},
      {"'ab'|'cd' 5|9", IoStatus::Error, "ab      ", -1, 9},
      {"2*'x|y'|9", IoStatus::Error, "xy      ", -1, 9},
  };
  testing_support::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    open_lines(dir, c.lines);
    platform::FixedText<8> text("xxxxxxxx");
    int i1 = -1, next = -1;
    EXPECT_EQ(platform::try_read_list(5, text, i1), c.status);
    EXPECT_EQ(platform::try_read_list(5, next), IoStatus::Ok);
    EXPECT_EQ(text.view(), c.text);
    EXPECT_EQ(i1, c.i1);
    EXPECT_EQ(next, c.next);
    platform::close_unit(5);
  }
}

// A slash after the last item still moves on a record, as gfortran reads:
// one integer by the layout, then one by "(I5)" from lines 1, 2, 3, 4, 5.
TEST(FixedRead, SlashesAfterTheLastItemAsGfortran) {
  struct Case {
    const char* layout;
    int value, next;
  };
  const Case cases[] = {
      {"(I5/)", 1, 3},    {"(I5,/,I5)", 1, 3}, {"(I5,:,/)", 1, 2},  {"(I5,2/)", 1, 4},
      {"(I5)", 1, 2},     {"(/I5)", 2, 3},     {"(I5,1X,/)", 1, 3}, {"(2(I5,/))", 1, 3},
  };
  testing_support::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    open_lines(dir, "1|2|3|4|5");
    int value = -1, next = -1;
    EXPECT_EQ(platform::try_read_fixed(5, Format(c.layout), value), IoStatus::Ok);
    EXPECT_EQ(platform::try_read_fixed(5, Format("(I5)"), next), IoStatus::Ok);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(next, c.next);
    platform::close_unit(5);
  }
}

TEST(FixedRead, TextFieldsAndShortLines) {
  platform::FixedText<3> a, b;
  EXPECT_EQ(read_fixed_text("SPTDES", Format("(A3,A3)"), a, b), IoStatus::Ok);
  EXPECT_EQ(a, "SPT");
  EXPECT_EQ(b, "DES");
  EXPECT_EQ(read_fixed_text("SP", Format("(A3,A3)"), a, b), IoStatus::Ok);  // padded
  EXPECT_EQ(a, "SP ");
  EXPECT_TRUE(b.is_blank());
  // Aw wider than the item keeps the rightmost characters
  EXPECT_EQ(read_fixed_text("abcdef", Format("(A6)"), a), IoStatus::Ok);
  EXPECT_EQ(a, "def");
  int i = 0;
  EXPECT_EQ(read_fixed_text("  x ", Format("(I4)"), i), IoStatus::Error);
  float f = 0;
  EXPECT_EQ(read_fixed_text("  1.2.3", Format("(F7.1)"), f), IoStatus::Error);
  // nX skips, '/' needs a second record, which a text does not have
  EXPECT_EQ(read_fixed_text("1234567", Format("(2X,I2)"), i), IoStatus::Ok);
  EXPECT_EQ(i, 34);
  int j = 0;
  EXPECT_EQ(read_fixed_text("12", Format("(I2,/,I2)"), i, j), IoStatus::EndOfFile);
}

}  // namespace
