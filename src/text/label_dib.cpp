#include "text/label_dib.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "base/sjis.h"
#include "text/font_pixel.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// Offsets in the metrics record: the record size, then the text metrics' height, ascent, descent, weight and
// overhang.
constexpr size_t kSizeAt = 0, kHeightAt = 4, kAscentAt = 8, kDescentAt = 12, kWeightAt = 32, kOverhangAt = 36;
// A label is never wider than this: a caption's length must not decide how much memory it takes.
constexpr int64_t kMaxLabelWidth = 8192;

int32_t GetInt(const TLabelDIBList::TMetrics& m, size_t at) {
  uint32_t v = 0;
  for (size_t k = 0; k < 4; ++k) v |= uint32_t{m[at + k]} << (8 * k);
  return static_cast<int32_t>(v);
}

void PutInt(TLabelDIBList::TMetrics& m, size_t at, int32_t value) {
  for (size_t k = 0; k < 4; ++k) m[at + k] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * k));
}

int32_t Sane(int32_t v) { return std::clamp(v, 0, kMaxFontHeight); }

uint16_t CodeAt(const std::string& s, size_t i, size_t& length) {
  length = CharLength(s, i);
  const auto lead = static_cast<uint8_t>(s[i]);
  return length == 2 ? static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(s[i + 1])) : lead;
}

}  // namespace

TLabelDIB::TLabelDIB(TLabelDIBList& list)
    : list_(list), color_(std::make_unique<TDIBX>()), mask_(std::make_unique<TDIBX>()) {}
TLabelDIB::~TLabelDIB() = default;

void TLabelDIB::SetCaption(const std::string& text) {
  if (text == caption_) return;
  caption_ = text;
  dirty_ = true;
}

void TLabelDIB::RenderLabel() {
  const int depth = list_.Target ? list_.Target->BitCount() : 32;
  if (color_->Width() != width_ || color_->Height() != height_ || color_->BitCount() != depth) {
    color_->SetSize(width_, height_, depth);
    mask_->SetSize(width_, height_, 8);
  }
  dirty_ = false;
  if (width_ <= 0 || height_ <= 0) return;
  mask_->Fill(0);
  color_->Fill(0);
  TFontPixelManager& glyphs = FontPixelManager();
  TGlyphPaint paint;
  paint.Color = static_cast<uint32_t>(color_->ColorToPixel(list_.TextColor));
  paint.BorderColor = static_cast<uint32_t>(color_->ColorToPixel(list_.BorderColor));
  paint.ShadowColor = static_cast<uint32_t>(color_->ColorToPixel(list_.ShadowColor));
  paint.Border = Sane(list_.BorderWidth);
  paint.Shadow = Sane(list_.ShadowWidth);
  paint.Blended = list_.Quality > 0;
  int32_t x = 0;
  size_t k = 0;
  for (size_t i = 0, n = 0; i < caption_.size() && k < advances_.size() && x < width_; i += n, ++k) {
    const uint16_t code = CodeAt(caption_, i, n);
    const TFontPixel* g = glyphs.GetGlyph(code, list_.FontName, list_.Style, list_.FontHeight, list_.Quality);
    paint.JoinBefore = k > 0;
    paint.JoinAfter = i + n < caption_.size();
    TFontPixelManager::DrawGlyph(color_.get(), mask_.get(), x, 0, advances_[k], list_.FontHeight, g->OriginX, *g,
                                 paint);
    x += advances_[k];
  }
}

void TLabelDIB::DrawLabel(int32_t x, int32_t y) {
  TCustomDIBX* target = list_.Target;
  if (!target) return;
  if (dirty_ || color_->BitCount() != target->BitCount()) RenderLabel();
  if (width_ <= 0 || height_ <= 0) return;
  const TRect src{0, 0, width_, height_};
  if (list_.BorderWidth <= 0 && list_.ShadowWidth <= 0) {
    target->DrawColorMask(x, y, mask_.get(), src, false, false,
                          static_cast<uint32_t>(target->ColorToPixel(list_.TextColor)), list_.Alpha);
  } else if (list_.Alpha < 255) {
    target->DrawAlphaMask(x, y, color_.get(), src, false, false, mask_.get(), list_.Alpha);
  } else {
    target->DrawMask(x, y, color_.get(), src, false, false, mask_.get());
  }
}

TLabelDIBList::TLabelDIBList() : FontName(Utf8ToCp932("ＭＳ Ｐゴシック")) {}
TLabelDIBList::~TLabelDIBList() = default;

int32_t TLabelDIBList::TextHeight() const { return GetInt(Metrics, kHeightAt); }
int32_t TLabelDIBList::Overhang() const { return GetInt(Metrics, kOverhangAt); }

TLabelDIB& TLabelDIBList::AddLabel() {
  labels_.push_back(std::make_unique<TLabelDIB>(*this));
  return *labels_.back();
}

void TLabelDIBList::SetCount(int32_t n) {
  n = std::max(n, 0);
  while (Count() > n) labels_.pop_back();
  while (Count() < n) AddLabel();
}

TLabelDIB* TLabelDIBList::LabelAt(int32_t i) const {
  return i >= 0 && i < Count() ? labels_[static_cast<size_t>(i)].get() : nullptr;
}

int32_t TLabelDIBList::MaxWidth() const {
  int32_t w = 0;
  for (const auto& label : labels_) w = std::max(w, label->width_);
  return w;
}

void TLabelDIBList::MarkAllDirty() {
  for (const auto& label : labels_) label->dirty_ = true;
}

void TLabelDIBList::Measure() {
  TFontFace& face = FontPixelManager().SelectFont(FontName, FontHeight, Style);
  Metrics.fill(0);
  PutInt(Metrics, kSizeAt, static_cast<int32_t>(kMetricsSize));
  PutInt(Metrics, kHeightAt, face.Ascent() + face.Descent());
  PutInt(Metrics, kAscentAt, face.Ascent());
  PutInt(Metrics, kDescentAt, face.Descent());
  PutInt(Metrics, kWeightAt, (Style & kFontBold) ? 700 : 400);
  PutInt(Metrics, kOverhangAt, face.Overhang());
  const int32_t extra = 2 * Sane(BorderWidth) + Sane(ShadowWidth);
  const int32_t height = Sane(TextHeight()) + extra;
  // Advances are computed once per character code in one measure; a last character is computed again and grows
  // by its overhanging C width.
  std::map<uint16_t, int32_t> known;
  for (const auto& label : labels_) {
    label->height_ = height;
    label->advances_.clear();
    int64_t width = 0;
    const std::string& text = label->caption_;
    for (size_t i = 0, n = 0; i < text.size(); i += n) {
      const uint16_t code = CodeAt(text, i, n);
      const bool last = i + n >= text.size();
      auto it = known.find(code);
      if (it == known.end() || last) {
        const TCharWidths w = face.CharWidths(code);
        int32_t advance = w.A + w.B + w.C + Sane(Overhang()) + extra;
        if (last && w.C < 0) advance -= w.C;
        it = known.insert_or_assign(code, advance).first;
      }
      label->advances_.push_back(it->second);
      width += it->second;
    }
    label->width_ = static_cast<int32_t>(std::clamp<int64_t>(width, 0, kMaxLabelWidth));
  }
}

void TLabelDIBList::SaveToStream(TStream& s) const {
  WriteInt(s, Quality);
  WriteInt(s, BorderWidth);
  WriteInt(s, Alpha);
  WriteInt(s, FontHeight);
  WriteString(s, FontName);
  WriteInt(s, TextColor);
  WriteInt(s, BorderColor);
  WriteByte(s, Style);
  s.WriteBuffer(Metrics.data(), static_cast<int32_t>(Metrics.size()));
  WriteInt(s, ShadowWidth);
  WriteInt(s, ShadowColor);
}

void TLabelDIBList::LoadFromStream(TStream& s, int32_t version) {
  const int32_t quality = ReadInt(s);
  Quality = version < 109 ? (quality > 1 ? 3 : 0) : std::clamp(quality, 0, 3);
  BorderWidth = ReadInt(s);
  Alpha = ReadInt(s);
  FontHeight = ReadInt(s);
  FontName = ReadString(s);
  TextColor = ReadInt(s);
  BorderColor = ReadInt(s);
  Style = ReadByte(s) & 0x0F;
  s.ReadBuffer(Metrics.data(), static_cast<int32_t>(Metrics.size()));
  if (version >= 122) {
    ShadowWidth = ReadInt(s);
    ShadowColor = ReadInt(s);
  }
  MarkAllDirty();
}

}  // namespace velk
