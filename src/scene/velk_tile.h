#pragma once
// A picture repeated over the control's rectangle, scrolled by ScrollX/ScrollY. The tile is placed by its Left/Top
// alone (zoom and anchor only scale and mirror the repeated picture) and its children sit on the scrolled content.
#include <cstdint>
#include <string>

#include "scene/blur_image.h"
#include "scene/custom_images.h"

namespace velk {

class TVelkTile : public TVelkCustomImages {
 public:
  explicit TVelkTile(TVelkBaseList* owner) : TVelkCustomImages(owner) {}

  uint8_t ComponentType() const override { return VT_TILE; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;

  // The geometry ignores zoom, mirroring, anchor and the extra offset: the tile is placed by Left and Top alone.
  int32_t ZoomX() const override { return 256; }
  int32_t ZoomY() const override { return 256; }
  bool FlipH() const override { return false; }
  bool FlipV() const override { return false; }
  bool PlacedByLeftTop() const override { return true; }
  int32_t ScrollX() const override { return scroll_x_; }
  int32_t ScrollY() const override { return scroll_y_; }
  void SetScrollX(int32_t v);
  void SetScrollY(int32_t v);
  // The tile keeps the size it is given.
  void UpdateSize() override { SizeDirty = false; }
  TRect ScreenRect() const override { return PictureRect(); }
  void Draw() override;
  TVelkControl* HitTest(TPoint p, TMouseAllowed allowed) override { return TVelkControl::HitTest(p, allowed); }

  int32_t DistanceX = 0;
  int32_t DistanceY = 0;
  std::string OnIdle;

 protected:
  void DrawTiles();
  TVelkCustomImage* NewAfterimage() override;
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  int32_t scroll_x_ = 0, scroll_y_ = 0;
};

// The afterimage of a tile.
class TVelkBlurTile : public TVelkTile {
 public:
  explicit TVelkBlurTile(TVelkBaseList* owner) : TVelkTile(owner) {}
  ~TVelkBlurTile() override;

  void Begin(const TVelkTile& source);
  bool Update() override;
  TVelkControl* HitTest(TPoint, TMouseAllowed) override { return nullptr; }
  bool IsAfterimage() const override { return true; }
  void ReleaseSurfaces() override;

  TAfterimageFade Fade;

 private:
  TBorrowedPicture picture_;
};

}  // namespace velk
