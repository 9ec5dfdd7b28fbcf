#pragma once
// Small scene objects for the scene tests: a non-visual component that counts its updates and can run an action
// during its update, and helpers to read properties and to drain the event queue.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "expr/param.h"
#include "scene/base_list.h"
#include "scene/props.h"

namespace velk::test {

// Little-endian bytes written by hand, independently of the scene's writers.
struct TBytes {
  std::vector<uint8_t> b;
  TBytes& i32(int32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k)));
    return *this;
  }
  TBytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  TBytes& str(const std::string& s) {
    i32(static_cast<int32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
};

// Stands for the non-visual components (timers, sounds): a type code of its own and an idle handler.
class TCountingComponent : public TVelkComponent {
 public:
  explicit TCountingComponent(TVelkBaseList* owner) : TVelkComponent(owner) {}
  uint8_t ComponentType() const override { return VT_TIMER; }
  bool Update() override {
    ++updates;
    if (on_update) on_update();
    return finish;
  }
  bool GetProp(int32_t id, TPropValue& v) const override {
    if (id == PR_ONIDLE) {
      v.S = on_idle;
      return true;
    }
    return TVelkComponent::GetProp(id, v);
  }
  int updates = 0;
  bool finish = false;
  std::string on_idle;
  std::function<void()> on_update;
};

inline std::unique_ptr<TCustomParam> ValueFor(int32_t id) {
  switch (PropInfo(id).Type) {
    case TPropType::Int: return NewParam(PT_INT);
    case TPropType::Str: return NewParam(PT_STR);
    case TPropType::Bool: return NewParam(PT_BOOL);
    case TPropType::Float: return NewParam(PT_FLOAT);
  }
  return nullptr;
}

// The property as its string form ("TRUE", "12", "text").
inline std::string Prop(const TVelkObject& o, int32_t id) {
  auto v = ValueFor(id);
  GetProperty(*v, o, id);
  return v->GetStr();
}

inline void Set(TVelkObject& o, int32_t id, const std::string& text) {
  TParamStr v;
  v.SetStr(text);
  SetProperty(o, id, v);
}

inline void SetInt(TVelkObject& o, int32_t id, int32_t n) {
  TParamInt v;
  v.SetInt(n);
  SetProperty(o, id, v);
}

// One queued record as "id:sender(args)".
inline std::string Describe(const TVelkBaseList& scene, const TTimerData& d) {
  const TVelkObject* sender = scene.Resolve(d.Sender);
  std::string s = std::to_string(d.EventId) + ":" + (sender ? sender->Name() : std::string("-")) + "(";
  for (size_t i = 0; i < d.Args.size(); ++i) s += (i ? "," : "") + d.Args[i];
  return s + ")";
}

// Every queued record, then the queue is emptied, as an interpreter that ran them all would leave it.
inline std::vector<std::string> Drain(TVelkBaseList& scene) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < scene.Events.Count(); ++i) out.push_back(Describe(scene, *scene.Events.Item(i)));
  scene.Events.Clear();
  return out;
}

}  // namespace velk::test
