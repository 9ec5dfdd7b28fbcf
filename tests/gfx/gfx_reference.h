#pragma once
// Independent per-pixel references for the pixel tests: images as plain arrays, the blend formulas written per
// channel in channel units, and whole-image comparison that writes actual and expected PNGs on a mismatch.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gfx/custom_dibx.h"
#include "gfx/dibx.h"
#include "gfx/pixel_format.h"

namespace velk::test {

struct RefImage {
  int32_t w = 0, h = 0;
  int depth = 32;
  TPixelMasks masks;
  std::vector<uint32_t> px;
  uint32_t& at(int32_t x, int32_t y) { return px[static_cast<size_t>(y) * w + x]; }
  uint32_t at(int32_t x, int32_t y) const { return px[static_cast<size_t>(y) * w + x]; }
};

inline RefImage ReadImage(TCustomDIBX& s) {
  RefImage r;
  r.w = s.Width();
  r.h = s.Height();
  r.depth = s.BitCount();
  r.masks = TPixelMasks{s.RedMask(), s.GreenMask(), s.BlueMask()};
  r.px.resize(static_cast<size_t>(r.w) * r.h);
  for (int32_t y = 0; y < r.h; ++y)
    for (int32_t x = 0; x < r.w; ++x) r.at(x, y) = s.GetPixel(x, y);
  return r;
}

inline void WriteImage(TCustomDIBX& s, const RefImage& r) {
  for (int32_t y = 0; y < r.h; ++y)
    for (int32_t x = 0; x < r.w; ++x) s.SetPixel(x, y, r.at(x, y));
}

// A surface of random pixels: every stored bit random (also the unused top bits), so masking is exercised.
inline std::unique_ptr<TDIBX> RandomSurface(int32_t w, int32_t h, int depth, std::mt19937& rng) {
  auto s = std::make_unique<TDIBX>();
  s->SetSize(w, h, depth);
  const uint32_t all = depth == 32 ? 0xFFFFFFFF : depth == 8 ? 0xFF : depth == 4 ? 0x0F : depth == 1 ? 1 : 0xFFFF;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) s->SetPixel(x, y, rng() & all);
  return s;
}

// Mask values biased towards the special cases 0 and 255.
inline std::unique_ptr<TDIBX> RandomMask(int32_t w, int32_t h, std::mt19937& rng) {
  auto s = std::make_unique<TDIBX>();
  s->SetSize(w, h, 8);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t r = rng() % 4;
      s->SetPixel(x, y, r == 0 ? 0 : r == 1 ? 255 : rng() & 0xFF);
    }
  return s;
}

// ---- the formulas, per channel in channel units ----

inline uint32_t Chan(uint32_t v, uint32_t mask) { return (v & mask) >> MaskShift(mask); }
inline uint32_t ChanMax(uint32_t mask) { return mask >> MaskShift(mask); }

template <class F> uint32_t PerChannel(const TPixelMasks& m, F f) {
  uint32_t r = 0;
  for (uint32_t mask : {m.Red, m.Green, m.Blue}) r |= (f(mask) << MaskShift(mask)) & mask;
  return r;
}

inline uint32_t RefBlend(uint32_t d, uint32_t s, uint32_t a, const TPixelMasks& m) {
  return PerChannel(m, [&](uint32_t k) { return (Chan(d, k) * (255 - a) + Chan(s, k) * a) / 256; });
}
inline uint32_t RefAdd(uint32_t d, uint32_t s, uint32_t amount, const TPixelMasks& m) {
  return PerChannel(m, [&](uint32_t k) { return std::min(ChanMax(k), Chan(d, k) + Chan(s, k) * amount / 256); });
}
inline uint32_t RefAddColor(uint32_t d, uint32_t c, const TPixelMasks& m) {
  return PerChannel(m, [&](uint32_t k) { return std::min(ChanMax(k), Chan(d, k) + Chan(c, k)); });
}
inline uint32_t RefSubColor(uint32_t d, uint32_t c, const TPixelMasks& m) {
  return PerChannel(m, [&](uint32_t k) { return Chan(d, k) > Chan(c, k) ? Chan(d, k) - Chan(c, k) : 0; });
}

// ---- comparison ----

// As a viewable 8-bit RGB picture.
inline void SavePng(const RefImage& r, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, r.w, r.h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(r.w) * 3);
  const bool rgb = r.depth == 15 || r.depth == 16 || r.depth == 32;
  for (int32_t y = 0; y < r.h; ++y) {
    for (int32_t x = 0; x < r.w; ++x) {
      uint32_t c = rgb ? NativeToColor(r.at(x, y), r.masks) : r.at(x, y) * 0x010101u;
      row[3 * x] = static_cast<uint8_t>(c), row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

// Compares whole images; on a mismatch writes <name>.actual.png and <name>.expected.png in the working folder.
inline ::testing::AssertionResult SameImage(const RefImage& actual, const RefImage& expected, const std::string& name) {
  if (actual.w != expected.w || actual.h != expected.h)
    return ::testing::AssertionFailure() << name << ": size differs";
  int bad = 0;
  std::string first;
  for (int32_t y = 0; y < actual.h; ++y)
    for (int32_t x = 0; x < actual.w; ++x)
      if (actual.at(x, y) != expected.at(x, y) && bad++ == 0) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "first at (%d, %d): actual 0x%08X, expected 0x%08X", x, y, actual.at(x, y),
                      expected.at(x, y));
        first = buf;
      }
  if (bad == 0) return ::testing::AssertionSuccess();
  std::string file;
  for (char c : name) file += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
  SavePng(actual, file + ".actual.png");
  SavePng(expected, file + ".expected.png");
  return ::testing::AssertionFailure() << name << ": " << bad << " pixels differ, " << first;
}

}  // namespace velk::test
