#pragma once
// The wave distortion: draws nothing itself, its children are drawn through a wave proxy that shifts every scan line
// by round(Amp x sin(2 pi phase / 256 + line x 2 pi / WaveLen)). The phase moves back one step every Delay / 256
// milliseconds. Because lines shift sideways, every dirty area of the wave and of its children is widened by Amp
// on both sides.
#include <cstdint>
#include <string>
#include <vector>

#include "scene/velk_control.h"

namespace velk {

class TVelkWave : public TVelkControl {
 public:
  explicit TVelkWave(TVelkBaseList* owner);

  uint8_t ComponentType() const override { return VT_WAVE; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  TCustomDIBX* Surface() override;
  bool Update() override;
  void Draw() override;
  void Invalidate() override;
  void ChildInvalidated(const TRect& rect) override;

  int32_t Amp() const { return amp_; }
  // The old and the new widened area are redrawn.
  void SetAmp(int32_t v);
  int32_t WaveLen = 200;
  // Milliseconds per 256 phase steps; 0 or less holds the wave still.
  int32_t Delay = 2000;
  bool PausedFlag = false;
  std::string OnIdle;

  // The phase, 0 .. 254 once it has moved, and the offset of each scan line as of the last update.
  int32_t Phase() const { return phase_; }
  const std::vector<int32_t>& Offsets() const { return offsets_; }

  // Scan lines beyond this many are not shifted: the height comes from scripts and save data and must not decide
  // how much memory the wave takes.
  static constexpr int32_t kMaxLines = 16384;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  TRect Widened(const TRect& r) const;
  // Recomputes the offsets of every scan line; true when one changed.
  bool ComputeOffsets();

  int32_t amp_ = 10;
  int32_t phase_ = 0;
  int64_t remainder_ = 0;
  std::vector<int32_t> offsets_;
  // The proxy the children draw on while the wave draws them.
  TCustomDIBX* proxy_ = nullptr;
};

}  // namespace velk
