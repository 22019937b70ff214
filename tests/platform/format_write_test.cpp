// Fixed-layout writing against gfortran's own output (tests/data/platform/
// write_corpus.tsv, made by tools/fortran_oracle/format_corpus.f90).

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/format.h"
#include "platform/record_io.h"

namespace {

using platform::Format;
using platform::format_fixed;

struct CorpusLine {
  std::string layout, kind, key, expected;
};

std::vector<CorpusLine> load_corpus() {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/platform/write_corpus.tsv");
  std::vector<CorpusLine> lines;
  std::string line;
  while (std::getline(in, line)) {
    CorpusLine c;
    std::size_t a = line.find('\t'), b = line.find('\t', a + 1), d = line.find('\t', b + 1);
    c.layout = line.substr(0, a);
    c.kind = line.substr(a + 1, b - a - 1);
    c.key = line.substr(b + 1, d - b - 1);
    c.expected = line.substr(d + 1);
    lines.push_back(c);
  }
  return lines;
}

TEST(FixedWrite, MatchesGfortranCorpus) {
  const auto corpus = load_corpus();
  ASSERT_GT(corpus.size(), 10000u);
  int checked = 0;
  for (const auto& c : corpus) {
    if (c.kind == "c") continue;
    const Format fmt("(" + c.layout + ")");
    std::string got;
    const std::uint64_t bits = std::stoull(c.key, nullptr, 16);
    if (c.kind == "d") {
      got = format_fixed(fmt, std::bit_cast<double>(bits));
    } else if (c.kind == "s") {
      got = format_fixed(fmt, std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    } else {
      got = format_fixed(fmt, static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)));
    }
    EXPECT_EQ(got, c.expected) << c.layout << " of " << c.kind << ":" << c.key;
    ++checked;
  }
  EXPECT_GT(checked, 13000);
}

TEST(FixedWrite, CompositeLayoutsMatchGfortran) {
  std::map<std::string, std::string> expected;
  for (const auto& c : load_corpus())
    if (c.kind == "c") expected[c.layout] = c.expected;
  ASSERT_EQ(expected.size(), 8u);
  EXPECT_EQ(format_fixed(Format("(2I5)"), 17, -3), expected["2I5"]);
  EXPECT_EQ(format_fixed(Format("(A10)"), platform::FixedText<10>("abc")), expected["A10"]);
  EXPECT_EQ(format_fixed(Format("(A3)"), "abcdef"), expected["A3"]);
  EXPECT_EQ(format_fixed(Format("(A8)"), "abc"), expected["A8"]);
  EXPECT_EQ(format_fixed(Format("(A255)"), platform::FixedText<255>("c:\\project\\folder\\")),
            expected["A255"]);
  EXPECT_EQ(format_fixed(Format("(I4,1X,F6.2,F8.3,F6.2,F8.3)"), 12, 0.0, 0.0, 23.99992, -1.5),
            expected["I4,1X,F6.2,F8.3,F6.2,F8.3"]);
  // The scale factor stays in force for the rest of the layout.
  EXPECT_EQ(format_fixed(Format("(1PE24.15,F6.1)"), 1e-10, 2.25), expected["1PE24.15,F6.1"]);
  const double temps[] = {1.0, -2.0, 3.25};
  EXPECT_EQ(format_fixed(Format("(A10,12F6.1)"), "2001020307", std::span<const double>(temps)),
            expected["A10,12F6.1"]);
}

TEST(FixedWrite, LayoutRules) {
  struct Case {
    const char* layout;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"(F4.3)", 0.5, ".500"},              // leading zero dropped when one short
      {"(F6.1)", -0.04, "  -0.0"},          // sign kept when rounding to zero
      {"(E10.3)", 1234.5, " 0.123E+04"},    // 0.ddd form
      {"(E10.3)", 1e100, " 0.100+101"},     // three-digit exponent drops the letter
      {"(F10.0)", 1.0, "        1."},
      {"(F6.1)", 12345.6, "******"},        // does not fit
      {"(F2.0)", 0.0, "0."},
      {"(F1.0)", 0.0, "*"},
      {"(E8.3)", 1.0, ".100E+01"},
      {"(E12.4E3)", 1.0, " 0.1000E+001"},
      {"(2PE12.4)", 1234.5, "  12.345E+02"},
      {"(-1PE12.4)", 1234.5, "  0.0123E+05"},
      {"(F6.1)", std::nan(""), "   NaN"},
      {"(F6.1)", -INFINITY, "  -Inf"},
      {"(F10.1)", INFINITY, "  Infinity"},
      {"(F2.1)", std::nan(""), "**"},
      // Dw.dEe, which gfortran refuses, is Ew.dEe with the letter D (worked by hand)
      {"(D12.4E2)", 1.5, "  0.1500D+01"},
      {"(1PD12.4E3)", -1234.5, "-1.2345D+003"},
      {"(2PD12.3E2)", 0.0125, "   12.50D-03"},
      {"(D10.3E1)", 1e10, "**********"},
      {"(E40.4E20)", 1.5, "            0.1500E+00000000000000000001"},  // gfortran
      {"(1PE30.4E12)", -1.5e-300, "         -1.5000E-000000000300"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(format_fixed(Format(c.layout), c.value), c.expected) << c.layout << " " << c.value;
}

TEST(FixedWrite, RecordsLiteralsPositionsAndReversion) {
  const int v[] = {1, 2, 3, 4, 5};
  // reversion to the last top-level group starts a new record
  EXPECT_EQ(format_fixed(Format("(I2,2(I3))"), std::span<const int>(v)), " 1  2  3\n  4  5");
  EXPECT_EQ(format_fixed(Format("(3I2)"), std::span<const int>(v)), " 1 2 3\n 4 5");
  EXPECT_EQ(format_fixed(Format("('a=',I2,/,'b=',I2)"), 1, 2), "a= 1\nb= 2");
  // trailing literals are written until the next data edit; a colon stops them
  EXPECT_EQ(format_fixed(Format("(I2,' end')"), 7), " 7 end");
  EXPECT_EQ(format_fixed(Format("(I2,:,' more')"), 7), " 7");
  // X moves on; T moves to a column, also backwards
  EXPECT_EQ(format_fixed(Format("(I2,3X,I2)"), 1, 2), " 1    2");
  EXPECT_EQ(format_fixed(Format("(T5,I2,T1,I2)"), 1, 2), " 2   1");
  EXPECT_EQ(format_fixed(Format("(\"it's\",1X,'say ''hi''')")), "it's say 'hi'");
  // lower case and blanks inside the layout
  EXPECT_EQ(format_fixed(Format(" ( f6 . 2 , i3 ) "), 1.5, 4), "  1.50  4");
  EXPECT_EQ(format_fixed(Format("(I5.3)"), 7), "  007");
  EXPECT_EQ(format_fixed(Format("(I3.0)"), 0), "   ");
  EXPECT_EQ(format_fixed(Format("(G10.4)"), 42), "        42");  // G on an integer is Iw
  EXPECT_EQ(format_fixed(Format("(I6)"), -2147483647 - 1), "******");
}

TEST(FixedWrite, BadLayoutsAreRejectedAtParse) {
  for (const char* bad : {"(F6)", "(Q5)", "(I5", "('abc)", "(P)", "(-2I4)"})
    EXPECT_THROW(Format{bad}, platform::FormatError) << bad;
}

// The checked write names the first number field that is not finite or comes
// out as asterisks, counting number fields only; the record is written as usual.
TEST(FixedWrite, CheckedWriteNamesTheFirstValueThatDoesNotFit) {
  struct Case {
    const char* layout;
    std::vector<double> values;
    int field;
    const char* edit;
    const char* value;
  };
  const Case cases[] = {
      {"(3F6.1)", {1.0, 9999.9, 1e30}, 3, "F6.1", "1e+30"},
      {"(3F6.1)", {1.0, 99999.9, 1e30}, 2, "F6.1", "99999.9"},
      {"(3F6.1)", {-999.9, 0.0, 9999.9}, 0, "", ""},
      {"(2E10.3)", {1e300, std::nan("")}, 2, "E10.3", "NaN"},
      {"(1X,F5.1,'=',F8.2)", {-INFINITY, 1.0}, 1, "F5.1", "-Infinity"},
      {"(G10.3,F4.0)", {1e200, 12345.0}, 2, "F4.0", "12345.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    std::string out;
    const platform::FieldFault fault =
        platform::append_fixed_checked(out, Format(c.layout), c.values);
    EXPECT_EQ(out, format_fixed(Format(c.layout), c.values));
    EXPECT_EQ(fault.field, c.field);
    EXPECT_EQ(fault.edit, c.edit);
    EXPECT_EQ(fault.value, c.value);
  }
  // Integers too, after a text that is not counted.
  std::string out;
  const platform::FieldFault fault = platform::append_fixed_checked(
      out, Format("(A3,I4,I2.2)"), std::string("abc"), std::int32_t{1234}, std::int32_t{-5});
  EXPECT_EQ(out, "abc1234**");
  EXPECT_EQ(fault.field, 2);
  EXPECT_EQ(fault.edit, "I2.2");
  EXPECT_EQ(fault.value, "-5");
}

TEST(FreeWrite, LeadingBlankAndRoundTrip) {
  EXPECT_EQ(platform::format_list(12, std::string_view("abc"), std::string_view("def"), 3),
            " 12 abcdef 3");
  EXPECT_EQ(platform::format_list(std::string_view("     0      0     0.     0.")),
            "      0      0     0.     0.");
  EXPECT_EQ(platform::format_list(2112.0), " 2112.0");
  // Every value read back free-form is the same value.
  const double doubles[] = {0.1, 1.0 / 3.0, 1e-300, 4.9e-324, 1.7976931348623157e308, -0.0, 123456789.125};
  for (double d : doubles) {
    double back = 0;
    ASSERT_EQ(platform::read_list_text(platform::format_list(d), back), platform::IoStatus::Ok);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(d)) << d;
  }
  const float floats[] = {0.1f, 4.05f, 6.7f, 1e-45f, 3.4028235e38f, 16777216.0f};
  for (float f : floats) {
    float back = 0;
    ASSERT_EQ(platform::read_list_text(platform::format_list(f), back), platform::IoStatus::Ok);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(f)) << f;
  }
  double nan_back = 0, inf_back = 0;
  ASSERT_EQ(platform::read_list_text(platform::format_list(std::nan(""), -INFINITY), nan_back, inf_back),
            platform::IoStatus::Ok);
  EXPECT_TRUE(std::isnan(nan_back));
  EXPECT_EQ(inf_back, -INFINITY);
}

}  // namespace
