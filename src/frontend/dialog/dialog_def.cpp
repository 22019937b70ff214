#include "frontend/dialog/dialog_def.h"

namespace dialog {

const ControlDef* DialogDef::Find(int id) const {
  for (const ControlDef& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}

bool TakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::Radio:
    case ControlKind::CheckBox:
    case ControlKind::ListBox:
      return true;
    default:
      return false;
  }
}

bool IsButton(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::Radio:
    case ControlKind::CheckBox:
      return true;
    default:
      return false;
  }
}

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Static: return "static text";
    case ControlKind::GroupBox: return "group box";
    case ControlKind::Edit: return "edit";
    case ControlKind::PushButton: return "push button";
    case ControlKind::DefPushButton: return "default push button";
    case ControlKind::Radio: return "radio button";
    case ControlKind::CheckBox: return "check box";
    case ControlKind::ListBox: return "list box";
    case ControlKind::ProgressBar: return "progress bar";
  }
  return "control";
}

}  // namespace dialog
