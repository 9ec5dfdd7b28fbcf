#include "app/strip_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include "text/font_config.h"

namespace velk {

namespace {

uint32_t blend(uint32_t back, uint32_t fore, uint32_t alpha) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    uint32_t b = (back >> shift) & 0xFF;
    uint32_t f = (fore >> shift) & 0xFF;
    out |= ((b * (255 - alpha) + f * alpha) / 255) << shift;
  }
  return out;
}

}  // namespace

std::u32string DecodeUtf8(const std::string& utf8) {
  std::u32string out;
  size_t i = 0;
  while (i < utf8.size()) {
    auto c = static_cast<uint8_t>(utf8[i]);
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= utf8.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      auto t = static_cast<uint8_t>(utf8[i + static_cast<size_t>(k)]);
      if ((t & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (t & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

TStripFont::TStripFont(int32_t pixel_size) : pixel_size_(pixel_size) {}

void* TStripFont::face() {
  if (opened_) return face_;
  opened_ = true;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return nullptr;
  library_ = library;
  const std::string& file = JapaneseFontFile();
  FT_Face face = nullptr;
  if (file.empty() || FT_New_Face(library, file.c_str(), 0, &face) != 0) return nullptr;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_size_)) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  face_ = face;
  return face_;
}

TStripFont::~TStripFont() {
  if (face_ != nullptr) FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_ != nullptr) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

int32_t TStripFont::TextWidth(const std::string& utf8) {
  if (face() == nullptr) return 0;
  auto face = static_cast<FT_Face>(face_);
  int32_t width = 0;
  for (char32_t cp : DecodeUtf8(utf8)) {
    if (FT_Load_Char(face, cp, FT_LOAD_DEFAULT) == 0) width += static_cast<int32_t>(face->glyph->advance.x >> 6);
  }
  return width;
}

int32_t TStripFont::Draw(TPixelBuffer& target, int32_t x, int32_t y, const std::string& utf8, uint32_t colour,
                         const TRect& clip) {
  if (face() == nullptr) return 0;
  auto face = static_cast<FT_Face>(face_);
  TRect area = Intersect(clip, target.Bounds());
  int32_t baseline = y + static_cast<int32_t>(face->size->metrics.ascender >> 6);
  int32_t pen = x;
  for (char32_t cp : DecodeUtf8(utf8)) {
    if (FT_Load_Char(face, cp, FT_LOAD_RENDER) != 0) continue;
    FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
      for (unsigned row = 0; row < bm.rows; ++row) {
        int32_t ty = baseline - g->bitmap_top + static_cast<int32_t>(row);
        for (unsigned col = 0; col < bm.width; ++col) {
          int32_t tx = pen + g->bitmap_left + static_cast<int32_t>(col);
          if (!area.Contains(tx, ty)) continue;
          uint32_t alpha = bm.buffer[static_cast<ptrdiff_t>(row) * bm.pitch + col];
          if (alpha != 0) target.Row(ty)[tx] = blend(target.Row(ty)[tx], colour, alpha);
        }
      }
    }
    pen += static_cast<int32_t>(g->advance.x >> 6);
  }
  return pen - x;
}

}  // namespace velk
