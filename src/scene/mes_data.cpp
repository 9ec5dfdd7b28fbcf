#include "scene/mes_data.h"

#include <algorithm>
#include <unordered_set>

#include "text/composed_text.h"
#include "text/word_composer.h"
#include "vfs/stored_read.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

TComposedText CopyOf(const TComposedText& text) {
  TMemoryStream m;
  text.SaveToStream(m);
  m.SetPosition(0);
  TComposedText copy;
  copy.LoadFromStream(m);
  return copy;
}

TWordRecord LineBreak(bool page_end) {
  TWordRecord r;
  r.Code = kWdOpeReturn;
  r.Value = page_end ? 1 : 0;
  return r;
}

}  // namespace

std::string HistoryTexts(const TWordComposer& composer, int32_t first, int32_t last, const TWdPage* page) {
  std::unordered_set<const TWdRow*> rows;
  if (page) {
    for (const auto& r : page->Rows) rows.insert(r.get());
  }
  std::unordered_set<std::string> seen;
  std::string texts;
  last = std::min(last, composer.GlyphCount());
  for (int32_t i = std::max(0, first); i < last; ++i) {
    const TWdGlyph* g = composer.Glyph(i);
    if (!g->IsVar()) continue;
    const auto* v = static_cast<const TWdOpeVar*>(g);
    // A HISTCHAR of an ordinary page is not expanded: it has nothing to record. Expressions stored compiled have no
    // text to name them by.
    if ((v->Kind == TWdKind::HistChar && v->Expanded == 0) || v->Expression.empty()) continue;
    if (page && !rows.contains(v->Row)) continue;
    if (!seen.insert(v->Expression).second) continue;
    std::string value;
    for (int32_t k = 1; k <= v->Expanded && i + k < composer.GlyphCount(); ++k) {
      const TWdGlyph* e = composer.Glyph(i + k);
      if (e->Kind == TWdKind::VarReturn) {
        value.push_back('\x01');
      } else if (e->IsChar()) {
        const uint16_t code = static_cast<const TWdChar*>(e)->Code;
        if (code > 0xFF) value.push_back(static_cast<char>(code >> 8));
        value.push_back(static_cast<char>(code & 0xFF));
      }
    }
    if (!texts.empty()) texts += "\r\n";
    texts += v->Expression + '\t' + value;
  }
  return texts;
}

void UseHistoryTexts(TWordComposer& composer, const std::string& texts) {
  composer.Substitutions.clear();
  size_t at = 0;
  while (at < texts.size()) {
    size_t end = texts.find('\n', at);
    if (end == std::string::npos) end = texts.size();
    std::string line = texts.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Values hold no tabs: the expansion of a variable drops every control character but the line break.
    const size_t tab = line.rfind('\t');
    if (tab == std::string::npos) continue;
    composer.Substitutions.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
}

TComposedText SliceComposedText(const TComposedText& text, int32_t first, int32_t last) {
  TComposedText copy = CopyOf(text);
  const int32_t count = static_cast<int32_t>(copy.Glyphs.size());
  first = std::clamp(first, 0, count);
  last = std::clamp(last, first - 1, count - 1);
  std::vector<TWordRecord> kept;
  for (int32_t i = first; i <= last; ++i) kept.push_back(std::move(copy.Glyphs[static_cast<size_t>(i)]));
  copy.Glyphs = std::move(kept);
  return copy;
}

void TVelkHistData::Add(THistPiece piece) {
  TotalHeight = static_cast<int32_t>(std::clamp<int64_t>(int64_t{TotalHeight} + piece.Height, INT32_MIN, INT32_MAX));
  Pieces.push_back(std::move(piece));
}

std::string TVelkHistData::IdAt(size_t i) const {
  for (size_t k = std::min(i + 1, Pieces.size()); k-- > 0;) {
    if (!Pieces[k].Id.empty()) return Pieces[k].Id;
  }
  return {};
}

void TVelkHistData::SaveToStream(TStream& s) const {
  WriteInt(s, static_cast<int32_t>(Pieces.size()));
  for (const THistPiece& p : Pieces) {
    WriteString(s, p.Id);
    for (int32_t v : {p.Number, p.First, p.Last, p.Height}) WriteInt(s, v);
    WriteString(s, p.Extra);
  }
  WriteInt(s, TotalHeight);
}

void TVelkHistData::LoadFromStream(TStream& s, int32_t version) {
  Clear();
  // A piece holds at least its id length and four integers.
  const int32_t n = ReadCount(s, 20);
  for (int32_t i = 0; i < n; ++i) {
    THistPiece p;
    p.Id = ReadStringExact(s);
    for (int32_t* v : {&p.Number, &p.First, &p.Last, &p.Height}) *v = ReadIntExact(s);
    if (version > 123) p.Extra = ReadStringExact(s);
    Pieces.push_back(std::move(p));
  }
  TotalHeight = ReadIntExact(s);
}

void TVelkNewMesData::Clear() {
  Id.clear();
  Number = -1;
  References.clear();
  History.Clear();
}

bool TVelkNewMesData::Compose(TWordComposer& composer, IMessageTexts* texts, bool history,
                              std::vector<int32_t>* starts) const {
  composer.Clear();
  if (starts) starts->clear();
  if (!texts) return false;
  bool any = false;
  if (!History.Pieces.empty()) {
    std::string last_id;
    int32_t last_number = -1;
    for (size_t i = 0; i < History.Pieces.size(); ++i) {
      const THistPiece& p = History.Pieces[i];
      const int32_t start = composer.GlyphCount();
      if (starts) starts->push_back(start);
      const std::string id = History.IdAt(i);
      const auto text = texts->MessageText(id, p.Number);
      if (!text) continue;
      TComposedText slice = SliceComposedText(*text, p.First, p.Last);
      // A row of another message starts a line of its own.
      const bool new_message = any && (id != last_id || p.Number != last_number);
      const bool ends_with_break = !slice.Glyphs.empty() && slice.Glyphs.back().Code == kWdOpeReturn;
      if (new_message) slice.Glyphs.insert(slice.Glyphs.begin(), LineBreak(false));
      if (!ends_with_break && i + 1 < History.Pieces.size()) slice.Glyphs.push_back(LineBreak(false));
      composer.AddComposedText(slice);
      // Each row shows what its own message showed.
      UseHistoryTexts(composer, p.Extra);
      composer.ExpandVars(history, start);
      last_id = id;
      last_number = p.Number;
      any = true;
    }
    UseHistoryTexts(composer, {});
    return any;
  }
  if (!References.empty()) {
    std::string id, last_id;
    int32_t last_number = -1;
    for (const TMesReference& r : References) {
      if (!r.Id.empty()) id = r.Id;
      // The pages of one message follow each other in the list: the message is shown once.
      if (id == last_id && r.Number == last_number) continue;
      last_id = id;
      last_number = r.Number;
      const auto text = texts->MessageText(id, r.Number);
      if (!text) continue;
      TComposedText copy = CopyOf(*text);
      // Each message of a list starts a page of its own.
      copy.Glyphs.push_back(LineBreak(true));
      composer.AddComposedText(copy);
      any = true;
    }
    if (any) composer.ExpandVars(history);
    return any;
  }
  if (Id.empty()) return false;
  const auto text = texts->MessageText(Id, Number);
  if (!text) return false;
  composer.AddComposedText(*text);
  composer.ExpandVars(history);
  return true;
}

void TVelkNewMesData::SaveToStream(TStream& s) const {
  WriteString(s, Id);
  WriteInt(s, Number);
  WriteInt(s, static_cast<int32_t>(References.size()));
  for (const TMesReference& r : References) {
    WriteString(s, r.Id);
    for (int32_t v : {r.Number, r.Value, r.Width, r.Height}) WriteInt(s, v);
  }
  History.SaveToStream(s);
}

void TVelkNewMesData::LoadFromStream(TStream& s, int32_t version) {
  Clear();
  Id = ReadStringExact(s);
  Number = ReadIntExact(s);
  const int32_t n = ReadCount(s, 20);
  for (int32_t i = 0; i < n; ++i) {
    TMesReference r;
    r.Id = ReadStringExact(s);
    for (int32_t* v : {&r.Number, &r.Value, &r.Width, &r.Height}) *v = ReadIntExact(s);
    References.push_back(std::move(r));
  }
  History.LoadFromStream(s, version);
}

}  // namespace velk
