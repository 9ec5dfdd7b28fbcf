#include "base/escapes.h"

#include "base/sjis.h"

namespace velk {

std::string ResolveEscapes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t n = CharLength(s, i);
    if (n == 1 && s[i] == '\\' && i + 1 < s.size()) {
      char next = s[i + 1];
      if (next == '"' || next == '\\') {
        out += next;
        i += 2;
        continue;
      }
      if (next == 'n') {
        out += "\r\n";
        i += 2;
        continue;
      }
    }
    out.append(s.substr(i, n));
    i += n;
  }
  return out;
}

size_t FindUnescapedQuote(std::string_view s, size_t from) {
  for (size_t i = from; i < s.size();) {
    if (s[i] == '"') return i;
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) {
      i += 2;
      continue;
    }
    i += CharLength(s, i);
  }
  return std::string_view::npos;
}

}  // namespace velk
