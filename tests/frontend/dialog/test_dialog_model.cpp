#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "frontend/dialog/dialog_model.h"
#include "frontend/dialog/test_support.h"

namespace {

using dialog::DialogModel;
using dialog_test::ProbeDef;

TEST(DialogModel, StartsFromTheDescription) {
  const DialogModel m(ProbeDef());
  EXPECT_EQ(m.Text(50), "Label");
  EXPECT_EQ(m.Text(10), "") << "an edit starts empty whatever its caption";
  EXPECT_EQ(m.Selection(30), -1);
  EXPECT_EQ(m.Progress(40), 0);
  EXPECT_EQ(m.Focus(), 0);
  EXPECT_EQ(m.VisibleIds().size(), ProbeDef().controls.size());
  EXPECT_EQ(m.EnabledIds().size(), ProbeDef().controls.size());
}

TEST(DialogModel, VisibilityAndEnablingAreIndependent) {
  struct Case {
    const char* name;
    std::function<void(DialogModel&)> act;
    bool visible;
    bool enabled;
  };
  const Case cases[] = {
      {"hide", [](DialogModel& m) { m.Hide(10); }, false, true},
      {"disable", [](DialogModel& m) { m.Disable(10); }, true, false},
      {"hide then show", [](DialogModel& m) { m.Hide(10); m.Show(10); }, true, true},
      {"disable then enable", [](DialogModel& m) { m.Disable(10); m.Enable(10); }, true, true},
      {"hidden and disabled", [](DialogModel& m) { m.Hide(10); m.Disable(10); }, false, false},
      {"show with false", [](DialogModel& m) { m.Show(10, false); }, false, true},
  };
  for (const Case& c : cases) {
    DialogModel m(ProbeDef());
    c.act(m);
    EXPECT_EQ(m.IsVisible(10), c.visible) << c.name;
    EXPECT_EQ(m.IsEnabled(10), c.enabled) << c.name;
    EXPECT_TRUE(m.IsVisible(11) && m.IsEnabled(11)) << c.name << ": another control changed";
  }
}

TEST(DialogModel, TextReadsTakeACap) {
  struct Case {
    std::string text;
    std::size_t cap;
    std::string read;
  };
  const Case cases[] = {
      {"40.30", 15, "40.30"},
      {"123456789012345678", 15, "123456789012345"},
      {"123456789012345", 15, "123456789012345"},
      {"", 15, ""},
      {"abc", 0, ""},
      {"abc", DialogModel::kNoCap, "abc"},
  };
  for (const Case& c : cases) {
    DialogModel m(ProbeDef());
    m.SetText(10, c.text);
    EXPECT_EQ(m.Text(10, c.cap), c.read) << c.text << " cap " << c.cap;
    EXPECT_EQ(m.Text(10), c.text) << "the stored text is whole";
  }
}

TEST(DialogModel, ListSelectionOutsideTheLinesIsNone) {
  struct Case {
    int select;
    int expected;
  };
  const Case cases[] = {{0, 0}, {2, 2}, {3, -1}, {-1, -1}, {-7, -1}, {1000, -1}};
  for (const Case& c : cases) {
    DialogModel m(ProbeDef());
    for (const char* line : {"a", "b", "c"}) m.AddItem(30, line);
    m.SetSelection(30, 1);
    m.SetSelection(30, c.select);
    EXPECT_EQ(m.Selection(30), c.expected) << "select " << c.select;
  }
}

TEST(DialogModel, ListLinesKeepTheirOrderAndClearingDropsTheSelection) {
  DialogModel m(ProbeDef());
  EXPECT_EQ(m.AddItem(30, "first"), 0);
  EXPECT_EQ(m.AddItem(30, "second"), 1);
  EXPECT_EQ(m.Item(30, 1), "second");
  EXPECT_THROW(m.Item(30, 2), std::out_of_range);
  m.SetSelection(30, 1);
  m.ClearItems(30);
  EXPECT_EQ(m.ItemCount(30), 0);
  EXPECT_EQ(m.Selection(30), -1);
}

TEST(DialogModel, ProgressIsClamped) {
  struct Case {
    int set;
    int expected;
  };
  // Day counts divided by 15 run past 100 on long records.
  const Case cases[] = {{0, 0}, {57, 57}, {100, 100}, {101, 100}, {243, 100}, {-3, 0}};
  for (const Case& c : cases) {
    DialogModel m(ProbeDef());
    m.SetProgress(40, c.set);
    EXPECT_EQ(m.Progress(40), c.expected) << c.set;
  }
}

TEST(DialogModel, EveryChangeMovesTheRevisionAndFocusByCodeIsCounted) {
  DialogModel m(ProbeDef());
  auto before = m.revision();
  m.SetText(50, "x");
  EXPECT_GT(m.revision(), before);
  before = m.revision();
  m.NoteFocus(10);
  EXPECT_EQ(m.revision(), before) << "focus placed by the user needs no repaint";
  EXPECT_EQ(m.focus_requests(), 0u);
  m.SetFocus(11);
  EXPECT_EQ(m.Focus(), 11);
  EXPECT_EQ(m.focus_requests(), 1u);
}

TEST(DialogModel, UnknownControlsAreReported) {
  DialogModel m(ProbeDef());
  EXPECT_FALSE(m.Has(999));
  EXPECT_THROW(m.Hide(999), std::out_of_range);
  EXPECT_THROW(m.Text(999), std::out_of_range);
  EXPECT_THROW(m.SetFocus(999), std::out_of_range);
  dialog::DialogDef twice = ProbeDef();
  twice.controls.push_back(twice.controls.front());
  EXPECT_THROW(DialogModel{twice}, std::invalid_argument);
}

}  // namespace
