#pragma once
// The fire effect: a heat field of OrigWidth x OrigHeight cells in an 8-bit surface whose coldest value 16 is
// transparent. Every 40 ms the bottom rows are set alight and each cell takes the cooled average of its neighbours,
// less a little noise; the field is added to what lies below as grey levels.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/velk_control.h"

namespace velk {

class TDIBX;

class TVelkFire : public TVelkControl {
 public:
  explicit TVelkFire(TVelkBaseList* owner);
  ~TVelkFire() override;

  uint8_t ComponentType() const override { return VT_FIRE; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  int32_t ZoomX() const override { return zoom_x_; }
  int32_t ZoomY() const override { return zoom_y_; }
  bool Update() override;
  void Draw() override;

  // The strength p, clamped to 0 .. 255; it sets how quickly the heat cools.
  void SetPower(int32_t p);
  int32_t Power() const { return power_; }
  // The field size; the field is rebuilt at the next update. Sides are limited to 0 .. kMaxSide.
  void SetOrigSize(int32_t width, int32_t height);
  int32_t OrigWidth() const { return orig_width_; }
  int32_t OrigHeight() const { return orig_height_; }
  // Zooms of 0 or less are stored as 1; the control's size follows the field size times the zoom.
  void SetZoom(int32_t zoom_x, int32_t zoom_y);

  // The heat of a cell, 16 (cold) to 254; 0 outside the field or before the first update.
  uint8_t Cell(int32_t x, int32_t y) const;
  // The cooling table entry of a neighbour sum 0 .. 1023.
  uint8_t Cooling(int32_t sum) const { return cooling_[static_cast<size_t>(sum & 1023)]; }

  bool PausedFlag = false;
  std::string OnIdle;

  // The field is allocated from script and save values: a side above this is cut to it.
  static constexpr int32_t kMaxSide = 4096;
  // All fire fields of a scene together hold at most this many cells; a fire whose field would pass it waits,
  // showing nothing, until enough room is free.
  static constexpr int64_t kMaxSceneCells = int64_t{kMaxSide} * kMaxSide;
  // The cells the field holds now.
  size_t FieldCells() const { return cells_.size(); }
  static constexpr uint8_t kCold = 16;
  static constexpr int32_t kStepMs = 40;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  void BuildCooling(double x);
  // Allocates and clears the field; false while the scene has no room for it.
  bool ResetField();
  void Step();
  uint8_t Noise(int32_t x, int32_t y) const;
  void FollowSize();

  int32_t power_ = 1;
  int32_t orig_width_ = 8, orig_height_ = 8;
  int32_t zoom_x_ = 256, zoom_y_ = 256;
  std::array<uint8_t, 1024> cooling_{};
  bool field_ready_ = false;
  std::vector<uint8_t> cells_;  // row by row, the simulation's own copy of the field
  std::vector<uint8_t> noise_;  // 0 .. 8 per cell
  std::vector<int32_t> row_turn_, column_turn_;
  int32_t row_offset_ = 0, column_offset_ = 0, row_steps_ = 0;
  int32_t gathered_ms_ = 0;
  uint32_t seed_ = 0x2545F491;
  std::unique_ptr<TDIBX> field_;
};

}  // namespace velk
