#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "library_fixture.h"

namespace numlib::testing {
namespace {

class MessagesTest : public LibraryTest {};

// ---- value stores and message assembly ----

TEST_F(MessagesTest, TemplatesTakeStoredValues) {
  const struct {
    const char* name;
    void (*store)();
    const char* text;
    const char* message;
  } cases[] = {
      {"integer", [] { ERROR_STORE_INTEGER(1, -7); }, "N = %(I1).", ".  N = -7."},
      {"most negative", [] { ERROR_STORE_INTEGER(2, -2147483647 - 1); }, "%(I2)", ".  -2147483648"},
      {"missing key kept", [] { ERROR_STORE_INTEGER(1, 3); }, "N = %(I2).", ".  N = %(I2)."},
      {"first stored wins", [] { ERROR_STORE_INTEGER(1, 1); ERROR_STORE_INTEGER(1, 2); }, "%(I1)", ".  1"},
      {"key letter in either case", [] { ERROR_STORE_INTEGER(1, 5); }, "%(i1) %(I1)", ".  5 5"},
      {"stored lower case, asked upper", [] { STORE_SUBSTITUTION('l', 4, "low"); }, "%(L4)", ".  low"},
      {"text trimmed", [] { ERROR_STORE_STRING(1, "ab  "); }, "[%(L1)]", ".  [ab]"},
      {"text kept whole for N < 0", [] { ERROR_STORE_STRING(-1, "ab  "); }, "[%(L1)]", ".  [ab  ]"},
      {"blank text is one blank", [] { ERROR_STORE_STRING(3, "    "); }, "[%(L3)]", ".  [ ]"},
      {"same digit, other letter", [] { ERROR_STORE_INTEGER(1, 9); }, "%(L1)", ".  %(L1)"},
      {"not a key letter", [] { ERROR_STORE_INTEGER(1, 9); }, "%(Q1) %(I0)", ".  %(Q1) %(I0)"},
      {"placeholder cut by the end", [] { ERROR_STORE_INTEGER(1, 9); }, "x %(I1", ".  x %(I1"},
      {"digit 0 dropped", [] { ERROR_STORE_INTEGER(0, 1); }, "%(I1)", ".  %(I1)"},
      {"digit 10 dropped", [] { ERROR_STORE_INTEGER(10, 1); }, "%(I1)", ".  %(I1)"},
      {"double", [] { ERROR_STORE_DOUBLE(1, -7.25); }, "X = %(D1)", ".  X = -7.250000000000000E+00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.store();
    E1MES(4, 2, c.text);
    EXPECT_EQ(waiting_message(), c.message);
    EXPECT_EQ(N1RTY(0), 4);
    EXPECT_EQ(N1RCD(0), 2);
    E1MES(0, 0, " ");
  }
  EXPECT_EQ(take_output(), "");
}

TEST_F(MessagesTest, ValuesServeOneMessageOnly) {
  ERROR_STORE_INTEGER(1, 4);
  E1MES(0, 0, " ");  // a clear also forgets the stored values
  E1MES(4, 1, "%(I1)");
  EXPECT_EQ(waiting_message(), ".  %(I1)");
  ERROR_STORE_INTEGER(1, 4);
  E1MES(4, 1, "%(I1)");
  E1MES(4, 1, "%(I1)");
  EXPECT_EQ(waiting_message(), ".  %(I1)");
}

TEST_F(MessagesTest, SubstitutionStoreAcceptanceEdge) {
  // An entry costs 5 + the digits of its length + the length; the store takes
  // it when used + LENGTH + 8 <= 300 (used is 1 when empty).
  const std::string a255(255, 'a');
  const struct {
    const char* name;
    std::string first;   // stored as L1
    std::string second;  // stored as L2
    bool second_kept;
  } cases[] = {
      // used after L1 = 5 + 3 + 255 = 263: LENGTH 29 fits (263 + 29 + 8 = 300), 30 does not.
      {"exact fit", a255, std::string(29, 'b'), true},
      {"one too long", a255, std::string(30, 'b'), false},
      // The test uses the LENGTH handed in, before trailing blanks are dropped.
      {"blanks count", a255, std::string(20, 'b') + std::string(10, ' '), false},
      // A longer text is cut at 255 first: 1 + 255 + 8 <= 300.
      {"cut at 255", std::string(400, 'c'), "x", true},
      // used after L1 = 5 + 2 + 99 = 106: 106 + 186 + 8 = 300.
      {"two-digit length", std::string(99, 'd'), std::string(186, 'e'), true},
      {"two-digit length, one over", std::string(99, 'd'), std::string(187, 'e'), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ERROR_STORE_STRING(1, c.first);
    ERROR_STORE_STRING(2, c.second);
    E1MES(4, 1, "%(L1)|%(L2)");
    const std::string first = c.first.substr(0, 255);
    const std::string second(platform::trim_trailing(c.second));
    EXPECT_EQ(waiting_message(), ".  " + first + "|" + (c.second_kept ? second : "%(L2)"));
    E1MES(0, 0, " ");
  }
}

TEST_F(MessagesTest, MessageIsCutAt1024) {
  E1MES(4, 1, std::string(1100, 'x'));
  EXPECT_EQ(waiting_message(), ".  " + std::string(1021, 'x'));

  ERROR_STORE_STRING(1, "0123456789");
  E1MES(4, 1, std::string(1019, 'y') + "%(L1)tail");
  EXPECT_EQ(waiting_message(), ".  " + std::string(1019, 'y') + "01");
}

TEST_F(MessagesTest, RecordingRules) {
  ERSET(0, -1, 0);
  E1PSH("DREC");
  E1MES(3, 4, "Waiting warning.");
  EXPECT_EQ(take_output(), "");  // types 1..4 wait for the pop

  E1MES(-1, -1, "Replaced text.");  // text only
  EXPECT_EQ(N1RTY(0), 3);
  EXPECT_EQ(N1RCD(0), 4);
  EXPECT_EQ(waiting_message(), ".  Replaced text.");

  E1MES(5, 3, " ");  // re-issued as TERMINAL 3, printed at once
  EXPECT_EQ(take_output(), "\n *** TERMINAL ERROR 3 from DREC.  Replaced text.\n");
  EXPECT_EQ(waiting_message(), "");

  E1MES(4, 0, "Cleared.");  // code 0: type set, message cleared
  EXPECT_EQ(N1RTY(0), 4);
  EXPECT_EQ(N1RCD(0), 0);
  EXPECT_EQ(waiting_message(), "");

  E1MES(0, 5, "Cleared too.");  // type 0: code set, message cleared
  EXPECT_EQ(N1RTY(0), 0);
  EXPECT_EQ(N1RCD(0), 5);
  EXPECT_EQ(waiting_message(), "");
  E1MES(0, 0, " ");
  E1POP("DREC");
  EXPECT_EQ(take_output(), "");
}

TEST_F(MessagesTest, SilencedTerminalMessageWaitsUntilReplaced) {
  ERSET(0, 0, 0);
  E1PSH("DSIL");
  E1MES(5, 1, "First.");
  EXPECT_EQ(waiting_message(), ".  First.");
  E1MES(5, 2, "Second.");
  EXPECT_EQ(waiting_message(), ".  Second.");
  E1POP("DSIL");
  EXPECT_EQ(take_output(), "");
}

TEST_F(MessagesTest, IllegalTypeIsPrintedAndEndsTheRun) {
  ERSET(0, 0, 0);
  for (const int type : {-2, 8}) {
    EXPECT_EQ(stop_status([type] { E1MES(type, 1, "Anything."); }), 3);
    EXPECT_EQ(take_output(),
              "\n"
              " *** TERMINAL ERROR 1 from USER.  Error from E1MES.  Illegal error type\n"
              " ***          specified.\n");
  }
}

TEST_F(MessagesTest, GlobalTypesLeavePendingFlags) {
  ERSET(0, 0, 0);
  E1MES(6, 1, "Global warning.");
  EXPECT_EQ(library_state().error.pending_global_warning, 1);
  E1MES(7, 1, " ");
  EXPECT_EQ(library_state().error.pending_global_fatal, 1);
  E1MES(0, 0, " ");  // a clear does not consume them
  EXPECT_EQ(library_state().error.pending_global_warning, 1);
}

// ---- the printer, byte for byte ----

TEST_F(MessagesTest, ErsetExampleLines) {
  EXPECT_EQ(stop_status([] { ERSET(7, 0, 0); }), 3);
  EXPECT_EQ(take_output(),
            "\n"
            " *** TERMINAL ERROR 1 from ERSET.  Invalid error severity level indicator. \n"
            " ***          IERSVR must be 0 to 5.  IERSVR = 7\n");
}

TEST_F(MessagesTest, ErsetPrintingActionLines) {
  EXPECT_EQ(stop_status([] { ERSET(0, 5, 0); }), 3);
  EXPECT_EQ(take_output(),
            "\n"
            " *** TERMINAL ERROR 2 from ERSET.  Invalid value specified for printing\n"
            " ***          action.  IPACT must be -1 to 2.  IPACT = 5\n");
}

TEST_F(MessagesTest, GlobalWarningWithTraceback) {
  E1PSH("DBCONF");
  E1PSH("DU5INF");  // entered internally
  E1MES(6, 1, "This routine may be inefficient for a problem of size N = 1.");
  EXPECT_EQ(take_output(),
            "\n"
            " *** WARNING  ERROR 1 from DU5INF.  This routine may be inefficient for a\n"
            " ***          problem of size N = 1.\n"
            "     Here is a traceback of subprogram calls in reverse order:\n"
            "     Routine name                    Error type  Error code\n"
            "     ------------                    ----------  ----------\n"
            "     DU5INF                               6           1    (Called internally)\n"
            "     DBCONF                               0           0\n"
            "     USER                                 0           0\n");
  E1POP("DU5INF");
  E1POP("DBCONF");  // a global WARNING does not stop by default
  EXPECT_EQ(take_output(), "");
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

TEST_F(MessagesTest, WarningMovedUpIsPrintedAtTheProgramLevel) {
  E1PSH("DBCONF");
  E1PSH("dU6INF");
  ERROR_STORE_DOUBLE(1, 1.0e-10);
  E1MES(3, 8,
        "The last global step failed to locate a lower point than the current X value.  The "
        "current X may be an approximate local minimizer and no more accuracy is possible or the "
        "step tolerance may be too large where STEPTL = %(d1) is given.");
  E1POP("dU6INF");
  EXPECT_EQ(take_output(), "");
  E1POP("DBCONF");
  EXPECT_EQ(take_output(),
            "\n"
            " *** WARNING  ERROR 8 from DBCONF.  The last global step failed to locate a\n"
            " ***          lower point than the current X value.  The current X may be an\n"
            " ***          approximate local minimizer and no more accuracy is possible or\n"
            " ***          the step tolerance may be too large where STEPTL =\n"
            " ***          1.000000000000000E-10 is given.\n");
  EXPECT_EQ(LAST_ERROR_CODE(), 8);
}

TEST_F(MessagesTest, LineBreaking) {
  const struct {
    const char* name;
    std::string text;
    const char* lines;
  } cases[] = {
      {"exactly the first-line room", "This text is exactly forty-two chars long.",
       " *** WARNING  ERROR 1 from DBREAK.  This text is exactly forty-two chars long.\n"},
      {"one over the room", "This text is exactly forty-two chars long!!",
       " *** WARNING  ERROR 1 from DBREAK.  This text is exactly forty-two chars\n"
       " ***          long!!\n"},
      {"word longer than a line", "Word " + std::string(70, 'A') + " end.",
       " *** WARNING  ERROR 1 from DBREAK.  Word\n"
       " ***          AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n"
       " ***          AAAAAA end.\n"},
      {"forced breaks keep a leading blank",
       "First part.%/Second part after a forced break.%/ Third line.",
       " *** WARNING  ERROR 1 from DBREAK.  First part.\n"
       " ***          Second part after a forced break.\n"
       " ***           Third line.\n"},
      {"blank wrap drops one leading blank",
       "Sentence one is long enough to wrap at x.  Second sentence.",
       " *** WARNING  ERROR 1 from DBREAK.  Sentence one is long enough to wrap at x.\n"
       " ***          Second sentence.\n"},
      {"forced break beyond the first-line room",
       "A first line that runs past the room before%/the break.",
       " *** WARNING  ERROR 1 from DBREAK.  A first line that runs past the room\n"
       " ***          before\n"
       " ***          the break.\n"},
      // The header " 1 from DBREAK" leaves 45 characters: a "%/" counts on the
      // first line when it starts at position 44, not at 45.
      {"forced break at the last place it counts", "Forty characters of text before the brk.%/rest.",
       " *** WARNING  ERROR 1 from DBREAK.  Forty characters of text before the brk.\n"
       " ***          rest.\n"},
      {"forced break one place too far", "Forty characters of text before the brkx.%/after.",
       " *** WARNING  ERROR 1 from DBREAK.  Forty characters of text before the\n"
       " ***          brkx.\n"
       " ***          after.\n"},
      // Continuation lines: both characters of "%/" within the 64.
      {"continuation break at the last place it counts",
       "Lead.%/Sixty-two characters of text ahead of the forced break marker.%/tail.",
       " *** WARNING  ERROR 1 from DBREAK.  Lead.\n"
       " ***          Sixty-two characters of text ahead of the forced break marker.\n"
       " ***          tail.\n"},
      {"continuation break one place too far",
       "Lead.%/Sixty-two characters of text ahead of the forced break marker.!%/tail.",
       " *** WARNING  ERROR 1 from DBREAK.  Lead.\n"
       " ***          Sixty-two characters of text ahead of the forced break\n"
       " ***          marker.!\n"
       " ***          tail.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    E1PSH("DBREAK");
    E1MES(3, 1, c.text);
    E1POP("DBREAK");
    EXPECT_EQ(take_output(), std::string("\n") + c.lines);
  }
}

TEST_F(MessagesTest, NameRuleAndTracebackRows) {
  ERSET(0, -1, 0);
  E1PSH("DLCLSQ");
  E1PSH("dL5LSQ");
  E1PSH("De5csf");
  E1MES(5, 3, "Bad.");
  EXPECT_EQ(take_output(),
            "\n"
            " *** TERMINAL ERROR 3 from De5csf.  Bad.\n"
            "     Here is a traceback of subprogram calls in reverse order:\n"
            "     Routine name                    Error type  Error code\n"
            "     ------------                    ----------  ----------\n"
            "     De5csf                               5           3    (Called internally)\n"
            "     DL5LSQ                               0           0    (Called internally)\n"
            "     DLCLSQ                               0           0\n"
            "     USER                                 0           0\n");
  E1POP("De5csf");
  E1MES(5, 4, "Worse.");
  const std::string out = take_output();
  EXPECT_EQ(out.substr(0, out.find("     Here")), "\n *** TERMINAL ERROR 4 from DL5LSQ.  Worse.\n");
  EXPECT_NE(out.find("\n     DL5LSQ                               5           4    (Called internally)\n"),
            std::string::npos);
  E1POP("dL5LSQ");
  E1POP("DLCLSQ");
}

TEST_F(MessagesTest, LevelThreeEnteredFromUserHasNoInternalNote) {
  ERSET(0, -1, 0);
  E1PSH("DZBREN");
  E1USR("ON");
  E1PSH("DNORDF");
  E1MES(5, 2, "Bad.");
  const std::string out = take_output();
  EXPECT_NE(out.find("\n     DNORDF                               5           2\n"), std::string::npos);
  EXPECT_EQ(out.find("(Called internally)"), std::string::npos);
  E1POP("DNORDF");
  E1USR("OFF");
  E1POP("DZBREN");
}

// ---- stored doubles against gfortran ----

TEST_F(MessagesTest, StoredDoublesMatchGfortran) {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/numlib/error_store_double.txt");
  ASSERT_TRUE(in.is_open());
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string hex, expected;
    fields >> hex >> expected;
    const double value = std::bit_cast<double>(std::strtoull(hex.c_str(), nullptr, 16));
    SCOPED_TRACE(line);
    ERROR_STORE_DOUBLE(1, value);
    E1MES(4, 1, "%(D1)");
    EXPECT_EQ(waiting_message(), ".  " + expected);
    E1MES(0, 0, " ");
    ++count;
  }
  EXPECT_GE(count, 9);
}

// ---- output channel ----

class MessageChannelTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() /
           ("numlib_channel_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    ::setenv("PAVSIM_DRIVE_C", dir_.c_str(), 1);
  }
  void TearDown() override {
    LibraryTest::TearDown();
    ::unsetenv("PAVSIM_DRIVE_C");
    std::filesystem::remove_all(dir_);
  }
  std::string file_text(const char* name) const {
    std::ifstream in(dir_ / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void warn() {
    E1PSH("DWARN");
    E1MES(3, 1, "On the channel.");
    E1POP("DWARN");
  }
  std::filesystem::path dir_;
};

TEST_F(MessageChannelTest, OutputUnitFollowsUmach) {
  int unit = 9;
  UMACH(-2, unit);
  int asked = 0;
  UMACH(2, asked);
  EXPECT_EQ(asked, 9);

  warn();  // channel 9 not open: the console
  EXPECT_EQ(take_output(), "\n *** WARNING  ERROR 1 from DWARN.  On the channel.\n");

  platform::open_unit(9, "c:\\lib9.txt");
  warn();
  platform::close_unit(9);
  EXPECT_EQ(take_output(), "");
  EXPECT_EQ(file_text("lib9.txt"), "\n *** WARNING  ERROR 1 from DWARN.  On the channel.\n");
}

TEST_F(MessageChannelTest, ChannelsFiveAndSixAreAlwaysTheConsole) {
  platform::open_unit(6, "c:\\engine6.txt");
  platform::open_unit(5, "c:\\engine5.txt");
  warn();
  int unit = 5;
  UMACH(-2, unit);
  warn();
  platform::close_all_units();
  EXPECT_EQ(file_text("engine6.txt"), "");
  EXPECT_EQ(file_text("engine5.txt"), "");
  EXPECT_EQ(take_output(), "\n *** WARNING  ERROR 1 from DWARN.  On the channel.\n"
                           "\n *** WARNING  ERROR 1 from DWARN.  On the channel.\n");
}

TEST_F(MessageChannelTest, StopFlushesTheMessageChannel) {
  int unit = 9;
  UMACH(-2, unit);
  platform::open_unit(9, "c:\\lib9.txt");
  E1PSH("DFAIL");
  E1MES(4, 2, "Result not usable.");
  EXPECT_EQ(stop_status([] { E1POP("DFAIL"); }), 3);
  EXPECT_FALSE(platform::unit_is_open(9));
  EXPECT_EQ(file_text("lib9.txt"), "\n *** FATAL    ERROR 2 from DFAIL.  Result not usable.\n");
}

}  // namespace
}  // namespace numlib::testing
