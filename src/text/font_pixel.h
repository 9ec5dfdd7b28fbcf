#pragma once
// The glyph cache: one process-wide manager keeps the 256 most recently used glyphs, each an 8-bit coverage bitmap
// of the glyph's black box with the metrics that place it, and draws glyphs into a colour surface and its mask in
// a colour with optional border and shadow.
#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "gfx/dibx.h"
#include "text/font_face.h"

namespace velk {

class TFontPixel {
 public:
  // The coverage of the black box: 8 bits, 0 empty, 255 full; an empty surface for a glyph without pixels.
  std::unique_ptr<TDIBX> Bitmap;
  uint16_t Code = 0;  // single byte, or lead byte × 256 + trail byte
  std::string FontName;
  int32_t FontHeight = 0;
  uint8_t Style = 0;
  int32_t Quality = 0;
  int32_t OriginX = 0;  // left bearing, never below 0
  int32_t OriginY = 0;  // ascent minus the glyph's top, never below 0
  int32_t UnderlineSize = 0;
  int32_t StrikeOutPos = 0;  // from the top of the cell
  int32_t StrikeOutSize = 0;
  // What follows the black box up to the advance; for a glyph without pixels the character's text width.
  int32_t TrailingGap = 0;
  // The character's ABC widths in the glyph's font and style (they centre the glyph in a text cell).
  TCharWidths Widths;

  int32_t BitmapWidth() const { return Bitmap ? Bitmap->Width() : 0; }
  int32_t BitmapHeight() const { return Bitmap ? Bitmap->Height() : 0; }
  bool Empty() const { return BitmapWidth() == 0 || BitmapHeight() == 0; }
  // The pen advance the glyph takes in a line.
  int32_t Advance() const { return OriginX + BitmapWidth() + TrailingGap; }
  // Coverage at (x, y) of the black box, 0 outside.
  uint8_t CoverageAt(int32_t x, int32_t y) const;
};

// How a glyph is drawn: native colours of the colour surface, border width and shadow offset, solid or blended
// text, and whether the neighbours share the glyph's border and shadow (their bars then run on).
struct TGlyphPaint {
  uint32_t Color = 0, BorderColor = 0, ShadowColor = 0;
  int32_t Border = 0, Shadow = 0;
  bool Blended = true;
  bool JoinBefore = false, JoinAfter = false;
};

class TFontPixelManager {
 public:
  static constexpr size_t kCapacity = 256;

  TFontPixelManager();
  ~TFontPixelManager();
  TFontPixelManager(const TFontPixelManager&) = delete;
  TFontPixelManager& operator=(const TFontPixelManager&) = delete;

  // The cached glyph for the key, made on a miss. The quality level (0 one bit per pixel, 1 five, 2 seventeen,
  // 3 sixty-five gray levels; clamped into 0 .. 3) is part of the key: every caller asks for its own, so one caller
  // never leaves the cache at its level for the next. Raises "Error:GetOutlineTextMetrics" when no font at all can
  // be opened.
  TFontPixel* GetGlyph(uint16_t code, const std::string& font_name, uint8_t style, int32_t height, int32_t quality);
  // The current font's ascent (0 before any font was made).
  int32_t Ascent() const { return fonts_.empty() ? 0 : fonts_.front().Face->Ascent(); }
  // Selects the font and answers it. The last few fonts selected stay open, since pages switch between a few
  // (text, ruby, name) and opening a face reads its file's tables again.
  TFontFace& SelectFont(const std::string& font_name, int32_t height, uint8_t style);

  // The level a request for a level is served at: the level clamped into 0 .. 3, or 0 for every request once the
  // font engine failed to give gray levels.
  int32_t EffectiveQuality(int32_t level) const;
  size_t Count() const { return usage_.size(); }

  // Draws glyph g in the cell (x, y, cell_w, cell_h) of a colour surface and its 8-bit mask (either may be null):
  // the black box at (x + b + offset, y + b + OriginY); underline and strike-out bars across the cell; the drawn
  // area grows by 2b + s. The shadow (the grown glyph with a border) first, moved s right and down, then the border,
  // then the text blended by coverage or solid. Every drawn pixel sets the mask: border and shadow to 255, the text
  // to its coverage.
  static void DrawGlyph(TCustomDIBX* color, TCustomDIBX* mask, int32_t x, int32_t y, int32_t cell_w, int32_t cell_h,
                        int32_t offset, const TFontPixel& g, const TGlyphPaint& paint);
  // How far a glyph's black box moves right of its left bearing in a text cell of width W = min(available, font
  // height): the black box lies at the cell's left + OriginX + this offset.
  static int32_t CellOffset(const TFontPixel& g, int32_t cell_width, const TCharWidths& widths);

 private:
  using TUsage = std::list<std::unique_ptr<TFontPixel>>;
  std::unique_ptr<TFontPixel> MakeGlyph(uint16_t code, const std::string& font_name, uint8_t style, int32_t height,
                                        int32_t quality);

  std::array<std::vector<TUsage::iterator>, 256> buckets_;
  TUsage usage_;  // most recently used first
  struct TOpenFont {
    std::string Name;
    int32_t Height = 0;
    uint8_t Style = 0;
    std::unique_ptr<TFontFace> Face;
  };
  static constexpr size_t kOpenFonts = 8;
  std::vector<TOpenFont> fonts_;  // the current font first, then the others most recently selected first
  bool mono_only_ = false;
};

// The process-wide glyph cache.
TFontPixelManager& FontPixelManager();

// The gray level g of a quality level as coverage (level 0: 0 and 255).
uint8_t LevelCoverage(int32_t quality, int32_t g);

}  // namespace velk
