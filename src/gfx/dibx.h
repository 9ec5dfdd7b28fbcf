#pragma once
// The in-memory drawing surface: pixels in a TDIBSurface, in any of the native formats (1, 4 and 8 bits with a
// palette; 15, 16 and 32 bits with channel masks; 24 bits for loading). The platform layer presents a surface by
// reading Pixels(), Pitch() and the format, uploading only the rectangles that changed.
#include <memory>

#include "gfx/custom_dibx.h"
#include "gfx/decoded_image.h"
#include "gfx/dib_surface.h"

namespace velk {

class TDIBX : public TCustomDIBX {
 public:
  // A 1 x 1 surface of depth 15.
  TDIBX();
  // A surface over a bitmap it does not own (the destructor leaves it alone).
  explicit TDIBX(TDIBSurface* borrowed);
  ~TDIBX() override;

  int BitCount() const override;
  void SetBitCount(int depth) override;
  uint32_t RedMask() const override { return dib_->Masks().Red; }
  uint32_t GreenMask() const override { return dib_->Masks().Green; }
  uint32_t BlueMask() const override { return dib_->Masks().Blue; }
  int Pitch() const override { return dib_->Pitch(); }
  uint32_t GetPixel(int32_t x, int32_t y) override;
  void SetPixel(int32_t x, int32_t y, uint32_t value) override;
  int BlueShift() const override { return 0; }
  int GreenShift() const override { return MaskBits(BlueMask()); }
  int RedShift() const override { return MaskBits(BlueMask()) + MaskBits(GreenMask()); }
  int StorageBitCount() const override { return dib_->StorageBits(); }
  void SetSize(int32_t width, int32_t height, int depth) override;
  // As SetSize, but a new size leaves the pixels undefined: for callers that write every pixel next.
  void SetSizeForOverwrite(int32_t width, int32_t height, int depth);
  uint8_t* Lock(int32_t x, int32_t y) override;
  int32_t ColorToPixel(int32_t color) override;
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

  void LoadFromFile(const std::string& name) override;
  void LoadFromStream(TStream* stream, int32_t identification) override;
  void SaveToFile(const std::string& name) override;
  void Clear() override;
  void GetPalette(uint8_t* buffer) override;
  void GetPaletteEntries(uint8_t* buffer, int first, int count) override;
  void SetPalette(const uint8_t* buffer) override;
  void SetPaletteEntries(const uint8_t* buffer, int first, int count) override;
  void DrawColorMask(int32_t x, int32_t y, TCustomDIBX* coverage, const TRect& src, bool mirror_h, bool mirror_v,
                     uint32_t color, int alpha) override;

  // Resizes to the picture at the surface's own depth and puts the picture in, converting its colours.
  void AssignImage(const TDecodedImage& image);
  // The bitmap (pixels, pitch, format, palette, alpha bitmap).
  TDIBSurface& DIB() { return *dib_; }
  const TDIBSurface& DIB() const { return *dib_; }

 private:
  void SetDibSize(int32_t width, int32_t height, int depth, bool cleared = true);

  std::unique_ptr<TDIBSurface> owned_;
  TDIBSurface* dib_;  // owned_ or a borrowed bitmap
};

}  // namespace velk
