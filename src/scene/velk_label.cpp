#include "scene/velk_label.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "base/sjis.h"
#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "text/font_pixel.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using L = TVelkLabel;
using P = TProps<L>;

const TPropTable<L> kLabelProps = {
    P::Custom<&L::Text, &L::SetText>(PR_TEXT),
    P::Custom<&L::FontName, &L::SetFontName>(PR_FONTNAME),
    P::Custom<&L::FontHeight, &L::SetFontHeight>(PR_FONTHEIGHT),
    P::Custom<&L::FontStyle, &L::SetFontStyle>(PR_FONTSTYLE),
    P::Custom<&L::LineSpace, &L::SetLineSpace>(PR_LINESPACE),
    P::Visual<&L::FontColor>(PR_FONTCOLOR),
    P::Custom<&L::HAlign, &L::SetHAlign>(PR_HALIGN),
    P::Custom<&L::AntiAlias, &L::SetAntiAlias>(PR_ANTIALIAS),
    P::Visual<&L::Alpha>(PR_ALPHA),
    P::Visual<&L::Angle>(PR_ANGLE),
    P::Custom<&L::FlipH, &L::SetFlipH>(PR_FLIPH),
    P::Custom<&L::FlipV, &L::SetFlipV>(PR_FLIPV),
    P::Custom<&L::ZoomX, &L::SetZoomX>(PR_ZOOMX),
    P::Custom<&L::ZoomY, &L::SetZoomY>(PR_ZOOMY),
    P::Custom<&L::Source, &L::SetSource>(PR_SOURCE),
    P::Plain<&L::Repeat>(PR_REPEAT),
    P::Plain<&L::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&L::OnPlayEnd>(PR_ONPLAYEND),
    P::Plain<&L::PausedFlag>(PR_PAUSED),
    P::Plain<&L::OnIdle>(PR_ONIDLE),
};

int32_t ClampSide(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kMaxLabelSide)); }

// The character code at byte i of a line and its length.
uint16_t CodeAt(const std::string& s, size_t i, size_t& length) {
  length = CharLength(s, i);
  const auto lead = static_cast<uint8_t>(s[i]);
  return length == 2 ? static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(s[i + 1])) : lead;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      const size_t n = CharLength(text, i);
      lines.back().append(text, i, n);
      i += n - 1;
    }
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

TRect RotatedBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t zoom_x, int32_t zoom_y, int32_t pivot_x,
                    int32_t pivot_y, int32_t angle) {
  const double sx = zoom_x / 256.0, sy = zoom_y / 256.0;
  const double theta = angle * 2.0 * std::numbers::pi / 256.0, c = std::cos(theta), s = std::sin(theta);
  const double px = pivot_x * sx, py = pivot_y * sy;
  double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
  for (const double dx : {-px, w * sx - px}) {
    for (const double dy : {-py, h * sy - py}) {
      const double X = x + dx * c - dy * s, Y = y + dx * s + dy * c;
      min_x = std::min(min_x, X), max_x = std::max(max_x, X);
      min_y = std::min(min_y, Y), max_y = std::max(max_y, Y);
    }
  }
  const auto to_int = [](double v) { return static_cast<int32_t>(std::clamp(std::trunc(v), -1e9, 1e9)); };
  return TRect{to_int(min_x), to_int(min_y), to_int(max_x + 1), to_int(max_y + 1)};
}

TVelkLabel::TVelkLabel(TVelkBaseList* owner)
    : TVelkControl(owner), font_name_(Utf8ToCp932("ＭＳ Ｐゴシック")), coverage_(std::make_unique<TDIBX>()) {
  coverage_->SetSize(0, 0, 8);
}

TVelkLabel::~TVelkLabel() = default;

bool TVelkLabel::GetProp(int32_t id, TPropValue& value) const {
  return kLabelProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkLabel::SetProp(int32_t id, const TPropValue& value) {
  return kLabelProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

std::string TVelkLabel::Text() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) text += (i ? "\r\n" : "") + lines_[i];
  return text;
}

void TVelkLabel::SetFontName(const std::string& v) {
  font_name_ = v;
  Layout();
}

void TVelkLabel::SetFontHeight(int32_t v) {
  font_height_ = v;
  Layout();
}

void TVelkLabel::SetLineSpace(int32_t v) {
  line_space_ = v;
  Layout();
}

void TVelkLabel::SetFontStyle(uint8_t v) {
  font_style_ = v;
  Layout();
}

void TVelkLabel::SetHAlign(uint8_t v) {
  halign_ = v;
  Layout();
}

void TVelkLabel::SetAntiAlias(bool v) {
  antialias_ = v;
  Layout();
}

void TVelkLabel::SetText(const std::string& text) {
  lines_ = SplitLines(text);
  Layout();
}

// The area of the old zoom is redrawn as well: the anchor and a rotated label's bounds scale with the zoom.
void TVelkLabel::SetZoomX(int32_t v) {
  v = std::max(1, v);
  if (v == zoom_x_) return;
  Invalidate();
  zoom_x_ = v;
  FollowBlock();
}

void TVelkLabel::SetZoomY(int32_t v) {
  v = std::max(1, v);
  if (v == zoom_y_) return;
  Invalidate();
  zoom_y_ = v;
  FollowBlock();
}

void TVelkLabel::Layout() {
  // The old block's area, also when the size stays and only the glyphs change.
  Invalidate();
  TFontPixelManager& glyphs = FontPixelManager();
  const std::string font = font_name_.empty() ? Utf8ToCp932("ＭＳ ゴシック") : font_name_;
  const int32_t quality = antialias_ ? 3 : 0;
  const auto glyph = [&](uint16_t code) { return glyphs.GetGlyph(code, font, font_style_, font_height_, quality); };

  // Line widths first: the cache may evict glyphs of a long line while it is walked, so a glyph is used only
  // right after it was asked for.
  std::vector<int64_t> widths;
  for (const std::string& line : lines_) {
    int64_t w = 0;
    for (size_t i = 0, n = 0; i < line.size(); i += n) w += glyph(CodeAt(line, i, n))->Advance();
    widths.push_back(w);
  }
  const int64_t pitch = int64_t{font_height_} + line_space_;
  block_w_ = ClampSide(widths.empty() ? 0 : *std::max_element(widths.begin(), widths.end()));
  block_h_ = ClampSide(pitch * static_cast<int64_t>(lines_.size()));
  coverage_->SetSize(block_w_, block_h_, 8);
  if (block_w_ > 0 && block_h_ > 0) {
    coverage_->Fill(0);
    for (size_t k = 0; k < lines_.size(); ++k) {
      const int64_t free = block_w_ - widths[k];
      int64_t x = halign_ == 0 ? 0 : halign_ == 1 ? free / 2 : free;
      const int64_t top = pitch * static_cast<int64_t>(k);
      for (size_t i = 0, n = 0; i < lines_[k].size() && x < block_w_; i += n) {
        const TFontPixel* g = glyph(CodeAt(lines_[k], i, n));
        for (int32_t gy = 0; gy < g->BitmapHeight(); ++gy) {
          const int64_t y = top + g->OriginY + gy;
          if (y < 0 || y >= block_h_) continue;
          uint8_t* row = coverage_->Lock(0, static_cast<int32_t>(y));
          for (int32_t gx = 0; gx < g->BitmapWidth(); ++gx) {
            const int64_t px = x + g->OriginX + gx;
            if (px >= 0 && px < block_w_) row[px] = std::max(row[px], g->CoverageAt(gx, gy));
          }
        }
        x += g->Advance();
      }
    }
  }
  ink_color_ = -1;
  FollowBlock();
}

void TVelkLabel::FollowBlock() {
  SetBounds(Left, Top, static_cast<int32_t>(int64_t{block_w_} * zoom_x_ / 256),
            static_cast<int32_t>(int64_t{block_h_} * zoom_y_ / 256));
}

TDIBX* TVelkLabel::Ink(TCustomDIBX& target) {
  if (!ink_) ink_ = std::make_unique<TDIBX>();
  if (ink_->Width() != block_w_ || ink_->Height() != block_h_ || ink_->BitCount() != target.BitCount() ||
      ink_color_ != FontColor) {
    ink_->SetSize(block_w_, block_h_, target.BitCount());
    ink_->Fill(static_cast<uint32_t>(ink_->ColorToPixel(FontColor)));
    ink_color_ = FontColor;
  }
  return ink_.get();
}

void TVelkLabel::SetSource(const std::string& name) {
  if (name == source_) return;
  Invalidate();
  DetachMotion();
  source_ = name;
  ResetRunEnd();
  if (HasExtension(name, ".kmt")) LoadMotion(name);
  Invalidate();
}

// The anchor in block pixels, mirrored with the flips, as pictures turn around it.
TPoint TVelkLabel::Pivot() const {
  return {flip_h_ ? block_w_ - OffsetX - 1 : OffsetX, flip_v_ ? block_h_ - OffsetY - 1 : OffsetY};
}

TRect TVelkLabel::ScreenRect() const {
  if (!Rotated()) return TVelkControl::ScreenRect();
  const TPoint o = ScreenOrigin(), pivot = Pivot();
  return RotatedBounds(o.X, o.Y, block_w_, block_h_, zoom_x_, zoom_y_, pivot.X, pivot.Y, Angle & 0xFF);
}

void TVelkLabel::Draw() {
  TCustomDIBX* target = Surface();
  if (target && Visible && Alpha >= 1 && Alpha < 512 && Width > 0 && Height > 0 && block_w_ > 0 && block_h_ > 0) {
    const TRect src{0, 0, block_w_, block_h_};
    TDIBX* cover = coverage_.get();
    if (Rotated()) {
      const TPoint o = ScreenOrigin(), pivot = Pivot();
      target->DrawRotateMask(o.X, o.Y, zoom_x_, zoom_y_, Ink(*target), src, pivot.X, pivot.Y, Angle & 0xFF, flip_h_,
                             flip_v_, cover, Alpha);
    } else if (Width == block_w_ && Height == block_h_) {
      if (Alpha <= 255) {
        target->DrawColorMask(ScreenLeft(), ScreenTop(), cover, src, flip_h_, flip_v_,
                              static_cast<uint32_t>(target->ColorToPixel(FontColor)), Alpha);
      } else {
        target->DrawAddMask(ScreenLeft(), ScreenTop(), Ink(*target), src, flip_h_, flip_v_, cover,
                            std::min(Alpha - 256, 255));
      }
    } else {
      const TRect dst = TVelkControl::ScreenRect();
      if (Alpha <= 255) {
        target->StretchDrawMask(dst, Ink(*target), src, flip_h_, flip_v_, cover, Alpha);
      } else {
        target->StretchDrawAddMask(dst, Ink(*target), src, flip_h_, flip_v_, cover, std::min(Alpha - 256, 255));
      }
    }
  }
  DrawChildren();
}

void TVelkLabel::SaveOwnFields(TStream& s) const {
  WriteString(s, font_name_);
  WriteInt(s, font_height_);
  WriteInt(s, line_space_);
  WriteByte(s, font_style_);
  WriteInt(s, Alpha);
  WriteInt(s, FontColor);
  WriteByte(s, halign_);
  WriteByte(s, antialias_);
  WriteByte(s, flip_h_);
  WriteByte(s, flip_v_);
  WriteInt(s, Angle);
  WriteInt(s, zoom_x_);
  WriteString(s, Text());
  WriteString(s, OnIdle);
  WriteString(s, source_);
  WriteByte(s, Repeat);
  WriteByte(s, AutoScrap);
  WriteString(s, OnPlayEnd);
  WriteByte(s, PausedFlag);
  WriteInt(s, zoom_y_);
}

void TVelkLabel::LoadOwnFields(TStream& s, int32_t version) {
  font_name_ = ReadString(s);
  font_height_ = ReadInt(s);
  line_space_ = ReadInt(s);
  font_style_ = ReadByte(s) & 0x0F;
  Alpha = ReadInt(s);
  FontColor = ReadInt(s);
  halign_ = ReadByte(s);
  antialias_ = ReadByte(s) != 0;
  flip_h_ = ReadByte(s) != 0;
  flip_v_ = ReadByte(s) != 0;
  Angle = ReadInt(s);
  zoom_x_ = std::max(1, ReadInt(s));
  const std::string text = ReadString(s);
  std::string source;
  if (version > 103) {
    OnIdle = ReadString(s);
    source = ReadString(s);
    Repeat = ReadByte(s) != 0;
    AutoScrap = ReadByte(s) != 0;
    OnPlayEnd = ReadString(s);
    PausedFlag = ReadByte(s) != 0;
    zoom_y_ = std::max(1, ReadInt(s));
  }
  SetText(text);
  SetSource(source);
}

}  // namespace velk
