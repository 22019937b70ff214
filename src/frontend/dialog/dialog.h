#pragma once
// A dialog: its model, its message map and its life as a modal window. The
// dialog's logic runs the same under every host; hosts turn the user's actions
// into the event calls below (Click, KillFocus, SelectItem, ...), which refuse
// events a real window would never deliver.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/dialog/dialog_def.h"
#include "frontend/dialog/dialog_model.h"

namespace dialog {

class Host;
enum class MessageIcon;

enum class Notify { Clicked, KillFocus, SelChange };
const char* NotifyName(Notify n);

struct MapRow {
  Notify notify;
  int id;
  std::string handler;  // name, for messages and tests
  std::function<void()> call;
};

class Dialog {
 public:
  Dialog(const DialogDef& def, Host& host);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs once when the dialog starts; true lets the host place the focus.
  virtual bool OnInitDialog();
  // Buttons 1 and 2 (and the keys that stand for them) end up here.
  virtual void OnOK();
  virtual void OnCancel();

  // Runs the dialog modally through its host; returns the end code.
  int DoModal();
  void EndDialog(int code);
  bool ended() const { return ended_; }
  int result() const { return result_; }
  // A host calls this when it starts the dialog (again).
  void BeginModal();

  const DialogDef& def() const { return def_; }
  const std::string& caption() const { return def_.caption; }
  DialogModel& model() { return model_; }
  const DialogModel& model() const { return model_; }
  Host& host() const { return host_; }
  const std::vector<MapRow>& message_map() const { return map_; }

  // A modal message box titled with the dialog's caption, with an OK button.
  void MessageBox(std::string_view text, MessageIcon icon) const;
  void MessageBox(std::string_view text) const;

  // User events. Each returns false when refused: the dialog has ended, or the
  // control is unknown, hidden, disabled or of the wrong kind.
  bool Click(int id);                                 // push, radio, check box
  bool KillFocus(int id);                             // the focus has left `id`
  bool SelectItem(int id, int index);                 // a list line chosen
  bool TypeText(int id, std::string_view text);       // an edit's contents typed
  bool MoveFocus(int id);                             // 0 = away from every control
  bool PressEnter();                                  // the default push button
  bool PressEscape();                                 // also the close box
  void NoteFocus(int id) { model_.NoteFocus(id); }    // focus placed by a backend

  // The default push button that Enter would press: the first visible, enabled
  // one in the description; 0 when there is none.
  int DefaultButton() const;
  bool Accepts(int id) const;  // visible, enabled and not ended

 protected:
  template <class D>
  void Bind(Notify notify, int id, const char* name, void (D::*handler)()) {
    D* self = static_cast<D*>(this);
    map_.push_back({notify, id, name, [self, handler] { (self->*handler)(); }});
  }

 private:
  // Runs the first map row for (notify, id); buttons 1 and 2 fall back to
  // OnOK and OnCancel. False when nothing handles it.
  bool Dispatch(Notify notify, int id);

  DialogDef def_;
  Host& host_;
  DialogModel model_;
  std::vector<MapRow> map_;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace dialog
