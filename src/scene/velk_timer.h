#pragma once
// A timer: raises PR_ONNOTIFY every Interval milliseconds of the game clock, never with a second record waiting;
// with PR_AUTOSCRAP it destroys itself once its first event has been handled.
#include <cstdint>
#include <string>

#include "scene/velk_object.h"

namespace velk {

class TVelkTimer : public TVelkComponent {
 public:
  explicit TVelkTimer(TVelkBaseList* owner);

  uint8_t ComponentType() const override { return VT_TIMER; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  bool Update() override;

  // Drops the timer's waiting records and counts the interval from now.
  void SetOnNotify(const std::string& handler);

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version, int32_t depth = 0) override;

  std::string OnNotify;
  // Milliseconds; negative: stopped; 0: every frame in which no record is waiting.
  int32_t Interval = 0;
  bool PausedFlag = false;
  bool AutoScrap = false;
  bool Fired = false;
  int32_t NextTime = 0;

 private:
  int32_t clock() const;
};

}  // namespace velk
