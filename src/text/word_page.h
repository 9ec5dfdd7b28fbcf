#pragma once
// Rows and pages of laid-out text, and the typing of a page: glyphs revealed one after another after their waits,
// each fading in, with the events met on the way handed over as notifications, the caret, the link under the mouse,
// and drawing from the composer's pre-rendered buffers with each glyph's visibility.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/font_pixel.h"
#include "text/word_glyph.h"

namespace velk {

class TStream;
class TWordComposer;

class TWdRow {
 public:
  std::vector<TWdGlyph*> Glyphs;  // in order; owned by the composer, except the indent blank
  std::unique_ptr<TWdGlyph> IndentSpace;
  uint8_t Align = kAlignLeft;
  int32_t Indent = 0;
  int32_t Left = 0, Right = 0;  // bounds
  int32_t X = 0, Y = 0, Width = 0, Height = 0;

  // Sum of the glyph widths.
  int32_t ContentWidth() const;
  // Sets the row height and every glyph's position (within the page) from the row's start x and top.
  void Place();
};

class TWdPage {
 public:
  explicit TWdPage(TWordComposer& composer) : composer_(composer) {}

  std::vector<std::unique_ptr<TWdRow>> Rows;
  int32_t Height = 0;

  int32_t RowCount() const { return static_cast<int32_t>(Rows.size()); }

  // Typing state. The scroll offset (pixels, used when the text does not page) moves the rows up in the buffers
  // too: whoever changes it renders the page again (Render(false)).
  int32_t ScrollOffset = 0;
  int32_t CurrentRow = 0;
  int32_t CurrentGlyph = 0;
  int32_t TimeBudget = 0;
  int64_t FadeAccumulator = 0;
  int32_t StartCountdown = 0;
  bool CompletionReported = false;
  bool EventPause = false;
  std::string PendingNames;

  // One typing step of elapsed milliseconds: completed is true once, in the first step after the whole page was
  // revealed and faded in; typed receives the characters revealed in this step ("*" for an image).
  void Step(int32_t elapsed, bool& completed, std::string& typed);
  void ResetTyping();
  void RestartTiming();
  bool IsTyping() const;
  // Prepares the composer's buffers and renders every glyph into them; reset_visibility hides every glyph first.
  void Render(bool reset_visibility);
  // The visible glyph under a screen point, or null.
  TWdReal* GlyphAt(int32_t x, int32_t y) const;
  // Moves the link highlight to the link under a screen point (negative coordinates clear it).
  void HoverAt(int32_t x, int32_t y);
  std::string HoveredLinkText() const;
  TWdReal* Hovered() const { return hovered_; }
  // Draws the page onto the composer's target within its clip rectangle.
  void Draw();

  // The page state record of save data; reading needs the same layout the writer had.
  void SaveState(TStream& s) const;
  void LoadState(TStream& s);

  const std::vector<TWdReal*>& Fading() const { return fading_; }

 private:
  // The page's screen top (the y origin, less the scroll offset when the text scrolls).
  int32_t ScreenTop() const;
  // index: the glyph's place in its row when the caller knows it (else any value, and the row is searched).
  void RenderGlyph(TWdGlyph& g, bool reset_visibility, size_t index);
  void AddChanged(const TWdReal& g);
  void SetRunHover(TWdReal* first, bool on);
  TWdGlyph* NextGlyph(const TWdGlyph* g) const;
  // Clears the buffer rows from the cleared line down to bottom (exclusive) and moves the line there.
  void ClearBuffersTo(int32_t bottom);
  void UpdateCaret(const TWdGlyph& g);

  TWordComposer& composer_;
  std::vector<TWdReal*> fading_;
  std::vector<TWdImg*> animated_;
  TWdReal* hovered_ = nullptr;
  // What a style resolves to for drawing, kept from glyph to glyph within one Render or one hover change (the
  // settings may change between them).
  struct TStylePaint {
    bool Valid = false;
    const TDecorate* Style = nullptr;
    bool Link = false, Hover = false;
    int32_t Size = 0;
    const std::string* Font = nullptr;
    uint8_t Flags = 0;
    TGlyphPaint Paint;
  };
  TStylePaint style_paint_;
  // Buffer rows above this line are cleared (or drawn on since): outside Render, all of them.
  int32_t cleared_ = INT32_MAX;
  // While rendering: the rows an earlier render left drawn, which are to be cleared, and the rows drawn since.
  int32_t stale_top_ = 0, stale_bottom_ = INT32_MAX;
  int32_t drawn_top_ = INT32_MAX, drawn_bottom_ = INT32_MIN;
};

}  // namespace velk
