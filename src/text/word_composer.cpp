#include "text/word_composer.h"

#include <algorithm>
#include <set>

#include "base/error.h"
#include "base/escapes.h"
#include "base/sjis.h"
#include "expr/build_parser.h"
#include "expr/param.h"
#include "expr/velk_parser.h"
#include "expr/value_convert.h"
#include "text/font_face.h"
#include "text/word_markup.h"

namespace velk {

namespace {

// Characters that may not begin a row, and characters that may not end one.
const std::set<uint16_t>& CharSet(bool line_start) {
  const auto make = [](const char* utf8) {
    std::set<uint16_t> codes;
    const std::string s = Utf8ToCp932(utf8);
    for (size_t i = 0, n = 0; i < s.size(); i += n) {
      n = CharLength(s, i);
      codes.insert(n == 2 ? static_cast<uint16_t>(static_cast<uint8_t>(s[i]) << 8 | static_cast<uint8_t>(s[i + 1]))
                          : static_cast<uint8_t>(s[i]));
    }
    return codes;
  };
  static const std::set<uint16_t> not_start = make("。、｣」』)）､｡!?！？】");
  static const std::set<uint16_t> not_end = make("｢「『（([<【");
  return line_start ? not_start : not_end;
}

bool IsChar(const TWdGlyph* g, const std::set<uint16_t>& set) {
  return g->IsChar() && set.count(static_cast<const TWdChar*>(g)->Code) != 0;
}

bool NoBreakOf(const TWdGlyph* g) {
  if (g->IsChar()) return static_cast<const TWdChar*>(g)->Style->NoBreak != 0;
  if (g->Kind == TWdKind::Img) return static_cast<const TWdImg*>(g)->NoBreak;
  return false;
}

const std::string* LinkOf(const TWdGlyph* g) { return g->IsReal() ? &static_cast<const TWdReal*>(g)->Link : nullptr; }

bool IsLayoutOp(const TWdGlyph* g) {
  return g->Kind == TWdKind::Align || g->Kind == TWdKind::Indent || g->Kind == TWdKind::Undent;
}

// Whether a row may break between p and the glyph c after it.
bool BreakAllowed(const TWdGlyph* p, const TWdGlyph* c) {
  if (NoBreakOf(p) && NoBreakOf(c)) return false;
  const std::string *lp = LinkOf(p), *lc = LinkOf(c);
  if (lp && lc && !lp->empty() && *lp == *lc) return false;
  const auto single = [](const TWdGlyph* g) {
    return g->IsChar() && static_cast<const TWdChar*>(g)->Code < 0x100 && static_cast<const TWdChar*>(g)->Code > ' ';
  };
  if (single(p) && single(c)) return false;
  const auto space = [](const TWdGlyph* g) { return g->IsChar() && static_cast<const TWdChar*>(g)->Code == ' '; };
  if (space(c) && !space(p)) return false;
  return !IsChar(c, CharSet(true));
}

// The largest wait or size a stored or written value may give: enough for any game, small enough that no sum of
// them overflows.
constexpr int32_t kMaxWait = 1 << 24;

int32_t ParseInt(const std::string& text, int32_t fallback) {
  int32_t v = 0;
  return TryStrToInt(text, v) ? v : fallback;
}

}  // namespace

bool TExprWordVars::Evaluate(const std::string& expression, std::string& value) {
  TVelkParser parser;
  if (!CompileAndRun(expression, store_, funcs_, parser) || !parser.Result()) return false;
  value = parser.Result()->GetStr();
  return true;
}

bool TExprWordVars::Run(TVelkParser& compiled, std::string& value) {
  compiled.Execute(store_, funcs_);
  if (!compiled.Result()) return false;
  value = compiled.Result()->GetStr();
  return true;
}

// The style stacks while parsing; an empty stack answers its default.
struct TWordComposer::TTagValList {
  std::vector<int32_t> Size, Color, BColor, SColor, Border, Shadow, Align, Wait;
  std::vector<std::string> Name;
  int32_t DefaultWait = 0;
  uint8_t Style = 0;
  std::string Link, Ruby;
  bool NoBreak = false;

  static int32_t Top(const std::vector<int32_t>& s, int32_t fallback) { return s.empty() ? fallback : s.back(); }
  int32_t SizeTop() const { return Top(Size, 0); }
  int32_t ColorTop() const { return Top(Color, -1); }
  int32_t BColorTop() const { return Top(BColor, -1); }
  int32_t SColorTop() const { return Top(SColor, -1); }
  int32_t BorderTop() const { return Top(Border, -1); }
  int32_t ShadowTop() const { return Top(Shadow, -1); }
  int32_t AlignTop() const { return Top(Align, kAlignLeft); }
  int32_t WaitTop() const { return Top(Wait, DefaultWait); }
  std::string NameTop() const { return Name.empty() ? std::string() : Name.back(); }
};

const std::string& TWordComposer::DefaultFontName() {
  static const std::string name = Utf8ToCp932("ＭＳ ゴシック");
  return name;
}

TWordComposer::TWordComposer(TFontPixelManager& glyphs)
    : glyph_cache_(glyphs), tags_(std::make_unique<TTagValList>()) {}
TWordComposer::~TWordComposer() = default;

void TWordComposer::Clear() {
  pages_.clear();
  glyphs_.clear();
  styles_.Clear();
  width_ = 0;
}

template <typename T> T* TWordComposer::Append(std::unique_ptr<T> g) {
  T* p = g.get();
  glyphs_.push_back(std::move(g));
  return p;
}

TDecorate TWordComposer::CurrentStyle() const {
  TDecorate d;
  d.TextColor = tags_->ColorTop();
  d.BorderColor = tags_->BColorTop();
  d.ShadowColor = tags_->SColorTop();
  d.FontSize = tags_->SizeTop();
  d.Style = tags_->Style;
  d.FontName = tags_->NameTop();
  d.NoBreak = tags_->NoBreak ? 1 : 0;
  d.Ruby = tags_->Ruby;
  d.BorderWidth = tags_->BorderTop();
  d.ShadowWidth = tags_->ShadowTop();
  return d;
}

void TWordComposer::SetText(const std::string& text) {
  Clear();
  *tags_ = TTagValList{};
  tags_->DefaultWait = std::clamp(TextDelay, -kMaxWait, kMaxWait);
  for (const TWordToken& token : TokenizeMarkup(text)) {
    if (token.Tag) {
      ApplyTag(token.Text);
    } else {
      AddChars(token.Text);
    }
  }
}

void TWordComposer::AddChars(const std::string& text) {
  const TDecorate style = CurrentStyle();
  for (size_t i = 0, n = 0; i < text.size(); i += n) {
    n = CharLength(text, i);
    const auto lead = static_cast<uint8_t>(text[i]);
    if (n == 1 && lead < ' ') continue;
    auto c = std::make_unique<TWdChar>();
    c->Code = n == 2 ? static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(text[i + 1])) : lead;
    c->Style = styles_.Use(style);
    c->Link = tags_->Link;
    c->WaitTime = tags_->WaitTop();
    Append(std::move(c));
  }
}

void TWordComposer::ApplyTag(const std::string& token) {
  const TWordTag tag = ParseTag(token);
  TTagValList& t = *tags_;
  const std::string& name = tag.Name;
  const auto pop = [](auto& stack) {
    if (!stack.empty()) stack.pop_back();
  };
  if (name == "A") {
    if (!tag.Has("HREF")) throw EVelkError(Utf8ToCp932("<A>タグにHREF値がありません"));
    t.Link = ResolveEscapes(tag.Value("HREF"));
  } else if (name == "/A") {
    t.Link.clear();
  } else if (name == "B" || name == "/B" || name == "I" || name == "/I" || name == "S" || name == "/S" || name == "U" ||
             name == "/U") {
    const char letter = name.back();
    const uint8_t bit = letter == 'B'   ? kFontBold
                        : letter == 'I' ? kFontItalic
                        : letter == 'S' ? kFontStrikeOut
                                        : kFontUnderline;
    t.Style = name[0] == '/' ? static_cast<uint8_t>(t.Style & ~bit) : static_cast<uint8_t>(t.Style | bit);
  } else if (name == "FONT") {
    const std::string size = tag.Value("SIZE");
    t.Size.push_back(std::clamp(ParseInt(size, t.SizeTop()), 0, kMaxFontHeight));
    int32_t color = t.ColorTop(), bcolor = t.BColorTop(), scolor = t.SColorTop();
    ParseMarkupColor(tag.Value("COLOR"), color);
    ParseMarkupColor(tag.Value("BCOLOR"), bcolor);
    ParseMarkupColor(tag.Value("SCOLOR"), scolor);
    t.Color.push_back(color);
    t.BColor.push_back(bcolor);
    t.SColor.push_back(scolor);
    t.Name.push_back(tag.Has("NAME") ? tag.Value("NAME") : t.NameTop());
    const auto width = [&](const char* attr, int32_t top) {
      if (!tag.Has(attr)) return top;
      return std::clamp(ParseInt(tag.Value(attr), 1), 0, kMaxFontHeight);
    };
    t.Border.push_back(width("BORDER", t.BorderTop()));
    t.Shadow.push_back(width("SHADOW", t.ShadowTop()));
  } else if (name == "/FONT") {
    pop(t.Size), pop(t.Color), pop(t.BColor), pop(t.SColor), pop(t.Name), pop(t.Border), pop(t.Shadow);
  } else if (name == "NOBR" || name == "/NOBR") {
    t.NoBreak = name[0] != '/';
  } else if (name == "RUBY") {
    t.Ruby = tag.Value("VALUE");
  } else if (name == "/RUBY") {
    t.Ruby.clear();
  } else if (name == "DIV" || name == "/DIV") {
    if (name == "DIV") {
      const std::string a = UpperCase(tag.Value("ALIGN"));
      t.Align.push_back(a == "RIGHT" ? kAlignRight : a == "CENTER" ? kAlignCenter : kAlignLeft);
    } else {
      pop(t.Align);
    }
    Append(std::make_unique<TWdOpeAlign>())->Align = static_cast<uint8_t>(t.AlignTop());
  } else if (name == "INDENT") {
    Append(std::make_unique<TWdGlyph>(TWdKind::Indent));
  } else if (name == "UNDENT") {
    Append(std::make_unique<TWdGlyph>(TWdKind::Undent));
  } else if (name == "BR" || name == "CLEAR") {
    Append(std::make_unique<TWdOpeReturn>())->Clear = name == "CLEAR" || tag.Has("CLEAR");
  } else if (name == "EVENT") {
    auto e = std::make_unique<TWdOpeEvent>();
    e->Value = ResolveEscapes(tag.Value("VALUE"));
    e->End = tag.Has("END");
    Append(std::move(e));
  } else if (name == "WAIT") {
    t.Wait.push_back(std::clamp(ParseInt(tag.Value("VALUE"), t.WaitTop()), -kMaxWait, kMaxWait));
  } else if (name == "/WAIT") {
    pop(t.Wait);
  } else if (name == "VAR" || name == "HISTCHAR") {
    auto v = std::make_unique<TWdOpeVar>(name == "VAR" ? TWdKind::Var : TWdKind::HistChar);
    v->Expression = tag.Value(name == "VAR" ? "NAME" : "VALUE");
    v->Style = styles_.Use(CurrentStyle());
    v->WaitTime = t.WaitTop();
    v->Link = t.Link;
    Append(std::move(v));
  } else if (name == "IMG") {
    auto img = std::make_unique<TWdImg>();
    img->Source = tag.Value("SRC");
    const std::string a = UpperCase(tag.Value("ALIGN"));
    img->VAlign = a == "CENTER" ? kAlignCenter : a == "TOP" ? kAlignTop : kAlignBottom;
    img->NoBreak = t.NoBreak;
    img->Ruby = t.Ruby;
    img->Link = t.Link;
    img->WaitTime = t.WaitTop();
    if (Images && !img->Source.empty()) img->Image = Images->LoadImage(img->Source);
    Append(std::move(img));
  }
  // Every other tag, comment, script or style is ignored.
}

void TWordComposer::RemoveGlyph(size_t index) {
  TWdGlyph* g = glyphs_[index].get();
  if (g->IsChar()) styles_.Release(static_cast<TWdChar*>(g)->Style);
  if (g->IsVar()) styles_.Release(static_cast<TWdOpeVar*>(g)->Style);
  glyphs_.erase(glyphs_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TWordComposer::ExpandVars(bool history, int32_t from) {
  pages_.clear();
  for (size_t i = static_cast<size_t>(std::max(0, from)); i < glyphs_.size(); ++i) {
    if (!glyphs_[i]->IsVar()) continue;
    auto* v = static_cast<TWdOpeVar*>(glyphs_[i].get());
    if (v->Kind == TWdKind::HistChar && !history) continue;
    for (; v->Expanded > 0; --v->Expanded) RemoveGlyph(i + 1);
    std::string value;
    bool found = false;
    for (const auto& [key, text] : Substitutions) {
      if (key != v->Expression) continue;
      value = text;
      std::replace(value.begin(), value.end(), '\x01', '\r');
      found = true;
      break;
    }
    if (!found) {
      const bool evaluated =
          Vars && (v->Compiled ? Vars->Run(*v->Compiled, value) : Vars->Evaluate(v->Expression, value));
      if (!evaluated) value.clear();
    }
    std::vector<std::unique_ptr<TWdGlyph>> made;
    for (size_t k = 0, n = 0; k < value.size(); k += n) {
      n = CharLength(value, k);
      const auto lead = static_cast<uint8_t>(value[k]);
      if (n == 1 && lead == '\r') {
        made.push_back(std::make_unique<TWdOpeReturn>(TWdKind::VarReturn));
        if (k + 1 < value.size() && value[k + 1] == '\n') ++n;
        continue;
      }
      if (n == 1 && lead < ' ') continue;
      auto c = std::make_unique<TWdChar>(TWdKind::VarChar);
      c->Code = n == 2 ? static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(value[k + 1])) : lead;
      c->Style = styles_.Use(*v->Style);
      c->Link = v->Link;
      c->WaitTime = v->WaitTime;
      made.push_back(std::move(c));
    }
    v->Expanded = static_cast<int32_t>(made.size());
    glyphs_.insert(glyphs_.begin() + static_cast<std::ptrdiff_t>(i + 1), std::make_move_iterator(made.begin()),
                   std::make_move_iterator(made.end()));
    i += made.size();
  }
}

void TWordComposer::Compose(const std::string& text) {
  SetText(text);
  ExpandVars();
  Layout();
}

int32_t TWordComposer::FontSizeOf(const TWdChar& c) const {
  const int32_t s = c.Style->FontSize > 0 ? c.Style->FontSize : Settings.FontSize;
  return std::clamp(s, 1, kMaxFontHeight);
}

int32_t TWordComposer::BorderOf(const TWdChar& c) const {
  return std::clamp(c.Style->BorderWidth < 0 ? Settings.BorderWidth : c.Style->BorderWidth, 0, kMaxFontHeight);
}

int32_t TWordComposer::ShadowOf(const TWdChar& c) const {
  return std::clamp(c.Style->ShadowWidth < 0 ? Settings.ShadowWidth : c.Style->ShadowWidth, 0, kMaxFontHeight);
}

const std::string& TWordComposer::FontNameOf(const TWdChar& c) const {
  if (!c.Style->FontName.empty()) return c.Style->FontName;
  return Settings.FontName.empty() ? DefaultFontName() : Settings.FontName;
}

int32_t TWordComposer::ColorOf(const TWdReal& g) const {
  if (g.Hover) return Settings.HoverColor;
  const int32_t style = g.IsChar() ? static_cast<const TWdChar&>(g).Style->TextColor : -1;
  if (style != -1) return style;
  return g.Link.empty() ? Settings.TextColor : Settings.LinkColor;
}

void TWordComposer::MeasureGlyph(TWdGlyph& g) const {
  if (g.IsChar()) {
    const auto& c = static_cast<const TWdChar&>(g);
    const int32_t s = FontSizeOf(c), b = BorderOf(c), w = ShadowOf(c);
    g.Width = s + ((c.Style->Style & kFontItalic) ? s / 5 : 0) + 2 * b + w;
    g.Height = s + (c.Style->Ruby.empty() ? 0 : std::max(1, s / 2)) + 2 * b + w;
  } else if (g.Kind == TWdKind::Img) {
    const auto& img = static_cast<const TWdImg&>(g);
    g.Width = img.Image ? std::clamp(img.Image->Width(), 0, 1 << 16) : 0;
    g.Height = img.Image ? std::clamp(img.Image->Height(), 0, 1 << 16) : 0;
  } else if (g.Kind != TWdKind::Space) {
    g.Width = g.Height = 0;
  }
}

void TWordComposer::Layout(int32_t first, int32_t last) {
  pages_.clear();
  const int32_t count = GlyphCount();
  if (last < 0 || last >= count) last = count - 1;
  first = std::max(first, 0);
  for (auto& g : glyphs_) {
    g->Row = nullptr;
    MeasureGlyph(*g);
  }
  const int32_t max_width = std::max(0, Settings.MaxWidth);
  const int32_t spacing = std::clamp(Settings.LineSpace, -kMaxFontHeight, 1 << 16);
  int32_t y = 0, indent = 0;
  uint8_t align = kAlignLeft;
  TWdPage* page = nullptr;
  TWdRow* row = nullptr;
  // The open row's content width and, while it holds no image, its height, kept up as glyphs join it: placing
  // the whole row after every run would take time in the square of the row's length.
  int64_t row_w = 0;
  int32_t row_h = 0;
  bool row_images = false;
  const auto row_width = [&] { return static_cast<int32_t>(std::clamp<int64_t>(row_w, INT32_MIN, INT32_MAX)); };
  const auto close_row = [&] {
    row->Place();
    y += row->Height + spacing;
    row = nullptr;
  };
  const auto open_row = [&] {
    page->Rows.push_back(std::make_unique<TWdRow>());
    row = page->Rows.back().get();
    row->Y = y;
    row->Align = align;
    row->Indent = indent;
    row_w = indent > 0 ? indent : 0;
    row_h = 0;
    row_images = false;
    if (indent > 0) {
      row->IndentSpace = std::make_unique<TWdGlyph>(TWdKind::Space);
      row->IndentSpace->Width = indent;
      row->IndentSpace->Row = row;
      row->Glyphs.push_back(row->IndentSpace.get());
    }
  };
  // The end (exclusive) of the unbreakable run that starts at i; an opening bracket alone stays with the run that
  // follows it.
  const auto run_end = [&](int32_t i) {
    while (true) {
      int32_t j = i;
      while (true) {
        const TWdGlyph* g = Glyph(j++);
        if (g->IsReturn() || j > last) break;
        const TWdGlyph* n = Glyph(j);
        if (IsLayoutOp(n) || BreakAllowed(g, n)) break;
      }
      if (j == i + 1 && j <= last && IsChar(Glyph(i), CharSet(false)) && !Glyph(j)->IsReturn() &&
          !IsLayoutOp(Glyph(j))) {
        i = j;
        continue;
      }
      return j;
    }
  };

  int32_t i = first;
  while (i <= last) {
    TWdGlyph* g = Glyph(i);
    if (g->Kind == TWdKind::Align) {
      align = static_cast<TWdOpeAlign*>(g)->Align;
      if (row && row->Glyphs.size() == (row->IndentSpace ? 1u : 0u)) row->Align = align;
      ++i;
      continue;
    }
    if (g->Kind == TWdKind::Indent || g->Kind == TWdKind::Undent) {
      indent = g->Kind == TWdKind::Indent && row ? row_width() : 0;
      ++i;
      continue;
    }
    if (!page) {
      pages_.push_back(std::make_unique<TWdPage>(*this));
      page = pages_.back().get();
      y = 0;
    }
    if (!row) open_row();
    const int32_t end = run_end(i);
    int64_t run_w = 0;
    for (int32_t k = i; k < end; ++k) run_w += Glyph(k)->Width;
    // A row that holds nothing but its indent is not closed: the run would meet the same indent on the next row.
    const bool has_content = row->Glyphs.size() > (row->IndentSpace ? 1u : 0u);
    if (has_content && row_width() > 0 && max_width > 0 && row_width() + run_w > max_width) {
      close_row();
      open_row();
    }
    for (int32_t k = i; k < end; ++k) {
      TWdGlyph* r = Glyph(k);
      if (IsLayoutOp(r)) continue;
      r->Row = row;
      row->Glyphs.push_back(r);
      row_w += r->Width;
      if (r->Kind == TWdKind::Img) {
        row_images = true;
      } else {
        row_h = std::max(row_h, r->Height);
      }
    }
    // Only the row's height matters until the row closes (and every row is placed again at the end).
    if (row_images) {
      row->Place();
    } else {
      row->Height = row_h;
    }
    const auto first_glyph =
        std::find_if(row->Glyphs.begin(), row->Glyphs.end(), [](TWdGlyph* p) { return p->Kind != TWdKind::Space; });
    if (Settings.Paging && page->Rows.size() > 1 && y + row->Height > Settings.PageHeight &&
        first_glyph != row->Glyphs.end()) {
      // The row does not fit: it starts the next page.
      for (TWdGlyph* r : row->Glyphs) r->Row = nullptr;
      const auto at =
          std::find_if(glyphs_.begin(), glyphs_.end(), [&](const auto& p) { return p.get() == *first_glyph; });
      i = static_cast<int32_t>(at - glyphs_.begin());
      page->Rows.pop_back();
      page = nullptr;
      row = nullptr;
      continue;
    }
    i = end;
    const TWdGlyph* tail = Glyph(end - 1);
    if (tail->IsReturn()) {
      close_row();
      if (static_cast<const TWdOpeReturn*>(tail)->Clear) page = nullptr;
    }
  }
  // Positions: the rows know their bounds once the width is known.
  int32_t widest = 0;
  for (const auto& p : pages_)
    for (const auto& r : p->Rows) widest = std::max(widest, r->ContentWidth());
  width_ = max_width > 0 ? max_width : widest;
  for (const auto& p : pages_) {
    p->Height = 0;
    for (const auto& r : p->Rows) {
      r->Left = 0;
      r->Right = width_;
      const int32_t w = r->ContentWidth(), free = r->Right - r->Left - w;
      r->X = r->Align == kAlignRight ? r->Right - w : r->Align == kAlignCenter ? r->Left + free / 2 : r->Left;
      r->Place();
      p->Height = std::max(p->Height, r->Y + r->Height);
    }
  }
}

void TWordComposer::AddComposedText(const TComposedText& text) {
  text.Validate();
  pages_.clear();
  const int32_t base = styles_.Count();
  for (TDecorate d : text.Styles) {
    d.UseCount = 0;  // recounted from the glyphs that refer to it
    styles_.Append(d);
  }
  const auto style = [&](int32_t index) {
    TDecorate* d = styles_.At(base + index);
    ++d->UseCount;
    return d;
  };
  for (const TWordRecord& r : text.Glyphs) {
    switch (r.Code) {
      case kWdChar: {
        auto c = std::make_unique<TWdChar>();
        c->Code = r.CharCode;
        c->Link = r.Link;
        c->WaitTime = std::clamp(r.Wait, -kMaxWait, kMaxWait);
        c->Style = style(r.Style);
        Append(std::move(c));
        break;
      }
      case kWdOpeAlign: {
        const uint8_t a = r.Value >= kAlignLeft && r.Value <= kAlignCenter ? r.Value : uint8_t{kAlignLeft};
        Append(std::make_unique<TWdOpeAlign>())->Align = a;
        break;
      }
      case kWdOpeReturn: Append(std::make_unique<TWdOpeReturn>())->Clear = r.Value != 0; break;
      case kWdOpeIndent: Append(std::make_unique<TWdGlyph>(TWdKind::Indent)); break;
      case kWdOpeUndent: Append(std::make_unique<TWdGlyph>(TWdKind::Undent)); break;
      case kWdOpeEvent: {
        auto e = std::make_unique<TWdOpeEvent>();
        e->Value = r.Text;
        e->End = r.EventEnd;
        Append(std::move(e));
        break;
      }
      case kWdOpeVar:
      case kWdOpeHistChar: {
        auto v = std::make_unique<TWdOpeVar>(r.Code == kWdOpeVar ? TWdKind::Var : TWdKind::HistChar);
        v->Style = style(r.Style);
        v->WaitTime = std::clamp(r.Wait, -kMaxWait, kMaxWait);
        v->Link = r.Link;
        v->Expression = r.Text;
        if (r.Expression) {
          v->Compiled = std::make_unique<TVelkParser>();
          v->Compiled->Assign(*r.Expression);
        }
        Append(std::move(v));
        break;
      }
      case kWdImg: {
        auto img = std::make_unique<TWdImg>();
        img->Link = r.Link;
        img->WaitTime = std::clamp(r.Wait, -kMaxWait, kMaxWait);
        img->Source = r.Text;
        img->VAlign = r.Value == kAlignCenter || r.Value == kAlignTop ? r.Value : uint8_t{kAlignBottom};
        if (Images && !img->Source.empty()) img->Image = Images->LoadImage(img->Source);
        Append(std::move(img));
        break;
      }
      default: break;
    }
  }
}

TComposedText TWordComposer::ComposedText() const {
  TComposedText out;
  out.Version = TComposedText::kVersion;
  for (int32_t i = 0; i < styles_.Count(); ++i) {
    out.Styles.push_back(*styles_.At(i));
    out.Styles.back().UseCount = 0;
  }
  const auto index = [&](const TDecorate* d) {
    const int32_t k = styles_.IndexOf(d);
    ++out.Styles[static_cast<size_t>(k)].UseCount;
    return k;
  };
  for (const auto& p : glyphs_) {
    const TWdGlyph& g = *p;
    TWordRecord r;
    switch (g.Kind) {
      case TWdKind::Char: {
        const auto& c = static_cast<const TWdChar&>(g);
        r.Code = kWdChar;
        r.Link = c.Link;
        r.Wait = c.WaitTime;
        r.CharCode = c.Code;
        r.Style = index(c.Style);
        break;
      }
      case TWdKind::Align:
        r.Code = kWdOpeAlign;
        r.Value = static_cast<const TWdOpeAlign&>(g).Align;
        break;
      case TWdKind::Return:
        r.Code = kWdOpeReturn;
        r.Value = static_cast<const TWdOpeReturn&>(g).Clear ? 1 : 0;
        break;
      case TWdKind::Indent: r.Code = kWdOpeIndent; break;
      case TWdKind::Undent: r.Code = kWdOpeUndent; break;
      case TWdKind::Event:
        r.Code = kWdOpeEvent;
        r.Text = static_cast<const TWdOpeEvent&>(g).Value;
        r.EventEnd = static_cast<const TWdOpeEvent&>(g).End;
        break;
      case TWdKind::Var:
      case TWdKind::HistChar: {
        const auto& v = static_cast<const TWdOpeVar&>(g);
        r.Code = g.Kind == TWdKind::Var ? kWdOpeVar : kWdOpeHistChar;
        r.Style = index(v.Style);
        r.Wait = v.WaitTime;
        r.Link = v.Link;
        r.Text = v.Expression;
        break;
      }
      case TWdKind::Img: {
        const auto& img = static_cast<const TWdImg&>(g);
        r.Code = kWdImg;
        r.Link = img.Link;
        r.Wait = img.WaitTime;
        r.Text = img.Source;
        r.Value = img.VAlign;
        break;
      }
      default: continue;  // expansions of variables are made again when the text is read
    }
    out.Glyphs.push_back(std::move(r));
  }
  return out;
}

bool SameStyle(const TDecorate& a, const TDecorate& b) {
  return a.TextColor == b.TextColor && a.BorderColor == b.BorderColor && a.ShadowColor == b.ShadowColor &&
         a.FontSize == b.FontSize && a.Style == b.Style && a.FontName == b.FontName && a.NoBreak == b.NoBreak &&
         a.Ruby == b.Ruby && a.BorderWidth == b.BorderWidth && a.ShadowWidth == b.ShadowWidth;
}

TDecorate* TDecorateList::Use(const TDecorate& want) {
  for (const auto& d : items_) {
    if (SameStyle(*d, want)) {
      ++d->UseCount;
      return d.get();
    }
  }
  TDecorate* d = Append(want);
  d->UseCount = 1;
  return d;
}

void TDecorateList::Release(TDecorate* d) {
  if (!d || --d->UseCount > 0) return;
  items_.erase(std::remove_if(items_.begin(), items_.end(), [d](const auto& p) { return p.get() == d; }), items_.end());
}

int32_t TDecorateList::IndexOf(const TDecorate* d) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == d) return static_cast<int32_t>(i);
  return -1;
}

TDecorate* TDecorateList::Append(const TDecorate& d) {
  items_.push_back(std::make_unique<TDecorate>(d));
  return items_.back().get();
}

}  // namespace velk
