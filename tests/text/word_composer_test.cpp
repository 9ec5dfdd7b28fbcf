// Layout of message markup. Character cells are squares of the font size whatever the installed fonts, so these
// tests measure positions in multiples of the font size.
#include "text/word_composer.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/build_parser.h"
#include "expr/param_collection.h"
#include "text/font_face.h"
#include "text/font_pixel.h"
#include "text/word_markup.h"
#include "vfs/stream.h"

namespace velk {
namespace {

std::string J(const char* utf8) { return Utf8ToCp932(utf8); }

// A picture of a fixed size with no pixels, for layout.
class TFakeImage : public IWordImage {
 public:
  TFakeImage(int32_t w, int32_t h) : w_(w), h_(h) {}
  int32_t Width() const override { return w_; }
  int32_t Height() const override { return h_; }
  bool Animated() const override { return false; }
  bool Advance(int32_t) override { return false; }
  TCustomDIBX* Surface() override { return nullptr; }
  TCustomDIBX* Mask() override { return nullptr; }
  bool Transparent() const override { return false; }

 private:
  int32_t w_, h_;
};

class TFakeImages : public IWordImageSource {
 public:
  std::unique_ptr<IWordImage> LoadImage(const std::string& name) override {
    return name == "tall" ? std::make_unique<TFakeImage>(10, 30) : nullptr;
  }
};

struct Composer {
  TFontPixelManager cache;
  TWordComposer c{cache};
  Composer(int32_t size, int32_t max_width, int32_t page_height = 1000) {
    c.Settings.FontSize = size;
    c.Settings.MaxWidth = max_width;
    c.Settings.PageHeight = page_height;
  }
};

std::string CharsOf(const std::vector<TWdGlyph*>& glyphs) {
  std::string s;
  for (const TWdGlyph* g : glyphs) {
    if (!g->IsChar()) continue;
    const uint16_t code = static_cast<const TWdChar*>(g)->Code;
    if (code > 0xFF) s.push_back(static_cast<char>(code >> 8));
    s.push_back(static_cast<char>(code & 0xFF));
  }
  return s;
}

// The characters of each row of each page, "|" between rows and "/" between pages.
std::string Rows(const TWordComposer& c) {
  std::string s;
  for (int32_t p = 0; p < c.PageCount(); ++p) {
    if (p) s += "/";
    for (size_t r = 0; r < c.Page(p)->Rows.size(); ++r) {
      if (r) s += "|";
      s += CharsOf(c.Page(p)->Rows[r]->Glyphs);
    }
  }
  return s;
}

TWdChar* CharAt(const TWordComposer& c, int32_t n) {
  for (int32_t i = 0; i < c.GlyphCount(); ++i)
    if (c.Glyph(i)->IsChar() && n-- == 0) return static_cast<TWdChar*>(c.Glyph(i));
  return nullptr;
}

TEST(WordMarkup, TokensEscapesSpacesAndPre) {
  const auto text = [](const std::string& markup) {
    std::string s;
    for (const TWordToken& t : TokenizeMarkup(markup)) s += t.Tag ? "[" + t.Text + "]" : t.Text;
    return s;
  };
  EXPECT_EQ(text("a<B>b</B>c"), "a[<B>]b[</B>]c");
  EXPECT_EQ(text("one\rtwo  \t three"), "one two three");
  EXPECT_EQ(text("<PRE>\rone\rtwo\t</PRE>"), "[<PRE>]one[<BR>]two        [</PRE>]");
  EXPECT_EQ(text("\\<b\\> \\\\ \\{"), "<b> \\ {");
  EXPECT_EQ(text("x<!-- <B> -->y<script>a<b>c</SCRIPT>z"), "x[<!-- <B> -->]y[<script>a<b>c</SCRIPT>]z");
  EXPECT_EQ(text("say \"<B>  x\" <I a=<b>>"), "say \"<B>  x\" [<I a=<b>>]");
  EXPECT_EQ(text("open <abc"), "open <abc");  // never closed: text
  // A trail byte 0x5C is no escape.
  EXPECT_EQ(text(J("表<B>")), J("表") + "[<B>]");

  const TWordTag tag = ParseTag("<font size=20 COLOR='#00FF00' name=\"A B\" border>");
  EXPECT_EQ(tag.Name, "FONT");
  EXPECT_EQ(tag.Value("SIZE"), "20");
  EXPECT_EQ(tag.Value("COLOR"), "#00FF00");
  EXPECT_EQ(tag.Value("NAME"), "A B");
  EXPECT_TRUE(tag.Has("BORDER"));
  int32_t color = 7;
  EXPECT_TRUE(ParseMarkupColor("#FF0000", color));
  EXPECT_EQ(color, 0x0000FF);
  EXPECT_FALSE(ParseMarkupColor("red", color));
}

TEST(WordComposer, TagsSetTheStyleOfTheirCharacters) {
  Composer t(10, 0);
  t.c.SetText("a<B>b</B>c");
  ASSERT_EQ(t.c.GlyphCount(), 3);
  EXPECT_EQ(CharAt(t.c, 0)->Style->Style, 0);
  EXPECT_EQ(CharAt(t.c, 1)->Style->Style, kFontBold);
  EXPECT_EQ(CharAt(t.c, 2)->Style, CharAt(t.c, 0)->Style);  // shared record
  EXPECT_EQ(CharAt(t.c, 0)->Style->UseCount, 2);

  t.c.SetText("</FONT>x<FONT COLOR=#FF0000 SIZE=20 BORDER SHADOW=-3>y</FONT>z<FONT COLOR=red>w");
  EXPECT_EQ(CharAt(t.c, 0)->Style->TextColor, -1);
  EXPECT_EQ(CharAt(t.c, 1)->Style->TextColor, 0x0000FF);
  EXPECT_EQ(CharAt(t.c, 1)->Style->FontSize, 20);
  EXPECT_EQ(CharAt(t.c, 1)->Style->BorderWidth, 1);
  EXPECT_EQ(CharAt(t.c, 1)->Style->ShadowWidth, 0);
  EXPECT_EQ(CharAt(t.c, 2)->Style, CharAt(t.c, 0)->Style);
  EXPECT_EQ(CharAt(t.c, 3)->Style->TextColor, -1);  // an unreadable colour keeps the current one

  t.c.TextDelay = 40;
  t.c.SetText("<A HREF=\"go\\\\\">a</A><WAIT VALUE=70>b<WAIT VALUE=x>c</WAIT></WAIT>d<EVENT VALUE=e END><XYZ>");
  EXPECT_EQ(CharAt(t.c, 0)->Link, "go\\");
  EXPECT_EQ(CharAt(t.c, 1)->Link, "");
  EXPECT_EQ(CharAt(t.c, 0)->Wait(), 40);
  EXPECT_EQ(CharAt(t.c, 1)->Wait(), 70);
  EXPECT_EQ(CharAt(t.c, 2)->Wait(), 70);
  EXPECT_EQ(CharAt(t.c, 3)->Wait(), 40);
  const auto* event = static_cast<const TWdOpeEvent*>(t.c.Glyph(t.c.GlyphCount() - 1));
  ASSERT_EQ(event->Kind, TWdKind::Event);
  EXPECT_EQ(event->Value, "e");
  EXPECT_TRUE(event->End);
  EXPECT_EQ(event->Wait(), 1);

  try {
    t.c.SetText("<A>x</A>");
    FAIL();
  } catch (const EVelkError& e) {
    EXPECT_EQ(e.Message(), J("<A>タグにHREF値がありません"));
  }
}

TEST(WordComposer, RowsBreakBetweenWordsAndByTheJapaneseRules) {
  Composer t(10, 80);
  t.c.Compose("Hello world");
  EXPECT_EQ(Rows(t.c), "Hello |world");
  t.c.Settings.MaxWidth = 30;
  t.c.Compose("Hello");  // a word wider than the row stays whole
  EXPECT_EQ(Rows(t.c), "Hello");

  t.c.Settings.MaxWidth = 40;
  t.c.Compose(J("あいうえ。お"));
  EXPECT_EQ(Rows(t.c), J("あいう|え。お"));
  t.c.Compose(J("あいう「えお"));
  EXPECT_EQ(Rows(t.c), J("あいう|「えお"));
  t.c.Compose(J("あ<NOBR>いうえお</NOBR>か"));
  EXPECT_EQ(Rows(t.c), J("あ|いうえお|か"));
  t.c.Compose(J("あい<A HREF=x>うえお</A>"));
  EXPECT_EQ(Rows(t.c), J("あい|うえお"));

  t.c.Settings.MaxWidth = 0;  // unlimited: the widest row sets the width
  t.c.Compose("one\rtwo<BR>three");
  EXPECT_EQ(Rows(t.c), "one two|three");
  EXPECT_EQ(t.c.Width(), 70);
  t.c.Compose("<PRE>one\rtwo</PRE>");
  EXPECT_EQ(Rows(t.c), "one|two");
}

TEST(WordComposer, PagesEndByHeightByClearAndByBrClear) {
  Composer t(10, 100, 25);
  t.c.Settings.LineSpace = 2;
  t.c.Compose("a<BR>b<BR>c<BR>d");
  EXPECT_EQ(Rows(t.c), "a|b/c|d");
  EXPECT_EQ(t.c.Page(0)->Rows[1]->Y, 12);
  EXPECT_EQ(t.c.Page(1)->Rows[0]->Y, 0);
  EXPECT_EQ(t.c.Page(0)->Height, 22);
  t.c.Compose("a<BR CLEAR>b<CLEAR>c");
  EXPECT_EQ(Rows(t.c), "a/b/c");
  t.c.Settings.Paging = false;  // one scrolling page
  t.c.Compose("a<BR>b<BR>c<BR>d");
  EXPECT_EQ(Rows(t.c), "a|b|c|d");
  // A row taller than the page still goes on a page of its own.
  t.c.Settings.Paging = true;
  t.c.Compose("a<BR><FONT SIZE=40>b</FONT><BR>c");
  EXPECT_EQ(Rows(t.c), "a/b/c");
}

TEST(WordComposer, AlignmentIndentAndUndentPlaceRows) {
  Composer t(10, 100);
  t.c.Compose("<DIV ALIGN=RIGHT>ab</DIV><BR><DIV ALIGN=CENTER>abc<BR></DIV>x");
  ASSERT_EQ(t.c.Page(0)->RowCount(), 3);
  EXPECT_EQ(t.c.Page(0)->Rows[0]->X, 80);
  EXPECT_EQ(t.c.Page(0)->Rows[1]->X, 35);
  EXPECT_EQ(t.c.Page(0)->Rows[2]->X, 0);
  EXPECT_EQ(CharAt(t.c, 1)->X, 90);

  t.c.Settings.MaxWidth = 50;
  t.c.Compose("ab<INDENT>cd efg<UNDENT><BR>k");
  EXPECT_EQ(Rows(t.c), "abcd |efg|k");
  const TWdRow& second = *t.c.Page(0)->Rows[1];
  ASSERT_EQ(second.Glyphs.front()->Kind, TWdKind::Space);
  EXPECT_EQ(second.Glyphs.front()->Width, 20);
  EXPECT_EQ(second.Glyphs[1]->X, 20);
  EXPECT_EQ(t.c.Page(0)->Rows[2]->Glyphs.front()->X, 0);

  // An indent as wide as the row: every run still moves on (one run per row), and paging ends.
  t.c.Settings.PageHeight = 25;
  t.c.Compose("abcde<INDENT> f g<FONT SIZE=30>h</FONT>");
  EXPECT_EQ(Rows(t.c), "abcde| /f /gh");
}

TEST(WordComposer, ImagesRubyBorderAndItalicShapeTheRow) {
  TFakeImages images;
  Composer t(10, 0);
  t.c.Images = &images;
  const auto row = [&] { return t.c.Page(0)->Rows[0].get(); };
  const auto img = [&] {
    for (TWdGlyph* g : row()->Glyphs)
      if (g->Kind == TWdKind::Img) return g;
    return static_cast<TWdGlyph*>(nullptr);
  };
  t.c.Compose("a<IMG SRC=tall ALIGN=TOP>");  // extends the row downwards
  EXPECT_EQ(row()->Height, 30);
  EXPECT_EQ(CharAt(t.c, 0)->Y, 0);
  EXPECT_EQ(img()->Y, 0);
  t.c.Compose("a<IMG SRC=tall>");  // BOTTOM: upwards
  EXPECT_EQ(row()->Height, 30);
  EXPECT_EQ(CharAt(t.c, 0)->Y, 20);
  EXPECT_EQ(img()->Y, 0);
  t.c.Compose("a<IMG SRC=tall ALIGN=CENTER>");
  EXPECT_EQ(row()->Height, 30);
  EXPECT_EQ(CharAt(t.c, 0)->Y, 10);
  EXPECT_EQ(img()->X, 10);
  t.c.Compose("a<IMG SRC=missing>b");  // a picture that cannot be read takes no room
  EXPECT_EQ(CharAt(t.c, 1)->X, 10);

  t.c.Compose("a<RUBY VALUE=x>b</RUBY><I>c</I><FONT BORDER=2 SHADOW=3>d</FONT>");
  EXPECT_EQ(CharAt(t.c, 1)->Height, 15);
  EXPECT_EQ(CharAt(t.c, 2)->Width, 12);
  EXPECT_EQ(CharAt(t.c, 3)->Width, 17);
  EXPECT_EQ(CharAt(t.c, 3)->Height, 17);
  EXPECT_EQ(row()->Height, 17);
  EXPECT_EQ(CharAt(t.c, 0)->Y, 7);  // on the common base line
  // Sizes from markup are bounded.
  t.c.Compose("<FONT SIZE=99999999>a");
  EXPECT_EQ(CharAt(t.c, 0)->Width, kMaxFontHeight);
}

class TFixedVars : public IWordVars {
 public:
  bool Evaluate(const std::string& expression, std::string& value) override {
    asked.push_back(expression);
    if (expression == "fail") return false;
    value = "<" + expression + ">";
    return true;
  }
  bool Run(TVelkParser& compiled, std::string& value) override {
    value = std::to_string(compiled.Count());
    return true;
  }
  std::vector<std::string> asked;
};

TEST(WordComposer, VarAndHistCharExpandFromSubstitutionsAndExpressions) {
  Composer t(10, 0);
  TFixedVars vars;
  t.c.Vars = &vars;
  t.c.Substitutions = {{"name", "ab\x01"
                                "c\x02"}};
  t.c.SetText("x<VAR NAME=name>y<B><VAR NAME=n1></B><VAR NAME=fail><HISTCHAR VALUE=h>");
  t.c.ExpandVars();
  t.c.Layout();
  EXPECT_EQ(Rows(t.c), "xab|cy<n1>");
  EXPECT_EQ(vars.asked, (std::vector<std::string>{"n1", "fail"}));
  EXPECT_EQ(CharAt(t.c, 1)->Kind, TWdKind::VarChar);
  EXPECT_EQ(CharAt(t.c, 6)->Style->Style, kFontBold);
  // Expanding again replaces the earlier expansion; the history expands HISTCHAR too.
  t.c.Substitutions = {{"name", "Q"}};
  t.c.ExpandVars(true);
  t.c.Layout();
  EXPECT_EQ(Rows(t.c), "xQy<n1><h>");

  // Through the expression evaluator.
  TParamCollection store;
  TExprWordVars expr(store, nullptr);
  t.c.Vars = &expr;
  t.c.Compose("<VAR NAME=\"1+2*3\">|<VAR NAME=\"(\">");
  EXPECT_EQ(Rows(t.c), "7|");

  // Older streams store the expression compiled.
  TComposedText old;
  old.Version = 100;
  old.Styles.emplace_back();
  TWordRecord var;
  var.Code = kWdOpeVar;
  var.Expression = std::make_unique<TVelkParser>();
  ASSERT_TRUE(CompileAndRun("40+2", store, nullptr, *var.Expression));
  old.Glyphs.push_back(std::move(var));
  TMemoryStream m;
  old.SaveToStream(m);
  m.SetPosition(0);
  TComposedText read;
  read.LoadFromStream(m);
  t.c.Clear();
  t.c.AddComposedText(read);
  t.c.ExpandVars();
  t.c.Layout();
  EXPECT_EQ(Rows(t.c), "42");
}

TEST(WordComposer, ComposedTextRoundTripsAndJoinsTheStyles) {
  Composer t(10, 40);
  t.c.Compose(J("<B>あい</B>う<DIV ALIGN=CENTER>え<BR CLEAR>お<EVENT VALUE=go END><INDENT><UNDENT>"
                "<IMG SRC=p ALIGN=TOP><VAR NAME=v><HISTCHAR VALUE=h>"));
  TComposedText stored = t.c.ComposedText();
  TMemoryStream m;
  stored.SaveToStream(m);
  m.SetPosition(0);
  TComposedText read;
  read.LoadFromStream(m);

  Composer u(10, 40);
  u.c.SetText("a<I>b</I>c");  // holds two styles
  const int32_t held = u.c.Styles().Count();
  ASSERT_EQ(held, 2);
  read.Styles[0].UseCount = 1000;  // stored counts are not trusted
  u.c.AddComposedText(read);
  u.c.ExpandVars();
  u.c.Layout();
  EXPECT_EQ(Rows(u.c), "abc|" + J("あいうえ/お"));  // the italic b makes "abc" 32 wide
  EXPECT_EQ(CharAt(u.c, 3)->Style, u.c.Styles().At(held + 0));
  EXPECT_EQ(CharAt(u.c, 3)->Style->Style, kFontBold);
  EXPECT_EQ(CharAt(u.c, 3)->Style->UseCount, 2);
  // Written again, the second text gives the same records after the first one's.
  const TComposedText again = u.c.ComposedText();
  ASSERT_EQ(again.Glyphs.size(), 3 + stored.Glyphs.size());
  for (size_t i = 0; i < stored.Glyphs.size(); ++i) {
    const TWordRecord &a = stored.Glyphs[i], &b = again.Glyphs[i + 3];
    EXPECT_EQ(a.Code, b.Code) << i;
    EXPECT_EQ(a.Text, b.Text) << i;
    EXPECT_EQ(a.Value, b.Value) << i;
    EXPECT_EQ(a.CharCode, b.CharCode) << i;
    EXPECT_EQ(a.EventEnd, b.EventEnd) << i;
  }
}

}  // namespace
}  // namespace velk
