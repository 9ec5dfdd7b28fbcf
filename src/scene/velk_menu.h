#pragma once
// A list box that opens and closes as a pop-up menu: it grows from nothing to its size over PR_DELAY milliseconds
// (or at once), shrinks back when closed, raises the four opening and closing events, closes on a right click with
// PR_RCLICKSCRAP and ends itself once closed with PR_AUTOSCRAP.
#include <cstdint>
#include <string>

#include "scene/list_box.h"

namespace velk {

class TVelkMenu : public TVelkCustomListBox {
 public:
  explicit TVelkMenu(TVelkBaseList* owner);
  ~TVelkMenu() override;

  uint8_t ComponentType() const override { return VT_MENU; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  // Blocked while closing and once closed.
  bool EventsBlocked() const override { return !open_; }
  bool AutoScraps() const override { return AutoScrap; }

  // The open state: 0 open at once, 1 open with animation, 2 close at once, 3 close with animation.
  void SetOpenState(int32_t type);
  bool IsOpen() const { return open_; }
  // The height of the fully open menu.
  int32_t FullHeight() const { return AutoHeight(); }
  // The play state of the commands: 1 open, 3 closed.
  int32_t PlayState() const override { return open_ ? 1 : 3; }
  void SetPlayState(int32_t state) override { SetOpenState(state); }
  bool CloseOnRightClick() override;
  bool Update() override;

  int32_t Delay = 0;
  int32_t HoverColorValue = -1;
  bool AutoScrap = false;
  bool RClickScrap = false;
  std::string OnOpening, OnOpened, OnClosing, OnClosed;

 protected:
  int32_t HoverColor() const override { return HoverColorValue; }
  // The save record's animation state: 0 at rest, else the direction (1 opening, 2 closing) in the two low bits and
  // the milliseconds the animation has run above them, so that a loaded menu goes on where it was.
  int32_t AnimationState() const override;
  void SetAnimationState(int32_t state) override;
  void TakeAutoSize(int32_t width, int32_t height) override;
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  // The height shown during the animation.
  int32_t AnimatedHeight() const;
  void FinishOpening();
  void FinishClosing();
  // The closed event of a menu that ends itself is queued without sender, so that it survives the menu.
  void QueueClosed();

  bool open_ = false;
  // 0 at rest, 1 opening, 2 closing.
  int32_t anim_ = 0;
  int32_t elapsed_ = 0;
};

}  // namespace velk
