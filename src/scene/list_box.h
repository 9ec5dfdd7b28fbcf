#pragma once
// A list of text items: one item per line of its text, drawn inside a frame of nine picture pieces, with a scroll
// strip when there are more items than rows, a check mark per item, a hovered item that follows the mouse and the
// arrow keys, and a selection that sets the selection result of the system variables. The list sizes itself to its
// items. Menus derive from it and add opening and closing.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scene/frame_picture.h"
#include "scene/velk_control.h"
#include "text/label_dib.h"

namespace velk {

class TVelkCustomListBox : public TVelkControl {
 public:
  explicit TVelkCustomListBox(TVelkBaseList* owner);
  ~TVelkCustomListBox() override;

  // The common base is never saved on its own.
  uint8_t ComponentType() const override { return VT_NONE; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }

  // A frame piece: its picture and, for the middle pieces, how the picture is aligned in its stretch.
  struct TPiece {
    TFramePicture Picture;
    uint8_t HAlign = 0;
    uint8_t VAlign = 0;
  };

  // Items.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  int32_t Count() const { return static_cast<int32_t>(items_text_.size()); }
  // The item's text, empty outside the list.
  std::string ItemText(int32_t i) const;
  // The first item with exactly that text, -1 for none.
  int32_t IndexOfItem(const std::string& text) const;
  bool Checked(int32_t i) const;
  // False outside the list.
  bool SetChecked(int32_t i, bool checked);

  // The hovered item (-1 none); setting raises PR_ONMAPOUT and PR_ONMAPIN and clears PR_INDEX.
  int32_t HoverIndex() const { return hover_; }
  void SetHoverIndex(int32_t i);
  // Selects the hovered item: PR_INDEX, the selection result and PR_ONSELECT.
  void SelectHovered();
  int32_t ItemIndex() const { return index_; }
  void SetItemIndex(int32_t i);
  int32_t TopIndex() const { return top_; }
  void SetTopIndex(int32_t v);
  int32_t RowCount() const { return row_count_; }
  void SetRowCount(int32_t v);

  // Geometry, valid after Measure (the automatic size runs it).
  int32_t RowHeight() const;
  bool Scrolling() const { return Count() > row_count_; }
  // The item under a point of the base, -1 when the point is off the item area or past the last item.
  int32_t ItemAt(TPoint p) const;
  // Lays the labels out and takes the automatic size when the items or the font changed.
  void UpdateAutoSize();
  // A font, item or frame setting changed: the labels are drawn again and the size is taken again before the
  // next update.
  void SettingsChanged();

  // Fields of the system.
  int32_t LineSpace = 0;
  int32_t Alpha = 255;
  int32_t MarginX = 0, MarginY = 0;
  int32_t BorderWidth = 0;
  int32_t BorderColor = -1;
  std::array<TPiece, 9> Pieces;
  uint8_t HAlign = 0;
  std::string OnSelect, OnIdle, OnMapIn, OnMapOut;
  bool PausedFlag = false;

  // The two label lists: items, and the hovered item's look.
  TLabelDIBList& Items() { return items_; }
  TLabelDIBList& Hovers() { return hovers_; }
  const TLabelDIBList& Items() const { return items_; }
  const TLabelDIBList& Hovers() const { return hovers_; }

  void Draw() override;
  bool Update() override;
  void MouseMove() override;
  void MouseLeftDown() override;
  void MouseLeftUp() override;
  void MouseCaptured() override;
  void KeyDown() override;
  void KeyRepeat() override;
  void ReleaseSurfaces() override;

 protected:
  // At rest: not in an opening or closing animation (list boxes always are).
  virtual bool AtRest() const { return AnimationState() == 0; }
  virtual int32_t AnimationState() const { return 0; }
  virtual void SetAnimationState(int32_t) {}
  // PR_HOVERCOLOR: the hovered row's background, -1 for none (menus only have one).
  virtual int32_t HoverColor() const { return -1; }
  // The automatic size found a new height; menus open to it.
  virtual void TakeAutoSize(int32_t width, int32_t height) { SetBounds(Left, Top, width, height); }
  int32_t AutoHeight() const { return auto_height_; }
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  // The parts of the scroll strip a press can hold.
  enum class TPart : uint8_t { None, List, Thumb, Up, Down, TrackAbove, TrackBelow };
  struct TFrame {
    int32_t L = 0, R = 0, T = 0, B = 0;  // frame widths and heights
    int32_t sw = 0, sh = 0;              // scroll cell
    int32_t cw = 0, ch = 0;              // check cell
  };
  TFrame Frame() const;
  TRect Inner() const;
  // The scroll strip's parts on the base.
  TRect UpArrow() const;
  TRect DownArrow() const;
  int32_t ThumbTop() const;
  TPart PartAt(TPoint p) const;
  void ScrollBy(int32_t rows);
  void StepHeldPart();
  void DragThumb();
  void FollowHover();
  void LoadPiece(int32_t k, const std::string& name);
  void SetScrollSource(const std::string& name);
  void SetCheckSource(const std::string& name);
  void QueueItemEvent(int32_t id, int32_t item, bool unique);
  void DrawFrame(TCustomDIBX& target, const TRect& inner, const TFrame& f);
  void DrawScrollStrip(TCustomDIBX& target, const TRect& inner, const TFrame& f);
  void DrawItems(TCustomDIBX& target, const TRect& inner, const TFrame& f);

  std::string text_;
  std::vector<std::string> items_text_;
  std::vector<uint8_t> checks_;
  TLabelDIBList items_;
  TLabelDIBList hovers_;
  TFramePicture scroll_, check_;
  int32_t row_count_ = 0;
  int32_t top_ = 0;
  int32_t index_ = -1;
  int32_t hover_ = -1;
  bool layout_dirty_ = true;
  int32_t auto_height_ = 0;
  // The part a press holds, the time to its next repeat, and the thumb's drag offset.
  TPart held_ = TPart::None;
  int32_t repeat_left_ = 0;
  int32_t drag_offset_ = 0;
};

}  // namespace velk
