#include "frontend/dialog/script.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <ostream>

#include "frontend/dialog/dialog.h"
#include "platform/files.h"
#include "platform/stop.h"

namespace dialog {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view SkipBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimEnd(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view NextToken(std::string_view& rest) {
  rest = SkipBlanks(rest);
  std::size_t n = 0;
  while (n < rest.size() && !IsBlank(rest[n])) ++n;
  std::string_view token = rest.substr(0, n);
  rest.remove_prefix(n);
  return token;
}

std::string WithArticle(const std::string& noun) {
  const bool vowel = !noun.empty() && std::string_view("aeiou").find(noun[0]) != std::string_view::npos;
  return (vowel ? "an " : "a ") + noun;
}

bool ToInt(std::string_view token, int& value) {
  if (token.empty()) return false;
  const char* first = token.data();
  const char* last = first + token.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last;
}

struct Verbs {
  const char* word;
  Verb verb;
};

constexpr Verbs kVerbs[] = {
    {"click", Verb::Click},
    {"set", Verb::Set},
    {"leave", Verb::Leave},
    {"select", Verb::Select},
    {"tick", Verb::Tick},
    {"untick", Verb::Untick},
    {"key", Verb::Key},
    {"answer-open", Verb::AnswerOpen},
    {"answer-save", Verb::AnswerSave},
    {"expect-message", Verb::ExpectMessage},
    {"expect-visible", Verb::ExpectVisible},
    {"expect-hidden", Verb::ExpectHidden},
    {"expect-enabled", Verb::ExpectEnabled},
    {"expect-disabled", Verb::ExpectDisabled},
    {"expect-text", Verb::ExpectText},
    {"expect-item", Verb::ExpectItem},
    {"expect-checked", Verb::ExpectChecked},
    {"expect-focus", Verb::ExpectFocus},
    {"expect-end", Verb::ExpectEnd},
    {"screenshot", Verb::Screenshot},
};

class LineParser {
 public:
  LineParser(const std::string& file, int line) : file_(file), line_(line) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw ScriptError(file_ + ":" + std::to_string(line_) + ": " + what);
  }

  int Id(std::string_view& rest, const char* verb) const {
    const std::string_view token = NextToken(rest);
    int id = 0;
    if (token.empty()) Fail(std::string(verb) + " needs a control identifier");
    if (!ToInt(token, id)) Fail("\"" + std::string(token) + "\" is not a control identifier");
    return id;
  }

  // The rest of the line as TEXT: quoted, or up to the end without trailing
  // blanks. `quoted` tells which.
  std::string Text(std::string_view rest, bool& quoted) const {
    rest = SkipBlanks(rest);
    quoted = !rest.empty() && rest.front() == '"';
    std::string out;
    if (!quoted) {
      out = std::string(TrimEnd(rest));
    } else {
      std::size_t i = 1;
      bool closed = false;
      for (; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '"') {
          closed = true;
          ++i;
          break;
        }
        if (c == '\\' && i + 1 < rest.size()) {
          c = rest[++i];
          if (c == 'n') c = '\n';
          else if (c == 't') c = '\t';
          else if (c != '"' && c != '\\') Fail(std::string("unknown escape \\") + c);
        }
        out.push_back(c);
      }
      if (!closed) Fail("the quoted text has no closing quote");
      if (!TrimEnd(rest.substr(i)).empty()) Fail("text after the closing quote");
    }
    return Expand(out);
  }

  std::string Expand(const std::string& text) const {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
      if (text.compare(i, 2, "${") == 0) {
        const std::size_t end = text.find('}', i + 2);
        if (end == std::string::npos) Fail("\"${\" without a closing \"}\"");
        const std::string name = text.substr(i + 2, end - i - 2);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value == nullptr) Fail("the environment variable \"" + name + "\" is not set");
        out += value;
        i = end + 1;
      } else {
        out.push_back(text[i++]);
      }
    }
    return out;
  }

  void NoMore(std::string_view rest, const char* verb) const {
    if (!SkipBlanks(rest).empty())
      Fail(std::string("unexpected \"") + std::string(TrimEnd(SkipBlanks(rest))) + "\" after " + verb);
  }

 private:
  const std::string& file_;
  int line_;
};

}  // namespace

Script Script::Parse(std::string_view text, const std::string& name) {
  Script script;
  script.name = name;
  int line_no = 0;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++line_no;

    std::string_view rest = SkipBlanks(line);
    if (TrimEnd(rest).empty() || rest.front() == '#') continue;

    LineParser p(name, line_no);
    const std::string_view word = NextToken(rest);
    const Verbs* found = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                      [&](const Verbs& v) { return word == v.word; });
    if (found == std::end(kVerbs)) p.Fail("unknown command \"" + std::string(word) + "\"");

    ScriptCommand c;
    c.line = line_no;
    c.verb = found->verb;
    bool quoted = false;
    switch (c.verb) {
      case Verb::Click:
      case Verb::Leave:
      case Verb::Tick:
      case Verb::Untick:
        c.ids.push_back(p.Id(rest, found->word));
        p.NoMore(rest, found->word);
        break;
      case Verb::Set:
      case Verb::ExpectText:
        c.ids.push_back(p.Id(rest, found->word));
        c.text = p.Text(rest, quoted);
        break;
      case Verb::Select: {
        c.ids.push_back(p.Id(rest, found->word));
        const std::string_view token = NextToken(rest);
        if (!ToInt(token, c.number)) p.Fail("select needs a line index after the identifier");
        p.NoMore(rest, found->word);
        break;
      }
      case Verb::ExpectItem: {
        c.ids.push_back(p.Id(rest, found->word));
        const std::string_view token = NextToken(rest);
        if (!ToInt(token, c.number)) p.Fail("expect-item needs a line index after the identifier");
        c.text = p.Text(rest, quoted);
        break;
      }
      case Verb::ExpectChecked: {
        c.ids.push_back(p.Id(rest, found->word));
        const std::string_view token = NextToken(rest);
        if (token == "0" || token == "1") c.number = token == "1";
        else p.Fail("expect-checked takes 0 or 1 after the identifier");
        p.NoMore(rest, found->word);
        break;
      }
      case Verb::ExpectFocus:
        c.ids.push_back(p.Id(rest, found->word));
        p.NoMore(rest, found->word);
        break;
      case Verb::Key: {
        const std::string_view token = NextToken(rest);
        if (token == "enter") c.number = 1;
        else if (token == "escape") c.number = 2;
        else p.Fail("key takes \"enter\" or \"escape\"");
        p.NoMore(rest, found->word);
        break;
      }
      case Verb::AnswerOpen:
      case Verb::AnswerSave:
        c.text = p.Text(rest, quoted);
        c.cancel = !quoted && c.text == "cancel";
        if (c.text.empty()) p.Fail(std::string(found->word) + " needs a path or \"cancel\"");
        break;
      case Verb::ExpectMessage:
        c.text = p.Text(rest, quoted);
        if (c.text.empty() && !quoted) p.Fail("expect-message needs the text of the message");
        break;
      case Verb::Screenshot:
        c.text = p.Text(rest, quoted);
        if (c.text.empty()) p.Fail("screenshot needs a file name");
        break;
      case Verb::ExpectVisible:
      case Verb::ExpectHidden:
      case Verb::ExpectEnabled:
      case Verb::ExpectDisabled:
        while (!SkipBlanks(rest).empty()) c.ids.push_back(p.Id(rest, found->word));
        if (c.ids.empty()) p.Fail(std::string(found->word) + " needs at least one identifier");
        break;
      case Verb::ExpectEnd: {
        const std::string_view token = NextToken(rest);
        if (token == "IDOK") c.number = IDOK;
        else if (token == "IDCANCEL") c.number = IDCANCEL;
        else if (!ToInt(token, c.number)) p.Fail("expect-end takes IDOK, IDCANCEL or a number");
        p.NoMore(rest, found->word);
        break;
      }
    }
    script.commands.push_back(std::move(c));
  }
  return script;
}

Script Script::Load(const std::filesystem::path& path) {
  // Not a plain stream: a folder would open as one and read as an empty script.
  platform::LineReader in(path);
  if (!in.is_open()) throw ScriptError(path.string() + ": cannot open the script: " + in.error());
  std::string text, line;
  while (in.next(line)) (text += line) += '\n';
  return Parse(text, path.string());
}

ReplayDriver::~ReplayDriver() = default;
std::string ReplayDriver::CheckScreen(Dialog&, int) { return {}; }
std::string ReplayDriver::CheckFocus(Dialog&) { return {}; }

void HeadlessDriver::Click(Dialog& dialog, int id) {
  if (TakesFocus(dialog.model().Def(id).kind)) dialog.MoveFocus(id);
  dialog.Click(id);
}

void HeadlessDriver::SetText(Dialog& dialog, int id, const std::string& text) {
  dialog.MoveFocus(id);
  dialog.TypeText(id, text);
}

void HeadlessDriver::Leave(Dialog& dialog, int id) {
  dialog.MoveFocus(id);
  dialog.MoveFocus(0);
}

void HeadlessDriver::Select(Dialog& dialog, int id, int index) {
  dialog.MoveFocus(id);
  dialog.SelectItem(id, index);
}

void HeadlessDriver::Key(Dialog& dialog, ReplayKey key) {
  if (key == ReplayKey::Enter) dialog.PressEnter();
  else dialog.PressEscape();
}

ScriptRunner::ScriptRunner(Script script, ReplayDriver& driver)
    : script_(std::move(script)), driver_(driver) {}

std::string ScriptRunner::Where() const {
  std::size_t i = next_ == 0 ? 0 : next_ - 1;
  const int line = i < script_.commands.size() ? script_.commands[i].line : 0;
  return script_.name + ":" + std::to_string(line);
}

void ScriptRunner::ReportMessages(const Host& host) {
  const auto& shown = host.messages();
  for (; reported_ < shown.size(); ++reported_) {
    if (report_ == nullptr || (reported_ < expected_.size() && expected_[reported_])) continue;
    // One line each; a line break of the text shows as \n.
    std::string text = shown[reported_].text;
    for (std::size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "\\n");
    *report_ << "tervon: " << script_.name;
    if (action_line_ > 0) *report_ << ":" << action_line_;
    *report_ << ": message \"" << platform::printable(shown[reported_].title)
             << "\": " << platform::printable(text) << "\n";
  }
}

void ScriptRunner::Fail(const ScriptCommand& c, const std::string& what) const {
  throw ScriptError(script_.name + ":" + std::to_string(c.line) + ": " + what);
}

Dialog& ScriptRunner::Top(Host& host) const {
  Dialog* d = host.top();
  if (d == nullptr) Fail(script_.commands[next_ - 1], "no dialog is open");
  return *d;
}

void ScriptRunner::RequireControl(const Dialog& d, const ScriptCommand& c, int id,
                                  bool for_action) const {
  const DialogModel& m = d.model();
  if (!m.Has(id)) Fail(c, "\"" + d.caption() + "\" has no control " + std::to_string(id));
  if (!for_action) return;
  if (!m.IsVisible(id)) Fail(c, "control " + std::to_string(id) + " is hidden");
  if (!m.IsEnabled(id)) Fail(c, "control " + std::to_string(id) + " is disabled");
}

bool ScriptRunner::Step(Host& host) {
  if (done()) return false;
  const ScriptCommand& c = script_.commands[next_++];
  try {
    Play(c, host);
  } catch (const ScriptError&) {
    throw;
  } catch (const std::exception& e) {
    Fail(c, e.what());
  }
  return true;
}

void ScriptRunner::Play(const ScriptCommand& c, Host& host) {
  const bool action = c.verb == Verb::Click || c.verb == Verb::Set || c.verb == Verb::Leave ||
                      c.verb == Verb::Select || c.verb == Verb::Tick || c.verb == Verb::Untick ||
                      c.verb == Verb::Key;
  if (action) {
    ReportMessages(host);  // no expect-message can take them now
    messages_mark_ = host.messages().size();
    ends_mark_ = host.ends().size();
    action_line_ = c.line;
  }

  auto require_kind = [&](Dialog& d, int id, bool ok, const char* what) {
    if (!ok)
      Fail(c, "control " + std::to_string(id) + " is " + WithArticle(KindName(d.model().Def(id).kind)) +
                  ", not " + what);
  };
  auto require_line = [&](Dialog& d, int id) {
    require_kind(d, id, d.model().Def(id).kind == ControlKind::ListBox, "a list box");
    const int count = d.model().ItemCount(id);
    if (c.number < 0 || c.number >= count)
      Fail(c, "list " + std::to_string(id) + " has " + std::to_string(count) + " lines; there is no line " +
                  std::to_string(c.number));
  };
  auto check_screen = [&](Dialog& d, int id) {
    const std::string screen = driver_.CheckScreen(d, id);
    if (!screen.empty()) Fail(c, screen);
  };

  switch (c.verb) {
    case Verb::Click: {
      Dialog& d = Top(host);
      RequireControl(d, c, c.ids[0], true);
      require_kind(d, c.ids[0], IsButton(d.model().Def(c.ids[0]).kind), "a button");
      driver_.Click(d, c.ids[0]);
      break;
    }
    case Verb::Tick:
    case Verb::Untick: {
      Dialog& d = Top(host);
      RequireControl(d, c, c.ids[0], true);
      require_kind(d, c.ids[0], d.model().Def(c.ids[0]).kind == ControlKind::CheckBox,
                   "a check box");
      if (d.model().IsChecked(c.ids[0]) != (c.verb == Verb::Tick)) driver_.Click(d, c.ids[0]);
      break;
    }
    case Verb::Set:
    case Verb::Leave: {
      Dialog& d = Top(host);
      RequireControl(d, c, c.ids[0], true);
      require_kind(d, c.ids[0], d.model().Def(c.ids[0]).kind == ControlKind::Edit, "an edit");
      if (c.verb == Verb::Set) driver_.SetText(d, c.ids[0], c.text);
      else driver_.Leave(d, c.ids[0]);
      break;
    }
    case Verb::Select: {
      Dialog& d = Top(host);
      RequireControl(d, c, c.ids[0], true);
      require_line(d, c.ids[0]);
      driver_.Select(d, c.ids[0], c.number);
      break;
    }
    case Verb::Key:
      driver_.Key(Top(host), c.number == 1 ? ReplayKey::Enter : ReplayKey::Escape);
      break;
    case Verb::AnswerOpen:
    case Verb::AnswerSave:
      host.QueueAnswer(c.verb == Verb::AnswerOpen ? FileDialogKind::Open : FileDialogKind::Save,
                       c.cancel ? std::nullopt : std::optional<std::string>(c.text));
      break;
    case Verb::ExpectMessage: {
      const auto& shown = host.messages();
      for (std::size_t i = messages_mark_; i < shown.size(); ++i) {
        if (shown[i].text != c.text) continue;
        if (expected_.size() <= i) expected_.resize(shown.size(), false);
        expected_[i] = true;
        return;
      }
      std::string what = "expected the message \"" + c.text + "\"";
      if (shown.size() == messages_mark_) {
        what += "; no message was shown";
      } else {
        what += "; shown:";
        for (std::size_t i = messages_mark_; i < shown.size(); ++i) what += " \"" + shown[i].text + "\"";
      }
      Fail(c, what);
    }
    case Verb::ExpectVisible:
    case Verb::ExpectHidden:
    case Verb::ExpectEnabled:
    case Verb::ExpectDisabled: {
      Dialog& d = Top(host);
      for (int id : c.ids) {
        RequireControl(d, c, id, false);
        const bool want_visible = c.verb == Verb::ExpectVisible;
        const bool want_enabled = c.verb == Verb::ExpectEnabled;
        if ((c.verb == Verb::ExpectVisible || c.verb == Verb::ExpectHidden) &&
            d.model().IsVisible(id) != want_visible)
          Fail(c, "control " + std::to_string(id) + " is " +
                      (want_visible ? "hidden" : "visible") + " in \"" + d.caption() + "\"");
        if ((c.verb == Verb::ExpectEnabled || c.verb == Verb::ExpectDisabled) &&
            d.model().IsEnabled(id) != want_enabled)
          Fail(c, "control " + std::to_string(id) + " is " +
                      (want_enabled ? "disabled" : "enabled") + " in \"" + d.caption() + "\"");
        check_screen(d, id);
      }
      break;
    }
    case Verb::ExpectText: {
      Dialog& d = Top(host);
      RequireControl(d, c, c.ids[0], false);
      const std::string text = d.model().Text(c.ids[0]);
      if (text != c.text)
        Fail(c, "control " + std::to_string(c.ids[0]) + " reads \"" + text + "\", expected \"" +
                    c.text + "\"");
      check_screen(d, c.ids[0]);
      break;
    }
    case Verb::ExpectItem: {
      Dialog& d = Top(host);
      const int id = c.ids[0];
      RequireControl(d, c, id, false);
      require_line(d, id);
      const std::string& item = d.model().Item(id, c.number);
      if (item != c.text)
        Fail(c, "line " + std::to_string(c.number) + " of list " + std::to_string(id) + " reads \"" + item +
                    "\", expected \"" + c.text + "\"");
      check_screen(d, id);
      break;
    }
    case Verb::ExpectChecked: {
      Dialog& d = Top(host);
      const int id = c.ids[0];
      RequireControl(d, c, id, false);
      const ControlKind kind = d.model().Def(id).kind;
      require_kind(d, id, kind == ControlKind::CheckBox || kind == ControlKind::Radio,
                   "a check box or radio button");
      if (d.model().IsChecked(id) != (c.number == 1))
        Fail(c, "control " + std::to_string(id) + " is " + (c.number == 1 ? "not checked" : "checked") +
                    " in \"" + d.caption() + "\"");
      check_screen(d, id);
      break;
    }
    case Verb::ExpectFocus: {
      Dialog& d = Top(host);
      const int id = c.ids[0];
      if (id != 0) RequireControl(d, c, id, false);
      const int focus = d.model().Focus();
      if (focus != id)
        Fail(c, (focus == 0 ? std::string("no control has") : "control " + std::to_string(focus) + " has") +
                    " the focus in \"" + d.caption() + "\", expected " +
                    (id == 0 ? std::string("none") : "control " + std::to_string(id)));
      const std::string screen = driver_.CheckFocus(d);
      if (!screen.empty()) Fail(c, screen);
      break;
    }
    case Verb::ExpectEnd: {
      const auto& ends = host.ends();
      if (ends.size() == ends_mark_) Fail(c, "no dialog ended");
      if (ends.back().code != c.number)
        Fail(c, "\"" + ends.back().caption + "\" ended with " + std::to_string(ends.back().code) +
                    ", expected " + std::to_string(c.number));
      break;
    }
    case Verb::Screenshot:
      driver_.Screenshot(Top(host), c.text);
      break;
  }
}

}  // namespace dialog
