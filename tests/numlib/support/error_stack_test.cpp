#include <gtest/gtest.h>

#include <string>

#include "library_fixture.h"

namespace numlib::testing {
namespace {

class ErrorStackTest : public LibraryTest {};

// The program calls OUTER (level 2); OUTER calls INNER (level 3), either from
// inside a user routine (entered from user code) or directly. INNER records an
// error of one type, code 7, under print attribute p and stop attribute s.
struct PopRow {
  int type;
  bool from_user;  // INNER entered from user code
  int print, stop;
  bool printed_at_record;
  bool printed_at_inner_pop;
  bool inner_pop_ends_run;
  int moved_up_type;  // OUTER's type after the inner pop
  bool printed_at_outer_pop;
  bool outer_pop_ends_run;
};

// Derived by hand from the pop rules: types 1..4 act only at a level entered
// from user code, a NOTE is never passed up, TERMINAL stops at any level, the
// global types stop where they reach user code while their flag is pending.
constexpr PopRow kPopRows[] = {
    // type user p  s  record innerP innerStop up outerP outerStop
    {1, false, 0, 0, false, false, false, 0, false, false},
    {1, false, 0, 1, false, false, false, 0, false, false},
    {1, false, 1, 0, false, false, false, 0, false, false},
    {1, false, 1, 1, false, false, false, 0, false, false},
    {1, true, 0, 0, false, false, false, 0, false, false},
    {1, true, 0, 1, false, false, true, 0, false, false},
    {1, true, 1, 0, false, true, false, 0, false, false},
    {1, true, 1, 1, false, true, true, 0, false, false},
    {2, false, 0, 0, false, false, false, 2, false, false},
    {2, false, 0, 1, false, false, false, 2, false, true},
    {2, false, 1, 0, false, false, false, 2, true, false},
    {2, false, 1, 1, false, false, false, 2, true, true},
    {2, true, 0, 0, false, false, false, 2, false, false},
    {2, true, 0, 1, false, false, true, 2, false, false},
    {2, true, 1, 0, false, true, false, 2, false, false},
    {2, true, 1, 1, false, true, true, 2, false, false},
    {3, false, 0, 0, false, false, false, 3, false, false},
    {3, false, 0, 1, false, false, false, 3, false, true},
    {3, false, 1, 0, false, false, false, 3, true, false},
    {3, false, 1, 1, false, false, false, 3, true, true},
    {3, true, 0, 0, false, false, false, 3, false, false},
    {3, true, 0, 1, false, false, true, 3, false, false},
    {3, true, 1, 0, false, true, false, 3, false, false},
    {3, true, 1, 1, false, true, true, 3, false, false},
    {4, false, 0, 0, false, false, false, 4, false, false},
    {4, false, 0, 1, false, false, false, 4, false, true},
    {4, false, 1, 0, false, false, false, 4, true, false},
    {4, false, 1, 1, false, false, false, 4, true, true},
    {4, true, 0, 0, false, false, false, 4, false, false},
    {4, true, 0, 1, false, false, true, 4, false, false},
    {4, true, 1, 0, false, true, false, 4, false, false},
    {4, true, 1, 1, false, true, true, 4, false, false},
    {5, false, 0, 0, false, false, false, 5, false, false},
    {5, false, 0, 1, false, false, true, 5, false, false},
    {5, false, 1, 0, true, false, false, 5, false, false},
    {5, false, 1, 1, true, false, true, 5, false, false},
    {5, true, 0, 0, false, false, false, 5, false, false},
    {5, true, 0, 1, false, false, true, 5, false, false},
    {5, true, 1, 0, true, false, false, 5, false, false},
    {5, true, 1, 1, true, false, true, 5, false, false},
    {6, false, 0, 0, false, false, false, 6, false, false},
    {6, false, 0, 1, false, false, false, 6, false, true},
    {6, false, 1, 0, true, false, false, 6, false, false},
    {6, false, 1, 1, true, false, false, 6, false, true},
    {6, true, 0, 0, false, false, false, 6, false, false},
    {6, true, 0, 1, false, false, true, 6, false, false},
    {6, true, 1, 0, true, false, false, 6, false, false},
    {6, true, 1, 1, true, false, true, 6, false, false},
    {7, false, 0, 0, false, false, false, 7, false, false},
    {7, false, 0, 1, false, false, false, 7, false, true},
    {7, false, 1, 0, true, false, false, 7, false, false},
    {7, false, 1, 1, true, false, false, 7, false, true},
    {7, true, 0, 0, false, false, false, 7, false, false},
    {7, true, 0, 1, false, false, true, 7, false, false},
    {7, true, 1, 0, true, false, false, 7, false, false},
    {7, true, 1, 1, true, false, true, 7, false, false},
};

TEST_F(ErrorStackTest, PopRulesAcrossTypesEntryAndAttributes) {
  for (const PopRow& row : kPopRows) {
    SCOPED_TRACE(::testing::Message() << "type " << row.type << (row.from_user ? " user" : " internal")
                                      << " print " << row.print << " stop " << row.stop);
    reset_library_state();
    take_output();
    int p = row.print, s = row.stop;
    SET_ERROR_ATTRIBUTES(row.type, p, s);

    E1PSH("OUTER");
    if (row.from_user) E1USR("ON");
    E1PSH("INNER");
    ERROR_STORE_INTEGER(1, row.type);
    E1MES(row.type, 7, "Trouble of type %(I1).");
    EXPECT_EQ(!take_output().empty(), row.printed_at_record);

    const int inner = stop_status([] { E1POP("INNER"); });
    EXPECT_EQ(!take_output().empty(), row.printed_at_inner_pop);
    EXPECT_EQ(inner, row.inner_pop_ends_run ? 3 : 0);
    if (inner != 0) continue;

    EXPECT_EQ(N1RTY(0), row.moved_up_type);
    EXPECT_EQ(N1RCD(0), row.moved_up_type == 0 ? 0 : 7);
    EXPECT_EQ(N1RTY(1), row.type);  // the popped level keeps its record
    if (row.from_user) E1USR("OFF");

    const int outer = stop_status([] { E1POP("OUTER"); });
    EXPECT_EQ(!take_output().empty(), row.printed_at_outer_pop);
    EXPECT_EQ(outer, row.outer_pop_ends_run ? 3 : 0);
    if (outer != 0) continue;
    const bool reported = row.moved_up_type >= 1 && row.moved_up_type <= 4;
    EXPECT_EQ(LAST_ERROR_CODE(), reported ? 7 : 0);
    EXPECT_EQ(library_state().error.level, 1);
  }
}

TEST_F(ErrorStackTest, DefaultAttributesWarningPrintsAndGoesOnFatalEndsRun) {
  E1PSH("DWARN");
  E1MES(3, 1, "Result usable.");
  E1POP("DWARN");
  EXPECT_EQ(take_output(), "\n *** WARNING  ERROR 1 from DWARN.  Result usable.\n");

  E1PSH("DFAIL");
  E1MES(4, 2, "Result not usable.");
  EXPECT_EQ(stop_status([] { E1POP("DFAIL"); }), 3);
  EXPECT_EQ(take_output(), "\n *** FATAL    ERROR 2 from DFAIL.  Result not usable.\n");
}

TEST_F(ErrorStackTest, StopWithoutPrintEndsRunSilently) {
  ERSET(4, 0, -1);
  E1PSH("DFAIL");
  E1MES(4, 2, "Result not usable.");
  EXPECT_EQ(stop_status([] { E1POP("DFAIL"); }), 3);
  EXPECT_EQ(take_output(), "");
}

TEST_F(ErrorStackTest, LastErrorCode) {
  E1PSH("DOK");
  E1POP("DOK");
  EXPECT_EQ(LAST_ERROR_CODE(), 0);

  ERSET(0, 0, 0);
  E1PSH("DFAIL");
  E1MES(4, 2, "Result not usable.");
  E1POP("DFAIL");
  EXPECT_EQ(LAST_ERROR_CODE(), 2);

  E1PSH("DMISUSE");
  E1MES(5, 3, "Bad argument.");
  E1POP("DMISUSE");
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
  EXPECT_EQ(take_output(), "");
}

TEST_F(ErrorStackTest, AttributeTablesThroughErsetAndQueries) {
  struct Attributes {
    int print[8];
    int stop[8];
  };
  const auto current = [] {
    Attributes a{};
    for (int t = 1; t <= 7; ++t) {
      int p = 9, s = 9;
      SET_ERROR_ATTRIBUTES(-t, p, s);
      a.print[t] = p;
      a.stop[t] = s;
    }
    return a;
  };
  const int default_print[8] = {0, 0, 0, 1, 1, 1, 1, 1};
  const int default_stop[8] = {0, 0, 0, 0, 1, 1, 0, 1};

  Attributes a = current();
  for (int t = 1; t <= 7; ++t) {
    EXPECT_EQ(a.print[t], default_print[t]) << t;
    EXPECT_EQ(a.stop[t], default_stop[t]) << t;
  }

  ERSET(3, 0, -1);  // printing off for WARNING and global WARNING, stops kept
  a = current();
  for (int t = 1; t <= 7; ++t) {
    EXPECT_EQ(a.print[t], (t == 3 || t == 6) ? 0 : default_print[t]) << t;
    EXPECT_EQ(a.stop[t], default_stop[t]) << t;
  }

  ERSET(4, -1, 0);  // stops off for FATAL and global FATAL
  a = current();
  EXPECT_EQ(a.stop[4], 0);
  EXPECT_EQ(a.stop[7], 0);
  EXPECT_EQ(a.stop[5], 1);

  ERSET(0, 1, 1);
  a = current();
  for (int t = 1; t <= 7; ++t) EXPECT_EQ(a.print[t] + a.stop[t], 2) << t;

  ERSET(0, 2, 2);
  a = current();
  for (int t = 1; t <= 7; ++t) {
    EXPECT_EQ(a.print[t], default_print[t]) << t;
    EXPECT_EQ(a.stop[t], default_stop[t]) << t;
  }
  EXPECT_EQ(take_output(), "");
}

TEST_F(ErrorStackTest, ErsetRejectsBadArgumentsAndChangesNothing) {
  ERSET(0, -1, 0);  // keep printing, stop nothing
  ERSET(6, 0, 0);
  EXPECT_EQ(take_output(),
            "\n"
            " *** TERMINAL ERROR 1 from ERSET.  Invalid error severity level indicator. \n"
            " ***          IERSVR must be 0 to 5.  IERSVR = 6\n");
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(N1RCD(1), 1);
  int p = 0, s = 0;
  SET_ERROR_ATTRIBUTES(-6, p, s);
  EXPECT_EQ(p, 1);
  EXPECT_EQ(s, 0);
  SET_ERROR_ATTRIBUTES(-3, p, s);
  EXPECT_EQ(p, 1);

  // All three wrong: three messages, the last code stays.
  ERSET(-1, 3, -2);
  const std::string out = take_output();
  EXPECT_NE(out.find("TERMINAL ERROR 1 from ERSET"), std::string::npos);
  EXPECT_NE(out.find("TERMINAL ERROR 2 from ERSET"), std::string::npos);
  EXPECT_NE(out.find("ISACT must be -1 to 2.  ISACT = -2"), std::string::npos);
  EXPECT_EQ(N1RCD(1), 3);
}

TEST_F(ErrorStackTest, SetErrorAttributesRejectsBadActions) {
  ERSET(0, -1, 0);
  int p = 3, s = 0;
  SET_ERROR_ATTRIBUTES(4, p, s);
  EXPECT_EQ(N1RTY(0), 5);
  EXPECT_EQ(N1RCD(0), 1);
  EXPECT_NE(take_output().find("IPATT must be -1, 0, 1, or 2.  IPATT = 3"), std::string::npos);
  int qp = 0, qs = 0;
  SET_ERROR_ATTRIBUTES(-4, qp, qs);
  EXPECT_EQ(qp, 1);  // unchanged
  // Severity outside -7..7: nothing happens, nothing is recorded.
  E1MES(0, 0, " ");
  p = 0;
  s = 0;
  SET_ERROR_ATTRIBUTES(8, p, s);
  p = 5;
  SET_ERROR_ATTRIBUTES(-8, p, s);
  EXPECT_EQ(p, 5);
  EXPECT_EQ(N1RTY(0), 0);
}

TEST_F(ErrorStackTest, UserSwitchValues) {
  ERSET(0, -1, 0);
  const struct {
    const char* text;
    bool accepted;
    int flag;
  } cases[] = {
      {"ON", true, -1}, {"on", true, -1}, {"ON ", true, -1}, {"OFF", true, 0},
      {"off  ", true, 0}, {"On", false, 0}, {" ON", false, 0}, {"O N", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    E1PSH("DCALLER");
    library_state().error.user_flag[3] = 7;  // neither value
    E1USR(c.text);
    if (c.accepted) {
      EXPECT_EQ(library_state().error.user_flag[3], c.flag);
      EXPECT_EQ(N1RTY(0), 0);
    } else {
      EXPECT_EQ(library_state().error.user_flag[3], 7);
      EXPECT_EQ(N1RTY(0), 5);
      EXPECT_EQ(N1RCD(0), 1);
      EXPECT_NE(take_output().find("SWITCH = '" + std::string(c.text) + "'"), std::string::npos);
    }
    E1POP("DCALLER");
    take_output();
  }
}

TEST_F(ErrorStackTest, FortyNinePushesFitTheFiftiethEndsTheRun) {
  ERSET(0, 0, 0);  // the overflow ends the run whatever the attributes say
  for (int i = 2; i <= 50; ++i) E1PSH("R" + std::to_string(i));
  EXPECT_EQ(library_state().error.level, 50);
  EXPECT_EQ(N1RTY(1), -1);  // level 51 is read without harm
  EXPECT_EQ(stop_status([] { E1PSH("R51"); }), 3);
  EXPECT_EQ(take_output(), "");
  EXPECT_EQ(N1RTY(0), 5);
  EXPECT_EQ(N1RCD(0), 1);
}

TEST_F(ErrorStackTest, PopResetsTheLevelAboveUpToTheTop) {
  for (int i = 2; i <= 50; ++i) E1PSH("R" + std::to_string(i));
  E1MES(3, 9, " ");
  E1POP("R50");
  EXPECT_EQ(N1RTY(1), 3);  // kept until the level below is popped
  EXPECT_EQ(N1RCD(1), 9);
  E1POP("R49");
  EXPECT_EQ(library_state().error.type[50], -1);
  EXPECT_EQ(library_state().error.code[50], -1);
  EXPECT_EQ(N1RTY(1), 3);
}

TEST_F(ErrorStackTest, StackOverflowMessageWithDefaults) {
  for (int i = 2; i <= 50; ++i) E1PSH("R" + std::to_string(i));
  EXPECT_EQ(stop_status([] { E1PSH("R51"); }), 3);
  const std::string out = take_output();
  EXPECT_EQ(out.substr(0, out.find("     Here")),
            "\n"
            " *** TERMINAL ERROR 1 from R50.  Error condition in E1PSH.  Push would cause\n"
            " ***          stack level to exceed 50. \n");
  EXPECT_NE(out.find("     R50                                  5           1    (Called internally)\n"),
            std::string::npos);
  EXPECT_NE(out.find("     USER                                 0           0\n"), std::string::npos);
}

TEST_F(ErrorStackTest, MisuseOfTheStackEndsTheRun) {
  // Printed only under the print attribute of TERMINAL.
  EXPECT_EQ(stop_status([] { E1POP("DNONE"); }), 3);
  EXPECT_EQ(take_output(),
            "\n *** TERMINAL ERROR 1 from E1POP.  Error condition in E1POP.  Cannot pop from\n"
            " ***          DNONE because stack is empty.\n");

  reset_library_state();
  E1PSH("DRIGHT");
  EXPECT_EQ(stop_status([] { E1POP("DWRONG"); }), 3);
  EXPECT_EQ(take_output(),
            "\n *** TERMINAL ERROR 2 from DRIGHT.  Error condition in E1POP.  DWRONG does\n"
            " ***          not match the name DRIGHT in the stack.\n");

  reset_library_state();
  ERSET(0, 0, 0);
  E1PSH("DRIGHT");
  EXPECT_EQ(stop_status([] { E1POP("dright"); }), 3);  // names are case sensitive
  EXPECT_EQ(take_output(), "");
}

TEST_F(ErrorStackTest, NamesMatchBlankPaddedAndCutAt32) {
  const std::string long_name(40, 'X');
  E1PSH("DNAME ");
  E1POP("DNAME");
  E1PSH(long_name);
  E1POP(long_name);
  EXPECT_EQ(library_state().error.level, 1);
}

TEST_F(ErrorStackTest, QueryMisuseIsPrintedEvenWithPrintingOff) {
  ERSET(0, 0, 0);
  EXPECT_EQ(stop_status([] { N1RTY(2); }), 3);
  EXPECT_EQ(take_output(),
            "\n *** TERMINAL ERROR 1 from USER.  The argument passed to N1RTY must be 0 or\n"
            " ***          1. \n");

  reset_library_state();
  ERSET(0, 0, 0);
  E1PSH("DQUERY");
  EXPECT_EQ(stop_status([] { N1RCD(-1); }), 3);
  EXPECT_EQ(take_output(),
            "\n *** TERMINAL ERROR 1 from DQUERY.  The argument passed to N1RCD must be 0 or\n"
            " ***          1. \n");
}

// A routine that cannot get its work storage records its TERMINAL message and
// ends the run with it printed exactly once, whatever the attributes say.
TEST_F(ErrorStackTest, WorkStorageFailurePrintsOnceAndEndsTheRun) {
  for (const int print : {0, 1}) {
    SCOPED_TRACE(print);
    reset_library_state();
    ERSET(0, print, 0);
    E1PSH("DEVCSF");
    ERROR_STORE_INTEGER(1, 100);
    E1MES(5, 9, "Not enough work storage for N = %(I1).");
    EXPECT_EQ(stop_status([] { print_message_and_end_run(); }), 3);
    EXPECT_EQ(take_output(), "\n *** TERMINAL ERROR 9 from DEVCSF.  Not enough work storage for N = 100.\n");
  }
}

TEST_F(ErrorStackTest, PendingGlobalStopTakesTheFatalResultLast) {
  ERSET(0, 0, -1);
  int p = -1, s = 1;
  SET_ERROR_ATTRIBUTES(6, p, s);
  s = 0;
  SET_ERROR_ATTRIBUTES(7, p, s);
  EXPECT_EQ(PENDING_GLOBAL_STOP(), 0);
  E1MES(6, 1, "Global warning.");
  EXPECT_EQ(PENDING_GLOBAL_STOP(), 1);
  EXPECT_EQ(PENDING_GLOBAL_STOP(), 0);  // consumed
  E1MES(6, 1, "Global warning.");
  E1MES(7, 2, "Global fatal.");
  EXPECT_EQ(PENDING_GLOBAL_STOP(), 0);  // the type-7 result replaces the type-6 one
  EXPECT_EQ(library_state().error.pending_global_warning, 0);
}

TEST_F(ErrorStackTest, FrameAndUserRoutineBracket) {
  EXPECT_EQ(THREAD_SLOT(), 1);
  // A library routine called from inside a user routine counts as entered from
  // user code: its WARNING prints at its own pop.
  const auto user_objective = [](double x) {
    Frame inner("DINNER");
    E1MES(3, 4, "Inner warning.");
    inner.pop();
    return 2.0 * x;
  };
  Frame outer("DOUTER");
  const double y = call_user_routine(user_objective, 1.5);
  EXPECT_EQ(y, 3.0);
  EXPECT_EQ(library_state().error.user_flag[3], 0);  // switched off again
  const std::string out = take_output();
  EXPECT_NE(out.find("WARNING  ERROR 4 from DINNER."), std::string::npos);
  EXPECT_EQ(out.find("(Called internally)"), std::string::npos);
  outer.pop();
  EXPECT_EQ(take_output(), "");  // printed once only
  EXPECT_EQ(LAST_ERROR_CODE(), 4);
}

}  // namespace
}  // namespace numlib::testing
