#include "scene/velk_wave.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "gfx/dibx_wave.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using W = TVelkWave;
using P = TProps<W>;

const TPropTable<W> kWaveProps = {
    P::Custom<&W::Amp, &W::SetAmp>(PR_AMP),
    P::Plain<&W::WaveLen>(PR_WAVELEN),
    P::Plain<&W::Delay>(PR_DELAY),
    P::Plain<&W::PausedFlag>(PR_PAUSED),
    P::Plain<&W::OnIdle>(PR_ONIDLE),
    {PR_PLAYING, [](const W& w, TPropValue& v) { v.B = !w.PausedFlag && !w.AniPaused; }, nullptr},
};

}  // namespace

TVelkWave::TVelkWave(TVelkBaseList* owner) : TVelkControl(owner) {}

bool TVelkWave::GetProp(int32_t id, TPropValue& value) const {
  return kWaveProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkWave::SetProp(int32_t id, const TPropValue& value) {
  return kWaveProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

void TVelkWave::SetAmp(int32_t v) {
  if (v == amp_) return;
  Invalidate();
  amp_ = v;
  ComputeOffsets();
  Invalidate();
}

TRect TVelkWave::Widened(const TRect& r) const {
  const int64_t a = std::abs(int64_t{amp_});
  const auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  return TRect{clamp(r.Left - a), r.Top, clamp(r.Right + a), r.Bottom};
}

void TVelkWave::Invalidate() {
  TVelkBase* base = Base();
  if (!Visible || !base) return;
  TRect r = Widened(ScreenRect());
  if (TVelkControl* parent = Parent()) {
    r = Intersect(r, parent->ScreenRect());
    if (r.IsEmpty()) return;
  }
  const TRect clip = ClipScreenRect();
  if (!clip.IsEmpty()) {
    r = Intersect(r, clip);
    if (r.IsEmpty()) return;
  }
  if (TVelkControl* parent = Parent()) parent->ChildInvalidated(r);
  base->AddDirtyRect(r);
}

void TVelkWave::ChildInvalidated(const TRect& rect) {
  // The child has reported its own area already; the shifted lines reach Amp further.
  const TRect r = Widened(rect);
  if (TVelkBase* base = Base()) base->AddDirtyRect(r);
  TVelkControl::ChildInvalidated(r);
}

TCustomDIBX* TVelkWave::Surface() { return proxy_ ? proxy_ : TVelkControl::Surface(); }

bool TVelkWave::ComputeOffsets() {
  const size_t lines = static_cast<size_t>(std::clamp(Height, 0, kMaxLines));
  std::vector<int32_t> next(lines);
  const double base_angle = 2 * std::numbers::pi * phase_ / 256;
  // A wave length of 0 is an endless wave: every line shifts alike.
  const double per_line = WaveLen != 0 ? 2 * std::numbers::pi / WaveLen : 0.0;
  for (size_t i = 0; i < lines; ++i) {
    next[i] = static_cast<int32_t>(std::lround(amp_ * std::sin(base_angle + static_cast<double>(i) * per_line)));
  }
  if (next == offsets_) return false;
  offsets_ = std::move(next);
  return true;
}

bool TVelkWave::Update() {
  if (AniPaused) return false;
  const TVelkBaseList* scene = Owner();
  const int64_t elapsed = scene ? std::max(scene->FrameMs(), 0) : 0;
  if (Delay > 0) {
    const int64_t a = elapsed * 256 + remainder_;
    remainder_ = a % Delay;
    const int64_t steps = a / Delay;
    if (steps > 0) {
      // 255 is added while the phase is negative (so it runs 254 .. 0), done at once for any number of steps.
      int64_t p = phase_ - steps;
      if (p < 0) {
        p %= 255;
        if (p < 0) p += 255;
      }
      phase_ = static_cast<int32_t>(p);
    }
  }
  if (ComputeOffsets()) Invalidate();
  return false;
}

void TVelkWave::Draw() {
  TCustomDIBX* target = TVelkControl::Surface();
  if (!target || amp_ == 0) {
    DrawChildren();
    return;
  }
  TDIBXWave proxy(target);
  proxy.SetSize(Width, std::clamp(Height, 0, kMaxLines), target->BitCount());
  proxy.SetRegionOrigin(ScreenLeft(), ScreenTop());
  std::vector<int32_t>& lines = proxy.Offsets();
  std::copy_n(offsets_.begin(), std::min(lines.size(), offsets_.size()), lines.begin());
  const TRect kept = target->ClipRect;
  proxy.ClipRect = target->ClipBounds();
  proxy_ = &proxy;
  DrawChildren();
  proxy_ = nullptr;
  target->ClipRect = kept;
}

void TVelkWave::SaveOwnFields(TStream& s) const {
  WriteInt(s, amp_);
  WriteInt(s, WaveLen);
  WriteInt(s, Delay);
  WriteString(s, OnIdle);
  WriteByte(s, PausedFlag);
}

void TVelkWave::LoadOwnFields(TStream& s, int32_t version) {
  amp_ = ReadInt(s);
  WaveLen = ReadInt(s);
  Delay = ReadInt(s);
  if (version > 103) {
    OnIdle = ReadString(s);
    PausedFlag = ReadByte(s) != 0;
  }
  // The offsets follow the loaded size.
  ComputeOffsets();
}

}  // namespace velk
