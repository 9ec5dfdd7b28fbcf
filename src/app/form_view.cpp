#include "app/form_view.h"

#include <cstdlib>
#include <cstring>

#include "base/sjis.h"
#include "platform/stop_request.h"

namespace velk {

namespace {

// Clears the switching flag when a display-mode change ends, also by an error.
struct TSwitchingGuard {
  bool& flag;
  ~TSwitchingGuard() { flag = false; }
};

// The title put into the confirmation text in place of its %s (the title is data, never a format).
std::string format_title(const std::string& text, const std::string& title) {
  std::string out = text;
  size_t at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, title);
  return out;
}

}  // namespace

bool SystemLanguageIsJapanese() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return std::strncmp(value, "ja", 2) == 0;
  }
  return false;
}

TFormView::TFormView(TProcessValues& values, TTrace& trace, IWindow& window, IMessageBoxes& boxes, IClock& clock)
    : values_(values), trace_(trace), window_(window), boxes_(boxes), clock_(clock) {}

TPoint TFormView::scene_size() const {
  if (scene_ != nullptr) return scene_->ScreenSize();
  if (project_ != nullptr) return {project_->ScreenWidth(), project_->ScreenHeight()};
  return {0, 0};
}

void TFormView::StartUp(const std::string& caption_utf8) {
  int32_t width = project_ != nullptr ? project_->ScreenWidth() : 0;
  int32_t height = project_ != nullptr ? project_->ScreenHeight() : 0;
  if (scene_ != nullptr) scene_->SetScreenSize(width, height);
  window_.Create(caption_utf8, width, height + TToolbar::kDockHeight);
  set_client_size(width, height + TToolbar::kDockHeight);
  TRect work = window_.WorkArea();
  TPoint outer = window_.OuterSize();
  window_.SetPosition(work.Left + (work.Width() - outer.X) / 2, work.Top + (work.Height() - outer.Y) / 2);
  place_panel();
  present(true);
}

void TFormView::set_client_size(int32_t width, int32_t height) {
  window_.SetClientSize(width, height);
  client_.Resize(width, height);
}

void TFormView::place_panel() {
  TPoint scene = scene_size();
  int32_t x = (client_.Width() - scene.X) / 2;
  int32_t y = full_screen_ ? (client_.Height() - scene.Y) / 2 : TToolbar::kDockHeight;
  panel_ = Bounds(x, y, scene.X, scene.Y);
}

void TFormView::Tick(const TTick& tick) {
  ApplyTick(values_, tick);
  if (values_.Switching) return;
  DoFrame();
}

void TFormView::DoFrame() {
  try {
    do_frame();
  } catch (const EBoxAbandoned&) {
    // A box the player was stopped in: it closes.
    values_.QuitFlag = true;
    RequestClose();
  }
}

void TFormView::do_frame() {
  // A modal box shown inside a frame may pump events; the frame it interrupted is never entered a second time.
  if (in_frame_) return;
  if (project_ == nullptr) return;
  in_frame_ = true;
  struct TLeave {
    bool& flag;
    ~TLeave() { flag = false; }
  } leave{in_frame_};

  if (files_ != nullptr) files_->FrameUpkeep();
  if (scene_ != nullptr) scene_->InputStep();
  project_->RunFrame();
  if (values_.QuitFlag) return;
  if (media_lib_ != nullptr) media_lib_->velkOggmanUpdate();
  if (scene_ != nullptr) scene_->UpdateStep();
  values_.FrameCount += 1;
  if (project_->ApplyPending()) skip_draw_ = 1;
  if (skip_draw_ > 0) {
    --skip_draw_;
    return;
  }
  int32_t divisor = values_.FrameDivisor > 0 ? values_.FrameDivisor : 1;
  draw_phase_ = (draw_phase_ + 1) % divisor;
  if (draw_phase_ != 0) return;
  if (scene_ != nullptr) scene_->Compose();
  present(false);
  if (scene_ != nullptr) scene_->ClearChanged();
  IFrameMedia& media = media_ != nullptr ? *media_ : no_media_;
  if (media.HasVideo()) media.UpdateVideo();
}

void TFormView::repaint_client() {
  client_.FillRect(client_.Bounds(), 0);
  if (scene_ != nullptr) {
    TFrameView screen = scene_->Screen();
    client_.Blit(screen, TRect{0, 0, screen.Width, screen.Height}, panel_.Left, panel_.Top);
  }
  if (toolbar_visible_) TToolbar::Draw(client_, font_, pressed_);
}

void TFormView::present(bool everything) {
  // A window that shows nothing is told what changed without the client frame being composed; once it shows frames
  // again the whole client is composed afresh.
  const bool compose = window_.ShowsFrames();
  if (compose && !client_composed_) everything = true;
  client_composed_ = compose;
  std::vector<TRect> changed;
  if (everything) {
    if (compose) repaint_client();
    changed.push_back(client_.Bounds());
  } else if (scene_ != nullptr) {
    TFrameView screen = scene_->Screen();
    for (const TRect& r : scene_->Changed()) {
      if (compose) client_.Blit(screen, r, panel_.Left + r.Left, panel_.Top + r.Top);
      changed.push_back(TRect{r.Left + panel_.Left, r.Top + panel_.Top, r.Right + panel_.Left, r.Bottom + panel_.Top});
    }
    // In full screen the toolbar lies over the panel; it stays on top of what the scene repainted.
    if (full_screen_ && toolbar_visible_ && !changed.empty()) {
      if (compose) TToolbar::Draw(client_, font_, pressed_);
      changed.push_back(TRect{0, 0, client_.Width(), TToolbar::kDockHeight});
    }
  }
  window_.Present(client_.View(), changed);
}

// ---- input

bool TFormView::in_toolbar(int32_t x, int32_t y) const {
  return toolbar_visible_ && y >= 0 && y < TToolbar::kDockHeight && TToolbar::HitTest(x, y) != TToolbar::kNone;
}

void TFormView::HandleEvent(const TInputEvent& event) {
  const bool key =
      event.Kind == TInputKind::KeyDown || event.Kind == TInputKind::KeyUp || event.Kind == TInputKind::Text;
  if (key && key_hook_ && key_hook_(event)) return;
  switch (event.Kind) {
    case TInputKind::MouseMove: mouse_move(event); break;
    case TInputKind::MouseDown: mouse_down(event); break;
    case TInputKind::MouseUp: mouse_up(event); break;
    case TInputKind::Wheel:
      if (scene_ != nullptr) scene_->Wheel(event.WheelDown);
      break;
    case TInputKind::KeyDown: key_down(event); break;
    case TInputKind::KeyUp:
      if (scene_ != nullptr && event.Key < 256) scene_->KeyUp(static_cast<uint8_t>(event.Key));
      break;
    case TInputKind::Text:
      if (active_ && scene_ != nullptr) scene_->TextInput(Utf8ToCp932Strict(event.Text));
      break;
    case TInputKind::Composition:
      if (active_ && scene_ != nullptr) scene_->TextComposition(Utf8ToCp932Strict(event.Text));
      break;
    case TInputKind::FocusGained:
      if (focus_hook_) focus_hook_(true);
      Activate();
      break;
    case TInputKind::FocusLost:
      if (focus_hook_) focus_hook_(false);
      Deactivate();
      break;
    case TInputKind::Close: RequestClose(); break;
  }
}

void TFormView::PumpEvents() {
  TInputEvent event;
  while (!close_requested_ && window_.PollEvent(event)) HandleEvent(event);
}

void TFormView::mouse_down(const TInputEvent& event) {
  if (in_toolbar(event.X, event.Y)) {
    pressed_ = TToolbar::HitTest(event.X, event.Y);
    present(true);
    return;
  }
  if (!active_ || scene_ == nullptr || !panel_.Contains(event.X, event.Y)) return;
  scene_->MouseDown(event.Button == TMouseButton::Left, event.Button == TMouseButton::Right);
}

void TFormView::mouse_up(const TInputEvent& event) {
  if (pressed_ != TToolbar::kNone) {
    TToolbar::TButton button = pressed_;
    pressed_ = TToolbar::kNone;
    present(true);
    if (in_toolbar(event.X, event.Y) && TToolbar::HitTest(event.X, event.Y) == button) toolbar_action(button);
    return;
  }
  if (scene_ != nullptr) scene_->MouseUp();
}

void TFormView::mouse_move(const TInputEvent& event) {
  if (scene_ != nullptr && panel_.Contains(event.X, event.Y)) {
    scene_->MouseMove(event.X - panel_.Left, event.Y - panel_.Top);
  }
  // In full screen the toolbar appears while the cursor touches the top edge of the screen.
  if (full_screen_) {
    if (event.Y == 0) {
      show_toolbar(true);
    } else if (toolbar_visible_ && !(event.Y < TToolbar::kDockHeight && in_toolbar(event.X, event.Y))) {
      show_toolbar(false);
    }
  }
}

void TFormView::show_toolbar(bool visible) {
  if (toolbar_visible_ == visible) return;
  toolbar_visible_ = visible;
  present(true);
}

void TFormView::key_down(const TInputEvent& event) {
  if (!active_ || event.Repeat) return;
  // Every other key, F11 included, belongs to the game.
  if (event.Key == VK_RETURN && event.Alt) {
    SetFullScreen(!full_screen_);
    return;
  }
  if (scene_ != nullptr && event.Key < 256) scene_->KeyDown(static_cast<uint8_t>(event.Key));
}

void TFormView::toolbar_action(TToolbar::TButton button) {
  if (button == TToolbar::kQuit) QuitConfirmation();
  if (button == TToolbar::kScreenMode) SetFullScreen(!full_screen_);
}

void TFormView::QuitConfirmation() {
  bool saved = values_.QuitFlag;
  values_.QuitFlag = true;
  std::string title = project_ != nullptr ? project_->Title() : std::string();
  std::string text = Utf8ToCp932(japanese_ ? "「%s」を終了しますか？" : "Do you want to exit %s?");
  int32_t answer = IDYES;
  try {
    answer = boxes_.Show(format_title(text, title), title, MB_YESNO | MB_ICONQUESTION);
  } catch (const EBoxAbandoned&) {
    // Stopped while asking: the player closes.
  }
  if (answer == IDYES) {
    RequestClose();
  } else {
    values_.QuitFlag = saved;
  }
}

void TFormView::WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  enum TRoute { kVideo, kWmp, kFrame };
  struct TRow {
    uint32_t Message;
    TRoute Route;
  };
  static constexpr TRow kRows[] = {{0x007E, kVideo}, {0x0682, kVideo}, {0x0680, kWmp},
                                   {0x0681, kWmp},   {0x0683, kWmp},   {0x06B0, kFrame}};
  for (const TRow& row : kRows) {
    if (row.Message != message) continue;
    if (row.Route == kFrame) {
      DoFrame();
    } else if (media_lib_ != nullptr) {
      TVelkMessage m{this, message, wparam, lparam};
      if (row.Route == kVideo) {
        media_lib_->velkVidmanProcessEvent(m);
      } else {
        media_lib_->velkWmpmanProcessEvent(m);
      }
    }
    return;
  }
}

void TFormView::SetCursorX(int32_t x) { window_.WarpCursor(x + panel_.Left, window_.CursorPosition().Y); }

void TFormView::SetCursorY(int32_t y) { window_.WarpCursor(window_.CursorPosition().X, y + panel_.Top); }

// ---- activation

bool TFormView::pauses_when_inactive() const {
  return project_ == nullptr || (!never_pause_ && project_->PauseWhenInactive());
}

void TFormView::Deactivate() {
  if (project_ != nullptr && !pauses_when_inactive()) return;
  if (tick_source_ != nullptr) tick_source_->Suspend();
  if (scene_ == nullptr) return;
  active_ = false;
  (media_ != nullptr ? *media_ : no_media_).Suspend();
  scene_->ReleaseInput();
}

void TFormView::Activate() {
  if (pauses_when_inactive()) {
    if (tick_source_ != nullptr) tick_source_->Resume();
    if (scene_ == nullptr) return;
    active_ = true;
    values_.LastTickTime = clock_.Milliseconds();
    (media_ != nullptr ? *media_ : no_media_).Resume();
    return;
  }
  if (scene_ == nullptr) return;
  active_ = true;
  values_.LastTickTime = clock_.Milliseconds();
}

// ---- display modes

void TFormView::restore_after_failed_mode() {
  trace_("SetFullScreen.Full.SetScreenManIndexFail");
  TPoint scene = scene_size();
  window_.SetFullScreen(false, kDesktopMode);
  window_.SetPosition(placement_.Position.X, placement_.Position.Y);
  set_client_size(scene.X, scene.Y + TToolbar::kDockHeight);
}

void TFormView::set_bounds() {
  trace_("SetFullScreen.SetBounds");
  place_panel();
}

void TFormView::reload_after_switch() {
  trace_("SetFullScreen.Bases.Reload");
  if (scene_ != nullptr) scene_->ReloadSurfaces();
  trace_("SetFullScreen.MediaResume");
  (media_ != nullptr ? *media_ : no_media_).ResumeVideo();
  present(true);
}

void TFormView::SetFullScreen(bool on) {
  trace_("SetFullScreen");
  values_.Switching = true;
  TSwitchingGuard guard{values_.Switching};
  if (on == full_screen_) return;
  // Refused before anything is torn down, so that a refused switch leaves music and surfaces as they were.
  if (on && chosen_mode_ == kNoDisplayMode) return;
  IFrameMedia& media = media_ != nullptr ? *media_ : no_media_;
  media.CloseMidi();
  TPoint scene = scene_size();
  if (on) {
    trace_("SetFullScreen.Full");
    trace_("SetFullScreen.Full.Bases.FreeDX");
    if (scene_ != nullptr) scene_->FreeSurfaces();
    trace_("SetFullScreen.Full.MediaSuspend");
    media.SuspendVideo();
    toolbar_visible_ = false;
    trace_("SetFullScreen.Full.ScreenMan.FreeDX");
    trace_("SetFullScreen.Full.StoreWindow");
    placement_ = {window_.Position(), ClientSize()};
    full_screen_ = true;
    window_.SetPosition(0, 0);
    set_client_size(scene.X, scene.Y);
    trace_("SetFullScreen.Full.SetScreenManIndex");
    clock_.Sleep(100);
    bool ok = window_.SetFullScreen(true, chosen_mode_);
    if (!ok || window_.CurrentModeIndex() != chosen_mode_) restore_after_failed_mode();
  } else {
    trace_("SetFullScreen.Normal");
    if (scene_ != nullptr) scene_->FreeSurfaces();
    media.SuspendVideo();
    toolbar_visible_ = true;
    full_screen_ = false;
    trace_("SetFullScreen.Normal.RestoreWindow");
    window_.SetFullScreen(false, kDesktopMode);
    window_.SetPosition(placement_.Position.X, placement_.Position.Y);
    set_client_size(scene.X, scene.Y + TToolbar::kDockHeight);
    clock_.Sleep(100);
  }
  set_bounds();
  media.ReopenMidi();
  reload_after_switch();
}

void TFormView::ReapplyDisplayMode() {
  if (!full_screen_ || chosen_mode_ == kNoDisplayMode || chosen_mode_ == window_.CurrentModeIndex()) return;
  values_.Switching = true;
  TSwitchingGuard guard{values_.Switching};
  IFrameMedia& media = media_ != nullptr ? *media_ : no_media_;
  if (scene_ != nullptr) scene_->FreeSurfaces();
  media.SuspendVideo();
  bool ok = window_.SetFullScreen(true, chosen_mode_);
  if (!ok || window_.CurrentModeIndex() != chosen_mode_) restore_after_failed_mode();
  set_bounds();
  reload_after_switch();
}

}  // namespace velk
