#include "scene/velk_fire.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using F = TVelkFire;
using P = TProps<F>;

const TPropTable<F> kFireProps = {
    P::Custom<&F::Power, &F::SetPower>(PR_POWER),
    {PR_ORIGWIDTH, P::GetField<&F::OrigWidth>, [](F& f, const TPropValue& v) { f.SetOrigSize(v.I, f.OrigHeight()); }},
    {PR_ORIGHEIGHT, P::GetField<&F::OrigHeight>, [](F& f, const TPropValue& v) { f.SetOrigSize(f.OrigWidth(), v.I); }},
    {PR_ZOOMX, P::GetField<&F::ZoomX>, [](F& f, const TPropValue& v) { f.SetZoom(v.I, f.ZoomY()); }},
    {PR_ZOOMY, P::GetField<&F::ZoomY>, [](F& f, const TPropValue& v) { f.SetZoom(f.ZoomX(), v.I); }},
    P::Plain<&F::PausedFlag>(PR_PAUSED),
    P::Plain<&F::OnIdle>(PR_ONIDLE),
    {PR_PLAYING, [](const F& f, TPropValue& v) { v.B = !f.PausedFlag && !f.AniPaused; }, nullptr},
};

// The native value of each grey level 0 .. 255 on the target's format.
TNativePalette GreyTable(TCustomDIBX& target) {
  TNativePalette table{};
  for (int32_t g = 0; g < 256; ++g)
    table[static_cast<size_t>(g)] = static_cast<uint32_t>(target.ColorToPixel(g * 0x010101));
  return table;
}

int32_t ScaledSide(int32_t side, int32_t zoom) {
  return static_cast<int32_t>(std::min<int64_t>(int64_t{side} * zoom / 256, INT32_MAX));
}

}  // namespace

TVelkFire::TVelkFire(TVelkBaseList* owner) : TVelkControl(owner), field_(std::make_unique<TDIBX>()) {
  BuildCooling(4.5);
  field_->SetSize(orig_width_, orig_height_, 8);
  field_->TransparentValue = kCold;
  Width = orig_width_;
  Height = orig_height_;
}

TVelkFire::~TVelkFire() = default;

bool TVelkFire::GetProp(int32_t id, TPropValue& value) const {
  return kFireProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkFire::SetProp(int32_t id, const TPropValue& value) {
  return kFireProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

void TVelkFire::BuildCooling(double x) {
  if (x <= 0) x = 0.0001;
  for (int32_t s = 0; s < 1024; ++s) {
    const double d = x - std::pow((1023.0 - s) / 1023.0, 3) * 0.05;
    const double c = d > 0 ? std::round(s / d) : 255.0;
    cooling_[static_cast<size_t>(s)] = c >= 255.0 ? 254 : static_cast<uint8_t>(std::max(0.0, c));
  }
}

void TVelkFire::SetPower(int32_t p) {
  power_ = std::clamp(p, 0, 255);
  BuildCooling((128.0 - power_) / 128.0 * 1.2825 + 4.2175);
}

void TVelkFire::SetOrigSize(int32_t width, int32_t height) {
  orig_width_ = std::clamp(width, 0, kMaxSide);
  orig_height_ = std::clamp(height, 0, kMaxSide);
  field_ready_ = false;
  FollowSize();
}

void TVelkFire::SetZoom(int32_t zoom_x, int32_t zoom_y) {
  zoom_x_ = std::max(zoom_x, 1);
  zoom_y_ = std::max(zoom_y, 1);
  FollowSize();
}

void TVelkFire::FollowSize() {
  const int32_t w = ScaledSide(orig_width_, zoom_x_), h = ScaledSide(orig_height_, zoom_y_);
  if (w != Width || h != Height) SetBounds(Left, Top, w, h);
}

uint8_t TVelkFire::Cell(int32_t x, int32_t y) const {
  if (!field_ready_ || x < 0 || y < 0 || x >= orig_width_ || y >= orig_height_) return 0;
  return cells_[static_cast<size_t>(y) * orig_width_ + x];
}

bool TVelkFire::ResetField() {
  const int32_t w = orig_width_, h = orig_height_;
  const size_t n = static_cast<size_t>(w) * h;
  if (const TVelkBaseList* scene = Owner()) {
    int64_t others = 0;
    for (int32_t i = 0; i < scene->ObjectCount(); ++i) {
      const auto* fire = dynamic_cast<const TVelkFire*>(scene->ObjectAt(i));
      if (fire && fire != this) others += static_cast<int64_t>(fire->FieldCells());
    }
    if (others + static_cast<int64_t>(n) > kMaxSceneCells) {
      cells_.clear();
      cells_.shrink_to_fit();
      noise_.clear();
      noise_.shrink_to_fit();
      return false;
    }
  }
  field_->SetSize(w, h, 8);
  field_->TransparentValue = kCold;
  cells_.assign(n, kCold);
  noise_.resize(n);
  for (uint8_t& v : noise_) {
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    v = static_cast<uint8_t>(seed_ % 9);
  }
  row_turn_.resize(static_cast<size_t>(2 * h));
  for (int32_t i = 0; i < 2 * h; ++i) row_turn_[static_cast<size_t>(i)] = i % h;
  column_turn_.resize(static_cast<size_t>(2 * w));
  for (int32_t i = 0; i < 2 * w; ++i) column_turn_[static_cast<size_t>(i)] = i % w;
  row_offset_ = column_offset_ = row_steps_ = 0;
  gathered_ms_ = 0;
  for (int32_t y = 0; y < h; ++y) {
    if (uint8_t* row = field_->Lock(0, y)) std::memset(row, kCold, static_cast<size_t>(w));
  }
  field_ready_ = true;
  return true;
}

uint8_t TVelkFire::Noise(int32_t x, int32_t y) const {
  const int32_t row = row_turn_[static_cast<size_t>(y + row_offset_)];
  const int32_t column = column_turn_[static_cast<size_t>(x + column_offset_)];
  return noise_[static_cast<size_t>(row) * orig_width_ + column];
}

void TVelkFire::Step() {
  const int32_t w = orig_width_, h = orig_height_;
  if (w < 1 || h < 1) return;
  row_offset_ = (row_offset_ + 1) % h;
  if (++row_steps_ % 8 == 0) column_offset_ = (column_offset_ + 1) % w;
  // The bottom four rows burn; a field of fewer rows burns whole.
  const auto at = [&](int32_t x, int32_t y) -> uint8_t& { return cells_[static_cast<size_t>(y) * w + x]; };
  for (int32_t y = std::max(0, h - 4); y < h; ++y) std::fill_n(&at(0, y), w, uint8_t{254});
  for (int32_t y = 0; y <= h - 3; ++y) {
    for (int32_t x = 1; x <= w - 2; ++x) {
      const int32_t s = at(x - 1, y + 1) + at(x + 1, y + 1) + at(x, y) + at(x, y + 2);
      // Below the coldest value everything is cold, the noise may take the cooled heat under zero.
      const int32_t v = cooling_[static_cast<size_t>(s)] - Noise(x, y);
      at(x, y) = static_cast<uint8_t>(std::max<int32_t>(v, kCold));
    }
  }
  for (int32_t y = 0; y < h; ++y) {
    if (uint8_t* row = field_->Lock(0, y)) std::memcpy(row, &at(0, y), static_cast<size_t>(w));
  }
}

bool TVelkFire::Update() {
  if (!field_ready_) {
    ResetField();
    return false;
  }
  if (AniPaused) return false;
  const TVelkBaseList* scene = Owner();
  gathered_ms_ += scene ? std::max(scene->FrameMs(), 0) : 0;
  if (gathered_ms_ >= kStepMs) {
    gathered_ms_ %= kStepMs;
    Step();
    Invalidate();
  }
  return false;
}

void TVelkFire::Draw() {
  TCustomDIBX* target = Surface();
  const int bits = target ? target->BitCount() : 0;
  if (field_ready_ && !field_->IsEmpty() && (bits == 15 || bits == 16 || bits == 32)) {
    const TNativePalette grey = GreyTable(*target);
    const TRect src{0, 0, orig_width_, orig_height_};
    // Cells at the transparent value add nothing.
    constexpr int kAboveCold = kCold + 1;
    if (zoom_x_ == 256 && zoom_y_ == 256) {
      target->DrawIndexedAdd(ScreenLeft(), ScreenTop(), field_.get(), src, kAboveCold, false, false, 255, grey);
    } else {
      target->StretchDrawIndexedAdd(ScreenRect(), field_.get(), src, kAboveCold, false, false, 255, grey);
    }
  }
  DrawChildren();
}

void TVelkFire::SaveOwnFields(TStream& s) const {
  WriteInt(s, power_);
  WriteInt(s, orig_width_);
  WriteInt(s, orig_height_);
  WriteInt(s, zoom_x_);
  WriteString(s, OnIdle);
  WriteByte(s, PausedFlag);
  WriteInt(s, zoom_y_);
}

void TVelkFire::LoadOwnFields(TStream& s, int32_t version) {
  SetPower(ReadInt(s));
  const int32_t w = ReadInt(s);
  const int32_t h = ReadInt(s);
  SetOrigSize(w, h);
  int32_t zoom_x = ReadInt(s), zoom_y = zoom_y_;
  if (version >= 104) {
    OnIdle = ReadString(s);
    PausedFlag = ReadByte(s) != 0;
    zoom_y = ReadInt(s);
  }
  SetZoom(zoom_x, zoom_y);
}

}  // namespace velk
