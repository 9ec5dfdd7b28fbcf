#pragma once
// A property motion: moves one property of another object from its current value to a goal over a duration along
// one of three curves, then ends. The target is looked up by name once, at the first update; a target that is gone
// by then, or later, ends the motion.
#include <cstdint>
#include <string>

#include "expr/param.h"
#include "scene/velk_object.h"

namespace velk {

class TVelkPropMotion : public TVelkComponent {
 public:
  explicit TVelkPropMotion(TVelkBaseList* owner) : TVelkComponent(owner) {}

  // Curves: 1 slow start, 2 slow end, anything else linear.
  static constexpr uint8_t kSlowStart = 1;
  static constexpr uint8_t kSlowEnd = 2;
  static constexpr uint8_t kNoProperty = 255;

  uint8_t ComponentType() const override { return VT_PROPMOTION; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  bool Update() override;

  // The value of the curve at Elapsed, and whether it is the last one.
  long double ValueAt(int32_t elapsed, bool& last) const;

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version, int32_t depth = 0) override;

  std::string Target;
  TObjectHandle TargetObject;
  uint8_t PropId = kNoProperty;
  uint8_t Easing = 0;
  long double EndValue = 0;
  long double StartValue = 0;
  int32_t Duration = 0;
  int32_t Elapsed = 0;
  bool PausedFlag = false;

 private:
  // A loaded motion keeps its saved start value when it finds its target again.
  bool start_known_ = false;
  TParamFloat value_;
};

}  // namespace velk
