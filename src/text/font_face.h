#pragma once
// The font engine binding: a game's face names (code page 932, often the faces of the system the games were made
// on) resolved to installed font files, and one face opened at a height and style that renders glyphs of
// Shift-JIS character codes in the gray-level formats of the glyph cache and answers the font's metrics.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velk {

// Style flags of fonts and glyphs.
enum : uint8_t {
  kFontBold = 1,
  kFontItalic = 2,
  kFontUnderline = 4,
  kFontStrikeOut = 8,
};

// Heights beyond this many pixels are drawn at this height: a script's font size must not decide how much memory a
// glyph takes.
constexpr int32_t kMaxFontHeight = 512;

// One rendered glyph as the engine gives it: the black box in gray levels, one byte per pixel.
struct TGlyphImage {
  int32_t Width = 0, Height = 0;  // black box
  int32_t Left = 0;               // pen position to the black box's left edge
  int32_t Top = 0;                // black box's top edge above the baseline
  int32_t Advance = 0;            // pen advance
  int32_t MaxLevel = 1;           // levels run 0 .. MaxLevel (1 for one bit per pixel)
  std::vector<uint8_t> Levels;    // Width × Height, row by row
};

// The three widths of a character: bearing before the black box, the black box, and what follows up to the advance
// (negative when the black box reaches past the advance).
struct TCharWidths {
  int32_t A = 0, B = 0, C = 0;
};

// The installed font file a face name stands for (code page 932): the alias rules first, then the fontconfig family
// match. Empty when no installed face carries the name.
std::string FindFontFile(const std::string& face_name);
// The fontconfig family a face name is looked up as (UTF-8): the alias of a known system face, else the name itself.
std::string FontFamilyFor(const std::string& face_name);

class TFontFace {
 public:
  // The face for a game font name at a height in pixels (positive: the cell height; negative: the character height)
  // and style flags. A name the system does not know opens "ＭＳ ゴシック"; null when no font can be opened at all.
  static std::unique_ptr<TFontFace> Open(const std::string& face_name, int32_t height, uint8_t style);
  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

  // Outline metrics in pixels: ascent; underline thickness and position (above the baseline, negative below);
  // strike-out position above the baseline and thickness.
  int32_t Ascent() const { return ascent_; }
  int32_t Descent() const { return descent_; }
  int32_t UnderlineSize() const { return underline_size_; }
  int32_t UnderlinePosition() const { return underline_position_; }
  int32_t StrikeOutPosition() const { return strike_out_position_; }
  int32_t StrikeOutSize() const { return strike_out_size_; }
  // The synthesized overhang of bold and italic faces (the face's own; always 0 for outline faces).
  int32_t Overhang() const { return 0; }
  // The file the face was opened from.
  const std::string& FileName() const { return file_; }

  // Renders a character (single byte, or lead byte × 256 + trail byte) at a quality level: 0 one bit per pixel,
  // 1 five levels, 2 seventeen levels, 3 sixty-five levels. False when the engine fails; a character without pixels
  // (a space) gives an empty black box and true.
  bool Render(uint16_t code, int32_t quality, TGlyphImage& out);
  // The width of the character as text (its advance).
  int32_t TextWidth(uint16_t code);
  TCharWidths CharWidths(uint16_t code);

 private:
  struct TImpl;
  explicit TFontFace(std::unique_ptr<TImpl> impl);
  bool Load(uint16_t code, int32_t quality);

  std::unique_ptr<TImpl> impl_;
  std::string file_;
  uint8_t style_ = 0;
  int32_t ascent_ = 0, descent_ = 0;
  int32_t underline_size_ = 0, underline_position_ = 0;
  int32_t strike_out_position_ = 0, strike_out_size_ = 0;
};

// The Unicode code point of a Shift-JIS character code; 0 when the code page has none.
char32_t CharCodeToUnicode(uint16_t code);

}  // namespace velk
