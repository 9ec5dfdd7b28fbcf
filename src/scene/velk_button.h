#pragma once
// An image button: four state pictures (normal, hover, pressed, clicked), an optional caption drawn over the
// picture, and radio groups of buttons that share a parent and a group index. A click raises PR_ONNOTIFY; the
// clicked picture plays once and then the button returns to the state asked for meanwhile, or ends itself with
// PR_AUTOSCRAP.
#include <cstdint>
#include <string>
#include <vector>

#include "scene/velk_images.h"
#include "text/label_dib.h"

namespace velk {

class TVelkButton : public TVelkImages {
 public:
  static constexpr int32_t kNormal = 0, kHover = 1, kPressed = 2, kClicked = 3;

  explicit TVelkButton(TVelkBaseList* owner);
  ~TVelkButton() override;

  uint8_t ComponentType() const override { return VT_BUTTON; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;

  // -1 only while the clicked state is being left.
  int32_t State = kNormal;
  int32_t StateAfterClick = kNormal;
  // 0 idle, 1 pressed by the mouse, -1 clicked and to be destroyed.
  int32_t Pressing = 0;
  int32_t GroupIndex = 0;
  bool SelectedFlag = false;
  bool AllowAllUp = false;
  std::string OnNotify;

  // While the clicked state shows, a request is only remembered; otherwise a state with a picture (or 0) is taken
  // and its frames start from the first.
  void SetState(int32_t s);
  // A new source keeps the other state pictures and shows the current state again.
  void SetSource(const std::string& name) override;
  const std::string& HoverSource() const { return sources_[kHover]; }
  const std::string& PressedSource() const { return sources_[kPressed]; }
  const std::string& ClickedSource() const { return sources_[kClicked]; }
  void SetStateSource(int32_t state, const std::string& name);
  void SetSelected(bool v);
  void SetAllowAllUp(bool v);
  // The group's buttons agree again on which of them is down (see the rule in the source).
  void RefreshGroup();
  // The buttons of the group in child order; only this one without a group.
  std::vector<TVelkButton*> GroupMembers() const;
  // What a click does: PR_ONNOTIFY, then the clicked state or the selection toggle of a group.
  void Click();

  // The caption and its font.
  TLabelDIBList& Caption() { return caption_; }
  const TLabelDIBList& Caption() const { return caption_; }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  void SetFontName(const std::string& v);
  void SetFontHeight(int32_t v);
  void SetFontStyle(int32_t v);
  void SetFontColor(int32_t v);
  void SetAntiAlias(bool v);

  bool Update() override;
  void Draw() override;
  // A button draws its caption and states its own way.
  bool CoversOpaquely(const TRect&) const override { return false; }
  void MouseMove() override;
  void MouseOut(TVelkControl* new_target) override;
  void MouseLeftDown() override;
  void MouseLeftUp() override;

  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  // Shows the first frame of a state's list (the normal picture for -1).
  void ShowState();
  // One step of the frame clock of the shown state; true when the button ends itself.
  bool AnimateState();
  bool MouseOver() const;
  void CaptionChanged();

  std::string sources_[4];
  TLabelDIBList caption_;
  std::string text_;
  bool measured_ = false;
};

}  // namespace velk
