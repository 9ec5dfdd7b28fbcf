#include "text/word_page.h"

#include <algorithm>
#include <cstring>

#include "base/sjis.h"
#include "gfx/draw_support.h"
#include "text/font_face.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// Buffers are never larger than this on a side: settings from save data must not decide how much memory they take.
constexpr int32_t kMaxBufferSide = 8192;

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

TRect Offset(const TRect& r, int32_t dx, int32_t dy) {
  return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

bool SameFrame(const TWordComposer& c, const TWdGlyph* a, const TWdGlyph* b) {
  if (!a || !b || !a->IsChar() || !b->IsChar()) return false;
  const auto& x = static_cast<const TWdChar&>(*a);
  const auto& y = static_cast<const TWdChar&>(*b);
  return c.BorderOf(x) == c.BorderOf(y) && c.ShadowOf(x) == c.ShadowOf(y);
}

}  // namespace

int32_t TWdRow::ContentWidth() const {
  int64_t w = 0;
  for (const TWdGlyph* g : Glyphs) w += g->Width;
  return Saturate(w);
}

void TWdRow::Place() {
  const auto aligned = [](const TWdGlyph* g) { return g->Kind == TWdKind::Img; };
  int32_t c = 0;
  for (const TWdGlyph* g : Glyphs)
    if (!aligned(g)) c = std::max(c, g->Height);
  int32_t above = 0, below = 0;
  for (const TWdGlyph* g : Glyphs) {
    if (!aligned(g)) continue;
    const uint8_t a = static_cast<const TWdImg*>(g)->VAlign;
    if (a == kAlignCenter) {
      const int32_t e = (g->Height - c + 1) / 2;
      above = std::max(above, e);
      below = std::max(below, e);
    } else if (a == kAlignTop) {
      below = std::max(below, g->Height - c);
    } else {
      above = std::max(above, g->Height - c);
    }
  }
  Height = c + above + below;
  int64_t x = X;
  for (TWdGlyph* g : Glyphs) {
    g->X = Saturate(x);
    x += g->Width;
    int32_t gy = Height - below - g->Height;
    if (g->Height == 0) {
      gy = above;
    } else if (aligned(g)) {
      const uint8_t a = static_cast<const TWdImg*>(g)->VAlign;
      if (a == kAlignCenter) gy = above + (c - g->Height) / 2;
      if (a == kAlignTop) gy = above;
    }
    g->Y = Y + gy;
  }
}

int32_t TWdPage::ScreenTop() const {
  const TComposerSettings& s = composer_.Settings;
  return s.Paging ? s.OriginY : s.OriginY - ScrollOffset;
}

TWdGlyph* TWdPage::NextGlyph(const TWdGlyph* g) const {
  const TWdRow* row = g->Row;
  if (!row) return nullptr;
  const auto it = std::find(row->Glyphs.begin(), row->Glyphs.end(), g);
  if (it != row->Glyphs.end() && it + 1 != row->Glyphs.end()) return *(it + 1);
  bool past = false;
  for (const auto& r : Rows) {
    if (past && !r->Glyphs.empty()) return r->Glyphs.front();
    past = past || r.get() == row;
  }
  return nullptr;
}

void TWdPage::ResetTyping() {
  CurrentRow = CurrentGlyph = 0;
  TimeBudget = 0;
  FadeAccumulator = 0;
  StartCountdown = composer_.Settings.FadeTime > 0 ? 1 : 0;
  CompletionReported = false;
  fading_.clear();
  animated_.clear();
}

void TWdPage::RestartTiming() {
  TimeBudget = 0;
  FadeAccumulator = 0;
  StartCountdown = composer_.Settings.FadeTime > 0 ? 1 : 0;
}

bool TWdPage::IsTyping() const {
  const TComposerSettings& s = composer_.Settings;
  if (!fading_.empty()) return true;
  if (CurrentRow >= RowCount()) return false;
  if (s.Paging) return !s.Paused;
  const TWdRow& row = *Rows[static_cast<size_t>(CurrentRow)];
  return int64_t{s.PageHeight} >= int64_t{row.Height} + row.Y - ScrollOffset;
}

void TWdPage::AddChanged(const TWdReal& g) {
  const TComposerSettings& s = composer_.Settings;
  composer_.Changed.push_back(
      TRect{s.OriginX + g.X, ScreenTop() + g.Y, s.OriginX + g.X + g.Width, ScreenTop() + g.Y + g.Height});
}

void TWdPage::UpdateCaret(const TWdGlyph& g) {
  TComposerSettings& s = composer_.Settings;
  const int32_t scroll = s.Paging ? 0 : ScrollOffset;
  if (CurrentRow < RowCount()) {
    const TWdRow& row = *Rows[static_cast<size_t>(CurrentRow)];
    const TWdGlyph* next = CurrentGlyph < static_cast<int32_t>(row.Glyphs.size())
                               ? row.Glyphs[static_cast<size_t>(CurrentGlyph)]
                               : nullptr;
    s.CaretX = next ? next->X : row.X;
    s.CaretY = row.Y - scroll;
    composer_.CaretHeight = row.Height;
  } else {
    s.CaretX = Saturate(int64_t{g.X} + g.Width);
    s.CaretY = g.Row ? g.Row->Y - scroll : 0;
    composer_.CaretHeight = g.Row ? g.Row->Height : 0;
  }
}

void TWdPage::Step(int32_t elapsed, bool& completed, std::string& typed) {
  const TComposerSettings& s = composer_.Settings;
  completed = false;
  if (!CompletionReported && CurrentRow >= RowCount() && fading_.empty()) {
    completed = true;
    CompletionReported = true;
  }
  typed.clear();
  composer_.Changed.clear();
  if (StartCountdown >= 1) {
    --StartCountdown;
    return;
  }
  int32_t a = std::max(0, elapsed);
  if (CurrentRow < RowCount() && !s.Paused && PendingNames.empty()) {
    if (CurrentRow == 0 && CurrentGlyph == 0) {
      TimeBudget = 0;
      FadeAccumulator = 0;
      a = 0;
    } else if (EventPause) {
      EventPause = false;
      a = 0;
    }
    TimeBudget = Saturate(int64_t{TimeBudget} - a);
    while (CurrentRow < RowCount() && TimeBudget <= 0) {
      TWdRow& row = *Rows[static_cast<size_t>(CurrentRow)];
      if (int64_t{s.PageHeight} < int64_t{row.Y} - ScrollOffset) break;  // the row starts below the window
      if (CurrentGlyph >= static_cast<int32_t>(row.Glyphs.size())) {
        CurrentGlyph = 0;
        ++CurrentRow;
        continue;
      }
      TWdGlyph& g = *row.Glyphs[static_cast<size_t>(CurrentGlyph)];
      g.SetVisibility(0);
      const int32_t w = g.Wait();
      if (w >= 0) {
        TimeBudget = Saturate(int64_t{TimeBudget} + int64_t{w} * std::max(0, s.SpeedFactor) / 256);
      } else if (s.SpeedFactor >= 0) {
        TimeBudget = Saturate(int64_t{TimeBudget} - w);
      }
      if (g.IsReal()) {
        fading_.push_back(static_cast<TWdReal*>(&g));
        auto* img = g.Kind == TWdKind::Img ? static_cast<TWdImg*>(&g) : nullptr;
        if (img && img->Image && img->Image->Animated()) animated_.push_back(img);
      }
      if (++CurrentGlyph >= static_cast<int32_t>(row.Glyphs.size())) {
        CurrentGlyph = 0;
        ++CurrentRow;
      }
      UpdateCaret(g);
      if (g.Kind == TWdKind::Event && s.Notify) {
        const auto& e = static_cast<const TWdOpeEvent&>(g);
        if (!PendingNames.empty()) PendingNames += '\t';
        PendingNames += e.Value;
        EventPause = true;
        const TWdGlyph* next = NextGlyph(&g);
        if (e.End || !next || next->Kind != TWdKind::Event) break;
        continue;
      }
      if (g.IsChar()) {
        const uint16_t code = static_cast<const TWdChar&>(g).Code;
        if (code > 0xFF) typed.push_back(static_cast<char>(code >> 8));
        typed.push_back(static_cast<char>(code & 0xFF));
      } else if (g.Kind == TWdKind::Img) {
        typed += '*';
      }
    }
  }
  // Fading in: n visibility per step, from the time that passed.
  const int32_t fade = s.FadeTime;
  FadeAccumulator += int64_t{a} * 256;
  const int64_t n = fade > 0 ? FadeAccumulator / fade : 255;
  if (n > 0) {
    FadeAccumulator %= std::max(fade, 1);
    for (size_t k = fading_.size(); k-- > 0;) {
      TWdReal* g = fading_[k];
      g->SetVisibility(Saturate(g->Visibility() + std::min<int64_t>(n, 255)));
      AddChanged(*g);
      if (g->Visibility() > 254) fading_.erase(fading_.begin() + static_cast<std::ptrdiff_t>(k));
    }
  }
  for (TWdImg* img : animated_)
    if (img->Image->Advance(a)) AddChanged(*img);
  if (!PendingNames.empty() && fading_.empty()) {
    const std::string names = PendingNames;
    PendingNames.clear();
    size_t start = 0;
    while (true) {
      const size_t tab = names.find('\t', start);
      if (composer_.OnNotify) composer_.OnNotify(names.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
  }
}

void TWdPage::Render(bool reset_visibility) {
  const TComposerSettings& s = composer_.Settings;
  const int32_t w = std::clamp(composer_.Width(), 0, kMaxBufferSide);
  const int32_t h = std::clamp(s.PageHeight, 0, kMaxBufferSide);
  TDIBX& color = composer_.ColorBuffer();
  TDIBX& mask = composer_.MaskBuffer();
  if (color.Width() != w || color.Height() != h || color.BitCount() != composer_.BufferDepth || mask.Width() != w ||
      mask.Height() != h || mask.BitCount() != 8) {
    color.SetSize(w, h, composer_.BufferDepth);
    mask.SetSize(w, h, 8);
    composer_.DrawnTop = 0;
    composer_.DrawnBottom = INT32_MAX;
  }
  // The rows drawn before are cleared band by band just ahead of the glyphs drawn into them (rows go down the
  // page), so a row's glyphs find their band still in the cache; the rows this page draws are noted as it goes.
  // Until the render is through (a glyph may fail to load) the composer's rows cover both.
  stale_top_ = composer_.DrawnTop;
  stale_bottom_ = composer_.DrawnBottom;
  drawn_top_ = INT32_MAX;
  drawn_bottom_ = INT32_MIN;
  cleared_ = 0;
  struct TRenderEnd {
    int32_t& cleared;
    ~TRenderEnd() { cleared = INT32_MAX; }
  } end{cleared_};
  style_paint_.Valid = false;
  for (const auto& row : Rows)
    for (size_t i = 0; i < row->Glyphs.size(); ++i) RenderGlyph(*row->Glyphs[i], reset_visibility, i);
  ClearBuffersTo(INT32_MAX);
  composer_.DrawnTop = drawn_top_;
  composer_.DrawnBottom = drawn_bottom_;
}

void TWdPage::ClearBuffersTo(int32_t bottom) {
  if (bottom <= cleared_) return;
  for (TDIBX* buffer : {&composer_.ColorBuffer(), &composer_.MaskBuffer()}) {
    const TPixels p(buffer);
    if (!p.Valid()) continue;
    const size_t bytes = static_cast<size_t>(p.Width()) * static_cast<size_t>(p.Bits()) / 8;
    const int32_t from = std::max({0, cleared_, stale_top_}), to = std::min({bottom, p.Height(), stale_bottom_});
    for (int32_t y = from; y < to; ++y) std::memset(p.Row(y), 0, bytes);
  }
  cleared_ = bottom;
}

void TWdPage::RenderGlyph(TWdGlyph& g, bool reset_visibility, size_t index) {
  if (!g.IsReal()) return;
  auto& real = static_cast<TWdReal&>(g);
  if (reset_visibility) real.SetVisibility(0);
  real.Rendered = TRect{};
  if (!g.IsChar()) return;
  const auto& c = static_cast<const TWdChar&>(g);
  const TComposerSettings& s = composer_.Settings;
  TDIBX& color = composer_.ColorBuffer();
  TDIBX& mask = composer_.MaskBuffer();
  const int32_t top = g.Y - (s.Paging ? 0 : ScrollOffset);
  const TRect cell{g.X, top, g.X + g.Width, top + g.Height};
  const TRect inside = Intersect(cell, TRect{0, 0, color.Width(), color.Height()});
  if (inside.IsEmpty()) return;
  real.Rendered = inside;

  TFontPixelManager& cache = composer_.GlyphCache();
  // Neighbours mostly share their style: what it resolves to is kept for the next glyph.
  TStylePaint& sp = style_paint_;
  if (!sp.Valid || sp.Style != c.Style || sp.Link != !c.Link.empty() || sp.Hover != c.Hover) {
    sp.Valid = true;
    sp.Style = c.Style;
    sp.Link = !c.Link.empty();
    sp.Hover = c.Hover;
    sp.Size = composer_.FontSizeOf(c);
    sp.Font = &composer_.FontNameOf(c);
    sp.Flags = c.Style->Style;
    if (sp.Link) sp.Flags |= kFontUnderline;  // a link is always underlined
    sp.Paint = TGlyphPaint{};
    sp.Paint.Color = static_cast<uint32_t>(color.ColorToPixel(composer_.ColorOf(c)));
    sp.Paint.BorderColor =
        static_cast<uint32_t>(color.ColorToPixel(c.Style->BorderColor == -1 ? s.BorderColor : c.Style->BorderColor));
    sp.Paint.ShadowColor =
        static_cast<uint32_t>(color.ColorToPixel(c.Style->ShadowColor == -1 ? s.ShadowColor : c.Style->ShadowColor));
    sp.Paint.Border = composer_.BorderOf(c);
    sp.Paint.Shadow = composer_.ShadowOf(c);
    sp.Paint.Blended = s.AntiAlias > 0;
  }
  const int32_t size = sp.Size;
  const std::string& font = *sp.Font;
  const uint8_t flags = sp.Flags;
  TGlyphPaint paint = sp.Paint;
  const auto& glyphs = g.Row->Glyphs;
  const auto it = index < glyphs.size() && glyphs[index] == &g ? glyphs.begin() + static_cast<std::ptrdiff_t>(index)
                                                               : std::find(glyphs.begin(), glyphs.end(), &g);
  const TWdGlyph* before = it != g.Row->Glyphs.begin() ? *(it - 1) : nullptr;
  const TWdGlyph* after = it + 1 < g.Row->Glyphs.end() ? *(it + 1) : nullptr;
  paint.JoinBefore = SameFrame(composer_, before, &g);
  paint.JoinAfter = SameFrame(composer_, &g, after);

  const std::string& ruby = c.Style->Ruby;
  const int32_t ruby_size = ruby.empty() ? 0 : std::max(1, size / 2);
  const int32_t cell_w = size + ((flags & kFontItalic) ? size / 5 : 0);
  // Everything below draws within the cell's rows: the ruby line at the top, then the text grown by border and
  // shadow.
  const int64_t frame = 2 * int64_t{std::max(0, paint.Border)} + std::max(0, paint.Shadow);
  const int32_t bottom = Saturate(int64_t{top} + ruby_size + std::max(size, ruby_size) + frame);
  ClearBuffersTo(bottom);
  drawn_top_ = std::min(drawn_top_, top);
  drawn_bottom_ = std::max(drawn_bottom_, bottom);
  composer_.DrawnTop = std::min(composer_.DrawnTop, top);
  composer_.DrawnBottom = std::max(composer_.DrawnBottom, bottom);
  const TFontPixel* glyph = cache.GetGlyph(c.Code, font, flags, size, s.AntiAlias);
  // The black box keeps its left bearing; a glyph narrower than its cell moves on by the centring offset, taken in
  // a width of at most the font height (an italic cell is wider) from the character's ABC widths.
  const int32_t offset = glyph->OriginX + TFontPixelManager::CellOffset(*glyph, std::min(cell_w, size), glyph->Widths);
  TFontPixelManager::DrawGlyph(&color, &mask, g.X, top + ruby_size, cell_w, size, offset, *glyph, paint);

  // The ruby line above the run of characters that share it, drawn with the run's first character.
  const bool run_start =
      !ruby.empty() && !(before && before->IsChar() && static_cast<const TWdChar*>(before)->Style->Ruby == ruby);
  if (!run_start) return;
  int64_t run_w = 0;
  for (auto k = it; k != g.Row->Glyphs.end(); ++k) {
    if (!(*k)->IsChar() || static_cast<const TWdChar*>(*k)->Style->Ruby != ruby) break;
    run_w += (*k)->Width;
  }
  const int64_t n = CharCount(ruby);
  TGlyphPaint ruby_paint = paint;
  ruby_paint.JoinBefore = ruby_paint.JoinAfter = false;
  int64_t k = 1;
  for (size_t i = 0, len = 0; i < ruby.size(); i += len, ++k) {
    len = CharLength(ruby, i);
    const auto lead = static_cast<uint8_t>(ruby[i]);
    const uint16_t code = len == 2 ? static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(ruby[i + 1])) : lead;
    const int64_t centre = g.X + ((2 * k - 1) * run_w + n) / (2 * n);
    const int32_t x = Saturate(centre - (len == 2 ? ruby_size / 2 : ruby_size / 4));
    const TFontPixel* rg =
        cache.GetGlyph(code, font, static_cast<uint8_t>(flags & ~kFontUnderline), ruby_size, s.AntiAlias);
    TFontPixelManager::DrawGlyph(&color, &mask, x, top, ruby_size, ruby_size, rg->OriginX, *rg, ruby_paint);
  }
}

TWdReal* TWdPage::GlyphAt(int32_t x, int32_t y) const {
  const TComposerSettings& s = composer_.Settings;
  x -= s.OriginX;
  y -= s.OriginY;
  if (x < 0 || y < 0 || x >= composer_.Width() || y >= s.PageHeight) return nullptr;
  const int32_t d = y + (s.Paging ? 0 : ScrollOffset);
  const auto contains = [&](const TWdGlyph* g) {
    return x >= g->X && x < g->X + g->Width && d >= g->Y && d < g->Y + g->Height;
  };
  for (const auto& row : Rows) {
    if (d < row->Y || d >= row->Y + row->Height) continue;
    for (TWdGlyph* g : row->Glyphs)
      if (g->IsReal() && g->Visibility() > 254 && contains(g)) return static_cast<TWdReal*>(g);
  }
  for (const auto& row : Rows)
    for (TWdGlyph* g : row->Glyphs)
      if (g->Kind == TWdKind::Img && contains(g)) return static_cast<TWdReal*>(g);
  return nullptr;
}

void TWdPage::SetRunHover(TWdReal* first, bool on) {
  if (!first) return;
  const std::string link = first->Link;
  TDIBX& color = composer_.ColorBuffer();
  TDIBX& mask = composer_.MaskBuffer();
  TWdGlyph* g = first;
  std::vector<TWdReal*> run;
  while (g && g->IsReal() && static_cast<TWdReal*>(g)->Link == link) {
    run.push_back(static_cast<TWdReal*>(g));
    g = NextGlyph(g);
  }
  // The run and the glyph after it (whose outline may join the run's) are cleared, then drawn again.
  std::vector<TWdReal*> redraw = run;
  if (g && g->IsReal()) redraw.push_back(static_cast<TWdReal*>(g));
  for (TWdReal* r : redraw) {
    if (!r->Rendered.IsEmpty()) {
      color.FillRect(r->Rendered, 0);
      mask.FillRect(r->Rendered, 0);
    }
  }
  for (TWdReal* r : run) r->Hover = on;
  style_paint_.Valid = false;
  for (TWdReal* r : redraw) {
    RenderGlyph(*r, false, SIZE_MAX);
    AddChanged(*r);
  }
}

void TWdPage::HoverAt(int32_t x, int32_t y) {
  TWdReal* g = x < 0 || y < 0 ? nullptr : GlyphAt(x, y);
  TWdReal* first = nullptr;
  if (g && !g->Link.empty()) {
    // Back to the first glyph of the link run.
    std::vector<TWdGlyph*> order;
    for (const auto& row : Rows) order.insert(order.end(), row->Glyphs.begin(), row->Glyphs.end());
    auto it = std::find(order.begin(), order.end(), g);
    while (it != order.begin() && (*(it - 1))->IsReal() && static_cast<TWdReal*>(*(it - 1))->Link == g->Link) --it;
    first = static_cast<TWdReal*>(*it);
  }
  if (first == hovered_) return;
  TWdReal* old = hovered_;
  hovered_ = first;
  SetRunHover(old, false);
  SetRunHover(first, true);
}

std::string TWdPage::HoveredLinkText() const {
  std::string text;
  for (const TWdGlyph* g = hovered_; g && g->IsReal() && static_cast<const TWdReal*>(g)->Link == hovered_->Link;
       g = NextGlyph(g)) {
    if (!g->IsChar()) continue;
    const uint16_t code = static_cast<const TWdChar*>(g)->Code;
    if (code > 0xFF) text.push_back(static_cast<char>(code >> 8));
    text.push_back(static_cast<char>(code & 0xFF));
  }
  return text;
}

void TWdPage::Draw() {
  TCustomDIBX* target = composer_.Target;
  if (!target) return;
  const TComposerSettings& s = composer_.Settings;
  const int32_t top = ScreenTop();
  const TRect area =
      Intersect(TRect{s.OriginX, s.OriginY, s.OriginX + composer_.Width(), s.OriginY + std::max(0, s.PageHeight)},
                composer_.ClipRect);
  TDIBX& color = composer_.ColorBuffer();
  TDIBX& mask = composer_.MaskBuffer();
  for (const auto& row : Rows) {
    const TRect row_rect{s.OriginX + row->X, top + row->Y, s.OriginX + row->X + row->ContentWidth(),
                         top + row->Y + row->Height};
    if (Intersect(row_rect, composer_.ClipRect).IsEmpty()) continue;
    for (TWdGlyph* g : row->Glyphs) {
      if (!g->IsReal() || g->Visibility() <= 0) continue;
      auto& real = static_cast<TWdReal&>(*g);
      const int32_t v = real.Visibility();
      if (g->IsChar()) {
        if (real.Rendered.IsEmpty()) continue;
        const TRect src = Intersect(real.Rendered, Offset(area, -s.OriginX, -s.OriginY));
        if (src.IsEmpty()) continue;
        const int32_t x = s.OriginX + src.Left, y = s.OriginY + src.Top;
        const auto& c = static_cast<const TWdChar&>(*g);
        if (composer_.BorderOf(c) > 0 || composer_.ShadowOf(c) > 0) {
          if (v < 255) {
            target->DrawAlphaMask(x, y, &color, src, false, false, &mask, v);
          } else {
            target->DrawMask(x, y, &color, src, false, false, &mask);
          }
        } else {
          const auto native = static_cast<uint32_t>(target->ColorToPixel(composer_.ColorOf(real)));
          target->DrawColorMask(x, y, &mask, src, false, false, native, v);
        }
        continue;
      }
      auto& img = static_cast<TWdImg&>(*g);
      if (!img.Image || !img.Image->Surface()) continue;
      const int32_t alpha = s.Alpha;
      int32_t b = v;
      if (alpha < 255) {
        b = (v * std::max(alpha, 0)) >> 8;
      } else if (alpha > 255) {
        b = v * (std::min(alpha, 511) - 256) / 256 + 256;
      }
      const TRect screen{s.OriginX + g->X, top + g->Y, s.OriginX + g->X + g->Width, top + g->Y + g->Height};
      const TRect shown = Intersect(screen, area);
      if (shown.IsEmpty()) continue;
      const TRect src = Offset(shown, -screen.Left, -screen.Top);
      TCustomDIBX* surface = img.Image->Surface();
      TCustomDIBX* image_mask = img.Image->Mask();
      const bool transparent = img.Image->Transparent();
      if (image_mask) {
        if (b <= 254) {
          target->DrawAlphaMask(shown.Left, shown.Top, surface, src, false, false, image_mask, b);
        } else if (b == 255) {
          target->DrawMask(shown.Left, shown.Top, surface, src, false, false, image_mask);
        } else {
          target->DrawAddMask(shown.Left, shown.Top, surface, src, false, false, image_mask, b - 256);
        }
      } else if (b <= 254) {
        target->DrawAlpha(shown.Left, shown.Top, surface, src, transparent, false, false, b);
      } else if (b == 255) {
        target->Draw(shown.Left, shown.Top, surface, src, transparent, false, false);
      } else {
        target->DrawAdd(shown.Left, shown.Top, surface, src, transparent, false, false, b - 256);
      }
    }
  }
}

void TWdPage::SaveState(TStream& s) const {
  WriteInt(s, ScrollOffset);
  WriteInt(s, CurrentRow);
  WriteInt(s, CurrentGlyph);
  WriteBool(s, CompletionReported);
  WriteString(s, PendingNames);
  for (const auto& row : Rows) {
    for (const TWdGlyph* g : row->Glyphs) {
      if (g->IsReal()) {
        const bool fading = std::find(fading_.begin(), fading_.end(), g) != fading_.end();
        WriteInt(s, fading ? 255 : g->Visibility());
      } else if (g->IsVar()) {
        const TWdGlyph* first = static_cast<const TWdOpeVar*>(g)->Expanded > 0 ? NextGlyph(g) : nullptr;
        WriteInt(s, first ? first->Visibility() : 0);
      }
    }
  }
}

void TWdPage::LoadState(TStream& s) {
  ResetTyping();
  ScrollOffset = std::clamp(ReadIntExact(s), 0, std::max(0, Height));
  // A saved position outside this layout is taken as the nearest one inside it.
  CurrentRow = std::clamp(ReadIntExact(s), 0, RowCount());
  const int32_t glyphs =
      CurrentRow < RowCount() ? static_cast<int32_t>(Rows[static_cast<size_t>(CurrentRow)]->Glyphs.size()) : 0;
  CurrentGlyph = std::clamp(ReadIntExact(s), 0, std::max(0, glyphs - 1));
  CompletionReported = ReadByteExact(s) != 0;
  PendingNames = ReadStringExact(s);
  StartCountdown = 0;
  for (const auto& row : Rows) {
    for (TWdGlyph* g : row->Glyphs) {
      if (g->IsReal()) {
        g->SetVisibility(ReadIntExact(s));
        auto* img = g->Kind == TWdKind::Img ? static_cast<TWdImg*>(g) : nullptr;
        if (img && img->Visibility() > 0 && img->Image && img->Image->Animated()) animated_.push_back(img);
      } else if (g->IsVar()) {
        const int32_t v = ReadIntExact(s);
        TWdGlyph* e = g;
        for (int32_t k = 0; k < static_cast<const TWdOpeVar*>(g)->Expanded; ++k) {
          e = NextGlyph(e);
          if (!e) break;
          e->SetVisibility(v);
        }
      }
    }
  }
}

}  // namespace velk
