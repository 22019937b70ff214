#pragma once
// A dialog as data: its caption, its size in dialog units and its controls. The
// working dialog and its two small companions are described this way, so the
// same description drives the headless model and the window backend.

#include <string>
#include <vector>

namespace dialog {

// End codes of a dialog; also the identifiers of the OK and Cancel buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

enum class ControlKind {
  Static,
  GroupBox,
  Edit,
  PushButton,
  DefPushButton,
  Radio,
  CheckBox,
  ListBox,
  ProgressBar,
};

struct ControlDef {
  int id = 0;
  ControlKind kind = ControlKind::Static;
  std::string caption;
  // Position and size in dialog units.
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct DialogDef {
  std::string caption;
  int width = 0;   // dialog units
  int height = 0;  // dialog units
  std::vector<ControlDef> controls;

  const ControlDef* Find(int id) const;
};

// Controls that a mouse click gives the focus to.
bool TakesFocus(ControlKind kind);
// Controls that report a click (buttons, radio buttons, check boxes).
bool IsButton(ControlKind kind);
const char* KindName(ControlKind kind);

}  // namespace dialog
