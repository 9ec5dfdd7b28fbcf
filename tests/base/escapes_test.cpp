#include "base/escapes.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(Escapes, ResolvesQuoteBackslashAndNewline) {
  EXPECT_EQ(ResolveEscapes("a\\\"b"), "a\"b");
  EXPECT_EQ(ResolveEscapes("a\\\\b"), "a\\b");
  EXPECT_EQ(ResolveEscapes("a\\nb"), "a\r\nb");
  // An escaped backslash does not start another escape: "\\n" is a backslash and n.
  EXPECT_EQ(ResolveEscapes("\\\\n"), "\\n");
  // Other backslashes stay, as does a backslash at the very end.
  EXPECT_EQ(ResolveEscapes("a\\tb\\"), "a\\tb\\");
  EXPECT_EQ(ResolveEscapes("\\N"), "\\N");
  EXPECT_EQ(ResolveEscapes(""), "");
}

TEST(Escapes, SkipsDoubleByteCharactersWhole) {
  // "ソ" is 0x83 0x5C: its trail byte must not escape the following quote or n.
  EXPECT_EQ(ResolveEscapes("\x83\x5C\"x"), "\x83\x5C\"x");
  EXPECT_EQ(ResolveEscapes("\x83\x5Cn"), "\x83\x5Cn");
  EXPECT_EQ(ResolveEscapes("\x83\x5C\\n"), "\x83\x5C\r\n");
  // A lone lead byte at the end is kept.
  EXPECT_EQ(ResolveEscapes("a\x83"), "a\x83");
}

TEST(Escapes, FindsTheClosingQuote) {
  EXPECT_EQ(FindUnescapedQuote("ab\"c", 0), 2u);
  EXPECT_EQ(FindUnescapedQuote("a\\\"b\"", 0), 4u);
  EXPECT_EQ(FindUnescapedQuote("a\\\\\"b", 0), 3u);  // the backslash is escaped, the quote is not
  EXPECT_EQ(FindUnescapedQuote("\x83\x5C\"", 0), 2u);
  EXPECT_EQ(FindUnescapedQuote("\"a\"", 1), 2u);
  EXPECT_EQ(FindUnescapedQuote("abc\\\"", 0), std::string_view::npos);
  EXPECT_EQ(FindUnescapedQuote("abc", 10), std::string_view::npos);
}

}  // namespace
}  // namespace velk
