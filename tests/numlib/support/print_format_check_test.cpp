// The printers' format checks: each format mapped to the codes it records, in
// order, and the results WIDTH and SINGLE_VW (worked from the format rules).

#include "numlib/support/print_format_check.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace numlib::testing {
namespace {

class FormatCheckTest : public LibraryTest {
 protected:
  // The codes of the TERMINAL messages printed so far, in order.
  std::vector<int> printed_codes() {
    const std::string out = take_output();
    static const std::regex code(R"(\*\*\* TERMINAL ERROR (\d+) from)");
    std::vector<int> codes;
    for (auto it = std::sregex_iterator(out.begin(), out.end(), code); it != std::sregex_iterator();
         ++it)
      codes.push_back(std::stoi((*it)[1]));
    return codes;
  }
};

TEST_F(FormatCheckTest, RealFormatsGiveTheirCodesWidthAndSingleFlag) {
  const struct {
    const char* fmt;
    std::vector<int> codes;
    int width;
    bool single_vw;
  } cases[] = {
      {"(V10.4)", {}, 10, true},
      {"(1W12.3)", {}, 12, true},
      {"(2V10.4)", {}, 10, false},
      {"(F10.4,V12.3)", {}, 12, false},
      {"(W12.11)", {14}, -1, false},
      {"(V2.0)", {12}, -1, false},
      {"(V10)", {10}, -1, false},
      {"(F1.0)", {17}, -1, false},
      {"(F10.9)", {19}, -1, false},
      {"(F10.8)", {}, 10, false},
      {"(F10)", {16}, -1, false},
      {"(E12.5)", {}, 12, false},
      {"(E12.6)", {26}, -1, false},
      {"(E7.0)", {23}, -1, false},
      {"(1PE12.4E2)", {}, 12, false},
      {"(E12.4E0)", {25}, 12, false},
      {"(E12.4E)", {24}, -1, false},
      {"(E12.4EX)", {24}, 12, false},
      {"(E12.4X)", {22}, -1, false},
      {"(E12.)", {18}, -1, false},
      {"(E12.E2)", {18}, -1, false},
      {"(D12.4E2)", {}, 12, false},
      {"(G12.4E3,F6.2)", {}, 12, false},
      {"(PF10.4)", {15}, 10, false},
      {"(-1PF10.4)", {}, 10, false},
      {"(APE7.2)", {15, 23}, -1, false},  // a faulty scale factor, then the width
      {"(2X,F10.4)", {33}, 10, false},
      {"(A10)", {33}, -1, false},
      {"(i5.5)", {}, 5, false},
      {"(I5.6)", {21}, -1, false},
      {"(I0)", {20}, -1, false},
      {"(1PI5)", {8}, 5, false},
      {" ( F 10 . 4 , i5 ) ", {}, 10, false},
      {"x(F10.4)", {6}, 10, false},
      {"F10.4)", {6}, 10, false},
      {"(F10.4", {7}, -1, false},
      {"(F10.4)x", {7}, -1, false},
      {"(F1.0,E7.0)", {17, 23}, -1, false},
      {"(F10.3,,I5)", {34}, 10, false},
      {"(0F10.3)", {9}, 10, false},
      {"(2(F10.3))", {8}, 10, false},
      {"(I)", {35}, -1, false},
      // scale factors: -d < k < d + 2 on D, E and G, checked last
      {"(5PE12.2)", {27}, 12, false},
      {"(-2PE12.2)", {27}, 12, false},
      {"(E12.0)", {27}, 12, false},
      {"(4PG12.2)", {27}, 12, false},
      {"(1PE12.0)", {}, 12, false},
      {"(3PE12.2)", {}, 12, false},
      {"(9PF12.2)", {}, 12, false},
      {"(5PE7.2)", {23}, -1, false},
  };
  ERSET(5, 1, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fmt);
    E1PSH("PRINTER");
    bool single_vw = !c.single_vw;
    int width = -99;
    FORMAT_CHECK_REAL(c.fmt, single_vw, width);
    EXPECT_EQ(printed_codes(), c.codes);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(single_vw, c.single_vw);
    // Recorded at the printer's level: the checker pushes nothing.
    EXPECT_EQ(N1RCD(0), c.codes.empty() ? 0 : c.codes.back());
    E1MES(0, 0, " ");
    E1POP("PRINTER");
  }
}

TEST_F(FormatCheckTest, IntegerFormatsGiveTheirCodesAndWidth) {
  const struct {
    const char* fmt;
    std::vector<int> codes;
    int width;
  } cases[] = {
      {"(I5)", {}, 5},         {"(2I5,I3.3)", {}, 5}, {"(I41)", {10}, -1}, {"(I5.6)", {12}, -1},
      {"(0I5)", {9}, 5},       {"(+I5)", {8}, 5},     {"(I5,,I3)", {15}, 5}, {"(F10.3)", {14}, -1},
      {"(1PI5)", {14}, -1},    {"(I)", {16}, -1},     {"(I5.)", {13}, -1}, {"(I.5)", {11}, -1},
      {"x(I5)", {6}, 5},       {"(I15", {7}, -1},      {"(I 5)", {}, 5},    {"(I5,F2.0)", {14}, 5},
  };
  ERSET(5, 1, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fmt);
    E1PSH("PRINTER");
    int width = -99;
    FORMAT_CHECK_INTEGER(c.fmt, width);
    EXPECT_EQ(printed_codes(), c.codes);
    EXPECT_EQ(width, c.width);
    E1MES(0, 0, " ");
    E1POP("PRINTER");
  }
}

TEST_F(FormatCheckTest, MessagesQuoteTheItemAsWritten) {
  const struct {
    bool real;
    const char* fmt;
    const char* message;
  } cases[] = {
      {true, "( f 1.0 ,E8.1)",
       "The following format in FMT contains an invalid field width for an F format: ' f 1.0'"},
      {true, "(F10.3, e7.0)",
       "The following format in FMT contains an invalid field width for the E format: ' e7.0'"},
      {true, "(D12.7)",
       "FMT contains an invalid number of digits for the fractional part for the following D "
       "format: 'D12.7'"},
      {true, "(5PE12.2)",
       "The following format in FMT contains a scale factor outside the range allowed by its "
       "number of digits: '5PE12.2'"},
      {true, "(I)", "FMT = '(I)' is not a valid format."},
      {false, "(I)", "FMT = '(I)' is not a valid format."},
      {false, "(F10.3)",
       "An invalid character is in FMT:  'F10.3'  Only an I edit descriptor is allowed in this "
       "routine."},
      {true, "(2X)",
       "An invalid character is in FMT:  '2X'  Only D, E, F, G, I, V and W edit descriptors are "
       "allowed in this routine."},
  };
  ERSET(5, 0, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fmt);
    E1PSH("PRINTER");
    bool single_vw = false;
    int width = 0;
    if (c.real) FORMAT_CHECK_REAL(c.fmt, single_vw, width);
    else FORMAT_CHECK_INTEGER(c.fmt, width);
    EXPECT_EQ(waiting_message(), std::string(".  ") + c.message);
    E1MES(0, 0, " ");
    E1POP("PRINTER");
  }
}

}  // namespace
}  // namespace numlib::testing
