#pragma once
// The stored form of composed message text: the style records and the glyph records as the text command of a page
// and the message history carry them, and the composer settings a message window writes into save data. Reading,
// writing and checking only; laying the glyphs out is the composer's work.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expr/velk_parser.h"
#include "vfs/stream.h"

namespace velk {

// Glyph class codes as stored (8 is not used).
enum : uint8_t {
  kWdChar = 1,
  kWdOpeAlign = 2,
  kWdOpeReturn = 3,
  kWdOpeIndent = 4,
  kWdOpeUndent = 5,
  kWdOpeEvent = 6,
  kWdOpeVar = 7,
  kWdImg = 9,
  kWdOpeHistChar = 10,
};

// The style of visible glyphs; -1 colours and widths and size 0 take the composer's values.
struct TDecorate {
  int32_t UseCount = 0;
  int32_t TextColor = -1;
  int32_t BorderColor = -1;
  int32_t ShadowColor = -1;
  int32_t FontSize = 0;
  uint8_t Style = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
  std::string FontName;
  uint8_t NoBreak = 0;
  std::string Ruby;
  int32_t BorderWidth = 0;
  int32_t ShadowWidth = 0;

  bool operator==(const TDecorate&) const = default;
};

// One glyph record; the fields used depend on the class code.
struct TWordRecord {
  uint8_t Code = kWdChar;
  std::string Link;       // char, image, variable and history glyphs (variables from version 101)
  int32_t Wait = 0;       // as Link
  uint16_t CharCode = 0;  // char: the single byte, or lead byte × 256 + trail byte
  int32_t Style = 0;      // char, variable and history glyphs: index into the styles of the same stream
  uint8_t Value = 0;      // align: 1 LEFT, 2 RIGHT, 3 CENTER; return: page-break flag; image: 3 CENTER, 4 TOP, 5 BOTTOM
  std::string Text;       // event value, variable expression text (from version 102), image file name
  bool EventEnd = false;  // event: the stored value began with the byte 0x01
  std::unique_ptr<TVelkParser> Expression;  // variable glyphs before version 102

  TWordRecord() = default;
  TWordRecord(TWordRecord&&) = default;
  TWordRecord& operator=(TWordRecord&&) = default;
};

class TComposedText {
 public:
  // The version the player's writer uses.
  static constexpr int32_t kVersion = 102;

  // Reads a composed-text stream. A stream without the "MvWord" header is version 0. Unknown class codes, style
  // indexes outside the stream's styles, bad header digits and truncation fail with EFormatError.
  void LoadFromStream(TStream& s);
  // Writes the stream in the form of Version (version 0: without header).
  void SaveToStream(TStream& s) const;
  // Throws EFormatError when a glyph refers to a style the text does not hold, or has an unknown class code.
  void Validate() const;

  int32_t Version = kVersion;
  std::vector<TDecorate> Styles;
  std::vector<TWordRecord> Glyphs;
};

// The composer settings record of a message window's save data (version of the save data).
struct TComposerSettings {
  int32_t OriginX = 0;
  int32_t OriginY = 0;
  int32_t FontSize = 12;
  std::string FontName;  // "ＭＳ ゴシック" by default (code page 932)
  int32_t TextColor = 0;
  int32_t PageHeight = 0;
  int32_t MaxWidth = 0;
  int32_t AntiAlias = 3;
  int32_t LineSpace = 0;
  bool Paging = true;
  int32_t LinkColor = 0xFF0000;
  int32_t HoverColor = 0x8000;
  int32_t FadeTime = 1;
  int32_t BorderColor = 0x808080;
  int32_t Alpha = 255;
  bool Paused = false;
  int32_t CaretX = 0;
  int32_t CaretY = 0;
  int32_t SpeedFactor = 0;
  bool Notify = false;
  int32_t ShadowColor = 0;  // from version 110
  int32_t BorderWidth = 0;  // from version 111
  int32_t ShadowWidth = 0;  // from version 111

  TComposerSettings();
  void LoadFromStream(TStream& s, int32_t version);
  void SaveToStream(TStream& s, int32_t version) const;
};

}  // namespace velk
