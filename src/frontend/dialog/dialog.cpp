#include "frontend/dialog/dialog.h"

#include "frontend/dialog/host.h"

namespace dialog {

const char* NotifyName(Notify n) {
  switch (n) {
    case Notify::Clicked: return "clicked";
    case Notify::KillFocus: return "kill-focus";
    case Notify::SelChange: return "selection-change";
  }
  return "notification";
}

Dialog::Dialog(const DialogDef& def, Host& host) : def_(def), host_(host), model_(def_) {}

Dialog::~Dialog() = default;

bool Dialog::OnInitDialog() { return true; }
void Dialog::OnOK() { EndDialog(IDOK); }
void Dialog::OnCancel() { EndDialog(IDCANCEL); }

int Dialog::DoModal() { return host_.RunModal(*this); }

void Dialog::BeginModal() {
  ended_ = false;
  result_ = 0;
}

void Dialog::EndDialog(int code) {
  if (ended_) return;
  ended_ = true;
  result_ = code;
  host_.DialogEnded(*this, code);
}

void Dialog::MessageBox(std::string_view text, MessageIcon icon) const {
  host_.MessageBox(text, def_.caption, icon);
}

void Dialog::MessageBox(std::string_view text) const { MessageBox(text, MessageIcon::Plain); }

bool Dialog::Accepts(int id) const {
  return !ended_ && model_.Has(id) && model_.IsVisible(id) && model_.IsEnabled(id);
}

bool Dialog::Dispatch(Notify notify, int id) {
  for (const MapRow& row : map_) {
    if (row.notify == notify && row.id == id) {
      row.call();
      return true;
    }
  }
  if (notify == Notify::Clicked && id == IDOK) {
    OnOK();
    return true;
  }
  if (notify == Notify::Clicked && id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

bool Dialog::Click(int id) {
  if (!Accepts(id)) return false;
  const ControlKind kind = model_.Def(id).kind;
  if (!IsButton(kind)) return false;
  // Check boxes and radio buttons change state before the dialog hears of it.
  if (kind == ControlKind::CheckBox) {
    model_.SetCheck(id, !model_.IsChecked(id));
  } else if (kind == ControlKind::Radio) {
    for (int other : model_.Ids())
      if (model_.Def(other).kind == ControlKind::Radio) model_.SetCheck(other, other == id);
  }
  Dispatch(Notify::Clicked, id);
  return true;
}

bool Dialog::KillFocus(int id) {
  if (!Accepts(id)) return false;
  Dispatch(Notify::KillFocus, id);
  return true;
}

bool Dialog::SelectItem(int id, int index) {
  if (!Accepts(id) || model_.Def(id).kind != ControlKind::ListBox) return false;
  if (index < 0 || index >= model_.ItemCount(id)) return false;
  model_.SetSelection(id, index);
  Dispatch(Notify::SelChange, id);
  return true;
}

bool Dialog::TypeText(int id, std::string_view text) {
  if (!Accepts(id) || model_.Def(id).kind != ControlKind::Edit) return false;
  model_.SetText(id, text);
  return true;
}

bool Dialog::MoveFocus(int id) {
  if (ended_) return false;
  if (id != 0 && (!Accepts(id) || !TakesFocus(model_.Def(id).kind))) return false;
  const int previous = model_.Focus();
  if (previous == id) return true;
  model_.NoteFocus(id);
  if (previous != 0) KillFocus(previous);
  return true;
}

int Dialog::DefaultButton() const {
  if (ended_) return 0;
  for (const ControlDef& c : def_.controls)
    if (c.kind == ControlKind::DefPushButton && model_.IsVisible(c.id) && model_.IsEnabled(c.id))
      return c.id;
  return 0;
}

bool Dialog::PressEnter() {
  const int id = DefaultButton();
  return id != 0 && Click(id);
}

bool Dialog::PressEscape() {
  if (ended_) return false;
  if (model_.Has(IDCANCEL) && !model_.IsEnabled(IDCANCEL)) return false;
  Dispatch(Notify::Clicked, IDCANCEL);
  return true;
}

}  // namespace dialog
