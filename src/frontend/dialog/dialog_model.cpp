#include "frontend/dialog/dialog_model.h"

#include <algorithm>
#include <stdexcept>

namespace dialog {

DialogModel::DialogModel(const DialogDef& def) : caption_(def.caption), defs_(def.controls) {
  states_.resize(defs_.size());
  ids_.reserve(defs_.size());
  for (std::size_t i = 0; i < defs_.size(); ++i) {
    for (int seen : ids_)
      if (seen == defs_[i].id)
        throw std::invalid_argument("dialog \"" + caption_ + "\" describes control " +
                                    std::to_string(seen) + " twice");
    ids_.push_back(defs_[i].id);
    // Edits start empty; every other control shows its caption.
    if (defs_[i].kind != ControlKind::Edit) states_[i].text = defs_[i].caption;
  }
}

std::size_t DialogModel::IndexOf(int id) const {
  for (std::size_t i = 0; i < ids_.size(); ++i)
    if (ids_[i] == id) return i;
  throw std::out_of_range("dialog \"" + caption_ + "\" has no control " + std::to_string(id));
}

bool DialogModel::Has(int id) const {
  return std::find(ids_.begin(), ids_.end(), id) != ids_.end();
}

const ControlDef& DialogModel::Def(int id) const { return defs_[IndexOf(id)]; }
const ControlState& DialogModel::State(int id) const { return states_[IndexOf(id)]; }

ControlState& DialogModel::Mutable(int id) {
  ++revision_;
  return states_[IndexOf(id)];
}

std::string DialogModel::Text(int id, std::size_t cap) const {
  const std::string& text = State(id).text;
  return text.substr(0, std::min(cap, text.size()));
}

void DialogModel::SetText(int id, std::string_view text) { Mutable(id).text = text; }

bool DialogModel::IsVisible(int id) const { return State(id).visible; }
void DialogModel::Show(int id, bool visible) { Mutable(id).visible = visible; }

bool DialogModel::IsEnabled(int id) const { return State(id).enabled; }
void DialogModel::Enable(int id, bool enabled) { Mutable(id).enabled = enabled; }

bool DialogModel::IsChecked(int id) const { return State(id).checked; }
void DialogModel::SetCheck(int id, bool checked) { Mutable(id).checked = checked; }

int DialogModel::AddItem(int id, std::string_view item) {
  ControlState& s = Mutable(id);
  s.items.emplace_back(item);
  ++s.items_revision;
  return static_cast<int>(s.items.size()) - 1;
}

void DialogModel::ClearItems(int id) {
  ControlState& s = Mutable(id);
  s.items.clear();
  s.selection = -1;
  ++s.items_revision;
}

int DialogModel::ItemCount(int id) const { return static_cast<int>(State(id).items.size()); }

const std::string& DialogModel::Item(int id, int index) const {
  const ControlState& s = State(id);
  if (index < 0 || index >= static_cast<int>(s.items.size()))
    throw std::out_of_range("list " + std::to_string(id) + " has no line " + std::to_string(index));
  return s.items[static_cast<std::size_t>(index)];
}

int DialogModel::Selection(int id) const { return State(id).selection; }

void DialogModel::SetSelection(int id, int index) {
  ControlState& s = Mutable(id);
  s.selection = (index >= 0 && index < static_cast<int>(s.items.size())) ? index : -1;
}

int DialogModel::Progress(int id) const { return State(id).progress; }
void DialogModel::SetProgress(int id, int value) { Mutable(id).progress = std::clamp(value, 0, 100); }

void DialogModel::SetFocus(int id) {
  if (id != 0) IndexOf(id);  // must name a control
  focus_ = id;
  ++focus_requests_;
  ++revision_;
}

void DialogModel::NoteFocus(int id) {
  if (id != 0) IndexOf(id);
  focus_ = id;
}

std::vector<int> DialogModel::VisibleIds() const {
  std::vector<int> out;
  for (std::size_t i = 0; i < ids_.size(); ++i)
    if (states_[i].visible) out.push_back(ids_[i]);
  return out;
}

std::vector<int> DialogModel::EnabledIds() const {
  std::vector<int> out;
  for (std::size_t i = 0; i < ids_.size(); ++i)
    if (states_[i].enabled) out.push_back(ids_[i]);
  return out;
}

}  // namespace dialog
