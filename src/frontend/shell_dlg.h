#pragma once
// The closing dialog, which runs the working dialog first and then holds the
// way to the About box until its "OK" ends the program, and the About box.

#include "frontend/dialog/dialog.h"

namespace tervon {

namespace idc {
// The closing dialog's "About tervon..." button, in place of a system-menu item
// with the same command identifier.
inline constexpr int kAbout = 16;
inline constexpr int kAboutVersion = 1000;  // the About box's version text
}  // namespace idc

const dialog::DialogDef& ShellDialogDef();
const dialog::DialogDef& AboutDialogDef();

class CShellDlg : public dialog::Dialog {
 public:
  explicit CShellDlg(dialog::Host& host);

  // Runs the working dialog before the closing dialog shows.
  bool OnInitDialog() override;
  // A command whose identifier, low four bits cleared, is kAbout opens the
  // About box; other commands have no effect here.
  void OnSysCommand(unsigned id);

 private:
  void OnAboutButton();
};

class CAboutDlg : public dialog::Dialog {
 public:
  explicit CAboutDlg(dialog::Host& host);
};

// The application: runs the closing dialog; the program ends when it closes.
class CFrontEndApp {
 public:
  explicit CFrontEndApp(dialog::Host& host) : host_(host) {}
  // False: there is nothing more to run once the dialog closes.
  bool InitInstance();

 private:
  dialog::Host& host_;
};

}  // namespace tervon
