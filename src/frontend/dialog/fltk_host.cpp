#include "frontend/dialog/fltk_host.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xlib.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "frontend/dialog/dialog.h"
#include "frontend/dialog/png_writer.h"

namespace dialog {
namespace {

constexpr double kPixelsPerUnitX = 1.5;
constexpr double kPixelsPerUnitY = 1.625;
constexpr int kFontSize = 11;
// Replay pacing: a new window gets a few ticks to be mapped and painted.
constexpr double kTickSeconds = 0.05;
constexpr int kSettleTicks = 4;

constexpr Fl_Labeltype kPlainLabel = FL_FREE_LABELTYPE;

// Labels are drawn as plain text: no "@" symbols, so station names and paths
// show as they are.
void DrawPlainLabel(const Fl_Label* o, int x, int y, int w, int h, Fl_Align align) {
  fl_font(o->font, o->size);
  fl_color(static_cast<Fl_Color>(o->color));
  fl_draw(o->value, x, y, w, h, align, o->image, 0);
}

void MeasurePlainLabel(const Fl_Label* o, int& w, int& h) {
  fl_font(o->font, o->size);
  fl_measure(o->value, w, h, 0);
}

int ToPixelsX(int units) { return static_cast<int>(std::lround(units * kPixelsPerUnitX)); }
int ToPixelsY(int units) { return static_cast<int>(std::lround(units * kPixelsPerUnitY)); }

// Buttons without "&" shortcuts, so an "&" in a caption shows as it is.
template <class Base>
class PlainButton : public Base {
 public:
  PlainButton(int x, int y, int w, int h) : Base(x, y, w, h) {
    this->clear_flag(Fl_Widget::SHORTCUT_LABEL);
  }
};

}  // namespace

class DialogView;

struct FltkHost::Impl {
  explicit Impl(FltkHost& h) : host(h) {}

  FltkHost& host;
  std::vector<DialogView*> views;
  std::vector<Fl_Window*> boxes;  // open message boxes, innermost last
  bool started = false;

  std::unique_ptr<ReplayDriver> driver;
  std::unique_ptr<ScriptRunner> runner;
  bool replay_done = false;
  bool closing = false;  // after a failure or the end of the replay: close everything
  const Dialog* settling = nullptr;
  int settle_ticks = 0;
  std::string failure;
  std::vector<std::string> unfinished;

  void Start();
  DialogView* ViewOf(const Dialog* dialog) const;
  void SyncAll();
  // Runs dialog code called from an FLTK callback; an exception must not
  // cross FLTK's frames, so it ends the run instead.
  void Guard(const std::function<void()>& body);
  void Fail(const std::string& what);
  void CloseAll();
  void Schedule(double seconds);
  void Tick();
  static void TickCallback(void* data) { static_cast<Impl*>(data)->Tick(); }
};

namespace {

class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(int w, int h, const char* title, DialogView& view)
      : Fl_Double_Window(w, h, title), view_(view) {}
  DialogView& view() { return view_; }

 private:
  DialogView& view_;
};

}  // namespace

class DialogView {
 public:
  DialogView(FltkHost::Impl& impl, Dialog& dialog);
  ~DialogView();

  Dialog& dialog() { return dialog_; }
  Fl_Double_Window& window() { return *window_; }
  Fl_Widget* Widget(int id) const {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
  }
  int IdOf(const Fl_Widget* w) const {
    for (const auto& [id, widget] : widgets_)
      if (widget == w) return id;
    return 0;
  }
  bool syncing() const { return syncing_; }

  // Mirrors the model onto the widgets when it changed.
  void Sync();
  // Delivers a user event to the dialog: first any loss of focus still
  // pending, then the event; then every window is brought up to date.
  void Deliver(const std::function<void()>& event);
  void FocusLost(int id);
  void TextTyped(int id, const char* value);
  std::string CheckScreen(int id) const;
  std::string CheckFocus() const;

 private:
  void Build();
  void SyncControl(int id);
  void DeliverPendingFocusLoss();
  static void FocusLossCallback(void* data) {
    auto* view = static_cast<DialogView*>(data);
    view->DeliverPendingFocusLoss();
    view->impl_.SyncAll();
  }
  static void ButtonCallback(Fl_Widget* w, void* data);
  static void ListCallback(Fl_Widget* w, void* data);
  static void WindowCallback(Fl_Widget* w, void* data);

  FltkHost::Impl& impl_;
  Dialog& dialog_;
  std::unique_ptr<DialogWindow> window_;
  std::map<int, Fl_Widget*> widgets_;
  std::map<int, std::uint64_t> items_synced_;
  std::uint64_t synced_revision_ = ~std::uint64_t{0};
  std::uint64_t focus_requests_ = 0;
  std::vector<int> pending_focus_loss_;
  bool syncing_ = false;
};

namespace {

// An edit that reports typing to the model and the loss of focus to the dialog.
// The loss is delivered from a zero-length timer: a message box opened by the
// handler takes the focus, and the control that had just got it would
// otherwise lose it at once.
class EditWidget : public Fl_Input {
 public:
  EditWidget(DialogView& view, int id, int x, int y, int w, int h)
      : Fl_Input(x, y, w, h), view_(view), id_(id) {
    when(FL_WHEN_NEVER);
  }

  int handle(int event) override {
    const int used = Fl_Input::handle(event);
    if (event == FL_UNFOCUS) {
      view_.FocusLost(id_);
    } else if (event == FL_FOCUS) {
      if (!view_.syncing()) view_.dialog().NoteFocus(id_);
    } else {
      view_.TextTyped(id_, value());
    }
    return used;
  }

 private:
  DialogView& view_;
  int id_;
};

}  // namespace

DialogView::DialogView(FltkHost::Impl& impl, Dialog& dialog) : impl_(impl), dialog_(dialog) {
  Build();
}

DialogView::~DialogView() {
  syncing_ = true;  // a focus lost while the window goes is nobody's business
  if (window_) window_->hide();
  Fl::remove_timeout(FocusLossCallback, this);
}

void DialogView::Build() {
  const DialogDef& def = dialog_.def();
  window_ = std::make_unique<DialogWindow>(ToPixelsX(def.width), ToPixelsY(def.height),
                                           def.caption.c_str(), *this);
  window_->copy_label(def.caption.c_str());
  window_->callback(WindowCallback, this);
  window_->begin();
  for (const ControlDef& c : def.controls) {
    const int x = ToPixelsX(c.x), y = ToPixelsY(c.y), w = ToPixelsX(c.width),
              h = ToPixelsY(c.height);
    Fl_Widget* widget = nullptr;
    switch (c.kind) {
      case ControlKind::Static: {
        auto* box = new Fl_Box(x, y, w, h);
        // Texts taller than a line wrap; one-line texts are cut at their edge.
        const Fl_Align wrap = c.height >= 16 ? FL_ALIGN_WRAP : 0;
        box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP | wrap);
        widget = box;
        break;
      }
      case ControlKind::GroupBox: {
        auto* box = new Fl_Box(FL_ENGRAVED_FRAME, x, y + 6, w, h - 6, nullptr);
        box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP);
        widget = box;
        break;
      }
      case ControlKind::Edit: {
        auto* edit = new EditWidget(*this, c.id, x, y, w, h);
        edit->textsize(kFontSize);
        widget = edit;
        break;
      }
      case ControlKind::PushButton:
      case ControlKind::DefPushButton: {
        auto* button = new PlainButton<Fl_Button>(x, y, w, h);
        if (c.kind == ControlKind::DefPushButton) button->labelfont(FL_HELVETICA_BOLD);
        button->callback(ButtonCallback, this);
        widget = button;
        break;
      }
      case ControlKind::Radio: {
        auto* radio = new PlainButton<Fl_Round_Button>(x, y, w, h);
        radio->type(FL_RADIO_BUTTON);
        // Windows reports a click on a radio button that is already set.
        radio->when(FL_WHEN_RELEASE_ALWAYS);
        radio->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        radio->callback(ButtonCallback, this);
        widget = radio;
        break;
      }
      case ControlKind::CheckBox: {
        auto* check = new PlainButton<Fl_Check_Button>(x, y, w, h);
        // One line, cut at the box's edge.
        check->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        check->callback(ButtonCallback, this);
        widget = check;
        break;
      }
      case ControlKind::ListBox: {
        auto* list = new Fl_Hold_Browser(x, y, w, h);
        list->format_char(0);  // lines are plain text
        list->textsize(kFontSize);
        list->when(FL_WHEN_CHANGED);
        list->callback(ListCallback, this);
        widget = list;
        break;
      }
      case ControlKind::ProgressBar: {
        auto* bar = new Fl_Progress(x, y, w, h);
        bar->minimum(0);
        bar->maximum(100);
        bar->selection_color(FL_DARK_BLUE);
        widget = bar;
        break;
      }
    }
    widget->labeltype(kPlainLabel);
    widget->labelsize(kFontSize);
    widgets_[c.id] = widget;
  }
  window_->end();
  window_->set_modal();
}

void DialogView::Sync() {
  const DialogModel& m = dialog_.model();
  if (m.revision() == synced_revision_) return;
  synced_revision_ = m.revision();
  syncing_ = true;
  for (int id : m.Ids()) SyncControl(id);
  if (m.focus_requests() != focus_requests_) {
    focus_requests_ = m.focus_requests();
    if (Fl_Widget* w = Widget(m.Focus())) w->take_focus();
  }
  syncing_ = false;
  window_->redraw();
}

void DialogView::SyncControl(int id) {
  const DialogModel& m = dialog_.model();
  const ControlState& s = m.State(id);
  const ControlKind kind = m.Def(id).kind;
  Fl_Widget* w = Widget(id);

  if (s.visible != (w->visible() != 0)) s.visible ? w->show() : w->hide();
  if (s.enabled != (w->active() != 0)) s.enabled ? w->activate() : w->deactivate();

  switch (kind) {
    case ControlKind::Edit: {
      auto* edit = static_cast<Fl_Input*>(w);
      if (s.text != edit->value()) edit->value(s.text.c_str());
      break;
    }
    case ControlKind::ListBox: {
      auto* list = static_cast<Fl_Hold_Browser*>(w);
      auto& synced = items_synced_[id];
      if (synced != s.items_revision || list->size() != static_cast<int>(s.items.size())) {
        synced = s.items_revision;
        list->clear();
        for (const std::string& item : s.items) list->add(item.c_str());
      }
      if (list->value() != s.selection + 1) {
        if (s.selection < 0) {
          list->deselect();
        } else {
          list->select(s.selection + 1);
          list->middleline(s.selection + 1);
        }
      }
      break;
    }
    case ControlKind::ProgressBar:
      static_cast<Fl_Progress*>(w)->value(static_cast<float>(s.progress));
      break;
    default: {
      const char* label = w->label();
      if (label == nullptr || s.text != label) w->copy_label(s.text.c_str());
      if (kind == ControlKind::CheckBox || kind == ControlKind::Radio) {
        auto* button = static_cast<Fl_Button*>(w);
        if ((button->value() != 0) != s.checked) button->value(s.checked ? 1 : 0);
      }
      break;
    }
  }
}

std::string DialogView::CheckScreen(int id) const {
  const DialogModel& m = dialog_.model();
  const ControlState& s = m.State(id);
  const Fl_Widget* w = Widget(id);
  const std::string name = "on screen, control " + std::to_string(id);
  if ((w->visible() != 0) != s.visible)
    return name + (s.visible ? " is hidden" : " is visible") + " unlike the model";
  if ((w->active() != 0) != s.enabled)
    return name + (s.enabled ? " is disabled" : " is enabled") + " unlike the model";
  const ControlKind kind = m.Def(id).kind;
  if (kind == ControlKind::Edit) {
    const char* value = static_cast<const Fl_Input*>(w)->value();
    if (s.text != value) return name + " reads \"" + value + "\" unlike the model";
  } else if (kind == ControlKind::ListBox) {
    const auto* list = static_cast<const Fl_Hold_Browser*>(w);
    if (list->size() != static_cast<int>(s.items.size()))
      return name + " has " + std::to_string(list->size()) + " lines unlike the model";
    for (int i = 0; i < list->size(); ++i) {
      const char* text = list->text(i + 1);
      if (s.items[static_cast<std::size_t>(i)] != (text ? text : ""))
        return name + " line " + std::to_string(i) + " reads \"" + (text ? text : "") + "\" unlike the model";
    }
    if (list->value() != s.selection + 1) return name + " selects another line than the model";
  } else if (kind != ControlKind::ProgressBar) {
    const char* label = w->label() ? w->label() : "";
    if (s.text != label) return name + " reads \"" + label + "\" unlike the model";
    if ((kind == ControlKind::CheckBox || kind == ControlKind::Radio) &&
        (static_cast<const Fl_Button*>(w)->value() != 0) != s.checked)
      return name + (s.checked ? " is not checked" : " is checked") + " unlike the model";
  }
  return {};
}

std::string DialogView::CheckFocus() const {
  const int model_focus = dialog_.model().Focus();
  const int screen_focus = IdOf(Fl::focus());
  if (model_focus == screen_focus) return {};
  return "on screen, " + (screen_focus == 0 ? std::string("no control has") : "control " + std::to_string(screen_focus) + " has") +
         " the focus unlike the model";
}

void DialogView::Deliver(const std::function<void()>& event) {
  impl_.Guard([&] {
    DeliverPendingFocusLoss();
    dialog_.NoteFocus(IdOf(Fl::focus()));
    event();
  });
  impl_.SyncAll();
}

void DialogView::FocusLost(int id) {
  if (syncing_ || dialog_.ended()) return;
  pending_focus_loss_.push_back(id);
  Fl::remove_timeout(FocusLossCallback, this);
  Fl::add_timeout(0.0, FocusLossCallback, this);
}

void DialogView::DeliverPendingFocusLoss() {
  Fl::remove_timeout(FocusLossCallback, this);
  std::vector<int> pending;
  pending.swap(pending_focus_loss_);
  // Dropped while another window is modal (a message box took the focus) or
  // when the focus went outside this dialog.
  if (Fl::modal() != window_.get() || !window_->contains(Fl::focus())) return;
  impl_.Guard([&] {
    for (int id : pending) dialog_.KillFocus(id);
  });
}

void DialogView::TextTyped(int id, const char* value) {
  if (syncing_ || dialog_.model().Text(id) == value) return;
  dialog_.TypeText(id, value);
}

void DialogView::ButtonCallback(Fl_Widget* w, void* data) {
  auto* view = static_cast<DialogView*>(data);
  const int id = view->IdOf(w);
  view->Deliver([view, id] { view->dialog_.Click(id); });
}

void DialogView::ListCallback(Fl_Widget* w, void* data) {
  auto* view = static_cast<DialogView*>(data);
  const int id = view->IdOf(w);
  const int line = static_cast<Fl_Hold_Browser*>(w)->value();
  if (line <= 0) return;
  view->Deliver([view, id, line] { view->dialog_.SelectItem(id, line - 1); });
}

void DialogView::WindowCallback(Fl_Widget*, void* data) {
  // The close box and Escape both act as Cancel.
  auto* view = static_cast<DialogView*>(data);
  view->Deliver([view] { view->dialog_.PressEscape(); });
}

namespace {

// Enter and Escape belong to the dialog, whichever control has the focus.
int DispatchEvent(int event, Fl_Window* window) {
  if ((event == FL_KEYBOARD || event == FL_SHORTCUT) && window != nullptr &&
      Fl::modal() == window) {
    if (auto* dw = dynamic_cast<DialogWindow*>(window)) {
      const int key = Fl::event_key();
      DialogView& view = dw->view();
      if (key == FL_Enter || key == FL_KP_Enter) {
        view.Deliver([&view] { view.dialog().PressEnter(); });
        return 1;
      }
      if (key == FL_Escape) {
        view.Deliver([&view] { view.dialog().PressEscape(); });
        return 1;
      }
    }
  }
  return Fl::handle_(event, window);
}

// A press and release of the left button at the middle of `w`, sent through
// the window as the mouse would send it.
void PressWidget(Fl_Window& window, Fl_Widget& w) {
  const int x = w.x() + w.w() / 2;
  const int y = w.y() + w.h() / 2;
  Fl::e_x = x;
  Fl::e_y = y;
  Fl::e_x_root = window.x_root() + x;
  Fl::e_y_root = window.y_root() + y;
  Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
  Fl::e_clicks = 0;
  Fl::e_is_click = 1;
  Fl::e_state = FL_BUTTON1;
  Fl::handle(FL_PUSH, &window);
  Fl::e_state = 0;
  Fl::handle(FL_RELEASE, &window);
}

void SendKey(Fl_Window& window, int key) {
  static char enter[] = "\r";
  static char escape[] = "\033";
  Fl::e_keysym = key;
  Fl::e_state = 0;
  Fl::e_text = key == FL_Escape ? escape : enter;
  Fl::e_length = 1;
  Fl::handle(FL_KEYBOARD, &window);
}

}  // namespace

// Replays acting on the widgets, so the binding of widgets to events is what
// the script exercises.
class FltkDriver : public ReplayDriver {
 public:
  explicit FltkDriver(FltkHost::Impl& impl) : impl_(impl) {}

  void Click(Dialog& dialog, int id) override {
    DialogView& view = View(dialog);
    PressWidget(view.window(), *view.Widget(id));
  }

  void SetText(Dialog& dialog, int id, const std::string& text) override {
    DialogView& view = View(dialog);
    auto* edit = static_cast<Fl_Input*>(view.Widget(id));
    if (Fl::focus() != edit) PressWidget(view.window(), *edit);
    // Select everything and paste over it, as typing over a selection would.
    edit->position(edit->size(), 0);
    std::string copy = text;
    Fl::e_text = copy.data();
    Fl::e_length = static_cast<int>(copy.size());
    edit->handle(FL_PASTE);
  }

  void Leave(Dialog& dialog, int id) override {
    DialogView& view = View(dialog);
    Fl_Widget* edit = view.Widget(id);
    if (Fl::focus() != edit) PressWidget(view.window(), *edit);
    Fl::focus(&view.window());
  }

  void Select(Dialog& dialog, int id, int index) override {
    DialogView& view = View(dialog);
    auto* list = static_cast<Fl_Hold_Browser*>(view.Widget(id));
    list->take_focus();
    list->select(index + 1);
    list->middleline(index + 1);
    list->do_callback();
  }

  void Key(Dialog& dialog, ReplayKey key) override {
    SendKey(View(dialog).window(), key == ReplayKey::Enter ? FL_Enter : FL_Escape);
  }

  void Screenshot(Dialog& dialog, const std::string& path) override {
    DialogView& view = View(dialog);
    Fl_Double_Window& window = view.window();
    view.Sync();
    window.redraw();
    Fl::flush();
    XSync(fl_display, False);
    window.make_current();
    std::unique_ptr<uchar[]> pixels(fl_read_image(nullptr, 0, 0, window.w(), window.h()));
    if (!pixels) throw std::runtime_error("cannot read the window \"" + dialog.caption() + "\"");
    std::error_code ec;
    const std::filesystem::path file(path);
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    std::string error;
    if (!WritePng(file, window.w(), window.h(), pixels.get(), &error)) throw std::runtime_error(error);
  }

  std::string CheckScreen(Dialog& dialog, int id) override { return View(dialog).CheckScreen(id); }
  std::string CheckFocus(Dialog& dialog) override { return View(dialog).CheckFocus(); }

 private:
  DialogView& View(Dialog& dialog) {
    DialogView* view = impl_.ViewOf(&dialog);
    if (view == nullptr) throw std::runtime_error("\"" + dialog.caption() + "\" has no window");
    return *view;
  }

  FltkHost::Impl& impl_;
};

void FltkHost::Impl::Start() {
  if (started) return;
  started = true;
  Fl::scheme("gtk+");
  Fl::set_labeltype(kPlainLabel, DrawPlainLabel, MeasurePlainLabel);
  Fl::event_dispatch(DispatchEvent);
  if (runner) Schedule(kTickSeconds * 4);
}

DialogView* FltkHost::Impl::ViewOf(const Dialog* dialog) const {
  for (DialogView* v : views)
    if (&v->dialog() == dialog) return v;
  return nullptr;
}

void FltkHost::Impl::SyncAll() {
  for (DialogView* v : views) v->Sync();
}

void FltkHost::Impl::Guard(const std::function<void()>& body) {
  try {
    body();
  } catch (const ScriptError& e) {
    Fail(e.what());
  } catch (const std::exception& e) {
    Fail(runner ? runner->Where() + ": " + e.what() : std::string(e.what()));
  } catch (...) {
    Fail("unknown error");
  }
}

void FltkHost::Impl::Fail(const std::string& what) {
  if (failure.empty()) failure = what;
  replay_done = true;
  CloseAll();
}

void FltkHost::Impl::CloseAll() {
  closing = true;
  Fl::remove_timeout(TickCallback, this);
  for (Fl_Window* box : boxes) box->hide();
  // Innermost first; a dialog closed here never hears of it.
  std::vector<Dialog*> open(host.running().rbegin(), host.running().rend());
  for (Dialog* d : open) {
    if (d->ended()) continue;
    unfinished.push_back(d->caption());
    d->EndDialog(IDCANCEL);
  }
}

void FltkHost::Impl::Schedule(double seconds) {
  Fl::remove_timeout(TickCallback, this);
  Fl::add_timeout(seconds, TickCallback, this);
}

void FltkHost::Impl::Tick() {
  if (!runner || replay_done) return;
  // A box is open: close it and let the handler that opened it go on first.
  if (!boxes.empty()) {
    boxes.back()->hide();
    Schedule(kTickSeconds);
    return;
  }
  Dialog* top = host.top();
  DialogView* view = ViewOf(top);
  if (top == nullptr || view == nullptr || top->ended() || !view->window().shown()) {
    Schedule(kTickSeconds);
    return;
  }
  if (settling != top) {
    settling = top;
    settle_ticks = kSettleTicks;
  }
  if (settle_ticks > 0) {
    --settle_ticks;
    Schedule(kTickSeconds);
    return;
  }
  // Scheduled before acting: the action may open a box or a dialog and only
  // return when that closes, and the next step has to run inside it.
  Schedule(kTickSeconds);
  bool more = true;
  Guard([&] { more = runner->Step(host); });
  if (!more) {
    replay_done = true;
    CloseAll();
  }
}

FltkHost::FltkHost() : impl_(std::make_unique<Impl>(*this)) {}

FltkHost::~FltkHost() {
  Fl::remove_timeout(Impl::TickCallback, impl_.get());
  if (impl_->started) Fl::event_dispatch(nullptr);
}

bool FltkHost::OpenDisplay() {
  if (fl_display != nullptr) return true;
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  fl_open_display(display);
  return true;
}

void FltkHost::Replay(Script script) {
  impl_->driver = std::make_unique<FltkDriver>(*impl_);
  impl_->runner = std::make_unique<ScriptRunner>(std::move(script), *impl_->driver);
}

void FltkHost::FinishReplay() {
  Impl& impl = *impl_;
  if (!impl.runner || impl.replay_done) return;
  Fl::remove_timeout(Impl::TickCallback, &impl);
  impl.Guard([&] {
    while (impl.runner->Step(*this)) {
    }
  });
  impl.replay_done = true;
}

const std::string& FltkHost::failure() const { return impl_->failure; }
const std::vector<std::string>& FltkHost::unfinished() const { return impl_->unfinished; }

void FltkHost::flush() {
  impl_->SyncAll();
  Fl::flush();
}

int FltkHost::RunModal(Dialog& dialog) {
  impl_->Start();
  dialog.BeginModal();
  if (impl_->closing) {
    impl_->unfinished.push_back(dialog.caption());
    dialog.EndDialog(IDCANCEL);
    return dialog.result();
  }

  auto view = std::make_unique<DialogView>(*impl_, dialog);
  struct Running {
    FltkHost& host;
    Running(FltkHost& h, Dialog* d, DialogView* v) : host(h) {
      host.impl_->views.push_back(v);
      host.PushRunning(d);
    }
    ~Running() {
      host.PopRunning();
      host.impl_->views.pop_back();
    }
  } running(*this, &dialog, view.get());

  dialog.OnInitDialog();
  if (!dialog.ended()) {
    view->Sync();
    Fl_Window& window = view->window();
    // Centred on the dialog below, or on the screen.
    DialogView* below = impl_->views.size() > 1 ? impl_->views[impl_->views.size() - 2] : nullptr;
    if (below != nullptr && below->window().shown()) {
      Fl_Window& parent = below->window();
      window.position(parent.x() + (parent.w() - window.w()) / 2,
                      parent.y() + (parent.h() - window.h()) / 2);
    } else {
      window.position((Fl::w() - window.w()) / 2, (Fl::h() - window.h()) / 2);
    }
    window.show();
    while (!dialog.ended() && window.shown()) Fl::wait();
    if (!dialog.ended()) dialog.EndDialog(IDCANCEL);
  }
  view->window().hide();
  return dialog.result();
}

void FltkHost::DialogEnded(Dialog& dialog, int code) {
  Host::DialogEnded(dialog, code);
  if (DialogView* view = impl_->ViewOf(&dialog)) view->window().hide();
}

void FltkHost::ShowMessage(const MessageRecord& message) {
  if (impl_->closing) return;
  impl_->Start();
  impl_->SyncAll();

  fl_font(FL_HELVETICA, kFontSize);
  int text_w = 0, text_h = 0;
  fl_measure(message.text.c_str(), text_w, text_h, 0);
  const bool icon = message.icon == MessageIcon::Information;
  const int margin = 14;
  const int icon_w = icon ? 44 : 0;
  const int w = std::max(220, text_w + icon_w + 2 * margin);
  const int h = std::max(text_h, icon ? 32 : 0) + 3 * margin + 26;

  Fl_Window box(w, h);
  box.copy_label(message.title.c_str());
  if (icon) {
    auto* i = new Fl_Box(FL_OVAL_BOX, margin, margin, 32, 32, "i");
    i->color(FL_DARK_BLUE);
    i->labelcolor(FL_WHITE);
    i->labelfont(FL_TIMES_BOLD);
    i->labelsize(22);
  }
  auto* text = new Fl_Box(margin + icon_w, margin, text_w, std::max(text_h, icon ? 32 : 0));
  text->labeltype(kPlainLabel);
  text->labelsize(kFontSize);
  text->copy_label(message.text.c_str());
  text->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  auto* ok = new Fl_Return_Button((w - 80) / 2, h - margin - 26, 80, 26, "OK");
  ok->callback([](Fl_Widget* b, void*) { b->window()->hide(); });
  box.end();
  box.set_modal();
  if (DialogView* owner = impl_->ViewOf(top())) {
    Fl_Window& parent = owner->window();
    if (parent.shown())
      box.position(parent.x() + (parent.w() - w) / 2, parent.y() + (parent.h() - h) / 2);
  }
  // The control that had the focus gets it back when the box closes, as in a
  // dialog of the platform the program comes from.
  Fl_Widget_Tracker had_focus(Fl::focus());
  impl_->boxes.push_back(&box);
  box.show();
  while (box.shown()) Fl::wait();
  impl_->boxes.pop_back();
  if (had_focus.exists() && had_focus.widget() != nullptr && had_focus.widget()->visible_r() &&
      had_focus.widget()->window() != nullptr && had_focus.widget()->window()->shown())
    had_focus.widget()->take_focus();
}

std::optional<std::string> FltkHost::AskFile(FileDialogKind kind, const FileDialogRequest& request) {
  if (impl_->runner) {
    std::optional<std::string> answer;
    if (impl_->closing) return answer;
    if (!TakeAnswer(kind, answer))
      throw HostError(std::string("no answer queued for the ") + FileDialogName(kind) +
                      " dialog \"" + request.title + "\"");
    return answer;
  }
  impl_->SyncAll();
  Fl_Native_File_Chooser chooser(kind == FileDialogKind::Open
                                     ? Fl_Native_File_Chooser::BROWSE_FILE
                                     : Fl_Native_File_Chooser::BROWSE_SAVE_FILE);
  chooser.title(request.title.c_str());
  std::string filter;
  for (const FileFilter& f : request.filters) {
    if (!filter.empty()) filter += "\n";
    filter += f.label + "\t" + f.pattern;
  }
  chooser.filter(filter.c_str());
  if (!request.folder.empty()) chooser.directory(request.folder.c_str());
  if (kind == FileDialogKind::Save)
    chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM | Fl_Native_File_Chooser::NEW_FOLDER);
  const int result = chooser.show();
  // A chooser built on GTK may have switched the numeric locale.
  std::setlocale(LC_NUMERIC, "C");
  if (result != 0 || chooser.filename() == nullptr) return std::nullopt;
  return std::string(chooser.filename());
}

}  // namespace dialog
