#include "frontend/dialog/scripted_host.h"

#include "frontend/dialog/dialog.h"

#include <ostream>

namespace dialog {

EventSource::~EventSource() = default;

int ScriptedHost::RunModal(Dialog& dialog) {
  struct Running {
    ScriptedHost& host;
    Running(ScriptedHost& h, Dialog* d) : host(h) { host.PushRunning(d); }
    ~Running() { host.PopRunning(); }
  } running(*this, &dialog);

  dialog.BeginModal();
  dialog.OnInitDialog();
  while (!dialog.ended()) {
    if (events_ == nullptr || !events_->Step(*this)) {
      unfinished_.push_back(dialog.caption());
      dialog.EndDialog(IDCANCEL);
    }
  }
  return dialog.result();
}

std::optional<std::string> ScriptedHost::AskFile(FileDialogKind kind, const FileDialogRequest& request) {
  std::optional<std::string> answer;
  if (!TakeAnswer(kind, answer))
    throw HostError(std::string("no answer queued for the ") + FileDialogName(kind) +
                    " dialog \"" + request.title + "\"");
  return answer;
}

void ScriptedHost::ShowNote(const std::string& text) {
  if (notes_out_ != nullptr) *notes_out_ << "tervon: " << text << "\n";
}

}  // namespace dialog
