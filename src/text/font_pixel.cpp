#include "text/font_pixel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/error.h"
#include "gfx/draw_support.h"
#include "text/glyph_rows.h"

namespace velk {

namespace {

// Gray level to coverage, per quality level.
constexpr std::array<uint8_t, 2> kLevel0 = {0, 255};
constexpr std::array<uint8_t, 5> kLevel1 = {0, 79, 127, 207, 255};
constexpr std::array<uint8_t, 17> kLevel2 = {0,   43,  55,  67,  79,  91,  103, 115, 159,
                                             171, 183, 195, 207, 219, 231, 243, 255};
constexpr std::array<uint8_t, 65> kLevel3 = {
    0,   18,  21,  24,  27,  30,  33,  36,  55,  58,  61,  64,  67,  70,  73,  76,  79,  82,  85,  88,  91,  94,
    97,  100, 119, 122, 125, 128, 131, 134, 137, 140, 143, 146, 149, 152, 155, 158, 161, 164, 183, 186, 189, 192,
    195, 198, 201, 204, 207, 210, 213, 216, 219, 222, 225, 228, 231, 234, 237, 240, 243, 246, 249, 252, 255};

// A plane of coverage values the size of a glyph's drawn area.
struct TPlane {
  int32_t W = 0, H = 0;
  std::vector<uint8_t> V;
  TPlane(int32_t w, int32_t h) : W(w), H(h), V(static_cast<size_t>(w) * static_cast<size_t>(h), 0) {}
  uint8_t& At(int32_t x, int32_t y) {
    return V[static_cast<size_t>(y) * static_cast<size_t>(W) + static_cast<size_t>(x)];
  }
};

// Values of plane rows from a row on: Values[0 .. To - From) are the row's values at From .. To, the rest of the
// row is 0; the next Rows - 1 rows are laid out alike, their values each Pitch bytes further on.
struct TPlaneRun {
  const uint8_t* Values = nullptr;
  int32_t From = 0, To = 0;
  int32_t Rows = 1;
  ptrdiff_t Pitch = 0;
};

// Eight bytes at p (the caller keeps them inside its buffer), and back.
uint64_t Load8(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Every non-zero byte of v becomes 255, every zero byte stays 0 (bit 7 of each byte is set by the byte's own bit 7
// or, through an addition that cannot carry into the next byte, by any of its lower bits).
uint64_t FullBytes(uint64_t v) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full, kHigh = 0x8080808080808080ull;
  return (((v | ((v & kLow7) + kLow7)) & kHigh) >> 7) * 0xFF;
}

// A plane whose rows lie Stride bytes apart, a whole number of words (the bytes past the width are not part of it).
struct TWidePlane {
  size_t Stride = 0;
  std::vector<uint8_t> V;
};

// Every pixel within r (horizontally and vertically) of a covered one becomes full: each row is or'ed with its
// neighbours up to r to either side, then each row of that with the rows up to r above and below, eight pixels at
// a time.
TWidePlane Grow(const TPlane& p, int32_t r) {
  const auto w = static_cast<size_t>(p.W), h = static_cast<size_t>(p.H), reach = static_cast<size_t>(r);
  const size_t stride = (w + 7) / 8 * 8;
  std::vector<uint8_t> rows(stride * h, 0), padded(w + 2 * reach + 8, 0);
  for (size_t y = 0; y < h; ++y) {
    std::memcpy(&padded[reach], &p.V[y * w], w);
    for (size_t x = 0; x < w; x += 8) {
      uint64_t any = 0;
      for (size_t j = 0; j <= 2 * reach; ++j) any |= Load8(&padded[x + j]);
      const uint64_t full = FullBytes(any);
      std::memcpy(&rows[y * stride + x], &full, 8);
    }
  }
  TWidePlane out{stride, std::vector<uint8_t>(stride * h)};
  for (int32_t y = 0; y < p.H; ++y) {
    const auto first = static_cast<size_t>(std::max(0, y - r)), last = static_cast<size_t>(std::min(p.H - 1, y + r));
    for (size_t x = 0; x < stride; x += 8) {
      uint64_t any = 0;
      for (size_t k = first; k <= last; ++k) any |= Load8(&rows[k * stride + x]);
      std::memcpy(&out.V[static_cast<size_t>(y) * stride + x], &any, 8);
    }
  }
  return out;
}

// d mixed towards c by m / 256 in the surface's native format; paletted surfaces take c.
uint32_t Mix(const TCustomDIBX& s, uint32_t d, uint32_t c, uint32_t m) {
  if (s.BitCount() <= 8) return c;
  return MixNative(d, c, m, TPixelMasks{s.RedMask(), s.GreenMask(), s.BlueMask()});
}

// Puts one plane pixel at (x, y) of the colour surface and the mask, clipped to both; the mask takes at least m.
void Put(TCustomDIBX* color, TCustomDIBX* mask, int32_t x, int32_t y, uint32_t value, uint8_t coverage, bool blended,
         uint8_t m) {
  if (color && x >= 0 && y >= 0 && x < color->Width() && y < color->Height()) {
    const bool full = !blended || coverage == 255;
    color->SetPixel(x, y, full ? value : Mix(*color, color->GetPixel(x, y), value, coverage));
  }
  if (mask && x >= 0 && y >= 0 && x < mask->Width() && y < mask->Height()) {
    if (m > mask->GetPixel(x, y)) mask->SetPixel(x, y, m);
  }
}

}  // namespace

uint8_t LevelCoverage(int32_t quality, int32_t g) {
  const auto pick = [g](const auto& table) {
    return table[static_cast<size_t>(std::clamp<int32_t>(g, 0, int32_t(table.size()) - 1))];
  };
  switch (quality) {
    case 0: return pick(kLevel0);
    case 1: return pick(kLevel1);
    case 2: return pick(kLevel2);
    default: return pick(kLevel3);
  }
}

uint8_t TFontPixel::CoverageAt(int32_t x, int32_t y) const {
  if (!Bitmap || x < 0 || y < 0 || x >= Bitmap->Width() || y >= Bitmap->Height()) return 0;
  return static_cast<uint8_t>(Bitmap->GetPixel(x, y));
}

TFontPixelManager::TFontPixelManager() = default;
TFontPixelManager::~TFontPixelManager() = default;

int32_t TFontPixelManager::EffectiveQuality(int32_t level) const { return mono_only_ ? 0 : std::clamp(level, 0, 3); }

TFontFace& TFontPixelManager::SelectFont(const std::string& font_name, int32_t height, uint8_t style) {
  const auto it = std::find_if(fonts_.begin(), fonts_.end(), [&](const TOpenFont& f) {
    return f.Height == height && f.Style == style && f.Name == font_name;
  });
  if (it != fonts_.end()) {
    std::rotate(fonts_.begin(), it, std::next(it));
    return *fonts_.front().Face;
  }
  std::unique_ptr<TFontFace> face = TFontFace::Open(font_name, height, style);
  if (!face) throw EVelkError("Error:GetOutlineTextMetrics");
  if (fonts_.size() == kOpenFonts) fonts_.pop_back();
  fonts_.insert(fonts_.begin(), TOpenFont{font_name, height, style, std::move(face)});
  return *fonts_.front().Face;
}

TFontPixel* TFontPixelManager::GetGlyph(uint16_t code, const std::string& font_name, uint8_t style, int32_t height,
                                        int32_t quality) {
  quality = EffectiveQuality(quality);
  auto& bucket = buckets_[code & 0xFF];
  for (const TUsage::iterator& it : bucket) {
    const TFontPixel& g = **it;
    if (g.Code == code && g.FontName == font_name && g.FontHeight == height && g.Style == style &&
        g.Quality == quality) {
      usage_.splice(usage_.begin(), usage_, it);
      return it->get();
    }
  }
  usage_.push_front(MakeGlyph(code, font_name, style, height, quality));
  bucket.push_back(usage_.begin());
  TFontPixel* made = usage_.front().get();
  if (usage_.size() > kCapacity) {
    const auto last = std::prev(usage_.end());
    auto& old_bucket = buckets_[(*last)->Code & 0xFF];
    old_bucket.erase(std::find(old_bucket.begin(), old_bucket.end(), last));
    usage_.pop_back();
  }
  return made;
}

std::unique_ptr<TFontPixel> TFontPixelManager::MakeGlyph(uint16_t code, const std::string& font_name, uint8_t style,
                                                         int32_t height, int32_t quality) {
  TFontFace& face = SelectFont(font_name, height, style);
  TGlyphImage image;
  bool ok = face.Render(code, quality, image);
  if (!ok && quality != 0) {
    // The engine cannot give this format: one bit per pixel from now on, for every caller.
    mono_only_ = true;
    quality = 0;
    ok = face.Render(code, 0, image);
  }
  auto g = std::make_unique<TFontPixel>();
  g->Bitmap = std::make_unique<TDIBX>();
  g->Code = code;
  g->FontName = font_name;
  g->FontHeight = height;
  g->Style = style;
  g->Quality = quality;
  g->Widths = face.CharWidths(code);
  if (style & kFontUnderline) g->UnderlineSize = face.UnderlineSize();
  if (style & kFontStrikeOut) {
    g->StrikeOutPos = face.Ascent() - face.StrikeOutPosition();
    g->StrikeOutSize = face.StrikeOutSize();
  }
  if (!ok || image.Width == 0 || image.Height == 0) {
    g->Bitmap->SetSize(0, 0, 8);
    g->TrailingGap = face.TextWidth(code);
    return g;
  }
  g->Bitmap->SetSize(image.Width, image.Height, 8);
  for (int32_t y = 0; y < image.Height; ++y) {
    uint8_t* row = g->Bitmap->Lock(0, y);
    if (!row) continue;
    for (int32_t x = 0; x < image.Width; ++x) {
      const uint8_t level = image.Levels[static_cast<size_t>(y) * static_cast<size_t>(image.Width) + size_t(x)];
      row[x] = image.MaxLevel == 1 ? (level ? 255 : 0) : LevelCoverage(g->Quality, level);
    }
  }
  g->OriginX = std::max(0, image.Left);
  g->OriginY = std::max(0, face.Ascent() - image.Top);
  g->TrailingGap = std::max(0, image.Advance - image.Width - g->OriginX);
  return g;
}

void TFontPixelManager::DrawGlyph(TCustomDIBX* color, TCustomDIBX* mask, int32_t x, int32_t y, int32_t cell_w,
                                  int32_t cell_h, int32_t offset, const TFontPixel& g, const TGlyphPaint& paint) {
  const int32_t b = std::clamp(paint.Border, 0, kMaxFontHeight), s = std::clamp(paint.Shadow, 0, kMaxFontHeight);
  cell_w = std::clamp(cell_w, 0, 4 * kMaxFontHeight);
  cell_h = std::clamp(cell_h, 0, 4 * kMaxFontHeight);
  // The text plane: black box and bars, in the cell grown by the border. Its rows are read as runs: a row without
  // a bar is the black box's coverage row and empty elsewhere, so it is read in place; a row with a bar is put
  // together in a scratch row.
  const int32_t plane_w = cell_w + 2 * b, plane_h = cell_h + 2 * b;
  const int32_t bar_left = paint.JoinBefore ? 0 : b, bar_right = b + cell_w + (paint.JoinAfter ? b : 0);
  const auto in_bar = [](int32_t py, int32_t top, int32_t count) { return count > 0 && py >= top && py < top + count; };
  const TPixels coverage(g.Bitmap.get());
  const bool rows8 = coverage.Valid() && coverage.Bits() == 8;  // as the glyph cache makes it
  const int32_t box_left = b + offset, box_top = b + g.OriginY, box_w = g.BitmapWidth(), box_h = g.BitmapHeight();
  // The columns of the black box within the plane.
  const auto box_from = static_cast<int32_t>(std::max<int64_t>(0, box_left));
  const auto box_to = static_cast<int32_t>(std::min<int64_t>(plane_w, int64_t{box_left} + box_w));
  const int32_t under_top = b + cell_h - g.UnderlineSize, strike_top = b + g.StrikeOutPos;
  std::vector<uint8_t> scratch;
  const auto text_run = [&](int32_t py) __attribute__((always_inline))->TPlaneRun {
    const int32_t gy = py - box_top;
    const bool boxed = gy >= 0 && gy < box_h;
    const bool bar = in_bar(py, under_top, g.UnderlineSize) || in_bar(py, strike_top, g.StrikeOutSize);
    if (!bar && !boxed) return {};
    if (!bar && rows8) {
      if (box_from >= box_to) return {};
      // Read in place down to the black box's last row or the next bar.
      int32_t rows = box_h - gy;
      if (g.UnderlineSize > 0 && under_top > py) rows = std::min(rows, under_top - py);
      if (g.StrikeOutSize > 0 && strike_top > py) rows = std::min(rows, strike_top - py);
      return {coverage.Row(gy) + (box_from - box_left), box_from, box_to, rows, coverage.Pitch()};
    }
    scratch.assign(static_cast<size_t>(plane_w), 0);
    for (int32_t gx = 0; boxed && gx < box_w; ++gx) {
      const int64_t px = int64_t{box_left} + gx;
      if (px >= 0 && px < plane_w)
        scratch[static_cast<size_t>(px)] = rows8 ? coverage.Row(gy)[gx] : g.CoverageAt(gx, gy);
    }
    if (bar)
      for (int32_t px = std::max(0, bar_left); px < std::min(plane_w, bar_right); ++px)
        scratch[static_cast<size_t>(px)] = 255;
    return {scratch.data(), 0, plane_w};
  };

  // With a border or a shadow the colour surface carries the finished pixels, so every drawn pixel sets the mask to
  // 255; plain text keeps its coverage in the mask, through which it is drawn in its colour.
  const bool framed = b > 0 || s > 0;
  // A 15, 16 or 32-bit colour surface with an 8-bit mask of its size (the page buffers) is written through its rows
  // by the row kernel, the plane clipped once; other surfaces pixel by pixel.
  const TPixels cp(color), mp(mask);
  const bool direct = cp.Valid() && mp.Valid() && (cp.Bits() == 16 || cp.Bits() == 32) && mp.Bits() == 8 &&
                      cp.Width() == mp.Width() && cp.Height() == mp.Height();
  const TGlyphRowKernel kernel = direct ? ActiveGlyphRowKernel() : nullptr;
  const auto paint_plane = [&](int32_t w, int32_t h, const auto& run_of, int32_t dx, int32_t dy, uint32_t value,
                               bool blended) __attribute__((always_inline)) {
    const int32_t left = x + dx, top = y + dy;
    if (!direct) {
      for (int32_t py = 0; py < h; ++py) {
        const TPlaneRun run = run_of(py);
        for (int32_t px = run.From; px < run.To; ++px) {
          const uint8_t m = run.Values[px - run.From];
          if (m) Put(color, mask, left + px, top + py, value, m, blended, framed || !blended ? 255 : m);
        }
      }
      return;
    }
    const TGlyphRowParams params{value, cp.Masks(), cp.Bits(), blended, framed};
    const int64_t x0 = std::max<int64_t>(0, -int64_t{left}), x1 = std::min<int64_t>(w, int64_t{cp.Width()} - left);
    const int64_t y0 = std::max<int64_t>(0, -int64_t{top}), y1 = std::min<int64_t>(h, int64_t{cp.Height()} - top);
    for (int64_t py = y0; py < y1;) {
      const TPlaneRun run = run_of(static_cast<int32_t>(py));
      const int64_t rows = std::clamp<int64_t>(run.Rows, 1, y1 - py);
      const int64_t from = std::max<int64_t>(x0, run.From), to = std::min<int64_t>(x1, run.To);
      if (from < to) {
        const auto tx = static_cast<int32_t>(left + from), ty = static_cast<int32_t>(top + py);
        TGlyphBlock block;
        block.Color = cp.Row(ty) + static_cast<ptrdiff_t>(tx) * (cp.Bits() / 8);
        block.ColorPitch = cp.Pitch();
        block.Mask = mp.Row(ty) + tx;
        block.MaskPitch = mp.Pitch();
        block.Coverage = run.Values + (from - run.From);
        block.CoveragePitch = run.Pitch;
        block.Width = static_cast<int>(to - from);
        block.Rows = static_cast<int>(rows);
        block.Room = cp.Width() - tx;
        kernel(block, params);
      }
      py += rows;
    }
  };
  if (b == 0) {
    if (s > 0) paint_plane(plane_w, plane_h, text_run, s, s, paint.ShadowColor, false);
    paint_plane(plane_w, plane_h, text_run, 0, 0, paint.Color, paint.Blended);
    return;
  }
  TPlane text(plane_w, plane_h);
  for (int32_t py = 0; py < plane_h; ++py) {
    const TPlaneRun run = text_run(py);
    if (run.To > run.From) std::memcpy(&text.At(run.From, py), run.Values, static_cast<size_t>(run.To - run.From));
  }
  const TWidePlane grown = Grow(text, b);
  const auto grown_run = [&](int32_t py) {
    return TPlaneRun{&grown.V[static_cast<size_t>(py) * grown.Stride], 0, plane_w, plane_h - py,
                     static_cast<ptrdiff_t>(grown.Stride)};
  };
  const auto text_row = [&](int32_t py) {
    return TPlaneRun{&text.V[static_cast<size_t>(py) * static_cast<size_t>(plane_w)], 0, plane_w, plane_h - py,
                     plane_w};
  };
  if (s > 0) paint_plane(plane_w, plane_h, grown_run, s, s, paint.ShadowColor, false);
  paint_plane(plane_w, plane_h, grown_run, 0, 0, paint.BorderColor, false);
  paint_plane(plane_w, plane_h, text_row, 0, 0, paint.Color, paint.Blended);
}

int32_t TFontPixelManager::CellOffset(const TFontPixel& g, int32_t cell_width, const TCharWidths& w) {
  const int32_t free = cell_width - g.BitmapWidth();
  if (g.OriginX + g.TrailingGap >= free) return 0;
  const int32_t total = w.A + w.B + w.C;
  int32_t offset = 0;
  if (w.A + w.C == 0 || total == 0) {
    offset = free / 2 - g.OriginX;
  } else {
    offset = static_cast<int32_t>(std::lround(static_cast<double>(w.A + w.B / 2) * free / total)) - g.OriginX;
  }
  return std::max(0, offset);
}

TFontPixelManager& FontPixelManager() {
  static TFontPixelManager manager;
  return manager;
}

}  // namespace velk
