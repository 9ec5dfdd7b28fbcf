#include "scene/velk_edit.h"

#include <gtest/gtest.h>

#include "base/sjis.h"
#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/velk_prev_menu.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using test::Drain;

constexpr int32_t kShift = 16, kControl = 17;

struct TEditWorld {
  TVelkBaseList Scene;
  TEditWorld() { Scene.SetSize(320, 240); }
  template <class T = TVelkEdit> T* NewEdit(const std::string& name) {
    auto* e = Scene.New<T>();
    e->SetName(name);
    e->SetParent(Scene.ActiveBaseObject());
    e->SetBounds(10, 10, 200, 24);
    test::Set(*e, PR_FONTNAME, Utf8ToCp932("ＭＳ ゴシック"));
    test::SetInt(*e, PR_FONTHEIGHT, 16);
    test::Set(*e, PR_ONNOTIFY, "*n");
    return e;
  }
  void Press(std::initializer_list<int32_t> held, int32_t code) {
    for (int32_t h : held) Scene.SetKey(h, true);
    Scene.SetKey(code, true);
    Scene.ProcessInput(16);
    Scene.SetKey(code, false);
    for (int32_t h : held) Scene.SetKey(h, false);
    Scene.ProcessInput(16);
  }
};

TEST(VelkEdit, ClickFocusesTypingNotifiesAndKeysEdit) {
  TEditWorld w;
  auto* edit = w.NewEdit("e");
  // Typed text goes nowhere until the box has the focus; a click gives it.
  w.Scene.TextInput("x");
  EXPECT_EQ(edit->Text(), "");
  w.Scene.MouseMoveTo(20, 20);
  w.Scene.MouseButtonDown(true);
  w.Scene.ProcessInput(16);
  w.Scene.MouseButtonUp();
  w.Scene.ProcessInput(16);
  EXPECT_EQ(w.Scene.Focus(), edit);
  Drain(w.Scene);

  w.Scene.TextInput(Utf8ToCp932("ab日"));
  EXPECT_EQ(edit->Text(), Utf8ToCp932("ab日"));
  const std::string kanji_code = std::to_string(0x93FA);  // the code of 日
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"33:e(" + kanji_code + "," + Utf8ToCp932("ab日") + ")"}));
  w.Press({}, 8);  // Backspace
  EXPECT_EQ(edit->Text(), "ab");
  EXPECT_EQ(Drain(w.Scene), (std::vector<std::string>{"33:e(8,ab)"}));

  // Select all, copy, move to the end, paste: through the scene's own clipboard.
  w.Press({kControl}, 'A');
  w.Press({kControl}, 'C');
  EXPECT_EQ(w.Scene.Services.LocalClipboard, "ab");
  w.Press({}, 35);
  w.Press({kControl}, 'V');
  EXPECT_EQ(edit->Text(), "abab");
  // Shift+Home selects to the start; cut goes to the system clipboard when there is one.
  std::string system_clipboard = "from outside";
  w.Scene.Services.SetClipboard = [&](const std::string& s) { system_clipboard = s; };
  w.Scene.Services.GetClipboard = [&] { return system_clipboard; };
  w.Press({kShift}, 37);
  w.Press({kShift}, 37);
  w.Press({kControl}, 'X');
  EXPECT_EQ(edit->Text(), "ab");
  EXPECT_EQ(system_clipboard, "ab");
  system_clipboard = Utf8ToCp932("語");
  w.Press({kShift}, 45);  // Shift+Insert pastes
  EXPECT_EQ(edit->Text(), "ab" + Utf8ToCp932("語"));

  // Text being composed shows at the caret until it is typed; it is not part of the text.
  edit->TextComposition(Utf8ToCp932("にほ"));
  EXPECT_EQ(edit->Composition(), Utf8ToCp932("にほ"));
  EXPECT_EQ(edit->Text(), "ab" + Utf8ToCp932("語"));
  w.Scene.DrawAll();
  w.Scene.TextInput(Utf8ToCp932("二"));
  EXPECT_EQ(edit->Composition(), "");
  EXPECT_EQ(edit->Text(), "ab" + Utf8ToCp932("語二"));
  w.Press({}, 8);

  // Read-only boxes move and copy but never change; a paused box takes nothing.
  test::Set(*edit, PR_READONLY, "TRUE");
  w.Scene.TextInput("z");
  w.Press({}, 8);
  EXPECT_EQ(edit->Text(), "ab" + Utf8ToCp932("語"));
  test::Set(*edit, PR_READONLY, "FALSE");
  test::Set(*edit, PR_PAUSED, "TRUE");
  w.Scene.TextInput("z");
  EXPECT_EQ(edit->Text(), "ab" + Utf8ToCp932("語"));
}

TEST(VelkEdit, DrawsTextCaretAndSelectionInsideItsRectangle) {
  TEditWorld w;
  auto* edit = w.NewEdit("e");
  test::SetInt(*edit, PR_COLOR, 0x000080);
  test::SetInt(*edit, PR_FONTCOLOR, 0xFFFFFF);
  test::Set(*edit, PR_TEXT, "WWW");
  w.Scene.SetFocus(edit);
  w.Scene.DrawAll();
  TDIBX* screen = w.Scene.PresentationSurface();
  ASSERT_NE(screen, nullptr);
  const uint32_t bg = static_cast<uint32_t>(screen->ColorToPixel(0x000080));
  EXPECT_EQ(screen->GetPixel(208, 12), bg);  // inside, right of the text
  EXPECT_NE(screen->GetPixel(9, 12), bg);    // outside
  int32_t lit = 0;
  for (int32_t x = 12; x < 60; ++x)
    for (int32_t y = 11; y < 33; ++y) lit += screen->GetPixel(x, y) != bg;
  EXPECT_GT(lit, 20);  // the text and the caret
}

TEST(VelkEdit, SaveAndLoadKeepEveryFieldOfBothKinds) {
  TEditWorld w;
  auto* edit = w.NewEdit("e");
  test::Set(*edit, PR_TEXT, Utf8ToCp932("名前"));
  test::SetInt(*edit, PR_FONTSTYLE, 3);
  test::SetInt(*edit, PR_FONTCOLOR, 123);
  test::SetInt(*edit, PR_COLOR, 456);
  test::Set(*edit, PR_READONLY, "TRUE");
  test::Set(*edit, PR_PAUSED, "TRUE");
  auto* memo = w.NewEdit<TVelkMemo>("m");
  test::Set(*memo, PR_TEXT, "one\r\ntwo");
  test::SetInt(*memo, PR_HALIGN, 2);
  auto* prev = w.Scene.New<TVelkPrevMenu>();
  prev->SetName("p");
  prev->SetParent(w.Scene.ActiveBaseObject());
  test::Set(*prev, PR_SOURCE, "a.png\r\nb.png\r\nc.png");
  prev->SetFlag(1, TVelkPrevMenu::kEnabled, false);
  prev->SetFlag(2, TVelkPrevMenu::kSelected, true);
  for (int32_t id : {PR_ONSELECT, PR_ONIDLE, PR_ONMAPIN, PR_ONMAPOUT, PR_ONPLAYEND})
    test::Set(*prev, id, "*p" + std::to_string(id));
  test::Set(*prev, PR_AUTOSCRAP, "TRUE");

  TMemoryStream saved;
  w.Scene.SaveToStream(saved);
  TEditWorld w2;
  saved.SetPosition(0);
  w2.Scene.LoadFromStream(saved, 140);
  EXPECT_EQ(saved.Remaining(), 0);
  for (const char* name : {"e", "m", "p"}) {
    const TVelkObject* a = w.Scene.FindObject(name);
    const TVelkObject* b = w2.Scene.FindObject(name);
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(a->ComponentType(), b->ComponentType());
    for (int32_t id = 0; id < kPropCount; ++id) {
      if (id == PR_APPEARX || id == PR_APPEARY) continue;
      EXPECT_EQ(test::Prop(*b, id), test::Prop(*a, id)) << name << " " << PropInfo(id).Name;
    }
  }
  auto* prev2 = dynamic_cast<TVelkPrevMenu*>(w2.Scene.FindObject("p"));
  EXPECT_FALSE(prev2->Flag(1, TVelkPrevMenu::kEnabled));
  EXPECT_TRUE(prev2->Flag(2, TVelkPrevMenu::kSelected));
  EXPECT_TRUE(prev2->Flag(0, TVelkPrevMenu::kVisible));
  EXPECT_EQ(test::Prop(*w2.Scene.FindObject("m"), PR_HALIGN), "2");
  // A one-line box has no alignment.
  EXPECT_EQ(test::Prop(*w2.Scene.FindObject("e"), PR_HALIGN), "0");
}

}  // namespace
}  // namespace velk
