// String functions. Byte functions count bytes; the functions whose names start with J count characters, a
// double-byte character being one. Positions are 1-based; a position below 1 counts as 1.
#include <algorithm>
#include <cstdio>

#include "base/error.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "expr/sys_func_groups.h"
#include "expr/sys_func_man.h"
#include "expr/value_convert.h"

namespace velk {

namespace {

void check_size(const TFuncCall& c, size_t n) {
  if (n > kMaxFuncString) throw EVelkError(c.Name() + Utf8ToCp932(":文字列が長すぎます"));
}

// The byte range [from, from + count) of s for 1-based positions in bytes or characters; count < 0 means to the end.
std::pair<size_t, size_t> range_of(const std::string& s, int32_t from, int32_t count, bool chars) {
  int64_t start = std::max<int64_t>(from, 1) - 1;
  if (count < 0) count = INT32_MAX;
  if (from < 1) count = static_cast<int32_t>(std::max<int64_t>(0, int64_t{count} - (1 - int64_t{from})));
  if (!chars) {
    size_t b = static_cast<size_t>(std::min<int64_t>(start, static_cast<int64_t>(s.size())));
    size_t e = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(b) + count, static_cast<int64_t>(s.size())));
    return {b, e};
  }
  int32_t first = static_cast<int32_t>(std::min<int64_t>(start, INT32_MAX));
  size_t b = CharToByteIndex(s, first);
  int64_t last = std::min<int64_t>(int64_t{first} + count, INT32_MAX);
  size_t e = CharToByteIndex(s, static_cast<int32_t>(last));
  return {b, e};
}

std::string copy_of(const std::string& s, const TFuncCall& c, bool chars) {
  int32_t count = c.Has(2) ? c.Arg(2).GetInt() : -1;
  if (c.Has(2) && count <= 0) return {};
  auto [b, e] = range_of(s, c.Arg(1).GetInt(), count, chars);
  return s.substr(b, e - b);
}

// Delete (variable s, from [, count]): a start beyond the end or below 1 removes nothing.
void delete_in(const TFuncCall& c, bool chars) {
  TCustomParam& v = c.Ref(0);
  std::string s = v.GetStr();
  int32_t from = c.Arg(1).GetInt();
  int32_t count = c.Has(2) ? c.Arg(2).GetInt() : -1;
  int32_t length = chars ? CharCount(s) : static_cast<int32_t>(s.size());
  if (from >= 1 && from <= length && (!c.Has(2) || count > 0)) {
    auto [b, e] = range_of(s, from, count, chars);
    s.erase(b, e - b);
    v.SetStr(s);
  }
  c.Target.SetStr(s);
}

// Insert (sub, variable s, pos): a position below 1 inserts at the start, one beyond the end appends.
void insert_in(const TFuncCall& c, bool chars) {
  std::string sub = c.Arg(0).GetStr();
  TCustomParam& v = c.Ref(1);
  std::string s = v.GetStr();
  check_size(c, s.size() + sub.size());
  int32_t pos = std::max(c.Arg(2).GetInt(), 1) - 1;
  size_t at = chars ? CharToByteIndex(s, pos) : std::min(static_cast<size_t>(pos), s.size());
  s.insert(at, sub);
  v.SetStr(s);
  c.Target.SetStr(s);
}

// The first byte offset of sub in s that starts a character, or npos.
size_t find_char_aligned(const std::string& s, const std::string& sub, size_t from = 0) {
  for (size_t i = from; i + sub.size() <= s.size(); i += CharLength(s, i)) {
    if (s.compare(i, sub.size(), sub) == 0) return i;
  }
  return std::string::npos;
}

int32_t compare(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int d = static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i]);
    if (d != 0) return d;
  }
  return static_cast<int32_t>(a.size()) - static_cast<int32_t>(b.size());
}

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

std::string int_to_str(int32_t n, int32_t digits) {
  std::string text = std::to_string(static_cast<int64_t>(n) < 0 ? -static_cast<int64_t>(n) : n);
  if (digits > 64) digits = 64;
  if (static_cast<int32_t>(text.size()) < digits) text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
  return n < 0 ? "-" + text : text;
}

std::string int_to_hex(int32_t n, int32_t digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<uint32_t>(n));
  std::string text = buf;
  if (digits > 64) digits = 64;
  if (static_cast<int32_t>(text.size()) < digits) text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
  return text;
}

std::string replace(const TFuncCall& c) {
  std::string s = c.Arg(0).GetStr();
  std::string old_text = c.Arg(1).GetStr();
  std::string new_text = c.Arg(2).GetStr();
  bool all = c.Has(3) && c.Arg(3).GetBool();
  bool ignore_case = c.Has(4) && c.Arg(4).GetBool();
  if (old_text.empty()) return s;
  std::string hay = ignore_case ? UpperCase(s) : s;
  std::string needle = ignore_case ? UpperCase(old_text) : old_text;
  std::string out;
  size_t at = 0;
  while (true) {
    size_t hit = find_char_aligned(hay, needle, at);
    if (hit == std::string::npos) break;
    out.append(s, at, hit - at);
    out += new_text;
    check_size(c, out.size());
    at = hit + needle.size();
    if (!all) break;
  }
  out.append(s, at, std::string::npos);
  check_size(c, out.size());
  return out;
}

// Whether the byte at 1-based pos is one of the delimiters and starts a character.
bool is_delimiter(const std::string& delimiters, const std::string& s, int32_t pos) {
  if (pos < 1 || pos > static_cast<int32_t>(s.size())) return false;
  auto at = static_cast<size_t>(pos - 1);
  size_t i = 0;
  while (i < at) i += CharLength(s, i);
  if (i != at || CharLength(s, at) != 1) return false;
  for (size_t k = 0; k < delimiters.size(); k += CharLength(delimiters, k)) {
    if (CharLength(delimiters, k) == 1 && delimiters[k] == s[at]) return true;
  }
  return false;
}

}  // namespace

bool CallStringFunc(const TFuncCall& c) {
  TCustomParam& t = c.Target;
  auto str = [&](size_t i) { return c.Arg(i).GetStr(); };
  switch (c.Number) {
    case 0: t.SetStr(int_to_str(c.Arg(0).GetInt(), c.Has(1) ? c.Arg(1).GetInt() : 0)); return true;
    case 1: t.SetStr(int_to_hex(c.Arg(0).GetInt(), c.Arg(1).GetInt())); return true;
    case 5: t.SetInt(static_cast<int32_t>(str(0).size())); return true;
    case 6: t.SetInt(CharCount(str(0))); return true;
    case 7: t.SetStr(copy_of(str(0), c, false)); return true;
    case 8: t.SetStr(copy_of(str(0), c, true)); return true;
    case 9: delete_in(c, false); return true;
    case 10: delete_in(c, true); return true;
    case 11: insert_in(c, false); return true;
    case 12: insert_in(c, true); return true;
    case 13: t.SetInt(compare(str(0), str(1))); return true;
    case 14: t.SetInt(compare(LowerCase(str(0)), LowerCase(str(1)))); return true;
    case 15: {
      size_t hit = str(1).find(str(0));
      t.SetInt(str(0).empty() || hit == std::string::npos ? 0 : static_cast<int32_t>(hit) + 1);
      return true;
    }
    case 16: {
      std::string s = str(1);
      size_t hit = str(0).empty() ? std::string::npos : find_char_aligned(s, str(0));
      t.SetInt(hit == std::string::npos ? 0 : CharCount(std::string_view(s).substr(0, hit)) + 1);
      return true;
    }
    case 17:
    case 18: t.SetStr(trim(str(0))); return true;
    case 64: {  // FixStr: a lead byte reached as the last byte starts an incomplete character
      std::string s = str(0);
      size_t i = 0;
      while (i + 1 < s.size()) i += CharLength(s, i);
      if (i + 1 == s.size() && IsLeadByte(static_cast<uint8_t>(s[i]))) s.pop_back();
      t.SetStr(s);
      return true;
    }
    case 73: t.SetStr(LowerCase(str(0))); return true;
    case 74: t.SetStr(UpperCase(str(0))); return true;
    case 75: t.SetStr(ExtractFilePath(str(0))); return true;
    case 76: t.SetStr(ExtractFileName(str(0))); return true;
    case 77: t.SetStr(ExtractFileExt(str(0))); return true;
    case 78: {  // IsPathDelimiter (s, pos)
      std::string s = str(0);
      int32_t pos = c.Arg(1).GetInt();
      t.SetBool(pos >= 1 && pos <= static_cast<int32_t>(s.size()) && IsPathDelimiter(s, static_cast<size_t>(pos - 1)));
      return true;
    }
    case 79: t.SetStr(IncludeTrailingPathDelimiter(str(0))); return true;
    case 80: t.SetStr(ChangeFileExt(str(0), str(1))); return true;
    case 81: t.SetBool(is_delimiter(str(0), str(1), c.Arg(2).GetInt())); return true;
    case 82: {  // StringOfChar (s, n)
      std::string s = str(0);
      int32_t n = c.Arg(1).GetInt();
      std::string out;
      if (n > 0 && !s.empty()) {
        check_size(c, s.size() * static_cast<size_t>(n));
        out.reserve(s.size() * static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) out += s;
      }
      t.SetStr(out);
      return true;
    }
    case 83: t.SetStr(replace(c)); return true;
    case 133: t.SetStr(str(1).empty() ? std::string() : str(1) + str(0)); return true;  // AddDelimiter (d, s)
    case 138: {
      int32_t v = 0;
      t.SetInt(TryStrToInt(str(0), v) ? v : c.Arg(1).GetInt());
      return true;
    }
    case 139: {
      long double v = 0;
      t.SetFloat(TryStrToFloat(str(0), v) ? v : c.Arg(1).GetFloat());
      return true;
    }
    case 152: t.SetStr(std::string(1, static_cast<char>(c.Arg(0).GetInt() & 0xFF))); return true;
    case 153: {
      std::string s = str(0);
      t.SetInt(s.empty() ? 0 : static_cast<uint8_t>(s[0]));
      return true;
    }
    default: return false;
  }
}

}  // namespace velk
