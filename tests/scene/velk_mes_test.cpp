#include "scene/velk_mes.h"

#include <gtest/gtest.h>

#include <map>

#include "base/error.h"
#include "base/sjis.h"
#include "scene/base_list.h"
#include "scene/velk_base.h"
#include "scene/velk_read_list.h"
#include "scene_test_support.h"
#include "text/composed_text.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "vfs/stream.h"

namespace velk {
namespace {

// Messages of text-insert commands, composed from markup.
class TFakeTexts : public IMessageTexts {
 public:
  // wait: the milliseconds of each glyph (the composed text keeps them).
  void Add(const std::string& id, int32_t number, const std::string& utf8_markup, int32_t wait = 0) {
    TWordComposer composer(FontPixelManager());
    composer.TextDelay = wait;
    composer.SetText(Utf8ToCp932(utf8_markup));
    texts[{id, number}] = std::make_shared<TComposedText>(composer.ComposedText());
  }
  std::shared_ptr<const TComposedText> MessageText(const std::string& id, int32_t number) override {
    const auto it = texts.find({id, number});
    return it == texts.end() ? nullptr : it->second;
  }
  std::map<std::pair<std::string, int32_t>, std::shared_ptr<const TComposedText>> texts;
};

// Records the calls of the window.
class TFakeHistory : public IMessageHistory {
 public:
  void RecordPage(const TVelkControl&, const std::string& id, const std::string&, int32_t value, int32_t last,
                  int32_t first, int32_t number) override {
    log.push_back("record " + id + " " + std::to_string(number) + " page " + std::to_string(value) + " [" +
                  std::to_string(first) + "," + std::to_string(last) + "]");
  }
  void EndEntry(const std::string& window) override { log.push_back("end " + window); }
  int32_t HistoryCount(const std::string&) const override { return 0; }
  int32_t HistoryCapacity(const std::string&) const override { return 0; }
  bool SetHistoryCapacity(const std::string&, int32_t) override { return false; }
  std::vector<std::string> log;
};

class VelkMes : public ::testing::Test {
 protected:
  void SetUp() override {
    scene.Services.MessageTexts = &texts;
    scene.Services.History = &history;
    scene.Services.TextRead = &read;
    scene.SetFrameMs(16);
  }

  // A window of 16-pixel rows, one row per page when it is 20 pixels high.
  TVelkMes* NewWindow(int32_t height = 20, const std::string& name = "mes") {
    auto* w = scene.New<TVelkMes>();
    w->SetName(name);
    w->SetParent(scene.ActiveBaseObject());
    w->SetBounds(0, 0, 200, height);
    test::SetInt(*w, PR_FONTHEIGHT, 16);
    test::Set(*w, PR_ONPLAYSTART, "h:start");
    test::Set(*w, PR_ONPLAYEND, "h:end");
    return w;
  }

  // What a text-insert command does with a read-tracked message.
  void ShowTracked(TVelkMes& w, const std::string& id, int32_t number) {
    w.ReadTracked = TVelkMes::kTracked;
    w.MessageId = id;
    w.MessageNumber = number;
    w.MessageData.SetMessage(id, number);
    w.ShowMessageData(false);
    if (w.PageCount() > 0) w.SetIndex(0);
  }

  // Frames until the window queues its end event (the queue is drained each frame); -1 after 1000.
  int FramesToEnd() {
    for (int f = 1; f <= 1000; ++f) {
      scene.UpdateAll();
      for (const std::string& e : test::Drain(scene)) {
        if (e.rfind("43:", 0) == 0) return f;
      }
    }
    return -1;
  }

  TVelkBaseList scene;
  TFakeTexts texts;
  TFakeHistory history;
  TVelkReadList read;
};

TEST_F(VelkMes, ThreePagesCountAndPlayUntilTheLastIsTyped) {
  TVelkMes* w = NewWindow();
  // The text is markup: a line break in it is a space, BR breaks the line.
  test::Set(*w, PR_TEXT, Utf8ToCp932("あいう<BR>かきく<BR>さしす"));
  EXPECT_EQ(test::Prop(*w, PR_COUNT), "3");
  EXPECT_EQ(test::Prop(*w, PR_INDEX), "0");
  EXPECT_EQ(w->PageText(1), Utf8ToCp932("かきく"));
  EXPECT_EQ(test::Prop(*w, PR_TEXT), Utf8ToCp932("あいう"));
  // The start event, then typing waits a frame for its handler.
  EXPECT_EQ(test::Drain(scene), (std::vector<std::string>{"101:mes(0)"}));
  for (int page = 0; page < 3; ++page) {
    if (page > 0) test::SetInt(*w, PR_INDEX, page);
    EXPECT_EQ(test::Prop(*w, PR_PLAYING), "TRUE");
    EXPECT_GT(FramesToEnd(), 0);
    EXPECT_EQ(test::Prop(*w, PR_PLAYING), page < 2 ? "TRUE" : "FALSE") << page;
  }
  // Indexes outside the pages and the current one change nothing.
  test::SetInt(*w, PR_INDEX, 3);
  test::SetInt(*w, PR_INDEX, 2);
  EXPECT_EQ(test::Prop(*w, PR_INDEX), "2");
  EXPECT_TRUE(test::Drain(scene).empty());
  // Text given by property is never read-tracked: nothing reaches the history or the read marks.
  EXPECT_EQ(w->ReadTracked, TVelkMes::kUntracked);
  for (const std::string& call : history.log) EXPECT_EQ(call.rfind("record", 0), std::string::npos) << call;
  EXPECT_EQ(read.Count(), 0);
}

TEST_F(VelkMes, TypingSpeedFollowsTheTextDelay) {
  const auto frames = [&](int32_t text_delay) {
    TVelkMes* w = NewWindow(100, "w" + std::to_string(text_delay));
    test::SetInt(*w, PR_DELAY, 48);
    test::SetInt(*w, PR_TEXTDELAY, text_delay);
    test::Set(*w, PR_TEXT, Utf8ToCp932("あいうえおかきくけこ"));
    test::Drain(scene);
    const int n = FramesToEnd();
    scene.DestroyObject(w);
    return n;
  };
  const int at_once = frames(0), normal = frames(256), half = frames(512);
  // At once: the start frame, the page's own fade start, one step reveals all, one fades in, one reports the end.
  EXPECT_LE(at_once, 5);
  // Ten glyphs of 48 ms: about thirty 16-ms frames, and twice as many at half speed.
  EXPECT_NEAR(normal, 30, 3);
  EXPECT_NEAR(half, 2 * normal, 4);
}

TEST_F(VelkMes, ATypingStepReportsItsCharactersOnce) {
  TVelkMes* w = NewWindow(100);
  test::Set(*w, PR_ONPLAYING, "h:typing");
  test::SetInt(*w, PR_DELAY, 8);  // two glyphs per 16-ms frame
  test::Set(*w, PR_TEXT, Utf8ToCp932("あいうえ"));
  std::vector<std::string> typed;
  for (int f = 0; f < 6; ++f) {
    scene.UpdateAll();
    for (const std::string& e : test::Drain(scene))
      if (e.rfind("32:", 0) == 0) typed.push_back(e);
  }
  ASSERT_FALSE(typed.empty());
  EXPECT_EQ(typed.front(), "32:mes(" + Utf8ToCp932("あ") + ")");
  std::string all;
  for (const std::string& e : typed) all += e.substr(7, e.size() - 8);
  EXPECT_EQ(all, Utf8ToCp932("あいうえ"));
  EXPECT_LT(typed.size(), 4u);
}

TEST_F(VelkMes, ALinkAnswersOnlyOnceThePageIsTyped) {
  TVelkMes* w = NewWindow(100);
  test::Set(*w, PR_ONLINK, "h:link");
  test::SetInt(*w, PR_DELAY, 100);
  test::Set(*w, PR_TEXT, Utf8ToCp932("<A HREF=\"go\\nmore\">リンク</A>です"));
  TVelkBase* base = scene.ActiveBaseObject();
  const auto click = [&] {
    base->MouseX = 5;
    base->MouseY = 8;
    w->MouseMove();
    w->MouseLeftDown();
    std::vector<std::string> links;
    for (const std::string& e : test::Drain(scene))
      if (e.rfind("46:", 0) == 0) links.push_back(e);
    return links;
  };
  scene.UpdateAll();
  scene.UpdateAll();
  scene.UpdateAll();
  EXPECT_TRUE(click().empty());  // still typing
  ASSERT_GT(FramesToEnd(), 0);
  scene.UpdateAll();
  EXPECT_EQ(click(), (std::vector<std::string>{"46:mes(go,more)"}));
  // With PR_CAPTURELINK the window is hit only over its link.
  test::SetInt(*w, PR_CAPTURELINK, 1);
  EXPECT_EQ(w->HitTest({5, 8}, TMouseAllowed::Movement()), w);
  EXPECT_EQ(w->HitTest({150, 8}, TMouseAllowed::Movement()), nullptr);
  // A link without a target is refused by the composer: the window shows nothing, nothing fails.
  test::Set(*w, PR_TEXT, "<A>x</A>");
  EXPECT_EQ(test::Prop(*w, PR_COUNT), "0");
}

TEST_F(VelkMes, TrackedPagesGoToTheHistoryAndBecomeReadWhenComplete) {
  texts.Add("main.ksb", 4, "あいう<BR>かきく");
  texts.Add("main.ksb", 9, "さしす");
  TVelkMes* w = NewWindow();
  ShowTracked(*w, "main.ksb", 4);
  EXPECT_EQ(test::Prop(*w, PR_COUNT), "2");
  EXPECT_EQ(test::Drain(scene), (std::vector<std::string>{"101:mes(0)"}));
  ASSERT_GT(FramesToEnd(), 0);
  EXPECT_TRUE(read.IsRead("main.ksb", 4, 0));
  EXPECT_FALSE(read.IsRead("main.ksb", 4, 1));
  test::SetInt(*w, PR_INDEX, 1);
  // The second page is shown but not complete when the next message comes: it goes to the history under its own
  // message, and is not read.
  ShowTracked(*w, "main.ksb", 9);
  EXPECT_FALSE(read.IsRead("main.ksb", 4, 1));
  EXPECT_FALSE(read.IsRead("main.ksb", 9, 1));
  EXPECT_EQ(history.log, (std::vector<std::string>{"end mes", "record main.ksb 4 page 0 [0,3]", "end mes",
                                                   "record main.ksb 4 page 1 [4,6]", "end mes",
                                                   "record main.ksb 4 page 1 [4,6]", "record main.ksb 9 page 0 [0,2]"}));
  // Shown again, the read page starts with "1".
  test::Drain(scene);
  ShowTracked(*w, "main.ksb", 4);
  EXPECT_EQ(test::Drain(scene), (std::vector<std::string>{"101:mes(1)"}));
  // Text a script gives the tracked window by property ends its tracking: typed to its end, it is neither recorded
  // nor read, and starts with "0".
  ASSERT_GT(FramesToEnd(), 0);
  const size_t calls = history.log.size();
  const int32_t read_items = read.Count();
  test::Set(*w, PR_TEXT, Utf8ToCp932("たちつ<BR>なにぬ"));
  EXPECT_EQ(w->ReadTracked, TVelkMes::kUntracked);
  EXPECT_EQ(test::Drain(scene), (std::vector<std::string>{"101:mes(0)"}));
  ASSERT_GT(FramesToEnd(), 0);
  test::SetInt(*w, PR_INDEX, 1);
  ASSERT_GT(FramesToEnd(), 0);
  for (size_t i = calls; i < history.log.size(); ++i) {
    EXPECT_EQ(history.log[i].rfind("record", 0), std::string::npos) << history.log[i];
  }
  EXPECT_EQ(read.Count(), read_items);
  EXPECT_FALSE(read.IsRead("main.ksb", 4, 1));
}

TEST_F(VelkMes, SavedInTheMiddleOfTypingTheWindowLoadsWhereItWas) {
  texts.Add("main.ksb", 2, "あいうえおかきくけこ<BR>二ページ目", 48);
  TVelkMes* w = NewWindow();
  test::SetInt(*w, PR_TEXTDELAY, 384);
  test::Set(*w, PR_FONTCOLOR, "255");
  ShowTracked(*w, "main.ksb", 2);
  for (int f = 0; f < 12; ++f) {
    scene.UpdateAll();
    test::Drain(scene);
  }
  const TWdPage& page = *w->CurrentPage();
  ASSERT_GT(page.CurrentGlyph, 0);
  ASSERT_LT(page.CurrentRow, 1);
  TMemoryStream s;
  w->SaveToStream(s);

  TVelkBaseList other;
  other.Services.MessageTexts = &texts;
  auto* copy = other.New<TVelkMes>();
  s.SetPosition(0);
  copy->LoadFromStream(s, 140);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  EXPECT_EQ(copy->PageCount(), 2);
  EXPECT_EQ(copy->Index(), 0);
  EXPECT_EQ(copy->PageText(), w->PageText());
  EXPECT_EQ(copy->CurrentPage()->CurrentGlyph, page.CurrentGlyph);
  EXPECT_EQ(copy->ReadTracked, TVelkMes::kTracked);
  EXPECT_EQ(copy->MessageId, "main.ksb");
  EXPECT_EQ(copy->MessageNumber, 2);
  EXPECT_EQ(test::Prop(*copy, PR_TEXTDELAY), "384");
  EXPECT_EQ(test::Prop(*copy, PR_FONTCOLOR), "255");
  for (int32_t i = 0; i < 10; ++i) {
    EXPECT_EQ(copy->CurrentPage()->Rows[0]->Glyphs[size_t(i)]->Visibility(),
              page.Rows[0]->Glyphs[size_t(i)]->Visibility()) << i;
  }
  // A record cut short fails cleanly.
  TMemoryStream cut(std::vector<uint8_t>(s.Bytes().begin(), s.Bytes().end() - 3));
  auto* broken = other.New<TVelkMes>();
  EXPECT_THROW(broken->LoadFromStream(cut, 140), EVelkError);
}

TEST(VelkReadList, PendingPagesCommitOnlyForTheirWindowAndTheListSavesAndLoads) {
  TVelkReadList read;
  read.SetPending("a", "Main.ksb", 1, 7);
  read.CommitPending("b");
  EXPECT_FALSE(read.IsRead("main.ksb", 7, 1));
  read.CommitPending("a");
  read.CommitPending("a");
  EXPECT_TRUE(read.IsRead("MAIN.KSB", 7, 1));
  EXPECT_FALSE(read.IsRead("main.ksb", 1, 7));
  read.SetPending("a", "main.ksb", 1, 7);
  read.CommitPending("a");
  ASSERT_EQ(read.Count(), 1);
  EXPECT_EQ(read.Item(0).Numbers.size(), 1u);
  read.SetPending("w", "x.ksb", 2, 3);

  TMemoryStream s;
  read.SaveToStream(s);
  const std::vector<uint8_t> want = test::TBytes{}
                                        .i32(1).str("Main.ksb").i32(1).i32(7).i32(1)
                                        .str("x.ksb").i32(3).i32(2).str("w").b;
  EXPECT_EQ(s.Bytes(), want);
  TVelkReadList loaded;
  s.SetPosition(0);
  loaded.LoadFromStream(s, 140);
  EXPECT_TRUE(loaded.IsRead("main.ksb", 7, 1));
  loaded.CommitPending("w");
  EXPECT_TRUE(loaded.IsRead("x.ksb", 3, 2));
  // Old records hold no list; a count larger than the data is refused.
  TMemoryStream empty;
  loaded.LoadFromStream(empty, 99);
  EXPECT_EQ(loaded.Count(), 0);
  TMemoryStream huge(test::TBytes{}.i32(0x7FFFFFFF).b);
  EXPECT_THROW(loaded.LoadFromStream(huge, 140), EFormatError);
}

}  // namespace
}  // namespace velk
