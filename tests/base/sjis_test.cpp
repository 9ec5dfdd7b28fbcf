#include "base/sjis.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

TEST(Sjis, LeadBytesAndCharacterLengths) {
  for (int b = 0; b < 256; ++b) {
    bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(IsLeadByte(static_cast<uint8_t>(b)), expected) << b;
  }
  std::string s = "a\x82\xA0\x81";  // ASCII, double-byte, lone lead byte at the end
  EXPECT_EQ(CharLength(s, 0), 1u);
  EXPECT_EQ(CharLength(s, 1), 2u);
  EXPECT_EQ(CharLength(s, 3), 1u);
  // Half-width katakana are single bytes.
  EXPECT_EQ(CharLength("\xB1\xB2", 0), 1u);
}

TEST(Sjis, DecodesAndEncodesThroughCodePage932) {
  EXPECT_EQ(Cp932ToUtf8("abc"), "abc");
  EXPECT_EQ(Cp932ToUtf8("\x82\xA0\x8A\xBF\x8E\x9A"), "あ漢字");
  EXPECT_EQ(Cp932ToUtf8("\x95\x5C"), "表");  // trail byte 0x5C
  EXPECT_EQ(Cp932ToUtf8("\xB1"), "ｱ");
  EXPECT_EQ(Utf8ToCp932("あ漢字"), "\x82\xA0\x8A\xBF\x8E\x9A");
  EXPECT_EQ(Utf8ToCp932("警告"), "\x8C\x78\x8D\x90");
  EXPECT_EQ(Utf8ToCp932("ｱ"), "\xB1");
  std::string all_kana = "かな漢字テスト①";
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(all_kana)), all_kana);
}

TEST(Sjis, InvalidBytesBecomeReplacementCharacters) {
  // A lone lead byte at the end, a lead byte followed by an invalid trail, a byte that is never valid.
  EXPECT_EQ(Cp932ToUtf8("a\x82"), std::string("a") + kReplacement);
  EXPECT_EQ(Cp932ToUtf8("\x82\x20z"), std::string(kReplacement) + " z");
  EXPECT_EQ(Cp932ToUtf8("x\xFFy"), std::string("x") + kReplacement + "y");
  EXPECT_EQ(Cp932ToUtf8("\x82\xA0\xFF\x82\xA2"), std::string("あ") + kReplacement + "い");
  // Characters that code page 932 cannot hold, and broken UTF-8, become "?".
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80"
                        "b"),
            "a?b");
  EXPECT_EQ(Utf8ToCp932("a\xC3"), "a?");
  EXPECT_EQ(Utf8ToCp932("\xE3\x81\x82\xFE\xE3\x81\x84"), "\x82\xA0?\x82\xA2");
  // A broken sequence takes only its own bytes with it, not the character after it.
  EXPECT_EQ(Utf8ToCp932("\xE3\x81"
                        "a\xF0\x9F"
                        "b"),
            "?a?b");
}

TEST(Sjis, CaseFoldingLeavesDoubleByteCharactersAlone) {
  EXPECT_EQ(LowerCase("AbC\x82\x41Z"), "abc\x82\x41z");
  EXPECT_EQ(UpperCase("abc\x82\x61z"), "ABC\x82\x61Z");
  // Full-width letters (two bytes) stay as they are.
  EXPECT_EQ(LowerCase("\x82\x60"), "\x82\x60");
  EXPECT_TRUE(SameText("File.TXT", "file.txt"));
  EXPECT_FALSE(SameText("\x82\x41", "\x82\x61"));
  EXPECT_FALSE(SameText("ab", "abc"));
  // A lone lead byte at the end does not swallow anything.
  EXPECT_EQ(LowerCase("A\x82"), "a\x82");
}

TEST(Sjis, CharacterPositionsCountDoubleByteCharactersAsOne) {
  std::string s = "a\x82\xA0"
                  "b\x8A\xBF";  // a あ b 漢
  EXPECT_EQ(CharCount(s), 4);
  EXPECT_EQ(CharCount(""), 0);
  EXPECT_EQ(CharCount("\x82"), 1);
  EXPECT_EQ(CharToByteIndex(s, 0), 0u);
  EXPECT_EQ(CharToByteIndex(s, 2), 3u);
  EXPECT_EQ(CharToByteIndex(s, 3), 4u);
  EXPECT_EQ(CharToByteIndex(s, 4), 6u);
  EXPECT_EQ(CharToByteIndex(s, 100), 6u);
  EXPECT_EQ(CharSubstr(s, 1, 2), "\x82\xA0"
                                 "b");
  EXPECT_EQ(CharSubstr(s, 3, 10), "\x8A\xBF");
  EXPECT_EQ(CharSubstr(s, -1, 2), "a");
  EXPECT_EQ(CharSubstr(s, 4, 1), "");
  EXPECT_EQ(CharSubstr(s, 1, 0), "");
  EXPECT_EQ(CharSubstr(s, 1, -3), "");
}

}  // namespace
}  // namespace velk
