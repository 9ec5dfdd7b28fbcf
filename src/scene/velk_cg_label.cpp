#include "scene/velk_cg_label.h"

#include <algorithm>

#include "base/sjis.h"
#include "gfx/custom_dibx.h"
#include "scene/prop_table.h"
#include "scene/velk_label.h"
#include "scene/base_list.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using G = TVelkCGLabel;
using P = TProps<G>;

const TPropTable<G> kCGLabelProps = {
    P::Custom<&G::Text, &G::SetText>(PR_TEXT),
    P::Custom<&G::MapText, &G::SetMapText>(PR_MAPTEXT),
    P::Custom<&G::GlyphWidth, &G::SetGlyphWidth>(PR_GLYPHWIDTH),
    P::Custom<&G::GlyphHeight, &G::SetGlyphHeight>(PR_GLYPHHEIGHT),
    P::Custom<&G::LineSpace, &G::SetLineSpace>(PR_LINESPACE),
    P::Custom<&G::HAlign, &G::SetHAlign>(PR_HALIGN),
    P::Plain<&G::OnIdle>(PR_ONIDLE),
    P::Custom<&G::Source, &G::SetSource>(PR_SOURCE),
    P::Visual<&G::Alpha>(PR_ALPHA),
    P::Plain<&G::PausedFlag>(PR_PAUSED),
    P::ReadOnly<&G::Playing>(PR_PLAYING),
    // The size of the glyph picture.
    {PR_ORIGWIDTH, [](const G& g, TPropValue& v) { v.I = g.ImageSurface() ? g.ImageSurface()->Width() : 0; }, nullptr},
    {PR_ORIGHEIGHT, [](const G& g, TPropValue& v) { v.I = g.ImageSurface() ? g.ImageSurface()->Height() : 0; },
     nullptr},
};

// The characters of a Shift-JIS string, each one or two bytes.
std::vector<std::string> Characters(const std::string& s) {
  std::vector<std::string> chars;
  for (size_t i = 0, n = 0; i < s.size(); i += n) {
    n = CharLength(s, i);
    chars.push_back(s.substr(i, n));
  }
  return chars;
}

int32_t NonNegative32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX)); }

}  // namespace

bool TVelkCGLabel::GetProp(int32_t id, TPropValue& value) const {
  return kCGLabelProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkCGLabel::SetProp(int32_t id, const TPropValue& value) {
  return kCGLabelProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

void TVelkCGLabel::SetText(const std::string& v) {
  text_ = v;
  Layout();
}

void TVelkCGLabel::SetMapText(const std::string& v) {
  map_text_ = v;
  Layout();
}

void TVelkCGLabel::SetGlyphWidth(int32_t v) {
  glyph_w_ = v;
  Layout();
}

void TVelkCGLabel::SetGlyphHeight(int32_t v) {
  glyph_h_ = v;
  Layout();
}

void TVelkCGLabel::SetLineSpace(int32_t v) {
  line_space_ = v;
  Layout();
}

void TVelkCGLabel::SetHAlign(uint8_t v) {
  halign_ = v;
  Layout();
}

void TVelkCGLabel::Layout() {
  const std::vector<std::string> map = Characters(map_text_);
  cells_.clear();
  for (const std::string& line : SplitLines(text_)) {
    std::vector<int32_t>& row = cells_.emplace_back();
    for (const std::string& ch : Characters(line)) {
      const auto it = std::find(map.begin(), map.end(), ch);
      row.push_back(it == map.end() ? -1 : static_cast<int32_t>(it - map.begin()));
    }
  }
  ApplySize();
  Invalidate();
}

void TVelkCGLabel::ApplySize() {
  size_t longest = 0;
  for (const auto& row : cells_) longest = std::max(longest, row.size());
  const auto lines = static_cast<int64_t>(cells_.size());
  const int32_t w = NonNegative32(static_cast<int64_t>(longest) * glyph_w_);
  const int32_t h = lines == 0 ? 0 : NonNegative32(lines * glyph_h_ + int64_t{line_space_} * (lines - 1));
  if (w != Width || h != Height) SetBounds(Left, Top, w, h);
}

bool TVelkCGLabel::CellRect(int32_t index, TRect& r) const {
  const TCustomDIBX* image = ImageSurface();
  if (!image || index < 0 || glyph_w_ <= 0 || glyph_h_ <= 0) return false;
  const int32_t columns = image->Width() / glyph_w_;
  if (columns <= 0) return false;
  const int64_t left = int64_t{index % columns} * glyph_w_, top = int64_t{index / columns} * glyph_h_;
  if (top + glyph_h_ > image->Height()) return false;
  r = TRect{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(left + glyph_w_),
            static_cast<int32_t>(top + glyph_h_)};
  return true;
}

void TVelkCGLabel::SetSource(const std::string& name) {
  if (name == source_) return;
  Invalidate();
  DetachMotion();
  picture_.Release();
  source_ = name;
  ResetRunEnd();
  if (HasExtension(name, ".kmt")) {
    LoadMotion(name);
  } else if (IsPictureFile(name)) {
    picture_.Load(Owner(), name, 255);
  }
  ApplySize();
  Invalidate();
}

bool TVelkCGLabel::Playing() const {
  if (MotionAttached()) return MotionPlaying();
  return !PausedFlag && picture_.Count() > 0 && !picture_.AtEnd();
}

bool TVelkCGLabel::Update() {
  const bool done = TVelkControl::Update();
  // The frames run once through while the label is shown and not paused.
  if (!MotionAttached() && Visible && !PausedFlag && !AniPaused) {
    const TVelkBaseList* scene = Owner();
    if (picture_.Advance(scene ? scene->FrameMs() : 0, false)) Invalidate();
  }
  return done;
}

void TVelkCGLabel::Draw() {
  TCustomDIBX* target = Surface();
  TCustomDIBX* image = ImageSurface();
  if (target && image && !image->IsEmpty() && Visible && Alpha >= 1 && Alpha < 512) {
    const int32_t pitch = glyph_h_ + line_space_;
    for (size_t k = 0; k < cells_.size(); ++k) {
      const std::vector<int32_t>& row = cells_[k];
      const int64_t free = int64_t{Width} - static_cast<int64_t>(row.size()) * glyph_w_;
      const int64_t x0 = ScreenLeft() + (halign_ == 1 ? free / 2 : halign_ == 2 ? free : 0);
      const int64_t y = ScreenTop() + static_cast<int64_t>(k) * pitch;
      for (size_t j = 0; j < row.size(); ++j) {
        TRect cell;
        if (!CellRect(row[j], cell)) continue;
        const int64_t x = x0 + static_cast<int64_t>(j) * glyph_w_;
        if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) continue;
        DrawPictureAt(*target, static_cast<int32_t>(x), static_cast<int32_t>(y), image, cell, picture_.Mask(), false,
                      false, Alpha);
      }
    }
  }
  DrawChildren();
}

void TVelkCGLabel::SaveOwnFields(TStream& s) const {
  WriteString(s, source_);
  WriteString(s, text_);
  WriteString(s, map_text_);
  WriteInt(s, glyph_w_);
  WriteInt(s, glyph_h_);
  WriteInt(s, line_space_);
  WriteByte(s, PausedFlag);
  WriteByte(s, halign_);
  WriteInt(s, Alpha);
  WriteString(s, OnIdle);
}

void TVelkCGLabel::LoadOwnFields(TStream& s, int32_t version) {
  const std::string source = ReadString(s);
  text_ = ReadString(s);
  map_text_ = ReadString(s);
  glyph_w_ = ReadInt(s);
  glyph_h_ = ReadInt(s);
  line_space_ = ReadInt(s);
  PausedFlag = ReadByte(s) != 0;
  halign_ = ReadByte(s);
  Alpha = ReadInt(s);
  if (version > 124) OnIdle = ReadString(s);
  source_.clear();
  SetSource(source);
  Layout();
}

}  // namespace velk
