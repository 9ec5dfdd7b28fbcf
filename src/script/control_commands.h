#pragma once
// The commands of control flow, data, program control, save and load, and the message history: their stored
// fields. What they do when they run belongs to the interpreter.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/command.h"

namespace velk {

using TExprList = std::vector<std::unique_ptr<TVelkParser>>;

class TComIf : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 0; }
  void StoreFields(TComFields& f) override { f.Expr("condition", Condition); }
  TVelkParser Condition;
};

class TComElseif : public TComIf {
 public:
  using TComIf::TComIf;
  uint8_t Code() const override { return 1; }
};

class TComElse : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 2; }
  // Reached after a taken block, an else always goes on in the same frame.
  bool ContinuesFrame() const override { return true; }
};

class TComLabel : public TCommand {
 public:
  // Labels continue the frame; the stored base fields overwrite this.
  explicit TComLabel(TComList* owner) : TCommand(owner) { Continue = true; }
  uint8_t Code() const override { return 3; }
  bool MatchesLabel(const std::string& name) const override { return name == LabelName; }
  void StoreFields(TComFields& f) override { f.String("name", LabelName); }
  std::string LabelName;
};

class TComJump : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 4; }
  void StoreFields(TComFields& f) override;
  std::string PageName;
  int32_t Target = 0;
  TVelkParser Condition;
};

class TComCall : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 5; }
  void StoreFields(TComFields& f) override;
  std::string PageName;
  int32_t Target = 0;
  std::string ReturnVar;
  TVelkParser Condition;
  TExprList Args;
};

class TComExit : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 6; }
  void StoreFields(TComFields& f) override { f.Expr("condition", Condition); }
  TVelkParser Condition;
};

class TComWait : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 7; }
  bool BlocksEvents() const override { return NoEventsValue; }
  void SaveState(TStream& s) override;
  void RestoreState(TStream& s) override;
  bool Yields() const override { return true; }
  void StoreFields(TComFields& f) override;
  TVelkParser Condition;
  TVelkParser Time;
  TVelkParser NoEvents;  // pages above 106
  // In-progress state.
  int32_t Remaining = 0;
  int32_t FirstFrame = 0;
  bool NoEventsValue = false;
};

class TComCalc : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 14; }
  void StoreFields(TComFields& f) override { f.Expr("statement", Statement); }
  TVelkParser Statement;
};

class TComVarNew : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 15; }
  void StoreFields(TComFields& f) override;
  std::string VarName;
  uint8_t VarType = 1;
  TVelkParser Value;
  uint8_t Scope = 0;
};

class TComVarDel : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 16; }
  void StoreFields(TComFields& f) override { f.String("name", VarName); }
  std::string VarName;
};

class TComGetProp : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 17; }
  void StoreFields(TComFields& f) override;
  TVelkParser ObjectName;
  TVelkParser PropId;
  std::string TargetVar;
};

class TComSetProp : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 18; }
  void StoreFields(TComFields& f) override;
  TVelkParser ObjectName;
  TVelkParser PropId;
  TVelkParser Value;
};

class TComObjDel : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 19; }
  void StoreFields(TComFields& f) override { f.Expr("object", ObjectName); }
  TVelkParser ObjectName;
};

class TComClrHist : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 22; }
};

class TComComment : public TComLabel {
 public:
  using TComLabel::TComLabel;
  uint8_t Code() const override { return 27; }
  bool IsSkipped() const override { return true; }
  // A comment is never a jump target.
  bool MatchesLabel(const std::string&) const override { return false; }
  void StoreFields(TComFields& f) override { f.String("text", LabelName); }
};

class TComCallHist : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 29; }
  void StoreFields(TComFields& f) override;
  TVelkParser Window;
  TVelkParser First;
  TVelkParser Count;
  TVelkParser Layout;
  TVelkParser Format;  // pages above 110
};

class TComWhile : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 31; }
  void StoreFields(TComFields& f) override;
  TVelkParser Condition;
  int32_t ExitIndex = 0;
};

// Commands the compiler adds around loops.
class TComRuntime : public TCommand {
 public:
  using TCommand::TCommand;
};

class TComWhileInit : public TComRuntime {
 public:
  using TComRuntime::TComRuntime;
  uint8_t Code() const override { return 32; }
  bool ContinuesFrame() const override { return true; }
  void StoreFields(TComFields& f) override { f.Expr("statement", Statement); }
  TVelkParser Statement;
};

class TComWhileLoop : public TComWhileInit {
 public:
  using TComWhileInit::TComWhileInit;
  uint8_t Code() const override { return 33; }
  void StoreFields(TComFields& f) override;
  int32_t LoopIndex = 0;
};

class TComBreak : public TComExit {
 public:
  using TComExit::TComExit;
  uint8_t Code() const override { return 34; }
  void StoreFields(TComFields& f) override;
  int32_t Target = 0;
};

class TComContinue : public TComExit {
 public:
  using TComExit::TComExit;
  uint8_t Code() const override { return 35; }
  void StoreFields(TComFields& f) override;
  int32_t Target = 0;
};

class TComGameSave : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 38; }
  void StoreFields(TComFields& f) override;
  TVelkParser Slot;
  std::string ResumePage;
  int32_t ResumeIndex = 0;  // pages above 104
  TVelkParser Title;
};

class TComGameLoad : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 39; }
  void StoreFields(TComFields& f) override { f.Expr("slot", Slot); }
  TVelkParser Slot;
};

class TComPCReset : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 40; }
  void StoreFields(TComFields& f) override;
  std::string PageName;
  int32_t Target = 0;
  uint8_t ClearAll = 0;
};

class TComReset : public TComPCReset {
 public:
  using TComPCReset::TComPCReset;
  uint8_t Code() const override { return 41; }
};

class TComTerminate : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 45; }
};

class TComDoEvent : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 46; }
  bool Yields() const override { return true; }
};

class TComClrRead : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 47; }
};

class TComEntryHist : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 58; }
  void StoreFields(TComFields& f) override;
  TVelkParser ObjectName;
  TVelkParser Format;  // pages above 110
};

}  // namespace velk
