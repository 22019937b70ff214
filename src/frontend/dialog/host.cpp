#include "frontend/dialog/host.h"

#include "frontend/dialog/dialog.h"

namespace dialog {

const char* FileDialogName(FileDialogKind kind) {
  return kind == FileDialogKind::Open ? "file-open" : "file-save";
}

Host::~Host() = default;

void Host::MessageBox(std::string_view text, std::string_view title, MessageIcon icon) {
  messages_.push_back({std::string(text), std::string(title), icon});
  ShowMessage(messages_.back());
}

void Host::Note(std::string_view text) {
  notes_.emplace_back(text);
  ShowNote(notes_.back());
}

std::optional<std::string> Host::AskAndRecord(FileDialogKind kind, const FileDialogRequest& request) {
  std::optional<std::string> answer = AskFile(kind, request);
  if (answer && answer->empty()) answer.reset();
  if (answer && kind == FileDialogKind::Save)
    answer = WithDefaultExtension(*answer, request.default_extension);
  file_dialogs_.push_back({kind, request, answer});
  return answer;
}

std::optional<std::string> Host::OpenFile(const FileDialogRequest& request) {
  return AskAndRecord(FileDialogKind::Open, request);
}

std::optional<std::string> Host::SaveFile(const FileDialogRequest& request) {
  return AskAndRecord(FileDialogKind::Save, request);
}

void Host::DialogEnded(Dialog& dialog, int code) { ends_.push_back({dialog.caption(), code}); }

void Host::QueueAnswer(FileDialogKind kind, std::optional<std::string> path) {
  (kind == FileDialogKind::Open ? open_answers_ : save_answers_).push_back(std::move(path));
}

std::size_t Host::QueuedAnswers(FileDialogKind kind) const {
  return (kind == FileDialogKind::Open ? open_answers_ : save_answers_).size();
}

bool Host::TakeAnswer(FileDialogKind kind, std::optional<std::string>& answer) {
  auto& queue = kind == FileDialogKind::Open ? open_answers_ : save_answers_;
  if (queue.empty()) return false;
  answer = std::move(queue.front());
  queue.pop_front();
  return true;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  if (extension.empty()) return path;
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  if (path.find('.', name) != std::string::npos || name == path.size()) return path;
  return extension.front() == '.' ? path + extension : path + "." + extension;
}

}  // namespace dialog
