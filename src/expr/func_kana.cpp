// The half-width / full-width conversions of HanToZen and ZenToHan.
#include <array>
#include <unordered_map>

#include "base/sjis.h"
#include "expr/param.h"
#include "expr/sys_func_groups.h"

namespace velk {

namespace {

struct TKanaTables {
  // The full-width form of each single byte, empty for bytes that pass through unchanged.
  std::array<std::string, 256> Zen;
  // The single-byte form of each full-width double-byte code (voiced katakana give two bytes).
  std::unordered_map<uint16_t, std::string> Han;
};

uint16_t code_of(const std::string& two) {
  return static_cast<uint16_t>((static_cast<uint8_t>(two[0]) << 8) | static_cast<uint8_t>(two[1]));
}

std::string two_of(uint16_t code) {
  return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

bool takes_voiced(uint8_t b) { return (b >= 0xB6 && b <= 0xC4) || (b >= 0xCA && b <= 0xCE); }
bool takes_semi_voiced(uint8_t b) { return b >= 0xCA && b <= 0xCE; }

const TKanaTables& tables() {
  static const TKanaTables t = [] {
    TKanaTables k;
    // 0x20 .. 0x7E: the ideographic space, then the full-width signs, digits and letters; the double quote, the
    // apostrophe, the backslash and the grave accent take the quotation marks and the yen sign.
    std::string ascii = Utf8ToCp932(
        "　！”＃＄％＆’（）＊＋，－．／０１２３４５６７８９：；＜＝＞？＠ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸ"
        "ＹＺ［￥］＾＿‘ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝～");
    // 0xA1 .. 0xDF: the half-width katakana and signs.
    std::string kana = Utf8ToCp932(
        "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリ"
        "ルレロワン゛゜");
    for (int b = 0x20; b <= 0x7E; ++b) k.Zen[static_cast<size_t>(b)] = ascii.substr(static_cast<size_t>(b - 0x20) * 2, 2);
    for (int b = 0xA1; b <= 0xDF; ++b) k.Zen[static_cast<size_t>(b)] = kana.substr(static_cast<size_t>(b - 0xA1) * 2, 2);
    for (int b = 0x20; b <= 0xDF; ++b) {
      const std::string& zen = k.Zen[static_cast<size_t>(b)];
      if (zen.size() != 2) continue;
      uint16_t code = code_of(zen);
      k.Han[code] = std::string(1, static_cast<char>(b));
      // The voiced forms follow their base in the code table: ガ is カ + 1, パ is ハ + 2.
      if (takes_voiced(static_cast<uint8_t>(b))) k.Han[static_cast<uint16_t>(code + 1)] = {static_cast<char>(b), '\xDE'};
      if (takes_semi_voiced(static_cast<uint8_t>(b))) {
        k.Han[static_cast<uint16_t>(code + 2)] = {static_cast<char>(b), '\xDF'};
      }
    }
    k.Han[code_of(Utf8ToCp932("“"))] = "\"";
    return k;
  }();
  return t;
}

}  // namespace

std::string HanToZen(const std::string& s) {
  const TKanaTables& k = tables();
  std::string out;
  out.reserve(s.size() * 2);
  for (size_t i = 0; i < s.size();) {
    size_t n = CharLength(s, i);
    auto b = static_cast<uint8_t>(s[i]);
    const std::string& zen = k.Zen[b];
    if (n == 2 || zen.empty()) {
      out.append(s, i, n);
      i += n;
      continue;
    }
    uint8_t next = i + 1 < s.size() ? static_cast<uint8_t>(s[i + 1]) : 0;
    if (next == 0xDE && takes_voiced(b)) {
      out += two_of(static_cast<uint16_t>(code_of(zen) + 1));
      i += 2;
    } else if (next == 0xDF && takes_semi_voiced(b)) {
      out += two_of(static_cast<uint16_t>(code_of(zen) + 2));
      i += 2;
    } else {
      out += zen;
      i += 1;
    }
  }
  return out;
}

std::string ZenToHan(const std::string& s) {
  const TKanaTables& k = tables();
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t n = CharLength(s, i);
    if (n == 2) {
      auto it = k.Han.find(code_of(s.substr(i, 2)));
      if (it != k.Han.end()) {
        out += it->second;
        i += 2;
        continue;
      }
    }
    out.append(s, i, n);
    i += n;
  }
  return out;
}

bool CallKanaFunc(const TFuncCall& c) {
  switch (c.Number) {
    case 85: c.Target.SetStr(HanToZen(c.Arg(0).GetStr())); return true;
    case 86: c.Target.SetStr(ZenToHan(c.Arg(0).GetStr())); return true;
    default: return false;
  }
}

}  // namespace velk
