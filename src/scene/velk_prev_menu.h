#pragma once
// A menu of preview pictures: one entry per line of PR_SOURCE, each a picture file, shown one below the other. The
// entry under the mouse raises PR_ONMAPOUT and PR_ONMAPIN, a click on an enabled entry selects it (the selection
// result of the system variables and PR_ONSELECT) and, with PR_AUTOSCRAP, ends the menu; a right click with
// PR_RCLICKSCRAP cancels (empty selection result) and ends it. Each entry has three flags, stored as three byte
// blocks: enabled, visible and selected.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/frame_picture.h"
#include "scene/velk_control.h"

namespace velk {

class TVelkPrevMenu : public TVelkControl {
 public:
  explicit TVelkPrevMenu(TVelkBaseList* owner);
  ~TVelkPrevMenu() override;

  uint8_t ComponentType() const override { return VT_PREVMENU; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  bool EventsBlocked() const override { return closing_; }
  bool AutoScraps() const override { return AutoScrap; }

  const std::string& Source() const { return source_; }
  void SetSource(const std::string& source);
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // The entries' picture names, one per line.
  std::string Text() const;
  std::string EntryName(int32_t i) const;
  // The entry flags; false outside the menu.
  enum TFlag : uint8_t { kEnabled = 0, kVisible = 1, kSelected = 2 };
  bool Flag(int32_t i, TFlag flag) const;
  bool SetFlag(int32_t i, TFlag flag, bool value);
  int32_t HoverIndex() const { return hover_; }
  int32_t EntryAt(TPoint p) const;
  void Select(int32_t i);

  bool PausedFlag = false;
  bool AutoScrap = false;
  bool RClickScrap = false;
  std::string OnSelect, OnIdle, OnMapIn, OnMapOut, OnPlayEnd;

  bool Update() override;
  void Draw() override;
  void MouseMove() override;
  void MouseLeftDown() override;
  bool CloseOnRightClick() override;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  struct TEntry {
    std::unique_ptr<TFramePicture> Picture = std::make_unique<TFramePicture>();
    std::string Name;
  };
  TRect EntryRect(int32_t i) const;
  void SetHover(int32_t i);
  void Layout();

  std::string source_;
  std::vector<TEntry> entries_;
  // Per entry: enabled, visible, selected.
  std::vector<uint8_t> flags_[3];
  int32_t hover_ = -1;
  bool closing_ = false;
};

}  // namespace velk
