#include "scene/velk_gauge.h"

#include <algorithm>
#include <cmath>

#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/cell_tiles.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using G = TVelkGauge;
using P = TProps<G>;

const TPropTable<G> kGaugeProps = {
    P::Custom<&G::Source, &G::SetSource>(PR_SOURCE),
    P::Custom<&G::Min, &G::SetMin>(PR_MIN),
    P::Custom<&G::Max, &G::SetMax>(PR_MAX),
    P::Custom<&G::Value, &G::SetValue>(PR_VALUE),
    P::Custom<&G::Alpha, &G::SetAlpha>(PR_ALPHA),
    P::Plain<&G::PausedFlag>(PR_PAUSED),
    {PR_ORIENTATION, P::GetField<&G::Orientation>, P::CallSetter<&G::SetOrientation>},
    P::Plain<&G::Delay>(PR_DELAY),
    P::Plain<&G::Duration>(PR_DURATION),
    P::Custom<&G::Reverse, &G::SetReverse>(PR_REVERSE),
    P::Plain<&G::OnIdle>(PR_ONIDLE),
    P::Custom<&G::BarSize, &G::SetBarSize>(PR_BARSIZE),
};

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Rounds to the nearest integer, halves to even, within int32.
int32_t RoundEven(double v) { return static_cast<int32_t>(std::clamp(std::nearbyint(v), -2147483648.0, 2147483647.0)); }

}  // namespace

TVelkGauge::TVelkGauge(TVelkBaseList* owner) : TVelkControl(owner) {}
TVelkGauge::~TVelkGauge() = default;

bool TVelkGauge::GetProp(int32_t id, TPropValue& value) const {
  return kGaugeProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkGauge::SetProp(int32_t id, const TPropValue& value) {
  return kGaugeProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

// ---- picture and size ------------------------------------------------------------------------------------------

void TVelkGauge::SetSource(const std::string& name) {
  Invalidate();
  picture_.Load(Owner(), name, 255);
  AutoSize();
}

void TVelkGauge::SetBarSize(int32_t v) {
  BarSize = v;
  AutoSize();
}

void TVelkGauge::SetOrientation(int32_t v) {
  const auto o = static_cast<uint8_t>(v);
  if (o == Orientation) return;
  Invalidate();
  Orientation = o;
  AutoSize();
}

void TVelkGauge::AutoSize() {
  const TCustomDIBX* p = picture_.Surface();
  int32_t w = p ? p->Width() / 2 : 0, h = p ? p->Height() : 0;
  if (BarSize > 0) (Vertical() ? h : w) = BarSize;
  SetBounds(Left, Top, w, h);
}

// ---- value and motion ------------------------------------------------------------------------------------------

int32_t TVelkGauge::Value() const { return std::clamp(value_, Min, std::max(Min, Max)); }

void TVelkGauge::SetShown(int32_t s, int32_t d) {
  if (s == shown_ && d == trailing_) return;
  shown_ = s;
  trailing_ = d;
  Invalidate();
}

void TVelkGauge::SetValue(int32_t v) {
  if (v == value_) return;
  const int32_t old = Value();
  value_ = v;
  const int32_t now = Value();
  if (now < old) {
    SetShown(now, Clamp32(int64_t{old} - now));
    amount_ = trailing_;
    hold_ms_ = Duration;
    state_ = kFalling;
  } else {
    SetShown(shown_, 0);
    amount_ = shown_;
    state_ = kRising;
  }
}

void TVelkGauge::EndMotion() {
  SetShown(Value(), 0);
  state_ = kRest;
}

void TVelkGauge::KeepInRange() {
  const int32_t hi = std::max(Min, Max);
  const int32_t s = std::clamp(shown_, Min, hi);
  SetShown(s, Clamp32(std::clamp<int64_t>(trailing_, 0, int64_t{hi} - s)));
  Invalidate();
}

void TVelkGauge::SetMin(int32_t v) {
  Min = v;
  KeepInRange();
}

void TVelkGauge::SetMax(int32_t v) {
  Max = v;
  KeepInRange();
}

bool TVelkGauge::Update() {
  bool done = TVelkControl::Update();
  if (state_ == kRest) return done;
  const int32_t dt = Owner() ? Owner()->FrameMs() : 0;
  const int64_t range = int64_t{Max} - Min;
  if (state_ == kFalling && hold_ms_ > 0) {
    hold_ms_ -= dt;
    return done;
  }
  if (Delay <= 0 || range <= 0) {
    EndMotion();
    return done;
  }
  const double step = double(range) / Delay * dt;
  if (state_ == kFalling) {
    amount_ -= step;
    const int32_t d = RoundEven(amount_);
    if (d < 1) {
      EndMotion();
    } else {
      SetShown(shown_, d);
    }
  } else {
    amount_ += step;
    const int32_t s = RoundEven(amount_);
    if (s >= Value()) {
      EndMotion();
    } else {
      SetShown(s, trailing_);
    }
  }
  return done;
}

// ---- drawing ---------------------------------------------------------------------------------------------------

int32_t TVelkGauge::BarLength() const {
  const int64_t range = int64_t{Max} - Min;
  const int32_t length = std::max(Vertical() ? Height : Width, 0);
  if (range <= 0) return 0;
  // Measured from the minimum and kept within the gauge.
  const double share = double(int64_t{shown_} - Min) / double(range);
  return std::clamp(RoundEven(share * length), 0, length);
}

int32_t TVelkGauge::TrailLength() const {
  const int64_t range = int64_t{Max} - Min;
  const int32_t length = std::max(Vertical() ? Height : Width, 0);
  if (range <= 0) return 0;
  return std::clamp(RoundEven(double(trailing_) / double(range) * length), 0, length - BarLength());
}

void TVelkGauge::Draw() {
  TCustomDIBX* target = Surface();
  TCustomDIBX* picture = picture_.Surface();
  if (target && picture && Width > 0 && Height > 0 && Alpha >= 1) {
    const int32_t cw = picture->Width() / 2, ch = picture->Height();
    const TRect bar_cell{0, 0, cw, ch}, trail_cell{cw, 0, 2 * cw, ch};
    const int32_t x = ScreenLeft(), y = ScreenTop(), lg = Vertical() ? Height : Width;
    const int32_t b1 = BarLength(), b2 = TrailLength();
    TCustomDIBX* mask = picture_.Mask();
    const auto tiles = [&](const TRect& r, const TRect& cell, bool fh, bool fv, int32_t ox, int32_t oy) {
      DrawCellTiles(*target, r, picture, mask, cell, Alpha, fh, fv, ox, oy);
    };
    if (!Vertical() && !Reverse) {
      tiles(Bounds(x, y, b1, ch), bar_cell, false, false, 0, 0);
      tiles(Bounds(x + b1, y, b2, ch), trail_cell, false, false, b1, 0);
    } else if (!Vertical()) {
      // Mirrored within the length: the pattern runs from the far end.
      tiles(Bounds(x + lg - b1, y, b1, ch), bar_cell, true, false, -b1, 0);
      tiles(Bounds(x + lg - b1 - b2, y, b2, ch), trail_cell, true, false, -(b1 + b2), 0);
    } else if (!Reverse) {
      // Rising from the bottom, each part's pattern aligned to its far end.
      tiles(Bounds(x, y + lg - b1, cw, b1), bar_cell, false, false, 0, ch - (b1 % std::max(ch, 1)));
      tiles(Bounds(x, y + lg - b1 - b2, cw, b2), trail_cell, false, false, 0, ch - ((b1 + b2) % std::max(ch, 1)));
    } else {
      tiles(Bounds(x, y, cw, b1), bar_cell, false, true, 0, 0);
      tiles(Bounds(x, y + b1, cw, b2), trail_cell, false, true, 0, b1);
    }
  }
  DrawChildren();
}

// ---- save record -----------------------------------------------------------------------------------------------

void TVelkGauge::SaveOwnFields(TStream& s) const {
  WriteString(s, picture_.Source());
  WriteInt(s, Min);
  WriteInt(s, Max);
  WriteInt(s, value_);
  WriteInt(s, Alpha);
  WriteByte(s, PausedFlag);
  WriteByte(s, Orientation);
  WriteInt(s, Delay);
  WriteInt(s, Duration);
  WriteByte(s, Reverse);
  WriteString(s, OnIdle);
  WriteInt(s, BarSize);
}

void TVelkGauge::LoadOwnFields(TStream& s, int32_t) {
  const std::string source = ReadString(s);
  Min = ReadInt(s);
  Max = ReadInt(s);
  value_ = ReadInt(s);
  Alpha = ReadInt(s);
  PausedFlag = ReadByte(s) != 0;
  Orientation = ReadByte(s);
  Delay = ReadInt(s);
  Duration = ReadInt(s);
  Reverse = ReadByte(s) != 0;
  OnIdle = ReadString(s);
  BarSize = ReadInt(s);
  // The picture loads again; the stored size stays. A loaded gauge rests at its value.
  const int32_t w = Width, h = Height;
  picture_.Load(Owner(), source, 255);
  Width = w;
  Height = h;
  shown_ = Value();
  trailing_ = 0;
  state_ = kRest;
}

}  // namespace velk
