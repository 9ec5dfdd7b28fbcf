#pragma once
// The trace hook: start-up and shutdown report their milestones to it. It writes nothing; an observer may watch
// (tests check the order of creation and destruction with it).
#include <cstdint>
#include <functional>
#include <string>

namespace velk {

class TTrace {
 public:
  using Observer = std::function<void(const std::string& text, int32_t value)>;

  void operator()(const std::string& text, int32_t value = 0) const {
    if (observer_) observer_(text, value);
  }
  void SetObserver(Observer observer) { observer_ = std::move(observer); }

 private:
  Observer observer_;
};

}  // namespace velk
