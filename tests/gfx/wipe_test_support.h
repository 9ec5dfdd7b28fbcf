#pragma once
// Shared harness of the transition tests: two pictures of a small screen, a run of one step of a transition type
// as the scene makes it, and plain references of the mixes and stretches the formulas name.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "gfx/custom_wipe.h"
#include "gfx_reference.h"

namespace velk::test {

constexpr TPixelMasks kRgb = kMasks888;

struct WipeScreen {
  int32_t w, h;
  std::unique_ptr<TDIBX> old_pic, new_pic;
  RefImage o, n;
  WipeScreen(int32_t width, int32_t height, uint32_t seed = 5) : w(width), h(height) {
    std::mt19937 rng(seed);
    old_pic = std::make_unique<TDIBX>();
    new_pic = std::make_unique<TDIBX>();
    old_pic->SetSize(w, h, 32);
    new_pic->SetSize(w, h, 32);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        old_pic->SetPixel(x, y, rng() & 0x00FFFFFF);
        new_pic->SetPixel(x, y, rng() & 0x00FFFFFF);
      }
    o = ReadImage(*old_pic);
    n = ReadImage(*new_pic);
  }
};

struct WipeRun {
  WipeRun(int32_t type_, int64_t t_, int64_t T_, bool reverse_ = false, std::optional<int32_t> p0_ = {},
          std::optional<int32_t> p1_ = {})
      : type(type_), t(t_), T(T_), reverse(reverse_), p0(p0_), p1(p1_) {}
  int32_t type;
  int64_t t, T;
  bool reverse;
  std::optional<int32_t> p0, p1;
  std::string rule;
  TWipeServices services;
};

constexpr uint32_t kUntouched = 0x00ABCDEF;

// One step as the scene and a flip command make it: factory, duration, reverse, position, parameters, rule file,
// prepare, step. The destination starts as kUntouched everywhere; `finished` receives what Step answered.
inline RefImage RunWipe(WipeScreen& s, const WipeRun& r, bool* finished = nullptr) {
  TDIBX dest;
  dest.SetSize(s.w, s.h, 32);
  dest.Fill(kUntouched);
  std::unique_ptr<TCustomWipe> wipe = CreateWipe(r.type, &dest, s.old_pic.get(), s.new_pic.get(), r.services);
  EXPECT_TRUE(wipe) << "type " << r.type;
  if (!wipe) return ReadImage(dest);
  wipe->Duration = static_cast<int32_t>(r.T);
  wipe->SetReverse(r.reverse);
  wipe->Position = static_cast<int32_t>(r.t);
  if (r.p0) wipe->SetParam(0, *r.p0);
  if (r.p1) wipe->SetParam(1, *r.p1);
  if (!r.rule.empty()) wipe->SetRuleFile(r.rule);
  wipe->Prepare();
  const bool done = wipe->Step();
  if (finished) *finished = done;
  return ReadImage(dest);
}

inline RefImage Each(int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& f) {
  RefImage r;
  r.w = w;
  r.h = h;
  r.masks = kRgb;
  r.px.resize(static_cast<size_t>(w) * h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) r.at(x, y) = f(x, y);
  return r;
}

// The mask mix: 0 old, 255 new, otherwise the blend of the two by m (divisor 256).
inline uint32_t MixRef(uint32_t o, uint32_t n, uint32_t m) {
  return m == 0 ? o : m == 255 ? n : RefBlend(o, n, m, kRgb);
}
inline uint32_t Grey(int64_t v) { return static_cast<uint32_t>(v) * 0x010101u; }
inline uint32_t PlusGrey(uint32_t px, int64_t v) { return RefAddColor(px, Grey(v), kRgb); }
inline uint32_t MinusGrey(uint32_t px, int64_t v) { return RefSubColor(px, Grey(v), kRgb); }
// Ramp of an element: 0 until the progress passes its threshold, then rising over the softness.
inline uint32_t RampRef(int64_t p, int64_t e, int64_t s) {
  return p < e ? 0 : static_cast<uint32_t>(std::min<int64_t>(255, (p - e) * 255 / s));
}
// Source index of destination pixel i of a stretch of src_len pixels over dst_len (16.16 steps, truncated).
inline int32_t StretchSrc(int64_t i, int64_t src_len, int64_t dst_len) {
  const auto step = static_cast<int64_t>(static_cast<double>(src_len) / static_cast<double>(dst_len) * 65536.0);
  return static_cast<int32_t>((i * step) >> 16);
}
inline int32_t Rnd(double v) { return static_cast<int32_t>(std::lround(v)); }

}  // namespace velk::test
