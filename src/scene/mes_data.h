#pragma once
// What a message window shows when its text comes from scripts rather than from a property: the text-insert command
// that holds the message (page name and command index), the references of a history list, or a block of history
// lines; and the two services behind it, the source of message texts and the history the window records into.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velk {

class TComposedText;
class TStream;
class TVelkControl;
class TWdPage;
class TWordComposer;

// The composed texts of the text-insert commands of script pages (implemented by the interpreter's side).
class IMessageTexts {
 public:
  virtual ~IMessageTexts() = default;
  // The message of the text-insert command at number in page id; null when the page, the command or its text is
  // missing or damaged.
  virtual std::shared_ptr<const TComposedText> MessageText(const std::string& id, int32_t number) = 0;
};

// The message history as a message window reaches it.
class IMessageHistory {
 public:
  virtual ~IMessageHistory() = default;
  // A read-tracked page of window is shown: its message (id, number), its glyph range and extra text.
  virtual void RecordPage(const TVelkControl& window, const std::string& id, const std::string& extra, int32_t value,
                          int32_t last, int32_t first, int32_t number) = 0;
  // The page that window showed is done with: the histories record it.
  virtual void EndEntry(const std::string& window) = 0;
  // The functions of scripts on a format's history (the default format: the empty name): its entries (blocks of a
  // laid-out history), and its capacity (0: unlimited). An unknown format counts 0 and refuses a capacity.
  virtual int32_t HistoryCount(const std::string& format) const = 0;
  virtual int32_t HistoryCapacity(const std::string& format) const = 0;
  virtual bool SetHistoryCapacity(const std::string& format, int32_t capacity) = 0;
};

// One recorded row of a history block.
struct THistPiece {
  std::string Id;  // empty: the nearest non-empty id before it
  int32_t Number = 0;
  int32_t First = 0, Last = 0;  // glyph range in the message
  int32_t Height = 0;           // row height + line space
  std::string Extra;
};

// A block of consecutive history lines.
class TVelkHistData {
 public:
  std::vector<THistPiece> Pieces;
  int32_t TotalHeight = 0;

  void Add(THistPiece piece);
  // The id of piece i, the nearest non-empty one at or before it.
  std::string IdAt(size_t i) const;
  void Clear() {
    Pieces.clear();
    TotalHeight = 0;
  }
  // version: of the data; pieces carry their extra text above 123.
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s, int32_t version);
};

// A message of a history list.
struct TMesReference {
  std::string Id;
  int32_t Number = 0;
  int32_t Value = 0;
  int32_t Width = 0, Height = 0;
};

// The message data of a message window.
class TVelkNewMesData {
 public:
  std::string Id;  // the page of the text-insert command
  int32_t Number = -1;
  std::vector<TMesReference> References;
  TVelkHistData History;

  void Clear();
  void SetMessage(const std::string& id, int32_t number) {
    Clear();
    Id = id;
    Number = number;
  }
  bool Empty() const { return Id.empty() && References.empty() && History.Pieces.empty(); }
  // Puts the glyphs of what the data holds into the composer (cleared first) and expands their variables (HISTCHAR
  // too when history is set): a history block's rows, each list reference's message on its own pages (consecutive
  // references of one message show it once), or the one message. A history row shows the texts its extra text
  // recorded; starts, when given, receives the composer's index of each row's first glyph (the glyph count for a
  // row whose message could not be read). False when nothing could be read.
  bool Compose(TWordComposer& composer, IMessageTexts* texts, bool history,
               std::vector<int32_t>* starts = nullptr) const;

  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s, int32_t version);
};

// The history texts of the composer's glyphs first .. last - 1 (with a page: of those laid out on it): what their
// VAR and HISTCHAR glyphs show, one line "expression TAB value" per expression, a line break of a value written as
// the byte 0x01. A history row keeps them as its extra text, so that it shows the texts the player saw.
std::string HistoryTexts(const TWordComposer& composer, int32_t first, int32_t last, const TWdPage* page = nullptr);
// Makes such texts the composer's substitution list (an empty text clears it).
void UseHistoryTexts(TWordComposer& composer, const std::string& texts);

// The glyph records first .. last of a composed text with the styles they use, as a text of its own.
TComposedText SliceComposedText(const TComposedText& text, int32_t first, int32_t last);

}  // namespace velk
