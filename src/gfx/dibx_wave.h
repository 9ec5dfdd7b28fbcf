#pragma once
// A surface without pixels that forwards every drawing operation to a target surface, shifting each line of what
// is drawn right by a per-line offset: the wave distortion of a wave component. Coordinates are the target's; the
// wave region starts at (RegionLeft, RegionTop) and is Width() x Height(), one offset per region line.
#include <vector>

#include "gfx/custom_dibx.h"

namespace velk {

class TDIBXWave : public TCustomDIBX {
 public:
  explicit TDIBXWave(TCustomDIBX* target) : target_(target) {}

  void SetRegionOrigin(int32_t left, int32_t top) {
    region_left_ = left;
    region_top_ = top;
  }
  int32_t RegionLeft() const { return region_left_; }
  int32_t RegionTop() const { return region_top_; }
  // One horizontal offset per region line, zero after SetSize.
  std::vector<int32_t>& Offsets() { return offsets_; }

  int BitCount() const override { return target_->BitCount(); }
  uint32_t RedMask() const override { return target_->RedMask(); }
  uint32_t GreenMask() const override { return target_->GreenMask(); }
  uint32_t BlueMask() const override { return target_->BlueMask(); }
  TCustomDIBX* Target() override { return target_; }
  int StorageBitCount() const override { return target_->StorageBitCount(); }
  void SetSize(int32_t width, int32_t height, int depth) override;
  void ResetClip() override;
  void AddClip(const TRect& r) override;
  int32_t ColorToPixel(int32_t color) override { return target_->ColorToPixel(color); }
  void Fill(uint32_t value) override;
  void FillRect(const TRect& r, uint32_t value) override;
  void FillRectAlpha(const TRect& r, uint32_t value, int alpha) override;
  void FillRectAdd(const TRect& r, uint32_t value) override;
  void FillRectSub(const TRect& r, uint32_t value) override;
  void Assign(TCustomDIBX* source) override;

  void Draw(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
            bool mirror_v) override;
  void DrawMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                TCustomDIBX* mask) override;
  void DrawAlpha(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                 bool mirror_v, int alpha) override;
  void DrawAlphaMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                     TCustomDIBX* mask, int alpha) override;
  void DrawAdd(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
               bool mirror_v, int amount) override;
  void DrawAddMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                   TCustomDIBX* mask, int amount) override;
  void DrawRotate(int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source, const TRect& src,
                  int32_t pivot_x, int32_t pivot_y, int32_t angle, bool transparent, bool mirror_h, bool mirror_v,
                  int opacity) override;
  void DrawRotateMask(int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source, const TRect& src,
                      int32_t pivot_x, int32_t pivot_y, int32_t angle, bool mirror_h, bool mirror_v, TCustomDIBX* mask,
                      int opacity) override;
  void StretchDraw(const TRect& dst, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                   bool mirror_v, int alpha) override;
  void StretchDrawMask(const TRect& dst, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                       TCustomDIBX* mask, int alpha) override;
  void StretchDrawAdd(const TRect& dst, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                      bool mirror_v, int amount) override;
  void StretchDrawAddMask(const TRect& dst, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                          TCustomDIBX* mask, int amount) override;
  void DrawMonoReduced(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, uint32_t color, bool mirror_h,
                       bool mirror_v, int alpha, int factor) override;
  void DrawNibbleReduced(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, const TColorTriple& colors,
                         bool mirror_h, bool mirror_v, int alpha, int factor) override;
  void TileDraw(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src, bool transparent,
                int32_t offset_x, int32_t offset_y) override;
  void TileDrawAlpha(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                     bool transparent, int alpha, int32_t offset_x, int32_t offset_y) override;
  void TileDrawAdd(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                   bool transparent, int amount, int32_t offset_x, int32_t offset_y) override;
  void TileDrawMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                    TCustomDIBX* mask, int32_t offset_x, int32_t offset_y) override;
  void TileDrawAlphaMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                         TCustomDIBX* mask, int alpha, int32_t offset_x, int32_t offset_y) override;
  void TileDrawAddMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                       TCustomDIBX* mask, int amount, int32_t offset_x, int32_t offset_y) override;
  void TileStretchDraw(const TRect& dst, int32_t cell_w, int32_t cell_h, int32_t scale_x, int32_t scale_y,
                       TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h, bool mirror_v,
                       int opacity, int32_t offset_x, int32_t offset_y) override;
  void TileStretchDrawMask(const TRect& dst, int32_t cell_w, int32_t cell_h, int32_t scale_x, int32_t scale_y,
                           TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v, TCustomDIBX* mask,
                           int opacity, int32_t offset_x, int32_t offset_y) override;
  void FrameTile(const TRect& r, int32_t band_width, TCustomDIBX* source, int32_t offset_x, int32_t offset_y) override;
  void DrawNibblePalette(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                         int opacity, const TNativePalette& palette) override;
  void DrawIndexedAdd(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, int threshold, bool mirror_h,
                      bool mirror_v, int amount, const TNativePalette& palette) override;
  void StretchDrawIndexedAdd(const TRect& dst, TCustomDIBX* source, const TRect& src, int threshold, bool mirror_h,
                             bool mirror_v, int amount, const TNativePalette& palette) override;
  void ScrollTileScaled(const TRect& dst, int32_t scale_x, int32_t scale_y, TCustomDIBX* source, int32_t offset_x,
                        int32_t offset_y, bool transparent, bool mirror_h, bool mirror_v, int opacity) override;
  void ScrollTileScaledMask(const TRect& dst, int32_t scale_x, int32_t scale_y, TCustomDIBX* source, int32_t offset_x,
                            int32_t offset_y, bool mirror_h, bool mirror_v, TCustomDIBX* mask, int opacity) override;
  void ScrollTile(const TRect& dst, TCustomDIBX* source, int32_t offset_x, int32_t offset_y, bool mirror_h,
                  bool mirror_v) override;
  void DrawColorMask(int32_t x, int32_t y, TCustomDIBX* coverage, const TRect& src, bool mirror_h, bool mirror_v,
                     uint32_t color, int alpha) override;

 private:
  // Calls draw(offset) once per run of consecutive region lines with equal offsets, the target clipped to the
  // run's lines; restores the target's clip afterwards.
  template <class DrawFn> void ForEachRun(DrawFn draw);
  TRect Region() const { return Bounds(region_left_, region_top_, Width(), Height()); }

  TCustomDIBX* target_;
  TRect saved_clip_;
  int32_t region_left_ = 0;
  int32_t region_top_ = 0;
  std::vector<int32_t> offsets_;
};

}  // namespace velk
