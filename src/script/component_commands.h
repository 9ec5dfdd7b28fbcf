#pragma once
// The commands that create and drive scene components: their stored fields. A component record carries one
// expression for each property whose bit is set in the page's mask for the command's code; the slots are made at
// construction, so a page's masks must be known before its commands are read.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "script/command.h"
#include "script/control_commands.h"

namespace velk {

class TVelkBaseList;

// The number of property ids (0 .. 164).
constexpr int32_t kPropertyCount = 165;

class TComComponent : public TCommand {
 public:
  TComComponent(TComList* owner, uint8_t code);
  void StoreFields(TComFields& f) override;
  // The expression of property p, or null when the page's mask gives this command none.
  TVelkParser* Prop(int32_t p) const { return Props.at(static_cast<size_t>(p)).get(); }
  std::array<std::unique_ptr<TVelkParser>, kPropertyCount> Props;
};

class TComControl : public TComComponent {
 public:
  using TComComponent::TComComponent;
};

// Declares a component command class: its code and nothing else of its own.
template <uint8_t C, class Base = TComControl> class TComComponentOf : public Base {
 public:
  static constexpr uint8_t kCode = C;
  explicit TComComponentOf(TComList* owner) : Base(owner, C) {}
  uint8_t Code() const override { return C; }
};

class TComBoxNew : public TComComponentOf<8> {
  using TComComponentOf::TComComponentOf;
};
class TComImgNew : public TComComponentOf<9> {
  using TComComponentOf::TComComponentOf;
};
class TComMesNew : public TComComponentOf<10> {
  using TComComponentOf::TComComponentOf;
};
class TComTimer : public TComComponentOf<11, TComComponent> {
  using TComComponentOf::TComComponentOf;
};
class TComMovie : public TComComponentOf<12> {
  using TComComponentOf::TComComponentOf;
};
class TComCinema : public TComComponentOf<23> {
  using TComComponentOf::TComComponentOf;
};
class TComCaption : public TComComponentOf<24> {
  using TComComponentOf::TComComponentOf;
};
class TComMenu : public TComComponentOf<25> {
 public:
  using TComComponentOf::TComComponentOf;
  std::string CreatedMenu;  // the name of the menu it created
};
class TComBtnNew : public TComComponentOf<30> {
  using TComComponentOf::TComComponentOf;
};
class TComParticleNew : public TComComponentOf<36> {
  using TComComponentOf::TComComponentOf;
};
class TComFireNew : public TComComponentOf<37> {
  using TComComponentOf::TComComponentOf;
};
class TComSound : public TComComponentOf<42, TComComponent> {
  using TComComponentOf::TComComponentOf;
};
class TComEditNew : public TComComponentOf<43> {
  using TComComponentOf::TComComponentOf;
};
class TComMemoNew : public TComComponentOf<44> {
  using TComComponentOf::TComComponentOf;
};
class TComMapImgNew : public TComComponentOf<48> {
  using TComComponentOf::TComComponentOf;
};
class TComWaveNew : public TComComponentOf<49> {
  using TComComponentOf::TComComponentOf;
};
class TComTileNew : public TComComponentOf<50> {
  using TComComponentOf::TComComponentOf;
};
class TComSliderNew : public TComComponentOf<51> {
  using TComComponentOf::TComComponentOf;
};
class TComScrollbarNew : public TComComponentOf<52> {
  using TComComponentOf::TComComponentOf;
};
class TComGaugeNew : public TComComponentOf<53> {
  using TComComponentOf::TComComponentOf;
};
class TComCGCaption : public TComComponentOf<54> {
  using TComComponentOf::TComComponentOf;
};
class TComPrevMenuNew : public TComComponentOf<56> {
  using TComComponentOf::TComComponentOf;
};

// Base of the cabinet commands: the component record, a selection mode and the names it selects.
class TComCabinet : public TComControl {
 public:
  using TComControl::TComControl;
  void StoreFields(TComFields& f) override;
  TVelkParser Mode;
  TExprList Names;
};

class TComCabinetSave : public TComComponentOf<59, TComCabinet> {
  using TComComponentOf::TComComponentOf;
};
class TComCabinetLoad : public TComComponentOf<60, TComCabinet> {
  using TComComponentOf::TComComponentOf;
};

// Changes to the other base through a screen transition.
class TComFlip : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 13; }
  bool BlocksEvents() const override { return NoEventsValue; }
  void SaveState(TStream& s) override;
  void RestoreState(TStream& s) override;
  void StoreFields(TComFields& f) override;
  TVelkParser Type, Time, Reverse, CarryMode;
  TExprList CarryNames;
  TVelkParser ClearOld, Param1, Param2;
  TVelkParser RuleName;  // pages above 100
  TVelkParser NoEvents;  // pages above 106
  // Ends the flip at once: the other base becomes the active one.
  void Finish() override;
  bool Yields() const override { return TimeValue > 0; }
  // In-progress state.
  bool NoEventsValue = false;
  bool ClearOldValue = false;
  // 0 wait a frame, 1 start the clock, 2 the transition runs, 3 no transition.
  int32_t State = 0;
  int32_t StartClock = 0;
  int32_t TimeValue = 0;  // the time expression's value, 0 without one
  // The scene of the last run, for Finish.
  TVelkBaseList* Scene = nullptr;
};

// Gives message text to a message window.
class TComTextIns : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 20; }
  bool BlocksEvents() const override { return NoEventsValue; }
  void SaveState(TStream& s) override;
  void RestoreState(TStream& s) override;
  bool Yields() const override { return WaitValue; }
  void StoreFields(TComFields& f) override;
  std::string Text;  // the composed-text stream
  TVelkParser Window, ReadTracking, Wait;
  TVelkParser NoEvents;  // pages above 106
  // In-progress state.
  std::string TargetName;
  bool WaitValue = false;
  bool NoEventsValue = false;
};

// Stops a sound or video, with an optional fade.
class TComMovieStop : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 21; }
  bool BlocksEvents() const override { return NoEventsValue; }
  void SaveState(TStream& s) override;
  void RestoreState(TStream& s) override;
  bool Yields() const override { return WaitValue; }
  void StoreFields(TComFields& f) override;
  TVelkParser ObjectName, Fade, Wait;
  TVelkParser NoEvents;  // pages above 106
  // In-progress state.
  std::string TargetName;
  bool WaitValue = false;
  bool NoEventsValue = false;
};

class TComMenuClose : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 26; }
  void StoreFields(TComFields& f) override { f.Expr("object", ObjectName); }
  TVelkParser ObjectName;
};

class TComTextClr : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 28; }
  void StoreFields(TComFields& f) override { f.Expr("window", Window); }
  TVelkParser Window;
};

class TComMediaPlay : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 55; }
  void StoreFields(TComFields& f) override { f.Expr("object", ObjectName); }
  TVelkParser ObjectName;
};

// Starts a property motion.
class TComPropMotion : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 57; }
  void StoreFields(TComFields& f) override;
  TVelkParser Name, Target, PropId, Goal, Duration, Curve;
  TVelkParser Paused;  // pages above 107
};

}  // namespace velk
