#pragma once
// The 38 transition classes, grouped by family; CreateWipe (custom_wipe.h) is the way to make them. Vertical and
// subtracting variants derive from their horizontal or adding twin and only switch a flag.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/custom_wipe.h"

namespace velk {

// ---- fades (wipe_fades.cpp) ----

class TWipeFade : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
};

// Through white (or black): the old picture brightens to white, then the new one comes out of it.
class TWipeWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
  bool subtract_ = false;
};
class TWipeBlack : public TWipeWhite {
 public:
  TWipeBlack(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeWhite(d, o, n) { subtract_ = true; }
};

class TWipeFlash : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
};

// Blurs the old picture, flashes to white (black), and sharpens the new one. The blurred copies are made at the
// first step, when both bases have drawn their pictures.
class TWipeBlurWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
  bool subtract_ = false;

 private:
  std::unique_ptr<TDIBX> blurred_old_, blurred_new_;
};
class TWipeBlurBlack : public TWipeBlurWhite {
 public:
  TWipeBlurBlack(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeBlurWhite(d, o, n) { subtract_ = true; }
};

// A copy of a picture where each channel of each pixel is the truncated mean of that channel over the square of
// side 2r + 1 around it, counting only the pixels inside the picture. Pictures of 15, 16 or 32 bits.
std::unique_ptr<TDIBX> BoxBlurred(TCustomDIBX* picture, int32_t r);

// ---- blinds, curtains, grids and dither (wipe_blinds.cpp) ----

// Mask types whose parameters are a width w (parameter 0, at least 2) and a softness s (parameter 1, at least 1);
// a softness below 2 makes hard edges.
class TWipeRampMask : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void SetParam(int index, int32_t value) override;

 protected:
  int32_t w() const { return params_[0]; }
  int32_t s() const { return params_[1]; }
  int32_t min_width_ = 2;
};

class TWipeBlindH : public TWipeRampMask {
 public:
  using TWipeRampMask::TWipeRampMask;

 protected:
  bool UpdateMask() override;
  int32_t MaskHeight() const override { return vertical_ ? std::max(w(), 2) : 1; }
  bool vertical_ = false;
};
class TWipeBlindV : public TWipeBlindH {
 public:
  TWipeBlindV(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeBlindH(d, o, n) { vertical_ = true; }
};

// Curtains take any width from 1 on.
class TWipeCurtainH : public TWipeRampMask {
 public:
  TWipeCurtainH(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeRampMask(d, o, n) { min_width_ = 1; }

 protected:
  bool UpdateMask() override;
  int32_t MaskHeight() const override { return vertical_ ? H() : 1; }
  bool vertical_ = false;
};
class TWipeCurtainV : public TWipeCurtainH {
 public:
  TWipeCurtainV(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeCurtainH(d, o, n) { vertical_ = true; }
};

// Cells of w x w that open as centred squares; the order of the cells is their threshold.
class TWipeGrid : public TWipeRampMask {
 public:
  using TWipeRampMask::TWipeRampMask;
  void Prepare() override;

 protected:
  bool UpdateMask() override;
  // Threshold of cell (column i, row j) and the largest threshold d.
  virtual int64_t Threshold(int32_t i, int32_t j) const;
  virtual int64_t Span() const;
  int32_t columns_ = 1, rows_ = 1;
  // Rows of cells the mask holds.
  int32_t mask_rows_ = 1;
};
class TWipeGridH : public TWipeGrid {
 public:
  using TWipeGrid::TWipeGrid;

 protected:
  int32_t MaskHeight() const override { return std::min(std::max(w(), 2), H()); }
  int64_t Threshold(int32_t i, int32_t j) const override;
  int64_t Span() const override { return int64_t{4} * columns_; }
};
class TWipeGridV : public TWipeGrid {
 public:
  using TWipeGrid::TWipeGrid;

 protected:
  int64_t Threshold(int32_t i, int32_t j) const override;
  int64_t Span() const override { return int64_t{4} * rows_; }
};

// A random dissolve over a 64 x 64 tile, the order drawn with the scrambling generator (increment 12341).
class TWipeDither : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void Prepare() override;

 protected:
  bool UpdateMask() override;
  int32_t MaskHeight() const override { return 64; }

 private:
  std::vector<int32_t> order_;
};

// ---- shapes and blocks (wipe_shapes.cpp) ----

// Types over a per-pixel angle from the screen centre, in 16ths of a degree, 0 = up, growing clockwise: the new
// picture where the angle is covered, drawn as runs of each row.
class TWipeAngles : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;

 protected:
  void DrawStep() override;
  // Whether a pixel at angle a (relative to parameter 0's direction, 0 .. 5759) is covered at progress q.
  virtual bool Covered(int32_t a, int64_t q) const = 0;
  // covered[a] = Covered(a, q) for every angle a of a full turn.
  virtual void CoverTable(int64_t q, bool* covered) const = 0;
  // The table from a coverage test the compiler can inline (the final classes' own Covered).
  template <class Fn> static void FillCoverTable(bool* covered, Fn covers) {
    for (int32_t a = 0; a < 360 * 16; ++a) covered[a] = covers(a);
  }
  // Progress for the current position.
  virtual int64_t Progress() const = 0;
  std::vector<int16_t> angles_;
};

class TWipeClockhand final : public TWipeAngles {
 public:
  using TWipeAngles::TWipeAngles;

 protected:
  bool Covered(int32_t a, int64_t q) const override;
  void CoverTable(int64_t q, bool* covered) const override {
    FillCoverTable(covered, [this, q](int32_t a) { return Covered(a, q); });
  }
  int64_t Progress() const override { return t() * 5760 / T(); }
};
class TWipeFan final : public TWipeAngles {
 public:
  using TWipeAngles::TWipeAngles;

 protected:
  bool Covered(int32_t a, int64_t q) const override;
  void CoverTable(int64_t q, bool* covered) const override {
    FillCoverTable(covered, [this, q](int32_t a) { return Covered(a, q); });
  }
  int64_t Progress() const override { return t() * 180 * 16 / T(); }
};
class TWipeWFan final : public TWipeAngles {
 public:
  using TWipeAngles::TWipeAngles;

 protected:
  bool Covered(int32_t a, int64_t q) const override;
  void CoverTable(int64_t q, bool* covered) const override {
    FillCoverTable(covered, [this, q](int32_t a) { return Covered(a, q); });
  }
  int64_t Progress() const override { return t() * 90 * 16 / T(); }
};

// The new picture inside a growing circle (or the old one inside a shrinking one), drawn as runs of each row.
class TWipeCircle : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;

 protected:
  void DrawStep() override;

 private:
  // Rounded distance of the offset (dx, dy) at dy * span_ + dx, for 0 <= dx <= W / 2 and 0 <= dy <= H / 2.
  std::vector<int32_t> distances_;
  int32_t span_ = 0;
  // Per row of the table, the count of its distances inside the circle of the step being drawn.
  std::vector<int32_t> reach_;
};

// Square blocks filled in an order: a spiral from the top-left corner inwards, or random.
class TWipeBlockCoil : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void Prepare() override;

 protected:
  bool UpdateMask() override;
  virtual void Order();
  int32_t block_ = 10, columns_ = 1, rows_ = 1;
  std::vector<int32_t> order_;  // block numbers (row * columns + column)
};
class TWipeBlockRandom : public TWipeBlockCoil {
 public:
  using TWipeBlockCoil::TWipeBlockCoil;

 protected:
  void Order() override;
};

// ---- moves: scrolls, rolls, zooms, twists (wipe_moves.cpp) ----

class TWipeScrollH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
  bool vertical_ = false;
};
class TWipeScrollV : public TWipeScrollH {
 public:
  TWipeScrollV(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeScrollH(d, o, n) { vertical_ = true; }
};

// A roll: one source column (or, rubber, a band of columns) stretched from the edge, the rest unchanged.
class TWipeSudareH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
  // Columns of the stretched band at the position p.
  virtual int32_t Band(int64_t p) const { return 1; }
  bool vertical_ = false;

 private:
  // A band of one line: the stretch repeats that line's pixel along each row (or that row down the screen). False
  // (nothing drawn) when the surfaces cannot be drawn row by row.
  bool DrawOneLine(bool from_new, int64_t p);
};
class TWipeSudareV : public TWipeSudareH {
 public:
  TWipeSudareV(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeSudareH(d, o, n) { vertical_ = true; }
};
class TWipeRubberH : public TWipeSudareH {
 public:
  using TWipeSudareH::TWipeSudareH;

 protected:
  int32_t Band(int64_t p) const override;
};
class TWipeRubberV : public TWipeRubberH {
 public:
  TWipeRubberV(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeRubberH(d, o, n) { vertical_ = true; }
};

class TWipeSmall : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
};
class TWipeBig : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
};
class TWipeZoomin : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
};

class TWipeTwistH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

 protected:
  void DrawStep() override;
  bool vertical_ = false;

 private:
  // Per line (row, or column for the vertical twist): the picture it shows whole, or the squeezed copy centred
  // on black, sampled as a stretch samples (16.16 steps).
  struct TLine {
    int8_t Whole;  // 0 old, 1 new, -1 squeezed
    bool FromNew;
    int32_t From, Wide;
    int64_t Step;
  };
  void DrawColumns(const std::vector<TLine>& lines);
};
class TWipeTwistV : public TWipeTwistH {
 public:
  TWipeTwistV(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeTwistH(d, o, n) { vertical_ = true; }
};

// ---- effects: mosaic, spot, ripple, crack (wipe_effects.cpp) ----

class TWipeMosaic : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;

 protected:
  void DrawStep() override;

 private:
  std::unique_ptr<TDIBX> work_;
};

class TWipeSpot : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;

 protected:
  void DrawStep() override;

 private:
  std::vector<int32_t> distances_;
  int64_t span_ = 512;
  std::vector<uint8_t> levels_;  // grey levels of a row
};

class TWipeRipple : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void SetParam(int index, int32_t value) override;
  void Prepare() override;

 protected:
  void DrawStep() override;

 private:
  void MakeWaves();
  int32_t length_ = 0;  // L
  std::vector<int32_t> waves_;
  // The top-left quadrant, (W + 1) / 2 x (H + 1) / 2: distance and direction (x 65536) of each pixel.
  int32_t qw_ = 0, qh_ = 0;
  std::vector<int32_t> distance_, cos_, sin_;
};

class TWipeCrack : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void SetParam(int index, int32_t value) override;
  void Prepare() override;

 protected:
  void DrawStep() override;

 private:
  struct TPiece {
    TRect Place;
    int32_t Drift;
  };
  std::vector<TPiece> pieces_;  // in falling order
  int64_t fall_ = 0;            // F
};

// ---- rule images (wipe_shadow.cpp) ----

// The grey levels of a rule image tiled over a w x h screen (inverted when reversed); all 255 without one.
std::vector<uint8_t> RuleGreys(TCustomDIBX* rule, int32_t w, int32_t h, bool reverse);

class TWipeShadow : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void Prepare() override;

 protected:
  // On 32-bit screens of 8-bit channels with the SIMD kernels, the mask's levels are made on the way through the
  // mix instead of in the mask.
  void DrawStep() override;
  bool UpdateMask() override;
  // The shift of the greys that makes the mask at progress q.
  static int32_t Shift(int64_t q);

 private:
  std::vector<uint8_t> greys_;
};

class TWipeShadowWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;

 protected:
  void DrawStep() override;
  bool subtract_ = false;

 private:
  std::vector<uint8_t> greys_;
  std::vector<uint8_t> levels_;  // grey levels of a row
};
class TWipeShadowBlack : public TWipeShadowWhite {
 public:
  TWipeShadowBlack(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) : TWipeShadowWhite(d, o, n) { subtract_ = true; }
};

}  // namespace velk
