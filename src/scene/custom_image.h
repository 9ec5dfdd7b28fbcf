#pragma once
// The base of every control drawn from a surface: the picture (its own or one lent by the image cache or another
// component), its coverage mask, opacity code, zoom, rotation and mirroring, the hit test that follows the mask,
// the size rule of zoomed pictures and the afterimages left behind while the picture moves. TVelkImage is the
// single picture other components draw with.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "gfx/dibx.h"
#include "scene/afterimage.h"
#include "scene/velk_control.h"

namespace velk {

class TBrixItem;

class TVelkCustomImage : public TVelkControl {
 public:
  explicit TVelkCustomImage(TVelkBaseList* owner);
  ~TVelkCustomImage() override;

  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;

  // The picture the control makes itself, and one lent to it; the lent one wins when set.
  std::unique_ptr<TDIBX> OwnSurface;
  TCustomDIBX* SharedSurface = nullptr;
  // 8-bit coverage of the picture: Mask when set, else DefaultMask. Both are lent.
  TCustomDIBX* DefaultMask = nullptr;
  TCustomDIBX* Mask = nullptr;
  int32_t Alpha = 255;
  // Only the low byte counts: 256 steps make a full turn.
  int32_t Angle = 0;
  bool CaptureMask = false;
  // Width and Height are recomputed from the picture and the zoom at the next update.
  bool SizeDirty = false;
  // The current frame; classes with frames override SetIndex.
  int32_t Index = 0;
  int32_t BlurSpan = 0;
  int32_t BlurDelay = 0;

  TCustomDIBX* ImageSurface() const override;
  TCustomDIBX* CurrentMask() const { return Mask ? Mask : DefaultMask; }
  // The cache item that owns the image surface, when it comes from the image cache; afterimages hold it.
  virtual TBrixItem* SurfaceItem() const { return nullptr; }

  // Zoom in 256ths; 0 means the size was set explicitly (stretched picture).
  int32_t ZoomX() const override { return zoom_x_; }
  int32_t ZoomY() const override { return zoom_y_; }
  bool FlipH() const override { return flip_h_; }
  bool FlipV() const override { return flip_v_; }
  // The picture's own zoom and mirroring, also for classes whose geometry ignores them (tiles).
  int32_t PictureZoomX() const { return zoom_x_; }
  int32_t PictureZoomY() const { return zoom_y_; }
  bool PictureFlipH() const { return flip_h_; }
  bool PictureFlipV() const { return flip_v_; }
  // Zooms of 0 or less store 1.
  void SetZoomX(int32_t v);
  void SetZoomY(int32_t v);
  void SetFlipH(bool v);
  void SetFlipV(bool v);
  void SetAngle(int32_t v) { SetVisualInt(Angle, v); }
  void SetAlpha(int32_t v) { SetVisualInt(Alpha, v); }
  virtual void SetIndex(int32_t v) { Index = v; }
  // Sets SizeDirty here and in every child that places itself by the zoom.
  void MarkSizeDirty();
  // Applies a pending size change: Width/Height = picture size x zoom / 256 (axes with zoom 0 keep their size).
  virtual void UpdateSize();
  // A pending size is taken before the creating command applies the position.
  void TakeSizeFromSource() override {
    if (SizeDirty) UpdateSize();
  }
  // Stores an explicit size for one axis: its zoom becomes 0 and the picture is stretched to the size.
  void StoreExplicitSize(bool vertical, int32_t v);
  // True when the low byte of Angle is not 0.
  bool Rotated() const { return (Angle & 0xFF) != 0; }

  // The unrotated rectangle (ScreenLeft, ScreenTop, Width, Height).
  TRect PictureRect() const { return TVelkControl::ScreenRect(); }
  // Rotated pictures cover the bounding box of their rotated, zoomed rectangle.
  TRect ScreenRect() const override;
  void Draw() override;
  TVelkControl* HitTest(TPoint p, TMouseAllowed allowed) override;
  // The size rule, then the afterimages.
  bool Update() override;
  // Display surfaces are rebuilt: the own picture is dropped, then made again at 1 x 1 in the screen depth (the
  // image cache's, 32 without one). Classes that load pictures load them again instead.
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

  // Gives an afterimage what it takes from its source: the name from the scene, parent, priority - 1, position,
  // size, offsets, angle, zooms, flips, clip and frame.
  void CopyPictureState(TVelkCustomImage& to) const;

 protected:
  // Draws the image surface with the operation the opacity code chooses (rotated, unscaled or stretched).
  void DrawPicture();
  // Whether DrawPicture copies an opaque picture over the whole of area: full opacity, no mask, no transparent
  // colour, neither turned nor stretched, every piece of the frame present, inside the clip.
  bool PictureCoversOpaquely(const TRect& area) const;
  // Creates the afterimage of this control in the scene; tiles make tile afterimages.
  virtual TVelkCustomImage* NewAfterimage();
  // Leaves an afterimage every BlurSpan milliseconds while the picture moves or changes.
  void UpdateAfterimages();
  // Width/Height follow the shown picture at once (a new frame or source); old and new area are redrawn.
  void FollowPictureSize();

  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  int32_t zoom_x_ = 256, zoom_y_ = 256;
  bool flip_h_ = false, flip_v_ = false;
  TAfterimageClock blur_clock_;
};

// One picture used inside other components (buttons, sliders, list boxes): loaded through the image cache whatever
// its extension, copied into the control's own surface and darkened by the brightness. Not saved on its own.
class TVelkImage : public TVelkCustomImage {
 public:
  explicit TVelkImage(TVelkBaseList* owner) : TVelkCustomImage(owner) {}
  ~TVelkImage() override;

  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;

  const std::string& Source() const { return source_; }
  void SetSource(const std::string& name);
  int32_t Brightness() const { return brightness_; }
  // Clamped to 0 .. 255; 255 leaves the picture unchanged.
  void SetBrightness(int32_t value);

  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  void Release();
  void Rebuild();

  std::string source_;
  int32_t brightness_ = 255;
  TBrixItem* item_ = nullptr;
};

// Draws a picture unscaled at (x, y) with the operation the opacity code chooses: 1 .. 254 blended, 255 plain,
// 256 .. 511 additive with code - 256; through the mask when there is one, else honouring the transparent colour.
void DrawPictureAt(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX* image, const TRect& src, TCustomDIBX* mask,
                   bool flip_h, bool flip_v, int32_t alpha);

// Borrows a picture file from the scene's image cache for the owner: null when there is no cache, the file does
// not exist or cannot be read (a picture control then stays empty, no error is shown).
TBrixItem* AcquirePicture(TVelkBaseList* scene, const void* owner, const std::string& name);

// Darkens a surface by subtracting (255 - brightness) from each channel; 255 and above change nothing.
void ApplyBrightness(TCustomDIBX& surface, int32_t brightness);

}  // namespace velk
