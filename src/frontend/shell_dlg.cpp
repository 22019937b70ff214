#include "frontend/shell_dlg.h"

#include <memory>

#include "frontend/climatic_dlg.h"

namespace tervon {

using dialog::ControlKind;

const dialog::DialogDef& ShellDialogDef() {
  static const dialog::DialogDef def{"Environment/Climatic",
                                     166,
                                     70,
                                     {
                                         {idc::kAbout, ControlKind::PushButton, "About tervon...", 8, 49, 72, 14},
                                         {dialog::IDOK, ControlKind::DefPushButton, "OK", 108, 49, 50, 14},
                                     }};
  return def;
}

const dialog::DialogDef& AboutDialogDef() {
  static const dialog::DialogDef def{"About tervon",
                                     170,
                                     62,
                                     {
                                         {idc::kAboutVersion, ControlKind::Static, "tervon Version 1.0", 12, 14, 146, 9},
                                         {dialog::IDOK, ControlKind::DefPushButton, "OK", 113, 41, 50, 14},
                                     }};
  return def;
}

CShellDlg::CShellDlg(dialog::Host& host) : Dialog(ShellDialogDef(), host) {
  Bind(dialog::Notify::Clicked, idc::kAbout, "OnAboutButton", &CShellDlg::OnAboutButton);
}

bool CShellDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  // The working dialog holds large tables; it lives on the heap.
  auto climatic = std::make_unique<CClimaticDlg>(host());
  climatic->DoModal();
  return false;
}

void CShellDlg::OnSysCommand(unsigned id) {
  if ((id & 0xFFF0u) == static_cast<unsigned>(idc::kAbout)) {
    CAboutDlg about(host());
    about.DoModal();
  }
}

void CShellDlg::OnAboutButton() { OnSysCommand(idc::kAbout); }

CAboutDlg::CAboutDlg(dialog::Host& host) : Dialog(AboutDialogDef(), host) {}

bool CFrontEndApp::InitInstance() {
  CShellDlg shell(host_);
  shell.DoModal();
  return false;
}

}  // namespace tervon
