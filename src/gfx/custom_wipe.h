#pragma once
// Screen transitions: a transition replaces the old picture by the new one on a destination surface over a span
// of time. The scene creates one through CreateWipe, sets its duration, reverse flag, parameters and rule file,
// prepares it, and then sets the position (the time since the start) and calls Step once per frame. Position and
// duration share the caller's unit (milliseconds for a flip, film ticks for a film track).
//
// The mask transitions (TWipeMask) keep an 8-bit mask and mix the two pictures through it: mask 0 shows the old
// pixel, 255 the new one, other values Blend(old, new, m); the mask repeats vertically when it is lower than the
// screen.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/rect.h"
#include "gfx/blend_kernels.h"
#include "gfx/dibx.h"

namespace velk {

// What transitions reach outside the drawing surfaces.
struct TWipeServices {
  // The first frame of a rule image, or null when the file is missing or damaged.
  std::function<std::unique_ptr<TDIBX>(const std::string&)> LoadRule;
  // The process's ordinary random numbers: a value in 0 .. n - 1 (the piece and block orders); the default is a
  // generator seeded from the clock.
  std::function<int32_t(int32_t)> Random;
  // The default parameters of the zoom-through-a-point transition (the screen centre once a project is loaded).
  TPoint ZoomCentre;
};

class TCustomWipe {
 public:
  // Create: the destination (the scene's screen surface), the old and the new picture (same size and format as
  // the destination, not owned).
  TCustomWipe(TCustomDIBX* dest, TCustomDIBX* old_picture, TCustomDIBX* new_picture);
  virtual ~TCustomWipe();
  TCustomWipe(const TCustomWipe&) = delete;
  TCustomWipe& operator=(const TCustomWipe&) = delete;

  virtual void SetReverse(bool flag) { reverse_ = flag; }
  virtual int32_t GetParam(int index) const;
  virtual void SetParam(int index, int32_t value);
  virtual void SetRuleFile(const std::string& name) { rule_file_ = name; }
  // Once after the parameters and the rule file are set.
  virtual void Prepare() {
    prepared_ = true;
    prepared_rect_ = rect_;
  }
  // Draws the state at the current position; true (and nothing drawn) once the position reaches the duration.
  bool Step();

  bool Reverse() const { return reverse_; }
  const std::string& RuleFile() const { return rule_file_; }
  void SetServices(const TWipeServices& services) { services_ = services; }
  TRect Area() const { return rect_; }

  int32_t Duration = 0;
  int32_t Position = 0;

 protected:
  // The drawing of one step, with 0 <= t < T.
  virtual void DrawStep() = 0;
  int32_t W() const { return rect_.Right; }
  int32_t H() const { return rect_.Bottom; }
  int64_t t() const { return Position; }
  int64_t T() const { return Duration; }
  // A random value in 0 .. n - 1.
  int32_t Random(int32_t n) const;
  // The destination becomes a copy of a picture.
  void Show(TCustomDIBX* picture) { dest_->Assign(picture); }
  // Adds (or subtracts) the grey level v to every channel of the whole destination, saturating.
  void AddGrey(int32_t v, bool subtract);
  // Show(picture) and AddGrey(v, subtract) in one pass over the rows, for the old or the new picture; false (nothing
  // drawn) when the surfaces cannot be drawn row by row.
  bool ShowWithGrey(TCustomDIBX* picture, int32_t v, bool subtract);

  TCustomDIBX* dest_;
  TCustomDIBX* old_;
  TCustomDIBX* new_;
  bool reverse_ = false;
  std::string rule_file_;
  int32_t params_[2] = {0, 0};
  TRect rect_;
  bool prepared_ = false;
  TRect prepared_rect_;  // the screen the tables were made for
  TWipeServices services_;
};

class TWipeMask : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;

 protected:
  void DrawStep() override;
  // Redraws the mask for the current position; true when it changed.
  virtual bool UpdateMask() = 0;
  virtual int32_t MaskHeight() const { return H(); }
  // Mask row y.
  uint8_t* MaskRow(int32_t y) const;
  void ClearMask(uint8_t value = 0);
  // Fills a rectangle of the mask, clipped to it.
  void FillMask(const TRect& r, uint8_t value);
  // Every row of the mask a copy of row 0.
  void RepeatFirstRow();

  // A mask value as the mask takes it: with a hard edge every covered pixel is wholly new.
  uint8_t Edge(uint8_t v) const { return hard_edge_ && v != 0 ? 255 : v; }

  std::unique_ptr<TDIBX> mask_;
  int64_t last_progress_ = -1;
  bool hard_edge_ = false;
};

// Ramp of an element with threshold e at progress p over the softness s: 0 until p passes e, then rising to 255.
uint8_t WipeRamp(int64_t p, int64_t e, int64_t s);

// The mix of the mask transitions: each destination pixel from the old and new pixels at its place and the mask
// value of its column in mask row (y mod mask height): 0 old, 255 new, otherwise Blend(old, new, m). Pictures of
// 15, 16 or 32 bits are mixed row by row with the row kernels (long runs of 0 or 255 are plain copies); others
// fall back to a copy of the old picture and the new one where the mask is not 0.
void MixThroughMask(TCustomDIBX* dest, TCustomDIBX* old_picture, TCustomDIBX* new_picture, TCustomDIBX* mask,
                    const TRowKernels& kernels = ActiveKernels());

// The factory: a transition of type 1 .. 38 with the type's default parameters, or null for any other number.
std::unique_ptr<TCustomWipe> CreateWipe(int32_t type, TCustomDIBX* dest, TCustomDIBX* old_picture,
                                        TCustomDIBX* new_picture, const TWipeServices& services = {});
// The highest type number.
constexpr int32_t kWipeTypeCount = 38;

// The grey level (0 .. 255) a colour 0x00BBGGRR maps to in a palette of the 256 grey levels: the nearest, so grey
// pixels keep their level.
uint8_t NearestGrey(uint32_t color);

// The distance of the offset (dx, dy) from the origin, rounded as RoundInt(std::hypot(dx, dy)). The sum of squares
// is exact in a double and its square root correctly rounded; the distance of integer offsets is never within a
// thousandth of a half (a square is an integer, a half's square is not), so adding a half and truncating rounds it
// as the rounded hypotenuse does, at a fraction of the cost.
inline int32_t RoundedDistance(int32_t dx, int32_t dy) {
  const double x = dx, y = dy;
  return static_cast<int32_t>(std::min(std::sqrt(x * x + y * y) + 0.5, 2147483647.0));
}

// Distance of every pixel of a w x h screen to the centre (w / 2, h / 2), rounded; row by row.
std::vector<int32_t> CentreDistances(int32_t w, int32_t h);

// Rounded to the nearest integer, halves away from zero.
int32_t RoundInt(double v);

}  // namespace velk
