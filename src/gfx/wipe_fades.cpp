// Fades: the cross-fade, through white or black, the flash and the blur.
#include <algorithm>

#include "gfx/draw_support.h"
#include "gfx/wipe_kernels.h"
#include "gfx/wipe_pixels.h"
#include "gfx/wipe_types.h"

namespace velk {

void TWipeFade::DrawStep() {
  const int alpha = static_cast<int>(t() * 256 / T());
  // With parameters the new picture slides in from (p0, p1) while it fades in.
  const double r = static_cast<double>(T() - t() - 1) / static_cast<double>(T());
  const int32_t ox = RoundInt(params_[0] * r), oy = RoundInt(params_[1] * r);
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) {
    Show(old_);
    dest_->DrawAlpha(ox, oy, new_, rect_, false, false, false, alpha);
    return;
  }
  // Row by row, so that the blend finds the copied row in the cache: the old row, then the new picture's row
  // that lands on it drawn over the part it covers.
  const auto x0 = static_cast<int32_t>(std::clamp<int64_t>(ox, 0, W())),
             x1 = static_cast<int32_t>(std::clamp<int64_t>(int64_t{ox} + W(), 0, W()));
  const int bytes = rows.New().Bits() / 8;
  // 32-bit pixels of 8-bit channels are mixed in one pass, without the copy, where a SIMD kernel does it.
  const TWipeKernels& one_pass = ActiveWipeKernels();
  const TFadeKernel fade =
      bytes == 4 && rows.Old().Masks() == kMasks888 && &one_pass != &ScalarWipeKernels() ? one_pass.Fade32 : nullptr;
  for (int32_t y = 0; y < H(); ++y) {
    const int64_t sy = int64_t{y} - oy;
    if (sy < 0 || sy >= H() || alpha <= 0 || x1 <= x0) {
      rows.Copy(y, 0, W(), false);
      continue;
    }
    const uint8_t* source = rows.New().Row(static_cast<int32_t>(sy)) + (int64_t{x0} - ox) * bytes;
    if (!fade) {
      rows.Copy(y, 0, W(), false);
      rows.DrawAlpha(y, x0, x1, source, alpha);
      continue;
    }
    rows.Copy(y, 0, x0, false);
    fade(reinterpret_cast<uint32_t*>(rows.Row(y)) + x0, reinterpret_cast<const uint32_t*>(rows.Old().Row(y)) + x0,
         reinterpret_cast<const uint32_t*>(source), x1 - x0, static_cast<uint32_t>(std::min(alpha, 255)));
    rows.Copy(y, x1, W(), false);
  }
}

bool TCustomWipe::ShowWithGrey(TCustomDIBX* picture, int32_t v, bool subtract) {
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid() || (picture != old_ && picture != new_)) return false;
  v = std::clamp(v, 0, 255);
  const auto grey = static_cast<uint32_t>(dest_->ColorToPixel(v | v << 8 | v << 16));
  // Row by row, so that the grey is added to a row still in the cache.
  for (int32_t y = 0; y < H(); ++y) {
    rows.Copy(y, 0, W(), picture == new_);
    rows.AddColor(y, 0, W(), grey, subtract);
  }
  return true;
}

void TWipeWhite::DrawStep() {
  const int64_t a = t() * 511 / T();
  TCustomDIBX* picture = a < 256 ? old_ : new_;
  const auto v = static_cast<int32_t>(a < 256 ? a : 511 - a);
  if (ShowWithGrey(picture, v, subtract_)) return;
  Show(picture);
  AddGrey(v, subtract_);
}

void TWipeFlash::DrawStep() {
  const auto v = static_cast<int32_t>(255 - t() * 255 / T());
  if (ShowWithGrey(new_, v, false)) return;
  Show(new_);
  AddGrey(v, false);
}

void TWipeBlurWhite::DrawStep() {
  if (!blurred_old_) {
    const int32_t r = std::min(W(), H()) / 20;
    blurred_old_ = BoxBlurred(old_, r);
    blurred_new_ = BoxBlurred(new_, r);
  }
  const int64_t b = t() * 639 / T();
  if (b < 256) {
    Show(old_);
    dest_->DrawAlpha(0, 0, blurred_old_.get(), rect_, false, false, false, static_cast<int>(b));
  } else if (b < 320) {
    Show(blurred_old_.get());
    AddGrey(static_cast<int32_t>((b - 256) * 4), subtract_);
  } else if (b < 384) {
    Show(blurred_new_.get());
    AddGrey(static_cast<int32_t>((383 - b) * 4), subtract_);
  } else {
    Show(new_);
    dest_->DrawAlpha(0, 0, blurred_new_.get(), rect_, false, false, false, static_cast<int>(639 - b));
  }
}

std::unique_ptr<TDIBX> BoxBlurred(TCustomDIBX* picture, int32_t r) {
  auto out = std::make_unique<TDIBX>();
  out->SetSize(picture->Width(), picture->Height(), picture->BitCount());
  out->Assign(picture);
  TPixels d(out.get());
  const int32_t w = d.Width(), h = d.Height();
  if (r <= 0 || !d.Valid() || (d.Bits() != 16 && d.Bits() != 32) || w <= 0 || h <= 0) return out;
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
  std::vector<uint32_t> source(n), result(n, 0), row_sums(n), pre(static_cast<size_t>(w) + 1),
      acc(static_cast<size_t>(w));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) source[static_cast<size_t>(y) * w + x] = LoadPixel(d.Row(y), x, d.Bits());
  for (uint32_t mask : {d.Masks().Red, d.Masks().Green, d.Masks().Blue}) {
    const int shift = MaskShift(mask);
    // Sums over the row window of each pixel.
    for (int32_t y = 0; y < h; ++y) {
      const uint32_t* s = &source[static_cast<size_t>(y) * w];
      for (int32_t x = 0; x < w; ++x) pre[x + 1] = pre[x] + ((s[x] & mask) >> shift);
      uint32_t* rs = &row_sums[static_cast<size_t>(y) * w];
      for (int32_t x = 0; x < w; ++x) rs[x] = pre[std::min(x + r, w - 1) + 1] - pre[std::max(x - r, 0)];
    }
    // A sliding sum of the row sums over the column window.
    std::fill(acc.begin(), acc.end(), 0);
    for (int32_t y = 0; y <= std::min(r, h - 1); ++y)
      for (int32_t x = 0; x < w; ++x) acc[x] += row_sums[static_cast<size_t>(y) * w + x];
    for (int32_t y = 0; y < h; ++y) {
      const uint32_t rows = static_cast<uint32_t>(std::min(y + r, h - 1) - std::max(y - r, 0) + 1);
      uint32_t* res = &result[static_cast<size_t>(y) * w];
      for (int32_t x = 0; x < w; ++x) {
        const uint32_t cols = static_cast<uint32_t>(std::min(x + r, w - 1) - std::max(x - r, 0) + 1);
        res[x] |= ((acc[x] / (rows * cols)) << shift) & mask;
      }
      if (y + r + 1 < h)
        for (int32_t x = 0; x < w; ++x) acc[x] += row_sums[static_cast<size_t>(y + r + 1) * w + x];
      if (y - r >= 0)
        for (int32_t x = 0; x < w; ++x) acc[x] -= row_sums[static_cast<size_t>(y - r) * w + x];
    }
  }
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) StorePixel(d.Row(y), x, d.Bits(), result[static_cast<size_t>(y) * w + x]);
  return out;
}

}  // namespace velk
