#include "text/font_pixel.h"

#include <algorithm>
#include <cmath>

#include "base/error.h"
#include "gfx/draw_support.h"

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
  void FillRows(int32_t left, int32_t right, int32_t top, int32_t count) {
    for (int32_t y = std::max(0, top); y < std::min(H, top + count); ++y)
      for (int32_t x = std::max(0, left); x < std::min(W, right); ++x) At(x, y) = 255;
  }
};

// Every pixel within r (horizontally and vertically) of a covered one becomes full.
TPlane Grow(const TPlane& p, int32_t r) {
  TPlane rows(p.W, p.H), out(p.W, p.H);
  for (int32_t y = 0; y < p.H; ++y) {
    for (int32_t x = 0; x < p.W; ++x) {
      if (!p.V[static_cast<size_t>(y) * static_cast<size_t>(p.W) + static_cast<size_t>(x)]) continue;
      for (int32_t k = std::max(0, x - r); k <= std::min(p.W - 1, x + r); ++k) rows.At(k, y) = 255;
    }
  }
  for (int32_t y = 0; y < p.H; ++y) {
    for (int32_t x = 0; x < p.W; ++x) {
      if (!rows.At(x, y)) continue;
      for (int32_t k = std::max(0, y - r); k <= std::min(p.H - 1, y + r); ++k) out.At(x, k) = 255;
    }
  }
  return out;
}

// d mixed towards c by m / 256, channel by channel in a native format of these channel masks.
uint32_t MixNative(uint32_t d, uint32_t c, uint32_t m, const TPixelMasks& k) {
  uint32_t v = 0;
  for (const uint32_t mask : {k.Red, k.Green, k.Blue}) {
    const uint64_t mix = ((uint64_t{c & mask} * m) + (uint64_t{d & mask} * (256 - m))) >> 8;
    v |= static_cast<uint32_t>(mix) & mask;
  }
  return v;
}

// The same in the surface's native format; paletted surfaces take c.
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
  if (!font_ || font_name != font_name_ || height != font_height_ || style != font_style_) {
    font_.reset();
    font_ = TFontFace::Open(font_name, height, style);
    if (!font_) throw EVelkError("Error:GetOutlineTextMetrics");
    font_name_ = font_name;
    font_height_ = height;
    font_style_ = style;
  }
  return *font_;
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
  // The text: black box and bars, in the cell grown by the border.
  TPlane text(cell_w + 2 * b, cell_h + 2 * b);
  const TPixels coverage(g.Bitmap.get());
  for (int32_t gy = 0; gy < g.BitmapHeight(); ++gy) {
    const int32_t py = b + g.OriginY + gy;
    if (py < 0 || py >= text.H) continue;
    // 8-bit coverage (as the glyph cache makes it) is read through its rows.
    const uint8_t* row = coverage.Valid() && coverage.Bits() == 8 ? coverage.Row(gy) : nullptr;
    for (int32_t gx = 0; gx < g.BitmapWidth(); ++gx) {
      const int32_t px = b + offset + gx;
      if (px >= 0 && px < text.W) text.At(px, py) = row ? row[gx] : g.CoverageAt(gx, gy);
    }
  }
  const int32_t bar_left = paint.JoinBefore ? 0 : b, bar_right = b + cell_w + (paint.JoinAfter ? b : 0);
  if (g.UnderlineSize > 0) text.FillRows(bar_left, bar_right, b + cell_h - g.UnderlineSize, g.UnderlineSize);
  if (g.StrikeOutSize > 0) text.FillRows(bar_left, bar_right, b + g.StrikeOutPos, g.StrikeOutSize);

  const TPlane grown = b > 0 ? Grow(text, b) : text;
  // With a border or a shadow the colour surface carries the finished pixels, so every drawn pixel sets the mask to
  // 255; plain text keeps its coverage in the mask, through which it is drawn in its colour.
  const bool framed = b > 0 || s > 0;
  // A 15, 16 or 32-bit colour surface with an 8-bit mask of its size (the page buffers) is written through its rows,
  // the plane clipped once; other surfaces pixel by pixel.
  const TPixels cp(color), mp(mask);
  const bool direct = cp.Valid() && mp.Valid() && (cp.Bits() == 16 || cp.Bits() == 32) && mp.Bits() == 8 &&
                      cp.Width() == mp.Width() && cp.Height() == mp.Height();
  const auto paint_plane = [&](const TPlane& p, int32_t dx, int32_t dy, uint32_t value, bool blended) {
    const int32_t left = x + dx, top = y + dy;
    if (!direct) {
      for (int32_t py = 0; py < p.H; ++py)
        for (int32_t px = 0; px < p.W; ++px) {
          const uint8_t m = p.V[static_cast<size_t>(py) * static_cast<size_t>(p.W) + static_cast<size_t>(px)];
          if (m) Put(color, mask, left + px, top + py, value, m, blended, framed || !blended ? 255 : m);
        }
      return;
    }
    const int64_t x0 = std::max<int64_t>(0, -int64_t{left}), x1 = std::min<int64_t>(p.W, int64_t{cp.Width()} - left);
    const int64_t y0 = std::max<int64_t>(0, -int64_t{top}), y1 = std::min<int64_t>(p.H, int64_t{cp.Height()} - top);
    for (int64_t py = y0; py < y1; ++py) {
      const uint8_t* v = &p.V[static_cast<size_t>(py) * static_cast<size_t>(p.W)];
      uint8_t* crow = cp.Row(static_cast<int32_t>(top + py));
      uint8_t* mrow = mp.Row(static_cast<int32_t>(top + py));
      for (int64_t px = x0; px < x1; ++px) {
        const uint8_t m = v[px];
        if (!m) continue;
        const auto tx = static_cast<int32_t>(left + px);
        const bool full = !blended || m == 255;
        StorePixel(crow, tx, cp.Bits(), full ? value : MixNative(LoadPixel(crow, tx, cp.Bits()), value, m, cp.Masks()));
        const uint8_t covered = framed || !blended ? 255 : m;
        if (covered > mrow[tx]) mrow[tx] = covered;
      }
    }
  };
  if (s > 0) paint_plane(grown, s, s, paint.ShadowColor, false);
  if (b > 0) paint_plane(grown, 0, 0, paint.BorderColor, false);
  paint_plane(text, 0, 0, paint.Color, paint.Blended);
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
