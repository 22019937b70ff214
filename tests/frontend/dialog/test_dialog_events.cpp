#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frontend/dialog/scripted_host.h"
#include "frontend/dialog/test_support.h"

namespace {

using dialog::ScriptedHost;
using dialog_test::ProbeDialog;
using Log = std::vector<std::string>;

struct Probe {
  ScriptedHost host;
  ProbeDialog dlg{host};
  Probe() { dlg.OnInitDialog(); dlg.log.clear(); }
};

TEST(DialogEvents, MapDispatchAndRefusal) {
  struct Case {
    const char* name;
    std::function<void(ProbeDialog&)> setup;
    std::function<bool(ProbeDialog&)> event;
    bool accepted;
    Log log;
  };
  auto click = [](int id) { return [id](ProbeDialog& d) { return d.Click(id); }; };
  auto none = [](ProbeDialog&) {};
  const Case cases[] = {
      {"mapped click", none, click(3), true, {"OnGo"}},
      {"button 1 reaches OnOK", none, click(1), true, {"OnOK"}},
      {"button 2 reaches OnCancel", none, click(2), true, {"OnCancel"}},
      {"unmapped button", none, click(60), true, {}},
      {"kill-focus", none, [](ProbeDialog& d) { return d.KillFocus(10); }, true, {"OnLeaveFirst"}},
      {"selection change", none, [](ProbeDialog& d) { return d.SelectItem(30, 1); }, true, {"OnPick 1"}},
      {"hidden button", [](ProbeDialog& d) { d.model().Hide(3); }, click(3), false, {}},
      {"disabled button", [](ProbeDialog& d) { d.model().Disable(3); }, click(3), false, {}},
      {"hidden OK", [](ProbeDialog& d) { d.model().Hide(1); }, click(1), false, {}},
      {"disabled edit loses focus", [](ProbeDialog& d) { d.model().Disable(10); },
       [](ProbeDialog& d) { return d.KillFocus(10); }, false, {}},
      {"hidden list", [](ProbeDialog& d) { d.model().Hide(30); },
       [](ProbeDialog& d) { return d.SelectItem(30, 0); }, false, {}},
      {"list line out of range", none, [](ProbeDialog& d) { return d.SelectItem(30, 2); }, false, {}},
      {"typing into a disabled edit", [](ProbeDialog& d) { d.model().Disable(11); },
       [](ProbeDialog& d) { return d.TypeText(11, "x"); }, false, {}},
      {"a static is not clicked", none, click(50), false, {}},
      {"unknown control", none, click(999), false, {}},
      {"after EndDialog", [](ProbeDialog& d) { d.EndDialog(dialog::IDOK); }, click(3), false, {}},
      {"kill-focus after EndDialog", [](ProbeDialog& d) { d.EndDialog(dialog::IDOK); },
       [](ProbeDialog& d) { return d.KillFocus(10); }, false, {}},
  };
  for (const Case& c : cases) {
    Probe p;
    c.setup(p.dlg);
    EXPECT_EQ(c.event(p.dlg), c.accepted) << c.name;
    EXPECT_EQ(p.dlg.log, c.log) << c.name;
  }
}

TEST(DialogEvents, MapRowsKeepTheirOrder) {
  Probe p;
  std::vector<std::string> names;
  for (const dialog::MapRow& row : p.dlg.message_map()) names.push_back(row.handler);
  EXPECT_EQ(names, (Log{"OnGo", "OnLeaveFirst", "OnLeaveSecond", "OnCheck", "OnLeft", "OnPick",
                        "OnAsk", "OnGoAgain"}));
}

TEST(DialogEvents, EndDialogKeepsTheFirstCode) {
  Probe p;
  p.dlg.EndDialog(dialog::IDCANCEL);
  p.dlg.EndDialog(dialog::IDOK);
  EXPECT_TRUE(p.dlg.ended());
  EXPECT_EQ(p.dlg.result(), dialog::IDCANCEL);
  ASSERT_EQ(p.host.ends().size(), 1u);
  EXPECT_EQ(p.host.ends()[0].caption, "Probe");
}

TEST(DialogEvents, CheckBoxesToggleAndRadioButtonsExcludeEachOther) {
  Probe p;
  p.dlg.Click(20);
  p.dlg.Click(20);
  EXPECT_EQ(p.dlg.log, (Log{"OnCheck on", "OnCheck off"})) << "the state changes before the handler";
  p.dlg.Click(22);
  EXPECT_TRUE(p.dlg.model().IsChecked(22));
  p.dlg.Click(21);
  EXPECT_TRUE(p.dlg.model().IsChecked(21));
  EXPECT_FALSE(p.dlg.model().IsChecked(22));
  p.dlg.Click(21);
  EXPECT_TRUE(p.dlg.model().IsChecked(21)) << "a second click keeps it set";
  EXPECT_EQ(p.dlg.log.back(), "OnLeft") << "and is reported again";
}

TEST(DialogEvents, EnterPressesTheVisibleEnabledDefaultButton) {
  struct Case {
    const char* name;
    std::function<void(dialog::DialogModel&)> setup;
    bool accepted;
    Log log;
  };
  const Case cases[] = {
      {"1 visible, 3 hidden", [](dialog::DialogModel& m) { m.Hide(3); }, true, {"OnOK"}},
      {"3 visible, 1 hidden", [](dialog::DialogModel& m) { m.Hide(1); }, true, {"OnGo"}},
      {"3 visible, 1 disabled", [](dialog::DialogModel& m) { m.Disable(1); }, true, {"OnGo"}},
      {"neither", [](dialog::DialogModel& m) { m.Hide(1); m.Hide(3); }, false, {}},
      {"1 hidden, 3 disabled", [](dialog::DialogModel& m) { m.Hide(1); m.Disable(3); }, false, {}},
  };
  for (const Case& c : cases) {
    Probe p;
    c.setup(p.dlg.model());
    EXPECT_EQ(p.dlg.PressEnter(), c.accepted) << c.name;
    EXPECT_EQ(p.dlg.log, c.log) << c.name;
  }
}

TEST(DialogEvents, EscapeActsAsCancel) {
  {
    Probe p;
    p.dlg.model().Hide(2);  // no visible Cancel button: Escape still cancels
    EXPECT_TRUE(p.dlg.PressEscape());
    EXPECT_EQ(p.dlg.log, Log{"OnCancel"});
    EXPECT_EQ(p.dlg.result(), dialog::IDCANCEL);
    EXPECT_FALSE(p.dlg.PressEscape()) << "nothing after the end";
  }
  {
    Probe p;
    p.dlg.model().Disable(2);
    EXPECT_FALSE(p.dlg.PressEscape());
    EXPECT_FALSE(p.dlg.ended());
  }
}

TEST(DialogEvents, MovingTheFocusTellsTheControlThatHadIt) {
  Probe p;
  EXPECT_TRUE(p.dlg.MoveFocus(10));
  EXPECT_TRUE(p.dlg.log.empty()) << "nothing had the focus before";
  EXPECT_TRUE(p.dlg.MoveFocus(10));
  EXPECT_TRUE(p.dlg.log.empty()) << "staying on a control is no loss";
  EXPECT_TRUE(p.dlg.MoveFocus(11));
  EXPECT_TRUE(p.dlg.MoveFocus(0));
  EXPECT_EQ(p.dlg.log, (Log{"OnLeaveFirst", "OnLeaveSecond"}));
  EXPECT_FALSE(p.dlg.MoveFocus(50)) << "a static takes no focus";
  p.dlg.model().Disable(11);
  EXPECT_FALSE(p.dlg.MoveFocus(11));
  EXPECT_EQ(p.dlg.model().Focus(), 0);
}

TEST(DialogEvents, ChangesByCodeNeverNotify) {
  Probe p;
  auto& m = p.dlg.model();
  m.SetCheck(20, true);
  m.SetCheck(21, true);
  m.SetSelection(30, 1);
  m.SetText(10, "x");
  m.SetFocus(11);
  m.SetFocus(10);
  EXPECT_TRUE(p.dlg.log.empty());
}

}  // namespace
