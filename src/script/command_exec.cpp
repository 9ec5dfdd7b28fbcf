#include "script/command_exec.h"

#include <algorithm>
#include <array>

#include "base/error.h"
#include "base/process_values.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "script/call_host.h"
#include "script/call_man.h"
#include "script/call_scene.h"
#include "script/component_exec.h"
#include "script/control_commands.h"
#include "script/page.h"

namespace velk {

namespace {

using TBegin = void (*)(TCallMan&, TCommand&);
using TExecute = void (*)(TCallMan&, TCommand&, TPage*&, int32_t&);

struct TCommandRun {
  TBegin Begin = nullptr;
  TExecute Execute = nullptr;
};

constexpr uint8_t kCodeElseif = 1;
constexpr uint8_t kCodeElse = 2;
constexpr uint8_t kCodeComment = 27;

// The class of a code is fixed by the factory; a mismatch is a failure of the command, not a crash.
template <class T> T& as(TCommand& command) { return dynamic_cast<T&>(command); }

// Moves to target, or ends the page when it is negative.
void go_to(int32_t target, TPage*& page, int32_t& index) {
  if (target < 0) {
    page = nullptr;
  } else {
    index = target;
  }
}

void exec_if(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  auto& c = as<TComIf>(command);
  ++index;
  if (calls.IsTrue(c.Condition)) return;
  const TComList& list = page->Commands;
  for (int32_t i = index; i < list.Count(); ++i) {
    TCommand* next = list.Item(i);
    if (next->Level > c.Level) continue;
    if (next->Level == c.Level) {
      // A false elseif belongs to the same chain: its block is passed over and the scan goes on, so that later
      // elseifs and the else stay reachable.
      if (next->Code() == kCodeElseif) {
        if (!calls.IsTrue(as<TComIf>(*next).Condition)) continue;
        index = i + 1;
        return;
      }
      if (next->Code() == kCodeElse) {
        index = i + 1;
        return;
      }
    }
    index = i;
    return;
  }
  index = list.Count();
}

// Reached after a taken block: passes over its own block.
void exec_else_block(TCallMan&, TCommand& command, TPage*& page, int32_t& index) {
  ++index;
  while (index < page->Commands.Count() && page->Commands.Item(index)->Level > command.Level) ++index;
}

void exec_else(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  exec_else_block(calls, command, page, index);
  calls.SetContinue(true);
}

void exec_while(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComWhile>(command);
  ++index;
  if (!calls.IsTrue(c.Condition)) index = c.ExitIndex;
}

void exec_while_init(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  calls.Evaluate(as<TComWhileInit>(command).Statement);
  calls.SetContinue(true);
}

void exec_while_loop(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComWhileLoop>(command);
  index = c.LoopIndex;
  calls.Evaluate(c.Statement);
  calls.SetContinue(true);
}

void exec_break(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  auto& c = as<TComBreak>(command);
  if (calls.IsTrue(c.Condition)) {
    go_to(c.Target, page, index);
  } else {
    ++index;
  }
}

void exec_continue(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  auto& c = as<TComContinue>(command);
  ++index;
  if (calls.IsTrue(c.Condition)) go_to(c.Target, page, index);
}

void exec_exit(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  if (calls.IsTrue(as<TComExit>(command).Condition)) {
    page = nullptr;
  } else {
    ++index;
  }
}

void exec_jump(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  calls.ExecJump(as<TComJump>(command), page, index);
}

void exec_call(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  calls.ExecCall(as<TComCall>(command), page, index);
}

void begin_wait(TCallMan& calls, TCommand& command) {
  auto& c = as<TComWait>(command);
  const TCustomParam* time = calls.Evaluate(c.Time);
  c.Remaining = time != nullptr ? time->GetInt() : 0;
  c.FirstFrame = 1;
  const TCustomParam* no_events = calls.Evaluate(c.NoEvents);
  c.NoEventsValue = no_events != nullptr && no_events->GetBool();
}

void exec_wait(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComWait>(command);
  const TCustomParam* condition = calls.Evaluate(c.Condition);
  if (condition != nullptr && !condition->GetBool()) {
    ++index;
    return;
  }
  if (c.Remaining != 0) {
    if (c.FirstFrame > 0) {
      --c.FirstFrame;
    } else {
      const int64_t left = int64_t{c.Remaining} - calls.Process().FrameDelta;
      c.Remaining = static_cast<int32_t>(std::max<int64_t>(left, INT32_MIN));
      if (c.Remaining <= 0) {
        ++index;
        return;
      }
    }
  }
  calls.SetContinue(false);
}

void exec_do_event(TCallMan& calls, TCommand&, TPage*&, int32_t& index) {
  ++index;
  calls.SetContinue(false);
}

void exec_calc(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  calls.Evaluate(as<TComCalc>(command).Statement);
}

void exec_var_new(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComVarNew>(command);
  ++index;
  if (c.VarName.empty()) throw EVelkError(Utf8ToCp932("変数名がありません"));
  // A type without a value class would leave a variable without a value.
  if (c.VarType > PT_STR) throw EVelkError(Utf8ToCp932("変数の型が不正です"));
  TParamCollectionItem* item = calls.Vars().NewVariable(c.VarName, c.VarType, c.Scope);
  if (item == nullptr || item->Value() == nullptr) return;
  const TCustomParam* value = calls.Evaluate(c.Value);
  if (value == nullptr) return;
  TCustomParam& target = *item->Value();
  switch (c.VarType) {
    case PT_INT: target.SetInt(value->GetInt()); break;
    case PT_FLOAT: target.SetFloat(value->GetFloat()); break;
    case PT_BOOL: target.SetBool(value->GetBool()); break;
    case PT_STR: target.SetStr(value->GetStr()); break;
    default: break;
  }
}

void exec_var_del(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  calls.Vars().DeleteVariable(as<TComVarDel>(command).VarName);
}

// The object named by the text of the expression; a zero handle when there is none (or no scene).
TObjectHandle find_object(TCallMan& calls, TVelkParser& name) {
  if (calls.Scene() == nullptr) return {};
  const TCustomParam* value = calls.Evaluate(name);
  return calls.Scene()->FindObject(value != nullptr ? value->GetStr() : std::string());
}

int32_t property_id(TCallMan& calls, TVelkParser& id) {
  const TCustomParam* value = calls.Evaluate(id);
  if (value == nullptr) throw EVelkError(Utf8ToCp932("プロパティ指定が不正です"));
  return value->GetInt();
}

void exec_get_prop(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComGetProp>(command);
  ++index;
  const TObjectHandle object = find_object(calls, c.ObjectName);
  if (!object) return;
  const int32_t id = property_id(calls, c.PropId);
  TParamCollectionItem* item = calls.Vars().FindVariable(c.TargetVar);
  if (item != nullptr && item->Value() != nullptr) calls.Scene()->GetProperty(object, id, *item->Value());
}

void exec_set_prop(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComSetProp>(command);
  ++index;
  const TObjectHandle object = find_object(calls, c.ObjectName);
  if (!object) return;
  const int32_t id = property_id(calls, c.PropId);
  const TCustomParam* value = calls.Evaluate(c.Value);
  if (value != nullptr) calls.Scene()->SetProperty(object, id, *value);
}

void exec_obj_del(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  const TObjectHandle object = find_object(calls, as<TComObjDel>(command).ObjectName);
  if (object) calls.Scene()->DeleteObject(object);
}

void exec_pc_reset(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  calls.ExecPCReset(as<TComPCReset>(command), page, index);
}

void exec_reset(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  calls.ExecReset(as<TComPCReset>(command), page, index);
}

void exec_terminate(TCallMan& calls, TCommand&, TPage*&, int32_t& index) { calls.ExecTerminate(index); }

// The save and load happen at the end of the frame.
void exec_game_save(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComGameSave>(command);
  ++index;
  const TCustomParam* slot = calls.Evaluate(c.Slot);
  const int32_t slot_number = slot != nullptr ? slot->GetInt() : 0;
  const TCustomParam* title = calls.Evaluate(c.Title);
  calls.Host().RequestSave(slot_number, c.ResumePage, title != nullptr ? title->GetStr() : std::string(),
                           c.ResumeIndex);
}

void exec_game_load(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  const TCustomParam* slot = calls.Evaluate(as<TComGameLoad>(command).Slot);
  calls.Host().RequestLoad(slot != nullptr ? slot->GetInt() : 0);
}

std::array<TCommandRun, kCommandCount> make_table() {
  std::array<TCommandRun, kCommandCount> t{};
  t[0] = {nullptr, exec_if};
  t[1] = {nullptr, exec_else_block};
  t[2] = {nullptr, exec_else};
  t[4] = {nullptr, exec_jump};
  t[5] = {nullptr, exec_call};
  t[6] = {nullptr, exec_exit};
  t[7] = {begin_wait, exec_wait};
  t[14] = {nullptr, exec_calc};
  t[15] = {nullptr, exec_var_new};
  t[16] = {nullptr, exec_var_del};
  t[17] = {nullptr, exec_get_prop};
  t[18] = {nullptr, exec_set_prop};
  t[19] = {nullptr, exec_obj_del};
  t[31] = {nullptr, exec_while};
  t[32] = {nullptr, exec_while_init};
  t[33] = {nullptr, exec_while_loop};
  t[34] = {nullptr, exec_break};
  t[35] = {nullptr, exec_continue};
  t[38] = {nullptr, exec_game_save};
  t[39] = {nullptr, exec_game_load};
  t[40] = {nullptr, exec_pc_reset};
  t[41] = {nullptr, exec_reset};
  t[45] = {nullptr, exec_terminate};
  t[46] = {nullptr, exec_do_event};
  for (const TComponentRun& run : ComponentRuns()) t[run.Code] = {run.Begin, run.Execute};
  return t;
}

const TCommandRun* run_of(const TCommand& command) {
  static const std::array<TCommandRun, kCommandCount> table = make_table();
  const uint8_t code = command.Code();
  return code < kCommandCount ? &table[code] : nullptr;
}

}  // namespace

bool IsCommandSkipped(const TCommand& command) { return command.Code() == kCodeComment || command.IsSkipped(); }

void BeginCommand(TCallMan& calls, TCommand& command) {
  const TCommandRun* run = run_of(command);
  if (run != nullptr && run->Begin != nullptr) {
    run->Begin(calls, command);
  } else {
    command.Begin(calls);
  }
}

void ExecuteCommand(TCallMan& calls, TCommand& command, TPage*& page, int32_t& index) {
  const TCommandRun* run = run_of(command);
  if (run != nullptr && run->Execute != nullptr) {
    run->Execute(calls, command, page, index);
  } else {
    command.Execute(calls, page, index);
  }
}

}  // namespace velk
