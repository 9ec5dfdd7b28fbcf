#include "scene/list_box.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "expr/sys_func_man.h"
#include "scene/base_list.h"
#include "scene/scene_func_host.h"
#include "scene/velk_menu.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using test::Drain;

const std::string kGothic = Utf8ToCp932("ＭＳ ゴシック");

std::string Numbers(int32_t n) {
  std::string text;
  for (int32_t i = 0; i < n; ++i) text += "item" + std::to_string(i) + "\r\n";
  return text;
}

struct TListWorld {
  TVelkBaseList Scene;
  std::string SelStr = "unset";
  int32_t SelIndex = -99;
  TListWorld() {
    Scene.SetSize(640, 480);
    Scene.Services.SetSelection = [this](const std::string& s, int32_t i) {
      SelStr = s;
      SelIndex = i;
    };
  }
  template <class T = TVelkMenu> T* NewList(int32_t items, int32_t rows) {
    auto* list = Scene.New<T>();
    list->SetName("list");
    list->SetParent(Scene.ActiveBaseObject());
    test::Set(*list, PR_FONTNAME, kGothic);
    test::SetInt(*list, PR_FONTHEIGHT, 16);
    test::SetInt(*list, PR_ROWCOUNT, rows);
    test::Set(*list, PR_TEXT, Numbers(items));
    for (int32_t id : {PR_ONSELECT, PR_ONMAPIN, PR_ONMAPOUT}) test::Set(*list, id, "*h" + std::to_string(id));
    return list;
  }
  // One input step with the key pressed, then one with it released.
  void Key(int32_t code) {
    Scene.SetKey(code, true);
    Scene.ProcessInput(16);
    Scene.SetKey(code, false);
    Scene.ProcessInput(16);
  }
  void Step(int32_t ms = 16) {
    Scene.ProcessInput(ms);
    Scene.UpdateAll();
  }
};

// A plain list box: the common class with a type of its own for the tests.
class TTestList : public TVelkCustomListBox {
 public:
  using TVelkCustomListBox::TVelkCustomListBox;
};

TEST(ListBox, KeysMoveTheHoverAndTheTopIndexFollows) {
  TListWorld w;
  auto* list = w.NewList<TTestList>(10, 4);
  w.Scene.MouseMoveTo(600, 400);  // the mouse hovers nothing
  list->HandleKey = true;
  w.Scene.SetFocus(list);
  w.Scene.UpdateAll();
  Drain(w.Scene);

  w.Key(40);  // Down from none: the first item
  EXPECT_EQ(list->HoverIndex(), 0);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"104:list(item0,0)"}));
  w.Key(34);  // Page Down: four items on, the top follows
  EXPECT_EQ(list->HoverIndex(), 4);
  EXPECT_EQ(list->TopIndex(), 1);
  w.Key(34);
  EXPECT_EQ(list->HoverIndex(), 8);
  EXPECT_EQ(list->TopIndex(), 5);
  w.Key(34);  // not beyond the last
  EXPECT_EQ(list->HoverIndex(), 9);
  EXPECT_EQ(list->TopIndex(), 6);
  w.Key(33);  // Page Up
  EXPECT_EQ(list->HoverIndex(), 5);
  EXPECT_EQ(list->TopIndex(), 5);
  w.Key(38);
  EXPECT_EQ(list->HoverIndex(), 4);
  EXPECT_EQ(list->TopIndex(), 4);
  Drain(w.Scene);

  // Enter selects: PR_INDEX, the selection result and the event; a new hover clears PR_INDEX.
  w.Key(13);
  EXPECT_EQ(test::Prop(*list, PR_INDEX), "4");
  EXPECT_EQ(w.SelStr, "item4");
  EXPECT_EQ(w.SelIndex, 4);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"72:list(item4,4)"}));
  w.Key(40);
  EXPECT_EQ(test::Prop(*list, PR_INDEX), "-1");

  // Up from no item goes to the last; the top index is clamped to the last page.
  auto* other = w.NewList<TTestList>(10, 4);
  other->HandleKey = true;
  w.Scene.SetFocus(other);
  w.Key(38);
  EXPECT_EQ(other->HoverIndex(), 9);
  EXPECT_EQ(other->TopIndex(), 6);
  test::SetInt(*other, PR_TOPINDEX, 50);
  EXPECT_EQ(test::Prop(*other, PR_TOPINDEX), "6");
  test::SetInt(*other, PR_TOPINDEX, -3);
  EXPECT_EQ(test::Prop(*other, PR_TOPINDEX), "0");
}

TEST(ListBox, AutomaticSizeAndHitTestShareTheRowHeight) {
  TListWorld w;
  auto* list = w.NewList<TTestList>(3, 5);
  test::SetInt(*list, PR_LEFT, 10);
  test::SetInt(*list, PR_TOP, 20);
  test::SetInt(*list, PR_BORDERWIDTH, 2);
  test::SetInt(*list, PR_MARGINX, 3);
  test::SetInt(*list, PR_MARGINY, 4);
  test::SetInt(*list, PR_LINESPACE, 6);
  w.Scene.UpdateAll();
  const int32_t rh = list->RowHeight();
  ASSERT_GT(rh, 10);
  // Three rows (fewer items than rows), two gaps, borders and margins.
  EXPECT_EQ(list->Height, 3 * rh + 2 * 6 + 2 * 2 + 2 * 4);
  EXPECT_EQ(list->Width, list->Items().MaxWidth() + 2 * 2 + 2 * 3);
  EXPECT_GT(list->Items().MaxWidth(), 0);

  // Rows start at top + border + margin, each rh + line space high.
  const int32_t y0 = 20 + 2 + 4;
  EXPECT_EQ(list->ItemAt({15, y0}), 0);
  EXPECT_EQ(list->ItemAt({15, y0 + rh - 1}), 0);
  EXPECT_EQ(list->ItemAt({15, y0 + rh + 3}), 1);  // past the half gap: the next row
  EXPECT_EQ(list->ItemAt({15, y0 + 2 * (rh + 6)}), 2);
  // The bottom margin and the rows the list has no items for hit nothing.
  EXPECT_EQ(list->ItemAt({15, 20 + list->Height - 3}), -1);
  EXPECT_EQ(list->ItemAt({15, y0 + 3 * (rh + 6)}), -1);
  EXPECT_EQ(list->ItemAt({9, y0}), -1);

  // Font settings change the size at the next update.
  test::SetInt(*list, PR_FONTHEIGHT, 32);
  w.Scene.UpdateAll();
  EXPECT_GT(list->RowHeight(), rh);
  EXPECT_EQ(list->Height, 3 * list->RowHeight() + 2 * 6 + 2 * 2 + 2 * 4);
}

TEST(ListBox, AClickSelectsTheItemUnderTheMouse) {
  TListWorld w;
  auto* list = w.NewList<TTestList>(4, 4);
  w.Scene.UpdateAll();
  const int32_t rh = list->RowHeight();
  w.Scene.MouseMoveTo(5, rh + rh / 2);
  w.Step();
  EXPECT_EQ(list->HoverIndex(), 1);
  Drain(w.Scene);
  w.Scene.MouseButtonDown(true);
  w.Step();
  EXPECT_FALSE(w.Scene.ActiveBaseObject()->LeftClick);  // the list takes the press
  w.Scene.MouseButtonUp();
  w.Step();
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(w.SelStr, "item1");
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"72:list(item1,1)"}));
}

TEST(ListBox, ItemFunctionsReadAndSetChecksByNumberOrText) {
  TListWorld w;
  w.NewList<TTestList>(3, 3);
  TSceneFuncHost host(&w.Scene);
  const auto call = [&](uint8_t number, std::vector<TCustomParam*> args, uint8_t type) {
    auto target = NewParam(type);
    EXPECT_TRUE(host.Call(number, *target, args));
    return target->GetStr();
  };
  TParamStr name, text;
  name.SetStr("list");
  text.SetStr("item2");
  TParamInt one, yes;
  one.SetInt(1);
  yes.SetInt(1);
  EXPECT_EQ(call(sf::IndexOfMenu, {&name, &text}, PT_INT), "2");
  EXPECT_EQ(call(sf::GetCheck, {&name, &one}, PT_BOOL), "FALSE");
  EXPECT_EQ(call(sf::SetCheck, {&name, &text, &yes}, PT_INT), "2");
  EXPECT_EQ(call(sf::GetCheck, {&name, &text}, PT_BOOL), "TRUE");
  EXPECT_EQ(call(sf::GetCheck, {&name, &one}, PT_BOOL), "FALSE");
}

TEST(Menu, OpensAndClosesOverItsDelayWithItsEvents) {
  TListWorld w;
  auto* menu = w.NewList<TVelkMenu>(2, 2);
  for (int32_t id : {PR_ONOPENING, PR_ONOPENED, PR_ONCLOSING, PR_ONCLOSED}) test::Set(*menu, id, "*e");
  test::SetInt(*menu, PR_DELAY, 100);
  menu->SetPlayState(1);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"74:list()"}));
  const int32_t full = test::Prop(*menu, PR_ORIGHEIGHT) == "0" ? 0 : std::stoi(test::Prop(*menu, PR_ORIGHEIGHT));
  ASSERT_GT(full, 0);
  w.Step(50);
  EXPECT_EQ(menu->Height, full / 2);
  EXPECT_TRUE(Drain(w.Scene).empty());
  w.Step(50);
  EXPECT_EQ(menu->Height, full);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"75:list()"}));
  menu->SetPlayState(1);  // already open
  EXPECT_TRUE(Drain(w.Scene).empty());

  menu->SetPlayState(3);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"76:list()"}));
  EXPECT_TRUE(menu->EventsBlocked());
  w.Step(100);
  EXPECT_EQ(menu->Height, 0);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"77:list()"}));

  // Open and close at once.
  menu->SetOpenState(0);
  EXPECT_EQ(menu->Height, full);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"74:list()", "75:list()"}));
  menu->SetOpenState(2);
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"76:list()", "77:list()"}));
}

TEST(Menu, AMenuThatEndsItselfStillRaisesItsClosedEvent) {
  TListWorld w;
  auto* menu = w.NewList<TVelkMenu>(2, 2);
  test::Set(*menu, PR_ONCLOSED, "*closed");
  test::Set(*menu, PR_AUTOSCRAP, "TRUE");
  test::Set(*menu, PR_RCLICKSCRAP, "TRUE");
  menu->SetPlayState(1);
  w.Step();
  Drain(w.Scene);
  // A right click closes it; the next update ends it.
  w.Scene.MouseMoveTo(2, 2);
  w.Scene.MouseButtonDown(false);
  w.Step();
  EXPECT_EQ(w.Scene.FindObject("list"), nullptr);
  ASSERT_EQ(w.Scene.Events.Count(), 1);
  EXPECT_EQ(w.Scene.Events.Item(0)->EventId, PR_ONCLOSED);
  EXPECT_EQ(w.Scene.Events.Item(0)->Handler, "*closed");
}

TEST(Menu, AMenuSavedWhileOpeningGoesOnWhereItWas) {
  TListWorld w;
  auto* menu = w.NewList<TVelkMenu>(2, 2);
  test::Set(*menu, PR_ONOPENED, "*opened");
  test::SetInt(*menu, PR_DELAY, 100);
  menu->SetPlayState(1);
  w.Step(50);
  Drain(w.Scene);
  const int32_t full = menu->FullHeight();
  ASSERT_EQ(menu->Height, full / 2);

  TMemoryStream saved;
  w.Scene.SaveToStream(saved);
  TListWorld w2;
  saved.SetPosition(0);
  w2.Scene.LoadFromStream(saved, 140);
  auto* back = dynamic_cast<TVelkMenu*>(w2.Scene.FindObject("list"));
  ASSERT_NE(back, nullptr);
  w2.Step(25);
  EXPECT_EQ(back->Height, full * 3 / 4);
  EXPECT_TRUE(Drain(w2.Scene).empty());
  w2.Step(25);
  EXPECT_EQ(back->Height, full);
  EXPECT_EQ(Drain(w2.Scene), (std::vector<std::string>{"75:list()"}));
}

TEST(Menu, SaveAndLoadKeepEveryField) {
  TListWorld w;
  auto* menu = w.NewList<TVelkMenu>(5, 3);
  const std::vector<std::pair<int32_t, std::string>> values = {
      {PR_LINESPACE, "3"},       {PR_ALPHA, "200"},       {PR_MARGINX, "4"},        {PR_MARGINY, "5"},
      {PR_BORDERWIDTH, "1"},     {PR_BORDERCOLOR, "255"}, {PR_HALIGN, "2"},         {PR_FONTCOLOR, "65280"},
      {PR_FONTBORDER, "1"},      {PR_FONTSHADOW, "2"},    {PR_FONTHOVERCOLOR, "9"}, {PR_FONTHOVERSTYLE, "1"},
      {PR_FONTHOVERBORDER, "2"}, {PR_DELAY, "250"},       {PR_HOVERCOLOR, "77"},    {PR_AUTOSCRAP, "TRUE"},
      {PR_RCLICKSCRAP, "TRUE"},  {PR_ONOPENING, "*o1"},   {PR_ONCLOSED, "*c2"},     {PR_ONIDLE, "*idle"},
      {PR_BORDERHALIGNC, "1"},   {PR_BORDERVALIGNR, "2"}, {PR_PAUSED, "TRUE"},      {PR_ONMAPOUT, "*out"},
  };
  for (const auto& [id, v] : values) test::Set(*menu, id, v);
  menu->SetOpenState(0);
  test::SetInt(*menu, PR_TOPINDEX, 2);
  menu->SetChecked(3, true);
  test::SetInt(*menu, PR_INDEX, 4);
  w.Scene.UpdateAll();

  TMemoryStream saved;
  w.Scene.SaveToStream(saved);
  TListWorld w2;
  saved.SetPosition(0);
  w2.Scene.LoadFromStream(saved, 140);
  EXPECT_EQ(saved.Remaining(), 0);
  auto* back = dynamic_cast<TVelkMenu*>(w2.Scene.FindObject("list"));
  ASSERT_NE(back, nullptr);
  for (const auto& [id, v] : values) EXPECT_EQ(test::Prop(*back, id), v) << PropInfo(id).Name;
  for (int32_t id :
       {PR_TEXT, PR_FONTNAME, PR_FONTHEIGHT, PR_ROWCOUNT, PR_TOPINDEX, PR_INDEX, PR_COUNT, PR_WIDTH, PR_HEIGHT}) {
    EXPECT_EQ(test::Prop(*back, id), test::Prop(*menu, id)) << PropInfo(id).Name;
  }
  EXPECT_TRUE(back->IsOpen());
  EXPECT_TRUE(back->Checked(3));
  EXPECT_FALSE(back->Checked(2));

  // Every truncation of the record loads (missing bytes read as zero) or fails with the system's error.
  TMemoryStream one;
  menu->SaveToStream(one);
  const std::vector<uint8_t> bytes = one.Bytes();
  for (size_t cut = 0; cut < bytes.size(); cut += 7) {
    TMemoryStream part;
    part.WriteBuffer(bytes.data(), static_cast<int32_t>(cut));
    part.SetPosition(0);
    auto* fresh = w2.Scene.New<TVelkMenu>();
    try {
      fresh->LoadFromStream(part, 140);
    } catch (const EVelkError&) {
    }
    EXPECT_LE(fresh->TopIndex(), std::max(fresh->Count() - fresh->RowCount(), 0)) << cut;
  }
}

}  // namespace
}  // namespace velk
