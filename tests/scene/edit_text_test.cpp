#include "scene/edit_text.h"

#include <gtest/gtest.h>

#include "base/sjis.h"

namespace velk {
namespace {

TEST(EditText, TypingDeletingAndMovingKeepDoubleByteCharactersWhole) {
  TEditText t(false);
  const std::string nihon = Utf8ToCp932("日本");
  ASSERT_EQ(nihon.size(), 4u);
  EXPECT_TRUE(t.Insert("a" + nihon + "b"));
  EXPECT_EQ(t.Caret(), 6u);
  t.MoveLeft(false);  // before "b"
  t.MoveLeft(false);  // before the second kanji: two bytes back
  EXPECT_EQ(t.Caret(), 3u);
  t.Backspace();  // the first kanji goes whole
  EXPECT_EQ(t.Text(), "a" + Utf8ToCp932("本") + "b");
  t.Delete();
  EXPECT_EQ(t.Text(), "ab");
  t.Home(false);
  EXPECT_FALSE(t.Backspace());
  t.End(false);
  EXPECT_EQ(t.Caret(), 2u);
  EXPECT_FALSE(t.Delete());

  // Selection: shift-moves extend, typing replaces, moving without shift collapses.
  t.SetText("hello world");
  t.Home(false);
  for (int i = 0; i < 5; ++i) t.MoveRight(true);
  EXPECT_EQ(t.Selected(), "hello");
  t.Insert("bye");
  EXPECT_EQ(t.Text(), "bye world");
  t.SelectAll();
  EXPECT_EQ(t.Selected(), "bye world");
  t.MoveLeft(false);
  EXPECT_EQ(t.Caret(), 0u);
  EXPECT_FALSE(t.HasSelection());
  // A click inside a double-byte character lands before it.
  t.SetText(nihon);
  t.SetCaret(1, false);
  EXPECT_EQ(t.Caret(), 0u);
}

TEST(EditText, FiltersControlsBrokenBytesAndBreaksAndHoldsItsBound) {
  TEditText line(false);
  line.Insert("a\tb\r\nc\x81");  // a tab, a line break and a lead byte without trail byte
  EXPECT_EQ(line.Text(), "abc");
  TEditText memo(true);
  memo.Insert("one\ntwo\rthree\r\n");
  EXPECT_EQ(memo.Text(), "one\r\ntwo\r\nthree\r\n");
  EXPECT_EQ(memo.LineCount(), 4);
  EXPECT_EQ(memo.Line(1), "two");
  // A line break is one step; up and down keep the column.
  memo.SetCaret(5, false);  // start of "two"
  memo.MoveLeft(false);
  EXPECT_EQ(memo.Caret(), 3u);
  memo.MoveDown(false);
  EXPECT_EQ(memo.Caret(), 8u);  // end of "two"
  memo.MoveDown(false);
  EXPECT_EQ(memo.Caret(), 13u);
  memo.MoveUp(false);
  memo.MoveUp(false);
  EXPECT_EQ(memo.Caret(), 3u);

  TEditText big(false);
  big.Insert(std::string(TEditText::kMaxBytes - 1, 'x'));
  EXPECT_TRUE(big.Insert("y"));
  EXPECT_FALSE(big.Insert(Utf8ToCp932("日")));  // no room for two more bytes
  EXPECT_EQ(big.Text().size(), TEditText::kMaxBytes);
  big.SetText(std::string(TEditText::kMaxBytes + 10, 'z'));
  EXPECT_EQ(big.Text().size(), TEditText::kMaxBytes);
}

TEST(EditText, TypedTextOutsideTheCodePageIsRefusedPerCharacter) {
  // "日本語" round-trips; the emoji and the Hangul syllable have no code page 932 form and are left out.
  const std::string typed = "\xE6\x97\xA5\xF0\x9F\x98\x80\xE6\x9C\xAC\xEA\xB0\x80\xE8\xAA\x9E";
  const std::string cp932 = Utf8ToCp932Strict(typed);
  EXPECT_EQ(cp932, Utf8ToCp932("日本語"));
  EXPECT_EQ(Cp932ToUtf8(cp932), "日本語");
  EXPECT_EQ(Utf8ToCp932Strict("plain"), "plain");
}

}  // namespace
}  // namespace velk
