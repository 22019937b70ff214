#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/dialog/scripted_host.h"
#include "frontend/dialog/test_support.h"

namespace {

using dialog::FileDialogKind;
using dialog::HostError;
using dialog::ScriptedHost;
using dialog_test::ProbeDialog;

TEST(ScriptedHost, RecordsMessageBoxesWithTheDialogCaptionAsTitle) {
  ScriptedHost host;
  ProbeDialog dlg(host);
  dlg.MessageBox("Select weather station.");
  dlg.MessageBox("two\nlines", dialog::MessageIcon::Information);
  ASSERT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(host.messages()[0].text, "Select weather station.");
  EXPECT_EQ(host.messages()[0].title, "Probe");
  EXPECT_EQ(host.messages()[0].icon, dialog::MessageIcon::Plain);
  EXPECT_EQ(host.messages()[1].text, "two\nlines");
  EXPECT_EQ(host.messages()[1].icon, dialog::MessageIcon::Information);
}

TEST(ScriptedHost, AnswersFileDialogsInQueueOrderPerKind) {
  ScriptedHost host;
  host.QueueAnswer(FileDialogKind::Save, std::string("/p/first.prb"));
  host.QueueAnswer(FileDialogKind::Open, std::string("/p/opened.clm"));
  host.QueueAnswer(FileDialogKind::Save, std::nullopt);
  host.QueueAnswer(FileDialogKind::Save, std::string("/p/site"));
  host.QueueAnswer(FileDialogKind::Save, std::string("/p.d/site"));

  const dialog::FileDialogSpec spec{"Save.", {{"Probe (*.prb)", "*.prb"}}, "/p", "prb"};
  EXPECT_EQ(host.SaveFile(spec), std::optional<std::string>("/p/first.prb"));
  EXPECT_EQ(host.SaveFile(spec), std::nullopt) << "a queued cancel";
  EXPECT_EQ(host.SaveFile(spec), std::optional<std::string>("/p/site.prb"))
      << "a name without extension takes the default one";
  EXPECT_EQ(host.SaveFile(spec), std::optional<std::string>("/p.d/site.prb"))
      << "a point in a folder name is no extension";
  EXPECT_EQ(host.OpenFile(spec), std::optional<std::string>("/p/opened.clm"));
  EXPECT_EQ(host.QueuedAnswers(FileDialogKind::Save), 0u);

  ASSERT_EQ(host.file_dialogs().size(), 5u);
  EXPECT_EQ(host.file_dialogs()[1].kind, FileDialogKind::Save);
  EXPECT_FALSE(host.file_dialogs()[1].answer.has_value());
  EXPECT_EQ(host.file_dialogs()[4].kind, FileDialogKind::Open);
  EXPECT_EQ(host.file_dialogs()[4].spec.title, "Save.");
  EXPECT_EQ(host.file_dialogs()[4].spec.filters[0].pattern, "*.prb");
}

TEST(ScriptedHost, AnUnqueuedFileDialogIsAnError) {
  ScriptedHost host;
  host.QueueAnswer(FileDialogKind::Open, std::string("/p/a.clm"));  // wrong kind
  try {
    host.SaveFile({"Save generated climatic data file.", {}, "", ""});
    FAIL() << "expected HostError";
  } catch (const HostError& e) {
    EXPECT_NE(std::string(e.what()).find("Save generated climatic data file."), std::string::npos);
  }
}

TEST(ScriptedHost, DefaultExtensionRules) {
  struct Case {
    const char* path;
    const char* ext;
    const char* result;
  };
  const Case cases[] = {
      {"site", "clm", "site.clm"},  {"site.txt", "clm", "site.txt"}, {"a/b/site", ".clm", "a/b/site.clm"},
      {"site", "", "site"},         {"dir/", "clm", "dir/"},         {"c:\\x.y\\site", "clm", "c:\\x.y\\site.clm"},
  };
  for (const Case& c : cases) EXPECT_EQ(dialog::WithDefaultExtension(c.path, c.ext), c.result) << c.path;
}

// Steps through a fixed list of actions, like a script would.
class Steps : public dialog::EventSource {
 public:
  explicit Steps(std::vector<std::function<void(dialog::Dialog&)>> steps) : steps_(std::move(steps)) {}
  bool Step(dialog::Host& host) override {
    if (next_ >= steps_.size()) return false;
    steps_[next_++](*host.top());
    return true;
  }

 private:
  std::vector<std::function<void(dialog::Dialog&)>> steps_;
  std::size_t next_ = 0;
};

TEST(ScriptedHost, RunsAModalDialogUntilItEnds) {
  Steps steps({[](dialog::Dialog& d) { d.Click(3); }, [](dialog::Dialog& d) { d.Click(1); },
               [](dialog::Dialog&) { FAIL() << "stepped after the end"; }});
  ScriptedHost host(&steps);
  ProbeDialog dlg(host);
  EXPECT_EQ(host.top(), nullptr);
  EXPECT_EQ(dlg.DoModal(), dialog::IDOK);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"OnInitDialog", "OnGo", "OnOK"}));
  EXPECT_EQ(host.top(), nullptr);
  EXPECT_TRUE(host.unfinished().empty());
}

TEST(ScriptedHost, ClosesADialogLeftOpenWhenTheEventsRunOut) {
  Steps steps({[](dialog::Dialog& d) { d.Click(3); }});
  ScriptedHost host(&steps);
  ProbeDialog dlg(host);
  EXPECT_EQ(dlg.DoModal(), dialog::IDCANCEL);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"OnInitDialog", "OnGo"})) << "no OnCancel";
  EXPECT_EQ(host.unfinished(), std::vector<std::string>{"Probe"});
}

}  // namespace
