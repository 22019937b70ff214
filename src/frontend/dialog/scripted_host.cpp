#include "frontend/dialog/scripted_host.h"

#include "frontend/dialog/dialog.h"

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

std::optional<std::string> ScriptedHost::AskFile(FileDialogKind kind, const FileDialogSpec& spec) {
  std::optional<std::string> answer;
  if (!TakeAnswer(kind, answer))
    throw HostError(std::string("no answer queued for the ") + FileDialogName(kind) +
                    " dialog \"" + spec.title + "\"");
  return answer;
}

}  // namespace dialog
