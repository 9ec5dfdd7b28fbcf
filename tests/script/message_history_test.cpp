#include "script/message_history.h"

#include <gtest/gtest.h>

#include <map>

#include "base/error.h"
#include "base/sjis.h"
#include "scene/base_list.h"
#include "scene/velk_mes.h"
#include "text/composed_text.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

class TFakeTexts : public IMessageTexts {
 public:
  void Add(const std::string& id, int32_t number, const std::string& utf8_markup) {
    TWordComposer composer(FontPixelManager());
    composer.SetText(Utf8ToCp932(utf8_markup));
    texts[{id, number}] = std::make_shared<TComposedText>(composer.ComposedText());
  }
  std::shared_ptr<const TComposedText> MessageText(const std::string& id, int32_t number) override {
    const auto it = texts.find({id, number});
    return it == texts.end() ? nullptr : it->second;
  }
  std::map<std::pair<std::string, int32_t>, std::shared_ptr<const TComposedText>> texts;
};

class MessageHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    scene.Services.MessageTexts = &texts;
    window = scene.New<TVelkMes>();
    window->SetName("mes");
    window->SetParent(scene.ActiveBaseObject());
    window->SetBounds(0, 0, 200, 40);
    texts.Add("p", 0, "あいう<BR>かきく<BR>さしす");
  }
  // One page of a message shown in the window and done with.
  void Show(TVelkNewHistory& h, const THistLayout& format, const std::string& id, int32_t number, int32_t first = 0,
            int32_t last = 10) {
    h.RecordPage(format, *window, id, "", 0, last, first, number);
    h.EndEntry("mes", &texts);
  }

  TVelkBaseList scene;
  TFakeTexts texts;
  TVelkMes* window = nullptr;
  const THistLayout list_format{};
  // Rows of 16 pixels: two fit in a 40-pixel block.
  const THistLayout layout_format{16, 0, 0, 200, 40, 0};
};

TEST_F(MessageHistory, AListKeepsReferencesAndTheNextEntryTakesOverTheIdOfARemovedOne) {
  TVelkNewHistory h;
  h.SetCapacity(2);
  Show(h, list_format, "a", 1);
  // An entry of another window is not ended by this one.
  h.RecordPage(list_format, *window, "x", "", 0, 0, 0, 9);
  h.EndEntry("other", &texts);
  EXPECT_EQ(h.Current().Id, "x");
  Show(h, list_format, "a", 2);
  EXPECT_FALSE(h.LayoutMode());
  ASSERT_EQ(h.Count(), 2);
  EXPECT_EQ(h.Entries()[1].Id, "");  // same id as the one before
  EXPECT_EQ(h.Entries()[1].Width, 200);
  Show(h, list_format, "b", 3);
  ASSERT_EQ(h.Count(), 2);
  EXPECT_EQ(h.Entries()[0].Id, "a");
  EXPECT_EQ(h.Entries()[0].Number, 2);
  EXPECT_EQ(h.Entries()[1].Id, "b");
  EXPECT_EQ(h.TotalLines(), 2);

  // Showing a range hands the references, with their ids, to the window.
  h.ShowRange(1, 5, *window);
  ASSERT_EQ(window->MessageData.References.size(), 1u);
  EXPECT_EQ(window->MessageData.References[0].Id, "b");
  EXPECT_EQ(window->ReadTracked, TVelkMes::kShowingHistory);
}

TEST_F(MessageHistory, ALaidOutHistoryKeepsBlocksOfRowsWithinItsCapacity) {
  TVelkNewHistory h;
  Show(h, layout_format, "p", 0);
  EXPECT_TRUE(h.LayoutMode());
  // Three rows: two fill the first block, the third starts another.
  ASSERT_EQ(h.Count(), 2);
  const TVelkHistData& first = h.Blocks()[0];
  ASSERT_EQ(first.Pieces.size(), 2u);
  EXPECT_EQ(first.Pieces[0].Id, "p");
  EXPECT_EQ(first.Pieces[1].Id, "");
  EXPECT_EQ(first.Pieces[0].First, 0);
  EXPECT_EQ(first.Pieces[0].Last, 3);
  EXPECT_EQ(first.Pieces[1].First, 4);
  EXPECT_EQ(first.TotalHeight, first.Pieces[0].Height + first.Pieces[1].Height);
  const int32_t row = first.Pieces[0].Height;
  EXPECT_GT(row, 0);
  EXPECT_EQ(h.TotalLines(), 3 * row);
  // A message that is missing is not recorded.
  Show(h, layout_format, "gone", 0);
  EXPECT_EQ(h.Count(), 2);
  // With a capacity of two, a third block removes the oldest.
  h.SetCapacity(2);
  Show(h, layout_format, "p", 0);
  EXPECT_EQ(h.Count(), 2);
  // The oldest block left starts with the third row of the first message.
  EXPECT_EQ(h.Blocks()[0].Pieces[0].First, 8);
}

TEST_F(MessageHistory, ShowingARangeTakesTheRowsItCovers) {
  TVelkNewHistory h;
  Show(h, layout_format, "p", 0);
  const int32_t row = h.Blocks()[0].Pieces[0].Height;
  // From the middle of the second row over one row: the second and third rows, the window starting inside.
  h.ShowRange(row + 4, row, *window);
  ASSERT_EQ(window->MessageData.History.Pieces.size(), 2u);
  EXPECT_EQ(window->MessageData.History.Pieces[0].Id, "p");
  EXPECT_EQ(window->LayoutValue, 4);
  EXPECT_EQ(window->PageText(), Utf8ToCp932("かきく\r\nさしす"));
  // One start event for the first page.
  int starts = 0;
  for (int32_t i = 0; i < scene.Events.Count(); ++i) starts += scene.Events.Item(i)->EventId == PR_ONPLAYSTART;
  EXPECT_LE(starts, 1);
}

// Variables that hold what the test gives them.
class TFakeVars : public IWordVars {
 public:
  bool Evaluate(const std::string& expression, std::string& value) override {
    const auto it = values.find(expression);
    if (it == values.end()) return false;
    value = it->second;
    return true;
  }
  bool Run(TVelkParser&, std::string&) override { return false; }
  std::map<std::string, std::string> values;
};

TEST_F(MessageHistory, RowsShowTheVariablesAsThePlayerSawThem) {
  TVelkHistoryFormatManager m;
  m.Texts = &texts;
  m.GetFormat("").Layout = layout_format;
  TFakeVars vars;
  vars.values = {{"who", Utf8ToCp932("アキ")}, {"y", "1"}};
  scene.Services.History = &m;
  scene.Services.WordVars = &vars;
  TVelkMes* shown = scene.New<TVelkMes>();
  shown->SetName("shown");
  shown->SetParent(scene.ActiveBaseObject());
  shown->SetBounds(0, 0, 200, 40);
  texts.Add("q", 0, "<VAR NAME=who>です<HISTCHAR VALUE=y>");
  // A message command shows the message read-tracked; new text ends its history entry.
  shown->ReadTracked = TVelkMes::kTracked;
  shown->MessageId = "q";
  shown->MessageNumber = 0;
  shown->MessageData.SetMessage("q", 0);
  shown->ShowMessageData(false);
  shown->SetIndex(0);
  EXPECT_EQ(shown->PageText(), Utf8ToCp932("アキです"));
  vars.values = {{"who", Utf8ToCp932("ハル")}, {"y", "2"}};
  shown->ClearText();
  // The rows show the variable as it was; the history variable, which the page did not show, as it is now.
  m.DefaultFormat().History.ShowRange(0, 100, *shown);
  EXPECT_EQ(shown->PageText(), Utf8ToCp932("アキです2"));
}

TEST_F(MessageHistory, TheManagerSavesEveryFormatAndReadsTheOlderSingleHistory) {
  TVelkHistoryFormatManager m;
  m.Texts = &texts;
  m.GetFormat("Back").Layout = layout_format;
  m.GetFormat("").History.SetCapacity(5);
  m.RecordPage(*window, "p", "extra", 1, 10, 0, 0);
  m.EndEntry("mes");
  EXPECT_EQ(m.FindFormat("back"), &m.GetFormat("BACK"));
  EXPECT_EQ(m.HistoryCount(""), 1);
  EXPECT_EQ(m.HistoryCount("back"), 2);
  EXPECT_EQ(m.HistoryCapacity(""), 5);
  EXPECT_FALSE(m.SetHistoryCapacity("none", 3));

  TMemoryStream s;
  m.SaveToStream(s);
  TVelkHistoryFormatManager loaded;
  s.SetPosition(0);
  loaded.LoadFromStream(s, 140);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  ASSERT_EQ(loaded.FormatCount(), 2);
  EXPECT_EQ(loaded.HistoryCount("back"), 2);
  EXPECT_EQ(loaded.HistoryCapacity(""), 5);
  EXPECT_EQ(loaded.FindFormat("back")->Layout.Width, 200);
  EXPECT_EQ(loaded.FindFormat("back")->History.Blocks()[0].Pieces[0].Extra, "extra");

  // Version 112: one history block with a dropped string and the older list layout, ending with the window name.
  TMemoryStream old;
  WriteString(old, "dropped");
  WriteInt(old, 2);
  WriteString(old, "a");
  WriteString(old, "");
  WriteInt(old, 3);
  WriteInt(old, 4);
  WriteInt(old, 0);
  WriteInt(old, 0);
  for (int i = 0; i < 4; ++i) WriteInt(old, 100 + i);
  WriteString(old, "cur");
  for (int32_t v : {5, 6, 7, 8}) WriteInt(old, v);
  WriteString(old, "mes");
  old.SetPosition(0);
  loaded.LoadFromStream(old, 112);
  EXPECT_EQ(old.GetPosition(), old.GetSize());
  ASSERT_EQ(loaded.FormatCount(), 1);
  const TVelkNewHistory& single = loaded.FindFormat("")->History;
  ASSERT_EQ(single.Count(), 2);
  EXPECT_EQ(single.Entries()[1].Number, 4);
  EXPECT_EQ(single.Entries()[1].Width, 102);
  EXPECT_EQ(single.Current().Id, "cur");
  EXPECT_EQ(single.Current().Window, "mes");

  // Versions 120 and 130: the newer list layout, capacity, settings and blocks; extra texts above 123.
  for (const int32_t version : {120, 130}) {
    TMemoryStream mid;
    WriteInt(mid, 0);
    WriteString(mid, "");
    for (int i = 0; i < 4; ++i) WriteInt(mid, 0);
    WriteString(mid, "");
    WriteInt(mid, 9);  // capacity
    for (int32_t v : {16, 0, 0, 200, 40, 0}) WriteInt(mid, v);
    WriteInt(mid, 0);
    WriteInt(mid, 0);
    WriteInt(mid, 1);  // one block of one piece
    WriteInt(mid, 1);
    WriteString(mid, "p");
    for (int32_t v : {0, 0, 3, 16}) WriteInt(mid, v);
    if (version > 123) WriteString(mid, "who\tA");
    WriteInt(mid, 16);
    if (version > 123) WriteString(mid, "cur");
    mid.SetPosition(0);
    loaded.LoadFromStream(mid, version);
    EXPECT_EQ(mid.GetPosition(), mid.GetSize()) << version;
    const TVelkNewHistory& h = loaded.FindFormat("")->History;
    EXPECT_EQ(loaded.HistoryCount(""), 1) << version;
    EXPECT_EQ(loaded.HistoryCapacity(""), 9) << version;
    EXPECT_EQ(h.TotalLines(), 16) << version;
    EXPECT_EQ(h.Blocks()[0].Pieces[0].Extra, version > 123 ? "who\tA" : "") << version;
    EXPECT_EQ(h.Current().Extra, version > 123 ? "cur" : "") << version;
  }

  // Counts beyond the data are refused before anything is allocated.
  TMemoryStream bad;
  WriteInt(bad, 0x7FFFFFFF);
  bad.SetPosition(0);
  EXPECT_THROW(loaded.LoadFromStream(bad, 140), EFormatError);
}

}  // namespace
}  // namespace velk
