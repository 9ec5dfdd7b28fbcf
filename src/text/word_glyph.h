#pragma once
// The glyphs of composed message text: visible glyphs (characters, characters of expanded variables, inline
// images), the blanks and operations that shape the layout (line breaks, alignment, indent), and the markers the
// typing meets (events, variables). The composer owns them in reading order; rows and pages refer to them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/rect.h"
#include "expr/velk_parser.h"
#include "text/composed_text.h"

namespace velk {

class TCustomDIBX;
class TWdRow;

// An inline picture as the text shows it: its size, its frames and how they are drawn. Made by the composer's image
// source from the IMG tag's file name.
class IWordImage {
 public:
  virtual ~IWordImage() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // True when the picture has several frames.
  virtual bool Animated() const = 0;
  // Advances the animation by elapsed milliseconds; true when the frame shown changed.
  virtual bool Advance(int32_t elapsed) = 0;
  // The frame shown, its 8-bit mask (null without) and whether its transparent colour is skipped.
  virtual TCustomDIBX* Surface() = 0;
  virtual TCustomDIBX* Mask() = 0;
  virtual bool Transparent() const = 0;
};

class IWordImageSource {
 public:
  virtual ~IWordImageSource() = default;
  // The picture of a file name, or null when it cannot be read (the glyph then takes no room).
  virtual std::unique_ptr<IWordImage> LoadImage(const std::string& name) = 0;
};

enum class TWdKind : uint8_t {
  Char,       // TWdChar
  VarChar,    // TWdVarChar
  Img,        // TWdImg
  Space,      // TWdSpace
  Return,     // TWdOpeReturn
  VarReturn,  // TWdVarReturn
  Align,      // TWdOpeAlign
  Indent,     // TWdOpeIndent
  Undent,     // TWdOpeUndent
  Event,      // TWdOpeEvent
  Var,        // TWdOpeVar
  HistChar,   // TWdOpeHistChar
};

// Alignment codes of rows and inline images.
enum : uint8_t { kAlignLeft = 1, kAlignRight = 2, kAlignCenter = 3, kAlignTop = 4, kAlignBottom = 5 };

class TWdGlyph {
 public:
  explicit TWdGlyph(TWdKind kind) : Kind(kind) {}
  virtual ~TWdGlyph() = default;
  TWdGlyph(const TWdGlyph&) = delete;
  TWdGlyph& operator=(const TWdGlyph&) = delete;

  bool IsReal() const { return Kind == TWdKind::Char || Kind == TWdKind::VarChar || Kind == TWdKind::Img; }
  bool IsChar() const { return Kind == TWdKind::Char || Kind == TWdKind::VarChar; }
  bool IsReturn() const { return Kind == TWdKind::Return || Kind == TWdKind::VarReturn; }
  bool IsVar() const { return Kind == TWdKind::Var || Kind == TWdKind::HistChar; }

  // 0 .. 255; glyphs that are not visible glyphs always report 255 and ignore writes.
  virtual int32_t Visibility() const { return 255; }
  virtual void SetVisibility(int32_t) {}
  // Milliseconds before the next glyph is revealed.
  virtual int32_t Wait() const { return 0; }

  const TWdKind Kind;
  TWdRow* Row = nullptr;
  // Position within the page and size, set by the layout.
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
};

// A visible glyph: link target, wait, visibility and hover flag; characters keep their style.
class TWdReal : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  int32_t Visibility() const override { return visibility_; }
  void SetVisibility(int32_t v) override { visibility_ = v < 0 ? 0 : v > 255 ? 255 : v; }
  int32_t Wait() const override { return WaitTime; }

  std::string Link;
  int32_t WaitTime = 0;
  bool Hover = false;
  // Where the glyph was rendered into the composer's buffers (empty when it was not).
  TRect Rendered;

 private:
  int32_t visibility_ = 255;
};

class TWdChar : public TWdReal {
 public:
  explicit TWdChar(TWdKind kind = TWdKind::Char) : TWdReal(kind) {}
  uint16_t Code = 0;  // single byte, or lead byte × 256 + trail byte
  TDecorate* Style = nullptr;
};

class TWdImg : public TWdReal {
 public:
  TWdImg() : TWdReal(TWdKind::Img) {}
  std::string Source;
  uint8_t VAlign = kAlignBottom;  // CENTER, TOP or BOTTOM
  bool NoBreak = false;
  std::string Ruby;
  std::unique_ptr<IWordImage> Image;
};

class TWdOpeReturn : public TWdGlyph {
 public:
  explicit TWdOpeReturn(TWdKind kind = TWdKind::Return) : TWdGlyph(kind) {}
  bool Clear = false;  // the break also ends the page
};

class TWdOpeAlign : public TWdGlyph {
 public:
  TWdOpeAlign() : TWdGlyph(TWdKind::Align) {}
  uint8_t Align = kAlignLeft;
};

class TWdOpeEvent : public TWdGlyph {
 public:
  TWdOpeEvent() : TWdGlyph(TWdKind::Event) {}
  int32_t Wait() const override { return End ? 1 : 0; }
  std::string Value;
  bool End = false;
};

// A variable or expression whose value is shown (HISTCHAR: expanded only when the history is shown). Its expansion
// follows it in the composer's glyph list.
class TWdOpeVar : public TWdGlyph {
 public:
  explicit TWdOpeVar(TWdKind kind = TWdKind::Var) : TWdGlyph(kind) {}
  int32_t Wait() const override { return WaitTime; }
  std::string Expression;
  std::unique_ptr<TVelkParser> Compiled;  // texts stored before expressions were kept as text
  TDecorate* Style = nullptr;
  int32_t WaitTime = 0;
  std::string Link;
  int32_t Expanded = 0;  // glyphs of the expansion that follow
};

// The shared style records of a composer: glyphs of equal style refer to one record, which counts them.
class TDecorateList {
 public:
  // The record equal to want in its ten style values (the use count aside), made when none exists; its use count
  // rises by one.
  TDecorate* Use(const TDecorate& want);
  // One use of the record ends; a record no glyph uses any more is removed.
  void Release(TDecorate* d);
  void Clear() { items_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TDecorate* At(int32_t i) const { return items_.at(static_cast<size_t>(i)).get(); }
  int32_t IndexOf(const TDecorate* d) const;
  // Appends a record as it is (the use count recounted by the caller).
  TDecorate* Append(const TDecorate& d);

 private:
  std::vector<std::unique_ptr<TDecorate>> items_;
};

bool SameStyle(const TDecorate& a, const TDecorate& b);

}  // namespace velk
