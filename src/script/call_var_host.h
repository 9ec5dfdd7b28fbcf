#pragma once
// The system variables that read the interpreter: the arguments of the current call or event ("@ParamCount",
// "@ParamStr"), the event sender, the depth of the call stack and the return value of the current call ("@Result").
// The interpreter is made after the variable store, so it is attached later; until then the defaults answer.
#include "scene/scene_var_host.h"

namespace velk {

class TCallMan;

class TCallVarHost : public TSceneVarHost {
 public:
  using TSceneVarHost::TSceneVarHost;
  void SetCalls(TCallMan* calls) { calls_ = calls; }

  int32_t ParamCount() override;
  std::string ParamStr(int32_t i) override;
  std::string Sender() override;
  int32_t StackCount() override;
  TCustomParam* ResultValue() override;

 private:
  TCallMan* calls_ = nullptr;
};

}  // namespace velk
