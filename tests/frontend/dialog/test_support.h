#pragma once
// A small dialog whose handlers log what they hear, for the dialog layer tests.

#include <string>
#include <vector>

#include "frontend/dialog/dialog.h"
#include "frontend/dialog/host.h"

namespace dialog_test {

using dialog::ControlKind;

inline const dialog::DialogDef& ProbeDef() {
  static const dialog::DialogDef def{
      "Probe",
      130,
      218,
      {
          {1, ControlKind::DefPushButton, "OK", 4, 4, 120, 12},
          {2, ControlKind::PushButton, "Cancel", 4, 18, 120, 12},
          {3, ControlKind::DefPushButton, "Go", 4, 32, 120, 12},
          {10, ControlKind::Edit, "ignored caption", 4, 46, 120, 12},
          {11, ControlKind::Edit, "", 4, 60, 120, 12},
          {20, ControlKind::CheckBox, "Check", 4, 74, 120, 12},
          {21, ControlKind::Radio, "Left", 4, 88, 120, 12},
          {22, ControlKind::Radio, "Right", 4, 102, 120, 12},
          {30, ControlKind::ListBox, "", 4, 116, 120, 40},
          {40, ControlKind::ProgressBar, "", 4, 158, 120, 12},
          {50, ControlKind::Static, "Label", 4, 172, 120, 12},
          {60, ControlKind::PushButton, "Unmapped", 4, 186, 120, 12},
          {70, ControlKind::PushButton, "Ask", 4, 200, 120, 12},
      }};
  return def;
}

class ProbeDialog : public dialog::Dialog {
 public:
  explicit ProbeDialog(dialog::Host& host) : Dialog(ProbeDef(), host) {
    Bind(dialog::Notify::Clicked, 3, "OnGo", &ProbeDialog::OnGo);
    Bind(dialog::Notify::KillFocus, 10, "OnLeaveFirst", &ProbeDialog::OnLeaveFirst);
    Bind(dialog::Notify::KillFocus, 11, "OnLeaveSecond", &ProbeDialog::OnLeaveSecond);
    Bind(dialog::Notify::Clicked, 20, "OnCheck", &ProbeDialog::OnCheck);
    Bind(dialog::Notify::Clicked, 21, "OnLeft", &ProbeDialog::OnLeft);
    Bind(dialog::Notify::SelChange, 30, "OnPick", &ProbeDialog::OnPick);
    Bind(dialog::Notify::Clicked, 70, "OnAsk", &ProbeDialog::OnAsk);
    // A second row for the same event never runs: the first row wins.
    Bind(dialog::Notify::Clicked, 3, "OnGoAgain", &ProbeDialog::OnGoAgain);
  }

  bool OnInitDialog() override {
    log.push_back("OnInitDialog");
    model().AddItem(30, "alpha");
    model().AddItem(30, "beta");
    return true;
  }
  void OnOK() override {
    log.push_back("OnOK");
    Dialog::OnOK();
  }
  void OnCancel() override {
    log.push_back("OnCancel");
    Dialog::OnCancel();
  }

  void OnGo() { log.push_back("OnGo"); }
  void OnGoAgain() { log.push_back("OnGoAgain"); }
  void OnLeaveFirst() {
    log.push_back("OnLeaveFirst");
    if (warn_on_leave) MessageBox("First is wrong.", dialog::MessageIcon::Information);
  }
  void OnLeaveSecond() { log.push_back("OnLeaveSecond"); }
  void OnCheck() { log.push_back(model().IsChecked(20) ? "OnCheck on" : "OnCheck off"); }
  void OnLeft() { log.push_back("OnLeft"); }
  void OnPick() { log.push_back("OnPick " + std::to_string(model().Selection(30))); }
  void OnAsk() {
    dialog::FileDialogSpec spec{"Save probe.", {{"Probe (*.prb)", "*.prb"}}, "", "prb"};
    auto answer = host().SaveFile(spec);
    log.push_back("OnAsk " + (answer ? *answer : std::string("cancelled")));
  }

  std::vector<std::string> log;
  bool warn_on_leave = false;
};

}  // namespace dialog_test
