// The window backend, driven by replay scripts through its widgets. Each case
// plays the same script the headless tests play and expects the same events, so
// the backend binds widgets to events as the dialog layer defines them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/dialog/fltk_host.h"
#include "frontend/dialog/scripted_host.h"
#include "frontend/dialog/test_support.h"

namespace {

using dialog::Script;
using dialog_test::ProbeDialog;
using Log = std::vector<std::string>;

struct Outcome {
  Log log;
  int result = 0;
  std::string failure;
  std::vector<std::string> messages;
};

Outcome InWindow(const std::string& script, bool warn_on_leave = false) {
  dialog::FltkHost host;
  host.Replay(Script::Parse(script, "w.tvs"));
  ProbeDialog dlg(host);
  dlg.warn_on_leave = warn_on_leave;
  Outcome o;
  o.result = dlg.DoModal();
  o.log = dlg.log;
  o.failure = host.failure();
  for (const auto& m : host.messages()) o.messages.push_back(m.text);
  return o;
}

Outcome Headless(const std::string& script, bool warn_on_leave = false) {
  dialog::HeadlessDriver driver;
  dialog::ScriptRunner runner(Script::Parse(script, "w.tvs"), driver);
  dialog::ScriptedHost host(&runner);
  ProbeDialog dlg(host);
  dlg.warn_on_leave = warn_on_leave;
  Outcome o;
  try {
    o.result = dlg.DoModal();
  } catch (const std::exception& e) {
    o.failure = e.what();
  }
  o.log = dlg.log;
  for (const auto& m : host.messages()) o.messages.push_back(m.text);
  return o;
}

TEST(FltkHost, DisplayIsThere) { ASSERT_TRUE(dialog::FltkHost::OpenDisplay()); }

TEST(FltkHost, PlaysLikeTheHeadlessHost) {
  struct Case {
    const char* name;
    std::string script;
    bool warn;
    Log log;
    int result;
  };
  const Case cases[] = {
      {"typing, focus moves, boxes and lists",
       "set 10 abc\nset 11 def\nexpect-focus 11\nexpect-text 10 abc\nclick 20\nexpect-checked 20 1\n"
       "tick 20\nuntick 20\nexpect-checked 20 0\nselect 30 1\nexpect-item 30 1 beta\n"
       "leave 11\nclick 1\nexpect-end IDOK\n",
       false,
       {"OnInitDialog", "OnLeaveFirst", "OnLeaveSecond", "OnCheck on", "OnCheck off", "OnPick 1",
        "OnLeaveSecond", "OnOK"},
       dialog::IDOK},
      {"a focus loss comes before the click that caused it", "set 10 x\nclick 3\nkey escape\n", false,
       {"OnInitDialog", "OnLeaveFirst", "OnGo", "OnCancel"}, dialog::IDCANCEL},
      {"a box from a focus loss takes no focus away for good",
       "set 10 x\nset 11 y\nexpect-message First is wrong.\nclick 3\nkey escape\n", true,
       {"OnInitDialog", "OnLeaveFirst", "OnLeaveSecond", "OnGo", "OnCancel"}, dialog::IDCANCEL},
      {"radio buttons report every click", "click 22\nclick 21\nclick 21\nexpect-visible 21\nkey enter\n",
       false, {"OnInitDialog", "OnLeft", "OnLeft", "OnOK"}, dialog::IDOK},
      {"file dialogs answered by the script",
       "answer-save /x/probe\nanswer-save cancel\nclick 70\nclick 70\nkey escape\n", false,
       {"OnInitDialog", "OnAsk /x/probe.prb", "OnAsk cancelled", "OnCancel"}, dialog::IDCANCEL},
  };
  for (const Case& c : cases) {
    const Outcome headless = Headless(c.script, c.warn);
    const Outcome window = InWindow(c.script, c.warn);
    EXPECT_EQ(headless.failure, "") << c.name;
    EXPECT_EQ(window.failure, "") << c.name;
    EXPECT_EQ(headless.log, c.log) << c.name;
    EXPECT_EQ(window.log, c.log) << c.name;
    EXPECT_EQ(window.result, c.result) << c.name;
    EXPECT_EQ(window.messages, headless.messages) << c.name;
  }
}

TEST(FltkHost, FailuresEndTheRunWithTheScriptLine) {
  struct Case {
    std::string script;
    std::string failure;
  };
  const Case cases[] = {
      {"click 3\nexpect-message Nope\n", "w.tvs:2: expected the message \"Nope\"; no message was shown"},
      {"click 70\n", "w.tvs:1: no answer queued for the file-save dialog \"Save probe.\""},
      {"expect-hidden 3\n", "w.tvs:1: control 3 is visible in \"Probe\""},
  };
  for (const Case& c : cases) {
    const Outcome o = InWindow(c.script);
    EXPECT_EQ(o.failure, c.failure) << c.script;
    EXPECT_EQ(o.result, dialog::IDCANCEL) << c.script;
  }
}

TEST(FltkHost, ClosesWhatTheScriptLeavesOpen) {
  dialog::FltkHost host;
  host.Replay(Script::Parse("click 3\n", "w.tvs"));
  ProbeDialog dlg(host);
  EXPECT_EQ(dlg.DoModal(), dialog::IDCANCEL);
  EXPECT_EQ(host.failure(), "");
  EXPECT_EQ(host.unfinished(), std::vector<std::string>{"Probe"});
  EXPECT_EQ(dlg.log, (Log{"OnInitDialog", "OnGo"}));
}

}  // namespace
