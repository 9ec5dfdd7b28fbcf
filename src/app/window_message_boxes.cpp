#include "app/window_message_boxes.h"

#include <algorithm>

#include "base/sjis.h"
#include "platform/stop_request.h"

namespace velk {

namespace {

constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kCaptionBar = 0x2B579A;
constexpr uint32_t kCaptionText = 0xFFFFFF;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kEdge = 0xA0A0A0;
constexpr uint32_t kDefaultEdge = 0x0078D7;
constexpr int32_t kPadding = 12;
constexpr int32_t kButtonWidth = 75;
constexpr int32_t kButtonHeight = 25;
constexpr int32_t kButtonGap = 8;
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkEscape = 0x1B;
constexpr uint32_t kVkTab = 0x09;
constexpr uint32_t kVkLeft = 0x25;
constexpr uint32_t kVkRight = 0x27;

void outline(TPixelBuffer& p, const TRect& r, uint32_t colour) {
  p.FillRect(TRect{r.Left, r.Top, r.Right, r.Top + 1}, colour);
  p.FillRect(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, colour);
  p.FillRect(TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, colour);
  p.FillRect(TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, colour);
}

}  // namespace

std::vector<std::string> MessageLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(Cp932ToUtf8(line));
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      continue;
    }
    line.append(text, i, CharLength(text, i));
  }
  lines.push_back(Cp932ToUtf8(line));
  return lines;
}

std::vector<std::string> TWindowMessageBoxes::Wrap(const std::vector<std::string>& lines_utf8, int32_t max_width) {
  std::vector<std::string> out;
  for (const std::string& line : lines_utf8) {
    std::string row;
    for (size_t i = 0; i < line.size();) {
      size_t n = 1;
      while (i + n < line.size() && (static_cast<uint8_t>(line[i + n]) & 0xC0) == 0x80) ++n;
      const std::string next = row + line.substr(i, n);
      if (!row.empty() && font_.TextWidth(next) > max_width) {
        out.push_back(row);
        row = line.substr(i, n);
      } else {
        row = next;
      }
      i += n;
    }
    out.push_back(row);
  }
  return out;
}

TWindowMessageBoxes::TLayout TWindowMessageBoxes::Layout(const std::vector<std::string>& lines_utf8, size_t buttons,
                                                         int32_t width, int32_t height) {
  const int32_t line_height = font_.PixelSize() + 6;
  int32_t text_width = 0;
  const std::vector<std::string> lines = Wrap(lines_utf8, width - 2 * kPadding);
  for (const std::string& line : lines) text_width = std::max(text_width, font_.TextWidth(line));
  const int32_t count = static_cast<int32_t>(buttons);
  const int32_t buttons_width = count * kButtonWidth + (count - 1) * kButtonGap;
  // As wide as its text, but never wider than the window (long lines are clipped).
  const int32_t box_width = std::min(width, std::max({text_width, buttons_width, 160}) + 2 * kPadding);
  const int32_t box_height =
      std::min(height, line_height + kPadding + static_cast<int32_t>(lines.size()) * line_height + kPadding +
                           kButtonHeight + kPadding);
  TLayout layout;
  layout.Box = Bounds((width - box_width) / 2, (height - box_height) / 2, box_width, box_height);
  int32_t x = layout.Box.Left + (box_width - buttons_width) / 2;
  for (size_t i = 0; i < buttons; ++i) {
    layout.Buttons.push_back(Bounds(x, layout.Box.Bottom - kPadding - kButtonHeight, kButtonWidth, kButtonHeight));
    x += kButtonWidth + kButtonGap;
  }
  return layout;
}

void TWindowMessageBoxes::Paint(TPixelBuffer& target, const std::string& text, const std::string& caption,
                                uint32_t style, int32_t focused) {
  const std::vector<int32_t> buttons = MessageBoxButtons(style);
  const TLayout layout = Layout(MessageLines(text), buttons.size(), target.Width(), target.Height());
  // Lines longer than the window allows go on over several rows.
  const std::vector<std::string> lines = Wrap(MessageLines(text), target.Width() - 2 * kPadding);
  const TRect& box = layout.Box;
  const int32_t line_height = font_.PixelSize() + 6;
  target.FillRect(box, kFace);
  outline(target, box, kEdge);
  const TRect bar{box.Left + 1, box.Top + 1, box.Right - 1, box.Top + line_height};
  target.FillRect(bar, kCaptionBar);
  font_.Draw(target, bar.Left + 6, bar.Top + 2, Cp932ToUtf8(caption), kCaptionText, bar);
  const TRect text_area{box.Left + kPadding, bar.Bottom, box.Right - kPadding, layout.Buttons.front().Top};
  int32_t y = bar.Bottom + kPadding;
  for (const std::string& line : lines) {
    font_.Draw(target, text_area.Left, y, line, kText, text_area);
    y += line_height;
  }
  for (size_t i = 0; i < buttons.size(); ++i) {
    const TRect& r = layout.Buttons[i];
    target.FillRect(r, 0xE1E1E1);
    outline(target, r, static_cast<int32_t>(i) == focused ? kDefaultEdge : kEdge);
    const char* label = MessageBoxButtonCaption(buttons[i]);
    const int32_t w = font_.TextWidth(label);
    font_.Draw(target, r.Left + (r.Width() - w) / 2, r.Top + (r.Height() - font_.PixelSize()) / 2, label, kText, r);
  }
}

int32_t TWindowMessageBoxes::Show(const std::string& text, const std::string& caption, uint32_t style) {
  if (window_ == nullptr || frame_ == nullptr || frame_->Width() <= 0 || frame_->Height() <= 0) {
    return fallback_.Show(text, caption, style);
  }
  if (StopRequested()) throw EBoxAbandoned{};
  const std::vector<int32_t> buttons = MessageBoxButtons(style);
  const TLayout layout = Layout(MessageLines(text), buttons.size(), frame_->Width(), frame_->Height());
  int32_t focused = 0;
  TPixelBuffer shown;
  auto paint = [&] {
    shown.Resize(frame_->Width(), frame_->Height());
    shown.Blit(frame_->View(), frame_->Bounds(), 0, 0);
    Paint(shown, text, caption, style, focused);
    window_->Present(shown.View(), {shown.Bounds()});
  };
  paint();
  int32_t answer = 0;
  int32_t pressed = -1;
  TInputEvent event;
  while (answer == 0) {
    if (StopRequested()) {
      window_->Present(frame_->View(), {frame_->Bounds()});
      throw EBoxAbandoned{};
    }
    if (!window_->WaitEvent(event, 100)) continue;
    auto hit = [&](int32_t x, int32_t y) {
      for (size_t i = 0; i < layout.Buttons.size(); ++i) {
        if (layout.Buttons[i].Contains(x, y)) return static_cast<int32_t>(i);
      }
      return -1;
    };
    switch (event.Kind) {
      case TInputKind::MouseDown:
        if (event.Button == TMouseButton::Left) pressed = hit(event.X, event.Y);
        break;
      case TInputKind::MouseUp:
        if (pressed >= 0 && hit(event.X, event.Y) == pressed) answer = buttons[static_cast<size_t>(pressed)];
        pressed = -1;
        break;
      case TInputKind::KeyDown:
        if (event.Key == kVkReturn) answer = buttons[static_cast<size_t>(focused)];
        if (event.Key == kVkEscape) answer = MessageBoxEscapeAnswer(style);
        if (event.Key == kVkTab || event.Key == kVkRight || event.Key == kVkLeft) {
          const int32_t n = static_cast<int32_t>(buttons.size());
          focused = (focused + (event.Key == kVkLeft ? n - 1 : 1)) % n;
          paint();
        }
        break;
      case TInputKind::Close: answer = MessageBoxEscapeAnswer(style); break;
      default: break;
    }
  }
  // The window shows the game again.
  window_->Present(frame_->View(), {frame_->Bounds()});
  return answer;
}

}  // namespace velk
