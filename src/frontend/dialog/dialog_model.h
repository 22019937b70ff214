#pragma once
// The retained state of every control of one dialog. Dialog code reads and
// changes controls only here; a backend mirrors the model on the screen. Changes
// made through the model never notify the dialog: notifications come only from
// the user's events (see Dialog).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/dialog/dialog_def.h"

namespace dialog {

struct ControlState {
  std::string text;  // caption, or the contents of an edit
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  std::vector<std::string> items;  // list box lines
  int selection = -1;              // list box selection, -1 = none
  int progress = 0;                // progress bar position, 0-100
  std::uint64_t items_revision = 0;
};

class DialogModel {
 public:
  static constexpr std::size_t kNoCap = static_cast<std::size_t>(-1);

  explicit DialogModel(const DialogDef& def);

  bool Has(int id) const;
  const ControlDef& Def(int id) const;
  const ControlState& State(int id) const;
  // Identifiers in the order of the dialog's description.
  const std::vector<int>& Ids() const { return ids_; }

  // At most `cap` characters of the text (the dialog code reads edits with a cap).
  std::string Text(int id, std::size_t cap = kNoCap) const;
  void SetText(int id, std::string_view text);

  bool IsVisible(int id) const;
  void Show(int id, bool visible = true);
  void Hide(int id) { Show(id, false); }

  bool IsEnabled(int id) const;
  void Enable(int id, bool enabled = true);
  void Disable(int id) { Enable(id, false); }

  bool IsChecked(int id) const;
  void SetCheck(int id, bool checked);

  // List box lines. Selections outside the lines become "none" (-1).
  int AddItem(int id, std::string_view item);
  void ClearItems(int id);
  int ItemCount(int id) const;
  const std::string& Item(int id, int index) const;
  int Selection(int id) const;
  void SetSelection(int id, int index);

  // Progress bar position, clamped to 0-100.
  int Progress(int id) const;
  void SetProgress(int id, int value);

  // The control with the focus, 0 for none. SetFocus is a move by code, which a
  // backend carries out on the screen; NoteFocus records where the user put it.
  int Focus() const { return focus_; }
  void SetFocus(int id);
  void NoteFocus(int id);
  std::uint64_t focus_requests() const { return focus_requests_; }

  // Grows with every change, so a backend knows when to repaint.
  std::uint64_t revision() const { return revision_; }

  std::vector<int> VisibleIds() const;
  std::vector<int> EnabledIds() const;

 private:
  ControlState& Mutable(int id);
  std::size_t IndexOf(int id) const;

  std::string caption_;
  std::vector<ControlDef> defs_;
  std::vector<ControlState> states_;
  std::vector<int> ids_;
  int focus_ = 0;
  std::uint64_t focus_requests_ = 0;
  std::uint64_t revision_ = 0;
};

}  // namespace dialog
