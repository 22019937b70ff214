#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "frontend/dialog/script.h"
#include "frontend/dialog/test_support.h"

namespace {

using dialog::Script;
using dialog::ScriptError;
using dialog::Verb;
using dialog_test::ProbeDialog;

std::string ParseError(const std::string& text) {
  try {
    Script::Parse(text, "t.tvs");
  } catch (const ScriptError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Script, ParsesEveryCommand) {
  ::setenv("TERVON_TEST_DIR", "/tmp/shots", 1);
  const Script s = Script::Parse(
      "# comment\n"
      "\n"
      "click 1008\n"
      "set 1001 40.30  \r\n"
      "set 1003 \"  -105 \\\"quoted\\\"\\n\"\n"
      "set 1005\n"
      "leave 1001\n"
      "select 1018 3\n"
      "tick 1011\n"
      "untick 1012\n"
      "key enter\n"
      "key escape\n"
      "answer-open /p/site.clm\n"
      "answer-save cancel\n"
      "answer-save \"cancel\"\n"
      "expect-message Weather station file x missing.\n"
      "expect-visible 1 2 3\n"
      "expect-hidden 1000\n"
      "expect-enabled 1001\n"
      "expect-disabled 1003 1005\n"
      "expect-text 1000 Current climatic data file: (none)\n"
      "expect-end IDCANCEL\n"
      "expect-end 1\n"
      "  screenshot ${TERVON_TEST_DIR}/a.png\n",
      "t.tvs");
  ASSERT_EQ(s.commands.size(), 22u);
  const auto& c = s.commands;
  EXPECT_EQ(c[0].verb, Verb::Click);
  EXPECT_EQ(c[0].line, 3);
  EXPECT_EQ(c[0].ids, std::vector<int>{1008});
  EXPECT_EQ(c[1].text, "40.30") << "trailing blanks and CR dropped";
  EXPECT_EQ(c[2].text, "  -105 \"quoted\"\n");
  EXPECT_EQ(c[3].text, "");
  EXPECT_EQ(c[5].number, 3);
  EXPECT_EQ(c[8].number, 1);
  EXPECT_EQ(c[9].number, 2);
  EXPECT_EQ(c[10].text, "/p/site.clm");
  EXPECT_TRUE(c[11].cancel);
  EXPECT_FALSE(c[12].cancel) << "a quoted \"cancel\" is a file name";
  EXPECT_EQ(c[13].text, "Weather station file x missing.");
  EXPECT_EQ(c[14].ids, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(c[18].text, "Current climatic data file: (none)");
  EXPECT_EQ(c[19].number, dialog::IDCANCEL);
  EXPECT_EQ(c[20].number, dialog::IDOK);
  EXPECT_EQ(c[21].text, "/tmp/shots/a.png");
  EXPECT_EQ(c[21].line, 24);
}

TEST(Script, ErrorsNameTheFileAndLine) {
  ::unsetenv("TERVON_UNSET_VARIABLE");
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"click 1\nclack 2\n", "t.tvs:2: unknown command \"clack\""},
      {"\n\nclick\n", "t.tvs:3: click needs a control identifier"},
      {"click x1\n", "t.tvs:1: \"x1\" is not a control identifier"},
      {"click 1 2\n", "t.tvs:1: unexpected \"2\" after click"},
      {"select 1018\n", "t.tvs:1: select needs a line index after the identifier"},
      {"key space\n", "t.tvs:1: key takes \"enter\" or \"escape\""},
      {"expect-end OK\n", "t.tvs:1: expect-end takes IDOK, IDCANCEL or a number"},
      {"expect-visible\n", "t.tvs:1: expect-visible needs at least one identifier"},
      {"answer-open\n", "t.tvs:1: answer-open needs a path or \"cancel\""},
      {"screenshot\n", "t.tvs:1: screenshot needs a file name"},
      {"set 1 \"open\n", "t.tvs:1: the quoted text has no closing quote"},
      {"set 1 \"a\" b\n", "t.tvs:1: text after the closing quote"},
      {"set 1 \"\\q\"\n", "t.tvs:1: unknown escape \\q"},
      {"# ok\nscreenshot ${TERVON_UNSET_VARIABLE}/a.png\n",
       "t.tvs:2: the environment variable \"TERVON_UNSET_VARIABLE\" is not set"},
      {"screenshot ${HOME\n", "t.tvs:1: \"${\" without a closing \"}\""},
      {"expect-item 30 one\n", "t.tvs:1: expect-item needs a line index after the identifier"},
      {"expect-checked 20 yes\n", "t.tvs:1: expect-checked takes 0 or 1 after the identifier"},
      {"expect-checked 20 1 2\n", "t.tvs:1: unexpected \"2\" after expect-checked"},
      {"expect-focus\n", "t.tvs:1: expect-focus needs a control identifier"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseError(c.text), c.error) << c.text;
}

TEST(Script, LoadNamesAMissingFile) {
  try {
    Script::Load("/nonexistent/folder/x.tvs");
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_EQ(std::string(e.what()),
              "/nonexistent/folder/x.tvs: cannot open the script: No such file or directory");
  }
}

// Plays `text` against a probe dialog run modally; returns the error or "".
struct Played {
  std::string error;
  std::vector<std::string> log;
  int result = 0;
  dialog::ScriptedHost host;
};

void Play(const std::string& text, Played& out, bool warn_on_leave = false) {
  dialog::HeadlessDriver driver;
  dialog::ScriptRunner runner(Script::Parse(text, "p.tvs"), driver);
  out.host.set_event_source(&runner);
  ProbeDialog dlg(out.host);
  dlg.warn_on_leave = warn_on_leave;
  try {
    out.result = dlg.DoModal();
  } catch (const ScriptError& e) {
    out.error = e.what();
  }
  out.log = dlg.log;
}

TEST(ScriptRunner, PlaysActionsThroughTheFocusRules) {
  Played p;
  Play("set 10 abc\n"
       "set 11 def\n"          // leaving 10 for 11
       "expect-text 10 abc\n"
       "click 20\n"            // leaving 11 for the check box
       "tick 20\n"             // already ticked: nothing
       "untick 20\n"
       "select 30 1\n"
       "leave 11\n"            // 11 gets the focus back, then loses it
       "click 1\n"
       "expect-end IDOK\n",
       p);
  EXPECT_EQ(p.error, "");
  EXPECT_EQ(p.result, dialog::IDOK);
  EXPECT_EQ(p.log, (std::vector<std::string>{"OnInitDialog", "OnLeaveFirst", "OnLeaveSecond",
                                             "OnCheck on", "OnCheck off", "OnPick 1", "OnLeaveSecond",
                                             "OnOK"}));
}

TEST(ScriptRunner, MessagesCountFromThePreviousAction) {
  Played p;
  Play("set 10 x\n"
       "leave 10\n"
       "expect-message First is wrong.\n"
       "expect-message First is wrong.\n"  // still since the previous action
       "click 3\n"
       "expect-message First is wrong.\n",
       p, true);
  EXPECT_EQ(p.error, "p.tvs:6: expected the message \"First is wrong.\"; no message was shown");
}

TEST(ScriptRunner, FailuresNameTheLine) {
  struct Case {
    std::string script;
    std::string error;
  };
  const Case cases[] = {
      {"click 3\nexpect-message Nope\n", "p.tvs:2: expected the message \"Nope\"; no message was shown"},
      {"expect-visible 1 2 60\nexpect-hidden 3\n", "p.tvs:2: control 3 is visible in \"Probe\""},
      {"expect-disabled 10\n", "p.tvs:1: control 10 is enabled in \"Probe\""},
      {"expect-text 50 Label \n expect-text 50 Lab\n", "p.tvs:2: control 50 reads \"Label\", expected \"Lab\""},
      {"expect-end IDOK\n", "p.tvs:1: no dialog ended"},
      {"click 2\n", ""},
      {"click 999\n", "p.tvs:1: \"Probe\" has no control 999"},
      {"click 50\n", "p.tvs:1: control 50 is a static text, not a button"},
      {"set 20 x\n", "p.tvs:1: control 20 is a check box, not an edit"},
      {"tick 21\n", "p.tvs:1: control 21 is a radio button, not a check box"},
      {"select 30 2\n", "p.tvs:1: list 30 has 2 lines; there is no line 2"},
      {"select 10 0\n", "p.tvs:1: control 10 is an edit, not a list box"},
      {"click 70\n", "p.tvs:1: no answer queued for the file-save dialog \"Save probe.\""},
      {"answer-save /x/y\nclick 70\nclick 70\n", "p.tvs:3: no answer queued for the file-save dialog \"Save probe.\""},
      {"expect-item 30 1 beta\nexpect-item 30 0  alpha  \nexpect-item 30 0 beta\n",
       "p.tvs:3: line 0 of list 30 reads \"alpha\", expected \"beta\""},
      {"expect-item 30 2 gamma\n", "p.tvs:1: list 30 has 2 lines; there is no line 2"},
      {"expect-item 20 0 x\n", "p.tvs:1: control 20 is a check box, not a list box"},
      {"expect-checked 20 0\nclick 20\nexpect-checked 20 1\nexpect-checked 20 0\n",
       "p.tvs:4: control 20 is checked in \"Probe\""},
      {"click 22\nexpect-checked 22 1\nexpect-checked 21 1\n", "p.tvs:3: control 21 is not checked in \"Probe\""},
      {"expect-checked 10 0\n", "p.tvs:1: control 10 is an edit, not a check box or radio button"},
      {"expect-focus 0\nset 11 x\nexpect-focus 11\nclick 20\nexpect-focus 11\n",
       "p.tvs:5: control 20 has the focus in \"Probe\", expected control 11"},
      {"expect-focus 10\n", "p.tvs:1: no control has the focus in \"Probe\", expected control 10"},
  };
  for (const Case& c : cases) {
    Played p;
    Play(c.script, p);
    EXPECT_EQ(p.error, c.error) << c.script;
  }
}

TEST(ScriptRunner, RefusesActionsOnHiddenOrDisabledControls) {
  struct Hider : ProbeDialog {
    using ProbeDialog::ProbeDialog;
    bool OnInitDialog() override {
      model().Hide(3);
      model().Disable(11);
      return ProbeDialog::OnInitDialog();
    }
  };
  for (const auto& [script, error] : std::vector<std::pair<std::string, std::string>>{
           {"click 3\n", "p.tvs:1: control 3 is hidden"},
           {"set 11 x\n", "p.tvs:1: control 11 is disabled"},
           {"expect-hidden 3\nexpect-disabled 11\nkey enter\nexpect-end 1\n", ""}}) {
    dialog::HeadlessDriver driver;
    dialog::ScriptRunner runner(Script::Parse(script, "p.tvs"), driver);
    dialog::ScriptedHost host(&runner);
    Hider dlg(host);
    std::string got;
    try {
      dlg.DoModal();
    } catch (const ScriptError& e) {
      got = e.what();
    }
    EXPECT_EQ(got, error) << script;
  }
}

TEST(ScriptRunner, AnswersReachTheFileDialog) {
  Played p;
  Play("answer-save /x/probe\nanswer-save cancel\nclick 70\nclick 70\nkey escape\nexpect-end IDCANCEL\n", p);
  EXPECT_EQ(p.error, "");
  EXPECT_EQ(p.log, (std::vector<std::string>{"OnInitDialog", "OnAsk /x/probe.prb", "OnAsk cancelled",
                                             "OnCancel"}));
}

}  // namespace
