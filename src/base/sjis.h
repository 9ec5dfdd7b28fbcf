#pragma once
// Code page 932 (Shift-JIS) helpers. Strings of the system are byte strings in code page 932; they become UTF-8 only
// at the edges (file names on disk, display, tool output).
#include <cstdint>
#include <string>
#include <string_view>

namespace velk {

// True for the first byte of a double-byte character (0x81..0x9F, 0xE0..0xFC).
inline bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Length in bytes of the character that starts at byte i (1 or 2; 1 for a lead byte at the very end).
inline size_t CharLength(std::string_view s, size_t i) {
  return (i + 1 < s.size() && IsLeadByte(static_cast<uint8_t>(s[i]))) ? 2 : 1;
}

// Letter-case folding of ASCII letters; the trail bytes of double-byte characters are never touched.
std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
// Case-insensitive equality under LowerCase.
bool SameText(std::string_view a, std::string_view b);

// Conversions through iconv "CP932". Decoding never throws: an invalid byte becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);
// Characters that code page 932 cannot hold become "?".
std::string Utf8ToCp932(std::string_view utf8);
// Typed text: characters that code page 932 cannot hold are left out, one by one.
std::string Utf8ToCp932Strict(std::string_view utf8);

// Character positions as scripts count them: a double-byte character is one character.
int32_t CharCount(std::string_view s);
// Byte offset of the character with index char_index (0-based); the byte length for an index at or past the end.
size_t CharToByteIndex(std::string_view s, int32_t char_index);
// The characters [start, start + count) (0-based, clamped to the string).
std::string CharSubstr(std::string_view s, int32_t start, int32_t count);

}  // namespace velk
