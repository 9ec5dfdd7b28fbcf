#pragma once
// The abstract drawing surface: a rectangle of pixels in one native format, with a clip rectangle, a transparent
// pixel value and the drawing operations. Concrete surfaces: TDIBX (pixels in memory) and TDIBXWave (forwards to a
// target, shifting each line). The virtual operations are declared in the order of the surface's operation table.
//
// Native values are pixel values in the surface's format; colours are 0x00BBGGRR and become native values with
// ColorToPixel. Drawing operations never throw: an invalid rectangle, a missing or unlockable surface draws nothing.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/rect.h"

namespace velk {

class TStream;

// A palette of 256 native values (indexed and particle draws).
using TNativePalette = std::array<uint32_t, 256>;
// The three native colours of a coded glyph.
struct TColorTriple {
  uint32_t C1 = 0, C2 = 0, C3 = 0;
};

class TCustomDIBX {
 public:
  TCustomDIBX() = default;
  virtual ~TCustomDIBX() = default;
  TCustomDIBX(const TCustomDIBX&) = delete;
  TCustomDIBX& operator=(const TCustomDIBX&) = delete;

  // Clip rectangle; Right == 0 means none (operations clip to the whole surface).
  TRect ClipRect;
  // Native value that transparent draws skip; -1 means none.
  int32_t TransparentValue = -1;
  // Pieces of a surface filled from a layered image frame; empty otherwise.
  std::vector<TRect> ContentRects;
  std::vector<TRect> ExtraRects;

  virtual bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  virtual int BitCount() const { return 0; }
  virtual void SetBitCount(int depth) {}
  virtual uint32_t RedMask() const { return 0; }
  virtual uint32_t GreenMask() const { return 0; }
  virtual uint32_t BlueMask() const { return 0; }
  virtual int Pitch() const { return 0; }
  virtual uint32_t GetPixel(int32_t x, int32_t y) { return 0; }
  virtual void SetPixel(int32_t x, int32_t y, uint32_t value) {}
  virtual int BlueShift() const { return 0; }
  virtual int GreenShift() const { return 0; }
  virtual int RedShift() const { return 0; }
  virtual int32_t Height() const { return height_; }
  virtual int32_t Width() const { return width_; }
  virtual TCustomDIBX* Target() { return this; }
  virtual int StorageBitCount() const { return BitCount(); }
  virtual void SetSize(int32_t width, int32_t height, int depth);
  // Address of pixel (x, y), or null when the surface cannot be locked.
  virtual uint8_t* Lock(int32_t x, int32_t y) { return nullptr; }
  virtual void Unlock() {}
  virtual void ResetClip() { ClipRect = TRect{}; }
  virtual void AddClip(const TRect& r);
  virtual int32_t ColorToPixel(int32_t color) { return color; }
  virtual void Fill(uint32_t value) { FillRect(TRect{0, 0, Width(), Height()}, value); }
  virtual void FillRect(const TRect& r, uint32_t value) {}
  virtual void FillRectAlpha(const TRect& r, uint32_t value, int alpha) {}
  virtual void FillRectAdd(const TRect& r, uint32_t value) {}
  virtual void FillRectSub(const TRect& r, uint32_t value) {}
  virtual void FrameRect(const TRect& r, int32_t line_width, uint32_t value);
  virtual void FrameRectAlpha(const TRect& r, int32_t line_width, uint32_t value, int alpha);
  virtual void FrameRectAdd(const TRect& r, int32_t line_width, uint32_t value);
  virtual void Assign(TCustomDIBX* source) {}

  // Point draws: (x, y) receives the source rectangle; the horizontal mirror flag comes first.
  virtual void Draw(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                    bool mirror_v) {}
  virtual void DrawMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                        TCustomDIBX* mask) {}
  virtual void DrawAlpha(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                         bool mirror_v, int alpha) {}
  virtual void DrawAlphaMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                             TCustomDIBX* mask, int alpha) {}
  virtual void DrawAdd(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                       bool mirror_v, int amount) {}
  virtual void DrawAddMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                           TCustomDIBX* mask, int amount) {}
  // Rotated and scaled draws: angle in 256ths of a turn, scales in 256ths, pivot in source-rectangle pixels.
  virtual void DrawRotate(int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source, const TRect& src,
                          int32_t pivot_x, int32_t pivot_y, int32_t angle, bool transparent, bool mirror_h,
                          bool mirror_v, int opacity) {}
  virtual void DrawRotateMask(int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                              const TRect& src, int32_t pivot_x, int32_t pivot_y, int32_t angle, bool mirror_h,
                              bool mirror_v, TCustomDIBX* mask, int opacity) {}
  virtual void StretchDraw(const TRect& dst, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                           bool mirror_v, int alpha) {}
  virtual void StretchDrawMask(const TRect& dst, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                               TCustomDIBX* mask, int alpha) {}
  virtual void StretchDrawAdd(const TRect& dst, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                              bool mirror_v, int amount) {}
  virtual void StretchDrawAddMask(const TRect& dst, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                                  TCustomDIBX* mask, int amount) {}
  virtual void DrawMonoReduced(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, uint32_t color,
                               bool mirror_h, bool mirror_v, int alpha, int factor) {}
  virtual void DrawNibbleReduced(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src,
                                 const TColorTriple& colors, bool mirror_h, bool mirror_v, int alpha, int factor) {}
  virtual void TileDraw(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                        bool transparent, int32_t offset_x, int32_t offset_y) {}
  virtual void TileDrawAlpha(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                             bool transparent, int alpha, int32_t offset_x, int32_t offset_y) {}
  virtual void TileDrawAdd(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                           bool transparent, int amount, int32_t offset_x, int32_t offset_y) {}
  virtual void TileDrawMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                            TCustomDIBX* mask, int32_t offset_x, int32_t offset_y) {}
  virtual void TileDrawAlphaMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                                 TCustomDIBX* mask, int alpha, int32_t offset_x, int32_t offset_y) {}
  virtual void TileDrawAddMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                               TCustomDIBX* mask, int amount, int32_t offset_x, int32_t offset_y) {}
  virtual void TileStretchDraw(const TRect& dst, int32_t cell_w, int32_t cell_h, int32_t scale_x, int32_t scale_y,
                               TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h, bool mirror_v,
                               int opacity, int32_t offset_x, int32_t offset_y) {}
  virtual void TileStretchDrawMask(const TRect& dst, int32_t cell_w, int32_t cell_h, int32_t scale_x, int32_t scale_y,
                                   TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                                   TCustomDIBX* mask, int opacity, int32_t offset_x, int32_t offset_y) {}
  virtual void FrameTile(const TRect& r, int32_t band_width, TCustomDIBX* source, int32_t offset_x, int32_t offset_y) {}
  virtual void DrawNibblePalette(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h,
                                 bool mirror_v, int opacity, const TNativePalette& palette) {}
  virtual void DrawIndexedAdd(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, int threshold, bool mirror_h,
                              bool mirror_v, int amount, const TNativePalette& palette) {}
  virtual void StretchDrawIndexedAdd(const TRect& dst, TCustomDIBX* source, const TRect& src, int threshold,
                                     bool mirror_h, bool mirror_v, int amount, const TNativePalette& palette) {}
  virtual void ScrollTileScaled(const TRect& dst, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                                int32_t offset_x, int32_t offset_y, bool transparent, bool mirror_h, bool mirror_v,
                                int opacity) {}
  virtual void ScrollTileScaledMask(const TRect& dst, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                                    int32_t offset_x, int32_t offset_y, bool mirror_h, bool mirror_v, TCustomDIBX* mask,
                                    int opacity) {}
  virtual void ScrollTile(const TRect& dst, TCustomDIBX* source, int32_t offset_x, int32_t offset_y, bool mirror_h,
                          bool mirror_v) {}

  // File name on disk (UTF-8).
  virtual void LoadFromFile(const std::string& name) {}
  // Sniffs the stream: BMP, PNG or a layered image (identification argument for the latter).
  virtual void LoadFromStream(TStream* stream, int32_t identification) {}
  virtual void SaveToFile(const std::string& name) {}
  virtual void Clear() { width_ = height_ = 0; }
  virtual void ReleaseSurface() {}
  // Palette entries are 4 bytes each: blue, green, red, reserved.
  virtual void GetPalette(uint8_t* buffer) {}
  virtual void GetPaletteEntries(uint8_t* buffer, int first, int count) {}
  virtual void SetPalette(const uint8_t* buffer) {}
  virtual void SetPaletteEntries(const uint8_t* buffer, int first, int count) {}
  // A native colour through an 8-bit coverage surface (a rendered glyph).
  virtual void DrawColorMask(int32_t x, int32_t y, TCustomDIBX* coverage, const TRect& src, bool mirror_h,
                             bool mirror_v, uint32_t color, int alpha) {}
  virtual void Unshare() {}

  // The rectangle operations clip to: the clip rectangle, or the whole surface when there is none.
  TRect ClipBounds() const;

 protected:
  int32_t height_ = 0;
  int32_t width_ = 0;
};

}  // namespace velk
