#pragma once
// A picture with named hot regions: the picture, a hover picture shown only inside the region under the mouse (or
// chosen with the arrow keys) and the region file. Moving between regions raises PR_ONMAPOUT and PR_ONMAPIN; a
// click, Enter or Space selects the current region (the selection result of the system variables and
// PR_ONSELECT); Escape or a right click cancels when PR_RCLICKSCRAP is set. A map image that closes blocks its
// events for one frame and then ends.
#include <cstdint>
#include <memory>
#include <string>

#include "scene/frame_picture.h"
#include "scene/map_regions.h"
#include "scene/velk_control.h"

namespace velk {

class TBrixCollection;
class TDIBX;

class TVelkMapImage : public TVelkControl {
 public:
  explicit TVelkMapImage(TVelkBaseList* owner);
  ~TVelkMapImage() override;

  uint8_t ComponentType() const override { return VT_MAPIMG; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  // Blocked from the first update after closing started.
  bool EventsBlocked() const override { return closing_ >= 2; }
  TCustomDIBX* ImageSurface() const override { return picture_.Surface(); }

  void SetSource(const std::string& name);
  void SetHoverSource(const std::string& name);
  // Reads the region file through the scene's files; a missing or damaged file gives no regions.
  void SetMapSource(const std::string& name);
  void SetBrightness(int32_t value);
  const std::string& Source() const { return picture_.Source(); }
  const std::string& HoverSource() const { return hover_.Source(); }
  const std::string& MapSource() const { return map_source_; }
  int32_t Brightness() const { return brightness_; }
  const TMapRegions& Regions() const { return regions_; }

  // The region under the mouse or chosen by key, -1 for none. Setting it raises the out and in events.
  int32_t CurrentRegion() const { return current_; }
  void SetCurrentRegion(int32_t region);
  // Sets the selection result, raises PR_ONSELECT and, with PR_AUTOSCRAP, starts closing.
  void Select(int32_t region);
  // Empties the selection result and starts closing.
  void Cancel();
  // 0 open; 1 closing started; 2 events blocked, ends at the next update.
  int32_t ClosingState() const { return closing_; }

  int32_t Alpha = 255;
  std::string OnMapIn, OnMapOut, OnSelect, OnIdle;
  bool AutoScrap = false;
  bool RClickScrap = false;
  bool PausedFlag = false;

  bool Update() override;
  void Draw() override;
  void MouseMove() override;
  void MouseLeftDown() override;
  bool CloseOnRightClick() override;
  void KeyDown() override;
  void KeyRepeat() override;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  // The region's bounding box on the base, within the control.
  void InvalidateRegion(int32_t region);
  void StartClosing();
  void QueueRegionEvent(int32_t id, int32_t region, bool unique);
  // The hover picture's coverage inside the current region, rebuilt when the region or the hover frame changes.
  TCustomDIBX* HoverCoverage();

  TFramePicture picture_, hover_;
  std::string map_source_;
  TMapRegions regions_;
  int32_t brightness_ = 255;
  int32_t current_ = -1;
  int32_t closing_ = 0;
  std::unique_ptr<TDIBX> coverage_;
  bool coverage_dirty_ = true;
};

}  // namespace velk
