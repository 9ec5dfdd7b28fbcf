#include "app/toolbar.h"

namespace velk {

namespace {

struct TButtonRow {
  const char* Caption;  // UTF-8
};
constexpr std::array<TButtonRow, 2> kButtons = {{{"終了"}, {"画面切替"}}};

constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kLight = 0xFFFFFF;
constexpr uint32_t kShadow = 0xA0A0A0;
constexpr uint32_t kText = 0x000000;

}  // namespace

TRect TToolbar::ButtonRect(TButton button) {
  if (button == kNone) return TRect{};
  return Bounds(static_cast<int32_t>(button) * kButtonWidth, 0, kButtonWidth, kButtonHeight);
}

TToolbar::TButton TToolbar::HitTest(int32_t x, int32_t y) {
  for (int32_t i = 0; i < static_cast<int32_t>(kButtons.size()); ++i) {
    if (ButtonRect(static_cast<TButton>(i)).Contains(x, y)) return static_cast<TButton>(i);
  }
  return kNone;
}

void TToolbar::Draw(TPixelBuffer& target, TStripFont& font, TButton pressed) {
  target.FillRect(TRect{0, 0, target.Width(), kDockHeight}, kFace);
  for (int32_t i = 0; i < static_cast<int32_t>(kButtons.size()); ++i) {
    TRect r = ButtonRect(static_cast<TButton>(i));
    bool down = i == pressed;
    uint32_t top_left = down ? kShadow : kLight;
    uint32_t bottom_right = down ? kLight : kShadow;
    target.FillRect(TRect{r.Left, r.Top, r.Right, r.Top + 1}, top_left);
    target.FillRect(TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, top_left);
    target.FillRect(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottom_right);
    target.FillRect(TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, bottom_right);
    int32_t w = font.TextWidth(kButtons[static_cast<size_t>(i)].Caption);
    int32_t x = r.Left + (r.Width() - w) / 2 + (down ? 1 : 0);
    int32_t y = r.Top + (r.Height() - font.PixelSize()) / 2 + (down ? 1 : 0);
    font.Draw(target, x, y, kButtons[static_cast<size_t>(i)].Caption, kText, r);
  }
}

}  // namespace velk
