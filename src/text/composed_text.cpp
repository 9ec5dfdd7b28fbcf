#include "text/composed_text.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "base/sjis.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

constexpr char kHeader[] = "MvWord";
// A style record is at least 30 bytes (version 0), a glyph record at least its code byte.
constexpr int64_t kMinStyleSize = 30;
constexpr int64_t kMinGlyphSize = 1;

[[noreturn]] void damaged(const std::string& what) {
  throw EFormatError(Utf8ToCp932("データが壊れています (") + what + ")");
}

bool known_code(uint8_t code) {
  return (code >= kWdChar && code <= kWdOpeVar) || code == kWdImg || code == kWdOpeHistChar;
}

bool has_style(uint8_t code) { return code == kWdChar || code == kWdOpeVar || code == kWdOpeHistChar; }

int32_t read_version(TStream& s) {
  char head[9] = {};
  const int32_t got = s.Read(head, 9);
  if (got < 9 || std::memcmp(head, kHeader, 6) != 0) {
    s.Seek(-std::max(got, 0), soCurrent);
    return 0;
  }
  int32_t version = 0;
  for (int i = 6; i < 9; ++i) {
    if (head[i] < '0' || head[i] > '9') damaged("MvWord");
    version = version * 10 + (head[i] - '0');
  }
  return version;
}

TDecorate read_style(TStream& s, int32_t version) {
  TDecorate d;
  d.UseCount = ReadIntExact(s);
  d.TextColor = ReadIntExact(s);
  d.BorderColor = ReadIntExact(s);
  d.FontSize = ReadIntExact(s);
  d.Style = ReadByteExact(s);
  d.NoBreak = ReadByteExact(s);
  d.BorderWidth = version >= 100 ? ReadIntExact(s) : (ReadByteExact(s) != 0 ? 1 : 0);
  d.FontName = ReadStringExact(s);
  d.Ruby = ReadStringExact(s);
  if (version >= 100) {
    d.ShadowWidth = ReadIntExact(s);
    d.ShadowColor = ReadIntExact(s);
  } else {
    d.ShadowWidth = 0;
    d.ShadowColor = 0;
  }
  return d;
}

void write_style(TStream& s, const TDecorate& d, int32_t version) {
  WriteInt(s, d.UseCount);
  WriteInt(s, d.TextColor);
  WriteInt(s, d.BorderColor);
  WriteInt(s, d.FontSize);
  WriteByte(s, d.Style);
  WriteByte(s, d.NoBreak);
  if (version >= 100) {
    WriteInt(s, d.BorderWidth);
  } else {
    WriteBool(s, d.BorderWidth != 0);
  }
  WriteString(s, d.FontName);
  WriteString(s, d.Ruby);
  if (version >= 100) {
    WriteInt(s, d.ShadowWidth);
    WriteInt(s, d.ShadowColor);
  }
}

TWordRecord read_glyph(TStream& s, int32_t version) {
  TWordRecord g;
  g.Code = ReadByteExact(s) & 0x7F;
  switch (g.Code) {
    case kWdChar:
      g.Link = ReadStringExact(s);
      g.Wait = ReadIntExact(s);
      NeedBytes(s, 2);
      g.CharCode = static_cast<uint16_t>(ReadByte(s) | (ReadByte(s) << 8));
      g.Style = ReadIntExact(s);
      break;
    case kWdOpeAlign:
    case kWdOpeReturn: g.Value = ReadByteExact(s); break;
    case kWdOpeIndent:
    case kWdOpeUndent: break;
    case kWdOpeEvent:
      g.Text = ReadStringExact(s);
      if (!g.Text.empty() && g.Text[0] == '\x01') {
        g.Text.erase(0, 1);
        g.EventEnd = true;
      }
      break;
    case kWdOpeVar:
    case kWdOpeHistChar:
      g.Style = ReadIntExact(s);
      if (version >= 101) {
        g.Wait = ReadIntExact(s);
        g.Link = ReadStringExact(s);
      }
      if (version >= 102) {
        g.Text = ReadStringExact(s);
      } else {
        NeedBytes(s, 4);
        g.Expression = std::make_unique<TVelkParser>();
        g.Expression->LoadFromStream(s);
      }
      break;
    case kWdImg:
      g.Link = ReadStringExact(s);
      g.Wait = ReadIntExact(s);
      g.Text = ReadStringExact(s);
      g.Value = ReadByteExact(s);
      break;
    default: damaged("glyph " + std::to_string(g.Code));
  }
  return g;
}

void write_glyph(TStream& s, const TWordRecord& g, int32_t version) {
  WriteByte(s, g.Code);
  switch (g.Code) {
    case kWdChar:
      WriteString(s, g.Link);
      WriteInt(s, g.Wait);
      WriteByte(s, static_cast<uint8_t>(g.CharCode & 0xFF));
      WriteByte(s, static_cast<uint8_t>(g.CharCode >> 8));
      WriteInt(s, g.Style);
      break;
    case kWdOpeAlign:
    case kWdOpeReturn: WriteByte(s, g.Value); break;
    case kWdOpeEvent: WriteString(s, g.EventEnd ? "\x01" + g.Text : g.Text); break;
    case kWdOpeVar:
    case kWdOpeHistChar:
      WriteInt(s, g.Style);
      if (version >= 101) {
        WriteInt(s, g.Wait);
        WriteString(s, g.Link);
      }
      if (version >= 102) {
        WriteString(s, g.Text);
      } else if (g.Expression) {
        g.Expression->SaveToStream(s);
      } else {
        TVelkParser().SaveToStream(s);
      }
      break;
    case kWdImg:
      WriteString(s, g.Link);
      WriteInt(s, g.Wait);
      WriteString(s, g.Text);
      WriteByte(s, g.Value);
      break;
    default: break;
  }
}

}  // namespace

void TComposedText::LoadFromStream(TStream& s) {
  Styles.clear();
  Glyphs.clear();
  Version = read_version(s);
  const int32_t style_count = ReadCount(s, kMinStyleSize);
  for (int32_t i = 0; i < style_count; ++i) Styles.push_back(read_style(s, Version));
  const int32_t glyph_count = ReadCount(s, kMinGlyphSize);
  for (int32_t i = 0; i < glyph_count; ++i) Glyphs.push_back(read_glyph(s, Version));
  Validate();
}

void TComposedText::SaveToStream(TStream& s) const {
  if (Version > 0) {
    // "MvWord" and the version in three digits.
    const auto v = static_cast<uint32_t>(Version) % 1000;
    const char head[9] = {'M',
                          'v',
                          'W',
                          'o',
                          'r',
                          'd',
                          static_cast<char>('0' + v / 100),
                          static_cast<char>('0' + v / 10 % 10),
                          static_cast<char>('0' + v % 10)};
    s.WriteBuffer(head, 9);
  }
  WriteInt(s, static_cast<int32_t>(Styles.size()));
  for (const auto& d : Styles) write_style(s, d, Version);
  WriteInt(s, static_cast<int32_t>(Glyphs.size()));
  for (const auto& g : Glyphs) write_glyph(s, g, Version);
}

void TComposedText::Validate() const {
  for (const auto& g : Glyphs) {
    if (!known_code(g.Code)) damaged("glyph " + std::to_string(g.Code));
    if (has_style(g.Code) && (g.Style < 0 || g.Style >= static_cast<int32_t>(Styles.size()))) damaged("style");
  }
}

TComposerSettings::TComposerSettings() : FontName(Utf8ToCp932("ＭＳ ゴシック")) {}

void TComposerSettings::LoadFromStream(TStream& s, int32_t version) {
  OriginX = ReadIntExact(s);
  OriginY = ReadIntExact(s);
  FontSize = ReadIntExact(s);
  FontName = ReadStringExact(s);
  TextColor = ReadIntExact(s);
  PageHeight = ReadIntExact(s);
  MaxWidth = ReadIntExact(s);
  AntiAlias = ReadIntExact(s);
  LineSpace = ReadIntExact(s);
  Paging = ReadByteExact(s) != 0;
  LinkColor = ReadIntExact(s);
  HoverColor = ReadIntExact(s);
  FadeTime = ReadIntExact(s);
  BorderColor = ReadIntExact(s);
  Alpha = ReadIntExact(s);
  Paused = ReadByteExact(s) != 0;
  CaretX = ReadIntExact(s);
  CaretY = ReadIntExact(s);
  SpeedFactor = ReadIntExact(s);
  Notify = ReadByteExact(s) != 0;
  if (version >= 110) ShadowColor = ReadIntExact(s);
  if (version >= 111) {
    BorderWidth = ReadIntExact(s);
    ShadowWidth = ReadIntExact(s);
  }
}

void TComposerSettings::SaveToStream(TStream& s, int32_t version) const {
  for (int32_t v : {OriginX, OriginY, FontSize}) WriteInt(s, v);
  WriteString(s, FontName);
  for (int32_t v : {TextColor, PageHeight, MaxWidth, AntiAlias, LineSpace}) WriteInt(s, v);
  WriteBool(s, Paging);
  for (int32_t v : {LinkColor, HoverColor, FadeTime, BorderColor, Alpha}) WriteInt(s, v);
  WriteBool(s, Paused);
  for (int32_t v : {CaretX, CaretY, SpeedFactor}) WriteInt(s, v);
  WriteBool(s, Notify);
  if (version >= 110) WriteInt(s, ShadowColor);
  if (version >= 111) {
    WriteInt(s, BorderWidth);
    WriteInt(s, ShadowWidth);
  }
}

}  // namespace velk
