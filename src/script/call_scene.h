#pragma once
// The scene as the interpreter sees it: the event queue, objects found by name, their properties, deletion by
// script and the reset. Objects are named by handle, so a context that outlives its sender finds nothing.
#include <cstdint>
#include <string>

#include "scene/timer_list.h"
#include "scene/velk_object.h"

namespace velk {

class TCustomParam;
class TVelkBaseList;

class ICallScene {
 public:
  virtual ~ICallScene() = default;
  virtual TTimerList& Events() = 0;
  // The registered object of that name; a zero handle when there is none.
  virtual TObjectHandle FindObject(const std::string& name) const = 0;
  // The name of a registered object, empty once it is gone.
  virtual std::string ObjectName(TObjectHandle object) const = 0;
  // Copies property id of the object into the variable; a gone object leaves it alone. Bad ids raise.
  virtual void GetProperty(TObjectHandle object, int32_t id, TCustomParam& variable) = 0;
  virtual void SetProperty(TObjectHandle object, int32_t id, const TCustomParam& value) = 0;
  // Marks the object for deletion at the end of the update step.
  virtual void DeleteObject(TObjectHandle object) = 0;
  // Empties the scene: no objects, no events.
  virtual void Reset() = 0;
  // The scene list itself, for the commands that arrange components on bases and in cabinets.
  virtual TVelkBaseList& List() = 0;
  // A new registered component of a type code (the scene's factory); null for codes without a class.
  virtual TVelkObject* CreateComponent(uint8_t code) = 0;
};

// The interpreter's view of the scene list.
class TSceneCalls : public ICallScene {
 public:
  explicit TSceneCalls(TVelkBaseList& scene) : scene_(scene) {}
  TTimerList& Events() override;
  TObjectHandle FindObject(const std::string& name) const override;
  std::string ObjectName(TObjectHandle object) const override;
  void GetProperty(TObjectHandle object, int32_t id, TCustomParam& variable) override;
  void SetProperty(TObjectHandle object, int32_t id, const TCustomParam& value) override;
  void DeleteObject(TObjectHandle object) override;
  void Reset() override;
  TVelkBaseList& List() override { return scene_; }
  TVelkObject* CreateComponent(uint8_t code) override;

 private:
  TVelkBaseList& scene_;
};

}  // namespace velk
