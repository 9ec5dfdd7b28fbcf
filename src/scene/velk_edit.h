#pragma once
// Text entry drawn by the player itself: one line (TVelkEdit) or several (TVelkMemo) of code page 932 text in the
// control's font and colours, a caret and a selection, keyboard navigation, the clipboard and typed text (the
// window's text input, or the input script's text events in headless runs). Each key and each piece of typed text
// raises PR_ONNOTIFY with the key code and the text. The box takes the keyboard focus when clicked and hides while
// paused.
#include <cstdint>
#include <string>

#include "scene/edit_text.h"
#include "scene/velk_control.h"
#include "text/label_dib.h"

namespace velk {

class TVelkEdit : public TVelkControl {
 public:
  explicit TVelkEdit(TVelkBaseList* owner) : TVelkEdit(owner, false) {}
  TVelkEdit(TVelkBaseList* owner, bool multi_line);
  ~TVelkEdit() override;

  uint8_t ComponentType() const override { return VT_EDIT; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  bool MultiLine() const { return multi_line_; }

  const std::string& Text() const { return text_.Text(); }
  void SetText(const std::string& text);
  const TEditText& Editor() const { return text_; }
  const std::string& FontName() const { return font_.FontName; }
  int32_t FontHeight() const { return font_.FontHeight; }
  uint8_t FontStyle() const { return font_.Style; }
  int32_t FontColor() const { return font_.TextColor; }
  void SetFontName(const std::string& v);
  void SetFontHeight(int32_t v);
  void SetFontStyle(uint8_t v);
  void SetFontColor(int32_t v);
  void SetPausedFlag(bool v);

  bool PausedFlag = false;
  bool ReadOnly = false;
  uint8_t HAlign = 0;  // memos only
  std::string OnNotify;

  // Typed text in code page 932 (the focus gets it from the scene).
  void TextInput(const std::string& cp932) override;
  void TextComposition(const std::string& cp932) override;
  const std::string& Composition() const { return composition_; }
  // The caret's rectangle on the base, for the window's input method.
  TRect CaretRect();
  // Whether the box shows its caret: it has the scene's focus and is not paused.
  bool HasFocus() const;

  void Draw() override;
  void MouseLeftDown() override;
  void MouseMove() override;
  void KeyDown() override;
  void KeyRepeat() override;
  void FocusGained() override { Invalidate(); }

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  void Changed(int32_t key);
  void Layout();
  // The byte position nearest a point of the base.
  size_t PositionAt(TPoint p);
  // The x of a byte position within its line's label.
  int32_t XOf(int32_t line, size_t pos);
  int32_t LineX(int32_t line);
  // Keeps the caret inside the box.
  void ScrollToCaret();
  void Paste();
  void DrawCaret(TCustomDIBX& target);
  void Copy();

  bool multi_line_;
  TEditText text_;
  TLabelDIBList font_;
  // The input method's text being composed and its label, drawn underlined at the caret.
  std::string composition_;
  TLabelDIBList composing_;
  bool layout_dirty_ = true;
  int32_t scroll_x_ = 0;
  int32_t first_line_ = 0;
};

class TVelkMemo : public TVelkEdit {
 public:
  explicit TVelkMemo(TVelkBaseList* owner) : TVelkEdit(owner, true) {}
  uint8_t ComponentType() const override { return VT_MEMO; }
};

}  // namespace velk
