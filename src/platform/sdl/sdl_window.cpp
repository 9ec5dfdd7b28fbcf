#include "platform/sdl/sdl_window.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/sdl/sdl_keys.h"

namespace velk {

TSdlWindow::TSdlWindow() : sdl_(TSdlLibrary::Get()) {
  video_ = sdl_ != nullptr && sdl_->SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  if (video_) wake_event_ = sdl_->SDL_RegisterEvents(1);
}

TSdlWindow::~TSdlWindow() {
  if (texture_ != nullptr) sdl_->SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) sdl_->SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) sdl_->SDL_DestroyWindow(window_);
  if (video_) sdl_->SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void TSdlWindow::Create(const std::string& caption_utf8, int32_t client_width, int32_t client_height) {
  if (!video_) return;
  width_ = std::max(1, client_width);
  height_ = std::max(1, client_height);
  if (window_ == nullptr) {
    window_ = sdl_->SDL_CreateWindow(caption_utf8.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width_, height_,
                               SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) return;
    renderer_ = sdl_->SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (renderer_ == nullptr) renderer_ = sdl_->SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    sdl_->SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  } else {
    sdl_->SDL_SetWindowTitle(window_, caption_utf8.c_str());
  }
  SetClientSize(client_width, client_height);
}

void TSdlWindow::SetCaption(const std::string& caption_utf8) {
  if (window_ != nullptr) sdl_->SDL_SetWindowTitle(window_, caption_utf8.c_str());
}

int32_t TSdlWindow::EffectiveScale() {
  if (scale_ == kScaleFit) return 1;
  TRect work = WorkArea();
  int top = 0, left = 0, bottom = 0, right = 0;
  if (window_ != nullptr) sdl_->SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right);
  int32_t factor = scale_;
  while (factor > 1 &&
         (width_ * factor + left + right > work.Width() || height_ * factor + top + bottom > work.Height()))
    --factor;
  return factor;
}

void TSdlWindow::resize_window() {
  if (window_ == nullptr || full_screen_) return;
  const int32_t factor = EffectiveScale();
  sdl_->SDL_SetWindowSize(window_, width_ * factor, height_ * factor);
  // A window that grew past the work area's edge moves back onto it.
  TRect work = WorkArea();
  TPoint outer = OuterSize();
  int x = 0, y = 0, top = 0, left = 0, bottom = 0, right = 0;
  sdl_->SDL_GetWindowPosition(window_, &x, &y);
  sdl_->SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right);
  const int nx = std::max(work.Left + left, std::min(x, work.Right - outer.X + left));
  const int ny = std::max(work.Top + top, std::min(y, work.Bottom - outer.Y + top));
  if (nx != x || ny != y) sdl_->SDL_SetWindowPosition(window_, nx, ny);
}

void TSdlWindow::SetSmooth(bool smooth) {
  smooth_ = smooth;
  if (texture_ != nullptr) sdl_->SDL_SetTextureScaleMode(texture_, smooth_ ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
}

TRect TSdlWindow::WindowBounds() {
  int x = 0, y = 0, w = width_, h = height_;
  if (window_ != nullptr) {
    sdl_->SDL_GetWindowPosition(window_, &x, &y);
    sdl_->SDL_GetWindowSize(window_, &w, &h);
  }
  return Bounds(x, y, w, h);
}

void TSdlWindow::RestoreBounds(const TRect& bounds) {
  if (window_ == nullptr || full_screen_ || bounds.IsEmpty()) return;
  sdl_->SDL_SetWindowSize(window_, bounds.Width(), bounds.Height());
  // A display that is gone (a second monitor unplugged) leaves the window where it is.
  SDL_Rect want{bounds.Left, bounds.Top, bounds.Width(), bounds.Height()};
  for (int i = 0; i < sdl_->SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect display;
    SDL_Rect common;
    if (sdl_->SDL_GetDisplayUsableBounds(i, &display) == 0 && sdl_->SDL_IntersectRect(&want, &display, &common) && common.w >= 64 &&
        common.h >= 32) {
      sdl_->SDL_SetWindowPosition(window_, bounds.Left, bounds.Top);
      break;
    }
  }
  render();
}

void TSdlWindow::SetClientSize(int32_t width, int32_t height) {
  width_ = std::max(1, width);
  height_ = std::max(1, height);
  if (renderer_ == nullptr) return;
  if (texture_ == nullptr || texture_width_ != width_ || texture_height_ != height_) {
    if (texture_ != nullptr) sdl_->SDL_DestroyTexture(texture_);
    texture_ = sdl_->SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width_, height_);
    SetSmooth(smooth_);
    texture_width_ = width_;
    texture_height_ = height_;
  }
  resize_window();
}

void TSdlWindow::SetPosition(int32_t left, int32_t top) {
  if (window_ != nullptr && !full_screen_) sdl_->SDL_SetWindowPosition(window_, left, top);
}

TPoint TSdlWindow::Position() {
  int x = 0, y = 0;
  if (window_ != nullptr) sdl_->SDL_GetWindowPosition(window_, &x, &y);
  return {x, y};
}

TRect TSdlWindow::WorkArea() {
  SDL_Rect r{0, 0, 1024, 768};
  int display = window_ != nullptr ? std::max(0, sdl_->SDL_GetWindowDisplayIndex(window_)) : 0;
  if (video_) sdl_->SDL_GetDisplayUsableBounds(display, &r);
  return Bounds(r.x, r.y, r.w, r.h);
}

TPoint TSdlWindow::OuterSize() {
  int w = width_, h = height_, top = 0, left = 0, bottom = 0, right = 0;
  if (window_ != nullptr) {
    sdl_->SDL_GetWindowSize(window_, &w, &h);
    sdl_->SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right);
  }
  return {w + left + right, h + top + bottom};
}

void TSdlWindow::SetScale(int32_t scale) {
  scale_ = std::max(0, scale);
  resize_window();
  render();
}

std::vector<TDisplayMode> TSdlWindow::DisplayModes() {
  std::vector<TDisplayMode> modes;
  if (!video_) return modes;
  int display = window_ != nullptr ? std::max(0, sdl_->SDL_GetWindowDisplayIndex(window_)) : 0;
  int n = sdl_->SDL_GetNumDisplayModes(display);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (sdl_->SDL_GetDisplayMode(display, i, &m) == 0) {
      modes.push_back({m.w, m.h, static_cast<int32_t>(SDL_BITSPERPIXEL(m.format)), m.refresh_rate});
    }
  }
  return modes;
}

bool TSdlWindow::SetFullScreen(bool on, int32_t mode_index) {
  if (window_ == nullptr) return false;
  if (!on) {
    sdl_->SDL_SetWindowFullscreen(window_, 0);
    full_screen_ = false;
    mode_index_ = -1;
    resize_window();
    render();
    return true;
  }
  bool ok = false;
  if (mode_index < 0) {
    ok = sdl_->SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
  } else {
    int display = std::max(0, sdl_->SDL_GetWindowDisplayIndex(window_));
    SDL_DisplayMode m;
    ok = sdl_->SDL_GetDisplayMode(display, mode_index, &m) == 0 && sdl_->SDL_SetWindowDisplayMode(window_, &m) == 0 &&
         sdl_->SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0;
  }
  if (!ok) {
    sdl_->SDL_SetWindowFullscreen(window_, 0);
    full_screen_ = false;
    mode_index_ = -1;
    return false;
  }
  full_screen_ = true;
  mode_index_ = mode_index;
  render();
  return true;
}

SDL_Rect TSdlWindow::FrameRect() const {
  int out_w = width_, out_h = height_;
  if (renderer_ != nullptr) sdl_->SDL_GetRendererOutputSize(renderer_, &out_w, &out_h);
  int w = width_, h = height_;
  // Full screen always fills the screen as far as the aspect ratio allows (with a real mode switch that is 1:1).
  bool fit = full_screen_ || scale_ == kScaleFit || width_ * scale_ > out_w || height_ * scale_ > out_h;
  if (fit) {
    // The largest size with the frame's aspect ratio.
    if (static_cast<int64_t>(out_w) * height_ <= static_cast<int64_t>(out_h) * width_) {
      w = out_w;
      h = static_cast<int>(static_cast<int64_t>(out_w) * height_ / width_);
    } else {
      h = out_h;
      w = static_cast<int>(static_cast<int64_t>(out_h) * width_ / height_);
    }
  } else {
    w = width_ * scale_;
    h = height_ * scale_;
  }
  return SDL_Rect{(out_w - w) / 2, (out_h - h) / 2, w, h};
}

void TSdlWindow::render() {
  if (renderer_ == nullptr || texture_ == nullptr) return;
  sdl_->SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  sdl_->SDL_RenderClear(renderer_);
  SDL_Rect dest = FrameRect();
  sdl_->SDL_RenderCopy(renderer_, texture_, nullptr, &dest);
  sdl_->SDL_RenderPresent(renderer_);
}

void TSdlWindow::Present(const TFrameView& frame, const std::vector<TRect>& changed) {
  if (texture_ == nullptr) return;
  TRect bounds = Intersect(TRect{0, 0, texture_width_, texture_height_}, TRect{0, 0, frame.Width, frame.Height});
  bool any = false;
  for (const TRect& c : changed) {
    TRect r = Intersect(c, bounds);
    if (r.IsEmpty()) continue;
    SDL_Rect area{r.Left, r.Top, r.Width(), r.Height()};
    const uint32_t* first = frame.Pixels + static_cast<size_t>(r.Top) * static_cast<size_t>(frame.Stride) + r.Left;
    sdl_->SDL_UpdateTexture(texture_, &area, first, frame.Stride * 4);
    any = true;
  }
  if (any) render();
}

TPoint TSdlWindow::to_frame(int32_t wx, int32_t wy) const {
  SDL_Rect r = FrameRect();
  if (r.w <= 0 || r.h <= 0) return {wx, wy};
  auto x = static_cast<int32_t>((static_cast<int64_t>(wx) - r.x) * width_ / r.w);
  auto y = static_cast<int32_t>((static_cast<int64_t>(wy) - r.y) * height_ / r.h);
  return {x, y};
}

bool TSdlWindow::translate(const SDL_Event& e, TInputEvent& out) {
  out = TInputEvent{};
  switch (e.type) {
    case SDL_QUIT: out.Kind = TInputKind::Close; return true;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: out.Kind = TInputKind::Close; return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED: out.Kind = TInputKind::FocusGained; return true;
        case SDL_WINDOWEVENT_FOCUS_LOST: out.Kind = TInputKind::FocusLost; return true;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: render(); return false;
        default: return false;
      }
    case SDL_MOUSEMOTION: {
      TPoint p = to_frame(e.motion.x, e.motion.y);
      out.Kind = TInputKind::MouseMove;
      out.X = p.X;
      out.Y = p.Y;
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      TPoint p = to_frame(e.button.x, e.button.y);
      out.Kind = e.type == SDL_MOUSEBUTTONDOWN ? TInputKind::MouseDown : TInputKind::MouseUp;
      out.X = p.X;
      out.Y = p.Y;
      if (e.button.button == SDL_BUTTON_LEFT) {
        out.Button = TMouseButton::Left;
      } else if (e.button.button == SDL_BUTTON_RIGHT) {
        out.Button = TMouseButton::Right;
      } else if (e.button.button == SDL_BUTTON_MIDDLE) {
        out.Button = TMouseButton::Middle;
      } else {
        return false;
      }
      return true;
    }
    case SDL_MOUSEWHEEL:
      if (e.wheel.y == 0) return false;
      out.Kind = TInputKind::Wheel;
      out.WheelDown = (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y) < 0;
      return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      out.Kind = e.type == SDL_KEYDOWN ? TInputKind::KeyDown : TInputKind::KeyUp;
      out.Key = VirtualKeyOfScancode(e.key.keysym.scancode);
      out.Repeat = e.key.repeat != 0;
      out.Alt = (e.key.keysym.mod & KMOD_ALT) != 0;
      return out.Key != 0;
    case SDL_TEXTINPUT:
      out.Kind = TInputKind::Text;
      out.Text = e.text.text;
      return true;
    case SDL_TEXTEDITING:
      out.Kind = TInputKind::Composition;
      out.Text = e.edit.text;
      return true;
    default: return false;
  }
}

bool TSdlWindow::PollEvent(TInputEvent& event) {
  if (!video_) return false;
  SDL_Event e;
  while (sdl_->SDL_PollEvent(&e) != 0) {
    if (translate(e, event)) return true;
  }
  return false;
}

bool TSdlWindow::WaitEvent(TInputEvent& event, uint32_t timeout_ms) {
  if (!video_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
    return false;
  }
  SDL_Event e;
  if (sdl_->SDL_WaitEventTimeout(&e, static_cast<int>(timeout_ms)) == 0) return false;
  if (translate(e, event)) return true;
  return PollEvent(event);
}

void TSdlWindow::Wake() {
  if (wake_event_ == 0 || wake_event_ == static_cast<uint32_t>(-1)) return;
  SDL_Event e{};
  e.type = wake_event_;
  sdl_->SDL_PushEvent(&e);
}

void TSdlWindow::WarpCursor(int32_t x, int32_t y) {
  if (window_ == nullptr) return;
  SDL_Rect r = FrameRect();
  sdl_->SDL_WarpMouseInWindow(window_, r.x + x * r.w / std::max(1, width_), r.y + y * r.h / std::max(1, height_));
}

TPoint TSdlWindow::CursorPosition() {
  int x = 0, y = 0;
  if (video_) sdl_->SDL_GetMouseState(&x, &y);
  return to_frame(x, y);
}

std::vector<uint32_t> TSdlWindow::ReadWindowPixels(int32_t& out_width, int32_t& out_height) {
  return read_pixels(false, out_width, out_height);
}

std::vector<uint32_t> TSdlWindow::ReadFramePixels(int32_t& out_width, int32_t& out_height) {
  return read_pixels(true, out_width, out_height);
}

std::vector<uint32_t> TSdlWindow::read_pixels(bool frame_only, int32_t& out_width, int32_t& out_height) {
  out_width = out_height = 0;
  std::vector<uint32_t> pixels;
  if (renderer_ == nullptr || texture_ == nullptr) return pixels;
  int w = 0, h = 0;
  sdl_->SDL_GetRendererOutputSize(renderer_, &w, &h);
  sdl_->SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  sdl_->SDL_RenderClear(renderer_);
  SDL_Rect dest = FrameRect();
  sdl_->SDL_RenderCopy(renderer_, texture_, nullptr, &dest);
  SDL_Rect area{0, 0, w, h};
  if (frame_only && !sdl_->SDL_IntersectRect(&dest, &area, &area)) return pixels;
  pixels.resize(static_cast<size_t>(area.w) * static_cast<size_t>(area.h));
  if (sdl_->SDL_RenderReadPixels(renderer_, &area, SDL_PIXELFORMAT_ARGB8888, pixels.data(), area.w * 4) != 0) {
    pixels.clear();
    return pixels;
  }
  sdl_->SDL_RenderPresent(renderer_);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  out_width = area.w;
  out_height = area.h;
  return pixels;
}

}  // namespace velk
