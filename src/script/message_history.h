#pragma once
// The message history (backlog): which message pages were shown, as references to the text-insert commands that
// hold them and glyph ranges of those messages. Several formats may exist, each with its own history: one laid out
// with a template window's settings keeps blocks of laid-out lines; one without keeps a plain list of references.
// Showing a range hands what it covers to a message window, which lays it out again.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/mes_data.h"

namespace velk {

class TFontPixelManager;
class TStream;
class TVelkMes;
class TWordComposer;

// The six layout settings a format takes from its template window (all 0: a list history).
struct THistLayout {
  int32_t FontHeight = 0, FontBorder = 0, FontShadow = 0, Width = 0, Height = 0, LineSpace = 0;
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s);
};

class TVelkNewHistory {
 public:
  TVelkNewHistory();
  ~TVelkNewHistory();

  // The entry being shown.
  struct TEntry {
    std::string Id;
    int32_t Number = 0;
    int32_t First = 0, Last = 0;
    std::string Window;
    std::string Extra;
    int32_t Width = 0, Height = 0, Value = 0;
  };

  void RecordPage(const THistLayout& format, const TVelkControl& window, const std::string& id,
                  const std::string& extra, int32_t value, int32_t last, int32_t first, int32_t number);
  void EndEntry(const std::string& window, IMessageTexts* texts);
  void Clear();
  // Layout mode lays its entries out (the composer has a width); list mode keeps references.
  bool LayoutMode() const;
  // Layout mode: blocks; list mode: entries.
  int32_t Count() const;
  // Layout mode: the height of all blocks in pixels; list mode: entries.
  int32_t TotalLines() const;
  // Hands the lines (list mode: entries) first .. first + count - 1 to the window and shows them there.
  void ShowRange(int32_t first, int32_t count, TVelkMes& window) const;
  // Removes the oldest entries beyond the capacity (0: unlimited).
  void SetCapacity(int32_t capacity);
  int32_t Capacity() const { return capacity_; }

  const TEntry& Current() const { return current_; }
  const std::vector<TVelkHistData>& Blocks() const { return blocks_; }
  const std::vector<TMesReference>& Entries() const { return entries_; }
  THistLayout ComposerLayout() const;

  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s, int32_t version);

 private:
  void SetComposerLayout(const THistLayout& l);
  void Trim();

  std::unique_ptr<TWordComposer> composer_;
  TEntry current_;
  int32_t capacity_ = 0;
  std::vector<TVelkHistData> blocks_;
  std::vector<TMesReference> entries_;
  std::string extra_;
};

class TVelkHistoryFormat {
 public:
  std::string Name;
  THistLayout Layout;
  TVelkNewHistory History;
};

class TVelkHistoryFormatManager : public IMessageHistory {
 public:
  TVelkHistoryFormatManager();
  ~TVelkHistoryFormatManager() override;

  // Where the histories read the messages they lay out.
  IMessageTexts* Texts = nullptr;

  void Reset();
  TVelkHistoryFormat* FindFormat(const std::string& name) const;
  TVelkHistoryFormat& GetFormat(const std::string& name);
  TVelkHistoryFormat& DefaultFormat() { return GetFormat({}); }
  int32_t FormatCount() const { return static_cast<int32_t>(formats_.size()); }

  void RecordPage(const TVelkControl& window, const std::string& id, const std::string& extra, int32_t value,
                  int32_t last, int32_t first, int32_t number) override;
  void EndEntry(const std::string& window) override;
  int32_t HistoryCount(const std::string& format) const override;
  int32_t HistoryCapacity(const std::string& format) const override;
  bool SetHistoryCapacity(const std::string& format, int32_t capacity) override;
  void ClearAll();

  void SaveToStream(TStream& s) const;
  // Records from version 135 on hold every format; older ones one history, which the default format takes.
  void LoadFromStream(TStream& s, int32_t version);

 private:
  std::vector<std::unique_ptr<TVelkHistoryFormat>> formats_;
};

}  // namespace velk
