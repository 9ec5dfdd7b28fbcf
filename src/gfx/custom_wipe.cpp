#include "gfx/custom_wipe.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>

#include "gfx/draw_support.h"
#include "gfx/wipe_kernels.h"

namespace velk {

// ---- helpers ----------------------------------------------------------------------------------------------------

int32_t RoundInt(double v) {
  if (!(v == v)) return 0;
  return static_cast<int32_t>(std::clamp<double>(std::round(v), -2147483648.0, 2147483647.0));
}

uint8_t NearestGrey(uint32_t color) {
  const uint32_t sum = (color & 0xFF) + ((color >> 8) & 0xFF) + ((color >> 16) & 0xFF);
  return static_cast<uint8_t>((sum + 1) / 3);
}

std::vector<int32_t> CentreDistances(int32_t w, int32_t h) {
  std::vector<int32_t> d(static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)));
  const int32_t cx = w / 2, cy = h / 2;
  size_t i = 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) d[i++] = RoundedDistance(x - cx, y - cy);
  return d;
}

uint8_t WipeRamp(int64_t p, int64_t e, int64_t s) {
  if (p < e) return 0;
  if (s < 1) s = 1;
  return static_cast<uint8_t>(std::min<int64_t>(255, (p - e) * 255 / s));
}

// ---- TCustomWipe ------------------------------------------------------------------------------------------------

TCustomWipe::TCustomWipe(TCustomDIBX* dest, TCustomDIBX* old_picture, TCustomDIBX* new_picture)
    : dest_(dest), old_(old_picture), new_(new_picture) {
  if (dest_) rect_ = TRect{0, 0, dest_->Width(), dest_->Height()};
  prepared_rect_ = rect_;
}

TCustomWipe::~TCustomWipe() = default;

int32_t TCustomWipe::GetParam(int index) const { return index == 0 || index == 1 ? params_[index] : 0; }

void TCustomWipe::SetParam(int index, int32_t value) {
  if (index == 0 || index == 1) params_[index] = value;
}

int32_t TCustomWipe::Random(int32_t n) const {
  if (n <= 1) return 0;
  if (services_.Random) return std::clamp(services_.Random(n), 0, n - 1);
  static std::minstd_rand rng(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return static_cast<int32_t>(rng() % static_cast<uint32_t>(n));
}

bool TCustomWipe::Step() {
  if (!dest_ || !old_ || !new_) return true;
  rect_ = TRect{0, 0, dest_->Width(), dest_->Height()};
  dest_->AddClip(rect_);
  if (Position < 0) Position = 0;
  // A duration of 0 is over at once, so no step divides by it.
  if (Position >= Duration) return true;
  // The pictures must match the destination; a resized screen ends the transition.
  if (old_->Width() != W() || old_->Height() != H() || new_->Width() != W() || new_->Height() != H() || W() <= 0 ||
      H() <= 0)
    return false;
  if (!prepared_) Prepare();
  if (prepared_rect_ != rect_) return false;
  DrawStep();
  return false;
}

void TCustomWipe::AddGrey(int32_t v, bool subtract) {
  v = std::clamp(v, 0, 255);
  const uint32_t grey = static_cast<uint32_t>(dest_->ColorToPixel(v | v << 8 | v << 16));
  if (subtract)
    dest_->FillRectSub(rect_, grey);
  else
    dest_->FillRectAdd(rect_, grey);
}

// ---- TWipeMask --------------------------------------------------------------------------------------------------

void TWipeMask::Prepare() {
  TCustomWipe::Prepare();
  mask_ = std::make_unique<TDIBX>();
  mask_->SetSize(std::max(W(), 1), std::max(MaskHeight(), 1), 8);
  ClearMask();
  last_progress_ = -1;
}

uint8_t* TWipeMask::MaskRow(int32_t y) const { return mask_->Lock(0, y); }

void TWipeMask::ClearMask(uint8_t value) {
  if (!mask_) return;
  for (int32_t y = 0; y < mask_->Height(); ++y) std::memset(MaskRow(y), value, static_cast<size_t>(mask_->Width()));
}

void TWipeMask::FillMask(const TRect& r, uint8_t value) {
  const TRect c = Intersect(r, TRect{0, 0, mask_->Width(), mask_->Height()});
  for (int32_t y = c.Top; y < c.Bottom; ++y) std::memset(MaskRow(y) + c.Left, value, static_cast<size_t>(c.Width()));
}

void TWipeMask::RepeatFirstRow() {
  for (int32_t y = 1; y < mask_->Height(); ++y)
    std::memcpy(MaskRow(y), MaskRow(0), static_cast<size_t>(mask_->Width()));
}

void TWipeMask::DrawStep() {
  if (!mask_ || mask_->Width() != W()) return;
  if (!UpdateMask()) return;
  MixThroughMask(dest_, old_, new_, mask_.get());
}

// ---- the mix ----------------------------------------------------------------------------------------------------

namespace {

// Runs of a mask row: plain copies from one picture where the mask stays 0 or 255 long enough to pay, a kernel
// mix elsewhere.
enum class TRunKind : uint8_t { Old, New, Mix };
struct TMaskRun {
  int32_t Start, Length;
  TRunKind Kind;
};
constexpr int32_t kMinCopyRun = 64;

void SplitRow(const uint8_t* m, int32_t w, std::vector<TMaskRun>& runs) {
  runs.clear();
  auto add = [&runs](int32_t start, int32_t length, TRunKind kind) {
    if (length <= 0) return;
    if (!runs.empty() && runs.back().Kind == kind && runs.back().Start + runs.back().Length == start) {
      runs.back().Length += length;
    } else {
      runs.push_back({start, length, kind});
    }
  };
  // Eight mask bytes at a time where they can be: a word of values other than 0 and 255, or a word of one value.
  auto word = [m](int32_t at) {
    uint64_t v;
    std::memcpy(&v, m + at, 8);
    return v;
  };
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  auto has_zero_byte = [](uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; };
  int32_t x = 0, mix_start = 0;
  while (x < w) {
    const uint8_t v = m[x];
    if (v != 0 && v != 255) {
      ++x;
      while (x + 8 <= w && !has_zero_byte(word(x)) && !has_zero_byte(~word(x))) x += 8;
      continue;
    }
    int32_t end = x + 1;
    while (end + 8 <= w && word(end) == v * kOnes) end += 8;
    while (end < w && m[end] == v) ++end;
    if (end - x >= kMinCopyRun) {
      add(mix_start, x - mix_start, TRunKind::Mix);
      add(x, end - x, v == 0 ? TRunKind::Old : TRunKind::New);
      mix_start = end;
    }
    x = end;
  }
  add(mix_start, w - mix_start, TRunKind::Mix);
}

}  // namespace

void MixThroughMask(TCustomDIBX* dest, TCustomDIBX* old_picture, TCustomDIBX* new_picture, TCustomDIBX* mask,
                    const TRowKernels& kernels) {
  if (!dest || !old_picture || !new_picture || !mask) return;
  TPixels d(dest), o(old_picture), n(new_picture), m(mask);
  if (!d.Valid() || !o.Valid() || !n.Valid() || !m.Valid() || m.Bits() != 8) return;
  const int32_t w = std::min({d.Width(), o.Width(), n.Width(), m.Width()});
  const int32_t h = std::min({d.Height(), o.Height(), n.Height()});
  const int32_t mh = m.Height();
  if (w <= 0 || h <= 0 || mh <= 0) return;
  if (!d.SameFormat(o) || !d.SameFormat(n) || (d.Bits() != 16 && d.Bits() != 32)) {
    // Other formats: the old picture, then the new one wherever the mask covers.
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* mrow = m.Row(y % mh);
      for (int32_t x = 0; x < w; ++x)
        dest->SetPixel(x, y, mrow[x] != 0 ? new_picture->GetPixel(x, y) : old_picture->GetPixel(x, y));
    }
    return;
  }
  const int bytes = d.Bits() / 8;
  const TWipeKernels& one_pass = WipeKernelsFor(kernels);
  if (bytes == 4 && d.Masks() == kMasks888 && &one_pass != &ScalarWipeKernels()) {
    // 32-bit pixels of 8-bit channels in one pass per row: the kernel reads one picture where the mask is 0 or 255
    // throughout a register, and blends elsewhere. Without a SIMD one-pass kernel the runs below are faster: their
    // copies skip the blend.
    const TMixKernel mix32 = one_pass.Mix32;
    for (int32_t y = 0; y < h; ++y)
      mix32(reinterpret_cast<uint32_t*>(d.Row(y)), reinterpret_cast<const uint32_t*>(o.Row(y)),
            reinterpret_cast<const uint32_t*>(n.Row(y)), m.Row(y % mh), w);
    return;
  }
  TKernelParams p;
  p.Masks = d.Masks();
  const TRowKernel mix = kernels.Kernel(TRowOp::Mask, d.Bits());
  // Rows of a low mask repeat: their runs are split once.
  std::vector<std::vector<TMaskRun>> runs(static_cast<size_t>(std::min(mh, h)));
  for (int32_t y = 0; y < static_cast<int32_t>(runs.size()); ++y) SplitRow(m.Row(y), w, runs[static_cast<size_t>(y)]);
  for (int32_t y = 0; y < h; ++y) {
    const int32_t my = y % mh;
    const uint8_t* mrow = m.Row(my);
    uint8_t* drow = d.Row(y);
    const uint8_t* orow = o.Row(y);
    const uint8_t* nrow = n.Row(y);
    for (const TMaskRun& r : runs[static_cast<size_t>(my)]) {
      const size_t at = static_cast<size_t>(r.Start) * bytes, size = static_cast<size_t>(r.Length) * bytes;
      switch (r.Kind) {
        case TRunKind::Old: std::memcpy(drow + at, orow + at, size); break;
        case TRunKind::New: std::memcpy(drow + at, nrow + at, size); break;
        case TRunKind::Mix:
          std::memcpy(drow + at, orow + at, size);
          mix(drow + at, nrow + at, mrow + r.Start, r.Length, p);
          break;
      }
    }
  }
}

}  // namespace velk
