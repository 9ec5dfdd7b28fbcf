#pragma once
// Row access for the transitions that draw pixel by pixel or run by run: the per-pixel loop hands each row of the
// destination and of the two pictures over as arrays of their pixel type (uint16_t or uint32_t), so that the loops
// compile once per width without a test per pixel; TWipeRows draws runs of rows (copies and grey levels) with the
// row kernels; ForMonotoneRuns finds the runs of rows whose tables are monotone.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "gfx/blend_kernels.h"
#include "gfx/draw_support.h"

namespace velk {

// fn(y, dest row, old row, new row, masks) for every row; false (nothing drawn) unless the three are 15, 16 or
// 32-bit surfaces of one format and of at least w x h pixels.
template <class Fn>
bool ForPixelRows(TCustomDIBX* dest, TCustomDIBX* old_picture, TCustomDIBX* new_picture, int32_t w, int32_t h, Fn fn) {
  TPixels d(dest), o(old_picture), n(new_picture);
  if (!d.Valid() || !o.Valid() || !n.Valid() || (d.Bits() != 16 && d.Bits() != 32) || !d.SameFormat(o) ||
      !d.SameFormat(n))
    return false;
  if (d.Width() < w || d.Height() < h || o.Width() < w || o.Height() < h || n.Width() < w || n.Height() < h)
    return false;
  for (int32_t y = 0; y < h; ++y) {
    if (d.Bits() == 32) {
      fn(y, reinterpret_cast<uint32_t*>(d.Row(y)), reinterpret_cast<const uint32_t*>(o.Row(y)),
         reinterpret_cast<const uint32_t*>(n.Row(y)), d.Masks());
    } else {
      fn(y, reinterpret_cast<uint16_t*>(d.Row(y)), reinterpret_cast<const uint16_t*>(o.Row(y)),
         reinterpret_cast<const uint16_t*>(n.Row(y)), d.Masks());
    }
  }
  return true;
}

// The three surfaces of a transition drawn run by run: a run of a destination row copied from either picture,
// and grey levels added to or taken from a run with the row kernels. Valid only for 15, 16 or 32-bit surfaces of
// one format and of at least w x h pixels (the transitions draw nothing otherwise).
class TWipeRows {
 public:
  TWipeRows(TCustomDIBX* dest, TCustomDIBX* old_picture, TCustomDIBX* new_picture, int32_t w, int32_t h)
      : d_(dest), o_(old_picture), n_(new_picture) {
    valid_ = d_.Valid() && o_.Valid() && n_.Valid() && (d_.Bits() == 16 || d_.Bits() == 32) && d_.SameFormat(o_) &&
             d_.SameFormat(n_) && d_.Width() >= w && d_.Height() >= h && o_.Width() >= w && o_.Height() >= h &&
             n_.Width() >= w && n_.Height() >= h;
    bytes_ = d_.Bits() / 8;
    params_.Masks = d_.Masks();
    add_ = ActiveKernels().Kernel(TRowOp::AddGrey, d_.Bits());
    sub_ = ActiveKernels().Kernel(TRowOp::SubGrey, d_.Bits());
    alpha_ = ActiveKernels().Kernel(TRowOp::Alpha, d_.Bits());
    fill_add_ = ActiveKernels().Kernel(TRowOp::FillAdd, d_.Bits());
    fill_sub_ = ActiveKernels().Kernel(TRowOp::FillSub, d_.Bits());
  }
  bool Valid() const { return valid_; }
  const TPixels& Old() const { return o_; }
  const TPixels& New() const { return n_; }
  uint8_t* Row(int32_t y) const { return d_.Row(y); }
  // fn(P{}) with P the pixel type of the surfaces: uint32_t or uint16_t.
  template <class Fn> void WithPixelType(Fn fn) const {
    if (bytes_ == 4)
      fn(uint32_t{});
    else
      fn(uint16_t{});
  }
  // Pixels x0 .. x1 - 1 of row y from the new picture, or the old one.
  void Copy(int32_t y, int32_t x0, int32_t x1, bool from_new) const {
    if (x1 > x0) std::memcpy(d_.At(x0, y), (from_new ? n_ : o_).At(x0, y), static_cast<size_t>(x1 - x0) * bytes_);
  }
  // Per channel, saturating: the grey of levels[i] added to (or taken from) pixel x0 + i of row y, i < n.
  void AddGrey(int32_t y, int32_t x0, const uint8_t* levels, int32_t n, bool subtract) const {
    if (n > 0) (subtract ? sub_ : add_)(d_.At(x0, y), nullptr, levels, n, params_);
  }
  // Per channel, saturating: one native grey added to (or taken from) pixels x0 .. x1 - 1 of row y.
  void AddColor(int32_t y, int32_t x0, int32_t x1, uint32_t grey, bool subtract) const {
    if (x1 <= x0) return;
    TKernelParams p = params_;
    p.Color = grey;
    (subtract ? fill_sub_ : fill_add_)(d_.At(x0, y), nullptr, nullptr, x1 - x0, p);
  }
  // The draw of a picture with one alpha over pixels x0 .. x1 - 1 of row y: Blend(d, s, alpha) where the source
  // pixel differs, with source the first pixel the run takes.
  void DrawAlpha(int32_t y, int32_t x0, int32_t x1, const uint8_t* source, int alpha) const {
    if (x1 <= x0 || alpha <= 0) return;
    TKernelParams p = params_;
    p.Alpha = static_cast<uint32_t>(std::min(alpha, 255));
    alpha_(d_.At(x0, y), source, nullptr, x1 - x0, p);
  }

 private:
  TPixels d_, o_, n_;
  bool valid_ = false;
  int bytes_ = 4;
  TKernelParams params_;
  TRowKernel add_ = nullptr, sub_ = nullptr, alpha_ = nullptr, fill_add_ = nullptr, fill_sub_ = nullptr;
};

// Asks for the bytes p .. p + size - 1 to be fetched into the cache: the tables that runs are found in by
// bisection are read out of order.
inline void FetchAhead(const void* p, size_t size) {
  for (size_t i = 0; i < size; i += 64) __builtin_prefetch(static_cast<const uint8_t*>(p) + i);
}

// Calls fn(start, end, key) for each run start .. end - 1 of the pixels x0 .. x1 - 1 over which key(x) stays the
// same, where key is monotone over them (rising or falling); the run ends are found by bisection, so a run costs
// a few evaluations of key however long it is.
template <class Key, class Fn> void ForMonotoneRuns(int32_t x0, int32_t x1, Key key, Fn fn) {
  while (x0 < x1) {
    const auto k = key(x0);
    // The last pixel of the run: key(last) == k always holds, and the run ends within last + n. Without branches,
    // as which way each halving goes cannot be predicted.
    int32_t last = x0, n = x1 - x0;
    while (n > 1) {
      const int32_t half = n / 2;
      last = key(last + half) == k ? last + half : last;
      n -= half;
    }
    fn(x0, last + 1, k);
    x0 = last + 1;
  }
}

}  // namespace velk
