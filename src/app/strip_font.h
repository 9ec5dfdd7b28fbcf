#pragma once
// The font of the player's own controls (the toolbar strip and the configuration dialog): a Japanese sans-serif face
// found through fontconfig, rendered with FreeType. Without a font the controls are drawn without their texts.
#include <cstdint>
#include <string>

#include "app/pixel_buffer.h"

namespace velk {

class TStripFont {
 public:
  explicit TStripFont(int32_t pixel_size = 12);
  ~TStripFont();
  TStripFont(const TStripFont&) = delete;
  TStripFont& operator=(const TStripFont&) = delete;

  bool Loaded() { return face() != nullptr; }
  int32_t PixelSize() const { return pixel_size_; }
  // Draws UTF-8 text with the top of its line at y, clipped to clip; returns the advance width.
  int32_t Draw(TPixelBuffer& target, int32_t x, int32_t y, const std::string& utf8, uint32_t colour, const TRect& clip);
  int32_t TextWidth(const std::string& utf8);

 private:
  // The face opens on first use: a player that never draws its own controls (headless) never reads the font.
  void* face();
  int32_t pixel_size_;
  bool opened_ = false;
  void* library_ = nullptr;  // FT_Library
  void* face_ = nullptr;     // FT_Face
};

// The code points of a UTF-8 string; a broken sequence gives U+FFFD.
std::u32string DecodeUtf8(const std::string& utf8);

}  // namespace velk
