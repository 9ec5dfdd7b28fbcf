#include "script/message_history.h"

#include <algorithm>
#include <unordered_map>

#include "base/error.h"
#include "base/sjis.h"
#include "scene/velk_mes.h"
#include "text/composed_text.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// The last non-empty id of a list of references.
std::string LastId(const std::vector<TMesReference>& entries) {
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (!it->Id.empty()) return it->Id;
  }
  return {};
}

bool IsExpansion(const TWdGlyph& g) { return g.Kind == TWdKind::VarChar || g.Kind == TWdKind::VarReturn; }

}  // namespace

void THistLayout::SaveToStream(TStream& s) const {
  for (int32_t v : {FontHeight, FontBorder, FontShadow, Width, Height, LineSpace}) WriteInt(s, v);
}

void THistLayout::LoadFromStream(TStream& s) {
  for (int32_t* v : {&FontHeight, &FontBorder, &FontShadow, &Width, &Height, &LineSpace}) *v = ReadIntExact(s);
}

// ---- one history -----------------------------------------------------------------------------------------------

TVelkNewHistory::TVelkNewHistory() : composer_(std::make_unique<TWordComposer>(FontPixelManager())) {
  composer_->Settings.Paging = false;
}

TVelkNewHistory::~TVelkNewHistory() = default;

THistLayout TVelkNewHistory::ComposerLayout() const {
  const TComposerSettings& s = composer_->Settings;
  return {s.FontSize, s.BorderWidth, s.ShadowWidth, s.MaxWidth, s.PageHeight, s.LineSpace};
}

void TVelkNewHistory::SetComposerLayout(const THistLayout& l) {
  TComposerSettings& s = composer_->Settings;
  s.FontSize = l.FontHeight;
  s.BorderWidth = l.FontBorder;
  s.ShadowWidth = l.FontShadow;
  s.MaxWidth = l.Width;
  s.PageHeight = l.Height;
  s.LineSpace = l.LineSpace;
}

bool TVelkNewHistory::LayoutMode() const { return composer_->Settings.MaxWidth > 0; }

int32_t TVelkNewHistory::Count() const {
  return static_cast<int32_t>(LayoutMode() ? blocks_.size() : entries_.size());
}

int32_t TVelkNewHistory::TotalLines() const {
  if (!LayoutMode()) return static_cast<int32_t>(entries_.size());
  int64_t total = 0;
  for (const TVelkHistData& b : blocks_) total += b.TotalHeight;
  return static_cast<int32_t>(std::clamp<int64_t>(total, 0, INT32_MAX));
}

void TVelkNewHistory::Clear() {
  blocks_.clear();
  entries_.clear();
  current_ = TEntry{};
}

void TVelkNewHistory::SetCapacity(int32_t capacity) {
  capacity_ = std::max(0, capacity);
  Trim();
}

void TVelkNewHistory::Trim() {
  if (capacity_ <= 0) return;
  while (static_cast<int32_t>(blocks_.size()) > capacity_) blocks_.erase(blocks_.begin());
  while (static_cast<int32_t>(entries_.size()) > capacity_) {
    // The oldest entry goes; the next one takes over its id when it relied on it.
    if (entries_.size() > 1 && entries_[1].Id.empty()) entries_[1].Id = entries_[0].Id;
    entries_.erase(entries_.begin());
  }
}

void TVelkNewHistory::RecordPage(const THistLayout& format, const TVelkControl& window, const std::string& id,
                                 const std::string& extra, int32_t value, int32_t last, int32_t first,
                                 int32_t number) {
  current_.Id = id;
  current_.Number = number;
  current_.First = first;
  current_.Last = last;
  current_.Window = window.Name();
  current_.Extra = extra;
  if (format.FontHeight == 0) {
    current_.Width = window.Width;
    current_.Height = window.Height;
    current_.Value = value;
  }
  if (blocks_.empty()) SetComposerLayout(format);
}

void TVelkNewHistory::EndEntry(const std::string& window, IMessageTexts* texts) {
  if (current_.Id.empty() || current_.Window != window) return;
  if (LayoutMode()) {
    const auto text = texts ? texts->MessageText(current_.Id, current_.Number) : nullptr;
    if (text) {
      composer_->Clear();
      const int32_t first = std::max(0, current_.First);
      try {
        composer_->AddComposedText(SliceComposedText(*text, first, current_.Last));
        // Laid out as the history shows it: with the texts the page showed.
        UseHistoryTexts(*composer_, current_.Extra);
        composer_->ExpandVars(true);
        composer_->Layout();
      } catch (const EVelkError&) {
        composer_->Clear();
      }
      // The message position of every glyph, and the rows in order.
      std::unordered_map<const TWdGlyph*, int32_t> position;
      int32_t records = 0;
      for (int32_t i = 0; i < composer_->GlyphCount(); ++i) {
        const TWdGlyph* g = composer_->Glyph(i);
        if (IsExpansion(*g)) {
          position[g] = first + records - 1;
        } else {
          position[g] = first + records++;
        }
      }
      std::vector<const TWdRow*> rows;
      for (int32_t p = 0; p < composer_->PageCount(); ++p) {
        for (const auto& r : composer_->Page(p)->Rows) rows.push_back(r.get());
      }
      const auto row_first = [&](const TWdRow* r) {
        for (const TWdGlyph* g : r->Glyphs) {
          if (const auto it = position.find(g); it != position.end()) return it->second;
        }
        return -1;
      };
      const int32_t spacing = composer_->Settings.LineSpace;
      const int32_t limit = composer_->Settings.PageHeight;
      for (size_t k = 0; k < rows.size(); ++k) {
        THistPiece piece;
        piece.Number = current_.Number;
        piece.First = std::max(first, row_first(rows[k]));
        piece.Last = first + records - 1;
        for (size_t n = k + 1; n < rows.size(); ++n) {
          if (const int32_t f = row_first(rows[n]); f >= 0) {
            piece.Last = f - 1;
            break;
          }
        }
        piece.Height = rows[k]->Height + spacing;
        piece.Extra = current_.Extra;
        const bool fits = !blocks_.empty() && int64_t{blocks_.back().TotalHeight} + piece.Height <= limit;
        if (!fits) blocks_.emplace_back();
        TVelkHistData& block = blocks_.back();
        piece.Id = block.Pieces.empty() || block.IdAt(block.Pieces.size() - 1) != current_.Id ? current_.Id
                                                                                                : std::string();
        block.Add(std::move(piece));
      }
      Trim();
    }
  } else {
    TMesReference r;
    r.Id = LastId(entries_) == current_.Id ? std::string() : current_.Id;
    r.Number = current_.Number;
    r.Value = current_.Value;
    r.Width = current_.Width;
    r.Height = current_.Height;
    entries_.push_back(std::move(r));
    Trim();
  }
  current_.Id.clear();
}

void TVelkNewHistory::ShowRange(int32_t first, int32_t count, TVelkMes& window) const {
  window.ReadTracked = TVelkMes::kShowingHistory;
  TVelkNewMesData& data = window.MessageData;
  data.Clear();
  const int64_t end = int64_t{std::max(0, first)} + std::max(0, count);
  if (!LayoutMode()) {
    std::string id;
    for (int64_t i = 0; i < static_cast<int64_t>(entries_.size()); ++i) {
      const TMesReference& r = entries_[static_cast<size_t>(i)];
      if (!r.Id.empty()) id = r.Id;
      if (i < first || i >= end) continue;
      TMesReference copy = r;
      copy.Id = id;
      data.References.push_back(std::move(copy));
    }
  } else {
    // The lines that lie within [first, end) pixels of the whole history; the first one's offset into its block is
    // where the window starts.
    int64_t y = 0;
    bool started = false;
    for (const TVelkHistData& block : blocks_) {
      for (size_t i = 0; i < block.Pieces.size(); ++i) {
        const THistPiece& p = block.Pieces[i];
        const int64_t top = y;
        y += p.Height;
        if (y <= first || top >= end) continue;
        if (!started) window.LayoutValue = static_cast<int32_t>(std::max<int64_t>(0, first - top));
        started = true;
        THistPiece copy = p;
        copy.Id = block.IdAt(i);
        data.History.Add(std::move(copy));
      }
    }
  }
  window.ShowMessageData(true);
}

void TVelkNewHistory::SaveToStream(TStream& s) const {
  WriteInt(s, static_cast<int32_t>(entries_.size()));
  for (const TMesReference& r : entries_) {
    WriteString(s, r.Id);
    for (int32_t v : {r.Number, r.Value, r.Width, r.Height}) WriteInt(s, v);
  }
  WriteString(s, current_.Id);
  WriteInt(s, current_.Number);
  WriteInt(s, current_.Value);
  WriteInt(s, current_.Width);
  WriteInt(s, current_.Height);
  WriteString(s, current_.Window);
  WriteInt(s, capacity_);
  ComposerLayout().SaveToStream(s);
  WriteInt(s, current_.First);
  WriteInt(s, current_.Last);
  WriteInt(s, static_cast<int32_t>(blocks_.size()));
  for (const TVelkHistData& b : blocks_) b.SaveToStream(s);
  WriteString(s, current_.Extra);
}

void TVelkNewHistory::LoadFromStream(TStream& s, int32_t version) {
  Clear();
  TEntry entry;
  std::vector<TMesReference> entries;
  if (version < 113) {
    ReadStringExact(s);
    const int32_t n = ReadCount(s, 4 + 4 + 4 + 8);
    entries.resize(static_cast<size_t>(n));
    for (TMesReference& r : entries) r.Id = ReadStringExact(s);
    for (TMesReference& r : entries) r.Number = ReadIntExact(s);
    for (TMesReference& r : entries) r.Value = ReadIntExact(s);
    for (TMesReference& r : entries) {
      r.Width = ReadIntExact(s);
      r.Height = ReadIntExact(s);
    }
  } else {
    const int32_t n = ReadCount(s, 4 + 16);
    for (int32_t i = 0; i < n; ++i) {
      TMesReference r;
      r.Id = ReadStringExact(s);
      for (int32_t* v : {&r.Number, &r.Value, &r.Width, &r.Height}) *v = ReadIntExact(s);
      entries.push_back(std::move(r));
    }
  }
  entry.Id = ReadStringExact(s);
  entry.Number = ReadIntExact(s);
  entry.Value = ReadIntExact(s);
  entry.Width = ReadIntExact(s);
  entry.Height = ReadIntExact(s);
  entry.Window = ReadStringExact(s);
  std::vector<TVelkHistData> blocks;
  THistLayout layout;
  int32_t capacity = 0;
  if (version > 112) {
    capacity = ReadIntExact(s);
    layout.LoadFromStream(s);
    entry.First = ReadIntExact(s);
    entry.Last = ReadIntExact(s);
    const int32_t n = ReadCount(s, 8);
    for (int32_t i = 0; i < n; ++i) {
      TVelkHistData b;
      b.LoadFromStream(s, version);
      blocks.push_back(std::move(b));
    }
    if (version > 123) entry.Extra = ReadStringExact(s);
  }
  entries_ = std::move(entries);
  blocks_ = std::move(blocks);
  current_ = std::move(entry);
  SetComposerLayout(layout);
  capacity_ = std::max(0, capacity);
}

// ---- the formats -----------------------------------------------------------------------------------------------

TVelkHistoryFormatManager::TVelkHistoryFormatManager() { Reset(); }
TVelkHistoryFormatManager::~TVelkHistoryFormatManager() = default;

void TVelkHistoryFormatManager::Reset() {
  formats_.clear();
  formats_.push_back(std::make_unique<TVelkHistoryFormat>());
}

TVelkHistoryFormat* TVelkHistoryFormatManager::FindFormat(const std::string& name) const {
  for (const auto& f : formats_) {
    if (SameText(f->Name, name)) return f.get();
  }
  return nullptr;
}

TVelkHistoryFormat& TVelkHistoryFormatManager::GetFormat(const std::string& name) {
  if (TVelkHistoryFormat* f = FindFormat(name)) return *f;
  formats_.push_back(std::make_unique<TVelkHistoryFormat>());
  formats_.back()->Name = name;
  return *formats_.back();
}

void TVelkHistoryFormatManager::RecordPage(const TVelkControl& window, const std::string& id,
                                           const std::string& extra, int32_t value, int32_t last, int32_t first,
                                           int32_t number) {
  for (const auto& f : formats_) f->History.RecordPage(f->Layout, window, id, extra, value, last, first, number);
}

void TVelkHistoryFormatManager::EndEntry(const std::string& window) {
  for (const auto& f : formats_) f->History.EndEntry(window, Texts);
}

int32_t TVelkHistoryFormatManager::HistoryCount(const std::string& format) const {
  const TVelkHistoryFormat* f = FindFormat(format);
  return f ? f->History.Count() : 0;
}

int32_t TVelkHistoryFormatManager::HistoryCapacity(const std::string& format) const {
  const TVelkHistoryFormat* f = FindFormat(format);
  return f ? f->History.Capacity() : 0;
}

bool TVelkHistoryFormatManager::SetHistoryCapacity(const std::string& format, int32_t capacity) {
  TVelkHistoryFormat* f = FindFormat(format);
  if (!f) return false;
  f->History.SetCapacity(capacity);
  return true;
}

void TVelkHistoryFormatManager::ClearAll() {
  for (const auto& f : formats_) f->History.Clear();
}

void TVelkHistoryFormatManager::SaveToStream(TStream& s) const {
  WriteInt(s, static_cast<int32_t>(formats_.size()));
  for (const auto& f : formats_) {
    WriteString(s, f->Name);
    f->Layout.SaveToStream(s);
    f->History.SaveToStream(s);
  }
}

void TVelkHistoryFormatManager::LoadFromStream(TStream& s, int32_t version) {
  if (version < 135) {
    Reset();
    formats_.front()->History.LoadFromStream(s, version);
    return;
  }
  std::vector<std::unique_ptr<TVelkHistoryFormat>> formats;
  // A format holds at least its name length, six settings and a history block of a few fields.
  const int32_t n = ReadCount(s, 4 + 24 + 40);
  for (int32_t i = 0; i < n; ++i) {
    auto f = std::make_unique<TVelkHistoryFormat>();
    f->Name = ReadStringExact(s);
    f->Layout.LoadFromStream(s);
    f->History.LoadFromStream(s, version);
    formats.push_back(std::move(f));
  }
  formats_ = std::move(formats);
  // The default format always exists.
  GetFormat({});
}

}  // namespace velk
