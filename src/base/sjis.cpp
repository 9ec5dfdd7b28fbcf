#include "base/sjis.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace velk {

namespace {

template <char (*Fold)(char)> std::string fold_case(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    size_t n = CharLength(out, i);
    if (n == 1) out[i] = Fold(out[i]);
    i += n;
  }
  return out;
}

char to_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char to_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// One iconv conversion. Invalid or unconvertible input is replaced by `replacement` and skipped byte by byte
// (decoding) or character by character (encoding).
std::string convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    bool skip_utf8_char) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buf[1024];
  while (src_left > 0) {
    char* dst = buf;
    size_t dst_left = sizeof(buf);
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (truncated sequence at the end): replace and step over the offending bytes.
    out.append(replacement);
    size_t skip = 1;
    if (skip_utf8_char) {
      // The lead byte and the continuation bytes that follow it, never a following character.
      auto b = static_cast<uint8_t>(*src);
      size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
      while (skip < length && skip < src_left && (static_cast<uint8_t>(src[skip]) & 0xC0) == 0x80) ++skip;
    }
    src += skip;
    src_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string LowerCase(std::string_view s) { return fold_case<to_lower>(s); }
std::string UpperCase(std::string_view s) { return fold_case<to_upper>(s); }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return LowerCase(a) == LowerCase(b);
}

std::string Cp932ToUtf8(std::string_view cp932) {
  bool ascii = true;
  for (char c : cp932) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
  if (ascii) return std::string(cp932);
  return convert("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", false);
}

std::string Utf8ToCp932(std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
  if (ascii) return std::string(utf8);
  return convert("CP932", "UTF-8", utf8, "?", true);
}

std::string Utf8ToCp932Strict(std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
  if (ascii) return std::string(utf8);
  return convert("CP932", "UTF-8", utf8, "", true);
}

int32_t CharCount(std::string_view s) {
  int32_t n = 0;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) ++n;
  return n;
}

size_t CharToByteIndex(std::string_view s, int32_t char_index) {
  size_t i = 0;
  for (int32_t c = 0; c < char_index && i < s.size(); ++c) i += CharLength(s, i);
  return i < s.size() ? i : s.size();
}

std::string CharSubstr(std::string_view s, int32_t start, int32_t count) {
  if (start < 0) {
    count += start;
    start = 0;
  }
  if (count <= 0) return {};
  size_t b = CharToByteIndex(s, start);
  size_t e = b;
  for (int32_t c = 0; c < count && e < s.size(); ++c) e += CharLength(s, e);
  return std::string(s.substr(b, e - b));
}

}  // namespace velk
