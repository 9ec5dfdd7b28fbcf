#include "text/word_markup.h"

#include <algorithm>
#include <cstring>

#include "base/sjis.h"

namespace velk {

namespace {

bool StartsWithNoCase(const std::string& s, size_t at, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return s.size() - at >= n && SameText(std::string_view(s).substr(at, n), prefix);
}

// The end (one past) of the first occurrence of closing at or after from in the lower-cased text; the text's end
// when none.
size_t EndOf(const std::string& lower, size_t from, const std::string& closing) {
  const size_t at = lower.find(closing, from);
  return at == std::string::npos ? lower.size() : at + closing.size();
}

// A tag is never longer than this: a "<" whose tag does not end within it is text, so that a text full of
// unclosed "<" does not take quadratic time.
constexpr size_t kMaxTagLength = 4096;

// The end (one past the ">") of the tag that starts at from, counting nested "<"; npos when it never ends.
size_t TagEnd(const std::string& s, size_t from) {
  int depth = 0;
  const size_t limit = std::min(s.size(), from + kMaxTagLength);
  for (size_t i = from; i < limit; i += CharLength(s, i)) {
    if (s[i] == '<') ++depth;
    if (s[i] == '>' && --depth == 0) return i + 1;
  }
  return std::string::npos;
}

constexpr std::string_view kEscapable = "\"%<>\\{}";

}  // namespace

std::vector<TWordToken> TokenizeMarkup(const std::string& text) {
  std::vector<TWordToken> tokens;
  const std::string lower = LowerCase(text);
  std::string cur;
  bool pre = false, textarea = false;
  const auto flush = [&] {
    if (!cur.empty()) tokens.push_back({false, std::move(cur)});
    cur.clear();
  };
  const auto add_space = [&] {
    if (cur.empty() || cur.back() != ' ') cur.push_back(' ');
  };
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (CharLength(text, i) == 2) {
      cur.append(text, i, 2);
      i += 2;
    } else if (c == '\\' && i + 1 < text.size() && kEscapable.find(text[i + 1]) != std::string_view::npos) {
      cur.push_back(text[i + 1]);
      i += 2;
    } else if (c == '"') {
      // A quoted run: everything up to the next double quote is copied as it stands, line breaks and tabs aside.
      size_t j = i + 1;
      while (j < text.size() && text[j] != '"') j += CharLength(text, j);
      const size_t end = j < text.size() ? j + 1 : text.size();
      for (size_t k = i; k < end; ++k) {
        if (text[k] != '\r' && text[k] != '\n' && text[k] != '\t') cur.push_back(text[k]);
      }
      i = end;
    } else if (c == '<') {
      size_t end = std::string::npos;
      if (StartsWithNoCase(text, i, "<!--")) {
        end = EndOf(lower, i + 4, "-->");
      } else if (StartsWithNoCase(text, i, "<SCRIPT")) {
        end = EndOf(lower, i, "</script>");
      } else if (StartsWithNoCase(text, i, "<STYLE")) {
        end = EndOf(lower, i, "</style>");
      } else {
        end = TagEnd(text, i);
      }
      if (end == std::string::npos) {
        cur.push_back(c);  // never closed: the rest is text
        ++i;
        continue;
      }
      flush();
      tokens.push_back({true, text.substr(i, end - i)});
      const bool opens_pre = StartsWithNoCase(text, i, "<PRE"), opens_area = StartsWithNoCase(text, i, "<TEXTAREA");
      if (StartsWithNoCase(text, i, "</PRE")) pre = false;
      if (StartsWithNoCase(text, i, "</TEXTAREA")) textarea = false;
      i = end;
      if (opens_pre || opens_area) {
        pre = pre || opens_pre;
        textarea = textarea || opens_area;
        if (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] == '\n') ++i;
      }
    } else if (c == '\r' || c == '\n') {
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      if (pre || textarea) {
        flush();
        if (pre) tokens.push_back({true, "<BR>"});
      } else {
        add_space();
      }
    } else if (c == '\t') {
      if (pre || textarea) cur.append(8, ' ');
      ++i;
    } else if (c == ' ' || c == '\x14') {
      if (pre || textarea) {
        cur.push_back(' ');
      } else {
        add_space();
      }
      ++i;
    } else {
      cur.push_back(c);
      ++i;
    }
  }
  flush();
  return tokens;
}

bool TWordTag::Has(const std::string& name) const {
  for (const auto& a : Attributes)
    if (a.first == name) return true;
  return false;
}

std::string TWordTag::Value(const std::string& name, const std::string& fallback) const {
  for (const auto& a : Attributes)
    if (a.first == name) return a.second;
  return fallback;
}

TWordTag ParseTag(const std::string& token) {
  TWordTag tag;
  std::string body = token;
  if (!body.empty() && body.front() == '<') body.erase(0, 1);
  if (!body.empty() && body.back() == '>') body.pop_back();
  size_t i = 0;
  while (i < body.size() && body[i] != ' ' && body[i] != '=') i += CharLength(body, i);
  tag.Name = UpperCase(body.substr(0, i));
  while (i < body.size()) {
    while (i < body.size() && (body[i] == ' ' || body[i] == '\r' || body[i] == '\n' || body[i] == '\t')) ++i;
    if (i >= body.size()) break;
    const size_t name_start = i;
    while (i < body.size() && body[i] != ' ' && body[i] != '=') i += CharLength(body, i);
    std::string name = UpperCase(body.substr(name_start, i - name_start));
    std::string value;
    if (i < body.size() && body[i] == '=') {
      ++i;
      if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
        const char quote = body[i++];
        const size_t start = i;
        while (i < body.size() && body[i] != quote) i += CharLength(body, i);
        value = body.substr(start, std::min(i, body.size()) - start);
        if (i < body.size()) ++i;
      } else {
        const size_t start = i;
        while (i < body.size() && body[i] != ' ') i += CharLength(body, i);
        value = body.substr(start, std::min(i, body.size()) - start);
      }
    }
    if (!name.empty()) tag.Attributes.emplace_back(std::move(name), std::move(value));
  }
  return tag;
}

bool ParseMarkupColor(const std::string& text, int32_t& color) {
  if (text.size() != 7 || text[0] != '#') return false;
  uint32_t rgb = 0;
  for (size_t i = 1; i < 7; ++i) {
    const char c = text[i];
    uint32_t d = 0;
    if (c >= '0' && c <= '9') {
      d = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      d = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      d = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return false;
    }
    rgb = rgb << 4 | d;
  }
  color = static_cast<int32_t>((rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
  return true;
}

}  // namespace velk
