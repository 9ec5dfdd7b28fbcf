#pragma once
// The text of an edit box and what editing does to it: the code page 932 text (lines joined by CR LF in a memo),
// the caret and the other end of the selection as byte offsets on character boundaries, and the editing
// operations of the keyboard and the clipboard. A line break counts as one character.
#include <cstddef>
#include <cstdint>
#include <string>

namespace velk {

class TEditText {
 public:
  // The longest text an edit box holds, in bytes; longer text is cut at a character boundary.
  static constexpr size_t kMaxBytes = 65535;

  explicit TEditText(bool multi_line) : multi_line_(multi_line) {}

  const std::string& Text() const { return text_; }
  // Replaces the text (filtered as typed text is) and puts the caret at its end.
  void SetText(const std::string& text);
  size_t Caret() const { return caret_; }
  size_t Anchor() const { return anchor_; }
  bool HasSelection() const { return caret_ != anchor_; }
  size_t SelStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
  size_t SelEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
  std::string Selected() const { return text_.substr(SelStart(), SelEnd() - SelStart()); }

  // Replaces the selection with the text: control characters are dropped (a memo keeps line breaks, as CR LF), a
  // lead byte without its trail byte is dropped, and nothing is inserted beyond kMaxBytes. True when the text
  // changed.
  bool Insert(const std::string& cp932);
  // Deletes the selection, else the character before (Backspace) or after (Delete) the caret.
  bool Backspace();
  bool Delete();
  // Caret movement; with extend the selection's other end stays where it is.
  void MoveLeft(bool extend);
  void MoveRight(bool extend);
  void Home(bool extend);
  void End(bool extend);
  void MoveUp(bool extend);
  void MoveDown(bool extend);
  void SelectAll();
  // Places the caret at the nearest character boundary at or before pos.
  void SetCaret(size_t pos, bool extend);

  // Lines: their count, the line of a position, and the byte range of a line without its break.
  int32_t LineCount() const;
  int32_t LineOf(size_t pos) const;
  size_t LineStart(int32_t line) const;
  size_t LineEnd(int32_t line) const;
  std::string Line(int32_t line) const { return text_.substr(LineStart(line), LineEnd(line) - LineStart(line)); }

 private:
  size_t Next(size_t pos) const;
  size_t Prev(size_t pos) const;
  // Characters between the line start and pos.
  int32_t Column(size_t pos) const;
  size_t AtColumn(int32_t line, int32_t column) const;
  void Place(size_t pos, bool extend);
  std::string Filter(const std::string& cp932) const;

  bool multi_line_;
  std::string text_;
  size_t caret_ = 0;
  size_t anchor_ = 0;
};

}  // namespace velk
