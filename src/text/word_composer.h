#pragma once
// The text composer: message markup (or a composed-text stream) becomes a list of glyphs with their styles, laid
// out into pages and rows with every glyph at its pixel position. The pages type themselves out (word_page.h).
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/rect.h"
#include "gfx/dibx.h"
#include "text/composed_text.h"
#include "text/word_glyph.h"
#include "text/word_page.h"

namespace velk {

class TFontPixelManager;
class TParamCollection;
class ISysFuncTable;

// What VAR and HISTCHAR glyphs show: the value of an expression as text. Implemented above by whoever owns the
// variables (the interpreter's store and system functions: TExprWordVars).
class IWordVars {
 public:
  virtual ~IWordVars() = default;
  // The value of the expression as text; false when it fails or gives no result.
  virtual bool Evaluate(const std::string& expression, std::string& value) = 0;
  // The same for an expression stored compiled.
  virtual bool Run(TVelkParser& compiled, std::string& value) = 0;
};

// Expressions run against a variable store and its system functions.
class TExprWordVars : public IWordVars {
 public:
  TExprWordVars(TParamCollection& store, ISysFuncTable* funcs) : store_(store), funcs_(funcs) {}
  bool Evaluate(const std::string& expression, std::string& value) override;
  bool Run(TVelkParser& compiled, std::string& value) override;

 private:
  TParamCollection& store_;
  ISysFuncTable* funcs_;
};

class TWordComposer {
 public:
  // The face used when neither the style nor the composer names one.
  static const std::string& DefaultFontName();

  explicit TWordComposer(TFontPixelManager& glyphs);
  ~TWordComposer();
  TWordComposer(const TWordComposer&) = delete;
  TWordComposer& operator=(const TWordComposer&) = delete;

  // Font, colours, sizes, paging, fade, speed, alpha, caret and notification flag: the record a message window
  // saves. A window sets MaxWidth and PageHeight from its client size.
  TComposerSettings Settings;
  // The substitution list of VAR: names (compared exactly) and their values, 0x01 standing for a line break.
  std::vector<std::pair<std::string, std::string>> Substitutions;
  // The wait of glyphs outside any WAIT tag (the text delay at the start of composition).
  int32_t TextDelay = 0;
  IWordVars* Vars = nullptr;
  IWordImageSource* Images = nullptr;
  // Receives each event name when the notification flag is set.
  std::function<void(const std::string&)> OnNotify;

  // Parses markup (lines joined with CR) into the glyph list, replacing the previous one. An A tag without HREF
  // fails with "<A>タグにHREF値がありません".
  void SetText(const std::string& text);
  // Reads a composed-text stream's glyphs after those held; its styles join the list.
  void AddComposedText(const TComposedText& text);
  // The glyph list in stored form.
  TComposedText ComposedText() const;
  // Inserts the value of every VAR glyph (and HISTCHAR glyph when asked) from glyph index from on after it, replacing
  // an earlier expansion.
  void ExpandVars(bool history = false, int32_t from = 0);
  // Builds the pages for the glyphs first .. last (indexes into Glyphs(); all of them by default).
  void Layout(int32_t first = 0, int32_t last = -1);
  // SetText, ExpandVars and Layout.
  void Compose(const std::string& text);
  // The area the text fills: rows no wider than width, pages no taller than height (a window's client size).
  void SetClientSize(int32_t width, int32_t height) {
    Settings.MaxWidth = width;
    Settings.PageHeight = height;
  }
  void Clear();

  int32_t GlyphCount() const { return static_cast<int32_t>(glyphs_.size()); }
  TWdGlyph* Glyph(int32_t i) const { return glyphs_.at(static_cast<size_t>(i)).get(); }
  int32_t PageCount() const { return static_cast<int32_t>(pages_.size()); }
  TWdPage* Page(int32_t i) const { return pages_.at(static_cast<size_t>(i)).get(); }
  const TDecorateList& Styles() const { return styles_; }
  // The layout width: the maximum width, or the widest row when none is set.
  int32_t Width() const { return width_; }

  // Resolved style values of a character (the composer's where the style says -1 or 0).
  int32_t FontSizeOf(const TWdChar& c) const;
  int32_t BorderOf(const TWdChar& c) const;
  int32_t ShadowOf(const TWdChar& c) const;
  const std::string& FontNameOf(const TWdChar& c) const;
  // The text colour of a visible glyph (hover, style, link and text colours in that order of precedence).
  int32_t ColorOf(const TWdReal& g) const;
  // The size of a glyph's cell: font size squared, grown by italic, ruby, border and shadow.
  void MeasureGlyph(TWdGlyph& g) const;

  // Typing and drawing state shared by the pages.
  TFontPixelManager& GlyphCache() { return glyph_cache_; }
  TCustomDIBX* Target = nullptr;  // where Draw draws
  TRect ClipRect{0, 0, 1 << 30, 1 << 30};
  std::vector<TRect> Changed;  // rectangles changed during the current step (screen coordinates)
  int32_t CaretHeight = 0;
  TDIBX& ColorBuffer() { return color_; }
  TDIBX& MaskBuffer() { return mask_; }
  // The depth of the colour buffer (the screen's; 32 when there is none).
  int BufferDepth = 32;
  // The buffer rows that may hold drawn pixels (top inclusive, bottom exclusive): the pages draw into the buffers
  // and widen this, and clear only these rows before rendering. Whoever else draws into the buffers widens it too.
  int32_t DrawnTop = 0, DrawnBottom = INT32_MAX;

 private:
  void ApplyTag(const std::string& token);
  void AddChars(const std::string& text);
  TDecorate CurrentStyle() const;
  void RemoveGlyph(size_t index);
  template <typename T> T* Append(std::unique_ptr<T> g);

  TFontPixelManager& glyph_cache_;
  std::vector<std::unique_ptr<TWdGlyph>> glyphs_;
  std::vector<std::unique_ptr<TWdPage>> pages_;
  TDecorateList styles_;
  int32_t width_ = 0;
  TDIBX color_, mask_;

  // The style stacks while parsing (empty: the default).
  struct TTagValList;
  std::unique_ptr<TTagValList> tags_;
};

}  // namespace velk
