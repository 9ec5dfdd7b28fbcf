#include "scene/edit_text.h"

#include <algorithm>

#include "base/sjis.h"

namespace velk {

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string TEditText::Filter(const std::string& cp932) const {
  std::string out;
  for (size_t i = 0; i < cp932.size();) {
    const auto b = static_cast<uint8_t>(cp932[i]);
    if (IsBreak(cp932[i])) {
      // CR LF, CR and LF are each one line break.
      const size_t n = cp932[i] == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n' ? 2 : 1;
      if (multi_line_) out += "\r\n";
      i += n;
      continue;
    }
    if (IsLeadByte(b)) {
      // A lead byte needs a trail byte (0x40 .. 0xFC, not 0x7F).
      if (i + 1 < cp932.size()) {
        const auto t = static_cast<uint8_t>(cp932[i + 1]);
        if (t >= 0x40 && t <= 0xFC && t != 0x7F) out.append(cp932, i, 2);
      }
      i += 2;
      continue;
    }
    if (b >= 0x20 && b != 0x7F && b != 0x80 && b != 0xA0 && b < 0xFD) out += cp932[i];
    ++i;
  }
  return out;
}

void TEditText::SetText(const std::string& text) {
  text_.clear();
  caret_ = anchor_ = 0;
  Insert(text);
}

bool TEditText::Insert(const std::string& cp932) {
  std::string add = Filter(cp932);
  const size_t start = SelStart(), end = SelEnd();
  const size_t room = kMaxBytes - (text_.size() - (end - start));
  if (add.size() > room) {
    // Cut at the last whole character (a line break is two bytes) that fits.
    size_t keep = 0;
    for (size_t i = 0; i < add.size();) {
      const size_t n = add[i] == '\r' ? 2 : CharLength(add, i);
      if (i + n > room) break;
      i += n;
      keep = i;
    }
    add.resize(keep);
  }
  if (add.empty() && start == end) return false;
  text_.replace(start, end - start, add);
  caret_ = anchor_ = start + add.size();
  return true;
}

bool TEditText::Backspace() {
  if (HasSelection()) return Insert({});
  if (caret_ == 0) return false;
  anchor_ = Prev(caret_);
  return Insert({});
}

bool TEditText::Delete() {
  if (HasSelection()) return Insert({});
  if (caret_ >= text_.size()) return false;
  anchor_ = Next(caret_);
  return Insert({});
}

size_t TEditText::Next(size_t pos) const {
  if (pos >= text_.size()) return text_.size();
  if (text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n') return pos + 2;
  return pos + CharLength(text_, pos);
}

size_t TEditText::Prev(size_t pos) const {
  size_t last = 0;
  for (size_t i = 0; i < pos && i < text_.size(); i = Next(i)) last = i;
  return last;
}

void TEditText::Place(size_t pos, bool extend) {
  caret_ = std::min(pos, text_.size());
  if (!extend) anchor_ = caret_;
}

void TEditText::SetCaret(size_t pos, bool extend) {
  size_t at = 0;
  for (size_t i = 0; i <= pos && i <= text_.size(); i = Next(i)) {
    at = i;
    if (i == text_.size()) break;
  }
  Place(at, extend);
}

void TEditText::MoveLeft(bool extend) {
  // Without extend a selection collapses to its start.
  if (HasSelection() && !extend) return Place(SelStart(), false);
  Place(Prev(caret_), extend);
}

void TEditText::MoveRight(bool extend) {
  if (HasSelection() && !extend) return Place(SelEnd(), false);
  Place(Next(caret_), extend);
}

void TEditText::Home(bool extend) { Place(LineStart(LineOf(caret_)), extend); }
void TEditText::End(bool extend) { Place(LineEnd(LineOf(caret_)), extend); }

void TEditText::MoveUp(bool extend) {
  const int32_t line = LineOf(caret_);
  if (line == 0) return Place(0, extend);
  Place(AtColumn(line - 1, Column(caret_)), extend);
}

void TEditText::MoveDown(bool extend) {
  const int32_t line = LineOf(caret_);
  if (line + 1 >= LineCount()) return Place(text_.size(), extend);
  Place(AtColumn(line + 1, Column(caret_)), extend);
}

void TEditText::SelectAll() {
  anchor_ = 0;
  caret_ = text_.size();
}

int32_t TEditText::LineCount() const { return LineOf(text_.size()) + 1; }

int32_t TEditText::LineOf(size_t pos) const {
  int32_t line = 0;
  for (size_t i = 0; i < pos && i < text_.size(); ++i) {
    if (text_[i] == '\n') ++line;
  }
  return line;
}

size_t TEditText::LineStart(int32_t line) const {
  size_t i = 0;
  for (int32_t l = 0; l < line; ++l) {
    const size_t lf = text_.find('\n', i);
    if (lf == std::string::npos) return text_.size();
    i = lf + 1;
  }
  return i;
}

size_t TEditText::LineEnd(int32_t line) const {
  const size_t start = LineStart(line);
  const size_t lf = text_.find('\n', start);
  if (lf == std::string::npos) return text_.size();
  return lf > start && text_[lf - 1] == '\r' ? lf - 1 : lf;
}

int32_t TEditText::Column(size_t pos) const {
  int32_t column = 0;
  for (size_t i = LineStart(LineOf(pos)); i < pos; i = Next(i)) ++column;
  return column;
}

size_t TEditText::AtColumn(int32_t line, int32_t column) const {
  size_t i = LineStart(line);
  const size_t end = LineEnd(line);
  for (int32_t c = 0; c < column && i < end; ++c) i = Next(i);
  return i;
}

}  // namespace velk
